#include "PatchList.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QStringList>
#include <QTimer>

namespace PatchList {
namespace {

constexpr qint64 kMaxListBytes = 1 << 20;

QString vendorBase()
{
    QString base = qEnvironmentVariable("VERBALTO_VENDOR_URL").trimmed();
    if (base.isEmpty())
        base = QStringLiteral("http://verbalto.example");
    while (base.endsWith(u'/'))
        base.chop(1);
    return base;
}

} // namespace

QUrl UpdateListUrl()
{
    return QUrl(vendorBase() + u"/Vbxpatch/Patchwell2.txt");
}

QUrl ProductPageUrl()
{
    return QUrl(vendorBase() + u"/verbalto.html");
}

QString GetUpdateList(const QUrl& url, int timeoutMs)
{
    QNetworkAccessManager network;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setRawHeader("Cache-Control", "no-cache");
    QNetworkReply* reply = network.get(request);
    QEventLoop wait;
    QObject::connect(reply, &QNetworkReply::finished, &wait, &QEventLoop::quit);
    // The whole request has a deadline, and a list over its cap is no list.
    QTimer::singleShot(timeoutMs, reply, &QNetworkReply::abort);
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply] {
        if (reply->bytesAvailable() > kMaxListBytes)
            reply->abort();
    });
    if (!reply->isFinished())
        wait.exec(QEventLoop::ExcludeUserInputEvents);

    const int http = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool good = reply->error() == QNetworkReply::NoError && http >= 200 && http <= 299;
    const QByteArray body = good ? reply->readAll() : QByteArray();
    delete reply;
    const QString text = QStringDecoder(QStringConverter::System).decode(body);
    return text.contains(QStringLiteral("Updates")) ? text : QString();
}

std::optional<Info> Parse(const QString& text)
{
    const QStringList fields = text.split(u'|');
    if (fields.size() < 4)
        return std::nullopt;
    Info info{fields[0], fields[2].trimmed(), fields[3], {}};
    const QString sum = fields.size() > 4 ? fields[4].trimmed() : QString();
    const QLatin1String prefix("sha256:");
    if (sum.startsWith(prefix, Qt::CaseInsensitive))
        info.sha256 = sum.mid(prefix.size()).toLower();
    return info;
}

QString DisplayText(const Info& info)
{
    return u"Version: V" + info.version + u"\r\n" + info.notes;
}

} // namespace PatchList
