#include "CompanySeal.h"

#include "Geometry.h"
#include "Render.h"
#include "RingText.h"
#include "TextLayout.h"

#include <QHash>
#include <QPainterPath>
#include <QRawFont>
#include <QStringList>
#include <QTransform>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <numbers>
#include <optional>
#include <tuple>

namespace qg {

namespace {

// The seal's centre: the middle of preview pixel (100, 100), about which
// the ring texts are laid out and the odd-width rings drawn.
constexpr double kCentre = 100.5;
// How far out the outermost ring reaches from the centre, in preview pixels.
constexpr double kReach = 95.5;
// A ring drawn with an even pen width lies about pixel corner (100, 100),
// this far from the centre.
constexpr double kEvenRingShift = 0.7072;

constexpr double kOuterRingMm = 0.6;
// The inner rings: no thinner than the shops' recommended line.
constexpr double kThinRingMm = 0.2;
// White between a text and a ring: the shops' 0.4 mm and a little more,
// so that the pixels of a picture at 1200 dpi (a fiftieth of a millimetre)
// cannot take it below.
constexpr double kGapMm = 0.43;
// White between neighbouring letters.
constexpr double kLetterGapMm = 0.43;
// Between two rings of text with no ring between them.
constexpr double kBandGapMm = 0.43;
// However much room there is, capitals stay about this high.
constexpr double kLargestCapMm = 3.0;
// Between the end of the name and the city on one ring, in ems.
constexpr double kSeparationEm = 1.5;
// A text shorter than this share of its ring takes an arc, not the ring.
constexpr double kFullRingShare = 0.75;
// Between the lines of the centre text, in capital heights at least.
constexpr double kLeadingCaps = 0.45;
constexpr int kMaxCentreLines = 3;
// The smallest size a text is set in when it does not fit as recommended.
constexpr int kSmallestPoints = 4;
constexpr int kLargestPoints = 72;
// The innermost ring keeps at least this radius, in preview pixels.
constexpr double kSmallestDisc = 8;
// The seal's span across the outermost ring is kept between this and
// twice kReach preview pixels.
constexpr double kSmallestSpan = 150;

const QString kFace = QStringLiteral("Arial");
// Between the end of a text round the whole ring and its start, and
// between the city and the numbers on one ring.
const QString kSeparator = QStringLiteral(" • ");
// Between the registration numbers, whose labels part them well enough.
const QString kNumbersBlank = QStringLiteral("  ");

// A ring with an even pen width lies a little off the centre.
double ringShift(int width) {
    return width % 2 == 0 ? kEvenRingShift : 0.0;
}

int ringWidth(double mm, double mmPerPixel) {
    return std::max(1, static_cast<int>(std::ceil(mm / mmPerPixel - 1e-9)));
}

LineFont sealFont(int points) {
    LineFont font;
    font.face = kFace;
    font.size = points;
    font.bold = true;
    return font;
}

// The ink of a text in its cell: its glyphs' outlines and their box, and
// the cell itself, which the text's background fills with paper over
// whatever was drawn before.
struct Ink {
    QPainterPath path;
    QRectF box;
    QRectF cell;
};

// A face at one size, with what the layout measures of it.
struct Face {
    FontFace face;
    QRawFont outline;
    double capPixels = 0;
    QHash<QString, Ink> inks;
    QHash<quint32, QRectF> glyphBoxes;
    // narrowestLineGap()'s answers, by text, tracking and the gap asked for.
    std::map<std::tuple<QString, double, double>, double> lineGaps;

