#include "Ink.h"

#include "Canvas.h"
#include "Emblem.h"
#include "Outline.h"
#include "Render.h"

#include <QMutex>
#include <QMutexLocker>
#include <QPainter>
#include <QPainterPathStroker>

#include <algorithm>
#include <list>
#include <optional>
#include <unordered_set>
#include <utility>

namespace qg {

namespace {

QPainterPath outlineOf(const QPainterPath& line, double width) {
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    QPainterPath outline = stroker.createStroke(line);
    outline.setFillRule(Qt::WindingFill);
    return outline;
}

// The part of a picture at (x, y) that the preview's field shows, moved
// to where that part lies; `beyond` gets the box of the ink (pixels not of
// the colour `paper`) the field leaves out, empty when there is none.
QImage pictureInField(std::int64_t& x, std::int64_t& y, const QImage& picture, QRgb paper, QRectF& beyond) {
    const std::int64_t left = std::max<std::int64_t>(x, 0);
    const std::int64_t top = std::max<std::int64_t>(y, 0);
    const std::int64_t right = std::min<std::int64_t>(x + picture.width(), Canvas::kSize);
    const std::int64_t bottom = std::min<std::int64_t>(y + picture.height(), Canvas::kSize);
    const bool whole = left == x && top == y && right == x + picture.width() && bottom == y + picture.height();
    if (!whole) {
        // The first and last ink of each row, leaving out the part shown.
        const QImage source = picture.convertToFormat(QImage::Format_RGB32);
        const int shownFrom = static_cast<int>(std::clamp<std::int64_t>(left - x, 0, picture.width()));
        const int shownTo = static_cast<int>(std::clamp<std::int64_t>(right - x, shownFrom, picture.width()));
        int x0 = picture.width(), y0 = picture.height(), x1 = -1, y1 = -1;
        for (int row = 0; row < source.height(); ++row) {
            const auto* line = reinterpret_cast<const QRgb*>(source.constScanLine(row));
            const bool rowShown = y + row >= top && y + row < bottom;
            auto ink = [&](int col) { return (line[col] | 0xFF000000u) != paper; };
            auto note = [&](int col) {
                x0 = std::min(x0, col);
                x1 = std::max(x1, col);
                y0 = std::min(y0, row);
                y1 = std::max(y1, row);
            };
            // Left of the part shown (or the whole row), from the left.
            const int leftEnd = rowShown ? shownFrom : source.width();
            for (int col = 0; col < leftEnd; ++col)
                if (ink(col)) {
                    note(col);
                    break;
                }
            // Right of it, from the right.
            const int rightEnd = rowShown ? shownTo : 0;
            for (int col = source.width() - 1; col >= rightEnd; --col)
                if (ink(col)) {
                    note(col);
                    break;
                }
            if (rowShown && shownFrom > 0)
                for (int col = shownFrom - 1; col >= 0; --col)
                    if (ink(col)) {
                        note(col);
                        break;
                    }
            if (rowShown && shownTo < source.width())
                for (int col = shownTo; col < source.width(); ++col)
                    if (ink(col)) {
                        note(col);
                        break;
                    }
        }
        if (x1 >= 0)
            beyond = QRectF(static_cast<double>(x + x0), static_cast<double>(y + y0), x1 - x0 + 1, y1 - y0 + 1);
    }
    if (right <= left || bottom <= top)
        return QImage();
    const QImage shown = whole ? picture
                               : picture.copy(static_cast<int>(left - x), static_cast<int>(top - y),
                                              static_cast<int>(right - left), static_cast<int>(bottom - top));
    x = left;
    y = top;
    return shown;
}

}  // namespace

QPainterPath InkOp::area() const {
    return stroked ? outlineOf(path, width) : path;
}

QRectF InkOp::bounds() const {
    const QRectF box = path.controlPointRect();
    if (!stroked)
        return box;
    const double half = width / 2;
    return box.adjusted(-half, -half, half, half);
}

InkSurface::InkSurface(TColor background) : background_(background) {}

InkSurface::~InkSurface() = default;

void InkSurface::add(InkOp op) {
    op.element = element();
    // Paper over nothing changes nothing.
    if (op.paper && ops_.empty())
        return;
    ops_.push_back(std::move(op));
}

void InkSurface::drawStroke(const StrokeRun& stroke) {
    InkOp op;
    op.color = stroke.color;
    op.paper = colourToArgb(stroke.color) == colourToArgb(background_);
    op.width = stroke.width;
    // Odd widths are centred on the pixel a point names, even widths
    // between pixels.
    const double shift = stroke.width % 2 == 0 ? 0.0 : 0.5;
    const bool dot = std::all_of(stroke.points.begin(), stroke.points.end(),
                                 [&](const Point64& p) { return p == stroke.points.front(); });
    if (dot) {
        const Point64 at = stroke.points.front();
        const double half = stroke.width / 2.0;
        if (stroke.width <= 1)
            op.path.addRect(QRectF(static_cast<double>(at.x), static_cast<double>(at.y), 1, 1));
        else
            op.path.addEllipse(QPointF(at.x + shift, at.y + shift), half, half);
        add(std::move(op));
        return;
    }
    op.stroked = true;
    if (stroke.circle) {
        op.circle = true;
        op.radius = std::abs(static_cast<double>(stroke.radius));
        op.path.addEllipse(QPointF(stroke.centre.x + shift, stroke.centre.y + shift), op.radius, op.radius);
    } else {
        op.path.moveTo(stroke.points.front().x + shift, stroke.points.front().y + shift);
        for (std::size_t i = 1; i < stroke.points.size(); ++i)
            op.path.lineTo(stroke.points[i].x + shift, stroke.points[i].y + shift);
    }
    if (op.paper) {
        op.path = op.area();
        op.stroked = false;
    }
    add(std::move(op));
}

void InkSurface::drawFill(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
                          TColor color) {
    // Nothing of a design lies beyond this; the whole-picture fill is held
    // to it.
    constexpr double kFar = 1e7;
    InkOp op;
    op.color = color;
    op.paper = colourToArgb(color) == colourToArgb(background_);
    const double l = std::max(static_cast<double>(left), -kFar);
    const double t = std::max(static_cast<double>(top), -kFar);
    const double r = std::min(static_cast<double>(right), kFar);
    const double b = std::min(static_cast<double>(bottom), kFar);
    op.path.addRect(QRectF(l, t, r - l, b - t));
    add(std::move(op));
}

void InkSurface::drawPicture(std::int64_t x, std::int64_t y, const QImage& whole) {
    QRectF beyond;
    const QImage picture = pictureInField(x, y, whole, colourToArgb(background_) | 0xFF000000u, beyond);
    if (!beyond.isEmpty())
        leftOut_.push_back(LeftOut{element(), beyond});
    if (picture.isNull())
        return;
    // The whole rectangle covers what lies beneath, then its pixels show.
    coverPicture(QRectF(static_cast<double>(x), static_cast<double>(y), picture.width(), picture.height()));
    // The picture is now what the field shows of it, whole.
    const QRect window = picture.rect();
    const QImage pixels = picture.convertToFormat(QImage::Format_RGB32);
    // The tones in the order they first come (an emblem has two).
    std::vector<QRgb> tones;
    std::unordered_set<QRgb> seen;
    for (int row = window.top(); row <= window.bottom(); ++row) {
        const auto* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(row));
        for (int col = window.left(); col <= window.right(); ++col) {
            const QRgb tone = line[col] | 0xFF000000u;
            if (seen.insert(tone).second)
                tones.push_back(tone);
        }
    }
    const QRgb paper = colourToArgb(background_) | 0xFF000000u;
    // On the field, so the place is a small number.
    const QPoint at(static_cast<int>(x), static_cast<int>(y));
    for (const QRgb tone : tones) {
        if (tone == paper)
            continue;
        InkOp op;
        // Back from screen order (0xAARRGGBB) to the design's (0x00BBGGRR).
        op.color = ((tone & 0xFFu) << 16) | (tone & 0xFF00u) | ((tone >> 16) & 0xFFu);
        op.picture = std::make_shared<const PictureInk>(PictureInk{pixels, tone, window, at});
        op.path = toneOutline(pixels, tone, window, at);
        add(std::move(op));
    }
}

