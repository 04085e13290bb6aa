// Pixels near a set of pixels, for the openings and closings of the check.

#include "CheckParts.h"

namespace qg::check::detail {

void nearTo(const std::vector<std::uint8_t>& set, int width, int height, double radius, bool toClear,
            std::vector<std::uint8_t>& out, std::vector<std::uint8_t>& column) {
    const double squared = std::floor(radius * radius);
    if (squared <= 250.0 * 250.0) {
        int within = 0;
        while ((within + 1) * (within + 1) <= squared)
            ++within;
        morphology::columnDistances(set, width, height, within + 1, toClear, column);
        morphology::nearColumns(column, width, height, static_cast<int>(squared), out);
        return;
    }
    const std::vector<std::uint16_t> distance =
        morphology::boundedSquaredDistance(set, width, height, static_cast<int>(std::ceil(radius)), toClear);
    out.resize(distance.size());
    for (std::size_t i = 0; i < distance.size(); ++i)
        out[i] = distance[i] <= radius * radius;
}

}  // namespace qg::check::detail
