#include "DrawingState.h"

#include "Render.h"

namespace qg {

// The painters leave exactly this state behind, so a paint made in full
// is the plain way to reach it.
void AdvanceDrawingState(Canvas& canvas, const StampDesigns& designs, ActivePage page) {
    ClearStamp(canvas, designs, page);
    PaintStamp(canvas, designs, page);
}

}  // namespace qg
