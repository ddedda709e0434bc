#include "CliArguments.h"
#include "CliRun.h"

#include <gtest/gtest.h>

using CliArguments::Action;
using CliArguments::Parse;

namespace {
QStringList args(std::initializer_list<const char*> list)
{
    QStringList out;
    for (const char* a : list)
        out.append(QString::fromUtf8(a));
    return out;
}
} // namespace

TEST(CliArguments, OptionsMayStandAmongTheWords)
{
    const auto r = Parse(args({"good", "-t", "fr", "morning", "-s", "en", "--hl", "de", "--json"}));
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.options.action, Action::Translate);
    EXPECT_EQ(r.options.text(), QStringLiteral("good morning"));
    EXPECT_EQ(r.options.targetCode, QStringLiteral("fr"));
    EXPECT_EQ(r.options.sourceCode, QStringLiteral("en"));
    EXPECT_EQ(r.options.hostCode, QStringLiteral("de"));
    EXPECT_TRUE(r.options.json);
    EXPECT_FALSE(r.options.inputFile.has_value());
}

TEST(CliArguments, WordsKeepTheirOwnSpacesAndAreJoinedByOne)
{
    const auto r = Parse(args({"  a", "b  ", "", "c"}));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.options.text(), QStringLiteral("  a b    c"));
}

TEST(CliArguments, DoubleDashAndLoneDashMakeWords)
{
    const auto r = Parse(args({"-t", "ja", "--", "-t", "--json", "-"}));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.options.text(), QStringLiteral("-t --json -"));
    EXPECT_FALSE(r.options.json);
    EXPECT_EQ(r.options.targetCode, QStringLiteral("ja"));
    EXPECT_EQ(Parse(args({"-", "x"})).options.text(), QStringLiteral("- x"));
}

TEST(CliArguments, LongOptionsTakeAttachedValues)
{
    const auto r = Parse(args({"--from=zh-TW", "--to=iw", "--hl=tl", "x"}));
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.options.sourceCode, QStringLiteral("zh-TW"));
    EXPECT_EQ(r.options.targetCode, QStringLiteral("iw"));
    EXPECT_EQ(r.options.hostCode, QStringLiteral("tl"));
    // The attached form belongs to long names only.
    EXPECT_FALSE(Parse(args({"-t=fr", "x"})).ok());
}

TEST(CliArguments, FilesAreTakenAsGiven)
{
    const auto r = Parse(args({"-f", "in put.txt", "-o", "-out.txt"}));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.options.inputFile, QStringLiteral("in put.txt"));
    EXPECT_EQ(r.options.resultsFile, QStringLiteral("-out.txt"));
    EXPECT_FALSE(r.options.hasText());
}

TEST(CliArguments, CodesAreTheCataloguesExactly)
{
    // An empty source is automatic detection; an empty target or host language is no code.
    EXPECT_TRUE(Parse(args({"-s", "", "x"})).ok());
    EXPECT_EQ(Parse(args({"--from=", "x"})).options.sourceCode, QString());
    EXPECT_FALSE(Parse(args({"-t", "", "x"})).ok());
    EXPECT_FALSE(Parse(args({"--hl", "", "x"})).ok());
    EXPECT_FALSE(Parse(args({"-s", "auto", "x"})).ok());
    EXPECT_FALSE(Parse(args({"-t", "he", "x"})).ok()); // Hebrew is "iw" to the service

    const auto wrongCase = Parse(args({"-t", "zh-cn", "x"}));
    ASSERT_FALSE(wrongCase.ok());
    EXPECT_TRUE(wrongCase.error.contains(QStringLiteral("\"zh-cn\"")));
    EXPECT_TRUE(wrongCase.error.contains(QStringLiteral("did you mean \"zh-CN\"")));
    // The message lists every valid code.
    EXPECT_TRUE(wrongCase.error.contains(QStringLiteral("af sq ar")));
    EXPECT_TRUE(wrongCase.error.contains(QStringLiteral("cy yi")));
}

TEST(CliArguments, MistakesAreReported)
{
    EXPECT_TRUE(Parse(args({"x", "-t"})).error.contains(QStringLiteral("-t needs a value")));
    EXPECT_TRUE(Parse(args({"-f", ""})).error.contains(QStringLiteral("file name")));
    EXPECT_TRUE(Parse(args({"--colour"})).error.contains(QStringLiteral("\"--colour\"")));
    EXPECT_TRUE(Parse(args({"-5", "degrees"})).error.contains(QStringLiteral("\"--\"")));
    EXPECT_FALSE(Parse(args({"-f", "a.txt", "word"})).ok());
    EXPECT_FALSE(Parse(args({"word", "-f", "a.txt"})).ok());
    // A value that looks like an option is still the value.
    EXPECT_EQ(Parse(args({"-o", "--json", "x"})).options.resultsFile, QStringLiteral("--json"));
}

TEST(CliArguments, InformationOptionsWinOverWhatFollows)
{
    EXPECT_EQ(Parse(args({"--help", "-t", "xx"})).options.action, Action::Help);
    EXPECT_EQ(Parse(args({"-h"})).options.action, Action::Help);
    EXPECT_EQ(Parse(args({"-t", "fr", "--version"})).options.action, Action::Version);
    EXPECT_EQ(Parse(args({"--list-languages", "--bogus"})).options.action, Action::ListLanguages);
    EXPECT_FALSE(Parse(args({"--bogus", "--help"})).ok());
}

TEST(CliArguments, TextsForPeople)
{
    EXPECT_EQ(CliArguments::VersionText(), QStringLiteral("verbalto-cli " VERBALTO_VERSION));
    const QString help = CliArguments::HelpText();
    EXPECT_TRUE(help.startsWith(CliArguments::UsageLine() + u'\n'));
    EXPECT_TRUE(help.endsWith(u'\n'));
    for (const char* option : {"--from", "--to", "--hl", "-f FILE", "-o RESULTS_FILE", "--json",
                               "--list-languages", "--version", "VERBALTO_TRANSLATE_URL"})
        EXPECT_TRUE(help.contains(QLatin1String(option))) << option;
    EXPECT_FALSE(help.contains(QStringLiteral("VERBALTO_TIMEOUT_MS")));

    const QStringList lines = CliArguments::LanguageListText().split(u'\n');
    ASSERT_EQ(lines.size(), 60); // 59 lines and the end of the last
    EXPECT_EQ(lines.at(0), QStringLiteral("af\tAfrikaans"));
    EXPECT_EQ(lines.at(9), QStringLiteral("zh-CN\tChinese (Simplified)"));
    EXPECT_EQ(lines.at(25), QStringLiteral("iw\tHebrew"));
    EXPECT_EQ(lines.at(58), QStringLiteral("yi\tYiddish"));
    EXPECT_TRUE(lines.at(59).isEmpty());
}

TEST(CliRun, TimeoutComesFromAPositiveNumberOnly)
{
    EXPECT_EQ(CliRun::TimeoutFromText(QStringLiteral("250")), 250);
    EXPECT_EQ(CliRun::TimeoutFromText(QStringLiteral(" 40 ")), 40);
    for (const char* bad : {"", "0", "-5", "abc", "1.5", "99999999999"})
        EXPECT_EQ(CliRun::TimeoutFromText(QString::fromLatin1(bad)), 30000) << bad;
}
