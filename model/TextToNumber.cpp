#include "TextToNumber.h"

namespace qg {

namespace {

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

}  // namespace

std::int32_t TextToNumber(QStringView text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i >= n)
        return 0;

    qsizetype hexStart = -1;
    if (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')
        hexStart = i + 1;
    else if (text[i] == u'0' && i + 1 < n && (text[i + 1] == u'x' || text[i + 1] == u'X'))
        hexStart = i + 2;

    if (hexStart >= 0) {
        const qsizetype digits = n - hexStart;
        if (digits < 1 || digits > 8)
            return 0;
        std::uint32_t value = 0;
        for (qsizetype k = hexStart; k < n; ++k) {
            const int d = hexDigit(text[k]);
            if (d < 0)
                return 0;
            value = (value << 4) | static_cast<std::uint32_t>(d);
        }
        const std::uint32_t result = negative ? 0u - value : value;
        return static_cast<std::int32_t>(result);
    }

    std::int64_t value = 0;
    for (qsizetype k = i; k < n; ++k) {
        const char16_t u = text[k].unicode();
        if (u < u'0' || u > u'9')
            return 0;
        value = value * 10 + (u - u'0');
        if (value > 2147483648LL)
            return 0;
    }
    if (negative)
        value = -value;
    if (value > 2147483647LL)
        return 0;
    return static_cast<std::int32_t>(value);
}

}  // namespace qg
