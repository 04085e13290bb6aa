// Writes the sample designs of examples/, one design file of each kind for
// one invented company, АО «Северная звезда» in Moscow:
//   company-seal.qgr   its round seal, laid out from its details by the
//                      company seal engine, as "Печать организации…" does,
//                      at 40 mm;
//   triangle-seal.qgr  the triangular seal "Для пакетов" of its office,
//                      45 mm across;
//   company-stamp.qgr  its rectangular stamp with the details, 75 by 38 mm.
// Every text is in capitals of at least the recommended height at that size.
//
//   qg_make_examples <folder>
//
// The files are committed; run this again only when the designs are meant
// to change, and check them as the tests do.

#include "Company.h"
#include "CompanySeal.h"
#include "Parameters.h"
#include "StampFile.h"
#include "TextLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QTextStream>

#include <cmath>
#include <numbers>

using namespace qg;

namespace {

// The company. The numbers are made up, with their check digits worked out
// as the tax service's rules say.
CompanyDetails northernStar() {
    CompanyDetails details;
    details.form = LegalForm::Ao;
    details.name = QStringLiteral("Северная звезда");
    details.city = QStringLiteral("Москва");
    details.ogrn = QStringLiteral("1237700512345");
    details.inn = QStringLiteral("7703512340");
    details.kpp = QStringLiteral("770301001");
    details.sizeMm = 40;
    return details;
}

// The ink of the two smaller kinds: a dark blue, as stamp pads commonly are.
constexpr TColor kInk = 0x00902818;

// The triangular seal: the band of the side texts (from the outer frame's
// middle to the second and third frames), the size of its texts, the white
// gap kept about them and the gap between its centre lines, in preview
// pixels (4.3 to a millimetre at 45 mm).
constexpr double kTriangleBand[2] = {5, 26};
constexpr int kTrianglePoints = 11;
constexpr double kTriangleGap = 3.5;
constexpr double kTriangleLineGap = 6;
// How far below the baseline a descender (Д, Ц, Щ) reaches, in capitals.
constexpr double kDescent = 0.3;

// The rectangular stamp: the die's size in millimetres, its outer contour's
// width in preview pixels and the size of its texts.
constexpr double kStampMm[2] = {75, 38};
constexpr int kStampPixels = 182;
constexpr int kStampPoints = 7;
// The inner contour's distance from the outer one.
constexpr int kStampInset = 4;

LineFont boldArial(int points) {
    LineFont font = startupFont();
    font.size = points;
    font.bold = true;
    font.color = kInk;
    return font;
}

int textWidth(const LineFont& font, const QString& text) {
    return static_cast<int>(shapeText(makeFontFace(font), text).width);
}

// How far below the top of the cell the capitals begin, and their height,
// in preview pixels.
double capTop(const LineFont& font) {
    const FontFace face = makeFontFace(font);
    return face.ascent - face.raw.capHeight();
}

double capHeight(const LineFont& font) {
    return makeFontFace(font).raw.capHeight();
}

// A line whose middle is at `middleX`, its cell's top at `top`.
TextLineSettings centredLine(const QString& text, const LineFont& font, double middleX, int top) {
    TextLineSettings line;
    line.enabled = true;
    line.text = text;
    line.font = font;
    line.x = static_cast<int>(std::lround(middleX - textWidth(font, text) / 2.0));
    line.y = top;
    return line;
}

// Along a side of the triangle from `from` to `to`, its foot towards the
// inside: the cell's top-left corner set back `inset` pixels from the side
// (outwards) and the text centred on the side's middle. The angle is the
// side's, as the page takes it (a negative one turns 16 degrees less).
TextLineSettings sideLine(const QString& text, const LineFont& font, QPointF from, QPointF to, double inset) {
    const QPointF along = to - from;
    const double length = std::hypot(along.x(), along.y());
    const QPointF unit = along / length;
    // Outwards: to the left of the direction of reading on screen (y down).
    const QPointF outward(unit.y(), -unit.x());
    const QPointF middle = (from + to) / 2.0;
    const QPointF corner = middle - unit * (textWidth(font, text) / 2.0) + outward * inset;
    // Counter-clockwise on screen, in whole degrees.
    const int turn = static_cast<int>(std::lround(std::atan2(-unit.y(), unit.x()) * 180.0 / std::numbers::pi));
    TextLineSettings line;
    line.enabled = true;
    line.text = text;
    line.font = font;
    line.x = static_cast<int>(std::lround(corner.x()));
    line.y = static_cast<int>(std::lround(corner.y()));
    line.angle = turn >= 0 ? turn : turn - 16;
    return line;
}

RoundSealParameters companySeal(QTextStream& err, bool& ok) {
    // The seal carries the ОГРН and the ИНН, as most do: with the КПП as well
    // the inner ring would need capitals below the recommended height.
    CompanyDetails details = northernStar();
    details.kpp.clear();
    const CompanySeal seal = layoutCompanySeal(details);
    if (!seal.fits) {
        err << "company-seal: " << shortfallText(seal) << '\n';
        ok = false;
    }
    return seal.seal;
}

TriangleSealParameters triangleSeal() {
    TriangleSealParameters seal = defaultTriangleSeal();
    // An equilateral outer frame, 192 pixels across, and two within it.
    const double side = 192;
    const double height = side * std::sqrt(3.0) / 2;
    const double left = 3, bottom = 194;
    const QPointF corners[3] = {{left, bottom}, {left + side / 2, bottom - height}, {left + side, bottom}};
    const QPointF centre = (corners[0] + corners[1] + corners[2]) / 3.0;
    const double inradius = height / 3;
    // The corners of the triangle `inset` pixels inside the outer one.
    const auto within = [&](double inset, int corner) {
        return centre + (corners[corner] - centre) * ((inradius - inset) / inradius);
    };
    const auto frame = [&](int index, double inset, int width) {
        FrameSettings& f = seal.frames[static_cast<std::size_t>(index)];
        f.enabled = true;
        for (int k = 0; k < 3; ++k) {
            const QPointF p = within(inset, k);
            f.vertex[static_cast<std::size_t>(k)] = {static_cast<int>(std::lround(p.x())),
                                                    static_cast<int>(std::lround(p.y()))};
        }
        f.width = width;
        f.color = kInk;
    };
    const double bandOuter = kTriangleBand[0], bandInner = kTriangleBand[1];
    frame(0, 0, 3);
    frame(1, bandOuter, 1);
    frame(2, bandInner, 2);

    // The side texts run in the band between frames 2 and 3, their
    // capitals' tops a white gap inside frame 2.
    const LineFont sideFont = boldArial(kTrianglePoints);
    const double capGap = bandOuter + 0.5 + kTriangleGap;
    const auto along = [&](const QString& text, int from, int to) {
        return sideLine(text, sideFont, within(0, from), within(0, to), capTop(sideFont) - capGap);
    };
    seal.lines[0] = along(QStringLiteral("АО «СЕВЕРНАЯ"), 0, 1);
    seal.lines[1] = along(QStringLiteral("ЗВЕЗДА»"), 1, 2);
    // The bottom reads left to right, its tops towards the centre.
    const double bottomCaps = within(bandOuter, 0).y() - 0.5 - kTriangleGap - kDescent * capHeight(sideFont);
    seal.lines[2] = centredLine(QStringLiteral("г. МОСКВА"), sideFont, centre.x(),
                                static_cast<int>(std::lround(bottomCaps - capHeight(sideFont) - capTop(sideFont))));

    // The centre lines stand on the base of frame 3.
    const LineFont centreFont = boldArial(kTrianglePoints);
    const int step = static_cast<int>(std::lround(capHeight(centreFont) + kTriangleLineGap));
    const double base = within(bandInner, 0).y() - 1 - kTriangleGap;
    const double middle = centre.x();
    const QString centreTexts[3] = {QStringLiteral("№ 1"), QStringLiteral("ДЛЯ"), QStringLiteral("ПАКЕТОВ")};
    for (int k = 0; k < 3; ++k) {
        // Line k's capitals end `step` pixels above the next one's.
        const double capBottom = base - (2 - k) * step - kDescent * capHeight(centreFont);
        seal.lines[static_cast<std::size_t>(3 + k)] = centredLine(
            centreTexts[k], centreFont, middle,
            static_cast<int>(std::lround(capBottom - capHeight(centreFont) - capTop(centreFont))));
    }
    return seal;
}

RectStampParameters companyStamp() {
    const CompanyDetails details = northernStar();
    RectStampParameters stamp = defaultRectStamp();
    // The outer contour kStampPixels wide, as high as the die's proportions
    // say, in the middle of the field.
    const double height = kStampPixels * kStampMm[1] / kStampMm[0];
    const int left = (198 - kStampPixels) / 2, right = left + kStampPixels;
    const int top = static_cast<int>(std::lround((198 - height) / 2)), bottom = static_cast<int>(std::lround(top + height));
    stamp.contours[0] = {true, {left, top}, {right, bottom}, 2, kInk};
    stamp.contours[1] = {true, {left + kStampInset, top + kStampInset}, {right - kStampInset, bottom - kStampInset}, 1,
                         kInk};
    stamp.innerLine.enabled = false;
    stamp.innerLine.color = kInk;

    const QString name = legalFormAbbreviation(details.form) + QStringLiteral(" «") + details.name.toUpper() +
                         QStringLiteral("»");
    const QString texts[6] = {
        name,
        QStringLiteral("127282, г. Москва,"),
        QStringLiteral("ул. Полярная, д. 12, офис 3"),
        QStringLiteral("ИНН ") + details.inn + QStringLiteral("  КПП ") + details.kpp,
        registrationLabel(details) + QLatin1Char(' ') + details.ogrn,
        QStringLiteral("тел. +7 (495) 123-45-67"),
    };
    const LineFont nameFont = boldArial(kStampPoints + 1);
    const LineFont detailFont = boldArial(kStampPoints);
    // The lines' ink, from the capitals' tops to the descenders' feet,
    // spread evenly between the inner contour's edges. Each line's cell is
    // painted over the line above it, so it must begin below that line's
    // descenders.
    const LineFont fonts[6] = {nameFont, detailFont, detailFont, detailFont, detailFont, detailFont};
    double ink = 0;
    for (const LineFont& font : fonts)
        ink += capHeight(font) * (1 + kDescent);
    const double from = top + kStampInset + 0.5, to = bottom - kStampInset - 0.5;
    const double gap = (to - from - ink) / 7;
    const double middle = (left + right) / 2.0 + 0.5;
    double capTopY = from + gap;
    for (int k = 0; k < 6; ++k) {
        stamp.lines[static_cast<std::size_t>(k)] =
            centredLine(texts[k], fonts[k], middle, static_cast<int>(std::lround(capTopY - capTop(fonts[k]))));
        capTopY += capHeight(fonts[k]) * (1 + kDescent) + gap;
    }
    return stamp;
}

bool writeDesign(const QDir& folder, const QString& name, const QByteArray& bytes, QTextStream& err) {
    QString error;
    if (io::writeWholeFile(folder.filePath(name), bytes, error))
        return true;
    err << name << ": " << error << '\n';
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // Everything here goes into files: no display is needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        err << "usage: qg_make_examples <folder>\n";
        return 2;
    }
    QString error;
    if (!io::prepareFolder(args[1], true, error)) {
        err << args[1] << ": " << error << '\n';
        return 1;
    }
    const QDir folder(args[1]);
    bool ok = true;
    const RoundSealParameters round = companySeal(err, ok);
    ok = writeDesign(folder, QStringLiteral("company-seal.qgr"), io::writeRoundSeal(round), err) && ok;
    ok = writeDesign(folder, QStringLiteral("triangle-seal.qgr"), io::writeTriangleSeal(triangleSeal()), err) && ok;
    ok = writeDesign(folder, QStringLiteral("company-stamp.qgr"), io::writeRectStamp(companyStamp()), err) && ok;
    return ok ? 0 : 1;
}
