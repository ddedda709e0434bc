// Apertium on this computer, run by Verbalto itself, and the fallback to it when the chosen
// service cannot answer: real Debian Apertium, loopback servers playing the online service.
#include "ServiceFallback.h"
#include "TestHttpServer.h"
#include "TestUtil.h"
#include "services/LocalApertium.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <csignal>
#include <gtest/gtest.h>

namespace {

ServiceRequest englishToSpanish(const char* text, const char* source = "en")
{
    return {QString::fromUtf8(text), QLatin1String(source), QStringLiteral("es"),
            QStringLiteral("en")};
}

ServiceSettings webApiAt(const QString& url)
{
    ServiceSettings settings;
    settings.name = QStringLiteral("google-web");
    settings.url = url;
    settings.timeoutMs = 5000;
    return settings;
}

// The processes whose process group is pgid.
QList<int> groupMembers(int pgid)
{
    QList<int> members;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isPid = false;
        const int pid = entry.toInt(&isPid);
        if (!isPid)
            continue;
        const QByteArray stat = TestUtil::readFile(QStringLiteral("/proc/%1/stat").arg(pid));
        // pid (comm) state ppid pgrp ...: comm may hold spaces, so count from its ")".
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 2 && fields.at(2).toInt() == pgid)
            members.append(pid);
    }
    return members;
}

int childOf(qint64 parent)
{
    const QByteArray children =
        TestUtil::readFile(QStringLiteral("/proc/%1/task/%1/children").arg(parent));
    return children.trimmed().split(' ').value(0).toInt();
}

bool holdsASocket(int pid)
{
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString& fd : fds.entryList(QDir::System | QDir::NoDotAndDotDot)) {
        if (QFile::symLinkTarget(fds.filePath(fd)).contains(u"socket:"))
            return true;
    }
    return false;
}

} // namespace

TEST(LocalApertium, TranslatesWithTheInstalledPairAndKeepsWhatIsNotText)
{
    ASSERT_TRUE(LocalApertium::Pairs().contains(u"eng|spa")) << "apertium-eng-spa is missing";
    const QString text = QStringLiteral("Good morning\r\n\r\n[x] a\\b {c} ^d$ <e> @f / ~g\tend");
    const LocalApertium::Outcome outcome =
        LocalApertium::Translate(QStringLiteral("eng|spa"), text, 20000);
    ASSERT_TRUE(outcome.ok) << outcome.error.toStdString();
    EXPECT_TRUE(outcome.text.startsWith(QString::fromUtf8("Buenos días\r\n\r\n[x]")))
        << outcome.text.toStdString();
    for (const char* kept : {"\\b", "{c}", "^d$", "<e>", "@f / ~", "\t"})
        EXPECT_TRUE(outcome.text.contains(QLatin1String(kept)))
            << kept << " in " << outcome.text.toStdString();

    // A pipeline that died is started again for the next text.
    ASSERT_EQ(LocalApertium::Running(), 1);
    LocalApertium::Shutdown();
    EXPECT_EQ(LocalApertium::Running(), 0);
    EXPECT_EQ(
        LocalApertium::Translate(QStringLiteral("eng|spa"), QStringLiteral("Hello"), 20000).text,
        QStringLiteral("Hola"));
}

TEST(LocalApertium, NothingItStartedOutlivesAKilledProgramAndNothingListens)
{
    QProcess probe;
    probe.start(TestUtil::binPath(QStringLiteral("apertium_probe")));
    ASSERT_TRUE(probe.waitForReadyRead(20000));
    EXPECT_EQ(QString::fromUtf8(probe.readLine()).trimmed(), QString::fromUtf8("Buenos días"));
    const int shell = childOf(probe.processId());
    ASSERT_GT(shell, 0);
    const QList<int> pipeline = groupMembers(shell);
    EXPECT_GE(pipeline.size(), 5) << "the pipeline leads a process group of its own";
    for (const int pid : pipeline)
        EXPECT_FALSE(holdsASocket(pid)) << pid;

    ::kill(pid_t(probe.processId()), SIGKILL);
    probe.waitForFinished();
    EXPECT_TRUE(TestUtil::waitUntil([&] { return groupMembers(shell).isEmpty(); }, 5000))
        << groupMembers(shell).size() << " processes remain";
}