void InkSurface::coverPicture(const QRectF& rect) {
    InkOp cover;
    cover.color = background_;
    cover.paper = true;
    cover.path.addRect(rect);
    add(std::move(cover));
}

namespace {

// An outline of more corners than this is not worth its memory: a picture
// that would give one (noise, a fine dither) is drawn at the preview's size.
constexpr std::int64_t kMaxPictureCorners = std::int64_t(1) << 21;

// Whether the outline of the tone in the window stays within
// kMaxPictureCorners: every change of tone along a row starts or ends an
// edge, and every edge has two corners.
bool fewCorners(const QImage& picture, QRgb tone, const QRect& window) {
    std::int64_t changes = 0;
    for (int row = window.top(); row <= window.bottom(); ++row) {
        const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(row));
        bool inTone = false;
        for (int col = window.left(); col <= window.right(); ++col) {
            const bool here = (line[col] | 0xFF000000u) == tone;
            changes += here != inTone;
            inTone = here;
        }
        changes += inTone;
        if (2 * changes > kMaxPictureCorners)
            return false;
    }
    return true;
}

// The outline of a picture's tone in a window, kept for the pictures drawn
// last: a large emblem is outlined once, not at every recording of the ink.
// Nothing for an outline of too many corners.
std::optional<QPainterPath> keptToneOutline(const QImage& picture, QRgb tone, const QRect& window,
                                            const QTransform& toPreview) {
    struct Entry {
        qint64 key = 0;
        QImage picture;  // held, so that its key names no other picture
        QRgb tone = 0;
        QRect window;
        QTransform toPreview;
        std::optional<QPainterPath> outline;
    };
    static QMutex mutex;
    static std::list<Entry> kept;
    {
        QMutexLocker lock(&mutex);
        for (auto it = kept.begin(); it != kept.end(); ++it) {
            if (it->key == picture.cacheKey() && it->tone == tone && it->window == window &&
                it->toPreview == toPreview) {
                kept.splice(kept.begin(), kept, it);
                return kept.front().outline;
            }
        }
    }
    std::optional<QPainterPath> outline;
    if (fewCorners(picture, tone, window))
        outline = toPreview.map(toneOutline(picture, tone, window, QPointF(0, 0)));
    QMutexLocker lock(&mutex);
    kept.push_front(Entry{picture.cacheKey(), picture, tone, window, toPreview, outline});
    while (kept.size() > 2)
        kept.pop_back();
    return outline;
}

}  // namespace

