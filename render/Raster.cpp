#include "Raster.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qg::raster {

namespace {

__extension__ typedef __int128 Wide;

Wide floorDiv(Wide num, Wide den) {
    // den > 0
    Wide q = num / den;
    if ((num % den) != 0 && num < 0)
        --q;
    return q;
}

std::uint32_t* row(QImage& image, int y) {
    return reinterpret_cast<std::uint32_t*>(image.scanLine(y));
}

}  // namespace

void thinLine(QImage& image, Point64 a, Point64 b, std::uint32_t argb) {
    const std::int64_t dx = b.x - a.x;
    const std::int64_t dy = b.y - a.y;
    if (dx == 0 && dy == 0)
        return;
    const std::int64_t width = image.width();
    const std::int64_t height = image.height();
    const bool xMajor = (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy);
    const std::int64_t dMajor = xMajor ? dx : dy;
    const std::int64_t dMinor = xMajor ? dy : dx;
    const std::int64_t major0 = xMajor ? a.x : a.y;
    const std::int64_t minor0 = xMajor ? a.y : a.x;
    const std::int64_t majorLimit = xMajor ? width : height;
    const std::int64_t minorLimit = xMajor ? height : width;
    const std::int64_t steps = dMajor < 0 ? -dMajor : dMajor;
    const std::int64_t sign = dMajor < 0 ? -1 : 1;

    // Pixel k (0 <= k < steps) lies at major0 + k * sign along the major
    // axis; only the steps that land on the picture are walked.
    std::int64_t kLow = sign > 0 ? -major0 : major0 - (majorLimit - 1);
    std::int64_t kHigh = sign > 0 ? (majorLimit - 1) - major0 : major0;
    kLow = std::max<std::int64_t>(kLow, 0);
    kHigh = std::min<std::int64_t>(kHigh, steps - 1);
    if (kLow > kHigh)
        return;

    // Minor coordinate of pixel k: minor0 + floor(k * dMinor / steps + 1/2),
    // kept as a quotient and remainder over 2 * steps.
    const Wide den = Wide{2} * steps;
    const Wide num = Wide{2} * kLow * dMinor + steps;
    const Wide q = floorDiv(num, den);
    std::int64_t remainder = static_cast<std::int64_t>(num - q * den);
    std::int64_t minor = minor0 + static_cast<std::int64_t>(q);
    const std::int64_t step = 2 * dMinor;
    const std::int64_t denominator = 2 * steps;
    std::int64_t major = major0 + kLow * sign;

    for (std::int64_t k = kLow; k <= kHigh; ++k) {
        if (minor >= 0 && minor < minorLimit) {
            const int px = static_cast<int>(xMajor ? major : minor);
            const int py = static_cast<int>(xMajor ? minor : major);
            row(image, py)[px] = argb;
        }
        major += sign;
        remainder += step;
        if (remainder >= denominator) {
            remainder -= denominator;
            ++minor;
        } else if (remainder < 0) {
            remainder += denominator;
            --minor;
        }
    }
}

void capsule(QImage& image, PointF64 a, PointF64 b, double radius, std::uint32_t argb) {
    const int width = image.width();
    const int height = image.height();
    const double r2 = radius * radius;
    const double top = std::max(std::ceil(std::min(a.y, b.y) - radius), 0.0);
    const double bottom = std::min(std::floor(std::max(a.y, b.y) + radius), height - 1.0);
    if (!(top <= bottom))
        return;

    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double length = std::sqrt(dx * dx + dy * dy);
    const double ux = length > 0 ? dx / length : 0.0;
    const double uy = length > 0 ? dy / length : 0.0;
    constexpr double kInf = std::numeric_limits<double>::infinity();

    // Narrows [lo, hi] to the x where coef * x + offset lies in [low, high].
    auto narrow = [](double coef, double offset, double low, double high, double& lo, double& hi) {
        if (coef == 0.0) {
            if (offset < low || offset > high) {
                lo = kInf;
                hi = -kInf;
            }
            return;
        }
        double from = (low - offset) / coef;
        double to = (high - offset) / coef;
        if (from > to)
            std::swap(from, to);
        lo = std::max(lo, from);
        hi = std::min(hi, to);
    };

    for (int y = static_cast<int>(top); y <= static_cast<int>(bottom); ++y) {
        const double yc = y;
        double lo = kInf;
        double hi = -kInf;
        for (const PointF64& end : {a, b}) {
            const double ey = yc - end.y;
            if (ey * ey <= r2) {
                const double half = std::sqrt(r2 - ey * ey);
                lo = std::min(lo, end.x - half);
                hi = std::max(hi, end.x + half);
            }
        }
        if (length > 0) {
            // Along the segment: t = (x - a.x) ux + (yc - a.y) uy in [0, length];
            // across it: s = -(x - a.x) uy + (yc - a.y) ux in [-radius, radius].
            double bandLo = -kInf;
            double bandHi = kInf;
            narrow(ux, -a.x * ux + (yc - a.y) * uy, 0.0, length, bandLo, bandHi);
            narrow(-uy, a.x * uy + (yc - a.y) * ux, -radius, radius, bandLo, bandHi);
            if (bandLo <= bandHi) {
                lo = std::min(lo, bandLo);
                hi = std::max(hi, bandHi);
            }
        }
        if (!(lo <= hi))
            continue;
        const double first = std::max(std::ceil(lo), 0.0);
        const double last = std::min(std::floor(hi), width - 1.0);
        if (!(first <= last))
            continue;
        std::uint32_t* line = row(image, y);
        std::fill(line + static_cast<int>(first), line + static_cast<int>(last) + 1, argb);
    }
}

