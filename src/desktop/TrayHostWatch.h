// Tells whether a notification area is there to hold an icon, and when one comes or goes:
// a StatusNotifierItem host on the session bus, or an XEmbed tray on the X display. Both are
// heard of, never polled.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

class QDBusServiceWatcher;

class TrayHostWatch final : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT
  public:
    // Looks once now (so that a start can decide at once), then listens.
    explicit TrayHostWatch(QObject* parent = nullptr);
    ~TrayHostWatch() override;

    bool Present() const { return m_statusNotifierHost || m_xembedOwner != 0; }
    bool StatusNotifierHost() const { return m_statusNotifierHost; }
    bool XEmbedTray() const { return m_xembedOwner != 0; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  signals:
    // Either host came or went.
    void changed();

  private slots:
    void OnHostRegistered();

  private:
    void AskStatusNotifierHost();
    void SetStatusNotifierHost(bool present);
    void WatchXEmbed();
    void FollowXEmbedOwner();

    bool m_statusNotifierHost = false;
    QDBusServiceWatcher* m_watcher = nullptr;
    // The X tray's selection, the MANAGER announcement and the selection's owner window (0: none).
    quint32 m_trayAtom = 0;
    quint32 m_managerAtom = 0;
    quint32 m_xembedOwner = 0;
};
