// Times the manufacturing check of the heavy round seal at 40 mm, and what
// its stages take.
//
//   QT_QPA_PLATFORM=offscreen ./bench_check

#include "Median.h"
#include "../tests/Designs.h"
#include "Check.h"
#include "Morphology.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace qg;

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    StampDesigns designs;
    if (!dir.isValid() || !testing::heavyDesigns(dir.path(), designs))
        return 1;
    const check::Limits limits;
    const output::Imprint imprint = output::makeImprint(designs, StampKind::Round);

    std::printf("manufacturing check of the heavy round seal at 40 mm (1200 dpi and more), medians:\n");
    std::printf("  %-40s %8.2f ms\n", "whole check (checkDesign)",
                median([&] { (void)check::checkDesign(designs, StampKind::Round, imprint, 40, limits); }, 30));
    std::printf("  %-40s %8.2f ms\n", "  for a 1-bit picture at 72 dpi as well",
                median([&] { (void)check::checkDesign(designs, StampKind::Round, imprint, 40, limits, 72); }, 30));
    for (const int dpi : {72, 600}) {
        char name[64];
        std::snprintf(name, sizeof name, "  what --export asks at %d dpi", dpi);
        std::printf("  %-40s %8.2f ms\n", name,
                    median([&] { (void)check::finerThanPixel(imprint, 40, dpi, limits); }, 30));
    }
    std::printf("  %-40s %8.2f ms\n", "  with the ink recorded (makeImprint)",
                median([&] {
                    const output::Imprint fresh = output::makeImprint(designs, StampKind::Round);
                    (void)check::checkDesign(designs, StampKind::Round, fresh, 40, limits);
                }, 30));

    // The stages on a picture of the same size: the true-size drawing as
    // 1-bit export draws it, and one bounded distance of each reach used.
    output::Settings settings;
    settings.widthMm = 40;
    settings.dpi = 1200;
    settings.marginMm = 0.5;
    std::printf("  %-40s %8.2f ms\n", "  drawing at 1200 dpi (renderRaster)",
                median([&] { (void)output::renderRaster(imprint, settings); }, 30));
    const QImage picture = output::renderRaster(imprint, settings);
    const int w = picture.width();
    const int h = picture.height();
    std::vector<std::uint8_t> ink(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ink[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)] =
                qGray(picture.pixel(x, y)) < 128;
    const std::vector<std::uint8_t> paper = check::morphology::inverted(ink);
    for (int reach : {4, 7, 11}) {
        char name[64];
        std::snprintf(name, sizeof name, "  distance to the paper, reach %d px", reach);
        std::printf("  %-40s %8.2f ms\n", name,
                    median([&] { (void)check::morphology::boundedSquaredDistance(paper, w, h, reach); }, 30));
        std::snprintf(name, sizeof name, "  distance to the ink, reach %d px", reach);
        std::printf("  %-40s %8.2f ms\n", name,
                    median([&] { (void)check::morphology::boundedSquaredDistance(ink, w, h, reach); }, 30));
    }

    // What the check finds on the default round seal.
    StampDesigns plain;
    for (double width : {20.0, 40.0}) {
        const output::Imprint seal = output::makeImprint(plain, StampKind::Round);
        const check::Report report = check::checkDesign(plain, StampKind::Round, seal, width, limits);
        std::printf("default round seal at %.0f mm: %zu findings\n", width, report.findings.size());
        for (const check::Finding& finding : report.findings)
            std::printf("  %s\n", qPrintable(check::describe(StampKind::Round, finding)));
    }
    return 0;
}
