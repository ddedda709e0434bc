#include "SingleInstance.h"
#include "TestUtil.h"

#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
    SingleInstance first(path);
    EXPECT_TRUE(first.Claim(SingleInstance::Request::Show, false));
    EXPECT_TRUE(first.IsListening());
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
