#include "cOpenSaveDialog.h"

#include "TestUtil.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using Answer = cOpenSaveDialog::Answer;
using Request = cOpenSaveDialog::Request;

// A chooser that records what it was asked and answers with fixed files (none: cancel).
struct Scripted
{
    QStringList files;
    quint32 code = 0;
    int filterIndex = 0;
    std::shared_ptr<Request> seen = std::make_shared<Request>();

    cOpenSaveDialog::Chooser chooser() const
    {
        return [*this](const Request& r) {
            *seen = r;
            return Answer{code, files, filterIndex};
        };
    }
};

// Answers the next file dialog that the real chooser shows.
void answerNextDialog(const std::function<void(QFileDialog*)>& act)
{
    auto* timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
        if (auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(d);
        }
    });
    timer->start();
}

const QString OpenFilter =
    QStringLiteral("Text (*.TXT;*.ini;*.inf;*.log)|*.TXT;*.ini;*.inf;*.log|All (*.*)|*.*");

} // namespace

TEST(OpenSaveDialogProperties, DefaultsOfANewObject)
{
    cOpenSaveDialog d;
    EXPECT_EQ(d.MaxFileSize(), 520);
    EXPECT_EQ(d.MaxFileTitleSize(), 260);
    EXPECT_FALSE(d.CancelError());
    EXPECT_EQ(d.Flags(), 0);
    EXPECT_EQ(d.FilterIndex(), 0);
    EXPECT_EQ(d.MinimumBufferSizeRequired(), 0);
    EXPECT_EQ(d.FileName(), QString());
    EXPECT_EQ(d.FilePath(), QString());
    EXPECT_EQ(d.FileExtension(), QString());
    EXPECT_EQ(d.FileTitle(), QString());
    EXPECT_EQ(d.Filter(), QString());
    EXPECT_EQ(d.record().lStructSize, 0);
}

TEST(OpenSaveDialogProperties, FilterIsStoredWithNuls)
{
    cOpenSaveDialog d;
    d.setFilter(OpenFilter);
    const QString stored = d.record().lpstrFilter;
    EXPECT_EQ(stored.count(QChar(u'\0')), 4);
    EXPECT_TRUE(stored.endsWith(QChar(u'\0')));
    EXPECT_EQ(stored.chopped(1).split(QChar(u'\0')).size(), 4);
    EXPECT_FALSE(stored.contains(u'|'));
    EXPECT_EQ(d.Filter(), OpenFilter);
    d.setFilter(QString());
    EXPECT_TRUE(d.record().lpstrFilter.isEmpty());
    EXPECT_EQ(d.Filter(), QString());
}

TEST(OpenSaveDialogProperties, FlagsForOpenAndSave)
{
    Scripted s;
    cOpenSaveDialog d(s.chooser());
    d.setFlags(4096);
    EXPECT_FALSE(d.ShowOpen(nullptr));
    EXPECT_EQ(d.record().Flags, 0x1800);
    EXPECT_EQ(s.seen->flags, 0x1800);
    EXPECT_TRUE(s.seen->fileMustExist);
    EXPECT_FALSE(d.ShowSave(nullptr));
    EXPECT_EQ(d.record().Flags, 0);
    EXPECT_FALSE(s.seen->fileMustExist);
    EXPECT_EQ(d.Flags(), 4096); // the stored flags stay as given

    d.setFlags(-1);
    EXPECT_EQ(d.Flags(), 4096);
    d.setFlags(0x400);
    EXPECT_EQ(d.Flags(), 0);

    // The overwrite prompt belongs to Save only.
    d.setFlags(0x402);
    EXPECT_EQ(d.Flags(), 2);
    d.ShowOpen(nullptr);
    EXPECT_EQ(d.record().Flags, 0);
    d.ShowSave(nullptr);
    EXPECT_EQ(d.record().Flags, 2);
    EXPECT_TRUE(s.seen->confirmOverwrite);
    EXPECT_EQ(d.record().lStructSize, 88);
}

