#include "Trace.h"

#include "Export.h"

#include <QImage>
#include <QMutex>
#include <QMutexLocker>

#include <potracelib.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

namespace qg::output {

namespace {

constexpr int kWordBits = 64;

std::uint64_t bitOf(int x) {
    return std::uint64_t(1) << (kWordBits - 1 - x % kWordBits);
}

// One closed curve of the trace, added to `path` as a subpath.
void addCurve(QPainterPath& path, const potrace_curve_t& curve) {
    if (curve.n <= 0)
        return;
    auto point = [](const potrace_dpoint_t& p) { return QPointF(p.x, p.y); };
    path.moveTo(point(curve.c[curve.n - 1][2]));
    for (int i = 0; i < curve.n; ++i) {
        const potrace_dpoint_t* c = curve.c[i];
        if (curve.tag[i] == POTRACE_CURVETO) {
            path.cubicTo(point(c[0]), point(c[1]), point(c[2]));
        } else {
            path.lineTo(point(c[1]));
            path.lineTo(point(c[2]));
        }
    }
    path.closeSubpath();
}

std::uint64_t hashOf(const InkMask& mask) {
    std::uint64_t h = 0x9E3779B97F4A7C15u ^ (std::uint64_t(std::uint32_t(mask.width())) << 32) ^
                      std::uint32_t(mask.height());
    for (const std::uint64_t word : mask.words()) {
        h ^= word;
        h *= 0xFF51AFD7ED558CCDu;
        h ^= h >> 33;
    }
    return h;
}

// A trace kept for the pictures to come.
struct Kept {
    InkMask mask;
    std::uint64_t hash = 0;
    // In the mask's pixel coordinates; copied from, never drawn or measured,
    // so that threads may copy it at once.
    PictureOutline outline;
    std::int64_t bytes = 0;
};

std::int64_t bytesOf(const Kept& kept) {
    std::int64_t bytes = std::int64_t(kept.mask.words().size() * sizeof(std::uint64_t));
    for (const QPainterPath& piece : kept.outline.pieces)
        bytes += std::int64_t(piece.elementCount()) * std::int64_t(sizeof(QPainterPath::Element)) + 64;
    return bytes;
}

class Traces {
public:
    struct Found {
        std::shared_ptr<const Kept> kept;
        InkMask mask;  // the picture's mask when nothing kept matched
    };

    Found find(const PictureInk& picture) {
        const Quick quick{picture.image.cacheKey(), picture.tone, picture.window};
        {
            QMutexLocker lock(&mutex_);
            for (Slot& slot : slots_) {
                if (slot.quick == quick) {
                    slot.used = ++clock_;
                    ++count_.reused;
                    return Found{slot.kept, {}};
                }
            }
        }
        InkMask mask = InkMask::ofTone(picture.image, picture.tone, picture.window);
        const std::uint64_t hash = hashOf(mask);
        QMutexLocker lock(&mutex_);
        for (Slot& slot : slots_) {
            if (slot.kept->hash == hash && slot.kept->mask == mask) {
                slot.used = ++clock_;
                slot.quick = quick;
                ++count_.reused;
                return Found{slot.kept, {}};
            }
        }
        return Found{nullptr, std::move(mask)};
    }

    std::shared_ptr<const Kept> keep(const PictureInk& picture, InkMask mask, PictureOutline outline) {
        auto kept = std::make_shared<Kept>();
        kept->hash = hashOf(mask);
        kept->mask = std::move(mask);
        kept->outline = std::move(outline);
        kept->bytes = bytesOf(*kept);
        QMutexLocker lock(&mutex_);
        ++count_.traced;
        if (kept->bytes > kKeptTraceBytes)
            return kept;
        slots_.push_back(Slot{Quick{picture.image.cacheKey(), picture.tone, picture.window}, kept, ++clock_});
        std::int64_t bytes = 0;
        for (const Slot& slot : slots_)
            bytes += slot.kept->bytes;
        while (slots_.size() > std::size_t(kKeptTraces) || bytes > kKeptTraceBytes) {
            const auto oldest = std::min_element(
                slots_.begin(), slots_.end(), [](const Slot& a, const Slot& b) { return a.used < b.used; });
            bytes -= oldest->kept->bytes;
            slots_.erase(oldest);
        }
        return kept;
    }

