#include "Canvas.h"

#include "Emblem.h"
#include "Raster.h"

#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QList>
#include <QPainter>
#include <QRawFont>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <unordered_map>
#include <vector>

namespace qg {

namespace {

// Texts longer than this, or placed further out than kNearLimit, are laid
// out only as far as they can reach the picture and are never cached.
constexpr qsizetype kMaxCachedText = 256;
constexpr std::int64_t kNearLimit = std::int64_t{1} << 20;
// A rendered text is kept for reuse when its picture is at most this big.
constexpr std::int64_t kMaxCachedTileArea = 256 * 256;
constexpr std::size_t kMaxCachedTileBytes = 32u << 20;
constexpr std::size_t kMaxCachedFonts = 32;

// Positions come from sums of 32-bit numbers; anything beyond this bound is
// held at it so that differences of positions can never overflow.
constexpr std::int64_t kCoordinateLimit = std::int64_t{1} << 40;

std::int64_t bounded(std::int64_t v) {
    return std::clamp(v, -kCoordinateLimit, kCoordinateLimit);
}

QColor screenColour(TColor colour) {
    return QColor::fromRgb(colourToArgb(colour));
}

std::int64_t floorToInt(long double v) {
    return static_cast<std::int64_t>(std::floor(v));
}

std::int64_t ceilToInt(long double v) {
    return static_cast<std::int64_t>(std::ceil(v));
}

// Direction of the baseline for a counter-clockwise turn, exact for the
// right angles so that upright and quarter-turned cells keep sharp edges.
void turnDirection(int turn, long double& c, long double& s) {
    switch (turn) {
        case 0:
            c = 1;
            s = 0;
            return;
        case 90:
            c = 0;
            s = 1;
            return;
        case 180:
            c = -1;
            s = 0;
            return;
        case 270:
            c = 0;
            s = -1;
            return;
        default:
            c = std::cos(turn * kDegree);
            s = std::sin(turn * kDegree);
    }
}

struct FontEntry {
    LineFont lineFont;
    std::uint64_t id = 0;
    QRawFont raw;
    int ascent = 0;
    int descent = 0;
    QColor textColour;
};

// A text's glyphs with whole-pixel advances, as the cell is measured.
struct Shaped {
    QList<quint32> glyphs;
    std::vector<std::int64_t> starts;  // offset of each glyph along the baseline
    std::vector<std::int64_t> advances;
    std::int64_t width = 0;
};

struct TileKey {
    std::uint64_t font = 0;
    QString text;
    int turn = 0;
    QRgb brush = 0;
    friend bool operator==(const TileKey&, const TileKey&) = default;
};

struct TileKeyHash {
    std::size_t operator()(const TileKey& key) const noexcept {
        std::size_t h = qHash(key.text);
        h ^= std::hash<std::uint64_t>()(key.font) + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2);
        h ^= std::hash<int>()(key.turn) + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2);
        h ^= std::hash<QRgb>()(key.brush) + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2);
        return h;
    }
};

// A rendered text: its picture and where the picture's top-left corner
// lies relative to the text's reference point.
struct Tile {
    QImage picture;
    std::int64_t dx = 0;
    std::int64_t dy = 0;
};

QRawFont rawFontFor(const LineFont& lineFont, int pixels) {
    QFont font;
    font.setFamily(lineFont.face);
    font.setPixelSize(pixels);
    font.setWeight(lineFont.bold ? QFont::Bold : QFont::Normal);
    font.setItalic(lineFont.italic);
    if (lineFont.pitch == Pitch::Fixed) {
        font.setFixedPitch(true);
        font.setStyleHint(QFont::TypeWriter);
    }
    font.setKerning(false);
    font.setStyleStrategy(QFont::NoSubpixelAntialias);
    QRawFont raw = QRawFont::fromFont(font);
    if (!raw.isValid()) {
        // An unknown or empty face name still draws, in the default face.
        QFont fallback;
        fallback.setPixelSize(pixels);
        fallback.setWeight(font.weight());
        fallback.setItalic(lineFont.italic);
        fallback.setStyleStrategy(QFont::NoSubpixelAntialias);
        raw = QRawFont::fromFont(fallback);
    }
    return raw;
}

}  // namespace

struct Canvas::Impl {
    QImage image{kSize, kSize, QImage::Format_RGB32};

