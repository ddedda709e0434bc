#include "TrayTexts.h"

#include <gtest/gtest.h>

TEST(TrayTexts, GreetingCarriesTheVersionInEachLanguage)
{
    const TrayTexts::Record en = TrayTexts::Fill(QStringLiteral("1"));
    EXPECT_EQ(en.szTip, u"Verbalto is running ...");
    EXPECT_EQ(en.szInfoTitle, u"Verbalto");
    EXPECT_EQ(en.szInfo, u"Welcome to use Verbalto " VERBALTO_VERSION);

    const TrayTexts::Record zhCN = TrayTexts::Fill(QStringLiteral("2"));
    EXPECT_EQ(zhCN.szTip, QString::fromUtf8("Verbalto正在运行中..."));
    EXPECT_EQ(zhCN.szInfo, QString::fromUtf8("欢迎使用Verbalto " VERBALTO_VERSION));

    const TrayTexts::Record zhTW = TrayTexts::Fill(QStringLiteral("3"));
    EXPECT_EQ(zhTW.szTip, QString::fromUtf8("Verbalto正在運行中..."));
    EXPECT_EQ(zhTW.szInfo, QString::fromUtf8("歡迎使用Verbalto " VERBALTO_VERSION));
}

TEST(TrayTexts, UnknownLanguageGivesEmptyTextsButStillTheVersion)
{
    const TrayTexts::Record r = TrayTexts::Fill(QStringLiteral("9"));
    EXPECT_TRUE(r.szTip.isEmpty());
    EXPECT_EQ(r.szInfo, u" " VERBALTO_VERSION);
}
