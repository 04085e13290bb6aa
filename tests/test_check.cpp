#include "Check.h"
#include "Designs.h"
#include "Geometry.h"
#include "Morphology.h"
#include "RingText.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>
#include <thread>

Q_DECLARE_METATYPE(qg::StampKind)
Q_DECLARE_METATYPE(qg::StampDesigns)
Q_DECLARE_METATYPE(qg::ElementKind)
Q_DECLARE_METATYPE(qg::check::Limits)
Q_DECLARE_METATYPE(qg::check::Problem)
Q_DECLARE_METATYPE(qg::output::Format)
Q_DECLARE_METATYPE(qg::ElementTag)

using namespace qg;

namespace {

const char* problemName(check::Problem problem) {
    switch (problem) {
        case check::Problem::ThinLine:
            return "thin";
        case check::Problem::NarrowGap:
            return "gap";
        case check::Problem::LowCapitals:
            return "caps";
        case check::Problem::Touching:
            return "touch";
        case check::Problem::CutByField:
            return "cut";
        case check::Problem::EmblemResolution:
            return "dpi";
        case check::Problem::NoInk:
            return "noink";
        case check::Problem::EmblemUnreadable:
            return "file";
        case check::Problem::FinerThanPixel:
            return "pixel";
        case check::Problem::LettersOverlap:
            return "overlap";
        case check::Problem::DieFit:
            return "die";
        case check::Problem::DieEdge:
            return "edge";
    }
    return "?";
}

// A finding as "thin error 3-я окр.", the other element of a contact after
// a slash.
QString summary(StampKind kind, const check::Finding& finding) {
    QString text = QStringLiteral("%1 %2 %3")
                       .arg(QLatin1String(problemName(finding.problem)),
                            finding.severity == check::Severity::Error ? QStringLiteral("error") : QStringLiteral("warning"),
                            check::elementName(kind, finding.element));
    if (finding.other.kind != ElementKind::None)
        text += QLatin1Char('/') + check::elementName(kind, finding.other);
    return text;
}

// Only the outer ring, 2 wide: the seal is 186 units across.
RoundSealParameters bareSeal() {
    return testing::outerRingOnly(2);
}

LineFont boldFont() {
    LineFont font = startupFont();
    font.face = QStringLiteral("DejaVu Sans");
    font.bold = true;
    font.color = 0;
    return font;
}

// A centre line in bold at (x, y).
RoundSealParameters withCentreLine(RoundSealParameters seal, const QString& text, int x, int y, int points = 8) {
    TextLineSettings& line = seal.lines[3];
    line.enabled = true;
    line.text = text;
    line.x = x;
    line.y = y;
    line.font = boldFont();
    line.font.size = points;
    return seal;
}

QString bitmap(const QTemporaryDir& dir, const QString& name, const QImage& picture) {
    const QString path = dir.filePath(name);
    return picture.save(path, "BMP") ? path : QString();
}

// A file of `bytes` in `dir`; empty if it cannot be written.
QString written(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    QFile file(dir.filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? file.fileName() : QString();
}

// The round seal's emblem alone, from `path`, its corner at (80, 80).
StampDesigns emblemAlone(const QString& path) {
    StampDesigns designs = testing::nothingEnabled();
    designs.round.emblem.enabled = true;
    designs.round.emblem.path = path;
    designs.round.emblem.x = designs.round.emblem.y = 80;
    return designs;
}

// The box of an element's ink, in preview units.
QRectF inkOf(const output::Imprint& imprint, ElementTag element) {
    QRectF box;
    for (const InkOp& op : imprint.ops)
        if (!op.paper && op.element == element)
            box = box.isNull() ? op.bounds() : box.united(op.bounds());
    return box;
}

// Only a bold centre line: without a ring the width measures the ink, and
// the check draws no more than the line.
StampDesigns lineAlone(const QString& text, int points, int angle = 0) {
    StampDesigns designs = testing::nothingEnabled();
    designs.round = withCentreLine(designs.round, text, 90, 90, points);
    designs.round.lines[3].angle = angle;
    return designs;
}

// The width at which `units` of the design measure `mm`.
double widthFor(const StampDesigns& designs, double units, double mm) {
    return mm * output::makeImprint(designs, StampKind::Round).span / units;
}

// The width at which the design is drawn as large as in a seal of the bare
// outer ring `sealMm` wide.
double asInSeal(const StampDesigns& designs, double sealMm) {
    return widthFor(designs, output::makeImprint(StampDesigns{bareSeal(), {}, {}}, StampKind::Round).span, sealMm);
}

// A bold dash 0.15 mm thick, and the width it is drawn at.
std::pair<StampDesigns, double> dash015() {
    const StampDesigns designs = lineAlone(QString(QChar(0x2014)), 8);
    const QRectF ink = inkOf(output::makeImprint(designs, StampKind::Round), {ElementKind::CentreLine, 1});
    return {designs, widthFor(designs, ink.height(), 0.15)};
}

// The check's pixel: 1200 dpi at least, three pixels across the thinnest
// line allowed and six a preview unit.
double checkPixelMm(const StampDesigns& designs, double widthMm, const check::Limits& limits) {
    const double mmPerUnit = output::mmPerUnit(output::makeImprint(designs, StampKind::Round), widthMm);
    return 1 / std::max({1200 / 25.4, 3 / limits.minLineMm, 6 / mmPerUnit});
}

// A black square picture with white rectangles cut out of it.
QImage blockWith(int side, const std::vector<QRect>& holes) {
    QImage picture(side, side, QImage::Format_RGB32);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    for (const QRect& hole : holes)
        painter.fillRect(hole, Qt::white);
    return picture;
}

std::vector<check::Finding> onlyOf(const check::Report& report, check::Problem problem) {
    std::vector<check::Finding> found;
    for (const check::Finding& finding : report.findings)
        if (finding.problem == problem)
            found.push_back(finding);
    return found;
}

// Ring text 1 on radius 80 in the default face at `points`, in the bare
// outer ring or (for a smaller picture to check) alone.
StampDesigns ringTextInSeal(const QString& text, int points, const RingTextLayout& layout, bool ring = true) {
    StampDesigns designs;
    designs.round = bareSeal();
    designs.round.rings[2].enabled = ring;
    TextLineSettings& line = designs.round.lines[0];
    line.enabled = true;
    line.text = text;
    line.radius = 80;
    line.angle = 0;
    line.font.size = points;
    designs.round.ringLayouts[0] = layout;
    return designs;
}

// How far apart the two bars of ring text "II" are with the design drawn
// `widthMm` wide, in millimetres, negative when they overlap. They lean
// away from each other alike, so that their nearest corners are nearest.
double barsApart(const StampDesigns& designs, double widthMm) {
    const output::Imprint imprint = output::makeImprint(designs, StampKind::Round);
    std::vector<QPolygonF> bars(2);
    for (const InkOp& op : imprint.ops)
        if (!op.paper && op.element.kind == ElementKind::RingText && op.character >= 0 && op.character < 2)
            for (const QPolygonF& polygon : op.path.toFillPolygons())
                bars[static_cast<std::size_t>(op.character)] << polygon;
    double nearest = 1e9;
    for (const QPointF& p : bars[0])
        for (const QPointF& q : bars[1])
            nearest = std::min(nearest, std::hypot(p.x() - q.x(), p.y() - q.y()));
    // Overlapping, a corner of one lies in the other.
    bool overlap = false;
    for (int k = 0; k < 2; ++k)
        for (const QPointF& p : bars[static_cast<std::size_t>(k)])
            overlap = overlap || bars[static_cast<std::size_t>(1 - k)].containsPoint(p, Qt::WindingFill);
    return (overlap ? -1 : 1) * nearest * output::mmPerUnit(imprint, widthMm);
}

// A stamp of one contour, 62 by 32 units across its ink.
StampDesigns framedStamp() {
    StampDesigns designs = testing::nothingEnabled();
    SegmentSettings& contour = designs.rect.contours[0];
    contour.enabled = true;
    contour.p1 = {70, 85};
    contour.p2 = {130, 115};
    contour.width = 2;
    return designs;
}

// The number a hint names after `before`; -1 if it names none there.
double hintNumber(const QString& hint, const QString& before) {
    bool ok = false;
    const double value = hint.startsWith(before) ? hint.mid(before.size()).section(u' ', 0, 0).toDouble(&ok) : 0;
    return ok ? value : -1;
}

check::Report checked(const StampDesigns& designs, StampKind kind, double widthMm,
                      const check::Limits& limits = check::Limits(), int dpi = 0, const check::Die& die = {}) {
    return check::checkDesign(designs, kind, output::makeImprint(designs, kind), widthMm, limits, dpi, die);
}

}  // namespace

class TestCheck : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void findsPlantedFaults_data() {
        QTest::addColumn<StampKind>("kind");
        QTest::addColumn<StampDesigns>("designs");
        QTest::addColumn<double>("widthMm");
        QTest::addColumn<check::Limits>("limits");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<double>("measured");  // of the first finding; 0: not compared

