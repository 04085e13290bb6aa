#include "CompanySeal.h"
#include "SealMeasure.h"

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
using namespace sealmeasure;

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
