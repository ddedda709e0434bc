#include "TestUtil.h"

#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {
QString runProbe(const QStringList& wrapper)
{
    QProcess p;
    QStringList args = wrapper;
    args << TestUtil::binPath(QStringLiteral("isonline_probe"));
    const QString program = args.takeFirst();
    p.start(program, args);
    if (!p.waitForFinished(20000))
        return QStringLiteral("timeout");
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}
} // namespace

TEST(IsOnline, AnswersNoWithOnlyLoopbackInANetworkNamespace)
{
    if (!TestUtil::isRoot() || QStandardPaths::findExecutable(QStringLiteral("unshare")).isEmpty())
        GTEST_SKIP() << "needs root and unshare";
    EXPECT_EQ(runProbe({QStringLiteral("unshare"), QStringLiteral("-n")}), u"offline");
}

TEST(IsOnline, AnswersYesWithAnInterfaceAndARouteOut)
{
    if (!TestUtil::isRoot() || QStandardPaths::findExecutable(QStringLiteral("unshare")).isEmpty())
        GTEST_SKIP() << "needs root and unshare";
    QProcess p;
    p.start(QStringLiteral("unshare"),
            {QStringLiteral("-n"), QStringLiteral("sh"), QStringLiteral("-c"),
             QStringLiteral("ip link add vt0 type veth peer name vt1 && ip addr add 10.99.0.1/24 dev vt0 && "
                            "ip link set vt1 up && ip link set vt0 up && "
                            "ip route add default via 10.99.0.2 && exec \"$0\""),
             TestUtil::binPath(QStringLiteral("isonline_probe"))});
    ASSERT_TRUE(p.waitForFinished(20000));
    if (p.exitCode() != 0)
        GTEST_SKIP() << "no veth interfaces here: " << p.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()).trimmed(), u"online");
}
