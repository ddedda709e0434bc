#include "SingleInstance.h"
#include "TestUtil.h"

#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

TEST(SingleInstance, OneSocketPerUserAndDisplayInThePrivateFolder)
{
    const QString a =
        SingleInstance::ServerPath(QStringLiteral("/run/user/7/verbalto/"), QStringLiteral(":0"));
    EXPECT_TRUE(a.startsWith(QStringLiteral("/run/user/7/verbalto/instance-"))) << a.toStdString();
    EXPECT_TRUE(a.endsWith(QStringLiteral("-_0")));
    EXPECT_NE(a, SingleInstance::ServerPath(QStringLiteral("/run/user/7/verbalto"),
                                            QStringLiteral(":1")));
    // Nothing in a display name leads out of the folder.
    EXPECT_FALSE(SingleInstance::ServerPath(QStringLiteral("/f"), QStringLiteral("../../x/y"))
                     .mid(3)
                     .contains(u'/'));
}

TEST(SingleInstance, ASocketLeftByACrashIsTakenOver)
{
    QTemporaryDir dir;
    const QString path = SingleInstance::ServerPath(dir.path(), QStringLiteral(":9"));
    ASSERT_TRUE(TestUtil::writeFile(path, "left behind"));
    {
        SingleInstance first(path);
        EXPECT_TRUE(first.Claim(SingleInstance::Request::Show, false));
        EXPECT_TRUE(first.IsListening());
        // Only this user may hand requests over.
        struct stat socket = {};
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &socket), 0);
        EXPECT_TRUE(S_ISSOCK(socket.st_mode));
        EXPECT_EQ(socket.st_mode & 0777, 0600u);
    }
    // A Verbalto that ends takes its socket along.
    EXPECT_FALSE(QFile::exists(path));
}

// Clients that connect and say nothing, or too much, or something close to a command cost the
// running Verbalto nothing lasting: it keeps answering a real second start.
TEST(SingleInstance, IdleFloodsAndJunkNeitherStopNorFoolTheListener)
{
    QTemporaryDir dir;
    const QString path = SingleInstance::ServerPath(dir.path(), QStringLiteral(":8"));
    SingleInstance first(path);
    ASSERT_TRUE(first.Claim(SingleInstance::Request::Quiet, false));
    int shown = 0;
    QObject::connect(&first, &SingleInstance::showRequested, [&] { ++shown; });

    std::vector<std::unique_ptr<QLocalSocket>> idle;
    for (int i = 0; i < 30; ++i) {
        idle.push_back(std::make_unique<QLocalSocket>());
        idle.back()->connectToServer(path);
        idle.back()->waitForConnected(1000);
    }
    QLocalSocket padded;
    padded.connectToServer(path);
    padded.write("show" + QByteArray(59, ' ') + "x\n");
    QLocalSocket huge;
    huge.connectToServer(path);
    huge.write(QByteArray(1 << 20, 'a'));
    // Every idle one is let go within its 2 s.
    EXPECT_TRUE(TestUtil::waitUntil(
        [&] {
            return std::all_of(idle.begin(), idle.end(), [](const auto& s) {
                return s->state() == QLocalSocket::UnconnectedState;
            });
        },
        5000));
    EXPECT_TRUE(
        TestUtil::waitUntil([&] { return huge.state() == QLocalSocket::UnconnectedState; }, 5000));
    EXPECT_EQ(shown, 0);

    // A second start still hands over.
    QLocalSocket second;
    second.connectToServer(path);
    ASSERT_TRUE(second.waitForConnected(1000));
    second.write("show\n");
    EXPECT_TRUE(TestUtil::waitUntil([&] { return shown == 1; }, 3000));
    EXPECT_TRUE(first.IsListening());
}

TEST(SingleInstance, ASecondStartHandsItsActivationTokenOver)
{
    QTemporaryDir dir;
    const QString path = SingleInstance::ServerPath(dir.path(), QStringLiteral(":9"));
    SingleInstance first(path);
    ASSERT_TRUE(first.Claim(SingleInstance::Request::Show, false));
    QStringList tokens;
    QObject::connect(&first, &SingleInstance::showRequested, &first,
                     [&](const QString& token) { tokens << token; });

    qputenv("XDG_ACTIVATION_TOKEN", "weston-token-1");
    SingleInstance second(path);
    EXPECT_FALSE(second.Claim(SingleInstance::Request::Show, false));
    qunsetenv("XDG_ACTIVATION_TOKEN");
    ASSERT_TRUE(TestUtil::waitUntil([&] { return tokens.size() == 1; }));
    EXPECT_EQ(tokens.first(), u"weston-token-1");

    qunsetenv("DESKTOP_STARTUP_ID");
    SingleInstance third(path);
    EXPECT_FALSE(third.Claim(SingleInstance::Request::Show, false));
    ASSERT_TRUE(TestUtil::waitUntil([&] { return tokens.size() == 2; }));
    EXPECT_EQ(tokens.last(), u"");
}

// Texts of any shape travel intact in one line; what does not fit is refused, never cut.
TEST(SingleInstance, CommandLinesCarryAnyTextUpToTheCap)
{
    using R = SingleInstance::Request;
    const QString awkward = QStringLiteral("a b\n\r\nc\t\"'\\ %41 show\n\u00e9\u4e2d\U0001F600 ");
    const QByteArray line = SingleInstance::CommandLine(R::TranslateText, awkward, "tok-1");
    ASSERT_TRUE(line.endsWith('\n'));
    EXPECT_EQ(line.count('\n'), 1);
    const auto back = SingleInstance::ParseLine(line.chopped(1));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->request, R::TranslateText);
    EXPECT_EQ(back->text, awkward);
    EXPECT_EQ(back->token, u"tok-1");

    for (R r : {R::Show, R::TranslateSelection, R::TranslateClipboard}) {
        const auto parsed =
            SingleInstance::ParseLine(SingleInstance::CommandLine(r, {}, {}).chopped(1));
        ASSERT_TRUE(parsed);
        EXPECT_EQ(parsed->request, r);
        EXPECT_TRUE(parsed->token.isEmpty());
    }

    EXPECT_TRUE(SingleInstance::Fits(QString(3000, u'x')));
    EXPECT_FALSE(SingleInstance::Fits(QString(3100, u'x')));
    EXPECT_TRUE(SingleInstance::CommandLine(R::TranslateText, QString(3100, u'x'), {}).isEmpty());
    // A long token is left off rather than pushing the line over the cap.
    const QByteArray full =
        SingleInstance::CommandLine(R::TranslateText, QString(3000, u'x'), QByteArray(1000, 't'));
    EXPECT_LE(full.size(), 4096);
    EXPECT_EQ(SingleInstance::ParseLine(full.chopped(1))->token, u"");

    for (const QByteArray& junk :
         {QByteArray("text"), QByteArray("text !!!"), QByteArray("text YQ== a b"),
          QByteArray("selection "), QByteArray("clipboard x y"), QByteArray("quiet tok"),
          QByteArray("Selection"), QByteArray("text ").append(QByteArray(5000, 'Q'))})
        EXPECT_FALSE(SingleInstance::ParseLine(junk)) << junk.left(40).constData();
}
