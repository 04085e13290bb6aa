#include "Export.h"

#include "StampFile.h"

#include <QBuffer>
#include <QFont>
#include <QImageWriter>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>

namespace qg::output {

namespace {

constexpr double kMmPerInch = 25.4;
// SVG files are laid out at this many user units per millimetre.
constexpr int kSvgDpi = 254;

QColor inkColour(const Settings& settings) {
    return settings.negative ? QColor(Qt::white) : QColor(Qt::black);
}

// A 1-bit picture of black ink drawn on white, or on nothing: pixels at
// least half covered are ink.
QImage threshold(const QImage& picture, bool transparentPaper) {
    QImage mono(picture.size(), QImage::Format_Mono);
    mono.setColorCount(2);
    mono.setColor(0, transparentPaper ? qRgba(255, 255, 255, 0) : qRgb(255, 255, 255));
    mono.setColor(1, qRgb(0, 0, 0));
    mono.fill(0);
    const int width = picture.width();
    const int height = picture.height();
    for (int y = 0; y < height; ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        uchar* to = mono.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const int coverage = transparentPaper ? qAlpha(from[x]) : 255 - qBlue(from[x]);
            if (coverage >= 128)
                to[x >> 3] |= static_cast<uchar>(0x80 >> (x & 7));
        }
    }
    return mono;
}

// The bits after the last pixel of each row of a 1-bit picture: a fill
// leaves the bytes after the last pixel as memory had them, a mirror brings
// them in front of it, and the BMP and PNG writers put them in the file.
void clearPadding(QImage& mono) {
    const int width = mono.width();
    const qsizetype used = (width + 7) / 8;
    const qsizetype stride = mono.bytesPerLine();
    for (int y = 0; y < mono.height(); ++y) {
        uchar* line = mono.scanLine(y);
        if (width % 8 != 0)
            line[used - 1] &= static_cast<uchar>(0xFF << (8 - width % 8));
        std::fill(line + used, line + stride, uchar(0));
    }
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

QByteArray encodeRaster(const Imprint& imprint, const Settings& settings, QString& error) {
    const QImage picture = renderRaster(imprint, settings);
    if (picture.isNull()) {
        error = QStringLiteral("не хватает памяти для рисунка такого размера");
        return {};
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QByteArray format = settings.format == Format::Tiff  ? QByteArrayLiteral("tiff")
                              : settings.format == Format::Bmp ? QByteArrayLiteral("bmp")
                                                               : QByteArrayLiteral("png");
    QImageWriter writer(&buffer, format);
    if (settings.format == Format::Tiff)
        writer.setCompression(1);  // LZW
    if (settings.format == Format::Png)
        writer.setQuality(50);  // a tenth of the time of the default, a few per cent larger
    if (!writer.write(picture)) {
        error = writer.errorString();
        return {};
    }
    return bytes;
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
    Imprint imprint;
    imprint.ops = recordInk(designs, static_cast<ActivePage>(kind));
    imprint.box = inkBounds(imprint.ops);
    imprint.span = imprint.box.width();
    if (kind == StampKind::Round) {
        double outer = 0;
        for (const InkOp& op : imprint.ops) {
            if (op.element.kind == ElementKind::Ring && op.circle && !op.paper)
                outer = std::max(outer, 2 * op.radius + op.width);
        }
        if (outer > 0)
            imprint.span = outer;
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
    drawShapes(painter, resolveInk(imprint.ops, settings.mergeOutlines), settings);
}

QImage renderRaster(const Imprint& imprint, const Settings& settings) {
    const double pixelsPerMm = settings.dpi / kMmPerInch;
    const QSizeF size = imprintSizeMm(imprint, settings.widthMm);
    const double margin = settings.marginMm * pixelsPerMm;
    QRectF box(margin, margin, size.width() * pixelsPerMm, size.height() * pixelsPerMm);
    const bool mono = !settings.colour || settings.negative;
    const bool transparent = settings.transparent && settings.format == Format::Png && !settings.negative;
    QSize pixels(std::max(1, static_cast<int>(std::ceil(box.width() + 2 * margin - 1e-6))),
                 std::max(1, static_cast<int>(std::ceil(box.height() + 2 * margin - 1e-6))));
    // Qt's TIFF writer copies a 1-bit picture in pieces and leaves the bits
    // after each row's last pixel as the memory held them, so the same
    // imprint would give different files. A 1-bit TIFF is therefore made a
    // whole number of bytes wide: the margin grows by what that adds, evenly
    // on both sides, and the imprint keeps its size.
    int padLeft = 0;
    if (mono && settings.format == Format::Tiff && pixels.width() % 8 != 0) {
        const int pad = 8 - pixels.width() % 8;
        pixels.rwidth() += pad;
        padLeft = pad / 2;
        box.translate(padLeft, 0);
    }
    QImage picture(pixels,
                   mono && !transparent ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    if (picture.isNull())
        return picture;
    picture.fill(transparent ? Qt::transparent : Qt::white);
    {
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing, true);
        // Drawn unmirrored: the finished picture is mirrored whole.
        Settings unmirrored = settings;
        unmirrored.mirror = false;
        painter.translate(padLeft, 0);
        painter.scale(pixelsPerMm, pixelsPerMm);
        painter.setTransform(pageTransform(imprint, unmirrored), true);
        paintInk(painter, imprint.ops, transparent ? QColor(Qt::transparent) : QColor(Qt::white),
                 mono ? QColor(Qt::black) : QColor());
    }
    QImage result;
    if (mono) {
        result = threshold(picture, transparent);
        if (settings.negative) {
            // Every pixel whose centre lies in the box turns over.
            const int left = static_cast<int>(std::ceil(box.left() - 0.5));
            const int top = static_cast<int>(std::ceil(box.top() - 0.5));
            const int right = std::min(result.width(), static_cast<int>(std::ceil(box.right() - 0.5)));
            const int bottom = std::min(result.height(), static_cast<int>(std::ceil(box.bottom() - 0.5)));
            for (int y = top; y < bottom; ++y) {
                uchar* line = result.scanLine(y);
                for (int x = left; x < right; ++x)
                    line[x >> 3] ^= static_cast<uchar>(0x80 >> (x & 7));
            }
        }
    } else {
        result = picture.convertToFormat(transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    }
    if (settings.mirror)
        result = result.mirrored(true, false);
    if (mono)
        clearPadding(result);
    setResolution(result, settings.dpi);
    return result;
}

QByteArray encode(const Imprint& imprint, const Settings& settings, QString& error) {
    if (imprint.empty()) {
        error = QStringLiteral("в оттиске нет ни одного штриха");
        return {};
    }
    switch (settings.format) {
        case Format::Pdf:
            return encodePdf(imprint, settings, error);
        case Format::Svg:
            return encodeSvg(imprint, settings, error);
        case Format::Png:
        case Format::Tiff:
        case Format::Bmp:
            return encodeRaster(imprint, settings, error);
    }
    return {};
}

bool exportFile(const Imprint& imprint, const Settings& settings, const QString& path, QString& error) {
    const QByteArray bytes = encode(imprint, settings, error);
    if (bytes.isEmpty())
        return false;
    return io::writeWholeFile(path, bytes, error);
}

}  // namespace qg::output
