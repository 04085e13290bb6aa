#pragma once

// The imprint at its true size: raster pictures at a chosen resolution,
// vector files at 1:1, and the page a printer or a view draws.

#include "Ink.h"
#include "Parameters.h"

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringView>
#include <QTransform>

#include <cstdint>
#include <optional>
#include <vector>

class QIODevice;
class QPainter;

namespace qg::output {

enum class Format { Png, Tiff, Pdf, Svg, Bmp };

// "png", "tif"/"tiff", "pdf", "svg", "bmp", in any case.
std::optional<Format> formatFromName(QStringView name);
// The format a file name's extension names.
std::optional<Format> formatFromFileName(const QString& fileName);
QString formatSuffix(Format format);

inline constexpr int kMinDpi = 72;
inline constexpr int kMaxDpi = 4800;
inline constexpr double kMinWidthMm = 1;
inline constexpr double kMaxWidthMm = 500;
inline constexpr double kMaxMarginMm = 100;

// The usual width of each kind: a round seal 40 mm across, a triangular
// seal 45 mm, a stamp 58 mm.
double defaultWidthMm(StampKind kind);

struct Settings {
    double widthMm = 40;
    int dpi = 600;
    Format format = Format::Png;
    bool colour = false;       // the design's colours; else all ink black
    bool mirror = false;       // left to right
    bool negative = false;     // white ink on black inside the imprint's box
    double marginMm = 2;
    bool mergeOutlines = false;  // vector files: one closed outline set per colour
    bool transparent = false;    // PNG: no white behind the ink
};

// The largest page of any format, either way: a PDF page can be no larger.
inline constexpr double kMaxPageMm = 5000;
// The most memory one export may take while it is drawn and written.
inline constexpr std::int64_t kMaxExportBytes = std::int64_t(300) << 20;
// The most pixels a picture may have: a round seal at the largest width,
// margin and resolution, and some room for other shapes.
inline constexpr std::int64_t kMaxPixels = std::int64_t(1) << 35;

// The preview's field, in preview units: the design is what it shows, and
// every true-size drawing is held to it.
inline constexpr QRectF kField(0, 0, 198, 198);

// Ink of an element that lies beyond the field and is left out.
struct FieldCut {
    ElementTag element;
    // How far beyond the field the ink reaches, in preview units.
    double beyond = 0;
    // Where the element is cut: the part of its box that lies on the field's
    // edge or inside it.
    QRectF place;
};

// A design made ready to be drawn at any size.
struct Imprint {
    // The ink within the field.
    std::vector<InkOp> ops;
    // What the imprint occupies, in preview units.
    QRectF box;
    // How many preview units the width in millimetres measures: the width
    // of the outermost ring of a round seal, of the outermost frame of a
    // triangular seal, of the outer contour of a stamp, else of the ink.
    double span = 0;
    // The elements the field cuts, each once.
    std::vector<FieldCut> cuts;

    bool empty() const { return box.isEmpty() || span <= 0; }
};

Imprint makeImprint(const StampDesigns& designs, StampKind kind);

// Millimetres per preview unit at the given width.
double mmPerUnit(const Imprint& imprint, double widthMm);
// The imprint's size in millimetres at the given width.
QSizeF imprintSizeMm(const Imprint& imprint, double widthMm);
// The page: the imprint with the margin all round, in millimetres.
QSizeF pageSizeMm(const Imprint& imprint, const Settings& settings);
// Maps preview units onto the page in millimetres (mirrored if asked).
QTransform pageTransform(const Imprint& imprint, const Settings& settings);
// The imprint's box on the page, in millimetres.
QRectF boxOnPage(const Imprint& imprint, const Settings& settings);

// Draws the page in millimetres as the vector files hold it: the
// negative's black box, then the ink, a picture's pixels as smooth outlines
// traced from them.
void paintPage(QPainter& painter, const Imprint& imprint, const Settings& settings);

// The page as a picture at the settings' resolution: 1-bit black and white
// (ink thresholded at half coverage) or in colour, with the resolution
// written into it. A null picture when it would be larger than a picture
// file is made whole (`wholePictureBytes`).
QImage renderRaster(const Imprint& imprint, const Settings& settings);

// A picture file is made whole in memory and written by the toolkit up to
// this many bytes of picture; a larger one is drawn and written a band of
// rows at a time.
inline constexpr std::int64_t kWholePictureBytes = std::int64_t(48) << 20;
enum class Writing { Auto, Whole, ByRows };

// Whether the settings can be carried out for the imprint: the page and
// its picture within the limits above. Else `error` tells which limit and
// what to change.
bool withinLimits(const Imprint& imprint, const Settings& settings, QString& error);

// The most memory that drawing and writing the file takes at once, in
// bytes, beyond what the program holds anyway.
std::int64_t peakBytes(const Imprint& imprint, const Settings& settings);

// Writes the file the settings ask for to `device`; false with `error` set
// when it cannot be made.
bool writePage(QIODevice& device, const Imprint& imprint, const Settings& settings, QString& error,
               Writing writing = Writing::Auto);

// The bytes of the file the settings ask for; empty with `error` set when
// it cannot be made.
QByteArray encode(const Imprint& imprint, const Settings& settings, QString& error,
                  Writing writing = Writing::Auto);

// Writes the file whole or not at all: after a failure no partial file is
// left and a file that was there is kept. The limits are checked before
// anything is drawn.
bool exportFile(const Imprint& imprint, const Settings& settings, const QString& path, QString& error);

}  // namespace qg::output
