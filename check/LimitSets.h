#pragma once

// The shops' limits as named sets: what the check holds a design to when
// the user picks a set rather than each limit.

#include "Check.h"

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace qg::check {

// "Минимальные": what a shop will still make; a line thinner than the
// recommended one is told as a warning. "Рекомендуемые": what comes out
// well; a line thinner than that is an error.
enum class LimitSet { Minimal, Recommended };
inline constexpr std::array<LimitSet, 2> kLimitSets{LimitSet::Minimal, LimitSet::Recommended};

// The command line's name: "minimal", "recommended".
QString limitSetKey(LimitSet set);
std::optional<LimitSet> limitSetFromKey(QStringView key);
// The name the window lists it by.
QString limitSetTitle(LimitSet set);

// `limits` with the set's thinnest and safe line, narrowest gap and lowest
// capitals; the emblem's resolution is left as it is.
Limits withLimitSet(LimitSet set, Limits limits);
// The set whose every limit `limits` has; none for limits of the user's own.
std::optional<LimitSet> limitSetOf(const Limits& limits);

}  // namespace qg::check
