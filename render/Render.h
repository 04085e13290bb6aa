#pragma once

// The painters: the preview cleared and each kind's design drawn on any
// drawing surface.

#include "Canvas.h"
#include "Surface.h"
#include "Parameters.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace qg {

// Fills the whole canvas with the active page's background colour and leaves
// the brush in that colour.
void ClearStamp(StampSurface& canvas, const StampDesigns& designs, ActivePage page);

// Draws the active page's design on the cleared canvas: the emblem of the
// round seal first (when enabled and readable), then the page's painter.
void PaintStamp(StampSurface& canvas, const StampDesigns& designs, ActivePage page);

// A circle as a closed polyline of 361 points, clockwise on screen from the
// rightmost point. Leaves the pen in the given colour and width.
void Circle(StampSurface& canvas, std::int32_t cx, std::int32_t cy, std::int32_t radius, std::int32_t width,
            TColor color);

// Draws the text with the top-left corner of its cell at (x, y), turned
// counter-clockwise by (angle mod 360) degrees about that corner, the cell
// painted in the brush colour. The canvas font is left as it was.
void PrintText(StampSurface& canvas, const LineFont& font, std::uint16_t angle, std::int32_t x, std::int32_t y,
               const QString& text);

// Leaves the surface's drawing state (pen, brush, font, current point) as a
// clear and paint of the designs' page would leave it, drawing nothing:
// what a repaint that was left out hands on to the next one.
void AdvanceDrawingState(StampSurface& canvas, const StampDesigns& designs, ActivePage page);

// A character of a centre line drawn with room between its letters: where
// it stands in the text and its advance in whole preview pixels, as the text
// primitive gives it. As many as a ring text may have (kMaxRingCharacters);
// the rest of a longer text is left out.
struct TrackedCharacter {
    int index = 0;
    int length = 1;
    std::int64_t advance = 0;
};
std::vector<TrackedCharacter> trackedCharacters(const LineFont& font, const QString& text);

void Page1Stamp(StampSurface& canvas, const RoundSealParameters& seal);
void Page2Stamp(StampSurface& canvas, const TriangleSealParameters& seal);
void Page3Stamp(StampSurface& canvas, const RectStampParameters& stamp);
void Page4Stamp(StampSurface& canvas);

}  // namespace qg
