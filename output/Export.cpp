#include "Export.h"

#include "PageRaster.h"
#include "Render.h"
#include "RowWriters.h"
#include "StampFile.h"
#include "Trace.h"

#include <QBuffer>
#include <QFont>
#include <QImageWriter>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace qg::output {

namespace {

constexpr double kMmPerInch = 25.4;
// SVG files are laid out at this many user units per millimetre.
constexpr int kSvgDpi = 254;

// The field as a path that the toolkit does not take for a rectangle: its
// general clipping is slower than clipping to a rectangle but leaves no
// empty slivers along the field's edges.
QPainterPath fieldOutline() {
    QPainterPath path;
    path.moveTo(kField.topLeft());
    path.lineTo(kField.center().x(), kField.top());
    path.lineTo(kField.topRight());
    path.lineTo(kField.bottomRight());
    path.lineTo(kField.bottomLeft());
    path.closeSubpath();
    return path;
}

// The box of an op's ink to the last bit of a curve.
QRectF exactBounds(const InkOp& op) {
    const QRectF box = op.path.boundingRect();
    const double half = op.stroked ? op.width / 2 : 0.0;
    return box.adjusted(-half, -half, half, half);
}

// How far a box reaches beyond the field.
double beyondField(const QRectF& box) {
    return std::max({0.0, kField.left() - box.left(), kField.top() - box.top(), box.right() - kField.right(),
                     box.bottom() - kField.bottom()});
}

// The part of a box on the field; a box beyond the field becomes a strip
// one unit wide along the edge it lies beyond.
QRectF heldToField(const QRectF& box) {
    auto side = [](double low, double high, double fieldLow, double fieldHigh) {
        low = std::clamp(low, fieldLow, fieldHigh - 1);
        high = std::clamp(high, low + 1, fieldHigh);
        return std::pair<double, double>{low, high};
    };
    const auto [left, right] = side(box.left(), box.right(), kField.left(), kField.right());
    const auto [top, bottom] = side(box.top(), box.bottom(), kField.top(), kField.bottom());
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

bool isRaster(Format format) {
    return format == Format::Png || format == Format::Tiff || format == Format::Bmp;
}

QColor inkColour(const Settings& settings) {
    return settings.negative ? QColor(Qt::white) : QColor(Qt::black);
}

void setResolution(QImage& image, int dpi) {
    const int perMetre = static_cast<int>(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(perMetre);
    image.setDotsPerMeterY(perMetre);
}

void drawShapes(QPainter& painter, const std::vector<InkShape>& shapes, const Settings& settings) {
    for (const InkShape& shape : shapes) {
        const QColor colour = settings.colour && !settings.negative ? QColor::fromRgb(colourToArgb(shape.color))
                                                                    : inkColour(settings);
        paintInkPath(painter, shape.path, shape.stroked, shape.width, colour);
    }
}

QByteArray writerFormat(Format format) {
    return format == Format::Tiff  ? QByteArrayLiteral("tiff")
           : format == Format::Bmp ? QByteArrayLiteral("bmp")
                                   : QByteArrayLiteral("png");
}

bool writeAll(QIODevice& device, const QByteArray& bytes, QString& error) {
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 n = device.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0) {
            error = device.errorString();
            return false;
        }
        written += n;
    }
    return true;
}

// The finished picture, a band of rows at a time.
QImage drawWhole(const Imprint& imprint, const Settings& settings, const PageLayout& layout) {
    QImage picture(layout.width, layout.height,
                   layout.mono ? QImage::Format_Mono
                               : layout.transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (picture.isNull())
        return picture;
    if (layout.mono) {
        picture.setColorCount(2);
        picture.setColor(0, layout.transparent ? qRgba(255, 255, 255, 0) : qRgb(255, 255, 255));
        picture.setColor(1, qRgb(0, 0, 0));
    }
    BandDrawer drawer(imprint, settings, layout);
    const int rows = bandRows(layout);
    const auto bytes = static_cast<std::size_t>(picture.bytesPerLine());
    for (int top = 0; top < layout.height; top += rows) {
        const int count = std::min(rows, layout.height - top);
        drawer.draw(top, count);
        for (int i = 0; i < count; ++i)
            std::memcpy(picture.scanLine(top + i), drawer.row(i), bytes);
    }
    setResolution(picture, settings.dpi);
    return picture;
}

// The picture's bytes in memory: what a picture made whole takes.
std::int64_t wholeBytes(const PageLayout& layout) {
    const std::int64_t line = layout.mono ? (std::int64_t(layout.width) + 31) / 32 * 4 : std::int64_t(layout.width) * 4;
    return line * layout.height;
}

bool drawnWhole(const PageLayout& layout, Writing writing) {
    return writing == Writing::Whole || (writing == Writing::Auto && wholeBytes(layout) <= kWholePictureBytes);
}

bool writeRaster(QIODevice& device, const Imprint& imprint, const Settings& settings, Writing writing,
                 QString& error) {
    PageLayout layout;
    if (!layOutPage(imprint, settings, layout, error))
        return false;
    if (drawnWhole(layout, writing)) {
        const QImage picture = drawWhole(imprint, settings, layout);
        if (picture.isNull()) {
            error = QStringLiteral("не хватает памяти для рисунка такого размера");
            return false;
        }
        // The toolkit's writers tell a failing device badly (and the PNG
        // writer on the error stream): they write into memory.
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, writerFormat(settings.format));
        if (settings.format == Format::Tiff)
            writer.setCompression(1);  // LZW
        if (settings.format == Format::Png)
            writer.setQuality(50);  // a tenth of the time of the default, a few per cent larger
        if (!writer.write(picture)) {
            error = writer.errorString();
            return false;
        }
        return writeAll(device, bytes, error);
    }
    // Row by row, as the bands are drawn.
    const std::unique_ptr<RowWriter> out = makeRowWriter(settings.format, device, layout, settings.dpi);
    if (!out || !out->begin(error))
        return false;
    BandDrawer drawer(imprint, settings, layout);
    const int rows = bandRows(layout);
    const int bands = (layout.height + rows - 1) / rows;
    for (int k = 0; k < bands; ++k) {
        const int band = out->bottomUp() ? bands - 1 - k : k;
        const int top = band * rows;
        const int count = std::min(rows, layout.height - top);
        drawer.draw(top, count);
        for (int i = 0; i < count; ++i) {
            if (!out->writeRow(drawer.row(out->bottomUp() ? count - 1 - i : i), error))
                return false;
        }
    }
    return out->finish(error);
}

// Elements of a path, roughly what drawing and writing it holds.
std::int64_t pathBytes(const std::vector<InkOp>& ops) {
    std::int64_t elements = 0;
    for (const InkOp& op : ops)
        elements += op.path.elementCount() + 8;
    return elements * std::int64_t(sizeof(QPainterPath::Element));
}

QByteArray encodePdf(const Imprint& imprint, const Settings& settings, QString& error) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        // A PDF page is whole points: the margin grows by what that adds,
        // evenly on both sides, and the imprint keeps its size.
        const QSizeF page = pageSizeMm(imprint, settings);
        const QSizeF points(std::ceil(page.width() / kMmPerInch * 72 - 1e-6), std::ceil(page.height() / kMmPerInch * 72 - 1e-6));
        const QPointF extra((points.width() * kMmPerInch / 72 - page.width()) / 2,
                            (points.height() * kMmPerInch / 72 - page.height()) / 2);
        pdf.setPageSize(QPageSize(points, QPageSize::Point, QString(), QPageSize::ExactMatch));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        pdf.setResolution(1200);
        pdf.setCreator(QStringLiteral("Quillgraver"));
        pdf.setTitle(QStringLiteral("Оттиск"));
        QPainter painter;
        if (!painter.begin(&pdf)) {
            error = QStringLiteral("не удалось начать PDF");
            return {};
        }
        painter.setRenderHint(QPainter::Antialiasing, true);
        const double unitsPerMm = pdf.resolution() / kMmPerInch;
        painter.scale(unitsPerMm, unitsPerMm);
        painter.translate(extra);
        paintPage(painter, imprint, settings);
        painter.end();
    }
    return bytes;
}

