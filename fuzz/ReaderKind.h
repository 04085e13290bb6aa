#pragma once

// Which reader the fuzz targets hand an input to.

#include "StampFile.h"

#include <QByteArray>

#include <optional>

namespace qg::fuzz {

// The reader a fuzzed input goes to: that of the kind its section marker
// names, as the program chooses, or, for an input without a marker, the one
// its first byte picks, so that such inputs exercise every reader too.
inline StampKind readerKind(const QByteArray& bytes) {
    if (const std::optional<StampKind> marked = io::sectionKind(bytes))
        return *marked;
    if (bytes.isEmpty())
        return StampKind::Round;
    return static_cast<StampKind>(static_cast<unsigned char>(bytes.front()) % kKindCount);
}

}  // namespace qg::fuzz
