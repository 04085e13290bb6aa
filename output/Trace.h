#pragma once

// A picture's ink traced into smooth outlines for the vector files: the
// pixels of one tone become closed curves (cubic Béziers, with corners
// where the pixels turn sharply) instead of a staircase of squares.

#include "Ink.h"

#include <QPainterPath>
#include <QRect>
#include <QRgb>
#include <QTransform>

#include <cstdint>
#include <optional>
#include <vector>

class QImage;

namespace qg::output {

// A 1-bit picture: which pixels are ink. Rows are whole 64-bit words, the
// leftmost pixel in the highest bit.
class InkMask {
public:
    InkMask() = default;
    InkMask(int width, int height);

    // The pixels of `tone` in `window` of `picture`; the window's top-left
    // pixel is the mask's (0, 0).
    static InkMask ofTone(const QImage& picture, QRgb tone, const QRect& window);

    int width() const { return width_; }
    int height() const { return height_; }
    int wordsPerRow() const { return wordsPerRow_; }
    bool ink(int x, int y) const;
    void setInk(int x, int y);
    const std::vector<std::uint64_t>& words() const { return words_; }
    std::uint64_t* row(int y) {
        return words_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(wordsPerRow_);
    }
    const std::uint64_t* row(int y) const {
        return words_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(wordsPerRow_);
    }
    // How many pixel edges part ink from paper (the picture's edge counts
    // as paper): how long the outlines are, and so what tracing takes.
    std::int64_t edges() const;

    friend bool operator==(const InkMask&, const InkMask&) = default;

private:
    int width_ = 0;
    int height_ = 0;
    int wordsPerRow_ = 0;
    std::vector<std::uint64_t> words_;
};

// Tracing takes time and memory by the length of the outlines: a mask with
// more edges than this is not traced (noise, a dithered photograph), and its
// pixels go into the files as they are.
inline constexpr std::int64_t kMaxTracedEdges = std::int64_t(1) << 20;
// What tracing holds for each edge while it works, at most (about 100
// bytes measured, on noise and on fine checks alike).
inline constexpr std::int64_t kTraceBytesPerEdge = 128;

// The ink of a mask traced, in the mask's pixel coordinates (pixel (x, y)
// covers [x, x+1) x [y, y+1)): pieces that do not overlap, each an outline
// with its holes wound the other way. Nothing for a mask beyond
// `kMaxTracedEdges`.
std::optional<PictureOutline> traceMask(const InkMask& mask);

// The ink of a picture's tone in its window traced, placed in preview units
// (`PictureInk::toPreview`, at the picture's own size or another) and held
// to the window's box and the field as the preview shows the picture. The trace
// is kept for the next call with the same pixels; the paths returned share
// nothing with what is kept.
std::optional<PictureOutline> tracedPicture(const PictureInk& picture);

// The most memory that tracing the pictures of the ops takes, one at a time.
std::int64_t tracingBytes(const std::vector<InkOp>& ops);

// What the kept traces have served since the last `clearTraces`.
struct TraceCount {
    int traced = 0;  // traced afresh
    int reused = 0;  // found kept
};
TraceCount traceCount();
void clearTraces();

// At most this many traces are kept, and no more path than this in all;
// the one used longest ago goes first.
inline constexpr int kKeptTraces = 8;
inline constexpr std::int64_t kKeptTraceBytes = std::int64_t(64) << 20;

}  // namespace qg::output
