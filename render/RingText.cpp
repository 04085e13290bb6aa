#include "RingText.h"

#include "Geometry.h"
#include "TextLayout.h"

#include <QFont>
#include <QPainterPath>
#include <QPolygonF>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <utility>

namespace qg {

namespace {

// Texts are shaped at this em height and scaled: with the font's design
// metrics the advances grow in proportion to the size.
constexpr int kShapingPixels = 256;
constexpr long double kPi = 3.14159265358979323846264338327950288L;
// The middle circle is kept at least this wide, whatever the radius.
constexpr long double kMinMiddleRadius = 1;

// What the layout needs of a face at one size. Only numbers and names are
// kept, no font objects, so the kept ones may outlive the fonts' machinery.
struct Metrics {
    LineFont font;
    double emPixels = 0;  // as asked for (0: the size's)
    bool valid = false;
    double pixelSize = 0;  // the em height the face has
    int cellHeight = 0;
    int ascent = 0;
    QString family;
};

const Metrics& metricsOf(const LineFont& font, double emPixels) {
    thread_local std::vector<Metrics> kept;
    for (const Metrics& m : kept) {
        if (m.emPixels == emPixels && m.font == font)
            return m;
    }
    if (kept.size() >= 64)
        kept.clear();
    const FontFace face = makeFontFace(font, emPixels);
    Metrics m;
    m.font = font;
    m.emPixels = emPixels;
    m.valid = face.raw.isValid();
    if (m.valid) {
        m.pixelSize = face.raw.pixelSize();
        m.cellHeight = face.cellHeight();
        m.ascent = face.ascent;
        m.family = face.raw.familyName();
    }
    kept.push_back(std::move(m));
    return kept.back();
}

// One character of a text as the shaping sees it: a cluster of UTF-16
// units and its advance at kShapingPixels, kerning included.
struct Cluster {
    int index = 0;
    int length = 1;
    double advance = 0;
};

struct Shaping {
    QString family;
    bool bold = false;
    bool italic = false;
    bool fixedPitch = false;
    QString text;
    std::vector<Cluster> clusters;
};

// A character that would break or wrap the line, or move to a tab stop, is
// measured as a blank.
QString measurable(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F || u == QChar::LineSeparator || u == QChar::ParagraphSeparator)
            c = QChar(u' ');
    }
    return out;
}

std::vector<Cluster> shape(const QString& family, const LineFont& lineFont, const QString& text) {
    QFont font(family);
    font.setPixelSize(kShapingPixels);
    font.setWeight(lineFont.bold ? QFont::Bold : QFont::Normal);
    font.setItalic(lineFont.italic);
    font.setKerning(true);
    font.setHintingPreference(QFont::PreferNoHinting);
    // The glyphs are drawn from this one face; so are they measured.
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoFontMerging | QFont::NoSubpixelAntialias));

    QTextLayout layout(measurable(text), font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setUseDesignMetrics(true);
    option.setTextDirection(Qt::LeftToRight);
    option.setFlags(QTextOption::IncludeTrailingSpaces);
    layout.setTextOption(option);
    layout.setCacheEnabled(false);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();

    std::vector<Cluster> clusters;
    if (!line.isValid())
        return clusters;
    const int size = static_cast<int>(text.size());
    int at = 0;
    while (at < size) {
        int next = layout.nextCursorPosition(at);
        if (next <= at || next > size)
            next = at + 1;
        const double advance = std::fabs(line.cursorToX(next) - line.cursorToX(at));
        clusters.push_back(Cluster{at, next - at, std::isfinite(advance) ? advance : 0.0});
        at = next;
    }
    return clusters;
}

const std::vector<Cluster>& clustersOf(const QString& family, const LineFont& font, const QString& text) {
    thread_local std::vector<Shaping> kept;
    const bool fixedPitch = font.pitch == Pitch::Fixed;
    for (const Shaping& s : kept) {
        if (s.bold == font.bold && s.italic == font.italic && s.fixedPitch == fixedPitch && s.family == family &&
            s.text == text)
            return s.clusters;
    }
    if (kept.size() >= 16)
        kept.erase(kept.begin());
    kept.push_back(Shaping{family, font.bold, font.italic, fixedPitch, text, shape(family, font, text)});
    return kept.back().clusters;
}

long double radians(long double degrees) {
    return degrees * kPi / 180.0L;
}

long double degreesOf(long double radians) {
    return radians * 180.0L / kPi;
}

