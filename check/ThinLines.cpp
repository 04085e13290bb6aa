// Lines thinner than the shop's limits, and than a pixel of the picture
// asked for: what an opening with a disc as wide as the limit takes away,
// measured across its middle.

#include "CheckParts.h"

#include <utility>

namespace qg::check::detail {

namespace {

// Parts of one element found by a pixel test, each with its box.
struct Part {
    int label = 0;
    std::size_t area = 0;
    PixelBox box;
};

// The 8-connected parts of one label each among the pixels where `mask`
// is set (which is cleared); `visit(part, x, y)` is called for each pixel
// as it joins its part. The mask is clear along the picture's edge, as the
// ink is: the drawing has a margin of paper.
template <typename PartType = Part, typename Visit>
std::vector<PartType> partsOf(const Drawing& drawing, std::vector<std::uint8_t>& mask, Visit visit) {
    std::vector<PartType> parts;
    std::vector<std::size_t> stack;
    const auto w = static_cast<std::size_t>(drawing.width);
    const std::size_t around[8] = {1, w - 1, w, w + 1, std::size_t(0) - 1, std::size_t(0) - w + 1,
                                   std::size_t(0) - w, std::size_t(0) - w - 1};
    const std::uint8_t* labels = drawing.labels.data();
    std::uint8_t* inMask = mask.data();
    for (std::size_t start = nextSet(inMask, 0, mask.size()); start < mask.size();
         start = nextSet(inMask, start + 1, mask.size())) {
        PartType part;
        part.label = labels[start];
        inMask[start] = 0;
        stack.push_back(start);
        parts.push_back(part);
        PartType& growing = parts.back();
        while (!stack.empty()) {
            const std::size_t i = stack.back();
            stack.pop_back();
            const int x = static_cast<int>(i % w);
            const int y = static_cast<int>(i / w);
            ++growing.area;
            growing.box.add(x, y);
            visit(growing, x, y);
            for (const std::size_t step : around) {
                const std::size_t n = i + step;
                if (inMask[n] && labels[n] == part.label) {
                    inMask[n] = 0;
                    stack.push_back(n);
                }
            }
        }
    }
    return parts;
}

// A part of one element's ink that an opening with a disc takes away, with
// the thinnest line in it.
struct ThinPart : Part {
    // The pixels in the middle of the ink (about as far from the paper on
    // either side) where it is thinner than the disc, with the ink's width
    // across each, in check pixels, and the way to the nearest paper.
    struct Middle {
        std::size_t index;
        float width;
        std::int16_t dx, dy;
    };
    std::vector<Middle> middle;
    double thinnest = kNoWidth;  // in check pixels; kNoWidth: no line
    PixelBox where;              // where the line is thinner than the disc
};

// The lines thinner than a disc `diameter` pixels across in the ink that
// an opening with the disc takes away. A line's width is measured at each
// pixel of its middle, from the pixel's nearest paper to the paper on the
// other side; its width at a place is the median of those within half the
// disc's width, which the staircase of the edges, a pixel astray or a
// notch shorter than the disc do not change, and the line's width is the
// thinnest of these. Lines shorter than the disc is wide are not measured.
// `fromPaper` holds the distances to the paper within at least half the
// diameter and two pixels; `vanished` and `column` are room for the work.
std::vector<ThinPart> thinParts(const Drawing& drawing, const std::vector<std::uint8_t>& ink,
                                const Distances& fromPaper, double diameter, std::vector<std::uint8_t>& vanished,
                                std::vector<std::uint8_t>& column) {
    if (diameter <= 0)
        return {};
    // A disc fits where the paper's nearest pixel centre is at least its
    // radius and half a pixel away: the paper's pixel centres lie half a
    // pixel beyond the edge of the ink, as near as the pixels tell. First
    // the centres kept, then what the disc about them leaves out.
    const double keep = diameter / 2 + 0.5;
    const int needed = static_cast<int>(std::ceil(keep * keep));
    fromPaper.near(needed - 1, vanished);
    eachPixel(ink, vanished, [](std::uint8_t i, std::uint8_t v) { return std::uint8_t((i != 0) & (v == 0)); });
    // The disc's reach from the kept centres, and a pixel more for the
    // staircase of the edges.
    nearTo(vanished, drawing.width, drawing.height, diameter / 2 + 1, false, vanished, column);
    eachPixel(ink, vanished, [](std::uint8_t i, std::uint8_t v) { return std::uint8_t((i != 0) & (v == 0)); });

    const double longest = diameter + 2;
    const auto w = static_cast<std::size_t>(drawing.width);
    std::vector<ThinPart> parts = partsOf<ThinPart>(drawing, vanished, [&](ThinPart& part, int x, int y) {
        int dx = 0;
        int dy = 0;
        if (!fromPaper.nearest(x, y, dx, dy))
            return;
        // Across a pixel d from the paper the ink is at least 2d - 1 wide.
        const double near = std::sqrt(static_cast<double>(dx * dx + dy * dy));
        if (2 * near - 2 >= diameter)
            return;
        // The other side as far as the nearest, within the pixel by which
        // the middle of an even number of pixels lies off centre: no
        // further need be looked.
        const double furthest = std::min(longest, 2 * near + 0.5 + 1e-6);
        const double width = morphology::widthAcross(ink, drawing.width, drawing.height, x, y, dx, dy, true, furthest);
        const double other = width + 1 - near;
        if (width >= diameter || width >= furthest || std::abs(other - near) > 1.5)
            return;
        part.middle.push_back(ThinPart::Middle{static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x),
                                               static_cast<float>(std::max(width, 0.5)), static_cast<std::int16_t>(dx),
                                               static_cast<std::int16_t>(dy)});
    });
    // The tip of a spur or a sharp corner always goes; a thin line is at
    // least as long as the disc is wide.
    const double smallest = std::max(4.0, diameter);
    std::erase_if(parts, [&](const ThinPart& part) { return static_cast<double>(part.area) < smallest; });

