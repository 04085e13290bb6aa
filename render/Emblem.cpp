#include "Emblem.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QMutex>
#include <QMutexLocker>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPathStroker>
#include <QSvgRenderer>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <list>
#include <utility>

namespace qg {

QImage twoToneEmblem(const QImage& picture, TColor background) {
    if (picture.isNull())
        return QImage();
    const std::uint32_t paper = colourToArgb(background);
    const std::uint32_t ink = colourToArgb(kWindowTextColour);
    const std::uint32_t paperRgb = paper & 0x00FFFFFFu;
    QImage result(picture.size(), QImage::Format_RGB32);
    if (result.isNull())
        return result;
    const QImage::Format format = picture.format();
    if (format == QImage::Format_Mono || format == QImage::Format_MonoLSB || format == QImage::Format_Indexed8) {
        // A bitmap with a palette (1, 4 and 8 bits a pixel): each entry's
        // tone once, then a look-up a pixel. An index past the palette
        // counts as transparent black, as a conversion of the whole
        // picture would take it.
        std::uint32_t tones[256];
        const QList<QRgb> table = picture.colorTable();
        for (int i = 0; i < 256; ++i) {
            const QRgb colour = i < table.size() ? table[i] : 0u;
            tones[i] = (colour & 0x00FFFFFFu) == paperRgb ? paper : ink;
        }
        const int width = picture.width();
        for (int y = 0; y < picture.height(); ++y) {
            const uchar* from = picture.constScanLine(y);
            auto* to = reinterpret_cast<std::uint32_t*>(result.scanLine(y));
            if (format == QImage::Format_Indexed8) {
                for (int x = 0; x < width; ++x)
                    to[x] = tones[from[x]];
            } else if (format == QImage::Format_Mono) {
                for (int x = 0; x < width; ++x)
                    to[x] = tones[(from[x >> 3] >> (7 - (x & 7))) & 1];
            } else {
                for (int x = 0; x < width; ++x)
                    to[x] = tones[(from[x >> 3] >> (x & 7)) & 1];
            }
        }
        return result;
    }
    const QImage source = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < source.height(); ++y) {
        const auto* from = reinterpret_cast<const std::uint32_t*>(source.constScanLine(y));
        auto* to = reinterpret_cast<std::uint32_t*>(result.scanLine(y));
        for (int x = 0; x < source.width(); ++x)
            to[x] = (from[x] & 0x00FFFFFFu) == paperRgb ? paper : ink;
    }
    return result;
}

// ---- Reading pictures ----

struct DecodedEmblem {
    bool vector = false;
    // Pixels of a raster picture, or the size an SVG gives itself.
    QSizeF natural;
    // A raster picture as read; a Windows bitmap is kept as it is, any
    // other picture with transparency keeps it, to be laid on the seal's
    // background.
    QImage picture;
    bool bitmap = false;
    // A vector picture's filled areas in its own units, in the order they
    // are painted, each with its colour.
    struct Shape {
        QPainterPath path;
        QRgb colour = 0;
    };
    std::vector<Shape> shapes;
};

