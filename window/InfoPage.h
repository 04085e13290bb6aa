#pragma once

// The information page of the main window.

#include <QWidget>

namespace qg {

// Page4, "О программе": the program's name and a picture.
class InfoPage : public QWidget {
    Q_OBJECT
public:
    explicit InfoPage(QWidget* parent);
};

}  // namespace qg