    const Ink& ink(const QString& text) {
        const auto kept = inks.constFind(text);
        if (kept != inks.cend())
            return *kept;
        Ink ink;
        ink.path.setFillRule(Qt::WindingFill);
        // One glyph starts at the cell's edge; only more need the advances
        // the drawing gives them (hinted, and dear to work out).
        const QList<quint32> glyphs = outline.glyphIndexesForString(text);
        if (glyphs.size() == 1) {
            ink.path.addPath(outline.pathForGlyph(glyphs[0]).translated(0, face.ascent));
        } else {
            const Shaped shaped = shapeText(face, text);
            for (qsizetype i = 0; i < shaped.glyphs.size(); ++i) {
                QPainterPath glyph = outline.pathForGlyph(shaped.glyphs[i]);
                glyph.translate(static_cast<double>(shaped.starts[static_cast<std::size_t>(i)]), face.ascent);
                ink.path.addPath(glyph);
            }
        }
        ink.box = ink.path.boundingRect();
        ink.cell = QRectF(0, 0, static_cast<double>(shapeText(face, text).width), face.cellHeight());
        return *inks.insert(text, ink);
    }
    QRectF inkBox(const QString& text) { return ink(text).box; }
    const QRectF& glyphBox(quint32 glyph) {
        auto kept = glyphBoxes.constFind(glyph);
        if (kept == glyphBoxes.cend())
            kept = glyphBoxes.insert(glyph, outline.pathForGlyph(glyph).boundingRect());
        return *kept;
    }
    QRectF cellBox(const QString& text) { return ink(text).cell; }
};

// The faces one layout uses, by size.
class Faces {
public:
    Face& at(int points) {
        auto& kept = faces_[points];
        if (!kept) {
            kept = std::make_unique<Face>();
            kept->face = makeFontFace(sealFont(points));
            kept->outline = outlineFont(kept->face);
            // Capitals measured as the manufacturing check does: the H.
            const QList<quint32> h = kept->outline.glyphIndexesForString(QStringLiteral("H"));
            const double height =
                h.size() == 1 && h[0] != 0 ? kept->outline.pathForGlyph(h[0]).boundingRect().height() : 0;
            kept->capPixels = height > 0 ? height : kept->outline.capHeight();
        }
        return *kept;
    }

    // The capitals' height at a size: the outlines grow in proportion to
    // the pixel size, so one face tells it for all.
    double capPixels(int points) {
        if (capRatio_ <= 0) {
            const Face& face = at(kRatioPoints);
            const double pixels = face.face.raw.pixelSize();
            capRatio_ = pixels > 0 ? face.capPixels / pixels : 0;
        }
        return capRatio_ * fontPixelSize(points);
    }
    double capMm(int points, double mmPerPixel) { return capPixels(points) * mmPerPixel; }

    // The room between letters found for a text at a size and a gap, kept:
    // it hardly changes with the radius.
    const double* tracking(const QString& text, int points, bool reverse, double gap) const {
        const auto found = tracking_.find({text, points, reverse, gap});
        return found == tracking_.end() ? nullptr : &found->second;
    }
    void setTracking(const QString& text, int points, bool reverse, double gap, double tracking) {
        tracking_[{text, points, reverse, gap}] = tracking;
    }

private:
    static constexpr int kRatioPoints = 72;
    std::map<int, std::unique_ptr<Face>> faces_;
    double capRatio_ = 0;
    std::map<std::tuple<QString, int, bool, double>, double> tracking_;
};

// The scale of a seal of a given diameter and the sizes that follow from it.
struct Scale {
    int diameterMm = 0;
    double mmPerPixel = 0;
    int outerRadius = 0;
    int outerWidth = 0;
    int thinWidth = 0;
    double gap = 0;        // preview pixels
    double letterGap = 0;  // preview pixels
};

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

// The nearest and farthest of a set of boxes from the seal's centre.
struct Extent {
    double inner = std::numeric_limits<double>::infinity();
    double outer = 0;

    void add(const QRectF& box, const QTransform& frame) {
        if (box.isEmpty())
            return;
        for (const QPointF& corner : {box.topLeft(), box.topRight(), box.bottomLeft(), box.bottomRight()})
            outer = std::max(outer, distance(frame.map(corner)));
        const QPointF centre = frame.inverted().map(QPointF(kCentre, kCentre));
        const QPointF nearest(std::clamp(centre.x(), box.left(), box.right()),
                              std::clamp(centre.y(), box.top(), box.bottom()));
        inner = std::min(inner, distance(frame.map(nearest)));
    }
};

// How far a text reaches from the seal's centre: its ink, from the boxes
// of its characters' glyphs, and the paper of their cells.
struct Reach : Extent {
    Extent cells;
};

// A ring text of the seal with its plan and the reach of its ink.
struct RingPlaced {
    TextLineSettings line;
    RingTextLayout layout;
    RingTextPlan plan;
    Reach reach;
    int points = 0;