    TraceCount count() {
        QMutexLocker lock(&mutex_);
        return count_;
    }

    void clear() {
        QMutexLocker lock(&mutex_);
        slots_.clear();
        count_ = TraceCount{};
    }

private:
    // The picture a trace was last made or found for: the same picture
    // data, tone and window need no look at the pixels.
    struct Quick {
        qint64 image = 0;
        QRgb tone = 0;
        QRect window;
        friend bool operator==(const Quick&, const Quick&) = default;
    };
    struct Slot {
        Quick quick;
        std::shared_ptr<const Kept> kept;
        std::uint64_t used = 0;
    };

    QMutex mutex_;
    std::vector<Slot> slots_;
    std::uint64_t clock_ = 0;
    TraceCount count_;
};

Traces& traces() {
    static Traces kept;
    return kept;
}

}  // namespace

InkMask::InkMask(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      wordsPerRow_((width_ + kWordBits - 1) / kWordBits),
      words_(static_cast<std::size_t>(wordsPerRow_) * static_cast<std::size_t>(height_), 0) {}

InkMask InkMask::ofTone(const QImage& picture, QRgb tone, const QRect& window) {
    const QRect inside = window.intersected(picture.rect());
    InkMask mask(inside.width(), inside.height());
    if (inside.isEmpty())
        return mask;
    const QImage pixels =
        picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32
            ? picture
            : picture.convertToFormat(QImage::Format_RGB32);
    const QRgb wanted = tone | 0xFF000000u;
    for (int y = 0; y < mask.height_; ++y) {
        const auto* line =
            reinterpret_cast<const QRgb*>(pixels.constScanLine(inside.top() + y)) + inside.left();
        std::uint64_t* bits = mask.row(y);
        for (int x = 0; x < mask.width_; ++x)
            if ((line[x] | 0xFF000000u) == wanted)
                bits[x / kWordBits] |= bitOf(x);
    }
    return mask;
}

bool InkMask::ink(int x, int y) const {
    return x >= 0 && y >= 0 && x < width_ && y < height_ && (row(y)[x / kWordBits] & bitOf(x)) != 0;
}

void InkMask::setInk(int x, int y) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_)
        row(y)[x / kWordBits] |= bitOf(x);
}

std::int64_t InkMask::edges() const {
    std::int64_t edges = 0;
    for (int y = 0; y < height_; ++y) {
        const std::uint64_t* line = row(y);
        const std::uint64_t* above = y > 0 ? row(y - 1) : nullptr;
        std::uint64_t before = 0;  // the previous word's last pixel
        for (int i = 0; i < wordsPerRow_; ++i) {
            const std::uint64_t word = line[i];
            // A run of ink starts where the pixel to its left is paper, and
            // has two upright edges; the edges across come from the row above.
            const std::uint64_t left = (word >> 1) | (before << (kWordBits - 1));
            edges += 2 * std::popcount(word & ~left);
            edges += std::popcount(word ^ (above ? above[i] : 0));
            before = word & 1;
        }
    }
    for (int i = 0; height_ > 0 && i < wordsPerRow_; ++i)
        edges += std::popcount(row(height_ - 1)[i]);
    return edges;
}