namespace {

// Only a Windows bitmap is accepted, whatever the content looks like.
void openAsBitmap(QImageReader& reader, const QString& path) {
    reader.setFileName(path);
    reader.setFormat("bmp");
    reader.setAutoDetectImageFormat(false);
}

bool tooLarge(const QSizeF& declared) {
    return declared.width() > kMaxEmblemSide || declared.height() > kMaxEmblemSide;
}

bool isSvgName(const QString& name) {
    const QString lower = name.toLower();
    return lower.endsWith(u".svg") || lower.endsWith(u".svgz");
}

// Whether the bytes begin as an SVG document does (after blanks, a byte
// order mark, an XML declaration or comments), or as a gzip stream of one.
bool looksLikeSvg(const QByteArray& head) {
    if (head.startsWith("\x1f\x8b"))
        return true;
    QByteArray text = head;
    if (text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3);
    text = text.trimmed();
    return text.startsWith("<?xml") || text.startsWith("<svg") || text.startsWith("<!--") ||
           text.startsWith("<!DOCTYPE svg");
}

// The raster formats an emblem of any kind may have.
bool isEmblemRasterFormat(const QByteArray& format) {
    return format == "png" || format == "jpeg" || format == "jpg" || format == "bmp";
}

// A device whose painting is kept as the filled areas it paints, in device
// coordinates: strokes become their outlines, texts their glyphs' outlines.
// Pictures inside a vector picture are passed over.
class ShapeEngine : public QPaintEngine {
public:
    explicit ShapeEngine(std::vector<DecodedEmblem::Shape>& shapes)
        : QPaintEngine(QPaintEngine::AllFeatures), shapes_(shapes) {}

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState& state) override {
        const QPaintEngine::DirtyFlags dirty = state.state();
        if (dirty & DirtyTransform)
            transform_ = state.transform();
        if (dirty & DirtyBrush)
            brush_ = state.brush();
        if (dirty & DirtyPen)
            pen_ = state.pen();
        if (dirty & DirtyOpacity)
            opacity_ = state.opacity();
        if (dirty & DirtyClipEnabled)
            clipEnabled_ = state.isClipEnabled();
        if (dirty & DirtyClipPath)
            setClip(transform_.map(state.clipPath()), state.clipOperation());
        if (dirty & DirtyClipRegion) {
            QPainterPath region;
            region.addRegion(state.clipRegion());
            setClip(transform_.map(region), state.clipOperation());
        }
    }

    void drawPath(const QPainterPath& path) override {
        if (brush_.style() != Qt::NoBrush)
            add(path, brushColour(brush_));
        if (pen_.style() != Qt::NoPen) {
            QPainterPathStroker stroker(pen_);
            if (pen_.widthF() <= 0)
                stroker.setWidth(1);
            QPainterPath outline = stroker.createStroke(path);
            outline.setFillRule(Qt::WindingFill);
            add(outline, brushColour(pen_.brush()));
        }
    }

    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        if (count < 2)
            return;
        QPainterPath path;
        path.setFillRule(mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill);
        path.moveTo(points[0]);
        for (int i = 1; i < count; ++i)
            path.lineTo(points[i]);
        if (mode == PolylineMode) {
            const QBrush brush = brush_;
            brush_ = Qt::NoBrush;
            drawPath(path);
            brush_ = brush;
            return;
        }
        path.closeSubpath();
        drawPath(path);
    }

    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {}

private:
    // A gradient or a pattern counts as the mean of its colours.
    QRgb brushColour(const QBrush& brush) const {
        QColor colour = brush.color();
        if (const QGradient* gradient = brush.gradient(); gradient && !gradient->stops().isEmpty()) {
            double r = 0, g = 0, b = 0, a = 0;
            for (const QGradientStop& stop : gradient->stops()) {
                r += stop.second.redF();
                g += stop.second.greenF();
                b += stop.second.blueF();
                a += stop.second.alphaF();
            }
            const double n = static_cast<double>(gradient->stops().size());
            colour = QColor::fromRgbF(static_cast<float>(r / n), static_cast<float>(g / n), static_cast<float>(b / n),
                                      static_cast<float>(a / n));
        }
        colour.setAlphaF(static_cast<float>(colour.alphaF() * opacity_));
        return colour.rgba();
    }

    void setClip(const QPainterPath& path, Qt::ClipOperation operation) {
        switch (operation) {
            case Qt::NoClip:
                clipEnabled_ = false;
                clip_ = QPainterPath();
                return;
            case Qt::ReplaceClip:
                clip_ = path;
                break;
            case Qt::IntersectClip:
                clip_ = clipEnabled_ ? clip_.intersected(path) : path;
                break;
        }
        clipEnabled_ = true;
    }

    void add(const QPainterPath& path, QRgb colour) {
        if (qAlpha(colour) == 0 || path.isEmpty())
            return;
        QPainterPath shape = transform_.map(path);
        if (clipEnabled_) {
            if (!clip_.controlPointRect().contains(shape.controlPointRect()) || !clip_.contains(shape))
                shape = shape.intersected(clip_);
        }
        if (!shape.isEmpty())
            shapes_.push_back(DecodedEmblem::Shape{shape, colour});
    }

    std::vector<DecodedEmblem::Shape>& shapes_;
    QTransform transform_;
    QBrush brush_;
    QPen pen_{Qt::NoPen};
    double opacity_ = 1;
    bool clipEnabled_ = false;
    QPainterPath clip_;
};

