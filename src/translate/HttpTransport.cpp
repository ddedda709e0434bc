#include "HttpTransport.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

QNetworkAccessManager& SharedNetwork()
{
    static QNetworkAccessManager* nam = new QNetworkAccessManager();
    return *nam;
}

namespace HttpTransport {
namespace {

int g_busy = 0;

HttpResult wait(QNetworkReply* reply, const Limits& limits)
{
    QObject context; // ends the connections below with this call
    QString abortedBecause;
    const auto abortWith = [&](const QString& why) {
        if (abortedBecause.isEmpty())
            abortedBecause = why;
        reply->abort();
    };
    const QString tooLarge =
        QStringLiteral("The reply is larger than %1 bytes").arg(limits.maxBytes);
    // The body is taken out of the reply as it arrives into one buffer, so it is never held
    // twice. A declared length over the cap ends the request before any of it is held; one
    // within the cap sizes the buffer (a compressed body may still outgrow it).
    QByteArray body;
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &context, [&] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > limits.maxBytes)
            abortWith(tooLarge);
        else if (length.isValid())
            body.reserve(length.toLongLong());
    });
    // The decoded body counts, so a compressed reply cannot grow past the cap either.
    const auto collect = [&] {
        const qint64 available = reply->bytesAvailable();
        if (available <= 0 || !abortedBecause.isEmpty())
            return;
        if (body.size() + available > limits.maxBytes) {
            abortWith(tooLarge);
            return;
        }
        const qsizetype held = body.size();
        body.resize(held + available);
        const qint64 got = reply->read(body.data() + held, available);
        body.truncate(held + qMax<qint64>(got, 0));
    };
    QObject::connect(reply, &QNetworkReply::readyRead, &context, collect);

    ++g_busy;
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &context, [&] {
        abortWith(QStringLiteral("No complete reply within %1 ms").arg(limits.timeoutMs));
    });
    if (!reply->isFinished()) {
        deadline.start(limits.timeoutMs > 0 ? limits.timeoutMs : kDefaultTimeoutMs);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    --g_busy;
    if (reply->isOpen())
        collect(); // what came with the end, or before the connections above

    HttpResult result;
    if (!abortedBecause.isEmpty()) {
        result.error = abortedBecause;
    } else {
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        result.status = status.isValid() ? status.toInt() : 0;
        result.ok = result.status != 0;
        result.body = std::move(body);
        if (reply->error() != QNetworkReply::NoError)
            result.error = reply->errorString();
    }
    reply->deleteLater();
    return result;
}

QNetworkRequest makeRequest(const QUrl& url, const Headers& headers)
{
    QNetworkRequest request(url);
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    return request;
}

Limits withTimeout(int timeoutMs)
{
    Limits limits;
    limits.timeoutMs = timeoutMs;
    return limits;
}

} // namespace

HttpResult Post(const QUrl& url, const QByteArray& contentType, const QByteArray& body,
                const Limits& limits, const Headers& headers)
{
    QNetworkRequest request = makeRequest(url, headers);
    request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    return wait(SharedNetwork().post(request, body), limits);
}

HttpResult Post(const QUrl& url, const QByteArray& contentType, const QByteArray& body,
                int timeoutMs, const Headers& headers)
{
    return Post(url, contentType, body, withTimeout(timeoutMs), headers);
}

HttpResult Post(const QUrl& url, const QByteArray& contentType, std::unique_ptr<QIODevice> body,
                const Limits& limits, const Headers& headers)
{
    QNetworkRequest request = makeRequest(url, headers);
    request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    request.setHeader(QNetworkRequest::ContentLengthHeader, body->size());
    QNetworkReply* reply = SharedNetwork().post(request, body.get());
    body.release()->setParent(reply); // read until the reply ends, and deleted with it
    return wait(reply, limits);
}

HttpResult Get(const QUrl& url, bool noCache, const Limits& limits, const Headers& headers)
{
    QNetworkRequest request = makeRequest(url, headers);
    if (noCache) {
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                             QNetworkRequest::AlwaysNetwork);
        request.setRawHeader("Cache-Control", "no-cache");
        request.setRawHeader("Pragma", "no-cache");
    }
    return wait(SharedNetwork().get(request), limits);
}

HttpResult Get(const QUrl& url, bool noCache, int timeoutMs, const Headers& headers)
{
    return Get(url, noCache, withTimeout(timeoutMs), headers);
}

bool Busy()
{
    return g_busy > 0;
}

} // namespace HttpTransport
