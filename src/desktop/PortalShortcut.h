// A key for the whole desktop under Wayland, asked of the desktop portal's global shortcuts
// interface: a session is created, one shortcut is bound to it, and the portal tells us when it
// is pressed. Where the compositor has no such portal, it says so and nothing is bound.
#pragma once

#include <QDBusConnection>
#include <QKeySequence>
#include <QObject>
#include <functional>

class QDBusMessage;

class PortalShortcut final : public QObject
{
    Q_OBJECT
  public:
    enum class State {
        Off,         // no key asked for
        Pending,     // waiting for the portal (or the user in its dialog)
        Bound,       // the portal reports presses
        Unavailable, // no portal interface, or it refused the shortcut
    };

    // appId, the name of the desktop entry, tells the portal who asks when no sandbox does.
    PortalShortcut(const QDBusConnection& bus, QString id, QString appId = {},
                   QObject* parent = nullptr);
    ~PortalShortcut() override;

    // Binds the shortcut with this key as the preferred trigger, in a new session (a changed key
    // closes the old one); an empty key only closes the session.
    void SetKey(const QKeySequence& key, const QString& description);
    State state() const { return m_state; }

    // The trigger as the desktop's shortcut settings write it ("CTRL+ALT+z").
    static QString Trigger(const QKeySequence& key);

  signals:
    void activated();
    void stateChanged(PortalShortcut::State state);

  private slots:
    void onResponse(const QDBusMessage& message);
    void onActivated(const QDBusMessage& message);
    void onSessionClosed(const QDBusMessage& message);

  private:
    // Sends a call; an error makes the shortcut unavailable, an answer goes on unless the key
    // changed meanwhile.
    void Call(const QDBusMessage& call, const std::function<void(const QDBusMessage&)>& answered);
    void CheckVersion();
    void CreateSession();
    void BindShortcut();
    void CloseSession();
    // Listens for the Response of a request before it is made, so that no answer is missed.
    QString WatchRequest(const QString& token);
    void Watch(const QString& path);
    void Fail();
    void SetState(State state);

    QDBusConnection m_bus;
    QString m_id;
    QString m_appId;
    QKeySequence m_key;
    QString m_description;
    State m_state = State::Off;
    QString m_session;
    QString m_sessionRequest;
    QString m_bindRequest;
    QStringList m_watched;
    // Answers to an older session's requests are dropped.
    quint32 m_generation = 0;
    int m_reopened = 0; // sessions the portal closed since the key was set
    quint32 m_tokens = 0;
};
