#include "SingleInstance.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>
#include <QTimer>
#include <unistd.h>

namespace {
constexpr int kAnswerMs = 3000;
constexpr int kPreviousLeavesMs = 10000;
// What a client may cost: a few connections at once, each with one short line, soon.
constexpr int kMaxHeld = 8;
constexpr qint64 kMaxLine = 4096;
constexpr int kLineMs = 2000;

QByteArray Word(SingleInstance::Request request)
{
    return request == SingleInstance::Request::Show ? "show\n" : "quiet\n";
}
} // namespace

QString SingleInstance::ServerPath(const QString& folder, const QString& display)
{
    QString safe = display;
    for (QChar& c : safe) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'.' && c != u'-')
            c = u'_';
    }
    QString path = folder;
    if (!path.endsWith(u'/'))
        path += u'/';
    return path + QStringLiteral("instance-%1-%2").arg(::getuid()).arg(safe);
}

QString SingleInstance::CurrentDisplay()
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty())
            return value;
    }
    return QStringLiteral("none");
}

SingleInstance::SingleInstance(QString serverPath, QObject* parent)
    : QObject(parent), m_path(std::move(serverPath))
{
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::IsListening() const
{
    return m_server && m_server->isListening();
}

bool SingleInstance::Send(Request request) const
{
    QLocalSocket socket;
    socket.connectToServer(m_path);
    if (!socket.waitForConnected(1000))
        return false;
    socket.write(Word(request));
    socket.waitForBytesWritten(1000);
    // A Verbalto that is there but slow to answer is still there: a second one would translate
    // every copy twice.
    if (socket.waitForReadyRead(kAnswerMs))
        socket.readAll();
    return true;
}

bool SingleInstance::Claim(Request request, bool waitForPrevious)
{
    // Two starts at the same moment take turns between asking and listening.
    QLockFile lock(m_path + QStringLiteral(".lock"));
    lock.tryLock(kAnswerMs * 2);

    if (waitForPrevious) {
        const QDeadlineTimer deadline(kPreviousLeavesMs);
        QLocalSocket probe;
        while (!deadline.hasExpired()) {
            probe.connectToServer(m_path);
            if (!probe.waitForConnected(500))
                break;
            probe.abort();
            QThread::msleep(200);
        }
    }
    if (Send(request))
        return false;

    // Nobody answers: what lies there is a socket a crashed Verbalto left.
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
    Listen();
    return true;
}

void SingleInstance::Listen()
{
    QLocalServer::removeServer(m_path);
    // Without the socket (an unusable folder) Verbalto still runs; it is only not alone then.
    m_server->listen(m_path);
}

void SingleInstance::ListenAgainIfClosed()
{
    // Qt closes the server for good when accepting fails (no descriptors left).
    if (m_server && !m_server->isListening())
        Listen();
}

void SingleInstance::OnConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        if (m_held >= kMaxHeld) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++m_held;
        socket->setReadBufferSize(kMaxLine * 2);
        connect(socket, &QObject::destroyed, this, [this] {
            --m_held;
            ListenAgainIfClosed();
        });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(kLineMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kMaxLine) {
                    socket->abort();
                    socket->deleteLater();
                }
                return;
            }
            QByteArray line = socket->readLine(kMaxLine + 1);
            line.chop(line.endsWith("\r\n") ? 2 : 1);
            // A command is a whole line, exactly.
            const bool show = line == "show";
            if (show || line == "quiet") {
                socket->write("ok\n");
                socket->flush();
            }
            socket->disconnectFromServer();
            if (show)
                emit showRequested();
        });
    }
    ListenAgainIfClosed();
}
