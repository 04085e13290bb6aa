// Starts the real program offscreen and times it to its first painted
// preview, then has it repaint the heavy round seal 10,000 times and reports
// its resident memory along the way.
//
//   ./bench_startup path-to-quillgraver

#include "../tests/Designs.h"
#include "StampFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Run {
    double wallMs = 0;     // from starting the process to its first-paint line
    QList<QByteArray> lines;
};

Run start(const QString& program, const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    Run run;
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    QByteArray pending;
    while (process.state() != QProcess::NotRunning || process.bytesAvailable() > 0) {
        process.waitForReadyRead(100);
        pending += process.readAllStandardOutput();
        for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
            const QByteArray line = pending.left(end);
            pending.remove(0, end + 1);
            if (line.startsWith("first-paint"))
                run.wallMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
            run.lines.append(line);
        }
    }
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_startup path-to-quillgraver\n");
        return 2;
    }
    const QString program = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir dir;
    const QString crest = dir.filePath(QStringLiteral("crest.bmp"));
    const QString design = dir.filePath(QStringLiteral("heavy.qgr"));
    QFile file(design);
    if (!dir.isValid() || !qg::testing::writeCrest(crest) || !file.open(QIODevice::WriteOnly) ||
        file.write(qg::io::writeRoundSeal(qg::testing::heavyRoundSeal(crest))) < 0)
        return 1;
    file.close();

    // Start-up: the program with the default designs, seven times.
    std::vector<double> wall;
    std::vector<double> inside;
    std::vector<long> resident;
    for (int i = 0; i < 7; ++i) {
        const Run run = start(program, {QStringLiteral("--measure-startup"), QStringLiteral("0")});
        for (const QByteArray& line : run.lines) {
            if (line.startsWith("first-paint")) {
                const QList<QByteArray> fields = line.split(' ');
                inside.push_back(fields.value(1).toDouble());
                resident.push_back(fields.value(2).toLong());
            }
        }
        wall.push_back(run.wallMs);
    }
    if (inside.size() != wall.size()) {
        std::fprintf(stderr, "the program did not report its first paint\n");
        return 1;
    }
    std::sort(wall.begin(), wall.end());
    std::sort(inside.begin(), inside.end());
    std::sort(resident.begin(), resident.end());
    std::printf("start-up to the first painted preview, offscreen, medians of 7:\n");
    std::printf("  %-44s %8.1f ms\n", "process start to first paint", wall[3]);
    std::printf("  %-44s %8.1f ms\n", "of it from main() to first paint", inside[3]);
    std::printf("  %-44s %8ld KiB\n", "resident memory at first paint", resident[3]);

    // Memory over 10,000 repaints of the heavy round seal.
    const Run run = start(program, {QStringLiteral("--measure-startup"), QStringLiteral("10000"), design});
    std::printf("heavy round seal repainted 10,000 times:\n");
    for (const QByteArray& line : run.lines) {
        const QList<QByteArray> f = line.split(' ');
        if (line.startsWith("first-paint"))
            std::printf("  %-44s %8ld KiB\n", "resident at first paint", f.value(2).toLong());
        else if (line.startsWith("repainted"))
            std::printf("  after %6d repaints (%9.0f ms)              %8ld KiB\n", f.value(1).toInt(),
                        f.value(2).toDouble(), f.value(3).toLong());
    }
    return 0;
}
