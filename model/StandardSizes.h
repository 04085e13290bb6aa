#pragma once

// What stamp shops make and ask for: the standard sizes of each kind and the
// limits their guides give for what comes out cleanly.

#include "Parameters.h"

#include <QString>

#include <array>
#include <vector>

namespace qg {

// Round seals, across the outermost ring, in millimetres.
inline constexpr std::array<int, 6> kRoundSealSizesMm{30, 38, 40, 42, 45, 50};
inline constexpr int kDefaultRoundSealMm = 40;

// Rectangular stamps: the die's width and height in millimetres.
struct StampSizeMm {
    int width = 0;
    int height = 0;
    friend bool operator==(const StampSizeMm&, const StampSizeMm&) = default;
};
inline constexpr std::array<StampSizeMm, 7> kRectStampSizesMm{
    {{38, 14}, {47, 18}, {58, 22}, {70, 25}, {50, 30}, {60, 40}, {75, 38}}};

// A standard size of a kind, as its list in the production window offers
// it: a round seal's diameter (height 0), a rectangular stamp's die.
// Triangular seals have none: the shops' tables give no sizes for them, and
// their side is whatever the design asks for.
std::vector<StampSizeMm> standardSizes(StampKind kind);
// "40 мм", "58×22 мм".
QString standardSizeName(const StampSizeMm& size);
// The place in standardSizes(kind) of the size a width and a die height
// make (a round seal's die height is not asked); -1 when it is none.
int standardSizeIndex(StampKind kind, double widthMm, double dieHeightMm);

// Whether a diameter is one of the standard round sizes.
bool isStandardRoundSize(int mm);
// The smallest standard round size larger than `mm`; 0 when there is none.
int nextRoundSize(int mm);

// Ink must keep this far inside the edge of the die.
inline constexpr double kDieEdgeClearanceMm = 0.5;

// A named set of the shop's limits: the thinnest line, the narrowest white
// gap and the lowest capitals, in millimetres.
struct ShopLimits {
    QString name;
    double minLineMm = 0;
    double minGapMm = 0;
    double minCapMm = 0;
};

// "Минимальные": what a shop will still make (0.1 / 0.4 / 1.5 mm).
ShopLimits minimalShopLimits();
// "Рекомендуемые": what comes out well (0.2 / 0.4 / 2.35 mm).
ShopLimits recommendedShopLimits();

}  // namespace qg
