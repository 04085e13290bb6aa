#include "Colour.h"

#include <array>

namespace qg {

namespace {

// The classic default desktop scheme, indexed by system colour number.
constexpr std::array<std::uint32_t, 31> kSystemColours = {
    0xC8D0D4,  // 0 scroll bar
    0x3A6EA5,  // 1 desktop
    0x0A246A,  // 2 active caption
    0x808080,  // 3 inactive caption
    0xD4D0C8,  // 4 menu
    0xFFFFFF,  // 5 window
    0x000000,  // 6 window frame
    0x000000,  // 7 menu text
    0x000000,  // 8 window text
    0xFFFFFF,  // 9 caption text
    0xD4D0C8,  // 10 active border
    0xD4D0C8,  // 11 inactive border
    0x808080,  // 12 application workspace
    0x0A246A,  // 13 highlight
    0xFFFFFF,  // 14 highlight text
    0xD4D0C8,  // 15 button face
    0x808080,  // 16 button shadow
    0x808080,  // 17 grey text
    0x000000,  // 18 button text
    0xD4D0C8,  // 19 inactive caption text
    0xFFFFFF,  // 20 button highlight
    0x404040,  // 21 3-D dark shadow
    0xD4D0C8,  // 22 3-D light
    0x000000,  // 23 tool tip text
    0xFFFFE1,  // 24 tool tip background
    0xB5B5B5,  // 25 (unused slot)
    0x000080,  // 26 hot light
    0xA6CAF0,  // 27 gradient active caption
    0xC0C0C0,  // 28 gradient inactive caption
    0x316AC5,  // 29 menu highlight
    0xECE9D8,  // 30 menu bar
};

}  // namespace

std::uint32_t colourToArgb(TColor colour) {
    const auto value = static_cast<std::uint32_t>(colour);
    if (colour == kNoneColour)
        return 0xFF000000u;
    if ((value & 0xFF000000u) == 0xFF000000u) {
        const std::uint32_t index = value & 0xFFu;
        const std::uint32_t rgb = index < kSystemColours.size() ? kSystemColours[index] : 0x000000u;
        return 0xFF000000u | rgb;
    }
    const std::uint32_t red = value & 0xFFu;
    const std::uint32_t green = (value >> 8) & 0xFFu;
    const std::uint32_t blue = (value >> 16) & 0xFFu;
    return 0xFF000000u | (red << 16) | (green << 8) | blue;
}

TColor colourFromArgb(std::uint32_t argb) {
    const std::uint32_t red = (argb >> 16) & 0xFFu;
    const std::uint32_t green = (argb >> 8) & 0xFFu;
    const std::uint32_t blue = argb & 0xFFu;
    return static_cast<TColor>(red | (green << 8) | (blue << 16));
}

}  // namespace qg
