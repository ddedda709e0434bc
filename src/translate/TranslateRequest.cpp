#include "TranslateRequest.h"

#include <QUrl>

QString EscapeAmpersands(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('&'), QLatin1String("%26"));
    return escaped;
}

namespace {

// Form-encodes value onto the end of out a piece at a time, so that a long text is never held
// as UTF-8 besides its encoding; a surrogate pair is never cut in two.
void appendFormEncoded(QByteArray& out, QStringView value)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    constexpr qsizetype kPiece = 1 << 15;
    while (!value.isEmpty()) {
        qsizetype n = qMin(value.size(), kPiece);
        if (n < value.size() && value.at(n - 1).isHighSurrogate())
            --n;
        const QByteArray utf8 = value.first(n).toUtf8();
        value = value.sliced(n);
        qsizetype at = out.size();
        out.resize(at + utf8.size() * 3);
        char* dst = out.data();
        for (const char ch : utf8) {
            const auto c = static_cast<unsigned char>(ch);
            if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                c == '-' || c == '.' || c == '_' || c == '*') {
                dst[at++] = char(c);
            } else if (c == ' ') {
                dst[at++] = '+';
            } else {
                dst[at++] = '%';
                dst[at++] = hex[c >> 4];
                dst[at++] = hex[c & 0xF];
            }
        }
        out.truncate(at);
    }
}

} // namespace

QByteArray FormEncode(const QString& value)
{
    QByteArray out;
    out.reserve(value.size());
    appendFormEncoded(out, value);
    return out;
}

QByteArray BuildTranslateRequest(const QString& sourceText, const QString& hl, const QString& sl,
                                 const QString& tl)
{
    // Codes come from the catalogue and need no escaping; only the text does. The body is
    // built in place: a long text is not copied again to put the fields around it.
    QByteArray body;
    body.reserve(sourceText.size() + 64);
    body += "prev=hp&hl=" + hl.toUtf8() + "&ie=UTF-8&js=y&text=";
    appendFormEncoded(body, sourceText);
    body += "&file=&sl=" + sl.toUtf8() + "&tl=" + tl.toUtf8();
    return body;
}

HttpResult PostTranslateRequest(const QString& baseUrl, const QByteArray& body, int timeoutMs)
{
    return HttpTransport::Post(QUrl(baseUrl + QStringLiteral("/translate_t")),
                               "application/x-www-form-urlencoded", body,
                               HttpTransport::Limits{timeoutMs, HttpTransport::kTranslationLimit});
}
