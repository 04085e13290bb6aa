#pragma once

// The check's own pieces, shared by its files and by no one else: the
// labelled drawing, the pixel distances, and what gathers the findings.
// Private to check/: the front ends use Check.h.

#include "Check.h"
#include "Morphology.h"

#include <QPointF>
#include <QRectF>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

namespace qg::check::detail {

constexpr double kMmPerInch = 25.4;
// A width not measured: wider than anything the check looks for.
constexpr double kNoWidth = 1e300;
// Widths equal to a limit within this many millimetres are not below it.
constexpr double kSameMm = 1e-9;

// The first of `data[i]` .. `data[end - 1]` that is not 0, or `end`: most
// of a picture is paper, passed eight pixels at a time.
inline std::size_t nextSet(const std::uint8_t* data, std::size_t i, std::size_t end) {
    while (i + 8 <= end) {
        std::uint64_t eight = 0;
        std::memcpy(&eight, data + i, 8);
        if (eight != 0)
            break;
        i += 8;
    }
    while (i < end && data[i] == 0)
        ++i;
    return i;
}

inline bool isText(ElementKind kind) {
    return kind == ElementKind::RingText || kind == ElementKind::CentreLine || kind == ElementKind::SideText ||
           kind == ElementKind::StampLine;
}

// What a text may not touch.
inline bool isOutlineOrText(ElementKind kind) {
    return isText(kind) || kind == ElementKind::Ring || kind == ElementKind::Frame || kind == ElementKind::Contour ||
           kind == ElementKind::InnerLine;
}

// Pictures' worth of bytes kept from one check to the next, taken and
// given back (releaseKeptMemory() lets them go).
std::vector<std::uint8_t> takeRoom();
void giveRoom(std::vector<std::uint8_t>& bytes);

// Room taken for a picture's work, given back when done. Whatever it
// holds when taken is to be written over.
struct Room {
    std::vector<std::uint8_t> bytes = takeRoom();
    Room() = default;
    Room(const Room&) = delete;
    Room& operator=(const Room&) = delete;
    ~Room() { giveRoom(bytes); }
};

// A box in raster pixels [x0, x1] x [y0, y1], grown point by point.
struct PixelBox {
    int x0 = 0, y0 = 0, x1 = -1, y1 = -1;
    bool empty() const { return x1 < x0; }
    void add(int x, int y) {
        if (empty()) {
            x0 = x1 = x;
            y0 = y1 = y;
            return;
        }
        x0 = std::min(x0, x);
        x1 = std::max(x1, x);
        y0 = std::min(y0, y);
        y1 = std::max(y1, y);
    }
    void add(const PixelBox& other) {
        if (other.empty())
            return;
        add(other.x0, other.y0);
        add(other.x1, other.y1);
    }
};

// The ink at true size as a picture of labels: 0 is paper, k is the ink
// of element k - 1 that shows there.
struct Drawing {
    int width = 0;
    int height = 0;
    double pixelMm = 0;    // one pixel's side
    double pixelUnits = 0; // one pixel's side in preview units
    QPointF origin;        // the preview point at the picture's top-left corner
    std::vector<ElementTag> elements;
    std::vector<std::uint8_t> labels;

    int labelOf(ElementTag element) const {
        const auto found = std::find(elements.begin(), elements.end(), element);
        return found == elements.end() ? 0 : static_cast<int>(found - elements.begin()) + 1;
    }

    static QRectF boundsOf(const output::Imprint& imprint, ElementTag element) {
        QRectF box;
        for (const InkOp& op : imprint.ops) {
            if (!op.paper && op.element == element)
                box = box.isNull() ? op.bounds() : box.united(op.bounds());
        }
        return box;
    }