TEST(OpenSaveDialogProperties, FoldersGetOneTrailingSlash)
{
    cOpenSaveDialog d;
    d.setInitDir(QStringLiteral("/tmp"));
    EXPECT_EQ(d.InitDir(), QStringLiteral("/tmp/"));
    d.setInitDir(QStringLiteral("/tmp/"));
    EXPECT_EQ(d.InitDir(), QStringLiteral("/tmp/"));
    d.setInitDir(QString());
    EXPECT_EQ(d.InitDir(), QString());
    d.setFilePath(QStringLiteral("/var/log"));
    EXPECT_EQ(d.InitDir(), QStringLiteral("/var/log/"));
    EXPECT_EQ(d.FilePath(), QString()); // nothing chosen yet
}

TEST(OpenSaveDialogProperties, BufferSizesAndFileNameWriting)
{
    cOpenSaveDialog d;
    d.setFileName(QStringLiteral("start.txt"));
    EXPECT_EQ(d.FileName(), QStringLiteral("start.txt"));
    EXPECT_EQ(d.record().lpstrFile.size(), 520);
    d.setMaxFileSize(100);
    EXPECT_EQ(d.MaxFileSize(), 100);
    EXPECT_EQ(d.FileName(), QString()); // the new buffer loses the name
    d.setMaxFileSize(0);
    EXPECT_EQ(d.MaxFileSize(), 520);
    d.setMaxFileSize(-3);
    EXPECT_EQ(d.MaxFileSize(), 520);

    // A shorter name overwrites only its own length plus a NUL.
    d.setFileName(QStringLiteral("abcdef"));
    d.setFileName(QStringLiteral("xy"));
    EXPECT_EQ(d.FileName(), QStringLiteral("xy"));
    d.setFileName(QString());
    EXPECT_EQ(d.FileName(), QString());

    // A longer name than the buffer grows it, keeping room for the terminating NUL.
    const QString longName = QStringLiteral("/") + QString(700, u'n');
    d.setFileName(longName);
    EXPECT_EQ(d.FileName(), longName);
    EXPECT_EQ(d.MaxFileSize(), 702);

    d.setFileTitle(QStringLiteral("title"));
    EXPECT_EQ(d.FileTitle(), QStringLiteral("title"));
    EXPECT_EQ(d.MaxFileTitleSize(), 260);
    d.setMaxFileTitleSize(0);
    EXPECT_EQ(d.MaxFileTitleSize(), 260);

    d.setCustomFilterSize(40);
    EXPECT_EQ(d.CustomFilterSize(), 40);
    EXPECT_EQ(d.record().lpstrCustomFilter, QString(40, QChar(u'\0')));
    d.setCustomFilterSize(0);
    EXPECT_EQ(d.CustomFilterSize(), 0);
    EXPECT_TRUE(d.record().lpstrCustomFilter.isEmpty());

    d.setFilterIndex(-4);
    EXPECT_EQ(d.FilterIndex(), 0);
    d.setFlagsEx(1);
    d.setCustomHookData(7);
    d.setCustomHookProc(9);
    EXPECT_EQ(d.FlagsEx(), 1);
    EXPECT_EQ(d.CustomHookData(), 7);
    EXPECT_EQ(d.CustomHookProc(), 9);
}

