#include "Render.h"

#include "Emblem.h"
#include "Geometry.h"
#include "RingText.h"
#include "TextLayout.h"

#include <initializer_list>

namespace qg {

namespace {

// The text primitive, taking positions wider than the stored numbers so
// that a ring character placed beyond the 32-bit range stays where it is.
void printTextAt(StampSurface& canvas, const LineFont& font, std::uint16_t angle, std::int64_t x, std::int64_t y,
                 QStringView text) {
    const LineFont saved = canvas.font();
    canvas.setFont(font);
    canvas.textOut(x, y, angle, text);
    canvas.setFont(saved);
}

void printPlacedLine(StampSurface& canvas, const TextLineSettings& line, ElementTag tag) {
    if (!line.enabled)
        return;
    canvas.beginElement(tag);
    printTextAt(canvas, line.font, textAngle(line.angle), line.x, line.y, line.text);
}

}  // namespace

std::vector<TrackedCharacter> trackedCharacters(const LineFont& font, const QString& text) {
    // Only numbers are kept, no font objects, so that the kept ones may
    // outlive the fonts' machinery.
    struct Kept {
        LineFont font;
        QString text;
        std::vector<TrackedCharacter> characters;
    };
    thread_local std::vector<Kept> kept;
    for (const Kept& k : kept) {
        if (k.text == text && k.font == font)
            return k.characters;
    }
    if (kept.size() >= 16)
        kept.erase(kept.begin());
    const FontFace face = makeFontFace(font);
    std::vector<TrackedCharacter> characters;
    for (qsizetype i = 0; i < text.size() && characters.size() < std::size_t(kMaxRingCharacters);) {
        const qsizetype length =
            i + 1 < text.size() && text[i].isHighSurrogate() && text[i + 1].isLowSurrogate() ? 2 : 1;
        characters.push_back(TrackedCharacter{static_cast<int>(i), static_cast<int>(length),
                                              shapeText(face, QStringView(text).sliced(i, length)).width});
        i += length;
    }
    kept.push_back(Kept{font, text, characters});
    return characters;
}

namespace {

// A line with `tracking` preview pixels added between its letters: one
// character at a time along its baseline, each where the font's advances
// and the room before it put it, painted as one group (all cells, then all
// glyphs) so that a cell does not erase its neighbour.
void printTrackedLine(StampSurface& canvas, const TextLineSettings& line, double tracking, ElementTag tag) {
    if (!line.enabled || line.text.isEmpty())
        return;
    if (tracking == 0 || !isRingTracking(tracking)) {
        printPlacedLine(canvas, line, tag);
        return;
    }
    canvas.beginElement(tag);
    const LineFont saved = canvas.font();
    canvas.setFont(line.font);
    const std::uint16_t angle = textAngle(line.angle);
    const int turn = textTurn(angle);
    long double c = 1;
    long double s = 0;
    turnDirection(turn, c, s);
    canvas.beginTextGroup();
    long double along = 0;
    for (const TrackedCharacter& character : trackedCharacters(line.font, line.text)) {
        const long double x = line.x + c * along;
        const long double y = line.y - s * along;
        CharacterPlace place;
        place.index = character.index;
        place.exact = true;
        place.x = static_cast<double>(x);
        place.y = static_cast<double>(y);
        place.turn = turn;
        canvas.characterOut(roundHalfEven(x), roundHalfEven(y), angle,
                            QStringView(line.text).sliced(character.index, character.length), place);
        along += static_cast<long double>(character.advance) + tracking;
    }
    canvas.endTextGroup();
    canvas.setFont(saved);
}

// A ring text, one character at a time around the circle. The characters
// are painted as one group (all cells, then all glyphs), so that a crowded
// text does not erase its own letters. A text longer than the circle has
// whole degrees puts several characters at one place: each different
// character is drawn there once. Each character is known by its place in
// the text.
void printRingText(StampSurface& canvas, const TextLineSettings& line, ElementTag tag) {
    if (!line.enabled || line.text.isEmpty())
        return;
    canvas.beginElement(tag);
    const std::int64_t count = line.text.size();
    const QChar* characters = line.text.constData();
    const LineFont saved = canvas.font();
    canvas.setFont(line.font);
    canvas.beginTextGroup();
    std::int64_t placeTheta = 0;
    RingGlyph place;
    QString drawnHere;  // the different characters drawn at this place so far
    for (std::int64_t i = 0; i < count; ++i) {
        const std::int64_t theta = ringTheta(i, count, line.angle);
        if (i == 0 || theta != placeTheta) {
            place = ringGlyph(i, count, line.radius, line.angle);
            placeTheta = theta;
            drawnHere.clear();
        } else if (drawnHere.contains(characters[i])) {
            continue;
        }
        drawnHere += characters[i];
        CharacterPlace where;
        where.index = static_cast<int>(i);
        canvas.characterOut(place.x, place.y, place.angle, QStringView(characters + i, 1), where);
    }
    canvas.endTextGroup();
    canvas.setFont(saved);
}

// An outline through the points in a pen of the given colour, then width;
// the pen stays so for whatever is drawn next.
void outline(StampSurface& canvas, TColor color, std::int32_t width, std::initializer_list<Point64> points) {
    canvas.setPenColor(color);
    canvas.setPenWidth(width);
    const Point64* point = points.begin();
    canvas.moveTo(point->x, point->y);
    for (++point; point != points.end(); ++point)
        canvas.lineTo(point->x, point->y);
}

void drawEmblem(StampSurface& canvas, const RoundSealParameters& seal) {
    if (!seal.emblem.enabled)
        return;
    const std::shared_ptr<const EmblemDrawing> emblem = canvas.emblemCache().drawing(seal.emblem, seal.background);
    if (!emblem)
        return;
    canvas.beginElement({ElementKind::Emblem, 1});
    canvas.drawEmblem(seal.emblem.x, seal.emblem.y, *emblem);
}

}  // namespace

void ClearStamp(StampSurface& canvas, const StampDesigns& designs, ActivePage page) {
    canvas.beginElement({});
    canvas.setBrushColor(backgroundColour(designs, page));
    canvas.fill();
}

void PaintStamp(StampSurface& canvas, const StampDesigns& designs, ActivePage page) {
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
    canvas.beginElement({});
}

void AdvanceDrawingState(StampSurface& canvas, const StampDesigns& designs, ActivePage page) {
    canvas.setDrawingSuspended(true);
    ClearStamp(canvas, designs, page);
    PaintStamp(canvas, designs, page);
    canvas.setDrawingSuspended(false);
}

void Circle(StampSurface& canvas, std::int32_t cx, std::int32_t cy, std::int32_t radius, std::int32_t width,
            TColor color) {
    canvas.moveTo(static_cast<std::int64_t>(cx) + radius, cy);
    canvas.setPenColor(color);
    canvas.setPenWidth(width);
    for (const Point64& point : circlePoints(cx, cy, radius))
        canvas.lineTo(point.x, point.y);
    canvas.markCircle(cx, cy, radius);
}

void PrintText(StampSurface& canvas, const LineFont& font, std::uint16_t angle, std::int32_t x, std::int32_t y,
               const QString& text) {
    printTextAt(canvas, font, angle, x, y, text);
}

void Page1Stamp(StampSurface& canvas, const RoundSealParameters& seal) {
    for (int k = 0; k < 3; ++k) {
        const ElementTag tag{ElementKind::RingText, k + 1};
        const RingTextLayout& layout = seal.ringLayouts[static_cast<std::size_t>(k)];
        if (layout.spacing == RingSpacing::Glyphs)
            printGlyphRingText(canvas, seal.lines[k], layout, tag);
        else
            printRingText(canvas, seal.lines[k], tag);
    }
    for (int k = 3; k < 6; ++k)
        printTrackedLine(canvas, seal.lines[k], seal.centreTracking[static_cast<std::size_t>(k - 3)],
                         {ElementKind::CentreLine, k - 2});
    for (int k = 0; k < 3; ++k) {
        const RingSettings& ring = seal.rings[k];
        if (!ring.enabled)
            continue;
        canvas.beginElement({ElementKind::Ring, k + 1});
        Circle(canvas, 100, 100, ring.radius, ring.width, ring.color);
    }
}

void Page2Stamp(StampSurface& canvas, const TriangleSealParameters& seal) {
    for (int k = 0; k < 6; ++k) {
        const ElementTag tag = k < 3 ? ElementTag{ElementKind::SideText, k + 1} : ElementTag{ElementKind::CentreLine, k - 2};
        printPlacedLine(canvas, seal.lines[k], tag);
    }
    for (int k = 0; k < 3; ++k) {
        const FrameSettings& frame = seal.frames[k];
        if (!frame.enabled)
            continue;
        canvas.beginElement({ElementKind::Frame, k + 1});
        const auto& v = frame.vertex;
        outline(canvas, frame.color, frame.width,
                {{v[0].x, v[0].y}, {v[1].x, v[1].y}, {v[2].x, v[2].y}, {v[0].x, v[0].y}});
    }
}

void Page3Stamp(StampSurface& canvas, const RectStampParameters& stamp) {
    for (int k = 0; k < 6; ++k)
        printPlacedLine(canvas, stamp.lines[k], {ElementKind::StampLine, k + 1});
    for (int k = 0; k < 2; ++k) {
        const SegmentSettings& contour = stamp.contours[k];
        if (!contour.enabled)
            continue;
        canvas.beginElement({ElementKind::Contour, k + 1});
        const Point& a = contour.p1;
        const Point& b = contour.p2;
        outline(canvas, contour.color, contour.width, {{a.x, a.y}, {b.x, a.y}, {b.x, b.y}, {a.x, b.y}, {a.x, a.y}});
    }
    const SegmentSettings& inner = stamp.innerLine;
    if (inner.enabled) {
        canvas.beginElement({ElementKind::InnerLine, 1});
        outline(canvas, inner.color, inner.width, {{inner.p1.x, inner.p1.y}, {inner.p2.x, inner.p2.y}});
    }
}

void Page4Stamp(StampSurface& canvas) {
    canvas.beginElement({ElementKind::Sample, 1});
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
