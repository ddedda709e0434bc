#include "SysTray.h"

#include "IcoMod.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QTimer>
#include <QWidget>

SysTray::SysTray(QWidget* mainWindow, QMenu* menuSYS, QAction* menuSYS1,
                 const QString& languageIndex)
    : QObject(mainWindow), m_window(mainWindow), m_languageIndex(languageIndex)
{
    QIcon icon = mainWindow ? mainWindow->windowIcon() : QIcon();
    if (icon.isNull())
        icon = IcoMod::LoadIconResource(QStringLiteral("IDR_MAINFRAME"));
    m_icon = new QSystemTrayIcon(icon, this);
    if (menuSYS) {
        if (menuSYS1)
            menuSYS->setDefaultAction(menuSYS1);
        m_icon->setContextMenu(menuSYS);
    }
    connect(m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { TrayWndProc(reason); });
    if (mainWindow)
        mainWindow->installEventFilter(this);
}

SysTray::~SysTray()
{
    if (m_window)
        m_window->removeEventFilter(this);
}

void SysTray::SetLanguageIndex(const QString& languageIndex)
{
    m_languageIndex = languageIndex;
    if (m_icon->isVisible())
        m_icon->setToolTip(TrayTexts::Fill(m_languageIndex).szTip);
}

void SysTray::AddTrayIcon()
{
    m_icon->setToolTip(TrayTexts::Fill(m_languageIndex).szTip);
    m_icon->show();
    ShowBalloon();
}

void SysTray::ShowBalloon()
{
    m_lastBalloon = TrayTexts::Fill(m_languageIndex);
    m_icon->setToolTip(m_lastBalloon.szTip);
    ++m_balloonCount;
    m_icon->showMessage(m_lastBalloon.szInfoTitle, m_lastBalloon.szInfo,
                        QSystemTrayIcon::Information, m_balloonTimeout);
}

void SysTray::MinimiseToTray()
{
    m_hidePending = false;
    if (!m_window)
        return;
    if (!m_window->isMinimized()) {
        // Set the state first; the state-change event must not schedule a second greeting.
        m_hidePending = true;
        m_window->setWindowState(m_window->windowState() | Qt::WindowMinimized);
        m_hidePending = false;
    }
    ShowBalloon();
    // A hidden window has neither a taskbar entry nor a place in the window list.
    m_window->hide();
}

void SysTray::RestoreWindow()
{
    if (!m_window)
        return;
    m_window->setWindowState(m_window->windowState() &
                             ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

bool SysTray::IsInTray() const
{
    return m_window && (m_window->isMinimized() || !m_window->isVisible());
}

void SysTray::RemoveTrayIcon()
{
    m_icon->hide();
}

void SysTray::TrayWndProc(QSystemTrayIcon::ActivationReason reason)
{
    if (reason != QSystemTrayIcon::Trigger)
        return;
    if (IsInTray())
        RestoreWindow();
    else
        MinimiseToTray();
}

bool SysTray::eventFilter(QObject* watched, QEvent* event)
{
    // Without a notification area a hidden window could not be found again: it stays minimised.
    if (watched == m_window && event->type() == QEvent::WindowStateChange && !m_hidePending &&
        m_window->isMinimized() && m_window->isVisible() && TrayAvailable()) {
        // Hiding from inside the state change confuses some window managers; do it right after.
        m_hidePending = true;
        QTimer::singleShot(0, this, [this] {
            if (m_hidePending && m_window && m_window->isMinimized() && m_window->isVisible())
                MinimiseToTray();
            m_hidePending = false;
        });
    }
    return QObject::eventFilter(watched, event);
}
