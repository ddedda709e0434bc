// The notification-area icon: tip, welcome, left click to show or hide the window, right click
// for the tray menu. The icon is made once a tray host is there, and greets where it docks.
#pragma once

#include "Notifier.h"
#include "TrayHostWatch.h"
#include "TrayTexts.h"

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <functional>

class QAction;
class TrayBalloon;
class QMenu;
class QWidget;
class QWindow;

class SysTray final : public QObject
{
    Q_OBJECT
  public:
    // menuSYS is the tray menu; menuSYS1 its default (bold) item. The tray watches the window:
    // minimising it (also by the close box) sends it to the notification area.
    SysTray(QWidget* mainWindow, QMenu* menuSYS, QAction* menuSYS1, const QString& languageIndex);
    ~SysTray() override;

    // The interface language of the tip and balloon; used from the next add or minimise on.
    void SetLanguageIndex(const QString& languageIndex);

    // Shows the icon with its tip, now or as soon as a tray host appears. The welcome follows
    // once the icon has its place in the notification area, and again whenever it docks anew
    // (the tray host restarted).
    void AddTrayIcon();
    // Hides the window and its taskbar entry, leaving the icon; without a notification area the
    // window is minimised to the taskbar instead.
    void MinimiseToTray();
    // The first show of a "mini" start without a notification area: mapped minimised (iconic),
    // never shown whole first.
    void ShowMinimisedAtStart();
    // Back to the normal state (never maximised), shown, raised and focused.
    void RestoreWindow();
    // The window is hidden in the notification area (minimised or not shown).
    bool IsInTray() const;
    // Removes the icon for good (the final unload).
    void RemoveTrayIcon();

    // A message for the user: a notification where a server is there, else a balloon at the
    // docked icon. False when neither can be shown.
    bool Tell(const QString& title, const QString& text, QSystemTrayIcon::MessageIcon kind,
              int timeoutMs);

    // Milliseconds a balloon stays; 10 s unless changed.
    void SetBalloonTimeout(int ms) { m_balloonTimeout = ms; }
    // Whether a notification area is there to hide into (tests answer for the platform).
    bool TrayAvailable() const { return m_trayAvailable(); }
    void SetTrayAvailable(std::function<bool()> available)
    {
        m_trayAvailable = std::move(available);
    }
    // Whether the icon sits in a notification area now (tests answer for the platform).
    bool IconDocked() const { return m_iconDocked(); }
    void SetIconDocked(std::function<bool()> docked) { m_iconDocked = std::move(docked); }
    // Null until a tray host has been there.
    QSystemTrayIcon* Icon() const { return m_icon; }
    TrayHostWatch* Hosts() const { return m_hosts; }
    Notifier* Notifications() const { return m_notifier; }
    // Whether a timer of ours runs (only while an icon waits for its place).
    bool Waiting() const { return m_dockTimer.isActive(); }
    const TrayTexts::Record& LastBalloon() const { return m_lastBalloon; }
    int BalloonCount() const { return m_balloonCount; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void TrayWndProc(QSystemTrayIcon::ActivationReason reason);
    void ShowBalloon();
    void CreateIcon();
    void OnHostsChanged();
    void CheckDocked();
    bool PlatformIconDocked() const;
    static QWindow* PlatformIconWindow();

    QPointer<QWidget> m_window;
    QMenu* m_menu = nullptr;
    QAction* m_defaultItem = nullptr;
    QSystemTrayIcon* m_icon = nullptr;
    TrayHostWatch* m_hosts = nullptr;
    Notifier* m_notifier = nullptr;
    // Ours where no notification server answers, while one is shown.
    QPointer<TrayBalloon> m_balloon;
    bool m_wanted = false;
    // Qt placed the icon in an XEmbed tray (its own small window) rather than on the bus.
    bool m_embedded = false;
    QString m_languageIndex;
    TrayTexts::Record m_lastBalloon;
    int m_balloonCount = 0;
    int m_balloonTimeout = 10000;
    bool m_hidePending = false;
    bool m_docked = false;
    // Looks for the icon's place while it waits for it after a host appeared: an XEmbed icon
    // gives no signal for docking. Never runs once docked or with no host.
    QTimer m_dockTimer;
    int m_dockLooks = 0;
    std::function<bool()> m_trayAvailable = [this] { return m_hosts->Present(); };
    std::function<bool()> m_iconDocked = [this] { return PlatformIconDocked(); };
};
