#include "TextLayout.h"

#include "Colour.h"
#include "Geometry.h"

#include <QFont>
#include <QFontDatabase>

#include <algorithm>
#include <cmath>

namespace qg {

namespace {

QRawFont rawFontFor(const LineFont& lineFont, int pixels,
                    QFont::HintingPreference hinting = QFont::PreferDefaultHinting) {
    // Built afresh, not from the application's font: the program's window
    // font (narrowed, in pixels) must not reach the drawing.
    QFont font(lineFont.face);
    font.setHintingPreference(hinting);
    font.setPixelSize(pixels);
    font.setWeight(lineFont.bold ? QFont::Bold : QFont::Normal);
    font.setItalic(lineFont.italic);
    if (lineFont.pitch == Pitch::Fixed) {
        font.setFixedPitch(true);
        font.setStyleHint(QFont::TypeWriter);
    }
    font.setKerning(false);
    font.setStyleStrategy(QFont::NoSubpixelAntialias);
    QRawFont raw = QRawFont::fromFont(font);
    if (!raw.isValid()) {
        // An unknown or empty face name still draws, in the default face.
        QFont fallback(QFontDatabase::systemFont(QFontDatabase::GeneralFont).families());
        fallback.setPixelSize(pixels);
        fallback.setWeight(font.weight());
        fallback.setItalic(lineFont.italic);
        fallback.setStyleStrategy(QFont::NoSubpixelAntialias);
        fallback.setHintingPreference(hinting);
        raw = QRawFont::fromFont(fallback);
    }
    return raw;
}

// A big-endian 16-bit number of a font table; 0 past its end.
int tableNumber(const QByteArray& table, int at) {
    if (at < 0 || at + 2 > table.size())
        return 0;
    return static_cast<std::int16_t>((static_cast<unsigned char>(table[at]) << 8) |
                                     static_cast<unsigned char>(table[at + 1]));
}

// Rows of the cell for a stroke whose top lies `top` pixels below the
// baseline and which is `thickness` pixels thick: at least one row, all of
// them inside the cell.
CellRows strokeRows(const FontFace& face, double top, double thickness) {
    CellRows rows;
    rows.count = std::clamp(static_cast<int>(std::lround(thickness)), 1, std::max(face.cellHeight(), 1));
    const long first = face.ascent + std::lround(top);
    rows.top = static_cast<int>(std::clamp<long>(first, 0, std::max(face.cellHeight() - rows.count, 0)));
    return rows;
}

// The underline and the strike-out from the font's own tables: the
// underline's top and thickness from 'post', the strike-out's from 'OS/2'
// (the toolkit's guesses where a font lacks them), in whole pixels.
void decide(FontFace& face) {
    const QRawFont& raw = face.raw;
    const LineFont& font = face.lineFont;
    if (!raw.isValid() || (!font.underline && !font.strikeOut))
        return;
    const double scale = raw.unitsPerEm() > 0 ? raw.pixelSize() / raw.unitsPerEm() : 0;
    const QByteArray post = raw.fontTable("post");
    const QByteArray os2 = raw.fontTable("OS/2");
    const int underlineTop = tableNumber(post, 8);
    const int underlineSize = tableNumber(post, 10);
    const double thickness = underlineSize > 0 ? underlineSize * scale : raw.lineThickness();
    if (font.underline) {
        const double top = underlineSize > 0 ? -underlineTop * scale : raw.underlinePosition();
        face.underline = strokeRows(face, std::max(top, 0.0), thickness);
    }
    if (font.strikeOut) {
        const int strikeSize = tableNumber(os2, 26);
        const int strikeTop = tableNumber(os2, 28);
        if (strikeSize > 0 && strikeTop > 0)
            face.strikeOut = strokeRows(face, -strikeTop * scale, strikeSize * scale);
        else
            face.strikeOut = strokeRows(face, -(raw.xHeight() + thickness) / 2, thickness);
    }
}

}  // namespace

const FontFace& FontBook::face(const LineFont& lineFont, bool* dropped) {
    return face(lineFont, 0, dropped);
}

const FontFace& FontBook::face(const LineFont& lineFont, double emPixels, bool* dropped) {
    if (dropped)
        *dropped = false;
    if (!(emPixels > 0))
        emPixels = 0;
    if (last_ && last_->emPixels == emPixels && last_->lineFont == lineFont)
        return *last_;
    for (const auto& entry : faces_) {
        if (entry->emPixels == emPixels && entry->lineFont == lineFont) {
            last_ = entry.get();
            return *entry;
        }
    }
    if (faces_.size() >= kMaxFonts) {
        faces_.clear();
        if (dropped)
            *dropped = true;
    }
    auto entry = std::make_unique<FontFace>(makeFontFace(lineFont, emPixels));
    entry->id = nextId_++;
    faces_.push_back(std::move(entry));
    last_ = faces_.back().get();
    return *last_;
}

FontFace makeFontFace(const LineFont& lineFont, double emPixels) {
    FontFace face;
    face.lineFont = lineFont;
    face.emPixels = emPixels > 0 ? emPixels : 0;
    const int pixels = fontPixelSize(lineFont.size);
    face.raw = rawFontFor(lineFont, pixels);
    if (face.emPixels > 0 && face.raw.isValid()) {
        face.raw.setPixelSize(std::clamp<double>(face.emPixels, kMinFontPixels, kMaxFontPixels));
    } else if (lineFont.size < 0 && face.raw.isValid()) {
        // A negative size gives the height of the whole cell, internal
        // leading included, so the em is that much smaller.
        const qreal cell = face.raw.ascent() + face.raw.descent();
        if (cell > 0)
            face.raw.setPixelSize(pixels * pixels / cell);
    }
    // Whole pixels, rounded up so that descenders stay inside the cell.
    face.ascent = face.raw.isValid() ? static_cast<int>(std::ceil(face.raw.ascent() - 0.01)) : 0;
    face.descent = face.raw.isValid() ? static_cast<int>(std::ceil(face.raw.descent() - 0.01)) : 0;
    face.textColour = QColor::fromRgb(colourToArgb(lineFont.color));
    decide(face);
    return face;
}

QRawFont outlineFont(const FontFace& face) {
    QRawFont raw = rawFontFor(face.lineFont, fontPixelSize(face.lineFont.size), QFont::PreferNoHinting);
    if (!raw.isValid() || !face.raw.isValid())
        return raw;
    // The outlines come from the font file as every font of that file in
    // this thread has left it: text drawn between two pixels (the window's
    // narrowed captions) leaves its offset behind, which the next outline
    // read through a font engine kept from before takes on. An engine made
    // afresh starts from no offset, so the outlines are the same whatever
    // was drawn before. Two steps, since a font already at the size is
    // kept as it is.
    const qreal size = face.raw.pixelSize();
    raw.setPixelSize(size + 1);
    raw.setPixelSize(size);
    return raw;
}

Shaped shapeText(const FontFace& face, QStringView text) {
    Shaped shaped;
    if (!face.raw.isValid() || text.isEmpty())
        return shaped;
    const QString copy = text.toString();
    shaped.glyphs = face.raw.glyphIndexesForString(copy);
    const QList<QPointF> advances = face.raw.advancesForGlyphIndexes(shaped.glyphs);
    shaped.starts.reserve(static_cast<std::size_t>(shaped.glyphs.size()));
    shaped.advances.reserve(static_cast<std::size_t>(shaped.glyphs.size()));
    for (qsizetype i = 0; i < shaped.glyphs.size(); ++i) {
        const std::int64_t advance =
            i < advances.size() ? std::max<std::int64_t>(0, qRound64(advances[i].x())) : 0;
        shaped.starts.push_back(shaped.width);
        shaped.advances.push_back(advance);
        shaped.width += advance;
    }
    return shaped;
}

void turnDirection(int turn, long double& c, long double& s) {
    switch (turn) {
        case 0:
            c = 1;
            s = 0;
            return;
        case 90:
            c = 0;
            s = 1;
            return;
        case 180:
            c = -1;
            s = 0;
            return;
        case 270:
            c = 0;
            s = -1;
            return;
        default:
            c = std::cos(turn * kDegree);
            s = std::sin(turn * kDegree);
    }
}

QTransform textFrameAt(long double x, long double y, long double turn) {
    const long double whole = std::round(turn);
    if (whole == turn && std::fabs(whole) < 1e9L) {
        const int degrees = static_cast<int>(std::fmod(whole, 360.0L));
        return textFrame(x, y, degrees < 0 ? degrees + 360 : degrees);
    }
    const long double c = std::cos(turn * kDegree);
    const long double s = std::sin(turn * kDegree);
    const long double pivotX = 0.5L - 0.5L * (c + s);
    const long double pivotY = 0.5L - 0.5L * (c - s);
    return QTransform(static_cast<double>(c), static_cast<double>(-s), static_cast<double>(s),
                      static_cast<double>(c), static_cast<double>(x + pivotX), static_cast<double>(y + pivotY));
}

QTransform textFrame(long double x, long double y, int turn) {
    long double c = 1;
    long double s = 0;
    turnDirection(turn, c, s);
    const long double pivotX = 0.5L - 0.5L * (c + s);
    const long double pivotY = 0.5L - 0.5L * (c - s);
    return QTransform(static_cast<double>(c), static_cast<double>(-s), static_cast<double>(s),
                      static_cast<double>(c), static_cast<double>(x + pivotX), static_cast<double>(y + pivotY));
}

}  // namespace qg
