#include "SealMeasure.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace qg::sealmeasure {

// Font sizes come in whole points, so capitals grow in steps of several
// per cent. The seal's span in preview pixels is chosen so that one size
// comes out just at the lowest capitals asked for: the texts then take
// as little of the rings as they may.
Scale scaleFor(Faces& faces, int diameterMm, double minCapMm) {
    double span = 2 * kReach;
    if (minCapMm > 0) {
        // Letters per ring grow with the span over the capitals' height;
        // of the sizes that give nearly the most, the largest span.
        std::vector<std::pair<double, double>> choices;  // room, span
        double most = 0;
        for (int points = kSmallestPoints; points <= kLargestPoints; ++points) {
            const double cap = faces.capPixels(points);
            const double fits = std::min(2 * kReach, std::floor(cap * diameterMm / minCapMm));
            if (cap <= 0 || fits < kSmallestSpan)
                continue;
            choices.emplace_back(fits / cap, fits);
            most = std::max(most, fits / cap);
        }
        double widest = 0;
        for (const auto& [room, fits] : choices) {
            if (room >= most * 0.99)
                widest = std::max(widest, fits);
        }
        if (widest > 0)
            span = widest;
    }
    Scale s;
    s.diameterMm = diameterMm;
    s.outerWidth = ringWidth(kOuterRingMm, diameterMm / span);
    s.outerRadius = static_cast<int>(std::floor((span - s.outerWidth) / 2));
    while (s.outerRadius + s.outerWidth / 2.0 + ringShift(s.outerWidth) > kReach)
        --s.outerRadius;
    s.mmPerPixel = diameterMm / (2.0 * s.outerRadius + s.outerWidth);
    s.thinWidth = ringWidth(kThinRingMm, s.mmPerPixel);
    s.gap = kGapMm / s.mmPerPixel;
    s.letterGap = kLetterGapMm / s.mmPerPixel;
    return s;
}

double distance(const QPointF& p) {
    return std::hypot(p.x() - kCentre, p.y() - kCentre);
}

// A text fitted smaller than its size is not a layout's choice, only its
// last resort: it is measured by its own size's outlines made smaller, which
// the outlines follow exactly, and a pixel more all round for the rounding
// of its cell, rather than by a face of its own for every size tried.
QTransform reducedBy(const RingPlaced& ring) {
    const double natural = ring.plan.naturalEmPixels;
    const double scale = ring.plan.reduced && natural > 0 ? ring.plan.emPixels / natural : 1;
    return QTransform::fromScale(scale, scale);
}

QRectF reducedBox(const QRectF& box, const QTransform& reduced) {
    return reduced.isIdentity() || box.isEmpty() ? box : reduced.mapRect(box).adjusted(-1, -1, 1, 1);
}

void measure(Faces& faces, RingPlaced& ring) {
    ring.plan = planRingText(ring.line, ring.layout);
    Face& face = faces.at(ring.points);
    const QTransform reduced = reducedBy(ring);
    ring.reach = Reach{};
    for (const RingCharacter& c : ring.plan.characters) {
        const QString character = ring.line.text.sliced(c.index, c.length);
        const QTransform frame = textFrameAt(c.x, c.y, c.turn);
        ring.reach.add(reducedBox(face.inkBox(character), reduced), frame);
        ring.reach.cells.add(reducedBox(face.cellBox(character), reduced), frame);
    }
    if (ring.reach.outer <= 0)
        ring.reach.inner = ring.reach.outer = ring.line.radius;
    if (ring.reach.cells.outer <= 0)
        ring.reach.cells.inner = ring.reach.cells.outer = ring.line.radius;
}

// Moves the text out as far as its ink stays within `limit` and the
// paper of its cells within `cellLimit`.
void placeOutward(Faces& faces, RingPlaced& ring, double limit, double cellLimit) {
    const auto room = [&](const RingPlaced& placed) {
        return std::min(limit - placed.reach.outer, cellLimit - placed.reach.cells.outer);
    };
    ring.line.radius = std::max(1, static_cast<int>(std::floor(limit)));
    measure(faces, ring);
    for (int tries = 0; tries < 4; ++tries) {
        const double left = room(ring);
        const int step = left >= 0 ? static_cast<int>(std::floor(left)) : -static_cast<int>(std::ceil(-left));
        if (step == 0 || ring.line.radius + step < 1)
            break;
        ring.line.radius += step;
        measure(faces, ring);
    }
    while (room(ring) < 0 && ring.line.radius > 1) {
        --ring.line.radius;
        measure(faces, ring);
    }
    // A text fitted smaller on the way in is measured with a pixel to
    // spare: a pixel further out may take it at its own size.
    while (room(ring) >= 0) {
        RingPlaced further = ring;
        ++further.line.radius;
        measure(faces, further);
        if (room(further) < 0)
            break;
        ring = std::move(further);
    }
}

