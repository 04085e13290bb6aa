#include "Geometry.h"

#include <array>
#include <cmath>
#include <limits>

namespace qg {

std::int64_t roundHalfEven(long double value) {
    // rint follows the current rounding mode, which the program never
    // changes from round-to-nearest-even.
    const long double rounded = std::rint(value);
    constexpr long double kLimit = 9.2e18L;
    if (std::isnan(rounded))
        return 0;
    if (rounded >= kLimit)
        return static_cast<std::int64_t>(kLimit);
    if (rounded <= -kLimit)
        return -static_cast<std::int64_t>(kLimit);
    return static_cast<std::int64_t>(rounded);
}

int fontPixelSize(std::int32_t points) {
    if (points == 0)
        return 11;
    // MulDiv(points, 96, 72): exact product, quotient rounded half away from zero.
    std::int64_t magnitude = static_cast<std::int64_t>(points) * 96;
    if (magnitude < 0)
        magnitude = -magnitude;
    const std::int64_t pixels = (magnitude + 36) / 72;
    if (pixels < kMinFontPixels)
        return kMinFontPixels;
    if (pixels > kMaxFontPixels)
        return kMaxFontPixels;
    return static_cast<int>(pixels);
}

std::uint16_t textAngle(std::int64_t degrees) {
    return static_cast<std::uint16_t>(static_cast<std::uint64_t>(degrees) & 0xFFFFu);
}

int textTurn(std::uint16_t angle) {
    return angle % 360;
}

namespace {

// cos and sin of i degrees for i = 0..360, worked out once.
struct UnitCircle {
    std::array<long double, 361> cos{};
    std::array<long double, 361> sin{};
    UnitCircle() {
        for (int i = 0; i <= 360; ++i) {
            const long double a = i * kDegree;
            cos[static_cast<std::size_t>(i)] = std::cos(a);
            sin[static_cast<std::size_t>(i)] = std::sin(a);
        }
    }
};

const UnitCircle& unitCircle() {
    static const UnitCircle table;
    return table;
}

}  // namespace

// The rounded offsets of a circle's points from its centre. A design draws
// the same few circles on every repaint, so the last ones are kept.
const std::vector<Point64>& circleOffsets(std::int32_t radius) {
    struct Kept {
        std::int32_t radius = 0;
        std::vector<Point64> offsets;
    };
    thread_local std::array<Kept, 8> kept;
    thread_local std::size_t next = 0;
    for (const Kept& k : kept) {
        if (!k.offsets.empty() && k.radius == radius)
            return k.offsets;
    }
    Kept& slot = kept[next];
    next = (next + 1) % kept.size();
    const UnitCircle& unit = unitCircle();
    const long double r = radius;
    slot.radius = radius;
    slot.offsets.clear();
    slot.offsets.reserve(361);
    for (std::size_t i = 0; i <= 360; ++i)
        slot.offsets.push_back(Point64{roundHalfEven(r * unit.cos[i]), roundHalfEven(r * unit.sin[i])});
    return slot.offsets;
}

std::vector<Point64> circlePoints(std::int32_t cx, std::int32_t cy, std::int32_t radius) {
    std::vector<Point64> points = circleOffsets(radius);
    for (Point64& point : points) {
        point.x += cx;
        point.y += cy;
    }
    return points;
}

std::int64_t ringTheta(std::int64_t index, std::int64_t count, std::int32_t startAngle) {
    const long double share = static_cast<long double>(index * 360) / static_cast<long double>(count);
    return roundHalfEven(share) + startAngle;
}

RingGlyph ringGlyph(std::int64_t index, std::int64_t count, std::int32_t radius, std::int32_t startAngle) {
    RingGlyph glyph;
    glyph.theta = ringTheta(index, count, startAngle);
    const long double phi = static_cast<long double>(glyph.theta) * kDegree;
    const long double r = radius;
    glyph.x = roundHalfEven(r * std::sin(phi) + 100.0L);
    glyph.y = roundHalfEven(100.0L - r * std::cos(phi));
    glyph.angle = textAngle(-glyph.theta - 16);
    return glyph;
}

bool clipSegment(PointF64& a, PointF64& b, double left, double top, double right, double bottom) {
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    double t0 = 0.0;
    double t1 = 1.0;
    // One edge at a time: p is the rate at which the segment heads out
    // across the edge, q the room left before it.
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x - left, right - a.x, a.y - top, bottom - a.y};
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0.0) {
            if (q[k] < 0.0)
                return false;
            continue;
        }
        const double t = q[k] / p[k];
        if (p[k] < 0.0) {
            if (t > t1)
                return false;
            if (t > t0)
                t0 = t;
        } else {
            if (t < t0)
                return false;
            if (t < t1)
                t1 = t;
        }
    }
    // Ends that are inside stay exactly as given.
    const PointF64 start = t0 > 0.0 ? PointF64{a.x + t0 * dx, a.y + t0 * dy} : a;
    const PointF64 end = t1 < 1.0 ? PointF64{a.x + t1 * dx, a.y + t1 * dy} : b;
    a = start;
    b = end;
    return true;
}

}  // namespace qg
