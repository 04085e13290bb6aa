#pragma once

// The 198 by 198 preview beside the pages.

#include <QImage>
#include <QWidget>

namespace qg {

// Shows the preview picture at its own size.
class Preview : public QWidget {
    Q_OBJECT
public:
    explicit Preview(QWidget* parent);
    // The picture is owned elsewhere and must outlive the preview.
    void setPicture(const QImage* picture);

signals:
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    const QImage* m_picture = nullptr;
};

}  // namespace qg
