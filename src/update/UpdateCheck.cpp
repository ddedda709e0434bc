#include "UpdateCheck.h"

#include "GetRemoteText.h"
#include "HttpTransport.h"
#include "StringTable.h"
#include "UpdateList.h"
#include "UpdateVersion.h"
#include "UpdaterFile.h"
#include "VendorUrl.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>

namespace {

constexpr int kRetryMs = 1000;

} // namespace

UpdateCheck::UpdateCheck(QWidget* window, std::function<QString()> languageIndex,
                         std::function<void()> requestExit, QObject* parent)
    : QObject(parent), m_window(window), m_languageIndex(std::move(languageIndex)),
      m_requestExit(std::move(requestExit)), m_hooks(DefaultHooks()),
      m_programPath(QCoreApplication::applicationFilePath()),
      m_currentVersion(UpdateVersion::CurrentVersion()),
      m_timeoutMs(HttpTransport::kDefaultTimeoutMs)
{
}

UpdateCheck::Hooks UpdateCheck::DefaultHooks()
{
    Hooks hooks;
    hooks.askYesNo = [](QWidget* parent, const QString& title, const QString& text) {
        QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Yes | QMessageBox::No,
                        parent);
        box.setObjectName(QStringLiteral("UpdateQuestion"));
        return box.exec() == QMessageBox::Yes;
    };
    hooks.openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    hooks.startProgram = [](const QString& program, const QStringList& arguments,
                            const QString& workingDirectory) {
        return QProcess::startDetached(program, arguments, workingDirectory);
    };
    return hooks;
}

QString UpdateCheck::programFolder() const
{
    return QFileInfo(m_programPath).absolutePath();
}

QString UpdateCheck::text(int n) const
{
    const QString language = m_languageIndex ? m_languageIndex() : QStringLiteral("1");
    return StringTable::LoadResString(StringTable::TextId(language, n)).value_or(QString());
}

void UpdateCheck::Timer2_Timer(QTimer* timer2)
{
    if (timer2)
        timer2->stop();
    if (m_done || m_pending)
        return;
    // A timer can fire while another request waits in its local loop; the check would then
    // ask its question in the middle of that request. Try again a moment later instead.
    if (HttpTransport::Busy()) {
        m_pending = true;
        QTimer::singleShot(kRetryMs, this, [this] {
            m_pending = false;
            Timer2_Timer();
        });
        return;
    }
    m_done = true;
    run();
}

void UpdateCheck::run()
{
    // An install this user cannot replace (system-wide) offers nothing it could not carry out.
    if (!UpdaterFile::CanUpdateProgram(programFolder()))
        return;
    const QString list = GetRemoteText(VendorUrl::UpdateList(), true, m_timeoutMs);
    if (list.isEmpty())
        return;

    const QString folder = programFolder();
    // A leftover of an earlier update goes whether or not an update is offered now.
    UpdaterFile::RemoveLeftoverUpdater(folder);

    if (!UpdateList::OffersUpdate(list, m_currentVersion))
        return;

    if (!m_hooks.askYesNo(m_window, text(100), text(116))) {
        m_hooks.openUrl(VendorUrl::ProductPage());
        return;
    }

    const QString updater = UpdaterFile::UpdaterPath(folder);
    bool started = false;
    if (UpdaterFile::PrepareUpdater(updater))
        started = m_hooks.startProgram(updater, {QFileInfo(m_programPath).fileName()}, folder);
    if (!started) {
        // Quitting now would leave the user with neither program; the product page offers
        // the download instead.
        emit updaterFailed();
        m_hooks.openUrl(VendorUrl::ProductPage());
        return;
    }
    if (m_requestExit)
        m_requestExit();
}
