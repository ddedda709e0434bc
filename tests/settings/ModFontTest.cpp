// The text-box font: stored record applied, chosen, cancelled, and the font dialog.
#include "ModFont.h"

#include "FontDialog.h"
#include "SettingsStore.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
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
        return [reply](QWidget*, const FontRecord& initial) -> std::optional<FontRecord> {
            if (!reply)
                return std::nullopt;
            return ModFont::FromFont(*reply, initial);
        };
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

// Replaces the size field's text by typing `keys`, as a user does.
void typeSize(FontDialog* dialog, const QString& keys)
{
    dialog->sizeEdit()->selectAll();
    QTest::keyClick(dialog->sizeEdit(), Qt::Key_Delete);
    QTest::keyClicks(dialog->sizeEdit(), keys);
}

TEST(ModFontDialog, OffersEightToSeventyTwoInHalfPoints)
{
    const QList<double> sizes = ModFont::OfferedSizes();
    ASSERT_EQ(sizes.size(), 129);
    EXPECT_EQ(sizes.first(), 8);
    EXPECT_EQ(sizes.last(), 72);
    EXPECT_TRUE(sizes.contains(10.5));

    FontRecord start;
    start.pointSize = 4;
    std::unique_ptr<FontDialog> dialog(ModFont::CreateFontDialog(nullptr, start));
    QListWidget* list = dialog->sizeList();
    ASSERT_EQ(list->count(), 129);
    EXPECT_EQ(list->item(0)->text(), u"8");
    EXPECT_EQ(list->item(5)->text(), u"10.5");
    EXPECT_EQ(list->item(128)->text(), u"72");
    // A stored size outside the range opens at the nearest limit.
    EXPECT_EQ(dialog->sizeEdit()->text(), u"8");
    EXPECT_EQ(dialog->record().pointSize, 8);
}

TEST(ModFontDialog, TypedSizeIsKeptWhileTypingAndLimitedOnOk)
{
    std::unique_ptr<FontDialog> dialog(ModFont::CreateFontDialog(nullptr, FontRecord()));
    dialog->show();
    typeSize(dialog.get(), QStringLiteral("1"));
    EXPECT_EQ(dialog->sizeEdit()->text(), u"1");
    QTest::keyClicks(dialog->sizeEdit(), QStringLiteral("4"));
    EXPECT_EQ(dialog->sizeEdit()->text(), u"14");
    EXPECT_EQ(dialog->sizeList()->currentItem()->text(), u"14");
    EXPECT_EQ(dialog->record().pointSize, 14);

    for (auto [typed, size] : {std::pair{"10.5", 10.5},
                               {"10,5", 10.5},
                               {"10.3", 10.5},
                               {"4", 8.0},
                               {"100", 72.0},
                               {"72", 72.0},
                               {"", 12.0}}) {
        typeSize(dialog.get(), QString::fromLatin1(typed));
        EXPECT_EQ(dialog->sizeEdit()->text(), QString::fromLatin1(typed)) << typed;
        EXPECT_EQ(dialog->record().pointSize, size) << typed;
    }
    typeSize(dialog.get(), QStringLiteral("1x2"));
    EXPECT_EQ(dialog->sizeEdit()->text(), u"12"); // letters are refused
}

TEST(ModFontDialog, RecordCarriesStyleEffectsAndColour)
{
    FontRecord start =
        FontRecord::Parse(QStringLiteral("DejaVu Sans|700|False|9|134|True|False|32768"));
    std::unique_ptr<FontDialog> dialog(ModFont::CreateFontDialog(nullptr, start));
    EXPECT_EQ(dialog->record(), start); // opening and confirming changes nothing
    EXPECT_EQ(dialog->familyList()->currentItem()->text(), u"DejaVu Sans");

    // A colour outside the sixteen of the list is kept as it is.
    start.colour = 0x123456;
    dialog.reset(ModFont::CreateFontDialog(nullptr, start));
    EXPECT_EQ(dialog->record().colour, 0x123456u);

    dialog->strikeoutBox()->setChecked(true);
    dialog->underlineBox()->setChecked(false);
    dialog->colourBox()->setCurrentIndex(9); // red
    const FontRecord chosen = dialog->record();
    EXPECT_TRUE(chosen.strikeout);
    EXPECT_FALSE(chosen.underline);
    EXPECT_EQ(chosen.colour, 0x0000FFu);
    EXPECT_EQ(chosen.charSet, 134);
    EXPECT_EQ(dialog->sample()->font().strikeOut(), true);
}

TEST(ModFontDialog, FamilyMissingFromTheSystemOffersThePlainStyles)
{
    FontRecord start;
    start.faceName = QStringLiteral("No Such Face");
    start.italic = true;
    std::unique_ptr<FontDialog> dialog(ModFont::CreateFontDialog(nullptr, start));
    EXPECT_EQ(dialog->familyList()->currentItem(), nullptr);
    EXPECT_EQ(dialog->styleList()->count(), 4);
    EXPECT_EQ(dialog->record(), start);
    dialog->styleList()->setCurrentRow(3); // bold italic
    EXPECT_EQ(dialog->record().weight, 700);
    EXPECT_TRUE(dialog->record().italic);

    dialog->familyEdit()->clear();
    QTest::keyClicks(dialog->familyEdit(), QStringLiteral("dejavu sans"));
    EXPECT_EQ(dialog->record().faceName, u"DejaVu Sans");
    // The new family's own style list, still bold italic.
    EXPECT_EQ(dialog->styleEdit()->text(), dialog->styleList()->currentItem()->text());
    EXPECT_EQ(dialog->record().weight, 700);
    EXPECT_TRUE(dialog->record().italic);
    EXPECT_TRUE(dialog->sample()->font().italic());
}

TEST(ModFontDialog, RealDialogAnswersAcceptAndCancel)
{
    QWidget owner;
    FontRecord start;
    start.pointSize = 11;
    for (const bool accept : {true, false}) {
        QTimer::singleShot(0, &owner, [accept] {
            auto* dialog = qobject_cast<FontDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            typeSize(dialog, QStringLiteral("10.5"));
            accept ? dialog->accept() : dialog->reject();
        });
        const std::optional<FontRecord> chosen = ModFont::RunFontDialog(&owner, start);
        ASSERT_EQ(chosen.has_value(), accept);
        if (accept) {
            EXPECT_EQ(chosen->pointSize, 10.5);
        }
    }
    EXPECT_TRUE(owner.findChildren<FontDialog*>().isEmpty());
}

} // namespace
