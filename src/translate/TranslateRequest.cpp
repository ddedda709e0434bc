#include "TranslateRequest.h"

#include <QUrl>

QString EscapeAmpersands(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('&'), QLatin1String("%26"));
    return escaped;
}

QByteArray FormEncode(const QString& value)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    const QByteArray utf8 = value.toUtf8();
    QByteArray out;
    out.reserve(utf8.size() * 3);
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '*') {
            out += char(c);
        } else if (c == ' ') {
            out += '+';
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0xF];
        }
    }
    return out;
}

QByteArray BuildTranslateRequest(const QString& sourceText, const QString& hl, const QString& sl,
                                 const QString& tl)
{
    // Codes come from the catalogue and need no escaping; only the text does.
    return QByteArray("prev=hp&hl=") + hl.toUtf8() +
           "&ie=UTF-8&js=y&text=" + FormEncode(sourceText) + "&file=&sl=" + sl.toUtf8() +
           "&tl=" + tl.toUtf8();
}

HttpResult PostTranslateRequest(const QString& baseUrl, const QByteArray& body, int timeoutMs)
{
    return HttpTransport::Post(QUrl(baseUrl + QStringLiteral("/translate_t")),
                               "application/x-www-form-urlencoded", body,
                               HttpTransport::Limits{timeoutMs, HttpTransport::kTranslationLimit});
}
