#pragma once

#include <QWidget>

namespace qg {

// Page4, "О программе": the program's name and a picture.
class InfoPage : public QWidget {
    Q_OBJECT
public:
    explicit InfoPage(QWidget* parent);
};

}  // namespace qg
