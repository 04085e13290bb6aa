#pragma once

// The arithmetic behind the drawings, kept apart from the painting so that
// it can be checked on its own. Every stored number may be any 32-bit value,
// so positions are worked out in 64 bits and never wrap.

#include <cstdint>
#include <vector>

namespace qg {

// A canvas position; wider than the stored numbers so that sums such as
// centre + radius cannot overflow.
struct Point64 {
    std::int64_t x = 0;
    std::int64_t y = 0;
    friend bool operator==(const Point64&, const Point64&) = default;
};

// π/180 as the drawings use it.
inline constexpr long double kDegree = 0.017453292519943295769L;

// Nearest whole number, halves to even (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
std::int64_t roundHalfEven(long double value);

// Pixel size of a font given in points at 96 dots per inch, rounded like
// the platform's MulDiv (halves away from zero): 8 pt -> 11 px. The result
// is the em height the text is drawn with, kept within
// kMinFontPixels..kMaxFontPixels; a size of 0 means the 8 pt default and a
// negative size is taken by its magnitude.
inline constexpr int kMinFontPixels = 1;
inline constexpr int kMaxFontPixels = 400;
int fontPixelSize(std::int32_t points);

// The angle handed to the text primitive: the low 16 bits of any whole
// angle, so -80 becomes 65456.
std::uint16_t textAngle(std::int64_t degrees);

// How far a text handed the angle is turned counter-clockwise, 0..359
// (65456 and -80 both turn by 296, i.e. 64 degrees clockwise).
int textTurn(std::uint16_t angle);

// The 361 points of a circle outline about (cx, cy): point i lies at angle
// i degrees, clockwise on screen from the rightmost point, each offset
// rounded before the centre is added. Point 0 and point 360 are both
// (cx + r, cy).
std::vector<Point64> circlePoints(std::int32_t cx, std::int32_t cy, std::int32_t radius);

// Where one character of a ring text goes: the top-left corner of its cell
// and the angle to draw it with. `theta` is its position on the circle in
// degrees, 0 at 12 o'clock, growing clockwise.
struct RingGlyph {
    std::int64_t x = 0;
    std::int64_t y = 0;
    std::int64_t theta = 0;
    std::uint16_t angle = 0;
    friend bool operator==(const RingGlyph&, const RingGlyph&) = default;
};

// The position on the circle, in degrees, of character `index` of `count`
// (count > 0): 0 at 12 o'clock, growing clockwise, the first at `startAngle`.
std::int64_t ringTheta(std::int64_t index, std::int64_t count, std::int32_t startAngle);

// Character `index` of `count` (count > 0) spread round the seal's centre
// (100, 100) at `radius`, the first character at `startAngle`.
RingGlyph ringGlyph(std::int64_t index, std::int64_t count, std::int32_t radius, std::int32_t startAngle);

struct PointF64 {
    double x = 0;
    double y = 0;
};

// Cuts the segment a-b down to the part inside the rectangle
// [left, right] x [top, bottom] (Liang-Barsky). Returns false, leaving a and
// b as they were, when no part of it is inside.
bool clipSegment(PointF64& a, PointF64& b, double left, double top, double right, double bottom);

}  // namespace qg
