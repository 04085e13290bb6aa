// The check as a whole: the resolution the imprint is examined at, its
// labelled drawing, and each kind of finding gathered in turn.

#include "Check.h"

#include "CheckParts.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace qg::check {

namespace {

using namespace detail;

// The drawing is examined at this resolution at least: a 0.05 mm line is
// still two pixels and more.
constexpr double kMinPixelsPerMm = 1200 / kMmPerInch;
// The thinnest line allowed is examined at no fewer than this many pixels
// across.
constexpr double kMinPixelsPerLimit = 3;
// A small stamp is examined at no fewer than this many pixels a preview
// unit: its letters come out in as many pixels as at some 24 mm, so that
// what is measured in them grows with the stamp (a seal 40 mm wide has 10).
constexpr double kMinPixelsPerUnit = 6;
// Larger drawings are examined at a lower resolution (a stamp of 85 by
// 85 mm still at 1200 dpi): the check holds some 16 bytes a pixel.
constexpr double kMaxPixels = 16e6;

}  // namespace

bool Report::hasErrors() const {
    return std::any_of(findings.begin(), findings.end(),
                       [](const Finding& f) { return f.severity == Severity::Error; });
}

namespace {

// The check; with `onlyPicture` no more than whether the picture loses a
// line.
Report runCheck(const StampDesigns* designs, StampKind kind, const output::Imprint& imprint, double widthMm,
                const Limits& limits, int pictureDpi, bool onlyPicture, const Die& die = Die()) {
    Checker checker{imprint, limits, output::mmPerUnit(imprint, widthMm), {}};
    // An emblem that is asked for and cannot be drawn is missing from the
    // imprint, whatever else the check finds.
    if (designs)
        checker.unreadableEmblem(*designs, kind);
    auto noInk = [&] {
        if (!onlyPicture)
            checker.add(Severity::Error, Problem::NoInk, {}, {}, 0, 0, QRectF());
        return checker.report;
    };
    if (imprint.empty())
        return noInk();
    if (!(widthMm > 0))
        return checker.report;

    const QSizeF size = output::imprintSizeMm(imprint, widthMm);
    const double finest = limits.minLineMm > 0 ? limits.minLineMm : limits.safeLineMm;
    double pixelsPerMm = std::max({kMinPixelsPerMm, finest > 0 ? kMinPixelsPerLimit / finest : 0.0,
                                   kMinPixelsPerUnit / checker.mmPerUnit});
    const double margin = limits.minGapMm > 0 ? limits.minGapMm : 0;
    const double area = (size.width() + 2 * margin) * (size.height() + 2 * margin);
    if (area * pixelsPerMm * pixelsPerMm > kMaxPixels)
        pixelsPerMm = std::sqrt(kMaxPixels / area);
    const int marginPixels = static_cast<int>(std::ceil(margin * pixelsPerMm)) + 2;

    Drawing drawing = drawLabels(imprint, widthMm, pixelsPerMm, marginPixels);
    struct GiveBack {
        std::vector<std::uint8_t>& labels;
        ~GiveBack() { giveRoom(labels); }
    } giveBack{drawing.labels};
    // Every label but the paper's is ink.
    const std::vector<std::uint8_t>& ink = drawing.labels;
    if (std::all_of(ink.begin(), ink.end(), [](std::uint8_t label) { return label == 0; }))
        return noInk();

    ThinLines thin(imprint, limits, pictureDpi, checker.mmPerUnit, drawing);
    if (onlyPicture) {
        // Only the lines that can be finer than the pixel.
        Checker picture{imprint, limits, checker.mmPerUnit, {}};
        for (std::size_t k = 0; k < kWidthsAsked; ++k) {
            thin.gather(ink, k);
            if (!thin.finerLinesBeyond(k))
                break;
        }
        thin.tell(picture);
        return picture.report;
    }
    // The warning limit's thin lines (the most work) on a second thread
    // while this one looks for the gaps and the rest, then for the error
    // limit's: they read what they share and each writes its own.
    std::thread lines([&] {
        thin.gather(ink, 1);
        thin.gather(ink, 2);
    });
    checker.narrowGaps(drawing, ink);
    checker.crowdedLetters();
    checker.contacts(drawing);
    checker.fieldCuts();
    checker.dieFit(drawing, die);
    if (designs)
        checker.lowCapitals(*designs, kind);
    checker.emblem();
    thin.gather(ink, 0);
    lines.join();
    Checker found{imprint, limits, checker.mmPerUnit, {}};
    thin.tell(found);
    checker.report.findings.insert(checker.report.findings.begin(), found.report.findings.begin(),
                                   found.report.findings.end());
    std::stable_sort(checker.report.findings.begin(), checker.report.findings.end(),
                     [](const Finding& a, const Finding& b) { return a.severity > b.severity; });
    return checker.report;
}

}  // namespace

Report checkDesign(const StampDesigns& designs, StampKind kind, const output::Imprint& imprint, double widthMm,
                   const Limits& limits, int pictureDpi, const Die& die) {
    return runCheck(&designs, kind, imprint, widthMm, limits, pictureDpi, false, die);
}

int pictureDpi(const output::Settings& settings) {
    const bool vector = settings.format == output::Format::Pdf || settings.format == output::Format::Svg;
    const bool oneBit = !settings.colour || settings.negative;
    return !vector && oneBit ? settings.dpi : 0;
}

std::optional<Finding> finerThanPixel(const output::Imprint& imprint, double widthMm, int dpi, const Limits& limits) {
    if (dpi <= 0)
        return std::nullopt;
    const Report report = runCheck(nullptr, StampKind::Round, imprint, widthMm, limits, dpi, true);
    for (const Finding& finding : report.findings)
        if (finding.problem == Problem::FinerThanPixel)
            return finding;
    return std::nullopt;
}

}  // namespace qg::check
