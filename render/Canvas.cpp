#include "Canvas.h"

#include "Raster.h"
#include "TextLayout.h"

#include <QGlyphRun>
#include <QHash>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <unordered_map>

namespace qg {

namespace {

// Texts longer than this, or placed further out than kNearLimit, are laid
// out only as far as they can reach the picture.
constexpr qsizetype kMaxCachedText = 256;
constexpr std::int64_t kNearLimit = std::int64_t{1} << 20;
// A rendered text is kept whole for reuse wherever it is placed when its
// picture is at most this big; a bigger one is kept only as far as it lands
// on the preview, for that one place.
constexpr std::int64_t kMaxMovableTileArea = 256 * 256;
constexpr std::size_t kMaxCachedTileBytes = 48u << 20;
// How much of a group's glyph pictures is held until its cells are down.
constexpr std::size_t kMaxHeldGlyphBytes = 8u << 20;

std::int64_t floorToInt(long double v) {
    return static_cast<std::int64_t>(std::floor(v));
}

std::int64_t ceilToInt(long double v) {
    return static_cast<std::int64_t>(std::ceil(v));
}

struct TileKey {
    std::uint64_t font = 0;
    QString text;
    int turn = 0;
    QRgb brush = 0;
    // Only for texts kept for one place.
    bool placed = false;
    std::int64_t x = 0;
    std::int64_t y = 0;
    friend bool operator==(const TileKey&, const TileKey&) = default;
};

struct TileKeyHash {
    std::size_t operator()(const TileKey& key) const noexcept {
        std::size_t h = qHash(key.text);
        auto mix = [&h](std::size_t v) { h ^= v + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2); };
        mix(std::hash<std::uint64_t>()(key.font));
        mix(std::hash<int>()(key.turn));
        mix(std::hash<QRgb>()(key.brush));
        if (key.placed) {
            mix(std::hash<std::int64_t>()(key.x));
            mix(std::hash<std::int64_t>()(key.y));
        }
        return h;
    }
};

// A rendered text: the runs of its cell, painted in the brush colour, and
// its glyphs as a picture; both relative to a corner that lies at (dx, dy)
// from the text's reference point (or on the preview, for a text kept for
// one place).
struct Tile {
    std::vector<raster::Run> cell;
    QRgb brush = 0;
    QImage glyphs;
    std::int64_t dx = 0;
    std::int64_t dy = 0;

    std::size_t bytes() const {
        return cell.size() * sizeof(raster::Run) + static_cast<std::size_t>(glyphs.sizeInBytes());
    }
};

}  // namespace

struct Canvas::Impl {
    QImage image{kSize, kSize, QImage::Format_RGB32};
    FontBook fonts;
    std::unordered_map<TileKey, Tile, TileKeyHash> tiles;
    std::size_t tileBytes = 0;
    // Where a group's glyphs gather when there are too many to hold.
    QImage glyphLayer;

    Impl() { image.fill(Qt::white); }

    void stroke(const StrokeRun& run);
    Tile render(const FontFace& face, const Shaped& shaped, std::size_t first, std::size_t last, QRgb brush,
                const QTransform& frame, std::int64_t left, std::int64_t top, std::int64_t right,
                std::int64_t bottom) const;
    // The pictures of one text, placed on the preview; false when nothing
    // of it can show.
    bool prepare(const TextRun& run, Tile& placed);
    void keep(TileKey key, const Tile& tile);
};