QByteArray encodeSvg(const Imprint& imprint, const Settings& settings, QString& error) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QSizeF page = pageSizeMm(imprint, settings);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setResolution(kSvgDpi);
    svg.setSize(QSize(static_cast<int>(std::ceil(page.width() * kSvgDpi / kMmPerInch)),
                      static_cast<int>(std::ceil(page.height() * kSvgDpi / kMmPerInch))));
    svg.setViewBox(QRectF(QPointF(0, 0), page));
    svg.setTitle(QStringLiteral("Оттиск"));
    svg.setDescription(QStringLiteral("Quillgraver"));
    QPainter painter;
    if (!painter.begin(&svg)) {
        error = QStringLiteral("не удалось начать SVG");
        return {};
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    // The generator writes the painter's font into every group; one of its
    // own keeps the file the same whatever the application's font.
    painter.setFont(QFont(QStringLiteral("sans-serif"), 10));
    paintPage(painter, imprint, settings);
    painter.end();
    // The generator gives the size in its own pixels; a stamp maker wants
    // millimetres.
    const QByteArray sized = QStringLiteral("width=\"%1mm\" height=\"%2mm\"")
                                 .arg(page.width(), 0, 'f', 3)
                                 .arg(page.height(), 0, 'f', 3)
                                 .toUtf8();
    const qsizetype at = bytes.indexOf("<svg");
    const qsizetype widthAt = bytes.indexOf(" width=\"", at);
    const qsizetype heightEnd = bytes.indexOf('"', bytes.indexOf(" height=\"", at) + 9);
    if (at >= 0 && widthAt > at && heightEnd > widthAt)
        bytes.replace(widthAt + 1, heightEnd - widthAt, sized);
    return bytes;
}

}  // namespace

