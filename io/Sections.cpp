#include "LineReader.h"
#include "StampFile.h"

#include <QLocale>

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <vector>

namespace qg::io {

namespace {

// Every kind's file is described by one line map: for each line number the
// kind of line, its key and where its value lives in the parameters record.
// The writer walks the map from top to bottom; the reader looks up the entry
// of each line number it reads. Sharing the map is what keeps the two in
// step.

enum class LineKind {
    Fixed,   // written as is, never examined when reading
    Number,  // key + signed decimal (numbers and colours)
    Text,    // key + text as it stands (texts, face names, the emblem path)
    Switch,  // "Enable: True" / "Enable: False"
};

// A field of the record, reached through the element index of its line.
template <typename P, typename T>
struct Field {
    T& (*get)(P&, std::size_t) = nullptr;
    const T& (*peek)(const P&, std::size_t) = nullptr;
};

template <typename P, typename T, typename F>
T& getVia(P& p, std::size_t i) {
    return F{}(p, i);
}

template <typename P, typename T, typename F>
const T& peekVia(const P& p, std::size_t i) {
    return F{}(p, i);
}

// `field` is a captureless lambda `(auto& record, std::size_t index) -> auto&`;
// it serves both the const writer and the reader.
template <typename P, typename T, typename F>
Field<P, T> fieldOf(F) {
    return {&getVia<P, T, F>, &peekVia<P, T, F>};
}

template <typename P>
struct LineEntry {
    LineKind kind = LineKind::Fixed;
    QString text;  // the whole line of a fixed line, the key of a keyed line
    std::size_t index = 0;
    qsizetype maxLength = -1;  // of a text value, when it has a limit
    Field<P, std::int32_t> number;
    Field<P, QString> string;
    Field<P, bool> flag;
};

// A setting kept after the fixed lines as one "Key: value" line of its
// own, written only when it differs from its default. Reading a whole file
// first puts every such setting back to its default and then applies the
// lines it finds by their keys, in any order; a value the program does not
// know reads as the default and never damages the file.
template <typename P>
struct OptionalLine {
    QString key;
    std::size_t index = 0;
    // The bytes of the value to write (a text through valueBytes);
    // nothing when the setting is at its default.
    std::optional<QByteArray> (*value)(const P&, std::size_t) = nullptr;
    // Takes the value part of the line (the line without its key).
    void (*apply)(QStringView, P&, std::size_t) = nullptr;
    void (*reset)(P&, std::size_t) = nullptr;
};

template <typename P>
class LineMap {
public:
    void fixed(const QString& line) { lines_.push_back({LineKind::Fixed, line, 0, -1, {}, {}, {}}); }
    void blank() { fixed(QString()); }

    template <typename F>
    void number(const QString& key, std::size_t index, F field) {
        lines_.push_back({LineKind::Number, key, index, -1, fieldOf<P, std::int32_t>(field), {}, {}});
    }
    template <typename F>
    void text(const QString& key, std::size_t index, F field, qsizetype maxLength = -1) {
        lines_.push_back({LineKind::Text, key, index, maxLength, {}, fieldOf<P, QString>(field), {}});
    }
    template <typename F>
    void toggle(std::size_t index, F field) {
        lines_.push_back({LineKind::Switch, QString(), index, -1, {}, {}, fieldOf<P, bool>(field)});
    }

    // Marks the end of the kind's fixed lines. The entries added after it
    // are written in order too, but a reader finds them by their keys.
    void endFixedLines() { fixedCount_ = lines_.size(); }

    // A setting written after everything above, in the order of these
    // calls, and only when it is not at its default.
    void optional(const QString& key, std::size_t index, std::optional<QByteArray> (*value)(const P&, std::size_t),
                  void (*apply)(QStringView, P&, std::size_t), void (*reset)(P&, std::size_t)) {
        optional_.push_back({key, index, value, apply, reset});
    }

