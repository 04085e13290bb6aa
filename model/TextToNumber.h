#pragma once

// Numbers typed into the edits and read from design files.

#include <QStringView>

#include <cstdint>

namespace qg {

// Whole number in a text, or 0 when the text is not one. Accepted: leading
// spaces, an optional sign, then decimal digits within the 32-bit range or a
// hexadecimal prefix ($, x, X, 0x, 0X) with 1 to 8 hex digits read as a
// 32-bit pattern. Nothing may follow the digits.
std::int32_t TextToNumber(QStringView text);

}  // namespace qg
