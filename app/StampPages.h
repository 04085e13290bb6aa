#pragma once

#include "PageEditor.h"

class QLabel;

namespace qg {

// The file's name without its folder. A path read from a design file may
// come from Windows: both separators count.
QString fileNameOfPath(const QString& path);

// Page1, "Круглая": ring texts, centre lines, rings and the emblem.
class RoundSealPage : public StampPageEditor {
    Q_OBJECT
public:
    RoundSealPage(PageHost& host, RoundSealParameters& seal, QWidget* parent);

    // Shows the first 14 characters of the emblem file's name, or the
    // caption of a page with no emblem chosen when the path is empty.
    void showEmblemFileName(const QString& path);

    static const QString kNoEmblemCaption;

private:
    void Page1Box4Button1Click();

    RoundSealParameters& m_seal;
    QLabel* m_emblemLabel = nullptr;
};

// Page2, "Треугольная": side texts, centre lines and three triangle frames.
class TriangleSealPage : public StampPageEditor {
    Q_OBJECT
public:
    TriangleSealPage(PageHost& host, TriangleSealParameters& seal, QWidget* parent);
};

// Page3, "Штамп": six text lines, two contours and the inner line.
class RectStampPage : public StampPageEditor {
    Q_OBJECT
public:
    RectStampPage(PageHost& host, RectStampParameters& stamp, QWidget* parent);
};

}  // namespace qg
