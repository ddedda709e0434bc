#include "TestHttpServer.h"

#include "TestUtil.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

class TestHttpServerWorker final : public QObject
{
public:
    explicit TestHttpServerWorker(TestHttpServer* owner) : m_owner(owner) {}

    quint16 listen()
    {
        m_server = new QTcpServer(this);
        m_server->listen(QHostAddress::LocalHost, 0);
        connect(m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = m_server->nextPendingConnection())
                serve(s);
        });
        return m_server->serverPort();
    }

private:
    void serve(QTcpSocket* socket)
    {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            buffer->append(socket->readAll());
            // A keep-alive client may send several requests on one connection.
            while (true) {
                const qsizetype headerEnd = buffer->indexOf("\r\n\r\n");
                if (headerEnd < 0)
                    return;
                RecordedRequest r;
                const QList<QByteArray> lines = buffer->left(headerEnd).split('\n');
                const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
                r.method = first.value(0);
                r.target = first.value(1);
                const qsizetype q = r.target.indexOf('?');
                r.path = q < 0 ? r.target : r.target.left(q);
                r.query = q < 0 ? QByteArray() : r.target.mid(q + 1);
                for (qsizetype i = 1; i < lines.size(); ++i) {
                    const qsizetype colon = lines[i].indexOf(':');
                    if (colon > 0)
                        r.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                         lines[i].mid(colon + 1).trimmed());
                }
                const qsizetype length = r.headers.value("content-length", "0").toLongLong();
                if (buffer->size() < headerEnd + 4 + length)
                    return;
                r.body = buffer->mid(headerEnd + 4, length);
                buffer->remove(0, headerEnd + 4 + length);
                m_owner->record(r);
                answer(socket, m_owner->replyFor(r), r.method == "HEAD");
            }
        });
    }

    void answer(QTcpSocket* socket, const CannedReply& reply, bool head)
    {
        if (reply.mode == CannedReply::Mode::Hang)
            return;
        QPointer<QTcpSocket> guard(socket);
        auto send = [guard, reply, head] {
            if (!guard)
                return;
            if (reply.mode == CannedReply::Mode::Close) {
                guard->abort();
                return;
            }
            QByteArray out = "HTTP/1.1 " + QByteArray::number(reply.status) + " Status\r\n";
            bool typed = false;
            for (const auto& h : reply.headers) {
                out += h.first + ": " + h.second + "\r\n";
                typed = typed || h.first.compare("content-type", Qt::CaseInsensitive) == 0;
            }
            if (!typed)
                out += "Content-Type: application/octet-stream\r\n";
            if (reply.sendLength)
                out += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
            out += "Connection: close\r\n\r\n";
            if (head || reply.trickleMs <= 0) {
                if (!head)
                    out += reply.body;
                guard->write(out);
                guard->disconnectFromHost();
                return;
            }
            guard->write(out);
            auto* timer = new QTimer(guard);
            auto sent = std::make_shared<qsizetype>(0);
            QObject::connect(timer, &QTimer::timeout, guard, [guard, timer, sent, reply] {
                if (*sent >= reply.body.size()) {
                    timer->stop();
                    guard->disconnectFromHost();
                    return;
                }
                guard->write(reply.body.mid((*sent)++, 1));
            });
            timer->start(reply.trickleMs);
        };
        if (reply.delayMs > 0)
            QTimer::singleShot(reply.delayMs, socket, send);
        else
            send();
    }

    TestHttpServer* m_owner;
    QTcpServer* m_server = nullptr;
};

CannedReply CannedReply::ok(const QByteArray& body, const QByteArray& type)
{
    CannedReply r;
    r.body = body;
    r.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray(type)));
    return r;
}

CannedReply CannedReply::withStatus(int code, const QByteArray& body)
{
    CannedReply r;
    r.status = code;
    r.body = body;
    r.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("text/html")));
    return r;
}

CannedReply CannedReply::redirect(const QByteArray& location)
{
    CannedReply r;
    r.status = 302;
    r.headers.append(qMakePair(QByteArray("Location"), QByteArray(location)));
    return r;
}

CannedReply CannedReply::closeConnection()
{
    CannedReply r;
    r.mode = Mode::Close;
    return r;
}

CannedReply CannedReply::hang()
{
    CannedReply r;
    r.mode = Mode::Hang;
    return r;
}

CannedReply CannedReply::trickle(const QByteArray& body, int intervalMs)
{
    CannedReply r = ok(body);
    r.trickleMs = intervalMs;
    return r;
}

TestHttpServer::TestHttpServer() : m_thread(std::make_unique<QThread>())
{
    m_worker = new TestHttpServerWorker(this);
    m_worker->moveToThread(m_thread.get());
    QObject::connect(m_thread.get(), &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread->start();
    QMetaObject::invokeMethod(
        m_worker, [this] { m_port = m_worker->listen(); }, Qt::BlockingQueuedConnection);
}

TestHttpServer::~TestHttpServer()
{
    m_thread->quit();
    m_thread->wait();
}

QString TestHttpServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

void TestHttpServer::setReply(const QByteArray& pathOrTarget, const CannedReply& reply)
{
    QMutexLocker lock(&m_mutex);
    m_replies.insert(pathOrTarget, reply);
}

void TestHttpServer::clearReplies()
{
    QMutexLocker lock(&m_mutex);
    m_replies.clear();
}

void TestHttpServer::setResponder(std::function<CannedReply(const RecordedRequest&)> responder)
{
    QMutexLocker lock(&m_mutex);
    m_responder = std::move(responder);
}

QList<RecordedRequest> TestHttpServer::requests() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

int TestHttpServer::requestCount() const
{
    QMutexLocker lock(&m_mutex);
    return int(m_requests.size());
}

void TestHttpServer::clearRequests()
{
    QMutexLocker lock(&m_mutex);
    m_requests.clear();
}

bool TestHttpServer::waitForRequests(int n, int timeoutMs) const
{
    return TestUtil::waitUntil([&] { return requestCount() >= n; }, timeoutMs);
}

CannedReply TestHttpServer::replyFor(const RecordedRequest& r) const
{
    QMutexLocker lock(&m_mutex);
    // Called unlocked, so that it may look at the server.
    if (const auto responder = m_responder) {
        lock.unlock();
        return responder(r);
    }
    if (auto it = m_replies.constFind(r.target); it != m_replies.constEnd())
        return *it;
    if (auto it = m_replies.constFind(r.path); it != m_replies.constEnd())
        return *it;
    return CannedReply::withStatus(404, "not found");
}

void TestHttpServer::record(const RecordedRequest& r)
{
    QMutexLocker lock(&m_mutex);
    m_requests.append(r);
}
