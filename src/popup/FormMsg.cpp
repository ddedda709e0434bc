#include "FormMsg.h"

#include "HtmlView.h"
#include "PopupPaint.h"
#include "PopupSlots.h"
#include "UiFont.h"
#include "X11Connection.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <limits>

#include <xcb/xcb.h>

namespace {

constexpr int kTwips = MsgMotion::kTwipsPerPixel;

QPixmap closePicture(const QColor& color)
{
    QPixmap pm(18, 18);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(color, 1));
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawRoundedRect(QRectF(0.5, 0.5, 17, 17), 3, 3);
    p.setPen(QPen(color, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5, 5), QPointF(13, 13));
    p.drawLine(QPointF(13, 5), QPointF(5, 13));
    return pm;
}

int floorDiv(int a, int b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

} // namespace

FormMsg::FormMsg() : FormMsg(Options()) {}

FormMsg::FormMsg(const Options& options)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus),
      m_slotMask(options.slotMask ? options.slotMask : &PopupSlots::ProcessSlotMask())
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setMouseTracking(true);
    setFixedWidth(kWidth);
    resize(kWidth, kHeight);

    m_image3 = closePicture(QColor(30, 100, 200));
    m_image2 = closePicture(QColor(210, 30, 30));

    m_lblMessage = new QLabel(QStringLiteral("每日一句学英语"), this);
    // Clicks on the message count as clicks on the window.
    m_lblMessage->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_lblMessage->setGeometry(5, 5, kWidth - 10, 13);

    m_image1 = new QLabel(this);
    m_image1->setGeometry(4830 / kTwips, 30 / kTwips, 18, 18);
    m_image1->setPixmap(m_image3);
    m_image1->setCursor(Qt::PointingHandCursor);
    m_image1->installEventFilter(this);

    m_picture1 = new QWidget(this);
    m_picture1->setGeometry(60 / kTwips, 310 / kTwips, 340, 231);
    m_webBrowser1 = new HtmlView(m_picture1);
    m_webBrowser1->SetScrollBarsAllowed(false);
    m_webBrowser1->setGeometry(QRect(kPageOffset, QSize(kPageWidth, kPageHeight)));
    if (options.page.isEmpty()) {
        m_picture1->hide(); // a message-only popup shows its background instead
    } else {
        // A page that cannot be loaded leaves the popup closed, never a blank window.
        m_waitingForPage = true;
        connect(m_webBrowser1, &HtmlView::loadFinished, this, [this](bool ok) {
            if (!m_waitingForPage)
                return;
            m_waitingForPage = false;
            if (!ok)
                Unload();
            else if (m_displayed)
                appear();
        });
        m_webBrowser1->NavigateUrl(options.page);
    }
    // A message of several lines stays readable over the page.
    m_lblMessage->raise();

    m_timer1.setParent(this);
    m_timer1.setInterval(options.tickMs);
    connect(&m_timer1, &QTimer::timeout, this, &FormMsg::Timer1_Timer);
    m_tickMs = std::max(1, options.tickMs);
    m_restTimer.setParent(this);
    m_restTimer.setSingleShot(true);
    m_restTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_restTimer, &QTimer::timeout, this, &FormMsg::restElapsed);

    const QRect screen = screenGeometry();
    const QRect work = workArea();
    const int slot = PopupSlots::TakeSlot(*m_slotMask);
    m_motion.Load((work.bottom() + 1 - screen.top()) * kTwips, screen.height() * kTwips, slot,
                  height() * kTwips);
    move(work.right() + 1 - width(), screen.top() + floorDiv(m_motion.Top(), kTwips));
}

FormMsg::~FormMsg()
{
    if (!m_unloaded)
        PopupSlots::FreeSlot(*m_slotMask, m_motion.Slot());
}

QRect FormMsg::screenGeometry() const
{
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? s->geometry() : QRect(0, 0, 800, 600);
}

QRect FormMsg::workArea() const
{
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, 800, 600);
}

void FormMsg::DisplayMessage(const QString& SMessage, int DisplaySeconds, bool bFade, bool bAutoFit,
                             bool bSquare, int iBackColor, bool bTubeFill)
{
    if (m_unloaded)
        return;

    QString text = SMessage;
    if (DisplaySeconds == 0)
        text = QStringLiteral("(click here to close)\n") + SMessage;
    // Han text is drawn unhinted: hinting it sets FreeType's CJK autohinter measuring reference
    // glyphs from all over the font. Our own cut of the CJK face gives the title's Han glyphs;
    // other text keeps the window's face.
    const bool han = std::any_of(text.cbegin(), text.cend(),
                                 [](QChar c) { return c.script() == QChar::Script_Han; });
    QFont font = m_lblMessage->font();
    font.setFamilies({font.family(), UiFont::Family()});
    font.setHintingPreference(han ? QFont::PreferNoHinting : QFont::PreferDefaultHinting);
    m_lblMessage->setFont(font);
    m_lblMessage->setText(text);
    const int labelTop = DisplaySeconds > 0 ? 10 : 5;
    const int labelHeight = std::max(13, m_lblMessage->heightForWidth(width() - 10));
    m_lblMessage->setGeometry(5, labelTop, width() - 10, labelHeight);

    if (m_motion.Slot() == 1 && bAutoFit)
        resize(width(), labelTop + labelHeight + 15);
    m_motion.SetWindowHeight(height() * kTwips);

    apply(m_motion.Configure(DisplaySeconds, bFade));

    m_backColor = PopupPaint::ColorFromRgbInt(iBackColor);
    // The tube changes only from top to bottom: one column of it is kept and repeated across.
    m_background = bTubeFill ? PopupPaint::TubeGradient(QSize(1, height()), m_backColor)
                             : PopupPaint::DiagonalGradient(size(), m_backColor);
    m_square = bSquare;
    if (bSquare) {
        clearMask();
    } else {
        QPainterPath shape;
        shape.addRoundedRect(QRectF(0, 0, width(), height()), 9.5, 9.5);
        setMask(QRegion(shape.toFillPolygon().toPolygon()));
    }
    update();

    m_displayed = true;
    if (!m_waitingForPage)
        appear();
}

