#include "Downloader.h"
#include "TestHttpServer.h"
#include "TestUtil.h"

#include <QDir>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Records every event of a Downloader as one line, in order.
class DownloaderTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        QObject::connect(&down, &Downloader::DownProgress, &down,
                         [this](qint64 cur, qint64 max, const QString& file) {
                             events << u"progress %1/%2 %3"_qs.arg(cur).arg(max).arg(name(file));
                         });
        QObject::connect(&down, &Downloader::DownError, &down,
                         [this](const QString& file) { events << u"error "_qs + name(file); });
        QObject::connect(&down, &Downloader::DownComplete, &down,
                         [this](qint64 max, const QString& file) {
                             events << u"complete %1 %2"_qs.arg(max).arg(name(file));
                         });
        QObject::connect(&down, &Downloader::DownAllComplete, &down,
                         [this](const QStringList& notDown) {
                             QStringList names;
                             for (const QString& f : notDown)
                                 names << name(f);
                             events << u"all ["_qs + names.join(u',') + u']';
                         });
        QObject::connect(&down, &Downloader::BeginDownError, &down,
                         [this](int number, const QString&, const QString& file) {
                             events << u"cannot start %1 %2"_qs.arg(number).arg(name(file));
                         });
    }

    QString path(const char* file) const { return dir.filePath(QString::fromLatin1(file)); }
    QString name(const QString& file) const { return file.mid(dir.path().size() + 1); }
    QString url(const char* p) const { return server.baseUrl() + QString::fromLatin1(p); }
    bool waitForAll() const
    {
        return TestUtil::waitUntil(
            [this] { return !events.isEmpty() && events.last().startsWith(u"all"); });
    }
    // Only the events that report an end, without the progress in between.
    QStringList endings() const
    {
        QStringList out;
        for (const QString& e : events) {
            if (!e.startsWith(u"progress"))
                out << e;
        }
        return out;
    }

    QTemporaryDir dir;
    TestHttpServer server;
    Downloader down;
    QStringList events;
};

} // namespace

TEST_F(DownloaderTest, ProgressWithoutATotalRaisesNothing)
{
    down.AsyncReadProgress(path("a"), 10, 0, Downloader::kReceiving);
    EXPECT_TRUE(events.isEmpty());
    down.AsyncReadProgress(path("a"), 10, 40, Downloader::kReceiving);
    EXPECT_EQ(events, QStringList{u"progress 10/40 a"_qs});
}

TEST_F(DownloaderTest, OneSuccessWritesTheFileThenCompletesTheBatch)
{
    // The notifications are driven by hand; the real read is cancelled when the batch ends.
    down.BeginDown(url("/never"), path("a"));
    down.AsyncReadProgress(path("a"), 2, 4, 5);
    down.AsyncReadComplete(path("a"), Downloader::kAllDataReceived, "data");
    EXPECT_EQ(events, (QStringList{u"progress 2/4 a"_qs, u"complete 4 a"_qs, u"all []"_qs}));
    EXPECT_EQ(TestUtil::readFile(path("a")), "data");
    EXPECT_EQ(down.FileList(), QStringList{QString()});
    EXPECT_EQ(down.FileState().size(), 1);
}

TEST_F(DownloaderTest, TwoDownloadsCompleteTheBatchOnlyWhenBothEnded)
{
    for (const bool firstEndsFirst : {true, false}) {
        events.clear();
        QFile::remove(path("one"));
        QFile::remove(path("two"));
        down.BeginDown(url("/x"), path("one"));
        down.BeginDown(url("/y"), path("two"));
        ASSERT_EQ(down.FileList().size(), 3);
        EXPECT_EQ(down.FileState()[1], Downloader::kStarted);
        const QString first = path(firstEndsFirst ? "one" : "two");
        const QString second = path(firstEndsFirst ? "two" : "one");
        down.AsyncReadComplete(first, Downloader::kAllDataReceived, "1");
        EXPECT_EQ(events.size(), 1);
        // An intermediate status ends nothing.
        down.AsyncReadComplete(second, 3, {});
        EXPECT_EQ(events.size(), 1);
        down.AsyncReadComplete(second, Downloader::kEndedWithError, {});
        EXPECT_EQ(endings(),
                  (QStringList{u"complete 1 "_qs + name(first), u"error "_qs + name(second),
                               u"all [,"_qs + name(second) + u']'}));
        EXPECT_FALSE(QFile::exists(second));
    }
}

