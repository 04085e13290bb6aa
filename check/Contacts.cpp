// Touching texts: a text that meets another text or an outline.

#include "CheckParts.h"

#include <utility>

namespace qg::check::detail {

// Texts that meet other texts or outlines: one look at every pixel and
// its neighbours.
void Checker::contacts(const Drawing& drawing) {
    std::map<std::pair<int, int>, PixelBox> touching;
    const int w = drawing.width;
    const int h = drawing.height;
    auto touchable = [&](int a, int b) {
        const ElementKind ka = drawing.elements[static_cast<std::size_t>(a - 1)].kind;
        const ElementKind kb = drawing.elements[static_cast<std::size_t>(b - 1)].kind;
        return (isText(ka) && isOutlineOrText(kb)) || (isText(kb) && isOutlineOrText(ka));
    };
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* row = drawing.labels.data() + static_cast<std::ptrdiff_t>(y) * w;
        const std::uint8_t* below = y + 1 < h ? row + w : nullptr;
        const auto end = static_cast<std::size_t>(std::max(w, 0));
        for (auto next = nextSet(row, 0, end); next < end; next = nextSet(row, next + 1, end)) {
            const int x = static_cast<int>(next);
            const int a = row[x];
            auto meet = [&](int b, int bx, int by) {
                if (b == 0 || b == a || !touchable(a, b))
                    return;
                PixelBox& box = touching[{std::min(a, b), std::max(a, b)}];
                box.add(x, y);
                box.add(bx, by);
            };
            if (x + 1 < w)
                meet(row[x + 1], x + 1, y);
            if (below) {
                meet(below[x], x, y + 1);
                if (x + 1 < w)
                    meet(below[x + 1], x + 1, y + 1);
                if (x > 0)
                    meet(below[x - 1], x - 1, y + 1);
            }
        }
    }
    for (const auto& [pair, box] : touching) {
        ElementTag first = drawing.elements[static_cast<std::size_t>(pair.first - 1)];
        ElementTag second = drawing.elements[static_cast<std::size_t>(pair.second - 1)];
        // The text first.
        if (!isText(first.kind))
            std::swap(first, second);
        add(Severity::Error, Problem::Touching, first, second, 0, 0, drawing.place(box));
    }
}

}  // namespace qg::check::detail
