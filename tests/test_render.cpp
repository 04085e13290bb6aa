#include "Designs.h"
#include "Emblem.h"
#include "Geometry.h"
#include "Ink.h"
#include "Outline.h"
#include "Raster.h"
#include "Render.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <limits>
#include <numbers>

using namespace qg;

namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr QRgb kPaper = 0xFFFFFFFFu;

QImage painted(const StampDesigns& designs, ActivePage page) {
    Canvas canvas;
    ClearStamp(canvas, designs, page);
    PaintStamp(canvas, designs, page);
    return canvas.image().copy();
}

bool inked(const QImage& image, int x, int y) {
    return image.pixel(x, y) != kPaper;
}

int inkedCount(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += inked(image, x, y) ? 1 : 0;
    return count;
}

bool anyInkNear(const QImage& image, int cx, int cy, int reach) {
    for (int y = cy - reach; y <= cy + reach; ++y)
        for (int x = cx - reach; x <= cx + reach; ++x)
            if (image.valid(x, y) && inked(image, x, y))
                return true;
    return false;
}

// The cell a text takes up in the given font.
QSize cellSize(const LineFont& font, const QString& text) {
    Canvas canvas;
    canvas.setFont(font);
    return canvas.textCellSize(text);
}

// A white canvas with nothing on it.
void clearWhite(Canvas& canvas) {
    canvas.setBrushColor(kWhite);
    canvas.fill();
}

// The point (u, v) of a text's own frame (u along the baseline, v down the
// cell) for a text at (x, y) turned counter-clockwise by `turn` degrees.
QPoint onCanvas(int x, int y, double u, double v, int turn) {
    const double a = turn * 3.14159265358979323846 / 180.0;
    return QPoint(static_cast<int>(std::lround(x + u * std::cos(a) + v * std::sin(a))),
                  static_cast<int>(std::lround(y - u * std::sin(a) + v * std::cos(a))));
}

bool writeBmp(const QString& path, const QImage& picture) {
    return picture.save(path, "BMP");
}

