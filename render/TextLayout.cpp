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

}  // namespace

const FontFace& FontBook::face(const LineFont& lineFont, bool* dropped) {
    if (dropped)
        *dropped = false;
    if (last_ && last_->lineFont == lineFont)
        return *last_;
    for (const auto& entry : faces_) {
        if (entry->lineFont == lineFont) {
            last_ = entry.get();
            return *entry;
        }
    }
    if (faces_.size() >= kMaxFonts) {
        faces_.clear();
        if (dropped)
            *dropped = true;
    }
    auto entry = std::make_unique<FontFace>();
    entry->lineFont = lineFont;
    entry->id = nextId_++;
    const int pixels = fontPixelSize(lineFont.size);
    entry->raw = rawFontFor(lineFont, pixels);
    if (lineFont.size < 0 && entry->raw.isValid()) {
        // A negative size gives the height of the whole cell, internal
        // leading included, so the em is that much smaller.
        const qreal cell = entry->raw.ascent() + entry->raw.descent();
        if (cell > 0)
            entry->raw.setPixelSize(pixels * pixels / cell);
    }
    // Whole pixels, rounded up so that descenders stay inside the cell.
    entry->ascent = entry->raw.isValid() ? static_cast<int>(std::ceil(entry->raw.ascent() - 0.01)) : 0;
    entry->descent = entry->raw.isValid() ? static_cast<int>(std::ceil(entry->raw.descent() - 0.01)) : 0;
    entry->textColour = QColor::fromRgb(colourToArgb(lineFont.color));
    faces_.push_back(std::move(entry));
    last_ = faces_.back().get();
    return *last_;
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
