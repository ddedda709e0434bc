#include "HttpTransport.h"
#include "HttpBackend.h"
#include "TestHttpServer.h"
#include "TestUtil.h"

#include <QCoreApplication>
#include <QDir>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
// Threads of this process with the name the network manager gives its own.
int networkThreads()
{
    int count = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().startsWith("QNetworkAccess"))
            ++count;
    }
    return count;
}

QUrl at(const TestHttpServer& s, const char* path)
{
    return QUrl(s.baseUrl() + QLatin1String(path));
}
} // namespace

TEST(HttpTransport, PostSendsTypeAndBodyAndReturnsTheReply)
{
    TestHttpServer server;
    server.setReply("/translate_t", CannedReply::ok("<html>ok</html>"));
    const HttpResult r = HttpTransport::Post(at(server, "/translate_t"),
                                             "application/x-www-form-urlencoded", "a=1&b=2");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, QByteArray("<html>ok</html>"));
    ASSERT_EQ(server.requestCount(), 1);
    const RecordedRequest req = server.requests().first();
    EXPECT_EQ(req.method, QByteArray("POST"));
    EXPECT_EQ(req.headers.value("content-type"), QByteArray("application/x-www-form-urlencoded"));
    EXPECT_EQ(req.body, QByteArray("a=1&b=2"));
}

TEST(HttpTransport, ErrorStatusStillCarriesTheBody)
{
    TestHttpServer server;
    server.setReply("/x", CannedReply::withStatus(500, "broken"));
    const HttpResult r = HttpTransport::Get(at(server, "/x"), true);
    EXPECT_EQ(r.status, 500);
    EXPECT_EQ(r.body, QByteArray("broken"));
    EXPECT_EQ(server.requests().first().headers.value("cache-control"), QByteArray("no-cache"));
}

TEST(HttpTransport, RedirectsAreFollowed)
{
    TestHttpServer server;
    server.setReply("/old", CannedReply::redirect(QByteArray("/new")));
    server.setReply("/new", CannedReply::ok("moved here"));
    const HttpResult r = HttpTransport::Get(at(server, "/old"), false);
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, QByteArray("moved here"));
}

TEST(HttpTransport, FailuresGiveNoReply)
{
    TestHttpServer server;
    server.setReply("/closed", CannedReply::closeConnection());
    server.setReply("/silent", CannedReply::hang());
    EXPECT_FALSE(HttpTransport::Get(at(server, "/closed"), false).ok);
    const HttpResult silent = HttpTransport::Get(at(server, "/silent"), false, 300);
    EXPECT_FALSE(silent.ok);
    EXPECT_TRUE(silent.body.isEmpty());
    EXPECT_FALSE(HttpTransport::Busy());
    // A port nobody listens on.
    EXPECT_FALSE(HttpTransport::Get(QUrl(QStringLiteral("http://127.0.0.1:1/")), false).ok);
}

TEST(HttpTransport, DeadlineAndSizeCapEndTheRequest)
{
    TestHttpServer server;
    // Never silent long enough for an inactivity limit, yet never done within the deadline.
    server.setReply("/trickle", CannedReply::trickle(QByteArray(60, 'x'), 100));
    const QByteArray big(2 << 20, 'x');
    server.setReply("/declared", CannedReply::ok(big));
    CannedReply streamed = CannedReply::ok(big);
    streamed.sendLength = false;
    server.setReply("/streamed", streamed);

    const HttpResult slow = HttpTransport::Get(at(server, "/trickle"), false, 600);
    EXPECT_FALSE(slow.ok);
    EXPECT_TRUE(slow.body.isEmpty());
    EXPECT_FALSE(slow.error.isEmpty());

    const HttpTransport::Limits oneMegabyte{5000, HttpTransport::kListLimit};
    for (const char* path : {"/declared", "/streamed"}) {
        const HttpResult r = HttpTransport::Post(at(server, path), "text/plain", "x", oneMegabyte);
        EXPECT_FALSE(r.ok) << path;
        EXPECT_EQ(r.status, 0) << path;
        EXPECT_TRUE(r.body.isEmpty()) << path;
    }
    // The same reply under a cap it fits is whole; a deadline of 0 is the default, not "now".
    EXPECT_EQ(HttpTransport::Get(at(server, "/streamed"), false, 0).body.size(), big.size());
}

