#include "Designs.h"
#include "Export.h"
#include "PageRaster.h"
#include "Render.h"
#include "Trace.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <zlib.h>

using namespace qg;
using namespace qg::output;

namespace {

bool dark(QRgb p) {
    return qGray(p) < 128 && qAlpha(p) >= 128;
}

bool darkNear(const QImage& image, int x, int y) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (image.valid(x + dx, y + dy) && dark(image.pixel(x + dx, y + dy)))
                return true;
    return false;
}

// Share of the ink of two pictures of one size that the other holds within
// one pixel: the preview is aliased and hinted, the scaled drawing is
// neither, so a one-pixel line may fall on the neighbouring pixel.
double agreement(const QImage& a, const QImage& b) {
    long agreed = 0;
    long all = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const bool ia = dark(a.pixel(x, y));
            const bool ib = dark(b.pixel(x, y));
            all += ia + ib;
            agreed += (ia && darkNear(b, x, y)) + (ib && darkNear(a, x, y));
        }
    return all ? static_cast<double>(agreed) / static_cast<double>(all) : 1.0;
}

// Share of the ink of two same-sized pictures that both hold: shared ink
// over all ink.
double overlap(const QImage& a, const QImage& b) {
    long both = 0;
    long either = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const bool ia = dark(a.pixel(x, y));
            const bool ib = dark(b.pixel(x, y));
            both += ia && ib;
            either += ia || ib;
        }
    return either ? static_cast<double>(both) / static_cast<double>(either) : 1.0;
}

QImage preview(const StampDesigns& designs, ActivePage page) {
    Canvas canvas;
    ClearStamp(canvas, designs, page);
    PaintStamp(canvas, designs, page);
    return canvas.image().copy();
}

// The ink drawn at scale 1 onto a picture the size of the preview.
QImage inkAtScaleOne(const StampDesigns& designs, ActivePage page) {
    QImage picture(Canvas::kSize, Canvas::kSize, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing, true);
    paintInk(painter, recordInk(designs, page), Qt::white, Qt::black);
    painter.end();
    return picture;
}

QImage decode(const QByteArray& bytes) {
    QImage image;
    image.loadFromData(bytes);
    return image;
}

// Every content stream of a PDF, inflated.
QByteArray pdfContent(const QByteArray& pdf) {
    QByteArray all;
    qsizetype at = 0;
    while ((at = pdf.indexOf("stream\n", at)) >= 0) {
        const qsizetype start = at + 7;
        const qsizetype end = pdf.indexOf("endstream", start);
        if (end < 0)
            break;
        const QByteArray raw = pdf.mid(start, end - start);
        QByteArray out(static_cast<qsizetype>(raw.size()) * 40 + 4096, '\0');
        uLongf length = static_cast<uLongf>(out.size());
        if (uncompress(reinterpret_cast<Bytef*>(out.data()), &length, reinterpret_cast<const Bytef*>(raw.constData()),
                       static_cast<uLong>(raw.size())) == Z_OK)
            all += out.left(static_cast<qsizetype>(length));
        else
            all += raw;
        at = end;
    }
    return all;
}

// Dark pixels of a row, from the first to the last.
int inkAcross(const QImage& picture, int row) {
    int left = -1;
    int right = -1;
    for (int x = 0; x < picture.width(); ++x)
        if (dark(picture.pixel(x, row))) {
            if (left < 0)
                left = x;
            right = x;
        }
    return left < 0 ? 0 : right - left + 1;
}

