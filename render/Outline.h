#pragma once

// The outline of the pixels of one tone of a picture, for drawing a
// picture as ink at any scale.

#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QRect>
#include <QRgb>

#include <functional>

namespace qg {

// The pixels of `tone` (compared without alpha) inside `window` (picture
// coordinates) for which `keep(x, y)` holds, or all of them when `keep` is
// empty, as closed outlines along the pixels' edges: one loop round each
// patch of the tone and one round each hole in it, a corner where the
// outline turns and nowhere else. Pixel (x, y) covers [at.x + x, +1) x
// [at.y + y, +1). The outlines run clockwise on screen round the tone and
// the other way round the holes, so that both fill rules fill the tone;
// patches that touch only at a corner get loops of their own. The work
// grows with the window's area, whatever the picture holds.
QPainterPath toneOutline(const QImage& picture, QRgb tone, const QRect& window, QPointF at,
                         const std::function<bool(int x, int y)>& keep = {});

}  // namespace qg
