#include "Outline.h"

#include <cstdint>
#include <vector>

namespace qg {

namespace {

// Directions along the pixels' edges, in turning order: each is a quarter
// turn clockwise on screen from the one before.
enum Direction : std::uint8_t { Right, Down, Left, Up };
constexpr int kStepX[4] = {1, 0, -1, 0};
constexpr int kStepY[4] = {0, 1, 0, -1};

}  // namespace

QPainterPath toneOutline(const QImage& image, QRgb tone, const QRect& window, QPointF at,
                         const std::function<bool(int x, int y)>& keep) {
    QPainterPath path;
    const QRect area = window.intersected(image.rect());
    if (area.isEmpty())
        return path;
    const QImage picture = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
                               ? image
                               : image.convertToFormat(QImage::Format_RGB32);
    const int w = area.width();
    const int h = area.height();
    const QRgb wanted = tone | 0xFF000000u;

    // Which pixels are of the tone, with a border of others all round.
    const int stride = w + 2;
    std::vector<std::uint8_t> inside(static_cast<std::size_t>(stride) * static_cast<std::size_t>(h + 2), 0);
    bool any = false;
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(area.top() + y)) + area.left();
        std::uint8_t* row = inside.data() + static_cast<std::size_t>(y + 1) * static_cast<std::size_t>(stride) + 1;
        for (int x = 0; x < w; ++x) {
            if ((line[x] | 0xFF000000u) == wanted && (!keep || keep(area.left() + x, area.top() + y))) {
                row[x] = 1;
                any = true;
            }
        }
    }
    if (!any)
        return path;

    // The edges between a pixel of the tone and one that is not, each
    // leaving a corner of the pixel grid with the tone on its right: a bit
    // for its direction at the corner it leaves.
    const int corners = w + 1;
    std::vector<std::uint8_t> leaving(static_cast<std::size_t>(corners) * static_cast<std::size_t>(h + 1), 0);
    auto corner = [corners](int x, int y) { return static_cast<std::size_t>(y) * static_cast<std::size_t>(corners) + static_cast<std::size_t>(x); };
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* row = inside.data() + static_cast<std::size_t>(y + 1) * static_cast<std::size_t>(stride) + 1;
        const std::uint8_t* above = row - stride;
        const std::uint8_t* below = row + stride;
        for (int x = 0; x < w; ++x) {
            if (!row[x])
                continue;
            if (!above[x])
                leaving[corner(x, y)] |= 1u << Right;
            if (!row[x + 1])
                leaving[corner(x + 1, y)] |= 1u << Down;
            if (!below[x])
                leaving[corner(x + 1, y + 1)] |= 1u << Left;
            if (!row[x - 1])
                leaving[corner(x, y + 1)] |= 1u << Up;
        }
    }

    // Each loop follows the edges from corner to corner. Where two patches
    // meet at a corner it turns towards the tone first, which keeps them
    // apart.
    std::vector<QPointF> turns;
    const double originX = at.x() + area.left();
    const double originY = at.y() + area.top();
    for (int y = 0; y <= h; ++y) {
        for (int x = 0; x <= w; ++x) {
            while (leaving[corner(x, y)] != 0) {
                const std::uint8_t bits = leaving[corner(x, y)];
                const int first = bits & (1u << Right) ? Right : bits & (1u << Down) ? Down : bits & (1u << Left) ? Left : Up;
                turns.clear();
                int cx = x;
                int cy = y;
                int heading = first;
                for (;;) {
                    cx += kStepX[heading];
                    cy += kStepY[heading];
                    std::uint8_t& here = leaving[corner(cx, cy)];
                    int next = -1;
                    for (const int turn : {1, 0, 3}) {
                        const int candidate = (heading + turn) % 4;
                        if (here & (1u << candidate)) {
                            next = candidate;
                            break;
                        }
                    }
                    if (next < 0)
                        break;  // cannot happen: every corner has as many edges out as in
                    if (cx == x && cy == y && next == first)
                        break;
                    here = static_cast<std::uint8_t>(here & ~(1u << next));
                    if (next != heading)
                        turns.emplace_back(originX + cx, originY + cy);
                    heading = next;
                }
                leaving[corner(x, y)] &= static_cast<std::uint8_t>(~(1u << first));
                // The start is a corner of the loop unless the loop comes
                // back to it going the way it left.
                if (heading != first)
                    turns.emplace_back(originX + x, originY + y);
                if (turns.size() < 4)
                    continue;
                path.moveTo(turns.front());
                for (std::size_t i = 1; i < turns.size(); ++i)
                    path.lineTo(turns[i]);
                path.closeSubpath();
            }
        }
    }
    if (!path.isEmpty())
        path.setFillRule(Qt::WindingFill);
    return path;
}

}  // namespace qg
