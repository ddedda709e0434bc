// Animated images (GIF) and pictures in general for the HTML view and the banner player, within
// a pixel budget: a larger picture is scaled down once and stays still, so that a page cannot
// make the program decode huge frames over and over.
#pragma once

#include <QByteArray>
#include <QImage>

class QMovie;
class QObject;

namespace GifAnimation {

// Frames of up to this many pixels are shown as they are, and animated.
inline constexpr qint64 kPixelBudget = 1024 * 1024;
// Larger than this, a picture is not decoded at all (one 32-bit frame would pass 100 MB).
inline constexpr qint64 kMaxPixels = 5000 * 5000;

// Frames come at their own delays but never faster than 20 a second: a GIF that asks for none
// would otherwise redraw as fast as the machine can.
inline constexpr int kMinFrameMs = 50;

// A running movie over data when it holds more than one frame within the budget, owned by
// parent; else nullptr. We step its frames ourselves (see kMinFrameMs); QMovie's own state
// stays NotRunning, so ask IsRunning.
QMovie* Start(const QByteArray& data, QObject* parent);

// Pauses a running movie on its frame or resumes a paused one from there; a movie that has ended
// stays ended.
void SetRunning(QMovie& movie, bool run);
bool IsRunning(const QMovie& movie);

// The first frame of data, scaled down to the budget when larger; a null image when data is no
// picture or is too large to decode.
QImage FirstFrame(const QByteArray& data);

} // namespace GifAnimation