long double normalisedTurn(long double degrees) {
    long double turn = std::fmod(degrees, 360.0L);
    if (turn < 0)
        turn += 360.0L;
    return turn >= 360.0L ? 0.0L : turn;
}

struct PointL {
    long double x = 0;
    long double y = 0;
};

// The reference point of a character `advance` wide in a cell `height`
// high whose middle lies at `theta` on the circle of radius `middle` about
// the seal's centre, turned by `turn`. The text primitive turns a text about
// the middle of its reference pixel, which is the point (0.5, 0.5) of the
// cell.
PointL referencePoint(long double theta, long double turn, long double advance, long double height,
                      long double middle) {
    const long double a = radians(theta);
    const long double t = radians(turn);
    const long double c = std::cos(t);
    const long double s = std::sin(t);
    const long double u = 0.5L - advance / 2;
    const long double v = 0.5L - height / 2;
    return PointL{100.0L + middle * std::sin(a) + u * c + v * s, 100.0L - middle * std::cos(a) - u * s + v * c};
}

// Neighbouring letters are spaced by their advances along the middle
// circle, but a letter stands square on the circle: its sides do not point
// at the centre, so below the middle two neighbours come closer than on a
// straight line, and a pair the font kerns tightly (the feet of К and А)
// runs together there. Such a pair is given the room it needs to keep, at
// every distance from the centre, what the font leaves between its ink on a
// straight line, yet never less than kLeastRoom and never more than this
// part of an em.
constexpr double kKeptRoomEm = 1.0 / 32;
constexpr double kLeastRoom = 0.03;
// The ink is followed along heights this many preview pixels apart.
constexpr double kLevelStep = 0.1;
// Outlines are flattened this many times finer than a preview pixel.
constexpr double kFlatten = 8;

// A character's ink as the targets draw it at the size of its font,
// flattened, from the start of its baseline, and its box; kept for the
// texts laid out lately (only points, no font objects). The outlines are
// the unhinted ones, which other sizes draw scaled; so are the places of
// the glyphs of a character made of several.
struct CellInk {
    std::vector<QPolygonF> polygons;
    QRectF box;
};

std::shared_ptr<const CellInk> cellInk(const LineFont& font, QStringView character) {
    struct Kept {
        LineFont font;
        QString character;
        std::shared_ptr<const CellInk> ink;
    };
    thread_local std::vector<Kept> kept;
    for (const Kept& k : kept)
        if (k.character == character && k.font == font)
            return k.ink;
    if (kept.size() >= 512)
        kept.clear();
    const FontFace face = makeFontFace(font);
    const QRawFont raw = outlineFont(face);
    const Shaped shaped = shapeText(face, character);
    QPainterPath path;
    for (qsizetype g = 0; g < shaped.glyphs.size(); ++g)
        path.addPath(raw.pathForGlyph(shaped.glyphs[g])
                         .translated(static_cast<double>(shaped.starts[static_cast<std::size_t>(g)]), 0));
    const QTransform fine = QTransform::fromScale(kFlatten, kFlatten);
    const QTransform back = QTransform::fromScale(1 / kFlatten, 1 / kFlatten);
    auto ink = std::make_shared<CellInk>();
    for (const QPolygonF& polygon : path.toSubpathPolygons(fine)) {
        ink->polygons.push_back(back.map(polygon));
        ink->box = ink->box.isNull() ? ink->polygons.back().boundingRect()
                                     : ink->box.united(ink->polygons.back().boundingRect());
    }
    kept.push_back(Kept{font, character.toString(), std::move(ink)});
    return kept.back().ink;
}

// Where a letter's ink reaches at each height in its own frame: u along
// the reading direction from its middle, w from the seal's centre along
// its upright (w is the middle radius at the letter's middle). Each level
// keeps the least and greatest u, and the greatest |u| (how far beyond w
// its points lie from the centre).
struct Reach {
    long long first = 0;
    std::vector<double> low;
    std::vector<double> high;
    QRectF box;

    bool has(long long level) const {
        const auto i = static_cast<std::size_t>(level - first);
        return i < low.size() && low[i] <= high[i];
    }
    void add(long long level, double u) {
        const auto i = static_cast<std::size_t>(level - first);
        if (i >= low.size())
            return;
        low[i] = std::min(low[i], u);
        high[i] = std::max(high[i], u);
    }
};

