#pragma once

// What every drawing target takes from the painters: strokes, fills,
// pictures and texts, each tagged with the element it belongs to.

#include "Colour.h"
#include "Geometry.h"
#include "LineFont.h"

#include <QImage>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace qg {

class EmblemCache;
struct EmblemDrawing;

// What part of a design is being drawn, so that a target can tell the
// elements apart (the manufacturing check names them).
enum class ElementKind : std::uint8_t {
    None,
    Emblem,
    RingText,    // round seal, index 1..3
    CentreLine,  // round and triangular seal, index 1..3
    Ring,        // round seal, index 1..3
    SideText,    // triangular seal, index 1..3 (left, right, bottom)
    Frame,       // triangular seal, index 1..3
    StampLine,   // rectangular stamp, index 1..6
    Contour,     // rectangular stamp, index 1..2
    InnerLine,   // rectangular stamp
    Sample,      // the information page's picture
};

struct ElementTag {
    ElementKind kind = ElementKind::None;
    int index = 0;
    friend bool operator==(const ElementTag&, const ElementTag&) = default;
};

// What more there is to one character of a text laid out a character at a
// time (a ring text) than the whole pixels and degrees it is drawn at.
struct CharacterPlace {
    // Where the character stands in its line's text.
    int index = -1;
    // The em height, in preview pixels, of the font it is drawn in, in place
    // of the one the font's size gives (0: the size's).
    double emPixels = 0;
    // When `exact`: its reference point and its turn (degrees
    // counter-clockwise) before they were rounded for the preview. Targets
    // drawn at a larger scale place it there.
    bool exact = false;
    double x = 0;
    double y = 0;
    double turn = 0;
};

// One text handed to the text primitive, with the state it is drawn in.
struct TextRun {
    std::int64_t x = 0;
    std::int64_t y = 0;
    std::uint16_t angle = 0;
    QString text;
    LineFont font;
    TColor brush = kWhite;
    CharacterPlace place;
};

// A run of straight lines drawn in one pen.
struct StrokeRun {
    std::vector<Point64> points;
    TColor color = 0;
    int width = 1;  // as drawn: 1..kMaxDrawnPenWidth
    // Set when the run is a circle outline about `centre`: targets that draw
    // at a larger scale draw the true circle instead of the polygon.
    bool circle = false;
    Point64 centre;
    std::int64_t radius = 0;
};

// The drawing state shared by every target a design is drawn on: the pen
// (colour and width), a solid brush, the current font and the current point,
// each kept from one element to the next and from one drawing to the next,
// as on the classic raster canvas the designs were made for. The painters
// describe a design once through this interface; a target decides how each
// primitive comes out (the 198-pixel preview, or ink at any scale).
//
// Coordinates are preview pixels; any 64-bit value may be given (positions
// beyond +-2^40 are held there).
class StampSurface {
public:
    // Pens wider than this are drawn this wide (the stored width is kept).
    static constexpr std::int32_t kMaxDrawnPenWidth = 1000;

    StampSurface();
    virtual ~StampSurface();
    StampSurface(const StampSurface&) = delete;
    StampSurface& operator=(const StampSurface&) = delete;

    TColor penColor() const { return penColor_; }
    std::int32_t penWidth() const { return penWidth_; }
    TColor brushColor() const { return brushColor_; }
    const LineFont& font() const { return font_; }
    Point64 currentPoint() const { return current_; }
    ElementTag element() const { return element_; }

    void setPenColor(TColor color);
    // A negative width is ignored; 0 draws lines one pixel wide like 1.
    void setPenWidth(std::int32_t width);
    void setBrushColor(TColor color);
    // The font text is drawn in; its colour is the text colour.
    void setFont(const LineFont& font);

    void moveTo(std::int64_t x, std::int64_t y);
    // A straight line from the current point to (x, y) in the pen, which
    // becomes the current point. A run of lines from one point that never
    // leaves it marks a dot the width of the pen.
    void lineTo(std::int64_t x, std::int64_t y);
    // Says that the lines drawn since the last moveTo trace a circle.
    void markCircle(std::int64_t cx, std::int64_t cy, std::int64_t radius);

    // The whole picture in the brush colour.
    void fill();
    // [left, right) x [top, bottom) in the brush colour.
    void fillRect(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom);
    // [left, right) x [top, bottom) filled with the brush and outlined with
    // the pen; the corners may be given in either order. The current point
    // is not moved.
    void rectangle(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom);

    // The picture copied unscaled with its top-left corner at (x, y).
    void drawBitmap(std::int64_t x, std::int64_t y, const QImage& picture);
    // The emblem with its top-left corner at (x, y): its preview picture
    // as drawBitmap draws it, and finer where the target draws finer.
    void drawEmblem(std::int64_t x, std::int64_t y, const EmblemDrawing& emblem);

    // The text in the current font, the top-left corner of its cell at
    // (x, y), turned counter-clockwise by (angle mod 360) degrees about that
    // corner. The cell (advance width x font height) is painted in the brush
    // colour first, then the glyphs in the font's colour.
    void textOut(std::int64_t x, std::int64_t y, std::uint16_t angle, QStringView text);
    // One character of a text laid out a character at a time, drawn like
    // textOut at (x, y) and the angle, and at `place` where that says more.
    void characterOut(std::int64_t x, std::int64_t y, std::uint16_t angle, QStringView text,
                      const CharacterPlace& place);

    // The texts given between these two calls are painted as one: first the
    // cells of all of them, then all their glyphs, so that none of them
    // covers the glyphs of another.
    void beginTextGroup();
    void endTextGroup();

    // Everything drawn from here on belongs to this element.
    void beginElement(ElementTag tag);

    // Completes the drawing in progress.
    void finish();

    // While suspended, the drawing state moves on as usual but nothing is
    // drawn: what a drawing that was left out hands on to the next one.
    void setDrawingSuspended(bool suspended);

    // Decoded emblem pictures, kept as long as the surface.
    EmblemCache& emblemCache();

protected:
    virtual void drawStroke(const StrokeRun& stroke) = 0;
    // Bounds are already held within +-2^40, left < right, top < bottom.
    virtual void drawFill(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
                          TColor color) = 0;
    virtual void drawPicture(std::int64_t x, std::int64_t y, const QImage& picture) = 0;
    // By default the emblem's preview picture, as drawPicture draws it.
    virtual void drawEmblemPicture(std::int64_t x, std::int64_t y, const EmblemDrawing& emblem);
    // The cells of all the texts first, then their glyphs.
    virtual void drawTexts(std::span<const TextRun> runs) = 0;

private:
    void flushPath();
    void stroke(std::vector<Point64> points);

    TColor penColor_ = 0;  // black
    std::int32_t penWidth_ = 1;
    TColor brushColor_ = kWhite;
    LineFont font_ = fontDialogStartFont();
    Point64 current_;
    ElementTag element_;
    // Lines drawn since the last change of pen or point, stroked together.
    std::vector<Point64> path_;
    bool pathIsCircle_ = false;
    Point64 circleCentre_;
    std::int64_t circleRadius_ = 0;
    std::unique_ptr<EmblemCache> emblems_;
    bool suspended_ = false;
    bool grouping_ = false;
    std::vector<TextRun> group_;
};

}  // namespace qg
