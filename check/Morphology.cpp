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

    // Along each row: the nearest of the columns' distances within reach,
    // dx^2 + g^2 taken one offset at a time across the whole stretch of the
    // row that has something within reach (a loop the compiler vectorises).
    // The sums are held at far^2 before they are formed, so they never
    // overflow.
    const std::size_t pad = static_cast<std::size_t>(reach);
    std::vector<std::uint16_t> squared(w + 2 * pad, farSquared);
    for (std::size_t y = 0; y < h; ++y) {
        const std::uint8_t* g = column.data() + y * w;
        std::size_t first = w;
        std::size_t last = 0;
        std::uint16_t* sq = squared.data() + pad;
        for (std::size_t x = 0; x < w; ++x) {
            const std::uint16_t v = g[x];
            sq[x] = v < far ? static_cast<std::uint16_t>(v * v) : farSquared;
        }
        for (std::size_t x = 0; x < w; ++x) {
            if (g[x] < far) {
                first = x;
                break;
            }
        }
        if (first == w)
            continue;
        for (std::size_t x = w; x-- > 0;) {
            if (g[x] < far) {
                last = x;
                break;
            }
        }
        const std::size_t from = first > pad ? first - pad : 0;
        const std::size_t to = std::min(w, last + pad + 1);
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