    const std::vector<LineEntry<P>>& lines() const { return lines_; }
    const std::vector<OptionalLine<P>>& optionalLines() const { return optional_; }
    std::size_t fixedCount() const { return fixedCount_ ? fixedCount_ : lines_.size(); }
    bool hasKeyedLines() const { return fixedCount() < lines_.size(); }

private:
    std::vector<LineEntry<P>> lines_;
    std::size_t fixedCount_ = 0;
    std::vector<OptionalLine<P>> optional_;
};

QString keyed(const char* pattern, std::size_t n) {
    return QString::fromLatin1(pattern).arg(n);
}

// Lines 1 to 6: the header, the section marker and the background colour.
template <typename P>
void addHeader(LineMap<P>& map, const QString& marker) {
    map.fixed(QStringLiteral("Quillgraver save file. Program created by Fenbrooke"));
    map.fixed(QStringLiteral("Do not modify this file !"));
    map.blank();
    map.fixed(marker);
    map.number(
        QStringLiteral("Field Color: "), 0, [](auto& p, std::size_t) -> auto& { return p.background; });
    map.blank();
}

// The opening of every text line's block: its text and its three font lines.
// Face, size and colour of a font are kept here; its style follows the
// fixed lines as a keyed line of its own.
template <typename P>
void addTextAndFont(LineMap<P>& map, std::size_t i) {
    map.text(
        QStringLiteral("Text: "), i, [](auto& p, std::size_t k) -> auto& { return p.lines[k].text; },
        kMaxLineText);
    map.text(
        QStringLiteral("Font: "), i, [](auto& p, std::size_t k) -> auto& { return p.lines[k].font.face; });
    map.number(
        QStringLiteral("Size: "), i, [](auto& p, std::size_t k) -> auto& { return p.lines[k].font.size; });
    map.number(
        QStringLiteral("Color: "), i, [](auto& p, std::size_t k) -> auto& { return p.lines[k].font.color; });
}

template <typename P>
void addLineSwitch(LineMap<P>& map, std::size_t i) {
    map.toggle(
        i, [](auto& p, std::size_t k) -> auto& { return p.lines[k].enabled; });
}

// A text line placed by x, y and angle (the triangular seal and the stamp).
template <typename P>
void addPlacedTextBlock(LineMap<P>& map, std::size_t i) {
    addTextAndFont(map, i);
    map.number(
        QStringLiteral("X: "), i, [](auto& p, std::size_t k) -> auto& { return p.lines[k].x; });
    map.number(
        QStringLiteral("Y: "), i, [](auto& p, std::size_t k) -> auto& { return p.lines[k].y; });
    map.number(
        QStringLiteral("A: "), i, [](auto& p, std::size_t k) -> auto& { return p.lines[k].angle; });
    addLineSwitch(map, i);
}

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

LineMap<RoundSealParameters> buildRoundSealMap() {
    LineMap<RoundSealParameters> map;
    addHeader(map, QStringLiteral(";Page1"));

    for (std::size_t i = 0; i < 3; ++i) {  // ring texts, lines 7-29
        addTextAndFont(map, i);
        map.number(
            QStringLiteral("Radius: "), i, [](auto& p, std::size_t k) -> auto& { return p.lines[k].radius; });
        map.number(
            QStringLiteral("Degree: "), i, [](auto& p, std::size_t k) -> auto& { return p.lines[k].angle; });
        addLineSwitch(map, i);
        map.blank();
    }
    for (std::size_t i = 3; i < 6; ++i) {  // centre lines, lines 31-56
        addTextAndFont(map, i);
        map.number(
            QStringLiteral("CornerX: "), i, [](auto& p, std::size_t k) -> auto& { return p.lines[k].x; });
        map.number(
            QStringLiteral("CornerY: "), i, [](auto& p, std::size_t k) -> auto& { return p.lines[k].y; });
        // The "Degree: " of a centre line's block repeats the angle of the
        // ring text in the same place of its group, and wins over it when
        // read. Readers of the 76-line layout expect it there, so the line
        // stays; the centre lines' own angles follow at the end of the file.
        map.number(
            QStringLiteral("Degree: "), i - 3,
            [](auto& p, std::size_t k) -> auto& { return p.lines[k].angle; });
        addLineSwitch(map, i);
        map.blank();
    }
    for (std::size_t r = 0; r < 3; ++r) {  // rings, lines 58-71
        map.number(
            QStringLiteral("Circle: "), r, [](auto& p, std::size_t k) -> auto& { return p.rings[k].radius; });
        map.number(
            QStringLiteral("Width: "), r, [](auto& p, std::size_t k) -> auto& { return p.rings[k].width; });
        map.number(
            QStringLiteral("Color: "), r, [](auto& p, std::size_t k) -> auto& { return p.rings[k].color; });
        map.toggle(
            r, [](auto& p, std::size_t k) -> auto& { return p.rings[k].enabled; });
        map.blank();
    }
    // The emblem, lines 73-76.
    map.number(
        QStringLiteral("Gx: "), 0, [](auto& p, std::size_t) -> auto& { return p.emblem.x; });
    map.number(
        QStringLiteral("Gy: "), 0, [](auto& p, std::size_t) -> auto& { return p.emblem.y; });
    map.text(
        QStringLiteral("Path: "), 0, [](auto& p, std::size_t) -> auto& { return p.emblem.path; });
    map.toggle(
        0, [](auto& p, std::size_t) -> auto& { return p.emblem.enabled; });
    map.endFixedLines();

    // After an empty line, the centre lines' own angles (written on lines
    // 78-80). A file without them leaves them as they were.
    map.blank();
    for (std::size_t i = 3; i < 6; ++i)
        map.number(
            keyed("CenterDegree%1: ", i - 2), i,
            [](auto& p, std::size_t k) -> auto& { return p.lines[k].angle; });
    addStyleLines(map);
    addRingLayoutLines(map);
    return map;
}

LineMap<TriangleSealParameters> buildTriangleSealMap() {
    LineMap<TriangleSealParameters> map;
    addHeader(map, QStringLiteral(";Page2"));

    for (std::size_t i = 0; i < 6; ++i) {  // side texts and centre lines, lines 7-59
        addPlacedTextBlock(map, i);
        map.blank();
    }
    // Frames, lines 61-89; the index of a vertex line is frame * 3 + vertex.
    for (std::size_t f = 0; f < 3; ++f) {
        const std::size_t n = f + 1;
        for (std::size_t v = 0; v < 3; ++v) {
            const QString x = keyed("L%1X", n) + QString::number(v + 1) + QStringLiteral(": ");
            const QString y = keyed("L%1Y", n) + QString::number(v + 1) + QStringLiteral(": ");
            map.number(
                x, f * 3 + v,
                [](auto& p, std::size_t k) -> auto& { return p.frames[k / 3].vertex[k % 3].x; });
            map.number(
                y, f * 3 + v,
                [](auto& p, std::size_t k) -> auto& { return p.frames[k / 3].vertex[k % 3].y; });
        }
        map.number(
            keyed("L%1W: ", n), f, [](auto& p, std::size_t k) -> auto& { return p.frames[k].width; });
        map.number(
            keyed("L%1C: ", n), f, [](auto& p, std::size_t k) -> auto& { return p.frames[k].color; });
        map.toggle(
            f, [](auto& p, std::size_t k) -> auto& { return p.frames[k].enabled; });
        if (f < 2)
            map.blank();
    }
    addStyleLines(map);
    return map;
}

// Segments 0 and 1 are the contours, segment 2 the inner line.
template <typename P>
auto& segmentOf(P& p, std::size_t k) {
    return k < p.contours.size() ? p.contours[k] : p.innerLine;
}

LineMap<RectStampParameters> buildRectStampMap() {
    LineMap<RectStampParameters> map;
    addHeader(map, QStringLiteral(";Page3"));

    for (std::size_t i = 0; i < 6; ++i) {  // text lines, lines 7-59
        addPlacedTextBlock(map, i);
        map.blank();
    }
    // Contours on lines 61-75 ("K1.." and "K2.."), the inner line on 77-83 ("L1..").
    for (std::size_t s = 0; s < 3; ++s) {
        const QString prefix = s < 2 ? keyed("K%1", s + 1) : QStringLiteral("L1");
        map.number(
            prefix + QStringLiteral("X1: "), s,
            [](auto& p, std::size_t k) -> auto& { return segmentOf(p, k).p1.x; });
        map.number(
            prefix + QStringLiteral("Y1: "), s,
            [](auto& p, std::size_t k) -> auto& { return segmentOf(p, k).p1.y; });
        map.number(
            prefix + QStringLiteral("X2: "), s,
            [](auto& p, std::size_t k) -> auto& { return segmentOf(p, k).p2.x; });
        map.number(
            prefix + QStringLiteral("Y2: "), s,
            [](auto& p, std::size_t k) -> auto& { return segmentOf(p, k).p2.y; });
        map.number(
            prefix + QStringLiteral("W: "), s,
            [](auto& p, std::size_t k) -> auto& { return segmentOf(p, k).width; });
        map.number(
            prefix + QStringLiteral("C: "), s,
            [](auto& p, std::size_t k) -> auto& { return segmentOf(p, k).color; });
        map.toggle(
            s, [](auto& p, std::size_t k) -> auto& { return segmentOf(p, k).enabled; });
        if (s < 2)
            map.blank();
    }
    addStyleLines(map);
    return map;
}

const LineMap<RoundSealParameters>& roundSealMap() {
    static const LineMap<RoundSealParameters> map = buildRoundSealMap();
    return map;
}

const LineMap<TriangleSealParameters>& triangleSealMap() {
    static const LineMap<TriangleSealParameters> map = buildTriangleSealMap();
    return map;
}

const LineMap<RectStampParameters>& rectStampMap() {
    static const LineMap<RectStampParameters> map = buildRectStampMap();
    return map;
}

// The bytes of a text value. A control character inside a value would end
// its line early (CR, LF), end the file (0x1A) or hide in the line unseen,
// so every one is written as a blank.
QByteArray valueBytes(QStringView text) {
    QByteArray bytes = toCp1251(text);
    for (char& c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F)
            c = ' ';
    }
    return bytes;
}

}  // namespace