class ShapeDevice : public QPaintDevice {
public:
    ShapeDevice(QSize size, std::vector<DecodedEmblem::Shape>& shapes) : size_(size), engine_(shapes) {}
    ~ShapeDevice() override = default;
    QPaintEngine* paintEngine() const override { return &engine_; }

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
            case PdmWidth:
                return size_.width();
            case PdmHeight:
                return size_.height();
            case PdmWidthMM:
                return size_.width() * 254 / 720;
            case PdmHeightMM:
                return size_.height() * 254 / 720;
            case PdmNumColors:
                return INT_MAX;
            case PdmDepth:
                return 32;
            case PdmDpiX:
            case PdmDpiY:
            case PdmPhysicalDpiX:
            case PdmPhysicalDpiY:
                return 72;
            case PdmDevicePixelRatio:
                return 1;
            case PdmDevicePixelRatioScaled:
                return static_cast<int>(devicePixelRatioFScale());
            default:
                break;
        }
        return 0;
    }

private:
    QSize size_;
    mutable ShapeEngine engine_;
};

// The SVG's areas at its own size; null when it is no SVG the drawing takes.
std::shared_ptr<DecodedEmblem> readSvg(const QByteArray& bytes, EmblemFile& state) {
    QSvgRenderer renderer;
    if (!renderer.load(bytes) || !renderer.isValid()) {
        state = EmblemFile::NotBitmap;
        return nullptr;
    }
    const QSizeF natural = renderer.defaultSize();
    if (natural.isEmpty()) {
        state = EmblemFile::NotBitmap;
        return nullptr;
    }
    if (tooLarge(natural)) {
        state = EmblemFile::TooLarge;
        return nullptr;
    }
    auto decoded = std::make_shared<DecodedEmblem>();
    decoded->vector = true;
    decoded->natural = natural;
    ShapeDevice device(natural.toSize(), decoded->shapes);
    QPainter painter(&device);
    renderer.render(&painter, QRectF(QPointF(0, 0), natural));
    painter.end();
    state = EmblemFile::Bitmap;
    return decoded;
}

// A raster picture of any kind the drawing takes, or with `bitmapOnly` a
// Windows bitmap only; null with the reason when there is none.
std::shared_ptr<DecodedEmblem> readRaster(QImageReader& reader, bool bitmapOnly, EmblemFile& state) {
    if (!reader.canRead() || (!bitmapOnly && !isEmblemRasterFormat(reader.format()))) {
        state = EmblemFile::NotBitmap;
        return nullptr;
    }
    const QSize declared = reader.size();
    if (tooLarge(declared)) {
        state = EmblemFile::TooLarge;
        return nullptr;
    }
    const bool bitmap = bitmapOnly || reader.format() == "bmp";
    if (!bitmapOnly)
        reader.setAutoTransform(true);
    QImage picture = reader.read();
    if (picture.isNull() || tooLarge(picture.size())) {
        state = picture.isNull() ? EmblemFile::NotBitmap : EmblemFile::TooLarge;
        return nullptr;
    }
    auto decoded = std::make_shared<DecodedEmblem>();
    decoded->natural = picture.size();
    decoded->picture = std::move(picture);
    decoded->bitmap = bitmap;
    state = EmblemFile::Bitmap;
    return decoded;
}

// Where the drawing takes an emblem from.
struct SourceRef {
    QString path;          // a file to read, or empty for the copy
    bool anyKind = false;  // any picture, else a Windows bitmap only
    QByteArray data;       // the copy carried in the design
    QString name;          // its file's name
    bool none() const { return path.isEmpty() && data.isEmpty(); }
};

