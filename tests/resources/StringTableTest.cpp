#include "StringTable.h"

#include <gtest/gtest.h>

using StringTable::LoadResString;

TEST(StringTable, EveryTextExistsInAllThreeLanguages)
{
    for (int lang = 1; lang <= 3; ++lang) {
        for (int n = 1; n <= 117; ++n) {
            const int id = lang * 1000 + n;
            if (n == 97 || n == 98)
                EXPECT_FALSE(LoadResString(id).has_value()) << id;
            else
                EXPECT_TRUE(LoadResString(id).has_value() && !LoadResString(id)->isEmpty()) << id;
        }
    }
}

TEST(StringTable, MissingIdentifiersAreReportedAsMissing)
{
    EXPECT_FALSE(LoadResString(0).has_value());
    EXPECT_FALSE(LoadResString(1000).has_value());
    EXPECT_FALSE(LoadResString(1118).has_value());
    EXPECT_FALSE(LoadResString(4001).has_value());
    EXPECT_FALSE(LoadResString(-1001).has_value());
}

TEST(StringTable, TextsKeepTheirExactCharacters)
{
    EXPECT_EQ(*LoadResString(1016), u"Google Translate Home "); // trailing blank kept
    EXPECT_EQ(*LoadResString(3001), u"文件(&F) ");
    EXPECT_EQ(*LoadResString(2001), u"文件(&F)");
    EXPECT_EQ(*LoadResString(1035), u"Automatic Cahing 3 Translation");
    EXPECT_EQ(*LoadResString(1099), u"Detect language");
    EXPECT_EQ(*LoadResString(2099), u"自动检测语言");
    EXPECT_EQ(*LoadResString(1038), u"Afrikaans");
    EXPECT_EQ(*LoadResString(1096), u"Yiddish");
    EXPECT_EQ(*LoadResString(3047), u"中文(簡體)");
    EXPECT_EQ(*LoadResString(2117), u"保存失败！");
    EXPECT_EQ(*LoadResString(1017), u"Verbalto");
}

TEST(StringTable, IdentifierFromLanguageIndex)
{
    EXPECT_EQ(StringTable::TextId(QStringLiteral("1"), 102), 1102);
    EXPECT_EQ(StringTable::TextId(QStringLiteral("3"), 5), 3005);
}