// A run-length coded 8-bit bitmap that declares the given size but holds
// only its end mark: 1,080 bytes whatever the size.
QByteArray rle8Bmp(std::int32_t width, std::int32_t height) {
    QByteArray bytes;
    const auto put = [&bytes](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes.append(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    const std::uint32_t offset = 14 + 40 + 256 * 4;
    bytes.append("BM");
    put(offset + 2, 4);
    put(0, 4);
    put(offset, 4);
    put(40, 4);
    put(static_cast<std::uint32_t>(width), 4);
    put(static_cast<std::uint32_t>(height), 4);
    put(1, 2);   // planes
    put(8, 2);   // bits a pixel
    put(1, 4);   // run-length coded, 8 bits
    put(2, 4);   // size of the pixel data
    put(2835, 4);
    put(2835, 4);
    put(256, 4);
    put(0, 4);
    for (int i = 0; i < 256; ++i)
        put(0, 4);  // an all-black palette
    bytes.append("\x00\x01", 2);  // end of bitmap
    return bytes;
}

// Every element of the two paths the same, to the last bit.
bool samePath(const QPainterPath& a, const QPainterPath& b) {
    if (a.elementCount() != b.elementCount() || a.fillRule() != b.fillRule())
        return false;
    for (int i = 0; i < a.elementCount(); ++i) {
        const QPainterPath::Element ea = a.elementAt(i);
        const QPainterPath::Element eb = b.elementAt(i);
        if (ea.type != eb.type || ea.x != eb.x || ea.y != eb.y)
            return false;
    }
    return true;
}

// The index of the first op that differs, or -1 when the two are the same.
int firstDifference(const std::vector<InkOp>& a, const std::vector<InkOp>& b) {
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        if (i >= a.size() || i >= b.size())
            return static_cast<int>(i);
        const InkOp& x = a[i];
        const InkOp& y = b[i];
        if (!(x.element == y.element) || x.color != y.color || x.paper != y.paper || x.stroked != y.stroked ||
            x.width != y.width || !samePath(x.path, y.path))
            return static_cast<int>(i);
    }
    return -1;
}

// A picture drawn in text: '#' black, anything else white; rows split at '/'.
QImage pictureOf(const QString& rows) {
    const QStringList lines = rows.split(QLatin1Char('/'));
    QImage picture(static_cast<int>(lines.front().size()), static_cast<int>(lines.size()), QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, lines[y].at(x) == QLatin1Char('#') ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    return picture;
}

// Which pixels of a picture `scale` times the size of `size` a fill of the
// shapes (paths in preview units) reaches at least half; drawn as the
// files are.
QImage covered(QSize size, int scale, const std::function<void(QPainter&)>& draw) {
    QImage picture(size * scale, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.scale(scale, scale);
    draw(painter);
    painter.end();
    return picture;
}

bool darkPixel(const QImage& picture, int x, int y) {
    return qBlue(picture.pixel(x, y)) < 128;
}

// A picture `side` pixels square, white (or transparent), with a black square
// over its middle half.
QImage middleSquare(int side, bool transparent = false) {
    QImage picture(side, side, transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    picture.fill(transparent ? QColor(Qt::transparent) : QColor(Qt::white));
    QPainter painter(&picture);
    painter.fillRect(side / 4, side / 4, side / 2, side / 2, Qt::black);
    return picture;
}

// The bytes of a file of the format holding the middle square.
QByteArray pictureBytes(const QByteArray& format, int side, bool transparent = false) {
    if (format == "svg")
        return QStringLiteral("<svg xmlns='http://www.w3.org/2000/svg' width='%1' height='%1' viewBox='0 0 %1 %1'>"
                              "<rect width='%1' height='%1' fill='white'/>"
                              "<rect x='%2' y='%2' width='%3' height='%3' fill='#000'/></svg>")
            .arg(side)
            .arg(side / 4)
            .arg(side / 2)
            .toUtf8();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    middleSquare(side, transparent).save(&buffer, format.constData());
    return bytes;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The box of the dark pixels of a picture.
QRect darkBox(const QImage& picture) {
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    int left = grey.width(), right = -1, top = -1, bottom = -1;
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x)
            if (grey.constScanLine(y)[x] < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = top < 0 ? y : top;
                bottom = y;
            }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// The top-left `units` of the round seal's ink, smoothed, `scale` pixels a
// preview unit, as a raster export paints it.
QImage inkAtScale(const StampDesigns& designs, double scale, QSizeF units = QSizeF(Canvas::kSize, Canvas::kSize)) {
    const std::vector<InkOp> ops = recordInk(designs, ActivePage::Round);
    QImage picture(static_cast<int>(std::ceil(units.width() * scale)), static_cast<int>(std::ceil(units.height() * scale)),
                   QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    paintInk(painter, ops, Qt::white, Qt::black);
    return picture;
}

// Pixels a preview unit has at 1200 dpi with the field 40 mm wide.
constexpr double k1200Dpi = 1200 / 25.4 * 40 / 198;

}  // namespace

Q_DECLARE_METATYPE(qg::Point64)

class TestRender : public QObject {
    Q_OBJECT

private slots:
    // ---- arithmetic ----

    void roundHalfEven_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("0.5") << 0.5 << qint64(0);
        QTest::newRow("1.5") << 1.5 << qint64(2);
        QTest::newRow("2.5") << 2.5 << qint64(2);
        QTest::newRow("-2.5") << -2.5 << qint64(-2);
        QTest::newRow("22.5") << 22.5 << qint64(22);
        QTest::newRow("67.5") << 67.5 << qint64(68);
        QTest::newRow("2.4999") << 2.4999 << qint64(2);
        QTest::newRow("-0.6") << -0.6 << qint64(-1);
    }

    void roundHalfEven() {
        QFETCH(double, value);
        QFETCH(qint64, expected);
        QCOMPARE(qg::roundHalfEven(value), expected);
    }

    void fontPixelSize_data() {
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("pixels");
        QTest::newRow("8 pt") << 8 << 11;
        QTest::newRow("10 pt") << 10 << 13;
        QTest::newRow("12 pt") << 12 << 16;
        QTest::newRow("1 pt") << 1 << 1;
        QTest::newRow("299 pt") << 299 << 399;
        QTest::newRow("0 is the default") << 0 << 11;
        QTest::newRow("negative by magnitude") << -8 << 11;
        QTest::newRow("huge clamped") << kMax << kMaxFontPixels;
        QTest::newRow("most negative clamped") << kMin << kMaxFontPixels;
    }

    void fontPixelSize() {
        QFETCH(int, points);
        QFETCH(int, pixels);
        QCOMPARE(qg::fontPixelSize(points), pixels);
    }

    void textAngle_data() {
        QTest::addColumn<qint64>("degrees");
        QTest::addColumn<int>("angle");
        QTest::addColumn<int>("turn");
        QTest::newRow("0") << qint64(0) << 0 << 0;
        QTest::newRow("90") << qint64(90) << 90 << 90;
        QTest::newRow("-80 turns -64") << qint64(-80) << 65456 << 296;
        QTest::newRow("-30 turns -14") << qint64(-30) << 65506 << 346;
        QTest::newRow("-90-16 for ring text") << qint64(74) << 74 << 74;
        QTest::newRow("65535") << qint64(65535) << 65535 << 15;
        QTest::newRow("65536 wraps") << qint64(65536) << 0 << 0;
        QTest::newRow("int32 min") << qint64(kMin) << 0 << 0;
        QTest::newRow("int32 max") << qint64(kMax) << 65535 << 15;
    }

    void textAngle() {
        QFETCH(qint64, degrees);
        QFETCH(int, angle);
        QFETCH(int, turn);
        QCOMPARE(int(qg::textAngle(degrees)), angle);
        QCOMPARE(qg::textTurn(qg::textAngle(degrees)), turn);
    }

    void circlePoints_data() {
        QTest::addColumn<int>("cx");
        QTest::addColumn<int>("cy");
        QTest::addColumn<int>("radius");
        QTest::addColumn<int>("step");
        QTest::addColumn<qg::Point64>("point");
        QTest::newRow("r42 start") << 100 << 100 << 42 << 0 << Point64{142, 100};
        QTest::newRow("r42 step 90") << 100 << 100 << 42 << 90 << Point64{100, 142};
        QTest::newRow("r42 step 180") << 100 << 100 << 42 << 180 << Point64{58, 100};
        QTest::newRow("r42 step 270") << 100 << 100 << 42 << 270 << Point64{100, 58};
        QTest::newRow("r42 end") << 100 << 100 << 42 << 360 << Point64{142, 100};
        QTest::newRow("r42 step 45") << 100 << 100 << 42 << 45 << Point64{130, 130};
        QTest::newRow("negative radius starts left") << 100 << 100 << -42 << 0 << Point64{58, 100};
        QTest::newRow("zero radius") << 100 << 100 << 0 << 123 << Point64{100, 100};
        QTest::newRow("no wrap at max") << kMax << 0 << kMax << 0 << Point64{2 * std::int64_t{kMax}, 0};
        QTest::newRow("no wrap at min")
            << kMin << kMin << kMin << 90 << Point64{kMin, 2 * std::int64_t{kMin}};
    }

    void circlePoints() {
        QFETCH(int, cx);
        QFETCH(int, cy);
        QFETCH(int, radius);
        QFETCH(int, step);
        QFETCH(qg::Point64, point);
        const std::vector<Point64> points = qg::circlePoints(cx, cy, radius);
        QCOMPARE(points.size(), std::size_t{361});
        const Point64 got = points[static_cast<std::size_t>(step)];
        QCOMPARE(got.x, point.x);
        QCOMPARE(got.y, point.y);
    }

    void ringGlyph_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("radius");
        QTest::addColumn<int>("startAngle");
        QTest::addColumn<qint64>("x");
        QTest::addColumn<qint64>("y");
        QTest::addColumn<qint64>("theta");
        QTest::addColumn<int>("turn");
        QTest::addColumn<qint64>("slack");
        auto row = [](const char* name, int index, int count, int radius, int startAngle, qint64 x, qint64 y,
                      qint64 theta, int turn, qint64 slack = 0) {
            QTest::newRow(name) << index << count << radius << startAngle << x << y << theta << turn << slack;
        };
        row("ABCD A", 0, 4, 60, 0, 100, 40, 0, 0);
        row("ABCD B", 1, 4, 60, 0, 160, 100, 90, 270);
        row("ABCD C", 2, 4, 60, 0, 100, 160, 180, 180);
        row("ABCD D", 3, 4, 60, 0, 40, 100, 270, 90);
        row("16 chars, 2nd at 22", 1, 16, 60, 0, 122, 44, 22, 338);
        row("16 chars, 4th at 68", 3, 16, 60, 0, 156, 78, 68, 292);
        row("one char at A", 0, 1, 60, 90, 160, 100, 90, 270);
        row("A=-90 turns 74", 0, 4, 60, -90, 40, 100, -90, 74);
        // Far beyond the 32-bit range; the exact last digits depend on the
        // extended precision, the point is that nothing wraps.
        row("no wrap", 1, 3, kMax, kMin, -298871860, -2126584384, std::int64_t{kMin} + 120, 240, 64);
    }

    void ringGlyph() {
        QFETCH(int, index);
        QFETCH(int, count);
        QFETCH(int, radius);
        QFETCH(int, startAngle);
        QFETCH(qint64, x);
        QFETCH(qint64, y);
        QFETCH(qint64, theta);
        QFETCH(int, turn);
        QFETCH(qint64, slack);
        const RingGlyph glyph = qg::ringGlyph(index, count, radius, startAngle);
        QCOMPARE(glyph.theta, theta);
        QVERIFY2(std::llabs(glyph.x - x) <= slack, qPrintable(QString::number(glyph.x)));
        QVERIFY2(std::llabs(glyph.y - y) <= slack, qPrintable(QString::number(glyph.y)));
        QCOMPARE(qg::textTurn(glyph.angle), turn);
    }

    void clipSegment_data() {
        QTest::addColumn<QLineF>("segment");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<QLineF>("clipped");
        QTest::newRow("inside kept exactly") << QLineF(1, 2, 3, 4) << true << QLineF(1, 2, 3, 4);
        QTest::newRow("crossing") << QLineF(-10, 5, 20, 5) << true << QLineF(0, 5, 10, 5);
        QTest::newRow("outside") << QLineF(-10, -5, 20, -5) << false << QLineF();
        QTest::newRow("huge diagonal") << QLineF(-4e9, -4e9, 4e9, 4e9) << true << QLineF(0, 0, 10, 10);
        QTest::newRow("passes a corner by") << QLineF(-5, 2, 2, -5) << false << QLineF();
    }

    void clipSegment() {
        QFETCH(QLineF, segment);
        QFETCH(bool, visible);
        QFETCH(QLineF, clipped);
        PointF64 a{segment.x1(), segment.y1()};
        PointF64 b{segment.x2(), segment.y2()};
        QCOMPARE(qg::clipSegment(a, b, 0, 0, 10, 10), visible);
        if (visible) {
            QVERIFY(qFuzzyCompare(1 + a.x, 1 + clipped.x1()) && qFuzzyCompare(1 + a.y, 1 + clipped.y1()));
            QVERIFY(qFuzzyCompare(1 + b.x, 1 + clipped.x2()) && qFuzzyCompare(1 + b.y, 1 + clipped.y2()));
        }
    }

    // ---- canvas ----

    void circleOnCanvas() {
        Canvas canvas;
        clearWhite(canvas);
        Circle(canvas, 100, 100, 42, 1, 0x0000FF);
        const QImage image = canvas.image();
        for (const QPoint p :
             {QPoint(142, 100), QPoint(100, 142), QPoint(58, 100), QPoint(100, 58), QPoint(130, 130)})
            QCOMPARE(image.pixel(p), qRgb(255, 0, 0));
        QVERIFY(!inked(image, 100, 100));
        QVERIFY(!inked(image, 143, 100));
        QVERIFY(!inked(image, 141, 100));
        QCOMPARE(canvas.penColor(), TColor(0x0000FF));
        QCOMPARE(canvas.penWidth(), 1);
        QCOMPARE(canvas.currentPoint(), (Point64{142, 100}));
    }

    void thinLineLeavesOutLastPixel() {
        Canvas canvas;
        clearWhite(canvas);
        canvas.setPenColor(0);
        canvas.setPenWidth(0);
        canvas.moveTo(10, 10);
        canvas.lineTo(20, 10);
        canvas.moveTo(30, 30);
        canvas.lineTo(34, 40);  // steep
        const QImage image = canvas.image();
        for (int x = 10; x < 20; ++x)
            QVERIFY(inked(image, x, 10));
        QVERIFY(!inked(image, 20, 10));
        QVERIFY(!inked(image, 9, 10));
        QVERIFY(inked(image, 30, 30));
        QVERIFY(!inked(image, 34, 40));
        for (int y = 30; y < 40; ++y) {  // one pixel per row
            int row = 0;
            for (int x = 25; x < 40; ++x)
                row += inked(image, x, y) ? 1 : 0;
            QCOMPARE(row, 1);
        }
    }

    void penWidthRows_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("firstRow");
        QTest::addColumn<int>("lastRow");
        QTest::newRow("0 is one pixel") << 0 << 50 << 50;
        QTest::newRow("1") << 1 << 50 << 50;
        QTest::newRow("2") << 2 << 49 << 50;
        QTest::newRow("3 centred") << 3 << 49 << 51;
        QTest::newRow("6") << 6 << 47 << 52;
    }

    void penWidthRows() {
        QFETCH(int, width);
        QFETCH(int, firstRow);
        QFETCH(int, lastRow);
        Canvas canvas;
        clearWhite(canvas);
        canvas.setPenWidth(width);
        canvas.moveTo(20, 50);
        canvas.lineTo(120, 50);
        const QImage image = canvas.image();
        for (int y = firstRow - 2; y <= lastRow + 2; ++y)
            QCOMPARE(inked(image, 70, y), y >= firstRow && y <= lastRow);
    }

    void dotInPenWidth_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("pixels");
        QTest::newRow("1") << 1 << 1;
        QTest::newRow("2") << 2 << 4;
        QTest::newRow("5") << 5 << 21;
    }

    void dotInPenWidth() {
        QFETCH(int, width);
        QFETCH(int, pixels);
        Canvas canvas;
        clearWhite(canvas);
        canvas.setPenWidth(width);
        canvas.moveTo(50, 60);
        canvas.lineTo(50, 60);
        canvas.lineTo(50, 60);
        const QImage image = canvas.image();
        QVERIFY(inked(image, 50, 60));
        QCOMPARE(inkedCount(image), pixels);
    }

    void farLinesStayExact() {
        Canvas canvas;
        clearWhite(canvas);
        canvas.moveTo(kMin, 100);
        canvas.lineTo(kMax, 100);
        canvas.moveTo(kMin, kMin);
        canvas.lineTo(kMax, kMax);
        canvas.setPenWidth(3);
        canvas.moveTo(std::int64_t{198} + (1 << 30), -(1 << 30));  // x + y = 198
        canvas.lineTo(std::int64_t{198} - (1 << 30), 1 << 30);
        const QImage image = canvas.image();
        for (int x = 0; x < Canvas::kSize; ++x) {
            QVERIFY(inked(image, x, 100));
            QVERIFY(inked(image, x, x));
        }
        QVERIFY(inked(image, 100, 98));
        QVERIFY(inked(image, 60, 138));
        QVERIFY(!inked(image, 10, 150));
    }

    void hugePenWidthClamped() {
        Canvas canvas;
        clearWhite(canvas);
        canvas.setPenWidth(kMax);
        QCOMPARE(canvas.penWidth(), kMax);
        canvas.moveTo(100, 100);
        canvas.lineTo(101, 100);
        const QImage image = canvas.image();
        QCOMPARE(inkedCount(image), Canvas::kSize * Canvas::kSize);
    }

    void negativePenWidthKeepsPrevious() {
        Canvas canvas;
        canvas.setPenWidth(5);
        canvas.setPenWidth(-3);
        QCOMPARE(canvas.penWidth(), 5);
        canvas.setPenWidth(kMin);
        QCOMPARE(canvas.penWidth(), 5);
        canvas.setPenWidth(0);
        QCOMPARE(canvas.penWidth(), 0);
    }

    void page4RectangleExclusiveEdges() {
        Canvas canvas;
        clearWhite(canvas);
        canvas.setBrushColor(0x00FF00);
        canvas.setPenColor(0);
        canvas.setPenWidth(1);
        canvas.moveTo(3, 4);
        canvas.rectangle(40, 30, 10, 20);  // corners in either order
        const QImage image = canvas.image();
        QCOMPARE(image.pixel(10, 20), qRgb(0, 0, 0));
        QCOMPARE(image.pixel(39, 29), qRgb(0, 0, 0));
        QCOMPARE(image.pixel(25, 20), qRgb(0, 0, 0));
        QCOMPARE(image.pixel(25, 25), qRgb(0, 255, 0));
        QVERIFY(!inked(image, 40, 25));
        QVERIFY(!inked(image, 25, 30));
        QCOMPARE(canvas.currentPoint(), (Point64{3, 4}));
    }

    // ---- text ----

    void textCellTopLeft() {
        Canvas canvas;
        clearWhite(canvas);
        canvas.setBrushColor(0x00FF00);
        PrintText(canvas, startupFont(), 0, 10, 20, QStringLiteral("HI"));
        const QImage image = canvas.image();
        const QSize cell = cellSize(startupFont(), QStringLiteral("HI"));
        QVERIFY(cell.width() > 5 && cell.height() >= 11);
        QCOMPARE(image.pixel(10, 20), qRgb(0, 255, 0));
        QCOMPARE(image.pixel(10 + cell.width() - 1, 20), qRgb(0, 255, 0));
        for (int i = 0; i < 30; ++i) {
            QVERIFY(!inked(image, 9, 20 + i));
            QVERIFY(!inked(image, 10 + i, 19));
        }
        QVERIFY(!inked(image, 10 + cell.width(), 20));
        QVERIFY(!inked(image, 10, 20 + cell.height()));
        // Glyphs in the font colour (the none colour draws black) inside the cell.
        bool dark = false;
        for (int y = 20; y < 20 + cell.height(); ++y)
            for (int x = 10; x < 10 + cell.width(); ++x)
                dark = dark || qGreen(image.pixel(x, y)) < 60;
        QVERIFY(dark);

        // The same text again on a cell of another colour.
        canvas.setBrushColor(0x0000FF);
        PrintText(canvas, startupFont(), 0, 10, 20, QStringLiteral("HI"));
        QCOMPARE(canvas.image().pixel(10, 20), qRgb(255, 0, 0));
    }

    void textTurns_data() {
        QTest::addColumn<int>("angle");
        QTest::addColumn<int>("turn");
        QTest::addColumn<int>("wrongTurn");
        QTest::newRow("0") << 0 << 0 << 90;
        QTest::newRow("90 reads upwards") << 90 << 90 << 0;
        QTest::newRow("180") << 180 << 180 << 0;
        QTest::newRow("270") << 270 << 270 << 90;
        QTest::newRow("45") << 45 << 45 << 0;
        QTest::newRow("65456 is -64, not -80") << 65456 << 296 << 280;
    }

    void textTurns() {
        QFETCH(int, angle);
        QFETCH(int, turn);
        QFETCH(int, wrongTurn);
        Canvas canvas;
        clearWhite(canvas);
        canvas.setBrushColor(0x00FF00);
        const QString text = QStringLiteral("HHHHHHHHHH");
        const QSize cell = cellSize(startupFont(), text);
        PrintText(canvas, startupFont(), static_cast<std::uint16_t>(angle), 99, 99, text);
        const QImage image = canvas.image();
        const double far = cell.width() - 3;
        const double mid = cell.height() / 2.0;
        QVERIFY(inked(image, 99, 99));
        QVERIFY(inked(image, onCanvas(99, 99, far, mid, turn).x(), onCanvas(99, 99, far, mid, turn).y()));
        QVERIFY(!inked(image, onCanvas(99, 99, far, mid, wrongTurn).x(),
                       onCanvas(99, 99, far, mid, wrongTurn).y()));
    }

    void textAngleModulo_data() {
        QTest::addColumn<int>("angle");
        QTest::addColumn<int>("same");
        QTest::newRow("65456 as 296") << 65456 << 296;
        QTest::newRow("360 as 0") << 360 << 0;
        QTest::newRow("65535 as 15") << 65535 << 15;
    }

    void textAngleModulo() {
        QFETCH(int, angle);
        QFETCH(int, same);
        Canvas a;
        Canvas b;
        clearWhite(a);
        clearWhite(b);
        PrintText(a, startupFont(), static_cast<std::uint16_t>(angle), 60, 90, QStringLiteral("Печать"));
        PrintText(b, startupFont(), static_cast<std::uint16_t>(same), 60, 90, QStringLiteral("Печать"));
        QVERIFY(inkedCount(a.image()) > 20);
        QCOMPARE(a.image(), b.image());
    }

    void textRestoresCanvasFont() {
        Canvas canvas;
        LineFont before = fontDialogStartFont();
        before.bold = true;
        canvas.setFont(before);
        LineFont other;
        other.face = QStringLiteral("Courier New");
        other.size = 20;
        other.italic = true;
        other.color = 0x0000FF;
        PrintText(canvas, other, 30, 10, 10, QStringLiteral("Текст"));
        QCOMPARE(canvas.font(), before);
    }

    void textColourIsFontColour() {
        Canvas canvas;
        clearWhite(canvas);
        LineFont font = startupFont();
        font.color = 0x0000FF;  // red, low byte
        font.size = 20;
        PrintText(canvas, font, 0, 10, 10, QStringLiteral("Красный"));
        const QImage image = canvas.image();
        bool red = false;
        for (int y = 0; y < 60 && !red; ++y)
            for (int x = 0; x < 198 && !red; ++x)
                red = image.pixel(x, y) == qRgb(255, 0, 0);
        QVERIFY(red);
    }

    void textStyles_data() {
        QTest::addColumn<QString>("style");
        QTest::newRow("bold") << QStringLiteral("bold");
        QTest::newRow("italic") << QStringLiteral("italic");
        QTest::newRow("underline") << QStringLiteral("underline");
        QTest::newRow("strike-out") << QStringLiteral("strikeOut");
        QTest::newRow("size") << QStringLiteral("size");
        QTest::newRow("face") << QStringLiteral("face");
    }

    void textStyles() {
        QFETCH(QString, style);
        LineFont font = startupFont();
        if (style == QLatin1String("bold"))
            font.bold = true;
        else if (style == QLatin1String("italic"))
            font.italic = true;
        else if (style == QLatin1String("underline"))
            font.underline = true;
        else if (style == QLatin1String("strikeOut"))
            font.strikeOut = true;
        else if (style == QLatin1String("size"))
            font.size = 14;
        else
            font.face = QStringLiteral("Courier New");
        Canvas plain;
        Canvas styled;
        clearWhite(plain);
        clearWhite(styled);
        PrintText(plain, startupFont(), 0, 10, 50, QStringLiteral("Стиль текста"));
        PrintText(styled, font, 0, 10, 50, QStringLiteral("Стиль текста"));
        QVERIFY(plain.image() != styled.image());
        if (font.underline || font.strikeOut) {
            // A line across the gap between the two words.
            const int gapX = 10 + (cellSize(startupFont(), QStringLiteral("Стиль")).width() +
                                   cellSize(startupFont(), QStringLiteral("Стиль ")).width()) /
                                      2;
            bool ruled = false;
            for (int y = 50; y < 50 + cellSize(startupFont(), QStringLiteral("С")).height() + 2; ++y) {
                QVERIFY(!inked(plain.image(), gapX, y));
                ruled = ruled || inked(styled.image(), gapX, y);
            }
            QVERIFY(ruled);
        }
    }

    void textSameWherePlacedAndWhenRepeated() {
        const QString text = QStringLiteral("Оттиск");
        Canvas first;
        clearWhite(first);
        PrintText(first, startupFont(), 33, 40, 90, text);
        const QImage a = first.image().copy();
        // Drawn again on the same canvas (reusing what it kept) and on a fresh one.
        clearWhite(first);
        PrintText(first, startupFont(), 33, 40, 90, text);
        QCOMPARE(first.image(), a);
        Canvas moved;
        clearWhite(moved);
        PrintText(moved, startupFont(), 33, 47, 101, text);
        QCOMPARE(moved.image().copy(7, 11, 190, 187), a.copy(0, 0, 190, 187));
    }

    void longTextMatchesShortPrefix() {
        // A text too long to keep goes the way of partial drawing; what shows
        // must match a shorter text with the same beginning.
        const QString base = QStringLiteral("Печать организации ");
        QString longText;
        while (longText.size() < 400)
            longText += base;
        const QString prefix = longText.left(200);
        Canvas a;
        Canvas b;
        clearWhite(a);
        clearWhite(b);
        PrintText(a, startupFont(), 20, 5, 150, longText);
        PrintText(b, startupFont(), 20, 5, 150, prefix);
        QVERIFY(inkedCount(a.image()) > 100);
        QCOMPARE(a.image(), b.image());

        // A short text kept for reuse and the same text drawn only in part
        // (trailing blanks make it too long to keep) give the same pixels.
        Canvas kept;
        Canvas partial;
        clearWhite(kept);
        clearWhite(partial);
        PrintText(kept, startupFont(), 20, 5, 150, QStringLiteral("Печать"));
        PrintText(partial, startupFont(), 20, 5, 150,
                  QStringLiteral("Печать") + QString(300, QLatin1Char(' ')));
        QCOMPARE(kept.image(), partial.image());
    }

    void farTextReachingCanvas() {
        // Starts a million pixels to the left; only its tail reaches the picture.
        QString text(200000, QLatin1Char('H'));
        Canvas canvas;
        clearWhite(canvas);
        canvas.setBrushColor(0x00FF00);
        QElapsedTimer timer;
        timer.start();
        PrintText(canvas, startupFont(), 0, -1000000, 50, text);
        PrintText(canvas, startupFont(), 0, kMax, kMax, text);
        PrintText(canvas, startupFont(), 90, kMin, kMin, text);
        QVERIFY(timer.elapsed() < 10000);
        const QImage image = canvas.image();
        QCOMPARE(image.pixel(0, 50), qRgb(0, 255, 0));
        QCOMPARE(image.pixel(197, 50), qRgb(0, 255, 0));
        QVERIFY(!inked(image, 100, 49));
        QVERIFY(!inked(image, 100, 120));
    }


    void crowdedRingTextKeepsEveryGlyph_data() {
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("radius");
        QTest::newRow("bold 10 at 88") << 10 << 88;
        QTest::newRow("bold 14 at 88") << 14 << 88;
        QTest::newRow("bold 14 at 60") << 14 << 60;
    }

    // Within one ring text no character covers another: every glyph keeps
    // all the ink it has when drawn alone at its place.
    void crowdedRingTextKeepsEveryGlyph() {
        QFETCH(int, points);
        QFETCH(int, radius);
        StampDesigns designs = testing::nothingEnabled();
        TextLineSettings& line = designs.round.lines[2];
        line.enabled = true;
        line.text = QStringLiteral("ОТВЕТСТВЕННОСТЬЮ «РОМАШКА»");
        line.font.face = QStringLiteral("Arial");
        line.font.bold = true;
        line.font.size = points;
        line.radius = radius;
        line.angle = 0;
        const QImage whole = painted(designs, ActivePage::Round);
        const std::int64_t count = line.text.size();
        for (std::int64_t i = 0; i < count; ++i) {
            const RingGlyph glyph = qg::ringGlyph(i, count, radius, 0);
            Canvas alone;
            clearWhite(alone);
            PrintText(alone, line.font, glyph.angle, static_cast<std::int32_t>(glyph.x),
                      static_cast<std::int32_t>(glyph.y), line.text.mid(i, 1));
            const QImage own = alone.image();
            int lost = 0;
            for (int y = 0; y < own.height(); ++y)
                for (int x = 0; x < own.width(); ++x)
                    if (qGray(own.pixel(x, y)) < 200 && qGray(whole.pixel(x, y)) > qGray(own.pixel(x, y)) + 48)
                        ++lost;
            QVERIFY2(lost == 0, qPrintable(QStringLiteral("%1 lost %2 pixels").arg(line.text.mid(i, 1)).arg(lost)));
        }
    }

    void ringTextCellsStillCoverWhatLiesBeneath() {
        // The cells of a ring text cover an earlier line, as before.
        StampDesigns designs = testing::nothingEnabled();
        TextLineSettings& ring = designs.round.lines[0];
        ring.enabled = true;
        ring.text = QStringLiteral("I");
        ring.radius = 60;
        QImage below;
        {
            Canvas canvas;
            clearWhite(canvas);
            canvas.setPenColor(0);
            canvas.setPenWidth(30);
            canvas.moveTo(100, 45);
            canvas.lineTo(100, 45);
            canvas.finish();
            Page1Stamp(canvas, designs.round);
            below = canvas.image().copy();
        }
        // The top row of the cell lies above the glyph: paper again, while
        // the blob shows just above the cell and just left of it.
        QCOMPARE(below.pixel(100, 40), kPaper);
        QCOMPARE(below.pixel(101, 40), kPaper);
        QVERIFY(inked(below, 100, 39));
        QVERIFY(inked(below, 99, 41));
    }

    void negativeFontSizeIsCellHeight_data() {
        QTest::addColumn<int>("points");
        QTest::newRow("8") << 8;
        QTest::newRow("10") << 10;
        QTest::newRow("24") << 24;
    }

    // A negative size gives the height of the whole cell, so the text is a
    // little smaller than the same positive size.
    void negativeFontSizeIsCellHeight() {
        QFETCH(int, points);
        LineFont positive = startupFont();
        positive.size = points;
        LineFont negative = positive;
        negative.size = -points;
        const int pixels = qg::fontPixelSize(points);
        const QSize positiveCell = cellSize(positive, QStringLiteral("Н"));
        const QSize negativeCell = cellSize(negative, QStringLiteral("Н"));
        QVERIFY2(std::abs(negativeCell.height() - pixels) <= 1, qPrintable(QString::number(negativeCell.height())));
        QVERIFY(positiveCell.height() > negativeCell.height());
        auto inkHeight = [](const LineFont& font) {
            Canvas canvas;
            clearWhite(canvas);
            PrintText(canvas, font, 0, 10, 10, QStringLiteral("НННН"));
            const QImage image = canvas.image();
            int top = image.height();
            int bottom = -1;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (inked(image, x, y)) {
                        top = std::min(top, y);
                        bottom = std::max(bottom, y);
                    }
            return bottom - top + 1;
        };
        QVERIFY(inkHeight(negative) < inkHeight(positive));
    }


    // A paint left out moves the drawing state on exactly as a full paint
    // does, and draws nothing.
    void advanceWithoutDrawing() {
        StampDesigns designs;
        designs.round.rings[2].width = 7;
        designs.round.rings[2].color = 0x0000FF;
        designs.triangle.frames[2].width = 3;
        for (const ActivePage page : {ActivePage::Round, ActivePage::Triangle, ActivePage::Rect, ActivePage::Info}) {
            Canvas painted;
            Canvas advanced;
            clearWhite(advanced);
            advanced.setBrushColor(0x123456);
            ClearStamp(painted, designs, page);
            PaintStamp(painted, designs, page);
            const QImage before = advanced.image().copy();
            AdvanceDrawingState(advanced, designs, page);
            QCOMPARE(advanced.image(), before);
            QCOMPARE(advanced.penColor(), painted.penColor());
            QCOMPARE(advanced.penWidth(), painted.penWidth());
            QCOMPARE(advanced.brushColor(), painted.brushColor());
            QCOMPARE(advanced.font(), painted.font());
            QCOMPARE(advanced.currentPoint(), painted.currentPoint());
        }
    }

    // ---- painters ----

    void defaultRoundSeal() {
        const QImage image = painted(StampDesigns{}, ActivePage::Round);
        QVERIFY(inked(image, 192, 100));  // ring 3, radius 92, width 2
        QVERIFY(inked(image, 8, 100));
        QVERIFY(inked(image, 142, 100));  // ring 1
        QVERIFY(inked(image, 188, 100));  // ring 2
        QVERIFY(!inked(image, 100, 100));
        QVERIFY(!inked(image, 197, 197));
        // Ring text 3 starts at 12 o'clock just inside ring 2; the rings come
        // last, so ring 2 runs unbroken across the top row of that cell.
        QVERIFY(anyInkNear(image, 103, 17, 3));
        for (int x = 100; x < 106; ++x)
            QVERIFY(inked(image, x, 12));
    }

    void ringTextCharactersAroundCircle() {
        StampDesigns designs = testing::nothingEnabled();
        TextLineSettings& line = designs.round.lines[0];
        line.enabled = true;
        line.text = QStringLiteral("HHHH");
        line.radius = 60;
        line.angle = 0;
        const QImage image = painted(designs, ActivePage::Round);
        // Each glyph extends clockwise from its point and towards the centre.
        QVERIFY(anyInkNear(image, 103, 45, 2));   // top, upright
        QVERIFY(anyInkNear(image, 155, 103, 2));  // right, turned clockwise
        QVERIFY(anyInkNear(image, 97, 155, 2));   // bottom, upside down
        QVERIFY(anyInkNear(image, 45, 97, 2));    // left
        QVERIFY(!anyInkNear(image, 103, 35, 2));  // nothing outside the circle at the top
        QVERIFY(!anyInkNear(image, 130, 60, 5));  // nothing between characters

        line.text.clear();
        QCOMPARE(painted(designs, ActivePage::Round), painted(testing::nothingEnabled(), ActivePage::Round));
    }

    void ringWithNegativeWidthUsesPreviousWidth() {
        StampDesigns negative = testing::nothingEnabled();
        negative.round.rings[0] = RingSettings{true, 4, 30, kNoneColour};
        negative.round.rings[1] = RingSettings{true, -7, 60, kNoneColour};
        StampDesigns explicitWidth = negative;
        explicitWidth.round.rings[1].width = 4;
        QCOMPARE(painted(negative, ActivePage::Round), painted(explicitWidth, ActivePage::Round));
        QVERIFY(inked(painted(negative, ActivePage::Round), 161, 100));
    }

    void emblemSkipped_data() {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("no file chosen") << QString() << QByteArray();
        QTest::newRow("missing file") << QStringLiteral("gone.bmp") << QByteArray();
        QTest::newRow("text named bmp") << QStringLiteral("x.bmp") << QByteArray("not a bitmap\r\n");
        QTest::newRow("truncated header") << QStringLiteral("cut.bmp") << QByteArray("BM\x10\0\0\0", 6);
    }

    void emblemSkipped() {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        StampDesigns designs;
        designs.round.emblem.enabled = true;
        if (!fileName.isEmpty()) {
            designs.round.emblem.path = dir.filePath(fileName);
            if (!content.isEmpty()) {
                QFile file(designs.round.emblem.path);
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write(content);
            }
        }
        const QImage image = painted(designs, ActivePage::Round);
        QCOMPARE(image, painted(StampDesigns{}, ActivePage::Round));
        QVERIFY(inked(image, 192, 100));
    }

    void emblemTwoTones() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const TColor background = 0x00C0FFC0;  // pale green, RGB C0 FF C0
        QImage picture(30, 20, QImage::Format_RGB32);
        picture.fill(qRgb(0xC0, 0xFF, 0xC0));
        picture.setPixel(2, 3, qRgb(255, 0, 0));
        picture.setPixel(4, 3, qRgb(255, 255, 255));
        picture.setPixel(6, 3, qRgb(0xC0, 0xFF, 0xC1));  // near, but not equal
        const QString path = dir.filePath(QStringLiteral("crest.bmp"));
        QVERIFY(writeBmp(path, picture));

        StampDesigns designs = testing::nothingEnabled();
        designs.round.background = background;
        designs.round.emblem = EmblemSettings{true, 50, 90, path};
        designs.round.rings[0] = RingSettings{true, 1, 40, 0x000000FF};  // red ring through the emblem
        const QImage image = painted(designs, ActivePage::Round);
        const QRgb paper = qRgb(0xC0, 0xFF, 0xC0);
        QCOMPARE(image.pixel(52, 93), qRgb(0, 0, 0));
        QCOMPARE(image.pixel(54, 93), qRgb(0, 0, 0));
        QCOMPARE(image.pixel(56, 93), qRgb(0, 0, 0));
        QCOMPARE(image.pixel(50, 90), paper);
        QCOMPARE(image.pixel(79, 109), paper);
        QCOMPARE(image.pixel(80, 110), paper);
        QCOMPARE(image.pixel(60, 100), qRgb(255, 0, 0));  // the ring lies over the emblem

        // Covers what lies beneath: on a white seal a white emblem pixel is paper.
        QVERIFY(twoToneEmblem(picture, kWhite).pixel(4, 3) == kPaper);
        QVERIFY(twoToneEmblem(picture, kWhite).pixel(0, 0) == qRgb(0, 0, 0));
    }

    // A bitmap with a palette comes out in the same two tones as the same
    // picture in full colour, an index past the palette included.
    void emblemTwoTonesWhateverTheDepth_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<TColor>("background");
        QTest::newRow("1 bit") << int(QImage::Format_Mono) << TColor(kWhite);
        QTest::newRow("1 bit, low bit first") << int(QImage::Format_MonoLSB) << TColor(kWhite);
        QTest::newRow("1 bit on black") << int(QImage::Format_Mono) << TColor(0);
        QTest::newRow("8 bits") << int(QImage::Format_Indexed8) << TColor(0x00C0FFC0);
        QTest::newRow("8 bits, index past the palette") << -1 << TColor(0);
    }
    void emblemTwoTonesWhateverTheDepth() {
        QFETCH(int, format);
        QFETCH(TColor, background);
        QImage picture(21, 5, QImage::Format_RGB32);
        picture.fill(Qt::white);
        for (int x = 0; x < picture.width(); x += 3)
            picture.setPixel(x, x % 5, qRgb(0, 0, 0));
        picture.setPixel(1, 1, qRgb(0xC0, 0xFF, 0xC0));
        QImage palette;
        if (format >= 0) {
            palette = picture.convertToFormat(static_cast<QImage::Format>(format));
        } else {
            // Indexes 0..2 of a palette of two.
            palette = QImage(picture.size(), QImage::Format_Indexed8);
            palette.setColorTable({qRgb(255, 255, 255), qRgb(0xC0, 0xFF, 0xC0)});
            for (int y = 0; y < palette.height(); ++y)
                for (int x = 0; x < palette.width(); ++x)
                    palette.scanLine(y)[x] = static_cast<uchar>((x + y) % 3);
        }
        QCOMPARE(twoToneEmblem(palette, background),
                 twoToneEmblem(palette.convertToFormat(QImage::Format_ARGB32), background));
    }

    void emblemFollowsFile() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("crest.bmp"));
        QImage picture(10, 10, QImage::Format_RGB32);
        picture.fill(Qt::black);
        QVERIFY(writeBmp(path, picture));

        StampDesigns designs = testing::nothingEnabled();
        designs.round.emblem = EmblemSettings{true, 20, 20, path};
        Canvas canvas;
        ClearStamp(canvas, designs, ActivePage::Round);
        PaintStamp(canvas, designs, ActivePage::Round);
        QVERIFY(inked(canvas.image(), 25, 25));
        QVERIFY(!inked(canvas.image(), 35, 35));

        // A different picture under the same name is noticed on the next paint.
        QImage bigger(20, 20, QImage::Format_RGB32);
        bigger.fill(Qt::black);
        QVERIFY(QFile::remove(path));
        QVERIFY(writeBmp(path, bigger));
        ClearStamp(canvas, designs, ActivePage::Round);
        PaintStamp(canvas, designs, ActivePage::Round);
        QVERIFY(inked(canvas.image(), 35, 35));

        // Deleting it makes the next repaint draw without it.
        QVERIFY(QFile::remove(path));
        ClearStamp(canvas, designs, ActivePage::Round);
        PaintStamp(canvas, designs, ActivePage::Round);
        QCOMPARE(inkedCount(canvas.image()), 0);

        // Switched off: not drawn even though the file is back.
        QVERIFY(writeBmp(path, picture));
        designs.round.emblem.enabled = false;
        ClearStamp(canvas, designs, ActivePage::Round);
        PaintStamp(canvas, designs, ActivePage::Round);
        QCOMPARE(inkedCount(canvas.image()), 0);
    }

    // A bitmap that declares more than 4096 pixels a side is not decoded
    // and counts as unreadable; up to that it is drawn.
    void emblemSizeLimit_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("drawn");
        const auto bmpOf = [](int width, int height) { return testing::bmpBytes(width, height, Qt::black); };
        QTest::newRow("4096 x 1") << bmpOf(4096, 1) << true;
        QTest::newRow("1 x 4096") << bmpOf(1, 4096) << true;
        QTest::newRow("4097 x 1") << bmpOf(4097, 1) << false;
        QTest::newRow("1 x 4097") << bmpOf(1, 4097) << false;
        QTest::newRow("run-length coded, 64 x 64") << rle8Bmp(64, 64) << true;
        QTest::newRow("run-length coded, 5792 x 5792") << rle8Bmp(5792, 5792) << false;
    }

    void emblemSizeLimit() {
        QFETCH(QByteArray, content);
        QFETCH(bool, drawn);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("emblem.bmp"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        EmblemCache cache;
        QCOMPARE(cache.load(path, kWhite).isNull(), !drawn);

        StampDesigns designs = testing::nothingEnabled();
        designs.round.emblem = EmblemSettings{true, 0, 0, path};
        QCOMPARE(inked(painted(designs, ActivePage::Round), 0, 0), drawn);
    }

    // Every kind of picture, at a width of its own: the preview shows it at
    // that size, and the ink holds it at that size at any scale.
    void emblemSourceAtItsSize_data() {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<int>("side");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("threshold");
        QTest::addColumn<bool>("copy");    // the file is missing; its copy in the design is drawn
        QTest::addColumn<bool>("asPath");  // the bitmap of the fixed lines
        QTest::newRow("svg") << QByteArray("svg") << 400 << 80 << -1 << false << false;
        QTest::newRow("svg at its own size") << QByteArray("svg") << 64 << 0 << -1 << false << false;
        QTest::newRow("png") << QByteArray("png") << 1500 << 80 << -1 << false << false;
        QTest::newRow("png, transparent") << QByteArray("png-alpha") << 400 << 120 << -1 << false << false;
        QTest::newRow("jpeg") << QByteArray("jpg") << 600 << 100 << 128 << false << false;
        QTest::newRow("bmp") << QByteArray("bmp") << 400 << 60 << -1 << false << false;
        QTest::newRow("bmp enlarged") << QByteArray("bmp") << 40 << 120 << -1 << false << false;
        QTest::newRow("bitmap of the fixed lines") << QByteArray("bmp") << 400 << 80 << -1 << false << true;
        QTest::newRow("svg copy") << QByteArray("svg") << 400 << 80 << 200 << true << false;
    }

    void emblemSourceAtItsSize() {
        QFETCH(QByteArray, format);
        QFETCH(int, side);
        QFETCH(int, width);
        QFETCH(int, threshold);
        QFETCH(bool, copy);
        QFETCH(bool, asPath);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const bool alpha = format == "png-alpha";
        const QByteArray kind = alpha ? QByteArray("png") : format;
        const QByteArray bytes = pictureBytes(kind, side, alpha);
        QVERIFY(!bytes.isEmpty());
        const QString path = dir.filePath(QStringLiteral("герб.") + QString::fromLatin1(kind));
        if (!copy)
            QVERIFY(writeFile(path, bytes));

        StampDesigns designs = testing::nothingEnabled();
        EmblemSettings& emblem = designs.round.emblem;
        emblem = EmblemSettings{true, 20, 30, asPath ? path : QString()};
        if (!asPath) {
            emblem.file = path;
            // A bitmap of the fixed lines is there too: the picture wins.
            emblem.path = dir.filePath(QStringLiteral("other.bmp"));
            QImage black(10, 10, QImage::Format_RGB32);
            black.fill(Qt::black);
            QVERIFY(writeBmp(emblem.path, black));
        }
        emblem.width = width;
        emblem.threshold = threshold;
        if (copy) {
            emblem.embeddedName = QFileInfo(path).fileName();
            emblem.embeddedData = bytes;
        }
        QCOMPARE(examineEmblem(emblem), EmblemFile::Bitmap);

        const double drawn = width > 0 ? width : side;
        const QRectF square(20 + drawn / 4, 30 + drawn / 4, drawn / 2, drawn / 2);
        // The box of the ink at a scale lies on the square within `tolerance` pixels.
        const auto onSquare = [&square](const QRect& box, double scale, double tolerance) {
            return std::abs(box.left() - square.left() * scale) <= tolerance &&
                   std::abs(box.right() + 1 - square.right() * scale) <= tolerance &&
                   std::abs(box.top() - square.top() * scale) <= tolerance &&
                   std::abs(box.bottom() + 1 - square.bottom() * scale) <= tolerance;
        };
        const QRect preview = darkBox(painted(designs, ActivePage::Round));
        QVERIFY2(onSquare(preview, 1, 1), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(preview.x()).arg(preview.y())
                                                         .arg(preview.width()).arg(preview.height())));
        const std::vector<InkOp> ops = recordInk(designs, ActivePage::Round);
        QCOMPARE(std::any_of(ops.begin(), ops.end(), [](const InkOp& op) { return op.picture != nullptr; }), format != "svg");
        const QRect fine = darkBox(inkAtScale(designs, k1200Dpi, QSizeF(square.right() + 2, square.bottom() + 2)));
        // Within a pixel of the output, or of the picture where it is coarser.
        QVERIFY(onSquare(fine, k1200Dpi, std::max(1.5, k1200Dpi * drawn / side)));
    }

    // A one-pixel line of a 2000-pixel picture across the field: too thin
    // for the preview, kept about one pixel wide in the ink at 1200 dpi.
    void emblemFinestLineSurvives() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QImage picture(2000, 300, QImage::Format_RGB32);
        picture.fill(Qt::white);
        for (int y = 0; y < picture.height(); ++y)
            picture.setPixel(1000, y, qRgb(0, 0, 0));
        const QString path = dir.filePath(QStringLiteral("line.png"));
        QVERIFY(picture.save(path));
        StampDesigns designs = testing::nothingEnabled();
        designs.round.emblem.enabled = true;
        designs.round.emblem.file = path;
        designs.round.emblem.width = 198;
        QCOMPARE(inkedCount(painted(designs, ActivePage::Round)), 0);
        const QImage fine = inkAtScale(designs, k1200Dpi, QSizeF(198, 29));
        int rowsWithLine = 0;
        for (int y = 0; y < fine.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(fine.constScanLine(y));
            int dark = 0;
            for (int x = 0; x < fine.width(); ++x)
                dark += qGray(line[x]) < 128;
            QVERIFY(dark <= 2);
            rowsWithLine += dark > 0;
        }
        QVERIFY2(rowsWithLine >= fine.height() * 95 / 100, qPrintable(QString::number(rowsWithLine)));
    }

    // Grey 100 everywhere: by the background's rule all ink; by a threshold
    // ink only when darker than it.
    void emblemThreshold_data() {
        QTest::addColumn<int>("threshold");
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("ink");
        QTest::newRow("by the background") << -1 << 0 << true;
        QTest::newRow("by the background, scaled") << -1 << 30 << true;
        QTest::newRow("threshold 100") << 100 << 0 << false;
        QTest::newRow("threshold 101") << 101 << 0 << true;
        QTest::newRow("threshold 0") << 0 << 30 << false;
        QTest::newRow("threshold 255") << 255 << 30 << true;
    }

    void emblemThreshold() {
        QFETCH(int, threshold);
        QFETCH(int, width);
        QFETCH(bool, ink);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QImage grey(60, 60, QImage::Format_RGB32);
        grey.fill(qRgb(100, 100, 100));
        const QString path = dir.filePath(QStringLiteral("grey.png"));
        QVERIFY(grey.save(path));
        StampDesigns designs = testing::nothingEnabled();
        designs.round.emblem.enabled = true;
        designs.round.emblem.file = path;
        designs.round.emblem.threshold = threshold;
        designs.round.emblem.width = width;
        QCOMPARE(inked(painted(designs, ActivePage::Round), 10, 10), ink);
        QCOMPARE(inkAtScale(designs, 4, QSizeF(20, 20)).pixel(40, 40) == qRgb(0, 0, 0), ink);
    }

    // What was read and drawn is kept while nothing changes; a changed file
    // shows at the next paint, a deleted one gives way to its copy.
    void emblemDrawingKept() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("logo.png"));
        QVERIFY(writeFile(path, pictureBytes("png", 100)));
        EmblemSettings emblem{true, 0, 0, QString()};
        emblem.file = path;
        emblem.width = 50;
        EmblemCache cache;
        const auto first = cache.drawing(emblem, kWhite);
        QVERIFY(first);
        QCOMPARE(first->preview.size(), QSize(50, 50));
        QCOMPARE(cache.drawing(emblem, kWhite), first);
        emblem.width = 40;
        QCOMPARE(cache.drawing(emblem, kWhite)->preview.size(), QSize(40, 40));

        // Another picture under the same name.
        QImage wide(200, 100, QImage::Format_RGB32);
        wide.fill(Qt::black);
        QVERIFY(QFile::remove(path));
        QVERIFY(wide.save(path));
        QCOMPARE(cache.drawing(emblem, kWhite)->preview.size(), QSize(40, 20));

        QVERIFY(QFile::remove(path));
        QVERIFY(!cache.drawing(emblem, kWhite));
        QCOMPARE(examineEmblem(emblem), EmblemFile::Missing);
        emblem.embeddedName = QStringLiteral("logo.png");
        emblem.embeddedData = pictureBytes("png", 100);
        QCOMPARE(examineEmblem(emblem), EmblemFile::Bitmap);
        QCOMPARE(cache.drawing(emblem, kWhite)->preview.size(), QSize(40, 40));
        // A copy that is no picture draws nothing.
        emblem.embeddedData = "not a picture";
        QVERIFY(!cache.drawing(emblem, kWhite));
        QCOMPARE(examineEmblem(emblem), EmblemFile::NotBitmap);
        // A picture of another kind under the name of the fixed lines' bitmap
        // is no bitmap, as it always was; as a picture of any kind it is drawn.
        const QString png = dir.filePath(QStringLiteral("crest.bmp"));
        QVERIFY(writeFile(png, pictureBytes("png", 20)));
        QCOMPARE(examineEmblem(EmblemSettings{true, 0, 0, png}), EmblemFile::NotBitmap);
        emblem = EmblemSettings{true, 0, 0, QString()};
        emblem.file = png;
        QCOMPARE(examineEmblem(emblem), EmblemFile::Bitmap);
    }

    void triangleDefaults() {
        const QImage image = painted(StampDesigns{}, ActivePage::Triangle);
        for (const QPoint p :
             {QPoint(4, 196), QPoint(100, 4), QPoint(196, 196), QPoint(100, 196), QPoint(8, 193),
              QPoint(100, 10), QPoint(40, 170), QPoint(160, 170), QPoint(100, 45)})
            QVERIFY2(inked(image, p.x(), p.y()), qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
        QVERIFY(!inked(image, 100, 100));
        QVERIFY(!inked(image, 2, 2));
    }

    void triangleRightTextTurnedMinus64() {
        StampDesigns designs = testing::nothingEnabled();
        designs.triangle.lines[1] = StampDesigns{}.triangle.lines[1];  // (122, 50), angle -80
        const QImage image = painted(designs, ActivePage::Triangle);
        // The ink's centre of mass lies along the direction the text runs.
        double sx = 0;
        double sy = 0;
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (inked(image, x, y)) {
                    sx += x;
                    sy += y;
                    ++n;
                }
        QVERIFY(n > 50);
        const double degrees = std::atan2(sy / n - 50, sx / n - 122) * 180.0 / 3.14159265358979323846;
        // Baseline at 64 degrees below the horizontal, the glyphs beside it
        // pull the centre a few degrees further round; -80 would give about 80.
        QVERIFY2(degrees > 60 && degrees < 72, qPrintable(QString::number(degrees)));
    }

    void coincidingVerticesDrawDot_data() {
        QTest::addColumn<int>("width");
        QTest::newRow("1") << 1;
        QTest::newRow("2") << 2;
        QTest::newRow("7") << 7;
    }

    void coincidingVerticesDrawDot() {
        QFETCH(int, width);
        StampDesigns designs = testing::nothingEnabled();
        designs.triangle.frames[0] =
            FrameSettings{true, {Point{70, 80}, Point{70, 80}, Point{70, 80}}, width, 0};
        const QImage image = painted(designs, ActivePage::Triangle);
        QVERIFY(inked(image, 70, 80));
        const int count = inkedCount(image);
        QVERIFY(count >= 1 && count <= width * width);
        QVERIFY(!anyInkNear(image, 70 + width + 1, 80, 0));
    }

    void rectDefaults() {
        const QImage image = painted(StampDesigns{}, ActivePage::Rect);
        for (const QPoint p : {QPoint(5, 35), QPoint(195, 35), QPoint(5, 165), QPoint(195, 165),
                               QPoint(100, 35), QPoint(5, 100), QPoint(195, 100), QPoint(100, 165),
                               QPoint(7, 37), QPoint(192, 162), QPoint(20, 70), QPoint(179, 70)})
            QVERIFY2(inked(image, p.x(), p.y()), qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
        QVERIFY(!inked(image, 180, 150));  // the contours are not filled
        QVERIFY(!inked(image, 100, 30));
        QVERIFY(!inked(image, 100, 170));
        QVERIFY(anyInkNear(image, 25, 45, 4));  // line 1 at (20, 40)
    }

    void rectCornerOrder_data() {
        QTest::addColumn<bool>("swapX");
        QTest::addColumn<bool>("swapY");
        QTest::newRow("x") << true << false;
        QTest::newRow("y") << false << true;
        QTest::newRow("both") << true << true;
    }

    void rectCornerOrder() {
        QFETCH(bool, swapX);
        QFETCH(bool, swapY);
        StampDesigns designs;
        const QImage reference = painted(designs, ActivePage::Rect);
        for (SegmentSettings& contour : designs.rect.contours) {
            if (swapX)
                std::swap(contour.p1.x, contour.p2.x);
            if (swapY)
                std::swap(contour.p1.y, contour.p2.y);
        }
        QCOMPARE(painted(designs, ActivePage::Rect), reference);
    }

    void page4IgnoresDesigns() {
        StampDesigns changed = testing::nothingEnabled();
        changed.round.background = 0x000000FF;
        changed.triangle.background = 0x00FF0000;
        changed.rect.background = 0;
        changed.round.emblem = EmblemSettings{true, 0, 0, QStringLiteral("/nonexistent/e.bmp")};
        const QImage image = painted(StampDesigns{}, ActivePage::Info);
        QCOMPARE(painted(changed, ActivePage::Info), image);
        QCOMPARE(image.pixel(0, 0), qRgb(0xFF, 0xFB, 0xF0));
        QCOMPARE(image.pixel(190, 80), qRgb(0, 0, 255));  // blue ring, radius 60
        QCOMPARE(image.pixel(80, 4), qRgb(0, 0, 0));      // triangle apex
        QCOMPARE(image.pixel(10, 189), qRgb(0xD4, 0xD0, 0xC8));
        QCOMPARE(image.pixel(11, 188), qRgb(0xFF, 0xFB, 0xF0));
        QCOMPARE(image.pixel(12, 187), qRgb(0xD4, 0xD0, 0xC8));
    }

    // ---- true size ----

    // The outline of a tone's pixels fills exactly those pixels, with one
    // loop round each patch and each hole and a corner only where it turns.
    void toneOutlineFillsItsPixels_data() {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QRect>("window");
        QTest::addColumn<int>("loops");
        QTest::addColumn<int>("corners");
        const QRect all(0, 0, 1000, 1000);
        QTest::newRow("one pixel") << "#" << all << 1 << 4;
        QTest::newRow("block") << "##/##" << all << 1 << 4;
        QTest::newRow("L") << "#./##" << all << 1 << 6;
        QTest::newRow("frame round a hole") << "###/#.#/###" << all << 2 << 8;
        QTest::newRow("corner to corner") << "#./.#" << all << 2 << 8;
        QTest::newRow("chequered") << "#.#/.#./#.#" << all << 5 << 20;
        QTest::newRow("U and its inside") << "#.#/#.#/###" << all << 1 << 8;
        QTest::newRow("nothing") << "../.." << all << 0 << 0;
        QTest::newRow("window on a run") << "####/####" << QRect(1, 0, 2, 1) << 1 << 4;
        QTest::newRow("window off the picture") << "##" << QRect(5, 5, 3, 3) << 0 << 0;
    }
    void toneOutlineFillsItsPixels() {
        QFETCH(QString, rows);
        QFETCH(QRect, window);
        QFETCH(int, loops);
        QFETCH(int, corners);
        const QImage picture = pictureOf(rows);
        const QPointF at(3, 2);
        const QPainterPath path = toneOutline(picture, qRgb(0, 0, 0), window, at);
        int moves = 0;
        int lines = 0;
        for (int i = 0; i < path.elementCount(); ++i) {
            moves += path.elementAt(i).type == QPainterPath::MoveToElement;
            lines += path.elementAt(i).type == QPainterPath::LineToElement;
        }
        QCOMPARE(moves, loops);
        // Each loop: a move to its first corner, a line to each other corner
        // and one back to the first.
        QCOMPARE(moves + lines - loops, corners);
        // Both fill rules fill the same pixels, the tone's within the window.
        for (const Qt::FillRule rule : {Qt::WindingFill, Qt::OddEvenFill}) {
            QPainterPath filled = path;
            filled.setFillRule(rule);
            const QImage drawn =
                covered(picture.size() + QSize(4, 3), 4, [&](QPainter& p) { p.fillPath(filled, Qt::black); });
            for (int y = 0; y < drawn.height(); ++y) {
                for (int x = 0; x < drawn.width(); ++x) {
                    const QPoint pixel(x / 4 - 3, y / 4 - 2);
                    const bool wanted = picture.rect().contains(pixel) && window.contains(pixel) &&
                                        picture.pixel(pixel) == qRgb(0, 0, 0);
                    QVERIFY2(darkPixel(drawn, x, y) == wanted, qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
                }
            }
        }
    }

    // A dithered emblem: what the vector files hold covers what the raster
    // output covers, and merged, no two outlines of a colour overlap. The
    // emblem is larger than the field, of which only the field is ink.
    void noiseEmblemVectorsMatchTheRaster_data() {
        QTest::addColumn<bool>("merge");
        QTest::newRow("outlines as drawn") << false;
        QTest::newRow("merged outlines") << true;
    }
    void noiseEmblemVectorsMatchTheRaster() {
        QFETCH(bool, merge);
        QTemporaryDir dir;
        const QString noise = dir.filePath(QStringLiteral("noise.bmp"));
        QVERIFY(testing::writeNoise(noise, 600));
        StampDesigns designs;
        designs.round = testing::heavyRoundSeal(noise);
        designs.round.emblem.x = -150;
        designs.round.emblem.y = -170;
        // Text in a colour of its own, which cuts the emblem as paper does.
        designs.round.lines[3].font.color = 0x0000C0;
        const std::vector<InkOp> ops = recordInk(designs, ActivePage::Round);
        QVERIFY(inkBounds(ops).united(QRectF(0, 0, Canvas::kSize, Canvas::kSize)) ==
                QRectF(0, 0, Canvas::kSize, Canvas::kSize));
        const std::vector<InkShape> shapes = resolveInk(ops, merge);

        constexpr int kScale = 4;
        const QSize field(Canvas::kSize, Canvas::kSize);
        const QImage raster = covered(field, kScale, [&](QPainter& p) { paintInk(p, ops, Qt::white); });
        const QImage vector = covered(field, kScale, [&](QPainter& p) {
            for (const InkShape& shape : shapes)
                paintInkPath(p, shape.path, shape.stroked, shape.width, QColor::fromRgb(colourToArgb(shape.color)));
        });
        long both = 0;
        long either = 0;
        for (int y = 0; y < raster.height(); ++y) {
            for (int x = 0; x < raster.width(); ++x) {
                // Ink of any colour.
                const bool a = qGray(raster.pixel(x, y)) < 200;
                const bool b = qGray(vector.pixel(x, y)) < 200;
                both += a && b;
                either += a || b;
            }
        }
        QVERIFY(either > 0);
        const double shared = static_cast<double>(both) / static_cast<double>(either);
        // A merge unites the letters through the toolkit, which lays their
        // curves out in straight pieces; the emblem's pixels stay exact.
        QVERIFY2(shared >= (merge ? 0.99 : 0.999), qPrintable(QString::number(shared)));

        if (!merge)
            return;
        // Every pixel's centre lies inside at most one outline of its colour.
        std::vector<std::uint8_t> count(static_cast<std::size_t>(raster.width() * raster.height()), 0);
        long inked = 0;
        long twice = 0;
        for (const InkShape& shape : shapes) {
            QImage alone(raster.size(), QImage::Format_RGB32);
            alone.fill(Qt::white);
            QPainter p(&alone);
            p.scale(kScale, kScale);
            p.fillPath(shape.path, Qt::black);
            p.end();
            for (int y = 0; y < alone.height(); ++y) {
                for (int x = 0; x < alone.width(); ++x) {
                    if (!darkPixel(alone, x, y))
                        continue;
                    std::uint8_t& n = count[static_cast<std::size_t>(y * alone.width() + x)];
                    inked += n == 0;
                    twice += n == 1;
                    ++n;
                }
            }
        }
        QVERIFY2(twice * 1000 <= inked, qPrintable(QStringLiteral("%1 of %2").arg(twice).arg(inked)));
    }

    // An underline and a strike-out lie on the same rows of a true-size
    // picture drawn one pixel a preview pixel as on the preview. The text is
    // all blanks, so that they are all there is to see.
    void decorationsOnThePreviewsRows_data() {
        QTest::addColumn<QString>("face");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("underline");
        QTest::addColumn<bool>("strikeOut");
        QTest::addColumn<int>("angle");
        QTest::newRow("underline") << "Arial" << 8 << false << true << false << 0;
        QTest::newRow("strike-out") << "Arial" << 8 << false << false << true << 0;
        QTest::newRow("both, bold, 14 pt") << "MS Sans Serif" << 14 << true << true << true << 0;
        QTest::newRow("serif 36 pt strike-out") << "Times New Roman" << 36 << false << false << true << 0;
        QTest::newRow("fixed 20 pt bold underline upwards") << "Courier New" << 20 << true << true << false << 90;
        QTest::newRow("both upside down") << "Arial" << 12 << false << true << true << 180;
    }
    void decorationsOnThePreviewsRows() {
        QFETCH(QString, face);
        QFETCH(int, size);
        QFETCH(bool, bold);
        QFETCH(bool, underline);
        QFETCH(bool, strikeOut);
        QFETCH(int, angle);
        LineFont font = startupFont();
        font.face = face;
        font.size = size;
        font.bold = bold;
        font.underline = underline;
        font.strikeOut = strikeOut;
        const QString blanks(6, QLatin1Char(' '));
        const int x = angle == 180 ? 170 : 20;
        const int y = angle == 0 ? 40 : 160;

        Canvas canvas;
        clearWhite(canvas);
        PrintText(canvas, font, static_cast<std::uint16_t>(angle), x, y, blanks);
        const QImage preview = canvas.image().copy();

        InkSurface ink(kWhite);
        ink.setBrushColor(kWhite);
        PrintText(ink, font, static_cast<std::uint16_t>(angle), x, y, blanks);
        ink.finish();
        QImage trueSize(Canvas::kSize, Canvas::kSize, QImage::Format_RGB32);
        trueSize.fill(Qt::white);
        {
            QPainter painter(&trueSize);
            painter.setRenderHint(QPainter::Antialiasing, true);
            paintInk(painter, ink.ops(), Qt::white);
        }
        int previewRows = 0;
        for (int py = 0; py < Canvas::kSize; ++py) {
            bool rowInked = false;
            for (int px = 0; px < Canvas::kSize; ++px) {
                // Ink where at least half the pixel is covered, as a 1-bit export takes it.
                const bool inkedAtTrueSize = qBlue(trueSize.pixel(px, py)) < 128;
                QVERIFY2(inked(preview, px, py) == inkedAtTrueSize,
                         qPrintable(QStringLiteral("pixel (%1, %2)").arg(px).arg(py)));
                rowInked = rowInked || inked(preview, px, py);
            }
            previewRows += rowInked ? 1 : 0;
        }
        QVERIFY(previewRows > 0);
    }

    // The ink of a design is the same whatever was drawn before it: the
    // window's captions in a narrowed face drawn between pixels, previews
    // with the drawing state they carry on, the ink of the other kinds.
    void inkIndependentOfWhatWasDrawnBefore_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("before");
        for (const QString& before : {QStringLiteral("captions"), QStringLiteral("previews"), QStringLiteral("ink")}) {
            QTest::addRow("round after %s", qPrintable(before)) << int(ActivePage::Round) << before;
            QTest::addRow("stamp after %s", qPrintable(before)) << int(ActivePage::Rect) << before;
        }
    }
    void inkIndependentOfWhatWasDrawnBefore() {
        QFETCH(int, page);
        QFETCH(QString, before);
        StampDesigns designs;
        designs.rect.lines[0].font.face = QStringLiteral("Arial");
        const std::vector<InkOp> first = recordInk(designs, static_cast<ActivePage>(page));
        if (before == QLatin1String("captions")) {
            QImage picture(400, 60, QImage::Format_ARGB32_Premultiplied);
            picture.fill(Qt::white);
            QPainter painter(&picture);
            QFont narrowed;
            narrowed.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
            narrowed.setPixelSize(11);
            narrowed.setStretch(93);
            painter.setFont(narrowed);
            painter.drawText(QPointF(3.3, 20), QStringLiteral("Ошибок: 1, предупреждений: 2. Вн.линия"));
            painter.drawText(QPointF(7.6, 40), QStringLiteral("Первая строка по окружности: касается"));
        } else {
            Canvas canvas;
            for (int other = 0; other < 4; ++other) {
                if (before == QLatin1String("previews")) {
                    ClearStamp(canvas, designs, static_cast<ActivePage>(other));
                    PaintStamp(canvas, designs, static_cast<ActivePage>(other));
                    canvas.image();
                } else {
                    recordInk(designs, static_cast<ActivePage>(other));
                }
            }
        }
        QCOMPARE(firstDifference(recordInk(designs, static_cast<ActivePage>(page)), first), -1);
    }

    // Room between a centre line's letters: the first stays, each next one
    // moves on by the room, along the line's direction.
    void trackedCentreLine_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("angle");
        QTest::addColumn<double>("tracking");
        QTest::newRow("level") << QStringLiteral("ДЛЯ") << 0 << 2.5;
        QTest::newRow("slanted, closer") << QStringLiteral("ЖУК") << 30 << -1.5;
        QTest::newRow("upside down") << QStringLiteral("«Ы»") << 180 << 0.3;
    }

    void trackedCentreLine() {
        QFETCH(QString, text);
        QFETCH(int, angle);
        QFETCH(double, tracking);
        StampDesigns designs;
        RoundSealParameters& seal = designs.round;
        for (TextLineSettings& line : seal.lines)
            line.enabled = false;
        for (RingSettings& ring : seal.rings)
            ring.enabled = false;
        TextLineSettings& line = seal.lines[4];
        line.enabled = line.font.bold = true;
        line.text = text;
        line.font.size = 12;
        line.x = 90;
        line.y = 100;
        line.angle = angle;
        const auto drawn = [&](double room) {  // each glyph's box
            seal.centreTracking[1] = room;
            std::vector<QRectF> glyphs;
            for (const InkOp& op : recordInk(designs, ActivePage::Round))
                if (!op.paper && op.element == ElementTag{ElementKind::CentreLine, 2})
                    glyphs.push_back(op.bounds());
            return glyphs;
        };
        const auto near = [](const QRectF& a, const QRectF& b) {
            return std::fabs(a.left() - b.left()) < 1e-6 && std::fabs(a.top() - b.top()) < 1e-6 &&
                   std::fabs(a.width() - b.width()) < 1e-6 && std::fabs(a.height() - b.height()) < 1e-6;
        };
        const std::vector<QRectF> plain = drawn(0);
        const std::vector<QRectF> tracked = drawn(tracking);
        const std::vector<QRectF> wider = drawn(tracking + 3);
        QCOMPARE(plain.size(), std::size_t(text.size()));
        QCOMPARE(tracked.size(), plain.size());
        QCOMPARE(wider.size(), plain.size());
        QVERIFY(near(tracked[0], plain[0]));
        const double a = angle * std::numbers::pi / 180;
        const QPointF step(3 * std::cos(a), -3 * std::sin(a));
        for (std::size_t i = 1; i < tracked.size(); ++i)
            QVERIFY2(near(wider[i], tracked[i].translated(step * static_cast<double>(i))),
                     qPrintable(QString::number(i)));
    }

    void hugeValues_data() {
        QTest::addColumn<int>("value");
        QTest::newRow("int32 min") << kMin;
        QTest::newRow("int32 max") << kMax;
        QTest::newRow("-1") << -1;
    }

    void hugeValues() {
        QFETCH(int, value);
        StampDesigns designs;
        for (auto* lines : {&designs.round.lines, &designs.triangle.lines, &designs.rect.lines}) {
            for (TextLineSettings& line : *lines) {
                line.enabled = true;
                line.x = line.y = line.radius = line.angle = value;
                line.font.size = value;
                line.text = QStringLiteral("Текст строки");
            }
        }
        for (RingSettings& ring : designs.round.rings)
            ring = RingSettings{true, value, value, value};
        designs.round.emblem = EmblemSettings{true, value, value, QString()};
        // A centre line's room between letters, where it is one at all.
        designs.round.centreTracking = {static_cast<double>(value), -static_cast<double>(value), 0.5};
        for (FrameSettings& frame : designs.triangle.frames)
            frame =
                FrameSettings{true, {Point{value, value}, Point{0, value}, Point{value, 0}}, value, value};
        for (SegmentSettings& contour : designs.rect.contours)
            contour = SegmentSettings{true, Point{value, value}, Point{-(value / 2), 0}, value, value};
        designs.rect.innerLine = SegmentSettings{true, Point{value, 0}, Point{0, value}, value, value};

        QElapsedTimer timer;
        timer.start();
        Canvas canvas;
        for (const ActivePage page : {ActivePage::Round, ActivePage::Triangle, ActivePage::Rect}) {
            ClearStamp(canvas, designs, page);
            PaintStamp(canvas, designs, page);
            QCOMPARE(canvas.image().size(), QSize(Canvas::kSize, Canvas::kSize));
        }
        QVERIFY2(timer.elapsed() < 20000, qPrintable(QString::number(timer.elapsed())));
        // The stored values are drawn with, never changed.
        QCOMPARE(designs.round.lines[0].font.size, value);
    }
};

QTEST_MAIN(TestRender)
#include "test_render.moc"
