#include "ClipMonitor.h"

#include <QClipboard>
#include <QTimer>

ClipMonitor::ClipMonitor(QClipboard* clipboard, bool& bSelfCopy, ModmonClip::ClipActions actions,
                         QObject* parent)
    : QObject(parent), m_clipboard(clipboard), m_selfCopy(bSelfCopy), m_actions(std::move(actions))
{
}

void ClipMonitor::StartClipMonitor()
{
    if (m_running || !m_clipboard)
        return;
    m_running = true;
    m_connection = connect(m_clipboard, &QClipboard::dataChanged, this, [this] {
        // A notice that arrives first covers the start-up check: the same text is not translated
        // twice.
        m_startCheckPending = false;
        OnDataChanged();
    });
    m_startCheckPending = true;
    QTimer::singleShot(0, this, [this] {
        if (m_running && m_startCheckPending) {
            m_startCheckPending = false;
            OnDataChanged();
        }
    });
}

void ClipMonitor::StopClipMonitor()
{
    if (!m_running)
        return;
    disconnect(m_connection);
    m_running = false;
    m_pending = false;
}

void ClipMonitor::OnDataChanged()
{
    // Translate waits for the network in a local event loop, where another change can arrive;
    // it is handled after the current one instead of starting a translation inside a translation.
    if (m_busy) {
        m_pending = true;
        return;
    }
    m_busy = true;
    do {
        m_pending = false;
        if (!m_clipboard)
            break;
        const QString text =
            ModmonClip::ClipboardText(m_clipboard->mimeData(QClipboard::Clipboard));
        ModmonClip::OnDrawClipboard(text, m_selfCopy, m_actions);
    } while (m_pending && m_running);
    m_busy = false;
}
