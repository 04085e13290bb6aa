#pragma once

// How a text line is laid out, shared by every target: the font at its
// pixel size, glyphs with whole-pixel advances (as the cell is measured),
// the cell's height and the frame a turned text is drawn in.

#include "LineFont.h"

#include <QColor>
#include <QList>
#include <QRawFont>
#include <QStringView>
#include <QTransform>

#include <cstdint>
#include <memory>
#include <vector>

namespace qg {

// A band of whole rows of a text's cell, across its whole width: where an
// underline or a strike-out goes.
struct CellRows {
    int top = 0;   // the first row, counted from the top of the cell
    int count = 0; // 0: none
};

// A line font made ready for drawing.
struct FontFace {
    LineFont lineFont;
    double emPixels = 0;  // the em height asked for in place of the size's; 0: the size's
    std::uint64_t id = 0;  // unique for the life of the book that made it
    QRawFont raw;
    int ascent = 0;   // whole pixels, rounded up
    int descent = 0;  // whole pixels, rounded up
    QColor textColour;
    // The underline and the strike-out the font asks for (none when its
    // style has not got them), decided here once for every target.
    CellRows underline;
    CellRows strikeOut;
    int cellHeight() const { return ascent + descent; }
};

// A text's glyphs with whole-pixel advances.
struct Shaped {
    QList<quint32> glyphs;
    std::vector<std::int64_t> starts;  // offset of each glyph along the baseline
    std::vector<std::int64_t> advances;
    std::int64_t width = 0;
};

// The fonts of the lines drawn lately, kept for reuse.
class FontBook {
public:
    static constexpr std::size_t kMaxFonts = 32;

    // The face for a line font. Making a new one may drop every face made
    // before (returns true in `dropped` then), so references do not outlive
    // the next call.
    const FontFace& face(const LineFont& lineFont, bool* dropped = nullptr);
    // The same with an em height of `emPixels` preview pixels in place of
    // the one its size gives (when above 0).
    const FontFace& face(const LineFont& lineFont, double emPixels, bool* dropped = nullptr);

private:
    std::vector<std::unique_ptr<FontFace>> faces_;
    FontFace* last_ = nullptr;
    std::uint64_t nextId_ = 1;
};

// A face made afresh, outside any book (its id is 0).
FontFace makeFontFace(const LineFont& lineFont, double emPixels = 0);

Shaped shapeText(const FontFace& face, QStringView text);

// The same font unhinted, whose glyph outlines keep their true shapes at
// any scale (the hinted ones are fitted to the preview's pixels). Its
// outlines are to be read at once, before anything else on this thread
// draws text.
QRawFont outlineFont(const FontFace& face);

// Direction of the baseline for a counter-clockwise turn, exact for the
// right angles so that upright and quarter-turned cells keep sharp edges.
void turnDirection(int turn, long double& c, long double& s);

// Maps the text's own frame (u along the baseline from the cell's top-left
// corner, v down the cell) onto preview coordinates, for a text whose
// reference pixel is (x, y), turned counter-clockwise by `turn` degrees.
// The text turns about the centre of its reference pixel, so that pixel is
// the corner of the cell at every angle.
QTransform textFrame(long double x, long double y, int turn);

// The same for a reference point and a turn that need not be whole.
QTransform textFrameAt(long double x, long double y, long double turn);

}  // namespace qg
