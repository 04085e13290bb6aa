#include "StampFile.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <climits>
#include <type_traits>
#include <utility>

using namespace qg;
using namespace qg::io;

namespace {

// The files the program writes for each kind in its start-up state, line by
// line as the file format lays them down.
// clang-format off
const char* const kRoundSealMap[] = {
    "Quillgraver save file. Program created by Fenbrooke", "Do not modify this file !", "",
    ";Page1", "Field Color: 16777215", "",
    "Text: Первая строка", "Font: Arial", "Size: 8", "Color: 536870911", "Radius: 60", "Degree: 0", "Enable: True", "",
    "Text: Вторая строка", "Font: Arial", "Size: 8", "Color: 536870911", "Radius: 74", "Degree: 0", "Enable: True", "",
    "Text: Третья строка", "Font: Arial", "Size: 8", "Color: 536870911", "Radius: 88", "Degree: 0", "Enable: True", "",
    "Text: Центр 1", "Font: Arial", "Size: 8", "Color: 536870911", "CornerX: 80", "CornerY: 80", "Degree: 0", "Enable: False", "",
    "Text: Центр 2", "Font: Arial", "Size: 8", "Color: 536870911", "CornerX: 80", "CornerY: 95", "Degree: 0", "Enable: False", "",
    "Text: Центр 3", "Font: Arial", "Size: 8", "Color: 536870911", "CornerX: 80", "CornerY: 110", "Degree: 0", "Enable: False", "",
    "Circle: 42", "Width: 1", "Color: 536870911", "Enable: True", "",
    "Circle: 88", "Width: 1", "Color: 536870911", "Enable: True", "",
    "Circle: 92", "Width: 2", "Color: 536870911", "Enable: True", "",
    "Gx: 0", "Gy: 0", "Path: ", "Enable: False",
};

const char* const kTriangleSealMap[] = {
    "Quillgraver save file. Program created by Fenbrooke", "Do not modify this file !", "",
    ";Page2", "Field Color: 16777215", "",
    "Text: Текст по левой стороне", "Font: Arial", "Size: 8", "Color: 536870911", "X: 20", "Y: 170", "A: 64", "Enable: True", "",
    "Text: Текст по правой стороне", "Font: Arial", "Size: 8", "Color: 536870911", "X: 122", "Y: 50", "A: -80", "Enable: True", "",
    "Text: Текст в нижней строке", "Font: Arial", "Size: 8", "Color: 536870911", "X: 50", "Y: 175", "A: 0", "Enable: True", "",
    "Text: Центр 1", "Font: Arial", "Size: 8", "Color: 536870911", "X: 80", "Y: 110", "A: 0", "Enable: False", "",
    "Text: Центр 2", "Font: Arial", "Size: 8", "Color: 536870911", "X: 80", "Y: 130", "A: 0", "Enable: True", "",
    "Text: Центр 3", "Font: Arial", "Size: 8", "Color: 536870911", "X: 80", "Y: 150", "A: 0", "Enable: False", "",
    "L1X1: 4", "L1Y1: 196", "L1X2: 100", "L1Y2: 4", "L1X3: 196", "L1Y3: 196", "L1W: 2", "L1C: 536870911", "Enable: True", "",
    "L2X1: 8", "L2Y1: 193", "L2X2: 100", "L2Y2: 10", "L2X3: 190", "L2Y3: 193", "L2W: 1", "L2C: 536870911", "Enable: True", "",
    "L3X1: 40", "L3Y1: 170", "L3X2: 100", "L3Y2: 45", "L3X3: 160", "L3Y3: 170", "L3W: 2", "L3C: 536870911", "Enable: True",
};

const char* const kRectStampMap[] = {
    "Quillgraver save file. Program created by Fenbrooke", "Do not modify this file !", "",
    ";Page3", "Field Color: 16777215", "",
    "Text: Первая строка", "Font: Arial", "Size: 8", "Color: 536870911", "X: 20", "Y: 40", "A: 0", "Enable: True", "",
    "Text: Вторая строка", "Font: Arial", "Size: 8", "Color: 536870911", "X: 20", "Y: 52", "A: 0", "Enable: True", "",
    "Text: Третья строка", "Font: Arial", "Size: 8", "Color: 536870911", "X: 20", "Y: 80", "A: 0", "Enable: True", "",
    "Text: Четвертая строка", "Font: Arial", "Size: 8", "Color: 536870911", "X: 20", "Y: 100", "A: 0", "Enable: True", "",
    "Text: Пятая строка", "Font: Arial", "Size: 8", "Color: 536870911", "X: 20", "Y: 120", "A: 0", "Enable: True", "",
    "Text: Шестая строка", "Font: Arial", "Size: 8", "Color: 536870911", "X: 20", "Y: 140", "A: 0", "Enable: True", "",
    "K1X1: 5", "K1Y1: 35", "K1X2: 195", "K1Y2: 165", "K1W: 2", "K1C: 536870911", "Enable: True", "",
    "K2X1: 7", "K2Y1: 37", "K2X2: 192", "K2Y2: 162", "K2W: 1", "K2C: 536870911", "Enable: True", "",
    "L1X1: 20", "L1Y1: 70", "L1X2: 180", "L1Y2: 70", "L1W: 2", "L1C: 536870911", "Enable: True",
};
// clang-format on

// The round seal's file goes on after the 76 lines above with the centre
// lines' own angles.
const char* const kCentreAngleLines[] = {"", "CenterDegree1: 0", "CenterDegree2: 0", "CenterDegree3: 0"};

template <std::size_t N>
QStringList linesOf(const char* const (&lines)[N]) {
    QStringList out;
    for (const char* line : lines)
        out.append(QString::fromUtf8(line));
    return out;
}

// A file of the given lines, CR LF after each.
QByteArray fileOf(const QStringList& lines) {
    QByteArray out;
    for (const QString& line : lines)
        out += toCp1251(line) + "\r\n";
    return out;
}

QStringList defaultLines(StampKind kind) {
    switch (kind) {
        case StampKind::Round:
            return linesOf(kRoundSealMap) + linesOf(kCentreAngleLines);
        case StampKind::Triangle:
            return linesOf(kTriangleSealMap);
        case StampKind::Rect:
            return linesOf(kRectStampMap);
    }
    return {};
}

// The default file of a kind with line `number` (from 1) replaced.
QByteArray withLine(StampKind kind, int number, const QString& line) {
    QStringList lines = defaultLines(kind);
    lines[number - 1] = line;
    return fileOf(lines);
}

QByteArray firstLines(StampKind kind, int count) {
    return fileOf(defaultLines(kind).mid(0, count));
}

// Reads into the kind's defaults and gives the damaged line.
int damagedLineOf(StampKind kind, const QByteArray& bytes) {
    switch (kind) {
        case StampKind::Round: {
            RoundSealParameters p = defaultRoundSeal();
            return readRoundSeal(bytes, p).damagedLine;
        }
        case StampKind::Triangle: {
            TriangleSealParameters p = defaultTriangleSeal();
            return readTriangleSeal(bytes, p).damagedLine;
        }
        case StampKind::Rect: {
            RectStampParameters p = defaultRectStamp();
            return readRectStamp(bytes, p).damagedLine;
        }
    }
    return -1;
}

const QString kDamaged = QStringLiteral("Ошибка");

// Designs unlike the defaults in every setting a file carries.
RoundSealParameters changedRoundSeal() {
    RoundSealParameters p = defaultRoundSeal();
    p.background = 0x00123456;
    p.lines[0].text = QStringLiteral("  Печать ООО «Ромашка»  ");
    p.lines[1].text = QString();
    p.lines[2].text = QStringLiteral(" Ёё №5 € ");
    p.lines[3].text = QStringLiteral("Центр: 1");
    p.lines[0].font.face = QStringLiteral("Times New Roman");
    p.lines[1].font.face = QString();
    p.lines[4].font.size = -12;
    p.lines[5].font.color = kWindowTextColour;
    p.lines[2].font.color = 0x00FF0000;  // pure blue
    p.lines[0].radius = -5;
    p.lines[1].radius = INT_MAX;
    p.lines[0].angle = -90;
    p.lines[1].angle = 370;
    p.lines[2].angle = INT_MIN;
    p.lines[3].angle = 45;
    p.lines[4].angle = -45;
    p.lines[5].angle = 7;
    p.lines[3].x = -10;
    p.lines[5].y = 0;
    p.lines[0].enabled = false;
    p.lines[4].enabled = true;
    p.rings[1] = RingSettings{false, -1, 0, kInactiveBorderColour};
    p.emblem = EmblemSettings{true, -15, 25, QStringLiteral("C:\\Мои документы\\герб 2005.bmp")};
    return p;
}

TriangleSealParameters changedTriangleSeal() {
    TriangleSealParameters p = defaultTriangleSeal();
    p.background = kNoneColour;
    p.lines[0].text = QStringLiteral(" слева ");
    p.lines[2].text = QString();
    p.lines[3].font =
        LineFont{QStringLiteral("Courier New"), 14, 255, false, false, false, false, Pitch::Default};
    p.lines[4].x = -1;
    p.lines[5].y = INT_MIN;
    p.lines[5].angle = -360;
    p.lines[1].enabled = false;
    p.lines[5].enabled = true;
    p.frames[0].vertex[2] = Point{-4, 1000};
    p.frames[1] =
        FrameSettings{false, {Point{1, 2}, Point{3, 4}, Point{5, 6}}, -2, static_cast<TColor>(0xFF000005u)};
    p.frames[2].color = 0;
    return p;
}

RectStampParameters changedRectStamp() {
    RectStampParameters p = defaultRectStamp();
    p.background = 0;
    p.lines[0].text = QStringLiteral("ИНН 7700000000 ");
    p.lines[5].text = QString();
    p.lines[1].font.face = QStringLiteral("PT Sans");
    p.lines[2].angle = -30;
    p.lines[3].enabled = false;
    p.contours[0] = SegmentSettings{false, Point{195, 165}, Point{5, 35}, 0, 0x0000FF00};
    p.contours[1].width = -7;
    p.innerLine = SegmentSettings{true, Point{-20, 70}, Point{180, -70}, 3, kNoneColour};
    return p;
}

}  // namespace