void InkSurface::drawEmblemPicture(std::int64_t x, std::int64_t y, const EmblemDrawing& emblem) {
    const QPointF corner(static_cast<double>(x), static_cast<double>(y));
    const QRectF rect(corner, QSizeF(emblem.preview.size()));
    if (emblem.vector) {
        // The areas of the picture as they are, in the order painted: the
        // field holds them, and tells what it cuts, as it does every other ink.
        coverPicture(rect);
        for (const EmblemShape& shape : emblem.shapes) {
            InkOp op;
            op.color = shape.ink ? kWindowTextColour : background_;
            op.paper = !shape.ink || colourToArgb(kWindowTextColour) == colourToArgb(background_);
            op.path = shape.path.translated(corner);
            add(std::move(op));
        }
        return;
    }
    const QImage fine = fineEmblem(emblem);
    const QRgb paper = colourToArgb(background_) | 0xFF000000u;
    const QRgb ink = colourToArgb(kWindowTextColour) | 0xFF000000u;
    const QSizeF scale = emblem.scale;
    // The picture's pixels the field shows, whole or in part: a picture
    // that reaches the field lies at a small place.
    const auto pixelAt = [](double at, double step, int count) {
        return static_cast<int>(std::clamp(std::floor(at / step), -1.0, static_cast<double>(count)));
    };
    const QRect window =
        fine.size() == emblem.preview.size() || ink == paper
            ? QRect()
            : QRect(QPoint(pixelAt(-corner.x(), scale.width(), fine.width()),
                           pixelAt(-corner.y(), scale.height(), fine.height())),
                    QPoint(pixelAt(std::nextafter(Canvas::kSize - corner.x(), -1e300), scale.width(), fine.width()),
                           pixelAt(std::nextafter(Canvas::kSize - corner.y(), -1e300), scale.height(), fine.height())))
                  .intersected(fine.rect());
    const QPoint at = window.isEmpty() ? QPoint() : QPoint(static_cast<int>(x), static_cast<int>(y));
    const std::optional<QPainterPath> outline =
        window.isEmpty() ? std::nullopt
                         : keptToneOutline(fine, ink, window, PictureInk{QImage(), ink, window, at, scale}.toPreview());
    if (!outline) {
        drawPicture(x, y, emblem.preview);
        return;
    }
    // What lies beyond the field is told from the preview's pixels.
    std::int64_t px = x;
    std::int64_t py = y;
    QRectF beyond;
    pictureInField(px, py, emblem.preview, paper, beyond);
    if (!beyond.isEmpty())
        leftOut_.push_back(LeftOut{element(), beyond});
    coverPicture(rect.intersected(QRectF(0, 0, Canvas::kSize, Canvas::kSize)));
    InkOp op;
    op.color = kWindowTextColour;
    op.path = *outline;
    op.picture = std::make_shared<const PictureInk>(PictureInk{fine, ink, window, at, scale});
    add(std::move(op));
}

