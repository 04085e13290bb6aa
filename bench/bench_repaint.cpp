// Times full repaints of the preview (clear, then paint), the work done on
// every keystroke. Prints median, 90th percentile and worst time per kind,
// and the time to open design files that are too large or nearly so.
//
//   QT_QPA_PLATFORM=offscreen ./bench_repaint [repaints]

#include "../tests/Designs.h"
#include "Render.h"
#include "StampFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

using namespace qg;

struct Figures {
    double median = 0;
    double p90 = 0;
    double worst = 0;
    double first = 0;
};

// `change` runs before each repaint, outside the timing, to stand for the
// edit that caused it.
Figures timeRepaints(Canvas& canvas, StampDesigns& designs, ActivePage page, int repaints,
                     const std::function<void(StampDesigns&, int)>& change = {}) {
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(repaints));
    QElapsedTimer timer;
    for (int i = 0; i < repaints; ++i) {
        if (change)
            change(designs, i);
        timer.start();
        ClearStamp(canvas, designs, page);
        PaintStamp(canvas, designs, page);
        (void)canvas.image();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    Figures f;
    f.first = times.front();
    std::sort(times.begin(), times.end());
    f.median = times[times.size() / 2];
    f.p90 = times[(times.size() * 9) / 10];
    f.worst = times.back();
    return f;
}

void report(const char* name, const Figures& f) {
    std::printf("%-34s first %8.3f ms  median %7.3f ms  p90 %7.3f ms  worst %7.3f ms\n", name, f.first,
                f.median, f.p90, f.worst);
}

// A run-length coded bitmap of 1,080 bytes that declares 5792 x 5792 pixels.
QString writeHugeEmblem(const QTemporaryDir& dir) {
    QByteArray bytes;
    const auto put = [&bytes](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes.append(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    bytes.append("BM");
    for (const auto& [value, size] : {std::pair{1080u, 4}, {0u, 4}, {1078u, 4}, {40u, 4}, {5792u, 4}, {5792u, 4},
                                      {1u, 2}, {8u, 2}, {1u, 4}, {2u, 4}, {2835u, 4}, {2835u, 4}, {256u, 4}, {0u, 4}})
        put(value, size);
    bytes.append(QByteArray(256 * 4, '\0'));
    bytes.append("\x00\x01", 2);
    const QString path = dir.filePath(QStringLiteral("huge.bmp"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

// Opens a design file the way the window does: read it, find its marker,
// read its section into a copy of the design.
double timeOpen(const QString& path) {
    QElapsedTimer timer;
    timer.start();
    QByteArray bytes;
    QString error;
    if (io::readDesignFile(path, bytes, error) && io::sectionKind(bytes) == StampKind::Round) {
        RoundSealParameters seal = defaultRoundSeal();
        (void)io::readRoundSeal(bytes, seal);
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

void reportOpen(const char* name, const QString& path, const std::function<void(QFile&)>& fill) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    fill(file);
    file.close();
    std::printf("%-34s %8.3f ms\n", name, timeOpen(path));
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const int repaints = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }

    std::printf("%d repaints each (clear + paint + finished picture)\n", repaints);

    {
        Canvas canvas;
        StampDesigns designs;
        report("round seal, defaults", timeRepaints(canvas, designs, ActivePage::Round, repaints));
    }
    {
        Canvas canvas;
        StampDesigns designs;
        const QString crest = dir.filePath(QStringLiteral("crest.bmp"));
        testing::writeCrest(crest);
        designs.round = testing::heavyRoundSeal(crest);
        report("round seal, heavy (3x60 + 3 + bmp)",
               timeRepaints(canvas, designs, ActivePage::Round, repaints));
        // Every repaint turns the ring texts to angles not drawn before, so
        // no character comes from the text cache: the cost of a first paint
        // of a new design with the fonts already made.
        Canvas fresh;
        report("heavy, every ring turned anew", timeRepaints(fresh, designs, ActivePage::Round, 360,
                                                             [](StampDesigns& d, int i) {
                                                                 for (int k = 0; k < 3; ++k)
                                                                     d.round.lines[k].angle = i;
                                                             }));
        // The same ring texts spaced by the widths of their letters, round
        // the whole ring and fitted to it.
        StampDesigns glyphs = designs;
        for (RingTextLayout& layout : glyphs.round.ringLayouts) {
            layout.spacing = RingSpacing::Glyphs;
            layout.span = 360;
            layout.fit = true;
        }
        Canvas spaced;
        report("heavy, glyph spacing, 360, fit", timeRepaints(spaced, glyphs, ActivePage::Round, repaints));
        // A keystroke in a ring text: the text is shaped and fitted anew.
        Canvas typed;
        report("heavy, glyph spacing, typing", timeRepaints(typed, glyphs, ActivePage::Round, 200,
                                                            [](StampDesigns& d, int i) {
                                                                d.round.lines[0].text[i % 60] = QChar(u'А' + i % 32);
                                                            }));
    }
    {
        Canvas canvas;
        StampDesigns designs;
        report("triangular seal, defaults", timeRepaints(canvas, designs, ActivePage::Triangle, repaints));
        report("rectangular stamp, defaults", timeRepaints(canvas, designs, ActivePage::Rect, repaints));
        report("information page", timeRepaints(canvas, designs, ActivePage::Info, repaints));
    }
    {
        Canvas canvas;
        StampDesigns designs;
        designs.round.emblem = EmblemSettings{true, 0, 0, writeHugeEmblem(dir)};
        report("round seal, emblem of 5792x5792", timeRepaints(canvas, designs, ActivePage::Round, repaints));
    }

    std::printf("opening design files\n");
    const QString big = dir.filePath(QStringLiteral("big.qgr"));
    const QByteArray seal = io::writeRoundSeal(defaultRoundSeal());
    reportOpen("1 GiB of zeros (refused)", big, [](QFile& f) { f.resize(qint64(1) << 30); });
    reportOpen("1 MiB of empty lines", big, [&](QFile& f) {
        f.write(seal);
        f.write(QByteArray(io::kMaxDesignFileSize - seal.size(), '\n'));
    });
    reportOpen("ring text of nearly 1 MiB", big, [&](QFile& f) {
        QByteArray bytes = seal;
        bytes.replace("Text: ", "Text: " + QByteArray(io::kMaxDesignFileSize - seal.size() - 8, 'W'));
        f.write(bytes.left(io::kMaxDesignFileSize));
    });
    return 0;
}
