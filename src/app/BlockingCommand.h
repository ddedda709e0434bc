// Wraps a command that blocks the window while it waits for the network: the cursor shows
// the wait, and the clicks and keys aimed at the command meanwhile are dropped afterwards
// instead of starting it again in a burst. Other input is delivered as usual.
#pragma once

#include <QObject>
#include <QPointer>

class QAction;
class QWidget;

class BlockingCommand final : public QObject
{
  public:
    // button and action start the command (either may be null).
    BlockingCommand(QWidget* button, QAction* action);
    ~BlockingCommand() override;
    BlockingCommand(const BlockingCommand&) = delete;
    BlockingCommand& operator=(const BlockingCommand&) = delete;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QPointer<QWidget> m_button;
    QPointer<QAction> m_action;
};
