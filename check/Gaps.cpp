// Narrow gaps: paper that the ink would close over, between two parts of
// the ink, in a counter, or across an opening.

#include "CheckParts.h"

#include <functional>
#include <limits>
#include <utility>

namespace qg::check::detail {

namespace {

// The 8-connected parts of the ink, held as the runs of ink along each row
// with the part each belongs to.
class InkParts {
public:
    InkParts(const std::vector<std::uint8_t>& ink, int width, int height) {
        const auto w = static_cast<std::size_t>(std::max(width, 0));
        const auto h = static_cast<std::size_t>(std::max(height, 0));
        rowStart_.reserve(h + 1);
        for (std::size_t y = 0; y < h; ++y) {
            rowStart_.push_back(runs_.size());
            const std::uint8_t* row = ink.data() + y * w;
            for (std::size_t x = nextSet(row, 0, w); x < w; x = nextSet(row, x, w)) {
                const std::size_t from = x;
                while (x < w && row[x] != 0)
                    ++x;
                runs_.push_back(Run{static_cast<int>(from), static_cast<int>(x - 1)});
            }
        }
        rowStart_.push_back(runs_.size());
        part_.resize(runs_.size());
        for (std::size_t i = 0; i < part_.size(); ++i)
            part_[i] = static_cast<int>(i);
        // Runs of neighbouring rows that touch, corners included, are one.
        for (std::size_t y = 1; y < h; ++y) {
            std::size_t above = rowStart_[y - 1];
            std::size_t here = rowStart_[y];
            while (above < rowStart_[y] && here < rowStart_[y + 1]) {
                const Run& a = runs_[above];
                const Run& b = runs_[here];
                if (a.x0 <= b.x1 + 1 && b.x0 <= a.x1 + 1)
                    join(static_cast<int>(above), static_cast<int>(here));
                if (a.x1 < b.x1)
                    ++above;
                else
                    ++here;
            }
        }
        for (std::size_t i = 0; i < part_.size(); ++i)
            part_[i] = root(static_cast<int>(i));
    }

    // The part of the ink at (x, y), -1 for paper.
    int at(int x, int y) const {
        if (y < 0 || static_cast<std::size_t>(y) + 1 >= rowStart_.size())
            return -1;
        const auto first = runs_.begin() + static_cast<std::ptrdiff_t>(rowStart_[static_cast<std::size_t>(y)]);
        const auto last = runs_.begin() + static_cast<std::ptrdiff_t>(rowStart_[static_cast<std::size_t>(y) + 1]);
        auto run = std::upper_bound(first, last, x, [](int value, const Run& r) { return value < r.x0; });
        if (run == first)
            return -1;
        --run;
        return x <= run->x1 ? part_[static_cast<std::size_t>(run - runs_.begin())] : -1;
    }

private:
    struct Run {
        int x0 = 0;
        int x1 = 0;
    };

    int root(int i) {
        while (part_[static_cast<std::size_t>(i)] != i) {
            int& up = part_[static_cast<std::size_t>(i)];
            up = part_[static_cast<std::size_t>(up)];
            i = up;
        }
        return i;
    }
    void join(int a, int b) {
        a = root(a);
        b = root(b);
        if (a != b)
            part_[static_cast<std::size_t>(std::max(a, b))] = std::min(a, b);
    }

