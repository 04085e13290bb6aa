#pragma once

// The round seal's emblem bitmap: what a file holds, where it is found, and
// its two-tone picture.

#include "Colour.h"

#include <QDateTime>
#include <QImage>
#include <QString>
#include <QStringView>

#include <cstdint>

namespace qg {

// An emblem is read only when neither side of the size its bitmap declares
// is above this many pixels, far more than the preview can ever show; a
// larger one counts as unreadable and is not decoded.
inline constexpr int kMaxEmblemSide = 4096;

// What an emblem file holds, as the drawing will take it: only a Windows
// bitmap, whatever the content looks like, and none larger than the limit.
enum class EmblemFile { Bitmap, Missing, NotBitmap, TooLarge };
EmblemFile examineEmblemFile(const QString& path);

// The emblem a design names, looked up for the design at `designPath`. A
// design sent to another machine with its emblem beside it names a folder
// that machine lacks: when the named file is missing, the file of the same
// name in the design's folder is taken instead, if it is a bitmap the
// drawing takes and `keepable` (when given) accepts its path. The window
// and the command line both decide by this.
struct EmblemLookup {
    EmblemFile named = EmblemFile::Missing;  // what the named file holds; Missing for no name
    QString path;         // the file to draw: the named one, the one beside the design, or none
    bool beside = false;  // the file beside the design stands in for the missing one
};
EmblemLookup lookUpEmblem(const QString& named, const QString& designPath, bool (*keepable)(QStringView) = nullptr);

// The emblem reduced to two tones: every pixel of exactly the background
// colour in that colour, every other pixel in the window-text colour.
QImage twoToneEmblem(const QImage& picture, TColor background);

// Reads the emblem bitmap for a paint. The file is looked up on every call;
// the decoded picture is reused only while the file's path, size and
// modification time and the background stay the same.
class EmblemCache {
public:
    // The two-tone emblem, or a null image when there is no file at the
    // path, it cannot be read as a bitmap or it is too large.
    QImage load(const QString& path, TColor background);

private:
    bool valid_ = false;
    QString path_;
    std::int64_t size_ = 0;
    QDateTime modified_;
    TColor background_ = 0;
    QImage picture_;
};

}  // namespace qg