// Every crossing of an edge with a level is found exactly; each corner
// counts on the levels either side of it.
Reach reachOf(const CellInk& ink, const QTransform& frame) {
    Reach reach;
    reach.box = frame.mapRect(ink.box);
    reach.first = static_cast<long long>(std::floor(reach.box.top() / kLevelStep)) - 1;
    const auto size = static_cast<std::size_t>(std::ceil(reach.box.bottom() / kLevelStep)) -
                      static_cast<std::size_t>(reach.first) + 2;
    reach.low.assign(size, std::numeric_limits<double>::infinity());
    reach.high.assign(size, -std::numeric_limits<double>::infinity());
    for (const QPolygonF& cell : ink.polygons) {
        const QPolygonF polygon = frame.map(cell);
        for (qsizetype k = 0; k < polygon.size(); ++k) {
            const double pu = polygon[k].x();
            const double pw = polygon[k].y();
            const auto below = static_cast<long long>(std::floor(pw / kLevelStep));
            reach.add(below, pu);
            reach.add(below + 1, pu);
            if (k + 1 >= polygon.size())
                continue;
            const double du = polygon[k + 1].x() - pu;
            const double dw = polygon[k + 1].y() - pw;
            if (dw == 0)
                continue;
            const double top = std::max(pw, pw + dw);
            for (auto level = static_cast<long long>(std::ceil(std::min(pw, pw + dw) / kLevelStep));
                 static_cast<double>(level) * kLevelStep <= top; ++level)
                reach.add(level, pu + (static_cast<double>(level) * kLevelStep - pw) / dw * du);
        }
    }
    return reach;
}

// The least room on a straight line between letter `before` and letter
// `after` (after it in the reading direction, its middle `step` further
// along), over the heights both reach; infinite where they share none.
double straightRoom(const Reach& before, const Reach& after, double step) {
    double room = std::numeric_limits<double>::infinity();
    const long long to = std::min(before.first + static_cast<long long>(before.low.size()),
                                  after.first + static_cast<long long>(after.low.size()));
    for (long long level = std::max(before.first, after.first); level < to; ++level) {
        if (before.has(level) && after.has(level))
            room = std::min(room, step + after.low[static_cast<std::size_t>(level - after.first)] -
                                      before.high[static_cast<std::size_t>(level - before.first)]);
    }
    return room;
}

// atan(x), by its series where x is small (letters seen from the centre),
// good to far below a thousandth of a pixel there.
double angleOfSlope(double x) {
    if (std::fabs(x) > 0.25)
        return std::atan(x);
    const double x2 = x * x;
    return x * (1 - x2 * (1.0 / 3 - x2 * (1.0 / 5 - x2 * (1.0 / 7 - x2 * (1.0 / 9 - x2 * (1.0 / 11 - x2 / 13))))));
}

// The least turn about the centre from letter `before` to letter `after`
// that leaves at least `room` preview pixels between their ink on every
// circle. A point at height w lies between w and hypot(u, w) from the
// centre, at the angle atan(u / w); so two heights whose points may meet
// on one circle are at most a little apart, and each height's greatest
// angle of `before` is kept clear of the least of `after` at every height
// near enough. Rather too much than too little where edges slant.
double leastTurn(const Reach& before, const Reach& after, double room) {
    const double reachU = std::max({std::fabs(before.box.left()), std::fabs(before.box.right()),
                                    std::fabs(after.box.left()), std::fabs(after.box.right())});
    const double nearest = std::min(before.box.top(), after.box.top());
    const auto window =
        static_cast<long long>(std::ceil((std::hypot(reachU, nearest) - nearest) / kLevelStep)) + 1;
    const long long afterEnd = after.first + static_cast<long long>(after.low.size());
    std::vector<double> least(after.low.size(), std::numeric_limits<double>::quiet_NaN());
    for (std::size_t k = 0; k < least.size(); ++k) {
        const double w = static_cast<double>(after.first + static_cast<long long>(k)) * kLevelStep;
        if (after.low[k] <= after.high[k])
            least[k] = angleOfSlope(after.low[k] / w);
    }
    double turn = 0;
    // Only the heights near those `after` reaches.
    const long long from = std::max(before.first, after.first - window);
    const long long to = std::min(before.first + static_cast<long long>(before.low.size()), afterEnd + window);
    for (long long level = from; level < to; ++level) {
        const auto i = static_cast<std::size_t>(level - before.first);
        if (!(before.low[i] <= before.high[i]))
            continue;
        const double w = static_cast<double>(level) * kLevelStep;
        const double most = angleOfSlope(before.high[i] / w);
        for (long long other = std::max(level - window, after.first); other <= level + window && other < afterEnd;
             ++other) {
            const double angle = least[static_cast<std::size_t>(other - after.first)];
            if (!std::isnan(angle))
                turn = std::max(turn, most - angle + room / std::min(w, static_cast<double>(other) * kLevelStep));
        }
    }
    return turn;
}

