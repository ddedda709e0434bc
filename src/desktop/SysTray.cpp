#include "SysTray.h"

#include "IcoMod.h"
#include "StartStyle.h"
#include "TrayBalloon.h"
#include "X11Connection.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

namespace {
// Qt maps a window that is to start minimised in the normal state (WM_HINTS says so); right
// behind the map, the ICCCM request to iconify it reaches the window manager before it draws.
void AskIconic(QWidget* window)
{
    xcb_connection_t* c = X11Connection::Get();
    const xcb_atom_t changeState =
        c ? X11Connection::Atom(c, "WM_CHANGE_STATE") : xcb_atom_t(XCB_ATOM_NONE);
    if (changeState == XCB_ATOM_NONE)
        return;
    xcb_client_message_event_t event = {};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = xcb_window_t(window->winId());
    event.type = changeState;
    event.data.data32[0] = 3; // IconicState
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_send_event(c, false, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(c);
}
} // namespace

SysTray::SysTray(QWidget* mainWindow, QMenu* menuSYS, QAction* menuSYS1,
                 const QString& languageIndex)
    : QObject(mainWindow), m_window(mainWindow), m_menu(menuSYS), m_defaultItem(menuSYS1),
      m_languageIndex(languageIndex)
{
    m_hosts = new TrayHostWatch(this);
    connect(m_hosts, &TrayHostWatch::changed, this, &SysTray::OnHostsChanged);
    m_notifier = new Notifier(this);
    connect(m_notifier, &Notifier::activated, this, &SysTray::RestoreWindow);
    if (mainWindow)
        mainWindow->installEventFilter(this);
    m_dockTimer.setInterval(250);
    connect(&m_dockTimer, &QTimer::timeout, this, &SysTray::CheckDocked);
}

SysTray::~SysTray()
{
    if (m_window)
        m_window->removeEventFilter(this);
    delete m_balloon;
}

void SysTray::SetLanguageIndex(const QString& languageIndex)
{
    m_languageIndex = languageIndex;
    if (m_icon && m_icon->isVisible())
        m_icon->setToolTip(TrayTexts::Fill(m_languageIndex).szTip);
}

void SysTray::CreateIcon()
{
    // Qt settles on a D-Bus or an XEmbed icon when the icon is made, and remembers "no D-Bus
    // tray" for good: made before any host is there, it could never reach one that speaks
    // StatusNotifierItem.
    QIcon icon = m_window ? m_window->windowIcon() : QIcon();
    if (icon.isNull())
        icon = IcoMod::LoadIconResource(QStringLiteral("IDR_MAINFRAME"));
    m_icon = new QSystemTrayIcon(icon, this);
    if (m_menu) {
        if (m_defaultItem)
            m_menu->setDefaultAction(m_defaultItem);
        m_icon->setContextMenu(m_menu);
    }
    connect(m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { TrayWndProc(reason); });
}

void SysTray::AddTrayIcon()
{
    m_wanted = true;
    if (!m_icon && TrayAvailable())
        CreateIcon();
    if (!m_icon)
        return; // the host's arrival adds it
    m_icon->setToolTip(TrayTexts::Fill(m_languageIndex).szTip);
    m_icon->show();
    m_docked = false;
    m_dockLooks = 0;
    CheckDocked();
}

void SysTray::OnHostsChanged()
{
    if (!m_wanted)
        return;
    if (!m_icon) {
        AddTrayIcon();
        return;
    }
    m_dockLooks = 0;
    CheckDocked();
}

bool SysTray::PlatformIconDocked() const
{
    // On X11 an XEmbed icon is a small window of Qt's that the tray host embeds; it is exposed
    // once it sits in the host's panel, and destroyed when the host goes away. A D-Bus icon
    // has its place as long as a StatusNotifierItem host is there.
    if (const QWindow* w = PlatformIconWindow())
        return w->isExposed();
    return !m_embedded && m_hosts->StatusNotifierHost();
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
    const bool docked = m_icon && m_icon->isVisible() && IconDocked();
    // Wait for the place only while a host is there to give it, and not for ever.
    const bool wait =
        !docked && m_icon && m_icon->isVisible() && TrayAvailable() && m_dockLooks++ < 40;
    if (wait && !m_dockTimer.isActive())
        m_dockTimer.start();
    else if (!wait)
        m_dockTimer.stop();
    if (docked == m_docked)
        return;
    m_docked = docked;
    if (!docked)
        return;
    // A host that restarts gives the icon a new window: its end is the undock.
    if (QWindow* w = PlatformIconWindow()) {
        m_embedded = true;
        connect(w, &QObject::destroyed, this, [this] {
            m_docked = false;
            m_dockLooks = 0;
            CheckDocked();
        });
    }
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
    Tell(m_lastBalloon.szInfoTitle, m_lastBalloon.szInfo, QSystemTrayIcon::Information,
         m_balloonTimeout);
}

bool SysTray::Tell(const QString& title, const QString& text, QSystemTrayIcon::MessageIcon kind,
                   int timeoutMs)
{
    const Notifier::Urgency urgency =
        kind == QSystemTrayIcon::Critical ? Notifier::Urgency::Critical : Notifier::Urgency::Normal;
    if (m_notifier->Notify(title, text, urgency, timeoutMs))
        return true;
    if (!m_icon || !m_icon->isVisible() || !m_docked)
        return false;
    QPixmap picture;
    if (kind != QSystemTrayIcon::NoIcon) {
        picture = StartStyle::BalloonIcon(
                      kind == QSystemTrayIcon::Critical  ? QStyle::SP_MessageBoxCritical
                      : kind == QSystemTrayIcon::Warning ? QStyle::SP_MessageBoxWarning
                                                         : QStyle::SP_MessageBoxInformation)
                      .pixmap(18, 18);
    }
    if (!m_balloon)
        m_balloon = new TrayBalloon;
    // Beside the icon; one the tray tells no place of is in the corner.
    const QRect place = m_icon->geometry();
    QScreen* screen = place.isValid() ? QGuiApplication::screenAt(place.center()) : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    m_balloon->Show(title, text, picture,
                    place.isValid() ? place : QRect(area.bottomRight(), QSize(1, 1)), area,
                    timeoutMs);
    return true;
}

void SysTray::MinimiseToTray()
{
    m_hidePending = false;
    if (!m_window)
        return;
    if (!TrayAvailable()) {
        // Wayland lets no program bring a minimised window back: without a tray it stays.
        if (!QGuiApplication::platformName().startsWith(u"wayland"))
            m_window->setWindowState(m_window->windowState() | Qt::WindowMinimized);
        return;
    }
    // Only hidden, never minimised by us: Qt maps a window leaving the minimised state before it
    // marks it normal, and the window manager then keeps it iconic (it vanished again at once).
    // A window the user minimised was made iconic by the window manager and maps back normal.
    m_window->hide();
}

void SysTray::ShowMinimisedAtStart()
{
    if (!m_window)
        return;
    m_window->setWindowState(m_window->windowState() | Qt::WindowMinimized);
    m_window->show();
    AskIconic(m_window);
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
    m_wanted = false;
    m_dockTimer.stop();
    if (m_icon)
        m_icon->hide();
    if (m_balloon)
        m_balloon->close();
}

void SysTray::TrayWndProc(QSystemTrayIcon::ActivationReason reason)
{
    if (reason != QSystemTrayIcon::Trigger)
        return;
    // A modal dialog (Options) is what the user is in: bring it up rather than hide the
    // window behind it.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        if (m_window && !m_window->isVisible())
            RestoreWindow();
        modal->raise();
        modal->activateWindow();
        return;
    }
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
