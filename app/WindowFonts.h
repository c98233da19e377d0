#pragma once

#include <QFont>
#include <QString>

// The window's fonts: "MS Sans Serif" and "Tahoma".
//
// Debian's fonts-wine package ships faces with the metrics of both under
// /usr/share/wine/fonts; where that folder holds them, they are loaded for
// the program (DEPEXPORT_WINDOWS_FONTS_DIR names another folder, an empty
// value loads none). Where they are missing, fonts of like width stand in.
// Whatever font stands in, fittedFont() shrinks a caption's font until its
// text keeps within the room its control gives it.
//
//     WindowFonts::load();
//     label->setFont(WindowFonts::fittedFont(WindowFonts::caption(), text, 124));
namespace WindowFonts {

// Loads the faces once per process and sets the stand-ins; later calls do
// nothing. Returns whether the designed faces came from the font folder.
bool load();

QFont window();  // "MS Sans Serif", 11 pixels
QFont caption(); // "Tahoma", 16 pixels
// "MS Sans Serif", 16 pixels, bold and underlined; "Tahoma" where the face
// of "MS Sans Serif" is a bitmap face without that size or weight.
QFont heading();

// `font`, or the largest smaller pixel size of it in which `text` is at most
// `width` pixels wide (never below 8 pixels).
QFont fittedFont(const QFont &font, const QString &text, int width);

} // namespace WindowFonts
