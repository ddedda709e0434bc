// One Verbalto per user session and display. With a session bus the name org.verbalto.Verbalto
// is the lock: its owner serves org.freedesktop.Application, and a later start calls it and ends.
// Without a bus, the first start listens on a local socket in the private working folder and a
// later start hands its request over there. The bus's owner listens on the socket too, for a
// start that does not reach the bus.
#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class BusApplication;
class QDBusConnection;
class QSocketNotifier;

class SingleInstance final : public QObject
{
    Q_OBJECT
  public:
    enum class Request { Show, Quiet, TranslateSelection, TranslateClipboard, TranslateText };

    // One request as it travels: a line of printable ASCII, the text base64-encoded, ending in
    // "\n". Empty when it does not fit the listener's line limit; an activation token that
    // does not fit is left off.
    static QByteArray CommandLine(Request request, const QString& text, const QByteArray& token);
    struct Command
    {
        Request request;
        QString text;
        QString token;
    };
    // A line without its end, read back; nothing for anything but an exact command.
    static std::optional<Command> ParseLine(const QByteArray& line);
    // Whether a text to translate fits one request.
    static bool Fits(const QString& text);
    // Whether an activation token can be handed on: one word of printable ASCII, under 1 KB.
    static bool UsableToken(const QByteArray& token);

    // <folder>/instance-<uid>-<display>, the display name reduced to safe characters.
    static QString ServerPath(const QString& folder, const QString& display);
    // $DISPLAY, else $WAYLAND_DISPLAY, else "none".
    static QString CurrentDisplay();

    // On the session bus when DBUS_SESSION_BUS_ADDRESS names one that answers.
    explicit SingleInstance(QString serverPath, QObject* parent = nullptr);
    // On the given bus; a disconnected one means none.
    SingleInstance(QString serverPath, const QDBusConnection& bus, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is to run as the one Verbalto: nobody answered the request, and
    // this one now owns the bus name or listens (taking over a socket that a crashed Verbalto
    // left). False when a running Verbalto took the request, or holds the bus name but does not
    // answer (said on stderr). waitForPrevious: a restart after an update, where the old
    // program may still be on its way out; it gets some seconds to leave first.
    bool Claim(Request request, bool waitForPrevious, const QString& text = {});
    bool IsListening() const;
    bool OwnsBusName() const { return m_ownsName; }

  signals:
    // activationToken: the later start's XDG_ACTIVATION_TOKEN (or DESKTOP_STARTUP_ID), "" if none.
    void showRequested(const QString& activationToken);
    // A request to translate: the selection, the clipboard, or the text handed over.
    void translateRequested(SingleInstance::Request source, const QString& text,
                            const QString& activationToken);

  private:
    // Nothing when the bus cannot be used (the socket decides then).
    std::optional<bool> ClaimOnBus(Request request, bool waitForPrevious, const QString& text);
    bool ClaimSocket(Request request, bool waitForPrevious, const QString& text);
    void ReleaseBusName();
    // Whether a running Verbalto accepted the request.
    bool Send(Request request, const QString& text) const;
    void OnConnection();
    void Listen();
    void StopListening();

    QString m_path;
    int m_listenFd = -1;
    QSocketNotifier* m_accepting = nullptr;
    int m_held = 0; // connections accepted and not yet closed
    std::unique_ptr<QDBusConnection> m_bus;
    BusApplication* m_application = nullptr;
    bool m_ownsName = false;
};
