// The network library is loaded when the program first goes on line, not at start: a window
// shows sooner without it and its Kerberos and proxy libraries. What goes through it is this
// table of calls. The command line and the tests link it in; the window opens the module.
#pragma once

#include "HttpTransport.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class QIODevice;
class QObject;

namespace NetBackend {

// Raised whenever the table changes, so that a module from another build is refused.
constexpr int kTableVersion = 1;

// What an asynchronous fetch ends with.
struct FetchAnswer
{
    bool ok = false; // the whole body arrived: no network error, not cut off, within the cap
    int status = 0;  // HTTP status, 0 without a reply
    QByteArray body; // only when ok
    QByteArray contentType;
    QString error; // why not ok
};

struct FetchRequest
{
    QUrl url;
    int transferTimeoutMs = 0; // no data for this long ends the fetch; 0: none
    int deadlineMs = 0;        // the fetch as a whole ends after this; 0: none
    qint64 maxBytes = 0;       // a larger body (declared or received) ends the fetch
};

struct Table
{
    int version;
    const char* build; // the program version it was built with
    HttpResult (*post)(const QUrl&, const QByteArray& contentType, const QByteArray& body,
                       const HttpTransport::Limits&, const HttpTransport::Headers&);
    HttpResult (*postDevice)(const QUrl&, const QByteArray& contentType,
                             std::unique_ptr<QIODevice> body, const HttpTransport::Limits&,
                             const HttpTransport::Headers&);
    HttpResult (*get)(const QUrl&, bool noCache, const HttpTransport::Limits&,
                      const HttpTransport::Headers&);
    void (*setIdleRelease)(int ms);
    bool (*busy)();
    // Starts a GET; done is called once, later, when the reply ends (aborted through its
    // "abort" slot too). The reply deletes itself after done.
    QObject* (*fetch)(const FetchRequest&, std::function<void(const FetchAnswer&)> done);
};

// The table, loaded on first use; nullptr when it cannot be, and Unavailable() says why.
const Table* Get();
// The table if something has gone on line already; never loads it.
const Table* IfLoaded();
QString Unavailable();

} // namespace NetBackend

// The module's one entry; linked in, it is used directly.
extern "C" const NetBackend::Table* verbalto_network_table();
