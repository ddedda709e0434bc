#include "SingleInstance.h"
#include "TestUtil.h"

#include <QFile>
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