Q_DECLARE_METATYPE(qg::StampKind)
Q_DECLARE_METATYPE(qg::RingTextLayout)

class TestIo : public QObject {
    Q_OBJECT

private slots:
    void cp1251KnownBytes_data();
    void cp1251KnownBytes();
    void cp1251EveryByte();
    void cp1251Unencodable_data();
    void cp1251Unencodable();

    void readNumberValue_data();
    void readNumberValue();
    void readTextValue_data();
    void readTextValue();
    void readEnableLine_data();
    void readEnableLine();
    void splitLines_data();
    void splitLines();
    void sectionKind_data();
    void sectionKind();
    void fileExtension_data();
    void fileExtension();

    void defaultFiles_data();
    void defaultFiles();
    void roundTrip();
    void damagedLine_data();
    void damagedLine();
    void damagedLineResultApplied();
    void laterLineWins();
    void centreLineAngles();
    void fileEndingEarly();
    void fontStyleKept();
    void linesAfterRoundSeal_data();
    void linesAfterRoundSeal();
    void fontStylesRoundTrip_data();
    void fontStylesRoundTrip();
    void styleLines_data();
    void styleLines();
    void ringLayoutRoundTrip_data();
    void ringLayoutRoundTrip();
    void ringLayoutLines_data();
    void ringLayoutLines();
    void ringLayoutBeyondFixedLines();
    void centreTrackingLines_data();
    void centreTrackingLines();
    void controlCharactersWrittenAsBlanks_data();
    void controlCharactersWrittenAsBlanks();
    void lineEndings();

    void emblemLinesRoundTrip_data();
    void emblemLinesRoundTrip();
    void emblemLinesWritten();
    void emblemValuesOutOfRange_data();
    void emblemValuesOutOfRange();
    void damagedEmblemCopy_data();
    void damagedEmblemCopy();
    void designFileLimit_data();
    void designFileLimit();

    void wholeFiles();
};

// ---- Windows-1251 ----

void TestIo::cp1251KnownBytes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ascii") << QStringLiteral("Aa1 ~:") << QByteArray("Aa1 ~:");
    QTest::newRow("russian") << QStringLiteral("Первая строка")
                             << QByteArray("\xCF\xE5\xF0\xE2\xE0\xFF \xF1\xF2\xF0\xEE\xEA\xE0");
    QTest::newRow("alphabet ends") << QStringLiteral("АЯая") << QByteArray("\xC0\xDF\xE0\xFF");
    QTest::newRow("yo, number, euro, quotes")
        << QStringLiteral("Ёё№€«»") << QByteArray("\xA8\xB8\xB9\x88\xAB\xBB");
    QTest::newRow("ukrainian, belarusian")
        << QStringLiteral("ЇїҐґЄєІіЎў") << QByteArray("\xAF\xBF\xA5\xB4\xAA\xBA\xB2\xB3\xA1\xA2");
    QTest::newRow("serbian, macedonian")
        << QStringLiteral("ЂђЉљЊњЋћЏџЌќЃѓЈјЅѕ")
        << QByteArray("\x80\x90\x8A\x9A\x8C\x9C\x8E\x9E\x8F\x9F\x8D\x9D\x81\x83\xA3\xBC\xBD\xBE");
    QTest::newRow("punctuation") << QStringLiteral("‚„…†‡‰‹‘’“”•–—™›\u00A0¤¦§©¬\u00AD®°±µ¶·")
                                 << QByteArray(
                                        "\x82\x84\x85\x86\x87\x89\x8B\x91\x92\x93\x94\x95\x96\x97\x99\x9B"
                                        "\xA0\xA4\xA6\xA7\xA9\xAC\xAD\xAE\xB0\xB1\xB5\xB6\xB7");
}

void TestIo::cp1251KnownBytes() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(toCp1251(text), bytes);
    QCOMPARE(fromCp1251(bytes), text);
    QVERIFY(canEncodeCp1251(text));
}

void TestIo::cp1251EveryByte() {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString text = fromCp1251(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(text.at(0x98), QChar(0xFFFD));
    QByteArray expected = all;
    expected[0x98] = '?';
    QCOMPARE(toCp1251(text), expected);
    // Every assigned byte has a character of its own.
    QString assigned = text;
    assigned.remove(0x98, 1);
    QVERIFY(canEncodeCp1251(assigned));
    for (qsizetype i = 0; i < assigned.size(); ++i)
        QCOMPARE(assigned.count(assigned.at(i)), 1);
}

void TestIo::cp1251Unencodable_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("chinese") << QStringLiteral("печать 日本") << QByteArray("\xEF\xE5\xF7\xE0\xF2\xFC ??");
    QTest::newRow("outside the BMP is one character") << QStringLiteral("a\U0001F600b") << QByteArray("a?b");
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << QByteArray("?");
    QTest::newRow("replacement character") << QStringLiteral("\uFFFD") << QByteArray("?");
    QTest::newRow("C1 control of the empty slot") << QStringLiteral("\u0098") << QByteArray("?");
    QTest::newRow("latin accent") << QStringLiteral("é") << QByteArray("?");
}

void TestIo::cp1251Unencodable() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QVERIFY(!canEncodeCp1251(text));
    QCOMPARE(toCp1251(text), bytes);
}

// ---- Line helpers ----

void TestIo::readNumberValue_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("damaged");
    QTest::newRow("plain") << "Size: "
                           << "Size: 12" << 12 << false;
    QTest::newRow("negative") << "A: "
                              << "A: -80" << -80 << false;
    QTest::newRow("none colour") << "Color: "
                                 << "Color: 536870911" << 536870911 << false;
    QTest::newRow("top bit set") << "L1C: "
                                 << "L1C: -16777211" << -16777211 << false;
    QTest::newRow("hex") << "Size: "
                         << "Size: $0C" << 12 << false;
    QTest::newRow("plus sign") << "Size: "
                               << "Size: +12" << 12 << false;
    QTest::newRow("trailing blank is 0") << "Size: "
                                         << "Size: 12 " << 0 << false;
    QTest::newRow("letters after digits") << "L1W: "
                                          << "L1W: 12a" << 0 << false;
    QTest::newRow("nothing after key") << "Gx: "
                                       << "Gx: " << 0 << false;
    QTest::newRow("out of range") << "Gx: "
                                  << "Gx: 2147483648" << 0 << false;
    QTest::newRow("key later in line") << "Size: "
                                       << "xSize: 7" << 7 << false;
    QTest::newRow("key later, value part ': 12'") << "Size: "
                                                  << "  Size: 12" << 0 << false;
    QTest::newRow("key without blank") << "Size: "
                                       << "Size:12" << 0 << true;
    QTest::newRow("wrong case") << "Size: "
                                << "size: 12" << 0 << true;
    QTest::newRow("other key") << "CornerX: "
                               << "CornerY: 80" << 0 << true;
    QTest::newRow("empty line") << "Size: "
                                << "" << 0 << true;
}

