// The settings file: missing versus empty values, exact INI text, failures reported.
#include "SettingsStore.h"

#include "TestUtil.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class SettingsStoreTest : public ::testing::Test
{
  protected:
    QString iniPath() const { return dir.filePath(QStringLiteral("Verbalto/Verbalto.ini")); }
    QTemporaryDir dir;
};

TEST_F(SettingsStoreTest, FreshFileReadsDefaultsAndWritesNothing)
{
    const SettingsStore store(iniPath());
    EXPECT_FALSE(store.value(SettingsStore::kOptionsKey).has_value());
    EXPECT_EQ(store.ReadOptions(), QStringLiteral("0|15|1|1|15|1|1"));
    EXPECT_EQ(store.ReadOptionsRecord(), OptionsRecord());
    EXPECT_EQ(store.GetSetting(SettingsStore::kFontKey, QStringLiteral("x")), QStringLiteral("x"));
    EXPECT_FALSE(QFile::exists(iniPath()));
}

TEST_F(SettingsStoreTest, DefaultPathFollowsXdgConfigHome)
{
    const QByteArray old = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    const QString path = SettingsStore::DefaultPath();
    qputenv("XDG_CONFIG_HOME", old);
    EXPECT_EQ(path, dir.path() + QStringLiteral("/Verbalto/Verbalto.ini"));
}

TEST_F(SettingsStoreTest, WritesKeysUnderSetupGroup)
{
    SettingsStore store(iniPath());
    ASSERT_TRUE(store.WriteOptions(0, 15, 1, 1, 15, 1, 1));
    ASSERT_TRUE(store.SaveSetting(SettingsStore::kLanguageKey, QStringLiteral("3")));
    const QString ini = QString::fromUtf8(TestUtil::readFile(iniPath()));
    EXPECT_TRUE(ini.contains(QStringLiteral("[Setup]"))) << ini.toStdString();
    EXPECT_TRUE(ini.contains(QStringLiteral("Options=0|15|1|1|15|1|1"))) << ini.toStdString();
    EXPECT_TRUE(ini.contains(QStringLiteral("Language=3"))) << ini.toStdString();
}

TEST_F(SettingsStoreTest, WriteOptionsKeepsSignsAndOrder)
{
    SettingsStore store(iniPath());
    ASSERT_TRUE(store.WriteOptions(60, 0, -1, 0, 58, 0, -1));
    EXPECT_EQ(store.ReadOptions(), QStringLiteral("60|0|-1|0|58|0|-1"));
    ASSERT_TRUE(store.WriteOptions(2, 9, 0, 1, 10, 1, 0));
    EXPECT_EQ(store.ReadOptions(), QStringLiteral("2|9|0|1|10|1|0"));
}

TEST_F(SettingsStoreTest, EmptyValueIsNotMissing)
{
    SettingsStore store(iniPath());
    ASSERT_TRUE(store.SaveSetting(SettingsStore::kLanguageKey, QString()));
    ASSERT_TRUE(store.value(SettingsStore::kLanguageKey).has_value());
    EXPECT_EQ(*store.value(SettingsStore::kLanguageKey), QString());
}

TEST_F(SettingsStoreTest, AwkwardTextSurvivesTheFile)
{
    SettingsStore store(iniPath());
    const QStringList values = {QStringLiteral("Foo, Bar|400|False|12|0|False|False|0"),
                                QStringLiteral("宋体|400|False|9|134|False|False|0"),
                                QStringLiteral(" leading and trailing "),
                                QStringLiteral("semi;colon=equals\"quote\\back"),
                                QStringLiteral("@Vertical|400|False|12|0|False|False|0"),
                                QStringLiteral("tab\tline\nbreak\x01"
                                               "abc\\"),
                                QStringLiteral("")};
    for (const QString& value : values) {
        ASSERT_TRUE(store.SaveSetting(SettingsStore::kFontKey, value));
        EXPECT_EQ(SettingsStore(iniPath()).GetSetting(SettingsStore::kFontKey, {}), value);
    }
}

TEST_F(SettingsStoreTest, HandEditedListValueReadsAsItsText)
{
    QDir().mkpath(dir.filePath(QStringLiteral("Verbalto")));
    ASSERT_TRUE(TestUtil::writeFile(iniPath(), "[Setup]\nOptions=1,2,3\nLanguage=1\n"));
    const SettingsStore store(iniPath());
    EXPECT_EQ(store.ReadOptions(), QStringLiteral("1,2,3"));
    EXPECT_EQ(store.ReadOptionsRecord(), OptionsRecord());
    EXPECT_EQ(store.GetSetting(SettingsStore::kLanguageKey, {}), QStringLiteral("1"));
}