TEST(OpenSaveDialogChoice, ChosenFileAndItsParts)
{
    Scripted s{{QStringLiteral("/data/notes.txt")}};
    cOpenSaveDialog d(s.chooser());
    d.setFileName(QString(40, u'z')); // a longer earlier name must not show through
    ASSERT_TRUE(d.ShowOpen(nullptr));
    EXPECT_EQ(d.FileName(), QStringLiteral("/data/notes.txt"));
    EXPECT_EQ(d.FilePath(), QStringLiteral("/data"));
    EXPECT_EQ(d.FileExtension(), QStringLiteral("txt"));
    EXPECT_EQ(d.FileTitle(), QStringLiteral("notes.txt"));
    EXPECT_EQ(d.record().lpstrFile.size(), 520);

    // Setting a new name after a choice reads back as that name.
    d.setFileName(QStringLiteral("other.log"));
    EXPECT_EQ(d.FileName(), QStringLiteral("other.log"));

    struct Case
    {
        QString chosen, path, extension, title;
    };
    const Case cases[] = {
        {QStringLiteral("/a.txt"), QStringLiteral("/"), QStringLiteral("txt"),
         QStringLiteral("a.txt")},
        {QStringLiteral("/d.x/README"), QStringLiteral("/d.x"), QString(),
         QStringLiteral("README")},
        {QStringLiteral("/home/u/.profile"), QStringLiteral("/home/u"), QString(),
         QStringLiteral(".profile")},
        {QStringLiteral("/t/a.tar.gz"), QStringLiteral("/t"), QStringLiteral("gz"),
         QStringLiteral("a.tar.gz")},
        {QStringLiteral("/t/../u/./b.txt"), QStringLiteral("/u"), QStringLiteral("txt"),
         QStringLiteral("b.txt")},
    };
    for (const Case& c : cases) {
        Scripted one{{c.chosen}};
        cOpenSaveDialog e(one.chooser());
        ASSERT_TRUE(e.ShowOpen(nullptr));
        EXPECT_EQ(e.FilePath(), c.path) << c.chosen.toStdString();
        EXPECT_EQ(e.FileExtension(), c.extension) << c.chosen.toStdString();
        EXPECT_EQ(e.FileTitle(), c.title) << c.chosen.toStdString();
    }
}

TEST(OpenSaveDialogChoice, MultipleSelectionListsFolderAndNames)
{
    Scripted s{{QStringLiteral("/d/a.txt"), QStringLiteral("/d/b.txt")}};
    cOpenSaveDialog d(s.chooser());
    d.setFlags(cOpenSaveDialog::OFN_ALLOWMULTISELECT);
    ASSERT_TRUE(d.ShowOpen(nullptr));
    EXPECT_TRUE(s.seen->multiSelect);
    EXPECT_EQ(d.FileName(), QStringLiteral("/d") + QChar(u'\0') + QStringLiteral("a.txt") +
                                QChar(u'\0') + QStringLiteral("b.txt"));
    EXPECT_EQ(d.FilePath(), QStringLiteral("/d"));
    EXPECT_EQ(d.FileExtension(), QString());
}

TEST(OpenSaveDialogChoice, SaveAddsTheDefaultExtensionAndFlagsADifferentOne)
{
    Scripted s{{QStringLiteral("/d/results")}};
    cOpenSaveDialog d(s.chooser());
    d.setDefaultExt(QStringLiteral("txt"));
    ASSERT_TRUE(d.ShowSave(nullptr));
    EXPECT_EQ(d.FileName(), QStringLiteral("/d/results.txt"));
    EXPECT_FALSE(d.record().Flags & cOpenSaveDialog::OFN_EXTENSIONDIFFERENT);

    Scripted log{{QStringLiteral("/d/results.log")}};
    cOpenSaveDialog e(log.chooser());
    e.setDefaultExt(QStringLiteral("txt"));
    ASSERT_TRUE(e.ShowSave(nullptr));
    EXPECT_EQ(e.FileName(), QStringLiteral("/d/results.log"));
    EXPECT_TRUE(e.record().Flags & cOpenSaveDialog::OFN_EXTENSIONDIFFERENT);
}

TEST(OpenSaveDialogChoice, RequestCarriesTheProperties)
{
    Scripted s;
    cOpenSaveDialog d(s.chooser());
    d.setFilter(OpenFilter);
    d.setFilterIndex(2);
    d.setDialogTitle(QStringLiteral("Pick"));
    d.setInitDir(QStringLiteral("/srv"));
    d.setFileName(QStringLiteral("start.txt"));
    d.setDefaultExt(QStringLiteral("txt"));
    QWidget owner;
    d.ShowOpen(&owner);
    EXPECT_EQ(s.seen->owner, &owner);
    EXPECT_EQ(s.seen->nameFilters, QStringList({QStringLiteral("Text (*.TXT *.ini *.inf *.log)"),
                                                QStringLiteral("All (*.*)")}));
    EXPECT_EQ(s.seen->selectedFilter, 1);
    EXPECT_EQ(s.seen->title, QStringLiteral("Pick"));
    EXPECT_EQ(s.seen->directory, QStringLiteral("/srv"));
    EXPECT_EQ(s.seen->fileName, QStringLiteral("start.txt"));
    EXPECT_EQ(s.seen->defaultSuffix, QStringLiteral("txt"));

    EXPECT_EQ(cOpenSaveDialog::QtNameFilter(QStringLiteral("Logs"), QStringLiteral("*.log; *.txt")),
              QStringLiteral("Logs (*.log *.txt)"));
    EXPECT_EQ(cOpenSaveDialog::QtNameFilter(QString(), QString()), QStringLiteral("(*)"));
}

