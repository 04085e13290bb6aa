#pragma once

// Pixel-level drawing on a Format_RGB32 picture. Everything is aliased and
// opaque except the blending of premultiplied pictures; nothing is written
// outside the picture, wherever the shapes lie.

#include "Geometry.h"

#include <QImage>

#include <cstdint>
#include <span>

namespace qg::raster {

// A one-pixel line from a towards b; the pixel of b itself is left out (the
// next line of a run starts there). Exact for any 64-bit end points.
void thinLine(QImage& image, Point64 a, Point64 b, std::uint32_t argb);

// Every pixel whose centre lies within `radius` of the segment a-b: a line
// with round ends. Pixel (i, j) has its centre at (i, j).
void capsule(QImage& image, PointF64 a, PointF64 b, double radius, std::uint32_t argb);

// [left, right) x [top, bottom), clipped to the picture.
void fillRect(QImage& image, std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
              std::uint32_t argb);

// Pixels [x0, x1) of row y.
struct Run {
    int y = 0;
    int x0 = 0;
    int x1 = 0;
};

// The runs, shifted by (dx, dy) and clipped to the picture.
void fillRuns(QImage& image, std::int64_t dx, std::int64_t dy, std::span<const Run> runs, std::uint32_t argb);

// An opaque picture (RGB32 or ARGB32 treated as opaque) copied with its
// top-left corner at (x, y).
void copy(QImage& image, std::int64_t x, std::int64_t y, const QImage& picture);

// A Format_ARGB32_Premultiplied picture laid over the canvas at (x, y); the
// canvas may be opaque (RGB32) or itself premultiplied.
void blend(QImage& image, std::int64_t x, std::int64_t y, const QImage& picture);

}  // namespace qg::raster