QPainterPath InkSurface::glyphOutline(const FontFace& face, quint32 glyph) {
    auto found = outlines_.find(face.id);
    if (found == outlines_.end())
        found = outlines_.emplace(face.id, Outlines{outlineFont(face), {}}).first;
    Outlines& outlines = found->second;
    const auto kept = outlines.glyphs.constFind(glyph);
    if (kept != outlines.glyphs.cend())
        return *kept;
    return *outlines.glyphs.insert(glyph, outlines.raw.pathForGlyph(glyph));
}

void InkSurface::drawTexts(std::span<const TextRun> runs) {
    std::vector<InkOp> cells;
    std::vector<InkOp> glyphs;
    for (const TextRun& run : runs) {
        const FontFace& face = fonts_.face(run.font, run.place.emPixels);
        const Shaped shaped = shapeText(face, run.text);
        if (shaped.glyphs.isEmpty())
            continue;
        const QTransform frame =
            run.place.exact ? textFrameAt(run.place.x, run.place.y, run.place.turn)
                            : textFrame(static_cast<long double>(run.x), static_cast<long double>(run.y),
                                        textTurn(run.angle));
        InkOp cell;
        cell.character = run.place.index;
        cell.color = run.brush;
        cell.paper = colourToArgb(run.brush) == colourToArgb(background_);
        QPainterPath box;
        box.addRect(QRectF(0, 0, static_cast<double>(shaped.width), face.cellHeight()));
        cell.path = frame.map(box);
        cells.push_back(std::move(cell));

        const bool paperText = colourToArgb(run.font.color) == colourToArgb(background_);
        for (qsizetype i = 0; i < shaped.glyphs.size(); ++i) {
            QPainterPath glyph = glyphOutline(face, shaped.glyphs[i]);
            if (glyph.isEmpty())
                continue;
            glyph.translate(static_cast<double>(shaped.starts[static_cast<std::size_t>(i)]), face.ascent);
            glyph.setFillRule(Qt::WindingFill);
            InkOp op;
            op.character = run.place.index;
            op.color = run.font.color;
            op.paper = paperText;
            op.path = frame.map(glyph);
            glyphs.push_back(std::move(op));
        }
        for (const CellRows& rows : {face.underline, face.strikeOut}) {
            if (rows.count <= 0)
                continue;
            QPainterPath line;
            line.addRect(QRectF(0, rows.top, static_cast<double>(shaped.width), rows.count));
            InkOp op;
            op.character = run.place.index;
            op.color = run.font.color;
            op.paper = paperText;
            op.path = frame.map(line);
            glyphs.push_back(std::move(op));
        }
    }
    for (InkOp& op : cells)
        add(std::move(op));
    for (InkOp& op : glyphs)
        add(std::move(op));
}

std::vector<InkOp> recordInk(const StampDesigns& designs, ActivePage page) {
    InkSurface surface(backgroundColour(designs, page));
    ClearStamp(surface, designs, page);
    PaintStamp(surface, designs, page);
    return surface.takeOps();
}

void paintInkPath(QPainter& painter, const QPainterPath& path, bool stroked, double width, const QColor& colour) {
    if (stroked) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    } else {
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
    }
    painter.drawPath(path);
}

void paintInk(QPainter& painter, const std::vector<InkOp>& ops, const QColor& paper, const QColor& mono) {
    painter.save();
    for (const InkOp& op : ops) {
        if (op.paper && paper.alpha() == 0) {
            // Transparent paper takes away what lies beneath.
            painter.setCompositionMode(QPainter::CompositionMode_Clear);
            painter.fillPath(op.path, Qt::transparent);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
            continue;
        }
        const QColor colour = op.paper ? paper : (mono.isValid() ? mono : QColor::fromRgb(colourToArgb(op.color)));
        paintInkPath(painter, op.path, op.stroked, op.width, colour);
    }
    painter.restore();
}

