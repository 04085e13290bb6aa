#include "Render.h"

#include "Emblem.h"
#include "Geometry.h"

#include <initializer_list>

namespace qg {

namespace {

// The text primitive, taking positions wider than the stored numbers so
// that a ring character placed beyond the 32-bit range stays where it is.
void printTextAt(Canvas& canvas, const LineFont& font, std::uint16_t angle, std::int64_t x, std::int64_t y,
                 QStringView text) {
    const LineFont saved = canvas.font();
    canvas.setFont(font);
    canvas.textOut(x, y, angle, text);
    canvas.setFont(saved);
}

void printPlacedLine(Canvas& canvas, const TextLineSettings& line) {
    if (!line.enabled)
        return;
    printTextAt(canvas, line.font, textAngle(line.angle), line.x, line.y, line.text);
}

void printRingText(Canvas& canvas, const TextLineSettings& line) {
    if (!line.enabled)
        return;
    const std::int64_t count = line.text.size();
    for (std::int64_t i = 0; i < count; ++i) {
        const RingGlyph glyph = ringGlyph(i, count, line.radius, line.angle);
        printTextAt(canvas, line.font, glyph.angle, glyph.x, glyph.y, QStringView(line.text).mid(i, 1));
    }
}

// An outline through the points in a pen of the given colour, then width;
// the pen stays so for whatever is drawn next.
void outline(Canvas& canvas, TColor color, std::int32_t width, std::initializer_list<Point64> points) {
    canvas.setPenColor(color);
    canvas.setPenWidth(width);
    const Point64* point = points.begin();
    canvas.moveTo(point->x, point->y);
    for (++point; point != points.end(); ++point)
        canvas.lineTo(point->x, point->y);
}

void drawEmblem(Canvas& canvas, const RoundSealParameters& seal) {
    if (!seal.emblem.enabled)
        return;
    const QImage picture = canvas.emblemCache().load(seal.emblem.path, seal.background);
    if (picture.isNull())
        return;
    canvas.drawBitmap(seal.emblem.x, seal.emblem.y, picture);
}

}  // namespace

void ClearStamp(Canvas& canvas, const StampDesigns& designs, ActivePage page) {
    TColor background = kInfoPageBackground;
    switch (page) {
        case ActivePage::Round:
            background = designs.round.background;
            break;
        case ActivePage::Triangle:
            background = designs.triangle.background;
            break;
        case ActivePage::Rect:
            background = designs.rect.background;
            break;
        case ActivePage::Info:
            background = kInfoPageBackground;
            break;
    }
    canvas.setBrushColor(background);
    canvas.fill();
}

void PaintStamp(Canvas& canvas, const StampDesigns& designs, ActivePage page) {
    switch (page) {
        case ActivePage::Round:
            drawEmblem(canvas, designs.round);
            Page1Stamp(canvas, designs.round);
            break;
        case ActivePage::Triangle:
            Page2Stamp(canvas, designs.triangle);
            break;
        case ActivePage::Rect:
            Page3Stamp(canvas, designs.rect);
            break;
        case ActivePage::Info:
            Page4Stamp(canvas);
            break;
    }
    canvas.finish();
}

void Circle(Canvas& canvas, std::int32_t cx, std::int32_t cy, std::int32_t radius, std::int32_t width,
            TColor color) {
    canvas.moveTo(static_cast<std::int64_t>(cx) + radius, cy);
    canvas.setPenColor(color);
    canvas.setPenWidth(width);
    for (const Point64& point : circlePoints(cx, cy, radius))
        canvas.lineTo(point.x, point.y);
}

void PrintText(Canvas& canvas, const LineFont& font, std::uint16_t angle, std::int32_t x, std::int32_t y,
               const QString& text) {
    printTextAt(canvas, font, angle, x, y, text);
}

void Page1Stamp(Canvas& canvas, const RoundSealParameters& seal) {
    for (int k = 0; k < 3; ++k)
        printRingText(canvas, seal.lines[k]);
    for (int k = 3; k < 6; ++k)
        printPlacedLine(canvas, seal.lines[k]);
    for (const RingSettings& ring : seal.rings) {
        if (ring.enabled)
            Circle(canvas, 100, 100, ring.radius, ring.width, ring.color);
    }
}

void Page2Stamp(Canvas& canvas, const TriangleSealParameters& seal) {
    for (const TextLineSettings& line : seal.lines)
        printPlacedLine(canvas, line);
    for (const FrameSettings& frame : seal.frames) {
        if (!frame.enabled)
            continue;
        const auto& v = frame.vertex;
        outline(canvas, frame.color, frame.width,
                {{v[0].x, v[0].y}, {v[1].x, v[1].y}, {v[2].x, v[2].y}, {v[0].x, v[0].y}});
    }
}

void Page3Stamp(Canvas& canvas, const RectStampParameters& stamp) {
    for (const TextLineSettings& line : stamp.lines)
        printPlacedLine(canvas, line);
    for (const SegmentSettings& contour : stamp.contours) {
        if (!contour.enabled)
            continue;
        const Point& a = contour.p1;
        const Point& b = contour.p2;
        outline(canvas, contour.color, contour.width, {{a.x, a.y}, {b.x, a.y}, {b.x, b.y}, {a.x, b.y}, {a.x, a.y}});
    }
    const SegmentSettings& inner = stamp.innerLine;
    if (inner.enabled)
        outline(canvas, inner.color, inner.width, {{inner.p1.x, inner.p1.y}, {inner.p2.x, inner.p2.y}});
}

void Page4Stamp(Canvas& canvas) {
    canvas.setPenWidth(1);
    canvas.setPenColor(kInactiveBorderColour);
    canvas.rectangle(10, 90, 170, 190);
    canvas.rectangle(12, 92, 168, 188);
    outline(canvas, kNoneColour, 2, {{4, 120}, {80, 4}, {156, 120}, {4, 120}});
    outline(canvas, kNoneColour, 1, {{10, 117}, {80, 9}, {150, 116}, {10, 117}});
    Circle(canvas, 130, 80, 60, 2, 0xFF0000);
    Circle(canvas, 130, 80, 57, 1, 0xFF0000);
}

}  // namespace qg
