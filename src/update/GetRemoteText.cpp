#include "GetRemoteText.h"

#include <QStringDecoder>

QString GetRemoteText(const QUrl& url, bool isUpdateList, int timeoutMs)
{
    if (!url.isValid() || url.isRelative())
        return {};
    const HttpResult reply =
        HttpTransport::Get(url, true, HttpTransport::Limits{timeoutMs, HttpTransport::kListLimit});
    if (!reply.ok || reply.status < 200 || reply.status > 299)
        return {};
    QStringDecoder decoder(QStringConverter::System);
    const QString text = decoder.decode(reply.body);
    const QString marker = isUpdateList ? QStringLiteral("Updates") : QStringLiteral("http://");
    if (!text.contains(marker, Qt::CaseSensitive))
        return {};
    return text;
}
