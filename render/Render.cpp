#include "Render.h"

#include "Emblem.h"
#include "Geometry.h"

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
        canvas.setPenColor(frame.color);
        canvas.setPenWidth(frame.width);
        canvas.moveTo(frame.vertex[0].x, frame.vertex[0].y);
        canvas.lineTo(frame.vertex[1].x, frame.vertex[1].y);
        canvas.lineTo(frame.vertex[2].x, frame.vertex[2].y);
        canvas.lineTo(frame.vertex[0].x, frame.vertex[0].y);
    }
}

void Page3Stamp(Canvas& canvas, const RectStampParameters& stamp) {
    for (const TextLineSettings& line : stamp.lines)
        printPlacedLine(canvas, line);
    for (const SegmentSettings& contour : stamp.contours) {
        if (!contour.enabled)
            continue;
        canvas.setPenColor(contour.color);
        canvas.setPenWidth(contour.width);
        canvas.moveTo(contour.p1.x, contour.p1.y);
        canvas.lineTo(contour.p2.x, contour.p1.y);
        canvas.lineTo(contour.p2.x, contour.p2.y);
        canvas.lineTo(contour.p1.x, contour.p2.y);
        canvas.lineTo(contour.p1.x, contour.p1.y);
    }
    const SegmentSettings& inner = stamp.innerLine;
    if (inner.enabled) {
        canvas.setPenColor(inner.color);
        canvas.setPenWidth(inner.width);
        canvas.moveTo(inner.p1.x, inner.p1.y);
        canvas.lineTo(inner.p2.x, inner.p2.y);
    }
}

void Page4Stamp(Canvas& canvas) {
    canvas.setPenWidth(1);
    canvas.setPenColor(kInactiveBorderColour);
    canvas.rectangle(10, 90, 170, 190);
    canvas.rectangle(12, 92, 168, 188);
    canvas.setPenColor(kNoneColour);
    canvas.setPenWidth(2);
    canvas.moveTo(4, 120);
    canvas.lineTo(80, 4);
    canvas.lineTo(156, 120);
    canvas.lineTo(4, 120);
    canvas.setPenWidth(1);
    canvas.moveTo(10, 117);
    canvas.lineTo(80, 9);
    canvas.lineTo(150, 116);
    canvas.lineTo(10, 117);
    Circle(canvas, 130, 80, 60, 2, 0xFF0000);
    Circle(canvas, 130, 80, 57, 1, 0xFF0000);
}

}  // namespace qg
