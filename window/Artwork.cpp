#include "Artwork.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace qg {

namespace {

const QColor kInk(0x1F, 0x3A, 0x93);
const QColor kRed(0xB0, 0x1E, 0x2A);

// A small round seal: two rings and a dot in the middle.
void drawSeal(QPainter& p, const QRectF& box, const QColor& colour, qreal width) {
    p.setPen(QPen(colour, width));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(box.adjusted(width, width, -width, -width));
    const qreal inset = box.width() * 0.18;
    p.setPen(QPen(colour, width / 2));
    p.drawEllipse(box.adjusted(inset, inset, -inset, -inset));
    const qreal r = box.width() * 0.08;
    p.setBrush(colour);
    p.drawEllipse(box.center(), r, r);
}

}  // namespace

QIcon programIcon() {
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawSeal(p, QRectF(1, 1, 30, 30), kRed, 2.5);
    p.end();
    return QIcon(QPixmap::fromImage(image));
}

QPixmap logoPicture() {
    QImage image(150, 42, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    drawSeal(p, QRectF(2, 2, 38, 38), kRed, 2.5);
    QFont font(QStringLiteral("Liberation Serif"));
    font.setPixelSize(22);
    font.setBold(true);
    font.setItalic(true);
    p.setFont(font);
    p.setPen(kInk);
    p.drawText(QRectF(44, 0, 106, 42), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Quillgraver"));
    p.end();
    return QPixmap::fromImage(image);
}

QPixmap infoPicture() {
    QImage image(85, 120, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // A stamp handle above a round seal, as seen from the side.
    QPainterPath handle;
    handle.moveTo(30, 10);
    handle.cubicTo(30, -2, 55, -2, 55, 10);
    handle.lineTo(52, 40);
    handle.lineTo(33, 40);
    handle.closeSubpath();
    p.setPen(QPen(QColor(0x5A, 0x3A, 0x1E), 1.5));
    p.setBrush(QColor(0x9C, 0x6B, 0x3A));
    p.drawPath(handle);
    p.setBrush(QColor(0x40, 0x40, 0x40));
    p.drawRect(QRectF(18, 40, 49, 8));
    drawSeal(p, QRectF(5, 52, 75, 66), kInk, 3);
    p.end();
    return QPixmap::fromImage(image);
}

}  // namespace qg
