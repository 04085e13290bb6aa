#include "Morphology.h"

#include <algorithm>
#include <cstddef>

namespace qg::check::morphology {

std::vector<std::uint16_t> boundedSquaredDistance(const std::vector<std::uint8_t>& set, int width, int height,
                                                  int reach) {
    reach = std::clamp(reach, 0, 250);
    const int far = reach + 1;
    const std::uint16_t farSquared = static_cast<std::uint16_t>(far * far);
    const std::size_t w = static_cast<std::size_t>(std::max(width, 0));
    const std::size_t h = static_cast<std::size_t>(std::max(height, 0));
    std::vector<std::uint16_t> result(w * h, farSquared);
    if (w == 0 || h == 0)
        return result;

    // Down each column: the distance to the nearest set pixel above or
    // below, held at `far`. Swept row by row.
    std::vector<std::uint8_t> column(w * h);
    const std::uint8_t top = static_cast<std::uint8_t>(far);
    {
        std::vector<std::uint8_t> up(w, top);
        for (std::size_t y = 0; y < h; ++y) {
            const std::uint8_t* in = set.data() + y * w;
            std::uint8_t* out = column.data() + y * w;
            std::uint8_t* run = up.data();
            for (std::size_t x = 0; x < w; ++x) {
                std::uint8_t v = run[x];
                v = static_cast<std::uint8_t>(v < top ? v + 1 : top);
                v = in[x] ? std::uint8_t(0) : v;
                run[x] = v;
                out[x] = v;
            }
        }
        std::vector<std::uint8_t> down(w, top);
        for (std::size_t y = h; y-- > 0;) {
            const std::uint8_t* in = set.data() + y * w;
            std::uint8_t* out = column.data() + y * w;
            std::uint8_t* run = down.data();
            for (std::size_t x = 0; x < w; ++x) {
                std::uint8_t v = run[x];
                v = static_cast<std::uint8_t>(v < top ? v + 1 : top);
                v = in[x] ? std::uint8_t(0) : v;
                run[x] = v;
                out[x] = std::min(out[x], v);
            }
        }
    }

    // Along each row: the nearest of the columns' distances, looking only as
    // far as the best found so far; columns with nothing within reach are
    // skipped by the distance to the nearest one that has.
    std::vector<int> near(w);
    for (std::size_t y = 0; y < h; ++y) {
        const std::uint8_t* g = column.data() + y * w;
        std::uint16_t* out = result.data() + y * w;
        int last = -far - 1;
        for (std::size_t x = 0; x < w; ++x) {
            if (g[x] < far)
                last = static_cast<int>(x);
            near[x] = static_cast<int>(x) - last;
        }
        last = static_cast<int>(w) + far + 1;
        for (std::size_t x = w; x-- > 0;) {
            if (g[x] < far)
                last = static_cast<int>(x);
            near[x] = std::min(near[x], last - static_cast<int>(x));
        }
        for (std::size_t x = 0; x < w; ++x) {
            if (near[x] > reach)
                continue;
            int best = g[x] < far ? g[x] * g[x] : far * far;
            const int xi = static_cast<int>(x);
            for (int dx = std::max(near[x], 1); dx <= reach && dx * dx < best; ++dx) {
                if (xi - dx >= 0 && g[xi - dx] < far)
                    best = std::min(best, dx * dx + g[xi - dx] * g[xi - dx]);
                if (xi + dx < width && g[xi + dx] < far)
                    best = std::min(best, dx * dx + g[xi + dx] * g[xi + dx]);
            }
            out[x] = static_cast<std::uint16_t>(std::min(best, far * far));
        }
    }
    return result;
}

std::vector<std::uint8_t> inverted(const std::vector<std::uint8_t>& set) {
    std::vector<std::uint8_t> out(set.size());
    for (std::size_t i = 0; i < set.size(); ++i)
        out[i] = set[i] ? 0 : 1;
    return out;
}

}  // namespace qg::check::morphology