SourceRef sourceOf(const EmblemSettings& emblem) {
    const bool anyKind = !emblem.file.isEmpty();
    const QString named = anyKind ? emblem.file : emblem.path;
    if (!named.isEmpty() && QFileInfo(named).isFile())
        return SourceRef{named, anyKind, {}, {}};
    if (!emblem.embeddedData.isEmpty())
        return SourceRef{QString(), true, emblem.embeddedData, emblem.embeddedName};
    return SourceRef{};
}

std::shared_ptr<DecodedEmblem> decode(const SourceRef& source, EmblemFile& state) {
    state = EmblemFile::Missing;
    if (source.none())
        return nullptr;
    if (!source.path.isEmpty()) {
        if (!source.anyKind) {
            QImageReader reader;
            openAsBitmap(reader, source.path);
            return readRaster(reader, true, state);
        }
        QFile file(source.path);
        if (!file.open(QIODevice::ReadOnly)) {
            state = EmblemFile::NotBitmap;
            return nullptr;
        }
        const QByteArray head = file.peek(512);
        if (isSvgName(source.path) || looksLikeSvg(head)) {
            // An SVG is read whole; none the drawing takes is larger than a
            // few megabytes.
            constexpr qint64 kMaxSvgBytes = qint64(32) << 20;
            if (file.size() > kMaxSvgBytes) {
                state = EmblemFile::TooLarge;
                return nullptr;
            }
            return readSvg(file.readAll(), state);
        }
        QImageReader reader(&file);
        return readRaster(reader, false, state);
    }
    if (isSvgName(source.name) || looksLikeSvg(source.data.left(512)))
        return readSvg(source.data, state);
    QBuffer buffer;
    buffer.setData(source.data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return readRaster(reader, false, state);
}

// A few of the latest results of some work, shared by every thread that
// draws: a picture is read, and its tones worked out, once however many
// surfaces draw it.
template <typename Key, typename Value>
class Kept {
public:
    explicit Kept(std::size_t room) : room_(room) {}

    Value find(const Key& key) {
        QMutexLocker lock(&mutex_);
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->first == key) {
                entries_.splice(entries_.begin(), entries_, it);
                return entries_.front().second;
            }
        }
        return Value();
    }

    void keep(const Key& key, const Value& value) {
        QMutexLocker lock(&mutex_);
        entries_.emplace_front(key, value);
        while (entries_.size() > room_)
            entries_.pop_back();
    }

private:
    QMutex mutex_;
    std::size_t room_;
    std::list<std::pair<Key, Value>> entries_;
};

// What a picture read is known by: its file, size and modification time, or
// the bytes of the copy.
struct SourceKey {
    QString path;
    bool anyKind = false;
    std::int64_t size = -1;
    QDateTime modified;
    QByteArray data;
    bool operator==(const SourceKey& other) const {
        return path == other.path && anyKind == other.anyKind && size == other.size && modified == other.modified &&
               ((data.constData() == other.data.constData() && data.size() == other.data.size()) ||
                data == other.data);
    }
};

struct DecodeResult {
    std::shared_ptr<const DecodedEmblem> decoded;
    EmblemFile state = EmblemFile::Missing;
};

Kept<SourceKey, DecodeResult>& decodedPictures() {
    static Kept<SourceKey, DecodeResult> kept(4);
    return kept;
}

SourceKey keyOf(const SourceRef& source) {
    SourceKey key;
    key.path = source.path;
    key.anyKind = source.anyKind;
    key.data = source.data;
    if (!source.path.isEmpty()) {
        const QFileInfo info(source.path);
        key.size = info.size();
        key.modified = info.lastModified();
    }
    return key;
}

DecodeResult decodeKept(const SourceRef& source, const SourceKey& key) {
    if (source.none())
        return DecodeResult{};
    DecodeResult found = decodedPictures().find(key);
    if (found.decoded || found.state != EmblemFile::Missing)
        return found;
    DecodeResult result;
    result.decoded = decode(source, result.state);
    decodedPictures().keep(key, result);
    return result;
}

