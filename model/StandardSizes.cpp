#include "StandardSizes.h"

#include <algorithm>

namespace qg {

bool isStandardRoundSize(int mm) {
    return std::find(kRoundSealSizesMm.begin(), kRoundSealSizesMm.end(), mm) != kRoundSealSizesMm.end();
}

int nextRoundSize(int mm) {
    for (int size : kRoundSealSizesMm) {
        if (size > mm)
            return size;
    }
    return 0;
}

ShopLimits minimalShopLimits() {
    return ShopLimits{QStringLiteral("Минимальные"), 0.1, 0.4, 1.5};
}

ShopLimits recommendedShopLimits() {
    return ShopLimits{QStringLiteral("Рекомендуемые"), 0.2, 0.4, 2.35};
}

}  // namespace qg
