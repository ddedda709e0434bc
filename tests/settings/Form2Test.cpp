// The Options dialog against a real settings file: load, OK, Close and a failed save.
#include "Form2.h"

#include "LanguageCatalogue.h"
#include "ModLng.h"
#include "SettingsStore.h"
#include "TestUtil.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct Message
{
    QMessageBox::Icon icon;
    QString title;
    QString text;
};

class Form2Test : public ::testing::Test
{
  protected:
    QString path() const { return dir.filePath(QStringLiteral("Verbalto.ini")); }

    std::unique_ptr<Form2> open(const QString& languageIndex = QStringLiteral("1"))
    {
        auto form = std::make_unique<Form2>(store, languageIndex);
        form->setMessageBox(
            [this](QWidget*, QMessageBox::Icon icon, const QString& title, const QString& text) {
                messages.push_back({icon, title, text});
            });
        return form;
    }

    template <typename T> static T* child(const Form2& form, const char* name)
    {
        T* found = form.findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    static QString text(const QString& languageIndex, int n)
    {
        return ModLng::Text(languageIndex, n).value_or(QStringLiteral("<missing>"));
    }

    QTemporaryDir dir;
    SettingsStore store{path()};
    std::vector<Message> messages;
};

TEST_F(Form2Test, FreshInstallShowsDefaults)
{
    const auto form = open();
    // The options of the original layout, and a row for the "Translate selection" key.
    EXPECT_EQ(form->size(), QSize(322, 312));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMinMaxButtonsHint);