// ---- Tones ----

bool defaultRule(std::int32_t threshold) {
    return !isEmblemThreshold(threshold);
}

// The picture laid on the seal's background where it is transparent: a
// picture of any kind but a Windows bitmap, which is taken as it is.
QImage onBackground(const DecodedEmblem& decoded, TColor background) {
    if (decoded.bitmap || !decoded.picture.hasAlphaChannel())
        return decoded.picture;
    QImage laid(decoded.picture.size(), QImage::Format_RGB32);
    laid.fill(colourToArgb(background) | 0xFF000000u);
    QPainter painter(&laid);
    painter.drawImage(0, 0, decoded.picture);
    return laid;
}

// How much each pixel is paper, 0..255 (Format_Grayscale8), by both rules
// at once: by the seal's background 0 or 255 (`byBackground`), and its grey
// level (`grey`).
void paperLevels(const DecodedEmblem& decoded, TColor background, QImage& byBackground, QImage& grey) {
    const QImage laid = onBackground(decoded, background);
    // One pass over the pixels as 32-bit values; a picture with a palette
    // is converted once (an index past the palette is transparent black, as
    // twoToneEmblem takes it).
    const QImage::Format format = laid.format();
    const QImage picture = format == QImage::Format_RGB32 || format == QImage::Format_ARGB32
                               ? laid
                               : laid.convertToFormat(QImage::Format_ARGB32);
    byBackground = QImage(picture.size(), QImage::Format_Grayscale8);
    grey = QImage(picture.size(), QImage::Format_Grayscale8);
    if (picture.isNull() || byBackground.isNull() || grey.isNull()) {
        byBackground = grey = QImage();
        return;
    }
    const QRgb paperRgb = colourToArgb(background) & 0x00FFFFFFu;
    const int width = picture.width();
    for (int y = 0; y < picture.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        uchar* paper = byBackground.scanLine(y);
        uchar* level = grey.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = from[x];
            paper[x] = (pixel & 0x00FFFFFFu) == paperRgb ? 255 : 0;
            level[x] = static_cast<uchar>((qRed(pixel) * 11 + qGreen(pixel) * 16 + qBlue(pixel) * 5) / 32);
        }
    }
}

// The levels averaged over squares of `factor` pixels a side (the last row
// and column of squares over what is left).
QImage averagedLevels(const QImage& levels, int factor) {
    const int width = (levels.width() + factor - 1) / factor;
    const int height = (levels.height() + factor - 1) / factor;
    QImage reduced(width, height, QImage::Format_Grayscale8);
    if (reduced.isNull())
        return reduced;
    std::vector<std::uint32_t> sums(static_cast<std::size_t>(width));
    for (int row = 0; row < height; ++row) {
        std::fill(sums.begin(), sums.end(), 0u);
        const int top = row * factor;
        const int rows = std::min(levels.height(), top + factor) - top;
        for (int y = top; y < top + rows; ++y) {
            const uchar* from = levels.constScanLine(y);
            for (int column = 0, x = 0; column < width; ++column) {
                const int end = std::min(levels.width(), x + factor);
                std::uint32_t sum = 0;
                for (; x < end; ++x)
                    sum += from[x];
                sums[static_cast<std::size_t>(column)] += sum;
            }
        }
        uchar* to = reduced.scanLine(row);
        for (int column = 0; column < width; ++column) {
            const auto count = static_cast<std::uint32_t>(
                rows * (std::min(levels.width(), (column + 1) * factor) - column * factor));
            to[column] = static_cast<uchar>((sums[static_cast<std::size_t>(column)] + count / 2) / count);
        }
    }
    return reduced;
}

// Levels are scaled to the drawn size from a copy no larger than this a
// side where the drawing is no larger: a width edited on a large picture
// then scales a million pixels, not sixteen.
constexpr int kReducedSide = 1024;

