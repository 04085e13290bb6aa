#pragma once

#include "Colour.h"
#include "LineFont.h"
#include "Geometry.h"

#include <QImage>
#include <QSize>
#include <QStringView>

#include <cstdint>
#include <memory>

namespace qg {

class EmblemCache;

// The preview picture together with the drawing state that carries over
// from one element to the next and from one paint to the next: the pen
// (colour and width), a solid brush, the current font and the current
// point. It behaves like the classic raster canvas the designs were made
// for: aliased lines (one pixel wide up to width 1, round ends and joins
// beyond), rectangles whose right and bottom edges are exclusive, and text
// placed by the top-left corner of its cell.
//
// Every coordinate may lie anywhere (positions beyond +-2^40 are held
// there); what cannot reach the picture is dropped before it is drawn.
class Canvas {
public:
    static constexpr int kSize = 198;
    // Pens wider than this are drawn this wide (the stored width is kept).
    static constexpr std::int32_t kMaxDrawnPenWidth = 1000;

    Canvas();
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // The finished picture, 198 x 198, Format_RGB32. Completes any drawing
    // still in progress.
    const QImage& image();
    // Completes the drawing in progress (image() does this too).
    void finish();

    TColor penColor() const;
    std::int32_t penWidth() const;
    TColor brushColor() const;
    const LineFont& font() const;
    Point64 currentPoint() const;

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

    // The text in the current font, the top-left corner of its cell at
    // (x, y), turned counter-clockwise by (angle mod 360) degrees about that
    // corner. The cell (advance width x font height) is painted in the brush
    // colour first, then the glyphs in the font's colour.
    void textOut(std::int64_t x, std::int64_t y, std::uint16_t angle, QStringView text);
    // Width and height of the cell textOut paints for the text in the
    // current font.
    QSize textCellSize(QStringView text);

    // Decoded emblem pictures, kept as long as the preview.
    EmblemCache& emblemCache();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace qg