namespace {

// A picture's pixels are cut and merged this many pixels square at a time.
constexpr int kTile = 16;

// An area that takes ink away where it lies, with a box that holds it.
struct Cutter {
    QRectF bounds;
    QPainterPath area;
};

// The pixels of a picture's tone less what the cutters cover. Where none of
// them reaches, the pixels come whole in one set of outlines, with no
// operation on paths at all; only the tiles a cutter reaches are cut, each
// on its own, so that every operation stays small.
std::vector<QPainterPath> cutPicture(const PictureInk& picture, const std::vector<Cutter>& cutters) {
    std::vector<QPainterPath> parts;
    const QRect& window = picture.window;
    if (window.isEmpty())
        return parts;
    // A tile of a picture finer than the preview is as many of its pixels
    // as make some preview units, so that a letter over it meets few tiles.
    const double finest = std::min(picture.scale.width(), picture.scale.height());
    const int side = finest < 1 ? std::max(kTile, static_cast<int>(std::ceil(kTile / 2.0 / finest))) : kTile;
    const int columns = (window.width() + side - 1) / side;
    const int rows = (window.height() + side - 1) / side;
    const QTransform toPreview = picture.toPreview();
    auto tileRect = [&](int column, int row) {
        return toPreview.mapRect(QRectF(window.left() + column * side, window.top() + row * side,
                                        std::min(side, window.width() - column * side),
                                        std::min(side, window.height() - row * side)));
    };
    std::vector<std::vector<std::size_t>> reaching(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows));
    const QTransform toPicture = toPreview.inverted();
    for (std::size_t c = 0; c < cutters.size(); ++c) {
        const QRectF box = toPicture.mapRect(cutters[c].bounds).translated(-window.left(), -window.top());
        auto tileOf = [&](double v, int count) {
            return static_cast<int>(std::clamp(std::floor(v / side), 0.0, static_cast<double>(count - 1)));
        };
        const int left = tileOf(box.left(), columns);
        const int right = tileOf(box.right(), columns);
        const int top = tileOf(box.top(), rows);
        const int bottom = tileOf(box.bottom(), rows);
        for (int row = top; row <= bottom; ++row) {
            for (int column = left; column <= right; ++column) {
                // A box holds much that its area does not (a turned letter's
                // holds twice as much): only what the area itself meets.
                const QRectF tile = tileRect(column, row);
                if (tile.intersects(cutters[c].bounds) && cutters[c].area.intersects(tile))
                    reaching[static_cast<std::size_t>(row * columns + column)].push_back(c);
            }
        }
    }
    auto untouched = [&](int x, int y) {
        const int column = (x - window.left()) / side;
        const int row = (y - window.top()) / side;
        return reaching[static_cast<std::size_t>(row * columns + column)].empty();
    };
    QPainterPath whole = toPreview.map(toneOutline(picture.image, picture.tone, window, QPointF(0, 0), untouched));
    if (!whole.isEmpty())
        parts.push_back(std::move(whole));
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const std::vector<std::size_t>& here = reaching[static_cast<std::size_t>(row * columns + column)];
            if (here.empty())
                continue;
            const QRect tile =
                QRect(window.left() + column * side, window.top() + row * side, side, side).intersected(window);
            const QPainterPath pixels = toPreview.map(toneOutline(picture.image, picture.tone, tile, QPointF(0, 0)));
            if (pixels.isEmpty())
                continue;
            QPainterPath cuts;
            cuts.setFillRule(Qt::WindingFill);
            for (const std::size_t c : here)
                cuts.addPath(cutters[c].area);
            QPainterPath left = pixels.subtracted(cuts);
            if (!left.isEmpty())
                parts.push_back(std::move(left));
        }
    }
    return parts;
}

// The pieces of a picture's outline less what the cutters cover. Those
// that meet a joiner (the rest of their colour, in a merge) are to be united
// with it; of the others, those no cutter met come whole in one set of
// outlines, and those cut each on its own.
struct OutlineParts {
    std::vector<QPainterPath> joined;
    std::vector<QPainterPath> apart;
};