// Two tones from paper levels: a level below the threshold (by the rule of
// the background, below half) is ink.
QImage twoTones(const QImage& levels, TColor background, std::int32_t threshold) {
    const int below = defaultRule(threshold) ? 128 : threshold;
    const std::uint32_t paper = colourToArgb(background);
    const std::uint32_t ink = colourToArgb(kWindowTextColour);
    QImage result(levels.size(), QImage::Format_RGB32);
    if (result.isNull())
        return result;
    const QImage grey = levels.format() == QImage::Format_Grayscale8
                            ? levels
                            : levels.convertToFormat(QImage::Format_Grayscale8);
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* from = grey.constScanLine(y);
        auto* to = reinterpret_cast<std::uint32_t*>(result.scanLine(y));
        for (int x = 0; x < grey.width(); ++x)
            to[x] = from[x] < below ? ink : paper;
    }
    return result;
}

struct LevelsKey {
    const DecodedEmblem* decoded = nullptr;
    TColor background = 0;
    bool operator==(const LevelsKey&) const = default;
};

// The levels by both rules are kept with the picture they come from, so
// that the key's pointer always names a picture still held; with each a
// copy averaged down to about kReducedSide a side (the levels themselves
// when not larger). Both are worked out at once, so that the first
// threshold set after the background's rule costs no more than the next.
struct KeptLevels {
    std::shared_ptr<const DecodedEmblem> decoded;
    QImage levels[2];   // by the background, by grey level
    QImage reduced[2];
};

struct Levels {
    QImage levels;
    QImage reduced;
};

Levels paperLevelsKept(const std::shared_ptr<const DecodedEmblem>& decoded, TColor background, bool byBackground) {
    static Kept<LevelsKey, KeptLevels> kept(2);
    const LevelsKey key{decoded.get(), background};
    const int rule = byBackground ? 0 : 1;
    KeptLevels found = kept.find(key);
    if (!found.decoded) {
        found.decoded = decoded;
        paperLevels(*decoded, background, found.levels[0], found.levels[1]);
        for (int k = 0; k < 2; ++k) {
            const QImage& levels = found.levels[k];
            const int factor = std::max(levels.width(), levels.height()) / kReducedSide;
            found.reduced[k] = factor >= 2 ? averagedLevels(levels, factor) : levels;
        }
        kept.keep(key, found);
    }
    return Levels{found.levels[rule], found.reduced[rule]};
}

struct FineKey {
    const DecodedEmblem* decoded = nullptr;
    TColor background = 0;
    std::int32_t threshold = 0;
    bool operator==(const FineKey&) const = default;
};

// The size the emblem is drawn at, in preview pixels.
QSize drawnSize(const QSizeF& natural, std::int32_t width) {
    if (!isEmblemWidth(width))
        return QSize(std::max(1, static_cast<int>(std::lround(natural.width()))),
                     std::max(1, static_cast<int>(std::lround(natural.height()))));
    const double height = width * natural.height() / natural.width();
    // However narrow the picture, no taller than four times the widest.
    return QSize(width, std::clamp(static_cast<int>(std::lround(height)), 1, 4 * kMaxEmblemWidth));
}

std::shared_ptr<const EmblemDrawing> rasterDrawing(const std::shared_ptr<const DecodedEmblem>& decoded,
                                                   const EmblemSettings& emblem, TColor background) {
    auto drawing = std::make_shared<EmblemDrawing>();
    drawing->background = background;
    drawing->threshold = defaultRule(emblem.threshold) ? kDefaultEmblemThreshold : emblem.threshold;
    const QSize natural = decoded->picture.size();
    const QSize size = drawnSize(decoded->natural, emblem.width);
    const bool byBackground = defaultRule(emblem.threshold);
    if (size == natural && byBackground) {
        // One picture pixel to a preview pixel, as a bitmap always was.
        drawing->preview = twoToneEmblem(onBackground(*decoded, background), background);
        return drawing;
    }
    const Levels kept = paperLevelsKept(decoded, background, byBackground);
    const QImage& from = size.width() <= kept.reduced.width() && size.height() <= kept.reduced.height()
                             ? kept.reduced
                             : kept.levels;
    const QImage scaled =
        size == from.size() ? from : from.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    drawing->preview = twoTones(scaled, background, emblem.threshold);
    // A target that draws finer than the preview draws the picture's own
    // pixels: more detail than the preview shows, or no more than it holds.
    if (size != natural) {
        drawing->source = decoded;
        drawing->scale = QSizeF(static_cast<double>(size.width()) / natural.width(),
                                static_cast<double>(size.height()) / natural.height());
    }
    return drawing;
}

