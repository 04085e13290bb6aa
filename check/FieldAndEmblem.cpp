// The findings about the imprint as placed: ink cut off by the field, an
// emblem coarser than the limit, an emblem that cannot be drawn.

#include "CheckParts.h"

#include <algorithm>

namespace qg::check::detail {

// Ink beyond the field, which the imprint leaves out.
void Checker::fieldCuts() {
    for (const output::FieldCut& cut : imprint.cuts)
        add(Severity::Warning, Problem::CutByField, cut.element, {}, cut.beyond * mmPerUnit, 0, cut.place);
}

// The resolution of a picture emblem: its own pixels over the size it is
// drawn at. A vector emblem has none to tell.
void Checker::emblem() {
    QRectF box;
    double coarsest = 0;  // preview units a picture pixel covers, the most
    for (const InkOp& op : imprint.ops) {
        if (op.element.kind != ElementKind::Emblem || op.paper || !op.picture)
            continue;
        box = box.isNull() ? op.bounds() : box.united(op.bounds());
        coarsest = std::max({coarsest, op.picture->scale.width(), op.picture->scale.height()});
    }
    if (box.isNull() || coarsest <= 0 || mmPerUnit <= 0)
        return;
    const double dpi = kMmPerInch / (mmPerUnit * coarsest);
    if (dpi < limits.minEmblemDpi)
        add(Severity::Warning, Problem::EmblemResolution, {ElementKind::Emblem, 1}, {}, dpi, limits.minEmblemDpi,
            box);
}

// Missing from the imprint, whatever else the check finds.
void Checker::unreadableEmblem(const StampDesigns& designs, StampKind kind) {
    if (kind == StampKind::Round && designs.round.emblem.enabled) {
        const QString file = namedEmblemFile(designs.round.emblem);
        const EmblemFile state = examineEmblem(designs.round.emblem);
        if (state != EmblemFile::Bitmap) {
            add(Severity::Error, Problem::EmblemUnreadable, {ElementKind::Emblem, 1}, {}, 0, 0, QRectF());
            report.findings.back().file = file;
            report.findings.back().emblemFile = state;
        }
    }
}

}  // namespace qg::check::detail
