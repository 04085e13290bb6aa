#include "LineReader.h"
#include "StampFile.h"
#include "TextToNumber.h"

#include <QStringList>

namespace qg::io {

// ---- LineReader ----

LineReader::LineReader(QByteArrayView bytes) : bytes_(bytes) {
    const qsizetype eof = bytes_.indexOf('\x1A');
    if (eof >= 0)
        bytes_ = bytes_.first(eof);
}

QByteArrayView LineReader::take() {
    if (atEnd())
        return {};
    const qsizetype lf = bytes_.indexOf('\n', pos_);
    const qsizetype end = lf < 0 ? bytes_.size() : lf;
    const QByteArrayView line = bytes_.sliced(pos_, end - pos_);
    pos_ = lf < 0 ? bytes_.size() : lf + 1;
    return line;
}

QString LineReader::next() {
    const QByteArrayView line = take();
    if (!line.contains('\r'))
        return fromCp1251(line);
    QByteArray kept;
    kept.reserve(line.size());
    for (const char c : line) {
        if (c != '\r')
            kept.append(c);
    }
    return fromCp1251(kept);
}

void LineReader::skip() {
    take();
}

// ---- Line helpers ----

namespace {

const QString& damagedText() {
    static const QString text = QStringLiteral("Ошибка");
    return text;
}

}  // namespace

// The key may stand anywhere in the line; the value is what follows the
// first key.size() characters, which for a well-formed line is exactly the
// text after the key.
std::int32_t ReadNumberValue(QStringView key, QStringView line, bool& damaged) {
    if (!line.contains(key)) {
        damaged = true;
        return 0;
    }
    return TextToNumber(line.sliced(key.size()));
}

QString ReadTextValue(QStringView key, QStringView line, bool& damaged) {
    if (!line.contains(key)) {
        damaged = true;
        return damagedText();
    }
    return line.sliced(key.size()).toString();
}

bool ReadEnableLine(QStringView line, bool& damaged) {
    if (line == u"Enable: True")
        return true;
    if (line != u"Enable: False")
        damaged = true;
    return false;
}

QStringList splitLines(const QByteArray& bytes) {
    QStringList lines;
    LineReader reader(bytes);
    do
        lines.append(reader.next());
    while (!reader.atEnd());
    return lines;
}

std::optional<StampKind> sectionKind(const QByteArray& bytes) {
    // The marker is the 4th line; a shorter file offers its last line. The
    // candidate is compared as bytes: a line of any other length, its CRs
    // left out, is no marker, and is never decoded however long it is.
    LineReader reader(bytes);
    QByteArrayView candidate;
    int count = 0;
    do {
        candidate = reader.nextBytes();
        ++count;
    } while (count < 4 && !reader.atEnd());

    constexpr qsizetype kMarkerSize = 6;
    if (candidate.size() - candidate.count('\r') != kMarkerSize)
        return std::nullopt;
    QByteArray marker;
    marker.reserve(kMarkerSize);
    for (const char c : candidate) {
        if (c != '\r')
            marker.append(c);
    }
    if (marker == ";Page1")
        return StampKind::Round;
    if (marker == ";Page2")
        return StampKind::Triangle;
    if (marker == ";Page3")
        return StampKind::Rect;
    return std::nullopt;
}

}  // namespace qg::io
