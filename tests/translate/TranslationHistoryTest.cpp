#include "TranslationHistory.h"
#include "TestUtil.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
HistorySlot entry(const QString& name, bool speech = false)
{
    HistorySlot s;
    s.texts = {name, name + QStringLiteral("-t"), QString(), QString()};
    s.targetIndex = 19;
    s.sourceIndex = 17;
    s.translationSpeech = speech;
    s.sourceSpeech = speech;
    return s;
}
} // namespace

TEST(TranslationHistory, FirstBackShowsTheEmptyLastSlot)
{
    QTemporaryDir dir;
    TranslationHistory h;
    EXPECT_EQ(h.StoreTranslation(entry(QStringLiteral("T1")), dir.path()), 0);
    EXPECT_EQ(h.Back(), 2);
    EXPECT_TRUE(h.slot(2).texts[0].isEmpty());
    EXPECT_EQ(h.slot(2).targetIndex, 0);
    EXPECT_EQ(h.slot(2).sourceIndex, 0);
}

TEST(TranslationHistory, BackCyclesAndNewStoresGoToTheWriteIndex)
{
    QTemporaryDir dir;
    TranslationHistory h;
    for (const char* t : {"T1", "T2", "T3"})
        h.StoreTranslation(entry(QString::fromLatin1(t)), dir.path());
    EXPECT_EQ(h.viewCursor(), 2);
    QStringList seen;
    for (int i = 0; i < 4; ++i)
        seen << h.slot(h.Back()).texts[0];
    EXPECT_EQ(seen, QStringList({"T2", "T1", "T3", "T2"}));

    // Storing after Back fills the write index (slot 0) and moves the cursor there.
    EXPECT_EQ(h.StoreTranslation(entry(QStringLiteral("T4")), dir.path()), 0);
    seen.clear();
    for (int i = 0; i < 3; ++i)
        seen << h.slot(h.Back()).texts[0];
    EXPECT_EQ(seen, QStringList({"T3", "T2", "T4"}));
}

TEST(TranslationHistory, SpeechPagesAreCopiedPerSlotAndStaleCopiesRemoved)
{
    QTemporaryDir dir;
    ASSERT_TRUE(TestUtil::writeFile(dir.filePath(QStringLiteral("soun(0).tmp")), "page0"));
    ASSERT_TRUE(TestUtil::writeFile(dir.filePath(QStringLiteral("soun(1).tmp")), "page1"));
    TranslationHistory h;
    h.StoreTranslation(entry(QStringLiteral("T1"), true), dir.path());
    EXPECT_EQ(TestUtil::readFile(dir.filePath(QStringLiteral("soun00.tmp"))), QByteArray("page0"));
    EXPECT_EQ(TestUtil::readFile(dir.filePath(QStringLiteral("soun01.tmp"))), QByteArray("page1"));
    EXPECT_TRUE(h.slot(0).translationSpeech);

    // Three stores later slot 0 is reused by a translation without speech: the copies go.
    h.StoreTranslation(entry(QStringLiteral("T2")), dir.path());
    h.StoreTranslation(entry(QStringLiteral("T3")), dir.path());
    h.StoreTranslation(entry(QStringLiteral("T4"), false), dir.path());
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("soun00.tmp"))));
    EXPECT_FALSE(h.slot(0).translationSpeech);
}

TEST(TranslationHistory, PageThatCannotBeCopiedLeavesTheFlagOff)
{
    QTemporaryDir dir; // no soun(0).tmp to copy
    TranslationHistory h;
    h.StoreTranslation(entry(QStringLiteral("T1"), true), dir.path());
    EXPECT_FALSE(h.slot(0).translationSpeech);
    EXPECT_FALSE(h.slot(0).sourceSpeech);
}

TEST(TranslationHistory, TextsComeBackAsStoredBeforeWhileAndAfterPacking)
{
    // Kept in another form: a leading byte-order mark, a character beyond 16 bits, line breaks,
    // a lone surrogate (which no encoding keeps) and a text of several packed pieces must all
    // come back unchanged.
    QTemporaryDir dir;
    TranslationHistory h;
    HistorySlot s = entry(QStringLiteral("x"));
    QString large;
    for (int i = 0; i < 100000; ++i)
        large += QStringLiteral("caf\u00e9 %1 \U0001F600").arg(i);
    s.texts = {QStringLiteral("\uFEFFhead\r\nna\u00efve \U0001F600"),
               QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b"), large, QString()};
    h.StoreTranslation(s, dir.path());
    h.StoreTranslation(entry(QStringLiteral("y")), dir.path());
    EXPECT_EQ(h.slot(0).texts, s.texts);
    for (int piece = 0; piece < 4; ++piece)
        ASSERT_TRUE(h.packMore());
    EXPECT_EQ(h.slot(0).texts, s.texts);
    while (h.packMore()) {
    }
    EXPECT_EQ(h.slot(0).texts, s.texts);
    EXPECT_EQ(h.slot(1).texts[0], QStringLiteral("y"));
    EXPECT_EQ(h.slot(0).targetIndex, 19);
}
