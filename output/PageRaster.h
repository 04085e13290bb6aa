#pragma once

// The page as pixels, drawn a band of rows at a time so that the memory it
// takes does not grow with the page.

#include "Export.h"

#include <QImage>
#include <QRectF>

#include <cstdint>
#include <vector>

namespace qg::output {

// Where the page's pixels lie.
struct PageLayout {
    int width = 0;
    int height = 0;
    // Paper added on the left (a 1-bit TIFF is a whole number of bytes wide).
    int padLeft = 0;
    // The imprint's box in pixels, unmirrored.
    QRectF box;
    double pixelsPerMm = 0;
    bool mono = true;         // 1-bit rows, else 32-bit colour rows
    bool transparent = false; // no paper behind the ink
    bool mirror = false;
    bool negative = false;

    // Bytes of one finished row: packed bits, or one QRgb a pixel.
    std::int64_t rowBytes() const { return mono ? (std::int64_t(width) + 7) / 8 : std::int64_t(width) * 4; }
};

// The layout of the settings' page; false with `error` set when a side or
// the number of pixels is beyond what a picture may have.
bool layOutPage(const Imprint& imprint, const Settings& settings, PageLayout& layout, QString& error);

// Rows in one band of a page this wide.
int bandRows(const PageLayout& layout);
// Bytes a band holds while it is drawn.
std::int64_t bandBytes(const PageLayout& layout);

// Draws the page's rows band by band and finishes each row as the file
// holds it: 1-bit rows thresholded at half coverage (1 is ink), turned over
// inside the box for a negative, bits after the last pixel clear; colour
// rows as RGB32 (or ARGB32 when transparent); either mirrored if asked.
class BandDrawer {
public:
    // Bands of `rows` rows, or of bandRows() when 0.
    BandDrawer(const Imprint& imprint, const Settings& settings, const PageLayout& layout, int rows = 0);

    int rows() const { return band_.height(); }
    // Draws rows [top, top + count) of the page; count at most rows().
    void draw(int top, int count);
    // Row `i` of the band drawn last.
    const uchar* row(int i) const {
        return finished_.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(stride_);
    }

private:
    void finishRow(int pageRow, const uchar* drawn, uchar* out) const;

    const Imprint& imprint_;
    PageLayout layout_;
    QTransform toPixels_;
    std::vector<QRectF> reach_;  // each op's rows and columns in pixels
    QImage band_;
    std::vector<uchar> finished_;
    mutable std::vector<uchar> bits_;
    std::int64_t stride_ = 0;
    QColor paper_;
    QColor mono_;
};

}  // namespace qg::output