// Whether an area of the colour counts as ink on the background.
bool isInk(QRgb colour, TColor background, std::int32_t threshold) {
    const QRgb paper = colourToArgb(background);
    const double alpha = qAlpha(colour) / 255.0;
    const auto mix = [&](int a, int b) { return static_cast<int>(std::lround(a * alpha + b * (1 - alpha))); };
    const QRgb laid = qRgb(mix(qRed(colour), qRed(paper)), mix(qGreen(colour), qGreen(paper)),
                           mix(qBlue(colour), qBlue(paper)));
    if (defaultRule(threshold))
        return (laid & 0x00FFFFFFu) != (paper & 0x00FFFFFFu);
    return qGray(laid) < threshold;
}

std::shared_ptr<const EmblemDrawing> vectorDrawing(const DecodedEmblem& decoded, const EmblemSettings& emblem,
                                                   TColor background) {
    auto drawing = std::make_shared<EmblemDrawing>();
    drawing->vector = true;
    drawing->background = background;
    drawing->threshold = emblem.threshold;
    const QSize size = drawnSize(decoded.natural, emblem.width);
    const QTransform toPreview = QTransform::fromScale(size.width() / decoded.natural.width(),
                                                       size.height() / decoded.natural.height());
    const QRectF rect(QPointF(0, 0), QSizeF(size));
    QPainterPath held;
    held.addRect(rect);
    for (const DecodedEmblem::Shape& shape : decoded.shapes) {
        QPainterPath path = toPreview.map(shape.path);
        if (!rect.contains(path.controlPointRect()))
            path = path.intersected(held);
        if (path.isEmpty())
            continue;
        drawing->shapes.push_back(EmblemShape{std::move(path), isInk(shape.colour, background, emblem.threshold)});
    }
    // The preview: the areas at the drawn size, ink where they cover at
    // least half a pixel.
    QImage coverage(size, QImage::Format_RGB32);
    coverage.fill(Qt::white);
    {
        QPainter painter(&coverage);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        for (const EmblemShape& shape : drawing->shapes) {
            painter.setBrush(shape.ink ? Qt::black : Qt::white);
            painter.drawPath(shape.path);
        }
    }
    drawing->preview = twoTones(coverage.convertToFormat(QImage::Format_Grayscale8), background, kDefaultEmblemThreshold);
    return drawing;
}

}  // namespace

EmblemFile examineEmblemFile(const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return EmblemFile::Missing;
    QImageReader reader;
    openAsBitmap(reader, path);
    if (!reader.canRead())
        return EmblemFile::NotBitmap;
    return tooLarge(reader.size()) ? EmblemFile::TooLarge : EmblemFile::Bitmap;
}

EmblemFile examinePictureFile(const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return EmblemFile::Missing;
    const SourceRef source{path, true, {}, {}};
    return decodeKept(source, keyOf(source)).state;
}

QString namedEmblemFile(const EmblemSettings& emblem) {
    return emblem.file.isEmpty() ? emblem.path : emblem.file;
}

EmblemFile examineEmblem(const EmblemSettings& emblem) {
    const SourceRef source = sourceOf(emblem);
    if (source.none())
        return EmblemFile::Missing;
    if (!source.path.isEmpty() && !source.anyKind)
        return examineEmblemFile(source.path);
    const EmblemFile state = decodeKept(source, keyOf(source)).state;
    return source.path.isEmpty() && state == EmblemFile::Missing ? EmblemFile::NotBitmap : state;
}