        QVERIFY(dir.isValid());
        const check::Limits shop;
        StampDesigns designs;

        designs.round = bareSeal();
        designs.round.rings[2].width = 1;
        // 185 units across: one unit is 0.05 mm at 9.25 mm, 0.15 mm at 27.75 mm.
        QTest::newRow("ring 0.05 mm") << StampKind::Round << designs << 9.25 << shop
                                      << QStringList{QStringLiteral("thin error 3-я окр.")} << 0.05;
        QTest::newRow("ring 0.15 mm") << StampKind::Round << designs << 27.75 << shop
                                      << QStringList{QStringLiteral("thin warning 3-я окр.")} << 0.15;
        // Two units wide in 186: 0.25 mm at 23.25 mm.
        QTest::newRow("ring 0.25 mm") << StampKind::Round << StampDesigns{bareSeal(), {}, {}} << 23.25 << shop
                                      << QStringList() << 0.0;

        // A picture's line one pixel thick, 0.05 mm at 4 mm across the 80
        // pixels of ink, beside a thick block.
        QImage picture(100, 100, QImage::Format_RGB32);
        picture.fill(Qt::white);
        {
            QPainter painter(&picture);
            painter.fillRect(10, 10, 80, 1, Qt::black);
            painter.fillRect(30, 40, 40, 40, Qt::black);
        }
        designs.round = bareSeal();
        designs.round.rings[2].enabled = false;
        designs.round.emblem.enabled = true;
        designs.round.emblem.path = bitmap(dir, QStringLiteral("line.bmp"), picture);
        QTest::newRow("emblem line 0.05 mm") << StampKind::Round << designs << 4.0 << shop
                                             << QStringList{QStringLiteral("thin error Герб")} << 0.05;
        {
            QPainter painter(&picture);
            painter.fillRect(10, 10, 80, 5, Qt::black);
        }
        designs.round.emblem.path = bitmap(dir, QStringLiteral("line5.bmp"), picture);
        QTest::newRow("emblem line 0.25 mm") << StampKind::Round << designs << 4.0 << shop << QStringList() << 0.0;

        // DejaVu Sans Bold capitals are 0.729 of the 11-unit em high: 1 mm
        // at 23.2 mm.
        designs.round = withCentreLine(bareSeal(), QStringLiteral("I"), 96, 95);
        QTest::newRow("capitals 1 mm") << StampKind::Round << designs << 23.2 << shop
                                       << QStringList{QStringLiteral("caps warning Первая строка в центре")} << 1.0;
        QTest::newRow("capitals 1.7 mm") << StampKind::Round << designs << 40.0 << shop << QStringList() << 0.0;
        // A ring text whose 10-point capitals stand 2 mm high at 40 mm,
        // fitted to a quarter of the ring: they come out smaller, as the
        // size in use says. Only the capitals are asked about.
        check::Limits capitalsOnly;
        capitalsOnly.minLineMm = capitalsOnly.safeLineMm = capitalsOnly.minGapMm = 0;
        const QString company = QStringLiteral("ОБЩЕСТВО С ОГРАНИЧЕННОЙ ОТВЕТСТВЕННОСТЬЮ");
        designs = ringTextInSeal(company, 10, RingTextLayout{RingSpacing::Glyphs, 90, 0, false, true});
        const RingTextPlan fitted = planRingText(designs.round.lines[0], designs.round.ringLayouts[0]);
        QVERIFY(fitted.reduced && fitted.points < 6);
        QTest::newRow("ring text fitted smaller")
            << StampKind::Round << designs << 40.0 << capitalsOnly
            << QStringList{QStringLiteral("caps warning Первая строка по окружности")} << 0.0;
        designs.round.ringLayouts[0].span = 360;
        QTest::newRow("the same round the whole ring, at its own size") << StampKind::Round << designs << 40.0 << capitalsOnly
                                                  << QStringList() << 0.0;

        // The counters of a bold В are about 0.35 mm in a seal of 40 mm, its
        // strokes 0.4 mm: the letter alone, as large.
        designs = lineAlone(QStringLiteral("В"), 8);
        QTest::newRow("counters") << StampKind::Round << designs << asInSeal(designs, 40) << shop
                                  << QStringList{QStringLiteral("gap warning Первая строка в центре")} << 0.0;
        QTest::newRow("counters open at 80 mm") << StampKind::Round << designs << asInSeal(designs, 80) << shop
                                                << QStringList() << 0.0;

        // A bold I where the outer ring would be, half beyond the field's
        // edge; alone, as large as in a seal of 40 mm.
        designs = testing::nothingEnabled();
        designs.round = withCentreLine(designs.round, QStringLiteral("I"), 196, 95);
        QTest::newRow("cut by the field")
            << StampKind::Round << designs << asInSeal(designs, 40) << shop
            << QStringList{QStringLiteral("cut warning Первая строка в центре")} << 0.0;
        designs.round.lines[3].x = 150;
        QTest::newRow("inside the field") << StampKind::Round << designs << asInSeal(designs, 40) << shop
                                          << QStringList() << 0.0;

        // The third ring text hangs inside radius 88; a ring at 85 crosses it.
        designs.round = bareSeal();
        designs.round.lines[2].enabled = true;
        designs.round.lines[2].text = QStringLiteral("ТТТ");
        designs.round.lines[2].font = boldFont();
        designs.round.rings[1].enabled = true;
        designs.round.rings[1].radius = 85;
        designs.round.rings[1].width = 2;
        QTest::newRow("ring text on a ring") << StampKind::Round << designs << 40.0 << shop
                                             << QStringList{QStringLiteral("touch error Третья строка по окружности/2-я окр.")}
                                             << 0.0;
        designs.round.rings[1].radius = 70;
        QTest::newRow("ring text clear of rings") << StampKind::Round << designs << 40.0 << shop << QStringList()
                                                  << 0.0;

        // 40 by 40 preview pixels at 40 mm: 118 dpi.
        QImage block(40, 40, QImage::Format_RGB32);
        block.fill(Qt::black);
        designs.round = bareSeal();
        designs.round.rings[2].width = 3;
        designs.round.emblem.enabled = true;
        designs.round.emblem.path = bitmap(dir, QStringLiteral("block.bmp"), block);
        designs.round.emblem.x = 80;
        designs.round.emblem.y = 80;
        QTest::newRow("emblem 40 x 40 at 40 mm") << StampKind::Round << designs << 40.0 << shop
                                                 << QStringList{QStringLiteral("dpi warning Герб")} << 25.4 * 187 / 40;
        QTest::newRow("emblem 40 x 40 at 15 mm") << StampKind::Round << designs << 15.0 << shop << QStringList() << 0.0;
        // A picture's own pixels count, over the width it is drawn at.
        designs.round.emblem.path.clear();
        designs.round.emblem.width = 40;
        designs.round.emblem.file = dir.filePath(QStringLiteral("block400.png"));
        QVERIFY(block.scaled(400, 400).save(designs.round.emblem.file));
        QTest::newRow("emblem of 400 pixels 40 wide at 40 mm") << StampKind::Round << designs << 40.0 << shop
                                                               << QStringList() << 0.0;
        designs.round.emblem.file = dir.filePath(QStringLiteral("block20.png"));
        QVERIFY(block.scaled(20, 20).save(designs.round.emblem.file));
        QTest::newRow("emblem of 20 pixels 40 wide at 40 mm") << StampKind::Round << designs << 40.0 << shop
                                                              << QStringList{QStringLiteral("dpi warning Герб")}
                                                              << 25.4 * 187 / 80;
        designs.round.emblem.file = written(
            dir, QStringLiteral("block.svg"),
            "<svg xmlns='http://www.w3.org/2000/svg' width='4' height='4'><rect width='4' height='4'/></svg>");
        QVERIFY(!designs.round.emblem.file.isEmpty());
        QTest::newRow("vector emblem at 40 mm") << StampKind::Round << designs << 40.0 << shop << QStringList() << 0.0;

