#pragma once

// The preview written as a Windows bitmap file.

#include <QImage>
#include <QString>

namespace qg::io {

// Writes the picture as an uncompressed 24-bit Windows bitmap (whole or not at all);
// on failure returns false with the system's reason and leaves any previous
// file untouched.
bool exportBmp(const QImage& picture, const QString& path, QString& error);

}  // namespace qg::io
