#include "PageRaster.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace qg::output {

namespace {

constexpr double kMmPerInch = 25.4;
// A band is drawn in 32-bit pixels: about this many bytes of them.
constexpr std::int64_t kBandBytes = std::int64_t(16) << 20;
// No side of a picture beyond this: a PDF page's side at the highest
// resolution is less.
constexpr double kMaxSide = 1'000'000;

const std::array<uchar, 256>& reversedBits() {
    static const std::array<uchar, 256> table = [] {
        std::array<uchar, 256> t{};
        for (int i = 0; i < 256; ++i) {
            int r = 0;
            for (int b = 0; b < 8; ++b)
                r |= ((i >> b) & 1) << (7 - b);
            t[static_cast<std::size_t>(i)] = static_cast<uchar>(r);
        }
        return t;
    }();
    return table;
}

// Turns over bits [from, to) of a row of packed bits.
void flipBits(uchar* row, int from, int to) {
    if (to <= from)
        return;
    const int first = from >> 3;
    const int last = (to - 1) >> 3;
    const uchar head = static_cast<uchar>(0xFF >> (from & 7));
    const uchar tail = static_cast<uchar>(0xFF << (7 - ((to - 1) & 7)));
    if (first == last) {
        row[first] ^= head & tail;
        return;
    }
    row[first] ^= head;
    for (int i = first + 1; i < last; ++i)
        row[i] ^= 0xFF;
    row[last] ^= tail;
}

// Bit x of a row `width` bits long goes to bit width - 1 - x.
void mirrorBits(const uchar* in, uchar* out, int width) {
    const std::array<uchar, 256>& reversed = reversedBits();
    const int bytes = (width + 7) / 8;
    const int pad = bytes * 8 - width;
    for (int i = 0; i < bytes; ++i) {
        const unsigned here = reversed[in[bytes - 1 - i]];
        const unsigned next = i + 1 < bytes ? reversed[in[bytes - 2 - i]] : 0u;
        out[i] = pad == 0 ? static_cast<uchar>(here) : static_cast<uchar>((here << pad) | (next >> (8 - pad)));
    }
}

}  // namespace

bool layOutPage(const Imprint& imprint, const Settings& settings, PageLayout& layout, QString& error) {
    layout = PageLayout{};
    layout.pixelsPerMm = settings.dpi / kMmPerInch;
    const QSizeF size = imprintSizeMm(imprint, settings.widthMm);
    const double margin = settings.marginMm * layout.pixelsPerMm;
    layout.box = QRectF(margin, margin, size.width() * layout.pixelsPerMm, size.height() * layout.pixelsPerMm);
    layout.mono = !settings.colour || settings.negative;
    layout.transparent = settings.transparent && settings.format == Format::Png && !settings.negative;
    layout.mirror = settings.mirror;
    layout.negative = settings.negative;
    const double width = std::max(1.0, std::ceil(layout.box.width() + 2 * margin - 1e-6));
    const double height = std::max(1.0, std::ceil(layout.box.height() + 2 * margin - 1e-6));
    if (!(width <= kMaxSide && height <= kMaxSide) || width * height > static_cast<double>(kMaxPixels)) {
        error = QStringLiteral("рисунок такого размера (%1 x %2 точек) больше допустимых %3 млн точек: "
                               "уменьшите ширину или разрешение")
                    .arg(width, 0, 'f', 0)
                    .arg(height, 0, 'f', 0)
                    .arg(kMaxPixels / 1'000'000);
        return false;
    }
    layout.width = static_cast<int>(width);
    layout.height = static_cast<int>(height);
    // Qt's TIFF writer copies a 1-bit picture in pieces and leaves the bits
    // after each row's last pixel as the memory held them, so the same
    // imprint would give different files. A 1-bit TIFF is therefore made a
    // whole number of bytes wide: the margin grows by what that adds, evenly
    // on both sides, and the imprint keeps its size.
    if (layout.mono && settings.format == Format::Tiff && layout.width % 8 != 0) {
        const int pad = 8 - layout.width % 8;
        layout.width += pad;
        layout.padLeft = pad / 2;
        layout.box.translate(layout.padLeft, 0);
    }
    return true;
}

int bandRows(const PageLayout& layout) {
    const std::int64_t rows = kBandBytes / (std::int64_t(std::max(layout.width, 1)) * 4);
    return static_cast<int>(std::clamp<std::int64_t>(rows, 1, std::max(layout.height, 1)));
}

