#include "Check.h"
#include "Designs.h"
#include "Geometry.h"
#include "Morphology.h"

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <thread>

Q_DECLARE_METATYPE(qg::StampKind)
Q_DECLARE_METATYPE(qg::StampDesigns)
Q_DECLARE_METATYPE(qg::ElementKind)
Q_DECLARE_METATYPE(qg::check::Limits)

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
        QTest::newRow("ring 0.25 mm") << StampKind::Round << designs << 46.25 << shop << QStringList() << 0.0;

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

        // The counters of a bold В are about 0.25 mm at 40 mm, its strokes 0.4 mm.
        designs.round = withCentreLine(bareSeal(), QStringLiteral("В"), 96, 95);
        QTest::newRow("counters") << StampKind::Round << designs << 40.0 << shop
                                  << QStringList{QStringLiteral("gap warning Первая строка в центре")} << 0.0;
        QTest::newRow("counters open at 80 mm") << StampKind::Round << designs << 80.0 << shop << QStringList()
                                                << 0.0;

        // A bold I right of the outer ring, half beyond the field's edge.
        designs.round = withCentreLine(bareSeal(), QStringLiteral("I"), 196, 95);
        QTest::newRow("cut by the field")
            << StampKind::Round << designs << 40.0 << shop
            << QStringList{QStringLiteral("cut warning Первая строка в центре")} << 0.0;
        designs.round = withCentreLine(bareSeal(), QStringLiteral("I"), 150, 95);
        QTest::newRow("inside the field") << StampKind::Round << designs << 40.0 << shop << QStringList() << 0.0;

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
        QTest::newRow("after a larger one") << 20.0 << 40.0;
        QTest::newRow("after a smaller one") << 40.0 << 20.0;
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
