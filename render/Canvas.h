#pragma once

// The preview's 198 by 198 picture: the painters' target on the screen.

#include "Surface.h"

#include <QImage>
#include <QSize>
#include <QStringView>

#include <memory>

namespace qg {

// The 198 by 198 preview picture. It draws like the classic raster canvas
// the designs were made for: aliased lines (one pixel wide up to width 1,
// round ends and joins beyond), rectangles whose right and bottom edges are
// exclusive, and text placed by the top-left corner of its cell. What
// cannot reach the picture is dropped before it is drawn, and texts already
// drawn once are kept as pictures for reuse.
class Canvas : public StampSurface {
public:
    static constexpr int kSize = 198;

    Canvas();
    ~Canvas() override;

    // The finished picture, 198 x 198, Format_RGB32. Completes any drawing
    // still in progress.
    const QImage& image();

    // Width and height of the cell textOut paints for the text in the
    // current font.
    QSize textCellSize(QStringView text);

protected:
    void drawStroke(const StrokeRun& stroke) override;
    void drawFill(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
                  TColor color) override;
    void drawPicture(std::int64_t x, std::int64_t y, const QImage& picture) override;
    void drawTexts(std::span<const TextRun> runs) override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace qg
