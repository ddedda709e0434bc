#include "HttpBackend.h"
#include "NetBackend.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <memory>

namespace {

// A manager holds a thread of its own for as long as it lives, and a tray program idles all
// day: an idle one goes, and the next request makes a new one. The cookies outlive it.
int g_idleReleaseMs = 30000;
QNetworkAccessManager* g_network = nullptr;
QTimer* g_idle = nullptr;

QNetworkCookieJar& cookies()
{
    static QNetworkCookieJar* jar = new QNetworkCookieJar();
    return *jar;
}

void releaseIfIdle()
{
    // A reply still alive (running, or not yet deleted by its reader) belongs to the manager.
    if (!g_network->findChildren<QNetworkReply*>(Qt::FindDirectChildrenOnly).isEmpty()) {
        g_idle->start();
        return;
    }
    g_network->deleteLater();
    g_network = nullptr;
    g_idle = nullptr;
}

} // namespace

QNetworkAccessManager& SharedNetwork()
{
    if (!g_network) {
        g_network = new QNetworkAccessManager();
        g_network->setCookieJar(&cookies());
        cookies().setParent(nullptr); // the manager took it; it stays when the manager goes
        g_idle = new QTimer(g_network);
        g_idle->setSingleShot(true);
        QObject::connect(g_idle, &QTimer::timeout, g_network, releaseIfIdle);
        QObject::connect(g_network, &QNetworkAccessManager::finished, g_idle,
                         qOverload<>(&QTimer::start));
    }
    g_idle->start(g_idleReleaseMs);
    return *g_network;
}

namespace HttpBackend {

using namespace HttpTransport;

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
    // A declared length over the cap ends the request before any of the body is held. The body
    // is read once, at the end: the reply frees its pieces as they are read, so it is never
    // held twice (taking it as it arrives measured 10 MB more at 30 MB).
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &context, [&] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > limits.maxBytes)
            abortWith(tooLarge);
    });
    // The decoded body counts, so a compressed reply cannot grow past the cap either.
    QObject::connect(reply, &QNetworkReply::readyRead, &context, [&] {
        if (reply->bytesAvailable() > limits.maxBytes)
            abortWith(tooLarge);
    });

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

    HttpResult result;
    if (!abortedBecause.isEmpty()) {
        result.error = abortedBecause;
    } else {
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        result.status = status.isValid() ? status.toInt() : 0;
        result.ok = result.status != 0;
        if (reply->isOpen())
            result.body = reply->readAll();
        if (reply->error() != QNetworkReply::NoError)
            result.error = reply->errorString();
        // Qt gives no reason when a compressed reply would grow past its own limit.
        if (result.error.trimmed().endsWith(u':'))
            result.error = result.error.trimmed() +
                           QStringLiteral(" the reply grows too large when it is decompressed");
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

} // namespace

HttpResult Post(const QUrl& url, const QByteArray& contentType, const QByteArray& body,
                const Limits& limits, const Headers& headers)
{
    QNetworkRequest request = makeRequest(url, headers);
    request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    return wait(SharedNetwork().post(request, body), limits);
}

HttpResult PostDevice(const QUrl& url, const QByteArray& contentType,
                      std::unique_ptr<QIODevice> body, const Limits& limits, const Headers& headers)
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

void SetIdleRelease(int ms)
{
    g_idleReleaseMs = ms;
}

bool Busy()
{
    return g_busy > 0;
}

QObject* Fetch(const NetBackend::FetchRequest& wanted,
               std::function<void(const NetBackend::FetchAnswer&)> done)
{
    QNetworkRequest request(wanted.url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    if (wanted.transferTimeoutMs > 0)
        request.setTransferTimeout(wanted.transferTimeoutMs);
    QNetworkReply* reply = SharedNetwork().get(request);
    // A body trickling in never holds its connection past the deadline as a whole.
    if (wanted.deadlineMs > 0)
        QTimer::singleShot(wanted.deadlineMs, reply, &QNetworkReply::abort);
    // Taken out as it arrives, so that nothing past the cap is ever held.
    const qint64 maxBytes = wanted.maxBytes > 0 ? wanted.maxBytes : kPageLimit;
    auto body = std::make_shared<QByteArray>();
    auto tooLarge = std::make_shared<bool>(false);
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, maxBytes, tooLarge] {
        if (reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > maxBytes) {
            *tooLarge = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, body, maxBytes, tooLarge] {
        if (body->size() + reply->bytesAvailable() > maxBytes) {
            *tooLarge = true;
            reply->abort();
        } else {
            body->append(reply->readAll());
        }
    });
    QObject::connect(
        reply, &QNetworkReply::finished, reply,
        [reply, body, maxBytes, tooLarge, done = std::move(done)] {
            reply->deleteLater();
            NetBackend::FetchAnswer answer;
            answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            answer.contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
            answer.ok = reply->error() == QNetworkReply::NoError && !*tooLarge;
            if (answer.ok && reply->isOpen()) {
                if (body->size() + reply->bytesAvailable() > maxBytes)
                    *tooLarge = true;
                else
                    body->append(reply->readAll());
            }
            answer.ok = answer.ok && !*tooLarge;
            if (answer.ok)
                answer.body = std::move(*body);
            else
                answer.error =
                    *tooLarge ? QStringLiteral("The reply is larger than %1 bytes").arg(maxBytes)
                              : reply->errorString();
            done(answer);
        });
    return reply;
}

} // namespace HttpBackend

extern "C" __attribute__((visibility("default"))) const NetBackend::Table* verbalto_network_table()
{
    static const NetBackend::Table table = {
        .version = NetBackend::kTableVersion,
        .build = VERBALTO_VERSION,
        .post = HttpBackend::Post,
        .postDevice = HttpBackend::PostDevice,
        .get = HttpBackend::Get,
        .setIdleRelease = HttpBackend::SetIdleRelease,
        .busy = HttpBackend::Busy,
        .fetch = HttpBackend::Fetch,
    };
    return &table;
}
