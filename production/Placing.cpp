#include "Placing.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace qg {

namespace {

// The seal's centre in preview units: the middle of the pixel (100, 100),
// round which the rings and ring texts are drawn.
constexpr QPointF kSealCentre(100.5, 100.5);

// Degrees clockwise from 12 o'clock of a point seen from the seal's centre.
double clockAngle(QPointF point) {
    const QPointF d = point - kSealCentre;
    return std::atan2(d.x(), -d.y()) * 180 / std::numbers::pi;
}

// An angle brought into 0..359 (whole degrees), stopping at the quarters
// when it comes near enough.
std::int32_t wholeAngle(double degrees, bool snap) {
    double a = std::fmod(degrees, 360.0);
    if (a < 0)
        a += 360;
    if (snap) {
        for (const double quarter : {0.0, 90.0, 180.0, 270.0, 360.0}) {
            if (std::abs(a - quarter) <= kAngleSnap)
                a = quarter;
        }
    }
    const auto whole = static_cast<std::int32_t>(std::lround(a));
    return whole % 360;
}

// The x and y of the element that is moved (null when it is not one).
std::pair<std::int32_t*, std::int32_t*> placeOf(StampDesigns& designs, StampKind kind, ElementTag element) {
    const int i = element.index;
    if (kind == StampKind::Round && element.kind == ElementKind::Emblem)
        return {&designs.round.emblem.x, &designs.round.emblem.y};
    if (element.kind == ElementKind::CentreLine && i >= 1 && i <= 3) {
        TextLines* lines = kind == StampKind::Round      ? &designs.round.lines
                           : kind == StampKind::Triangle ? &designs.triangle.lines
                                                         : nullptr;
        if (lines) {
            TextLineSettings& line = (*lines)[static_cast<std::size_t>(i + 2)];
            return {&line.x, &line.y};
        }
    }
    return {nullptr, nullptr};
}

std::int32_t* angleOf(StampDesigns& designs, StampKind kind, ElementTag element) {
    if (kind == StampKind::Round && element.kind == ElementKind::RingText && element.index >= 1 &&
        element.index <= 3)
        return &designs.round.lines[static_cast<std::size_t>(element.index - 1)].angle;
    return nullptr;
}

// A coordinate moved by `by` pixels, within what a coordinate can hold.
void shift(std::int32_t& coordinate, double by) {
    const double moved =
        std::clamp(double(coordinate) + std::round(by), double(INT32_MIN), double(INT32_MAX));
    coordinate = static_cast<std::int32_t>(moved);
}

}  // namespace

Placing placingOf(StampKind kind, ElementTag element) {
    const bool oneOfThree = element.index >= 1 && element.index <= 3;
    if (kind == StampKind::Round && element.kind == ElementKind::RingText && oneOfThree)
        return Placing::Turn;
    if ((kind == StampKind::Round && element.kind == ElementKind::Emblem) ||
        (kind != StampKind::Rect && element.kind == ElementKind::CentreLine && oneOfThree))
        return Placing::Move;
    return Placing::None;
}

StampDesigns draggedDesign(const StampDesigns& start, StampKind kind, ElementTag element, QPointF from,
                           QPointF to, bool snap) {
    StampDesigns designs = start;
    if (std::int32_t* angle = angleOf(designs, kind, element)) {
        // Near the centre the angle means nothing: the text stays.
        if (from == kSealCentre || to == kSealCentre)
            return designs;
        *angle = wholeAngle(*angle + clockAngle(to) - clockAngle(from), snap);
    } else if (const auto [x, y] = placeOf(designs, kind, element); x) {
        shift(*x, to.x() - from.x());
        shift(*y, to.y() - from.y());
    }
    return designs;
}

StampDesigns nudgedDesign(const StampDesigns& now, StampKind kind, ElementTag element, int dx, int dy) {
    StampDesigns designs = now;
    if (std::int32_t* angle = angleOf(designs, kind, element)) {
        *angle = wholeAngle(double(*angle) + dx + dy, false);
    } else if (const auto [x, y] = placeOf(designs, kind, element); x) {
        shift(*x, dx);
        shift(*y, dy);
    }
    return designs;
}

}  // namespace qg
