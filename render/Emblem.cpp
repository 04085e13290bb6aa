#include "Emblem.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>

namespace qg {

QImage twoToneEmblem(const QImage& picture, TColor background) {
    if (picture.isNull())
        return QImage();
    const std::uint32_t paper = colourToArgb(background);
    const std::uint32_t ink = colourToArgb(kWindowTextColour);
    const std::uint32_t paperRgb = paper & 0x00FFFFFFu;
    QImage result(picture.size(), QImage::Format_RGB32);
    if (result.isNull())
        return result;
    const QImage::Format format = picture.format();
    if (format == QImage::Format_Mono || format == QImage::Format_MonoLSB || format == QImage::Format_Indexed8) {
        // A bitmap with a palette (1, 4 and 8 bits a pixel): each entry's
        // tone once, then a look-up a pixel. An index past the palette
        // counts as transparent black, as a conversion of the whole
        // picture would take it.
        std::uint32_t tones[256];
        const QList<QRgb> table = picture.colorTable();
        for (int i = 0; i < 256; ++i) {
            const QRgb colour = i < table.size() ? table[i] : 0u;
            tones[i] = (colour & 0x00FFFFFFu) == paperRgb ? paper : ink;
        }
        const int width = picture.width();
        for (int y = 0; y < picture.height(); ++y) {
            const uchar* from = picture.constScanLine(y);
            auto* to = reinterpret_cast<std::uint32_t*>(result.scanLine(y));
            if (format == QImage::Format_Indexed8) {
                for (int x = 0; x < width; ++x)
                    to[x] = tones[from[x]];
            } else if (format == QImage::Format_Mono) {
                for (int x = 0; x < width; ++x)
                    to[x] = tones[(from[x >> 3] >> (7 - (x & 7))) & 1];
            } else {
                for (int x = 0; x < width; ++x)
                    to[x] = tones[(from[x >> 3] >> (x & 7)) & 1];
            }
        }
        return result;
    }
    const QImage source = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < source.height(); ++y) {
        const auto* from = reinterpret_cast<const std::uint32_t*>(source.constScanLine(y));
        auto* to = reinterpret_cast<std::uint32_t*>(result.scanLine(y));
        for (int x = 0; x < source.width(); ++x)
            to[x] = (from[x] & 0x00FFFFFFu) == paperRgb ? paper : ink;
    }
    return result;
}

namespace {

// Only a Windows bitmap is accepted, whatever the content looks like.
void openAsBitmap(QImageReader& reader, const QString& path) {
    reader.setFileName(path);
    reader.setFormat("bmp");
    reader.setAutoDetectImageFormat(false);
}

bool tooLarge(const QSize& declared) {
    return declared.width() > kMaxEmblemSide || declared.height() > kMaxEmblemSide;
}

}  // namespace

EmblemFile examineEmblemFile(const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return EmblemFile::Missing;
    QImageReader reader;
    openAsBitmap(reader, path);
    if (!reader.canRead())
        return EmblemFile::NotBitmap;
    return tooLarge(reader.size()) ? EmblemFile::TooLarge : EmblemFile::Bitmap;
}

EmblemLookup lookUpEmblem(const QString& named, const QString& designPath, bool (*keepable)(QStringView)) {
    EmblemLookup found;
    if (named.isEmpty())
        return found;
    found.named = examineEmblemFile(named);
    if (found.named == EmblemFile::Bitmap) {
        found.path = named;
        return found;
    }
    if (found.named != EmblemFile::Missing)
        return found;
    // The name as the design holds it, written on Windows or here.
    const QString name = named.mid(std::max(named.lastIndexOf(u'/'), named.lastIndexOf(u'\\')) + 1);
    const QString beside = QFileInfo(designPath).absoluteDir().filePath(name);
    if (name.isEmpty() || (keepable && !keepable(beside)) || examineEmblemFile(beside) != EmblemFile::Bitmap)
        return found;
    found.path = beside;
    found.beside = true;
    return found;
}

QImage EmblemCache::load(const QString& path, TColor background) {
    if (path.isEmpty())
        return QImage();
    const QFileInfo info(path);
    if (!info.isFile())
        return QImage();
    const std::int64_t size = info.size();
    const QDateTime modified = info.lastModified();
    if (valid_ && path_ == path && size_ == size && modified_ == modified && background_ == background)
        return picture_;

    QImageReader reader;
    openAsBitmap(reader, path);
    const QImage decoded = examineEmblemFile(path) == EmblemFile::Bitmap ? reader.read() : QImage();

    valid_ = true;
    path_ = path;
    size_ = size;
    modified_ = modified;
    background_ = background;
    picture_ = twoToneEmblem(decoded, background);
    return picture_;
}

}  // namespace qg
