#include "SysTray.h"

#include "IcoMod.h"

#include <QAction>
#include <QEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QWidget>
#include <QWindow>

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
    m_dockTimer.setInterval(250);
    connect(&m_dockTimer, &QTimer::timeout, this, &SysTray::CheckDocked);
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
    m_docked = false;
    CheckDocked();
    m_dockTimer.start();
}

bool SysTray::PlatformIconDocked()
{
    // On X11 the icon is a small window of Qt's that the tray host embeds; it is exposed once it
    // sits in the host's panel (Qt then knows its place on the screen), and destroyed when the
    // host goes away. Embedded, it is no top-level window. Other platforms place the icon
    // themselves.
    static bool embedding = false;
    if (const QWindow* w = PlatformIconWindow()) {
        embedding = true;
        return w->isExposed();
    }
    // A new host is there before Qt has made the icon's window for it.
    return !embedding && QSystemTrayIcon::isSystemTrayAvailable();
}

QWindow* SysTray::PlatformIconWindow()
{
    for (QWindow* w : QGuiApplication::allWindows()) {
        if (w->objectName() == QLatin1String("QSystemTrayIconSysWindow"))
            return w;
    }
    return nullptr;
}

void SysTray::CheckDocked()
{
    const bool docked = m_icon->isVisible() && IconDocked();
    if (docked == m_docked)
        return;
    m_docked = docked;
    if (!docked)
        return;
    // A host that restarts between two looks gives the icon a new window: its end is the undock.
    if (QWindow* w = PlatformIconWindow())
        connect(w, &QObject::destroyed, this, [this] { m_docked = false; });
    // The first place, or the place after the tray host came back: greet there.
    ShowBalloon();
}

void SysTray::ShowBalloon()
{
    m_lastBalloon = TrayTexts::Fill(m_languageIndex);
    m_icon->setToolTip(m_lastBalloon.szTip);
    // A balloon before the icon has a place would point at a corner of the screen; docking
    // greets instead.
    if (!m_docked)
        return;
    ++m_balloonCount;
    m_icon->showMessage(m_lastBalloon.szInfoTitle, m_lastBalloon.szInfo,
                        QSystemTrayIcon::Information, m_balloonTimeout);
}

void SysTray::MinimiseToTray()
{
    m_hidePending = false;
    if (!m_window)
        return;
    if (!TrayAvailable()) {
        m_window->setWindowState(m_window->windowState() | Qt::WindowMinimized);
        return;
    }
    ShowBalloon();
    // Only hidden, never minimised by us: Qt maps a window leaving the minimised state before it
    // marks it normal, and the window manager then keeps it iconic (it vanished again at once).
    // A window the user minimised was made iconic by the window manager and maps back normal.
    m_window->hide();
}

void SysTray::RestoreWindow()
{
    if (!m_window)
        return;
    const Qt::WindowStates normal =
        m_window->windowState() &
        ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
    if (m_window->windowState() != normal)
        m_window->setWindowState(normal);
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
