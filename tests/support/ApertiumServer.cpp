#include "ApertiumServer.h"

#include <QDeadlineTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <csignal>

namespace {
quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}
} // namespace

ApertiumServer::ApertiumServer() : m_port(freePort())
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.start(QStringLiteral("apertium-apy"), {QStringLiteral("-p"), QString::number(m_port),
                                                     QStringLiteral("/usr/share/apertium/modes")});
    if (!m_process.waitForStarted(10000))
        return;
    // APY listens after it has read the modes; the pair list is the sign that it serves.
    QDeadlineTimer deadline(60000);
    while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_port);
        if (socket.waitForConnected(500)) {
            socket.write("GET /listPairs HTTP/1.0\r\n\r\n");
            QByteArray answer;
            while (socket.waitForReadyRead(2000))
                answer += socket.readAll();
            if (answer.startsWith("HTTP/1.1 200") && answer.contains("responseData")) {
                m_started = true;
                return;
            }
        }
        QThread::msleep(200);
    }
}

ApertiumServer::~ApertiumServer()
{
    stop();
}

QString ApertiumServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

void ApertiumServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    ::kill(pid_t(m_process.processId()), SIGTERM);
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}
