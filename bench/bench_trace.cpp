// Times the tracing of an emblem's ink into smooth outlines: a drawn crest
// of 1500 x 1500 pixels (curves, thin lines, letters) traced afresh, and the
// heavy round seal with that emblem exported to PDF once its trace is kept.
//
//   QT_QPA_PLATFORM=offscreen ./bench_trace

#include "../tests/Designs.h"
#include "Export.h"
#include "Median.h"
#include "Trace.h"

#include <QElapsedTimer>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>

using namespace qg;

namespace {

// A crest as a user's logo might be: rings, a star, a shield with a thin
// hatching, and letters, in black on white without shades of grey.
QImage drawnCrest(int side) {
    QImage picture(side, side, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter p(&picture);
    const double k = side / 1500.0;
    p.scale(k, k);
    p.setPen(QPen(Qt::black, 24));
    p.drawEllipse(QPointF(750, 750), 700, 700);
    p.setPen(QPen(Qt::black, 6));
    p.drawEllipse(QPointF(750, 750), 640, 640);
    QPainterPath star;
    for (int i = 0; i < 10; ++i) {
        const double r = i % 2 == 0 ? 420 : 170;
        const double a = 3.14159265358979 * (0.5 + i / 5.0);
        const QPointF point(750 + r * std::cos(a), 700 - r * std::sin(a));
        i == 0 ? star.moveTo(point) : star.lineTo(point);
    }
    star.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPath(star);
    p.setPen(QPen(Qt::black, 3));
    for (int x = 420; x <= 1080; x += 22)
        p.drawLine(x, 980, x + 60, 1180);
    p.setPen(Qt::black);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(150);
    font.setBold(true);
    font.setStyleStrategy(QFont::NoAntialias);
    p.setFont(font);
    p.drawText(QRectF(150, 1180, 1200, 220), Qt::AlignCenter, QStringLiteral("ГЕРБ 1500"));
    p.end();
    return picture;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("crest1500.bmp"));
    const QImage crest = drawnCrest(1500);
    if (!dir.isValid() || !crest.save(path, "BMP"))
        return 1;

    const output::InkMask mask = output::InkMask::ofTone(crest, qRgb(0, 0, 0), crest.rect());
    int pieces = 0;
    const double trace = median(
        [&] {
            const std::optional<PictureOutline> outline = output::traceMask(mask);
            pieces = outline ? int(outline->pieces.size()) : -1;
        },
        5);
    std::printf(
        "tracing a 1500 x 1500 emblem (%lld edges, %d outlines), median of 5: %8.2f ms (target 150 ms)\n",
        static_cast<long long>(mask.edges()), pieces, trace);

    StampDesigns designs;
    designs.round = testing::heavyRoundSeal(path);
    // The emblem 80 preview pixels wide in the middle of the seal; drawn
    // one picture pixel to a preview pixel, the field shows the middle of it.
    designs.round.emblem.width = 80;
    designs.round.emblem.x = 59;
    designs.round.emblem.y = 59;
    const auto shownOf = [](const output::Imprint& imprint) {
        for (const InkOp& op : imprint.ops)
            if (op.picture)
                return op.picture->window.size();
        return QSize();
    };
    output::Imprint imprint = output::makeImprint(designs, StampKind::Round);
    if (shownOf(imprint) != crest.size()) {
        designs.round.emblem.x = 99 - crest.width() / 2;
        designs.round.emblem.y = 99 - crest.height() / 2;
        imprint = output::makeImprint(designs, StampKind::Round);
    }
    const QSize shown = shownOf(imprint);
    std::printf("heavy round seal with that emblem, %d x %d of its pixels on the field, at 40 mm:\n",
                shown.width(), shown.height());
    output::clearTraces();
    output::Settings settings;
    settings.format = output::Format::Pdf;
    QString error;
    QElapsedTimer first;
    first.start();
    (void)output::encode(imprint, settings, error);
    std::printf("  to PDF, tracing it:                                 %8.2f ms\n",
                static_cast<double>(first.nsecsElapsed()) / 1e6);
    const double pdf = median([&] { (void)output::encode(imprint, settings, error); }, 9);
    std::printf("  the same once traced, median of 9:                  %8.2f ms (target 50 ms)\n", pdf);
    const double whole = median(
        [&] {
            const output::Imprint again = output::makeImprint(designs, StampKind::Round);
            (void)output::encode(again, settings, error);
        },
        9);
    std::printf("  ink recorded afresh and exported, median of 9:      %8.2f ms\n", whole);
    settings.mergeOutlines = true;
    const double merged = median([&] { (void)output::encode(imprint, settings, error); }, 5);
    std::printf("  merged outlines, median of 5:                       %8.2f ms\n", merged);
    const output::TraceCount count = output::traceCount();
    std::printf("  traced %d time(s), found kept %d time(s)\n", count.traced, count.reused);
    return 0;
}
