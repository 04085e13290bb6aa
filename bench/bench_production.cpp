// Times the production window beside the main window with the heavy round
// seal in glyph spacing: a drag in its view, from the mouse move sent to
// the view until the view and the main window's preview have painted it;
// and a keystroke in a ring text of the main window, as the time the
// interface thread spends on it (the imprint is made and checked on other
// threads, which this leaves out).
//
//   QT_QPA_PLATFORM=offscreen ./bench_production [moves]

#include "../tests/Designs.h"
#include "Export.h"
#include "ImprintView.h"
#include "ProductionWindow.h"
#include "Unit1.h"
#include "WidgetDialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <vector>

using namespace qg;

namespace {

struct Figures {
    double median = 0;
    double p90 = 0;
    double worst = 0;
};

Figures figuresOf(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return Figures{times[times.size() / 2], times[(times.size() * 9) / 10], times.back()};
}

void report(const char* name, const Figures& f) {
    std::printf("  %-40s median %7.2f ms  p90 %7.2f ms  worst %7.2f ms\n", name, f.median, f.p90, f.worst);
}

// The processor time of this thread so far, in milliseconds.
double threadMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// A point of the element's ink, in preview units.
std::optional<QPointF> pointOnInk(const std::vector<InkOp>& ops, ElementTag element) {
    for (const InkOp& op : ops) {
        if (!(op.element == element) || op.paper || op.path.isEmpty() || op.stroked)
            continue;
        const QRectF box = op.path.controlPointRect();
        for (double y = box.top(); y <= box.bottom(); y += 0.25)
            for (double x = box.left(); x <= box.right(); x += 0.25)
                if (op.path.contains(QPointF(x, y)))
                    return QPointF(x, y);
    }
    return std::nullopt;
}

QPointF turned(QPointF point, double degrees) {
    return QTransform().translate(100.5, 100.5).rotate(degrees).translate(-100.5, -100.5).map(point);
}

void sendMouse(QWidget* widget, QEvent::Type type, QPointF at) {
    const bool move = type == QEvent::MouseMove;
    QMouseEvent event(type, at, widget->mapToGlobal(at), move ? Qt::NoButton : Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(widget, &event);
}

// Until the production window shows the design as it now stands, and the
// view and the preview have painted: the waiting for the imprint made on
// another thread costs this thread nothing.
void paintedThrough(TForm1& window, ProductionWindow& production) {
    window.completePendingRepaint();
    while (production.imprintPending())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    production.view()->repaint();
    QCoreApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int moves = argc > 1 ? std::max(10, std::atoi(argv[1])) : 60;
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    // Settings of its own, the production window's width 40 mm.
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, dir.filePath(QStringLiteral("settings")));
    QSettings(QStringLiteral("Quillgraver"), QStringLiteral("Quillgraver"))
        .setValue(QStringLiteral("export/round/widthMm"), 40.0);

    // The heavy round seal, its ring texts spaced by the widths of their
    // letters round the whole ring and fitted to it.
    const QString crest = dir.filePath(QStringLiteral("crest.bmp"));
    testing::writeCrest(crest);
    RoundSealParameters seal = testing::heavyRoundSeal(crest);
    for (RingTextLayout& layout : seal.ringLayouts)
        layout = RingTextLayout{RingSpacing::Glyphs, 360, 0, false, true};

    WidgetDialogs dialogs;
    TForm1 window(dialogs);
    window.setProductionWindowFactory(makeProductionWindow);
    window.show();
    StampDesigns designs = window.designs();
    designs.round = seal;
    window.session().applyEdit(StampKind::Round, designs, nullptr);
    window.session().endGesture();
    window.ProductionItemClick();
    auto* production = qobject_cast<ProductionWindow*>(window.productionWindow());
    if (!production)
        return 1;
    const output::Imprint& shown = production->imprint();
    ImprintView* view = production->view();
    const QTransform toWidget = output::pageTransform(shown, production->settings()) * view->pageToWidget();
    const std::optional<QPointF> grab = pointOnInk(shown.ops, ElementTag{ElementKind::RingText, 1});
    if (!grab)
        return 1;
    std::printf("heavy round seal in glyph spacing, production window open at 40 mm, medians of %d:\n", moves);

    // Shift held: every move turns the text by whole degrees, no snapping.
    std::vector<double> drag;
    sendMouse(view, QEvent::MouseButtonPress, toWidget.map(*grab));
    QElapsedTimer timer;
    for (int i = 1; i <= moves; ++i) {
        const double degrees = 2.0 * (i % 40 < 20 ? i % 40 : 40 - i % 40) + 1;
        const QPointF at = toWidget.map(turned(*grab, degrees));
        timer.start();
        sendMouse(view, QEvent::MouseMove, at);
        paintedThrough(window, *production);
        drag.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    const int reached = window.designs().round.lines[0].angle;
    sendMouse(view, QEvent::MouseButtonRelease, toWidget.map(turned(*grab, 1)));
    paintedThrough(window, *production);
    report("drag: move to view and preview painted", figuresOf(drag));
    std::printf("  (the first ring text turned from %d to %d degrees and back on the way)\n", seal.lines[0].angle,
                reached);

    // A keystroke in the first ring text: the processor time of this
    // thread from the key to the view painted, and the time the key itself
    // holds the window.
    auto* edit = window.findChild<QLineEdit*>(QStringLiteral("Page1Edit1"));
    if (!edit)
        return 1;
    edit->setFocus();
    edit->setCursorPosition(10);
    std::vector<double> busy;
    std::vector<double> held;
    for (int i = 0; i < moves; ++i) {
        const QString key(QChar(i % 2 ? u'Ж' : u'И'));
        const double before = threadMs();
        timer.start();
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, key, Qt::NoModifier);
        window.completePendingRepaint();
        held.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        paintedThrough(window, *production);
        busy.push_back(threadMs() - before);
    }
    report("keystroke: interface thread, to painted", figuresOf(busy));
    report("keystroke: key and preview alone, wall", figuresOf(held));
    return 0;
}
