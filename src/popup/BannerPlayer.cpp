#include "BannerPlayer.h"

#include "GifAnimation.h"
#include "RawPicture.h"
#include "ResourceBytes.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QMovie>
#include <QPainter>
#include <QPainterPath>

namespace {

// Our own offline banner is compiled in already unpacked: a start decodes no PNG for it, and its
// pixels stay in the program's pages rather than on the heap.
QImage unpacked(const QByteArray& data)
{
    if (data == ResourceBytes(QStringLiteral(":/AD/tmpAD.png"))) {
        const QImage own = RawPicture(QStringLiteral(":/banner/tmpAD.pic"));
        if (!own.isNull())
            return own;
    }
    return GifAnimation::FirstFrame(data);
}

} // namespace

BannerPlayer::BannerPlayer(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    m_timer.setParent(this);
    connect(&m_timer, &QTimer::timeout, this, &BannerPlayer::advance);
    m_rest.setParent(this);
    m_rest.setSingleShot(true);
    m_rest.setInterval(BannerSettings::kSheenRestMs);
    connect(&m_rest, &QTimer::timeout, this, &BannerPlayer::updateTimer);
    SetSettings(BannerSettings{});
}

void BannerPlayer::SetSettings(const BannerSettings& settings)
{
    m_settings = settings;
    m_timer.setInterval(m_settings.FrameMs());
    setCursor(m_settings.url.isEmpty() ? Qt::ArrowCursor : Qt::PointingHandCursor);
    updateTimer();
    update();
}

bool BannerPlayer::SetImage(const QByteArray& data)
{
    delete m_movie;
    m_movie = nullptr;
    m_image = QImage();

    m_movie = GifAnimation::Start(data, this);
    if (m_movie)
        connect(m_movie, &QMovie::frameChanged, this, [this] { update(); });
    else
        m_image = unpacked(data);
    updateTimer();
    update();
    return HasImage();
}

bool BannerPlayer::HasImage() const
{
    return m_movie != nullptr || !m_image.isNull();
}

void BannerPlayer::advance()
{
    ++m_frame;
    update();
    if (BannerSettings::SweepEnds(m_frame, width())) {
        m_timer.stop();
        m_rest.start();
    }
}

void BannerPlayer::SetInView(bool inView)
{
    if (m_inView == inView)
        return;
    m_inView = inView;
    updateTimer();
}

bool BannerPlayer::running() const
{
    return isVisible() && m_inView && !window()->isMinimized();
}

bool BannerPlayer::IsRunning() const
{
    return m_timer.isActive() || m_rest.isActive() ||
           (m_movie && GifAnimation::IsRunning(*m_movie));
}

void BannerPlayer::updateTimer()
{
    // The sheen runs only over a still image that is on screen, a movie only while seen.
    const bool run = running() && !m_image.isNull() && m_settings.style == 0;
    if (run && !m_timer.isActive() && !m_rest.isActive()) {
        m_timer.start();
    } else if (!run) {
        m_timer.stop();
        m_rest.stop();
    }
    if (m_movie)
        GifAnimation::SetRunning(*m_movie, running());
}

void BannerPlayer::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    updateTimer();
}

void BannerPlayer::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    updateTimer();
}

void BannerPlayer::paintEvent(QPaintEvent*)
{
    if (!HasImage())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);

    const QRectF r = rect();
    const auto& rad = m_settings.rotundity;
    if (rad != std::array<int, 4>{}) {
        // One radius per corner: top-left, top-right, bottom-right, bottom-left.
        QPainterPath clip;
        clip.moveTo(r.left() + rad[0], r.top());
        clip.lineTo(r.right() - rad[1], r.top());
        clip.quadTo(r.topRight(), QPointF(r.right(), r.top() + rad[1]));
        clip.lineTo(r.right(), r.bottom() - rad[2]);
        clip.quadTo(r.bottomRight(), QPointF(r.right() - rad[2], r.bottom()));
        clip.lineTo(r.left() + rad[3], r.bottom());
        clip.quadTo(r.bottomLeft(), QPointF(r.left(), r.bottom() - rad[3]));
        clip.lineTo(r.left(), r.top() + rad[0]);
        clip.quadTo(r.topLeft(), QPointF(r.left() + rad[0], r.top()));
        p.setClipPath(clip);
    }

    const QImage frame = m_movie ? m_movie->currentImage() : m_image;
    QPoint at(0, 0);
    if (m_settings.center)
        at = QPoint((width() - frame.width()) / 2, (height() - frame.height()) / 2);
    p.drawImage(at, frame);

    if (!m_movie && m_settings.style == 0) {
        const int x = BannerSettings::SheenX(m_frame, width());
        QLinearGradient sheen(x, 0, x + BannerSettings::kSheenWidth, 0);
        sheen.setColorAt(0.0, QColor(255, 255, 255, 0));
        sheen.setColorAt(0.5, QColor(255, 255, 255, 90));
        sheen.setColorAt(1.0, QColor(255, 255, 255, 0));
        p.fillRect(QRect(x, 0, BannerSettings::kSheenWidth, height()), sheen);
    }

    if (m_settings.but) {
        // The "more" mark, pulsing gently with the frames.
        const QPoint c = *m_settings.but;
        const int alpha = 150 + static_cast<int>((m_frame % 30) < 15 ? (m_frame % 15) * 6
                                                                     : (15 - m_frame % 15) * 6);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, std::min(alpha, 255)));
        p.drawEllipse(QPointF(c), 9, 9);
        p.setBrush(QColor(11, 94, 158));
        p.drawPath(MoreMark(c));
    }
}

QPainterPath BannerPlayer::MoreMark(QPoint c)
{
    // A chevron 2.2 px wide with round ends and corner, as a pen would stroke it, but built as a
    // shape to fill: stroking it measured each of its segments with atan2 and hypot on every
    // frame, and kept those pages of libm in memory.
    constexpr double kHalf = 1.1;
    constexpr double kLength = 6.020797289396148; // of each arm, (4.5, 4)
    constexpr double kNx = 4.0 / kLength * kHalf; // the arms' normals times the half width
    constexpr double kNy = 4.5 / kLength * kHalf;
    const QPointF top(c.x() - 2, c.y() - 4), tip(c.x() + 2.5, c.y()), bottom(c.x() - 2, c.y() + 4);
    QPainterPath mark;
    mark.setFillRule(Qt::WindingFill);
    // Each arm turns the way addEllipse does, so that where they overlap they add up.
    mark.addPolygon(QPolygonF({top + QPointF(kNx, -kNy), tip + QPointF(kNx, -kNy),
                               tip + QPointF(-kNx, kNy), top + QPointF(-kNx, kNy)}));
    mark.closeSubpath();
    mark.addPolygon(QPolygonF({tip + QPointF(kNx, kNy), bottom + QPointF(kNx, kNy),
                               bottom + QPointF(-kNx, -kNy), tip + QPointF(-kNx, -kNy)}));
    mark.closeSubpath();
    for (const QPointF& end : {top, tip, bottom})
        mark.addEllipse(end, kHalf, kHalf);
    return mark;
}

void BannerPlayer::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        !m_settings.url.isEmpty())
        emit activated(m_settings.url);
    QWidget::mouseReleaseEvent(event);
}
