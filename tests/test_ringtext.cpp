// Ring texts laid out by the widths of their letters.

#include "Designs.h"
#include "Geometry.h"
#include "Ink.h"
#include "Render.h"
#include "RingText.h"
#include "TextLayout.h"

#include <QElapsedTimer>
#include <QPainterPath>
#include <QPainter>
#include <QRawFont>
#include <QTest>

#include <cmath>
#include <limits>
#include <map>
#include <set>

using namespace qg;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

RingTextLayout glyphs(double span = 0, double tracking = 0, bool reverse = false, bool fit = false) {
    return RingTextLayout{RingSpacing::Glyphs, span, tracking, reverse, fit};
}

// A round seal with ring text 1 alone.
StampDesigns ringOnly(const QString& text, int radius, int angle, const RingTextLayout& layout, int points = 8) {
    StampDesigns designs = testing::nothingEnabled();
    TextLineSettings& line = designs.round.lines[0];
    line.enabled = true;
    line.text = text;
    line.radius = radius;
    line.angle = angle;
    line.font.size = points;
    designs.round.ringLayouts[0] = layout;
    return designs;
}

RingTextPlan planOf(const StampDesigns& designs) {
    return planRingText(designs.round.lines[0], designs.round.ringLayouts[0]);
}

// The points of the ring text's glyph outlines, in preview units.
std::vector<QPointF> inkPoints(const StampDesigns& designs) {
    std::vector<QPointF> points;
    for (const InkOp& op : recordInk(designs, ActivePage::Round)) {
        if (op.paper || op.element.kind != ElementKind::RingText)
            continue;
        for (const QPolygonF& polygon : op.path.toFillPolygons())
            points.insert(points.end(), polygon.begin(), polygon.end());
    }
    return points;
}

// Ink about the seal's centre: the middle of preview pixel (100, 100).
double radiusOf(const QPointF& p) {
    return std::hypot(p.x() - 100.5, p.y() - 100.5);
}

// Degrees clockwise from 12 o'clock, within (-180, 180] of `around`.
double angleOf(const QPointF& p, double around) {
    const double theta = std::atan2(p.x() - 100.5, 100.5 - p.y()) * 180 / kPi;
    return around + std::remainder(theta - around, 360.0);
}

double stepDegrees(double pixels, double radius) {
    return pixels / radius * 180 / kPi;
}

QImage preview(const StampDesigns& designs) {
    Canvas canvas;
    ClearStamp(canvas, designs, ActivePage::Round);
    PaintStamp(canvas, designs, ActivePage::Round);
    return canvas.image().copy();
}

}  // namespace

Q_DECLARE_METATYPE(qg::RingTextLayout)