void TestIo::readNumberValue() {
    QFETCH(QString, key);
    QFETCH(QString, line);
    QFETCH(int, value);
    QFETCH(bool, damaged);
    bool flag = false;
    QCOMPARE(ReadNumberValue(key, line, flag), value);
    QCOMPARE(flag, damaged);
    flag = true;  // a set flag stays set
    ReadNumberValue(key, line, flag);
    QVERIFY(flag);
}

void TestIo::readTextValue_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("damaged");
    QTest::newRow("plain") << "Text: "
                           << "Text: abc"
                           << "abc" << false;
    QTest::newRow("blanks kept") << "Text: "
                                 << "Text:  a b  "
                                 << " a b  " << false;
    QTest::newRow("empty") << "Text: "
                           << "Text: "
                           << "" << false;
    QTest::newRow("cyrillic") << "Text: "
                              << "Text: Центр 1"
                              << "Центр 1" << false;
    QTest::newRow("key after two blanks") << "Text: "
                                          << "  Text: abc"
                                          << ": abc" << false;
    QTest::newRow("path with blanks") << "Path: "
                                      << "Path: C:\\Мои документы\\герб 2005.bmp"
                                      << "C:\\Мои документы\\герб 2005.bmp" << false;
    QTest::newRow("key without blank") << "Path: "
                                       << "Path:" << kDamaged << true;
    QTest::newRow("wrong case") << "Font: "
                                << "font: Arial" << kDamaged << true;
    QTest::newRow("empty line") << "Text: "
                                << "" << kDamaged << true;
}

void TestIo::readTextValue() {
    QFETCH(QString, key);
    QFETCH(QString, line);
    QFETCH(QString, value);
    QFETCH(bool, damaged);
    bool flag = false;
    QCOMPARE(ReadTextValue(key, line, flag), value);
    QCOMPARE(flag, damaged);
}

void TestIo::readEnableLine_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("value");
    QTest::addColumn<bool>("damaged");
    QTest::newRow("true") << "Enable: True" << true << false;
    QTest::newRow("false") << "Enable: False" << false << false;
    QTest::newRow("lower case") << "Enable: true" << false << true;
    QTest::newRow("trailing blank") << "Enable: True " << false << true;
    QTest::newRow("leading blank") << " Enable: True" << false << true;
    QTest::newRow("upper case") << "Enable: TRUE" << false << true;
    QTest::newRow("other word") << "Enable: Yes" << false << true;
    QTest::newRow("empty") << "" << false << true;
}

void TestIo::readEnableLine() {
    QFETCH(QString, line);
    QFETCH(bool, value);
    QFETCH(bool, damaged);
    bool flag = false;
    QCOMPARE(ReadEnableLine(line, flag), value);
    QCOMPARE(flag, damaged);
}

void TestIo::splitLines_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("lone LF") << QByteArray("a\nb\n") << QStringList{"a", "b"};
    QTest::newRow("no end after last line") << QByteArray("a\r\nb") << QStringList{"a", "b"};
    QTest::newRow("lone CR is dropped") << QByteArray("a\rb\r\nc\r") << QStringList{"ab", "c"};
    QTest::newRow("only CRs") << QByteArray("a\rb\rc\r") << QStringList{"abc"};
    QTest::newRow("empty lines") << QByteArray("a\r\n\r\n\nb\r\n\r\n") << QStringList{"a", "", "", "b", ""};
    QTest::newRow("0x1A ends the file") << QByteArray("a\r\nb\x1A\r\nc\r\n") << QStringList{"a", "b"};
    QTest::newRow("0x1A after the last line") << QByteArray("a\r\n\x1A\r\n") << QStringList{"a"};
    QTest::newRow("0x1A first") << QByteArray(
                                       "\x1A"
                                       "a\r\n")
                                << QStringList{""};
    QTest::newRow("empty file") << QByteArray() << QStringList{""};
    QTest::newRow("one line end") << QByteArray("\r\n") << QStringList{""};
    QTest::newRow("cyrillic") << QByteArray("\xD6\xE5\xED\xF2\xF0 1\r\n") << QStringList{"Центр 1"};
    QTest::newRow("NUL stays") << QByteArray("a\0b\n", 4) << QStringList{QString::fromUtf16(u"a\0b", 3)};
    const QByteArray longLine(300000, 'x');
    QTest::newRow("long line") << longLine + "\r\nz" << QStringList{QString(300000, u'x'), "z"};
}

void TestIo::splitLines() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QCOMPARE(io::splitLines(bytes), lines);
}

void TestIo::sectionKind_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("kind");  // -1: no section
    QTest::newRow("round") << fileOf(defaultLines(StampKind::Round)) << 0;
    QTest::newRow("triangle") << fileOf(defaultLines(StampKind::Triangle)) << 1;
    QTest::newRow("rect") << fileOf(defaultLines(StampKind::Rect)) << 2;
    QTest::newRow("lower case p") << QByteArray("a\r\nb\r\n\r\n;page1\r\n") << -1;
    QTest::newRow("trailing blank") << QByteArray("a\r\nb\r\n\r\n;Page1 \r\n") << -1;
    QTest::newRow("3 lines, last is marker") << QByteArray("a\r\nb\r\n;Page2\r\n") << 1;
    QTest::newRow("1 line, no line end") << QByteArray(";Page3") << 2;
    QTest::newRow("marker on line 5") << QByteArray("a\r\nb\r\nc\r\nd\r\n;Page1\r\n") << -1;
    QTest::newRow("marker on line 2 of 4") << QByteArray("a\r\n;Page1\r\nc\r\nd\r\n") << -1;
    QTest::newRow("4th line wins over 5th") << QByteArray("\r\n\r\n\r\n;Page3\r\n;Page1\r\n") << 2;
    QTest::newRow("CR LF and lone CR") << QByteArray("a\r\nb\r\n\r\n;Pa\rge1\r\n") << 0;
    QTest::newRow("abc") << QByteArray("abc") << -1;
    QTest::newRow("empty") << QByteArray() << -1;
    QTest::newRow("0x1A before marker") << QByteArray("a\r\nb\r\n;Page2\r\n\x1A;Page1\r\n") << 1;
}

void TestIo::sectionKind() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, kind);
    const std::optional<StampKind> found = io::sectionKind(bytes);
    QCOMPARE(found ? static_cast<int>(*found) : -1, kind);
}

void TestIo::fileExtension_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("extension");
    QTest::newRow("lower") << "x.qgr"
                           << ".qgr";
    QTest::newRow("upper") << "x.QGR"
                           << ".QGR";
    QTest::newRow("mixed") << "x.Qgr"
                           << ".Qgr";
    QTest::newRow("dot in folder only") << "/home/u/dir.v2/file"
                                        << "";
    QTest::newRow("dot in windows folder") << "C:\\dir.v2\\file"
                                           << "";
    QTest::newRow("none") << "x"
                          << "";
    QTest::newRow("last dot") << "a.b.c"
                              << ".c";
    QTest::newRow("path") << "/home/u/stamp.bmp"
                          << ".bmp";
    QTest::newRow("ends with dot") << "x."
                                   << ".";
    QTest::newRow("dot file") << "/tmp/.qgr"
                              << ".qgr";
}

void TestIo::fileExtension() {
    QFETCH(QString, name);
    QFETCH(QString, extension);
    QCOMPARE(io::fileExtension(name), extension);
}

// ---- Sections ----

void TestIo::defaultFiles_data() {
    QTest::addColumn<StampKind>("kind");
    QTest::addColumn<int>("lineCount");
    QTest::addColumn<int>("mapBytes");  // the size of the lines the format maps
    QTest::newRow("round") << StampKind::Round << 80 << 948;
    QTest::newRow("triangle") << StampKind::Triangle << 89 << 1024;
    QTest::newRow("rect") << StampKind::Rect << 83 << 943;
}

void TestIo::defaultFiles() {
    QFETCH(StampKind, kind);
    QFETCH(int, lineCount);
    QFETCH(int, mapBytes);
    QByteArray written;
    switch (kind) {
        case StampKind::Round:
            written = writeRoundSeal(defaultRoundSeal());
            QCOMPARE(written, writeRoundSeal(defaultRoundSeal()));
            QCOMPARE(written.sliced(mapBytes),
                     QByteArray("\r\nCenterDegree1: 0\r\nCenterDegree2: 0\r\nCenterDegree3: 0\r\n"));
            break;
        case StampKind::Triangle:
            written = writeTriangleSeal(defaultTriangleSeal());
            QVERIFY(written.contains("\r\nA: -80\r\n"));
            break;
        case StampKind::Rect:
            written = writeRectStamp(defaultRectStamp());
            break;
    }
    const QStringList expected = defaultLines(kind);
    QCOMPARE(expected.size(), lineCount);
    QCOMPARE(written, fileOf(expected));
    QCOMPARE(fileOf(expected.mid(0, expected.size() == 80 ? 76 : lineCount)).size(), mapBytes);
    QVERIFY(written.endsWith("\r\n"));
    QCOMPARE(io::splitLines(written), expected);
    QCOMPARE(io::sectionKind(written), std::optional<StampKind>(kind));
}

