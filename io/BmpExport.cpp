#include "BmpExport.h"
#include "StampFile.h"

#include <QBuffer>
#include <QImageWriter>

namespace qg::io {

bool exportBmp(const QImage& picture, const QString& path, QString& error) {
    if (picture.isNull()) {
        error = QStringLiteral("There is no picture to save");
        return false;
    }
    // 32-bit RGB without alpha is written as a plain 24-bit bitmap with no
    // colour table and no compression, whatever the picture's own format.
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);

    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "bmp");
    if (!writer.write(rgb)) {
        error = writer.errorString();
        return false;
    }
    buffer.close();
    return writeWholeFile(path, bytes, error);
}

}  // namespace qg::io