    // The line's width about each pixel of its middle: the median of the
    // widths across the middle within half the disc's width (and four
    // pixels at least), where a line passes through: most of a line's worth
    // of middle pixels, on both sides along the line. Not at a line's end,
    // where the staircase of its corners could be as many. `vanished` is
    // clear again and holds the widths of one part's middle at a time, in
    // steps of 1 / scale pixel.
    const int half = std::max(4, static_cast<int>(std::lround(diameter / 2)));
    const double enough = 0.75 * (2 * half + 1);
    const double eachSide = 0.6 * half;
    const double scale = std::min(8.0, 250 / longest);
    const auto h = static_cast<int>(drawing.height);
    std::vector<std::uint8_t> around;
    for (ThinPart& part : parts) {
        for (const ThinPart::Middle& m : part.middle)
            vanished[m.index] = static_cast<std::uint8_t>(1 + std::lround(m.width * scale));
        for (const ThinPart::Middle& m : part.middle) {
            const int x = static_cast<int>(m.index % w);
            const int y = static_cast<int>(m.index / w);
            // The windows about neighbouring pixels hold nearly the same:
            // every other one tells as much.
            if ((x + y) % 2 != 0 && part.middle.size() > 1)
                continue;
            const int dx = m.dx;
            const int dy = m.dy;
            around.clear();
            int ahead = 0;
            int behind = 0;
            for (int v = std::max(y - half, 0); v <= std::min(y + half, h - 1); ++v) {
                const std::uint8_t* row = vanished.data() + static_cast<std::size_t>(v) * w;
                for (int u = std::max(x - half, 0); u <= std::min(x + half, drawing.width - 1); ++u) {
                    if (!row[u])
                        continue;
                    around.push_back(row[u]);
                    // Along the line: across the direction to the paper.
                    const int along = (u - x) * -dy + (v - y) * dx;
                    ahead += along > 0 ? 1 : 0;
                    behind += along < 0 ? 1 : 0;
                }
            }
            if (static_cast<double>(around.size()) < enough || ahead < eachSide || behind < eachSide)
                continue;
            const auto middle = around.begin() + static_cast<std::ptrdiff_t>(around.size() / 2);
            std::nth_element(around.begin(), middle, around.end());
            const double median = (*middle - 1) / scale;
            if (median < diameter) {
                part.thinnest = std::min(part.thinnest, median);
                part.where.add(x, y);
            }
        }
        for (const ThinPart::Middle& m : part.middle)
            vanished[m.index] = 0;
        part.middle = {};
    }
    std::erase_if(parts, [](const ThinPart& part) { return part.thinnest >= kNoWidth; });
    return parts;
}

}  // namespace