template <typename P>
void checkRoundTrip(const P& changed, const P& defaults, QByteArray (*write)(const P&),
                    ReadResult (*read)(const QByteArray&, P&)) {
    const QByteArray file = write(changed);
    P read_back = defaults;
    QCOMPARE(read(file, read_back).damagedLine, 0);
    QVERIFY(read_back == changed);
    QCOMPARE(write(read_back), file);
}

void TestIo::roundTrip() {
    const RoundSealParameters round = changedRoundSeal();
    checkRoundTrip(round, defaultRoundSeal(), &writeRoundSeal, &readRoundSeal);
    if (QTest::currentTestFailed())
        return;
    const QStringList lines = io::splitLines(writeRoundSeal(round));
    QCOMPARE(lines[6], QStringLiteral("Text:   Печать ООО «Ромашка»  "));
    QCOMPARE(lines[14], QStringLiteral("Text: "));
    QCOMPARE(lines[25], QStringLiteral("Color: 16711680"));
    QCOMPARE(lines[36], QStringLiteral("Degree: -90"));  // ring text 1's angle again
    QCOMPARE(lines[77], QStringLiteral("CenterDegree1: 45"));
    QCOMPARE(lines[64], QStringLiteral("Color: -16777205"));

    checkRoundTrip(changedTriangleSeal(), defaultTriangleSeal(), &writeTriangleSeal, &readTriangleSeal);
    checkRoundTrip(changedRectStamp(), defaultRectStamp(), &writeRectStamp, &readRectStamp);
}

void TestIo::damagedLine_data() {
    QTest::addColumn<StampKind>("kind");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("damagedLine");
    const auto R = StampKind::Round, T = StampKind::Triangle, K = StampKind::Rect;
    QTest::newRow("round clean") << R << fileOf(defaultLines(R)) << 0;
    QTest::newRow("round 5 no key") << R << withLine(R, 5, "Field Colour: 5") << 5;
    QTest::newRow("round 7 key without blank") << R << withLine(R, 7, "Text:abc") << 7;
    QTest::newRow("round 13 lower case") << R << withLine(R, 13, "Enable: true") << 13;
    QTest::newRow("round 38 trailing blank") << R << withLine(R, 38, "Enable: False ") << 38;
    QTest::newRow("round 75 Path:") << R << withLine(R, 75, "Path:") << 75;
    QTest::newRow("round 76") << R << withLine(R, 76, "Enable:False") << 76;
    QTest::newRow("round 78 without a key is passed over") << R << withLine(R, 78, "CenterDegree1:0") << 0;
    QTest::newRow("round 80 another angle key") << R << withLine(R, 80, "CenterDegree1: 0") << 0;
    QTest::newRow("round 9 bad number is no damage") << R << withLine(R, 9, "Size: 12 ") << 0;
    QTest::newRow("round header and blanks unread")
        << R << fileOf(QStringList{"x", "y", "z", "w", "Field Color: 1", "junk"} + defaultLines(R).mid(6))
        << 0;
    QTest::newRow("round blank line 57 unread") << R << withLine(R, 57, "Enable: maybe") << 0;
    QTest::newRow("round, later lines any")
        << R << fileOf(defaultLines(R) + QStringList{"junk", "Enable: x"}) << 0;
    QTest::newRow("round empty file") << R << QByteArray() << 0;
    QTest::newRow("triangle 14 lower case") << T << withLine(T, 14, "Enable: true") << 14;
    QTest::newRow("triangle 8 misspelt") << T << withLine(T, 8, "Fnt: Arial") << 8;
    QTest::newRow("triangle 89") << T << withLine(T, 89, "Enable: Yes") << 89;
    QTest::newRow("triangle 11 12a") << T << withLine(T, 11, "X: 12a") << 0;
    QTest::newRow("triangle, later lines any") << T << fileOf(defaultLines(T) + QStringList{"junk"}) << 0;
    QTest::newRow("rect 67 lower case") << K << withLine(K, 67, "Enable: true") << 67;
    QTest::newRow("rect 65 misspelt") << K << withLine(K, 65, "KW1: 2") << 65;
    QTest::newRow("rect 83 empty") << K << withLine(K, 83, "") << 83;
    QStringList shifted = defaultLines(K);
    shifted.removeAt(6);
    QTest::newRow("rect block shifted by one") << K << fileOf(shifted) << 7;
    QTest::newRow("rect 60 lines") << K << firstLines(K, 60) << 0;
}

void TestIo::damagedLine() {
    QFETCH(StampKind, kind);
    QFETCH(QByteArray, file);
    QFETCH(int, damagedLine);
    QCOMPARE(damagedLineOf(kind, file), damagedLine);
}

// The reader stops after the damaged line; that line's own result is in
// place and no later line is applied.
void TestIo::damagedLineResultApplied() {
    const RoundSealParameters before = changedRoundSeal();

    RoundSealParameters round = before;
    QCOMPARE(readRoundSeal(withLine(StampKind::Round, 75, "Path:"), round).damagedLine, 75);
    QCOMPARE(round.emblem.path, kDamaged);
    QCOMPARE(round.emblem.enabled, true);  // line 76 not read
    QCOMPARE(round.emblem.y, 0);           // line 74 read
    QCOMPARE(round.lines[3].angle, 45);    // line 78 not read

    round = before;
    QCOMPARE(readRoundSeal(withLine(StampKind::Round, 5, "Field Colour: 5"), round).damagedLine, 5);
    QCOMPARE(round.background, 0);
    round.background = before.background;
    QVERIFY(round == before);

    round = before;
    QCOMPARE(readRoundSeal(withLine(StampKind::Round, 8, "Fnt: Arial"), round).damagedLine, 8);
    QCOMPARE(round.lines[0].text, QStringLiteral("Первая строка"));
    QCOMPARE(round.lines[0].font.face, kDamaged);
    QCOMPARE(round.lines[0].font.size, before.lines[0].font.size);

    TriangleSealParameters triangle = changedTriangleSeal();
    triangle.lines[0].enabled = true;
    QCOMPARE(readTriangleSeal(withLine(StampKind::Triangle, 14, "Enable: true"), triangle).damagedLine, 14);
    QCOMPARE(triangle.lines[0].enabled, false);
    QCOMPARE(triangle.lines[0].text, QStringLiteral("Текст по левой стороне"));
    QCOMPARE(triangle.lines[1].enabled, false);  // line 23 says True but is not read
    QCOMPARE(triangle.frames[1].width, -2);

    RectStampParameters rect = changedRectStamp();
    rect.contours[0].enabled = true;
    QCOMPARE(readRectStamp(withLine(StampKind::Rect, 67, "Enable: true"), rect).damagedLine, 67);
    QCOMPARE(rect.contours[0].enabled, false);
    QCOMPARE(rect.contours[0].p1, (Point{5, 35}));
    QCOMPARE(rect.contours[1].width, -7);

    // An unreadable number is 0 without damage and reading goes on.
    QStringList lines = defaultLines(StampKind::Rect);
    lines[80] = "L1W: 12a";
    lines[81] = "L1C: 255";
    lines[82] = "Enable: False";
    rect = changedRectStamp();
    QCOMPARE(readRectStamp(fileOf(lines), rect).damagedLine, 0);
    QCOMPARE(rect.innerLine.width, 0);
    QCOMPARE(rect.innerLine.color, 255);
    QCOMPARE(rect.innerLine.enabled, false);
}

void TestIo::laterLineWins() {
    QStringList lines = defaultLines(StampKind::Round);
    lines[11] = "Degree: 10";
    lines[36] = "Degree: 20";
    RoundSealParameters round = defaultRoundSeal();
    QCOMPARE(readRoundSeal(fileOf(lines), round).damagedLine, 0);
    QCOMPARE(round.lines[0].angle, 20);
    QCOMPARE(round.lines[3].angle, 0);

    round = defaultRoundSeal();
    QCOMPARE(readRoundSeal(fileOf(lines.mid(0, 36)), round).damagedLine, 0);
    QCOMPARE(round.lines[0].angle, 10);
}

