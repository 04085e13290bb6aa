#pragma once

// A company's round seal laid out as real ones are: the full name round the
// outer ring, the city along the bottom and the registration numbers round
// the inner ring (or, when the name takes the whole outer ring, the city
// with the numbers or in the middle), the centre text in the middle, rings
// enclosing the texts, the emblem off. A name the outer ring cannot take
// leaves the legal form there and goes to the middle itself. Every text is
// set in capitals, in Arial bold (whose thinnest strokes stay above the
// shops' line at their lowest capitals), with room enough between its
// letters that no two come closer than the shops' white gap, and as large
// as the room allows, so that at the seal's true size the capitals, the
// lines and the white gaps stay within the shop's limits. The inner ring's
// text is drawn first, so that the paper of the other texts' cells, drawn
// after it, covers no ink.

#include "Company.h"
#include "Parameters.h"

#include <QString>

#include <vector>

namespace qg {

// The texts a company's seal carries.
enum class SealText { Name, City, Numbers, CentreText };

// "полное наименование", "город", "регистрационные номера", "текст в центре".
QString sealTextName(SealText text);

// Where a text went and how large it came out.
struct SealTextPlace {
    SealText text = SealText::Name;
    int line = 0;      // its line in the round seal's lines (0..2 ring texts, 3..5 centre lines)
    int points = 0;    // its font size
    double capMm = 0;  // the height of its capitals at the seal's diameter
};

struct CompanySeal {
    // The design, with the lines, rings and emblem it uses enabled and the
    // others off. Sizes are preview pixels; the diameter across the
    // outermost ring gives the true size.
    RoundSealParameters seal;
    int diameterMm = 0;
    // Every text has capitals at least as high as the limit asked for.
    bool fits = false;
    // The texts that would need lower capitals than that, outermost first.
    // The design holds them smaller all the same.
    std::vector<SealText> tooLong;
    // When something does not fit: the smallest standard size above the
    // diameter at which everything does; 0 when none does.
    int largerSizeMm = 0;
    // Every text on the seal, outermost first; a centre text may take
    // several centre lines.
    std::vector<SealTextPlace> texts;
};

// The seal of the details at their own size, with capitals at least as high
// as the recommended limit.
CompanySeal layoutCompanySeal(const CompanyDetails& details);
// The same at `diameterMm` with capitals of at least `minCapMm`.
CompanySeal layoutCompanySeal(const CompanyDetails& details, int diameterMm, double minCapMm);

// What to tell the user when the seal does not fit: "Полное наименование не
// помещается в печать 40 мм: подойдёт 45 мм." Empty when it fits.
QString shortfallText(const CompanySeal& seal);

// How many preview pixels a millimetre takes on the seal.
double pixelsPerMm(const CompanySeal& seal);

}  // namespace qg