TEST(HttpTransport, CompressedBodyOutgrowsItsDeclaredLengthWholeButNotTheCap)
{
    // The buffer is sized from Content-Length, which here counts the compressed bytes.
    QByteArray text;
    for (int i = 0; text.size() < (2 << 20); ++i)
        text += QByteArray::number(i) + ' ';
    CannedReply deflated = CannedReply::ok(qCompress(text).mid(4)); // the zlib stream alone
    deflated.headers.append(qMakePair(QByteArray("Content-Encoding"), QByteArray("deflate")));
    TestHttpServer server;
    server.setReply("/deflated", deflated);

    const HttpResult whole = HttpTransport::Get(at(server, "/deflated"), false);
    EXPECT_TRUE(whole.ok);
    EXPECT_EQ(whole.body, text);

    const HttpResult capped =
        HttpTransport::Get(at(server, "/deflated"), false, {5000, HttpTransport::kListLimit});
    EXPECT_FALSE(capped.ok);
    EXPECT_TRUE(capped.body.isEmpty());

    // A compressed reply that would grow by thousands of times is refused, with a reason.
    CannedReply bomb = CannedReply::ok(qCompress(QByteArray(64 << 20, 'a')).mid(4));
    bomb.headers.append(qMakePair(QByteArray("Content-Encoding"), QByteArray("deflate")));
    server.setReply("/bomb", bomb);
    const HttpResult refused = HttpTransport::Get(at(server, "/bomb"), false);
    EXPECT_TRUE(refused.body.isEmpty());
    EXPECT_FALSE(refused.error.trimmed().endsWith(u':')) << refused.error.toStdString();
    EXPECT_FALSE(refused.error.isEmpty());
}

TEST(HttpTransport, AnIdleManagerLetsItsThreadGoAndTheCookiesStay)
{
    TestHttpServer server;
    CannedReply login = CannedReply::ok("in");
    login.headers.append(qMakePair(QByteArray("Set-Cookie"), QByteArray("session=42; Path=/")));
    server.setReply("/login", login);
    server.setReply("/next", CannedReply::ok("again"));
    HttpTransport::SetIdleRelease(100);

    const QPointer<QNetworkAccessManager> first = &SharedNetwork();
    ASSERT_TRUE(HttpTransport::Get(at(server, "/login"), false).ok);
    EXPECT_EQ(networkThreads(), 1);
    // Not while a reply is still held: only once the last one is gone.
    EXPECT_TRUE(TestUtil::waitUntil([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return first.isNull() && networkThreads() == 0;
    }));

    ASSERT_TRUE(HttpTransport::Get(at(server, "/next"), false).ok);
    EXPECT_EQ(server.requests().last().headers.value("cookie"), QByteArray("session=42"));
    HttpTransport::SetIdleRelease(30000);
}

// The window's program opens the network when it first goes on line; where the module is not
// found, a request says so instead of failing without a reason.
TEST(HttpTransport, TheNetworkModuleIsOpenedAndItsAbsenceIsNamed)
{
    TestHttpServer server;
    server.setReply("/p", CannedReply::ok("page"));
    const auto run = [&](const QString& program) {
        QProcess probe;
        probe.start(program, {server.baseUrl() + QStringLiteral("/p")});
        probe.waitForFinished(10000);
        return QString::fromLocal8Bit(probe.readAllStandardOutput()).trimmed();
    };
    EXPECT_EQ(run(TestUtil::binPath(QStringLiteral("network_probe"))), u"ok 200");

    QTemporaryDir alone;
    const QString copy = alone.filePath(QStringLiteral("network_probe"));
    ASSERT_TRUE(QFile::copy(TestUtil::binPath(QStringLiteral("network_probe")), copy));
    const QString said = run(copy);
    EXPECT_TRUE(said.startsWith(u"error Verbalto's network part could not be loaded:"))
        << said.toStdString();
    EXPECT_TRUE(said.contains(u"verbalto-network.so is missing")) << said.toStdString();
}
