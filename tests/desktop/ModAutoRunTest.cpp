#include "ModAutoRun.h"
#include "TestUtil.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
// Points XDG_CONFIG_DIRS (machine-wide) and XDG_CONFIG_HOME (the user's) at fresh folders.
class AutoRun : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        saved = qgetenv("XDG_CONFIG_DIRS");
        hadValue = qEnvironmentVariableIsSet("XDG_CONFIG_DIRS");
        qputenv("XDG_CONFIG_DIRS", (dir.path() + QStringLiteral(":/etc/xdg")).toLocal8Bit());
        savedHome = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    }
    void TearDown() override
    {
        if (hadValue)
            qputenv("XDG_CONFIG_DIRS", saved);
        else
            qunsetenv("XDG_CONFIG_DIRS");
        qputenv("XDG_CONFIG_HOME", savedHome);
    }
    QString entryPath() const
    {
        return home.path() + QStringLiteral("/autostart/Korvane-T.desktop");
    }
    QString machineEntryPath() const
    {
        return dir.path() + QStringLiteral("/autostart/Korvane-T.desktop");
    }
    QString entryText() const { return QString::fromUtf8(TestUtil::readFile(entryPath())); }

    QTemporaryDir dir, home;
    QByteArray saved, savedHome;
    bool hadValue = false;
};
} // namespace

TEST_F(AutoRun, OnWritesAValidEntryAndTheCheckMarkFollowsIt)
{
    const QString program = QStringLiteral("/opt/verbalto/verbalto");
    EXPECT_FALSE(ModAutoRun::IsAutoRunChecked(program));
    EXPECT_EQ(ModAutoRun::RunRootFolder(), dir.path());

    ASSERT_TRUE(ModAutoRun::SetAutoRun(true, program));
    const QString text = entryText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("[Desktop Entry]\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nType=Application\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nExec=/opt/verbalto/verbalto mini\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nName=")));
    EXPECT_EQ(ModAutoRun::UserRootFolder(), home.path());
    EXPECT_EQ(ModAutoRun::ReadRegString(ModAutoRun::UserRootFolder(), QStringLiteral("autostart"),
                                        QStringLiteral("Korvane-T"), QStringLiteral("none")),
              u"/opt/verbalto/verbalto mini");
    EXPECT_TRUE(ModAutoRun::IsAutoRunChecked(program));
    // Moved elsewhere or spelled in another case: a different program.
    EXPECT_FALSE(ModAutoRun::IsAutoRunChecked(QStringLiteral("/opt/Verbalto/verbalto")));
}

TEST_F(AutoRun, OffDeletesOnlyThatEntry)
{
    ASSERT_TRUE(ModAutoRun::SetAutoRun(true, QStringLiteral("/usr/bin/verbalto")));
    const QString neighbour = home.path() + QStringLiteral("/autostart/other.desktop");
    ASSERT_TRUE(TestUtil::writeFile(neighbour, "[Desktop Entry]\nExec=other\n"));

    EXPECT_TRUE(ModAutoRun::SetAutoRun(false, QStringLiteral("/usr/bin/verbalto")));
    EXPECT_FALSE(QFile::exists(entryPath()));
    EXPECT_TRUE(QFile::exists(neighbour));
    EXPECT_TRUE(QDir(home.path() + QStringLiteral("/autostart")).exists());
    // Switching off what is already off is no failure.
    EXPECT_TRUE(ModAutoRun::SetAutoRun(false, QStringLiteral("/usr/bin/verbalto")));
}