std::optional<Format> formatFromName(QStringView name) {
    const QString lower = name.toString().toLower();
    if (lower == QLatin1String("png"))
        return Format::Png;
    if (lower == QLatin1String("tif") || lower == QLatin1String("tiff"))
        return Format::Tiff;
    if (lower == QLatin1String("pdf"))
        return Format::Pdf;
    if (lower == QLatin1String("svg"))
        return Format::Svg;
    if (lower == QLatin1String("bmp"))
        return Format::Bmp;
    return std::nullopt;
}

std::optional<Format> formatFromFileName(const QString& fileName) {
    const QString extension = io::fileExtension(fileName);
    if (extension.size() < 2)
        return std::nullopt;
    return formatFromName(QStringView(extension).mid(1));
}

QString formatSuffix(Format format) {
    switch (format) {
        case Format::Png:
            return QStringLiteral("png");
        case Format::Tiff:
            return QStringLiteral("tif");
        case Format::Pdf:
            return QStringLiteral("pdf");
        case Format::Svg:
            return QStringLiteral("svg");
        case Format::Bmp:
            return QStringLiteral("bmp");
    }
    return QString();
}

double defaultWidthMm(StampKind kind) {
    switch (kind) {
        case StampKind::Round:
            return 40;
        case StampKind::Triangle:
            return 45;
        case StampKind::Rect:
            return 58;
    }
    return 40;
}

