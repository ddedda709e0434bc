// A key for the whole X11 session: grabbed on the root window through Qt's X connection, so that
// it reaches Verbalto whichever program has the focus.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QKeySequence>
#include <QObject>

class GlobalShortcut final : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT
  public:
    explicit GlobalShortcut(QObject* parent = nullptr);
    ~GlobalShortcut() override;

    // Grabs the key (an empty sequence: none), letting go of the one before. False when it could
    // not be grabbed: another program holds it, no X11 (Wayland, offscreen), or a key that has no
    // key code here.
    bool SetKey(const QKeySequence& key);
    bool IsActive() const { return m_active; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  signals:
    void activated();

  private:
    void Release();

    bool m_active = false;
    quint8 m_keycode = 0;
    quint16 m_modifiers = 0;
};