TEST_F(AutoRun, PathsWithSpacesAndShellCharactersAreQuotedAndReadBackExactly)
{
    const QStringList programs{QStringLiteral("/home/ann/My Programs/verbalto"),
                               QStringLiteral("/opt/a$b/\"q\"/back\\slash/100%/verbalto"),
                               QStringLiteral("/opt/tab\there/verbalto")};
    for (const QString& program : programs) {
        ASSERT_TRUE(ModAutoRun::SetAutoRun(true, program));
        EXPECT_TRUE(ModAutoRun::IsAutoRunChecked(program)) << entryText().toStdString();
        const QString execLine =
            entryText().section(QStringLiteral("\nExec="), 1).section(QLatin1Char('\n'), 0, 0);
        EXPECT_TRUE(execLine.startsWith(QLatin1Char('"'))) << execLine.toStdString();
    }
    EXPECT_TRUE(entryText().contains(QStringLiteral("Exec=\"/opt/tab\\there/verbalto\" mini")));

    ASSERT_TRUE(ModAutoRun::SetAutoRun(true, programs.at(1)));
    // Backslashes are escaped once for the quoting and again for the key file.
    EXPECT_TRUE(entryText().contains(QStringLiteral(
        "Exec=\"/opt/a\\\\$b/\\\\\"q\\\\\"/back\\\\\\\\slash/100%%/verbalto\" mini")))
        << entryText().toStdString();
}

TEST_F(AutoRun, AForeignOrBrokenEntryShowsUnchecked)
{
    const QString program = QStringLiteral("/usr/bin/verbalto");
    ASSERT_TRUE(QDir().mkpath(home.path() + QStringLiteral("/autostart")));
    const auto readBack = [] {
        return ModAutoRun::ReadRegString(ModAutoRun::UserRootFolder(), ModAutoRun::RunSubKey(),
                                         ModAutoRun::RunValueName(), QStringLiteral("default"));
    };
    EXPECT_EQ(readBack(), u"default");

    ASSERT_TRUE(TestUtil::writeFile(entryPath(), "[Desktop Entry]\nName=x\n"));
    EXPECT_EQ(readBack(), u"default");

    // An Exec line outside the entry's own group does not count.
    ASSERT_TRUE(TestUtil::writeFile(entryPath(), "[Other]\nExec=/usr/bin/verbalto mini\n"));
    EXPECT_FALSE(ModAutoRun::IsAutoRunChecked(program));

    ASSERT_TRUE(TestUtil::writeFile(entryPath(),
                                    "[Desktop Entry]\r\nExec = \"/usr/bin/verbalto\" mini\r\n"));
    EXPECT_TRUE(ModAutoRun::IsAutoRunChecked(program));

    ASSERT_TRUE(
        TestUtil::writeFile(entryPath(), "[Desktop Entry]\nExec=\"/usr/bin/verbalto mini\n"));
    EXPECT_FALSE(ModAutoRun::IsAutoRunChecked(program));

    // A click on an unchecked item writes the current command line over a foreign one.
    const ModAutoRun::ToggleResult on = ModAutoRun::menuS0_Click(false, program);
    EXPECT_TRUE(on.checked);
    EXPECT_TRUE(on.stored);
    EXPECT_TRUE(ModAutoRun::IsAutoRunChecked(program));
    const ModAutoRun::ToggleResult off = ModAutoRun::menuS0_Click(true, program);
    EXPECT_FALSE(off.checked);
    EXPECT_TRUE(off.stored);
    EXPECT_FALSE(QFile::exists(entryPath()));
}

TEST_F(AutoRun, UnwritableFolderStoresNothingAndSaysSo)
{
    // The configuration "folder" is a regular file: nothing can be created below it.
    const QString file = dir.path() + QStringLiteral("/plain-file");
    ASSERT_TRUE(TestUtil::writeFile(file, "x"));
    qputenv("XDG_CONFIG_HOME", file.toLocal8Bit());
    const ModAutoRun::ToggleResult r =
        ModAutoRun::menuS0_Click(false, QStringLiteral("/usr/bin/verbalto"));
    EXPECT_FALSE(r.checked); // the mark follows what was achieved
    EXPECT_FALSE(r.stored);
    EXPECT_EQ(TestUtil::readFile(file), "x");
}

