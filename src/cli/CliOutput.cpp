// The service's texts carry CR LF line breaks: plain output makes them "\n", JSON keeps them.
#include "CliOutput.h"

namespace CliOutput {
namespace {

QString unixLines(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// A section ends where its own text ends; the separator lines come from PlainText alone.
QString section(const QString& text)
{
    QString s = unixLines(text);
    while (s.endsWith(QLatin1Char('\n')))
        s.chop(1);
    return s;
}

void appendHex4(QByteArray& out, char16_t unit)
{
    static constexpr char hex[] = "0123456789abcdef";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += hex[(unit >> shift) & 0xF];
}

} // namespace

QByteArray PlainText(const TranslationResult& result)
{
    QString out = section(result.translation);
    if (!result.romanization.isEmpty())
        out += QStringLiteral("\n\n") + section(result.romanization);
    if (!result.dictionary.isEmpty())
        out += QStringLiteral("\n\n") + section(result.dictionary);
    out += QLatin1Char('\n');
    return out.toUtf8();
}

QByteArray JsonString(const QString& text)
{
    QByteArray out;
    out.reserve(text.size() + 2);
    out += '"';
    qsizetype runStart = 0;
    auto flushRun = [&](qsizetype end) {
        if (end > runStart)
            out += QStringView(text).mid(runStart, end - runStart).toUtf8();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        const bool pairedHigh = QChar::isHighSurrogate(c) && i + 1 < text.size() &&
                                QChar::isLowSurrogate(text.at(i + 1).unicode());
        if (pairedHigh) {
            ++i;
            continue;
        }
        const bool lone = QChar::isSurrogate(c);
        if (c >= 0x20 && c != u'"' && c != u'\\' && !lone)
            continue;
        flushRun(i);
        runStart = i + 1;
        switch (c) {
        case u'"':
            out += "\\\"";
            break;
        case u'\\':
            out += "\\\\";
            break;
        case u'\n':
            out += "\\n";
            break;
        case u'\r':
            out += "\\r";
            break;
        case u'\t':
            out += "\\t";
            break;
        case u'\b':
            out += "\\b";
            break;
        case u'\f':
            out += "\\f";
            break;
        // Other control characters, and a surrogate without its partner (a broken UTF-16 file),
        // are written as escapes so that the text survives exactly.
        default:
            appendHex4(out, c);
            break;
        }
    }
    flushRun(text.size());
    out += '"';
    return out;
}

QByteArray JsonLine(const TranslationResult& result, const QString& service,
                    const QString& detected)
{
    return "{\"source\": " + JsonString(result.sourceText) +
           ", \"translation\": " + JsonString(result.translation) +
           ", \"romanization\": " + JsonString(result.romanization) +
           ", \"dictionary\": " + JsonString(result.dictionary) +
           ", \"service\": " + JsonString(service) + ", \"detected\": " + JsonString(detected) +
           "}\n";
}

} // namespace CliOutput
