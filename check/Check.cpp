#include "Check.h"

#include "Morphology.h"
#include "TextLayout.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

namespace qg::check {

namespace {

constexpr double kMmPerInch = 25.4;
// The drawing is examined at this resolution at least: a 0.05 mm line is
// still two pixels and more.
constexpr double kMinPixelsPerMm = 1200 / kMmPerInch;
// The thinnest line allowed is examined at no fewer than this many pixels
// across.
constexpr double kMinPixelsPerLimit = 3;
// A small stamp is examined at no fewer than this many pixels a preview
// unit: its letters come out in as many pixels as at some 24 mm, so that
// what is measured in them grows with the stamp (a seal 40 mm wide has 10).
constexpr double kMinPixelsPerUnit = 6;
// Larger drawings are examined at a lower resolution (a stamp of 85 by
// 85 mm still at 1200 dpi): the check holds some 16 bytes a pixel.
constexpr double kMaxPixels = 16e6;
// A width not measured: wider than anything the check looks for.
constexpr double kNoWidth = 1e300;
// Widths equal to a limit within this many millimetres are not below it.
constexpr double kSameMm = 1e-9;

// The first of `data[i]` .. `data[end - 1]` that is not 0, or `end`: most
// of a picture is paper, passed eight pixels at a time.
std::size_t nextSet(const std::uint8_t* data, std::size_t i, std::size_t end) {
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

bool isText(ElementKind kind) {
    return kind == ElementKind::RingText || kind == ElementKind::CentreLine || kind == ElementKind::SideText ||
           kind == ElementKind::StampLine;
}

// What a text may not touch.
bool isOutlineOrText(ElementKind kind) {
    return isText(kind) || kind == ElementKind::Ring || kind == ElementKind::Frame || kind == ElementKind::Contour ||
           kind == ElementKind::InnerLine;
}

const TextLineSettings* textLine(const StampDesigns& designs, StampKind kind, ElementTag element) {
    const int i = element.index;
    switch (element.kind) {
        case ElementKind::RingText:
            return kind == StampKind::Round && i >= 1 && i <= 3 ? &designs.round.lines[static_cast<std::size_t>(i - 1)]
                                                                : nullptr;
        case ElementKind::CentreLine:
            if (i < 1 || i > 3)
                return nullptr;
            if (kind == StampKind::Round)
                return &designs.round.lines[static_cast<std::size_t>(i + 2)];
            if (kind == StampKind::Triangle)
                return &designs.triangle.lines[static_cast<std::size_t>(i + 2)];
            return nullptr;
        case ElementKind::SideText:
            return kind == StampKind::Triangle && i >= 1 && i <= 3
                       ? &designs.triangle.lines[static_cast<std::size_t>(i - 1)]
                       : nullptr;
        case ElementKind::StampLine:
            return kind == StampKind::Rect && i >= 1 && i <= 6 ? &designs.rect.lines[static_cast<std::size_t>(i - 1)]
                                                               : nullptr;
        default:
            return nullptr;
    }
}

// Pictures' worth of bytes kept from one check to the next: fresh room
// costs the system a fault every page, more than the work done in it.
// Up to kKeptBytes are kept.
constexpr std::size_t kKeptBytes = std::size_t(48) << 20;

struct KeptRoom {
    std::mutex mutex;
    std::vector<std::vector<std::uint8_t>> kept;
    std::size_t bytes = 0;
};

KeptRoom& keptRoom() {
    static KeptRoom room;
    return room;
}

std::vector<std::uint8_t> takeRoom() {
    KeptRoom& room = keptRoom();
    const std::lock_guard<std::mutex> lock(room.mutex);
    if (room.kept.empty())
        return {};
    std::vector<std::uint8_t> taken = std::move(room.kept.back());
    room.kept.pop_back();
    room.bytes -= taken.capacity();
    return taken;
}

void giveRoom(std::vector<std::uint8_t>& bytes) {
    KeptRoom& room = keptRoom();
    const std::lock_guard<std::mutex> lock(room.mutex);
    if (bytes.capacity() != 0 && room.bytes + bytes.capacity() <= kKeptBytes) {
        room.bytes += bytes.capacity();
        room.kept.push_back(std::move(bytes));
    }
    bytes = {};
}

}  // namespace

void releaseKeptMemory() {
    KeptRoom& room = keptRoom();
    const std::lock_guard<std::mutex> lock(room.mutex);
    room.kept.clear();
    room.bytes = 0;
}

namespace {

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

Drawing drawLabels(const output::Imprint& imprint, double widthMm, double pixelsPerMm, int marginPixels) {
    Drawing drawing;
    const double mmPerUnit = output::mmPerUnit(imprint, widthMm);
    const double pixelsPerUnit = pixelsPerMm * mmPerUnit;
    drawing.pixelMm = 1 / pixelsPerMm;
    drawing.pixelUnits = 1 / pixelsPerUnit;
    drawing.origin = imprint.box.topLeft() - QPointF(marginPixels, marginPixels) * drawing.pixelUnits;
    drawing.width = static_cast<int>(std::ceil(imprint.box.width() * pixelsPerUnit)) + 2 * marginPixels;
    drawing.height = static_cast<int>(std::ceil(imprint.box.height() * pixelsPerUnit)) + 2 * marginPixels;

    // Each element's ink in a grey of its own.
    std::vector<int> code(imprint.ops.size(), 0);
    for (std::size_t i = 0; i < imprint.ops.size(); ++i) {
        const InkOp& op = imprint.ops[i];
        if (op.paper)
            continue;
        auto found = std::find(drawing.elements.begin(), drawing.elements.end(), op.element);
        if (found == drawing.elements.end()) {
            if (drawing.elements.size() >= 255)
                found = drawing.elements.end() - 1;
            else
                found = drawing.elements.insert(drawing.elements.end(), op.element);
        }
        code[i] = static_cast<int>(found - drawing.elements.begin()) + 1;
    }

    // Two bands, one on each thread, drawn through the same transform into
    // the one picture, each clipped to its rows: the pixels come out as if
    // drawn at once. An op wholly outside a band is left out of it.
    const std::size_t size = static_cast<std::size_t>(drawing.width) * static_cast<std::size_t>(drawing.height);
    drawing.labels = takeRoom();
    drawing.labels.assign(size, 0);
    const QTransform transform(pixelsPerUnit, 0, 0, pixelsPerUnit, -drawing.origin.x() * pixelsPerUnit,
                               -drawing.origin.y() * pixelsPerUnit);
    // A path keeps what it works out for drawing in itself: the second
    // thread draws copies of its own.
    std::vector<QRectF> reach(imprint.ops.size());
    std::vector<QPainterPath> copies(imprint.ops.size());
    for (std::size_t i = 0; i < imprint.ops.size(); ++i) {
        const InkOp& op = imprint.ops[i];
        reach[i] = transform.mapRect(op.bounds()).adjusted(-2, -2, 2, 2);
        copies[i] = detachedPath(op.path);
    }
    auto paintBand = [&](int top, int bottom, bool own) {
        if (bottom <= top)
            return;
        QImage picture(drawing.labels.data(), drawing.width, drawing.height, drawing.width,
                       QImage::Format_Grayscale8);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setClipRect(QRect(0, top, drawing.width, bottom - top));
        painter.setTransform(transform);
        for (std::size_t i = 0; i < imprint.ops.size(); ++i) {
            if (reach[i].bottom() < top || reach[i].top() > bottom)
                continue;
            const InkOp& op = imprint.ops[i];
            paintInkPath(painter, own ? copies[i] : op.path, op.stroked, op.width,
                         QColor(code[i], code[i], code[i]));
        }
    };
    const int middle = drawing.height / 2;
    std::thread lower([&] { paintBand(middle, drawing.height, true); });
    paintBand(0, middle, false);
    lower.join();
    return drawing;
}

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
            std::vector<std::uint8_t>& out, std::vector<std::uint8_t>& column) {
    const double squared = std::floor(radius * radius);
    if (squared <= 250.0 * 250.0) {
        int within = 0;
        while ((within + 1) * (within + 1) <= squared)
            ++within;
        morphology::columnDistances(set, width, height, within + 1, toClear, column);
        morphology::nearColumns(column, width, height, static_cast<int>(squared), out);
        return;
    }
    const std::vector<std::uint16_t> distance =
        morphology::boundedSquaredDistance(set, width, height, static_cast<int>(std::ceil(radius)), toClear);
    out.resize(distance.size());
    for (std::size_t i = 0; i < distance.size(); ++i)
        out[i] = distance[i] <= radius * radius;
}

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

// The widths a line is held against: the shop's error and warning limits
// and the picture's pixel, in check pixels (0: not asked).
constexpr std::size_t kWidthsAsked = 3;
using Widths = std::array<double, kWidthsAsked>;

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

// The lines thinner than the shop's limits, and the thinnest line when it
// is thinner than a pixel of the picture asked for: each limit's lines are
// gathered where its disc does not fit (gather(), which may run for two
// limits at once on two threads), then told (tell()).
class ThinLines {
public:
    ThinLines(const output::Imprint& imprint, const Limits& limits, int pictureDpi, double mmPerUnit,
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
    void gather(const std::vector<std::uint8_t>& ink, std::size_t k) {
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

    template <typename Add>
    void tell(Add add) {
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

struct Checker {
    const output::Imprint& imprint;
    const Limits& limits;
    double mmPerUnit = 0;
    Report report;

    void add(Severity severity, Problem problem, ElementTag element, ElementTag other, double measured, double limit,
             QRectF place) {
        report.findings.push_back(Finding{severity, problem, element, other, measured, limit, place, {}, EmblemFile::Bitmap});
    }

    // Paper that the ink would close over: what a closing with a disc as
    // wide as the narrowest gap allowed fills, where it lies between two
    // parts of the ink, closes a counter or cuts through one. The wedge
    // that the disc leaves in a stroke's own inner corner, or in the bend
    // where two strokes of one letter meet, is no gap.
    void narrowGaps(const Drawing& drawing, const std::vector<std::uint8_t>& ink) {
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

    struct Gap {
        double width = kNoWidth;  // in millimetres
        PixelBox box;
    };

    // A filled stretch between two or more parts of the ink: the nearest
    // pixels of two parts that border it, for each pair of elements, tell
    // how narrow it is: the distance between their centres less a pixel.
    template <typename Note>
    static void betweenParts(const Drawing& drawing, const std::vector<std::size_t>& inkSide,
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
    static int openSides(const std::vector<std::size_t>& sorted, int width) {
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

    // Texts that meet other texts or outlines: one look at every pixel and
    // its neighbours.
    void contacts(const Drawing& drawing) {
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

    // Ink beyond the field, which the imprint leaves out.
    void fieldCuts() {
        for (const output::FieldCut& cut : imprint.cuts)
            add(Severity::Warning, Problem::CutByField, cut.element, {}, cut.beyond * mmPerUnit, 0, cut.place);
    }

    void lowCapitals(const StampDesigns& designs, StampKind kind) {
        std::vector<ElementTag> texts;
        std::map<std::pair<int, int>, QRectF> bounds;
        for (const InkOp& op : imprint.ops) {
            if (op.paper || !isText(op.element.kind))
                continue;
            const std::pair<int, int> key{static_cast<int>(op.element.kind), op.element.index};
            auto found = bounds.find(key);
            if (found == bounds.end()) {
                texts.push_back(op.element);
                bounds.emplace(key, op.bounds());
            } else {
                found->second = found->second.united(op.bounds());
            }
        }
        FontBook fonts;
        for (const ElementTag& text : texts) {
            const TextLineSettings* line = textLine(designs, kind, text);
            if (!line || line->text.trimmed().isEmpty())
                continue;
            const QRawFont raw = outlineFont(fonts.face(line->font));
            if (!raw.isValid())
                continue;
            // The height of the H: fonts without the cap height in their
            // tables get a guess from the font engine, a pixel or more off.
            const QList<quint32> glyphs = raw.glyphIndexesForString(QStringLiteral("H"));
            const double height = glyphs.size() == 1 && glyphs[0] != 0
                                      ? raw.pathForGlyph(glyphs[0]).boundingRect().height()
                                      : 0;
            const double capMm = (height > 0 ? height : raw.capHeight()) * mmPerUnit;
            if (capMm < limits.minCapMm)
                add(Severity::Warning, Problem::LowCapitals, text, {}, capMm, limits.minCapMm,
                    bounds[{static_cast<int>(text.kind), text.index}]);
        }
    }

    void emblem() {
        QRectF box;
        for (const InkOp& op : imprint.ops) {
            if (op.element.kind == ElementKind::Emblem && !op.paper)
                box = box.isNull() ? op.bounds() : box.united(op.bounds());
        }
        if (box.isNull() || mmPerUnit <= 0)
            return;
        // The emblem's pixels are the preview's.
        const double dpi = kMmPerInch / mmPerUnit;
        if (dpi < limits.minEmblemDpi)
            add(Severity::Warning, Problem::EmblemResolution, {ElementKind::Emblem, 1}, {}, dpi, limits.minEmblemDpi,
                box);
    }
};

}  // namespace

bool Report::hasErrors() const {
    return std::any_of(findings.begin(), findings.end(),
                       [](const Finding& f) { return f.severity == Severity::Error; });
}

namespace {

// The check; with `onlyPicture` no more than whether the picture loses a
// line.
Report runCheck(const StampDesigns* designs, StampKind kind, const output::Imprint& imprint, double widthMm,
                const Limits& limits, int pictureDpi, bool onlyPicture) {
    Checker checker{imprint, limits, output::mmPerUnit(imprint, widthMm), {}};
    // An emblem that is asked for and cannot be drawn is missing from the
    // imprint, whatever else the check finds.
    if (designs && kind == StampKind::Round && designs->round.emblem.enabled) {
        const QString& file = designs->round.emblem.path;
        const EmblemFile state = examineEmblemFile(file);
        if (state != EmblemFile::Bitmap) {
            checker.add(Severity::Error, Problem::EmblemUnreadable, {ElementKind::Emblem, 1}, {}, 0, 0, QRectF());
            checker.report.findings.back().file = file;
            checker.report.findings.back().emblemFile = state;
        }
    }
    auto noInk = [&] {
        if (!onlyPicture)
            checker.add(Severity::Error, Problem::NoInk, {}, {}, 0, 0, QRectF());
        return checker.report;
    };
    if (imprint.empty())
        return noInk();
    if (!(widthMm > 0))
        return checker.report;

    const QSizeF size = output::imprintSizeMm(imprint, widthMm);
    const double finest = limits.minLineMm > 0 ? limits.minLineMm : limits.safeLineMm;
    double pixelsPerMm = std::max({kMinPixelsPerMm, finest > 0 ? kMinPixelsPerLimit / finest : 0.0,
                                   kMinPixelsPerUnit / checker.mmPerUnit});
    const double margin = limits.minGapMm > 0 ? limits.minGapMm : 0;
    const double area = (size.width() + 2 * margin) * (size.height() + 2 * margin);
    if (area * pixelsPerMm * pixelsPerMm > kMaxPixels)
        pixelsPerMm = std::sqrt(kMaxPixels / area);
    const int marginPixels = static_cast<int>(std::ceil(margin * pixelsPerMm)) + 2;

    Drawing drawing = drawLabels(imprint, widthMm, pixelsPerMm, marginPixels);
    struct GiveBack {
        std::vector<std::uint8_t>& labels;
        ~GiveBack() { giveRoom(labels); }
    } giveBack{drawing.labels};
    // Every label but the paper's is ink.
    const std::vector<std::uint8_t>& ink = drawing.labels;
    if (std::all_of(ink.begin(), ink.end(), [](std::uint8_t label) { return label == 0; }))
        return noInk();

    ThinLines thin(imprint, limits, pictureDpi, checker.mmPerUnit, drawing);
    const auto tellThin = [&](Checker& into) {
        thin.tell([&](Severity severity, Problem problem, ElementTag element, double measured, double limit,
                      QRectF place) { into.add(severity, problem, element, {}, measured, limit, place); });
    };
    if (onlyPicture) {
        // Only the lines that can be finer than the pixel.
        Checker picture{imprint, limits, checker.mmPerUnit, {}};
        for (std::size_t k = 0; k < kWidthsAsked; ++k) {
            thin.gather(ink, k);
            if (!thin.finerLinesBeyond(k))
                break;
        }
        tellThin(picture);
        return picture.report;
    }
    // The warning limit's thin lines (the most work) on a second thread
    // while this one looks for the gaps and the rest, then for the error
    // limit's: they read what they share and each writes its own.
    std::thread lines([&] {
        thin.gather(ink, 1);
        thin.gather(ink, 2);
    });
    checker.narrowGaps(drawing, ink);
    checker.contacts(drawing);
    checker.fieldCuts();
    if (designs)
        checker.lowCapitals(*designs, kind);
    checker.emblem();
    thin.gather(ink, 0);
    lines.join();
    Checker found{imprint, limits, checker.mmPerUnit, {}};
    tellThin(found);
    checker.report.findings.insert(checker.report.findings.begin(), found.report.findings.begin(),
                                   found.report.findings.end());
    std::stable_sort(checker.report.findings.begin(), checker.report.findings.end(),
                     [](const Finding& a, const Finding& b) { return a.severity > b.severity; });
    return checker.report;
}

}  // namespace

Report checkDesign(const StampDesigns& designs, StampKind kind, const output::Imprint& imprint, double widthMm,
                   const Limits& limits, int pictureDpi) {
    return runCheck(&designs, kind, imprint, widthMm, limits, pictureDpi, false);
}

int pictureDpi(const output::Settings& settings) {
    const bool vector = settings.format == output::Format::Pdf || settings.format == output::Format::Svg;
    const bool oneBit = !settings.colour || settings.negative;
    return !vector && oneBit ? settings.dpi : 0;
}

std::optional<Finding> finerThanPixel(const output::Imprint& imprint, double widthMm, int dpi, const Limits& limits) {
    if (dpi <= 0)
        return std::nullopt;
    const Report report = runCheck(nullptr, StampKind::Round, imprint, widthMm, limits, dpi, true);
    for (const Finding& finding : report.findings)
        if (finding.problem == Problem::FinerThanPixel)
            return finding;
    return std::nullopt;
}

QString elementName(StampKind kind, ElementTag element) {
    static const char* const kOrdinals[] = {"Первая", "Вторая", "Третья", "Четвертая", "Пятая", "Шестая"};
    const int i = element.index;
    auto ordinal = [&](int count) { return i >= 1 && i <= count ? QString::fromUtf8(kOrdinals[i - 1]) : QString(); };
    switch (element.kind) {
        case ElementKind::None:
            break;
        case ElementKind::Emblem:
            return QStringLiteral("Герб");
        case ElementKind::RingText:
            if (i >= 1 && i <= 3)
                return ordinal(3) + QStringLiteral(" строка по окружности");
            break;
        case ElementKind::CentreLine:
            if (i >= 1 && i <= 3)
                return ordinal(3) + QStringLiteral(" строка в центре");
            break;
        case ElementKind::Ring:
            if (i >= 1 && i <= 3)
                return QStringLiteral("%1-я окр.").arg(i);
            break;
        case ElementKind::SideText:
            if (i == 1)
                return QStringLiteral("Текст по левой стороне");
            if (i == 2)
                return QStringLiteral("Текст по правой стороне");
            if (i == 3)
                return QStringLiteral("Текст снизу");
            break;
        case ElementKind::Frame:
            if (i >= 1 && i <= 3)
                return QStringLiteral("%1 тр-к").arg(i);
            break;
        case ElementKind::StampLine:
            if (i >= 1 && i <= 6)
                return ordinal(6) + QStringLiteral(" строка");
            break;
        case ElementKind::Contour:
            if (i >= 1 && i <= 2)
                return QStringLiteral("%1 контур").arg(i);
            break;
        case ElementKind::InnerLine:
            return QStringLiteral("Вн.линия");
        case ElementKind::Sample:
            break;
    }
    Q_UNUSED(kind);
    return QStringLiteral("Оттиск");
}

QString unitName(Problem problem) {
    return problem == Problem::EmblemResolution ? QStringLiteral("dpi") : QStringLiteral("мм");
}

int decimals(const Finding& finding) {
    const int fewest = finding.problem == Problem::EmblemResolution ? 0 : 2;
    if (!(finding.measured < finding.limit))
        return fewest;
    for (int digits = fewest; digits < fewest + 4; ++digits) {
        if (QString::number(finding.measured, 'f', digits) != QString::number(finding.limit, 'f', digits))
            return digits;
    }
    return fewest + 4;
}

QString problemText(const Finding& finding) {
    switch (finding.problem) {
        case Problem::ThinLine:
            return QStringLiteral("линия тоньше допустимой");
        case Problem::NarrowGap:
            return QStringLiteral("просвет уже допустимого");
        case Problem::LowCapitals:
            return QStringLiteral("заглавные буквы ниже допустимого");
        case Problem::Touching:
            return QStringLiteral("касается другого элемента");
        case Problem::CutByField:
            return QStringLiteral("выходит за поле просмотра");
        case Problem::EmblemResolution:
            return QStringLiteral("разрешение герба ниже допустимого");
        case Problem::NoInk:
            return QStringLiteral("в оттиске нет ни одного штриха");
        case Problem::EmblemUnreadable:
            switch (finding.emblemFile) {
                case EmblemFile::Missing:
                    return finding.file.isEmpty() ? QStringLiteral("файл герба не задан")
                                                  : QStringLiteral("файл герба не найден");
                case EmblemFile::NotBitmap:
                    return QStringLiteral("файл герба не является рисунком bmp");
                case EmblemFile::TooLarge:
                    return QStringLiteral("рисунок герба больше %1 на %1 точек").arg(kMaxEmblemSide);
                case EmblemFile::Bitmap:
                    break;
            }
            return QStringLiteral("файл герба не читается");
        case Problem::FinerThanPixel:
            return QStringLiteral("линия тоньше точки рисунка при %1 dpi")
                .arg(finding.limit > 0 ? std::lround(kMmPerInch / finding.limit) : 0);
    }
    return QString();
}

QString describe(StampKind kind, const Finding& finding) {
    const QString severity = finding.severity == Severity::Error ? QStringLiteral("ошибка") : QStringLiteral("предупреждение");
    QString line = QStringLiteral("%1: %2: ").arg(severity, elementName(kind, finding.element));
    const QString unit = unitName(finding.problem);
    const int digits = decimals(finding);
    switch (finding.problem) {
        case Problem::Touching:
            return line + QStringLiteral("касается элемента «%1»").arg(elementName(kind, finding.other));
        case Problem::NoInk:
            return line + problemText(finding);
        case Problem::EmblemUnreadable:
            return line + problemText(finding) + (finding.file.isEmpty() ? QString() : QStringLiteral(": ") + finding.file);
        case Problem::CutByField:
            return line + QStringLiteral("%1 на %2 %3").arg(problemText(finding)).arg(finding.measured, 0, 'f', digits).arg(unit);
        case Problem::NarrowGap:
            if (finding.other.kind != ElementKind::None)
                line += QStringLiteral("просвет до элемента «%1» уже допустимого").arg(elementName(kind, finding.other));
            else
                line += problemText(finding);
            break;
        default:
            line += problemText(finding);
            break;
    }
    return line + QStringLiteral(": %1 %3, допустимо %2 %3")
                      .arg(finding.measured, 0, 'f', digits)
                      .arg(finding.limit, 0, 'f', digits)
                      .arg(unit);
}

}  // namespace qg::check