// The greatest angle (in the reading direction) a box reaches about the
// centre, or with `least` the least.
double boxAngle(const QRectF& box, bool least) {
    double angle = least ? std::numeric_limits<double>::infinity() : -std::numeric_limits<double>::infinity();
    for (const QPointF& p : {box.topLeft(), box.topRight(), box.bottomLeft(), box.bottomRight()}) {
        const double at = std::atan2(p.x(), p.y());
        angle = least ? std::min(angle, at) : std::max(angle, at);
    }
    return angle;
}

// The letters of a text at one size on its middle circle.
struct Setting {
    double emAsked = 0;  // 0: the size's own
    int cellHeight = 0;
    int ascent = 0;
    long double middle = 0;
    long double scale = 0;  // from the shaping size to this one
};

// The extra room each neighbouring pair needs beyond its advances, along
// the middle circle: pair i is letters i and i + 1; with `wrap` the last
// and the first letters make one more pair.
std::vector<long double> extraRoom(const TextLineSettings& line, const std::vector<Cluster>& clusters,
                                   std::size_t count, bool reverse, bool wrap, const Setting& setting) {
    const std::size_t pairs = count > 1 ? (wrap ? count : count - 1) : 0;
    std::vector<long double> extra(pairs, 0);
    const double middle = static_cast<double>(setting.middle);
    const double half = setting.cellHeight / 2.0;
    // Letters reaching the centre cannot be kept apart by turning them.
    if (pairs == 0 || middle - half <= 1)
        return extra;
    const double up = reverse ? -1 : 1;
    const double em = static_cast<double>(setting.scale) * kShapingPixels;
    const double keep = kKeptRoomEm * em;

    const Metrics& natural = metricsOf(line.font, 0);
    if (!natural.valid || natural.pixelSize <= 0)
        return extra;
    const double scale = em / natural.pixelSize;
    std::vector<double> advances(count);
    // Held here: the kept ones may be dropped while this text is measured.
    std::vector<std::shared_ptr<const CellInk>> inks(count);
    std::vector<std::optional<Reach>> reaches(count);
    for (std::size_t i = 0; i < count; ++i)
        advances[i] = static_cast<double>(clusters[i].advance * setting.scale);
    // From the glyphs' own frame (at their font's size, from the start of
    // the baseline) to the letter's: u along the reading direction from its
    // middle, w from the centre along its upright.
    const auto frameOf = [&](std::size_t i) {
        return QTransform(scale, 0, 0, -up * scale, -advances[i] / 2, middle + up * (half - setting.ascent));
    };
    const auto inkOf = [&](std::size_t i) -> const CellInk& {
        if (!inks[i])
            inks[i] = cellInk(line.font, QStringView(line.text).sliced(clusters[i].index, clusters[i].length));
        return *inks[i];
    };
    const auto reachOfLetter = [&](std::size_t i) -> const Reach& {
        if (!reaches[i])
            reaches[i] = reachOf(inkOf(i), frameOf(i));
        return *reaches[i];
    };
    const auto boxOf = [&](std::size_t i) {
        return frameOf(i).mapRect(inkOf(i).box);
    };
    for (std::size_t p = 0; p < pairs; ++p) {
        const std::size_t i = p;
        const std::size_t j = (p + 1) % count;
        if (inkOf(i).polygons.empty() || inkOf(j).polygons.empty())
            continue;
        const QRectF before = boxOf(i);
        const QRectF after = boxOf(j);
        const double nearest = std::min(before.top(), after.top());
        if (nearest < 1)
            continue;
        // Letters whose boxes keep the room (and then some) need no more.
        const double step = (advances[i] + advances[j]) / 2;
        if (boxAngle(before, false) - boxAngle(after, true) + (keep + kLeastRoom) / nearest <= step / middle)
            continue;
        const Reach& first = reachOfLetter(i);
        const Reach& second = reachOfLetter(j);
        const double room = std::max(std::min(straightRoom(first, second, step), keep), kLeastRoom);
        extra[p] = std::max(leastTurn(first, second, room) * middle - step, 0.0);
    }
    return extra;
}

