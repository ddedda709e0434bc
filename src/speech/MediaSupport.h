// Whether Qt's media player can be created here. Without GStreamer's elements it crashes on
// the first play, so it is asked before any player exists.
#pragma once

#include <QStringList>

namespace MediaSupport {

// The GStreamer elements that playing the web voice's MP3 needs and that are not installed.
// Looked up once a run.
QStringList MissingElements();
inline bool CanPlayMp3()
{
    return MissingElements().isEmpty();
}

} // namespace MediaSupport
