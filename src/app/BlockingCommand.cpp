#include "BlockingCommand.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace {

// Enough to deliver what the window system held back during the wait.
constexpr int kFlushMs = 200;

} // namespace

BlockingCommand::BlockingCommand(QWidget* button, QAction* action)
    : m_button(button), m_action(action)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

BlockingCommand::~BlockingCommand()
{
    QApplication::restoreOverrideCursor();
    // The wait took no input, so the input of that time is still queued: deliver it now,
    // with the command's own clicks and keys filtered out.
    qApp->installEventFilter(this);
    QCoreApplication::processEvents(QEventLoop::AllEvents, kFlushMs);
    qApp->removeEventFilter(this);
}

bool BlockingCommand::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return m_button && watched == m_button;
    case QEvent::Shortcut:
        return m_action && watched == m_action;
    default:
        return false;
    }
}