// The same, kept for the texts, sizes and circles met lately: the room
// a pair needs does not change with the tracking, the span or the angle.
std::vector<long double> keptExtraRoom(const TextLineSettings& line, const std::vector<Cluster>& clusters,
                                       std::size_t count, bool reverse, bool wrap, const Setting& setting) {
    struct Kept {
        LineFont font;
        QString text;
        bool reverse = false;
        bool wrap = false;
        double emAsked = 0;
        long double middle = 0;
        std::vector<long double> extra;
    };
    thread_local std::vector<Kept> kept;
    for (const Kept& k : kept)
        if (k.reverse == reverse && k.wrap == wrap && k.emAsked == setting.emAsked && k.middle == setting.middle &&
            k.font == line.font && k.text == line.text)
            return k.extra;
    if (kept.size() >= 64)
        kept.erase(kept.begin());
    kept.push_back(Kept{line.font, line.text, reverse, wrap, setting.emAsked, setting.middle,
                        extraRoom(line, clusters, count, reverse, wrap, setting)});
    return kept.back().extra;
}

}  // namespace

namespace {

// A ring text laid out along its middle circle, before it is turned to its
// angle: what a drag round the seal leaves as it is.
struct Laid {
    RingTextPlan plan;  // without the characters
    std::vector<Cluster> clusters;
    std::vector<long double> advances;
    std::vector<long double> along;  // of each letter's middle from the text's start
};

// The room between two neighbours beyond their advances when the text
// asks for `room` between all of them and this pair needs `extra` to stay
// apart: room the text gives counts towards what the pair needs, while a
// text drawn closer (a negative room) brings every pair closer alike.
long double pairRoom(long double extra, long double room) {
    return room >= 0 ? std::max(room, extra) : extra + room;
}

long double roomOf(const std::vector<long double>& extra, long double room) {
    long double total = 0;
    for (const long double e : extra)
        total += pairRoom(e, room);
    return total;
}

// The room between letters that makes the pairs take `length` in all.
long double roomFilling(const std::vector<long double>& extra, long double length) {
    const auto pairs = static_cast<long double>(extra.size());
    long double needed = 0;
    for (const long double e : extra)
        needed += e;
    // Below nothing every pair gives up the same; above, the pairs that
    // need more than the room keep their own.
    long double low = (length - needed) / pairs;
    if (low < 0)
        return low;
    long double high = std::max(low, length / pairs);
    for (int i = 0; i < 100 && high - low > 1e-15L * std::max(1.0L, high); ++i) {
        const long double mid = (low + high) / 2;
        if (roomOf(extra, mid) < length)
            low = mid;
        else
            high = mid;
    }
    return (low + high) / 2;
}

Laid layOut(const TextLineSettings& line, const RingTextLayout& layout) {
    Laid laid;
    RingTextPlan& plan = laid.plan;
    plan.points = line.font.size;
    if (line.text.isEmpty())
        return laid;
    const Metrics natural = metricsOf(line.font, 0);
    if (!natural.valid)
        return laid;
    plan.naturalEmPixels = natural.pixelSize;
    plan.emPixels = natural.pixelSize;
    plan.cellHeight = natural.cellHeight;

    // Enough of the text for the characters laid out, and one more to tell
    // whether there is more.
    QString text = line.text;
    if (text.size() > 4 * kMaxRingCharacters + 4)
        text.truncate(4 * kMaxRingCharacters + 4);
    const std::vector<Cluster>& all = clustersOf(natural.family, line.font, text);
    const std::size_t count = std::min<std::size_t>(all.size(), kMaxRingCharacters);
    plan.cut = all.size() > count || text.size() < line.text.size();
    if (count == 0)
        return laid;
    laid.clusters.assign(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(count));

    long double shapedWidth = 0;
    for (std::size_t i = 0; i < count; ++i)
        shapedWidth += all[i].advance;
    const long double radius = line.radius;
    const long double tracking = isRingTracking(layout.tracking) ? layout.tracking : 0.0;
    const long double span = isRingSpan(layout.span) ? layout.span : 0.0;
    const bool wholeRing = span >= 360.0L;
    const std::size_t pairs = count > 1 ? (wholeRing ? count : count - 1) : 0;
    const auto middleOf = [&](int cellHeight) {
        return std::max(radius + 0.5L - cellHeight / 2.0L, kMinMiddleRadius);
    };
    const auto settingOf = [&](double emAsked, const Metrics& m) {
        return Setting{emAsked, m.cellHeight, m.ascent, middleOf(m.cellHeight), m.pixelSize / kShapingPixels};
    };
    const auto extraAt = [&](const Setting& setting) {
        return keptExtraRoom(line, laid.clusters, count, layout.reverse, wholeRing, setting);
    };
    const std::vector<long double> none(pairs, 0);
    Setting setting = settingOf(0, natural);
    std::optional<std::vector<long double>> extra;

    // Fitting: to the span, or round the whole ring (where the room after
    // the last letter counts as one more gap).
    if (layout.fit) {
        const long double arc = span > 0 ? span : 360.0L;
        const long double closing = arc >= 360.0L && !wholeRing ? tracking : 0;
        const auto fitsAt = [&](const Setting& at, const std::vector<long double>& more) {
            const long double needed = shapedWidth * at.scale + roomOf(more, tracking) + closing;
            return needed <= radians(arc) * at.middle * (1 + 1e-12L);
        };
        const auto emOf = [](int tenths) { return tenths * 4.0 / 30.0; };
        // The largest size in tenths of a point below the natural one that
        // fits; sizes that fit form a range from the smallest up. Found
        // first by the advances alone, then, as pairs of letters may need
        // more room, by the room they take as well.
        const auto fitsTenths = [&](int tenths, bool roomToo) {
            const Metrics& m = metricsOf(line.font, emOf(tenths));
            if (!m.valid)
                return false;
            const Setting at = settingOf(emOf(tenths), m);
            return fitsAt(at, none) && (!roomToo || fitsAt(at, extraAt(at)));
        };
        const auto largestFitting = [&](int low, int high, bool roomToo) {
            while (low < high) {
                const int mid = low + (high - low + 1) / 2;
                if (fitsTenths(mid, roomToo))
                    low = mid;
                else
                    high = mid - 1;
            }
            return low;
        };
        const int lowest = static_cast<int>(std::lround(kMinFittedPoints * 10));
        const int naturalTenths = static_cast<int>(std::ceil(natural.pixelSize * 7.5 - 1e-9));
        int chosen = 0;  // 0: the natural size
        if (!fitsAt(setting, none)) {
            const int high = naturalTenths - 1;
            if (high < lowest || !fitsTenths(lowest, false)) {
                plan.fits = false;
                chosen = lowest;
            } else {
                chosen = largestFitting(lowest, high, false);
            }
        }
        if (plan.fits) {
            const Setting at = chosen > 0 ? settingOf(emOf(chosen), metricsOf(line.font, emOf(chosen))) : setting;
            extra = extraAt(at);
            if (!fitsAt(at, *extra)) {
                // The room some pairs need does not fit: smaller, in steps
                // that grow until one fits, then the largest between.
                const int from = chosen > 0 ? chosen : naturalTenths;
                int bad = from;
                int good = 0;
                for (int step = 1, tenths = from - 1; tenths >= lowest; tenths -= step, step *= 2) {
                    if (fitsTenths(tenths, true)) {
                        good = tenths;
                        break;
                    }
                    bad = tenths;
                }
                if (good == 0 && bad > lowest && fitsTenths(lowest, true))
                    good = lowest;
                if (good == 0) {
                    plan.fits = false;
                    chosen = lowest;
                } else {
                    chosen = largestFitting(good, bad - 1, true);
                }
                extra.reset();
            }
        }
        if (chosen > 0 && emOf(chosen) < natural.pixelSize) {
            const Metrics& fitted = metricsOf(line.font, emOf(chosen));
            if (fitted.valid) {
                plan.reduced = true;
                plan.points = chosen / 10.0;
                plan.emPixels = fitted.pixelSize;
                plan.cellHeight = fitted.cellHeight;
                setting = settingOf(emOf(chosen), fitted);
            }
        }
    }
    if (!extra || extra->size() != pairs)
        extra = extraAt(setting);

    const long double scale = setting.scale;
    const long double middle = setting.middle;
    const long double width = shapedWidth * scale;
    long double gap = tracking;
    if (wholeRing)
        gap = roomFilling(*extra, 2 * kPi * middle - width);
    else if (span > 0)
        gap = count > 1 ? roomFilling(*extra, radians(span) * middle - width) : 0;
    laid.advances.resize(count);
    laid.along.resize(count);
    long double along = 0;
    for (std::size_t i = 0; i < count; ++i) {
        laid.advances[i] = all[i].advance * scale;
        laid.along[i] = along + laid.advances[i] / 2;
        along += laid.advances[i] + (i + 1 < count ? pairRoom((*extra)[i], gap) : 0);
    }
    const long double length = laid.along.back() + laid.advances.back() / 2;
    plan.middleRadius = static_cast<double>(middle);
    plan.gap = static_cast<double>(gap);
    plan.arc = static_cast<double>(degreesOf(length / middle));
    return laid;
}

struct KeptLayout {
    TextLineSettings line;
    RingTextLayout layout;
    Laid laid;
};

// The layouts made lately, the angle left out: a text turned round the
// seal keeps its own.
const Laid& laidOut(const TextLineSettings& line, const RingTextLayout& layout) {
    thread_local std::vector<KeptLayout> kept;
    TextLineSettings key = line;
    key.angle = 0;
    key.enabled = true;
    for (auto k = kept.begin(); k != kept.end(); ++k) {
        if (k->line == key && k->layout == layout) {
            if (k != kept.end() - 1)
                std::rotate(k, k + 1, kept.end());
            return kept.back().laid;
        }
    }
    if (kept.size() >= 12)
        kept.erase(kept.begin());
    kept.push_back(KeptLayout{key, layout, layOut(line, layout)});
    return kept.back().laid;
}

}  // namespace

