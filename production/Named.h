#pragma once

// Naming and laying out the production window's controls: each has an
// object name the tests find it by and a tool tip that says what it does,
// and a field in a form has a caption whose Alt-letter reaches it.

#include <QFormLayout>
#include <QLabel>
#include <QString>

namespace qg {

template <typename T>
T* named(T* widget, const char* name, const QString& toolTip) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setToolTip(toolTip);
    return widget;
}

inline void addLabelledRow(QFormLayout* form, const QString& caption, QWidget* field) {
    auto* label = new QLabel(caption);
    label->setBuddy(field);
    form->addRow(label, field);
}

}  // namespace qg
