#pragma once

// The font of the program's windows.

#include <QFont>

namespace qg {

// The font of the program's windows. The layout is fixed in pixels for
// "MS Sans Serif" 8 pt (11 pixels); where that face is not installed, a
// font whose captions take no more room than the layout gives them.
QFont windowFont();

}  // namespace qg