TEST(OpenSaveDialogErrors, CancelRaisesOnlyWhenAskedTo)
{
    Scripted s;
    cOpenSaveDialog d(s.chooser());
    EXPECT_FALSE(d.ShowOpen(nullptr));
    d.setCancelError(true);
    for (bool save : {false, true}) {
        try {
            save ? d.ShowSave(nullptr) : d.ShowOpen(nullptr);
            ADD_FAILURE() << "no error raised";
        } catch (const cOpenSaveDialog::Error& e) {
            EXPECT_EQ(e.Number(), -2147221504);
            EXPECT_EQ(e.Source(), save ? QStringLiteral("Common Dialog Save")
                                       : QStringLiteral("Common Dialog Open"));
            EXPECT_EQ(e.Description(), QStringLiteral("Cancel was seleted"));
        }
    }
}

TEST(OpenSaveDialogErrors, DialogFailuresRaiseTheirNumbers)
{
    Scripted s;
    s.code = 2;
    cOpenSaveDialog d(s.chooser());
    try {
        d.ShowOpen(nullptr);
        ADD_FAILURE() << "no error raised";
    } catch (const cOpenSaveDialog::Error& e) {
        EXPECT_EQ(e.Number(), 2);
        EXPECT_EQ(e.Description(),
                  QStringLiteral("The common dialog box function failed during initialization."));
    }
    // The object stays usable after an error.
    cOpenSaveDialog again(Scripted{{QStringLiteral("/x.txt")}}.chooser());
    EXPECT_TRUE(again.ShowOpen(nullptr));

    EXPECT_EQ(cOpenSaveDialog::ErrorFor(0x3002, true).Description(),
              QStringLiteral("A file name is invalid."));
    EXPECT_EQ(cOpenSaveDialog::ErrorFor(0xFFFF, false).Number(), 65535);
    EXPECT_EQ(cOpenSaveDialog::ErrorFor(7, false).Description(),
              cOpenSaveDialog::ErrorFor(6, false).Description());
    EXPECT_EQ(cOpenSaveDialog::ErrorFor(0x1234, false).Description(),
              QStringLiteral("Unknown error code of 4660"));
    EXPECT_EQ(cOpenSaveDialog::ErrorFor(0x1234, false).Number(), 4660);
    EXPECT_STREQ(cOpenSaveDialog::ErrorFor(0x3002, false).what(),
                 "Common Dialog Open: A file name is invalid.");
}

TEST(OpenSaveDialogErrors, TooSmallBufferReportsTheSizeNeeded)
{
    const QString chosen = QStringLiteral("/a/rather/long/folder/name.txt"); // 30 characters
    Scripted s{{chosen}};
    cOpenSaveDialog d(s.chooser());
    d.setMaxFileSize(10);
    try {
        d.ShowOpen(nullptr);
        ADD_FAILURE() << "no error raised";
    } catch (const cOpenSaveDialog::Error& e) {
        EXPECT_EQ(e.Number(), 12291);
    }
    EXPECT_EQ(d.MinimumBufferSizeRequired(), 31);
    d.setMaxFileSize(31);
    EXPECT_TRUE(d.ShowOpen(nullptr));
    EXPECT_EQ(d.MinimumBufferSizeRequired(), 0);
    EXPECT_EQ(d.FileName(), chosen);

    cOpenSaveDialog tiny(s.chooser());
    tiny.setMaxFileSize(4);
    EXPECT_THROW(tiny.ShowOpen(nullptr), cOpenSaveDialog::Error);
    EXPECT_EQ(tiny.MinimumBufferSizeRequired(), -1);
}

