// Watches the clipboard and hands every change to the clipboard decision.
#pragma once

#include "ModmonClip.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class QClipboard;

class ClipMonitor final : public QObject
{
    Q_OBJECT
  public:
    // bSelfCopy is the application's flag, set by the text boxes' Copy just before they copy.
    ClipMonitor(QClipboard* clipboard, bool& bSelfCopy, ModmonClip::ClipActions actions,
                QObject* parent);

    // Starts listening; what is on the clipboard now is handled as a change as soon as the
    // event loop runs, so a text copied before the start is translated too.
    void StartClipMonitor();
    // Stops listening; nothing happens when the monitor never started.
    void StopClipMonitor();
    bool IsRunning() const { return m_running; }

    // A change that came while a translation ran and waits for its end.
    bool IsWaiting() const { return m_pending && !m_busy; }

    // A text handed over (a command, the shortcut) is translated as a change would be, whether
    // the monitor runs or not; during a translation it waits, the latest one counting.
    void TranslateText(const QString& text);

  private:
    void OnDataChanged();
    void TranslateRequested();
    bool TranslationRuns() const;

    QPointer<QClipboard> m_clipboard;
    bool& m_selfCopy;
    ModmonClip::ClipActions m_actions;
    QMetaObject::Connection m_connection;
    bool m_running = false;
    bool m_busy = false;
    bool m_pending = false;
    bool m_startCheckPending = false;
    // The text of the last change handled; the same text again is no change.
    QString m_lastText;
    bool m_handledAny = false;
    QString m_requested;
    bool m_hasRequest = false;
    // Looks again, while a change waits, whether the translation has ended.
    QTimer m_waitTimer;
};
