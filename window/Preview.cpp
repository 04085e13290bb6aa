#include "Preview.h"

#include <QMouseEvent>
#include <QPainter>

namespace qg {

Preview::Preview(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void Preview::setPicture(const QImage* picture) {
    m_picture = picture;
    update();
}

void Preview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_picture)
        painter.drawImage(0, 0, *m_picture);
}

}  // namespace qg

namespace qg {

void Preview::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
    QWidget::mouseDoubleClickEvent(event);
}

}  // namespace qg