class TestRingText : public QObject {
    Q_OBJECT

private slots:
    void stepsFollowAdvances_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("tracking");
        QTest::addColumn<bool>("reverse");
        QTest::newRow("wide and narrow") << QStringLiteral("ШiЖ.lШ") << 0.0 << false;
        QTest::newRow("tracking") << QStringLiteral("ШiЖ.lШ") << 2.5 << false;
        QTest::newRow("negative tracking") << QStringLiteral("ШiЖ.lШ") << -1.0 << false;
        QTest::newRow("reversed") << QStringLiteral("ШiЖ.lШ") << 1.0 << true;
    }

    // Neighbours stand apart by half of each one's advance and the tracking,
    // measured along the circle through the middle of the letters; the
    // advances are the font's own.
    void stepsFollowAdvances() {
        QFETCH(QString, text);
        QFETCH(double, tracking);
        QFETCH(bool, reverse);
        const StampDesigns designs = ringOnly(text, 60, 30, glyphs(0, tracking, reverse));
        const RingTextPlan plan = planOf(designs);
        QCOMPARE(plan.characters.size(), std::size_t(text.size()));
        const FontFace face = makeFontFace(designs.round.lines[0].font);
        QCOMPARE(plan.middleRadius, 60 + 0.5 - face.cellHeight() / 2.0);
        const QList<QPointF> own = face.raw.advancesForGlyphIndexes(face.raw.glyphIndexesForString(text),
                                                                    QRawFont::UseDesignMetrics);
        for (std::size_t i = 0; i < plan.characters.size(); ++i) {
            const RingCharacter& c = plan.characters[i];
            QVERIFY2(std::fabs(c.advance - own[qsizetype(i)].x()) < 0.01 * own[qsizetype(i)].x(),
                     qPrintable(QString::number(i)));
            if (i == 0)
                continue;
            const RingCharacter& before = plan.characters[i - 1];
            const double step = (c.theta - before.theta) * (reverse ? -1 : 1);
            QVERIFY2(std::fabs(step - stepDegrees((before.advance + c.advance) / 2 + tracking, plan.middleRadius)) <
                         1e-9,
                     qPrintable(QString::number(i)));
        }
    }

    void kerningCounts() {
        const RingTextPlan kerned = planOf(ringOnly(QStringLiteral("AVA"), 60, 0, glyphs()));
        const RingTextPlan plain = planOf(ringOnly(QStringLiteral("ABA"), 60, 0, glyphs()));
        QVERIFY(kerned.characters[0].advance < plain.characters[0].advance - 0.2);
    }

    void arcCentredOnAngle_data() {
        QTest::addColumn<double>("span");
        QTest::addColumn<int>("angle");
        QTest::addColumn<bool>("reverse");
        QTest::newRow("natural, top") << 0.0 << 0 << false;
        QTest::newRow("30 degrees at 3 o'clock") << 30.0 << 90 << false;
        QTest::newRow("150 degrees, bottom, reversed") << 150.0 << 180 << true;
        QTest::newRow("300 degrees, angle beyond a turn") << 300.0 << -400 << false;
    }

    // The ink of the text fills its arc (less the bearings of its first and
    // last letters), centred on the angle.
    void arcCentredOnAngle() {
        QFETCH(double, span);
        QFETCH(int, angle);
        QFETCH(bool, reverse);
        const StampDesigns designs = ringOnly(QStringLiteral("НОМЕР ДЕЛА"), 70, angle, glyphs(span, 0, reverse));
        const RingTextPlan plan = planOf(designs);
        if (span > 0)
            QCOMPARE(plan.arc, span);
        double low = 1e9;
        double high = -1e9;
        for (const QPointF& p : inkPoints(designs)) {
            low = std::min(low, angleOf(p, angle));
            high = std::max(high, angleOf(p, angle));
        }
        QVERIFY2(std::fabs((low + high) / 2 - angle) < 0.5, qPrintable(QStringLiteral("%1 %2").arg(low).arg(high)));
        QVERIFY2(high - low <= plan.arc && high - low > plan.arc - 3, qPrintable(QString::number(high - low)));
    }

    // Round the whole ring the room after the last letter equals the others.
    void wholeRing() {
        const RingTextPlan plan = planOf(ringOnly(QStringLiteral("ИНН 7700 * ОГРН 1027 *"), 80, 45, glyphs(360)));
        const RingCharacter& first = plan.characters.front();
        const RingCharacter& last = plan.characters.back();
        const double wrap = first.theta + 360 - last.theta;
        QVERIFY(plan.gap > 0);
        QVERIFY(std::fabs(wrap - stepDegrees((first.advance + last.advance) / 2 + plan.gap, plan.middleRadius)) < 1e-9);
        QVERIFY(std::fabs(plan.arc + stepDegrees(plan.gap, plan.middleRadius) - 360) < 1e-9);
    }

    void reversedLettersStayInside_data() {
        QTest::addColumn<bool>("reverse");
        QTest::newRow("reading clockwise") << false;
        QTest::newRow("reversed") << true;
    }

    // A reversed letter is turned over against clockwise reading and reads
    // left to right along the bottom; both ways the ink lies within the
    // circle of radius R (the middle of pixel R above the centre), reversed
    // letters standing on their feet there.
    void reversedLettersStayInside() {
        QFETCH(bool, reverse);
        const int angle = reverse ? 180 : 0;
        const StampDesigns designs = ringOnly(QStringLiteral("НННН"), 70, angle, glyphs(0, 0, reverse), 14);
        const RingTextPlan plan = planOf(designs);
        for (const RingCharacter& c : plan.characters)
            QVERIFY(std::fabs(std::remainder(c.turn - (reverse ? 180 - c.theta : -c.theta), 360.0)) < 1e-9);
        QVERIFY(plan.characters.front().x < plan.characters.back().x);
        double outer = 0;
        for (const QPointF& p : inkPoints(designs))
            outer = std::max(outer, radiusOf(p));
        const FontFace face = makeFontFace(designs.round.lines[0].font);
        const double cellTop = 70 + 0.5;
        const double baseline = cellTop - face.descent;
        QVERIFY2(outer <= cellTop, qPrintable(QString::number(outer)));
        if (reverse)
            QVERIFY2(std::fabs(outer - baseline) < 0.3, qPrintable(QString::number(outer)));
    }

    void fitting_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("span");
        QTest::addColumn<double>("tracking");
        QTest::addColumn<bool>("reduced");
        const QString crowded = QStringLiteral("ОБЩЕСТВО С ОГРАНИЧЕННОЙ ОТВЕТСТВЕННОСТЬЮ «РОМАШКА» * МОСКВА *");
        QTest::newRow("short text is never enlarged") << QStringLiteral("ПЕЧАТЬ") << 0.0 << 0.0 << false;
        QTest::newRow("short text, narrow arc") << QStringLiteral("ПЕЧАТЬ") << 20.0 << 0.0 << true;
        QTest::newRow("crowded, whole ring") << crowded << 0.0 << 0.0 << true;
        QTest::newRow("crowded, 360 with tracking") << crowded << 360.0 << 1.5 << true;
        QTest::newRow("crowded, half the ring") << crowded << 180.0 << 0.0 << true;
    }

    // A text too long for its arc is drawn just small enough to fit it,
    // tracking kept: a tenth of a point more would not fit.
    void fitting() {
        QFETCH(QString, text);
        QFETCH(double, span);
        QFETCH(double, tracking);
        QFETCH(bool, reduced);
        const StampDesigns designs = ringOnly(text, 80, 0, glyphs(span, tracking, false, true), 10);
        const RingTextPlan plan = planOf(designs);
        QCOMPARE(plan.reduced, reduced);
        QVERIFY(plan.fits);
        QCOMPARE(ringTextPointsInUse(designs.round.lines[0], designs.round.ringLayouts[0]), plan.points);
        QCOMPARE(designs.round.lines[0].font.size, 10);
        if (!reduced) {
            QCOMPARE(plan.points, 10.0);
            QCOMPARE(plan.emPixels, plan.naturalEmPixels);
            return;
        }
        QVERIFY(plan.points < 10 && plan.emPixels < plan.naturalEmPixels);
        QCOMPARE(plan.emPixels, plan.points * 96 / 72);
        double width = 0;
        for (const RingCharacter& c : plan.characters)
            width += c.advance;
        const double arc = span > 0 ? span : 360;
        const double gaps = arc >= 360 ? plan.characters.size() : plan.characters.size() - 1;
        const double room = arc * kPi / 180 * plan.middleRadius - tracking * gaps;
        QVERIFY2(width <= room * (1 + 1e-9), qPrintable(QStringLiteral("%1 > %2").arg(width).arg(room)));
        QVERIFY2(width * (plan.points + 0.1) / plan.points > room * 0.99,
                 qPrintable(QStringLiteral("%1 pt leaves %2 of %3").arg(plan.points).arg(width).arg(room)));
    }

    void lettersStayApart_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("radius");
        QTest::addColumn<int>("points");
        QTest::addColumn<RingTextLayout>("layout");
        const QString company = QStringLiteral("ОБЩЕСТВО С ОГРАНИЧЕННОЙ ОТВЕТСТВЕННОСТЬЮ «РОМАШКА» * МОСКВА *");
        QTest::newRow("company name round the ring, fitted") << company << 80 << 10 << glyphs(360, 0, false, true);
        QTest::newRow("kerned pairs, small ring") << QStringLiteral("КАКАЛА") << 40 << 14 << glyphs();
        QTest::newRow("kerned pairs, reversed") << QStringLiteral("ТАКАЛА") << 45 << 14 << glyphs(0, 0, true);
        QTest::newRow("latin, half the ring") << QStringLiteral("AVAWAYAK") << 60 << 14 << glyphs(180);
        QTest::newRow("kerned pairs, tracked") << QStringLiteral("КАКАЛА") << 40 << 14 << glyphs(0, 0.3);
    }

    // However small the ring and tight the kerning, no two neighbours'
    // ink meets, at the feet or anywhere else.
    void lettersStayApart() {
        QFETCH(QString, text);
        QFETCH(int, radius);
        QFETCH(int, points);
        QFETCH(RingTextLayout, layout);
        const StampDesigns designs = ringOnly(text, radius, layout.reverse ? 180 : 0, layout, points);
        std::map<int, QPainterPath> letters;
        for (const InkOp& op : recordInk(designs, ActivePage::Round))
            if (!op.paper && op.element.kind == ElementKind::RingText && op.character >= 0)
                letters[op.character].addPath(op.path);
        QVERIFY(letters.size() > 5);
        for (auto a = letters.begin(), b = std::next(a); b != letters.end(); ++a, ++b) {
            a->second.setFillRule(Qt::WindingFill);
            b->second.setFillRule(Qt::WindingFill);
            const QRectF common = a->second.intersected(b->second).boundingRect();
            QVERIFY2(common.isEmpty(), qPrintable(text.mid(a->first, 1) + text.mid(b->first, 1)));
        }
    }

    // Where the curve leaves a pair apart, its kerning stands.
    void kerningKeptWhereLettersStandApart() {
        const QString text = QStringLiteral("ТАТ");
        const RingTextPlan plan = planOf(ringOnly(text, 90, 0, glyphs(), 8));
        const RingTextPlan plain = planOf(ringOnly(QStringLiteral("ТБТ"), 90, 0, glyphs(), 8));
        QVERIFY(plan.characters[0].advance < plain.characters[0].advance - 0.2);
        for (std::size_t i = 1; i < plan.characters.size(); ++i) {
            const RingCharacter &c = plan.characters[i], &before = plan.characters[i - 1];
            QVERIFY(std::fabs(c.theta - before.theta - stepDegrees((before.advance + c.advance) / 2, plan.middleRadius)) <
                    1e-9);
        }
    }

    void turningKeepsTheLayout_data() {
        QTest::addColumn<RingTextLayout>("layout");
        QTest::newRow("natural") << glyphs();
        QTest::newRow("round the ring, fitted") << glyphs(360, 0, false, true);
        QTest::newRow("reversed, on an arc") << glyphs(120, 0.5, true);
    }

    // A text turned (dragged round the seal) keeps its layout, only turned.
    void turningKeepsTheLayout() {
        QFETCH(RingTextLayout, layout);
        const QString text = QStringLiteral("ООО «РОМАШКА» * КАЛУГА *");
        const RingTextPlan before = planOf(ringOnly(text, 70, 10, layout, 11));
        const RingTextPlan after = planOf(ringOnly(text, 70, 47, layout, 11));
        QCOMPARE(after.characters.size(), before.characters.size());
        QCOMPARE(after.points, before.points);
        QCOMPARE(after.gap, before.gap);
        QCOMPARE(after.arc, before.arc);
        for (std::size_t i = 0; i < before.characters.size(); ++i) {
            QCOMPARE(after.characters[i].advance, before.characters[i].advance);
            QVERIFY(std::fabs(after.characters[i].theta - before.characters[i].theta - 37) < 1e-9);
            QVERIFY(std::fabs(std::remainder(before.characters[i].turn - after.characters[i].turn - 37, 360.0)) <
                    1e-9);
        }
    }

    void fittingHasItsLimit() {
        const RingTextPlan plan = planOf(ringOnly(QStringLiteral("ПЕЧАТЬ"), 60, 0, glyphs(0, kMaxRingTracking, false, true)));
        QVERIFY(!plan.fits);
        QCOMPARE(plan.points, kMinFittedPoints);
    }

    // In equal spacing the other settings are kept but change nothing.
    void equalSpacingUnchanged() {
        StampDesigns designs;
        const QImage today = preview(designs);
        const std::vector<InkOp> ink = recordInk(designs, ActivePage::Round);
        for (RingTextLayout& layout : designs.round.ringLayouts)
            layout = RingTextLayout{RingSpacing::Equal, 90, 3, true, true};
        QCOMPARE(preview(designs), today);
        const std::vector<InkOp> kept = recordInk(designs, ActivePage::Round);
        QCOMPARE(kept.size(), ink.size());
        for (std::size_t i = 0; i < ink.size(); ++i)
            QVERIFY(kept[i].path == ink[i].path);
    }

    void previewFollowsTrueSize_data() {
        QTest::addColumn<RingTextLayout>("layout");
        QTest::newRow("natural") << glyphs();
        QTest::newRow("reversed, tracked") << glyphs(0, 1.5, true);
        QTest::newRow("fitted to 120 degrees") << glyphs(120, 0, false, true);
    }

    // The preview draws each character at whole pixels and degrees near
    // where the true-size ink puts it.
    void previewFollowsTrueSize() {
        QFETCH(RingTextLayout, layout);
        const StampDesigns designs =
            ringOnly(QStringLiteral("Общество «Ромашка» г. Москва"), 80, layout.reverse ? 180 : 0, layout);
        const QImage shown = preview(designs);
        QImage truth(Canvas::kSize, Canvas::kSize, QImage::Format_RGB32);
        truth.fill(Qt::white);
        QPainter painter(&truth);
        paintInk(painter, recordInk(designs, ActivePage::Round), Qt::white);
        painter.end();
        int inked = 0;
        int near = 0;
        for (int y = 1; y < Canvas::kSize - 1; ++y) {
            for (int x = 1; x < Canvas::kSize - 1; ++x) {
                if (qGray(shown.pixel(x, y)) > 128)
                    continue;
                ++inked;
                bool found = false;
                for (int dy = -1; dy <= 1 && !found; ++dy)
                    for (int dx = -1; dx <= 1 && !found; ++dx)
                        found = qGray(truth.pixel(x + dx, y + dy)) < 200;
                near += found ? 1 : 0;
            }
        }
        QVERIFY2(inked > 200, qPrintable(QString::number(inked)));
        QVERIFY2(near >= inked * 97 / 100, qPrintable(QStringLiteral("%1 of %2").arg(near).arg(inked)));
    }

    void characterIndices_data() {
        QTest::addColumn<RingTextLayout>("layout");
        QTest::newRow("equal spacing") << RingTextLayout{};
        QTest::newRow("glyph spacing") << glyphs(200, -1, true, true);
    }

    // Each character of a ring text is ink of its own, known by its place
    // in the text; a blank has none.
    void characterIndices() {
        QFETCH(RingTextLayout, layout);
        const QString text = QStringLiteral("ООО Ромашка");
        StampDesigns designs = ringOnly(text, 70, 0, layout);
        designs.round.lines[3].enabled = true;
        std::multiset<int> glyphIndices;
        for (const InkOp& op : recordInk(designs, ActivePage::Round)) {
            if (op.element.kind == ElementKind::CentreLine)
                QCOMPARE(op.character, -1);
            if (op.element.kind == ElementKind::RingText && !op.paper)
                glyphIndices.insert(op.character);
        }
        std::multiset<int> expected;
        for (int i = 0; i < text.size(); ++i)
            if (text[i] != u' ')
                expected.insert(i);
        QVERIFY(glyphIndices == expected);
    }

    void longTextIsCut() {
        const StampDesigns designs =
            ringOnly(testing::repeatedTo(QStringLiteral("Печать * "), 200000), 80, 0, glyphs(360, 0, false, true));
        QElapsedTimer timer;
        timer.start();
        const RingTextPlan plan = planOf(designs);
        QVERIFY(plan.cut);
        QCOMPARE(plan.characters.size(), std::size_t(kMaxRingCharacters));
        QVERIFY(!preview(designs).isNull());
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
    }

    void extremeValues_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<RingTextLayout>("layout");
        QTest::newRow("int32 min") << kMin << glyphs(1, -kMaxRingTracking, true, true);
        QTest::newRow("int32 max") << kMax << glyphs(360, kMaxRingTracking, false, true);
        QTest::newRow("zero") << 0 << glyphs(0, 0, false, true);
        QTest::newRow("out-of-range layout") << 60 << glyphs(1e300, std::numeric_limits<double>::quiet_NaN());
    }

    void extremeValues() {
        QFETCH(int, value);
        QFETCH(RingTextLayout, layout);
        StampDesigns designs = ringOnly(QStringLiteral("Печать"), value, value, layout, value);
        for (const RingCharacter& c : planOf(designs).characters)
            QVERIFY(std::isfinite(c.x) && std::isfinite(c.y) && std::isfinite(c.turn));
        QCOMPARE(preview(designs).size(), QSize(Canvas::kSize, Canvas::kSize));
        int glyphs = 0;
        for (const InkOp& op : recordInk(designs, ActivePage::Round))
            glyphs += op.element.kind == ElementKind::RingText && !op.paper ? 1 : 0;
        QCOMPARE(glyphs, 6);
    }
};

QTEST_MAIN(TestRingText)
#include "test_ringtext.moc"