double squaredSegmentDistance(const QPointF& p, const QPointF& a, const QPointF& b) {
    const QPointF ab = b - a;
    const double length = QPointF::dotProduct(ab, ab);
    const double t = length > 0 ? std::clamp(QPointF::dotProduct(p - a, ab) / length, 0.0, 1.0) : 0.0;
    const QPointF d = p - (a + t * ab);
    return QPointF::dotProduct(d, d);
}

PlacedInk placedInk(QPainterPath path) {
    PlacedInk placed;
    placed.path = std::move(path);
    const QTransform back = QTransform::fromScale(1 / kFlattening, 1 / kFlattening);
    for (const QPolygonF& contour : placed.path.toSubpathPolygons(QTransform::fromScale(kFlattening, kFlattening))) {
        placed.contours.push_back(back.map(contour));
        placed.boxes.push_back(placed.contours.back().boundingRect());
    }
    placed.box = placed.path.boundingRect();
    return placed;
}

// How far the nearest vertex of `to` lies from the edges of `from`, when
// nearer than `best`.
double nearestVertex(const PlacedInk& from, const PlacedInk& to, double best) {
    double squared = best * best;
    for (qsizetype c = 0; c < to.contours.size(); ++c) {
        for (qsizetype e = 0; e < from.contours.size(); ++e) {
            // Contours whose boxes lie further apart than the best so far
            // cannot come nearer.
            const QRectF& a = to.boxes[c];
            const QRectF& b = from.boxes[e];
            const double dx = std::max({0.0, a.left() - b.right(), b.left() - a.right()});
            const double dy = std::max({0.0, a.top() - b.bottom(), b.top() - a.bottom()});
            if (dx * dx + dy * dy >= squared)
                continue;
            const QPolygonF& edges = from.contours[e];
            for (const QPointF& p : to.contours[c]) {
                // Nor can a vertex further from the contour's box.
                const double px = std::max({0.0, b.left() - p.x(), p.x() - b.right()});
                const double py = std::max({0.0, b.top() - p.y(), p.y() - b.bottom()});
                if (px * px + py * py >= squared)
                    continue;
                for (qsizetype i = 1; i < edges.size(); ++i)
                    squared = std::min(squared, squaredSegmentDistance(p, edges[i - 1], edges[i]));
            }
        }
    }
    return std::sqrt(squared);
}

// The white between two characters' ink; `enough` when there is at least
// that much.
double inkDistance(const PlacedInk& a, const PlacedInk& b, double enough) {
    const double dx = std::max({0.0, a.box.left() - b.box.right(), b.box.left() - a.box.right()});
    const double dy = std::max({0.0, a.box.top() - b.box.bottom(), b.box.top() - a.box.bottom()});
    if (std::hypot(dx, dy) >= enough)
        return enough;
    if (a.box.intersects(b.box)) {
        for (const QPolygonF& contour : b.contours) {
            for (const QPointF& p : contour) {
                if (a.path.contains(p))
                    return 0;
            }
        }
        for (const QPolygonF& contour : a.contours) {
            for (const QPointF& p : contour) {
                if (b.path.contains(p))
                    return 0;
            }
        }
    }
    return nearestVertex(b, a, nearestVertex(a, b, enough));
}

// The narrowest white between neighbouring letters of a ring text (a blank
// parts them), in preview pixels; `enough` when none is narrower.
double narrowestLetterGap(Faces& faces, const RingPlaced& ring, double enough) {
    Face& face = faces.at(ring.points);
    const QTransform reduced = reducedBy(ring);
    double narrowest = enough;
    std::optional<PlacedInk> previous;
    for (const RingCharacter& c : ring.plan.characters) {
        const Ink& ink = face.ink(ring.line.text.sliced(c.index, c.length));
        if (ink.box.isEmpty()) {
            previous.reset();
            continue;
        }
        PlacedInk placed = placedInk((reduced * textFrameAt(c.x, c.y, c.turn)).map(ink.path));
        if (previous)
            narrowest = std::min(narrowest, inkDistance(*previous, placed, enough));
        previous = std::move(placed);
    }
    return narrowest;
}

LineGlyphs lineGlyphs(Face& face, const QString& text, double tracking) {
    LineGlyphs line;
    if (tracking == 0) {
        const Shaped shaped = shapeText(face.face, text);
        line.glyphs = shaped.glyphs;
        for (const std::int64_t start : shaped.starts)
            line.starts.push_back(static_cast<double>(start));
        line.width = static_cast<double>(shaped.width);
        return line;
    }
    double along = 0;
    const std::vector<TrackedCharacter> characters = trackedCharacters(face.face.lineFont, text);
    for (const TrackedCharacter& c : characters) {
        for (const quint32 glyph : face.outline.glyphIndexesForString(text.sliced(c.index, c.length))) {
            line.glyphs.push_back(glyph);
            line.starts.push_back(along);
        }
        along += static_cast<double>(c.advance) + tracking;
    }
    line.width = characters.empty() ? 0 : along - tracking;
    return line;
}