        designs.round = bareSeal();
        designs.round.rings[2].enabled = false;
        QTest::newRow("no ink") << StampKind::Round << designs << 40.0 << shop
                                << QStringList{QStringLiteral("noink error Оттиск")} << 0.0;

        // A plain frame of the triangular seal and a stamp's inner line,
        // named as on their pages.
        designs = StampDesigns();
        for (TextLineSettings& line : designs.triangle.lines)
            line.enabled = false;
        designs.triangle.frames[1].enabled = false;
        designs.triangle.frames[2].enabled = false;
        designs.triangle.frames[0].width = 1;
        QTest::newRow("triangle frame 0.1 mm") << StampKind::Triangle << designs << 19.5 << shop
                                               << QStringList{QStringLiteral("thin warning 1 тр-к")} << 0.1;
    }

    void findsPlantedFaults() {
        QFETCH(StampKind, kind);
        QFETCH(StampDesigns, designs);
        QFETCH(double, widthMm);
        QFETCH(check::Limits, limits);
        QFETCH(QStringList, expected);
        QFETCH(double, measured);
        const output::Imprint imprint = output::makeImprint(designs, kind);
        const check::Report report = check::checkDesign(designs, kind, imprint, widthMm, limits);
        QStringList found;
        for (const check::Finding& finding : report.findings)
            found << summary(kind, finding);
        if (found != expected)
            qWarning("%s", qPrintable(found.join(QStringLiteral(" | "))));
        QCOMPARE(found, expected);
        // Measured from the pixels, widths are good to one pixel at 1200 dpi.
        if (measured > 0)
            QVERIFY2(std::abs(report.findings.front().measured - measured) <= std::max(0.05 * measured, 0.022),
                     qPrintable(QString::number(report.findings.front().measured)));
        for (const check::Finding& finding : report.findings) {
            if (finding.problem != check::Problem::NoInk)
                QVERIFY(imprint.box.adjusted(-1, -1, 1, 1).intersects(finding.place));
        }
        QCOMPARE(report.hasErrors(), expected.join(QLatin1Char(' ')).contains(QLatin1String("error")));
    }

    // The default round seal: at 20 mm its one-pixel rings are 0.11 mm and
    // its 8-point capitals 0.8 mm; at 40 mm both are twice that.
    void defaultRoundSeal_data() {
        QTest::addColumn<double>("widthMm");
        QTest::addColumn<bool>("thinRings");
        QTest::addColumn<bool>("lowCapitals");
        QTest::newRow("20 mm") << 20.0 << true << true;
        QTest::newRow("40 mm") << 40.0 << false << false;
    }

    void defaultRoundSeal() {
        QFETCH(double, widthMm);
        QFETCH(bool, thinRings);
        QFETCH(bool, lowCapitals);
        const StampDesigns designs;
        const output::Imprint imprint = output::makeImprint(designs, StampKind::Round);
        const check::Report report = check::checkDesign(designs, StampKind::Round, imprint, widthMm, check::Limits());
        int rings = 0;
        int capitals = 0;
        for (const check::Finding& finding : report.findings) {
            if (finding.problem == check::Problem::ThinLine && finding.element.kind == ElementKind::Ring) {
                ++rings;
                QCOMPARE(finding.severity, check::Severity::Warning);
                QVERIFY(finding.element.index == 1 || finding.element.index == 2);
                QVERIFY(std::abs(finding.measured - widthMm / 186) < 0.005);
            }
            if (finding.problem == check::Problem::LowCapitals) {
                ++capitals;
                QCOMPARE(finding.element.kind, ElementKind::RingText);
                QVERIFY2(finding.measured > 0.75 && finding.measured < 0.9, qPrintable(QString::number(finding.measured)));
            }
            // Nothing touches or leaves the field.
            QVERIFY(finding.problem != check::Problem::Touching && finding.problem != check::Problem::CutByField);
        }
        QCOMPARE(rings, thinRings ? 2 : 0);
        QCOMPARE(capitals, lowCapitals ? 3 : 0);
    }

    // The window runs the check away from its own thread: checks of two
    // designs at once come out as each does alone.
    void concurrentChecksAgree() {
        StampDesigns first;
        StampDesigns second;
        second.round.rings[0].width = 3;
        second.round.lines[0].text = QStringLiteral("Другая строка");
        auto run = [](const StampDesigns& designs) {
            const output::Imprint imprint = output::makeImprint(designs, StampKind::Round);
            QStringList out;
            for (const check::Finding& finding :
                 check::checkDesign(designs, StampKind::Round, imprint, 20, check::Limits()).findings)
                out << check::describe(StampKind::Round, finding);
            return out;
        };
        const QStringList alone[2] = {run(first), run(second)};
        QVERIFY(alone[0] != alone[1]);
        QStringList together[2];
        std::thread other([&] { together[1] = run(second); });
        together[0] = run(first);
        other.join();
        QCOMPARE(together[0], alone[0]);
        QCOMPARE(together[1], alone[1]);
    }

    // The check keeps its pictures' room for the next one: what a larger
    // and busier picture left there does not show through.
    void checksAfterOthersAgree_data() {
        QTest::addColumn<double>("widthMm");
        QTest::addColumn<double>("otherWidthMm");
        QTest::newRow("after a larger one") << 25.0 << 30.0;
        QTest::newRow("after a smaller one") << 30.0 << 25.0;
    }

    void checksAfterOthersAgree() {
        QFETCH(double, widthMm);
        QFETCH(double, otherWidthMm);
        StampDesigns plain;
        StampDesigns busy;
        busy.round.rings[0].width = 3;
        busy.round.lines[0].text = QStringLiteral("ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ");
        auto run = [](const StampDesigns& designs, double width) {
            const output::Imprint imprint = output::makeImprint(designs, StampKind::Round);
            QStringList out;
            for (const check::Finding& finding :
                 check::checkDesign(designs, StampKind::Round, imprint, width, check::Limits()).findings)
                out << check::describe(StampKind::Round, finding);
            return out;
        };
        const QStringList first = run(plain, widthMm);
        QVERIFY(!first.isEmpty());
        QVERIFY(run(busy, otherWidthMm) != run(plain, otherWidthMm));
        (void)run(busy, otherWidthMm);
        QCOMPARE(run(plain, widthMm), first);
    }

