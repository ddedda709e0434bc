#include "ClipMonitor.h"

#include "X11Connection.h"

#include <QClipboard>
#include <QTimer>

#include <cstdlib>

ClipMonitor::ClipMonitor(QClipboard* clipboard, bool& bSelfCopy, ModmonClip::ClipActions actions,
                         QObject* parent)
    : QObject(parent), m_clipboard(clipboard), m_selfCopy(bSelfCopy), m_actions(std::move(actions))
{
    m_waitTimer.setInterval(50);
    connect(&m_waitTimer, &QTimer::timeout, this, [this] {
        if (TranslationRuns())
            return;
        m_waitTimer.stop();
        if (m_hasRequest)
            TranslateRequested();
        if (m_running && m_pending)
            OnDataChanged();
    });
}

void ClipMonitor::TranslateText(const QString& text)
{
    m_requested = text;
    m_hasRequest = true;
    if (m_busy || TranslationRuns()) {
        if (!m_waitTimer.isActive())
            m_waitTimer.start();
        return;
    }
    TranslateRequested();
}

void ClipMonitor::TranslateRequested()
{
    m_hasRequest = false;
    if (!ModmonClip::IsClipText(m_requested) || !m_actions.setSource)
        return;
    m_busy = true;
    if (m_actions.clearSource)
        m_actions.clearSource();
    m_actions.setSource(m_requested);
    if (m_actions.translate)
        m_actions.translate();
    m_busy = false;
}

namespace {

// Under X11 a clipboard nobody owns is empty. Asked for its text anyway, Qt lists the image
// types it could convert to, which loads every image plugin: 1.5 MiB for an empty answer, and a
// start at logon usually finds the clipboard empty.
bool mayHoldData()
{
    xcb_connection_t* c = X11Connection::Get();
    if (!c)
        return true;
    static const xcb_atom_t clipboard = X11Connection::Atom(c, "CLIPBOARD");
    xcb_get_selection_owner_reply_t* reply =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, clipboard), nullptr);
    const bool owned = !reply || reply->owner != XCB_NONE;
    std::free(reply);
    return owned;
}

} // namespace

bool ClipMonitor::TranslationRuns() const
{
    return m_actions.translating && m_actions.translating();
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
    m_waitTimer.stop();
}

void ClipMonitor::OnDataChanged()
{
    // A change that arrives while a translation runs (ours or one the user started) waits for
    // its end: clearing and pasting now would pair the new source with the old translation.
    // Changes that pile up meanwhile are one: the clipboard's latest content is what counts.
    if (m_busy || TranslationRuns()) {
        if (m_selfCopy) {
            // Our own Copy is now the latest content; it is not to be translated.
            m_selfCopy = false;
            m_pending = false;
        } else {
            m_pending = true;
        }
        if (!m_busy && m_pending && !m_waitTimer.isActive())
            m_waitTimer.start();
        return;
    }
    m_busy = true;
    do {
        m_pending = false;
        if (!m_clipboard)
            break;
        const QString text =
            mayHoldData() ? ModmonClip::ClipboardText(m_clipboard->mimeData(QClipboard::Clipboard))
                          : QString();
        if (m_handledAny && text == m_lastText) {
            // Nothing new: a desktop that hands the clipboard over again (Wayland does on
            // every focus) must not paste over what the user typed since.
            m_selfCopy = false;
            continue;
        }
        m_handledAny = true;
        m_lastText = text;
        ModmonClip::OnDrawClipboard(text, m_selfCopy, m_actions);
    } while (m_pending && m_running);
    m_busy = false;
}
