#include "HttpTransport.h"

#include "NetBackend.h"

#include <QIODevice>

namespace HttpTransport {
namespace {

HttpResult unavailable()
{
    HttpResult result;
    result.error = NetBackend::Unavailable();
    return result;
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
    const NetBackend::Table* network = NetBackend::Get();
    return network ? network->post(url, contentType, body, limits, headers) : unavailable();
}

HttpResult Post(const QUrl& url, const QByteArray& contentType, const QByteArray& body,
                int timeoutMs, const Headers& headers)
{
    return Post(url, contentType, body, withTimeout(timeoutMs), headers);
}

HttpResult Post(const QUrl& url, const QByteArray& contentType, std::unique_ptr<QIODevice> body,
                const Limits& limits, const Headers& headers)
{
    const NetBackend::Table* network = NetBackend::Get();
    return network ? network->postDevice(url, contentType, std::move(body), limits, headers)
                   : unavailable();
}

HttpResult Get(const QUrl& url, bool noCache, const Limits& limits, const Headers& headers)
{
    const NetBackend::Table* network = NetBackend::Get();
    return network ? network->get(url, noCache, limits, headers) : unavailable();
}

HttpResult Get(const QUrl& url, bool noCache, int timeoutMs, const Headers& headers)
{
    return Get(url, noCache, withTimeout(timeoutMs), headers);
}

void SetIdleRelease(int ms)
{
    if (const NetBackend::Table* network = NetBackend::Get())
        network->setIdleRelease(ms);
}

bool Busy()
{
    // Asked before anything went on line too; that must not load the network.
    const NetBackend::Table* network = NetBackend::IfLoaded();
    return network && network->busy();
}

} // namespace HttpTransport
