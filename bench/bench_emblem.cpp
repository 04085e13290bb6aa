// Times the true-size output of a round seal whose emblem is noise, the
// worst a dithered picture can be: 4096 x 4096 pixels (the largest emblem
// the program reads), each black or white at random, at 40 mm. Every format
// is timed from the design to the file's bytes, ink recorded included.
//
//   QT_QPA_PLATFORM=offscreen ./bench_emblem

#include "Median.h"
#include "../tests/Designs.h"
#include "Emblem.h"
#include "Export.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>

using namespace qg;

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    const QString noise = dir.filePath(QStringLiteral("noise.bmp"));
    if (!dir.isValid() || !testing::writeNoise(noise, kMaxEmblemSide))
        return 1;
    StampDesigns designs;
    designs.round = testing::heavyRoundSeal(noise);

    std::printf("heavy round seal with a 4096 x 4096 noise emblem at 40 mm, medians (target: 1000 ms each):\n");
    std::printf("  %-40s %8.2f ms\n", "ink recorded (makeImprint)",
                median([&] { (void)output::makeImprint(designs, StampKind::Round); }, 5));
    struct Case {
        const char* name;
        output::Format format;
        bool merge;
    };
    for (const Case& c : {Case{"PDF", output::Format::Pdf, false}, Case{"PDF, merged outlines", output::Format::Pdf, true},
                          Case{"SVG", output::Format::Svg, false}, Case{"SVG, merged outlines", output::Format::Svg, true},
                          Case{"1-bit PNG, 600 dpi", output::Format::Png, false},
                          Case{"1-bit TIFF, 600 dpi", output::Format::Tiff, false},
                          Case{"1-bit BMP, 600 dpi", output::Format::Bmp, false}}) {
        output::Settings settings;
        settings.format = c.format;
        settings.mergeOutlines = c.merge;
        QString error;
        std::printf("  %-40s %8.2f ms\n", c.name, median([&] {
                        const output::Imprint imprint = output::makeImprint(designs, StampKind::Round);
                        (void)output::encode(imprint, settings, error);
                    }, 5));
    }
    return 0;
}
