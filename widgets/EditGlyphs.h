#pragma once

#include <QIcon>

// The small pictures of the edit buttons and the calendar's step buttons,
// drawn in code so that they follow the palette.
namespace EditGlyphs {

// "DEDITBMP": a little calendar sheet.
QIcon dateEditGlyph();
// "FEDITBMP": a folder.
QIcon directoryEditGlyph();
// "PREV1", "PREV2", "NEXT1", "NEXT2": one or two arrow heads pointing left
// (backward) or right.
QIcon stepGlyph(bool backward, int arrowCount);

} // namespace EditGlyphs
