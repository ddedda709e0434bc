#include "OnlineVoice.h"

#include "TextParts.h"

#include <QUrlQuery>

namespace OnlineVoice {

QString Root(const ServiceSettings& service)
{
    const QString name = TranslationServices::Normalized(service.name);
    const QString google = QStringLiteral("google-web");
    QString url;
    if (name == google)
        url = service.url.trimmed().isEmpty() ? TranslationServices::DefaultUrl(google)
                                              : service.url.trimmed();
    else if (name == QLatin1String("page"))
        url = TranslationServices::DefaultUrl(google);
    while (url.endsWith(QLatin1Char('/')))
        url.chop(1);
    return url;
}

QStringList Parts(const QString& text)
{
    TextParts::Limits limits;
    limits.maxUnits = kMaxPart;
    QStringList parts;
    for (const TextParts::Part& part : TextParts::Split(text, limits)) {
        const QString piece = part.text.trimmed().toString();
        if (!piece.isEmpty())
            parts.append(piece);
    }
    return parts;
}

QList<QUrl> Requests(const QString& root, const QString& code, const QString& text)
{
    QList<QUrl> requests;
    for (const QString& part : Parts(text)) {
        QUrl url(root + QStringLiteral("/translate_tts"));
        QUrlQuery query;
        query.addQueryItem(QStringLiteral("ie"), QStringLiteral("UTF-8"));
        query.addQueryItem(QStringLiteral("client"), QStringLiteral("gtx"));
        query.addQueryItem(QStringLiteral("tl"), code);
        // "+" and "&" would change the text: they go percent-encoded.
        QString q = QString::fromLatin1(QUrl::toPercentEncoding(part));
        query.addQueryItem(QStringLiteral("q"), q);
        url.setQuery(query.query(QUrl::FullyEncoded), QUrl::StrictMode);
        requests.append(url);
    }
    return requests;
}

bool LooksLikeAudio(const QByteArray& body)
{
    if (body.startsWith("ID3"))
        return true;
    // An MPEG audio frame starts with eleven set bits.
    return body.size() >= 2 && quint8(body[0]) == 0xFF && (quint8(body[1]) & 0xE0) == 0xE0;
}

} // namespace OnlineVoice
