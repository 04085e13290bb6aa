#pragma once

// Distances on a picture of set and clear pixels, for openings and
// closings with a disc: a disc of radius r about each set pixel covers
// exactly the pixels whose distance to the set is at most r.

#include <cstdint>
#include <vector>

namespace qg::check::morphology {

// For every pixel of a `width` x `height` picture (rows one after the
// other), the squared Euclidean distance between its centre and the centre
// of the nearest pixel where `set` is non-zero (`toClear`: where it is
// zero); distances beyond `reach` come out as (reach + 1)^2. Pixels beyond
// the picture count as neither. The work grows with the pixels near the
// set, not with `reach` squared.
std::vector<std::uint16_t> boundedSquaredDistance(const std::vector<std::uint8_t>& set, int width, int height,
                                                  int reach, bool toClear = false);

// 1 where the squared distance to the nearest pixel where `set` is
// non-zero is at most `radiusSquared` (0 to 250^2), 0 elsewhere: what
// boundedSquaredDistance() would give thresholded, at less cost. `near`
// may be `set` itself.
void nearSet(const std::vector<std::uint8_t>& set, int width, int height, int radiusSquared,
             std::vector<std::uint8_t>& near);

// Down each column, the distance to the nearest pixel of `set` above or
// below it (`toClear`: of the clear pixels), held at `far` (1 to 255).
std::vector<std::uint8_t> columnDistances(const std::vector<std::uint8_t>& set, int width, int height, int far,
                                          bool toClear = false);
// The same into `column`, whose room is used again.
void columnDistances(const std::vector<std::uint8_t>& set, int width, int height, int far, bool toClear,
                     std::vector<std::uint8_t>& column);

// nearSet() from the column distances of the set, held at more than the
// radius.
void nearColumns(const std::vector<std::uint8_t>& column, int width, int height, int radiusSquared,
                 std::vector<std::uint8_t>& near);

// One pixel's squared distance as boundedSquaredDistance() gives it, from
// the column distances of the set held at `reach` + 1 or more.
int squaredDistanceAt(const std::vector<std::uint8_t>& column, int width, int x, int y, int reach);

// The offset (dx, dy) from (x, y) to the nearest pixel where `set` is
// non-zero (`toClear`: zero), found from the column distances of the set
// held at `reach` + 1 or more; false when none lies within `reach`.
bool nearestOffset(const std::vector<std::uint8_t>& column, const std::vector<std::uint8_t>& set, int width,
                   int height, int x, int y, int reach, bool toClear, int& dx, int& dy);

// How wide the stretch of pixels around (x, y) is, across it through the
// pixel (dx, dy) away, which ends it on one side: the distance from that
// pixel's centre to the centre of the first pixel that ends it on the
// other side (both measured along the line through them), less one pixel
// for the half pixels by which the two centres lie beyond the edges. A
// pixel ends the stretch where `set` is non-zero (`toClear`: zero). Taken
// from a pixel's nearest end this is within a pixel of the true width of
// a band or a ring. `longest` when the other side is not met within
// `longest` pixels or before the picture's edge; `otherX`, `otherY` get
// the pixel that ends it there.
double widthAcross(const std::vector<std::uint8_t>& set, int width, int height, int x, int y, int dx, int dy,
                   bool toClear, double longest, int* otherX = nullptr, int* otherY = nullptr);

std::vector<std::uint8_t> inverted(const std::vector<std::uint8_t>& set);

}  // namespace qg::check::morphology
