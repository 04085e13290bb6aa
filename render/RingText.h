#pragma once

// A ring text of the round seal laid out by the widths of its letters: the
// shaped text (kerning included) spread along the circle through the middle
// of the letters, over its own length or a given arc, centred on the line's
// angle, read clockwise or (along the bottom) counter-clockwise, and drawn
// smaller when it must fit; no two neighbours run into each other where the
// circle is shorter, below their middle. Every target draws from the same
// plan.

#include "Parameters.h"
#include "Surface.h"

#include <vector>

namespace qg {

// A text is laid out this many characters far at most; the rest is left
// out (the plan says so).
inline constexpr int kMaxRingCharacters = 1000;

// The smallest size a text is fitted down to, in points.
inline constexpr double kMinFittedPoints = 1.0;

struct RingCharacter {
    int index = 0;       // where it starts in the line's text
    int length = 1;      // how many UTF-16 units it takes there
    double advance = 0;  // its width along the circle of the letters' middle, preview pixels
    // Where its middle lies on that circle: degrees clockwise from 12
    // o'clock (the line's angle is taken modulo 360 first).
    double theta = 0;
    // How far it is turned counter-clockwise, 0 <= turn < 360.
    double turn = 0;
    // Its reference point (the top-left pixel of its cell, as the text
    // primitive takes it), unrounded.
    double x = 0;
    double y = 0;
};

struct RingTextPlan {
    std::vector<RingCharacter> characters;
    // The em height the text is drawn with, and the one its stored size
    // gives; they differ only when the text was fitted.
    double emPixels = 0;
    double naturalEmPixels = 0;
    // The size in use, in points: the stored size, or the size it was
    // fitted down to (in tenths of a point).
    double points = 0;
    bool reduced = false;
    // False when even the smallest size does not fit.
    bool fits = true;
    // The text is longer than kMaxRingCharacters and the rest is left out.
    bool cut = false;
    int cellHeight = 0;
    // The radius of the circle through the middle of the letters.
    double middleRadius = 0;
    // Degrees from the start of the first letter to the end of the last.
    double arc = 0;
    // The room between neighbouring letters along the middle circle, in
    // preview pixels (negative where they overlap). A pair whose ink would
    // come closer at its inner ends than the font sets it on a straight
    // line has the room it needs for that instead, when that is more.
    double gap = 0;
};

// The layout of ring text `line` in glyph spacing (whatever the layout's
// spacing says). An empty text, or a font that cannot be made, gives no
// characters.
RingTextPlan planRingText(const TextLineSettings& line, const RingTextLayout& layout);

// The size a ring text is drawn with, in points: its stored size, or less
// when it is fitted to its arc.
double ringTextPointsInUse(const TextLineSettings& line, const RingTextLayout& layout);

// Draws an enabled ring text in glyph spacing as element `tag`: each
// character on its own, at whole pixels and degrees for the preview and
// exactly for the targets drawn at a larger scale, all of them painted as
// one group.
void printGlyphRingText(StampSurface& surface, const TextLineSettings& line, const RingTextLayout& layout,
                        ElementTag tag);

}  // namespace qg