    QRectF place(const PixelBox& box) const {
        return QRectF(origin.x() + box.x0 * pixelUnits, origin.y() + box.y0 * pixelUnits,
                      (box.x1 - box.x0 + 1) * pixelUnits, (box.y1 - box.y0 + 1) * pixelUnits);
    }
};

// The imprint drawn `pixelsPerMm` at true size, with a margin of paper
// `marginPixels` wide all round; its labels are taken room.
Drawing drawLabels(const output::Imprint& imprint, double widthMm, double pixelsPerMm, int marginPixels);

// out[i] = f(a[i], out[i]) over whole pictures, through plain pointers: a
// vector of bytes may alias anything, its own insides included, which
// would keep the compiler from vectorising the loop.
template <typename F>
void eachPixel(const std::vector<std::uint8_t>& a, std::vector<std::uint8_t>& out, F f) {
    const std::uint8_t* __restrict in = a.data();
    std::uint8_t* __restrict result = out.data();
    const std::size_t n = std::min(a.size(), out.size());
    for (std::size_t i = 0; i < n; ++i)
        result[i] = f(in[i], result[i]);
}

// 1 where the nearest pixel where `set` is non-zero (`toClear`: zero) is
// at most `radius` pixels away, 0 elsewhere, written to `out` (which may
// be `set`); `column` is room for the work.
void nearTo(const std::vector<std::uint8_t>& set, int width, int height, double radius, bool toClear,
            std::vector<std::uint8_t>& out, std::vector<std::uint8_t>& column);

// Each pixel's squared distance to a set of pixels, as
// morphology::boundedSquaredDistance() gives it within `reach`: from the
// column distances alone where the reach allows, the whole map otherwise.
struct Distances {
    const std::vector<std::uint8_t>& set;
    int width = 0;
    int height = 0;
    int reach = 0;
    bool toClear = false;
    Room columnRoom;
    std::vector<std::uint8_t>& column = columnRoom.bytes;
    std::vector<std::uint16_t> full;

    Distances(const std::vector<std::uint8_t>& set_, int w, int h, int reach_, bool toClear_)
        : set(set_), width(w), height(h), reach(reach_), toClear(toClear_) {
        if (reach <= 250)
            morphology::columnDistances(set, w, h, reach + 1, toClear, column);
        else
            full = morphology::boundedSquaredDistance(set, w, h, reach, toClear);
    }

    int at(int x, int y) const {
        if (!full.empty())
            return full[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
        return morphology::squaredDistanceAt(column, width, x, y, reach);
    }

    bool isTarget(int x, int y) const {
        return x >= 0 && y >= 0 && x < width && y < height &&
               (set[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] != 0) !=
                   toClear;
    }

    // The offset to the nearest pixel of the set, false when none is
    // within reach.
    bool nearest(int x, int y, int& dx, int& dy) const {
        if (full.empty())
            return morphology::nearestOffset(column, set, width, height, x, y, reach, toClear, dx, dy);
        const int squared = at(x, y);
        const int r = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(squared))));
        if (squared > reach * reach)
            return false;
        for (int v = -r; v <= r; ++v)
            for (int u = -r; u <= r; ++u)
                if (u * u + v * v == squared && isTarget(x + u, y + v)) {
                    dx = u;
                    dy = v;
                    return true;
                }
        return false;
    }

    // The width of the stretch of pixels off the set across (x, y), from
    // its nearest pixel of the set (morphology::widthAcross); `longest`
    // when it is wider or the set is not within reach.
    double across(int x, int y, double longest) const {
        int dx = 0;
        int dy = 0;
        if (!nearest(x, y, dx, dy))
            return longest;
        return morphology::widthAcross(set, width, height, x, y, dx, dy, toClear, longest);
    }

    // 1 where the squared distance is at most `within` (at most reach^2).
    void near(int within, std::vector<std::uint8_t>& out) const {
        if (full.empty()) {
            morphology::nearColumns(column, width, height, within, out);
            return;
        }
        out.resize(full.size());
        for (std::size_t i = 0; i < full.size(); ++i)
            out[i] = full[i] <= within;
    }
};