// A run of lines in the pen. Up to width 1 each line is one pixel wide and
// leaves out its last pixel, which the next line of the run starts on.
// Wider pens cover every pixel within half the width of the lines, which
// gives round ends and joins; even widths are centred between pixels, odd
// widths on the pixel the point names. A run that never leaves its first
// point marks a dot the width of the pen.
void Canvas::Impl::stroke(const StrokeRun& run) {
    const std::vector<Point64>& points = run.points;
    const int width = run.width;
    const std::uint32_t argb = colourToArgb(run.color);
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

// Renders the cell and the glyphs [first, last) of the text within
// [left, right) x [top, bottom) of a plane onto which `frame` maps the frame
// of glyph `first`.
Tile Canvas::Impl::render(const FontFace& face, const Shaped& shaped, std::size_t first, std::size_t last,
                          QRgb brush, const QTransform& frame, std::int64_t left, std::int64_t top,
                          std::int64_t right, std::int64_t bottom) const {
    Tile tile;
    const QSize size(static_cast<int>(right - left), static_cast<int>(bottom - top));
    const QTransform shifted = frame * QTransform::fromTranslate(static_cast<double>(-left), static_cast<double>(-top));
    const std::int64_t base = shaped.starts[first];
    const std::int64_t cellWidth = shaped.starts[last - 1] + shaped.advances[last - 1] - base;

    // The cell, aliased, read back as rows of pixels.
    tile.glyphs = QImage(size, QImage::Format_ARGB32_Premultiplied);
    tile.glyphs.fill(Qt::transparent);
    {
        QPainter p(&tile.glyphs);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setTransform(shifted);
        p.fillRect(QRectF(0, 0, static_cast<double>(cellWidth), face.cellHeight()), Qt::black);
    }
    for (int y = 0; y < size.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(tile.glyphs.constScanLine(y));
        for (int x = 0; x < size.width();) {
            if (qAlpha(line[x]) == 0) {
                ++x;
                continue;
            }
            const int x0 = x;
            while (x < size.width() && qAlpha(line[x]) != 0)
                ++x;
            tile.cell.push_back(raster::Run{y, x0, x});
        }
    }
    tile.brush = brush | 0xFF000000u;
    tile.glyphs.fill(Qt::transparent);

    QList<quint32> glyphs;
    QList<QPointF> positions;
    glyphs.reserve(static_cast<qsizetype>(last - first));
    positions.reserve(static_cast<qsizetype>(last - first));
    for (std::size_t i = first; i < last; ++i) {
        glyphs.push_back(shaped.glyphs[static_cast<qsizetype>(i)]);
        positions.push_back(QPointF(static_cast<double>(shaped.starts[i] - base), 0.0));
    }
    QGlyphRun run;
    run.setRawFont(face.raw);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    QPainter p(&tile.glyphs);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setTransform(shifted);
    p.setPen(face.textColour);
    p.drawGlyphRun(QPointF(0, face.ascent), run);
    for (const CellRows& rows : {face.underline, face.strikeOut}) {
        if (rows.count > 0)
            p.fillRect(QRectF(0, rows.top, static_cast<double>(cellWidth), rows.count), face.textColour);
    }
    p.end();
    tile.dx = left;
    tile.dy = top;
    return tile;
}

void Canvas::Impl::keep(TileKey key, const Tile& tile) {
    const std::size_t bytes = tile.bytes();
    if (bytes > kMaxCachedTileBytes / 4)
        return;
    if (tileBytes + bytes > kMaxCachedTileBytes) {
        tiles.clear();
        tileBytes = 0;
    }
    tileBytes += bytes;
    tiles.emplace(std::move(key), tile);
}

bool Canvas::Impl::prepare(const TextRun& textRun, Tile& placed) {
    const std::int64_t x = textRun.x;
    const std::int64_t y = textRun.y;
    bool dropped = false;
    const FontFace& face = fonts.face(textRun.font, textRun.place.emPixels, &dropped);
    if (dropped) {
        tiles.clear();
        tileBytes = 0;
    }
    if (!face.raw.isValid())
        return false;
    const int turn = textTurn(textRun.angle);
    const QRgb brush = colourToArgb(textRun.brush);
    const QString& text = textRun.text;

    const bool near = x >= -kNearLimit && x <= kNearLimit && y >= -kNearLimit && y <= kNearLimit;
    const bool cacheable = text.size() <= kMaxCachedText && near;
    TileKey movable;
    if (cacheable) {
        movable = TileKey{face.id, text, turn, brush, false, 0, 0};
        const auto found = tiles.find(movable);
        if (found != tiles.end()) {
            placed = found->second;
            placed.dx += x;
            placed.dy += y;
            return true;
        }
        const auto here = tiles.find(TileKey{face.id, text, turn, brush, true, x, y});
        if (here != tiles.end()) {
            placed = here->second;
            return true;
        }
    }

    const Shaped shaped = shapeText(face, text);
    if (shaped.glyphs.isEmpty())
        return false;
    const std::size_t count = static_cast<std::size_t>(shaped.glyphs.size());
    const long double cellHeight = face.cellHeight();
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
            return false;
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
        const QRectF ink = face.raw.boundingRect(shaped.glyphs[static_cast<qsizetype>(i)]);
        if (ink.isEmpty())
            continue;
        const long double at = static_cast<long double>(shaped.starts[i] - base);
        localLeft = std::min(localLeft, at + ink.left());
        localRight = std::max(localRight, at + ink.right());
        localTop = std::min(localTop, face.ascent + static_cast<long double>(ink.top()));
        localBottom = std::max(localBottom, face.ascent + static_cast<long double>(ink.bottom()));
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
    const long double pivotX = 0.5L - 0.5L * (c + s);
    const long double pivotY = 0.5L - 0.5L * (c - s);
    const std::int64_t relLeft = floorToInt(minX + pivotX) - 1;
    const std::int64_t relTop = floorToInt(minY + pivotY) - 1;
    const std::int64_t relRight = ceilToInt(maxX + pivotX) + 2;
    const std::int64_t relBottom = ceilToInt(maxY + pivotY) + 2;

    if (cacheable && (relRight - relLeft) * (relBottom - relTop) <= kMaxMovableTileArea) {
        // The whole text, drawn once and kept: its picture does not depend
        // on where it is placed.
        Tile tile = render(face, shaped, first, last, brush, textFrame(0, 0, turn), relLeft, relTop,
                           relRight, relBottom);
        keep(std::move(movable), tile);
        placed = std::move(tile);
        placed.dx += x;
        placed.dy += y;
        return true;
    }

    // Only the part that lands on the picture.
    const std::int64_t left = std::max<std::int64_t>(0, floorToInt(x + base * c + relLeft));
    const std::int64_t top = std::max<std::int64_t>(0, floorToInt(y - base * s + relTop));
    const std::int64_t right = std::min<std::int64_t>(kSize, ceilToInt(x + base * c + relRight));
    const std::int64_t bottom = std::min<std::int64_t>(kSize, ceilToInt(y - base * s + relBottom));
    if (left >= right || top >= bottom)
        return false;
    const long double originX = static_cast<long double>(x) + static_cast<long double>(base) * c;
    const long double originY = static_cast<long double>(y) - static_cast<long double>(base) * s;
    placed = render(face, shaped, first, last, brush, textFrame(originX, originY, turn), left, top, right,
                    bottom);
    if (cacheable)
        keep(TileKey{face.id, text, turn, brush, true, x, y}, placed);
    return true;
}

Canvas::Canvas() : d(std::make_unique<Impl>()) {}

Canvas::~Canvas() = default;

const QImage& Canvas::image() {
    finish();
    return d->image;
}

void Canvas::drawStroke(const StrokeRun& stroke) {
    d->stroke(stroke);
}

void Canvas::drawFill(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
                      TColor color) {
    raster::fillRect(d->image, left, top, right, bottom, colourToArgb(color));
}

void Canvas::drawPicture(std::int64_t x, std::int64_t y, const QImage& picture) {
    raster::copy(d->image, x, y, picture);
}

void Canvas::drawTexts(std::span<const TextRun> runs) {
    // Each cell goes straight onto the picture; the glyphs follow once all
    // the cells are down. Their pictures are held until then, up to a
    // bound; past it, what is held is laid on a layer of its own, so that a
    // long text of large letters never holds more than that.
    std::vector<Tile> held;
    std::size_t heldBytes = 0;
    bool layered = false;
    const auto layHeld = [&] {
        if (!layered) {
            if (d->glyphLayer.isNull())
                d->glyphLayer = QImage(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
            d->glyphLayer.fill(Qt::transparent);
            layered = true;
        }
        for (const Tile& tile : held)
            raster::blend(d->glyphLayer, tile.dx, tile.dy, tile.glyphs);
        held.clear();
        heldBytes = 0;
    };
    for (const TextRun& run : runs) {
        Tile tile;
        if (!d->prepare(run, tile))
            continue;
        raster::fillRuns(d->image, tile.dx, tile.dy, tile.cell, tile.brush);
        heldBytes += static_cast<std::size_t>(tile.glyphs.sizeInBytes());
        held.push_back(std::move(tile));
        if (heldBytes > kMaxHeldGlyphBytes)
            layHeld();
    }
    for (const Tile& tile : held)
        raster::blend(d->image, tile.dx, tile.dy, tile.glyphs);
    if (layered)
        raster::blend(d->image, 0, 0, d->glyphLayer);
}

QSize Canvas::textCellSize(QStringView text) {
    const FontFace& face = d->fonts.face(font());
    const Shaped shaped = shapeText(face, text);
    const std::int64_t width = std::min<std::int64_t>(shaped.width, std::numeric_limits<int>::max());
    return QSize(static_cast<int>(width), face.cellHeight());
}

}  // namespace qg
