#pragma once

#include "LineFont.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QFontComboBox;
class QLabel;
class QSpinBox;

namespace qg {

// Font choice with effects: face (scalable fonts only), size in points,
// bold, italic, underline, strike-out and colour.
class FontDialog : public QDialog {
    Q_OBJECT
public:
    FontDialog(const LineFont& initial, QWidget* parent);
    LineFont font() const;

private:
    void updateSample();

    LineFont m_initial;
    bool m_faceChosen = false;  // the face list was touched by the user
    bool m_sizeChosen = false;  // so was the size box
    QFontComboBox* m_face = nullptr;
    QSpinBox* m_size = nullptr;
    QCheckBox* m_bold = nullptr;
    QCheckBox* m_italic = nullptr;
    QCheckBox* m_underline = nullptr;
    QCheckBox* m_strikeOut = nullptr;
    QComboBox* m_colour = nullptr;
    QLabel* m_sample = nullptr;
};

}  // namespace qg
