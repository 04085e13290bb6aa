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
    return face;
}

QRawFont outlineFont(const FontFace& face) {
    QRawFont raw = rawFontFor(face.lineFont, fontPixelSize(face.lineFont.size), QFont::PreferNoHinting);
    if (raw.isValid() && face.raw.isValid())
        raw.setPixelSize(face.raw.pixelSize());
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
