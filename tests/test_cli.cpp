#include "Designs.h"
#include "StampFile.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace qg;

namespace {

struct Run {
    int status = -1;
    QString out;
    QStringList errors;
};

Run quillgraver(const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(QG_PROGRAM), arguments);
    Run run;
    if (!process.waitForFinished(60000))
        return run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.errors = QString::fromUtf8(process.readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return run;
}

bool write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class TestCli : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString round;
    QString triangle;
    QString damaged;
    QString notDesign;

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        round = dir.filePath(QStringLiteral("round.qgr"));
        triangle = dir.filePath(QStringLiteral("triangle.qgr"));
        damaged = dir.filePath(QStringLiteral("damaged.qgr"));
        notDesign = dir.filePath(QStringLiteral("notes.qgr"));
        QVERIFY(write(round, io::writeRoundSeal(defaultRoundSeal())));
        QVERIFY(write(triangle, io::writeTriangleSeal(defaultTriangleSeal())));
        QByteArray broken = io::writeRectStamp(defaultRectStamp());
        QList<QByteArray> lines = broken.split('\n');
        lines[9] = "nonsense\r";
        QVERIFY(write(damaged, lines.join('\n')));
        QVERIFY(write(notDesign, "just some notes\r\n"));
    }

    void exportsAtTrueSize_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("format");
        QTest::newRow("png from extension") << QStringLiteral("a.png") << QStringList() << QByteArray("png");
        QTest::newRow("tiff at 1200") << QStringLiteral("a.tif") << QStringList{QStringLiteral("--dpi"), QStringLiteral("1200")}
                                      << QByteArray("tiff");
        QTest::newRow("format over extension") << QStringLiteral("a.img")
                                               << QStringList{QStringLiteral("--format"), QStringLiteral("bmp")}
                                               << QByteArray("bmp");
        QTest::newRow("pdf") << QStringLiteral("a.pdf") << QStringList{QStringLiteral("--merge-outlines")} << QByteArray();
        QTest::newRow("svg") << QStringLiteral("a.svg") << QStringList{QStringLiteral("--color"), QStringLiteral("--mirror")}
                             << QByteArray();
    }

    void exportsAtTrueSize() {
        QFETCH(QString, name);
        QFETCH(QStringList, options);
        QFETCH(QByteArray, format);
        const QString target = dir.filePath(name);
        const Run run = quillgraver(QStringList{QStringLiteral("--export"), round, QStringLiteral("--output"), target} + options);
        QCOMPARE(run.status, 0);
        QVERIFY2(run.errors.isEmpty(), qPrintable(run.errors.join(QLatin1Char('\n'))));
        const QByteArray bytes = read(target);
        QVERIFY(!bytes.isEmpty());
        if (format.isEmpty()) {
            QVERIFY(bytes.startsWith(name.endsWith(QLatin1String(".pdf")) ? "%PDF" : "<?xml"));
            return;
        }
        QImageReader reader(target);
        QCOMPARE(reader.format(), format);
        const QImage image = reader.read();
        const int dpi = options.contains(QStringLiteral("1200")) ? 1200 : 600;
        QCOMPARE(std::lround(image.dotsPerMeterX() * 0.0254), long(dpi));
        // 40 mm and 2 mm of margin on each side.
        QVERIFY(std::abs(image.width() - 44 * dpi / 25.4) <= 1.5);
    }

    void failures_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("reason");
        const QString out = QStringLiteral("--output-dir");
        QTest::newRow("missing") << QStringList{QStringLiteral("--export"), dir.filePath(QStringLiteral("gone.qgr")), out, dir.path()}
                                 << 1 << QStringLiteral("не удалось прочитать");
        QTest::newRow("not a design") << QStringList{QStringLiteral("--export"), notDesign, out, dir.path()} << 1
                                      << QStringLiteral("не файл макета");
        QTest::newRow("damaged") << QStringList{QStringLiteral("--export"), damaged, out, dir.path()} << 1
                                 << QStringLiteral("строка 10 повреждена");
        QTest::newRow("unknown format") << QStringList{QStringLiteral("--export"), round, QStringLiteral("--output"), dir.filePath(QStringLiteral("a.jpg"))}
                                        << 2 << QStringLiteral("неизвестный формат");
        QTest::newRow("output folder is a file") << QStringList{QStringLiteral("--export"), round, out, round} << 1
                                                 << QStringLiteral("не удалось записать");
        QTest::newRow("dpi out of range") << QStringList{QStringLiteral("--export"), round, out, dir.path(), QStringLiteral("--dpi"), QStringLiteral("50")}
                                          << 2 << QStringLiteral("--dpi");
        QTest::newRow("no output") << QStringList{QStringLiteral("--export"), round} << 2 << QStringLiteral("--output");
    }

    void failures() {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, reason);
        const Run run = quillgraver(arguments);
        QCOMPARE(run.status, status);
        QCOMPARE(run.errors.size(), 1);
        QVERIFY2(run.errors.front().contains(reason), qPrintable(run.errors.front()));
    }

    // One bad design among several: the others are still exported.
    void severalDesignsOneBad() {
        QTemporaryDir out;
        const Run run = quillgraver({QStringLiteral("--export"), round, damaged, triangle, QStringLiteral("--output-dir"),
                                     out.path(), QStringLiteral("--format"), QStringLiteral("svg")});
        QCOMPARE(run.status, 1);
        QCOMPARE(run.errors.size(), 1);
        QVERIFY(run.errors.front().contains(damaged));
        QVERIFY(QFile::exists(out.filePath(QStringLiteral("round.svg"))));
        QVERIFY(QFile::exists(out.filePath(QStringLiteral("triangle.svg"))));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files).size(), 2);
    }

    // A file system with no room: the export fails, no partial file is
    // left, and a file already there is kept whole.
    void fullFileSystemLeavesNoPartialFile() {
        QTemporaryDir mountPoint;
        QProcess mount;
        mount.start(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                              QStringLiteral("size=12k"), QStringLiteral("tmpfs"), mountPoint.path()});
        if (!mount.waitForFinished() || mount.exitCode() != 0)
            QSKIP("no tmpfs can be mounted here");
        const QString kept = mountPoint.filePath(QStringLiteral("kept.png"));
        QVERIFY(write(kept, "old picture"));
        const Run run = quillgraver({QStringLiteral("--export"), round, QStringLiteral("--output"), kept,
                                     QStringLiteral("--dpi"), QStringLiteral("2400")});
        const QStringList left = QDir(mountPoint.path()).entryList(QDir::Files | QDir::Hidden);
        const QByteArray after = read(kept);
        QProcess::execute(QStringLiteral("umount"), {mountPoint.path()});
        QCOMPARE(run.status, 1);
        QCOMPARE(run.errors.size(), 1);
        QCOMPARE(left, QStringList{QStringLiteral("kept.png")});
        QCOMPARE(after, QByteArray("old picture"));
    }

    void helpAndVersion() {
        const Run help = quillgraver({QStringLiteral("--export"), QStringLiteral("--help")});
        QCOMPARE(help.status, 0);
        QVERIFY(help.out.contains(QStringLiteral("--width-mm")));
        const Run version = quillgraver({QStringLiteral("--export"), QStringLiteral("--version")});
        QCOMPARE(version.status, 0);
        QVERIFY(version.out.startsWith(QStringLiteral("quillgraver ")));
    }
};

QTEST_MAIN(TestCli)
#include "test_cli.moc"
