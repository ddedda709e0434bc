#include "GifAnimation.h"

#include <QBuffer>
#include <QMovie>

namespace GifAnimation {

QMovie* Start(const QByteArray& data, QObject* parent)
{
    auto* buffer = new QBuffer;
    buffer->setData(data);
    buffer->open(QIODevice::ReadOnly);
    auto* movie = new QMovie(buffer, QByteArray(), parent);
    buffer->setParent(movie);
    if (!movie->isValid() || movie->frameCount() <= 1) {
        delete movie;
        return nullptr;
    }
    movie->start();
    return movie;
}

} // namespace GifAnimation
