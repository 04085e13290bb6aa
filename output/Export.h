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

#include <optional>
#include <vector>

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

// A design made ready to be drawn at any size.
struct Imprint {
    std::vector<InkOp> ops;
    // What the imprint occupies, in preview units.
    QRectF box;
    // How many preview units the width in millimetres measures: the outer
    // diameter of the outermost ring of a round seal, else the ink's width.
    double span = 0;

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
// negative's black box, then the ink.
void paintPage(QPainter& painter, const Imprint& imprint, const Settings& settings);

// The page as a picture at the settings' resolution: 1-bit black and white
// (ink thresholded at half coverage) or in colour, with the resolution
// written into it.
QImage renderRaster(const Imprint& imprint, const Settings& settings);

// The bytes of the file the settings ask for; empty with `error` set when
// it cannot be made.
QByteArray encode(const Imprint& imprint, const Settings& settings, QString& error);

// Writes the file whole or not at all: after a failure no partial file is
// left and a file that was there is kept.
bool exportFile(const Imprint& imprint, const Settings& settings, const QString& path, QString& error);

}  // namespace qg::output