// The findings as they are gathered, each kind by a function of its own.
struct Checker {
    const output::Imprint& imprint;
    const Limits& limits;
    double mmPerUnit = 0;
    Report report;

    void add(Severity severity, Problem problem, ElementTag element, ElementTag other, double measured, double limit,
             QRectF place) {
        Finding finding;
        finding.severity = severity;
        finding.problem = problem;
        finding.element = element;
        finding.other = other;
        finding.measured = measured;
        finding.limit = limit;
        finding.place = place;
        finding.mmPerUnit = mmPerUnit;
        finding.widthMm = mmPerUnit * imprint.span;
        report.findings.push_back(std::move(finding));
    }

    // An enabled emblem that cannot be drawn (FieldAndEmblem.cpp).
    void unreadableEmblem(const StampDesigns& designs, StampKind kind);
    // Paper that the ink would close over (Gaps.cpp).
    void narrowGaps(const Drawing& drawing, const std::vector<std::uint8_t>& ink);
    // Letters of one text that run into each other or come too close
    // (Letters.cpp).
    void crowdedLetters();
    // Texts that meet other texts or outlines (Contacts.cpp).
    void contacts(const Drawing& drawing);
    // Ink beyond the field (FieldAndEmblem.cpp).
    void fieldCuts();
    // Capitals lower than the limit (Capitals.cpp).
    void lowCapitals(const StampDesigns& designs, StampKind kind);
    // An emblem coarser than the limit at true size (FieldAndEmblem.cpp).
    void emblem();
    // Ink that does not fit the die or comes too near its edge (Die.cpp).
    void dieFit(const Drawing& drawing, const Die& die);
};

// The widths a line is held against: the shop's error and warning limits
// and the picture's pixel, in check pixels (0: not asked).
constexpr std::size_t kWidthsAsked = 3;
using Widths = std::array<double, kWidthsAsked>;

// The lines thinner than the shop's limits, and the thinnest line when it
// is thinner than a pixel of the picture asked for: each limit's lines are
// gathered where its disc does not fit (gather(), which may run for two
// limits at once on two threads), then told (tell()).
class ThinLines {
public:
    ThinLines(const output::Imprint& imprint, const Limits& limits, int pictureDpi, double mmPerUnit,
              const Drawing& drawing);

    // Whether limit k needs a gather of its own: the warning limit's disc
    // may be the error limit's, and a line finer than a pixel no wider
    // than a limit is among that limit's lines already.
    bool needs(std::size_t k) const {
        if (widths_[k] <= 0)
            return false;
        if (k == 1)
            return widths_[1] != widths_[0];
        if (k == 2)
            return widths_[2] > std::max(widths_[0], widths_[1]);
        return true;
    }

    // Whether a line finer than the picture's pixel may be among those of
    // a limit after limit k: a line of a wider limit is no finer than the
    // limits before it.
    bool finerLinesBeyond(std::size_t k) const {
        for (std::size_t j = 0; j <= k && j < 2; ++j)
            if (widths_[2] <= widths_[j])
                return false;
        return true;
    }

    // Limit k's lines. A line the error limit's disc passes along is no
    // thinner than that limit, whatever a short notch in it measures: its
    // warning says so.
    void gather(const std::vector<std::uint8_t>& ink, std::size_t k);

    // The findings gathered, into `into`.
    void tell(Checker& into);

private:
    // An element's thinnest line for one limit and where it is.
    struct Thin {
        double width = kNoWidth;  // in millimetres
        PixelBox box;
        QRectF place;  // for a pen's line: the element's whole ink
    };

    const output::Imprint& imprint_;
    double mmPerUnit_ = 0;
    const Drawing& drawing_;
    std::array<double, kWidthsAsked> limitsMm_;
    Widths widths_{};
    std::map<int, double> pens_;  // label -> narrowest pen, in preview units; -1: not a pen's
    std::array<std::map<int, Thin>, kWidthsAsked> thin_;
};

}  // namespace qg::check::detail
