#include "Check.h"

#include "Morphology.h"
#include "TextLayout.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>

#include <algorithm>
#include <cmath>
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
// Larger drawings are examined at a lower resolution (a stamp of 85 by
// 85 mm still at 1200 dpi): the check holds some 16 bytes a pixel.
constexpr double kMaxPixels = 16e6;

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

// Parts of one element found by a pixel test, each with its box and the
// largest value measured in it.
struct Part {
    int label = 0;
    std::size_t area = 0;
    int measure = 0;
    PixelBox box;
};

// The 8-connected parts of one label each among the pixels where `mask`
// is set; `measure(x, y)` is the value a pixel gives its part (the part
// keeps the largest, and 0 at least).
template <typename Measure>
std::vector<Part> partsOf(const Drawing& drawing, std::vector<std::uint8_t>& mask, Measure measure) {
    std::vector<Part> parts;
    std::vector<std::pair<int, int>> stack;
    const int w = drawing.width;
    const int h = drawing.height;
    for (std::size_t start = 0; start < mask.size(); ++start) {
        if (!mask[start])
            continue;
        Part part;
        part.label = drawing.labels[start];
        mask[start] = 0;
        stack.emplace_back(static_cast<int>(start % static_cast<std::size_t>(w)),
                           static_cast<int>(start / static_cast<std::size_t>(w)));
        while (!stack.empty()) {
            const auto [x, y] = stack.back();
            stack.pop_back();
            ++part.area;
            part.box.add(x, y);
            part.measure = std::max(part.measure, measure(x, y));
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = x + dx;
                    const int ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= w || ny >= h)
                        continue;
                    const std::size_t n = static_cast<std::size_t>(ny) * static_cast<std::size_t>(w) +
                                          static_cast<std::size_t>(nx);
                    if (mask[n] && drawing.labels[n] == part.label) {
                        mask[n] = 0;
                        stack.emplace_back(nx, ny);
                    }
                }
            }
        }
        parts.push_back(part);
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
    int width = 0;
    int height = 0;
    int reach = 0;
    Room columnRoom;
    std::vector<std::uint8_t>& column = columnRoom.bytes;
    std::vector<std::uint16_t> full;

    Distances(const std::vector<std::uint8_t>& set, int w, int h, int reach_, bool toClear)
        : width(w), height(h), reach(reach_) {
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

// Ink that an opening with a disc `diameter` pixels across takes away, as
// parts of the elements; `fromPaper` is each ink pixel's squared distance
// to the paper. Parts smaller than a dent that the disc leaves in a sharp
// corner are left out. `vanished` and `column` are room for the work.
std::vector<Part> thinParts(const Drawing& drawing, const std::vector<std::uint8_t>& ink, const Distances& fromPaper,
                            double diameter, std::vector<std::uint8_t>& vanished, std::vector<std::uint8_t>& column) {
    // A disc fits where the paper's nearest pixel centre is at least its
    // radius away. A run of ink n pixels across has its middle 2d - 1 (n
    // odd) or 2d (n even) across, d its distance to the paper: within half
    // a pixel that is 2d - 1/2, the width reported.
    const double keep = diameter / 2;
    const int needed = static_cast<int>(std::ceil(keep * keep));
    // First the centres kept, then what the disc about them leaves out.
    fromPaper.near(needed - 1, vanished);
    eachPixel(ink, vanished, [](std::uint8_t i, std::uint8_t v) { return std::uint8_t((i != 0) & (v == 0)); });
    // The disc's reach from the kept centres, and a pixel more for the
    // staircase of the edges.
    const double reach = diameter / 2 + 1;
    nearTo(vanished, drawing.width, drawing.height, reach, false, vanished, column);
    eachPixel(ink, vanished, [](std::uint8_t i, std::uint8_t v) { return std::uint8_t((i != 0) & (v == 0)); });
    // The widest pixel of a part is the one furthest from the paper.
    std::vector<Part> parts = partsOf(drawing, vanished, [&](int x, int y) { return fromPaper.at(x, y); });
    // The tip of a spur or a sharp corner always goes; a thin line is at
    // least as long as the disc is wide.
    const double smallest = std::max(4.0, diameter * diameter);
    std::erase_if(parts, [&](const Part& part) { return static_cast<double>(part.area) < smallest; });
    return parts;
}

struct Checker {
    const output::Imprint& imprint;
    const Limits& limits;
    double mmPerUnit = 0;
    Report report;

    void add(Severity severity, Problem problem, ElementTag element, ElementTag other, double measured, double limit,
             QRectF place) {
        report.findings.push_back(Finding{severity, problem, element, other, measured, limit, place});
    }

    void thinLines(const Drawing& drawing, const std::vector<std::uint8_t>& ink) {
        const double pixels = 1 / drawing.pixelMm;
        const double minDiameter = limits.minLineMm * pixels;
        const double safeDiameter = std::max(limits.safeLineMm, limits.minLineMm) * pixels;
        if (safeDiameter <= 0)
            return;
        // A line drawn with a pen and not covered afterwards is as wide as
        // the pen, which is known exactly: the pixels would only tell it to
        // within one of them.
        std::map<int, double> pens;  // label -> narrowest pen, in preview units
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
                pens[label] = -1;
                continue;
            }
            const auto found = pens.find(label);
            if (found == pens.end())
                pens[label] = op.width;
            else if (found->second >= 0)
                found->second = std::min(found->second, op.width);
        }

        const Distances fromPaper(ink, drawing.width, drawing.height,
                                  static_cast<int>(std::ceil(safeDiameter / 2)) + 1, true);
        // Per element: the thinnest part that vanishes and where.
        struct Thin {
            double width = 1e300;
            PixelBox box;
        };
        Room vanished;
        Room column;
        auto gather = [&](double diameter) {
            std::map<int, Thin> thin;
            if (diameter <= 0)
                return thin;
            for (const Part& part : thinParts(drawing, ink, fromPaper, diameter, vanished.bytes, column.bytes)) {
                const auto pen = pens.find(part.label);
                if (pen != pens.end() && pen->second >= 0)
                    continue;
                Thin& one = thin[part.label];
                const double across = std::max(2 * std::sqrt(static_cast<double>(part.measure)) - 0.5, 0.0);
                one.width = std::min(one.width, std::max(across, 1.0) * drawing.pixelMm);
                one.box.add(part.box);
            }
            return thin;
        };
        const std::map<int, Thin> errors = gather(minDiameter);
        const std::map<int, Thin> warnings = gather(safeDiameter);
        for (const auto& [label, thin] : errors)
            add(Severity::Error, Problem::ThinLine, drawing.elements[static_cast<std::size_t>(label - 1)], {},
                thin.width, limits.minLineMm, drawing.place(thin.box));
        for (const auto& [label, thin] : warnings) {
            if (errors.contains(label))
                continue;
            add(Severity::Warning, Problem::ThinLine, drawing.elements[static_cast<std::size_t>(label - 1)], {},
                thin.width, limits.safeLineMm, drawing.place(thin.box));
        }
        for (const auto& [label, pen] : pens) {
            if (pen < 0)
                continue;
            const double widthMm = pen * mmPerUnit;
            const ElementTag element = drawing.elements[static_cast<std::size_t>(label - 1)];
            if (widthMm < limits.minLineMm)
                add(Severity::Error, Problem::ThinLine, element, {}, widthMm, limits.minLineMm, drawing.boundsOf(imprint, element));
            else if (widthMm < limits.safeLineMm)
                add(Severity::Warning, Problem::ThinLine, element, {}, widthMm, limits.safeLineMm, drawing.boundsOf(imprint, element));
        }
    }

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

            // Each filled stretch of paper with the elements that bound it.
        struct Gap {
            double width = 1e300;
            PixelBox box;
        };
        std::map<std::pair<int, int>, Gap> gaps;
        const int w = drawing.width;
        const int h = drawing.height;
        std::vector<std::size_t> stack;
        std::vector<std::size_t> touches(256, 0);  // element label -> pixels touching the gap in hand
        for (std::size_t start = 0; start < filled.size(); ++start) {
            if (!filled[start])
                continue;
            filled[start] = 0;
            stack.push_back(start);
            PixelBox box;
            std::size_t area = 0;
            int furthest = 0;  // from the ink, squared
            while (!stack.empty()) {
                const std::size_t i = stack.back();
                stack.pop_back();
                const int x = static_cast<int>(i % static_cast<std::size_t>(w));
                const int y = static_cast<int>(i / static_cast<std::size_t>(w));
                box.add(x, y);
                ++area;
                furthest = std::max(furthest, fromInk.at(x, y));
                const int step[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
                for (const auto& s : step) {
                    const int nx = x + s[0];
                    const int ny = y + s[1];
                    if (nx < 0 || ny < 0 || nx >= w || ny >= h)
                        continue;
                    const std::size_t n = static_cast<std::size_t>(ny) * static_cast<std::size_t>(w) +
                                          static_cast<std::size_t>(nx);
                    if (filled[n]) {
                        filled[n] = 0;
                        stack.push_back(n);
                    } else if (ink[n]) {
                        ++touches[drawing.labels[n]];
                    }
                }
            }
            std::map<int, std::size_t> around;  // element label -> pixels touching the gap
            for (std::size_t label = 1; label < touches.size(); ++label) {
                if (touches[label] != 0) {
                    around.emplace(static_cast<int>(label), touches[label]);
                    touches[label] = 0;
                }
            }
            // The disc leaves paper out of every inner corner: those bits are
            // no gaps.
            if (around.empty() || static_cast<double>(area) < radius * radius)
                continue;
            // Nor is the wedge in an outline's own sharp corner.
            if (around.size() == 1 &&
                !isText(drawing.elements[static_cast<std::size_t>(around.begin()->first - 1)].kind))
                continue;
            const double widest = std::max(2 * std::sqrt(static_cast<double>(furthest)) - 0.5, 0.0);
            // The two elements that bound it most.
            std::vector<std::pair<std::size_t, int>> sides;
            for (const auto& [label, count] : around)
                sides.emplace_back(count, label);
            std::sort(sides.begin(), sides.end(), std::greater<>());
            int a = sides[0].second;
            int b = sides.size() > 1 ? sides[1].second : 0;
            if (b != 0 && b < a)
                std::swap(a, b);
            Gap& gap = gaps[{a, b}];
            gap.width = std::min(gap.width, std::max(widest, 1.0) * drawing.pixelMm);
            gap.box.add(box);
        }
        for (const auto& [pair, gap] : gaps) {
            const ElementTag first = drawing.elements[static_cast<std::size_t>(pair.first - 1)];
            const ElementTag second =
                pair.second != 0 ? drawing.elements[static_cast<std::size_t>(pair.second - 1)] : ElementTag{};
            add(Severity::Warning, Problem::NarrowGap, first, second, gap.width, limits.minGapMm,
                drawing.place(gap.box));
        }
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
            for (int x = 0; x < w; ++x) {
                const int a = row[x];
                if (a == 0)
                    continue;
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

Report checkDesign(const StampDesigns& designs, StampKind kind, const output::Imprint& imprint, double widthMm,
                   const Limits& limits) {
    Checker checker{imprint, limits, output::mmPerUnit(imprint, widthMm), {}};
    auto noInk = [&] {
        checker.report.findings.clear();
        checker.add(Severity::Error, Problem::NoInk, {}, {}, 0, 0, QRectF());
        return checker.report;
    };
    if (imprint.empty())
        return noInk();
    if (!(widthMm > 0))
        return checker.report;

    const QSizeF size = output::imprintSizeMm(imprint, widthMm);
    const double finest = limits.minLineMm > 0 ? limits.minLineMm : limits.safeLineMm;
    double pixelsPerMm = std::max(kMinPixelsPerMm, finest > 0 ? kMinPixelsPerLimit / finest : 0.0);
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

    // The thin lines on a second thread while this one looks for the gaps:
    // neither writes anything the other reads.
    Checker thin{imprint, limits, checker.mmPerUnit, {}};
    std::thread lines([&] { thin.thinLines(drawing, ink); });
    checker.narrowGaps(drawing, ink);
    checker.contacts(drawing);
    checker.fieldCuts();
    checker.lowCapitals(designs, kind);
    checker.emblem();
    lines.join();
    checker.report.findings.insert(checker.report.findings.begin(), thin.report.findings.begin(),
                                   thin.report.findings.end());
    std::stable_sort(checker.report.findings.begin(), checker.report.findings.end(),
                     [](const Finding& a, const Finding& b) { return a.severity > b.severity; });
    return checker.report;
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
    }
    return QString();
}

QString describe(StampKind kind, const Finding& finding) {
    const QString severity = finding.severity == Severity::Error ? QStringLiteral("ошибка") : QStringLiteral("предупреждение");
    QString line = QStringLiteral("%1: %2: ").arg(severity, elementName(kind, finding.element));
    const QString unit = unitName(finding.problem);
    const int digits = finding.problem == Problem::EmblemResolution ? 0 : 2;
    switch (finding.problem) {
        case Problem::Touching:
            return line + QStringLiteral("касается элемента «%1»").arg(elementName(kind, finding.other));
        case Problem::NoInk:
            return line + problemText(finding);
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