void TestIo::centreLineAngles() {
    QStringList lines = defaultLines(StampKind::Round);
    lines[77] = "CenterDegree1: 45";
    lines[78] = "CenterDegree2: -30";
    lines[79] = "CenterDegree3: $10";
    RoundSealParameters round = defaultRoundSeal();
    QCOMPARE(readRoundSeal(fileOf(lines), round).damagedLine, 0);
    QCOMPARE(round.lines[3].angle, 45);
    QCOMPARE(round.lines[4].angle, -30);
    QCOMPARE(round.lines[5].angle, 16);
    QCOMPARE(round.lines[0].angle, 0);

    // A file in the 76-line layout leaves the centre lines' angles alone.
    round.lines[4].angle = 33;
    QCOMPARE(readRoundSeal(fileOf(lines.mid(0, 76)), round).damagedLine, 0);
    QCOMPARE(round.lines[3].angle, 45);
    QCOMPARE(round.lines[4].angle, 33);
}

void TestIo::fileEndingEarly() {
    const RoundSealParameters before = changedRoundSeal();
    RoundSealParameters round = before;
    QCOMPARE(readRoundSeal(firstLines(StampKind::Round, 40), round).damagedLine, 0);
    const RoundSealParameters defaults = defaultRoundSeal();
    QCOMPARE(round.lines[4].text, defaults.lines[4].text);  // line 40
    QCOMPARE(round.lines[4].font, before.lines[4].font);    // line 41 on: as before
    QCOMPARE(round.lines[4].enabled, before.lines[4].enabled);
    QCOMPARE(round.lines[3].enabled, defaults.lines[3].enabled);
    QCOMPARE(round.lines[2].angle, defaults.lines[2].angle);
    QVERIFY(round.rings == before.rings);
    QVERIFY(round.emblem == before.emblem);

    TriangleSealParameters triangle = changedTriangleSeal();
    QCOMPARE(readTriangleSeal(firstLines(StampKind::Triangle, 40), triangle).damagedLine, 0);
    QCOMPARE(triangle.lines[3].angle, 0);        // line 40
    QCOMPARE(triangle.lines[3].enabled, false);  // line 41 not in the file
    QVERIFY(triangle.frames == changedTriangleSeal().frames);
}

// The pitch is never in a file. The style is: a whole file without style
// lines gives the regular style, a file that ends early leaves it alone.
void TestIo::fontStyleKept() {
    RoundSealParameters round = defaultRoundSeal();
    LineFont& font = round.lines[2].font;
    font = LineFont{QStringLiteral("Courier"), 20, 5, true, true, true, true, Pitch::Fixed};
    QCOMPARE(readRoundSeal(firstLines(StampKind::Round, 75), round).damagedLine, 0);
    QCOMPARE(font, (LineFont{QStringLiteral("Arial"), 8, kNoneColour, true, true, true, true, Pitch::Fixed}));
    QCOMPARE(readRoundSeal(fileOf(defaultLines(StampKind::Round)), round).damagedLine, 0);
    QCOMPARE(font, (LineFont{QStringLiteral("Arial"), 8, kNoneColour, false, false, false, false, Pitch::Fixed}));
}

// After line 76 of a round seal only the centre lines' angle keys count,
// wherever they stand; the start design has the angles 11, 22 and 33.
void TestIo::linesAfterRoundSeal_data() {
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QList<int>>("angles");
    QTest::newRow("two empty lines") << QStringList{"", ""} << QList<int>{11, 22, 33};
    QTest::newRow("unrelated text") << QStringList{"Печать", "Enable: x", "Degree: 5", "Text: y"}
                                    << QList<int>{11, 22, 33};
    QTest::newRow("angles where written")
        << QStringList{"", "CenterDegree1: 45", "CenterDegree2: -30", "CenterDegree3: $10"} << QList<int>{45, -30, 16};
    QTest::newRow("angles in another order, among other lines")
        << QStringList{"CenterDegree3: 7", "junk", "", "", "CenterDegree1: 45", "CenterDegree2: -30"}
        << QList<int>{45, -30, 7};
    QTest::newRow("key not at the start or without its blank")
        << QStringList{" CenterDegree1: 45", "CenterDegree2:45", "x CenterDegree3: 45"} << QList<int>{11, 22, 33};
}

void TestIo::linesAfterRoundSeal() {
    QFETCH(QStringList, after);
    QFETCH(QList<int>, angles);
    RoundSealParameters round = changedRoundSeal();
    for (int k = 0; k < 3; ++k)
        round.lines[3 + k].angle = 11 * (k + 1);
    QCOMPARE(readRoundSeal(fileOf(defaultLines(StampKind::Round).mid(0, 76) + after), round).damagedLine, 0);
    RoundSealParameters expected = defaultRoundSeal();
    for (int k = 0; k < 3; ++k)
        expected.lines[3 + k].angle = angles[k];
    QVERIFY(round == expected);
}

namespace {

// One style per line alone, all four together, and a pair.
void styleLine(LineFont& font, std::size_t line) {
    static const bool styles[6][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}, {1, 1, 1, 1}, {1, 0, 1, 0}};
    font.bold = styles[line][0];
    font.italic = styles[line][1];
    font.underline = styles[line][2];
    font.strikeOut = styles[line][3];
}

void setEveryStyle(LineFont& font, bool on) {
    font.bold = font.italic = font.underline = font.strikeOut = on;
}

// `line` is the 0-based line to style, -1 for all six.
template <typename P>
void checkStyles(const P& defaults, int line, QByteArray (*write)(const P&),
                 ReadResult (*read)(const QByteArray&, P&)) {
    P styled = defaults;
    P plain = defaults;
    int styledCount = 0;
    for (std::size_t i = 0; i < styled.lines.size(); ++i) {
        if (line >= 0 && static_cast<int>(i) != line)
            continue;
        styleLine(styled.lines[i].font, i);
        ++styledCount;
    }
    const QByteArray file = write(styled);
    const QByteArray fixed = write(plain);

    // The fixed lines stay as they are; the style lines follow them.
    QVERIFY(file.startsWith(fixed));
    QStringList extra = splitLines(file.sliced(fixed.size()));
    if (extra.first().isEmpty())
        extra.removeFirst();
    QCOMPARE(extra.size(), styledCount);
    for (const QString& l : extra)
        QVERIFY2(l.startsWith(u"Line") && l.contains(u"Style: "), qPrintable(l));

    // Read over a design whose lines are styled otherwise.
    P back = defaults;
    for (TextLineSettings& l : back.lines)
        setEveryStyle(l.font, true);
    QCOMPARE(read(file, back).damagedLine, 0);
    QVERIFY(back == styled);
    QCOMPARE(write(back), file);
}

}  // namespace

void TestIo::fontStylesRoundTrip_data() {
    QTest::addColumn<StampKind>("kind");
    QTest::addColumn<int>("line");
    const std::pair<const char*, StampKind> kinds[] = {
        {"round", StampKind::Round}, {"triangle", StampKind::Triangle}, {"rect", StampKind::Rect}};
    for (const auto& [name, kind] : kinds) {
        for (int line = 0; line < 6; ++line)
            QTest::addRow("%s line %d", name, line + 1) << kind << line;
        QTest::addRow("%s every line", name) << kind << -1;
    }
}

void TestIo::fontStylesRoundTrip() {
    QFETCH(StampKind, kind);
    QFETCH(int, line);
    switch (kind) {
        case StampKind::Round:
            checkStyles(changedRoundSeal(), line, &writeRoundSeal, &readRoundSeal);
            break;
        case StampKind::Triangle:
            checkStyles(changedTriangleSeal(), line, &writeTriangleSeal, &readTriangleSeal);
            break;
        case StampKind::Rect:
            checkStyles(changedRectStamp(), line, &writeRectStamp, &readRectStamp);
            break;
    }
}

// Style lines as a hand may have changed them, after a whole file; the
// second line starts in every style. "b-us" reads bold, -, underline,
// strike-out.
void TestIo::styleLines_data() {
    QTest::addColumn<StampKind>("kind");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QString>("style");
    const auto R = StampKind::Round, T = StampKind::Triangle;
    QTest::newRow("as written") << T << QStringList{"", "Line2Style: bold strikeout"} << "b--s";
    QTest::newRow("after the round seal's angles") << R << QStringList{"Line2Style: italic"} << "-i--";
    QTest::newRow("any case, any blanks") << T << QStringList{"Line2Style:   ITALIC\tUnderline "} << "-iu-";
    QTest::newRow("unknown words passed over") << T << QStringList{"Line2Style: heavy bold wide"} << "b---";
    QTest::newRow("no style line") << T << QStringList{"", "junk"} << "----";
    QTest::newRow("other keys")
        << R << QStringList{"Line3Style: bold", "Line7Style: bold", "Line2Styles: bold", "Style2: bold"} << "----";
}

