#include "Designs.h"
#include "Export.h"
#include "Render.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageReader>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
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

struct Kind {
    StampDesigns designs;
    StampKind kind;
};

}  // namespace

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
        const QImage png = decode(encode(imprint, settings, error));
        QVERIFY(!png.isNull());
        QSvgRenderer renderer(svg);
        QVERIFY(renderer.isValid());
        QImage drawn(png.size(), QImage::Format_RGB32);
        drawn.fill(Qt::white);
        QPainter painter(&drawn);
        renderer.render(&painter, QRectF(QPointF(0, 0), page * (settings.dpi / 25.4)));
        painter.end();
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
