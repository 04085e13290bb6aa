#include "StandardSizes.h"

#include <algorithm>
#include <cmath>

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

std::vector<StampSizeMm> standardSizes(StampKind kind) {
    switch (kind) {
        case StampKind::Round: {
            std::vector<StampSizeMm> sizes;
            for (int diameter : kRoundSealSizesMm)
                sizes.push_back({diameter, 0});
            return sizes;
        }
        case StampKind::Rect:
            return {kRectStampSizesMm.begin(), kRectStampSizesMm.end()};
        case StampKind::Triangle:
            break;
    }
    return {};
}

QString standardSizeName(const StampSizeMm& size) {
    if (size.height <= 0)
        return QStringLiteral("%1 мм").arg(size.width);
    return QStringLiteral("%1×%2 мм").arg(size.width).arg(size.height);
}

int standardSizeIndex(StampKind kind, double widthMm, double dieHeightMm) {
    // The window's fields hold a tenth of a millimetre.
    const auto same = [](double value, int mm) { return std::abs(value - mm) < 0.05; };
    const std::vector<StampSizeMm> sizes = standardSizes(kind);
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        if (same(widthMm, sizes[i].width) && (sizes[i].height <= 0 || same(dieHeightMm, sizes[i].height)))
            return static_cast<int>(i);
    }
    return -1;
}

ShopLimits minimalShopLimits() {
    return ShopLimits{QStringLiteral("Минимальные"), 0.1, 0.4, 1.5};
}

ShopLimits recommendedShopLimits() {
    return ShopLimits{QStringLiteral("Рекомендуемые"), 0.2, 0.4, 2.35};
}

}  // namespace qg