// Emblems in black on white, `side` pixels square.
QImage drawnEmblem(const QString& kind, int side = 150) {
    QImage picture(side, side, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter p(&picture);
    const double k = side / 150.0;
    p.scale(k, k);
    if (kind == QLatin1String("curves")) {
        p.setPen(QPen(Qt::black, 9));
        p.drawEllipse(QPointF(75, 75), 58, 58);
        QPainterPath shield;
        shield.moveTo(48, 40);
        shield.lineTo(102, 40);
        shield.lineTo(102, 78);
        shield.cubicTo(102, 100, 85, 112, 75, 118);
        shield.cubicTo(65, 112, 48, 100, 48, 78);
        shield.closeSubpath();
        QPainterPath crescent;
        crescent.addEllipse(QPointF(75, 72), 18, 18);
        QPainterPath bite;
        bite.addEllipse(QPointF(83, 66), 15, 15);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawPath(shield.subtracted(crescent.subtracted(bite)));
    } else if (kind == QLatin1String("thin lines")) {
        p.setPen(QPen(Qt::black, (side >= 1000 ? 10 : 3) / k));
        p.drawEllipse(QPointF(75, 75), 60, 60);
        for (int i = 0; i < 12; ++i) {
            const double a = 3.14159265358979 * i / 12;
            p.drawLine(QPointF(75 + 20 * std::cos(a), 75 + 20 * std::sin(a)),
                       QPointF(75 + 52 * std::cos(a), 75 + 52 * std::sin(a)));
        }
        p.drawLine(30, 100, 120, 100);
        p.drawLine(30, 110, 120, 110);
    } else {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(40);
        font.setBold(true);
        font.setStyleStrategy(QFont::NoAntialias);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(QRectF(0, 20, 150, 55), Qt::AlignCenter, QStringLiteral("ГЕРБ"));
        p.drawText(QRectF(0, 75, 150, 55), Qt::AlignCenter, QStringLiteral("№ 25"));
    }
    p.end();
    return picture;
}

StampDesigns ringAndEmblem(const QString& path, int x, int y) {
    StampDesigns designs;
    designs.round = testing::outerRingOnly(2);
    designs.round.emblem = EmblemSettings(true, x, y, path);
    return designs;
}

// How many of the filled shapes cover each pixel, in the blue.
QImage coverage(const std::vector<InkShape>& shapes, int scale) {
    QImage counts(Canvas::kSize * scale, Canvas::kSize * scale, QImage::Format_RGB32);
    counts.fill(Qt::black);
    QPainter p(&counts);
    p.setCompositionMode(QPainter::CompositionMode_Plus);
    p.scale(scale, scale);
    for (const InkShape& shape : shapes)
        p.fillPath(shape.path, QColor(0, 0, 1));
    p.end();
    return counts;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The SVG drawn at the export's resolution, on white.
QImage drawnSvg(const QByteArray& svg, const Imprint& imprint, const Settings& settings, QSize size) {
    QSvgRenderer renderer(svg);
    QImage drawn(size, QImage::Format_RGB32);
    drawn.fill(Qt::white);
    QPainter painter(&drawn);
    renderer.render(&painter, QRectF(QPointF(0, 0), pageSizeMm(imprint, settings) * (settings.dpi / 25.4)));
    return drawn;
}

constexpr std::int32_t kHuge = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kHugeNegative = std::numeric_limits<std::int32_t>::min();

}  // namespace

Q_DECLARE_METATYPE(qg::StampKind)
Q_DECLARE_METATYPE(qg::StampDesigns)
Q_DECLARE_METATYPE(qg::ElementKind)

class TestOutput : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString crest;

    StampDesigns heavy() {
        StampDesigns designs;
        designs.round = testing::heavyRoundSeal(crest);
        return designs;
    }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        crest = dir.filePath(QStringLiteral("crest.bmp"));
        QVERIFY(testing::writeCrest(crest));
    }

    void scaleOneAgreesWithPreview_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("heavy");
        QTest::newRow("round") << int(ActivePage::Round) << false;
        QTest::newRow("triangle") << int(ActivePage::Triangle) << false;
        QTest::newRow("rect") << int(ActivePage::Rect) << false;
        QTest::newRow("heavy round") << int(ActivePage::Round) << true;
    }

    void scaleOneAgreesWithPreview() {
        QFETCH(int, page);
        QFETCH(bool, heavy);
        const StampDesigns designs = heavy ? this->heavy() : StampDesigns{};
        const QImage a = preview(designs, ActivePage(page));
        const QImage b = inkAtScaleOne(designs, ActivePage(page));
        const double agreed = agreement(a, b);
        QVERIFY2(agreed >= 0.95, qPrintable(QStringLiteral("%1 (exact overlap %2)").arg(agreed).arg(overlap(a, b))));
        // Within one pixel, a drawing one pixel off agrees nearly as well;
        // pixel for pixel it shares less than half of the ink.
        const double shared = overlap(a, b);
        QVERIFY2(shared >= 0.7, qPrintable(QString::number(shared)));
    }

    void trueSize_data() {
        QTest::addColumn<int>("format");
        QTest::newRow("png") << int(Format::Png);
        QTest::newRow("tiff") << int(Format::Tiff);
        QTest::newRow("bmp") << int(Format::Bmp);
    }

    // A 40 mm round seal at 600 dpi: the outer ring's ink is 945 pixels
    // across, and the file says 600 dpi.
    void trueSize() {
        QFETCH(int, format);
        Settings settings;
        settings.format = Format(format);
        settings.marginMm = 2;
        const Imprint imprint = makeImprint(StampDesigns{}, StampKind::Round);
        QString error;
        const QByteArray bytes = encode(imprint, settings, error);
        QVERIFY2(!bytes.isEmpty(), qPrintable(error));
        QBuffer buffer;
        buffer.setData(bytes);
        QImageReader reader(&buffer);
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(std::lround(image.dotsPerMeterX() * 0.0254), 600L);
        // The middle row crosses the outer ring at its widest.
        const int row = image.height() / 2;
        int left = -1;
        int right = -1;
        for (int x = 0; x < image.width(); ++x)
            if (dark(image.pixel(x, row))) {
                if (left < 0)
                    left = x;
                right = x;
            }
        QVERIFY2(std::abs(right - left + 1 - 945) <= 2, qPrintable(QString::number(right - left + 1)));
        // The margin: 2 mm is 47 pixels at 600 dpi.
        QVERIFY(std::abs(left - 47) <= 2);
    }

    void monoHoldsTwoColoursColourKeepsRed() {
        StampDesigns designs;
        designs.round.rings[2].color = 0x0000FF;  // red
        const Imprint imprint = makeImprint(designs, StampKind::Round);
        Settings settings;
        settings.dpi = 300;
        const QImage mono = renderRaster(imprint, settings);
        QCOMPARE(mono.format(), QImage::Format_Mono);
        QCOMPARE(mono.colorCount(), 2);
        settings.colour = true;
        const QImage colour = renderRaster(imprint, settings);
        const QPoint onRing(colour.width() - 1 - static_cast<int>(std::lround(settings.marginMm * 300 / 25.4)) - 3,
                            colour.height() / 2);
        const QColor red = colour.pixelColor(onRing);
        QVERIFY2(red.red() > 200 && red.green() < 60 && red.blue() < 60, qPrintable(red.name()));
    }

    void transparentPng() {
        Settings settings;
        settings.dpi = 300;
        settings.transparent = true;
        const QImage picture = renderRaster(makeImprint(heavy(), StampKind::Round), settings);
        QCOMPARE(qAlpha(picture.pixel(1, 1)), 0);
        int ink = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                ink += dark(picture.pixel(x, y));
        QVERIFY(ink > 1000);
    }

    void mirrorAndNegative_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("round") << int(StampKind::Round);
        QTest::newRow("triangle") << int(StampKind::Triangle);
        QTest::newRow("rect") << int(StampKind::Rect);
    }

    void mirrorAndNegative() {
        QFETCH(int, kind);
        const Imprint imprint = makeImprint(heavy(), StampKind(kind));
        Settings settings;
        settings.dpi = 300;
        const QImage plain = renderRaster(imprint, settings).convertToFormat(QImage::Format_RGB32);
        settings.mirror = true;
        const QImage mirrored = renderRaster(imprint, settings).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(mirrored, plain.mirrored(true, false));
        settings.mirror = false;
        settings.negative = true;
        const QImage negative = renderRaster(imprint, settings).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(negative.size(), plain.size());
        const double px = settings.dpi / 25.4;
        const QRectF box = boxOnPage(imprint, settings);
        const QRectF inside(box.topLeft() * px, box.size() * px);
        int differ = 0;
        for (int y = 0; y < plain.height(); ++y)
            for (int x = 0; x < plain.width(); ++x) {
                const bool ink = dark(plain.pixel(x, y));
                const bool neg = dark(negative.pixel(x, y));
                if (inside.contains(QPointF(x + 0.5, y + 0.5)))
                    differ += ink == neg;
                else if (!QRectF(box.topLeft() * px, box.size() * px).adjusted(-1, -1, 1, 1).contains(QPointF(x, y)))
                    differ += neg;  // the margin stays white
            }
        QCOMPARE(differ, 0);
    }

    void vectorFiles_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("merge");
        QTest::newRow("round") << int(StampKind::Round) << false;
        QTest::newRow("round merged") << int(StampKind::Round) << true;
        QTest::newRow("triangle") << int(StampKind::Triangle) << false;
        QTest::newRow("rect merged") << int(StampKind::Rect) << true;
    }

    // PDF and SVG at true size: no font, no text element, no white shape,
    // and the SVG drawn back agrees with the PNG at the same resolution.
    void vectorFiles() {
        QFETCH(int, kind);
        QFETCH(bool, merge);
        const Imprint imprint = makeImprint(heavy(), StampKind(kind));
        Settings settings;
        settings.widthMm = defaultWidthMm(StampKind(kind));
        settings.mergeOutlines = merge;
        QString error;
        const QSizeF page = pageSizeMm(imprint, settings);

        settings.format = Format::Pdf;
        const QByteArray pdf = encode(imprint, settings, error);
        QVERIFY2(!pdf.isEmpty(), qPrintable(error));
        QVERIFY(!pdf.contains("/Type /Font"));
        QVERIFY(!pdf.contains("/FontFile"));
        const QRegularExpression mediaBox(QStringLiteral("/MediaBox \\[0 0 ([0-9.]+) ([0-9.]+)\\]"));
        const QRegularExpressionMatch box = mediaBox.match(QString::fromLatin1(pdf));
        QVERIFY(box.hasMatch());
        // Whole points, at most one point more than the page.
        QVERIFY(std::abs(box.captured(1).toDouble() / 72 * 25.4 - page.width() - 0.18) <= 0.18);
        QVERIFY(std::abs(box.captured(2).toDouble() / 72 * 25.4 - page.height() - 0.18) <= 0.18);
        const QByteArray content = pdfContent(pdf);
        QVERIFY(!content.isEmpty());
        QVERIFY(!content.contains("1 1 1 rg"));
        QVERIFY(!content.contains("1 1 1 RG"));

        settings.format = Format::Svg;
        const QByteArray svg = encode(imprint, settings, error);
        QVERIFY2(!svg.isEmpty(), qPrintable(error));
        QVERIFY(!svg.contains("<text"));
        QVERIFY(!svg.contains("<image"));
        QVERIFY(!svg.toLower().contains("#ffffff"));
        QVERIFY(svg.contains(QStringLiteral("width=\"%1mm\"").arg(page.width(), 0, 'f', 3).toUtf8()));

        settings.format = Format::Png;
        const QImage png = decode(encode(imprint, settings, error)).convertToFormat(QImage::Format_RGB32);
        QVERIFY(!png.isNull());
        QSvgRenderer renderer(svg);
        QVERIFY(renderer.isValid());
        QImage drawn(png.size(), QImage::Format_RGB32);
        drawn.fill(Qt::white);
        QPainter painter(&drawn);
        renderer.render(&painter, QRectF(QPointF(0, 0), page * (settings.dpi / 25.4)));
        painter.end();
        // The traced emblem parts from its pixels' staircase by design
        // (see tracedEmblemAgreesWithRaster): near it the raster's pixels count.
        QImage emblem(png.size(), QImage::Format_RGB32);
        emblem.fill(Qt::white);
        QPainter near(&emblem);
        near.scale(settings.dpi / 25.4, settings.dpi / 25.4);
        near.setTransform(pageTransform(imprint, settings), true);
        near.setPen(QPen(Qt::black, 2));
        near.setBrush(Qt::black);
        for (const InkOp& op : imprint.ops)
            if (op.picture)
                near.drawPath(op.path);
        near.end();
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x)
                if (dark(emblem.pixel(x, y)))
                    drawn.setPixel(x, y, png.pixel(x, y));
        const double shared = overlap(png, drawn);
        QVERIFY2(shared >= 0.98, qPrintable(QString::number(shared)));
    }

    // The window sets a narrowed font of its own for the whole program; the
    // files must come out as from the command line, which sets none.
    void applicationFontDoesNotReachTheFiles_data() {
        QTest::addColumn<int>("format");
        QTest::newRow("png") << int(Format::Png);
        QTest::newRow("svg") << int(Format::Svg);
    }
    void applicationFontDoesNotReachTheFiles() {
        QFETCH(int, format);
        Settings settings;
        settings.format = static_cast<Format>(format);
        const StampDesigns designs;
        QString error;
        const QByteArray plain = encode(makeImprint(designs, StampKind::Round), settings, error);
        const QFont before = QGuiApplication::font();
        QFont narrowed(QStringLiteral("DejaVu Serif"));
        narrowed.setPixelSize(11);
        narrowed.setStretch(93);
        QGuiApplication::setFont(narrowed);
        const QByteArray withFont = encode(makeImprint(designs, StampKind::Round), settings, error);
        QGuiApplication::setFont(before);
        QVERIFY(!plain.isEmpty());
        QVERIFY(plain == withFont);
    }

    // The same settings give the same bytes: a 1-bit picture has nothing
    // but paper after the last pixel of a row.
    void pictureEndsItsRowsWithPaper_data() {
        QTest::addColumn<bool>("mirror");
        QTest::newRow("plain") << false;
        QTest::newRow("mirrored") << true;
    }
    void pictureEndsItsRowsWithPaper() {
        QFETCH(bool, mirror);
        Settings settings;
        settings.mirror = mirror;
        settings.dpi = 1200;
        settings.widthMm = 30.5;
        settings.marginMm = 0;
        const Imprint imprint = makeImprint(StampDesigns{}, StampKind::Triangle);
#ifdef __GLIBC__
        // Memory comes from the heap, never zero: what a program that has
        // been working a while gets.
        mallopt(M_MMAP_THRESHOLD, 64 << 20);
        mallopt(M_PERTURB, 0x55);
#endif
        const QImage picture = renderRaster(imprint, settings);
#ifdef __GLIBC__
        mallopt(M_PERTURB, 0);
        mallopt(M_MMAP_THRESHOLD, 128 << 10);
#endif
        QCOMPARE(picture.format(), QImage::Format_Mono);
        QVERIFY(picture.width() % 8 != 0);
        const qsizetype used = (picture.width() + 7) / 8;
        const uchar mask = static_cast<uchar>(0xFF >> (picture.width() % 8));
        for (int y = 0; y < picture.height(); ++y) {
            const uchar* line = picture.constScanLine(y);
            QVERIFY2((line[used - 1] & mask) == 0, qPrintable(QStringLiteral("row %1").arg(y)));
            for (qsizetype x = used; x < picture.bytesPerLine(); ++x)
                QCOMPARE(line[x], uchar(0));
        }
    }

    // The width measures the element that frames the design, whatever ink
    // runs past it; ink beyond the field counts for nothing.
    void widthMeasuresTheFrame_data() {
        QTest::addColumn<StampKind>("kind");
        QTest::addColumn<StampDesigns>("designs");
        QTest::addColumn<double>("span");

        StampDesigns designs;
        designs.rect.lines[0].text = QStringLiteral("Первая строка, которая в рамку не помещается никак");
        // Contour 1 runs from 5 to 195, two wide.
        QTest::newRow("stamp line past its contour") << StampKind::Rect << designs << 192.0;
        designs = StampDesigns{};
        designs.triangle.lines[2].text = QStringLiteral("Текст в нижней строке, который длиннее рамки");
        // Frame 1 runs from 4 to 196, two wide.
        QTest::newRow("triangle text past its frame") << StampKind::Triangle << designs << 194.0;
        designs = StampDesigns{};
        designs.round.lines[0].font.size = 300;
        // The outer ring: radius 92, two wide.
        QTest::newRow("300-point ring text") << StampKind::Round << designs << 186.0;
        designs = StampDesigns{};
        designs.round.rings[2].radius = kHuge;
        // The ring beyond the field shows nothing: the ring inside it,
        // radius 88, one wide, is the outermost.
        QTest::newRow("ring around the field") << StampKind::Round << designs << 177.0;
        designs = StampDesigns{};
        designs.rect.contours[0].enabled = false;
        // Contour 2 runs from 7 to 192, one wide, centred on the pixels.
        QTest::newRow("inner contour alone") << StampKind::Rect << designs << 186.0;
        designs = testing::nothingEnabled();
        designs.rect.lines[3].enabled = true;
        designs.rect.lines[3].x = 150;
        QTest::newRow("stamp of one line, cut") << StampKind::Rect << designs << -1.0;
    }

    void widthMeasuresTheFrame() {
        QFETCH(StampKind, kind);
        QFETCH(StampDesigns, designs);
        QFETCH(double, span);
        const Imprint imprint = makeImprint(designs, kind);
        QVERIFY(!imprint.empty());
        QVERIFY(kField.contains(imprint.box));
        if (span > 0)
            QCOMPARE(imprint.span, span);
        else
            QCOMPARE(imprint.span, imprint.box.width());
        // The page is the field's ink at the scale the width gives.
        const double width = defaultWidthMm(kind);
        Settings settings;
        settings.widthMm = width;
        const QSizeF page = pageSizeMm(imprint, settings);
        QVERIFY(page.width() <= width * kField.width() / imprint.span + 2 * settings.marginMm + 1e-9);
    }

    // A stamp whose first line runs past its frame and the field: the frame
    // comes out as wide as asked, in the picture and in the vector file,
    // and nothing of the line beyond the field is drawn or written.
    void cutInkIsLeftOutOfTheFiles() {
        StampDesigns designs;
        designs.rect.lines[0].text = QStringLiteral("Первая строка, которая в рамку не помещается никак");
        const Imprint imprint = makeImprint(designs, StampKind::Rect);
        QCOMPARE(imprint.box.right(), kField.right());
        QVERIFY(!imprint.cuts.empty());
        QCOMPARE(imprint.cuts.front().element, (ElementTag{ElementKind::StampLine, 1}));
        Settings settings;
        settings.widthMm = 58;
        settings.dpi = 300;
        QString error;
        const QImage png = decode(encode(imprint, settings, error));
        QVERIFY2(!png.isNull(), qPrintable(error));
        // The middle of the stamp: only the contours' sides and a line inside.
        const QPointF middle = pageTransform(imprint, settings).map(QPointF(100, 110)) * (settings.dpi / 25.4);
        const int across = inkAcross(png, static_cast<int>(middle.y()));
        QVERIFY2(std::abs(across - 58 / 25.4 * settings.dpi) <= 2, qPrintable(QString::number(across)));

        settings.format = Format::Svg;
        const QByteArray svg = encode(imprint, settings, error);
        QVERIFY2(!svg.isEmpty(), qPrintable(error));
        // Drawn with room all round, the file shows nothing off its page.
        QSvgRenderer renderer(svg);
        const QSizeF page = pageSizeMm(imprint, settings);
        renderer.setViewBox(QRectF(-page.width(), -page.height(), 3 * page.width(), 3 * page.height()));
        QImage drawn(3 * png.width(), 3 * png.height(), QImage::Format_RGB32);
        drawn.fill(Qt::white);
        QPainter painter(&drawn);
        renderer.render(&painter);
        painter.end();
        int outside = 0;
        int inside = 0;
        const QRect onPage(png.width() - 2, png.height() - 2, png.width() + 4, png.height() + 4);
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x)
                if (dark(drawn.pixel(x, y)))
                    ++(onPage.contains(x, y) ? inside : outside);
        QVERIFY(inside > 1000);
        QCOMPARE(outside, 0);
    }

    // An SVG emblem goes into the vector files as its own areas held to the
    // field, no picture, agreeing with the raster export.
    void svgEmblemAsItsPaths_data() {
        QTest::addColumn<bool>("merge");
        QTest::addColumn<int>("x");
        QTest::newRow("inside the field") << false << 60;
        QTest::newRow("across the field's edge") << false << 150;
        QTest::newRow("beyond the field") << true << 300;
    }

    void svgEmblemAsItsPaths() {
        QFETCH(bool, merge);
        QFETCH(int, x);
        const QString logo = dir.filePath(QStringLiteral("logo.svg"));
        QVERIFY(writeFile(logo, "<svg xmlns='http://www.w3.org/2000/svg' width='100' height='100'>"
                                "<circle cx='50' cy='50' r='45' fill='none' stroke='black' stroke-width='4'/>"
                                "<path d='M20 70 L50 15 L80 70 Z' fill='#222'/>"
                                "<rect x='35' y='45' width='30' height='10' fill='white'/></svg>"));
        StampDesigns designs = heavy();
        designs.round.emblem.file = logo;
        designs.round.emblem.width = 70;
        designs.round.emblem.x = x;
        designs.round.emblem.y = 64;
        const Imprint imprint = makeImprint(designs, StampKind::Round);
        QVERIFY(std::none_of(imprint.ops.begin(), imprint.ops.end(), [](const InkOp& op) { return op.picture; }));
        QCOMPARE(std::any_of(imprint.cuts.begin(), imprint.cuts.end(),
                             [](const FieldCut& c) { return c.element.kind == ElementKind::Emblem; }),
                 x > 100);
        Settings settings;
        settings.mergeOutlines = merge;
        QString error;
        settings.format = Format::Pdf;
        const QString pdf = dir.filePath(QStringLiteral("logo.pdf"));
        QVERIFY2(exportFile(imprint, settings, pdf, error), qPrintable(error));
        QProcess images;
        images.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
        if (!images.waitForFinished(30000) || images.exitCode() != 0)
            QSKIP("pdfimages is not there to list the PDF's pictures");
        // Only the heading of the list: no picture at all.
        QCOMPARE(QString::fromUtf8(images.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts).size(), 2);

        settings.format = Format::Svg;
        const QByteArray svg = encode(imprint, settings, error);
        QVERIFY2(!svg.isEmpty(), qPrintable(error));
        QVERIFY(!svg.contains("<image"));
        settings.format = Format::Png;
        const QImage png = decode(encode(imprint, settings, error));
        QVERIFY(!png.isNull());
        const double shared = overlap(png, drawnSvg(svg, imprint, settings, png.size()));
        QVERIFY2(shared >= 0.97, qPrintable(QString::number(shared)));
    }

    // An emblem across the field's corner: the part inside is drawn as the
    // preview draws it, and how far its ink reaches beyond is kept.
    void emblemAcrossTheFieldsEdge() {
        StampDesigns designs = heavy();
        designs.round.emblem.x = 100;
        designs.round.emblem.y = 60;
        const QImage picture(crest);
        QVERIFY(!picture.isNull());
        int right = -1;
        int bottom = -1;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                if ((picture.pixel(x, y) & 0xFFFFFFu) != 0xFFFFFFu) {
                    right = std::max(right, x);
                    bottom = std::max(bottom, y);
                }
        const double beyond = std::max(100 + right + 1, 60 + bottom + 1) - kField.right();
        QVERIFY(beyond > 0);
        const Imprint imprint = makeImprint(designs, StampKind::Round);
        const auto cut = std::find_if(imprint.cuts.begin(), imprint.cuts.end(),
                                      [](const FieldCut& c) { return c.element.kind == ElementKind::Emblem; });
        QVERIFY(cut != imprint.cuts.end());
        QCOMPARE(cut->beyond, beyond);
        const double shared = overlap(preview(designs, ActivePage::Round), inkAtScaleOne(designs, ActivePage::Round));
        QVERIFY2(shared >= 0.7, qPrintable(QString::number(shared)));
    }

    // Coordinates at the ends of the 32-bit range convert without overflow,
    // and the page stays that of the ink inside the field.
    void hugeCoordinates_data() {
        QTest::addColumn<StampKind>("kind");
        QTest::addColumn<StampDesigns>("designs");
        QTest::addColumn<ElementKind>("cut");

        StampDesigns designs;
        designs.round.lines[3].enabled = true;
        designs.round.lines[3].x = kHuge;
        QTest::newRow("centre line at x 2147483647") << StampKind::Round << designs << ElementKind::CentreLine;
        designs = StampDesigns{};
        designs.round.rings[2].radius = kHuge;
        QTest::newRow("ring of radius 2147483647") << StampKind::Round << designs << ElementKind::Ring;
        designs = StampDesigns{};
        designs.round.rings[2].radius = kHugeNegative;
        designs.round.rings[2].width = kHuge;
        QTest::newRow("ring of radius -2147483648, width 2147483647") << StampKind::Round << designs << ElementKind::Ring;
        designs = StampDesigns{};
        designs.round.emblem.enabled = true;
        designs.round.emblem.path = crest;
        designs.round.emblem.x = 5000;
        QTest::newRow("emblem at x 5000") << StampKind::Round << designs << ElementKind::Emblem;
        designs.round.emblem.x = -100;
        designs.round.emblem.y = kHugeNegative;
        QTest::newRow("emblem at y -2147483648") << StampKind::Round << designs << ElementKind::Emblem;
        designs = StampDesigns{};
        designs.triangle.frames[0].vertex[1] = Point{kHugeNegative, kHuge};
        QTest::newRow("frame corner far away") << StampKind::Triangle << designs << ElementKind::Frame;
        designs = StampDesigns{};
        designs.rect.contours[0].p2 = Point{kHuge, kHuge};
        QTest::newRow("contour to 2147483647") << StampKind::Rect << designs << ElementKind::Contour;
        designs = StampDesigns{};
        designs.rect.innerLine.p1 = Point{kHugeNegative, 70};
        designs.rect.innerLine.width = kHuge;
        QTest::newRow("inner line 2147483647 wide") << StampKind::Rect << designs << ElementKind::InnerLine;
        designs = StampDesigns{};
        designs.rect.lines[5].y = kHugeNegative;
        designs.rect.lines[5].font.size = 1000;
        QTest::newRow("line far above, 1000 points") << StampKind::Rect << designs << ElementKind::StampLine;
    }

    void hugeCoordinates() {
        QFETCH(StampKind, kind);
        QFETCH(StampDesigns, designs);
        QFETCH(ElementKind, cut);
        const Imprint imprint = makeImprint(designs, kind);
        QVERIFY(!imprint.empty());
        QVERIFY(kField.contains(imprint.box));
        QVERIFY(std::any_of(imprint.cuts.begin(), imprint.cuts.end(), [&](const FieldCut& c) {
            return c.element.kind == cut && c.beyond > 0 && std::isfinite(c.beyond) && c.place.left() >= 0 &&
                   c.place.top() >= 0 && c.place.right() <= kField.right() && c.place.bottom() <= kField.bottom() &&
                   c.place.width() >= 1 && c.place.height() >= 1;
        }));
        Settings settings;
        settings.widthMm = 20;
        settings.dpi = 150;
        const QSizeF page = pageSizeMm(imprint, settings);
        QVERIFY(page.width() > 2 * settings.marginMm && page.height() > 2 * settings.marginMm);
        QVERIFY(page.width() <= kField.width() * 20 + 4 && page.height() <= kField.height() * 20 + 4);
        QString error;
        const QByteArray png = encode(imprint, settings, error);
        if (png.isEmpty()) {
            // Only a page too large for any file may be refused, and it says so.
            QVERIFY(page.width() > kMaxPageMm || page.height() > kMaxPageMm);
            QVERIFY(error.contains(QStringLiteral("5 м")));
            return;
        }
        const QImage picture = decode(png);
        QCOMPARE(picture.width(), static_cast<int>(std::ceil(page.width() * settings.dpi / 25.4 - 1e-6)));
        settings.format = Format::Pdf;
        QVERIFY2(!encode(imprint, settings, error).isEmpty(), qPrintable(error));
        settings.format = Format::Svg;
        QVERIFY2(!encode(imprint, settings, error).isEmpty(), qPrintable(error));
    }

    // A picture written row by row, as its bands are drawn, holds the same
    // pixels and resolution as one made whole.
    void rowsMatchWholePicture_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<bool>("colour");
        QTest::addColumn<bool>("mirror");
        QTest::addColumn<bool>("negative");
        QTest::addColumn<bool>("transparent");
        const std::pair<const char*, Format> formats[] = {{"png", Format::Png}, {"tiff", Format::Tiff}, {"bmp", Format::Bmp}};
        for (const auto& [name, format] : formats) {
            QTest::addRow("%s 1-bit", name) << int(format) << false << false << false << false;
            QTest::addRow("%s 1-bit mirrored negative", name) << int(format) << false << true << true << false;
            QTest::addRow("%s colour mirrored", name) << int(format) << true << true << false << false;
        }
        QTest::newRow("png 1-bit transparent") << int(Format::Png) << false << true << false << true;
        QTest::newRow("png colour transparent") << int(Format::Png) << true << false << false << true;
    }

    void rowsMatchWholePicture() {
        QFETCH(int, format);
        QFETCH(bool, colour);
        QFETCH(bool, mirror);
        QFETCH(bool, negative);
        QFETCH(bool, transparent);
        Settings settings;
        settings.format = Format(format);
        settings.widthMm = 17;
        settings.dpi = 300;  // 247 pixels across: rows end inside a byte
        settings.colour = colour;
        settings.mirror = mirror;
        settings.negative = negative;
        settings.transparent = transparent;
        StampDesigns designs = heavy();
        designs.round.rings[0].color = 0x0000FF;
        const Imprint imprint = makeImprint(designs, StampKind::Round);
        QString error;
        const QByteArray whole = encode(imprint, settings, error, Writing::Whole);
        QVERIFY2(!whole.isEmpty(), qPrintable(error));
        const QByteArray rows = encode(imprint, settings, error, Writing::ByRows);
        QVERIFY2(!rows.isEmpty(), qPrintable(error));
        const QImage a = decode(whole);
        const QImage b = decode(rows);
        QVERIFY(!b.isNull());
        QCOMPARE(b.size(), a.size());
        QCOMPARE(b.dotsPerMeterX(), a.dotsPerMeterX());
        QCOMPARE(b.dotsPerMeterY(), a.dotsPerMeterY());
        QCOMPARE(b.hasAlphaChannel(), a.hasAlphaChannel());
        QCOMPARE(b.convertToFormat(QImage::Format_ARGB32), a.convertToFormat(QImage::Format_ARGB32));
    }

    // Bands of any height join into the picture drawn at once: what a
    // band's edge changes is the last bit of a pixel's coverage.
    void bandsJoinWithoutSeams_data() {
        QTest::addColumn<bool>("colour");
        QTest::addColumn<bool>("mirror");
        QTest::addColumn<bool>("negative");
        QTest::addColumn<int>("rows");
        QTest::newRow("1-bit, bands of 7") << false << false << false << 7;
        QTest::newRow("1-bit mirrored negative, bands of 1") << false << true << true << 1;
        QTest::newRow("colour mirrored, bands of 50") << true << true << false << 50;
    }

    void bandsJoinWithoutSeams() {
        QFETCH(bool, colour);
        QFETCH(bool, mirror);
        QFETCH(bool, negative);
        QFETCH(int, rows);
        Settings settings;
        settings.widthMm = 15;
        settings.dpi = 300;
        settings.colour = colour;
        settings.mirror = mirror;
        settings.negative = negative;
        const Imprint imprint = makeImprint(heavy(), StampKind::Round);
        const QImage whole = renderRaster(imprint, settings);
        PageLayout layout;
        QString error;
        QVERIFY(layOutPage(imprint, settings, layout, error));
        QCOMPARE(QSize(layout.width, layout.height), whole.size());
        BandDrawer drawer(imprint, settings, layout, rows);
        QImage banded(whole.size(), whole.format());
        banded.setColorTable(whole.colorTable());
        const auto bytes = static_cast<std::size_t>(layout.rowBytes());
        for (int top = 0; top < layout.height; top += rows) {
            const int count = std::min(rows, layout.height - top);
            drawer.draw(top, count);
            for (int i = 0; i < count; ++i)
                std::memcpy(banded.scanLine(top + i), drawer.row(i), bytes);
        }
        int ink = 0;
        int differ = 0;
        int worst = 0;
        for (int y = 0; y < whole.height(); ++y)
            for (int x = 0; x < whole.width(); ++x) {
                const QRgb a = whole.pixel(x, y);
                const QRgb b = banded.pixel(x, y);
                ink += dark(a);
                differ += a != b;
                worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                  std::abs(qBlue(a) - qBlue(b))});
            }
        QVERIFY(ink > 1000);
        if (colour)
            QVERIFY2(worst <= 8, qPrintable(QString::number(worst)));
        else
            QVERIFY2(differ * 200 <= ink, qPrintable(QStringLiteral("%1 of %2").arg(differ).arg(ink)));
    }

    // Every width, margin and resolution the options allow, in every raster
    // format, in 1-bit and in colour: either the export keeps within its
    // memory, or it is refused before anything is drawn, naming the limit.
    void memoryIsBoundedWhateverTheSize() {
        const Imprint imprint = makeImprint(heavy(), StampKind::Round);
        int refused = 0;
        for (double width : {kMinWidthMm, 100.0, kMaxWidthMm})
            for (int dpi : {kMinDpi, 2400, kMaxDpi})
                for (double margin : {0.0, kMaxMarginMm})
                    for (bool colour : {false, true})
                        for (Format format : {Format::Png, Format::Tiff, Format::Bmp, Format::Pdf, Format::Svg}) {
                            Settings settings;
                            settings.widthMm = width;
                            settings.dpi = dpi;
                            settings.marginMm = margin;
                            settings.colour = colour;
                            settings.format = format;
                            QString error;
                            const QString row = QStringLiteral("%1 mm, %2 dpi, margin %3, %4, %5")
                                                    .arg(width)
                                                    .arg(dpi)
                                                    .arg(margin)
                                                    .arg(colour ? QStringLiteral("colour") : QStringLiteral("1-bit"),
                                                         formatSuffix(format));
                            if (withinLimits(imprint, settings, error)) {
                                QVERIFY2(peakBytes(imprint, settings) <= kMaxExportBytes, qPrintable(row));
                            } else {
                                ++refused;
                                QVERIFY2(error.contains(QStringLiteral("4 ГБ")), qPrintable(row + QStringLiteral(": ") + error));
                                QCOMPARE(format, Format::Bmp);
                            }
                        }
        // Only colour BMP files of the largest pages: their header holds the
        // size in 32 bits.
        QVERIFY(refused > 0);
    }

    // A page beyond a limit is refused before a file is made, and the
    // reason names the limit.
    void limitsAreRefusedBeforeWriting_data() {
        QTest::addColumn<StampDesigns>("designs");
        QTest::addColumn<double>("widthMm");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("limit");
        StampDesigns designs;
        designs.round.rings[2].radius = 1;
        designs.round.rings[1].enabled = false;
        designs.round.rings[0].enabled = false;
        // The ring is 3 across, the ink 198: a 500 mm ring makes a 33 m page.
        QTest::newRow("page beyond 5 m") << designs << 500.0 << int(Format::Pdf) << QStringLiteral("5 м");
        QTest::newRow("picture beyond its pixels") << designs << 60.0 << int(Format::Png) << QStringLiteral("млн точек");
        QTest::newRow("BMP beyond 4 GB") << StampDesigns{} << 400.0 << int(Format::Bmp) << QStringLiteral("4 ГБ");
    }

    void limitsAreRefusedBeforeWriting() {
        QFETCH(StampDesigns, designs);
        QFETCH(double, widthMm);
        QFETCH(int, format);
        QFETCH(QString, limit);
        const Imprint imprint = makeImprint(designs, StampKind::Round);
        Settings settings;
        settings.widthMm = widthMm;
        settings.format = Format(format);
        settings.dpi = kMaxDpi;
        settings.colour = true;
        QString error;
        QVERIFY(!withinLimits(imprint, settings, error));
        QVERIFY2(error.contains(limit), qPrintable(error));
        const QString path = dir.filePath(QStringLiteral("refused.") + formatSuffix(settings.format));
        QString written;
        QVERIFY(!exportFile(imprint, settings, path, written));
        QCOMPARE(written, error);
        QVERIFY(!QFile::exists(path));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).filter(QStringLiteral("refused")), QStringList());
    }

    // A picture too large to be made whole goes to the file row by row:
    // the file holds what the whole picture would.
    void largeFileIsWrittenByRows() {
        Settings settings;
        settings.format = Format::Tiff;
        settings.colour = true;
        settings.dpi = 600;
        settings.widthMm = 150;  // 3700 x 3700 pixels, 52 MB in colour
        const Imprint imprint = makeImprint(heavy(), StampKind::Round);
        PageLayout layout;
        QString error;
        QVERIFY(layOutPage(imprint, settings, layout, error));
        QVERIFY(std::int64_t(layout.width) * layout.height * 4 > kWholePictureBytes);
        const QString path = dir.filePath(QStringLiteral("large.tif"));
        QVERIFY2(exportFile(imprint, settings, path, error), qPrintable(error));
        QImageReader reader(path);
        const QImage written = reader.read();
        QVERIFY2(!written.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(written.size(), QSize(layout.width, layout.height));
        QCOMPARE(std::lround(written.dotsPerMeterX() * 0.0254), 600L);
        const QImage whole = decode(encode(imprint, settings, error, Writing::Whole));
        QCOMPARE(written.convertToFormat(QImage::Format_RGB32), whole.convertToFormat(QImage::Format_RGB32));
    }

    // The traced emblem, PDF or SVG drawn back at 1200 dpi, lies on the
    // raster export: a picture finer than the output shares 97 % of the ink;
    // a coarse one (a pixel a fifth of a millimetre) parts by its staircase's
    // corners, the more the thinner the line.
    void tracedEmblemAgreesWithRaster_data() {
        QTest::addColumn<QString>("emblem");
        QTest::addColumn<int>("side");
        QTest::addColumn<int>("format");
        QTest::addColumn<bool>("merge");
        QTest::addColumn<double>("least");  // of the ink, shared
        QTest::newRow("fine curves, PDF") << QStringLiteral("curves") << 1500 << int(Format::Pdf) << false << 0.97;
        QTest::newRow("fine thin lines, SVG merged")
            << QStringLiteral("thin lines") << 1500 << int(Format::Svg) << true << 0.97;
        QTest::newRow("fine letters, PDF merged") << QStringLiteral("letters") << 1500 << int(Format::Pdf) << true << 0.97;
        QTest::newRow("curves, PDF") << QStringLiteral("curves") << 150 << int(Format::Pdf) << false << 0.94;
        QTest::newRow("thin lines, PDF merged") << QStringLiteral("thin lines") << 150 << int(Format::Pdf) << true << 0.85;
        QTest::newRow("letters, SVG") << QStringLiteral("letters") << 150 << int(Format::Svg) << false << 0.94;
    }

    void tracedEmblemAgreesWithRaster() {
        QFETCH(QString, emblem);
        QFETCH(int, side);
        QFETCH(int, format);
        QFETCH(bool, merge);
        QFETCH(double, least);
        const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
        if (Format(format) == Format::Pdf && pdftoppm.isEmpty())
            QSKIP("pdftoppm (poppler-utils) is not installed");
        const bool fine = side > 198;
        const QString path = dir.filePath(emblem + (fine ? QStringLiteral(".png") : QStringLiteral(".bmp")));
        QVERIFY(drawnEmblem(emblem, side).save(path, fine ? "PNG" : "BMP"));
        StampDesigns designs = ringAndEmblem(path, fine ? 59 : 24, fine ? 59 : 24);
        if (fine) {
            designs.round.emblem.file = path;
            designs.round.emblem.width = 80;
        }
        const Imprint imprint = makeImprint(designs, StampKind::Round);
        const auto traced = std::find_if(imprint.ops.begin(), imprint.ops.end(), [](const InkOp& op) { return op.picture; });
        QVERIFY(traced != imprint.ops.end());
        QCOMPARE(traced->picture->window.width(), side);
        Settings settings;
        settings.dpi = 1200;
        settings.mergeOutlines = merge;
        // A page of a whole number of points, in threes, lies pixel for pixel.
        const double across = imprintSizeMm(imprint, settings.widthMm).width();
        const double points = 3 * std::ceil((across / 25.4 * 72 + 6) / 3);
        settings.marginMm = (points / 72 * 25.4 - across) / 2;
        QString error;
        settings.format = Format::Png;
        const QImage raster = decode(encode(imprint, settings, error));
        QVERIFY2(!raster.isNull(), qPrintable(error));

        settings.format = Format(format);
        const QByteArray bytes = encode(imprint, settings, error);
        QVERIFY2(!bytes.isEmpty(), qPrintable(error));
        QImage drawn;
        if (settings.format == Format::Pdf) {
            const QString pdf = dir.filePath(QStringLiteral("traced.pdf"));
            QVERIFY(writeFile(pdf, bytes));
            QProcess run;
            run.start(pdftoppm, {QStringLiteral("-r"), QStringLiteral("1200"), QStringLiteral("-gray"),
                                 QStringLiteral("-singlefile"), pdf, dir.filePath(QStringLiteral("traced"))});
            QVERIFY(run.waitForFinished(60000));
            QCOMPARE(run.exitCode(), 0);
            drawn = QImage(dir.filePath(QStringLiteral("traced.pgm")));
        } else {
            QVERIFY(QSvgRenderer(bytes).isValid());
            drawn = drawnSvg(bytes, imprint, settings, raster.size());
        }
        QCOMPARE(drawn.size(), raster.size());
        // The emblem's ink only, inside the ring.
        const QRectF inside =
            pageTransform(imprint, settings).mapRect(QRectF(99 - 80, 99 - 80, 160, 160));
        const QRect crop = QRectF(inside.topLeft() * (settings.dpi / 25.4), inside.size() * (settings.dpi / 25.4))
                               .toAlignedRect();
        const QImage a = raster.copy(crop).convertToFormat(QImage::Format_RGB32);
        const QImage b = drawn.copy(crop).convertToFormat(QImage::Format_RGB32);
        int ink = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                ink += dark(a.pixel(x, y));
        QVERIFY2(ink > 20000, qPrintable(QString::number(ink)));
        const double shared = overlap(a, b);
        QVERIFY2(shared >= least, qPrintable(QString::number(shared)));
    }

    // A picture is traced once: the same pixels anywhere, in any file, reuse it.
    void traceIsKept_data() {
        QTest::addColumn<QString>("second");
        QTest::addColumn<int>("traced");
        QTest::addColumn<int>("reused");
        QTest::newRow("the design drawn afresh") << QStringLiteral("afresh") << 1 << 1;
        QTest::newRow("SVG after PDF") << QStringLiteral("svg") << 1 << 1;
        QTest::newRow("the emblem moved") << QStringLiteral("moved") << 1 << 1;
        QTest::newRow("another emblem") << QStringLiteral("other") << 2 << 0;
    }

    void traceIsKept() {
        QFETCH(QString, second);
        QFETCH(int, traced);
        QFETCH(int, reused);
        const QString letters = dir.filePath(QStringLiteral("kept letters.bmp"));
        QVERIFY(drawnEmblem(QStringLiteral("letters")).save(letters, "BMP"));
        const StampDesigns designs = ringAndEmblem(letters, 24, 24);
        const Imprint imprint = makeImprint(designs, StampKind::Round);
        Settings settings;
        settings.format = Format::Pdf;
        QString error;
        clearTraces();
        QVERIFY2(!encode(imprint, settings, error).isEmpty(), qPrintable(error));
        QCOMPARE(traceCount().traced, 1);
        QCOMPARE(traceCount().reused, 0);
        if (second == QLatin1String("svg"))
            settings.format = Format::Svg;
        const StampDesigns next = second == QLatin1String("moved")   ? ringAndEmblem(letters, 30, 20)
                                  : second == QLatin1String("other") ? ringAndEmblem(crest, 0, 0)
                                                                     : designs;
        QVERIFY(!encode(second == QLatin1String("svg") ? imprint : makeImprint(next, StampKind::Round), settings, error)
                     .isEmpty());
        QCOMPARE(traceCount().traced, traced);
        QCOMPARE(traceCount().reused, reused);
    }

    // No more traces are kept than the limit: the one used longest ago goes.
    void keptTracesAreBounded() {
        clearTraces();
        std::vector<QImage> pictures;
        for (int i = 0; i <= kKeptTraces; ++i) {
            QImage picture(40, 40, QImage::Format_RGB32);
            picture.fill(Qt::white);
            QPainter(&picture).fillRect(2 + i, 3, 9, 20 + i, Qt::black);
            pictures.push_back(picture);
        }
        const auto trace = [](const QImage& picture) {
            return tracedPicture(PictureInk{picture, qRgb(0, 0, 0), picture.rect(), QPoint(10, 10)});
        };
        for (const QImage& picture : pictures)
            QVERIFY(trace(picture));
        QCOMPARE(traceCount().traced, kKeptTraces + 1);
        QVERIFY(trace(pictures.back()));
        QCOMPARE(traceCount().reused, 1);
        QVERIFY(trace(pictures.front()));
        QCOMPARE(traceCount().traced, kKeptTraces + 2);
    }

    // Tracing keeps the pixels' place (rows down, leftmost pixel in a word's
    // highest bit), holes, and the ink's area.
    void traceFollowsThePixels_data() {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QList<QPointF>>("inside");
        QTest::addColumn<QList<QPointF>>("outside");
        QTest::addColumn<int>("edges");  // -1: not counted here
        QTest::newRow("one pixel in the corner")
            << QStringLiteral("corner") << QList<QPointF>{{0.5, 0.5}} << QList<QPointF>{{2.5, 2.5}, {0.5, 2.5}} << 4;
        QTest::newRow("a bar across two words")
            << QStringLiteral("bar") << QList<QPointF>{{60.5, 10.5}, {63.5, 2.5}, {64.5, 20.5}, {69.5, 11.5}}
            << QList<QPointF>{{58, 10.5}, {73, 10.5}, {65, 0.5}, {65, 23.5}} << 2 * (11 + 20);
        QTest::newRow("a disc") << QStringLiteral("disc") << QList<QPointF>{{40, 40}, {40, 12}, {68, 40}}
                                << QList<QPointF>{{5, 5}, {75, 75}, {40, 8}} << -1;
        QTest::newRow("a ring with an island")
            << QStringLiteral("ring") << QList<QPointF>{{40, 40}, {40 + 27.5, 40}, {40, 40 - 27.5}}
            << QList<QPointF>{{40 + 14, 40}, {40, 40 + 14}, {2, 2}} << -1;
    }

    void traceFollowsThePixels() {
        QFETCH(QString, shape);
        QFETCH(QList<QPointF>, inside);
        QFETCH(QList<QPointF>, outside);
        QFETCH(int, edges);
        QImage picture(shape == QLatin1String("bar") ? 130 : 80, 80, QImage::Format_RGB32);
        picture.fill(Qt::white);
        QPainter p(&picture);
        p.setPen(Qt::NoPen);
        const bool ring = shape == QLatin1String("ring");
        if (shape == QLatin1String("corner"))
            p.fillRect(0, 0, 1, 1, Qt::black);
        else if (shape == QLatin1String("bar"))
            p.fillRect(60, 2, 11, 20, Qt::black);
        else
            for (const int r : {ring ? 35 : 30, ring ? 20 : 0, ring ? 8 : 0}) {
                p.setBrush(r == 20 ? Qt::white : Qt::black);
                p.drawEllipse(QPointF(40, 40), r, r);
            }
        p.end();
        const InkMask mask = InkMask::ofTone(picture, qRgb(0, 0, 0), picture.rect());
        int pixels = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                QCOMPARE(mask.ink(x, y), picture.pixel(x, y) == qRgb(0, 0, 0));
                pixels += mask.ink(x, y);
            }
        if (edges >= 0)
            QCOMPARE(mask.edges(), std::int64_t(edges));
        const std::optional<PictureOutline> outline = traceMask(mask);
        QVERIFY(outline);
        QPainterPath traced;
        traced.setFillRule(Qt::WindingFill);
        for (const QPainterPath& piece : outline->pieces)
            traced.addPath(piece);
        for (const QPointF& point : inside + outside)
            QVERIFY2(traced.contains(point) == inside.contains(point),
                     qPrintable(QStringLiteral("%1, %2").arg(point.x()).arg(point.y())));
        // The area, drawn 8 times larger, is the pixels' own within a few per cent.
        QImage fill(picture.size() * 8, QImage::Format_Grayscale8);
        fill.fill(0);
        QPainter f(&fill);
        f.setRenderHint(QPainter::Antialiasing, true);
        f.scale(8, 8);
        f.fillPath(traced, Qt::white);
        f.end();
        double area = 0;
        for (int y = 0; y < fill.height(); ++y)
            for (int x = 0; x < fill.width(); ++x)
                area += fill.pixelColor(x, y).valueF();
        area /= 64;
        QVERIFY2(std::abs(area - pixels) <= 0.04 * pixels + 0.3,
                 qPrintable(QStringLiteral("%1 against %2 pixels").arg(area).arg(pixels)));
        // A smooth outline may bulge a little beyond its pixels, never far.
        QVERIFY(QRectF(picture.rect()).adjusted(-1, -1, 1, 1).contains(traced.controlPointRect()));
    }

    // Outlines as long as those of a picture of noise are not traced.
    void noiseIsNotTraced() {
        InkMask mask(1500, 1500);
        for (int y = 0; y < mask.height(); ++y)
            for (int x = y % 2; x < mask.width(); x += 2)
                mask.setInk(x, y);
        QCOMPARE(mask.edges(), std::int64_t(4) * 1500 * 1500 / 2);
        QVERIFY(mask.edges() > kMaxTracedEdges);
        QVERIFY(!traceMask(mask));
    }

    // A bitmap emblem goes into the vector files as curves, no picture. One
    // across the field's edge: its traced ink stays in the field, and merged
    // outlines of one colour do not overlap.
    void tracedEmblemHeldToFieldAndMerged_data() {
        QTest::addColumn<bool>("merge");
        QTest::newRow("outlines") << false;
        QTest::newRow("merged outlines") << true;
    }

    void tracedEmblemHeldToFieldAndMerged() {
        QFETCH(bool, merge);
        StampDesigns designs = testing::nothingEnabled();
        designs.round.emblem = EmblemSettings(true, 24, 24, crest);
        Settings settings;
        settings.mergeOutlines = merge;
        QString error;
        settings.format = Format::Pdf;
        const QByteArray pdf = encode(makeImprint(designs, StampKind::Round), settings, error);
        QVERIFY2(!pdf.isEmpty(), qPrintable(error));
        QVERIFY(!pdf.contains("/Subtype /Image"));
        // Nothing but the emblem is drawn, and its ellipse comes as Bézier curves.
        QVERIFY(pdfContent(pdf).count(" c\n") >= 8);
        settings.format = Format::Svg;
        const QByteArray svg = encode(makeImprint(designs, StampKind::Round), settings, error);
        QVERIFY2(!svg.isEmpty(), qPrintable(error));
        QVERIFY(!svg.contains("<image"));
        QVERIFY(svg.contains("<path"));
        QVERIFY(QString::fromUtf8(svg).count(QRegularExpression(QStringLiteral(" C-?[0-9]"))) >= 8);

        const QString path = dir.filePath(QStringLiteral("edge.bmp"));
        QVERIFY(drawnEmblem(QStringLiteral("curves")).save(path, "BMP"));
        const Imprint imprint = makeImprint(ringAndEmblem(path, 110, 60), StampKind::Round);
        const std::vector<InkShape> shapes = resolveInk(imprint.ops, merge, tracedPicture);
        QVERIFY(!shapes.empty());
        for (const InkShape& shape : shapes) {
            const QRectF box = shape.path.controlPointRect().adjusted(-shape.width / 2, -shape.width / 2,
                                                                      shape.width / 2, shape.width / 2);
            QVERIFY2(kField.contains(box), qPrintable(QStringLiteral("%1 %2 %3 %4")
                                                          .arg(box.left()).arg(box.top()).arg(box.right()).arg(box.bottom())));
        }
        if (!merge)
            return;
        for (const InkShape& shape : shapes)
            QVERIFY(!shape.stroked);
        // Merged ink overlaps nowhere and agrees with the pixels' own outlines.
        const QImage counts = coverage(shapes, 4);
        const QImage before = coverage(resolveInk(imprint.ops, merge), 4);
        int ink = 0, twice = 0, both = 0, either = 0;
        for (int y = 0; y < counts.height(); ++y)
            for (int x = 0; x < counts.width(); ++x) {
                const int n = qBlue(counts.pixel(x, y));
                const bool b = qBlue(before.pixel(x, y)) > 0;
                ink += n > 0;
                twice += n > 1;
                both += n > 0 && b;
                either += n > 0 || b;
            }
        QVERIFY(ink > 10000);
        QVERIFY2(twice * 500 <= ink, qPrintable(QStringLiteral("%1 of %2").arg(twice).arg(ink)));
        QVERIFY2(both >= 0.9 * either, qPrintable(QStringLiteral("%1 of %2").arg(both).arg(either)));
    }

    void emptyDesignIsRefused() {
        const Imprint imprint = makeImprint(testing::nothingEnabled(), StampKind::Rect);
        QVERIFY(imprint.empty());
        QString error;
        QVERIFY(encode(imprint, Settings{}, error).isEmpty());
        QVERIFY(!error.isEmpty());
    }
};

QTEST_MAIN(TestOutput)
#include "test_output.moc"