std::optional<PictureOutline> traceMask(const InkMask& mask) {
    PictureOutline outline;
    if (mask.width() == 0 || mask.height() == 0)
        return outline;
    if (mask.edges() > kMaxTracedEdges)
        return std::nullopt;
    static_assert(sizeof(potrace_word) == sizeof(std::uint64_t), "the mask's words are the tracer's");
    std::vector<potrace_word> map(mask.words().size());
    std::memcpy(map.data(), mask.words().data(), map.size() * sizeof(potrace_word));
    potrace_bitmap_t bitmap{mask.width(), mask.height(), mask.wordsPerRow(), map.data()};

    const std::unique_ptr<potrace_param_t, void (*)(potrace_param_t*)> param(potrace_param_default(),
                                                                             potrace_param_free);
    if (!param)
        return std::nullopt;
    // Every pixel of ink is kept: the preview and the pictures show it.
    param->turdsize = 0;
    const std::unique_ptr<potrace_state_t, void (*)(potrace_state_t*)> state(
        potrace_trace(param.get(), &bitmap), potrace_state_free);
    if (!state || state->status != POTRACE_STATUS_OK)
        return std::nullopt;
    // Each outline with its holes; what lies in a hole is an outline of its own.
    for (const potrace_path_t* path = state->plist; path; path = path->next) {
        if (path->sign != '+')
            continue;
        QPainterPath piece;
        piece.setFillRule(Qt::WindingFill);
        addCurve(piece, path->curve);
        for (const potrace_path_t* hole = path->childlist; hole; hole = hole->sibling)
            addCurve(piece, hole->curve);
        outline.bounds.push_back(piece.controlPointRect());
        outline.pieces.push_back(std::move(piece));
    }
    return outline;
}

std::optional<PictureOutline> tracedPicture(const PictureInk& picture) {
    Traces::Found found = traces().find(picture);
    std::shared_ptr<const Kept> kept = std::move(found.kept);
    if (!kept) {
        std::optional<PictureOutline> outline = traceMask(found.mask);
        if (!outline)
            return std::nullopt;
        kept = traces().keep(picture, std::move(found.mask), std::move(*outline));
    }
    const QRect window = picture.window.intersected(picture.image.rect());
    const QTransform place = QTransform::fromTranslate(window.left(), window.top()) * picture.toPreview();
    // A smooth outline may bulge a little beyond the pixels it follows; the
    // preview shows none of the picture beyond its window, nor beyond the
    // field.
    const QRectF box = picture.toPreview().mapRect(QRectF(window)) & kField;
    PictureOutline placed;
    placed.pieces.reserve(kept->outline.pieces.size());
    placed.bounds.reserve(kept->outline.pieces.size());
    for (std::size_t i = 0; i < kept->outline.pieces.size(); ++i) {
        QPainterPath piece = detachedPath(place.map(kept->outline.pieces[i]));
        const QRectF bounds = place.mapRect(kept->outline.bounds[i]);
        if (bounds.left() < box.left() || bounds.top() < box.top() || bounds.right() > box.right() ||
            bounds.bottom() > box.bottom()) {
            for (int k = 0; k < piece.elementCount(); ++k) {
                const QPainterPath::Element e = piece.elementAt(k);
                const double x = std::clamp(e.x, box.left(), box.right());
                const double y = std::clamp(e.y, box.top(), box.bottom());
                if (x != e.x || y != e.y)
                    piece.setElementPositionAt(k, x, y);
            }
        }
        placed.bounds.push_back(bounds & box);
        placed.pieces.push_back(std::move(piece));
    }
    return placed;
}

std::int64_t tracingBytes(const std::vector<InkOp>& ops) {
    std::int64_t most = 0;
    for (const InkOp& op : ops) {
        if (!op.picture)
            continue;
        const std::int64_t edges =
            InkMask::ofTone(op.picture->image, op.picture->tone, op.picture->window).edges();
        if (edges <= kMaxTracedEdges)
            most = std::max(most, edges * kTraceBytesPerEdge);
    }
    return most;
}

TraceCount traceCount() {
    return traces().count();
}

void clearTraces() {
    traces().clear();
}

}  // namespace qg::output
