#include "LineMap.h"
#include "LineReader.h"
#include "StampFile.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <vector>

namespace qg::io {

namespace {

using namespace detail;

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
    addEmblemLines(map);
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

}  // namespace

// The bytes of a text value. A control character inside a value would end
// its line early (CR, LF), end the file (0x1A) or hide in the line unseen,
// so every one is written as a blank.
QByteArray detail::valueBytes(QStringView text) {
    QByteArray bytes = toCp1251(text);
    for (char& c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F)
            c = ' ';
    }
    return bytes;
}

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
        QByteArrayList values;
        if (line.values) {
            values = line.values(record, line.index);
        } else if (std::optional<QByteArray> value = line.value(record, line.index)) {
            values.append(std::move(*value));
        }
        if (values.isEmpty())
            continue;
        if (!separated)
            out += "\r\n";
        separated = true;
        const QByteArray key = toCp1251(line.key);
        for (const QByteArray& value : values)
            out += key + value + "\r\n";
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
// The lines of a setting kept on several lines are only gathered here,
// with the number of each; the map's finish takes them in.
template <typename P>
void applyKeyedLine(const LineMap<P>& map, QStringView line, int number, P& into, OptionalReading& reading) {
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
            const QStringView value = line.sliced(optional.key.size());
            if (optional.values) {
                reading.repeated[optional.key].push_back(OptionalReading::Line{number, value.toString()});
            } else {
                optional.apply(value, into, optional.index);
                reading.lastLine[optional.key] = number;
            }
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
// those, like every setting it lacks, as they were. Optional lines that the
// map's finish finds damaged (a copy of the emblem that cannot be whole)
// refuse the whole file: the record is left as it was before the reading.
template <typename P>
ReadResult readSection(const LineMap<P>& map, const QByteArray& bytes, P& into) {
    const P before = into;
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
    OptionalReading reading;
    int lineNumber = static_cast<int>(number);
    while (!reader.atEnd())
        applyKeyedLine(map, reader.next(), ++lineNumber, into, reading);
    if (const int damaged = map.finish(reading, into)) {
        into = before;
        return ReadResult{damaged, false};
    }
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

qint64 writtenSize(const RoundSealParameters& seal) {
    // The copy of the emblem is the one part that may be large: the rest is
    // written as it is, the copy only counted.
    RoundSealParameters rest = seal;
    rest.emblem.embeddedData.clear();
    qint64 size = writeRoundSeal(rest).size();
    if (!seal.emblem.embeddedData.isEmpty() && !seal.emblem.embeddedName.isEmpty()) {
        const qint64 text = (seal.emblem.embeddedData.size() + 2) / 3 * 4;
        const qint64 lines = (text + kEmbeddedLineLength - 1) / kEmbeddedLineLength;
        const qint64 nameLine = toCp1251(QStringLiteral("EmblemName: ")).size() +
                                valueBytes(seal.emblem.embeddedName).size() + 2;
        size += text + lines * (QByteArrayLiteral("EmblemData: \r\n").size()) + nameLine;
    }
    return size;
}

bool fitsInDesignFile(const RoundSealParameters& seal) {
    return writtenSize(seal) <= kMaxDesignFileSize;
}

bool writeDesign(StampKind kind, const StampDesigns& designs, QByteArray& bytes, QString& error) {
    switch (kind) {
        case StampKind::Round:
            if (!fitsInDesignFile(designs.round)) {
                error = QStringLiteral("Файл макета со встроенным гербом был бы больше %1 КБ.\n"
                                       "Выберите герб поменьше или не встраивайте его в файл макета.")
                            .arg(kMaxDesignFileSize / 1024);
                return false;
            }
            bytes = writeRoundSeal(designs.round);
            break;
        case StampKind::Triangle:
            bytes = writeTriangleSeal(designs.triangle);
            break;
        case StampKind::Rect:
            bytes = writeRectStamp(designs.rect);
            break;
    }
    return true;
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