    auto* combo2 = child<QComboBox>(*form, "Combo2");
    auto* combo3 = child<QComboBox>(*form, "Combo3");
    auto* combo1 = child<QComboBox>(*form, "Combo1");
    EXPECT_EQ(combo2->currentIndex(), 0);
    EXPECT_EQ(combo2->currentText(), QStringLiteral("Detect language"));
    EXPECT_EQ(combo3->currentText(), QStringLiteral("English"));
    EXPECT_EQ(combo1->currentText(), QStringLiteral("English"));
    for (const char* name : {"Check3", "Check4", "Check1", "Check2"})
        EXPECT_TRUE(child<QCheckBox>(*form, name)->isChecked()) << name;
    EXPECT_TRUE(child<QCheckBox>(*form, "Check4")->isEnabled());
    EXPECT_FALSE(child<QCheckBox>(*form, "Check2")->isEnabled());
    EXPECT_EQ(combo1->parentWidget(), child<QGroupBox>(*form, "Frame1"));
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(Form2Test, CaptionsAndListsComeFromTheStringTable)
{
    for (const char* k : {"1", "2", "3"}) {
        const QString lang = QString::fromLatin1(k);
        const auto form = open(lang);
        EXPECT_EQ(form->windowTitle(), text(lang, 30));
        EXPECT_EQ(child<QGroupBox>(*form, "Frame1")->title(), text(lang, 31));
        EXPECT_EQ(child<QLabel>(*form, "Label1")->text(), text(lang, 32));
        EXPECT_EQ(child<QLabel>(*form, "Label2")->text(), text(lang, 33));
        EXPECT_EQ(child<QCheckBox>(*form, "Check3")->text(), text(lang, 23));
        EXPECT_EQ(child<QCheckBox>(*form, "Check4")->text(), text(lang, 24));
        EXPECT_EQ(child<QCheckBox>(*form, "Check1")->text(), text(lang, 34));
        EXPECT_EQ(child<QCheckBox>(*form, "Check2")->text(), text(lang, 35));
        EXPECT_EQ(child<QPushButton>(*form, "Command1")->text(), text(lang, 36));
        EXPECT_EQ(child<QPushButton>(*form, "Command2")->text(), text(lang, 37));
        // Both boxes on one line keep their whole caption and stay inside the outline.
        auto* check3 = child<QCheckBox>(*form, "Check3");
        auto* check4 = child<QCheckBox>(*form, "Check4");
        EXPECT_GE(check3->width(), check3->sizeHint().width());
        EXPECT_LT(check3->geometry().right(), check4->x());
        EXPECT_LE(check4->geometry().right(), 8 + 307);

        auto* combo2 = child<QComboBox>(*form, "Combo2");
        ASSERT_EQ(combo2->count(), 61);
        EXPECT_EQ(combo2->itemText(0), text(lang, 99));
        EXPECT_EQ(combo2->itemText(1), QStringLiteral("-------------"));
        for (const char* name : {"Combo1", "Combo3"}) {
            auto* combo = child<QComboBox>(*form, name);
            ASSERT_EQ(combo->count(), LanguageCatalogue::kCount);
            for (int p = 0; p < LanguageCatalogue::kCount; ++p) {
                EXPECT_EQ(combo->itemText(p), text(lang, 38 + p));
                EXPECT_EQ(combo2->itemText(p + 2), text(lang, 38 + p));
            }
        }
    }
}

TEST_F(Form2Test, UnknownInterfaceLanguageStillHasCaptions)
{
    const auto form = open(QStringLiteral("9"));
    EXPECT_EQ(form->windowTitle(), text(QStringLiteral("1"), 30));
    EXPECT_EQ(child<QComboBox>(*form, "Combo3")->itemText(15), QStringLiteral("English"));
}

TEST_F(Form2Test, LoadsStoredOptions)
{
    ASSERT_TRUE(store.WriteOptions(11, 9, 0, -1, 10, 0, 0));
    const auto form = open();
    EXPECT_EQ(child<QComboBox>(*form, "Combo2")->currentIndex(), 11);
    EXPECT_EQ(child<QComboBox>(*form, "Combo3")->currentIndex(), 9);
    EXPECT_FALSE(child<QCheckBox>(*form, "Check3")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(*form, "Check4")->isChecked());
    EXPECT_EQ(child<QComboBox>(*form, "Combo1")->currentIndex(), 10);
    EXPECT_FALSE(child<QCheckBox>(*form, "Check1")->isChecked());
    EXPECT_FALSE(child<QCheckBox>(*form, "Check2")->isChecked());
}

TEST_F(Form2Test, MalformedStoredOptionsLoadValidPositions)
{
    ASSERT_TRUE(store.SaveSetting(SettingsStore::kOptionsKey, QStringLiteral("-1|99|x")));
    const auto form = open();
    EXPECT_EQ(child<QComboBox>(*form, "Combo2")->currentIndex(), 0);
    EXPECT_EQ(child<QComboBox>(*form, "Combo3")->currentIndex(), 15);
    EXPECT_EQ(child<QComboBox>(*form, "Combo1")->currentIndex(), 15);
}

TEST_F(Form2Test, OkStoresTellsTheMainWindowThenConfirms)
{
    const auto form = open(QStringLiteral("2"));
    QSignalSpy saved(form.get(), &Form2::optionsSaved);
    // The confirmation comes after the main window has heard of the change.
    int savedBeforeMessage = -1;
    form->setMessageBox(
        [&](QWidget*, QMessageBox::Icon icon, const QString& title, const QString& text) {
            savedBeforeMessage = int(saved.count());
            messages.push_back({icon, title, text});
        });
    form->show();
    child<QComboBox>(*form, "Combo2")->setCurrentIndex(11);
    child<QComboBox>(*form, "Combo3")->setCurrentIndex(9);
    QTest::mouseClick(child<QCheckBox>(*form, "Check3"), Qt::LeftButton);
    child<QComboBox>(*form, "Combo1")->setCurrentIndex(10);
    QTest::mouseClick(child<QCheckBox>(*form, "Check1"), Qt::LeftButton);
    QTest::mouseClick(child<QCheckBox>(*form, "Check2"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(*form, "Command1"), Qt::LeftButton);

    EXPECT_EQ(store.ReadOptions(), QStringLiteral("11|9|0|1|10|0|1"));
    ASSERT_EQ(saved.count(), 1);
    const auto record = saved.at(0).at(0).value<OptionsRecord>();
    EXPECT_EQ(record.Format(), QStringLiteral("11|9|0|1|10|0|1"));
    EXPECT_EQ(ModLng::HostLanguageCode(record), QStringLiteral("zh-TW"));
    EXPECT_EQ(savedBeforeMessage, 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Information);
    EXPECT_EQ(messages[0].title, text(QStringLiteral("2"), 100));
    EXPECT_EQ(messages[0].text, text(QStringLiteral("2"), 101));
    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_FALSE(form->isVisible());
}

// The key starts as the default, is changed or cleared and stored with OK; a key that could not
// be grabbed is marked not active.
TEST_F(Form2Test, TheSelectionKeyIsShownChangedClearedAndMarkedWhenTaken)
{
    {
        const auto form = open();
        auto* edit = child<QKeySequenceEdit>(*form, "KeyEdit");
        EXPECT_EQ(edit->keySequence(), QKeySequence(QStringLiteral("Ctrl+Alt+Z")));
        form->SetShortcutState(Form2::ShortcutState::Taken);
        EXPECT_FALSE(child<QLabel>(*form, "KeyNote")->isHidden());
        form->SetShortcutState(Form2::ShortcutState::Active);
        EXPECT_TRUE(child<QLabel>(*form, "KeyNote")->isHidden());
        edit->setKeySequence(QKeySequence(Qt::META | Qt::SHIFT | Qt::Key_F7));
        child<QPushButton>(*form, "Command1")->click();
    }
    EXPECT_EQ(store.ReadTranslateSelectionKey(), u"Meta+Shift+F7");
    {
        const auto form = open();
        child<QKeySequenceEdit>(*form, "KeyEdit")->clear();
        form->SetShortcutState(Form2::ShortcutState::Taken); // nothing to grab is not "taken"
        EXPECT_TRUE(child<QLabel>(*form, "KeyNote")->isHidden());
        EXPECT_TRUE(child<QPushButton>(*form, "CopyCommand")->isHidden());
        child<QPushButton>(*form, "Command1")->click();
    }
    EXPECT_EQ(store.ReadTranslateSelectionKey(), u"");
    EXPECT_TRUE(TestUtil::readFile(path()).contains("[Shortcuts]\nTranslateSelection="));
}

// Where no key can be had (Wayland without the portal) the dialog offers the command to bind in
// the desktop's settings, and Copy puts it on the clipboard; the path of a program that is not
// the one on PATH reaches a shell whole.
TEST_F(Form2Test, WithoutAKeyTheCommandIsOfferedAndCopied)
{
    const auto form = open();
    form->SetShortcutState(Form2::ShortcutState::Unavailable);
    EXPECT_EQ(child<QLabel>(*form, "KeyNote")->text(), text(QStringLiteral("1"), 301));
    auto* command = child<QLineEdit>(*form, "CommandText");
    ASSERT_FALSE(command->isHidden());
    EXPECT_TRUE(command->text().endsWith(u" --translate-selection"))
        << command->text().toStdString();
    auto* ok = child<QPushButton>(*form, "Command1");
    EXPECT_GT(ok->y(), command->geometry().bottom());
    EXPECT_LE(ok->geometry().bottom(), form->height());
    QSignalSpy copying(form.get(), &Form2::copyingCommand);
    child<QPushButton>(*form, "CopyCommand")->click();
    EXPECT_EQ(copying.size(), 1);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), command->text());