    // The wedge a closing fills in the inner corner of one stroke, or where
    // two strokes of one letter meet, is no gap, however large the letter.
    void noGapInsideOneLetter_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("widthMm");
        for (const char* letter : {"V", "W", "Ж", "Л", "У", "К"})
            QTest::addRow("%s at 40 mm", letter) << QString::fromUtf8(letter) << 40.0;
        QTest::newRow("V at 200 mm") << QStringLiteral("V") << 200.0;
        QTest::newRow("К at 120 mm") << QStringLiteral("К") << 120.0;
    }

    void noGapInsideOneLetter() {
        QFETCH(QString, text);
        QFETCH(double, widthMm);
        // The letter alone, as large as in a seal of that width.
        const StampDesigns designs = lineAlone(text, 14);
        const check::Report report = checked(designs, StampKind::Round, asInSeal(designs, widthMm));
        for (const check::Finding& finding : onlyOf(report, check::Problem::NarrowGap))
            QFAIL(qPrintable(check::describe(StampKind::Round, finding)));
    }

    // Gaps between two parts of the ink, in a counter the closing fills and
    // across an opening it shuts are found, measured within a tenth or a
    // pixel of the check.
    void findsGaps_data() {
        QTest::addColumn<StampDesigns>("designs");
        QTest::addColumn<double>("widthMm");
        QTest::addColumn<QString>("expected");  // "" for none
        QTest::addColumn<double>("measured");   // 0: not compared

        QVERIFY(dir.isValid());
        StampDesigns designs = testing::nothingEnabled();
        // Two bold I side by side, 0.3 mm apart.
        designs.round = withCentreLine(designs.round, QStringLiteral("I"), 88, 90, 14);
        designs.round.lines[4] = designs.round.lines[3];
        designs.round.lines[4].x = 96;
        const output::Imprint two = output::makeImprint(designs, StampKind::Round);
        double apart = inkOf(two, {ElementKind::CentreLine, 2}).left() - inkOf(two, {ElementKind::CentreLine, 1}).right();
        QVERIFY(apart > 0.5);
        QTest::newRow("letters 0.3 mm apart") << designs << widthFor(designs, apart, 0.3)
                                              << QStringLiteral("gap warning Первая строка в центре/Вторая строка в центре")
                                              << 0.3;
        QTest::newRow("letters 0.45 mm apart") << designs << widthFor(designs, apart, 0.45) << QString() << 0.0;
        // A bold I beside the outer ring, 0.25 mm from it.
        designs.round = withCentreLine(bareSeal(), QStringLiteral("I"), 178, 86, 14);
        const output::Imprint seal = output::makeImprint(designs, StampKind::Round);
        const QRectF ring = inkOf(seal, {ElementKind::Ring, 3});
        const QRectF letter = inkOf(seal, {ElementKind::CentreLine, 1});
        QVERIFY(letter.top() < ring.center().y() && letter.bottom() > ring.center().y());
        apart = ring.right() - designs.round.rings[2].width - letter.right();
        QVERIFY(apart > 0.5);
        QTest::newRow("letter 0.25 mm from a ring") << designs << widthFor(designs, apart, 0.25)
                                                    << QStringLiteral("gap warning Первая строка в центре/3-я окр.") << 0.25;
        // A counter of one preview pixel, 0.25 mm at the width chosen; of
        // two pixels, 0.5 mm, it stays open.
        designs = emblemAlone(bitmap(dir, QStringLiteral("counter.bmp"), blockWith(12, {QRect(5, 5, 1, 1)})));
        QTest::newRow("counter 0.25 mm") << designs << widthFor(designs, 1, 0.25)
                                         << QStringLiteral("gap warning Герб") << 0.25;
        designs.round.emblem.path = bitmap(dir, QStringLiteral("counter2.bmp"), blockWith(12, {QRect(5, 5, 2, 2)}));
        QTest::newRow("counter 0.5 mm") << designs << widthFor(designs, 1, 0.25) << QString() << 0.0;
        // A wide counter with a slit to the outside one pixel wide: the
        // closing shuts the slit, open paper on both sides of it.
        designs.round.emblem.path = bitmap(dir, QStringLiteral("slit.bmp"),
                                           blockWith(16, {QRect(4, 4, 8, 8), QRect(7, 0, 1, 4)}));
        QTest::newRow("slit 0.3 mm") << designs << widthFor(designs, 1, 0.3) << QStringLiteral("gap warning Герб")
                                     << 0.3;
    }

    void findsGaps() {
        QFETCH(StampDesigns, designs);
        QFETCH(double, widthMm);
        QFETCH(QString, expected);
        QFETCH(double, measured);
        const check::Limits limits;
        const std::vector<check::Finding> gaps = onlyOf(checked(designs, StampKind::Round, widthMm), check::Problem::NarrowGap);
        QStringList found;
        for (const check::Finding& finding : gaps)
            found << summary(StampKind::Round, finding);
        QCOMPARE(found, expected.isEmpty() ? QStringList() : QStringList{expected});
        if (measured > 0)
            QVERIFY2(std::abs(gaps.front().measured - measured) <= std::max(0.1 * measured, checkPixelMm(designs, widthMm, limits)),
                     qPrintable(QString::number(gaps.front().measured)));
    }

    // A line's measured width is the ink's own across its middle, within a
    // tenth or a pixel of the check, at two of the check's resolutions:
    // a bold dash, level and slanting, of known thickness.
    void thinLinesMeasureTheirWidth_data() {
        QTest::addColumn<StampDesigns>("designs");
        QTest::addColumn<double>("widthMm");
        QTest::addColumn<check::Limits>("limits");
        QTest::addColumn<double>("truth");

        const QString dash(QChar(0x2014));
        const double thickness =
            inkOf(output::makeImprint(lineAlone(dash, 8), StampKind::Round), {ElementKind::CentreLine, 1}).height();
        check::Limits fine;
        fine.minLineMm = 0.025;  // drawn at 120 pixels a millimetre
        for (const int angle : {0, 30}) {
            const StampDesigns designs = lineAlone(dash, 8, angle);
            for (const double truth : {0.05, 0.08, 0.12, 0.18}) {
                const double width = widthFor(designs, thickness, truth);
                QTest::addRow("%.2f mm at %d°", truth, angle) << designs << width << check::Limits() << truth;
                QTest::addRow("%.2f mm at %d°, finer", truth, angle) << designs << width << fine << truth;
            }
        }
    }

    void thinLinesMeasureTheirWidth() {
        QFETCH(StampDesigns, designs);
        QFETCH(double, widthMm);
        QFETCH(check::Limits, limits);
        QFETCH(double, truth);
        const std::vector<check::Finding> thin =
            onlyOf(checked(designs, StampKind::Round, widthMm, limits), check::Problem::ThinLine);
        QCOMPARE(thin.size(), std::size_t(1));
        QCOMPARE(thin.front().severity, truth < limits.minLineMm ? check::Severity::Error : check::Severity::Warning);
        QVERIFY2(std::abs(thin.front().measured - truth) <= std::max(0.1 * truth, checkPixelMm(designs, widthMm, limits)),
                 qPrintable(QString::number(thin.front().measured)));
    }

    // The default seal's ring texts grow half as wide again from 18 to
    // 27 mm, and so does their thinnest line, as the check reads it.
    void textLinesGrowWithTheSeal() {
        const check::Report small = checked(StampDesigns(), StampKind::Round, 18);
        const check::Report large = checked(StampDesigns(), StampKind::Round, 27);
        const auto measured = [](const check::Report& report, int line) {
            for (const check::Finding& finding : onlyOf(report, check::Problem::ThinLine))
                if (finding.element == ElementTag{ElementKind::RingText, line})
                    return finding.measured;
            return 0.0;
        };
        for (int line = 1; line <= 3; ++line) {
            const double at18 = measured(small, line);
            const double at27 = measured(large, line);
            QVERIFY2(at18 > 0 && at27 > 1.25 * at18, qPrintable(QStringLiteral("%1: %2 %3").arg(line).arg(at18).arg(at27)));
        }
    }

    // A value below its limit never reads as the limit: the rings one
    // preview pixel wide of the default seal at 18 mm are 0.097 mm.
    void valuesBelowTheLimitReadSo() {
        QStringList rings;
        for (const check::Finding& finding : onlyOf(checked(StampDesigns(), StampKind::Round, 18), check::Problem::ThinLine))
            if (finding.element.kind == ElementKind::Ring && finding.severity == check::Severity::Error)
                rings << check::describe(StampKind::Round, finding);
        QCOMPARE(rings, (QStringList{QStringLiteral("ошибка: 1-я окр.: линия тоньше допустимой: 0.097 мм, допустимо 0.100 мм"),
                                     QStringLiteral("ошибка: 2-я окр.: линия тоньше допустимой: 0.097 мм, допустимо 0.100 мм")}));
    }

    void decimals_data() {
        QTest::addColumn<check::Problem>("problem");
        QTest::addColumn<double>("measured");
        QTest::addColumn<double>("limit");
        QTest::addColumn<int>("digits");
        QTest::newRow("apart at two") << check::Problem::ThinLine << 0.15 << 0.2 << 2;
        QTest::newRow("rounds up to the limit") << check::Problem::ThinLine << 0.0968 << 0.1 << 3;
        QTest::newRow("closer still") << check::Problem::NarrowGap << 0.39996 << 0.4 << 5;
        QTest::newRow("above the limit") << check::Problem::CutByField << 0.5 << 0.0 << 2;
        QTest::newRow("dots per inch") << check::Problem::EmblemResolution << 299.6 << 300.0 << 1;
        QTest::newRow("dots per inch apart") << check::Problem::EmblemResolution << 118.7 << 300.0 << 0;
    }

    void decimals() {
        QFETCH(check::Problem, problem);
        QFETCH(double, measured);
        QFETCH(double, limit);
        QFETCH(int, digits);
        check::Finding finding;
        finding.problem = problem;
        finding.measured = measured;
        finding.limit = limit;
        QCOMPARE(check::decimals(finding), digits);
    }

    // An emblem that is switched on and cannot be drawn is an error of the
    // emblem, whatever else there is; one switched off is nobody's concern.
    void unreadableEmblem_data() {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");  // "" for no finding

        QVERIFY(dir.isValid());
        const QString missing = dir.filePath(QStringLiteral("nowhere.bmp"));
        QTest::newRow("missing") << true << missing
                                 << QStringLiteral("ошибка: Герб: файл герба не найден: ") + missing;
        QTest::newRow("not chosen") << true << QString() << QStringLiteral("ошибка: Герб: файл герба не задан");
        const QString text = written(dir, QStringLiteral("text.bmp"), "not a picture");
        QVERIFY(!text.isEmpty());
        QTest::newRow("not a bitmap") << true << text
                                      << QStringLiteral("ошибка: Герб: файл герба не является рисунком bmp: ") + text;
        const QString large = bitmap(dir, QStringLiteral("large.bmp"), blockWith(1, {}).scaled(kMaxEmblemSide + 1, 1));
        QTest::newRow("too large") << true << large
                                   << QStringLiteral("ошибка: Герб: рисунок герба больше 4096 на 4096 точек: ") + large;
        QTest::newRow("readable") << true << bitmap(dir, QStringLiteral("good.bmp"), blockWith(8, {})) << QString();
        QTest::newRow("switched off") << false << missing << QString();
    }

    void unreadableEmblem() {
        QFETCH(bool, enabled);
        QFETCH(QString, path);
        QFETCH(QString, expected);
        StampDesigns designs = lineAlone(QStringLiteral("I"), 14);
        designs.round.emblem.enabled = enabled;
        designs.round.emblem.path = path;
        designs.round.emblem.x = 40;
        designs.round.emblem.y = 40;
        const check::Report report = checked(designs, StampKind::Round, 5);
        QStringList found;
        for (const check::Finding& finding : onlyOf(report, check::Problem::EmblemUnreadable))
            found << check::describe(StampKind::Round, finding);
        QCOMPARE(found, expected.isEmpty() ? QStringList() : QStringList{expected});
        QCOMPARE(report.hasErrors(), !expected.isEmpty());
        // Even with nothing else to print.
        designs.round.lines[3].enabled = false;
        QCOMPARE(onlyOf(checked(designs, StampKind::Round, 5), check::Problem::EmblemUnreadable).size(),
                 expected.isEmpty() ? 0u : 1u);
    }

    // A 1-bit picture at a resolution whose pixel is wider than the
    // design's thinnest line loses it: the check says so for that
    // resolution, and what it says is what finerThanPixel() tells. The
    // resolution its hint names keeps the line, a hundred dots less would not.
    void pictureTooCoarse_data() {
        QTest::addColumn<StampDesigns>("designs");
        QTest::addColumn<double>("widthMm");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<bool>("lost");
        // A pixel at 150 dpi is 0.17 mm, at 200 dpi 0.13 mm.
        const auto [designs, width] = dash015();
        QTest::newRow("72 dpi") << designs << width << 72 << true;
        QTest::newRow("150 dpi") << designs << width << 150 << true;
        QTest::newRow("200 dpi") << designs << width << 200 << false;
        QTest::newRow("no picture") << designs << width << 0 << false;
        // The default seal's 8-point texts at 20 mm, at 300 dpi.
        QTest::newRow("default seal") << StampDesigns() << 20.0 << 300 << true;
    }

    void pictureTooCoarse() {
        QFETCH(StampDesigns, designs);
        QFETCH(double, widthMm);
        QFETCH(int, dpi);
        QFETCH(bool, lost);
        const output::Imprint imprint = output::makeImprint(designs, StampKind::Round);
        const check::Report report = check::checkDesign(designs, StampKind::Round, imprint, widthMm, check::Limits(), dpi);
        const std::vector<check::Finding> found = onlyOf(report, check::Problem::FinerThanPixel);
        const std::optional<check::Finding> alone = check::finerThanPixel(imprint, widthMm, dpi);
        QCOMPARE(found.size(), lost ? 1u : 0u);
        QCOMPARE(alone.has_value(), lost);
        if (!lost)
            return;
        const check::Finding& finding = found.front();
        QCOMPARE(finding.severity, check::Severity::Warning);
        QCOMPARE(finding.limit, 25.4 / dpi);
        QVERIFY(finding.measured < finding.limit);
        QCOMPARE(check::describe(StampKind::Round, *alone), check::describe(StampKind::Round, finding));
        QVERIFY(check::describe(StampKind::Round, finding).contains(QStringLiteral("при %1 dpi").arg(dpi)));
        const QString hint = check::hint(StampKind::Round, *alone);
        const int asked = static_cast<int>(hintNumber(hint, QStringLiteral("увеличьте разрешение до ")));
        QVERIFY2(asked > dpi && asked % 100 == 0 && hint.endsWith(QStringLiteral(" dpi")), qPrintable(hint));
        QVERIFY(!check::finerThanPixel(imprint, widthMm, asked).has_value());
        QVERIFY(check::finerThanPixel(imprint, widthMm, asked - 100).has_value());
        // The thinnest line: nothing thinner is reported thin.
        for (const check::Finding& thin : onlyOf(report, check::Problem::ThinLine))
            QVERIFY(thin.measured >= finding.measured - 1e-9);
    }

    void pictureDpi_data() {
        QTest::addColumn<output::Format>("format");
        QTest::addColumn<bool>("colour");
        QTest::addColumn<bool>("negative");
        QTest::addColumn<int>("dpi");
        QTest::newRow("black and white PNG") << output::Format::Png << false << false << 600;
        QTest::newRow("colour PNG") << output::Format::Png << true << false << 0;
        QTest::newRow("negative, colour asked") << output::Format::Png << true << true << 600;
        QTest::newRow("PDF") << output::Format::Pdf << false << false << 0;
        QTest::newRow("SVG") << output::Format::Svg << false << false << 0;
    }

    void pictureDpi() {
        QFETCH(output::Format, format);
        QFETCH(bool, colour);
        QFETCH(bool, negative);
        QFETCH(int, dpi);
        output::Settings settings;
        settings.format = format;
        settings.colour = colour;
        settings.negative = negative;
        settings.dpi = 600;
        QCOMPARE(check::pictureDpi(settings), dpi);
    }

    // The letters of one ring text, as in a seal of the bare outer ring 40
    // mm wide: piled on each other they are an error, closer than the gap
    // allowed a warning; the text is named and the place marked.
    void crowdedLetters_data() {
        QTest::addColumn<StampDesigns>("designs");
        QTest::addColumn<double>("widthMm");
        QTest::addColumn<bool>("overlap");
        QTest::addColumn<int>("gap");  // 1: a narrow gap, 0: none, -1: not asked

        const QString company =
            QStringLiteral("ОБЩЕСТВО С ОГРАНИЧЕННОЙ ОТВЕТСТВЕННОСТЬЮ «РОМАШКА» * МОСКВА *");
        QTest::newRow("company name, equal steps")
            << ringTextInSeal(company, 10, RingTextLayout{}) << 40.0 << true << -1;
        QTest::newRow("company name by widths round the ring, fitted")
            << ringTextInSeal(company, 10, RingTextLayout{RingSpacing::Glyphs, 360, 0, false, true}) << 40.0 << false
            << -1;
        // Two bars at the top: the room between them is what the tracking
        // leaves of their advances.
        for (const double tracking : {-3.0, -1.6, 0.0, 2.0}) {
            const StampDesigns designs = ringTextInSeal(
                QStringLiteral("II"), 10, RingTextLayout{RingSpacing::Glyphs, 0, tracking, false, false}, false);
            const double width = asInSeal(designs, 40);
            const double apart = barsApart(designs, width);
            QTest::addRow("bars %.2f mm apart", apart)
                << designs << width << (apart < 0) << int(apart >= 0 && apart < 0.4);
        }
        const StampDesigns word = ringTextInSeal(
            QStringLiteral("ПЕЧАТЬ"), 10, RingTextLayout{RingSpacing::Glyphs, 0, 2, false, false}, false);
        QTest::newRow("a word by widths") << word << asInSeal(word, 40) << false << 0;
    }

    void crowdedLetters() {
        QFETCH(StampDesigns, designs);
        QFETCH(double, widthMm);
        QFETCH(bool, overlap);
        QFETCH(int, gap);
        const ElementTag text{ElementKind::RingText, 1};
        const output::Imprint imprint = output::makeImprint(designs, StampKind::Round);
        const check::Report report = check::checkDesign(designs, StampKind::Round, imprint, widthMm, check::Limits());
        const std::vector<check::Finding> overlaps = onlyOf(report, check::Problem::LettersOverlap);
        QCOMPARE(overlaps.size(), overlap ? 1u : 0u);
        QCOMPARE(report.hasErrors(), overlap);
        const QRectF ink = inkOf(imprint, text);
        for (const check::Finding& finding : overlaps) {
            QCOMPARE(finding.element, text);
            QCOMPARE(finding.severity, check::Severity::Error);
            QVERIFY(finding.measured > 0);
            QVERIFY(ink.contains(finding.place));
            QVERIFY(check::describe(StampKind::Round, finding)
                        .startsWith(QStringLiteral("ошибка: Первая строка по окружности: буквы налезают друг на друга на ")));
        }
        if (gap < 0)
            return;
        std::vector<check::Finding> narrow = onlyOf(report, check::Problem::NarrowGap);
        std::erase_if(narrow, [&](const check::Finding& finding) { return !(finding.element == text); });
        QCOMPARE(narrow.size(), std::size_t(gap));
        if (gap == 0)
            return;
        QCOMPARE(narrow.front().other.kind, ElementKind::None);
        QVERIFY(ink.adjusted(-2, -2, 2, 2).contains(narrow.front().place));
        // The bars' own corners tell the gap.
        QVERIFY2(std::abs(narrow.front().measured - barsApart(designs, widthMm)) < 0.01,
                 qPrintable(QString::number(narrow.front().measured)));
        QCOMPARE(check::describe(StampKind::Round, narrow.front()).section(QLatin1Char(':'), 0, 2),
                 QStringLiteral("предупреждение: Первая строка по окружности: просвет уже допустимого"));
    }

    // The die: ink beyond the size it is named by comes closer than 0.5 mm
    // to its edge, a warning; beyond that it does not fit, an error. The
    // outline the width measures is the size's own edge.
    void dieFindings_data() {
        QTest::addColumn<StampKind>("kind");
        QTest::addColumn<StampDesigns>("designs");
        QTest::addColumn<double>("widthMm");
        QTest::addColumn<double>("dieHeightMm");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<double>("beyondMm");  // how far the ink reaches beyond the size named

        const StampDesigns stamp = framedStamp();
        const output::Imprint framed = output::makeImprint(stamp, StampKind::Rect);
        const double height = output::imprintSizeMm(framed, 10).height();
        const QString contour = QStringLiteral("1 контур");
        QTest::newRow("stamp as high as the die") << StampKind::Rect << stamp << 10.0 << height << QStringList() << 0.0;
        QTest::newRow("stamp too close to the edge") << StampKind::Rect << stamp << 10.0 << height - 0.6
                                                     << QStringList{QStringLiteral("edge warning ") + contour} << 0.3;
        QTest::newRow("stamp too tall") << StampKind::Rect << stamp << 10.0 << height - 4
                                        << QStringList{QStringLiteral("die error ") + contour} << 2.0;
        QTest::newRow("no die height") << StampKind::Rect << stamp << 10.0 << 0.0 << QStringList() << 0.0;

        // The inner line 2 wide along y = 84 reaches a unit above the
        // contour (85, 2 wide), whose ink is the die's height.
        StampDesigns line = stamp;
        line.rect.innerLine = SegmentSettings{true, Point{80, 84}, Point{120, 84}, 2, kNoneColour};
        const double unitMm = output::mmPerUnit(framed, 10);
        const double contourHeight = inkOf(framed, {ElementKind::Contour, 1}).height() * unitMm;
        QTest::newRow("inner line above the contour") << StampKind::Rect << line << 10.0 << contourHeight
                                                      << QStringList{QStringLiteral("edge warning Вн.линия")} << unitMm;
        line.rect.innerLine.p1.y = line.rect.innerLine.p2.y = 75;
        QTest::newRow("inner line far above") << StampKind::Rect << line << 10.0 << contourHeight
                                              << QStringList{QStringLiteral("die error Вн.линия")} << 10 * unitMm;

        // A round seal: its own outer ring never, nor what lies within it; a
        // letter beyond it at the width where it reaches 0.25 mm or 1 mm
        // beyond the ring.
        StampDesigns ring{bareSeal(), {}, {}};
        ring.round.rings[2].radius = 30;
        QTest::newRow("ring alone") << StampKind::Round << ring << 13.0 << 0.0 << QStringList() << 0.0;
        QTest::newRow("default seal") << StampKind::Round << StampDesigns() << 20.0 << 0.0 << QStringList() << 0.0;
        StampDesigns letter;  // a bold I at x = 175, the ring of radius 60, 2 wide
        letter.round = withCentreLine(bareSeal(), QStringLiteral("I"), 175, 92);
        letter.round.rings[2].radius = 60;
        const output::Imprint seal = output::makeImprint(letter, StampKind::Round);
        const QRectF box = inkOf(seal, {ElementKind::CentreLine, 1});
        // Its farthest corner from the centre beyond the ring's outer edge.
        const double beyond = std::hypot(box.right() - 100, std::max(box.bottom() - 100, 100 - box.top())) - 61;
        QVERIFY(beyond > 10);
        const QString centre = QStringLiteral("Первая строка в центре");
        QTest::newRow("letter near the edge") << StampKind::Round << letter << 0.25 / beyond * seal.span << 0.0
                                              << QStringList{QStringLiteral("edge warning ") + centre} << 0.25;
        QTest::newRow("letter beyond the die") << StampKind::Round << letter << 1.0 / beyond * seal.span << 0.0
                                               << QStringList{QStringLiteral("die error ") + centre} << 1.0;
    }

    void dieFindings() {
        QFETCH(StampKind, kind);
        QFETCH(StampDesigns, designs);
        QFETCH(double, widthMm);
        QFETCH(double, dieHeightMm);
        QFETCH(QStringList, expected);
        QFETCH(double, beyondMm);
        const check::Die die = check::dieFor(kind, widthMm, dieHeightMm);
        const output::Imprint imprint = output::makeImprint(designs, kind);
        const check::Report report = checked(designs, kind, widthMm, check::Limits(), 0, die);
        QStringList found;
        std::vector<check::Finding> dies;
        for (const check::Finding& finding : report.findings) {
            if (finding.problem == check::Problem::DieFit || finding.problem == check::Problem::DieEdge) {
                found << summary(kind, finding);
                dies.push_back(finding);
            }
        }
        QCOMPARE(found, expected);
        if (dies.empty())
            return;
        // Without the die the rest of the findings are the same.
        const check::Report without = checked(designs, kind, widthMm);
        QCOMPARE(without.findings.size() + dies.size(), report.findings.size());
        const check::Finding& finding = dies.front();
        const bool edge = finding.problem == check::Problem::DieEdge;
        // Good to a pixel at 1200 dpi, and half of one.
        QVERIFY2(std::abs(finding.measured - (edge ? 0.5 - beyondMm : beyondMm)) < 0.035,
                 qPrintable(QString::number(finding.measured)));
        if (edge) {
            QCOMPARE(finding.limit, 0.5);
            QVERIFY(check::describe(kind, finding).contains(QStringLiteral(": ближе 0,5 мм к краю оснастки: ")));
        } else {
            QVERIFY(check::problemText(finding).startsWith(QStringLiteral("не помещается в оснастку ")));
        }
        QCOMPARE(check::hint(kind, finding), QStringLiteral("уменьшите «%1» или сдвиньте внутрь на %2 мм%3")
                                                 .arg(check::elementName(kind, finding.element))
                                                 .arg(edge ? finding.limit - finding.measured : finding.measured, 0, 'f', 2)
                                                 .arg(edge ? QString() : QStringLiteral(", либо возьмите оснастку больше")));
        QVERIFY(imprint.box.adjusted(-1, -1, 1, 1).intersects(finding.place));
        QCOMPARE(report.hasErrors(), without.hasErrors() || finding.problem == check::Problem::DieFit);
    }

    // The die's size in the finding as the shops name it.
    void dieNames_data() {
        QTest::addColumn<StampKind>("kind");
        QTest::addColumn<double>("widthMm");
        QTest::addColumn<double>("heightMm");
        QTest::addColumn<QString>("text");
        QTest::newRow("stamp") << StampKind::Rect << 58.0 << 22.0 << QStringLiteral("не помещается в оснастку 58×22 мм");
        QTest::newRow("stamp by halves") << StampKind::Rect << 47.5 << 18.0
                                         << QStringLiteral("не помещается в оснастку 47.5×18 мм");
        QTest::newRow("round") << StampKind::Round << 40.0 << 0.0 << QStringLiteral("не помещается в оснастку 40 мм");
    }

    void dieNames() {
        QFETCH(StampKind, kind);
        QFETCH(double, widthMm);
        QFETCH(double, heightMm);
        QFETCH(QString, text);
        check::Finding finding;
        finding.problem = check::Problem::DieFit;
        finding.die = check::dieFor(kind, widthMm, heightMm);
        QCOMPARE(check::problemText(finding), text);
        QCOMPARE(check::problemText(finding, QLocale(QLocale::Russian)), QString(text).replace(u'.', u','));
        // The triangular seal is made on no standard die.
        QVERIFY(check::dieFor(StampKind::Triangle, widthMm, heightMm).empty());
    }

    // The width an outline's hint asks for is the fewest preview pixels
    // that reach the limit at the size checked: with it the line is no
    // longer thin, one less would be.
    void thinLineHint_data() {
        QTest::addColumn<StampKind>("kind");
        QTest::addColumn<StampDesigns>("designs");
        QTest::addColumn<double>("widthMm");
        QTest::addColumn<check::Limits>("limits");
        QTest::addColumn<int>("findings");
        check::Limits thicker;
        thicker.safeLineMm = 0.3;
        // A ring of radius 30, a unit wide, 61 units across, drawn as large
        // as in a seal of 186 units 40 mm wide (a unit 0.215 mm), or 10 mm
        // (0.054 mm).
        StampDesigns small{bareSeal(), {}, {}};
        small.round.rings[2].width = 1;
        small.round.rings[2].radius = 30;
        const double asIn186 = 61.0 / 186;
        QTest::newRow("ring as at 40 mm, 0.3 mm asked") << StampKind::Round << small << 40 * asIn186 << thicker << 1;
        QTest::newRow("ring as at 10 mm, an error") << StampKind::Round << small << 10 * asIn186 << check::Limits() << 1;
        // Two rings, the inner one the first.
        StampDesigns two = small;
        two.round.rings[0] = RingSettings{true, 1, 24, kNoneColour};
        QTest::newRow("two rings as at 20 mm") << StampKind::Round << two << 20 * asIn186 << check::Limits() << 2;
        // A frame 61 units across, 0.105 mm a unit.
        StampDesigns frame = testing::nothingEnabled();
        frame.triangle.frames[0] = FrameSettings{true, {Point{70, 130}, Point{130, 130}, Point{100, 78}}, 1, kNoneColour};
        QTest::newRow("triangle frame") << StampKind::Triangle << frame << 6.4 << check::Limits() << 1;
        StampDesigns stamp = framedStamp();
        stamp.rect.contours[0].width = 1;
        QTest::newRow("stamp contour") << StampKind::Rect << stamp << 7.0 << check::Limits() << 1;
    }

    void thinLineHint() {
        QFETCH(StampKind, kind);
        QFETCH(StampDesigns, designs);
        QFETCH(double, widthMm);
        QFETCH(check::Limits, limits);
        QFETCH(int, findings);
        std::vector<check::Finding> thin = onlyOf(checked(designs, kind, widthMm, limits), check::Problem::ThinLine);
        // The outlines' lines; a text's are the font's.
        std::erase_if(thin, [](const check::Finding& f) {
            return f.element.kind != ElementKind::Ring && f.element.kind != ElementKind::Frame &&
                   f.element.kind != ElementKind::Contour;
        });
        QCOMPARE(static_cast<int>(thin.size()), findings);
        for (const check::Finding& finding : thin) {
            // A ring as the thing whose width is meant.
            const QString before =
                QStringLiteral("увеличьте толщину %1 до ")
                    .arg(finding.element.kind == ElementKind::Ring ? QStringLiteral("%1-й окр.").arg(finding.element.index)
                                                                   : check::elementName(kind, finding.element));
            const QString hint = check::hint(kind, finding);
            const int units = static_cast<int>(hintNumber(hint, before));
            QVERIFY2(units > 0, qPrintable(hint));
            QVERIFY(units * finding.mmPerUnit >= finding.limit);
            QVERIFY((units - 1) * finding.mmPerUnit < finding.limit);
            // Drawn that wide the line is no thinner than this limit.
            StampDesigns thicker = designs;
            const auto index = static_cast<std::size_t>(finding.element.index - 1);
            (finding.element.kind == ElementKind::Ring    ? thicker.round.rings[index].width
             : finding.element.kind == ElementKind::Frame ? thicker.triangle.frames[index].width
                                                          : thicker.rect.contours[index].width) = units;
            for (const check::Finding& after : onlyOf(checked(thicker, kind, widthMm, limits), check::Problem::ThinLine))
                QVERIFY2(!(after.element == finding.element && after.measured < finding.limit),
                         qPrintable(check::describe(kind, after)));
        }
    }

    // The size of the whole imprint a hint names clears the finding, half a
    // millimetre short of it would not. Low capitals: a line of each kind
    // alone, about two and a half times as wide as its capitals are high.
    // A coarse emblem alone: its 40 pixels are the width, 10 mm make 102 dpi.
    void sizeHint_data() {
        QTest::addColumn<StampKind>("kind");
        QTest::addColumn<StampDesigns>("designs");
        QTest::addColumn<double>("widthMm");
        QTest::addColumn<check::Problem>("problem");
        QTest::addColumn<QString>("before");  // the number
        const QString larger = QStringLiteral("увеличьте размер шрифта строки или %1 до ");
        const StampDesigns round = lineAlone(QStringLiteral("ИИИ"), 8);
        QTest::newRow("round seal") << StampKind::Round << round << 2.0 << check::Problem::LowCapitals
                                    << larger.arg(QStringLiteral("диаметр печати"));
        StampDesigns triangle = testing::nothingEnabled();
        triangle.triangle.lines[3] = round.round.lines[3];
        QTest::newRow("triangular seal") << StampKind::Triangle << triangle << 2.0 << check::Problem::LowCapitals
                                         << larger.arg(QStringLiteral("размер печати"));
        StampDesigns stamp = testing::nothingEnabled();
        stamp.rect.lines[0] = round.round.lines[3];
        QTest::newRow("stamp") << StampKind::Rect << stamp << 2.0 << check::Problem::LowCapitals
                               << larger.arg(QStringLiteral("ширину штампа"));
        QTest::newRow("coarse emblem") << StampKind::Round
                                       << emblemAlone(bitmap(dir, QStringLiteral("hint-block.bmp"), blockWith(40, {})))
                                       << 10.0 << check::Problem::EmblemResolution
                                       << QStringLiteral("возьмите рисунок герба крупнее или уменьшите диаметр печати до ");
    }

    void sizeHint() {
        QFETCH(StampKind, kind);
        QFETCH(StampDesigns, designs);
        QFETCH(double, widthMm);
        QFETCH(check::Problem, problem);
        QFETCH(QString, before);
        const std::vector<check::Finding> found = onlyOf(checked(designs, kind, widthMm), problem);
        QCOMPARE(found.size(), 1u);
        const QString hint = check::hint(kind, found.front());
        const double width = hintNumber(hint, before);
        // Capitals grow with the imprint, an emblem's dots per inch shrink.
        const bool grow = problem == check::Problem::LowCapitals;
        QVERIFY2(width > 0 && (grow ? width > widthMm : width < widthMm) && hint.endsWith(QStringLiteral(" мм")),
                 qPrintable(hint));
        QVERIFY(onlyOf(checked(designs, kind, width), problem).empty());
        QVERIFY(!onlyOf(checked(designs, kind, grow ? width - 0.5 : width + 0.5), problem).empty());
    }

    // Every other finding's hint names what to change in the program's
    // words: the elements as the pages name them, the amount where there is
    // one.
    void hintWords_data() {
        QTest::addColumn<StampKind>("kind");
        QTest::addColumn<int>("problem");
        QTest::addColumn<ElementTag>("element");
        QTest::addColumn<ElementTag>("other");
        QTest::addColumn<double>("measured");
        QTest::addColumn<double>("limit");
        QTest::addColumn<QString>("hint");
        using P = check::Problem;
        const ElementTag none;
        QTest::newRow("gap between two") << StampKind::Round << int(P::NarrowGap) << ElementTag{ElementKind::RingText, 1}
                                         << ElementTag{ElementKind::Ring, 2} << 0.25 << 0.4
                                         << QStringLiteral("раздвиньте «Первая строка по окружности» и «2-я окр.» ещё на 0.15 мм");
        QTest::newRow("gap in a text") << StampKind::Rect << int(P::NarrowGap) << ElementTag{ElementKind::StampLine, 2}
                                       << none << 0.3 << 0.4
                                       << QStringLiteral("увеличьте размер шрифта строки или выберите шрифт тоньше");
        QTest::newRow("gap in an emblem") << StampKind::Round << int(P::NarrowGap) << ElementTag{ElementKind::Emblem, 1}
                                          << none << 0.3 << 0.4
                                          << QStringLiteral("возьмите герб с просветами шире или увеличьте диаметр печати");
        QTest::newRow("touching") << StampKind::Triangle << int(P::Touching) << ElementTag{ElementKind::SideText, 3}
                                  << ElementTag{ElementKind::Frame, 1} << 0.0 << 0.0
                                  << QStringLiteral("раздвиньте «Текст снизу» и «1 тр-к» или уменьшите шрифт строки");
        QTest::newRow("cut by the field") << StampKind::Round << int(P::CutByField)
                                          << ElementTag{ElementKind::CentreLine, 2} << none << 0.42 << 0.0
                                          << QStringLiteral("сдвиньте «Вторая строка в центре» внутрь поля на 0.42 мм");
        QTest::newRow("thin text") << StampKind::Rect << int(P::ThinLine) << ElementTag{ElementKind::StampLine, 1} << none
                                   << 0.08 << 0.1 << QStringLiteral("выберите шрифт строки крупнее или полужирный");
        QTest::newRow("thin inner line, no scale") << StampKind::Rect << int(P::ThinLine) << ElementTag{ElementKind::InnerLine, 1}
                                                   << none << 0.08 << 0.1 << QStringLiteral("увеличьте толщину Вн.линии");
        QTest::newRow("emblem missing") << StampKind::Round << int(P::EmblemUnreadable) << ElementTag{ElementKind::Emblem, 1}
                                        << none << 0.0 << 0.0 << QStringLiteral("укажите файл герба или выключите герб");
    }

    void hintWords() {
        QFETCH(StampKind, kind);
        QFETCH(int, problem);
        QFETCH(ElementTag, element);
        QFETCH(ElementTag, other);
        QFETCH(double, measured);
        QFETCH(double, limit);
        QFETCH(QString, hint);
        check::Finding finding;
        finding.problem = static_cast<check::Problem>(problem);
        finding.element = element;
        finding.other = other;
        finding.measured = measured;
        finding.limit = limit;
        finding.emblemFile = EmblemFile::Missing;
        QCOMPARE(check::hint(kind, finding), hint);
        // The window writes its numbers the Russian way.
        QCOMPARE(check::hint(kind, finding, QLocale(QLocale::Russian)),
                 QString(hint).replace(QRegularExpression(QStringLiteral("(\\d)\\.(\\d)")), QStringLiteral("\\1,\\2")));
    }

    void elementNames_data() {
        QTest::addColumn<StampKind>("kind");
        QTest::addColumn<ElementKind>("element");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("name");
        QTest::newRow("ring text") << StampKind::Round << ElementKind::RingText << 2
                                   << QStringLiteral("Вторая строка по окружности");
        QTest::newRow("round centre line") << StampKind::Round << ElementKind::CentreLine << 3
                                           << QStringLiteral("Третья строка в центре");
        QTest::newRow("ring") << StampKind::Round << ElementKind::Ring << 2 << QStringLiteral("2-я окр.");
        QTest::newRow("side text") << StampKind::Triangle << ElementKind::SideText << 3 << QStringLiteral("Текст снизу");
        QTest::newRow("frame") << StampKind::Triangle << ElementKind::Frame << 3 << QStringLiteral("3 тр-к");
        QTest::newRow("stamp line") << StampKind::Rect << ElementKind::StampLine << 4 << QStringLiteral("Четвертая строка");
        QTest::newRow("contour") << StampKind::Rect << ElementKind::Contour << 2 << QStringLiteral("2 контур");
        QTest::newRow("inner line") << StampKind::Rect << ElementKind::InnerLine << 1 << QStringLiteral("Вн.линия");
    }

    void elementNames() {
        QFETCH(StampKind, kind);
        QFETCH(ElementKind, element);
        QFETCH(int, index);
        QFETCH(QString, name);
        QCOMPARE(check::elementName(kind, ElementTag{element, index}), name);
    }

    // The bounded distances against every pair of pixels.
    void distancesMatchBruteForce_data() {
        QTest::addColumn<int>("reach");
        QTest::addColumn<int>("percentSet");
        QTest::newRow("sparse, reach 6") << 6 << 2;
        QTest::newRow("dense, reach 3") << 3 << 40;
        QTest::newRow("nothing set") << 4 << 0;
    }

    void distancesMatchBruteForce() {
        QFETCH(int, reach);
        QFETCH(int, percentSet);
        const int w = 53;
        const int h = 37;
        QRandomGenerator random(7);
        std::vector<std::uint8_t> set(static_cast<std::size_t>(w * h));
        for (std::uint8_t& pixel : set)
            pixel = static_cast<int>(random.bounded(100)) < percentSet;
        const std::vector<std::uint16_t> got = check::morphology::boundedSquaredDistance(set, w, h, reach);
        const int far = (reach + 1) * (reach + 1);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                int best = far;
                for (int v = 0; v < h; ++v)
                    for (int u = 0; u < w; ++u)
                        if (set[static_cast<std::size_t>(v * w + u)])
                            best = std::min(best, (u - x) * (u - x) + (v - y) * (v - y));
                QCOMPARE(static_cast<int>(got[static_cast<std::size_t>(y * w + x)]), std::min(best, far));
            }
        }
    }
};

QTEST_MAIN(TestCheck)
#include "test_check.moc"
