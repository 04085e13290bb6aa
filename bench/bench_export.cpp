// Times the true-size output of the heavy round seal at 40 mm, and the
// command line exporting one design and a hundred.
//
//   QT_QPA_PLATFORM=offscreen ./bench_export [path-to-quillgraver]

#include "Median.h"
#include "../tests/Designs.h"
#include "Export.h"
#include "StampFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

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

    std::printf("heavy round seal (3 x 60 ring characters, 3 centre lines, 198 x 198 emblem) at 40 mm, medians:\n");
    std::printf("  %-40s %8.2f ms\n", "ink recorded (makeImprint)",
                median([&] { (void)output::makeImprint(designs, StampKind::Round); }, 50));
    const output::Imprint imprint = output::makeImprint(designs, StampKind::Round);
    auto time = [&](const char* name, output::Settings settings, int runs) {
        QString error;
        std::printf("  %-40s %8.2f ms\n", name,
                    median([&] { (void)output::encode(imprint, settings, error); }, runs));
    };
    output::Settings settings;
    time("1-bit PNG, 600 dpi", settings, 30);
    std::printf("  %-40s %8.2f ms\n", "  of which drawing + threshold",
                median([&] { (void)output::renderRaster(imprint, settings); }, 30));
    settings.format = output::Format::Tiff;
    settings.dpi = 1200;
    time("1-bit TIFF LZW, 1200 dpi", settings, 15);
    settings.format = output::Format::Pdf;
    time("PDF", settings, 30);
    settings.format = output::Format::Svg;
    time("SVG", settings, 30);
    settings.mergeOutlines = true;
    time("SVG, merged outlines", settings, 10);
    settings.format = output::Format::Pdf;
    time("PDF, merged outlines", settings, 10);

    if (argc < 2)
        return 0;
    const QString program = QString::fromLocal8Bit(argv[1]);
    const QString design = dir.filePath(QStringLiteral("heavy.qgr"));
    QFile file(design);
    if (!file.open(QIODevice::WriteOnly) || file.write(io::writeRoundSeal(designs.round)) < 0)
        return 1;
    file.close();
    auto runProgram = [&](const QStringList& arguments) {
        QProcess process;
        process.start(program, arguments);
        process.waitForFinished(600000);
    };
    const QString png = dir.filePath(QStringLiteral("one.png"));
    std::printf("  %-40s %8.2f ms\n", "command line, one design to PNG",
                median([&] { runProgram({QStringLiteral("--export"), design, QStringLiteral("--output"), png}); }, 15));
    QStringList many{QStringLiteral("--export")};
    for (int i = 0; i < 100; ++i) {
        const QString copy = dir.filePath(QStringLiteral("d%1.qgr").arg(i));
        QFile::copy(design, copy);
        many << copy;
    }
    QDir().mkpath(dir.filePath(QStringLiteral("out")));
    many << QStringLiteral("--output-dir") << dir.filePath(QStringLiteral("out"));
    const double hundred = median([&] { runProgram(many); }, 3);
    std::printf("  %-40s %8.2f ms (%.0f designs/s)\n", "command line, 100 designs to PNG", hundred,
                100000.0 / hundred);
    return 0;
}
