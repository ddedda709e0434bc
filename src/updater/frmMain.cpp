#include "frmMain.h"

#include "Downloader.h"
#include "PatchList.h"
#include "ProgressText.h"
#include "ReplaceExecutable.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <cerrno>

namespace {

QString joinPath(const QString& folder, const QString& name)
{
    if (folder.endsWith(u'/'))
        return folder + name;
    return folder + u'/' + name;
}

} // namespace

frmMain::Setup frmMain::DefaultSetup(const QStringList& arguments)
{
    Setup setup;
    setup.programFolder = QCoreApplication::applicationDirPath();
    setup.mainExeName = arguments.join(u' ');
    setup.updateListUrl = PatchList::UpdateListUrl();
    setup.productPageUrl = PatchList::ProductPageUrl();
    setup.showMessage = [](QWidget* parent, QMessageBox::Icon icon, const QString& title,
                           const QString& text) {
        QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
        box.exec();
    };
    setup.openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    setup.startProgram = [](const QString& program, const QStringList& args,
                            const QString& workingDirectory) {
        return QProcess::startDetached(program, args, workingDirectory);
    };
    return setup;
}

frmMain::frmMain(Setup setup, QWidget* parent) : QWidget(parent), m_setup(std::move(setup))
{
    setWindowTitle(QStringLiteral("更新"));
    setFixedSize(417, 313);

    // Positions are the window's twips divided by 15.
    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(2, 2, 413, 231);
    Text1->setReadOnly(true);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    lblCount = new QLabel(this);
    lblCount->setObjectName(QStringLiteral("lblCount"));
    lblCount->setGeometry(2, 236, 411, 17);

    hProgress = new QProgressBar(this);
    hProgress->setObjectName(QStringLiteral("hProgress"));
    hProgress->setGeometry(3, 252, 410, 20);
    hProgress->setRange(0, 100);
    hProgress->setValue(0);
    hProgress->setTextVisible(false);

    cmdDown = new QPushButton(QStringLiteral("更新(&U)"), this);
    cmdDown->setObjectName(QStringLiteral("cmdDown"));
    cmdDown->setGeometry(60, 284, 77, 25);
    cmdCancel = new QPushButton(QStringLiteral("停止(&S)"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setGeometry(171, 284, 77, 25);
    cmdCancel->setEnabled(false);
    cmdExit = new QPushButton(QStringLiteral("退出(&E)"), this);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    cmdExit->setGeometry(282, 284, 77, 25);
    setTabOrder(cmdDown, cmdCancel);
    setTabOrder(cmdCancel, cmdExit);
    setTabOrder(cmdExit, Text1);

    connect(cmdDown, &QPushButton::clicked, this, &frmMain::cmdDown_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmMain::cmdCancel_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmMain::cmdExit_Click);

    Downer1 = new Downloader(this);
    connect(Downer1, &Downloader::DownProgress, this, &frmMain::Downer1_DownProgress);
    connect(Downer1, &Downloader::DownError, this, &frmMain::Downer1_DownError);
    connect(Downer1, &Downloader::DownComplete, this, &frmMain::Downer1_DownComplete);
    connect(Downer1, &Downloader::DownAllComplete, this, &frmMain::Downer1_DownAllComplete);
    connect(Downer1, &Downloader::BeginDownError, this, &frmMain::Downer1_BeginDownError);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

frmMain::~frmMain() = default;

QString frmMain::TargetPath() const
{
    const QString& name = m_setup.mainExeName;
    // Only a file in the program folder may be replaced or started.
    if (name.isEmpty() || name.contains(u'/') || name == u"." || name == u"..")
        return {};
    return joinPath(m_setup.programFolder, name);
}

void frmMain::Form_Load()
{
    const QString list = PatchList::GetUpdateList(m_setup.updateListUrl, m_setup.listTimeoutMs);
    const std::optional<PatchList::Info> info =
        list.isEmpty() ? std::nullopt : PatchList::Parse(list);
    if (!info) {
        Text1->setPlainText(QStringLiteral("Do not update"));
        return;
    }
    QString shown = PatchList::DisplayText(*info);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    Text1->setPlainText(shown);
    m_downURL = info->downloadUrl;
    m_sha256 = info->sha256;
}

void frmMain::setReady(bool ready)
{
    cmdDown->setEnabled(ready);
    cmdCancel->setEnabled(!ready);
}

void frmMain::cmdDown_Click()
{
    setReady(false);
    DownaFile(QString(), m_downURL, QStringLiteral("tmp.tmp"));
}

void frmMain::cmdCancel_Click()
{
    setReady(true);
    Downer1->CancelAllDown();
}

void frmMain::cmdExit_Click()
{
    close();
}

void frmMain::DownaFile(const QString& vCaption, const QString& vURL, const QString& vFileName)
{
    m_savePath = joinPath(m_setup.programFolder, vFileName);
    StartDownload(vCaption + u' ', vURL, m_savePath);
}

void frmMain::StartDownload(const QString& /*vCaption*/, const QString& vURL, const QString& vFile)
{
    Downer1->BeginDown(vURL, vFile,
                       {{QStringLiteral("TransferTimeout"), m_setup.downloadTimeoutMs}});
}

void frmMain::Downer1_BeginDownError(int number, const QString& description, const QString&)
{
    if (m_closed)
        return;
    m_setup.showMessage(this, QMessageBox::Critical, QStringLiteral("Error"),
                        QString::number(number) + u":error: BeginDown().\n\n" + description);
    // Nothing runs, so the buttons go back to Ready rather than waiting for a stop.
    setReady(true);
}

void frmMain::Downer1_DownProgress(qint64 CurBytes, qint64 MaxBytes, const QString&)
{
    if (m_closed || MaxBytes == 0)
        return;
    lblCount->setText(ProgressText::ProgressLine(CurBytes, MaxBytes, m_setup.locale));
    hProgress->setValue(ProgressText::BarPosition(CurBytes, MaxBytes));
}

void frmMain::Downer1_DownError(const QString&)
{
    if (m_closed)
        return;
    showFailure(QStringLiteral("升级失败, 请重试."));
}

void frmMain::Downer1_DownComplete(qint64, const QString& SaveFile)
{
    if (m_closed)
        return;
    m_replacing = true;
    const QString target = TargetPath();
    ReplaceResult result;
    if (target.isEmpty()) {
        result = {false, ENOENT, QStringLiteral("No program to replace.")};
        QFile::remove(SaveFile);
    } else {
        pause(m_setup.replaceWaitMs);
        result = ReplaceExecutable(SaveFile, target, m_sha256);
    }
    if (result.ok) {
        lblCount->setText(QStringLiteral("升级完成."));
        m_updateFailed = false;
        pause(m_setup.closeWaitMs);
        m_replacing = false;
        close();
        return;
    }
    m_replacing = false;
    showFailure(QStringLiteral("更新失败，请重试！"));
    m_setup.showMessage(this, QMessageBox::Warning, QCoreApplication::applicationName(),
                        u"更新：" + joinPath(m_setup.programFolder, m_setup.mainExeName) +
                            u"\nError Number: " + QString::number(result.number) +
                            u"\nDescription:" + result.description);
}

void frmMain::showFailure(const QString& text)
{
    lblCount->setText(text);
    // A full bar beside a failure would read as a finished update.
    hProgress->setValue(0);
    m_updateFailed = true;
}

void frmMain::Downer1_DownAllComplete(const QStringList&)
{
    if (m_closed)
        return;
    setReady(true);
}

void frmMain::pause(int ms)
{
    if (ms <= 0)
        return;
    QEventLoop wait;
    QTimer::singleShot(ms, &wait, &QEventLoop::quit);
    wait.exec(QEventLoop::ExcludeUserInputEvents);
}

void frmMain::closeEvent(QCloseEvent* event)
{
    // The program is being swapped: closing now could leave neither old nor new in place.
    if (m_replacing) {
        event->ignore();
        return;
    }
    if (!m_closed) {
        m_closed = true;
        if (m_updateFailed) {
            m_setup.openUrl(m_setup.productPageUrl);
        } else {
            const QString target = TargetPath();
            if (!target.isEmpty() && QFileInfo(target).isFile())
                m_setup.startProgram(target, {QStringLiteral("UP")}, m_setup.programFolder);
        }
        Downer1->CancelAllDown();
    }
    event->accept();
}
