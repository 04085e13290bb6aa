#pragma once

// Placing an element of a design by hand: the design as a drag or an arrow
// key leaves it. Ring texts turn about the seal's centre, centre lines and
// the emblem move by whole preview pixels.

#include "Parameters.h"
#include "Surface.h"

#include <QPointF>

namespace qg {

// A ring text dragged to within this many degrees of the top, the right,
// the bottom or the left stops there.
inline constexpr double kAngleSnap = 3;

// How an element of the kind can be placed by hand.
enum class Placing { None, Turn, Move };
Placing placingOf(StampKind kind, ElementTag element);

// The design `start` with the element dragged from `from` to `to` (preview
// units): a ring text turned by the angle between them about the seal's
// centre (snapped unless `snap` is false), a centre line or the emblem
// moved by the distance between them, rounded to whole pixels. Any other
// element stays as it is.
StampDesigns draggedDesign(const StampDesigns& start, StampKind kind, ElementTag element, QPointF from,
                           QPointF to, bool snap);

// The design with the element moved by `dx`, `dy` pixels, or a ring text
// turned by `dx + dy` degrees (clockwise for the positive).
StampDesigns nudgedDesign(const StampDesigns& now, StampKind kind, ElementTag element, int dx, int dy);

}  // namespace qg
