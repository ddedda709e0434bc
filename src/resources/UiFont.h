// The face of our own captions (the main window's controls, the popup's title).
#pragma once

#include <QString>

namespace UiFont {

// Our cut of the CJK face, registered on first use: it holds every glyph of the string table and
// the popup's title, so a start never opens the 5 MB system face for them. The full system face
// when the cut cannot be had.
QString Family();

} // namespace UiFont