EmblemLookup lookUpEmblem(const QString& named, const QString& designPath, bool (*keepable)(QStringView),
                          bool anyKind) {
    const auto examine = anyKind ? &examinePictureFile : &examineEmblemFile;
    EmblemLookup found;
    if (named.isEmpty())
        return found;
    found.named = examine(named);
    if (found.named == EmblemFile::Bitmap) {
        found.path = named;
        return found;
    }
    if (found.named != EmblemFile::Missing)
        return found;
    // The name as the design holds it, written on Windows or here.
    const QString name = named.mid(std::max(named.lastIndexOf(u'/'), named.lastIndexOf(u'\\')) + 1);
    const QString beside = QFileInfo(designPath).absoluteDir().filePath(name);
    if (name.isEmpty() || (keepable && !keepable(beside)) || examine(beside) != EmblemFile::Bitmap)
        return found;
    found.path = beside;
    found.beside = true;
    return found;
}

QImage fineEmblem(const EmblemDrawing& drawing) {
    if (!drawing.source || drawing.vector)
        return drawing.preview;
    struct KeptFine {
        std::shared_ptr<const DecodedEmblem> decoded;
        QImage fine;
    };
    static Kept<FineKey, KeptFine> kept(2);
    const FineKey key{drawing.source.get(), drawing.background, drawing.threshold};
    KeptFine found = kept.find(key);
    if (found.decoded)
        return found.fine;
    const bool byBackground = defaultRule(drawing.threshold);
    KeptFine made{drawing.source, twoTones(paperLevelsKept(drawing.source, drawing.background, byBackground).levels,
                                           drawing.background, drawing.threshold)};
    kept.keep(key, made);
    return made.fine;
}

bool EmblemCache::Key::operator==(const Key& other) const {
    return path == other.path && anyKind == other.anyKind && size == other.size && modified == other.modified &&
           ((data.constData() == other.data.constData() && data.size() == other.data.size()) || data == other.data) &&
           background == other.background && width == other.width && threshold == other.threshold;
}

QImage EmblemCache::load(const QString& path, TColor background) {
    if (path.isEmpty())
        return QImage();
    const QFileInfo info(path);
    if (!info.isFile())
        return QImage();
    const std::int64_t size = info.size();
    const QDateTime modified = info.lastModified();
    if (valid_ && path_ == path && size_ == size && modified_ == modified && background_ == background)
        return picture_;

    QImageReader reader;
    openAsBitmap(reader, path);
    const QImage decoded = examineEmblemFile(path) == EmblemFile::Bitmap ? reader.read() : QImage();

    valid_ = true;
    path_ = path;
    size_ = size;
    modified_ = modified;
    background_ = background;
    picture_ = twoToneEmblem(decoded, background);
    return picture_;
}

std::shared_ptr<const EmblemDrawing> EmblemCache::drawing(const EmblemSettings& emblem, TColor background) {
    const SourceRef source = sourceOf(emblem);
    if (source.none())
        return nullptr;
    const SourceKey sourceKey = keyOf(source);
    Key key{sourceKey.path,   sourceKey.anyKind, sourceKey.size, sourceKey.modified, sourceKey.data,
            background,       isEmblemWidth(emblem.width) ? emblem.width : 0,
            isEmblemThreshold(emblem.threshold) ? emblem.threshold : kDefaultEmblemThreshold};
    if (haveDrawing_ && key_ == key)
        return drawing_;

    // Drawn once for every surface: the ink of each export is recorded on
    // a surface of its own.
    static Kept<Key, std::shared_ptr<const EmblemDrawing>> drawings(4);
    std::shared_ptr<const EmblemDrawing> made = drawings.find(key);
    if (!made) {
        const DecodeResult read = decodeKept(source, sourceKey);
        if (read.decoded)
            made = read.decoded->vector ? vectorDrawing(*read.decoded, emblem, background)
                                        : rasterDrawing(read.decoded, emblem, background);
        if (made && made->preview.isNull())
            made = nullptr;
        if (made)
            drawings.keep(key, made);
    }
    haveDrawing_ = true;
    key_ = std::move(key);
    drawing_ = made;
    return drawing_;
}

}  // namespace qg