TEST(OpenSaveDialogProperties, ClearResetsEverything)
{
    Scripted s{{QStringLiteral("/data/notes.txt")}};
    cOpenSaveDialog d(s.chooser());
    d.setFilter(OpenFilter);
    d.setFlags(4096);
    d.setCancelError(true);
    d.setMaxFileSize(600);
    d.setInitDir(QStringLiteral("/tmp"));
    ASSERT_TRUE(d.ShowOpen(nullptr));
    d.Clear();
    EXPECT_EQ(d.Flags(), 0);
    EXPECT_FALSE(d.CancelError());
    EXPECT_EQ(d.MaxFileSize(), 520);
    EXPECT_EQ(d.FileName(), QString());
    EXPECT_EQ(d.FilePath(), QString());
    EXPECT_EQ(d.Filter(), QString());
    EXPECT_EQ(d.InitDir(), QString());
    EXPECT_EQ(d.record().lStructSize, 0);
    EXPECT_EQ(d.record().hwndOwner, nullptr);
    EXPECT_TRUE(d.ShowOpen(nullptr)); // the chooser stays
}

TEST(OpenSaveDialogReal, OpenIsAnsweredThroughTheQtDialog)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("notes.TXT"));
    ASSERT_TRUE(TestUtil::writeFile(file, QByteArray("x")));
    cOpenSaveDialog d;
    d.setFilter(OpenFilter);
    d.setFlags(4096);
    d.setDialogTitle(QStringLiteral("Open..."));
    d.setInitDir(dir.path());
    QStringList filtersShown;
    QString titleShown;
    answerNextDialog([&](QFileDialog* fd) {
        filtersShown = fd->nameFilters();
        titleShown = fd->windowTitle();
        fd->selectFile(file);
        static_cast<QDialog*>(fd)->accept(); // runs the file dialog's own checks
    });
    ASSERT_TRUE(d.ShowOpen(nullptr));
    EXPECT_EQ(d.FileName(), file);
    EXPECT_EQ(d.FilePath(), dir.path());
    EXPECT_EQ(d.FileExtension(), QStringLiteral("TXT"));
    EXPECT_EQ(d.FilterIndex(), 1);
    EXPECT_EQ(titleShown, QStringLiteral("Open..."));
    EXPECT_EQ(filtersShown.size(), 2);

    answerNextDialog([](QFileDialog* fd) { fd->reject(); });
    EXPECT_FALSE(d.ShowOpen(nullptr));
    d.setCancelError(true);
    answerNextDialog([](QFileDialog* fd) { fd->reject(); });
    EXPECT_THROW(d.ShowOpen(nullptr), cOpenSaveDialog::Error);
}

TEST(OpenSaveDialogReal, SaveTypedNameGetsTheDefaultExtension)
{
    QTemporaryDir dir;
    cOpenSaveDialog d;
    d.setFilter(QStringLiteral("Save as text file (*.TXT)|*.TXT"));
    d.setDefaultExt(QStringLiteral("txt"));
    d.setInitDir(dir.path());
    answerNextDialog([](QFileDialog* fd) {
        auto* edit = fd->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(edit, nullptr);
        edit->setText(QStringLiteral("results"));
        static_cast<QDialog*>(fd)->accept(); // runs the file dialog's own checks
    });
    ASSERT_TRUE(d.ShowSave(nullptr));
    EXPECT_EQ(d.FileName(), dir.filePath(QStringLiteral("results.txt")));
}

TEST(OpenSaveDialogReal, OwnerClosedWhileTheDialogIsUp)
{
    auto* owner = new QWidget;
    owner->show();
    cOpenSaveDialog d;
    answerNextDialog([owner](QFileDialog*) { delete owner; });
    EXPECT_FALSE(d.ShowOpen(owner));
}