Imprint makeImprint(const StampDesigns& designs, StampKind kind) {
    const auto page = static_cast<ActivePage>(kind);
    InkSurface surface(backgroundColour(designs, page));
    ClearStamp(surface, designs, page);
    PaintStamp(surface, designs, page);
    std::vector<InkOp> ops = surface.takeOps();

    Imprint imprint;
    auto cut = [&](ElementTag element, const QRectF& bounds) {
        const double beyond = beyondField(bounds);
        if (!(beyond > 0))
            return;
        const QRectF place = heldToField(bounds);
        for (FieldCut& known : imprint.cuts) {
            if (known.element == element) {
                known.beyond = std::max(known.beyond, beyond);
                known.place = known.place.united(place);
                return;
            }
        }
        imprint.cuts.push_back(FieldCut{element, beyond, place});
    };
    for (const InkSurface::LeftOut& left : surface.leftOut())
        cut(left.element, left.box);

    // The element whose width the width in millimetres gives.
    const ElementKind measured = kind == StampKind::Round      ? ElementKind::Ring
                                 : kind == StampKind::Triangle ? ElementKind::Frame
                                                               : ElementKind::Contour;
    QPainterPath fieldRect;
    fieldRect.addRect(kField);
    const QPainterPath field = fieldOutline();
    double span = 0;
    QRectF box;
    std::vector<InkOp> kept;
    kept.reserve(ops.size());
    for (InkOp& op : ops) {
        const QRectF bounds = op.bounds();
        // A round seal's ring counts when it is drawn as a circle, not as a dot.
        const bool measures = !op.paper && op.element.kind == measured && (kind != StampKind::Round || op.circle);
        QRectF shown = bounds;
        if (!kField.contains(bounds)) {
            if (!op.paper)
                cut(op.element, exactBounds(op));
            if (!bounds.intersects(kField))
                continue;
            QPainterPath area = op.area();
            area.setFillRule(Qt::WindingFill);
            QPainterPath inside = area.intersected(fieldRect);
            if (inside.isEmpty())
                continue;
            if (!op.paper) {
                // Clipped to a rectangle, the outline of a stroke keeps slivers
                // along the field's edges where its two sides cancel; the
                // general clipping leaves none. A filled area's outline does
                // not go back on itself that way.
                shown = (op.stroked ? area.intersected(field) : inside).boundingRect() & kField;
                if (shown.isEmpty())
                    continue;
            }
            op.path = std::move(inside);
            op.stroked = false;
            op.width = 0;
            op.circle = false;
            op.radius = 0;
        }
        if (!op.paper) {
            box = box.isNull() ? shown : box.united(shown);
            if (measures)
                span = std::max(span, shown.width());
        }
        kept.push_back(std::move(op));
    }
    imprint.ops = std::move(kept);
    imprint.box = box;
    if (!box.isEmpty()) {
        // Never less than a preview pixel: the page stays within 198 times
        // the width.
        imprint.span = std::max(span > 0 ? span : box.width(), 1.0);
    }
    return imprint;
}

double mmPerUnit(const Imprint& imprint, double widthMm) {
    return imprint.span > 0 ? widthMm / imprint.span : 0;
}

QSizeF imprintSizeMm(const Imprint& imprint, double widthMm) {
    const double k = mmPerUnit(imprint, widthMm);
    return QSizeF(imprint.box.width() * k, imprint.box.height() * k);
}

QSizeF pageSizeMm(const Imprint& imprint, const Settings& settings) {
    const QSizeF size = imprintSizeMm(imprint, settings.widthMm);
    return QSizeF(size.width() + 2 * settings.marginMm, size.height() + 2 * settings.marginMm);
}

QTransform pageTransform(const Imprint& imprint, const Settings& settings) {
    const double k = mmPerUnit(imprint, settings.widthMm);
    const double m = settings.marginMm;
    if (settings.mirror) {
        // x' = m + (right - x) k
        return QTransform(-k, 0, 0, k, m + imprint.box.right() * k, m - imprint.box.top() * k);
    }
    return QTransform(k, 0, 0, k, m - imprint.box.left() * k, m - imprint.box.top() * k);
}

QRectF boxOnPage(const Imprint& imprint, const Settings& settings) {
    return QRectF(QPointF(settings.marginMm, settings.marginMm), imprintSizeMm(imprint, settings.widthMm));
}