    std::vector<std::size_t> rowStart_;
    std::vector<Run> runs_;
    std::vector<int> part_;
};

struct Gap {
    double width = kNoWidth;  // in millimetres
    PixelBox box;
};

// A filled stretch between two or more parts of the ink: the nearest
// pixels of two parts that border it, for each pair of elements, tell
// how narrow it is: the distance between their centres less a pixel.
template <typename Note>
void betweenParts(const Drawing& drawing, const std::vector<std::size_t>& inkSide,
                  const std::vector<int>& partOf, double gapPixels, Note& note) {
    const auto w = static_cast<std::size_t>(drawing.width);
    // The bordering pixels in cells as wide as the widest gap and a
    // pixel: the pixels nearer than that lie in neighbouring cells.
    const int cell = static_cast<int>(std::ceil(gapPixels)) + 2;
    struct Pixel {
        std::int64_t cell;
        int x, y, part, label;
        bool operator<(const Pixel& other) const { return cell < other.cell; }
    };
    const std::int64_t cellsAcross = static_cast<std::int64_t>(w) / cell + 2;
    std::vector<Pixel> pixels;
    pixels.reserve(inkSide.size());
    for (std::size_t k = 0; k < inkSide.size(); ++k) {
        const int x = static_cast<int>(inkSide[k] % w);
        const int y = static_cast<int>(inkSide[k] / w);
        pixels.push_back(Pixel{static_cast<std::int64_t>(y / cell) * cellsAcross + x / cell, x, y, partOf[k],
                               drawing.labels[inkSide[k]]});
    }
    std::sort(pixels.begin(), pixels.end());
    struct Pair {
        int squared = std::numeric_limits<int>::max();
        PixelBox box;
    };
    std::map<std::pair<int, int>, Pair> pairs;
    const double within = (gapPixels + 1) * (gapPixels + 1);
    for (const Pixel& p : pixels) {
        for (std::int64_t dy = -1; dy <= 1; ++dy) {
            for (std::int64_t dx = -1; dx <= 1; ++dx) {
                const std::int64_t key = p.cell + dy * cellsAcross + dx;
                auto q = std::lower_bound(pixels.begin(), pixels.end(), Pixel{key, 0, 0, 0, 0});
                for (; q != pixels.end() && q->cell == key; ++q) {
                    if (q->part <= p.part)
                        continue;
                    const int squared = (q->x - p.x) * (q->x - p.x) + (q->y - p.y) * (q->y - p.y);
                    if (squared >= within)
                        continue;
                    Pair& pair = pairs[{std::min(p.label, q->label), std::max(p.label, q->label)}];
                    pair.squared = std::min(pair.squared, squared);
                    pair.box.add(p.x, p.y);
                    pair.box.add(q->x, q->y);
                }
            }
        }
    }
    for (const auto& [labels, pair] : pairs)
        note(labels.first, labels.second, std::sqrt(static_cast<double>(pair.squared)) - 1, pair.box);
}

// How many separate stretches the open paper beside a filled stretch
// makes (0, 1, or 2 for two or more); `sorted` holds the pixels.
// Pixels two apart still count as one stretch: the staircase of an
// edge may put a pixel of ink between them.
int openSides(const std::vector<std::size_t>& sorted, int width) {
    if (sorted.empty())
        return 0;
    const auto w = static_cast<std::int64_t>(width);
    std::vector<std::uint8_t> reached(sorted.size(), 0);
    std::vector<std::size_t> stack{0};
    reached[0] = 1;
    std::size_t count = 1;
    while (!stack.empty()) {
        const auto i = static_cast<std::int64_t>(sorted[stack.back()]);
        stack.pop_back();
        const std::int64_t x = i % w;
        for (std::int64_t dy = -2; dy <= 2; ++dy) {
            for (std::int64_t dx = -2; dx <= 2; ++dx) {
                if (x + dx < 0 || x + dx >= w)
                    continue;
                const std::int64_t n = i + dy * w + dx;
                if (n < 0)
                    continue;
                const auto found = std::lower_bound(sorted.begin(), sorted.end(), static_cast<std::size_t>(n));
                if (found == sorted.end() || *found != static_cast<std::size_t>(n))
                    continue;
                const auto k = static_cast<std::size_t>(found - sorted.begin());
                if (!reached[k]) {
                    reached[k] = 1;
                    ++count;
                    stack.push_back(k);
                }
            }
        }
    }
    return count == sorted.size() ? 1 : 2;
}

}  // namespace

// Paper that the ink would close over: what a closing with a disc as
// wide as the narrowest gap allowed fills, where it lies between two
// parts of the ink, closes a counter or cuts through one. The wedge
// that the disc leaves in a stroke's own inner corner, or in the bend
// where two strokes of one letter meet, is no gap.
void Checker::narrowGaps(const Drawing& drawing, const std::vector<std::uint8_t>& ink) {
    const double radius = limits.minGapMm / drawing.pixelMm / 2;
    if (radius <= 0)
        return;
    const int reach = static_cast<int>(std::ceil(radius)) + 1;
    const Distances fromInk(ink, drawing.width, drawing.height, reach, false);
    const double within = std::floor(radius * radius);
    // The paper a disc fits in, and then what the disc about it leaves
    // out: the paper near every pixel not within the radius of the ink.
    Room filledRoom;
    std::vector<std::uint8_t>& filled = filledRoom.bytes;
    fromInk.near(static_cast<int>(std::min(within, 1e9)), filled);
    Room column;
    nearTo(filled, drawing.width, drawing.height, radius, true, filled, column.bytes);
    eachPixel(ink, filled, [](std::uint8_t i, std::uint8_t f) { return std::uint8_t((i == 0) & (f == 0)); });
    if (std::none_of(filled.begin(), filled.end(), [](std::uint8_t f) { return f != 0; }))
        return;

    const InkParts parts(ink, drawing.width, drawing.height);
    const double gapPixels = 2 * radius;
    const double longest = gapPixels + 2;
    std::map<std::pair<int, int>, Gap> gaps;
    const auto note = [&](int a, int b, double widthPixels, const PixelBox& box) {
        if (a == b)
            b = 0;
        if (b != 0 && b < a)
            std::swap(a, b);
        const double widthMm = std::max(widthPixels, 0.5) * drawing.pixelMm;
        if (!(widthMm < limits.minGapMm - kSameMm))
            return;
        Gap& gap = gaps[{a, b}];
        gap.width = std::min(gap.width, widthMm);
        gap.box.add(box);
    };

    // Each filled stretch of paper with what borders it: the ink, and
    // the paper the disc still reaches.
    const int w = drawing.width;
    const int h = drawing.height;
    std::vector<std::size_t> stack;
    std::vector<std::size_t> region;
    std::vector<std::size_t> inkSide;
    std::vector<std::size_t> paperSide;
    for (std::size_t start = nextSet(filled.data(), 0, filled.size()); start < filled.size();
         start = nextSet(filled.data(), start + 1, filled.size())) {
        if (filled[start] != 1)
            continue;
        // Taken pixels are marked 2, so that they are told from the
        // paper left open.
        filled[start] = 2;
        stack.push_back(start);
        region.clear();
        inkSide.clear();
        paperSide.clear();
        PixelBox box;
        int furthest = 0;  // from the ink, squared
        while (!stack.empty()) {
            const std::size_t i = stack.back();
            stack.pop_back();
            region.push_back(i);
            const int x = static_cast<int>(i % static_cast<std::size_t>(w));
            const int y = static_cast<int>(i / static_cast<std::size_t>(w));
            box.add(x, y);
            furthest = std::max(furthest, fromInk.at(x, y));
            const int step[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
            for (const auto& s : step) {
                const int nx = x + s[0];
                const int ny = y + s[1];
                if (nx < 0 || ny < 0 || nx >= w || ny >= h)
                    continue;
                const std::size_t n = static_cast<std::size_t>(ny) * static_cast<std::size_t>(w) +
                                      static_cast<std::size_t>(nx);
                if (filled[n] == 1) {
                    filled[n] = 2;
                    stack.push_back(n);
                } else if (filled[n] == 0) {
                    (ink[n] ? inkSide : paperSide).push_back(n);
                }
            }
        }
        if (inkSide.empty())
            continue;
        std::sort(inkSide.begin(), inkSide.end());
        inkSide.erase(std::unique(inkSide.begin(), inkSide.end()), inkSide.end());
        std::vector<int> partOf(inkSide.size());
        bool severalParts = false;
        for (std::size_t k = 0; k < inkSide.size(); ++k) {
            partOf[k] = parts.at(static_cast<int>(inkSide[k] % static_cast<std::size_t>(w)),
                                 static_cast<int>(inkSide[k] / static_cast<std::size_t>(w)));
            severalParts = severalParts || partOf[k] != partOf[0];
        }
        if (severalParts) {
            betweenParts(drawing, inkSide, partOf, gapPixels, note);
            continue;
        }
        // One part of the ink all round: a gap only where the closing
        // shuts a counter (no open paper beside it) or cuts through
        // paper (open paper on two sides); the wedge of a corner has
        // open paper on one side only.
        std::sort(paperSide.begin(), paperSide.end());
        paperSide.erase(std::unique(paperSide.begin(), paperSide.end()), paperSide.end());
        const int sides = openSides(paperSide, w);
        if (sides == 1)
            continue;
        // A pixel or two of paper shut in where the outlines of one
        // shape meet is no counter.
        if (sides == 0 && furthest < 2)
            continue;
        // The width: a counter's is the widest disc it holds, a cut's
        // the narrowest width across it.
        double widthPixels = 2 * std::sqrt(static_cast<double>(furthest)) - 0.5;
        if (sides > 0) {
            widthPixels = kNoWidth;
            for (const std::size_t i : region) {
                const int x = static_cast<int>(i % static_cast<std::size_t>(w));
                const int y = static_cast<int>(i / static_cast<std::size_t>(w));
                widthPixels = std::min(widthPixels, fromInk.across(x, y, longest));
            }
        }
        // The two elements that bound it most.
        std::map<int, std::size_t> around;
        for (const std::size_t i : inkSide)
            ++around[drawing.labels[i]];
        std::vector<std::pair<std::size_t, int>> most;
        for (const auto& [label, count] : around)
            most.emplace_back(count, label);
        std::sort(most.begin(), most.end(), std::greater<>());
        note(most[0].second, most.size() > 1 ? most[1].second : 0, widthPixels, box);
    }
    for (const auto& [pair, gap] : gaps) {
        const ElementTag first = drawing.elements[static_cast<std::size_t>(pair.first - 1)];
        const ElementTag second =
            pair.second != 0 ? drawing.elements[static_cast<std::size_t>(pair.second - 1)] : ElementTag{};
        add(Severity::Warning, Problem::NarrowGap, first, second, gap.width, limits.minGapMm,
            drawing.place(gap.box));
    }
}

}  // namespace qg::check::detail
