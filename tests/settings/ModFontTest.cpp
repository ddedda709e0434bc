// The text-box font: stored record applied, chosen, cancelled, and the dialog's size range.
#include "ModFont.h"

#include "SettingsStore.h"

#include <QApplication>
#include <QFontDialog>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class ModFontTest : public ::testing::Test
{
  protected:
    ModFontTest()
    {
        for (int i = 0; i < 4; ++i)
            boxes.append(new QPlainTextEdit(&window));
        replyBox = new QPlainTextEdit(&window);
        replyFont = replyBox->font();
    }

    void expectBoxes(const QString& family, double size, int weight, bool italic) const
    {
        for (QWidget* box : boxes) {
            EXPECT_EQ(box->font().family(), family);
            EXPECT_EQ(box->font().pointSizeF(), size);
            EXPECT_EQ(int(box->font().weight()), weight);
            EXPECT_EQ(box->font().italic(), italic);
        }
        EXPECT_EQ(replyBox->font(), replyFont);
    }

    static ModFont::FontChooser answer(std::optional<QFont> reply)
    {
        return [reply](QWidget*, const QFont&) { return reply; };
    }

    QTemporaryDir dir;
    SettingsStore store{dir.filePath(QStringLiteral("Verbalto.ini"))};
    QWidget window;
    QList<QWidget*> boxes;
    QPlainTextEdit* replyBox = nullptr;
    QFont replyFont;
};

TEST_F(ModFontTest, FreshInstallGivesTahomaTwelveRegular)
{
    EXPECT_EQ(ModFont::ReadFont(store), QStringLiteral("Tahoma|400|False|12|0|False|False|0"));
    const FontRecord applied = ModFont::ApplyStoredFont(store, boxes);
    EXPECT_EQ(applied, FontRecord());
    expectBoxes(QStringLiteral("Tahoma"), 12, 400, false);
    EXPECT_FALSE(store.value(SettingsStore::kFontKey).has_value());
}

TEST_F(ModFontTest, ChosenBoldItalicArialIsAppliedAndStoredExactly)
{
    QFont arial(QStringLiteral("Arial"));
    arial.setPointSizeF(10.5);
    arial.setBold(true);
    arial.setItalic(true);
    const FontRecord chosen = ModFont::ChooseTextFont(
        &window, ModFont::ApplyStoredFont(store, boxes), boxes, answer(arial));
    ASSERT_TRUE(ModFont::StoreFont(store, chosen));
    EXPECT_EQ(ModFont::ReadFont(store), QStringLiteral("Arial|700|True|10.5|0|False|False|0"));
    expectBoxes(QStringLiteral("Arial"), 10.5, 700, true);

    // The next start applies the same font again.
    QWidget other;
    auto* box = new QPlainTextEdit(&other);
    ModFont::ApplyStoredFont(store, {box});
    EXPECT_EQ(box->font(), boxes[0]->font());
}

TEST_F(ModFontTest, CancelKeepsFontAndStoresTheSameRecord)
{
    const QString stored = QStringLiteral("宋体|700|False|9|134|True|False|255");
    ASSERT_TRUE(store.SaveSetting(SettingsStore::kFontKey, stored));
    const FontRecord current = ModFont::ApplyStoredFont(store, boxes);
    for (QWidget* box : boxes)
        box->setFont(QFont()); // something else got there first; the record wins again
    const FontRecord after = ModFont::ChooseTextFont(&window, current, boxes, answer({}));
    EXPECT_EQ(after, current);
    ASSERT_TRUE(ModFont::StoreFont(store, after));
    EXPECT_EQ(ModFont::ReadFont(store), stored);
    expectBoxes(QStringLiteral("宋体"), 9, 700, false);
    EXPECT_TRUE(boxes[0]->font().underline());
}

TEST_F(ModFontTest, ChoiceKeepsCharacterSetAndColour)
{
    ASSERT_TRUE(store.SaveSetting(SettingsStore::kFontKey,
                                  QStringLiteral("Tahoma|400|False|12|136|False|False|255")));
    const FontRecord current = ModFont::ApplyStoredFont(store, boxes);
    QFont serif(QStringLiteral("Serif"));
    serif.setPointSize(14);
    serif.setStrikeOut(true);
    const FontRecord chosen = ModFont::ChooseTextFont(&window, current, boxes, answer(serif));
    EXPECT_EQ(chosen.Format(), QStringLiteral("Serif|400|False|14|136|False|True|255"));
}

TEST_F(ModFontTest, MalformedStoredRecordAppliesTheDefault)
{
    ASSERT_TRUE(store.SaveSetting(SettingsStore::kFontKey,
                                  QStringLiteral("Arial|700|True|huge|0|False|False|0")));
    EXPECT_EQ(ModFont::ApplyStoredFont(store, boxes), FontRecord());
    expectBoxes(QStringLiteral("Tahoma"), 12, 400, false);
}

TEST(ModFontColour, ConvertsBgrBothWays)
{
    EXPECT_EQ(ModFont::ToColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(ModFont::ToColor(0xFF0000), QColor(0, 0, 255));
    EXPECT_EQ(ModFont::FromColor(QColor(0x12, 0x34, 0x56)), 0x563412u);
    EXPECT_EQ(ModFont::FromColor(ModFont::ToColor(0x00ABCDEF)), 0x00ABCDEFu);
}

TEST(ModFontDialog, SizesStayWithinEightToSeventyTwo)
{
    QFont start(QStringLiteral("Tahoma"));
    start.setPointSizeF(4);
    QFontDialog* dialog = ModFont::CreateFontDialog(nullptr, start);
    EXPECT_EQ(dialog->currentFont().pointSizeF(), 8);
    for (auto [asked, expected] :
         {std::pair{6.0, 8.0}, {100.0, 72.0}, {10.0, 10.0}, {72.0, 72.0}}) {
        QFont font = dialog->currentFont();
        font.setPointSizeF(asked);
        dialog->setCurrentFont(font);
        EXPECT_EQ(dialog->currentFont().pointSizeF(), expected) << asked;
    }
    delete dialog;
}

TEST(ModFontDialog, RealDialogAnswersAcceptAndCancel)
{
    QWidget owner;
    QFont start(QStringLiteral("Tahoma"));
    start.setPointSize(11);
    for (const bool accept : {true, false}) {
        QTimer::singleShot(0, &owner, [accept] {
            auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            accept ? dialog->accept() : dialog->reject();
        });
        const std::optional<QFont> chosen = ModFont::RunFontDialog(&owner, start);
        ASSERT_EQ(chosen.has_value(), accept);
        if (accept) {
            EXPECT_EQ(chosen->pointSize(), 11);
        }
    }
    EXPECT_TRUE(owner.findChildren<QFontDialog*>().isEmpty());
}

} // namespace
