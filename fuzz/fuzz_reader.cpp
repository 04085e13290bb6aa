// Feeds arbitrary bytes to the design file readers.
//
// Each input goes to one reader (see readerKind()): one reader per input
// keeps the runs fast enough to explore far.
//
// Besides the sanitizers' own findings, it checks that
// - a reader reports either a clean read or a line that its kind has;
// - whatever a reader produced, damaged or not, is written and read back
//   cleanly into the same settings (control characters turned into
//   blanks), and written again byte for byte the same. Texts with
//   characters the code page lacks (only byte 0x98 reads as one) are left
//   out of that check: they are written as '?'.

#include "ReaderKind.h"
#include "StampFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace qg;
using namespace qg::io;

namespace {

void fail(const char* what) {
    std::fprintf(stderr, "fuzz_reader: %s\n", what);
    std::abort();
}

// The writers put a blank in place of every control character of a value.
QString blanked(QString text) {
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u' ';
    }
    return text;
}

void blankControls(TextLines& lines) {
    for (TextLineSettings& line : lines) {
        line.text = blanked(line.text);
        line.font.face = blanked(line.font.face);
    }
}

void blankControls(RoundSealParameters& p) {
    blankControls(p.lines);
    p.emblem.path = blanked(p.emblem.path);
}
void blankControls(TriangleSealParameters& p) {
    blankControls(p.lines);
}
void blankControls(RectStampParameters& p) {
    blankControls(p.lines);
}

bool encodable(const TextLines& lines) {
    for (const TextLineSettings& line : lines) {
        if (!canEncodeCp1251(line.text) || !canEncodeCp1251(line.font.face))
            return false;
    }
    return true;
}

bool encodable(const RoundSealParameters& p) {
    return encodable(p.lines) && canEncodeCp1251(p.emblem.path);
}
bool encodable(const TriangleSealParameters& p) {
    return encodable(p.lines);
}
bool encodable(const RectStampParameters& p) {
    return encodable(p.lines);
}

template <typename P>
void check(const QByteArray& bytes, const P& start, int lineCount, QByteArray (*write)(const P&),
           ReadResult (*read)(const QByteArray&, P&)) {
    P first = start;
    const ReadResult result = read(bytes, first);
    if (result.damagedLine < 0 || result.damagedLine > lineCount)
        fail("damaged line out of range");
    if (result.damagedLine >= 1 && result.damagedLine <= 4)
        fail("header line reported damaged");
    if (!encodable(first))
        return;

    blankControls(first);
    const QByteArray written = write(first);
    P second = start;
    if (!read(written, second).ok())
        fail("a written file reads back damaged");
    if (!(second == first))
        fail("a written file reads back different");
    if (write(second) != written)
        fail("writing again gives other bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    const QStringList lines = splitLines(bytes);
    if (lines.isEmpty())
        fail("no lines");
    for (const QString& line : lines) {
        if (line.contains(u'\r') || line.contains(u'\n') || line.contains(QChar(0x1A)))
            fail("line break or end mark inside a line");
    }

    // The starting records are made once: the readers work on copies.
    static const RoundSealParameters round = defaultRoundSeal();
    static const TriangleSealParameters triangle = defaultTriangleSeal();
    static const RectStampParameters rect = defaultRectStamp();
    switch (fuzz::readerKind(bytes)) {
        case StampKind::Round:
            check(bytes, round, 80, &writeRoundSeal, &readRoundSeal);
            break;
        case StampKind::Triangle:
            check(bytes, triangle, 89, &writeTriangleSeal, &readTriangleSeal);
            break;
        case StampKind::Rect:
            check(bytes, rect, 83, &writeRectStamp, &readRectStamp);
            break;
    }
    return 0;
}
