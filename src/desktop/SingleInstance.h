// One Verbalto per user session and display: the first start listens on a local socket in the
// private working folder; a later start hands its request to that one and ends.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

class SingleInstance final : public QObject
{
    Q_OBJECT
  public:
    enum class Request { Show, Quiet };

    // <folder>/instance-<uid>-<display>, the display name reduced to safe characters.
    static QString ServerPath(const QString& folder, const QString& display);
    // $DISPLAY, else $WAYLAND_DISPLAY, else "none".
    static QString CurrentDisplay();

    explicit SingleInstance(QString serverPath, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is to run as the one Verbalto: nobody answered the request, and
    // this one now listens (taking over a socket that a crashed Verbalto left). False when a
    // running Verbalto took the request. waitForPrevious: a restart after an update, where the
    // old program may still be on its way out; it gets some seconds to leave first.
    bool Claim(Request request, bool waitForPrevious);
    bool IsListening() const;

  signals:
    void showRequested();

  private:
    // Whether a running Verbalto accepted the request.
    bool Send(Request request) const;
    void OnConnection();
    void Listen();
    void ListenAgainIfClosed();

    QString m_path;
    QLocalServer* m_server = nullptr;
    int m_held = 0; // connections accepted and not yet closed
};
