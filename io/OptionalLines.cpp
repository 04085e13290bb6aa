// The optional "Key: value" lines after a kind's fixed lines: the styles of
// the text lines and the layout of the round seal's ring texts.

#include "LineMap.h"

#include <QLocale>

#include <array>

namespace qg::io::detail {

namespace {

// ---- Font styles ----
//
// A text line's style is kept after the fixed lines as "Line<n>Style: "
// followed by the words of its styles, for example "Line2Style: bold
// italic". A line in the regular style has no such line, so a design
// without styles writes the fixed lines alone.

struct StyleWord {
    const char* word;
    bool LineFont::*flag;
};

constexpr std::array<StyleWord, 4> kStyleWords = {{
    {"bold", &LineFont::bold},
    {"italic", &LineFont::italic},
    {"underline", &LineFont::underline},
    {"strikeout", &LineFont::strikeOut},
}};

bool isStyled(const LineFont& font) {
    return std::any_of(kStyleWords.begin(), kStyleWords.end(),
                       [&](const StyleWord& s) { return font.*s.flag; });
}

void clearStyle(LineFont& font) {
    for (const StyleWord& s : kStyleWords)
        font.*s.flag = false;
}

QByteArray styleValue(const LineFont& font) {
    QByteArray out;
    for (const StyleWord& s : kStyleWords) {
        if (!(font.*s.flag))
            continue;
        if (!out.isEmpty())
            out += ' ';
        out += s.word;
    }
    return out;
}

// Words the program does not know are passed over.
void applyStyle(QStringView value, LineFont& font) {
    clearStyle(font);
    const QStringList words = value.toString().simplified().split(u' ', Qt::SkipEmptyParts);
    for (const QString& word : words) {
        for (const StyleWord& s : kStyleWords) {
            if (word.compare(QLatin1StringView(s.word), Qt::CaseInsensitive) == 0)
                font.*s.flag = true;
        }
    }
}

}  // namespace

template <typename P>
void addStyleLines(LineMap<P>& map) {
    for (std::size_t i = 0; i < 6; ++i) {
        map.optional(
            keyed("Line%1Style: ", i + 1), i,
            [](const P& p, std::size_t k) -> std::optional<QByteArray> {
                const LineFont& font = p.lines[k].font;
                return isStyled(font) ? std::optional(styleValue(font)) : std::nullopt;
            },
            [](QStringView value, P& p, std::size_t k) { applyStyle(value, p.lines[k].font); },
            [](P& p, std::size_t k) { clearStyle(p.lines[k].font); });
    }
}

template void addStyleLines(LineMap<RoundSealParameters>& map);
template void addStyleLines(LineMap<TriangleSealParameters>& map);
template void addStyleLines(LineMap<RectStampParameters>& map);

namespace {

// ---- Ring text layout ----
//
// How a ring text of the round seal is laid out, after the styles, five
// lines a text in this order: "Line<n>Spacing: glyphs", "Line<n>Span: ",
// "Line<n>Tracking: " (numbers with a point, in their shortest form),
// "Line<n>Reverse: True" and "Line<n>Fit: True". A text in equal spacing
// with nothing else set has none of them. A centre line with room added
// between its letters has "Line<n>Tracking: " too (n 4 to 6).

QByteArray shortestNumber(double value) {
    return QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
}

double numberOr(QStringView value, bool (*valid)(double), double fallback) {
    bool ok = false;
    const double number = value.trimmed().toDouble(&ok);
    return ok && valid(number) ? number : fallback;
}

bool isWord(QStringView value, const char* word) {
    return value.trimmed().compare(QLatin1StringView(word), Qt::CaseInsensitive) == 0;
}

}  // namespace

void addRingLayoutLines(LineMap<RoundSealParameters>& map) {
    using P = RoundSealParameters;
    for (std::size_t i = 0; i < 3; ++i) {
        const auto reset = [](P& p, std::size_t k) { p.ringLayouts[k] = RingTextLayout{}; };
        map.optional(
            keyed("Line%1Spacing: ", i + 1), i,
            [](const P& p, std::size_t k) -> std::optional<QByteArray> {
                if (p.ringLayouts[k].spacing == RingSpacing::Equal)
                    return std::nullopt;
                return QByteArray("glyphs");
            },
            [](QStringView value, P& p, std::size_t k) {
                p.ringLayouts[k].spacing = isWord(value, "glyphs") ? RingSpacing::Glyphs : RingSpacing::Equal;
            },
            reset);
        map.optional(
            keyed("Line%1Span: ", i + 1), i,
            [](const P& p, std::size_t k) -> std::optional<QByteArray> {
                const double span = p.ringLayouts[k].span;
                return span == RingTextLayout{}.span ? std::nullopt : std::optional(shortestNumber(span));
            },
            [](QStringView value, P& p, std::size_t k) {
                p.ringLayouts[k].span = numberOr(value, &isRingSpan, RingTextLayout{}.span);
            },
            reset);
        map.optional(
            keyed("Line%1Tracking: ", i + 1), i,
            [](const P& p, std::size_t k) -> std::optional<QByteArray> {
                const double tracking = p.ringLayouts[k].tracking;
                return tracking == RingTextLayout{}.tracking ? std::nullopt
                                                             : std::optional(shortestNumber(tracking));
            },
            [](QStringView value, P& p, std::size_t k) {
                p.ringLayouts[k].tracking = numberOr(value, &isRingTracking, RingTextLayout{}.tracking);
            },
            reset);
        map.optional(
            keyed("Line%1Reverse: ", i + 1), i,
            [](const P& p, std::size_t k) -> std::optional<QByteArray> {
                return p.ringLayouts[k].reverse ? std::optional(QByteArray("True")) : std::nullopt;
            },
            [](QStringView value, P& p, std::size_t k) { p.ringLayouts[k].reverse = isWord(value, "True"); },
            reset);
        map.optional(
            keyed("Line%1Fit: ", i + 1), i,
            [](const P& p, std::size_t k) -> std::optional<QByteArray> {
                return p.ringLayouts[k].fit ? std::optional(QByteArray("True")) : std::nullopt;
            },
            [](QStringView value, P& p, std::size_t k) { p.ringLayouts[k].fit = isWord(value, "True"); },
            reset);
    }
    for (std::size_t i = 0; i < 3; ++i) {
        map.optional(
            keyed("Line%1Tracking: ", i + 4), i,
            [](const P& p, std::size_t k) -> std::optional<QByteArray> {
                const double tracking = p.centreTracking[k];
                return tracking == 0 ? std::nullopt : std::optional(shortestNumber(tracking));
            },
            [](QStringView value, P& p, std::size_t k) {
                p.centreTracking[k] = numberOr(value, &isRingTracking, 0);
            },
            [](P& p, std::size_t k) { p.centreTracking[k] = 0; });
    }
}

}  // namespace qg::io::detail
