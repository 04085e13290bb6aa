#pragma once

#include "Canvas.h"
#include "Parameters.h"

namespace qg {

// Leaves the canvas's drawing state (pen, brush, font, current point) as a
// paint of the designs' active page would leave it: what a repaint that
// was left out hands on to the next one. The pixels are not part of that
// state; the next paint clears them.
void AdvanceDrawingState(Canvas& canvas, const StampDesigns& designs, ActivePage page);

}  // namespace qg