bool keptByDesignFile(QStringView text) {
    const auto control = [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; };
    return std::none_of(text.begin(), text.end(), control) && canEncodeCp1251(text);
}

namespace {

template <typename P>
QByteArray writeSection(const LineMap<P>& map, const P& record) {
    QByteArray out;
    out.reserve(2048);
    for (const LineEntry<P>& entry : map.lines()) {
        switch (entry.kind) {
            case LineKind::Fixed:
                out += toCp1251(entry.text);
                break;
            case LineKind::Number:
                out += toCp1251(entry.text);
                out += QByteArray::number(entry.number.peek(record, entry.index));
                break;
            case LineKind::Text:
                out += toCp1251(entry.text);
                out += valueBytes(entry.string.peek(record, entry.index));
                break;
            case LineKind::Switch:
                out += entry.flag.peek(record, entry.index) ? "Enable: True" : "Enable: False";
                break;
        }
        out += "\r\n";
    }
    // The settings away from their defaults come last. A kind with nothing
    // after its fixed lines starts them with an empty line, as the round
    // seal's angles start.
    bool separated = map.hasKeyedLines();
    for (const OptionalLine<P>& line : map.optionalLines()) {
        const std::optional<QByteArray> value = line.value(record, line.index);
        if (!value)
            continue;
        if (!separated)
            out += "\r\n";
        separated = true;
        out += toCp1251(line.key) + *value + "\r\n";
    }
    return out;
}

// What applying a line found wrong with it.
enum class LineFault { None, Damaged, TooLong };

// Puts the line's value in place, damaged or not, and tells whether the
// line was damaged. A text over its limit is not put in place.
template <typename P>
LineFault applyLine(const LineEntry<P>& entry, QStringView line, P& into) {
    bool damaged = false;
    switch (entry.kind) {
        case LineKind::Fixed:
            break;
        case LineKind::Number:
            entry.number.get(into, entry.index) = ReadNumberValue(entry.text, line, damaged);
            break;
        case LineKind::Text: {
            QString value = ReadTextValue(entry.text, line, damaged);
            if (entry.maxLength >= 0 && value.size() > entry.maxLength)
                return LineFault::TooLong;
            entry.string.get(into, entry.index) = std::move(value);
            break;
        }
        case LineKind::Switch:
            entry.flag.get(into, entry.index) = ReadEnableLine(line, damaged);
            break;
    }
    return damaged ? LineFault::Damaged : LineFault::None;
}

// A line after the fixed lines counts only when it starts with one of the
// keys that may follow them; any other line is passed over. Such a line is
// never damaged: a value that is no number reads as 0.
template <typename P>
void applyKeyedLine(const LineMap<P>& map, QStringView line, P& into) {
    const auto& lines = map.lines();
    for (std::size_t n = map.fixedCount(); n < lines.size(); ++n) {
        const LineEntry<P>& entry = lines[n];
        if (entry.kind != LineKind::Fixed && !entry.text.isEmpty() && line.startsWith(entry.text)) {
            applyLine(entry, line, into);
            return;
        }
    }
    for (const OptionalLine<P>& optional : map.optionalLines()) {
        if (line.startsWith(optional.key)) {
            optional.apply(line.sliced(optional.key.size()), into, optional.index);
            return;
        }
    }
}

// The reading loop: take a line, apply it, and go on until the file ends or
// a line is damaged. The reader stops at the first damaged line; whatever
// came before it, and its own result, stay applied.
//
// A file that holds every fixed line holds the whole design: whatever is
// kept on optional lines (the styles, the layout of ring texts) is at its
// default unless a line says otherwise. A file that ends earlier leaves
// those, like every setting it lacks, as they were.
template <typename P>
ReadResult readSection(const LineMap<P>& map, const QByteArray& bytes, P& into) {
    const auto& lines = map.lines();
    const std::size_t fixedCount = map.fixedCount();
    LineReader reader(bytes);
    std::size_t number = 0;
    do {
        const LineEntry<P>& entry = lines[number++];
        if (entry.kind == LineKind::Fixed) {
            reader.skip();
            continue;
        }
        const LineFault fault = applyLine(entry, reader.next(), into);
        if (fault != LineFault::None)
            return ReadResult{static_cast<int>(number), fault == LineFault::TooLong};
    } while (number < fixedCount && !reader.atEnd());
    if (number < fixedCount)
        return ReadResult{};

    for (const OptionalLine<P>& optional : map.optionalLines())
        optional.reset(into, optional.index);
    while (!reader.atEnd())
        applyKeyedLine(map, reader.next(), into);
    return ReadResult{};
}

}  // namespace

QByteArray writeRoundSeal(const RoundSealParameters& seal) {
    return writeSection(roundSealMap(), seal);
}
QByteArray writeTriangleSeal(const TriangleSealParameters& seal) {
    return writeSection(triangleSealMap(), seal);
}
QByteArray writeRectStamp(const RectStampParameters& stamp) {
    return writeSection(rectStampMap(), stamp);
}

ReadResult readRoundSeal(const QByteArray& bytes, RoundSealParameters& into) {
    return readSection(roundSealMap(), bytes, into);
}

ReadResult readTriangleSeal(const QByteArray& bytes, TriangleSealParameters& into) {
    return readSection(triangleSealMap(), bytes, into);
}

ReadResult readRectStamp(const QByteArray& bytes, RectStampParameters& into) {
    return readSection(rectStampMap(), bytes, into);
}

ReadResult readDesign(StampKind kind, const QByteArray& bytes, StampDesigns& into) {
    switch (kind) {
        case StampKind::Round:
            return readRoundSeal(bytes, into.round);
        case StampKind::Triangle:
            return readTriangleSeal(bytes, into.triangle);
        case StampKind::Rect:
            break;
    }
    return readRectStamp(bytes, into.rect);
}

}  // namespace qg::io
