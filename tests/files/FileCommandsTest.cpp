#include "FileCommands.h"

#include "ModUniTxt.h"
#include "TestUtil.h"

#include <QApplication>
#include <QMessageBox>
#include <QSet>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QTimer>
#include <gtest/gtest.h>

using namespace FileCommands;

namespace {

struct Recorder
{
    QStringList files; // the dialog's answer; empty: cancel
    quint32 code = 0;
    std::shared_ptr<cOpenSaveDialog::Request> seen = std::make_shared<cOpenSaveDialog::Request>();
    std::shared_ptr<QList<QUrl>> opened = std::make_shared<QList<QUrl>>();
    std::shared_ptr<QStringList> warnings = std::make_shared<QStringList>(); // "title|text"

    Hooks hooks() const
    {
        Hooks h;
        h.choose = [*this](const cOpenSaveDialog::Request& r) {
            *seen = r;
            return cOpenSaveDialog::Answer{code, files, 0};
        };
        h.open = [opened = opened](const QUrl& url) {
            opened->append(url);
            return true;
        };
        h.warn = [warnings = warnings](QWidget*, const QString& title, const QString& text) {
            warnings->append(title + u'|' + text);
        };
        return h;
    }
};

const QDateTime When(QDate(2024, 3, 5), QTime(14, 7, 9), QTimeZone::utc());
const QLocale UsEnglish(QLocale::English, QLocale::UnitedStates);
const QString English = QStringLiteral("1");

} // namespace

TEST(OpenCommand, ReadsTheChosenFileInItsEncoding)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("in.txt"));
    ModUniTxt::TextFormat f = ModUniTxt::Utf16LE;
    ASSERT_TRUE(ModUniTxt::WriteUniText(file, QStringLiteral("  Guten Tag\r\n  "), false, f,
                                        ModUniTxt::Detect));
    Recorder r{{file}};
    const OpenOutcome out = OpenTextFile(nullptr, English, r.hooks());
    EXPECT_EQ(out.SourceFile, file);
    ASSERT_TRUE(out.text.has_value());
    EXPECT_EQ(*out.text, QStringLiteral("  Guten Tag\r\n  ")); // untrimmed

    EXPECT_EQ(r.seen->title, QStringLiteral("Open..."));
    EXPECT_TRUE(r.seen->fileMustExist);
    EXPECT_FALSE(r.seen->save);
    EXPECT_EQ(r.seen->nameFilters.size(), 2);
    EXPECT_TRUE(r.warnings->isEmpty());
}

TEST(OpenCommand, BlankUnreadableOrCancelledGivesNoText)
{
    QTemporaryDir dir;
    const QString spaces = dir.filePath(QStringLiteral("spaces.txt"));
    ASSERT_TRUE(TestUtil::writeFile(spaces, QByteArray("     ")));
    Recorder r{{spaces}};
    OpenOutcome out = OpenTextFile(nullptr, English, r.hooks());
    EXPECT_EQ(out.SourceFile, spaces);
    EXPECT_FALSE(out.text.has_value());

    // Only spaces are blank: a line break is text to translate.
    const QString lineBreak = dir.filePath(QStringLiteral("crlf.txt"));
    ASSERT_TRUE(TestUtil::writeFile(lineBreak, QByteArray(" \r\n ")));
    out = OpenTextFile(nullptr, English, Recorder{{lineBreak}}.hooks());
    ASSERT_TRUE(out.text.has_value());
    EXPECT_EQ(*out.text, QStringLiteral(" \r\n "));

    out = OpenTextFile(nullptr, English,
                       Recorder{{dir.filePath(QStringLiteral("gone.txt"))}}.hooks());
    EXPECT_FALSE(out.text.has_value());

    out = OpenTextFile(nullptr, English, Recorder{}.hooks());
    EXPECT_TRUE(out.SourceFile.isEmpty());
    EXPECT_FALSE(out.text.has_value());
}

TEST(OpenCommand, DialogFailureIsShownNotThrown)
{
    Recorder r;
    r.code = 0xFFFF;
    const OpenOutcome out = OpenTextFile(nullptr, English, r.hooks());
    EXPECT_TRUE(out.SourceFile.isEmpty());
    EXPECT_EQ(*r.warnings,
              QStringList({QStringLiteral("Notice|The dialog box could not be created")}));
}