OutlineParts cutOutline(PictureOutline outline, const std::vector<Cutter>& cutters, const std::vector<Cutter>& joiners) {
    const auto meets = [](const Cutter& cutter, const QRectF& box) {
        return cutter.bounds.intersects(box) && cutter.area.intersects(box);
    };
    OutlineParts parts;
    QPainterPath whole;
    whole.setFillRule(Qt::WindingFill);
    for (std::size_t i = 0; i < outline.pieces.size(); ++i) {
        QPainterPath& piece = outline.pieces[i];
        const QRectF& box = outline.bounds[i];
        piece.setFillRule(Qt::WindingFill);
        QPainterPath cuts;
        cuts.setFillRule(Qt::WindingFill);
        for (const Cutter& cutter : cutters)
            if (meets(cutter, box))
                cuts.addPath(cutter.area);
        const bool cut = !cuts.isEmpty() && piece.intersects(cuts);
        if (cut) {
            piece = piece.subtracted(cuts);
            if (piece.isEmpty())
                continue;
        }
        if (std::any_of(joiners.begin(), joiners.end(),
                        [&](const Cutter& joiner) { return meets(joiner, box) && piece.intersects(joiner.area); })) {
            parts.joined.push_back(std::move(piece));
        } else if (cut) {
            parts.apart.push_back(std::move(piece));
        } else {
            whole.addPath(piece);
        }
    }
    if (!whole.isEmpty())
        parts.apart.insert(parts.apart.begin(), std::move(whole));
    return parts;
}

// The area a shape paints and a box that holds it.
Cutter cutterOf(const InkShape& shape) {
    if (!shape.stroked)
        return Cutter{shape.path.controlPointRect(), shape.path};
    const double half = shape.width / 2;
    return Cutter{shape.path.controlPointRect().adjusted(-half, -half, half, half), outlineOf(shape.path, shape.width)};
}

bool samePicture(const InkOp& a, const InkOp& b) {
    return a.picture && b.picture && a.picture->image.cacheKey() == b.picture->image.cacheKey();
}

}  // namespace