void TestIo::styleLines() {
    QFETCH(StampKind, kind);
    QFETCH(QStringList, after);
    QFETCH(QString, style);
    const QByteArray file = fileOf(defaultLines(kind) + after);
    LineFont font;
    if (kind == StampKind::Round) {
        RoundSealParameters round = defaultRoundSeal();
        setEveryStyle(round.lines[1].font, true);
        QCOMPARE(readRoundSeal(file, round).damagedLine, 0);
        font = round.lines[1].font;
    } else {
        TriangleSealParameters triangle = defaultTriangleSeal();
        setEveryStyle(triangle.lines[1].font, true);
        QCOMPARE(readTriangleSeal(file, triangle).damagedLine, 0);
        font = triangle.lines[1].font;
    }
    const QString read = QString(font.bold ? u'b' : u'-') + (font.italic ? u'i' : u'-') +
                         (font.underline ? u'u' : u'-') + (font.strikeOut ? u's' : u'-');
    QCOMPARE(read, style);
}

namespace {

RingTextLayout ringLayout(bool glyphs, double span, double tracking, bool reverse, bool fit) {
    return RingTextLayout{glyphs ? RingSpacing::Glyphs : RingSpacing::Equal, span, tracking, reverse, fit};
}

// Every setting of every ring text away from its default.
void setEveryRingLayout(RoundSealParameters& seal) {
    for (RingTextLayout& layout : seal.ringLayouts)
        layout = ringLayout(true, 45, 2, true, true);
}

}  // namespace

// The layout of one ring text, written after everything else and read back
// over a design whose ring texts are all laid out otherwise.
void TestIo::ringLayoutRoundTrip_data() {
    QTest::addColumn<int>("line");
    QTest::addColumn<RingTextLayout>("layout");
    QTest::addColumn<bool>("styled");
    QTest::addColumn<QStringList>("written");
    QTest::newRow("glyph spacing alone") << 0 << ringLayout(true, 0, 0, false, false) << false
                                         << QStringList{"Line1Spacing: glyphs"};
    QTest::newRow("every setting") << 1 << ringLayout(true, 12.5, -0.75, true, true) << false
                                   << QStringList{"Line2Spacing: glyphs", "Line2Span: 12.5", "Line2Tracking: -0.75",
                                                  "Line2Reverse: True", "Line2Fit: True"};
    QTest::newRow("whole ring, fitted") << 2 << ringLayout(true, 360, 0, false, true) << false
                                        << QStringList{"Line3Spacing: glyphs", "Line3Span: 360", "Line3Fit: True"};
    QTest::newRow("shortest numbers") << 0 << ringLayout(true, 1, 0.1, false, false) << false
                                      << QStringList{"Line1Spacing: glyphs", "Line1Span: 1", "Line1Tracking: 0.1"};
    QTest::newRow("a tiny tracking") << 0 << ringLayout(true, 359.999, 1e-7, false, false) << false
                                     << QStringList{"Line1Spacing: glyphs", "Line1Span: 359.999",
                                                    "Line1Tracking: 1e-07"};
    QTest::newRow("kept in equal spacing") << 0 << ringLayout(false, 90, 0, true, false) << false
                                           << QStringList{"Line1Span: 90", "Line1Reverse: True"};
    QTest::newRow("after the styles") << 1 << ringLayout(true, 0, 3, false, false) << true
                                      << QStringList{"Line3Style: bold", "Line2Spacing: glyphs",
                                                     "Line2Tracking: 3"};
}

void TestIo::ringLayoutRoundTrip() {
    QFETCH(int, line);
    QFETCH(RingTextLayout, layout);
    QFETCH(bool, styled);
    QFETCH(QStringList, written);
    RoundSealParameters seal = changedRoundSeal();
    seal.lines[2].font.bold = styled;
    const QByteArray fixed = writeRoundSeal(defaultRoundSeal());
    seal.ringLayouts[static_cast<std::size_t>(line)] = layout;
    const QByteArray file = writeRoundSeal(seal);
    QCOMPARE(io::splitLines(file).mid(80), written);

    RoundSealParameters back = defaultRoundSeal();
    setEveryRingLayout(back);
    QCOMPARE(readRoundSeal(file, back).damagedLine, 0);
    QVERIFY(back == seal);
    QCOMPARE(writeRoundSeal(back), file);
    QCOMPARE(io::splitLines(file).size(), io::splitLines(fixed).size() + written.size());
}

// Layout lines as a hand may have changed them, after a whole file, read
// over a design whose ring texts are all laid out otherwise: only ring text
// 1 may come out changed; a value the program does not know reads as the
// default and never damages the file.
void TestIo::ringLayoutLines_data() {
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<RingTextLayout>("first");
    const RingTextLayout plain;
    const RingTextLayout glyphs = ringLayout(true, 0, 0, false, false);
    QTest::newRow("none: today's spacing") << QStringList{} << plain;
    QTest::newRow("as written") << QStringList{"Line1Spacing: glyphs", "Line1Span: 200", "Line1Tracking: 1.5",
                                               "Line1Reverse: True", "Line1Fit: True"}
                                << ringLayout(true, 200, 1.5, true, true);
    QTest::newRow("any order, among other lines")
        << QStringList{"Line1Fit: True", "junk", "", "Line1Span: 30", "Degree: 5", "Line1Spacing: glyphs"}
        << ringLayout(true, 30, 0, false, true);
    QTest::newRow("words in any case, blanks around")
        << QStringList{"Line1Spacing:   GLYPHS ", "Line1Reverse: true", "Line1Fit: \tTRUE"}
        << ringLayout(true, 0, 0, true, true);
    QTest::newRow("unknown words") << QStringList{"Line1Spacing: widths", "Line1Reverse: yes", "Line1Fit: 1"}
                                   << plain;
    QTest::newRow("equal spacing named") << QStringList{"Line1Spacing: glyphs", "Line1Spacing: equal"} << plain;
    QTest::newRow("span at its bounds, any form")
        << QStringList{"Line1Spacing: glyphs", "Line1Span: 3.6e2"} << ringLayout(true, 360, 0, false, false);
    QTest::newRow("span of 1") << QStringList{"Line1Span: 1"} << ringLayout(false, 1, 0, false, false);
    for (const char* bad : {"0.5", "360.01", "-90", "abc", "1,5", "", "nan", "inf", "90 degrees"})
        QTest::addRow("span '%s'", bad) << QStringList{"Line1Spacing: glyphs", "Line1Span: " + QString::fromLatin1(bad)}
                                        << glyphs;
    QTest::newRow("tracking at its bounds")
        << QStringList{"Line1Spacing: glyphs", "Line1Tracking: -1e3"} << ringLayout(true, 0, -1000, false, false);
    for (const char* bad : {"1000.5", "-inf", "nan", "2px", "0,5"})
        QTest::addRow("tracking '%s'", bad)
            << QStringList{"Line1Spacing: glyphs", "Line1Tracking: " + QString::fromLatin1(bad)} << glyphs;
    QTest::newRow("the last line wins") << QStringList{"Line1Span: 90", "Line1Span: 120"}
                                        << ringLayout(false, 120, 0, false, false);
    QTest::newRow("other keys") << QStringList{"Line4Spacing: glyphs", "line1Spacing: glyphs", " Line1Spacing: glyphs",
                                               "Line1Spacing:glyphs", "Line1Spacings: glyphs", "Line0Fit: True"}
                                << plain;
}

void TestIo::ringLayoutLines() {
    QFETCH(QStringList, after);
    QFETCH(RingTextLayout, first);
    RoundSealParameters seal = defaultRoundSeal();
    setEveryRingLayout(seal);
    QCOMPARE(readRoundSeal(fileOf(defaultLines(StampKind::Round) + after), seal).damagedLine, 0);
    RoundSealParameters expected = defaultRoundSeal();
    expected.ringLayouts[0] = first;
    QVERIFY(seal.ringLayouts[0] == first);
    QVERIFY(seal == expected);
}

// The layout lines follow every line an older reader knows, so such a
// reader takes the same design in today's spacing; a file cut off within
// its fixed lines leaves the layout as it was.
void TestIo::ringLayoutBeyondFixedLines() {
    RoundSealParameters seal = changedRoundSeal();
    seal.lines[4].font.italic = true;
    const QByteArray plain = writeRoundSeal(seal);
    setEveryRingLayout(seal);
    const QByteArray laidOut = writeRoundSeal(seal);
    QVERIFY(laidOut.startsWith(plain));
    QVERIFY(laidOut.size() > plain.size());

    RoundSealParameters older = defaultRoundSeal();
    setEveryRingLayout(older);
    QCOMPARE(readRoundSeal(laidOut.first(plain.size()), older).damagedLine, 0);
    RoundSealParameters expected = seal;
    expected.ringLayouts = RoundSealParameters{}.ringLayouts;
    QVERIFY(older == expected);

    RoundSealParameters early = defaultRoundSeal();
    early.ringLayouts[1] = ringLayout(true, 10, 0, false, false);
    QCOMPARE(readRoundSeal(firstLines(StampKind::Round, 75), early).damagedLine, 0);
    QVERIFY(early.ringLayouts[1] == ringLayout(true, 10, 0, false, false));
}

