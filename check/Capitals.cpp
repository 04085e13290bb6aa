// Low capitals: texts whose capitals come out lower than the limit.

#include "CheckParts.h"

#include "RingText.h"
#include "TextLayout.h"

#include <QRawFont>

#include <utility>

namespace qg::check::detail {

namespace {

const TextLineSettings* textLine(const StampDesigns& designs, StampKind kind, ElementTag element) {
    const int i = element.index;
    switch (element.kind) {
        case ElementKind::RingText:
            return kind == StampKind::Round && i >= 1 && i <= 3 ? &designs.round.lines[static_cast<std::size_t>(i - 1)]
                                                                : nullptr;
        case ElementKind::CentreLine:
            if (i < 1 || i > 3)
                return nullptr;
            if (kind == StampKind::Round)
                return &designs.round.lines[static_cast<std::size_t>(i + 2)];
            if (kind == StampKind::Triangle)
                return &designs.triangle.lines[static_cast<std::size_t>(i + 2)];
            return nullptr;
        case ElementKind::SideText:
            return kind == StampKind::Triangle && i >= 1 && i <= 3
                       ? &designs.triangle.lines[static_cast<std::size_t>(i - 1)]
                       : nullptr;
        case ElementKind::StampLine:
            return kind == StampKind::Rect && i >= 1 && i <= 6 ? &designs.rect.lines[static_cast<std::size_t>(i - 1)]
                                                               : nullptr;
        default:
            return nullptr;
    }
}

}  // namespace

void Checker::lowCapitals(const StampDesigns& designs, StampKind kind) {
    std::vector<ElementTag> texts;
    std::map<std::pair<int, int>, QRectF> bounds;
    for (const InkOp& op : imprint.ops) {
        if (op.paper || !isText(op.element.kind))
            continue;
        const std::pair<int, int> key{static_cast<int>(op.element.kind), op.element.index};
        auto found = bounds.find(key);
        if (found == bounds.end()) {
            texts.push_back(op.element);
            bounds.emplace(key, op.bounds());
        } else {
            found->second = found->second.united(op.bounds());
        }
    }
    FontBook fonts;
    for (const ElementTag& text : texts) {
        const TextLineSettings* line = textLine(designs, kind, text);
        if (!line || line->text.trimmed().isEmpty())
            continue;
        // A ring text fitted to its arc is drawn smaller than its size.
        double emPixels = 0;
        if (kind == StampKind::Round && text.kind == ElementKind::RingText) {
            const RingTextLayout& layout = designs.round.ringLayouts[static_cast<std::size_t>(text.index - 1)];
            if (layout.spacing == RingSpacing::Glyphs && layout.fit) {
                const RingTextPlan plan = planRingText(*line, layout);
                if (plan.reduced)
                    emPixels = plan.emPixels;
            }
        }
        const QRawFont raw = outlineFont(fonts.face(line->font, emPixels));
        if (!raw.isValid())
            continue;
        // The height of the H: fonts without the cap height in their
        // tables get a guess from the font engine, a pixel or more off.
        const QList<quint32> glyphs = raw.glyphIndexesForString(QStringLiteral("H"));
        const double height = glyphs.size() == 1 && glyphs[0] != 0
                                  ? raw.pathForGlyph(glyphs[0]).boundingRect().height()
                                  : 0;
        const double capMm = (height > 0 ? height : raw.capHeight()) * mmPerUnit;
        if (capMm < limits.minCapMm)
            add(Severity::Warning, Problem::LowCapitals, text, {}, capMm, limits.minCapMm,
                bounds[{static_cast<int>(text.kind), text.index}]);
    }
}

}  // namespace qg::check::detail