TEST_F(AutoRun, AnAdministratorsEntryCountsAndGoesWhereTheUserMayDeleteIt)
{
    const QString program = QStringLiteral("/usr/bin/verbalto");
    ASSERT_TRUE(QDir().mkpath(dir.path() + QStringLiteral("/autostart")));
    ASSERT_TRUE(TestUtil::writeFile(machineEntryPath(), ModAutoRun::DesktopEntryText(program)));
    EXPECT_TRUE(ModAutoRun::IsAutoRunChecked(program));
    EXPECT_FALSE(QFile::exists(entryPath()));

    const ModAutoRun::ToggleResult off = ModAutoRun::menuS0_Click(true, program);
    EXPECT_TRUE(off.stored);
    EXPECT_FALSE(off.checked);
    EXPECT_FALSE(QFile::exists(machineEntryPath()));
}

TEST_F(AutoRun, AUserWhoseMachineFolderIsReadOnlyStillSwitchesItOn)
{
    if (!TestUtil::isRoot() || QStandardPaths::findExecutable(QStringLiteral("unshare")).isEmpty())
        GTEST_SKIP() << "needs root and unshare";
    const QString program = QStringLiteral("/usr/bin/verbalto");
    // The machine folder as an ordinary user sees it: read-only.
    const auto runProbe = [&](const QString& onOff) {
        QProcess p;
        p.start(QStringLiteral("unshare"),
                {QStringLiteral("-m"), QStringLiteral("sh"), QStringLiteral("-c"),
                 QStringLiteral("mount --bind \"$1\" \"$1\" && mount -o remount,bind,ro \"$1\" && "
                                "exec \"$2\" \"$3\" \"$4\""),
                 QStringLiteral("sh"), dir.path(),
                 TestUtil::binPath(QStringLiteral("autorun_probe")), onOff, program});
        EXPECT_TRUE(p.waitForFinished(20000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        return QString::fromUtf8(p.readAllStandardOutput())
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    };
    EXPECT_EQ(runProbe(QStringLiteral("on")),
              (QStringList{QStringLiteral("stored"), QStringLiteral("checked")}));
    EXPECT_TRUE(ModAutoRun::IsAutoRunChecked(program));
    EXPECT_EQ(runProbe(QStringLiteral("off")),
              (QStringList{QStringLiteral("stored"), QStringLiteral("unchecked")}));
    EXPECT_FALSE(QFile::exists(entryPath()));

    // An administrator's entry stays where the user may not delete it, and the mark says so.
    ASSERT_TRUE(QDir().mkpath(dir.path() + QStringLiteral("/autostart")));
    ASSERT_TRUE(TestUtil::writeFile(machineEntryPath(), ModAutoRun::DesktopEntryText(program)));
    const QByteArray before = TestUtil::readFile(machineEntryPath());
    ASSERT_TRUE(ModAutoRun::SetAutoRun(true, program));
    EXPECT_EQ(runProbe(QStringLiteral("off")),
              (QStringList{QStringLiteral("failed"), QStringLiteral("checked")}));
    EXPECT_FALSE(QFile::exists(entryPath()));
    EXPECT_EQ(TestUtil::readFile(machineEntryPath()), before);
}

TEST(AutoRunPlace, FirstAbsoluteConfigFolderElseEtcXdg)
{
    const QByteArray saved = qgetenv("XDG_CONFIG_DIRS");
    qunsetenv("XDG_CONFIG_DIRS");
    EXPECT_EQ(ModAutoRun::RunRootFolder(), u"/etc/xdg");
    qputenv("XDG_CONFIG_DIRS", "");
    EXPECT_EQ(ModAutoRun::RunRootFolder(), u"/etc/xdg");
    qputenv("XDG_CONFIG_DIRS", "relative/dir::/srv/xdg:/etc/xdg");
    EXPECT_EQ(ModAutoRun::RunRootFolder(), u"/srv/xdg");
    qputenv("XDG_CONFIG_DIRS", saved);
}

TEST(AutoRunPlace, CommandLineIsTheProgramAndMini)
{
    EXPECT_EQ(ModAutoRun::AutoRunCommandLine(QStringLiteral("/a b/v")), u"/a b/v mini");
    EXPECT_TRUE(
        ModAutoRun::AutoRunCommandLine().endsWith(QStringLiteral("/desktop_core_tests mini")));
}
