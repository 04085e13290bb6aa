// The seeds the readers' fuzzing starts from: each must stay the kind of
// file it stands for (a default file, a styled or extended one, a damaged
// one), or the exploring starts from less of the format than it seems to.

#include "ReaderKind.h"
#include "StampFile.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <optional>
#include <utility>

using namespace qg;
using namespace qg::io;

namespace {

constexpr int kNoMarker = -1;

struct Seed {
    const char* tag;
    const char* file;
    int marker;  // the StampKind its section marker names, or kNoMarker
    StampKind reader;
    int damagedLine;
    int styledLines;
};

constexpr int kRound = int(StampKind::Round);
constexpr int kTriangle = int(StampKind::Triangle);
constexpr int kRect = int(StampKind::Rect);

// clang-format off
constexpr Seed kSeeds[] = {
    {"round", "round.qgr", kRound, StampKind::Round, 0, 0},
    {"round, 76 lines", "round-76-lines.qgr", kRound, StampKind::Round, 0, 0},
    {"round, styled", "round-styled.qgr", kRound, StampKind::Round, 0, 2},
    {"round, cut short", "round-cut.qgr", kRound, StampKind::Round, 0, 0},
    {"round, text without key", "round-damaged-text.qgr", kRound, StampKind::Round, 15, 0},
    {"round, enable in lower case", "odd-round.qgr", kRound, StampKind::Round, 76, 0},
    {"triangle", "triangle.qgr", kTriangle, StampKind::Triangle, 0, 0},
    {"triangle, styled", "triangle-styled.qgr", kTriangle, StampKind::Triangle, 0, 2},
    {"triangle, LF line ends", "triangle-lf.qgr", kTriangle, StampKind::Triangle, 0, 0},
    {"triangle, end mark", "triangle-eof-mark.qgr", kTriangle, StampKind::Triangle, 0, 0},
    {"triangle, bad enable", "triangle-damaged-enable.qgr", kTriangle, StampKind::Triangle, 14, 0},
    {"rect", "rect.qgr", kRect, StampKind::Rect, 0, 0},
    {"rect, styled and extended", "rect-styled.qgr", kRect, StampKind::Rect, 0, 1},
    {"rect, key without colon", "rect-damaged-key.qgr", kRect, StampKind::Rect, 65, 0},
    {"rect, odd values", "rect-odd-values.qgr", kRect, StampKind::Rect, 0, 0},
    {"marker as last line", "short.qgr", kTriangle, StampKind::Triangle, 0, 0},
    // 'Q' picks the round seal's reader, which stops at the triangle's "X: ".
    {"no marker", "unmarked.qgr", kNoMarker, StampKind::Round, 11, 0},
    {"no marker, 'S' first", "unmarked-rect.qgr", kNoMarker, StampKind::Rect, 0, 0},
};
// clang-format on

QString seedPath(const QString& name) {
    return QStringLiteral(QG_FUZZ_SEEDS "/") + name;
}

QByteArray seed(const QString& name) {
    QFile file(seedPath(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

template <typename P>
int styledLines(const P& record) {
    int count = 0;
    for (const TextLineSettings& line : record.lines) {
        const LineFont& f = line.font;
        count += f.bold || f.italic || f.underline || f.strikeOut;
    }
    return count;
}

// Reads the seed as the fuzzing does, from the default design of its reader.
template <typename P>
std::pair<int, int> readFrom(P record, const QByteArray& bytes, ReadResult (*read)(const QByteArray&, P&)) {
    const ReadResult result = read(bytes, record);
    return {result.damagedLine, styledLines(record)};
}

}  // namespace

class FuzzSeeds : public QObject {
    Q_OBJECT

private slots:
    void seeds_data();
    void seeds();
    void everySeedDescribed();
    void defaultSeeds_data();
    void defaultSeeds();
};

void FuzzSeeds::seeds_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("marker");
    QTest::addColumn<StampKind>("reader");
    QTest::addColumn<int>("damagedLine");
    QTest::addColumn<int>("styledLines");
    for (const Seed& s : kSeeds)
        QTest::newRow(s.tag) << QString::fromLatin1(s.file) << s.marker << s.reader << s.damagedLine
                             << s.styledLines;
}

void FuzzSeeds::seeds() {
    QFETCH(QString, file);
    QFETCH(int, marker);
    QFETCH(StampKind, reader);
    QFETCH(int, damagedLine);
    QFETCH(int, styledLines);

    const QByteArray bytes = seed(file);
    QVERIFY2(!bytes.isEmpty(), qPrintable(seedPath(file)));
    const std::optional<StampKind> found = sectionKind(bytes);
    QCOMPARE(found ? int(*found) : kNoMarker, marker);
    QCOMPARE(fuzz::readerKind(bytes), reader);

    std::pair<int, int> read;
    switch (reader) {
        case StampKind::Round:
            read = readFrom(defaultRoundSeal(), bytes, &readRoundSeal);
            break;
        case StampKind::Triangle:
            read = readFrom(defaultTriangleSeal(), bytes, &readTriangleSeal);
            break;
        case StampKind::Rect:
            read = readFrom(defaultRectStamp(), bytes, &readRectStamp);
            break;
    }
    QCOMPARE(read.first, damagedLine);
    QCOMPARE(read.second, styledLines);
}

// A seed added to the folder gets a row in kSeeds that says what it is for.
void FuzzSeeds::everySeedDescribed() {
    QStringList described;
    for (const Seed& s : kSeeds)
        described.append(QString::fromLatin1(s.file));
    described.sort();
    QCOMPARE(QDir(seedPath(QString())).entryList(QDir::Files, QDir::Name), described);
}

void FuzzSeeds::defaultSeeds_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("round") << "round.qgr" << writeRoundSeal(defaultRoundSeal());
    QTest::newRow("triangle") << "triangle.qgr" << writeTriangleSeal(defaultTriangleSeal());
    QTest::newRow("rect") << "rect.qgr" << writeRectStamp(defaultRectStamp());
}

// The default files stay what the program writes at start-up.
void FuzzSeeds::defaultSeeds() {
    QFETCH(QString, file);
    QFETCH(QByteArray, written);
    QCOMPARE(seed(file), written);
}

QTEST_APPLESS_MAIN(FuzzSeeds)
#include "fuzz_seeds.moc"
