// Times the true-size output of a round seal whose emblem is noise, the
// worst a dithered picture can be: 4096 x 4096 pixels (the largest emblem
// the program reads), each black or white at random, at 40 mm. Every format
// is timed from the design to the file's bytes, ink recorded included.
// Then the preview's repaint of the heavy round seal with a 1500-pixel PNG
// emblem drawn 80 preview pixels wide, and an edit of the width or the
// threshold of a 4096-pixel emblem once its picture has been read.
//
//   QT_QPA_PLATFORM=offscreen ./bench_emblem

#include "Median.h"
#include "../tests/Designs.h"
#include "Emblem.h"
#include "Export.h"

#include "Canvas.h"
#include "Render.h"

#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdio>

using namespace qg;

namespace {

// A logo `side` pixels square: rings, a star of lines and a block of bars.
bool writeLogo(const QString& path, int side) {
    QImage logo(side, side, QImage::Format_RGB32);
    logo.fill(Qt::white);
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, side / 60.0));
    painter.drawEllipse(QRectF(side * 0.05, side * 0.05, side * 0.9, side * 0.9));
    painter.drawEllipse(QRectF(side * 0.15, side * 0.15, side * 0.7, side * 0.7));
    for (int k = 0; k < 12; ++k) {
        painter.save();
        painter.translate(side / 2.0, side / 2.0);
        painter.rotate(k * 30.0);
        painter.drawLine(QPointF(0, 0), QPointF(side * 0.33, 0));
        painter.restore();
    }
    for (int k = 0; k < 8; ++k)
        painter.fillRect(QRectF(side * (0.3 + k * 0.05), side * 0.62, side * 0.02, side * 0.12), Qt::black);
    painter.end();
    return logo.save(path);
}

double repaint(Canvas& canvas, const StampDesigns& designs, int runs) {
    return median([&] {
        ClearStamp(canvas, designs, ActivePage::Round);
        PaintStamp(canvas, designs, ActivePage::Round);
        (void)canvas.image();
    }, runs);
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    {
        const QString logo = dir.filePath(QStringLiteral("logo.png"));
        const QString large = dir.filePath(QStringLiteral("large.png"));
        if (!dir.isValid() || !writeLogo(logo, 1500) || !writeLogo(large, kMaxEmblemSide))
            return 1;
        StampDesigns designs;
        designs.round = testing::heavyRoundSeal(QString());
        designs.round.emblem.file = logo;
        designs.round.emblem.width = 80;
        designs.round.emblem.x = 60;
        designs.round.emblem.y = 60;
        Canvas canvas;
        repaint(canvas, designs, 3);
        std::printf("heavy round seal, 1500-pixel PNG emblem 80 preview pixels wide, median (target: 1 ms):\n");
        std::printf("  %-40s %8.3f ms\n", "preview repainted", repaint(canvas, designs, 101));
        std::printf("  %-40s %8.2f ms\n", "ink recorded (makeImprint)", median([&] {
                        (void)output::makeImprint(designs, StampKind::Round);
                    }, 5));
        StampDesigns without = designs;
        without.round.emblem.enabled = false;
        std::printf("  %-40s %8.3f ms\n", "(the same without the emblem)", repaint(canvas, without, 101));
        std::printf("  %-40s %8.2f ms\n", "(ink recorded without the emblem)", median([&] {
                        (void)output::makeImprint(without, StampKind::Round);
                    }, 5));

        // An edit of the width or the threshold redraws the emblem from the
        // picture already read.
        designs.round.emblem.file = large;
        repaint(canvas, designs, 1);
        int step = 0;
        std::printf("4096-pixel PNG emblem read once, then edited, median (target: 100 ms):\n");
        std::printf("  %-40s %8.2f ms\n", "width changed, preview repainted", median([&] {
                        designs.round.emblem.width = 80 + (++step % 2);
                        ClearStamp(canvas, designs, ActivePage::Round);
                        PaintStamp(canvas, designs, ActivePage::Round);
                    }, 7));
        std::printf("  %-40s %8.2f ms\n", "first threshold set (grey levels)", median([&] {
                        designs.round.emblem.threshold = 128;
                        ClearStamp(canvas, designs, ActivePage::Round);
                        PaintStamp(canvas, designs, ActivePage::Round);
                    }, 1));
        std::printf("  %-40s %8.2f ms\n", "threshold changed, preview repainted", median([&] {
                        designs.round.emblem.threshold = 100 + (++step % 2);
                        ClearStamp(canvas, designs, ActivePage::Round);
                        PaintStamp(canvas, designs, ActivePage::Round);
                    }, 7));
    }
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
