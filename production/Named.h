#pragma once

// Naming the production window's controls: each has an object name the
// tests find it by and a tool tip that says what it does.

#include <QString>

namespace qg {

template <typename T>
T* named(T* widget, const char* name, const QString& toolTip) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setToolTip(toolTip);
    return widget;
}

}  // namespace qg
