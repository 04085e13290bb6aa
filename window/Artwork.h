#pragma once

// The program's own pictures, drawn in code: its icon, its logo and the
// information page's sample.

#include <QIcon>
#include <QPixmap>

namespace qg {

// Pictures of the program's own, drawn at start: the window icon (32 by 32),
// the logo beside the preview (150 by 42) and the picture of the
// information page (85 by 120).
QIcon programIcon();
QPixmap logoPicture();
QPixmap infoPicture();

}  // namespace qg
