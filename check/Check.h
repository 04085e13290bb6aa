#pragma once

// The manufacturing check: what of a design would come out badly in a real
// stamp at its true size. It reads only the design and its true-size ink;
// the production window, the command line and the tests share it.

#include "Emblem.h"
#include "Export.h"
#include "Parameters.h"
#include "Surface.h"

#include <QLocale>
#include <QRectF>
#include <QSizeF>
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
    DieFit,          // ink that does not fit the die
    DieEdge,         // ink closer to the die's edge than the shops allow
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

// The die the imprint is made on, by the size the shops' tables name: a
// round seal's diameter, a rectangular stamp's width and height. That size
// is the imprint's own as the width measures it (a seal of 40 mm is 40 mm
// across its outer ring, a stamp of 58 mm across its outer contour), and
// the die is cut kDieEdgeClearanceMm beyond it all round: ink that reaches
// beyond the size named comes closer to the die's edge than the shops
// allow, ink that reaches beyond the die too does not fit it. The die is
// centred on what the width measures (the outer ring, the outer contour),
// else on the ink.
struct Die {
    bool round = false;
    double widthMm = 0;   // the diameter of a round die
    double heightMm = 0;  // a rectangular die's; not asked of a round one
    bool empty() const { return !(widthMm > 0) || (!round && !(heightMm > 0)); }
};

// The die of a kind drawn `widthMm` wide: a round seal's is a circle of
// that diameter, a stamp's is that wide and `dieHeightMm` high (none when
// that is 0), a triangular seal has none.
Die dieFor(StampKind kind, double widthMm, double dieHeightMm);

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
    // The scale and the width the imprint was checked at, and the die's
    // size of a finding about the die: what the finding's hint works from.
    double mmPerUnit = 0;
    double widthMm = 0;
    Die die;
};

struct Report {
    std::vector<Finding> findings;
    bool hasErrors() const;
};

// Checks the design of `kind` drawn `widthMm` wide; with `pictureDpi`
// above 0 it also tells when a 1-bit picture at that resolution would lose
// the design's thinnest line, with a die that is not empty whether the
// ink fits it.
Report checkDesign(const StampDesigns& designs, StampKind kind, const output::Imprint& imprint,
                   double widthMm, const Limits& limits, int pictureDpi = 0, const Die& die = Die());

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
// The finding in a few Russian words, e.g. "линия тоньше допустимой"; the
// die's size in it written as `locale` writes numbers.
QString problemText(const Finding& finding, const QLocale& locale = QLocale::c());
// One line for the command line: element, finding, measured value, limit.
QString describe(StampKind kind, const Finding& finding);
// What to change, in a few Russian words and the program's terms, e.g.
// "увеличьте толщину 1-й окр. до 2"; the numbers in it written as `locale`
// writes them.
QString hint(StampKind kind, const Finding& finding, const QLocale& locale = QLocale::c());

}  // namespace qg::check