// The narrowest white between neighbouring glyphs of a straight line of
// text, in preview pixels; `enough` when none is narrower.
double narrowestLineGap(Face& face, const QString& text, double tracking, double enough) {
    const auto key = std::make_tuple(text, tracking, enough);
    const auto kept = face.lineGaps.find(key);
    if (kept != face.lineGaps.end())
        return kept->second;
    const LineGlyphs line = lineGlyphs(face, text, tracking);
    double narrowest = enough;
    std::optional<PlacedInk> previous;
    for (qsizetype i = 0; i < line.glyphs.size(); ++i) {
        QPainterPath glyph = face.outline.pathForGlyph(line.glyphs[i]);
        if (glyph.isEmpty())
            continue;
        PlacedInk placed = placedInk(glyph.translated(line.starts[static_cast<std::size_t>(i)], face.face.ascent));
        if (previous)
            narrowest = std::min(narrowest, inkDistance(*previous, placed, enough));
        previous = std::move(placed);
    }
    face.lineGaps.emplace(key, narrowest);
    return narrowest;
}

// The room between the letters (rounded up to a tenth of a preview pixel)
// that parts the neighbouring letters of every line by `gap` at least: none
// when the font parts them so.
double lineTracking(Face& face, const QStringList& lines, double gap) {
    double tracking = 0;
    for (int tries = 0; tries < 8; ++tries) {
        double narrowest = 2 * gap;
        for (const QString& line : lines)
            narrowest = std::min(narrowest, narrowestLineGap(face, line, tracking, 2 * gap));
        if (narrowest >= gap)
            break;
        tracking = std::ceil((tracking + (gap - narrowest)) * 10 + 1e-6) / 10;
    }
    return tracking;
}

// Widens the room between the letters until no two neighbours come closer
// than `gap` preview pixels.
void spaceLetters(Faces& faces, RingPlaced& ring, double gap) {
    // The white between neighbours grows about as fast as the room added
    // between them; a few rounds settle it to a tenth of a pixel.
    for (int tries = 0; tries < 8; ++tries) {
        const double narrowest = narrowestLetterGap(faces, ring, 2 * gap);
        if (narrowest >= gap)
            return;
        ring.layout.tracking = std::ceil((ring.layout.tracking + (gap - narrowest)) * 10 + 1e-6) / 10;
        measure(faces, ring);
    }
}

// A ring text centred on `angle` whose ink reaches out to `limit` and the
// paper of its cells to `cellLimit`: along an arc as long as the text, or
// (when `fullRing` is allowed and the text fills most of it) spread round
// the whole ring, closed by a separator.
RingPlaced ringText(Faces& faces, const QString& text, int points, int angle, bool reverse, bool fullRing,
                    double limit, double cellLimit, double letterGap) {
    RingPlaced ring;
    ring.points = points;
    ring.line.enabled = true;
    ring.line.text = text;
    ring.line.font = sealFont(points);
    ring.line.angle = angle;
    ring.layout.spacing = RingSpacing::Glyphs;
    ring.layout.reverse = reverse;
    ring.layout.fit = true;
    const double* known = faces.tracking(text, points, reverse, letterGap);
    ring.layout.tracking = known ? *known : 0;
    placeOutward(faces, ring, limit, cellLimit);
    if (!known) {
        // The room the letters need at their own size, even where the ring
        // is too short for them.
        ring.layout.fit = false;
        measure(faces, ring);
        spaceLetters(faces, ring, letterGap);
        faces.setTracking(text, points, reverse, letterGap, ring.layout.tracking);
        ring.layout.fit = true;
        measure(faces, ring);
    }
    if (fullRing && ring.plan.arc >= 360 * kFullRingShare) {
        RingPlaced whole = ring;
        whole.line.text = text + kSeparator;
        whole.layout.span = kMaxRingSpan;
        placeOutward(faces, whole, limit, cellLimit);
        return whole;
    }
    // The arc the text takes, rounded up, so that the file says where it ends.
    const double span = std::ceil(ring.plan.arc * 10) / 10;
    if (isRingSpan(span)) {
        ring.layout.span = span;
        measure(faces, ring);
    }
    return ring;
}

double degrees(double length, double radius) {
    return radius > 0 ? length / radius * 180 / std::numbers::pi : 360;
}

// A ring about the centre whose ink stays within `limit`.
RingSettings ringWithin(double limit, int width) {
    RingSettings ring;
    ring.enabled = true;
    ring.width = width;
    ring.radius = static_cast<int>(std::floor(limit - width / 2.0 - ringShift(width)));
    return ring;
}

double ringInnerEdge(const RingSettings& ring) {
    return ring.radius - ring.width / 2.0 - ringShift(ring.width);
}
}  // namespace qg::sealmeasure
