// Choosing the interface language from the store and the locale.
#include "ModLng.h"

#include "SettingsStore.h"
#include "StringTable.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QLocale kTaiwan(QStringLiteral("zh_TW"));
const QLocale kChina(QStringLiteral("zh_CN"));
const QLocale kHongKong(QStringLiteral("zh_HK"));
const QLocale kUs(QStringLiteral("en_US"));

TEST(ChooseDefaultLanguage, TraditionalWhereItIsWrittenSimplifiedForOtherChineseElseEnglish)
{
    EXPECT_EQ(ModLng::ChooseDefaultLanguage(kTaiwan), QStringLiteral("3"));
    EXPECT_EQ(ModLng::ChooseDefaultLanguage(kHongKong), QStringLiteral("3"));
    EXPECT_EQ(ModLng::ChooseDefaultLanguage(QLocale(QStringLiteral("zh_MO"))), QStringLiteral("3"));
    EXPECT_EQ(ModLng::ChooseDefaultLanguage(QLocale(QStringLiteral("zh_Hant_US"))),
              QStringLiteral("3"));
    EXPECT_EQ(ModLng::ChooseDefaultLanguage(kChina), QStringLiteral("2"));
    EXPECT_EQ(ModLng::ChooseDefaultLanguage(QLocale(QStringLiteral("zh_SG"))), QStringLiteral("2"));
    EXPECT_EQ(ModLng::ChooseDefaultLanguage(kUs), QStringLiteral("1"));
    EXPECT_EQ(ModLng::ChooseDefaultLanguage(QLocale(QStringLiteral("bo_CN"))), QStringLiteral("1"));
    EXPECT_EQ(ModLng::ChooseDefaultLanguage(QLocale::c()), QStringLiteral("1"));
}

class LanguageIndex : public ::testing::Test
{
  protected:
    QString path() const { return dir.filePath(QStringLiteral("Verbalto.ini")); }
    QTemporaryDir dir;
};

TEST_F(LanguageIndex, FirstStartFollowsTheDesktopAndStoresNothing)
{
    const SettingsStore store(path());
    EXPECT_EQ(ModLng::ReadLanguageIndex(store, kTaiwan), QStringLiteral("3"));
    EXPECT_EQ(ModLng::ReadLanguageIndex(store, kChina), QStringLiteral("2"));
    EXPECT_EQ(ModLng::ReadLanguageIndex(store, kUs), QStringLiteral("1"));
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(LanguageIndex, EmptyValueAsksTheLocaleAndStoresNothing)
{
    SettingsStore store(path());
    ASSERT_TRUE(store.SaveSetting(SettingsStore::kLanguageKey, QString()));
    EXPECT_EQ(ModLng::ReadLanguageIndex(store, kTaiwan), QStringLiteral("3"));
    EXPECT_EQ(ModLng::ReadLanguageIndex(store, kChina), QStringLiteral("2"));
    EXPECT_EQ(ModLng::ReadLanguageIndex(store, kHongKong), QStringLiteral("3"));
    EXPECT_EQ(store.value(SettingsStore::kLanguageKey), std::optional<QString>(QString()));
}

TEST_F(LanguageIndex, StoredChoiceWinsOverLocale)
{
    SettingsStore store(path());
    for (const char* k : {"1", "2", "3"}) {
        ASSERT_TRUE(store.SaveSetting(SettingsStore::kLanguageKey, QString::fromLatin1(k)));
        EXPECT_EQ(ModLng::ReadLanguageIndex(store, kTaiwan), QString::fromLatin1(k));
    }
}

TEST_F(LanguageIndex, UnknownValueReadsAsMissingSoCaptionsExist)
{
    SettingsStore store(path());
    for (const char* k : {"0", "4", "abc", "-1"}) {
        ASSERT_TRUE(store.SaveSetting(SettingsStore::kLanguageKey, QString::fromLatin1(k)));
        const QString index = ModLng::ReadLanguageIndex(store, kTaiwan);
        EXPECT_EQ(index, QStringLiteral("2")) << k;
        EXPECT_TRUE(ModLng::Text(index, 30).has_value());
    }
}

TEST(ModLngText, LooksUpTheChosenBlock)
{
    for (const char* k : {"1", "2", "3"}) {
        const QString index = QString::fromLatin1(k);
        EXPECT_EQ(ModLng::Text(index, 101), StringTable::LoadResString(index.toInt() * 1000 + 101));
    }
    EXPECT_FALSE(ModLng::Text(QStringLiteral("1"), 97).has_value());
}

QString qtText()
{
    return QCoreApplication::translate("QFontDialog", "Select Font");
}

TEST(QtTranslations, FollowTheInterfaceLanguageBackAndForth)
{
    EXPECT_TRUE(ModLng::LoadQtTranslations(QStringLiteral("2")));
    EXPECT_EQ(qtText(), QStringLiteral("选择字体"));
    EXPECT_TRUE(ModLng::LoadQtTranslations(QStringLiteral("3")));
    EXPECT_EQ(qtText(), QStringLiteral("選擇字型"));
    EXPECT_TRUE(ModLng::LoadQtTranslations(QStringLiteral("1")));
    EXPECT_EQ(qtText(), QStringLiteral("Select Font"));
    // Without the translation files the buttons stay English rather than keep the old language.
    ASSERT_TRUE(ModLng::LoadQtTranslations(QStringLiteral("2")));
    QTemporaryDir empty;
    EXPECT_FALSE(ModLng::LoadQtTranslations(QStringLiteral("3"), empty.path()));
    EXPECT_EQ(qtText(), QStringLiteral("Select Font"));
}

} // namespace