    TColor penColor = 0;  // black
    std::int32_t penWidth = 1;
    TColor brushColor = kWhite;
    LineFont font = fontDialogStartFont();
    Point64 current;
    // Lines drawn since the last change of pen or point, stroked together.
    std::vector<Point64> path;

    std::vector<std::unique_ptr<FontEntry>> fonts;
    FontEntry* lastFont = nullptr;
    std::uint64_t nextFontId = 1;
    std::unordered_map<TileKey, Tile, TileKeyHash> tiles;
    std::size_t tileBytes = 0;

    EmblemCache emblems;

    Impl() { image.fill(Qt::white); }

    int drawnPenWidth() const { return std::min(std::max(penWidth, 1), kMaxDrawnPenWidth); }

    void flushPath();
    void stroke(const std::vector<Point64>& points);

    FontEntry& fontEntry(const LineFont& lineFont);
    Shaped shape(const FontEntry& entry, QStringView text) const;
    QImage renderText(const FontEntry& entry, const Shaped& shaped, std::size_t first, std::size_t last,
                      int turn, QRgb brush, long double originX, long double originY, std::int64_t left,
                      std::int64_t top, std::int64_t right, std::int64_t bottom) const;
    void textOut(std::int64_t x, std::int64_t y, std::uint16_t angle, QStringView text);
};

void Canvas::Impl::flushPath() {
    if (path.size() >= 2)
        stroke(path);
    path.clear();
}

// A run of lines in the pen. Up to width 1 each line is one pixel wide and
// leaves out its last pixel, which the next line of the run starts on.
// Wider pens cover every pixel within half the width of the lines, which
// gives round ends and joins; even widths are centred between pixels, odd
// widths on the pixel the point names. A run that never leaves its first
// point marks a dot the width of the pen.
void Canvas::Impl::stroke(const std::vector<Point64>& points) {
    const int width = drawnPenWidth();
    const std::uint32_t argb = colourToArgb(penColor);
    const bool dot =
        std::all_of(points.begin(), points.end(), [&](const Point64& p) { return p == points.front(); });

    if (width <= 1) {
        if (dot) {
            const Point64 at = points.front();
            if (at.x >= 0 && at.y >= 0 && at.x < kSize && at.y < kSize)
                raster::fillRect(image, at.x, at.y, at.x + 1, at.y + 1, argb);
            return;
        }
        for (std::size_t i = 0; i + 1 < points.size(); ++i)
            raster::thinLine(image, points[i], points[i + 1], argb);
        return;
    }

    const double radius = width / 2.0;
    const double shift = (width % 2 == 0) ? -0.5 : 0.0;
    // Beyond this margin a line cannot ink the picture, so each line is cut
    // down to it first; that also keeps far-away numbers out of the
    // arithmetic below.
    const double margin = radius + 2.0;
    auto line = [&](const Point64& from, const Point64& to) {
        PointF64 a{static_cast<double>(from.x), static_cast<double>(from.y)};
        PointF64 b{static_cast<double>(to.x), static_cast<double>(to.y)};
        if (clipSegment(a, b, -margin, -margin, kSize + margin, kSize + margin))
            raster::capsule(image, PointF64{a.x + shift, a.y + shift}, PointF64{b.x + shift, b.y + shift},
                            radius, argb);
    };
    if (dot) {
        line(points.front(), points.front());
        return;
    }
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        if (points[i] != points[i + 1])
            line(points[i], points[i + 1]);
    }
}

FontEntry& Canvas::Impl::fontEntry(const LineFont& lineFont) {
    if (lastFont && lastFont->lineFont == lineFont)
        return *lastFont;
    for (const auto& entry : fonts) {
        if (entry->lineFont == lineFont) {
            lastFont = entry.get();
            return *entry;
        }
    }
    if (fonts.size() >= kMaxCachedFonts) {
        fonts.clear();
        tiles.clear();
        tileBytes = 0;
    }
    auto entry = std::make_unique<FontEntry>();
    entry->lineFont = lineFont;
    entry->id = nextFontId++;
    entry->raw = rawFontFor(lineFont, fontPixelSize(lineFont.size));
    // Whole pixels, rounded up so that descenders stay inside the cell.
    entry->ascent = entry->raw.isValid() ? static_cast<int>(std::ceil(entry->raw.ascent() - 0.01)) : 0;
    entry->descent = entry->raw.isValid() ? static_cast<int>(std::ceil(entry->raw.descent() - 0.01)) : 0;
    entry->textColour = screenColour(lineFont.color);
    fonts.push_back(std::move(entry));
    lastFont = fonts.back().get();
    return *lastFont;
}