// Closed, rate-limited, a challenge page, a fault of its own: Apertium answers instead, and the
// note says so; the text went nowhere else.
TEST(Fallback, AServiceThatCannotAnswerIsReplacedByApertiumOnThisComputer)
{
    TestHttpServer server;
    const QList<std::pair<const char*, CannedReply>> cases = {
        {"could not be reached", CannedReply::closeConnection()},
        {"is limiting requests", CannedReply::withStatus(429)},
        {"is limiting requests",
         CannedReply::ok("<!DOCTYPE html><html><body>Are you a robot?</body></html>")},
        {"answered with a server error", CannedReply::withStatus(503)},
    };
    for (const auto& [reason, reply] : cases) {
        server.setReply("/translate_a/single", reply);
        const Translation t = ServiceFallback::Translate(webApiAt(server.baseUrl()),
                                                         englishToSpanish("Good morning"), true);
        ASSERT_TRUE(t.reply.ok()) << reason << ": " << t.note.toStdString();
        EXPECT_EQ(t.reply.result.translation, QString::fromUtf8("Buenos días"));
        EXPECT_EQ(t.service, u"apertium");
        EXPECT_EQ(t.fallbackFrom, u"google-web");
        EXPECT_EQ(t.note, QStringLiteral("Translated on this computer by Apertium: the Google web "
                                         "API %1.")
                              .arg(QLatin1String(reason)));
    }

    // Offline, the online service is not even asked.
    Translation t = ServiceFallback::Translate(webApiAt(QStringLiteral("http://192.0.2.1")),
                                               englishToSpanish("Good morning"), false);
    EXPECT_EQ(t.reply.result.translation, QString::fromUtf8("Buenos días"));
    EXPECT_TRUE(t.reason.contains(u"not connected")) << t.reason.toStdString();

    // Switched off, or with the language to detect, the failure stays and says why.
    ServiceSettings noFallback = webApiAt(QStringLiteral("http://127.0.0.1:1"));
    noFallback.fallback = false;
    t = ServiceFallback::Translate(noFallback, englishToSpanish("Good morning"), true);
    EXPECT_EQ(t.reply.failure, ServiceFailure::Unreachable);
    EXPECT_EQ(t.note, t.reply.message);
    t = ServiceFallback::Translate(webApiAt(QStringLiteral("http://127.0.0.1:1")),
                                   englishToSpanish("Good morning", ""), true);
    EXPECT_EQ(t.reply.failure, ServiceFailure::Unreachable);
    EXPECT_TRUE(t.fallbackFrom.isEmpty());
    EXPECT_TRUE(t.note.endsWith(u"choose a source language.")) << t.note.toStdString();
}

// Only a service on this computer counts as here when the network is down.
TEST(Fallback, OnlyLoopbackAddressesAreOnThisComputer)
{
    for (const char* url :
         {"http://localhost:2737", "http://LOCALHOST", "http://127.0.0.1", "http://127.3.2.1:80",
          "http://[::1]:2737", "http://[::ffff:127.0.0.1]"})
        EXPECT_TRUE(ServiceFallback::OnThisComputer(webApiAt(QLatin1String(url)))) << url;
    for (const char* url : {"http://128.0.0.1", "http://10.0.0.1", "http://[::2]",
                            "http://[::ffff:10.0.0.1]", "http://localhost.example.org",
                            "http://127.0.0.1.example.org", "https://translate.example.com"})
        EXPECT_FALSE(ServiceFallback::OnThisComputer(webApiAt(QLatin1String(url)))) << url;
}
