#include "SpeechPage.h"
#include "TestUtil.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace SpeechPage;

TEST(SpeechPage, EncodeForUrlKeepsAsciiAndEncodesTheRestAsUtf8)
{
    EXPECT_EQ(EncodeForUrl(QString()), u"");
    EXPECT_EQ(EncodeForUrl(QStringLiteral("a b&=?\"")), u"a b&=?\"");
    EXPECT_EQ(EncodeForUrl(QStringLiteral("é")), u"%C3%A9");
    EXPECT_EQ(EncodeForUrl(QStringLiteral("中")), u"%E4%B8%AD");
    EXPECT_EQ(EncodeForUrl(QStringLiteral("😀")), u"%F0%9F%98%80");
    EXPECT_EQ(EncodeForUrl(QStringLiteral("\u007f\u0080")), u"\u007f%C2%80");
}

TEST(SpeechPage, PageIsOneExactLine)
{
    const QByteArray page = BuildSpeechPageText(QStringLiteral("a%26b é"), QStringLiteral("fr"),
                                                QStringLiteral("http://translate.google.com"));
    EXPECT_EQ(
        page,
        QByteArray(
            "<html><head><base target='_blank' href='http://translate.google.com'></head>"
            "<body scroll=no leftmargin=0   topmargin=0   style=border-width=0;border-style:none>"
            "<object classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\" codebase=\""
            "http://download.macromedia.com/pub/shockwave/cabs/flash/swflash.cab#version=5,0,0,0"
            "\" width=\"18\" height=\"18\" id=\"input_tts_flash\"><param value=\""
            "http://www.gstatic.com/translate/sound_player2.swf\" name=\"movie\"/>"
            "<param value=\"sound_name=translate_tts%3Fq%3Da%26b %C3%A9%26tl%3Dfr"
            "&sound_name_cb=_inputTTSSoundFile\" name=\"flashvars\"/><param value=\"transparent\" "
            "name=\"wmode\"/><param value=\"always\" name=\"allowScriptAccess\"/></object>"
            "</body></html>\r\n"));
}

TEST(SpeechPage, SoundNameReadBackFromThePage)
{
    const QByteArray page = BuildSpeechPageText(
        QStringLiteral("R%26D \"中\" 100%"), QStringLiteral("zh-CN"), QStringLiteral("http://h"));
    const auto sound = ParsePage(page);
    ASSERT_TRUE(sound.has_value());
    EXPECT_EQ(sound->text, u"R&D \"中\" 100%");
    EXPECT_EQ(sound->languageCode, u"zh-CN");
    EXPECT_EQ(SoundUrl(QStringLiteral("http://h"), *sound).toString(QUrl::FullyEncoded),
              u"http://h/translate_tts?q=R%26D%20%22%E4%B8%AD%22%20100%25&tl=zh-CN");
    EXPECT_FALSE(ParsePage("<html>nothing</html>").has_value());
    EXPECT_FALSE(ParsePage(QByteArray()).has_value());
}

TEST(SpeechPage, EveryTextComesBackAsWritten)
{
    // Percent signs of the user's own, and text that spells the page's own markers. Only
    // "%26" stands for "&", as the source text is written with it.
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("50% off"), QStringLiteral("50% off")},
        {QStringLiteral("%41%7e%0A%zz%"), QStringLiteral("%41%7e%0A%zz%")},
        {QStringLiteral("a&sound_name_cb=b"), QStringLiteral("a&sound_name_cb=b")},
        {QStringLiteral("x%26tl%3Dde&sound_name_cb=_input"),
         QStringLiteral("x&tl%3Dde&sound_name_cb=_input")},
        {QStringLiteral("日本 😀 R%26D"), QStringLiteral("日本 😀 R&D")}};
    for (const auto& [written, spoken] : cases) {
        const auto sound = ParsePage(
            BuildSpeechPageText(written, QStringLiteral("fr"), QStringLiteral("http://h")));
        ASSERT_TRUE(sound.has_value()) << written.toStdString();
        EXPECT_EQ(sound->text, spoken);
        EXPECT_EQ(sound->languageCode, u"fr");
    }
}

// What the window writes, the source's page with "&" as "%26" and the translation's without,
// reads back exactly, also where the text spells escapes of its own.
TEST(SpeechPage, EscapedTextCountsEachAmpersandAsThree)
{
    EXPECT_EQ(EscapeAmpersands(QStringLiteral("a&&b")), u"a%26%26b");
    EXPECT_EQ(EscapeAmpersands(QString(34, u'&') + QString(33, u'x')).size(), 135);
    EXPECT_EQ(EscapeAmpersands(QStringLiteral("+%=?")), u"+%=?");
}

TEST(SpeechPage, EscapedForThePageEveryTextReadsBackExactly)
{
    for (const bool ampersands : {true, false}) {
        for (const QString& text :
             {QStringLiteral("caf%C3%A9"), QStringLiteral("AT%26T & co"), QStringLiteral("100%E9"),
              QStringLiteral("%25 and %2525"), QStringLiteral("café 50% off%")}) {
            const auto sound = ParsePage(BuildSpeechPageText(
                EscapeForPage(text, ampersands), QStringLiteral("fr"), QStringLiteral("http://h")));
            ASSERT_TRUE(sound.has_value());
            EXPECT_EQ(sound->text, text) << ampersands;
        }
    }
}

TEST(SpeechPage, LanguageWithoutSpeechDeletesThePage)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("soun(0).tmp"));
    EXPECT_EQ(WritePage(dir.path(), 0, QStringLiteral("hi"), QStringLiteral("en"),
                        QStringLiteral("http://h")),
              std::optional<bool>(true));
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(WritePage(dir.path(), 0, QStringLiteral("hi"), QStringLiteral("th"),
                        QStringLiteral("http://h")),
              std::optional<bool>(false));
    EXPECT_FALSE(QFile::exists(path));
    // Automatic detection never speaks.
    EXPECT_EQ(WritePage(dir.path(), 1, QStringLiteral("hi"), QString(), QStringLiteral("http://h")),
              std::optional<bool>(false));
}

TEST(SpeechPage, UnwritableFolderIsReportedAsNothing)
{
    QTemporaryDir dir;
    // A folder path that runs through a regular file cannot hold a page, even for root.
    ASSERT_TRUE(TestUtil::writeFile(dir.filePath(QStringLiteral("file")), "x"));
    EXPECT_EQ(WritePage(dir.filePath(QStringLiteral("file")), 0, QStringLiteral("hi"),
                        QStringLiteral("en"), QStringLiteral("http://h")),
              std::nullopt);
}
