#pragma once

// Colours as the designs and their files keep them, and their screen colours.

#include <cstdint>

namespace qg {

// A colour as the designs and the files carry it: 0x00BBGGRR is a plain RGB
// colour (red in the low byte), 0xFF0000nn is system colour nn, 0x1FFFFFFF
// is "no colour". The value is kept unchanged everywhere and only turned
// into a screen colour when something is drawn with it.
using TColor = std::int32_t;

inline constexpr TColor kNoneColour = 0x1FFFFFFF;
inline constexpr TColor kWhite = 0x00FFFFFF;
inline constexpr TColor kWindowTextColour = static_cast<TColor>(0xFF000008u);
inline constexpr TColor kInactiveBorderColour = static_cast<TColor>(0xFF00000Bu);
// Background of the information page: red 0xFF, green 0xFB, blue 0xF0.
inline constexpr TColor kInfoPageBackground = 0x00F0FBFF;

// The screen colour a value draws as, in Qt's 0xAARRGGBB form (alpha 0xFF).
// The none colour draws black, system colours draw as the standard desktop
// colours, any other value as its low 24 bits.
std::uint32_t colourToArgb(TColor colour);

// The design value of an opaque screen colour given as 0xAARRGGBB.
TColor colourFromArgb(std::uint32_t argb);

}  // namespace qg