// A centre line's room between letters: written after the ring texts'
// layout when not 0, read by its key; an unknown value reads as none.
void TestIo::centreTrackingLines_data() {
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QList<double>>("tracking");
    QTest::addColumn<bool>("writtenSo");  // the file written from the result ends with `after`
    QTest::newRow("none") << QStringList{} << QList<double>{0, 0, 0} << true;
    QTest::newRow("every line") << QStringList{"Line4Tracking: 0.1", "Line5Tracking: 2", "Line6Tracking: -3.25"}
                                << QList<double>{0.1, 2, -3.25} << true;
    QTest::newRow("after the ring texts' layout")
        << QStringList{"Line2Spacing: glyphs", "Line2Tracking: 1", "Line6Tracking: 7"} << QList<double>{0, 0, 7}
        << true;
    QTest::newRow("any order, any form") << QStringList{"Line6Tracking: 1e1", "junk", "Line4Tracking:  -0.5 "}
                                         << QList<double>{-0.5, 0, 10} << false;
    QTest::newRow("at its bounds") << QStringList{"Line5Tracking: -1000"} << QList<double>{0, -1000, 0} << true;
    for (const char* bad : {"1000.5", "nan", "inf", "2px", "0,5", ""})
        QTest::addRow("'%s'", bad) << QStringList{"Line5Tracking: " + QString::fromLatin1(bad)}
                                   << QList<double>{0, 0, 0} << false;
    QTest::newRow("other keys") << QStringList{"Line7Tracking: 2", "line4Tracking: 2", "Line4Trackings: 2"}
                                << QList<double>{0, 0, 0} << false;
}

void TestIo::centreTrackingLines() {
    QFETCH(QStringList, after);
    QFETCH(QList<double>, tracking);
    QFETCH(bool, writtenSo);
    RoundSealParameters seal = defaultRoundSeal();
    seal.centreTracking = {5, 5, 5};
    QCOMPARE(readRoundSeal(fileOf(defaultLines(StampKind::Round) + after), seal).damagedLine, 0);
    RoundSealParameters expected = defaultRoundSeal();
    expected.centreTracking = {tracking[0], tracking[1], tracking[2]};
    if (after.contains(QStringLiteral("Line2Spacing: glyphs")))
        expected.ringLayouts[1] = ringLayout(true, 0, 1, false, false);
    QCOMPARE(QList<double>(seal.centreTracking.begin(), seal.centreTracking.end()), tracking);
    QVERIFY(seal == expected);
    const QByteArray file = writeRoundSeal(seal);
    if (writtenSo)
        QCOMPARE(io::splitLines(file).mid(80), after);
    RoundSealParameters back = defaultRoundSeal();
    QCOMPARE(readRoundSeal(file, back).damagedLine, 0);
    QVERIFY(back == seal);
}

// Whatever a record holds, every value stays on its own line: each control
// character is written as a blank and the file reads back.
void TestIo::controlCharactersWrittenAsBlanks_data() {
    QTest::addColumn<StampKind>("kind");
    QTest::addColumn<QString>("control");
    const auto R = StampKind::Round, T = StampKind::Triangle, K = StampKind::Rect;
    QTest::newRow("round LF") << R << QStringLiteral("\n");
    QTest::newRow("round CR") << R << QStringLiteral("\r");
    QTest::newRow("round TAB") << R << QStringLiteral("\t");
    QTest::newRow("round NUL") << R << QString(QChar(u'\0'));
    QTest::newRow("round end mark 0x1A") << R << QStringLiteral("\x1A");
    QTest::newRow("triangle CR LF") << T << QStringLiteral("\r\n");
    QTest::newRow("rect TAB and DEL") << K << QStringLiteral("\t\x7F");
}

namespace {

template <typename P>
void checkControls(P record, const QString& control, QByteArray (*write)(const P&),
                   ReadResult (*read)(const QByteArray&, P&), int lineCount) {
    const auto with = [&](const QString& c) {
        P p = record;
        for (TextLineSettings& line : p.lines)
            line.text = QStringLiteral("Печать") + c + QStringLiteral("ООО") + c;
        p.lines[0].font.face = QStringLiteral("Times") + c + QStringLiteral("New Roman");
        if constexpr (std::is_same_v<P, RoundSealParameters>)
            p.emblem.path = QStringLiteral("/home/a") + c + QStringLiteral("b.bmp");
        return p;
    };
    const P held = with(control);
    const P expected = with(QString(control.size(), u' '));
    const QByteArray file = write(held);
    QCOMPARE(splitLines(file).size(), lineCount);
    P back = record;
    QCOMPARE(read(file, back).damagedLine, 0);
    QVERIFY(back == expected);
    QCOMPARE(write(expected), file);
}

}  // namespace

void TestIo::controlCharactersWrittenAsBlanks() {
    QFETCH(StampKind, kind);
    QFETCH(QString, control);
    const int lineCount = static_cast<int>(defaultLines(kind).size());
    switch (kind) {
        case StampKind::Round:
            checkControls(changedRoundSeal(), control, &writeRoundSeal, &readRoundSeal, lineCount);
            break;
        case StampKind::Triangle:
            checkControls(changedTriangleSeal(), control, &writeTriangleSeal, &readTriangleSeal, lineCount);
            break;
        case StampKind::Rect:
            checkControls(changedRectStamp(), control, &writeRectStamp, &readRectStamp, lineCount);
            break;
    }
}

void TestIo::lineEndings() {
    const QByteArray crlf = writeTriangleSeal(changedTriangleSeal());
    QByteArray lf = crlf;
    lf.replace("\r\n", "\n");
    QByteArray withCrs = crlf;
    withCrs.replace("Text: ", "Te\rxt: ");
    for (const QByteArray& file : {lf, withCrs,
                                   crlf + "\x1A"
                                          "garbage",
                                   crlf.chopped(2)}) {
        TriangleSealParameters triangle = defaultTriangleSeal();
        QCOMPARE(readTriangleSeal(file, triangle).damagedLine, 0);
        QVERIFY(triangle == changedTriangleSeal());
    }

    // Lone CRs do not end lines: the whole file is one line, never examined.
    QByteArray crOnly = crlf;
    crOnly.replace("\r\n", "\r");
    TriangleSealParameters triangle = changedTriangleSeal();
    QCOMPARE(readTriangleSeal(crOnly, triangle).damagedLine, 0);
    QVERIFY(triangle == changedTriangleSeal());

    // 0x1A ends the file early: what follows is not read.
    QByteArray cut = crlf;
    cut.insert(crlf.indexOf("X: 20"), '\x1A');
    triangle = defaultTriangleSeal();
    QCOMPARE(readTriangleSeal(cut, triangle).damagedLine, 0);
    QCOMPARE(triangle.lines[0].text, QStringLiteral(" слева "));
    QCOMPARE(triangle.lines[2].text, QStringLiteral("Текст в нижней строке"));
}

// ---- The emblem beyond the fixed lines ----

namespace {

// Bytes of every value: a picture file's bytes are any.
QByteArray everyByte(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 37 + i / 256) & 0xFF);
    return bytes;
}

RoundSealParameters withEmblem(const QString& file, int width, int threshold, const QString& name,
                               const QByteArray& data) {
    RoundSealParameters seal = changedRoundSeal();
    seal.emblem.file = file;
    seal.emblem.width = width;
    seal.emblem.threshold = threshold;
    seal.emblem.embeddedName = name;
    seal.emblem.embeddedData = data;
    return seal;
}

// The lines after the fixed lines of a file.
QStringList linesAfterFixed(const QByteArray& bytes) {
    QStringList lines = splitLines(bytes);
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines.mid(76);
}

}  // namespace

