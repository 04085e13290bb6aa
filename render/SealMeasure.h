#pragma once

// What the company seal's layout measures: the faces at each size, the
// ring texts placed and measured, and the distances between letters' ink.
// Private to render/.

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

#include <map>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

namespace qg::sealmeasure {

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

inline const QString kFace = QStringLiteral("Arial");
// Between the end of a text round the whole ring and its start, and
// between the city and the numbers on one ring.
inline const QString kSeparator = QStringLiteral(" • ");
// Between the registration numbers, whose labels part them well enough.
inline const QString kNumbersBlank = QStringLiteral("  ");

// A ring with an even pen width lies a little off the centre.
inline double ringShift(int width) {
    return width % 2 == 0 ? kEvenRingShift : 0.0;
}

inline int ringWidth(double mm, double mmPerPixel) {
    return std::max(1, static_cast<int>(std::ceil(mm / mmPerPixel - 1e-9)));
}

inline LineFont sealFont(int points) {
    LineFont font;
    font.face = kFace;
    font.size = points;
    font.bold = true;
    return font;
}

// Curves are flattened this many times finer than a path flattens them by
// itself (up to a quarter of a pixel off): within a twentieth of a pixel.
constexpr double kFlattening = 8;

// The distance of a point from the seal's centre.
double distance(const QPointF& p);

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

// One character's ink where the plan puts it.
struct PlacedInk {
    QPainterPath path;
    QList<QPolygonF> contours;
    QList<QRectF> boxes;  // of the contours
    QRectF box;
};

// A straight line of text: where each glyph starts along the baseline and
// the line's width, as the drawing puts them: as the font sets the line,
// or (with `tracking` preview pixels between the letters) a character at a
// time.
struct LineGlyphs {
    QList<quint32> glyphs;
    std::vector<double> starts;
    double width = 0;
};

// Font sizes come in whole points, so capitals grow in steps of several
// per cent. The seal's span in preview pixels is chosen so that one size
// comes out just at the lowest capitals asked for: the texts then take
// as little of the rings as they may.
Scale scaleFor(Faces& faces, int diameterMm, double minCapMm);

double distance(const QPointF& p);

// A text fitted smaller than its size is not a layout's choice, only its
// last resort: it is measured by its own size's outlines made smaller, which
// the outlines follow exactly, and a pixel more all round for the rounding
// of its cell, rather than by a face of its own for every size tried.
QTransform reducedBy(const RingPlaced& ring);

QRectF reducedBox(const QRectF& box, const QTransform& reduced);

void measure(Faces& faces, RingPlaced& ring);

// Moves the text out as far as its ink stays within `limit` and the
// paper of its cells within `cellLimit`.
void placeOutward(Faces& faces, RingPlaced& ring, double limit, double cellLimit);

double squaredSegmentDistance(const QPointF& p, const QPointF& a, const QPointF& b);

PlacedInk placedInk(QPainterPath path);

// How far the nearest vertex of `to` lies from the edges of `from`, when
// nearer than `best`.
double nearestVertex(const PlacedInk& from, const PlacedInk& to, double best);

// The white between two characters' ink; `enough` when there is at least
// that much.
double inkDistance(const PlacedInk& a, const PlacedInk& b, double enough);

// The narrowest white between neighbouring letters of a ring text (a blank
// parts them), in preview pixels; `enough` when none is narrower.
double narrowestLetterGap(Faces& faces, const RingPlaced& ring, double enough);

LineGlyphs lineGlyphs(Face& face, const QString& text, double tracking);

// The narrowest white between neighbouring glyphs of a straight line of
// text, in preview pixels; `enough` when none is narrower.
double narrowestLineGap(Face& face, const QString& text, double tracking, double enough);

// The room between the letters (rounded up to a tenth of a preview pixel)
// that parts the neighbouring letters of every line by `gap` at least: none
// when the font parts them so.
double lineTracking(Face& face, const QStringList& lines, double gap);

// Widens the room between the letters until no two neighbours come closer
// than `gap` preview pixels.
void spaceLetters(Faces& faces, RingPlaced& ring, double gap);

// A ring text centred on `angle` whose ink reaches out to `limit` and the
// paper of its cells to `cellLimit`: along an arc as long as the text, or
// (when `fullRing` is allowed and the text fills most of it) spread round
// the whole ring, closed by a separator.
RingPlaced ringText(Faces& faces, const QString& text, int points, int angle, bool reverse, bool fullRing,
                    double limit, double cellLimit, double letterGap);

double degrees(double length, double radius);

// A ring about the centre whose ink stays within `limit`.
RingSettings ringWithin(double limit, int width);

double ringInnerEdge(const RingSettings& ring);

}  // namespace qg::sealmeasure
