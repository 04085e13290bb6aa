#include "WindowFont.h"

#include <QFontDatabase>
#include <QStringList>

namespace qg {

QFont windowFont() {
    const QString dialogFace = QStringLiteral("MS Sans Serif");
    QFont font(dialogFace);
    // Pixels, not points: the controls are laid out in pixels, so the
    // captions must not grow with the screen's resolution.
    font.setPixelSize(11);
    if (QFontDatabase::hasFamily(dialogFace))
        return font;
    // Liberation Sans and Arial share their widths. At the dialog font's
    // height their letters are a little wider than the dialog font's, so
    // that "Вн.линия" would not fit its check box; narrowed by 7 per cent
    // they fit, while the blanks of "S=            px" still carry "px"
    // clear of the edit laid over the label.
    font.setFamilies(QStringList{QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    font.setStretch(93);
    return font;
}

}  // namespace qg
