#include "LimitSets.h"

#include "StandardSizes.h"

#include <algorithm>
#include <cmath>

namespace qg::check {

namespace {

ShopLimits shopLimits(LimitSet set) {
    return set == LimitSet::Minimal ? minimalShopLimits() : recommendedShopLimits();
}

// Limits as the window's fields hold them, to a hundredth of a millimetre.
bool same(double a, double b) {
    return std::abs(a - b) < 0.005;
}

}  // namespace

QString limitSetKey(LimitSet set) {
    return set == LimitSet::Minimal ? QStringLiteral("minimal") : QStringLiteral("recommended");
}

std::optional<LimitSet> limitSetFromKey(QStringView key) {
    for (const LimitSet set : kLimitSets) {
        if (key.compare(limitSetKey(set), Qt::CaseInsensitive) == 0)
            return set;
    }
    return std::nullopt;
}

QString limitSetTitle(LimitSet set) {
    return shopLimits(set).name;
}

Limits withLimitSet(LimitSet set, Limits limits) {
    const ShopLimits shop = shopLimits(set);
    limits.minLineMm = shop.minLineMm;
    // Below the recommended line a line may still come out, but not surely.
    limits.safeLineMm = std::max(shop.minLineMm, recommendedShopLimits().minLineMm);
    limits.minGapMm = shop.minGapMm;
    limits.minCapMm = shop.minCapMm;
    return limits;
}

std::optional<LimitSet> limitSetOf(const Limits& limits) {
    for (const LimitSet set : kLimitSets) {
        const Limits wanted = withLimitSet(set, limits);
        if (same(limits.minLineMm, wanted.minLineMm) && same(limits.safeLineMm, wanted.safeLineMm) &&
            same(limits.minGapMm, wanted.minGapMm) && same(limits.minCapMm, wanted.minCapMm))
            return set;
    }
    return std::nullopt;
}

}  // namespace qg::check
