// The notification-area icon: tip, welcome balloon, left click to show or hide the window,
// right click for the tray menu.
#pragma once

#include "TrayTexts.h"

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <functional>

class QAction;
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

    // Shows the icon with its tip. The welcome balloon follows once the icon has its place in
    // the notification area, and again whenever it docks anew (the tray host restarted).
    void AddTrayIcon();
    // Greets again and hides the window and its taskbar entry, leaving the icon; without a
    // notification area the window is minimised to the taskbar instead.
    void MinimiseToTray();
    // Back to the normal state (never maximised), shown, raised and focused.
    void RestoreWindow();
    // The window is hidden in the notification area (minimised or not shown).
    bool IsInTray() const;
    // Removes the icon for good (the final unload).
    void RemoveTrayIcon();

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
    QSystemTrayIcon* Icon() const { return m_icon; }
    const TrayTexts::Record& LastBalloon() const { return m_lastBalloon; }
    int BalloonCount() const { return m_balloonCount; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void TrayWndProc(QSystemTrayIcon::ActivationReason reason);
    void ShowBalloon();
    void CheckDocked();
    static bool PlatformIconDocked();
    static QWindow* PlatformIconWindow();

    QPointer<QWidget> m_window;
    QSystemTrayIcon* m_icon = nullptr;
    QString m_languageIndex;
    TrayTexts::Record m_lastBalloon;
    int m_balloonCount = 0;
    int m_balloonTimeout = 10000;
    bool m_hidePending = false;
    bool m_docked = false;
    // Watches the icon's place: there is no signal for docking.
    QTimer m_dockTimer;
    std::function<bool()> m_trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    std::function<bool()> m_iconDocked = &SysTray::PlatformIconDocked;
};