    const QString awkward = dir.path() + QStringLiteral("/it's here/verbalto");
    QProcess shell;
    shell.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("printf '%s\\n' ") +
                                                                 Form2::SelectionCommand(awkward)});
    ASSERT_TRUE(shell.waitForFinished(5000));
    EXPECT_EQ(QString::fromUtf8(shell.readAllStandardOutput()),
              awkward + QStringLiteral("\n--translate-selection\n"));
}

TEST_F(Form2Test, SeparatorAsSourceStoresOne)
{
    const auto form = open();
    child<QComboBox>(*form, "Combo2")->setCurrentIndex(1);
    child<QPushButton>(*form, "Command1")->click();
    EXPECT_EQ(store.ReadOptions(), QStringLiteral("1|15|1|1|15|1|1"));
}

TEST_F(Form2Test, CachingBoxWritesBackWhatItLoaded)
{
    for (const char* stored : {"0|15|1|1|15|1|0", "0|15|1|1|15|1|-1", "0|15|1|1|15|1|1"}) {
        ASSERT_TRUE(store.SaveSetting(SettingsStore::kOptionsKey, QString::fromLatin1(stored)));
        const auto form = open();
        child<QPushButton>(*form, "Command1")->click();
        EXPECT_EQ(store.ReadOptions(), QString::fromLatin1(stored));
    }
}

TEST_F(Form2Test, CloseWritesNothing)
{
    const auto form = open();
    QSignalSpy saved(form.get(), &Form2::optionsSaved);
    form->show();
    child<QComboBox>(*form, "Combo3")->setCurrentIndex(3);
    QTest::mouseClick(child<QCheckBox>(*form, "Check4"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(*form, "Command2"), Qt::LeftButton);
    EXPECT_EQ(form->result(), QDialog::Rejected);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(saved.count(), 0);
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(store.value(SettingsStore::kOptionsKey).has_value());
}

TEST_F(Form2Test, FailedSaveSaysSoAndKeepsTheDialog)
{
    ASSERT_TRUE(TestUtil::writeFile(dir.filePath(QStringLiteral("file")), "x"));
    SettingsStore broken(dir.filePath(QStringLiteral("file/Verbalto.ini")));
    Form2 form(broken, QStringLiteral("1"));
    form.setMessageBox(
        [this](QWidget*, QMessageBox::Icon icon, const QString& title, const QString& text) {
            messages.push_back({icon, title, text});
        });
    QSignalSpy saved(&form, &Form2::optionsSaved);
    form.show();
    child<QComboBox>(form, "Combo3")->setCurrentIndex(3);
    child<QPushButton>(form, "Command1")->click();
    EXPECT_EQ(saved.count(), 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Warning);
    EXPECT_EQ(messages[0].title, text(QStringLiteral("1"), 100));
    EXPECT_EQ(messages[0].text, text(QStringLiteral("1"), 117));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(child<QComboBox>(form, "Combo3")->currentIndex(), 3);
}

TEST_F(Form2Test, RunsModallyAndTheRealMessageBoxCloses)
{
    QWidget owner;
    owner.show();
    Form2 form(store, QStringLiteral("1"), &owner);
    bool sawModal = false;
    // Answer the dialog, then the confirmation box it opens, as a user would.
    QTimer::singleShot(0, &form, [&] {
        sawModal = QApplication::activeModalWidget() == &form;
        QTimer::singleShot(0, &form, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->accept();
        });
        form.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    });
    // Should anything be left open, a failure beats a hung test.
    QTimer::singleShot(5000, &form, [] {
        while (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    EXPECT_EQ(form.exec(), QDialog::Accepted);
    EXPECT_TRUE(sawModal);
    EXPECT_EQ(store.ReadOptions(), QStringLiteral("0|15|1|1|15|1|1"));
}

} // namespace