Shaped Canvas::Impl::shape(const FontEntry& entry, QStringView text) const {
    Shaped shaped;
    if (!entry.raw.isValid() || text.isEmpty())
        return shaped;
    const QString copy = text.toString();
    shaped.glyphs = entry.raw.glyphIndexesForString(copy);
    const QList<QPointF> advances = entry.raw.advancesForGlyphIndexes(shaped.glyphs);
    shaped.starts.reserve(static_cast<std::size_t>(shaped.glyphs.size()));
    shaped.advances.reserve(static_cast<std::size_t>(shaped.glyphs.size()));
    for (qsizetype i = 0; i < shaped.glyphs.size(); ++i) {
        const std::int64_t advance =
            i < advances.size() ? std::max<std::int64_t>(0, qRound64(advances[i].x())) : 0;
        shaped.starts.push_back(shaped.width);
        shaped.advances.push_back(advance);
        shaped.width += advance;
    }
    return shaped;
}

// Renders glyphs [first, last) of the text into a picture that covers
// [left, right) x [top, bottom) of a plane in which glyph `first` starts
// at (originX, originY).
QImage Canvas::Impl::renderText(const FontEntry& entry, const Shaped& shaped, std::size_t first,
                                std::size_t last, int turn, QRgb brush, long double originX,
                                long double originY, std::int64_t left, std::int64_t top, std::int64_t right,
                                std::int64_t bottom) const {
    QImage tile(static_cast<int>(right - left), static_cast<int>(bottom - top),
                QImage::Format_ARGB32_Premultiplied);
    tile.fill(Qt::transparent);

    long double c = 1;
    long double s = 0;
    turnDirection(turn, c, s);
    const std::int64_t base = shaped.starts[first];
    const std::int64_t cellWidth = shaped.starts[last - 1] + shaped.advances[last - 1] - base;
    const int cellHeight = entry.ascent + entry.descent;

    QPainter p(&tile);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setTransform(QTransform(static_cast<double>(c), static_cast<double>(-s), static_cast<double>(s),
                              static_cast<double>(c), static_cast<double>(originX - left),
                              static_cast<double>(originY - top)));
    p.fillRect(QRectF(0, 0, static_cast<double>(cellWidth), cellHeight), QColor::fromRgb(brush));

    QList<quint32> glyphs;
    QList<QPointF> positions;
    glyphs.reserve(static_cast<qsizetype>(last - first));
    positions.reserve(static_cast<qsizetype>(last - first));
    for (std::size_t i = first; i < last; ++i) {
        glyphs.push_back(shaped.glyphs[static_cast<qsizetype>(i)]);
        positions.push_back(QPointF(static_cast<double>(shaped.starts[i] - base), 0.0));
    }
    QGlyphRun run;
    run.setRawFont(entry.raw);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    run.setUnderline(entry.lineFont.underline);
    run.setStrikeOut(entry.lineFont.strikeOut);
    p.setPen(entry.textColour);
    p.drawGlyphRun(QPointF(0, entry.ascent), run);
    p.end();
    return tile;
}

