// Synchronous HTTP for the user-interface thread: waits in a local event loop that repaints
// the windows but takes no user input, with a time-out. One network manager per program.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;

// The program's one network manager, created on first use (not at start-up).
QNetworkAccessManager& SharedNetwork();

struct HttpResult
{
    bool ok = false; // a reply arrived (any HTTP status)
    int status = 0;  // HTTP status, 0 without a reply
    QByteArray body; // the reply body, also for error statuses
    QString error;   // why there is no reply
};

namespace HttpTransport {

constexpr int kDefaultTimeoutMs = 30000;

// Redirects are followed. The time-out counts from the last data received.
HttpResult Post(const QUrl& url, const QByteArray& contentType, const QByteArray& body,
                int timeoutMs = kDefaultTimeoutMs);
// noCache asks every cache on the way for a fresh copy.
HttpResult Get(const QUrl& url, bool noCache, int timeoutMs = kDefaultTimeoutMs);

// True while one of the calls above waits; callers use it to refuse re-entry.
bool Busy();

} // namespace HttpTransport
