// Times the true-size output of the heavy round seal at 40 mm, and the
// command line exporting one design and a hundred; measures the peak memory
// of single large exports, each in a process of its own.
//
//   QT_QPA_PLATFORM=offscreen ./bench_export [path-to-quillgraver]
//   QT_QPA_PLATFORM=offscreen ./bench_export --peak <case>   (one case; prints its peak in KB)

#include "Median.h"
#include "../tests/Designs.h"
#include "Export.h"
#include "StampFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

using namespace qg;

namespace {

// One export whose peak memory is measured.
struct PeakCase {
    const char* name;
    double widthMm;
    int dpi;
    output::Format format;
    bool colour;
    int emblemX;  // the emblem's place, 0 for the heavy seal's own
};

const PeakCase kPeakCases[] = {
    {"100 mm, 2400 dpi, 1-bit TIFF", 100, 2400, output::Format::Tiff, false, 0},
    {"100 mm, 4800 dpi, 1-bit TIFF", 100, 4800, output::Format::Tiff, false, 0},
    {"500 mm, 2400 dpi, 1-bit PNG", 500, 2400, output::Format::Png, false, 0},
    {"100 mm, 2400 dpi, colour PNG", 100, 2400, output::Format::Png, true, 0},
    {"500 mm, 2400 dpi, colour TIFF", 500, 2400, output::Format::Tiff, true, 0},
    {"40 mm, 600 dpi, emblem at Gx 5000, PNG", 40, 600, output::Format::Png, false, 5000},
};

// The most memory this program has held, in KB. The system's count for the
// process keeps what the process held before it became this program (a
// fork of a larger one); the memory map's own high-water mark does not.
long peakKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').front().toLong();
        }
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Runs one case in this process: the peak before the export and after it.
int runPeakCase(const StampDesigns& heavy, const QString& folder, int which) {
    const PeakCase& c = kPeakCases[which];
    StampDesigns designs = heavy;
    if (c.emblemX != 0)
        designs.round.emblem.x = c.emblemX;
    const output::Imprint imprint = output::makeImprint(designs, StampKind::Round);
    output::Settings settings;
    settings.widthMm = c.widthMm;
    settings.dpi = c.dpi;
    settings.format = c.format;
    settings.colour = c.colour;
    const long before = peakKb();
    QElapsedTimer timer;
    timer.start();
    QString error;
    const bool done = output::exportFile(imprint, settings, folder + QStringLiteral("/peak.") + output::formatSuffix(c.format), error);
    std::printf("%ld %ld %lld %lld %d %s\n", before, peakKb(), static_cast<long long>(timer.elapsed()),
                static_cast<long long>(output::peakBytes(imprint, settings) >> 10), done ? 1 : 0, qPrintable(error));
    return done ? 0 : 1;
}

void measurePeaks() {
    std::printf("peak memory of one export of the heavy round seal, each in a process of its own "
                "(target %lld MB):\n", static_cast<long long>(output::kMaxExportBytes >> 20));
    std::printf("  %-42s %9s %9s %9s %9s\n", "", "start MB", "peak MB", "estimate", "seconds");
    const int count = static_cast<int>(sizeof kPeakCases / sizeof kPeakCases[0]);
    for (int i = 0; i < count; ++i) {
        QProcess process;
        process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--peak"), QString::number(i)});
        process.waitForFinished(3600000);
        long before = 0, peak = 0;
        long long ms = 0, estimate = 0;
        int done = 0;
        const QByteArray line = process.readAllStandardOutput();
        char reason[512] = {};
        std::sscanf(line.constData(), "%ld %ld %lld %lld %d %511[^\n]", &before, &peak, &ms, &estimate, &done, reason);
        std::printf("  %-42s %9.0f %9.0f %9.0f %9.1f%s%s\n", kPeakCases[i].name, before / 1024.0, peak / 1024.0,
                    estimate / 1024.0, ms / 1000.0, done ? "" : "  refused: ", done ? "" : reason);
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Each line as it comes: the large exports take minutes.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    StampDesigns designs;
    if (!dir.isValid() || !testing::heavyDesigns(dir.path(), designs))
        return 1;
    if (argc == 3 && std::strcmp(argv[1], "--peak") == 0)
        return runPeakCase(designs, dir.path(), std::atoi(argv[2]));

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

    measurePeaks();

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