    double emPixels() const { return plan.emPixels; }
    // Fits as laid out: not made smaller to fit its arc or its ring.
    bool fits() const { return !plan.characters.empty() && !plan.reduced && plan.fits && !plan.cut; }
};

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

// One character's ink where the plan puts it.
struct PlacedInk {
    QPainterPath path;
    QList<QPolygonF> contours;
    QList<QRectF> boxes;  // of the contours
    QRectF box;
};

// Curves are flattened this many times finer than a path flattens them by
// itself (up to a quarter of a pixel off): within a twentieth of a pixel.
constexpr double kFlattening = 8;

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

// A straight line of text: where each glyph starts along the baseline and
// the line's width, as the drawing puts them: as the font sets the line,
// or (with `tracking` preview pixels between the letters) a character at a
// time.
struct LineGlyphs {
    QList<quint32> glyphs;
    std::vector<double> starts;
    double width = 0;
};

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

// The seal's texts, in capitals.
struct SealTexts {
    QString fullName;
    QString form;  // the legal form written out
    QString name;  // the name alone, in quotes (an entrepreneur's without)
    QString city;
    QString numbers;
    QString centre;
};

SealTexts sealTexts(const CompanyDetails& details) {
    SealTexts texts;
    texts.fullName = companyFullName(details).toUpper();
    texts.form = legalFormFullName(details).toUpper();
    const QString name = bareName(details.name).toUpper();
    texts.name = isEntrepreneur(details) || name.isEmpty() ? name : QStringLiteral("«%1»").arg(name);
    texts.city = details.city.simplified().toUpper();
    QStringList numbers{registrationLabel(details) + QLatin1Char(' ') + compactNumber(details.ogrn),
                        QStringLiteral("ИНН ") + compactNumber(details.inn)};
    const QString kpp = compactNumber(details.kpp);
    if (!kpp.isEmpty())
        numbers << QStringLiteral("КПП ") + kpp;
    texts.numbers = numbers.join(kNumbersBlank).toUpper();
    texts.centre = details.centreText.simplified().toUpper();
    return texts;
}

// Where the texts go. The full name round the outer ring: on top, with the
// city at the bottom and the numbers round the inner ring, or round the
// whole ring, with the city and the numbers round the inner ring, or with
// the city in the middle. A name too long for that keeps the legal form
// round the outer ring and goes to the middle itself, as seals often have
// it. Between the two rings of text a ring, or (where room is short) a gap.
enum class CityPlace { BelowName, WithNumbers, Centre };

struct Arrangement {
    bool nameInCentre = false;
    CityPlace city = CityPlace::BelowName;
    bool middleRing = true;
};

constexpr std::array<Arrangement, 12> kArrangements{{
    {false, CityPlace::BelowName, true},
    {false, CityPlace::WithNumbers, true},
    {false, CityPlace::BelowName, false},
    {false, CityPlace::WithNumbers, false},
    {false, CityPlace::Centre, true},
    {false, CityPlace::Centre, false},
    {true, CityPlace::BelowName, true},
    {true, CityPlace::WithNumbers, true},
    {true, CityPlace::Centre, true},
    {true, CityPlace::BelowName, false},
    {true, CityPlace::WithNumbers, false},
    {true, CityPlace::Centre, false},
}};

// A line of text in the middle, and the text it is part of.
struct CentreLine {
    QString text;
    SealText what = SealText::CentreText;
    int x = 0;
    int y = 0;
    double tracking = 0;
};

// A text for the middle, broken at its blanks.
struct CentreBlock {
    QStringList words;
    SealText what = SealText::CentreText;
};

// The lines of a text of `words` broken into `count` lines whose widest is
// narrowest.
QStringList broken(const QStringList& words, qsizetype count, Face& face) {
    const auto lineOf = [&](qsizetype from, qsizetype to) { return words.mid(from, to - from).join(QLatin1Char(' ')); };
    const auto widthOf = [&](const QString& text) { return shapeText(face.face, text).width; };
    const qsizetype n = words.size();
    QStringList best;
    std::int64_t bestWidth = std::numeric_limits<std::int64_t>::max();
    const auto consider = [&](const QStringList& lines) {
        std::int64_t widest = 0;
        for (const QString& line : lines)
            widest = std::max(widest, widthOf(line));
        if (widest < bestWidth) {
            bestWidth = widest;
            best = lines;
        }
    };
    if (count <= 1) {
        consider({lineOf(0, n)});
    } else if (count == 2) {
        for (qsizetype a = 1; a < n; ++a)
            consider({lineOf(0, a), lineOf(a, n)});
    } else {
        for (qsizetype a = 1; a < n; ++a) {
            for (qsizetype b = a + 1; b < n; ++b)
                consider({lineOf(0, a), lineOf(a, b), lineOf(b, n)});
        }
    }
    return best;
}

// The lines stacked and centred on the seal's centre, their letters parted
// by the letter gap at least (all with the same room between them), if all
// of their ink lies within `disc` of it and the paper of their cells
// within `cellDisc`.
std::optional<std::vector<CentreLine>> stacked(const std::vector<CentreLine>& lines, Face& face, double disc,
                                               double cellDisc, const Scale& scale) {
    QStringList texts;
    for (const CentreLine& line : lines)
        texts << line.text;
    const double tracking = lineTracking(face, texts, scale.letterGap);
    std::vector<LineGlyphs> glyphs;
    std::vector<QRectF> boxes;
    for (const QString& text : texts) {
        glyphs.push_back(lineGlyphs(face, text, tracking));
        QRectF box;
        for (qsizetype i = 0; i < glyphs.back().glyphs.size(); ++i) {
            const QRectF glyph = face.glyphBox(glyphs.back().glyphs[i])
                                     .translated(glyphs.back().starts[static_cast<std::size_t>(i)], face.face.ascent);
            if (!glyph.isEmpty())
                box = box.isNull() ? glyph : box.united(glyph);
        }
        boxes.push_back(box);
    }
    // One distance between the baselines for all the lines; the cell of a
    // line (a pixel higher where its place is rounded) stays clear of the
    // ink of the line above, drawn before it.
    const double leading = std::max(scale.gap, kLeadingCaps * face.capPixels);
    double pitch = face.capPixels + leading;
    for (std::size_t i = 0; i + 1 < boxes.size(); ++i)
        pitch = std::max({pitch, boxes[i].bottom() - boxes[i + 1].top() + leading, boxes[i].bottom() + 1});
    // The block from the first line's capitals to the last line's baseline
    // centred on the seal's centre.
    const double firstBaseline = kCentre + face.capPixels / 2 - pitch * (static_cast<double>(lines.size()) - 1) / 2;
    std::vector<CentreLine> placed = lines;
    for (std::size_t i = 0; i < placed.size(); ++i) {
        CentreLine& line = placed[i];
        line.tracking = tracking;
        // Centred by the width of the cells the line is drawn in.
        const double width = glyphs[i].width;
        line.x = static_cast<int>(std::lround(kCentre - width / 2));
        line.y = static_cast<int>(std::lround(firstBaseline + pitch * static_cast<double>(i) - face.face.ascent));
        const QRectF box = boxes[i].translated(line.x, line.y);
        for (const QPointF& corner : {box.topLeft(), box.topRight(), box.bottomLeft(), box.bottomRight()}) {
            if (distance(corner) > disc)
                return std::nullopt;
        }
        const QRectF cell(line.x, line.y, width, face.face.cellHeight());
        for (const QPointF& corner : {cell.topLeft(), cell.topRight(), cell.bottomLeft(), cell.bottomRight()}) {
            if (distance(corner) > cellDisc)
                return std::nullopt;
        }
    }
    return placed;
}

// The texts for the middle in as few lines as fit (stacked()), at most
// kMaxCentreLines, each text on lines of its own.
std::optional<std::vector<CentreLine>> centreLines(Faces& faces, const std::vector<CentreBlock>& blocks, int points,
                                                   double disc, double cellDisc, const Scale& scale) {
    Face& face = faces.at(points);
    const qsizetype count = static_cast<qsizetype>(blocks.size());
    if (count == 0 || count > kMaxCentreLines)
        return std::nullopt;
    // How many lines each text takes: every way of sharing them out, the
    // fewest lines first.
    for (qsizetype total = count; total <= kMaxCentreLines; ++total) {
        std::vector<qsizetype> share(static_cast<std::size_t>(count), 1);
        const auto tryShare = [&]() -> std::optional<std::vector<CentreLine>> {
            qsizetype sum = 0;
            for (qsizetype b = 0; b < count; ++b) {
                const qsizetype lines = share[static_cast<std::size_t>(b)];
                if (lines > blocks[static_cast<std::size_t>(b)].words.size())
                    return std::nullopt;
                sum += lines;
            }
            if (sum != total)
                return std::nullopt;
            std::vector<CentreLine> lines;
            for (qsizetype b = 0; b < count; ++b) {
                const CentreBlock& block = blocks[static_cast<std::size_t>(b)];
                for (const QString& text : broken(block.words, share[static_cast<std::size_t>(b)], face))
                    lines.push_back(CentreLine{text, block.what, 0, 0});
            }
            return stacked(lines, face, disc, cellDisc, scale);
        };
        // Each text takes 1..kMaxCentreLines lines; at most three texts.
        const qsizetype top = kMaxCentreLines;
        for (share[0] = 1; share[0] <= top; ++share[0]) {
            if (count == 1) {
                if (auto placed = tryShare())
                    return placed;
                continue;
            }
            for (share[1] = 1; share[1] <= top; ++share[1]) {
                if (count == 2) {
                    if (auto placed = tryShare())
                        return placed;
                    continue;
                }
                for (share[2] = 1; share[2] <= top; ++share[2]) {
                    if (auto placed = tryShare())
                        return placed;
                }
            }
        }
    }
    return std::nullopt;
}

struct Attempt {
    bool ok = false;
    Arrangement arrangement;
    // How far it got: 0 the outer ring's texts, 1 the inner ring's, 2 the
    // middle, 3 all of them.
    int stage = 0;
    RoundSealParameters seal;
    std::vector<SealTextPlace> texts;
};

std::vector<SealText> failingTexts(const Attempt& attempt, const SealTexts& texts) {
    switch (attempt.stage) {
        case 0:
            return {SealText::Name};
        case 1:
            if (attempt.arrangement.city == CityPlace::WithNumbers)
                return {SealText::City, SealText::Numbers};
            return {SealText::Numbers};
        case 2: {
            std::vector<SealText> middle;
            if (attempt.arrangement.nameInCentre)
                middle.push_back(SealText::Name);
            if (attempt.arrangement.city == CityPlace::Centre)
                middle.push_back(SealText::City);
            if (!texts.centre.isEmpty())
                middle.push_back(SealText::CentreText);
            return middle;
        }
        default:
            return {};
    }
}

// The inner ring of text at one size, the ring inside it and the room
// that leaves in the middle.
struct InnerBand {
    RingPlaced text;
    RingSettings ring;
    double disc = 0;
    bool fits = false;
};

// The seal in one arrangement with every text between `lowest` and
// `highest` points, each as large as the room allows, the outer texts
// first. With `force` the texts that do not fit are set at `lowest` all the
// same (and drawn smaller to fit).
Attempt arrange(Faces& faces, const SealTexts& texts, const Arrangement& arrangement, const Scale& scale,
                int lowest, int highest, bool force) {
    Attempt attempt;
    attempt.arrangement = arrangement;
    const bool cityBelow = arrangement.city == CityPlace::BelowName;
    const QString& ringName = arrangement.nameInCentre ? texts.form : texts.fullName;
    const QString innerText =
        arrangement.city == CityPlace::WithNumbers ? texts.city + kSeparator + texts.numbers : texts.numbers;
    std::vector<CentreBlock> blocks;
    if (arrangement.nameInCentre)
        blocks.push_back(CentreBlock{texts.name.split(QLatin1Char(' '), Qt::SkipEmptyParts), SealText::Name});
    if (arrangement.city == CityPlace::Centre)
        blocks.push_back(CentreBlock{texts.city.split(QLatin1Char(' '), Qt::SkipEmptyParts), SealText::City});
    if (!texts.centre.isEmpty())
        blocks.push_back(CentreBlock{texts.centre.split(QLatin1Char(' '), Qt::SkipEmptyParts), SealText::CentreText});

    RingSettings outer;
    outer.enabled = true;
    outer.width = scale.outerWidth;
    outer.radius = scale.outerRadius;
    const double outerLimit = ringInnerEdge(outer) - scale.gap;
    // The cells of a text drawn before all others, or over nothing but what
    // keeps clear of them, may go anywhere.
    constexpr double kAnywhere = std::numeric_limits<double>::infinity();

    for (int first = highest; first >= lowest; --first) {
        const bool lastFirst = first == lowest;
        const bool settle = force && lastFirst;
        // The outer ring's texts, drawn after the inner ring's, which keeps
        // clear of their cells.
        std::vector<RingPlaced> band1;
        band1.push_back(
            ringText(faces, ringName, first, 0, false, !cityBelow, outerLimit, kAnywhere, scale.letterGap));
        bool band1Fits = band1[0].fits();
        if (cityBelow) {
            band1.push_back(
                ringText(faces, texts.city, first, 180, true, false, outerLimit, kAnywhere, scale.letterGap));
            const double separation = degrees(kSeparationEm * band1[0].emPixels(), band1[0].plan.middleRadius);
            band1Fits = band1Fits && band1[1].fits() && band1[0].plan.arc + band1[1].plan.arc + 2 * separation <= 360;
        }
        if (!band1Fits && !settle)
            continue;
        attempt.stage = std::max(attempt.stage, 1);
        double band1Inner = outerLimit;
        double band1Cells = outerLimit;
        for (const RingPlaced& ring : band1) {
            band1Inner = std::min(band1Inner, ring.reach.inner);
            band1Cells = std::min(band1Cells, ring.reach.cells.inner);
        }
        RingSettings middle = ringWithin(band1Inner - scale.gap, scale.thinWidth);
        double middleLimit = ringInnerEdge(middle) - scale.gap;
        if (!arrangement.middleRing) {
            middle.enabled = false;
            middleLimit = band1Inner - kBandGapMm / scale.mmPerPixel;
        }
        const auto innerBand = [&](int points) {
            InnerBand band;
            // Drawn first, under the paper of the outer texts' cells.
            band.text = ringText(faces, innerText, points, 0, false, true, std::min(middleLimit, band1Cells), kAnywhere,
                                 scale.letterGap);
            band.ring = ringWithin(band.text.reach.inner - scale.gap, scale.thinWidth);
            band.disc = ringInnerEdge(band.ring) - scale.gap;
            band.fits = band.text.fits() && band.disc >= kSmallestDisc;
            return band;
        };
        // The centre lines' ink within `disc`, the paper of their cells
        // short of the inner ring's text.
        const auto centreAt = [&](int points, const InnerBand& band) {
            return blocks.empty() ? std::optional(std::vector<CentreLine>{})
                                  : centreLines(faces, blocks, points, band.disc, band.text.reach.inner, scale);
        };
        // The smallest sizes leave the most room: when the rest does not
        // fit even so, a smaller outer text is the only hope.
        if (!settle) {
            const InnerBand roomiest = innerBand(lowest);
            if (!roomiest.fits)
                continue;
            attempt.stage = std::max(attempt.stage, 2);
            if (!centreAt(lowest, roomiest))
                continue;
        }

        for (int second = first; second >= lowest; --second) {
            InnerBand band2 = innerBand(second);
            std::optional<std::vector<CentreLine>> centre;
            int third = lowest;
            if (band2.fits) {
                for (third = first; third >= lowest && !centre; --third)
                    centre = centreAt(third, band2);
                ++third;
            }
            const bool fits = band1Fits && band2.fits && centre.has_value();
            if (!fits && !(settle && second == lowest))
                continue;
            if (!centre) {
                // Set small all the same, wherever it goes.
                third = lowest;
                InnerBand anywhere = band2;
                anywhere.disc = anywhere.text.reach.inner = std::numeric_limits<double>::infinity();
                centre = centreAt(third, anywhere);
            }
            attempt.ok = fits;
            attempt.stage = fits ? 3 : std::max(attempt.stage, 2);

            // The design: rings 1..3 from the inside out, ring texts in
            // the order of the list, the centre lines, no emblem.
            RoundSealParameters& seal = attempt.seal;
            seal = defaultRoundSeal();
            for (TextLineSettings& line : seal.lines) {
                line = TextLineSettings{};
                line.font = sealFont(first);
            }
            seal.ringLayouts = {};
            seal.rings = {band2.ring, middle, outer};
            seal.emblem = EmblemSettings{};
            attempt.texts.clear();
            const auto place = [&](int line, const RingPlaced& ring, std::initializer_list<SealText> what) {
                seal.lines[static_cast<std::size_t>(line)] = ring.line;
                seal.ringLayouts[static_cast<std::size_t>(line)] = ring.layout;
                for (SealText text : what)
                    attempt.texts.push_back(
                        SealTextPlace{text, line, ring.points, faces.capMm(ring.points, scale.mmPerPixel)});
            };
            // The inner ring's text first: the outer texts' cells come
            // after it.
            if (arrangement.city == CityPlace::WithNumbers)
                place(0, band2.text, {SealText::City, SealText::Numbers});
            else
                place(0, band2.text, {SealText::Numbers});
            place(1, band1[0], {SealText::Name});
            if (cityBelow)
                place(2, band1[1], {SealText::City});
            const std::vector<CentreLine> lines = centre.value_or(std::vector<CentreLine>{});
            for (std::size_t i = 0; i < lines.size(); ++i) {
                TextLineSettings& line = seal.lines[3 + i];
                line.enabled = true;
                line.text = lines[i].text;
                line.font = sealFont(third);
                line.x = lines[i].x;
                line.y = lines[i].y;
                seal.centreTracking[i] = lines[i].tracking;
                attempt.texts.push_back(SealTextPlace{lines[i].what, static_cast<int>(3 + i), third,
                                                      faces.capMm(third, scale.mmPerPixel)});
            }
            return attempt;
        }
    }
    return attempt;
}

// The font sizes whose capitals are at least `minCapMm` high and, unless
// that takes more, no higher than kLargestCapMm.
std::pair<int, int> sizeRange(Faces& faces, const Scale& scale, double minCapMm) {
    int lowest = kSmallestPoints;
    while (lowest < kLargestPoints && faces.capMm(lowest, scale.mmPerPixel) < minCapMm - 1e-9)
        ++lowest;
    int highest = lowest;
    while (highest < kLargestPoints && faces.capMm(highest + 1, scale.mmPerPixel) <= kLargestCapMm + 1e-9)
        ++highest;
    return {lowest, highest};
}

// The first arrangement that fits, or the one that got furthest.
Attempt bestAttempt(Faces& faces, const SealTexts& texts, const Scale& scale, double minCapMm) {
    const auto [lowest, highest] = sizeRange(faces, scale, minCapMm);
    Attempt best;
    best.stage = -1;
    for (const Arrangement& arrangement : kArrangements) {
        if (arrangement.nameInCentre && (texts.form.isEmpty() || texts.name.isEmpty()))
            continue;
        // Every text at the smallest size first: when even that does not
        // fit, no larger size will.
        Attempt attempt = arrange(faces, texts, arrangement, scale, lowest, lowest, false);
        if (attempt.ok && highest > lowest)
            attempt = arrange(faces, texts, arrangement, scale, lowest, highest, false);
        if (attempt.ok)
            return attempt;
        if (attempt.stage > best.stage)
            best = std::move(attempt);
    }
    return best;
}

}  // namespace

QString sealTextName(SealText text) {
    switch (text) {
        case SealText::Name:
            return QStringLiteral("полное наименование");
        case SealText::City:
            return QStringLiteral("город");
        case SealText::Numbers:
            return QStringLiteral("регистрационные номера");
        case SealText::CentreText:
            return QStringLiteral("текст в центре");
    }
    return QString();
}

CompanySeal layoutCompanySeal(const CompanyDetails& details) {
    return layoutCompanySeal(details, details.sizeMm, recommendedShopLimits().minCapMm);
}

CompanySeal layoutCompanySeal(const CompanyDetails& details, int diameterMm, double minCapMm) {
    Faces faces;
    const SealTexts texts = sealTexts(details);
    const Scale scale = scaleFor(faces, diameterMm, minCapMm);
    CompanySeal result;
    result.diameterMm = diameterMm;
    Attempt attempt = bestAttempt(faces, texts, scale, minCapMm);
    if (!attempt.ok) {
        result.tooLong = failingTexts(attempt, texts);
        for (int size : kRoundSealSizesMm) {
            if (size > diameterMm && bestAttempt(faces, texts, scaleFor(faces, size, minCapMm), minCapMm).ok) {
                result.largerSizeMm = size;
                break;
            }
        }
        // Then the arrangement that takes all its texts at the largest one
        // size (the smallest size that fits, found by halving), each text
        // then as large as the room allows. Small letters parted by the
        // whole gap take far more room than their own: when no size takes
        // them so, they stand as the font sets them.
        const int highest = sizeRange(faces, scale, minCapMm).second;
        std::optional<Arrangement> chosen;
        int chosenSize = kSmallestPoints - 1;
        Scale chosenScale = scale;
        for (const double letterGap : {scale.letterGap, 0.0}) {
            Scale tried = scale;
            tried.letterGap = letterGap;
            for (const Arrangement& arrangement : kArrangements) {
                if (arrangement.nameInCentre && (texts.form.isEmpty() || texts.name.isEmpty()))
                    continue;
                const auto fitsAt = [&](int points) {
                    return arrange(faces, texts, arrangement, tried, points, points, false).ok;
                };
                int low = chosenSize + 1;  // only a larger size makes a better choice
                int high = highest;
                if (low > high || !fitsAt(low))
                    continue;
                while (low < high) {
                    const int middle = low + (high - low + 1) / 2;
                    if (fitsAt(middle))
                        low = middle;
                    else
                        high = middle - 1;
                }
                chosen = arrangement;
                chosenSize = low;
                chosenScale = tried;
            }
            if (chosen)
                break;
        }
        attempt = chosen ? arrange(faces, texts, *chosen, chosenScale, chosenSize, highest, false)
                         : arrange(faces, texts, attempt.arrangement, scale, kSmallestPoints, highest, true);
    }
    result.fits = result.tooLong.empty();
    result.seal = std::move(attempt.seal);
    result.texts = std::move(attempt.texts);
    return result;
}

QString shortfallText(const CompanySeal& seal) {
    if (seal.tooLong.empty())
        return QString();
    QStringList names;
    for (SealText text : seal.tooLong)
        names << sealTextName(text);
    QString what = names.join(QStringLiteral(" и "));
    what[0] = what[0].toUpper();
    const bool plural = names.size() > 1 || seal.tooLong.front() == SealText::Numbers;
    const QString verb = plural ? QStringLiteral("не помещаются") : QStringLiteral("не помещается");
    if (seal.largerSizeMm > 0)
        return QStringLiteral("%1 %2 в печать %3 мм: подойдёт %4 мм.")
            .arg(what, verb)
            .arg(seal.diameterMm)
            .arg(seal.largerSizeMm);
    return QStringLiteral("%1 %2 ни в один стандартный размер печати: сократите текст.").arg(what, verb);
}

double pixelsPerMm(const CompanySeal& seal) {
    const RingSettings& outer = seal.seal.rings[2];
    const double across = 2.0 * outer.radius + outer.width;
    return seal.diameterMm > 0 ? across / seal.diameterMm : 0;
}

}  // namespace qg
