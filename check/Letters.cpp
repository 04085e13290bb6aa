// Crowded letters: the characters of one text laid out a character at a
// time (a ring text) whose ink runs into each other, or comes closer than
// the narrowest gap allowed. Worked from the outlines themselves: two
// letters that merge make one piece of ink, which no picture tells apart.

#include "CheckParts.h"

#include <QPainterPath>
#include <QPolygonF>
#include <QTransform>

#include <limits>
#include <utility>

namespace qg::check::detail {

namespace {

// Outlines are flattened in hundredths of a millimetre: the curves come
// out within 5 micrometres, a quarter of the check's pixel at 1200 dpi.
constexpr double kFlatPerMm = 100;

struct Edge {
    QLineF line;
    QRectF box;
};

struct Letter {
    QPainterPath outline;
    QRectF box;
    std::vector<Edge> edges;  // flattened, in hundredths of a millimetre
};

double squaredToSegment(const QPointF& p, const QLineF& s) {
    const QPointF d = s.p2() - s.p1();
    const double length = QPointF::dotProduct(d, d);
    double t = length > 0 ? QPointF::dotProduct(p - s.p1(), d) / length : 0;
    t = std::clamp(t, 0.0, 1.0);
    const QPointF off = p - (s.p1() + t * d);
    return QPointF::dotProduct(off, off);
}

// The squared distance between two segments that do not cross.
double squaredBetween(const QLineF& a, const QLineF& b) {
    return std::min({squaredToSegment(a.p1(), b), squaredToSegment(a.p2(), b), squaredToSegment(b.p1(), a),
                     squaredToSegment(b.p2(), a)});
}

// The edges of `letter` that come within `reach` of `box`.
bool within(const QRectF& a, const QRectF& b, double reach) {
    return a.right() + reach >= b.left() && b.right() + reach >= a.left() && a.bottom() + reach >= b.top() &&
           b.bottom() + reach >= a.top();
}

std::vector<const Edge*> edgesNear(const Letter& letter, const QRectF& box, double reach) {
    std::vector<const Edge*> out;
    for (const Edge& edge : letter.edges)
        if (within(edge.box, box, reach))
            out.push_back(&edge);
    return out;
}

// The squared distance between the nearest of two sets of edges that do
// not cross, when it is below `squared`; `squared` otherwise.
double nearestBetween(const std::vector<const Edge*>& some, const std::vector<const Edge*>& others, double squared) {
    for (const Edge* p : some) {
        double reach = std::sqrt(squared);
        for (const Edge* q : others) {
            if (!within(p->box, q->box, reach))
                continue;
            const double here = squaredBetween(p->line, q->line);
            if (here < squared) {
                squared = here;
                reach = std::sqrt(squared);
            }
        }
    }
    return squared;
}

// How far two letters run into each other: the extent of the ink they
// share along the line from one letter to the other.
double depthOf(const QPainterPath& common, const QPointF& from, const QPointF& to) {
    QPointF along = to - from;
    const double length = std::hypot(along.x(), along.y());
    along = length > 0 ? along / length : QPointF(1, 0);
    double low = std::numeric_limits<double>::max();
    double high = std::numeric_limits<double>::lowest();
    for (const QPolygonF& polygon : common.toSubpathPolygons())
        for (const QPointF& point : polygon) {
            const double at = QPointF::dotProduct(point, along);
            low = std::min(low, at);
            high = std::max(high, at);
        }
    return high > low ? high - low : 0;
}

}  // namespace

void Checker::crowdedLetters() {
    // The ink of each character of each text.
    std::map<std::pair<int, int>, std::map<int, Letter>> texts;
    std::vector<ElementTag> order;
    for (const InkOp& op : imprint.ops) {
        if (op.paper || op.character < 0 || !isText(op.element.kind))
            continue;
        const std::pair<int, int> key{static_cast<int>(op.element.kind), op.element.index};
        if (!texts.contains(key))
            order.push_back(op.element);
        Letter& letter = texts[key][op.character];
        letter.outline.addPath(op.stroked ? op.area() : detachedPath(op.path));
    }
    const double gapUnits = limits.minGapMm > 0 ? limits.minGapMm / mmPerUnit : 0;
    const QTransform flat = QTransform::fromScale(mmPerUnit * kFlatPerMm, mmPerUnit * kFlatPerMm);
    const double gapFlat = gapUnits * mmPerUnit * kFlatPerMm;
    for (const ElementTag& text : order) {
        std::vector<Letter*> letters;
        for (auto& [character, letter] : texts[{static_cast<int>(text.kind), text.index}]) {
            letter.outline.setFillRule(Qt::WindingFill);
            letter.box = letter.outline.boundingRect();
            if (letter.box.isEmpty())
                continue;
            for (const QPolygonF& polygon : letter.outline.toSubpathPolygons(flat))
                for (qsizetype i = 0; i + 1 < polygon.size(); ++i)
                    letter.edges.push_back(Edge{QLineF(polygon[i], polygon[i + 1]),
                                                QRectF(polygon[i], polygon[i + 1]).normalized()});
            letters.push_back(&letter);
        }
        QRectF overlaps;
        double deepest = 0;
        QRectF close;
        double narrowest = kNoWidth;
        for (std::size_t i = 0; i < letters.size(); ++i) {
            const Letter& a = *letters[i];
            const QRectF reach = a.box.adjusted(-gapUnits, -gapUnits, gapUnits, gapUnits);
            for (std::size_t j = i + 1; j < letters.size(); ++j) {
                const Letter& b = *letters[j];
                if (!reach.intersects(b.box))
                    continue;
                if (a.box.intersects(b.box) && a.outline.intersects(b.outline)) {
                    const QPainterPath common = a.outline.intersected(b.outline);
                    const QRectF place = common.boundingRect();
                    if (!place.isEmpty()) {
                        deepest = std::max(deepest, depthOf(common, a.box.center(), b.box.center()) * mmPerUnit);
                        overlaps = overlaps.isNull() ? place : overlaps.united(place);
                        continue;
                    }
                }
                if (gapFlat <= 0)
                    continue;
                // The nearest edges, each letter's within the gap of the other.
                const double squared = nearestBetween(edgesNear(a, flat.mapRect(b.box), gapFlat),
                                                      edgesNear(b, flat.mapRect(a.box), gapFlat), gapFlat * gapFlat);
                const double widthMm = std::sqrt(squared) / kFlatPerMm;
                if (!(widthMm < limits.minGapMm - kSameMm))
                    continue;
                narrowest = std::min(narrowest, widthMm);
                // Where both letters come within the gap of each other.
                const QRectF between = reach.intersected(b.box.adjusted(-gapUnits, -gapUnits, gapUnits, gapUnits));
                close = close.isNull() ? between : close.united(between);
            }
        }
        if (!overlaps.isNull())
            add(Severity::Error, Problem::LettersOverlap, text, {}, deepest, 0, overlaps);
        if (narrowest >= kNoWidth)
            continue;
        // The text's own narrow gaps as its pixels told them, if any, and
        // these are one finding.
        const auto same = std::find_if(report.findings.begin(), report.findings.end(), [&](const Finding& f) {
            return f.problem == Problem::NarrowGap && f.element == text && f.other.kind == ElementKind::None;
        });
        if (same == report.findings.end()) {
            add(Severity::Warning, Problem::NarrowGap, text, {}, narrowest, limits.minGapMm, close);
        } else {
            same->measured = std::min(same->measured, narrowest);
            same->place = same->place.united(close);
        }
    }
}

}  // namespace qg::check::detail
