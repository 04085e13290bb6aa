// The findings about the imprint as placed: ink cut off by the field, an
// emblem coarser than the limit, an emblem that cannot be drawn.

#include "CheckParts.h"

namespace qg::check::detail {

// Ink beyond the field, which the imprint leaves out.
void Checker::fieldCuts() {
    for (const output::FieldCut& cut : imprint.cuts)
        add(Severity::Warning, Problem::CutByField, cut.element, {}, cut.beyond * mmPerUnit, 0, cut.place);
}

void Checker::emblem() {
    QRectF box;
    for (const InkOp& op : imprint.ops) {
        if (op.element.kind == ElementKind::Emblem && !op.paper)
            box = box.isNull() ? op.bounds() : box.united(op.bounds());
    }
    if (box.isNull() || mmPerUnit <= 0)
        return;
    // The emblem's pixels are the preview's.
    const double dpi = kMmPerInch / mmPerUnit;
    if (dpi < limits.minEmblemDpi)
        add(Severity::Warning, Problem::EmblemResolution, {ElementKind::Emblem, 1}, {}, dpi, limits.minEmblemDpi,
            box);
}

// Missing from the imprint, whatever else the check finds.
void Checker::unreadableEmblem(const StampDesigns& designs, StampKind kind) {
    if (kind == StampKind::Round && designs.round.emblem.enabled) {
        const QString& file = designs.round.emblem.path;
        const EmblemFile state = examineEmblemFile(file);
        if (state != EmblemFile::Bitmap) {
            add(Severity::Error, Problem::EmblemUnreadable, {ElementKind::Emblem, 1}, {}, 0, 0, QRectF());
            report.findings.back().file = file;
            report.findings.back().emblemFile = state;
        }
    }
}

}  // namespace qg::check::detail
