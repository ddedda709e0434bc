#include "GifAnimation.h"

#include <QBuffer>
#include <QImageReader>
#include <QMovie>
#include <QTimer>

#include <cmath>

namespace GifAnimation {
namespace {

qint64 pixels(QSize size)
{
    return qint64(size.width()) * qint64(size.height());
}

// The size a picture is decoded at, or an invalid size when it is not decoded at all.
QSize decodedSize(QSize size)
{
    if (size.isEmpty() || pixels(size) > kMaxPixels)
        return {};
    if (pixels(size) <= kPixelBudget)
        return size;
    const double scale = std::sqrt(double(kPixelBudget) / double(pixels(size)));
    return QSize(std::max(1, qRound(size.width() * scale)),
                 std::max(1, qRound(size.height() * scale)));
}

// A PNG is read as one: left to guess, the reader asks every image plugin about the data first,
// which loads them all.
bool isPng(const QByteArray& data)
{
    return data.startsWith("\x89PNG\r\n\x1a\n");
}

void nameFormat(QImageReader& reader, const QByteArray& data)
{
    if (isPng(data)) {
        reader.setFormat("png");
        reader.setAutoDetectImageFormat(false);
    }
}

QSize frameSize(const QByteArray& data)
{
    // Every GIF frame is drawn on the whole logical screen, whatever its own size.
    if (data.startsWith("GIF8") && data.size() >= 10) {
        const auto word = [&data](int at) { return quint8(data[at]) | quint8(data[at + 1]) << 8; };
        return QSize(word(6), word(8));
    }
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    nameFormat(reader, data);
    return reader.size();
}

// Steps a movie from frame to frame with one single-shot timer, a child of the movie.
class FrameStepper final : public QTimer
{
  public:
    explicit FrameStepper(QMovie* movie) : QTimer(movie), m_movie(movie)
    {
        setObjectName(QStringLiteral("GifAnimation::FrameStepper"));
        setSingleShot(true);
        connect(this, &QTimer::timeout, movie, [this] { advance(); });
    }

    void run(bool on)
    {
        if (on && !m_ended && !isActive())
            start(std::max(m_movie->nextFrameDelay(), kMinFrameMs));
        else if (!on)
            stop();
    }

    static FrameStepper* of(const QMovie& movie)
    {
        return static_cast<FrameStepper*>(movie.findChild<QTimer*>(
            QStringLiteral("GifAnimation::FrameStepper"), Qt::FindDirectChildrenOnly));
    }

  private:
    void advance()
    {
        if (!m_movie->jumpToNextFrame()) {
            // loopCount: -1 for ever, else how many times the movie plays again.
            const int loops = m_movie->loopCount();
            if ((loops != -1 && ++m_loops > loops) || !m_movie->jumpToFrame(0)) {
                m_ended = true;
                return;
            }
        }
        run(true);
    }

    QMovie* m_movie;
    int m_loops = 0;
    bool m_ended = false;
};

} // namespace

QMovie* Start(const QByteArray& data, QObject* parent)
{
    // Qt reads a PNG as one still frame; a movie would only ask the plugins what it is.
    if (isPng(data))
        return nullptr;
    const QSize size = frameSize(data);
    if (!size.isValid() || decodedSize(size) != size)
        return nullptr;
    auto* buffer = new QBuffer;
    buffer->setData(data);
    buffer->open(QIODevice::ReadOnly);
    auto* movie = new QMovie(buffer, QByteArray(), parent);
    buffer->setParent(movie);
    if (!movie->isValid() || movie->frameCount() <= 1) {
        delete movie;
        return nullptr;
    }
    movie->jumpToFrame(0);
    (new FrameStepper(movie))->run(true);
    return movie;
}

void SetRunning(QMovie& movie, bool run)
{
    if (FrameStepper* stepper = FrameStepper::of(movie))
        stepper->run(run);
}

bool IsRunning(const QMovie& movie)
{
    const FrameStepper* stepper = FrameStepper::of(movie);
    return stepper && stepper->isActive();
}

QImage FirstFrame(const QByteArray& data)
{
    const QSize size = frameSize(data);
    if (size.isValid() && !decodedSize(size).isValid())
        return {};
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    nameFormat(reader, data);
    if (size.isValid() && decodedSize(size) != size)
        reader.setScaledSize(decodedSize(size));
    const QImage image = reader.read();
    // A header may promise less than the picture holds.
    const QSize fit = decodedSize(image.size());
    if (!fit.isValid())
        return {};
    return fit == image.size() ? image
                               : image.scaled(fit, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace GifAnimation
