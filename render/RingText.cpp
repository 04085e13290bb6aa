#include "RingText.h"

#include "Geometry.h"
#include "TextLayout.h"

#include <QFont>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <cmath>
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

}  // namespace

RingTextPlan planRingText(const TextLineSettings& line, const RingTextLayout& layout) {
    RingTextPlan plan;
    plan.points = line.font.size;
    if (line.text.isEmpty())
        return plan;
    const Metrics natural = metricsOf(line.font, 0);
    if (!natural.valid)
        return plan;
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
        return plan;

    long double shapedWidth = 0;
    for (std::size_t i = 0; i < count; ++i)
        shapedWidth += all[i].advance;
    const long double n = static_cast<long double>(count);
    const long double radius = line.radius;
    const long double tracking = isRingTracking(layout.tracking) ? layout.tracking : 0.0;
    const long double span = isRingSpan(layout.span) ? layout.span : 0.0;
    const auto middleOf = [&](int cellHeight) {
        return std::max(radius + 0.5L - cellHeight / 2.0L, kMinMiddleRadius);
    };

    // Fitting: to the span, or round the whole ring (where the room after
    // the last letter counts as one more gap).
    if (layout.fit) {
        const long double arc = span > 0 ? span : 360.0L;
        const long double gaps = arc >= 360.0L ? n : n - 1;
        const auto fitsAt = [&](double em, int cellHeight) {
            const long double needed = shapedWidth * em / kShapingPixels + tracking * gaps;
            return needed <= radians(arc) * middleOf(cellHeight) * (1 + 1e-12L);
        };
        if (!fitsAt(natural.pixelSize, natural.cellHeight)) {
            // The largest size in tenths of a point below the natural one
            // that fits; sizes that fit form a range from the smallest up.
            const auto emOf = [](int tenths) { return tenths * 4.0 / 30.0; };
            const auto fitsTenths = [&](int tenths) {
                const Metrics& m = metricsOf(line.font, emOf(tenths));
                return m.valid && fitsAt(m.pixelSize, m.cellHeight);
            };
            const int lowest = static_cast<int>(std::lround(kMinFittedPoints * 10));
            int high = static_cast<int>(std::ceil(natural.pixelSize * 7.5 - 1e-9)) - 1;
            int chosen = lowest;
            if (high < lowest || !fitsTenths(lowest)) {
                plan.fits = false;
            } else {
                int low = lowest;  // fits
                while (low < high) {
                    const int mid = low + (high - low + 1) / 2;
                    if (fitsTenths(mid))
                        low = mid;
                    else
                        high = mid - 1;
                }
                chosen = low;
            }
            if (emOf(chosen) < natural.pixelSize) {
                const Metrics& fitted = metricsOf(line.font, emOf(chosen));
                if (fitted.valid) {
                    plan.reduced = true;
                    plan.points = chosen / 10.0;
                    plan.emPixels = fitted.pixelSize;
                    plan.cellHeight = fitted.cellHeight;
                }
            }
        }
    }

    const long double scale = plan.emPixels / kShapingPixels;
    const long double width = shapedWidth * scale;
    const long double middle = middleOf(plan.cellHeight);
    long double gap = tracking;
    if (span >= 360.0L)
        gap = (2 * kPi * middle - width) / n;
    else if (span > 0)
        gap = count > 1 ? (radians(span) * middle - width) / (n - 1) : 0;
    const long double length = width + gap * (n - 1);
    const long double arc = degreesOf(length / middle);
    plan.middleRadius = static_cast<double>(middle);
    plan.gap = static_cast<double>(gap);
    plan.arc = static_cast<double>(arc);

    // The text's arc is centred on the angle; reversed, it runs the other
    // way round with every letter turned over.
    const long double direction = layout.reverse ? -1 : 1;
    const long double start = std::fmod(static_cast<long double>(line.angle), 360.0L) - direction * arc / 2;
    plan.characters.reserve(count);
    long double along = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const long double advance = all[i].advance * scale;
        const long double theta = start + direction * degreesOf((along + advance / 2) / middle);
        along += advance + gap;
        const long double turn = normalisedTurn(layout.reverse ? 180.0L - theta : -theta);
        const PointL at = referencePoint(theta, turn, advance, plan.cellHeight, middle);
        RingCharacter c;
        c.index = all[i].index;
        c.length = all[i].length;
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
