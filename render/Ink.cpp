#include "Ink.h"

#include "Emblem.h"
#include "Render.h"

#include <QPainter>
#include <QPainterPathStroker>

#include <algorithm>
#include <map>
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

// The runs of pixels of one colour in a picture as rectangles, rows of
// equal runs joined into one.
std::map<QRgb, QPainterPath> pixelAreas(const QImage& picture, std::int64_t x, std::int64_t y) {
    struct Open {
        int top;
        QRgb colour;
    };
    std::map<QRgb, QPainterPath> areas;
    std::map<std::pair<int, int>, Open> open;  // [x0, x1) -> run begun at row `top`
    const QImage source = picture.convertToFormat(QImage::Format_RGB32);
    auto close = [&](int x0, int x1, const Open& run, int bottom) {
        areas[run.colour].addRect(QRectF(static_cast<double>(x + x0), static_cast<double>(y + run.top), x1 - x0,
                                         bottom - run.top));
    };
    for (int row = 0; row <= source.height(); ++row) {
        std::map<std::pair<int, int>, Open> next;
        if (row < source.height()) {
            const auto* line = reinterpret_cast<const QRgb*>(source.constScanLine(row));
            int start = 0;
            for (int col = 1; col <= source.width(); ++col) {
                if (col < source.width() && line[col] == line[start])
                    continue;
                const std::pair<int, int> span{start, col};
                const QRgb colour = line[start] | 0xFF000000u;
                const auto found = open.find(span);
                if (found != open.end() && found->second.colour == colour) {
                    next.emplace(span, found->second);
                    open.erase(found);
                } else {
                    next.emplace(span, Open{row, colour});
                }
                start = col;
            }
        }
        for (const auto& [span, run] : open)
            close(span.first, span.second, run, row);
        open = std::move(next);
    }
    return areas;
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

void InkSurface::drawPicture(std::int64_t x, std::int64_t y, const QImage& picture) {
    // The whole rectangle covers what lies beneath, then its pixels show.
    InkOp cover;
    cover.color = background_;
    cover.paper = true;
    cover.path.addRect(QRectF(static_cast<double>(x), static_cast<double>(y), picture.width(), picture.height()));
    add(std::move(cover));
    const QRgb paper = colourToArgb(background_) | 0xFF000000u;
    for (auto& [colour, area] : pixelAreas(picture, x, y)) {
        if (colour == paper)
            continue;
        InkOp op;
        // Back from screen order (0xAARRGGBB) to the design's (0x00BBGGRR).
        op.color = ((colour & 0xFFu) << 16) | (colour & 0xFF00u) | ((colour >> 16) & 0xFFu);
        op.path = std::move(area);
        add(std::move(op));
    }
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
        const double thickness = std::max(face.raw.lineThickness(), 1.0);
        auto rule = [&](double at) {
            QPainterPath line;
            line.addRect(QRectF(0, face.ascent + at - thickness / 2, static_cast<double>(shaped.width), thickness));
            InkOp op;
            op.character = run.place.index;
            op.color = run.font.color;
            op.paper = paperText;
            op.path = frame.map(line);
            glyphs.push_back(std::move(op));
        };
        if (run.font.underline)
            rule(face.raw.underlinePosition());
        if (run.font.strikeOut)
            rule(-face.raw.xHeight() / 2);
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

std::vector<InkShape> resolveInk(const std::vector<InkOp>& ops, bool merge) {
    struct Piece {
        const InkOp* op;
        QRectF bounds;
        QPainterPath cuts;
    };
    std::vector<Piece> pieces;
    pieces.reserve(ops.size());
    for (const InkOp& op : ops) {
        const QRectF bounds = op.bounds();
        const QRgb colour = colourToArgb(op.color);
        QPainterPath area;
        bool haveArea = false;
        for (Piece& piece : pieces) {
            if (!op.paper && colourToArgb(piece.op->color) == colour)
                continue;
            if (!piece.bounds.intersects(bounds))
                continue;
            if (!haveArea) {
                area = op.area();
                haveArea = true;
            }
            piece.cuts.addPath(area);
        }
        if (!op.paper)
            pieces.push_back(Piece{&op, bounds, QPainterPath()});
    }

    std::vector<InkShape> shapes;
    shapes.reserve(pieces.size());
    for (Piece& piece : pieces) {
        const InkOp& op = *piece.op;
        InkShape shape{op.element, op.color, op.path, op.stroked, op.width};
        if (!piece.cuts.isEmpty()) {
            piece.cuts.setFillRule(Qt::WindingFill);
            QPainterPath area = op.area();
            area.setFillRule(Qt::WindingFill);
            if (area.intersects(piece.cuts)) {
                shape.path = area.subtracted(piece.cuts);
                shape.stroked = false;
                shape.width = 0;
            }
        }
        if (!shape.path.isEmpty())
            shapes.push_back(std::move(shape));
    }
    if (!merge)
        return shapes;

    // One closed outline set per colour, in the order the colours first
    // appear, united pairwise so that no operation grows too big.
    std::vector<InkShape> merged;
    std::vector<std::vector<QPainterPath>> areas;
    for (const InkShape& shape : shapes) {
        auto found = std::find_if(merged.begin(), merged.end(),
                                  [&](const InkShape& m) { return colourToArgb(m.color) == colourToArgb(shape.color); });
        if (found == merged.end()) {
            merged.push_back(InkShape{ElementTag{}, shape.color, QPainterPath(), false, 0});
            areas.emplace_back();
            found = merged.end() - 1;
        }
        QPainterPath area = shape.stroked ? outlineOf(shape.path, shape.width) : shape.path;
        area.setFillRule(Qt::WindingFill);
        areas[static_cast<std::size_t>(found - merged.begin())].push_back(std::move(area));
    }
    for (std::size_t k = 0; k < merged.size(); ++k) {
        std::vector<QPainterPath>& level = areas[k];
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
            merged[k].path = level.front().simplified();
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
