// Our notifications through the desktop's notification server (org.freedesktop.Notifications):
// one of ours at a time, with our icon and desktop entry, and a default action that brings the
// window up.
#pragma once

#include <QObject>
#include <QString>

class Notifier final : public QObject
{
    Q_OBJECT
  public:
    enum class Urgency : uchar { Low = 0, Normal = 1, Critical = 2 };

    static constexpr const char* kDesktopEntry = "org.verbalto.Verbalto";

    explicit Notifier(QObject* parent = nullptr);

    // Whether a notification server is on the session bus (running, or started on demand).
    bool ServerPresent() const;
    // Sends the notification, replacing the one of ours still shown; false without a server.
    bool Notify(const QString& title, const QString& body, Urgency urgency, int timeoutMs);
    int SentCount() const { return m_sent; }

  signals:
    // The user clicked the notification (its default action).
    void activated();

  private slots:
    void OnActionInvoked(uint id, const QString& action);
    void OnClosed(uint id, uint reason);

  private:
    uint m_id = 0;
    int m_sent = 0;
};