std::int64_t bandBytes(const PageLayout& layout) {
    const std::int64_t rows = bandRows(layout);
    // The drawn band and its finished rows.
    return rows * layout.width * 4 + rows * (layout.rowBytes() + 4);
}

BandDrawer::BandDrawer(const Imprint& imprint, const Settings& settings, const PageLayout& layout, int rows)
    : imprint_(imprint), layout_(layout) {
    // Drawn unmirrored: each finished row is mirrored whole.
    Settings unmirrored = settings;
    unmirrored.mirror = false;
    QTransform toPixels;
    toPixels.translate(layout.padLeft, 0);
    toPixels.scale(layout.pixelsPerMm, layout.pixelsPerMm);
    toPixels_ = pageTransform(imprint, unmirrored) * toPixels;
    reach_.reserve(imprint.ops.size());
    for (const InkOp& op : imprint.ops)
        reach_.push_back(toPixels_.mapRect(op.bounds()).adjusted(-2, -2, 2, 2));
    if (rows <= 0)
        rows = bandRows(layout);
    band_ = QImage(layout.width, rows,
                   layout.mono && !layout.transparent ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    // A finished 1-bit row is as long as a 1-bit picture's row, so that it
    // can be copied into one whole.
    stride_ = layout.mono ? ((std::int64_t(layout.width) + 31) / 32) * 4 : std::int64_t(layout.width) * 4;
    finished_.assign(static_cast<std::size_t>(stride_ * rows), 0);
    paper_ = layout.transparent ? QColor(Qt::transparent) : QColor(Qt::white);
    mono_ = layout.mono ? QColor(Qt::black) : QColor();
}

void BandDrawer::draw(int top, int count) {
    band_.fill(layout_.transparent ? Qt::transparent : Qt::white);
    {
        QPainter painter(&band_);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.translate(0, -top);
        painter.setTransform(toPixels_, true);
        if (top == 0 && count >= layout_.height) {
            paintInk(painter, imprint_.ops, paper_, mono_);
        } else {
            // Only the ops that reach into the band.
            std::vector<InkOp> inBand;
            for (std::size_t i = 0; i < imprint_.ops.size(); ++i) {
                if (reach_[i].bottom() >= top && reach_[i].top() <= top + count)
                    inBand.push_back(imprint_.ops[i]);
            }
            paintInk(painter, inBand, paper_, mono_);
        }
    }
    for (int i = 0; i < count; ++i)
        finishRow(top + i, band_.constScanLine(i),
                  finished_.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(stride_));
}

void BandDrawer::finishRow(int pageRow, const uchar* drawn, uchar* out) const {
    const int width = layout_.width;
    const auto* from = reinterpret_cast<const QRgb*>(drawn);
    if (!layout_.mono) {
        auto* to = reinterpret_cast<QRgb*>(out);
        for (int x = 0; x < width; ++x) {
            const QRgb p = from[layout_.mirror ? width - 1 - x : x];
            to[x] = layout_.transparent ? qUnpremultiply(p) : (p | 0xFF000000u);
        }
        return;
    }
    std::vector<uchar>& bits = bits_;
    bits.assign(static_cast<std::size_t>(stride_), 0);
    for (int x = 0; x < width; ++x) {
        const int coverage = layout_.transparent ? qAlpha(from[x]) : 255 - qBlue(from[x]);
        if (coverage >= 128)
            bits[static_cast<std::size_t>(x >> 3)] |= static_cast<uchar>(0x80 >> (x & 7));
    }
    if (layout_.negative) {
        // Every pixel whose centre lies in the box turns over.
        const QRectF& box = layout_.box;
        const int top = static_cast<int>(std::ceil(box.top() - 0.5));
        const int bottom = std::min(layout_.height, static_cast<int>(std::ceil(box.bottom() - 0.5)));
        if (pageRow >= top && pageRow < bottom) {
            const int left = std::max(0, static_cast<int>(std::ceil(box.left() - 0.5)));
            const int right = std::min(width, static_cast<int>(std::ceil(box.right() - 0.5)));
            flipBits(bits.data(), left, right);
        }
    }
    std::memset(out, 0, static_cast<std::size_t>(stride_));
    if (layout_.mirror)
        mirrorBits(bits.data(), out, width);
    else
        std::memcpy(out, bits.data(), static_cast<std::size_t>((width + 7) / 8));
    // Nothing but paper after the last pixel.
    if (width % 8 != 0)
        out[(width + 7) / 8 - 1] &= static_cast<uchar>(0xFF << (8 - width % 8));
}

}  // namespace qg::output
