// Animated images (GIF) for the HTML view and the banner player.
#pragma once

#include <QByteArray>

class QMovie;
class QObject;

namespace GifAnimation {

// A started movie over data when it holds more than one frame, owned by parent; else nullptr.
QMovie* Start(const QByteArray& data, QObject* parent);

} // namespace GifAnimation