TEST_F(SettingsStoreTest, OtherKeysSurviveAWrite)
{
    QDir().mkpath(dir.filePath(QStringLiteral("Verbalto")));
    ASSERT_TRUE(TestUtil::writeFile(iniPath(), "[Setup]\nLanguage=3\nFont=Arial|700|True|10.5|0|"
                                               "False|False|0\n[Other]\nKeep=me\n"));
    SettingsStore store(iniPath());
    ASSERT_TRUE(store.WriteOptions(OptionsRecord()));
    EXPECT_EQ(store.GetSetting(SettingsStore::kLanguageKey, {}), QStringLiteral("3"));
    EXPECT_EQ(store.GetSetting(SettingsStore::kFontKey, {}),
              QStringLiteral("Arial|700|True|10.5|0|False|False|0"));
    EXPECT_TRUE(TestUtil::readFile(iniPath()).contains("Keep=me"));
}

TEST_F(SettingsStoreTest, RewritesOfTheSameSizeAreReadBack)
{
    // Qt's parsed copy of the file is refreshed only when its size or time differs.
    SettingsStore store(iniPath());
    for (int i = 0; i < 40; ++i) {
        const QString options = QStringLiteral("1|1|1|1|1|1|%1").arg(i % 2);
        ASSERT_TRUE(store.SaveSetting(SettingsStore::kOptionsKey, options));
        ASSERT_EQ(SettingsStore(iniPath()).ReadOptions(), options) << i;
    }
}

TEST_F(SettingsStoreTest, AFullDiskKeepsTheOldFile)
{
    if (!TestUtil::canFillDisk())
        GTEST_SKIP() << "needs root and unshare";
    SettingsStore store(iniPath());
    ASSERT_TRUE(store.SaveSetting(QStringLiteral("Pad"), QString(6000, QLatin1Char('x'))));
    ASSERT_TRUE(store.WriteService({QStringLiteral("deepl"), {}, QStringLiteral("k"), 0}));
    const QByteArray before = TestUtil::readFile(iniPath());
    // No room, or one free page: room for a lock or a short file, not for the new copy. A failed
    // save must not read back as saved either (exit 3), and says the disk is full.
    for (const int free : {0, 4096}) {
        QByteArray printed;
        EXPECT_EQ(TestUtil::runOnFullDisk(
                      dir.path(), TestUtil::binPath(QStringLiteral("settings_probe")),
                      {iniPath(), SettingsStore::kOptionsKey, QStringLiteral("9")}, free, &printed),
                  1);
        EXPECT_TRUE(printed.endsWith("\ndisk full\n")) << free << ": " << printed.toStdString();
    }
    EXPECT_EQ(TestUtil::readFile(iniPath()), before);
    const QFile::Permissions ownerGroupOthers(0x7077);
    EXPECT_EQ(QFile::permissions(iniPath()) & ownerGroupOthers,
              QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("Verbalto")))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("Verbalto.ini")});
}

TEST_F(SettingsStoreTest, TwoStoresOnOneFileAgree)
{
    SettingsStore first(iniPath());
    const SettingsStore second(iniPath());
    ASSERT_TRUE(first.WriteOptions(3, 4, 0, 0, 5, 0, 0));
    EXPECT_EQ(second.ReadOptions(), QStringLiteral("3|4|0|0|5|0|0"));
}

TEST_F(SettingsStoreTest, UnwritableFileIsReported)
{
    // A regular file where the folder should be: no folder can be made there.
    ASSERT_TRUE(TestUtil::writeFile(dir.filePath(QStringLiteral("Verbalto")), "not a folder"));
    SettingsStore store(iniPath());
    EXPECT_EQ(store.WriteOptions(OptionsRecord()), FileSave::SaveResult::Failed);
    EXPECT_FALSE(store.SaveSetting(SettingsStore::kLanguageKey, QStringLiteral("1")));
}

TEST_F(SettingsStoreTest, ReadOnlyFileKeepsItsValuesAndReportsFailure)
{
    if (!TestUtil::isRoot() || QStandardPaths::findExecutable(QStringLiteral("unshare")).isEmpty())
        GTEST_SKIP() << "needs root and unshare";
    SettingsStore store(iniPath());
    ASSERT_TRUE(store.WriteOptions(3, 4, 0, 0, 5, 0, 0));
    const QByteArray before = TestUtil::readFile(iniPath());

    QProcess p;
    p.start(QStringLiteral("unshare"),
            {QStringLiteral("-m"), QStringLiteral("sh"), QStringLiteral("-c"),
             QStringLiteral("mount --bind \"$1\" \"$1\" && mount -o remount,bind,ro \"$1\" && "
                            "exec \"$2\" \"$3\" Options '9|9|9|9|9|9|9'"),
             QStringLiteral("sh"), dir.path(), TestUtil::binPath(QStringLiteral("settings_probe")),
             iniPath()});
    ASSERT_TRUE(p.waitForFinished(20000));
    ASSERT_EQ(p.exitCode(), 1) << p.readAllStandardError().toStdString();
    const QStringList lines =
        QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.first(), QStringLiteral("failed"));
    EXPECT_EQ(lines.last(), QStringLiteral("read-only"));
    EXPECT_EQ(TestUtil::readFile(iniPath()), before);
    EXPECT_EQ(store.ReadOptions(), QStringLiteral("3|4|0|0|5|0|0"));
}

} // namespace

