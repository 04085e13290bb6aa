// The check's disc tests against every pair of pixels.

#include "Morphology.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>
#include <climits>
#include <cmath>

using namespace qg;

namespace {

// The squared distance from (x, y) to the nearest pixel where `set` is
// `wanted`, by looking at them all.
int nearestSquared(const std::vector<std::uint8_t>& set, int w, int h, int x, int y, bool wanted) {
    int best = INT_MAX;
    for (int v = 0; v < h; ++v)
        for (int u = 0; u < w; ++u)
            if ((set[static_cast<std::size_t>(v * w + u)] != 0) == wanted)
                best = std::min(best, (u - x) * (u - x) + (v - y) * (v - y));
    return best;
}

std::vector<std::uint8_t> randomSet(int w, int h, int percentSet) {
    QRandomGenerator random(11);
    std::vector<std::uint8_t> set(static_cast<std::size_t>(w * h));
    for (std::uint8_t& pixel : set)
        pixel = static_cast<int>(random.bounded(100)) < percentSet ? 3 : 0;
    return set;
}

// Ink drawn without smoothing, as the check draws it: 1 where a pixel's
// centre lies in the shape.
std::vector<std::uint8_t> drawnInk(int w, int h, const QPainterPath& shape) {
    QImage picture(w, h, QImage::Format_Grayscale8);
    picture.fill(0);
    {
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.fillPath(shape, QColor(255, 255, 255));
    }
    std::vector<std::uint8_t> ink(static_cast<std::size_t>(w * h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ink[static_cast<std::size_t>(y * w + x)] = picture.constScanLine(y)[x] != 0;
    return ink;
}

}  // namespace

class TestMorphology : public QObject {
    Q_OBJECT

private slots:
    void nearSetMatchesBruteForce_data() {
        QTest::addColumn<int>("radiusSquared");
        QTest::addColumn<int>("percentSet");
        QTest::newRow("sparse, between squares") << 90 << 1;
        QTest::newRow("sparse, on a square") << 49 << 2;
        QTest::newRow("dense, small") << 2 << 30;
        QTest::newRow("only the set itself") << 0 << 10;
        QTest::newRow("nothing set") << 20 << 0;
    }

    void nearSetMatchesBruteForce() {
        QFETCH(int, radiusSquared);
        QFETCH(int, percentSet);
        const int w = 61;
        const int h = 29;
        const std::vector<std::uint8_t> set = randomSet(w, h, percentSet);
        std::vector<std::uint8_t> near;
        check::morphology::nearSet(set, w, h, radiusSquared, near);
        QCOMPARE(near.size(), set.size());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                QCOMPARE(near[static_cast<std::size_t>(y * w + x)] != 0,
                         nearestSquared(set, w, h, x, y, true) <= radiusSquared);
        // In place, the same.
        std::vector<std::uint8_t> same = set;
        check::morphology::nearSet(same, w, h, radiusSquared, same);
        QVERIFY(same == near);
    }

    void distanceToClear_data() {
        QTest::addColumn<int>("reach");
        QTest::addColumn<int>("percentSet");
        QTest::newRow("mostly set, reach 5") << 5 << 93;
        QTest::newRow("half set, reach 2") << 2 << 50;
    }

    void distanceToClear() {
        QFETCH(int, reach);
        QFETCH(int, percentSet);
        const int w = 47;
        const int h = 31;
        const std::vector<std::uint8_t> set = randomSet(w, h, percentSet);
        const std::vector<std::uint16_t> got = check::morphology::boundedSquaredDistance(set, w, h, reach, true);
        const int far = (reach + 1) * (reach + 1);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                QCOMPARE(static_cast<int>(got[static_cast<std::size_t>(y * w + x)]),
                         std::min(nearestSquared(set, w, h, x, y, false), far));
    }

    // The column distances held further than a test needs, as the check
    // shares them between its tests and its measurements.
    void fromColumns_data() {
        QTest::addColumn<int>("reach");
        QTest::addColumn<int>("radiusSquared");
        QTest::addColumn<int>("percentSet");
        QTest::addColumn<bool>("toClear");
        QTest::newRow("ink, gaps") << 11 << 89 << 3 << false;
        QTest::newRow("paper, thin lines") << 6 << 22 << 90 << true;
        QTest::newRow("paper, radius below zero") << 3 << -1 << 80 << true;
        QTest::newRow("held at the radius") << 4 << 15 << 5 << false;
    }

    void fromColumns() {
        QFETCH(int, reach);
        QFETCH(int, radiusSquared);
        QFETCH(int, percentSet);
        QFETCH(bool, toClear);
        const int w = 53;
        const int h = 27;
        const std::vector<std::uint8_t> set = randomSet(w, h, percentSet);
        const std::vector<std::uint8_t> column = check::morphology::columnDistances(set, w, h, reach + 1, toClear);
        const std::vector<std::uint16_t> whole = check::morphology::boundedSquaredDistance(set, w, h, reach, toClear);
        std::vector<std::uint8_t> near;
        check::morphology::nearColumns(column, w, h, radiusSquared, near);
        QCOMPARE(near.size(), set.size());
        const int within = std::max(radiusSquared, 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const std::size_t i = static_cast<std::size_t>(y * w + x);
                QCOMPARE(check::morphology::squaredDistanceAt(column, w, x, y, reach), static_cast<int>(whole[i]));
                QCOMPARE(near[i] != 0, nearestSquared(set, w, h, x, y, !toClear) <= within);
            }
    }

    // The offset to the nearest pixel of the set is one of the nearest.
    void nearestOffsetMatchesBruteForce_data() {
        QTest::addColumn<int>("reach");
        QTest::addColumn<int>("percentSet");
        QTest::addColumn<bool>("toClear");
        QTest::newRow("ink, sparse") << 7 << 3 << false;
        QTest::newRow("paper, mostly set") << 4 << 85 << true;
    }

    void nearestOffsetMatchesBruteForce() {
        QFETCH(int, reach);
        QFETCH(int, percentSet);
        QFETCH(bool, toClear);
        const int w = 41;
        const int h = 23;
        const std::vector<std::uint8_t> set = randomSet(w, h, percentSet);
        const std::vector<std::uint8_t> column = check::morphology::columnDistances(set, w, h, reach + 1, toClear);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int nearest = nearestSquared(set, w, h, x, y, !toClear);
                int dx = 0;
                int dy = 0;
                const bool found = check::morphology::nearestOffset(column, set, w, h, x, y, reach, toClear, dx, dy);
                QCOMPARE(found, nearest <= reach * reach);
                if (found) {
                    QCOMPARE(dx * dx + dy * dy, nearest);
                    QCOMPARE(set[static_cast<std::size_t>((y + dy) * w + x + dx)] != 0, !toClear);
                }
            }
    }

    // Bands and rings of known widths at two resolutions: across each
    // pixel of their middle (as far from the paper on either side, within
    // a pixel) the width measures within a pixel, and the median of those
    // within a pixel and a tenth.
    void widthAcrossBandsAndRings_data() {
        QTest::addColumn<double>("widthMm");
        QTest::addColumn<double>("pixelsPerMm");
        QTest::addColumn<double>("degrees");  // of a band; below 0: a ring
        for (const double pixelsPerMm : {1200 / 25.4, 2400 / 25.4})
            for (const double width : {0.05, 0.1, 0.17, 0.4})
                for (const double degrees : {0.0, 30.0, 45.0, -1.0})
                    QTest::addRow("%s %.2f mm, %.0f px/mm", degrees < 0 ? "ring" : qPrintable(QStringLiteral("band at %1°").arg(degrees)),
                                  width, pixelsPerMm)
                        << width << pixelsPerMm << degrees;
    }

    void widthAcrossBandsAndRings() {
        QFETCH(double, widthMm);
        QFETCH(double, pixelsPerMm);
        QFETCH(double, degrees);
        const double width = widthMm * pixelsPerMm;
        const double length = 4 * width + 60;  // of a band
        const int side = static_cast<int>(std::ceil(length + width)) + 10;
        QPainterPath shape;
        QTransform place;
        if (degrees < 0) {
            // A ring 60 pixels across the middle of its line.
            const QPointF centre(side / 2.0 + 0.3, side / 2.0 + 0.1);
            shape.addEllipse(centre, 30 + width / 2, 30 + width / 2);
            shape.addEllipse(centre, 30 - width / 2, 30 - width / 2);
        } else {
            QPainterPath band;
            band.addRect(QRectF(-length / 2, -width / 2, length, width));
            place = QTransform().translate(side / 2.0 + 0.37, side / 2.0 + 0.21).rotate(degrees);
            shape = place.map(band);
        }
        const std::vector<std::uint8_t> ink = drawnInk(side, side, shape);
        const int reach = static_cast<int>(std::ceil(width)) + 2;
        const std::vector<std::uint8_t> column = check::morphology::columnDistances(ink, side, side, reach + 1, true);
        std::vector<double> middle;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                int dx = 0;
                int dy = 0;
                if (!ink[static_cast<std::size_t>(y * side + x)] ||
                    !check::morphology::nearestOffset(column, ink, side, side, x, y, reach, true, dx, dy))
                    continue;
                const double across =
                    check::morphology::widthAcross(ink, side, side, x, y, dx, dy, true, 3 * width + 10);
                const double near = std::sqrt(double(dx * dx + dy * dy));
                // Off the middle of the line, or near a band's end.
                if (std::abs(across + 1 - 2 * near) > 1.5 ||
                    (degrees >= 0 && std::abs(place.inverted().map(QPointF(x + 0.5, y + 0.5)).x()) > length / 2 - width - 3))
                    continue;
                QVERIFY2(std::abs(across - width) < 1.5, qPrintable(QStringLiteral("%1 at %2,%3").arg(across).arg(x).arg(y)));
                middle.push_back(across);
            }
        QVERIFY(middle.size() > 20);
        std::nth_element(middle.begin(), middle.begin() + static_cast<std::ptrdiff_t>(middle.size() / 2), middle.end());
        const double median = middle[middle.size() / 2];
        QVERIFY2(std::abs(median - width) <= std::max(0.1 * width, 1.0),
                 qPrintable(QStringLiteral("median %1 for %2").arg(median).arg(width)));
    }

    // Across paper between two bands of ink: from one to the other.
    void widthAcrossPaper() {
        const int w = 40;
        const int h = 30;
        std::vector<std::uint8_t> ink(static_cast<std::size_t>(w * h), 0);
        for (int x = 0; x < w; ++x) {
            ink[static_cast<std::size_t>(5 * w + x)] = 1;
            ink[static_cast<std::size_t>(12 * w + x)] = 1;
        }
        int otherX = -1;
        int otherY = -1;
        // From (20, 7), two pixels below the upper band: six pixels of paper.
        QCOMPARE(check::morphology::widthAcross(ink, w, h, 20, 7, 0, -2, false, 50, &otherX, &otherY), 6.0);
        QCOMPARE(otherX, 20);
        QCOMPARE(otherY, 12);
        // Nothing the other way within reach.
        QCOMPARE(check::morphology::widthAcross(ink, w, h, 20, 14, 0, -2, false, 50), 50.0);
    }
};

QTEST_MAIN(TestMorphology)
#include "test_morphology.moc"
