#include "StartupProbe.h"

#include "Unit1.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QTextStream>
#include <QTimer>

#include <memory>

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

void probeStartup(TForm1& window, const QElapsedTimer& sinceStart, const QStringList& files, int repaints,
                  QTextStream& out) {
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(&window, &TForm1::previewPainted, &window, [=, &window, &out] {
        QObject::disconnect(*connection);
        out << "first-paint " << sinceStart.nsecsElapsed() / 1e6 << ' ' << residentKiB() << Qt::endl;
        // The rest runs from the event loop, as a user's edits would.
        QTimer::singleShot(0, &window, [=, &window, &out] {
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