void FormMsg::appear()
{
    SkipTaskbar();
    show();
    m_appeared = true;
    schedule();
}

void FormMsg::SkipTaskbar()
{
    // A tool window still gets a taskbar entry from some panels; the EWMH states say no, and
    // Qt keeps states it did not set when it maps the window.
    xcb_connection_t* c = X11Connection::Get();
    if (!c)
        return;
    const auto atom = [c](const QByteArray& name) { return X11Connection::Atom(c, name); };
    const xcb_atom_t states[] = {atom("_NET_WM_STATE_SKIP_TASKBAR"),
                                 atom("_NET_WM_STATE_SKIP_PAGER")};
    xcb_change_property(c, XCB_PROP_MODE_APPEND, xcb_window_t(winId()), atom("_NET_WM_STATE"),
                        XCB_ATOM_ATOM, 32, 2, states);
    xcb_flush(c);
}

void FormMsg::setCloseActivate(bool value)
{
    if (!value)
        return;
    m_motion.CloseActivate();
    schedule();
}

void FormMsg::Timer1_Timer()
{
    if (m_unloaded)
        return;
    apply(m_motion.Tick());
    schedule();
}

// The tick runs only while the popup moves or fades; the daily sentence rests all day.
void FormMsg::schedule()
{
    if (m_unloaded || !m_appeared)
        return;
    const int rest = m_motion.RestTicks();
    if (rest == 0) {
        m_restTimer.stop();
        if (!m_timer1.isActive())
            m_timer1.start();
        return;
    }
    m_timer1.stop();
    if (rest == MsgMotion::kRestsForever) {
        m_restTimer.stop();
        return;
    }
    // A QTimer holds at most INT_MAX ms; a longer countdown waits in several goes.
    m_restTicks = std::min(rest, std::numeric_limits<int>::max() / m_tickMs);
    m_restTimer.start(m_restTicks * m_tickMs);
}

void FormMsg::restElapsed()
{
    if (m_unloaded)
        return;
    m_motion.Rest(m_restTicks);
    schedule();
}

void FormMsg::apply(const MsgMotion::Effects& fx)
{
    if (fx.unload) {
        Unload();
        return;
    }
    if (fx.moved)
        move(x(), screenGeometry().top() + floorDiv(m_motion.Top(), kTwips));
    if (fx.transparency) {
        // Without a compositor the window shows and hides without visible fading.
        if (const auto alpha = PopupPaint::AlphaForTransparency(*fx.transparency))
            setWindowOpacity(*alpha / 255.0);
    }
    if (fx.makeTopmost)
        setTopmost(true);
    if (fx.undoTopmost)
        setTopmost(false);
}

void FormMsg::setTopmost(bool on)
{
    // On the native window, so that a mapped window keeps its place instead of being re-created.
    if (QWindow* window = windowHandle())
        window->setFlag(Qt::WindowStaysOnTopHint, on);
    if (on && isVisible())
        raise();
}

void FormMsg::Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    m_timer1.stop();
    m_restTimer.stop();
    PopupSlots::FreeSlot(*m_slotMask, m_motion.Slot());
    hide();
    emit unloaded();
    deleteLater();
}

void FormMsg::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (!m_background.isNull())
        p.fillRect(QRect(QPoint(0, 0), m_background.size().expandedTo(QSize(width(), 0))),
                   QBrush(m_background));
    else
        p.fillRect(rect(), m_backColor.isValid() ? m_backColor : palette().window().color());

    const QColor face = palette().color(QPalette::Button);
    const int w = width();
    const int h = height();
    if (m_square) {
        p.setPen(face);
        p.drawLine(0, 0, w - 1, 0);
        p.drawLine(0, h - 1, w - 1, h - 1);
        p.drawLine(0, 0, 0, h - 1);
        p.drawLine(w - 1, 0, w - 1, h - 1);
        p.setPen(m_backColor);
        p.drawLine(1, 1, w - 2, 1);
        p.drawLine(1, h - 2, w - 2, h - 2);
        p.drawLine(1, 1, 1, h - 2);
        p.drawLine(w - 2, 1, w - 2, h - 2);
    } else {
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(Qt::NoBrush);
        p.setPen(face);
        p.drawRoundedRect(QRectF(0.5, 0.5, w - 2, h - 2), 10, 10);
        p.setPen(m_backColor);
        p.drawRoundedRect(QRectF(1.5, 1.5, w - 4, h - 4), 9, 9);
    }
}

void FormMsg::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        m_motion.Click();
        schedule();
    }
    QWidget::mouseReleaseEvent(event);
}

void FormMsg::mouseMoveEvent(QMouseEvent* event)
{
    setHover(false);
    QWidget::mouseMoveEvent(event);
}

bool FormMsg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_image1) {
        switch (event->type()) {
        case QEvent::Enter:
        case QEvent::MouseMove:
            setHover(true);
            break;
        case QEvent::Leave:
            setHover(false);
            break;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
                setCloseActivate(true);
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FormMsg::setHover(bool hover)
{
    if (hover == m_hover)
        return;
    m_hover = hover;
    m_image1->setPixmap(hover ? m_image2 : m_image3);
}
