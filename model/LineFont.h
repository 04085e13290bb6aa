#pragma once

// The font of a text line.

#include "Colour.h"

#include <QString>

#include <cstdint>

namespace qg {

enum class Pitch { Default, Variable, Fixed };

// The font of one text line: what the line is drawn with and what a design
// file keeps of it (face, size, colour and style; the pitch is not stored).
struct LineFont {
    QString face = QStringLiteral("Arial");
    std::int32_t size = 8;  // points
    TColor color = kNoneColour;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    Pitch pitch = Pitch::Default;

    friend bool operator==(const LineFont&, const LineFont&) = default;
};

// The font every text line starts with: Arial, 8 points, no colour.
LineFont startupFont();

// The font a line's font dialog holds until it is first confirmed:
// MS Sans Serif, 8 points, window-text colour.
LineFont fontDialogStartFont();

}  // namespace qg