RingTextPlan planRingText(const TextLineSettings& line, const RingTextLayout& layout) {
    const Laid& laid = laidOut(line, layout);
    RingTextPlan plan = laid.plan;
    const std::size_t count = laid.along.size();
    if (count == 0)
        return plan;
    const long double middle = plan.middleRadius;
    const long double arc = plan.arc;
    // The text's arc is centred on the angle; reversed, it runs the other
    // way round with every letter turned over.
    const long double direction = layout.reverse ? -1 : 1;
    const long double start = std::fmod(static_cast<long double>(line.angle), 360.0L) - direction * arc / 2;
    plan.characters.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const long double advance = laid.advances[i];
        const long double theta = start + direction * degreesOf(laid.along[i] / middle);
        const long double turn = normalisedTurn(layout.reverse ? 180.0L - theta : -theta);
        const PointL at = referencePoint(theta, turn, advance, plan.cellHeight, middle);
        RingCharacter c;
        c.index = laid.clusters[i].index;
        c.length = laid.clusters[i].length;
        c.advance = static_cast<double>(advance);
        c.theta = static_cast<double>(theta);
        c.turn = static_cast<double>(turn);
        c.x = static_cast<double>(at.x);
        c.y = static_cast<double>(at.y);
        plan.characters.push_back(c);
    }
    return plan;
}

