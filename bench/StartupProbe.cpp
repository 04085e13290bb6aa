#include "StartupProbe.h"

#include "Unit1.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QTextStream>
#include <QTimer>

#include <functional>
#include <memory>
#include <utility>

namespace qg {

void QuietDialogs::message(MessageIcon, const QString& caption, const QString& text) {
    QTextStream(stderr) << caption << ": " << text << '\n';
}

long residentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toLong();
    }
    return 0;
}

namespace {

// Runs `then` once, when `widget` next paints itself.
class NextPaint : public QObject {
public:
    NextPaint(QWidget* widget, std::function<void()> then) : QObject(widget), m_then(std::move(then)) {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && m_then) {
            // Reported once the paint is done.
            QTimer::singleShot(0, watched, std::exchange(m_then, {}));
            deleteLater();
        }
        return false;
    }

private:
    std::function<void()> m_then;
};

}  // namespace

void probeStartup(TForm1& window, const QElapsedTimer& sinceStart, const QStringList& files, int repaints,
                  QTextStream& out) {
    auto connection = std::make_shared<QMetaObject::Connection>();
    // The preview is painted on the screen after its picture has been drawn.
    *connection = QObject::connect(&window, &TForm1::previewPainted, &window, [=, &window, &out] {
        QObject::disconnect(*connection);
        auto* preview = window.findChild<QWidget*>(QStringLiteral("Image"));
        new NextPaint(preview, [=, &window, &out] {
            out << "first-paint " << sinceStart.nsecsElapsed() / 1e6 << ' ' << residentKiB() << Qt::endl;
            for (const QString& file : files)
                window.openDesignFile(QFileInfo(file).absoluteFilePath());
            window.completePendingRepaint();
            QElapsedTimer timer;
            timer.start();
            const int report = std::max(1, repaints / 10);
            for (int i = 1; i <= repaints; ++i) {
                window.RefreshItemClick();
                window.completePendingRepaint();
                if (i % report == 0 || i == repaints) {
                    QCoreApplication::processEvents();
                    out << "repainted " << i << ' ' << timer.nsecsElapsed() / 1e6 << ' ' << residentKiB()
                        << Qt::endl;
                }
            }
            QCoreApplication::exit(0);
        });
    });
}

}  // namespace qg
