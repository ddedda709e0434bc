// A small HTTP/1.1 server on 127.0.0.1 for tests: it plays the translation service, the
// vendor's server and download sources. It runs on its own thread, so code under test may
// block on it; it records every request and answers with canned replies per path.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QPair>
#include <QString>
#include <functional>
#include <memory>

class QThread;
class TestHttpServerWorker;

struct RecordedRequest
{
    QByteArray method;
    QByteArray target;                   // path with query, as sent
    QByteArray path;                     // path without query
    QByteArray query;                    // after "?", without it
    QMap<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
};

struct CannedReply
{
    enum class Mode { Reply, Close, Hang };
    int status = 200;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers; // extra headers (Content-Type, Location ...)
    int delayMs = 0;   // wait before answering
    int trickleMs = 0; // when > 0, the body goes out one byte per this many ms
    bool sendLength = true; // false: no Content-Length, the body ends when the server closes
    Mode mode = Mode::Reply;

    static CannedReply ok(const QByteArray& body, const QByteArray& type = "text/html; charset=UTF-8");
    static CannedReply withStatus(int code, const QByteArray& body = {});
    static CannedReply redirect(const QByteArray& location);
    static CannedReply closeConnection();
    static CannedReply hang();
    // Headers at once, then the body one byte every intervalMs: never silent, never done soon.
    static CannedReply trickle(const QByteArray& body, int intervalMs);
};

class TestHttpServer final
{
public:
    TestHttpServer();
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    quint16 port() const { return m_port; }
    QString baseUrl() const; // "http://127.0.0.1:<port>"

    // A reply for a path; a key with "?" matches the whole target, otherwise the path alone.
    // Unknown paths get 404.
    void setReply(const QByteArray& pathOrTarget, const CannedReply& reply);
    void clearReplies();
    // Answers every request, ahead of the canned replies: for replies made from the request.
    // It runs on the server's thread.
    void setResponder(std::function<CannedReply(const RecordedRequest&)> responder);

    QList<RecordedRequest> requests() const;
    int requestCount() const;
    void clearRequests();
    // Waits (running the caller's event loop) until at least n requests have arrived.
    bool waitForRequests(int n, int timeoutMs = 5000) const;

private:
    friend class TestHttpServerWorker;
    CannedReply replyFor(const RecordedRequest& r) const;
    void record(const RecordedRequest& r);

    mutable QMutex m_mutex;
    QMap<QByteArray, CannedReply> m_replies;
    std::function<CannedReply(const RecordedRequest&)> m_responder;
    QList<RecordedRequest> m_requests;
    quint16 m_port = 0;
    std::unique_ptr<QThread> m_thread;
    TestHttpServerWorker* m_worker = nullptr;
};
