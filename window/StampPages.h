#pragma once

// The pages of the three stamp kinds in the main window, each the editor of
// its kind's design record.

#include "PageEditor.h"

class QLabel;
class QPushButton;

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

    // The emblem group, which takes a bitmap dropped on it while its
    // "Открыть ..." button is enabled.
    QWidget* emblemGroup() const { return m_emblemBox; }
    bool takesEmblemFile() const;
    // Sets the emblem from a chosen file as "Открыть ..." does: the same
    // checks and warnings; a refused file leaves the emblem as it was.
    void setEmblemFile(const QString& path);

private:
    void Page1Box4Button1Click();

    RoundSealParameters& m_seal;
    QLabel* m_emblemLabel = nullptr;
    QWidget* m_emblemBox = nullptr;
    QPushButton* m_emblemOpen = nullptr;
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