TEST_F(DownloaderTest, ACompletionAfterCancelStillWritesAndEndsAnEmptyBatch)
{
    down.BeginDown(url("/x"), path("a"));
    EXPECT_TRUE(down.CancelAllDown());
    EXPECT_TRUE(events.isEmpty());
    down.AsyncReadComplete(path("a"), Downloader::kAllDataReceived, "late");
    EXPECT_EQ(events, (QStringList{u"complete 4 a"_qs, u"all []"_qs}));
    EXPECT_EQ(TestUtil::readFile(path("a")), "late");
}

TEST_F(DownloaderTest, ALongerExistingFileEndsUpHoldingExactlyTheNewData)
{
    ASSERT_TRUE(TestUtil::writeFile(path("a"), QByteArray(10000, 'o')));
    server.setReply("/new", CannedReply::ok("new bytes", "application/octet-stream"));
    down.BeginDown(url("/new"), path("a"));
    ASSERT_TRUE(waitForAll());
    EXPECT_EQ(TestUtil::readFile(path("a")), "new bytes");
}

TEST_F(DownloaderTest, DownloadsFromAServerWithProgressInOrder)
{
    QByteArray big(300000, '\0');
    for (int i = 0; i < big.size(); ++i)
        big[i] = char(i * 7);
    server.setReply("/big", CannedReply::ok(big, "application/octet-stream"));
    down.BeginDown(url("/big"), path("big"));
    ASSERT_TRUE(waitForAll());
    EXPECT_EQ(TestUtil::readFile(path("big")), big);
    ASSERT_GE(events.size(), 3);
    EXPECT_EQ(events.mid(events.size() - 2),
              (QStringList{u"complete 300000 big"_qs, u"all []"_qs}));
    qint64 last = 0;
    for (const QString& e : events.first(events.size() - 2)) {
        ASSERT_TRUE(e.startsWith(u"progress ")) << e.toStdString();
        const qint64 cur = e.section(u' ', 1, 1).section(u'/', 0, 0).toLongLong();
        EXPECT_EQ(e.section(u'/', 1).section(u' ', 0, 0), u"300000");
        EXPECT_GE(cur, last);
        last = cur;
    }
    EXPECT_EQ(last, 300000);
}

TEST_F(DownloaderTest, ServerFailuresEndWithAnError)
{
    server.setReply("/gone", CannedReply::withStatus(404, "not here"));
    server.setReply("/closed", CannedReply::closeConnection());
    server.setReply("/hang", CannedReply::hang());
    ASSERT_TRUE(TestUtil::writeFile(path("closed"), "old"));
    down.BeginDown(url("/gone"), path("gone"));
    down.BeginDown(url("/closed"), path("closed"));
    down.BeginDown(url("/hang"), path("hang"), {{u"TransferTimeout"_qs, 300}});
    down.BeginDown(u"http://127.0.0.1:1/x"_qs, path("refused"));
    ASSERT_TRUE(waitForAll());
    QStringList ends = endings();
    const QString all = ends.takeLast();
    ends.sort();
    EXPECT_EQ(ends, (QStringList{u"error closed"_qs, u"error gone"_qs, u"error hang"_qs,
                                 u"error refused"_qs}));
    for (const char* f : {"gone", "closed", "hang", "refused"})
        EXPECT_TRUE(all.contains(QString::fromLatin1(f))) << f;
    EXPECT_FALSE(QFile::exists(path("gone")));
    EXPECT_EQ(TestUtil::readFile(path("closed")), "old");
}

