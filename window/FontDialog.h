#pragma once

// The program's own font dialog, which a text line's "Шрифт" opens.

#include "LineFont.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;

namespace qg {

// Font choice with effects: face (scalable fonts only), size in points,
// bold, italic, underline, strike-out and colour. A face that is not
// installed has an entry of its own, so that it is kept unless another is
// chosen.
class FontDialog : public QDialog {
    Q_OBJECT
public:
    FontDialog(const LineFont& initial, QWidget* parent);
    LineFont font() const;

private:
    void updateSample();

    LineFont m_initial;
    int m_initialFace = -1;     // the entry of the initial face in the face list
    bool m_sizeChosen = false;  // the size box was touched by the user
    QComboBox* m_face = nullptr;
    QSpinBox* m_size = nullptr;
    QCheckBox* m_bold = nullptr;
    QCheckBox* m_italic = nullptr;
    QCheckBox* m_underline = nullptr;
    QCheckBox* m_strikeOut = nullptr;
    QComboBox* m_colour = nullptr;
    QLabel* m_sample = nullptr;
};

}  // namespace qg