TEST_F(SettingsStoreTest, ServiceFallsBackToTheWebApiAndAStoredKeyIsPrivate)
{
    SettingsStore store(iniPath());
    EXPECT_EQ(store.ReadService().name, u"google-web");
    EXPECT_TRUE(store.ReadService().fallback);
    const QString otherPath = dir.filePath(QStringLiteral("other.ini"));
    TestUtil::writeFile(otherPath, "[Service]\nName=page\nFallback=false\n");
    EXPECT_EQ(SettingsStore(otherPath).ReadService().name, u"page");
    EXPECT_FALSE(SettingsStore(otherPath).ReadService().fallback);
    // The voice on this computer is chosen only when asked for, and kept when written.
    EXPECT_FALSE(SettingsStore(otherPath).ReadService().localVoice);
    ServiceSettings local;
    local.name = QStringLiteral("apertium");
    local.localVoice = true;
    ASSERT_TRUE(SettingsStore(otherPath).WriteService(local));
    EXPECT_TRUE(SettingsStore(otherPath).ReadService().localVoice);
    TestUtil::writeFile(iniPath(), "[Service]\nName=babel\nUrl=http://x\nKey=k\n");
    const ServiceSettings unknown = store.ReadService();
    EXPECT_EQ(unknown.name, u"google-web");
    EXPECT_TRUE(unknown.url.isEmpty() && unknown.key.isEmpty());

    QFile::setPermissions(iniPath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    ASSERT_TRUE(store.WriteService({QStringLiteral("deepl"), {}, QStringLiteral("secret:fx"), 0}));
    EXPECT_EQ(store.ReadService().key, u"secret:fx");
    EXPECT_EQ(store.ReadService().name, u"deepl");
    // Later writes of other settings keep the file private.
    ASSERT_TRUE(store.SaveSetting(SettingsStore::kLanguageKey, QStringLiteral("2")));
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    EXPECT_FALSE(QFile::permissions(iniPath()) & others);
    EXPECT_TRUE(QFile::permissions(iniPath()) & QFile::ReadOwner);
}

// Hand-edited files that text editing got wrong: after a save every value reads back, the new
// one and all that were there.
TEST_F(SettingsStoreTest, HandEditedFilesReadBackEveryValueAfterASave)
{
    QDir().mkpath(dir.filePath(QStringLiteral("Verbalto")));
    const QByteArray files[] = {
        "[Setup]\r\nFont=Arial|400|\\\r\nFalse\r\nOptions=1|1|1|1|1|1|1\r\n",
        "[Setup]\nLanguage=\"3\nOptions=1|1|1|1|1|1|1\n",
        "\xEF\xBB\xBF[Setup]\nLanguage=3\nOptions=1|1|1|1|1|1|1\n",
        "[Setup]\rLanguage=3\rOptions=1|1|1|1|1|1|1\r[Service]\rName=deepl\r",
        "# a \" in a comment\n[Setup]\nLanguage=3\nOptions=1|1|1|1|1|1|1\n",
        "[Setup]\nLanguage=3\n[Other]\nkey%20with%2Fslash=1\nOptions=1|1|1|1|1|1|1\n",
    };
    for (const QByteArray& file : files) {
        ASSERT_TRUE(TestUtil::writeFile(iniPath(), file));
        QSettings before(iniPath(), QSettings::IniFormat);
        QHash<QString, QVariant> values;
        for (const QString& key : before.allKeys())
            values.insert(key, before.value(key));
        SettingsStore store(iniPath());
        ASSERT_TRUE(store.SaveSetting(SettingsStore::kOptionsKey, QStringLiteral("2|3|0|0|4|0|1")))
            << file.toStdString();
        values.insert(QStringLiteral("Setup/Options"), QStringLiteral("2|3|0|0|4|0|1"));
        const QSettings after(iniPath(), QSettings::IniFormat);
        for (auto it = values.begin(); it != values.end(); ++it)
            EXPECT_EQ(after.value(it.key()), it.value())
                << it.key().toStdString() << " in " << file.toStdString();
        EXPECT_EQ(store.ReadOptions(), QStringLiteral("2|3|0|0|4|0|1")) << file.toStdString();
    }
}