TEST(SaveCommand, WritesTheResultsAndOpensThem)
{
    QTemporaryDir dir;
    Recorder r{{dir.filePath(QStringLiteral("results"))}};
    const SaveOutcome out =
        SaveResults(nullptr, English, QStringLiteral("Hello"), QStringLiteral("你好"),
                    QStringLiteral("nǐ hǎo"), QString(), When, UsEnglish, r.hooks());
    EXPECT_EQ(out, SaveOutcome::Saved);
    const QString written = dir.filePath(QStringLiteral("results.txt"));
    const QByteArray raw = TestUtil::readFile(written);
    EXPECT_EQ(raw.left(4), QByteArray("\xFE\xFF\x00\x2A", 4));
    ModUniTxt::TextFormat f = ModUniTxt::Detect;
    const QString text = ModUniTxt::ReadUniText(written, f);
    EXPECT_TRUE(text.contains(QStringLiteral("\r\nHello\r\n")));
    EXPECT_TRUE(text.contains(QStringLiteral(" 拼音 ")));
    EXPECT_FALSE(text.contains(QStringLiteral("完")));
    EXPECT_EQ(*r.opened, QList<QUrl>({QUrl::fromLocalFile(written)}));

    EXPECT_TRUE(r.seen->save);
    EXPECT_EQ(r.seen->title, QStringLiteral("Save Results"));
    EXPECT_EQ(r.seen->defaultSuffix, QStringLiteral("txt"));
    EXPECT_FALSE(r.seen->confirmOverwrite);
    EXPECT_EQ(r.seen->nameFilters, QStringList({QStringLiteral("Save as text file (*.TXT)")}));
}

TEST(SaveCommand, CancelWritesNothing)
{
    Recorder r;
    EXPECT_EQ(SaveResults(nullptr, English, QStringLiteral("a"), QStringLiteral("b"), {}, {}, When,
                          UsEnglish, r.hooks()),
              SaveOutcome::Cancelled);
    EXPECT_TRUE(r.opened->isEmpty());
    EXPECT_TRUE(r.warnings->isEmpty());
}

TEST(SaveCommand, FailedWriteIsReportedInTheInterfaceLanguage)
{
    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("plain"));
    ASSERT_TRUE(TestUtil::writeFile(plain, QByteArray("keep me")));
    Recorder r{{plain + QStringLiteral("/results.txt")}};
    EXPECT_EQ(SaveResults(nullptr, English, QStringLiteral("a"), QStringLiteral("b"), {}, {}, When,
                          UsEnglish, r.hooks()),
              SaveOutcome::Failed);
    EXPECT_EQ(*r.warnings, QStringList({QStringLiteral("Notice|Save failed!")}));
    EXPECT_TRUE(r.opened->isEmpty());
    EXPECT_EQ(TestUtil::readFile(plain), QByteArray("keep me"));

    r.warnings->clear();
    SaveResults(nullptr, QStringLiteral("2"), QStringLiteral("a"), QStringLiteral("b"), {}, {},
                When, UsEnglish, r.hooks());
    ASSERT_EQ(r.warnings->size(), 1);
    EXPECT_EQ(r.warnings->first(),
              Text(QStringLiteral("2"), 100) + u'|' + Text(QStringLiteral("2"), 117));
    EXPECT_NE(r.warnings->first(), QStringLiteral("Notice|Save failed!"));

    // Each reason has its own words in every language (the write itself: FileSaveTest).
    for (const QString& language :
         {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}) {
        const QString full = NotSavedText(language, FileSave::SaveResult::DiskFull);
        const QString readOnly = NotSavedText(language, FileSave::SaveResult::ReadOnly);
        const QString other = NotSavedText(language, FileSave::SaveResult::Failed);
        EXPECT_FALSE(full.isEmpty() || readOnly.isEmpty()) << language.toStdString();
        EXPECT_EQ(QSet<QString>({full, readOnly, other}).size(), 3) << language.toStdString();
    }
}

TEST(SaveCommand, FailureShowsAWarningBox)
{
    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("plain"));
    ASSERT_TRUE(TestUtil::writeFile(plain, QByteArray("x")));
    Hooks h = Recorder{{plain + QStringLiteral("/r.txt")}}.hooks();
    h.warn = nullptr; // the real message box
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    auto* timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [&, timer] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            box->accept();
        }
    });
    timer->start();
    QWidget owner;
    EXPECT_EQ(SaveResults(&owner, English, QStringLiteral("a"), QStringLiteral("b"), {}, {}, When,
                          UsEnglish, h),
              SaveOutcome::Failed);
    EXPECT_EQ(title, QStringLiteral("Notice"));
    EXPECT_EQ(text, QStringLiteral("Save failed!"));
    EXPECT_EQ(icon, QMessageBox::Warning);
}