void fillRect(QImage& image, std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
              std::uint32_t argb) {
    left = std::max<std::int64_t>(left, 0);
    top = std::max<std::int64_t>(top, 0);
    right = std::min<std::int64_t>(right, image.width());
    bottom = std::min<std::int64_t>(bottom, image.height());
    if (left >= right || top >= bottom)
        return;
    for (std::int64_t y = top; y < bottom; ++y) {
        std::uint32_t* line = row(image, static_cast<int>(y));
        std::fill(line + left, line + right, argb);
    }
}

void fillRuns(QImage& image, std::int64_t dx, std::int64_t dy, std::span<const Run> runs, std::uint32_t argb) {
    uchar* const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    for (const Run& run : runs) {
        const std::int64_t y = dy + run.y;
        if (y < 0 || y >= image.height())
            continue;
        const std::int64_t left = std::max<std::int64_t>(dx + run.x0, 0);
        const std::int64_t right = std::min<std::int64_t>(dx + run.x1, image.width());
        if (left >= right)
            continue;
        auto* line = reinterpret_cast<std::uint32_t*>(bits + y * stride);
        std::fill(line + left, line + right, argb);
    }
}

namespace {

// The overlap of a w x h picture placed at (x, y) with the canvas, in
// canvas coordinates; false when there is none.
bool overlap(const QImage& image, std::int64_t x, std::int64_t y, const QImage& picture, int& left, int& top,
             int& right, int& bottom) {
    const std::int64_t l = std::max<std::int64_t>(x, 0);
    const std::int64_t t = std::max<std::int64_t>(y, 0);
    const std::int64_t r = std::min<std::int64_t>(x + picture.width(), image.width());
    const std::int64_t b = std::min<std::int64_t>(y + picture.height(), image.height());
    if (l >= r || t >= b)
        return false;
    left = static_cast<int>(l);
    top = static_cast<int>(t);
    right = static_cast<int>(r);
    bottom = static_cast<int>(b);
    return true;
}

}  // namespace

void copy(QImage& image, std::int64_t x, std::int64_t y, const QImage& picture) {
    int left = 0, top = 0, right = 0, bottom = 0;
    if (picture.isNull() || !overlap(image, x, y, picture, left, top, right, bottom))
        return;
    const QImage source =
        picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32
            ? picture
            : picture.convertToFormat(QImage::Format_RGB32);
    for (int cy = top; cy < bottom; ++cy) {
        const auto* from =
            reinterpret_cast<const std::uint32_t*>(source.constScanLine(static_cast<int>(cy - y)));
        std::uint32_t* to = row(image, cy);
        for (int cx = left; cx < right; ++cx)
            to[cx] = from[cx - x] | 0xFF000000u;
    }
}

void blend(QImage& image, std::int64_t x, std::int64_t y, const QImage& picture) {
    int left = 0, top = 0, right = 0, bottom = 0;
    if (picture.isNull() || !overlap(image, x, y, picture, left, top, right, bottom))
        return;
    uchar* const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    for (int cy = top; cy < bottom; ++cy) {
        const auto* from =
            reinterpret_cast<const std::uint32_t*>(picture.constScanLine(static_cast<int>(cy - y)));
        auto* to = reinterpret_cast<std::uint32_t*>(bits + cy * stride);
        for (int cx = left; cx < right; ++cx) {
            const std::uint32_t s = from[cx - x];
            const std::uint32_t alpha = s >> 24;
            if (alpha == 0)
                continue;
            if (alpha == 255) {
                to[cx] = s;
                continue;
            }
            const std::uint32_t d = to[cx];
            const std::uint32_t keep = 255 - alpha;
            // Every channel, alpha too: an opaque canvas stays opaque, a
            // premultiplied layer gathers coverage.
            std::uint32_t out = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                const std::uint32_t sc = (s >> shift) & 0xFFu;
                const std::uint32_t dc = (d >> shift) & 0xFFu;
                const std::uint32_t c = std::min<std::uint32_t>(255, sc + (dc * keep + 127) / 255);
                out |= c << shift;
            }
            to[cx] = out;
        }
    }
}

}  // namespace qg::raster
