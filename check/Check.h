#pragma once

// The manufacturing check: what of a design would come out badly in a real
// stamp at its true size. It reads only the design and its true-size ink;
// the production window, the command line and the tests share it.

#include "Emblem.h"
#include "Export.h"
#include "Parameters.h"
#include "Surface.h"

#include <QRectF>
#include <QString>

#include <optional>
#include <vector>

namespace qg::check {

enum class Severity { Warning, Error };

enum class Problem {
    ThinLine,        // ink thinner than the minimum line width
    NarrowGap,       // white between two parts of the ink, in a counter or across
                     // an opening, narrower than the minimum gap: ink closes it
    LowCapitals,     // capitals lower than the minimum letter height
    Touching,        // a text touches or crosses a ring, frame, contour or another text
    CutByField,      // ink cut off by the edge of the preview's field
    EmblemResolution,// an emblem below the minimum resolution at true size
    NoInk,           // nothing would be printed at all
    EmblemUnreadable,// an enabled emblem whose file is missing or cannot be drawn
    FinerThanPixel,  // a line thinner than a pixel of the 1-bit picture asked for
    LettersOverlap,  // letters of one text whose ink runs into each other
};

// The shop's limits. Lines thinner than `minLineMm` are errors, thinner
// than `safeLineMm` warnings.
struct Limits {
    double minLineMm = 0.1;
    double safeLineMm = 0.2;
    double minGapMm = 0.4;
    double minCapMm = 1.5;
    double minEmblemDpi = 300;
};

struct Finding {
    Severity severity = Severity::Warning;
    Problem problem = Problem::NoInk;
    ElementTag element;      // what the finding is about (None: the design as a whole)
    ElementTag other;        // the second element of a Touching finding
    double measured = 0;     // in `unit`
    double limit = 0;        // in `unit`
    // Where it is, in preview units (the coordinates of the imprint's ink);
    // empty when the finding has no place.
    QRectF place;
    // An unreadable emblem's file and what is wrong with it.
    QString file;
    EmblemFile emblemFile = EmblemFile::Bitmap;
};

struct Report {
    std::vector<Finding> findings;
    bool hasErrors() const;
};

// Checks the design of `kind` drawn `widthMm` wide; with `pictureDpi`
// above 0 it also tells when a 1-bit picture at that resolution would lose
// the design's thinnest line.
Report checkDesign(const StampDesigns& designs, StampKind kind, const output::Imprint& imprint,
                   double widthMm, const Limits& limits, int pictureDpi = 0);

// The resolution a picture made with `settings` loses lines thinner than a
// pixel of: a 1-bit picture's; 0 for a picture in colour, which keeps a
// thin line in grey, and for a vector file.
int pictureDpi(const output::Settings& settings);

// The thinnest line of the imprint when a 1-bit picture at `dpi` would
// lose it: checkDesign()'s FinerThanPixel finding alone, at less cost.
std::optional<Finding> finerThanPixel(const output::Imprint& imprint, double widthMm, int dpi,
                                      const Limits& limits = Limits());

// Checks keep the memory of their pictures for the next one (fresh memory
// costs more than the work done in it); this gives it back.
void releaseKeptMemory();

// The element in the program's own words: "Вторая строка по окружности",
// "2-я окр.", "Вн.линия", "Герб".
QString elementName(StampKind kind, ElementTag element);
// "мм" or "dpi".
QString unitName(Problem problem);
// The digits after the point that the finding's measured value and limit
// are written with: enough that a value below its limit never reads as
// equal to it.
int decimals(const Finding& finding);
// The finding in a few Russian words, e.g. "линия тоньше допустимой".
QString problemText(const Finding& finding);
// One line for the command line: element, finding, measured value, limit.
QString describe(StampKind kind, const Finding& finding);

}  // namespace qg::check