double ringTextPointsInUse(const TextLineSettings& line, const RingTextLayout& layout) {
    if (layout.spacing != RingSpacing::Glyphs || !layout.fit)
        return line.font.size;
    return planRingText(line, layout).points;
}

void printGlyphRingText(StampSurface& surface, const TextLineSettings& line, const RingTextLayout& layout,
                        ElementTag tag) {
    if (!line.enabled || line.text.isEmpty())
        return;
    const RingTextPlan plan = planRingText(line, layout);
    if (plan.characters.empty())
        return;
    surface.beginElement(tag);
    const LineFont saved = surface.font();
    surface.setFont(line.font);
    surface.beginTextGroup();
    const long double middle = plan.middleRadius;
    for (const RingCharacter& c : plan.characters) {
        // The preview turns a character by whole degrees; its middle stays
        // where it belongs, and its reference point is rounded last.
        const std::int64_t turn = roundHalfEven(c.turn) % 360;
        const PointL at = referencePoint(c.theta, static_cast<long double>(turn), c.advance, plan.cellHeight, middle);
        CharacterPlace place;
        place.index = c.index;
        place.emPixels = plan.reduced ? plan.emPixels : 0;
        place.exact = true;
        place.x = c.x;
        place.y = c.y;
        place.turn = c.turn;
        surface.characterOut(roundHalfEven(at.x), roundHalfEven(at.y), textAngle(turn),
                             QStringView(line.text).sliced(c.index, c.length), place);
    }
    surface.endTextGroup();
    surface.setFont(saved);
}

}  // namespace qg