TEST_F(DownloaderTest, CancelStopsRunningReadsWithoutEvents)
{
    server.setReply("/hang", CannedReply::hang());
    down.BeginDown(url("/hang"), path("h"));
    ASSERT_TRUE(server.waitForRequests(1));
    EXPECT_TRUE(down.CancelAllDown());
    TestUtil::waitUntil([] { return false; }, 200);
    EXPECT_TRUE(events.isEmpty());
    EXPECT_FALSE(QFile::exists(path("h")));
}

TEST_F(DownloaderTest, AFailedReportDuringProgressEndsTheRead)
{
    down.BeginDown(url("/x"), path("a"));
    down.AsyncReadProgress(path("a"), 1, 0, Downloader::kEndedWithError);
    ASSERT_TRUE(waitForAll());
    EXPECT_EQ(events, (QStringList{u"error a"_qs, u"all [,a]"_qs}));
}

TEST_F(DownloaderTest, AnUnreadableAddressStartsNothing)
{
    for (const char* bad : {"", "relative/path", "ftp://127.0.0.1/x", "http://"})
        down.BeginDown(QString::fromLatin1(bad), path("a"));
    EXPECT_EQ(events.size(), 4);
    EXPECT_EQ(events.first(), u"cannot start 5 a");
    EXPECT_EQ(down.FileList().size(), 1);
}

TEST_F(DownloaderTest, AFileThatCannotBeWrittenIsAnErrorNotACompletion)
{
    ASSERT_TRUE(TestUtil::writeFile(path("file"), "x"));
    const QString target = path("file") + u"/inner";
    down.BeginDown(url("/x"), target);
    down.AsyncReadComplete(target, Downloader::kAllDataReceived, "data");
    EXPECT_EQ(events, (QStringList{u"error file/inner"_qs, u"all [,file/inner]"_qs}));
}

TEST_F(DownloaderTest, ADownloadDeliveredInManySmallPiecesIsWrittenWhole)
{
    QByteArray body(300 * 1021, '\0');
    for (int i = 0; i < body.size(); ++i)
        body[i] = char(i * 13 + i / 1021);
    // A server that sends the file a piece at a time, each in its own write.
    QTcpServer tcp;
    ASSERT_TRUE(tcp.listen(QHostAddress::LocalHost));
    QObject::connect(&tcp, &QTcpServer::newConnection, &tcp, [&tcp, &body] {
        QTcpSocket* socket = tcp.nextPendingConnection();
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                      "Connection: close\r\nContent-Length: " +
                      QByteArray::number(body.size()) + "\r\n\r\n");
        auto* pace = new QTimer(socket);
        QObject::connect(pace, &QTimer::timeout, socket, [socket, pace, &body] {
            const qsizetype sent = pace->property("sent").toLongLong();
            socket->write(body.mid(sent, 1021));
            socket->flush();
            pace->setProperty("sent", sent + 1021);
            if (sent + 1021 >= body.size()) {
                pace->stop();
                socket->disconnectFromHost();
            }
        });
        pace->start(1);
    });
    down.BeginDown(u"http://127.0.0.1:%1/file"_qs.arg(tcp.serverPort()), path("pieces"));
    ASSERT_TRUE(TestUtil::waitUntil(
        [this] { return !events.isEmpty() && events.last().startsWith(u"all"); }, 20000));
    EXPECT_EQ(endings(), (QStringList{u"complete %1 pieces"_qs.arg(body.size()), u"all []"_qs}));
    EXPECT_EQ(TestUtil::readFile(path("pieces")), body);
    EXPECT_EQ(events.at(events.size() - 3), u"progress %1/%1 pieces"_qs.arg(body.size()));
    // Nothing is left beside the target.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{u"pieces"_qs});
}