void Canvas::Impl::textOut(std::int64_t x, std::int64_t y, std::uint16_t angle, QStringView text) {
    flushPath();
    if (text.isEmpty())
        return;
    const FontEntry& entry = fontEntry(font);
    if (!entry.raw.isValid())
        return;
    const int turn = textTurn(angle);
    const QRgb brush = colourToArgb(brushColor);

    const bool cacheable = text.size() <= kMaxCachedText && x >= -kNearLimit && x <= kNearLimit &&
                           y >= -kNearLimit && y <= kNearLimit;
    TileKey key;
    if (cacheable) {
        key = TileKey{entry.id, text.toString(), turn, brush};
        const auto found = tiles.find(key);
        if (found != tiles.end()) {
            raster::blend(image, x + found->second.dx, y + found->second.dy, found->second.picture);
            return;
        }
    }

    const Shaped shaped = shape(entry, text);
    if (shaped.glyphs.isEmpty())
        return;
    const std::size_t count = static_cast<std::size_t>(shaped.glyphs.size());
    const long double cellHeight = entry.ascent + entry.descent;
    // Ink may stray a little beyond the cell (italics, accents, underline).
    const long double pad = cellHeight + 2;

    // Which glyphs can reach the picture at all: a glyph starting s along
    // the baseline lies at least s - pad and at most
    // |(s + advance + pad, height + pad)| away from the reference point.
    std::size_t first = 0;
    std::size_t last = count;
    if (!cacheable) {
        const long double px = static_cast<long double>(x);
        const long double py = static_cast<long double>(y);
        const long double nx = std::max({0.0L, -px, px - kSize});
        const long double ny = std::max({0.0L, -py, py - kSize});
        const long double nearest = std::hypot(nx, ny);
        const long double farthest = std::hypot(std::max(std::fabs(px), std::fabs(px - kSize)),
                                                std::max(std::fabs(py), std::fabs(py - kSize)));
        first = count;
        last = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const long double start = static_cast<long double>(shaped.starts[i]);
            if (start - pad > farthest)
                break;
            const long double reach =
                std::hypot(start + static_cast<long double>(shaped.advances[i]) + pad, cellHeight + pad);
            if (reach < nearest)
                continue;
            first = std::min(first, i);
            last = i + 1;
        }
        if (first >= last)
            return;
    }

    long double c = 1;
    long double s = 0;
    turnDirection(turn, c, s);

    // The part of the plane the glyphs [first, last) may ink, in the text's
    // own frame (x along the baseline from glyph `first`, y down the cell)...
    const std::int64_t base = shaped.starts[first];
    const long double cellWidth =
        static_cast<long double>(shaped.starts[last - 1] + shaped.advances[last - 1] - base);
    long double localLeft = 0;
    long double localTop = 0;
    long double localRight = cellWidth;
    long double localBottom = cellHeight;
    for (std::size_t i = first; i < last; ++i) {
        const QRectF ink = entry.raw.boundingRect(shaped.glyphs[static_cast<qsizetype>(i)]);
        if (ink.isEmpty())
            continue;
        const long double at = static_cast<long double>(shaped.starts[i] - base);
        localLeft = std::min(localLeft, at + ink.left());
        localRight = std::max(localRight, at + ink.right());
        localTop = std::min(localTop, entry.ascent + static_cast<long double>(ink.top()));
        localBottom = std::max(localBottom, entry.ascent + static_cast<long double>(ink.bottom()));
    }
    // ...and the same turned onto the picture, relative to the glyph origin.
    long double minX = 0;
    long double minY = 0;
    long double maxX = 0;
    long double maxY = 0;
    bool firstCorner = true;
    for (const long double u : {localLeft, localRight}) {
        for (const long double v : {localTop, localBottom}) {
            const long double dx = u * c + v * s;
            const long double dy = -u * s + v * c;
            if (firstCorner) {
                minX = maxX = dx;
                minY = maxY = dy;
                firstCorner = false;
            } else {
                minX = std::min(minX, dx);
                maxX = std::max(maxX, dx);
                minY = std::min(minY, dy);
                maxY = std::max(maxY, dy);
            }
        }
    }
    // The text turns about the centre of its reference pixel, so that pixel
    // is the corner of the cell at every angle.
    const long double pivotX = 0.5L - 0.5L * (c + s);
    const long double pivotY = 0.5L - 0.5L * (c - s);
    const std::int64_t relLeft = floorToInt(minX + pivotX) - 1;
    const std::int64_t relTop = floorToInt(minY + pivotY) - 1;
    const std::int64_t relRight = ceilToInt(maxX + pivotX) + 2;
    const std::int64_t relBottom = ceilToInt(maxY + pivotY) + 2;

    if (cacheable && (relRight - relLeft) * (relBottom - relTop) <= kMaxCachedTileArea) {
        // The whole text, drawn once and kept: its picture does not depend
        // on where it is placed.
        Tile tile;
        tile.picture = renderText(entry, shaped, first, last, turn, brush, pivotX, pivotY, relLeft, relTop,
                                  relRight, relBottom);
        tile.dx = relLeft;
        tile.dy = relTop;
        const std::size_t bytes = static_cast<std::size_t>(tile.picture.sizeInBytes());
        if (tileBytes + bytes > kMaxCachedTileBytes) {
            tiles.clear();
            tileBytes = 0;
        }
        tileBytes += bytes;
        const Tile& stored = tiles.emplace(std::move(key), std::move(tile)).first->second;
        raster::blend(image, x + stored.dx, y + stored.dy, stored.picture);
        return;
    }

    // Only the part that lands on the picture.
    const long double originX = static_cast<long double>(x) + static_cast<long double>(base) * c + pivotX;
    const long double originY = static_cast<long double>(y) - static_cast<long double>(base) * s + pivotY;
    const std::int64_t left = std::max<std::int64_t>(0, floorToInt(x + base * c + relLeft));
    const std::int64_t top = std::max<std::int64_t>(0, floorToInt(y - base * s + relTop));
    const std::int64_t right = std::min<std::int64_t>(kSize, ceilToInt(x + base * c + relRight));
    const std::int64_t bottom = std::min<std::int64_t>(kSize, ceilToInt(y - base * s + relBottom));
    if (left >= right || top >= bottom)
        return;
    const QImage picture =
        renderText(entry, shaped, first, last, turn, brush, originX, originY, left, top, right, bottom);
    raster::blend(image, left, top, picture);
}