void TestIo::emblemLinesRoundTrip_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("threshold");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("picture of any kind") << QStringLiteral("C:\\Гербы\\герб 2005.svg") << 0 << -1 << QString()
                                         << QByteArray();
    QTest::newRow("widest") << QString() << int(kMaxEmblemWidth) << -1 << QString() << QByteArray();
    QTest::newRow("threshold 0") << QString() << 0 << 0 << QString() << QByteArray();
    QTest::newRow("threshold 255") << QString() << 0 << 255 << QString() << QByteArray();
    QTest::newRow("copy of exactly one line") << QString() << 0 << -1 << QStringLiteral("b.bmp") << everyByte(57);
    QTest::newRow("copy one byte past a line") << QString() << 0 << -1 << QStringLiteral("b.bmp") << everyByte(58);
    QTest::newRow("everything, a copy of many lines")
        << QStringLiteral("/home/u/logo.png") << 80 << 140 << QStringLiteral("logo.png") << everyByte(20000);
}

void TestIo::emblemLinesRoundTrip() {
    QFETCH(QString, file);
    QFETCH(int, width);
    QFETCH(int, threshold);
    QFETCH(QString, name);
    QFETCH(QByteArray, data);
    const RoundSealParameters seal = withEmblem(file, width, threshold, name, data);
    const QByteArray bytes = writeRoundSeal(seal);
    QCOMPARE(writtenSize(seal), bytes.size());
    RoundSealParameters read = defaultRoundSeal();
    QCOMPARE(readRoundSeal(bytes, read).damagedLine, 0);
    QVERIFY(read == seal);
    QCOMPARE(read.emblem.embeddedData, data);  // byte for byte
    QCOMPARE(writeRoundSeal(read), bytes);

    // A file without the lines reads every one as its default.
    QCOMPARE(readRoundSeal(writeRoundSeal(changedRoundSeal()), read).damagedLine, 0);
    QVERIFY(read == changedRoundSeal());
}

void TestIo::emblemLinesWritten() {
    const QByteArray data = everyByte(300);
    const QStringList after = linesAfterFixed(
        writeRoundSeal(withEmblem(QStringLiteral("D:\\герб.png"), 75, 128, QStringLiteral("герб.png"), data)));
    const QByteArray text = data.toBase64();
    QStringList expected = QStringList{"", "CenterDegree1: 45", "CenterDegree2: -45", "CenterDegree3: 7",
                                       "EmblemFile: D:\\герб.png", "EmblemWidth: 75", "EmblemThreshold: 128",
                                       "EmblemName: герб.png"};
    for (qsizetype at = 0; at < text.size(); at += 76)
        expected.append(QStringLiteral("EmblemData: ") + QString::fromLatin1(text.mid(at, 76)));
    QCOMPARE(after, expected);
    // A copy without the name of its file is not written: it could not be read.
    QCOMPARE(linesAfterFixed(writeRoundSeal(withEmblem({}, 0, -1, {}, data))).size(), 4);
}

void TestIo::emblemValuesOutOfRange_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("threshold");
    QTest::newRow("width") << "EmblemWidth: 80" << 80 << -1;
    QTest::newRow("width 0") << "EmblemWidth: 0" << 0 << -1;
    QTest::newRow("negative width") << "EmblemWidth: -5" << 0 << -1;
    QTest::newRow("width past the widest") << "EmblemWidth: 1001" << 0 << -1;
    QTest::newRow("width no number") << "EmblemWidth: 8x" << 0 << -1;
    QTest::newRow("threshold") << "EmblemThreshold: 17" << 0 << 17;
    QTest::newRow("threshold past 255") << "EmblemThreshold: 256" << 0 << -1;
    QTest::newRow("negative threshold") << "EmblemThreshold: -2" << 0 << -1;
}

void TestIo::emblemValuesOutOfRange() {
    QFETCH(QString, line);
    QFETCH(int, width);
    QFETCH(int, threshold);
    RoundSealParameters read = withEmblem({}, 33, 44, {}, {});
    QCOMPARE(readRoundSeal(fileOf(defaultLines(StampKind::Round) + QStringList{line}), read).damagedLine, 0);
    QCOMPARE(read.emblem.width, width);
    QCOMPARE(read.emblem.threshold, threshold);
}

void TestIo::damagedEmblemCopy_data() {
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<int>("damaged");  // the line number from the first line after the fixed lines, 1
    const QString name = QStringLiteral("EmblemName: e.png");
    const QString full = QStringLiteral("EmblemData: ") + QString(76, u'A');
    QTest::newRow("a character not of base64") << QStringList{name, full, "EmblemData: AB*D"} << 3;
    QTest::newRow("a line longer than 76") << QStringList{name, full + "AAAA", "EmblemData: AAAA"} << 2;
    QTest::newRow("padding before the end") << QStringList{name, "EmblemData: AA==", "EmblemData: AAAA"} << 2;
    QTest::newRow("padding inside a line") << QStringList{name, "EmblemData: A=AA"} << 2;
    QTest::newRow("three padding characters") << QStringList{name, "EmblemData: A==="} << 2;
    QTest::newRow("an empty data line") << QStringList{name, full, "EmblemData: "} << 3;
    QTest::newRow("data cut short") << QStringList{name, full, "EmblemData: AAA"} << 3;
    QTest::newRow("data without its name") << QStringList{"Line1Fit: True", full, "EmblemData: AAAA"} << 2;
    QTest::newRow("data with an empty name") << QStringList{"EmblemName: ", full} << 2;
    QTest::newRow("a name without data") << QStringList{"EmblemWidth: 5", name} << 2;
}

void TestIo::damagedEmblemCopy() {
    QFETCH(QStringList, after);
    QFETCH(int, damaged);
    const RoundSealParameters before = withEmblem(QStringLiteral("x.svg"), 12, 34, QStringLiteral("old.bmp"),
                                                  QByteArray("old copy"));
    RoundSealParameters read = before;
    const QStringList fixed = defaultLines(StampKind::Round).mid(0, 76);
    QCOMPARE(readRoundSeal(fileOf(fixed + after), read).damagedLine, 76 + damaged);
    // The whole file is refused: nothing of it is taken, the fixed lines neither.
    QVERIFY(read == before);
}

void TestIo::designFileLimit_data() {
    QTest::addColumn<int>("copySize");
    QTest::addColumn<bool>("fits");
    QTest::newRow("small copy") << 10000 << true;
    // About 1.6 file bytes a byte of the copy.
    QTest::newRow("just under the limit") << 640000 << true;
    QTest::newRow("over the limit") << 700000 << false;
}

void TestIo::designFileLimit() {
    QFETCH(int, copySize);
    QFETCH(bool, fits);
    StampDesigns designs;
    designs.round = withEmblem({}, 0, -1, QStringLiteral("big.png"), everyByte(copySize));
    QCOMPARE(fitsInDesignFile(designs.round), fits);
    QCOMPARE(writtenSize(designs.round), writeRoundSeal(designs.round).size());
    QByteArray bytes = "kept";
    QString error;
    QCOMPARE(writeDesign(StampKind::Round, designs, bytes, error), fits);
    if (fits) {
        QCOMPARE(bytes, writeRoundSeal(designs.round));
        QVERIFY(bytes.size() <= kMaxDesignFileSize);
    } else {
        QCOMPARE(bytes, QByteArray("kept"));
        QVERIFY(error.contains(QStringLiteral("больше 1024 КБ")));
    }
    // The other kinds never carry a copy.
    QVERIFY(writeDesign(StampKind::Rect, designs, bytes, error));
    QCOMPARE(bytes, writeRectStamp(designs.rect));
}

// ---- Files ----

void TestIo::wholeFiles() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Печать 1.qgr");
    const QByteArray bytes = writeRoundSeal(changedRoundSeal());
    QString error;
    QVERIFY2(writeWholeFile(path, bytes, error), qPrintable(error));
    QByteArray read = "untouched";
    QVERIFY2(readWholeFile(path, read, error), qPrintable(error));
    QCOMPARE(read, bytes);
    QVERIFY(writeWholeFile(path, "short", error));  // replaces, does not append
    QVERIFY(readWholeFile(path, read, error));
    QCOMPARE(read, QByteArray("short"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Печать 1.qgr"});

    const QByteArray empty;
    QVERIFY(writeWholeFile(path, empty, error));
    QVERIFY(readWholeFile(path, read, error));
    QVERIFY(read.isEmpty());

    // Reading what is not a readable file fails with a reason and leaves the bytes.
    for (const QString& bad : {dir.filePath("missing.qgr"), dir.path(), QStringLiteral("/dev/zero"),
                               dir.filePath("Печать 1.qgr/x.qgr")}) {
        read = "kept";
        error.clear();
        QVERIFY2(!readWholeFile(bad, read, error), qPrintable(bad));
        QVERIFY2(!error.isEmpty(), qPrintable(bad));
        QCOMPARE(read, QByteArray("kept"));
    }
}

QTEST_GUILESS_MAIN(TestIo)
#include "test_io.moc"
