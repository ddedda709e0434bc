#include "HttpTransport.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

QNetworkAccessManager& SharedNetwork()
{
    static QNetworkAccessManager* nam = new QNetworkAccessManager();
    return *nam;
}

namespace HttpTransport {
namespace {

int g_busy = 0;

HttpResult wait(QNetworkReply* reply)
{
    ++g_busy;
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    --g_busy;

    HttpResult result;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    result.status = status.isValid() ? status.toInt() : 0;
    result.ok = result.status != 0;
    if (reply->isOpen())
        result.body = reply->readAll();
    if (reply->error() != QNetworkReply::NoError)
        result.error = reply->errorString();
    reply->deleteLater();
    return result;
}

QNetworkRequest makeRequest(const QUrl& url, int timeoutMs)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(timeoutMs);
    return request;
}

} // namespace

HttpResult Post(const QUrl& url, const QByteArray& contentType, const QByteArray& body,
                int timeoutMs)
{
    QNetworkRequest request = makeRequest(url, timeoutMs);
    request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    return wait(SharedNetwork().post(request, body));
}

HttpResult Get(const QUrl& url, bool noCache, int timeoutMs)
{
    QNetworkRequest request = makeRequest(url, timeoutMs);
    if (noCache) {
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                             QNetworkRequest::AlwaysNetwork);
        request.setRawHeader("Cache-Control", "no-cache");
        request.setRawHeader("Pragma", "no-cache");
    }
    return wait(SharedNetwork().get(request));
}

bool Busy()
{
    return g_busy > 0;
}

} // namespace HttpTransport
