#pragma once

// The round seal's emblem: what a file holds, where it is found, and the
// two-tone picture drawn from it: a bitmap of the fixed lines, or a picture
// of any kind the program draws (SVG, PNG, JPEG, BMP), at its own size or
// scaled, in two tones divided at a threshold.

#include "Colour.h"
#include "Parameters.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QPainterPath>
#include <QSizeF>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <memory>
#include <vector>

namespace qg {

// An emblem is read only when neither side of the size its picture declares
// is above this many pixels; a larger one counts as unreadable and is not
// decoded. A picture this large already holds more than 2400 dpi over a
// seal 40 mm wide.
inline constexpr int kMaxEmblemSide = 4096;

// What an emblem file holds, as the drawing will take it. Bitmap: a
// picture the drawing takes (for the fixed lines' path only a Windows
// bitmap, whatever the content looks like); NotBitmap: anything else.
enum class EmblemFile { Bitmap, Missing, NotBitmap, TooLarge };
// The file as the fixed lines' path: a Windows bitmap only.
EmblemFile examineEmblemFile(const QString& path);
// The file as a picture of any kind the drawing takes.
EmblemFile examinePictureFile(const QString& path);

// The file the emblem names: its picture of any kind when it has one, else
// the bitmap of the fixed lines.
QString namedEmblemFile(const EmblemSettings& emblem);

// What the drawing will take the emblem from: the file it names, or the
// copy carried in the design when that file is missing. Bitmap when there
// is a picture to draw; else what is wrong with the file named (Missing for
// no name), or NotBitmap for a copy that is no picture the drawing takes.
EmblemFile examineEmblem(const EmblemSettings& emblem);

// The emblem a design names, looked up for the design at `designPath`. A
// design sent to another machine with its emblem beside it names a folder
// that machine lacks: when the named file is missing, the file of the same
// name in the design's folder is taken instead, if it is a picture the
// drawing takes (with `anyKind` any picture, else a Windows bitmap) and
// `keepable` (when given) accepts its path. The window and the command
// line both decide by this.
struct EmblemLookup {
    EmblemFile named = EmblemFile::Missing;  // what the named file holds; Missing for no name
    QString path;         // the file to draw: the named one, the one beside the design, or none
    bool beside = false;  // the file beside the design stands in for the missing one
};
EmblemLookup lookUpEmblem(const QString& named, const QString& designPath, bool (*keepable)(QStringView) = nullptr,
                          bool anyKind = false);

// The emblem reduced to two tones: every pixel of exactly the background
// colour in that colour, every other pixel in the window-text colour.
QImage twoToneEmblem(const QImage& picture, TColor background);

// One filled area of a vector emblem, in the order they are painted: ink,
// or paper that covers the ink beneath it.
struct EmblemShape {
    QPainterPath path;
    bool ink = true;
};

// A picture as read from its file or its copy, shared by every drawing of it.
struct DecodedEmblem;

// The emblem as the painters hand it to a surface.
struct EmblemDrawing {
    // Two tones at the drawn size, one pixel to a preview pixel, as
    // twoToneEmblem gives them (Format_RGB32): what the preview shows.
    QImage preview;
    // For a target that draws at a larger scale, a vector emblem: its
    // shapes in preview units from the emblem's top-left corner, held to
    // the preview's rectangle.
    bool vector = false;
    std::vector<EmblemShape> shapes;
    // A raster emblem drawn at another size than its own: the picture the
    // preview is made from, kept for the two tones at its own resolution
    // (fineEmblem), and how many preview units each of its pixels covers.
    // Null for a picture drawn a pixel to a preview pixel.
    std::shared_ptr<const DecodedEmblem> source;
    QSizeF scale{1, 1};
    TColor background = 0;
    std::int32_t threshold = kDefaultEmblemThreshold;
};

// The raster emblem of the drawing in two tones at the picture's own
// resolution, as twoToneEmblem gives them; the preview picture when there is
// nothing finer. Worked out once for each picture, background and threshold.
QImage fineEmblem(const EmblemDrawing& drawing);

// Reads the emblem for a paint. The file is looked up on every call; what
// was read and drawn from it is reused only while the file's path, size and
// modification time (or the copy in the design), the background, the width
// and the threshold stay the same.
class EmblemCache {
public:
    // The two-tone bitmap at `path`, or a null image when there is no file
    // at the path, it cannot be read as a bitmap or it is too large.
    QImage load(const QString& path, TColor background);

    // The emblem as drawn on the seal of `background`; null when there is
    // nothing to draw.
    std::shared_ptr<const EmblemDrawing> drawing(const EmblemSettings& emblem, TColor background);

private:
    bool valid_ = false;
    QString path_;
    std::int64_t size_ = 0;
    QDateTime modified_;
    TColor background_ = 0;
    QImage picture_;

    struct Key {
        QString path;
        bool anyKind = false;
        std::int64_t size = -1;
        QDateTime modified;
        QByteArray data;
        TColor background = 0;
        std::int32_t width = 0;
        std::int32_t threshold = 0;
        bool operator==(const Key&) const;
    };
    bool haveDrawing_ = false;
    Key key_;
    std::shared_ptr<const EmblemDrawing> drawing_;
};

}  // namespace qg
