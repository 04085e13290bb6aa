#pragma once

// The design records of the three stamp kinds and their defaults: every
// setting the pages edit, the painters draw and the files keep.

#include "Colour.h"
#include "LineFont.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <utility>

namespace qg {

// The three stamp kinds, in the order of their tab pages.
enum class StampKind { Round = 0, Triangle = 1, Rect = 2 };
inline constexpr int kKindCount = 3;

// The tab pages of the main window; the first three show a stamp kind.
enum class ActivePage { Round = 0, Triangle = 1, Rect = 2, Info = 3 };

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// One text line of any kind. A ring text of the round seal is placed by
// radius and angle; every other line by x, y and angle.
struct TextLineSettings {
    bool enabled = false;
    QString text;
    LineFont font;
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t radius = 0;
    std::int32_t angle = 0;
    friend bool operator==(const TextLineSettings&, const TextLineSettings&) = default;
};

using TextLines = std::array<TextLineSettings, 6>;

// A ring of the round seal: a circle about the seal's centre.
struct RingSettings {
    bool enabled = true;
    std::int32_t width = 1;
    std::int32_t radius = 0;
    TColor color = kNoneColour;
    friend bool operator==(const RingSettings&, const RingSettings&) = default;
};

inline constexpr int kDefaultEmblemThreshold = -1;
// The widest an emblem is drawn, in preview pixels: five times the field.
inline constexpr std::int32_t kMaxEmblemWidth = 1000;

struct EmblemSettings {
    EmblemSettings() = default;
    EmblemSettings(bool enabled_, std::int32_t x_, std::int32_t y_, QString path_)
        : enabled(enabled_), x(x_), y(y_), path(std::move(path_)) {}

    bool enabled = false;
    std::int32_t x = 0;
    std::int32_t y = 0;
    // The bitmap of the fixed lines: a Windows bitmap only, which every
    // reader of the files can draw.
    QString path;
    // A picture of any kind the program draws (SVG, PNG, JPEG, BMP); when
    // set it is drawn instead of `path`. Empty: none.
    QString file;
    // The width the emblem is drawn at, in preview pixels (1..kMaxEmblemWidth),
    // its height by its aspect; 0: one picture pixel to a preview pixel.
    std::int32_t width = 0;
    // The grey level (0..255) that divides ink from paper, applied at the
    // resolution of the output: a pixel darker than it is ink.
    // kDefaultEmblemThreshold: every pixel not of exactly the background
    // colour is ink.
    std::int32_t threshold = kDefaultEmblemThreshold;
    // The emblem file's own bytes carried in the design, and the file's
    // name; used when the file itself is missing. Empty: none.
    QString embeddedName;
    QByteArray embeddedData;
    friend bool operator==(const EmblemSettings&, const EmblemSettings&) = default;
};

// How a ring text of the round seal is spread round its circle.
enum class RingSpacing : std::uint8_t {
    Equal,   // in equal steps over the whole circle, the first character at the angle
    Glyphs,  // by the widths of the letters, the angle at the middle of the text
};

// How a ring text is laid out beyond its line's own settings. The defaults
// spread it in equal steps; everything but the spacing counts in glyph
// spacing only.
struct RingTextLayout {
    RingSpacing spacing = RingSpacing::Equal;
    // The arc the text fills, in degrees (kMinRingSpan..kMaxRingSpan): the
    // room between the letters widens or narrows evenly to fill it. 0 (or
    // any other value): the text takes its own length.
    double span = 0;
    // Extra room between letters, in preview pixels; may be negative. Over
    // a span the room is whatever fills it, and a fitted text keeps at
    // least this much.
    double tracking = 0;
    // Reads counter-clockwise with the tops of the letters towards the
    // centre, for a text along the bottom; the letters stay inside the
    // circle, their feet on it.
    bool reverse = false;
    // A text too long for its arc (or for the whole ring) is drawn in a
    // font just small enough to fit; the stored size is kept.
    bool fit = false;
    friend bool operator==(const RingTextLayout&, const RingTextLayout&) = default;
};

inline constexpr double kMinRingSpan = 1;
inline constexpr double kMaxRingSpan = 360;
inline constexpr double kMaxRingTracking = 1000;

// Whether a value is one a ring text's span or tracking (or a centre
// line's tracking) may take; the drawing takes any other as the default,
// and a design file reads it so.
bool isRingSpan(double degrees);
bool isRingTracking(double pixels);

// Whether a value is one an emblem's width or threshold may take, other
// than its default; the drawing takes any other as the default.
bool isEmblemWidth(std::int32_t pixels);
bool isEmblemThreshold(std::int32_t level);

// Lines 0..2 are the ring texts (radius, angle), 3..5 the centre lines
// (x, y, angle).
struct RoundSealParameters {
    TColor background = kWhite;
    TextLines lines;
    // The layout of ring texts 1..3 (lines 0..2).
    std::array<RingTextLayout, 3> ringLayouts;
    // Extra room between the letters of centre lines 1..3 (lines 3..5), in
    // preview pixels, as a ring text's tracking; 0: as the font sets them.
    std::array<double, 3> centreTracking{};
    std::array<RingSettings, 3> rings;
    EmblemSettings emblem;
    friend bool operator==(const RoundSealParameters&, const RoundSealParameters&) = default;
};

// A triangle frame of the triangular seal.
struct FrameSettings {
    bool enabled = true;
    std::array<Point, 3> vertex;
    std::int32_t width = 1;
    TColor color = kNoneColour;
    friend bool operator==(const FrameSettings&, const FrameSettings&) = default;
};

// Lines 0..2 are the left, right and bottom side texts, 3..5 the centre lines.
struct TriangleSealParameters {
    TColor background = kWhite;
    TextLines lines;
    std::array<FrameSettings, 3> frames;
    friend bool operator==(const TriangleSealParameters&, const TriangleSealParameters&) = default;
};

// A straight piece given by two points: a contour of the rectangular stamp
// (the two opposite corners of its rectangle) or its inner line (the ends).
struct SegmentSettings {
    bool enabled = true;
    Point p1;
    Point p2;
    std::int32_t width = 1;
    TColor color = kNoneColour;
    friend bool operator==(const SegmentSettings&, const SegmentSettings&) = default;
};

struct RectStampParameters {
    TColor background = kWhite;
    TextLines lines;
    std::array<SegmentSettings, 2> contours;
    SegmentSettings innerLine;
    friend bool operator==(const RectStampParameters&, const RectStampParameters&) = default;
};

// The defaults of each kind, with every line in the start-up font.
RoundSealParameters defaultRoundSeal();
TriangleSealParameters defaultTriangleSeal();
RectStampParameters defaultRectStamp();

// Resetting a kind to its defaults keeps the fonts its lines use.
template <typename Parameters>
void resetKeepingFonts(Parameters& parameters, const Parameters& defaults) {
    TextLines lines = defaults.lines;
    for (std::size_t i = 0; i < lines.size(); ++i)
        lines[i].font = parameters.lines[i].font;
    parameters = defaults;
    parameters.lines = lines;
}

// All three designs together: what the window edits and the painters draw.
struct StampDesigns {
    RoundSealParameters round = defaultRoundSeal();
    TriangleSealParameters triangle = defaultTriangleSeal();
    RectStampParameters rect = defaultRectStamp();
};

// The background a page is drawn on: its kind's, or the information
// page's own.
TColor backgroundColour(const StampDesigns& designs, ActivePage page);

}  // namespace qg