void paintPage(QPainter& painter, const Imprint& imprint, const Settings& settings) {
    if (settings.negative)
        painter.fillRect(boxOnPage(imprint, settings), Qt::black);
    painter.setTransform(pageTransform(imprint, settings), true);
    // A picture's pixels go in as smooth outlines traced from them.
    drawShapes(painter, resolveInk(imprint.ops, settings.mergeOutlines, tracedPicture), settings);
}

QImage renderRaster(const Imprint& imprint, const Settings& settings) {
    PageLayout layout;
    QString error;
    if (!layOutPage(imprint, settings, layout, error) || wholeBytes(layout) > kWholePictureBytes)
        return QImage();
    return drawWhole(imprint, settings, layout);
}

bool withinLimits(const Imprint& imprint, const Settings& settings, QString& error) {
    if (imprint.empty()) {
        error = QStringLiteral("в оттиске нет ни одного штриха");
        return false;
    }
    const QSizeF page = pageSizeMm(imprint, settings);
    if (!(page.width() <= kMaxPageMm && page.height() <= kMaxPageMm)) {
        error = QStringLiteral("страница такого размера (%1 x %2 мм) больше %3 м: уменьшите ширину")
                    .arg(page.width(), 0, 'f', 0)
                    .arg(page.height(), 0, 'f', 0)
                    .arg(kMaxPageMm / 1000, 0, 'f', 0);
        return false;
    }
    if (isRaster(settings.format)) {
        PageLayout layout;
        if (!layOutPage(imprint, settings, layout, error) || !formatHolds(settings.format, layout, error))
            return false;
    }
    if (peakBytes(imprint, settings) > kMaxExportBytes) {
        error = QStringLiteral("рисунок такого размера займёт больше %1 МБ: уменьшите ширину или разрешение")
                    .arg(kMaxExportBytes >> 20);
        return false;
    }
    return true;
}

std::int64_t peakBytes(const Imprint& imprint, const Settings& settings) {
    // The ink and what is worked out from it for drawing: its outlines
    // (strokes turned into areas, cut by later paper, pictures traced) for
    // the vector files.
    const std::int64_t ink = pathBytes(imprint.ops);
    if (!isRaster(settings.format))
        return (std::int64_t(8) << 20) + ink * (settings.mergeOutlines ? 24 : 8) + tracingBytes(imprint.ops);
    PageLayout layout;
    QString error;
    if (!layOutPage(imprint, settings, layout, error))
        return 0;
    const std::int64_t drawing = ink * 2 + bandBytes(layout);
    if (!drawnWhole(layout, Writing::Auto))
        return drawing + rowWriterBytes(layout);
    // The picture, the writer's copy of a piece of it at a time, and the
    // file in memory, which may be as large as the picture.
    return drawing + 2 * wholeBytes(layout) + wholeBytes(layout) / 4 + (std::int64_t(4) << 20);
}

bool writePage(QIODevice& device, const Imprint& imprint, const Settings& settings, QString& error,
               Writing writing) {
    if (!withinLimits(imprint, settings, error))
        return false;
    if (isRaster(settings.format))
        return writeRaster(device, imprint, settings, writing, error);
    const QByteArray bytes =
        settings.format == Format::Pdf ? encodePdf(imprint, settings, error) : encodeSvg(imprint, settings, error);
    if (bytes.isEmpty())
        return false;
    return writeAll(device, bytes, error);
}

QByteArray encode(const Imprint& imprint, const Settings& settings, QString& error, Writing writing) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!writePage(buffer, imprint, settings, error, writing))
        return {};
    buffer.close();
    return bytes;
}

bool exportFile(const Imprint& imprint, const Settings& settings, const QString& path, QString& error) {
    // Nothing is drawn, and no file made, for what cannot be done.
    if (!withinLimits(imprint, settings, error))
        return false;
    return io::writeWholeFileFrom(
        path, [&](QIODevice& device, QString& reason) { return writePage(device, imprint, settings, reason); },
        error);
}

}  // namespace qg::output
