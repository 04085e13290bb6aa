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

std::vector<std::uint8_t> inverted(const std::vector<std::uint8_t>& set);

}  // namespace qg::check::morphology
