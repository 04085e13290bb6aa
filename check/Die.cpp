// The die: ink that reaches beyond the size the die is named by, and ink
// that does not fit the die at all.

#include "CheckParts.h"

#include "StandardSizes.h"

namespace qg::check {

Die dieFor(StampKind kind, double widthMm, double dieHeightMm) {
    switch (kind) {
        case StampKind::Round:
            return Die{true, widthMm, 0};
        case StampKind::Rect:
            return Die{false, widthMm, dieHeightMm};
        case StampKind::Triangle:
            break;
    }
    return Die();
}

namespace detail {

namespace {

// What the width measures: the widest of the rings or contours.
const InkOp* outermost(const output::Imprint& imprint, bool round) {
    const ElementKind measured = round ? ElementKind::Ring : ElementKind::Contour;
    const InkOp* widest = nullptr;
    for (const InkOp& op : imprint.ops) {
        if (op.paper || op.element.kind != measured || (round && !op.circle))
            continue;
        if (!widest || op.bounds().width() > widest->bounds().width())
            widest = &op;
    }
    return widest;
}

}  // namespace

void Checker::dieFit(const Drawing& drawing, const Die& die) {
    if (die.empty() || !(mmPerUnit > 0))
        return;
    // The die is centred on what the width measures, else on the ink.
    const InkOp* edge = outermost(imprint, die.round);
    const QPointF centre = edge ? edge->bounds().center() : imprint.box.center();
    // The size named, in preview units about the centre.
    const double halfWidth = die.widthMm / 2 / mmPerUnit;
    const double halfHeight = die.heightMm / 2 / mmPerUnit;
    // A round seal's outer ring is the edge of the size it is drawn at all
    // round, if a little off the circle here and there (its points lie on
    // whole preview units): not ink beyond it.
    const int edgeLabel = die.round && edge && std::abs(die.widthMm - mmPerUnit * imprint.span) <= 1e-6
                              ? drawing.labelOf(edge->element)
                              : 0;
    // A pixel is ink where its middle is: the ink's edge may lie half a
    // pixel beyond the middle of its last pixel.
    const double slack = drawing.pixelUnits / 2;
    struct Beyond {
        double most = 0;  // in preview units
        PixelBox box;
    };
    std::map<int, Beyond> beyond;
    const int w = drawing.width;
    const auto end = static_cast<std::size_t>(std::max(w, 0));
    for (int y = 0; y < drawing.height; ++y) {
        const std::uint8_t* row = drawing.labels.data() + static_cast<std::ptrdiff_t>(y) * w;
        const double dy = drawing.origin.y() + (y + 0.5) * drawing.pixelUnits - centre.y();
        for (auto next = nextSet(row, 0, end); next < end; next = nextSet(row, next + 1, end)) {
            const int x = static_cast<int>(next);
            if (row[x] == edgeLabel)
                continue;
            const double dx = drawing.origin.x() + (x + 0.5) * drawing.pixelUnits - centre.x();
            const double out = die.round ? std::hypot(dx, dy) - halfWidth
                                         : std::max(std::abs(dx) - halfWidth, std::abs(dy) - halfHeight);
            if (out <= 0)
                continue;
            Beyond& found = beyond[row[x]];
            found.most = std::max(found.most, out + slack);
            found.box.add(x, y);
        }
    }
    for (const auto& [label, found] : beyond) {
        const double outMm = found.most * mmPerUnit;
        if (outMm <= kSameMm)
            continue;
        const ElementTag element = drawing.elements[static_cast<std::size_t>(label - 1)];
        if (outMm > kDieEdgeClearanceMm + kSameMm)
            add(Severity::Error, Problem::DieFit, element, {}, outMm, kDieEdgeClearanceMm, drawing.place(found.box));
        else
            add(Severity::Warning, Problem::DieEdge, element, {}, kDieEdgeClearanceMm - outMm, kDieEdgeClearanceMm,
                drawing.place(found.box));
        report.findings.back().die = die;
    }
}

}  // namespace detail

}  // namespace qg::check
