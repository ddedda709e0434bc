// The popup: a small frameless window that rises from the bottom right of the work area (or
// fades in there), shows a one-line message over a window onto a web page, and leaves again.
#pragma once

#include "MsgMotion.h"

#include <QImage>
#include <QPixmap>
#include <QTimer>
#include <QUrl>
#include <QWidget>

class HtmlView;
class QLabel;

class FormMsg final : public QWidget
{
    Q_OBJECT
  public:
    static constexpr int kWidth = 348; // 5220 x 3855 twips
    static constexpr int kHeight = 257;
    static constexpr int kPageWidth = 1006; // the page is laid out this wide ...
    static constexpr int kPageHeight = 244;
    static constexpr QPoint kPageOffset{-646, -12}; // ... and seen from x 646, y 12

    struct Options
    {
        QUrl page;                  // shown in the page frame; empty shows nothing
        int tickMs = 10;            // 100 ticks a second
        quint8* slotMask = nullptr; // the process-wide slots unless a test gives its own
    };

    // Loads the window: page, work area, waiting place below it, topmost, stacking slot.
    FormMsg();
    explicit FormMsg(const Options& options);
    ~FormMsg() override;

    void DisplayMessage(const QString& SMessage, int DisplaySeconds, bool bFade, bool bAutoFit,
                        bool bSquare, int iBackColor, bool bTubeFill);

    // True starts the closing movement at the next tick; false does nothing; reads as false.
    void setCloseActivate(bool value);
    bool CloseActivate() const { return false; }

    const MsgMotion& Motion() const { return m_motion; }
    QLabel* lblMessage() const { return m_lblMessage; }
    QLabel* Image1() const { return m_image1; }
    QWidget* Picture1() const { return m_picture1; }
    HtmlView* WebBrowser1() const { return m_webBrowser1; }
    QTimer& Timer1() { return m_timer1; }
    // Waits out a countdown at rest in one go, so that a resting popup does not tick.
    QTimer& RestTimer() { return m_restTimer; }
    bool IsHoverPicture() const { return m_hover; }
    bool IsSquare() const { return m_square; }

    // Frees the slot and lets the window go; the next showing needs a new FormMsg.
    void Unload();

  public slots:
    void Timer1_Timer();

  signals:
    void unloaded();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void SkipTaskbar();
    void apply(const MsgMotion::Effects& effects);
    void schedule();
    void restElapsed();
    void appear();
    void setTopmost(bool on);
    void setHover(bool hover);
    QRect screenGeometry() const;
    QRect workArea() const;

    MsgMotion m_motion;
    quint8* m_slotMask;
    bool m_unloaded = false;
    bool m_waitingForPage = false; // shown only once its page has loaded
    bool m_displayed = false;      // DisplayMessage has asked to show it
    bool m_square = true;
    bool m_hover = false;
    QColor m_backColor;
    QImage m_background;
    QPixmap m_image2; // hover close picture
    QPixmap m_image3; // normal close picture
    QLabel* m_lblMessage = nullptr;
    QLabel* m_image1 = nullptr;
    QWidget* m_picture1 = nullptr;
    HtmlView* m_webBrowser1 = nullptr;
    QTimer m_timer1;
    QTimer m_restTimer;
    int m_restTicks = 0; // what m_restTimer waits for
    bool m_appeared = false;
    int m_tickMs = 10;
};