std::vector<InkShape> resolveInk(const std::vector<InkOp>& ops, bool merge, const PictureOutliner& outline) {
    // Each op's area, worked out once when first needed.
    std::vector<QPainterPath> areas(ops.size());
    std::vector<bool> haveArea(ops.size(), false);
    auto areaOf = [&](std::size_t i) -> const QPainterPath& {
        if (!haveArea[i]) {
            areas[i] = ops[i].area();
            haveArea[i] = true;
        }
        return areas[i];
    };

    struct Piece {
        std::size_t op;
        QRectF bounds;
        std::vector<std::size_t> cuts;  // the later ops that cover some of it
    };
    std::vector<Piece> pieces;
    pieces.reserve(ops.size());
    for (std::size_t i = 0; i < ops.size(); ++i) {
        const InkOp& op = ops[i];
        const QRectF bounds = op.bounds();
        const QRgb colour = colourToArgb(op.color);
        for (Piece& piece : pieces) {
            const InkOp& under = ops[piece.op];
            if (!op.paper && colourToArgb(under.color) == colour)
                continue;
            // The tones of one picture lie side by side: none covers another.
            if (samePicture(op, under))
                continue;
            if (piece.bounds.intersects(bounds))
                piece.cuts.push_back(i);
        }
        if (!op.paper)
            pieces.push_back(Piece{i, bounds, {}});
    }

    // Every piece but the pictures' first: a merge cuts a picture's pixels
    // where the rest of their colour lies.
    std::vector<std::vector<InkShape>> resolved(pieces.size());
    // How many of a picture's shapes, first among them, go into the rest of
    // their colour's union in a merge.
    std::vector<std::size_t> joined(pieces.size(), 0);
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        const Piece& piece = pieces[k];
        const InkOp& op = ops[piece.op];
        if (op.picture)
            continue;
        InkShape shape{op.element, op.color, op.path, op.stroked, op.width};
        if (!piece.cuts.empty()) {
            QPainterPath cuts;
            cuts.setFillRule(Qt::WindingFill);
            for (const std::size_t i : piece.cuts)
                cuts.addPath(areaOf(i));
            QPainterPath area = areaOf(piece.op);
            area.setFillRule(Qt::WindingFill);
            if (area.intersects(cuts)) {
                shape.path = area.subtracted(cuts);
                shape.stroked = false;
                shape.width = 0;
            }
        }
        if (!shape.path.isEmpty())
            resolved[k].push_back(std::move(shape));
    }
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        const Piece& piece = pieces[k];
        const InkOp& op = ops[piece.op];
        if (!op.picture)
            continue;
        std::vector<Cutter> cutters;
        for (const std::size_t i : piece.cuts)
            cutters.push_back(Cutter{ops[i].bounds(), areaOf(i)});
        // The rest of the colour, in a merge.
        std::vector<Cutter> sameColour;
        if (merge) {
            for (std::size_t other = 0; other < pieces.size(); ++other) {
                if (ops[pieces[other].op].picture)
                    continue;
                for (const InkShape& shape : resolved[other])
                    if (colourToArgb(shape.color) == colourToArgb(op.color))
                        sameColour.push_back(cutterOf(shape));
            }
        }
        std::optional<PictureOutline> given;
        if (outline)
            given = outline(*op.picture);
        if (given) {
            // A smooth outline cut where the rest meets it would leave
            // seams along the cut: what meets the rest is united with it.
            OutlineParts parts = cutOutline(std::move(*given), cutters, sameColour);
            joined[k] = parts.joined.size();
            for (QPainterPath& part : parts.joined)
                resolved[k].push_back(InkShape{op.element, op.color, std::move(part), false, 0});
            for (QPainterPath& part : parts.apart)
                resolved[k].push_back(InkShape{op.element, op.color, std::move(part), false, 0});
            continue;
        }
        cutters.insert(cutters.end(), sameColour.begin(), sameColour.end());
        for (QPainterPath& part : cutPicture(*op.picture, cutters))
            resolved[k].push_back(InkShape{op.element, op.color, std::move(part), false, 0});
    }

    std::vector<InkShape> shapes;
    shapes.reserve(pieces.size());
    std::vector<bool> fromPicture;
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        for (std::size_t n = 0; n < resolved[k].size(); ++n) {
            shapes.push_back(std::move(resolved[k][n]));
            fromPicture.push_back(ops[pieces[k].op].picture != nullptr && n >= joined[k]);
        }
    }
    if (!merge)
        return shapes;

    // One set of closed outlines per colour, in the order the colours first
    // appear: the rest united pairwise, so that no operation grows too big,
    // and then the picture's parts, which nothing overlaps any more.
    struct Colour {
        TColor color;
        std::vector<QPainterPath> areas;
        std::vector<QPainterPath> pictureParts;
    };
    std::vector<Colour> colours;
    for (std::size_t n = 0; n < shapes.size(); ++n) {
        const InkShape& shape = shapes[n];
        auto found = std::find_if(colours.begin(), colours.end(),
                                  [&](const Colour& c) { return colourToArgb(c.color) == colourToArgb(shape.color); });
        if (found == colours.end()) {
            colours.push_back(Colour{shape.color, {}, {}});
            found = colours.end() - 1;
        }
        if (fromPicture[n]) {
            found->pictureParts.push_back(shape.path);
            continue;
        }
        QPainterPath area = shape.stroked ? outlineOf(shape.path, shape.width) : shape.path;
        area.setFillRule(Qt::WindingFill);
        found->areas.push_back(std::move(area));
    }
    std::vector<InkShape> merged;
    for (Colour& colour : colours) {
        std::vector<QPainterPath>& level = colour.areas;
        while (level.size() > 1) {
            std::vector<QPainterPath> next;
            next.reserve((level.size() + 1) / 2);
            for (std::size_t i = 0; i + 1 < level.size(); i += 2)
                next.push_back(level[i].united(level[i + 1]));
            if (level.size() % 2 == 1)
                next.push_back(std::move(level.back()));
            level = std::move(next);
        }
        if (!level.empty())
            merged.push_back(InkShape{ElementTag{}, colour.color, level.front().simplified(), false, 0});
        for (QPainterPath& part : colour.pictureParts)
            merged.push_back(InkShape{ElementTag{}, colour.color, std::move(part), false, 0});
    }
    return merged;
}

QRectF inkBounds(const std::vector<InkOp>& ops) {
    QRectF box;
    for (const InkOp& op : ops) {
        if (!op.paper)
            box = box.isNull() ? op.bounds() : box.united(op.bounds());
    }
    return box;
}

QPainterPath detachedPath(const QPainterPath& path) {
    QPainterPath copy = path;
    // Any change detaches; this one changes nothing.
    if (copy.elementCount() > 0) {
        const QPainterPath::Element first = copy.elementAt(0);
        copy.setElementPositionAt(0, first.x, first.y);
    }
    return copy;
}

std::vector<InkOp> detachedOps(const std::vector<InkOp>& ops) {
    std::vector<InkOp> copies = ops;
    for (InkOp& op : copies)
        op.path = detachedPath(op.path);
    return copies;
}

}  // namespace qg
