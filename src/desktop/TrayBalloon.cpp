#include "TrayBalloon.h"

#include "UiFont.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int kPad = 8;
constexpr int kPicture = 18;
constexpr int kClose = 9;    // the close mark's side
constexpr int kWidest = 320; // of the text

} // namespace

TrayBalloon::TrayBalloon() : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint)
{
    // The captions' face and size, already in memory; its bold is drawn from it, not read from
    // another file.
    QFont face(UiFont::Family());
    face.setPointSize(8);
    setFont(face);
    // Gone once put away: a hidden window would keep its window and pixels all day.
    setAttribute(Qt::WA_DeleteOnClose);
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, &QWidget::close);
}

QRect TrayBalloon::BodyFor(QSize size, const QRect& icon, const QRect& screen)
{
    // Below an icon in the upper half of the screen, above one in the lower half, touching it.
    const bool below = icon.center().y() < screen.center().y();
    const int top = below ? icon.bottom() + 1 : icon.top() - size.height();
    // Its right end at the icon's, as under a tray at the right; kept on the screen.
    const int left = std::clamp(icon.right() + 1 - size.width(), screen.left(),
                                std::max(screen.left(), screen.right() + 1 - size.width()));
    return QRect(QPoint(left, top), size);
}

void TrayBalloon::Show(const QString& title, const QString& text, const QPixmap& picture,
                       const QRect& icon, const QRect& screen, int timeoutMs)
{
    m_title = title;
    m_text = text;
    m_picture = picture;

    const QFontMetrics metrics(font());
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics boldMetrics(bold);
    const int pictureWidth = m_picture.isNull() ? 0 : kPicture + kPad;
    const QRect textRect =
        metrics.boundingRect(QRect(0, 0, kWidest, 10000), Qt::TextWordWrap, m_text);
    const int width =
        std::max({textRect.width(), boldMetrics.horizontalAdvance(m_title) + kPad + kClose, 120}) +
        pictureWidth + 2 * kPad;
    const int height =
        kPad + std::max(kPicture, boldMetrics.height()) + 4 + textRect.height() + kPad;

    m_textArea =
        QRect(kPad + pictureWidth, kPad, width - 2 * kPad - pictureWidth, height - 2 * kPad);
    setGeometry(BodyFor(QSize(width, height), icon, screen));
    update();
    show();
    raise();
    if (timeoutMs > 0)
        m_timeout.start(timeoutMs);
}

void TrayBalloon::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QPalette& colours = palette();
    const QColor paper = colours.color(QPalette::ToolTipBase);
    p.setPen(colours.color(QPalette::ToolTipText));
    p.setBrush(paper);
    p.drawRect(rect().adjusted(0, 0, -1, -1));

    int x = m_textArea.left();
    if (!m_picture.isNull()) {
        p.drawPixmap(QRect(kPad, kPad, kPicture, kPicture), m_picture);
    }
    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    const QFontMetrics boldMetrics(bold);
    const int titleHeight = std::max(kPicture, boldMetrics.height());
    p.drawText(QRect(x, m_textArea.top(), m_textArea.width() - kClose - kPad, titleHeight),
               Qt::AlignLeft | Qt::AlignVCenter, m_title);
    // The close mark: a cross of plain lines.
    const QRect close(width() - kPad - kClose, kPad + (titleHeight - kClose) / 2, kClose, kClose);
    p.drawLine(close.topLeft(), close.bottomRight());
    p.drawLine(close.bottomLeft(), close.topRight());
    p.setFont(font());
    p.drawText(QRect(x, m_textArea.top() + titleHeight + 4, m_textArea.width(),
                     m_textArea.height() - titleHeight - 4),
               Qt::TextWordWrap, m_text);
}

void TrayBalloon::mousePressEvent(QMouseEvent* event)
{
    // A click anywhere on it puts it away, as the close mark says.
    m_timeout.stop();
    close();
    event->accept();
}
