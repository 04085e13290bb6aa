// The sample designs of examples/.

#include "Check.h"
#include "Company.h"
#include "Export.h"
#include "Ink.h"
#include "StampFile.h"
#include "StandardSizes.h"
#include "Unit1.h"
// GCC 12 takes the scripted font answers' optional for uninitialised where
// it inlines them into this file (it is not).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include "WindowHelpers.h"
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace qg;

Q_DECLARE_METATYPE(qg::StampKind)

namespace {

QByteArray exampleBytes(const QString& name) {
    QFile file(QStringLiteral(QG_EXAMPLES "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

const TextLines& linesOf(const StampDesigns& designs, StampKind kind) {
    switch (kind) {
        case StampKind::Round:
            return designs.round.lines;
        case StampKind::Triangle:
            return designs.triangle.lines;
        case StampKind::Rect:
            break;
    }
    return designs.rect.lines;
}

QByteArray written(const StampDesigns& designs, StampKind kind) {
    switch (kind) {
        case StampKind::Round:
            return io::writeRoundSeal(designs.round);
        case StampKind::Triangle:
            return io::writeTriangleSeal(designs.triangle);
        case StampKind::Rect:
            break;
    }
    return io::writeRectStamp(designs.rect);
}

// Every enabled text of the design, one a line.
QString textsOf(const StampDesigns& designs, StampKind kind) {
    QString all;
    for (const TextLineSettings& line : linesOf(designs, kind)) {
        if (line.enabled)
            all += line.text + QLatin1Char('\n');
    }
    return all;
}

}  // namespace

class ExamplesTest : public QObject {
    Q_OBJECT

private slots:
    void readsBack_data();
    void readsBack();
    void opensInTheWindow_data();
    void opensInTheWindow();
    void passesRecommendedCheck_data();
    void passesRecommendedCheck();
    void numbersAreValid_data();
    void numbersAreValid();
};

// Each example at its standard size.
void ExamplesTest::readsBack_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<StampKind>("kind");
    QTest::addColumn<double>("widthMm");
    QTest::addColumn<double>("heightMm");  // 0: whatever the width gives
    QTest::newRow("круглая, 40 мм") << "company-seal.qgr" << StampKind::Round << 40.0 << 40.0;
    QTest::newRow("треугольная, 45 мм") << "triangle-seal.qgr" << StampKind::Triangle << 45.0 << 0.0;
    QTest::newRow("штамп, 75×38 мм") << "company-stamp.qgr" << StampKind::Rect << 75.0 << 38.0;
}

// The file is of its kind, reads without damage and is what the program
// writes for what it read, byte for byte: Windows-1251, CR LF line ends.
void ExamplesTest::readsBack() {
    QFETCH(QString, name);
    QFETCH(StampKind, kind);
    const QByteArray bytes = exampleBytes(name);
    QVERIFY2(!bytes.isEmpty(), qPrintable(name));
    QVERIFY(bytes.startsWith("Quillgraver save file. Program created by Fenbrooke\r\n"));
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
    QCOMPARE(io::sectionKind(bytes), std::optional<StampKind>(kind));

    StampDesigns designs;
    const io::ReadResult result = io::readDesign(kind, bytes, designs);
    QVERIFY2(result.ok(), qPrintable(QString::number(result.damagedLine)));
    QCOMPARE(written(designs, kind), bytes);

    // Real texts, not the defaults' placeholders.
    const QString texts = textsOf(designs, kind);
    QVERIFY(texts.contains(QStringLiteral("СЕВЕРНАЯ")));
    QVERIFY(!texts.contains(QStringLiteral("строка"), Qt::CaseInsensitive));
    QVERIFY(!texts.contains(QStringLiteral("Центр")));
}

void ExamplesTest::opensInTheWindow_data() {
    readsBack_data();
}

// Named on the command line, each example opens into its own page, read
// whole and unmodified, and the preview draws it.
void ExamplesTest::opensInTheWindow() {
    QFETCH(QString, name);
    QFETCH(StampKind, kind);
    StampDesigns read;
    QVERIFY(io::readDesign(kind, exampleBytes(name), read).ok());

    ScriptedWindow w;
    w.window.openDesignFile(QStringLiteral(QG_EXAMPLES "/") + name);
    const auto page = static_cast<ActivePage>(static_cast<int>(kind));
    QCOMPARE(w.window.activePage(), page);
    QVERIFY(!w.window.isModified(kind));
    QCOMPARE(w.dialogs.messages.size(), 1);
    QCOMPARE(w.dialogs.messages.constFirst().icon, MessageIcon::Information);
    switch (kind) {
        case StampKind::Round:
            QVERIFY(w.window.designs().round == read.round);
            break;
        case StampKind::Triangle:
            QVERIFY(w.window.designs().triangle == read.triangle);
            break;
        case StampKind::Rect:
            QVERIFY(w.window.designs().rect == read.rect);
            break;
    }
    const QImage shown = w.window.previewPicture().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown, expectedPicture(w.window.designs(), page).convertToFormat(QImage::Format_RGB32));
    int ink = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            ink += shown.pixel(x, y) != shown.pixel(0, 0);
    QVERIFY2(ink > 1000, qPrintable(QString::number(ink)));
}

void ExamplesTest::passesRecommendedCheck_data() {
    readsBack_data();
}

// At its standard size each example has no error with the shops'
// recommended limits, capitals as high as they ask, no ink cut off, and
// its outline has the die's proportions.
void ExamplesTest::passesRecommendedCheck() {
    QFETCH(QString, name);
    QFETCH(StampKind, kind);
    QFETCH(double, widthMm);
    QFETCH(double, heightMm);
    StampDesigns designs;
    QVERIFY(io::readDesign(kind, exampleBytes(name), designs).ok());
    const output::Imprint imprint = output::makeImprint(designs, kind);
    QVERIFY(!imprint.empty());
    QVERIFY(imprint.cuts.empty());
    const QSizeF size = output::imprintSizeMm(imprint, widthMm);
    QCOMPARE(qRound(size.width()), qRound(widthMm));
    if (heightMm > 0)
        QVERIFY2(std::abs(size.height() - heightMm) < 0.5, qPrintable(QString::number(size.height())));

    const ShopLimits recommended = recommendedShopLimits();
    check::Limits limits;
    limits.minLineMm = recommended.minLineMm;
    limits.safeLineMm = recommended.minLineMm;
    limits.minGapMm = recommended.minGapMm;
    limits.minCapMm = recommended.minCapMm;
    const check::Report report = check::checkDesign(designs, kind, imprint, widthMm, limits);
    QString errors;
    for (const check::Finding& finding : report.findings) {
        if (finding.severity == check::Severity::Error || finding.problem == check::Problem::LowCapitals ||
            finding.problem == check::Problem::Touching)
            errors += check::describe(kind, finding) + QLatin1Char('\n');
    }
    QVERIFY2(errors.isEmpty(), qPrintable(errors));
}

void ExamplesTest::numbersAreValid_data() {
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("digits");
    QTest::addColumn<bool>("onSeal");  // the seal carries it as well as the stamp
    QTest::newRow("ОГРН") << "ОГРН" << 13 << true;
    QTest::newRow("ИНН") << "ИНН" << 10 << true;
    QTest::newRow("КПП") << "КПП" << 9 << false;
}

// The company's numbers on its stamp have right check digits, and its seal
// carries the same ones.
void ExamplesTest::numbersAreValid() {
    QFETCH(QString, label);
    QFETCH(int, digits);
    QFETCH(bool, onSeal);
    StampDesigns stamp, seal;
    QVERIFY(io::readDesign(StampKind::Rect, exampleBytes(QStringLiteral("company-stamp.qgr")), stamp).ok());
    QVERIFY(io::readDesign(StampKind::Round, exampleBytes(QStringLiteral("company-seal.qgr")), seal).ok());
    const QRegularExpression pattern(QStringLiteral("(?<!\\S)%1 (\\d+)").arg(label));
    const QRegularExpressionMatch onStamp = pattern.match(textsOf(stamp, StampKind::Rect));
    QVERIFY(onStamp.hasMatch());
    const QString number = onStamp.captured(1);
    QCOMPARE(number.size(), digits);
    if (label == u"ОГРН")
        QVERIFY(ogrnCheckDigitValid(number));
    else if (label == u"ИНН")
        QVERIFY(innCheckDigitsValid(number));
    else
        QCOMPARE(kppProblem(number, false), QString());

    const QRegularExpressionMatch onRound = pattern.match(textsOf(seal, StampKind::Round));
    QCOMPARE(onRound.hasMatch(), onSeal);
    if (onSeal)
        QCOMPARE(onRound.captured(1), number);
}

QTEST_MAIN(ExamplesTest)
#include "test_examples.moc"
