#include "Morphology.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

namespace qg::check::morphology {

namespace {

// One row of a sweep of `columnDistances`: the run down (or up) each
// column grows by one and restarts at the target; the first sweep writes
// it, the second keeps the nearer of the two.
template <bool kKeepNearer>
void sweepRow(const std::uint8_t* __restrict in, std::uint8_t* __restrict out, std::uint8_t* __restrict run,
              std::size_t w, std::uint8_t top, std::uint8_t flip) {
    for (std::size_t x = 0; x < w; ++x) {
        std::uint8_t v = run[x];
        v = static_cast<std::uint8_t>(v < top ? v + 1 : top);
        v = (in[x] != 0) != (flip != 0) ? std::uint8_t(0) : v;
        run[x] = v;
        out[x] = kKeepNearer ? std::min(out[x], v) : v;
    }
}

// Down each column: the distance to the nearest pixel of the target (set
// pixels, or clear ones with `toClear`) above or below, held at `far`
// (at most 255). Swept row by row.
void columnDistances(const std::uint8_t* set, bool toClear, std::size_t w, std::size_t h, int far,
                     std::vector<std::uint8_t>& column) {
    column.resize(w * h);
    const std::uint8_t top = static_cast<std::uint8_t>(far);
    const std::uint8_t flip = toClear ? 1 : 0;
    std::vector<std::uint8_t> runs(w, top);
    for (std::size_t y = 0; y < h; ++y)
        sweepRow<false>(set + y * w, column.data() + y * w, runs.data(), w, top, flip);
    std::fill(runs.begin(), runs.end(), top);
    for (std::size_t y = h; y-- > 0;)
        sweepRow<true>(set + y * w, column.data() + y * w, runs.data(), w, top, flip);
}

// The stretch [from, to) of a row of column distances `g` that has a
// column within `reach` of it; empty when none has.
void stretch(const std::uint8_t* g, std::size_t w, int far, std::size_t reach, std::size_t& from,
             std::size_t& to) {
    std::size_t first = 0;
    while (first < w && g[first] >= far)
        ++first;
    if (first == w) {
        from = to = 0;
        return;
    }
    std::size_t last = w - 1;
    while (g[last] >= far)
        --last;
    from = first > reach ? first - reach : 0;
    to = std::min(w, last + reach + 1);
}

}  // namespace

std::vector<std::uint16_t> boundedSquaredDistance(const std::vector<std::uint8_t>& set, int width, int height,
                                                  int reach, bool toClear) {
    reach = std::clamp(reach, 0, 250);
    const int far = reach + 1;
    const std::uint16_t farSquared = static_cast<std::uint16_t>(far * far);
    const std::size_t w = static_cast<std::size_t>(std::max(width, 0));
    const std::size_t h = static_cast<std::size_t>(std::max(height, 0));
    std::vector<std::uint16_t> result(w * h, farSquared);
    if (w == 0 || h == 0)
        return result;
    std::vector<std::uint8_t> column;
    columnDistances(set.data(), toClear, w, h, far, column);

    // Along each row: the nearest of the columns' distances within reach,
    // dx^2 + g^2 taken one offset at a time across the whole stretch of the
    // row that has something within reach (a loop the compiler vectorises).
    // The sums are held at far^2 before they are formed, so they never
    // overflow.
    const std::size_t pad = static_cast<std::size_t>(reach);
    std::vector<std::uint16_t> squared(w + 2 * pad, farSquared);
    for (std::size_t y = 0; y < h; ++y) {
        const std::uint8_t* g = column.data() + y * w;
        std::size_t from = 0;
        std::size_t to = 0;
        stretch(g, w, far, pad, from, to);
        if (from == to)
            continue;
        std::uint16_t* sq = squared.data() + pad;
        for (std::size_t x = from; x < to; ++x) {
            const std::uint16_t v = g[x];
            sq[x] = v < far ? static_cast<std::uint16_t>(v * v) : farSquared;
        }
        std::uint16_t* out = result.data() + y * w;
        std::copy(sq + from, sq + to, out + from);
        for (int dx = 1; dx <= reach; ++dx) {
            const std::uint16_t dd = static_cast<std::uint16_t>(dx * dx);
            const std::uint16_t room = static_cast<std::uint16_t>(farSquared - dd);
            const std::uint16_t* left = sq - dx;
            const std::uint16_t* right = sq + dx;
            for (std::size_t x = from; x < to; ++x) {
                const std::uint16_t near = static_cast<std::uint16_t>(std::min(left[x], right[x]));
                const std::uint16_t candidate = static_cast<std::uint16_t>(std::min(near, room) + dd);
                out[x] = std::min(out[x], candidate);
            }
        }
        // The stretch's ends are within reach of nothing beyond it.
        std::fill(sq + from, sq + to, farSquared);
    }
    return result;
}

void nearSet(const std::vector<std::uint8_t>& set, int width, int height, int radiusSquared,
             std::vector<std::uint8_t>& near) {
    radiusSquared = std::clamp(radiusSquared, 0, 250 * 250);
    int radius = 0;
    while ((radius + 1) * (radius + 1) <= radiusSquared)
        ++radius;
    const std::vector<std::uint8_t> column = columnDistances(set, width, height, radius + 1);
    nearColumns(column, width, height, radiusSquared, near);
}

std::vector<std::uint8_t> columnDistances(const std::vector<std::uint8_t>& set, int width, int height, int far,
                                          bool toClear) {
    const std::size_t w = static_cast<std::size_t>(std::max(width, 0));
    const std::size_t h = static_cast<std::size_t>(std::max(height, 0));
    std::vector<std::uint8_t> column;
    columnDistances(set.data(), toClear, w, h, std::clamp(far, 1, 255), column);
    return column;
}

void columnDistances(const std::vector<std::uint8_t>& set, int width, int height, int far, bool toClear,
                     std::vector<std::uint8_t>& column) {
    const std::size_t w = static_cast<std::size_t>(std::max(width, 0));
    const std::size_t h = static_cast<std::size_t>(std::max(height, 0));
    columnDistances(set.data(), toClear, w, h, std::clamp(far, 1, 255), column);
}

void nearColumns(const std::vector<std::uint8_t>& column, int width, int height, int radiusSquared,
                 std::vector<std::uint8_t>& near) {
    radiusSquared = std::clamp(radiusSquared, 0, 250 * 250);
    int radius = 0;
    while ((radius + 1) * (radius + 1) <= radiusSquared)
        ++radius;
    const int far = radius + 1;
    const std::size_t w = static_cast<std::size_t>(std::max(width, 0));
    const std::size_t h = static_cast<std::size_t>(std::max(height, 0));
    near.assign(w * h, 0);
    if (w == 0 || h == 0)
        return;

    // A pixel is near when, dx columns away, the column's distance is at
    // most the height of the disc there.
    std::vector<std::uint8_t> height_(static_cast<std::size_t>(radius) + 1);
    for (int dx = 0; dx <= radius; ++dx) {
        int dy = 0;
        while ((dy + 1) * (dy + 1) + dx * dx <= radiusSquared)
            ++dy;
        height_[static_cast<std::size_t>(dx)] = static_cast<std::uint8_t>(dy);
    }
    const std::size_t pad = static_cast<std::size_t>(radius);
    std::vector<std::uint8_t> padded(w + 2 * pad, 255);
    std::uint8_t* g = padded.data() + pad;
    for (std::size_t y = 0; y < h; ++y) {
        const std::uint8_t* row = column.data() + y * w;
        std::size_t from = 0;
        std::size_t to = 0;
        stretch(row, w, far, pad, from, to);
        if (from == to)
            continue;
        std::copy(row + from, row + to, g + from);
        std::uint8_t* out = near.data() + y * w;
        const std::uint8_t h0 = height_[0];
        for (std::size_t x = from; x < to; ++x)
            out[x] = g[x] <= h0;
        for (int dx = 1; dx <= radius; ++dx) {
            const std::uint8_t limit = height_[static_cast<std::size_t>(dx)];
            const std::uint8_t* left = g - dx;
            const std::uint8_t* right = g + dx;
            for (std::size_t x = from; x < to; ++x)
                out[x] = static_cast<std::uint8_t>(out[x] | (std::min(left[x], right[x]) <= limit));
        }
        std::fill(g + from, g + to, std::uint8_t(255));
    }
}

int squaredDistanceAt(const std::vector<std::uint8_t>& column, int width, int x, int y, int reach) {
    reach = std::clamp(reach, 0, 250);
    const int far = reach + 1;
    const std::uint8_t* row = column.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    int best = far * far;
    // Outwards from the pixel's own column: columns k away are no nearer
    // than k.
    for (int k = 0; k <= reach && k * k < best; ++k) {
        if (x - k >= 0 && row[x - k] < far)
            best = std::min(best, k * k + row[x - k] * row[x - k]);
        if (x + k < width && row[x + k] < far)
            best = std::min(best, k * k + row[x + k] * row[x + k]);
    }
    return best;
}

bool nearestOffset(const std::vector<std::uint8_t>& column, const std::vector<std::uint8_t>& set, int width,
                   int height, int x, int y, int reach, bool toClear, int& dx, int& dy) {
    reach = std::clamp(reach, 0, 250);
    const int far = reach + 1;
    const std::uint8_t* row = column.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    int best = far * far;
    int bestX = -1;
    int bestG = 0;
    // Outwards from the pixel's own column: columns k away are no nearer
    // than k.
    for (int k = 0; k <= reach && k * k < best; ++k) {
        for (const int nx : {x - k, x + k}) {
            if (nx < 0 || nx >= width || (k == 0 && nx != x))
                continue;
            const int g = row[nx];
            if (g >= far)
                continue;
            const int squared = k * k + g * g;
            if (squared < best) {
                best = squared;
                bestX = nx;
                bestG = g;
            }
        }
    }
    if (bestX < 0 || best > reach * reach)
        return false;
    // The column tells how far, not which way.
    const auto target = [&](int ny) {
        return ny >= 0 && ny < height &&
               (set[static_cast<std::size_t>(ny) * static_cast<std::size_t>(width) + static_cast<std::size_t>(bestX)] !=
                0) != toClear;
    };
    dx = bestX - x;
    dy = target(y - bestG) ? -bestG : bestG;
    return true;
}

double widthAcross(const std::vector<std::uint8_t>& set, int width, int height, int x, int y, int dx, int dy,
                   bool toClear, double longest, int* otherX, int* otherY) {
    const double near = std::sqrt(static_cast<double>(dx * dx + dy * dy));
    if (near <= 0)
        return longest;
    const auto ends = [&](int px, int py) {
        return (set[static_cast<std::size_t>(py) * static_cast<std::size_t>(width) + static_cast<std::size_t>(px)] != 0) !=
               toClear;
    };
    if (dx == 0 || dy == 0) {
        // Along a row or a column: pixel by pixel.
        const int stepX = dx > 0 ? -1 : dx < 0 ? 1 : 0;
        const int stepY = dy > 0 ? -1 : dy < 0 ? 1 : 0;
        const int most = static_cast<int>(std::floor(longest - near + 1));
        for (int k = 1; k <= most; ++k) {
            const int cx = x + k * stepX;
            const int cy = y + k * stepY;
            if (cx < 0 || cy < 0 || cx >= width || cy >= height)
                return longest;
            if (ends(cx, cy)) {
                if (otherX)
                    *otherX = cx;
                if (otherY)
                    *otherY = cy;
                return std::min(near + k - 1, longest);
            }
        }
        return longest;
    }
    // Pixel by pixel along the ray from the centre of (x, y) away from
    // (dx, dy), every pixel it passes through in turn.
    const double ux = -dx / near;
    const double uy = -dy / near;
    constexpr double kNever = std::numeric_limits<double>::infinity();
    const int stepX = ux > 0 ? 1 : -1;
    const int stepY = uy > 0 ? 1 : -1;
    const double deltaX = ux != 0 ? 1 / std::abs(ux) : kNever;
    const double deltaY = uy != 0 ? 1 / std::abs(uy) : kNever;
    double nextX = deltaX / 2;
    double nextY = deltaY / 2;
    int cx = x;
    int cy = y;
    const double reach = longest - near + 1;
    for (;;) {
        double t = 0;
        if (std::abs(nextX - nextY) < 1e-9) {
            // Through a corner: on to the pixel diagonally beyond it.
            t = nextX;
            cx += stepX;
            cy += stepY;
            nextX += deltaX;
            nextY += deltaY;
        } else if (nextX < nextY) {
            t = nextX;
            cx += stepX;
            nextX += deltaX;
        } else {
            t = nextY;
            cy += stepY;
            nextY += deltaY;
        }
        if (t > reach || cx < 0 || cy < 0 || cx >= width || cy >= height)
            return longest;
        if (ends(cx, cy)) {
            const double beyond = (cx - x) * ux + (cy - y) * uy;
            if (otherX)
                *otherX = cx;
            if (otherY)
                *otherY = cy;
            return std::min(near + beyond - 1, longest);
        }
    }
}

std::vector<std::uint8_t> inverted(const std::vector<std::uint8_t>& set) {
    std::vector<std::uint8_t> out(set.size());
    for (std::size_t i = 0; i < set.size(); ++i)
        out[i] = set[i] ? 0 : 1;
    return out;
}

}  // namespace qg::check::morphology
