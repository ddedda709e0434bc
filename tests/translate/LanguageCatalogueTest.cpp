#include "LanguageCatalogue.h"

#include <gtest/gtest.h>

using namespace LanguageCatalogue;

TEST(LanguageCatalogue, CodesAtTheEdgesAndOutside)
{
    EXPECT_EQ(LanguageCode(0), u"af");
    EXPECT_EQ(LanguageCode(9), u"zh-CN");
    EXPECT_EQ(LanguageCode(10), u"zh-TW");
    EXPECT_EQ(LanguageCode(15), u"en");
    EXPECT_EQ(LanguageCode(17), u"tl");
    EXPECT_EQ(LanguageCode(25), u"iw");
    EXPECT_EQ(LanguageCode(58), u"yi");
    EXPECT_EQ(LanguageCode(59), u"");
    EXPECT_EQ(LanguageCode(-1), u"");
    EXPECT_EQ(LanguageCode(INT_MIN), u"");
}

TEST(LanguageCatalogue, CodesAreUniqueAndFindTheirPosition)
{
    const QStringList codes = AllCodes();
    ASSERT_EQ(codes.size(), kCount);
    for (int p = 0; p < kCount; ++p)
        EXPECT_EQ(PositionOfCode(codes[p]), p) << codes[p].toStdString();
    EXPECT_EQ(PositionOfCode(QStringLiteral("zh-cn")), -1); // case matters
    EXPECT_EQ(PositionOfCode(QString()), -1);
}

TEST(LanguageCatalogue, RightToLeftSetIncludesGeorgian)
{
    int count = 0;
    for (int p = -1; p <= kCount; ++p)
        count += IsRightToLeft(p) ? 1 : 0;
    EXPECT_EQ(count, 6);
    for (const char* code : {"ar", "ka", "iw", "fa", "ur", "yi"})
        EXPECT_TRUE(IsRightToLeft(PositionOfCode(QString::fromLatin1(code)))) << code;
    EXPECT_FALSE(IsRightToLeft(PositionOfCode(QStringLiteral("en"))));
}

TEST(LanguageCatalogue, FortySpeechLanguagesAndNoneForDetection)
{
    int count = 0;
    for (const QString& code : AllCodes())
        count += HasSpeech(code) ? 1 : 0;
    EXPECT_EQ(count, 40);
    EXPECT_FALSE(HasSpeech(QString()));
    EXPECT_FALSE(HasSpeech(QStringLiteral("th")));
    EXPECT_FALSE(HasSpeech(QStringLiteral("ka")));
    EXPECT_TRUE(HasSpeech(QStringLiteral("zh-TW")));
    EXPECT_TRUE(HasSpeech(QStringLiteral("cy")));
}

TEST(LanguageCatalogue, SourceListIndexesSkipDetectAndSeparator)
{
    EXPECT_EQ(SourcePosition(0), -1);
    EXPECT_EQ(SourcePosition(1), -1);
    EXPECT_EQ(SourcePosition(2), 0);
    EXPECT_EQ(SourcePosition(17), 15);
    EXPECT_EQ(LanguageCode(SourcePosition(1)), u"");
    EXPECT_EQ(QStringView(kSeparator).size(), 13);
}
