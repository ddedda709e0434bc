#include "Module1.h"
#include "TestUtil.h"
#include "UpdaterFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Module1;

TEST(StartUp, OnlyTheExactArgumentsCount)
{
    const QString exe = QStringLiteral("/opt/verbalto/verbalto");
    EXPECT_EQ(ParseCommandLine({exe}), StartMode::Normal);
    EXPECT_EQ(ParseCommandLine({exe, QStringLiteral("mini")}), StartMode::Mini);
    EXPECT_EQ(ParseCommandLine({exe, QStringLiteral("UP")}), StartMode::Up);
    EXPECT_EQ(ParseCommandLine({exe, QStringLiteral("MINI")}), StartMode::Normal);
    EXPECT_EQ(ParseCommandLine({exe, QStringLiteral("-mini")}), StartMode::Normal);
    EXPECT_EQ(ParseCommandLine({exe, QStringLiteral("up")}), StartMode::Normal);
    EXPECT_EQ(ParseCommandLine({exe, QStringLiteral("mini"), QStringLiteral("x")}),
              StartMode::Normal);
}

TEST(StartUp, CommandsForTheRunningVerbalto)
{
    const QString exe = QStringLiteral("/opt/verbalto/verbalto");
    EXPECT_EQ(ParseCommandLine({exe, QStringLiteral("--show")}), StartMode::Show);
    EXPECT_EQ(ParseCommandLine({exe, QStringLiteral("--translate-selection")}),
              StartMode::TranslateSelection);
    EXPECT_EQ(ParseCommandLine({exe, QStringLiteral("--translate-clipboard")}),
              StartMode::TranslateClipboard);
    EXPECT_EQ(ParseCommandLine({exe, QStringLiteral("--translate")}), StartMode::Normal);
    EXPECT_EQ(ParseCommandLine({exe, QStringLiteral("--show"), QStringLiteral("x")}),
              StartMode::Normal);
    const QStringList args = {exe, QStringLiteral("--translate"), QStringLiteral("a  b"),
                              QStringLiteral("c")};
    EXPECT_EQ(ParseCommandLine(args), StartMode::TranslateText);
    EXPECT_EQ(TextToTranslate(args), u"a  b c");
    EXPECT_EQ(TextToTranslate({exe, QStringLiteral("--show")}), u"");
}

TEST(StartUp, LeftoverUpdaterSurvivesOnlyAnUpStart)
{
    QTemporaryDir dir;
    const QString updater = dir.filePath(QStringLiteral("patchwell"));
    ASSERT_TRUE(UpdaterFile::WriteUpdater(updater));
    RemoveLeftoverUpdater(dir.path(), StartMode::Up);
    EXPECT_TRUE(QFile::exists(updater));
    RemoveLeftoverUpdater(dir.path() + u'/', StartMode::Normal);
    EXPECT_FALSE(QFile::exists(updater));
    RemoveLeftoverUpdater(dir.path(), StartMode::Mini); // nothing there: fine
}

TEST(StartUp, AnInstalledUpdaterBesideTheProgramStays)
{
    QTemporaryDir dir;
    const QString installed = dir.filePath(QStringLiteral("patchwell"));
    ASSERT_TRUE(TestUtil::writeFile(
        installed, TestUtil::readFile(TestUtil::binPath(QStringLiteral("patchwell")))));
    RemoveLeftoverUpdater(dir.path(), StartMode::Normal);
    EXPECT_TRUE(QFile::exists(installed));
}
