// The check's disc tests against every pair of pixels.

#include "Morphology.h"

#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>
#include <climits>

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
};

QTEST_MAIN(TestMorphology)
#include "test_morphology.moc"
