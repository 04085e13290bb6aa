#include "Colour.h"
#include "Parameters.h"
#include "TextToNumber.h"

#include <QTest>

#include <limits>

using namespace qg;

class TestModel : public QObject {
    Q_OBJECT
private slots:
    void textToNumber_data();
    void textToNumber();
    void colours_data();
    void colours();
    void resetKeepsFonts();
};

void TestModel::textToNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");

    QTest::newRow("plain") << "42" << 42;
    QTest::newRow("leading blanks") << "   42" << 42;
    QTest::newRow("minus") << "-30" << -30;
    QTest::newRow("plus") << "+12" << 12;
    QTest::newRow("blanks then sign") << "  -7" << -7;
    QTest::newRow("blank after sign") << "- 7" << 0;
    QTest::newRow("trailing blank") << "12 " << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("only blanks") << "   " << 0;
    QTest::newRow("lone sign") << "-" << 0;
    QTest::newRow("letters") << "abc" << 0;
    QTest::newRow("digits then letter") << "12a" << 0;
    QTest::newRow("tab is not a blank") << "\t5" << 0;
    QTest::newRow("leading zeros") << "007" << 7;

    QTest::newRow("dollar hex") << "$0C" << 12;
    QTest::newRow("x hex") << "x1F" << 31;
    QTest::newRow("X hex") << "XfF" << 255;
    QTest::newRow("0x hex") << "0x10" << 16;
    QTest::newRow("0X hex") << "0X10" << 16;
    QTest::newRow("negative hex") << "-$10" << -16;
    QTest::newRow("hex without digits") << "$" << 0;
    QTest::newRow("0x without digits") << "0x" << 0;
    QTest::newRow("bad hex digit") << "$1G" << 0;
    QTest::newRow("eight hex digits, all F") << "$FFFFFFFF" << -1;
    QTest::newRow("eight hex digits, top bit") << "$80000000" << std::numeric_limits<int>::min();
    QTest::newRow("eight hex digits, none colour") << "$1FFFFFFF" << 0x1FFFFFFF;
    QTest::newRow("nine hex digits") << "$0FFFFFFFF" << 0;
    QTest::newRow("hex trailing blank") << "$10 " << 0;

    QTest::newRow("max") << "2147483647" << std::numeric_limits<int>::max();
    QTest::newRow("min") << "-2147483648" << std::numeric_limits<int>::min();
    QTest::newRow("max plus one") << "2147483648" << 0;
    QTest::newRow("min minus one") << "-2147483649" << 0;
    QTest::newRow("far out of range") << "99999999999999999999" << 0;
    QTest::newRow("cyrillic") << "Ф" << 0;
}

void TestModel::textToNumber() {
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(TextToNumber(text), expected);
}

void TestModel::colours_data() {
    QTest::addColumn<int>("colour");
    QTest::addColumn<uint>("argb");

    QTest::newRow("white") << 0xFFFFFF << 0xFFFFFFFFu;
    QTest::newRow("red is the low byte") << 0x0000FF << 0xFFFF0000u;
    QTest::newRow("blue is the third byte") << 0xFF0000 << 0xFF0000FFu;
    QTest::newRow("none colour draws black") << kNoneColour << 0xFF000000u;
    QTest::newRow("window text is black") << kWindowTextColour << 0xFF000000u;
    QTest::newRow("inactive border is light grey") << kInactiveBorderColour << 0xFFD4D0C8u;
    QTest::newRow("high byte ignored") << 0x12345678 << 0xFF785634u;
    QTest::newRow("info background") << kInfoPageBackground << 0xFFFFFBF0u;
}

void TestModel::colours() {
    QFETCH(int, colour);
    QFETCH(uint, argb);
    QCOMPARE(colourToArgb(colour), argb);
    if ((static_cast<uint>(colour) & 0xFF000000u) == 0)
        QCOMPARE(colourFromArgb(argb), colour);
}

void TestModel::resetKeepsFonts() {
    RoundSealParameters seal = defaultRoundSeal();
    seal.lines[0].font.face = QStringLiteral("Courier New");
    seal.lines[0].text = QStringLiteral("changed");
    seal.rings[1].radius = -30;
    resetKeepingFonts(seal, defaultRoundSeal());
    QCOMPARE(seal.lines[0].font.face, QStringLiteral("Courier New"));
    QCOMPARE(seal.lines[0].text, QStringLiteral("Первая строка"));
    QCOMPARE(seal.rings[1].radius, 88);
}

QTEST_APPLESS_MAIN(TestModel)
#include "test_model.moc"