Canvas::Canvas() : d(std::make_unique<Impl>()) {}

Canvas::~Canvas() = default;

const QImage& Canvas::image() {
    finish();
    return d->image;
}

void Canvas::finish() {
    d->flushPath();
}

TColor Canvas::penColor() const {
    return d->penColor;
}

std::int32_t Canvas::penWidth() const {
    return d->penWidth;
}

TColor Canvas::brushColor() const {
    return d->brushColor;
}

const LineFont& Canvas::font() const {
    return d->font;
}

Point64 Canvas::currentPoint() const {
    return d->current;
}

void Canvas::setPenColor(TColor color) {
    if (color == d->penColor)
        return;
    d->flushPath();
    d->penColor = color;
}

void Canvas::setPenWidth(std::int32_t width) {
    if (width < 0 || width == d->penWidth)
        return;
    d->flushPath();
    d->penWidth = width;
}

void Canvas::setBrushColor(TColor color) {
    d->brushColor = color;
}

void Canvas::setFont(const LineFont& font) {
    d->font = font;
}

void Canvas::moveTo(std::int64_t x, std::int64_t y) {
    d->flushPath();
    d->current = Point64{bounded(x), bounded(y)};
}

void Canvas::lineTo(std::int64_t x, std::int64_t y) {
    if (d->path.empty())
        d->path.push_back(d->current);
    d->current = Point64{bounded(x), bounded(y)};
    d->path.push_back(d->current);
}

void Canvas::fill() {
    d->flushPath();
    raster::fillRect(d->image, 0, 0, kSize, kSize, colourToArgb(d->brushColor));
}

void Canvas::fillRect(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom) {
    d->flushPath();
    raster::fillRect(d->image, bounded(left), bounded(top), bounded(right), bounded(bottom),
                     colourToArgb(d->brushColor));
}

void Canvas::rectangle(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom) {
    d->flushPath();
    left = bounded(left);
    top = bounded(top);
    right = bounded(right);
    bottom = bounded(bottom);
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    if (right - left < 1 || bottom - top < 1)
        return;
    raster::fillRect(d->image, left, top, right, bottom, colourToArgb(d->brushColor));
    d->stroke({{left, top}, {right - 1, top}, {right - 1, bottom - 1}, {left, bottom - 1}, {left, top}});
}

void Canvas::drawBitmap(std::int64_t x, std::int64_t y, const QImage& picture) {
    d->flushPath();
    raster::copy(d->image, bounded(x), bounded(y), picture);
}

void Canvas::textOut(std::int64_t x, std::int64_t y, std::uint16_t angle, QStringView text) {
    d->textOut(bounded(x), bounded(y), angle, text);
}

QSize Canvas::textCellSize(QStringView text) {
    const FontEntry& entry = d->fontEntry(d->font);
    const Shaped shaped = d->shape(entry, text);
    const std::int64_t width = std::min<std::int64_t>(shaped.width, std::numeric_limits<int>::max());
    return QSize(static_cast<int>(width), entry.ascent + entry.descent);
}

EmblemCache& Canvas::emblemCache() {
    return d->emblems;
}

}  // namespace qg
