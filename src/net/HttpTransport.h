// Synchronous HTTP for the user-interface thread: waits in a local event loop that repaints
// the windows but takes no user input. Every request has an overall deadline and a cap on the
// size of its reply. One network manager per program.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

#include <memory>

class QIODevice;

struct HttpResult
{
    bool ok = false; // a reply arrived (any HTTP status)
    int status = 0;  // HTTP status, 0 without a reply
    QByteArray body; // the reply body, also for error statuses
    QString error;   // why there is no reply
};

namespace HttpTransport {

// Extra request headers (name, value), such as a service's Authorization.
using Headers = QList<QPair<QByteArray, QByteArray>>;

constexpr int kDefaultTimeoutMs = 30000;

// The largest reply of each kind; a larger one counts as no reply.
constexpr qint64 kListLimit = 1 << 20; // update, patch and promotion lists, banner settings
constexpr qint64 kPageLimit = 8 << 20; // pages and their sub-resources
constexpr qint64 kTranslationLimit = qint64(32) << 20; // a translation reply

struct Limits
{
    // The whole request, redirects included, must end within this time; a server that
    // trickles cannot hold the caller longer. Zero or less means the default.
    int timeoutMs = kDefaultTimeoutMs;
    qint64 maxBytes = kTranslationLimit;
};

// Redirects are followed. Past the deadline or the size cap the request is aborted: ok is false
// and the body empty. The forms with timeoutMs use it as the deadline, with the default cap.
HttpResult Post(const QUrl& url, const QByteArray& contentType, const QByteArray& body,
                const Limits& limits, const Headers& headers = {});
HttpResult Post(const QUrl& url, const QByteArray& contentType, const QByteArray& body,
                int timeoutMs = kDefaultTimeoutMs, const Headers& headers = {});
// The same for a body read while it is sent: an open random-access device of known size, which
// the transport takes over (a redirect may read it again from the start).
HttpResult Post(const QUrl& url, const QByteArray& contentType, std::unique_ptr<QIODevice> body,
                const Limits& limits, const Headers& headers = {});
// noCache asks every cache on the way for a fresh copy.
HttpResult Get(const QUrl& url, bool noCache, const Limits& limits, const Headers& headers = {});
HttpResult Get(const QUrl& url, bool noCache, int timeoutMs = kDefaultTimeoutMs,
               const Headers& headers = {});

// How long the network manager stays without a request (for tests).
void SetIdleRelease(int ms);

// True while one of the calls above waits; callers use it to refuse re-entry.
bool Busy();

} // namespace HttpTransport
