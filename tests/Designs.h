#pragma once

// Designs the tests and benchmarks share.

#include "Parameters.h"

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace qg::testing {

inline QString repeatedTo(const QString& text, int length) {
    QString out;
    while (out.size() < length)
        out += text;
    return out.left(length);
}

// A picture of one colour as the bytes of a bitmap file.
inline QByteArray bmpBytes(int width, int height, const QColor& colour) {
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "BMP");
    return bytes;
}

// A 198 x 198 crest on white, saved as a bitmap at `path`.
inline bool writeCrest(const QString& path) {
    QImage picture(198, 198, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter p(&picture);
    p.setPen(QPen(Qt::black, 3));
    p.drawEllipse(QPoint(99, 99), 40, 50);
    p.drawLine(59, 99, 139, 99);
    p.fillRect(90, 60, 18, 18, Qt::darkRed);
    p.end();
    return picture.save(path, "BMP");
}

// A dithered emblem at its worst: `side` x `side` pixels, each black or
// white at random (the same ones every time), saved as a 1-bit bitmap at
// `path`.
inline bool writeNoise(const QString& path, int side) {
    QImage picture(side, side, QImage::Format_Mono);
    picture.setColorCount(2);
    picture.setColor(0, qRgb(255, 255, 255));
    picture.setColor(1, qRgb(0, 0, 0));
    std::uint32_t state = 2463534242u;
    for (int y = 0; y < side; ++y) {
        uchar* line = picture.scanLine(y);
        for (int i = 0; i < picture.bytesPerLine(); ++i) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            line[i] = static_cast<uchar>(state >> 24);
        }
    }
    return picture.save(path, "BMP");
}

// Three ring texts of 60 characters, three centre lines and the crest.
inline RoundSealParameters heavyRoundSeal(const QString& crestPath) {
    RoundSealParameters seal = defaultRoundSeal();
    const QStringList words = {QStringLiteral("Общество с ограниченной ответственностью * "),
                               QStringLiteral("Министерство печатей и штампов * "),
                               QStringLiteral("Для документов * Москва * Россия * ")};
    for (int k = 0; k < 3; ++k) {
        seal.lines[k].enabled = true;
        seal.lines[k].text = repeatedTo(words[k], 60);
    }
    for (int k = 3; k < 6; ++k)
        seal.lines[k].enabled = true;
    seal.emblem.enabled = true;
    seal.emblem.path = crestPath;
    seal.emblem.x = 0;
    seal.emblem.y = 0;
    return seal;
}

// The designs with the heavy round seal, its crest written into `folder`;
// false when the crest cannot be written.
inline bool heavyDesigns(const QString& folder, StampDesigns& designs) {
    const QString crest = folder + QStringLiteral("/crest.bmp");
    if (folder.isEmpty() || !writeCrest(crest))
        return false;
    designs.round = heavyRoundSeal(crest);
    return true;
}

// Every kind with all of its texts and outlines switched off.
inline StampDesigns nothingEnabled() {
    StampDesigns designs;
    for (auto& line : designs.round.lines)
        line.enabled = false;
    for (auto& ring : designs.round.rings)
        ring.enabled = false;
    for (auto& line : designs.triangle.lines)
        line.enabled = false;
    for (auto& frame : designs.triangle.frames)
        frame.enabled = false;
    for (auto& line : designs.rect.lines)
        line.enabled = false;
    for (auto& contour : designs.rect.contours)
        contour.enabled = false;
    designs.rect.innerLine.enabled = false;
    return designs;
}

// A round seal with only its outer ring, `width` wide.
inline RoundSealParameters outerRingOnly(int width) {
    RoundSealParameters seal = defaultRoundSeal();
    for (TextLineSettings& line : seal.lines)
        line.enabled = false;
    seal.rings[0].enabled = false;
    seal.rings[1].enabled = false;
    seal.rings[2].width = width;
    return seal;
}

}  // namespace qg::testing
