#pragma once

// Distances on a picture of set and clear pixels, for openings and
// closings with a disc: a disc of radius r about each set pixel covers
// exactly the pixels whose distance to the set is at most r.

#include <cstdint>
#include <vector>

namespace qg::check::morphology {

// For every pixel of a `width` x `height` picture (rows one after the
// other), the squared Euclidean distance between its centre and the centre
// of the nearest pixel where `set` is non-zero; distances beyond `reach`
// come out as (reach + 1)^2. Pixels beyond the picture are clear. The work
// grows with the pixels near the set, not with `reach` squared.
std::vector<std::uint16_t> boundedSquaredDistance(const std::vector<std::uint8_t>& set, int width, int height,
                                                  int reach);

std::vector<std::uint8_t> inverted(const std::vector<std::uint8_t>& set);

}  // namespace qg::check::morphology