ThinLines::ThinLines(const output::Imprint& imprint, const Limits& limits, int pictureDpi, double mmPerUnit,
                     const Drawing& drawing)
    : imprint_(imprint), mmPerUnit_(mmPerUnit), drawing_(drawing),
      limitsMm_{limits.minLineMm, std::max(limits.safeLineMm, limits.minLineMm),
                pictureDpi > 0 ? kMmPerInch / pictureDpi : 0} {
    for (std::size_t k = 0; k < kWidthsAsked; ++k)
        widths_[k] = std::max(limitsMm_[k], 0.0) / drawing.pixelMm;
    // A line drawn with a pen and not covered afterwards is as wide as
    // the pen, which is known exactly: the pixels would only tell it to
    // within one of them.
    std::vector<QRectF> paperAfter;  // the paper laid after the op in hand
    for (std::size_t i = imprint.ops.size(); i-- > 0;) {
        const InkOp& op = imprint.ops[i];
        if (op.paper) {
            paperAfter.push_back(op.bounds());
            continue;
        }
        const int label = drawing.labelOf(op.element);
        if (label == 0)
            continue;
        bool covered = false;
        if (op.stroked) {
            const QRectF bounds = op.bounds();
            covered = std::any_of(paperAfter.begin(), paperAfter.end(),
                                  [&](const QRectF& paper) { return paper.intersects(bounds); });
        }
        if (!op.stroked || covered) {
            pens_[label] = -1;
            continue;
        }
        const auto found = pens_.find(label);
        if (found == pens_.end())
            pens_[label] = op.width;
        else if (found->second >= 0)
            found->second = std::min(found->second, op.width);
    }
}

void ThinLines::gather(const std::vector<std::uint8_t>& ink, std::size_t k) {
    if (!needs(k))
        return;
    const Distances fromPaper(ink, drawing_.width, drawing_.height, static_cast<int>(std::ceil(widths_[k] / 2)) + 2,
                              true);
    const double floorMm = k == 1 ? limitsMm_[0] : 0;
    Room vanished;
    Room column;
    for (const ThinPart& part : thinParts(drawing_, ink, fromPaper, widths_[k], vanished.bytes, column.bytes)) {
        const auto pen = pens_.find(part.label);
        if (pen != pens_.end() && pen->second >= 0)
            continue;
        const double widthMm = std::max(part.thinnest * drawing_.pixelMm, floorMm);
        if (!(widthMm < limitsMm_[k] - kSameMm))
            continue;
        Thin& one = thin_[k][part.label];
        one.width = std::min(one.width, widthMm);
        one.box.add(part.where);
    }
}

void ThinLines::tell(Checker& into) {
    const auto add = [&](Severity severity, Problem problem, ElementTag element, double measured, double limit,
                         QRectF place) { into.add(severity, problem, element, {}, measured, limit, place); };
    if (widths_[1] > 0 && !needs(1))
        thin_[1] = thin_[0];
    for (const auto& [label, pen] : pens_) {
        if (pen < 0)
            continue;
        const double widthMm = pen * mmPerUnit_;
        const ElementTag element = drawing_.elements[static_cast<std::size_t>(label - 1)];
        for (std::size_t k = 0; k < kWidthsAsked; ++k)
            if (widthMm < limitsMm_[k] - kSameMm)
                thin_[k][label] = Thin{widthMm, {}, drawing_.boundsOf(imprint_, element)};
    }
    const auto elementOf = [&](int label) { return drawing_.elements[static_cast<std::size_t>(label - 1)]; };
    const auto placeOf = [&](const Thin& one) { return one.box.empty() ? one.place : drawing_.place(one.box); };
    for (const auto& [label, one] : thin_[0])
        add(Severity::Error, Problem::ThinLine, elementOf(label), one.width, limitsMm_[0], placeOf(one));
    for (const auto& [label, one] : thin_[1]) {
        if (!thin_[0].contains(label))
            add(Severity::Warning, Problem::ThinLine, elementOf(label), one.width, limitsMm_[1], placeOf(one));
    }
    // The picture loses its thinnest line: one finding says so. The
    // shop's limits measure finer lines in smaller stretches.
    const std::pair<const int, Thin>* thinnest = nullptr;
    for (const auto& lines : thin_)
        for (const auto& line : lines)
            if (line.second.width < limitsMm_[2] - kSameMm &&
                (!thinnest || line.second.width < thinnest->second.width))
                thinnest = &line;
    if (thinnest)
        add(Severity::Warning, Problem::FinerThanPixel, elementOf(thinnest->first), thinnest->second.width,
            limitsMm_[2], placeOf(thinnest->second));
}

}  // namespace qg::check::detail
