#include "Files.h"
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
    process.setProcessEnvironment(terminalEnvironment());
    process.start(QStringLiteral(QG_PROGRAM), arguments);
    Run run;
    if (!process.waitForFinished(60000))
        return run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.errors = QString::fromUtf8(process.readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return run;
}

}  // namespace

class TestCli : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString round;
    QString triangle;
    QString damaged;
    QString notDesign;
    QString thinRing;

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
        // Only the outer ring, one unit of 185: 0.15 mm at 27.75 mm.
        const RoundSealParameters ring = testing::outerRingOnly(1);
        thinRing = dir.filePath(QStringLiteral("thin-ring.qgr"));
        QVERIFY(write(thinRing, io::writeRoundSeal(ring)));
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

    void check_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("lines");  // each line of the output contains one of these, in order
        const QString check = QStringLiteral("--check");
        const QString width = QStringLiteral("--width-mm");
        QTest::newRow("ring 0.15 mm") << QStringList{check, thinRing, width, QStringLiteral("27.75")} << 0
                                      << QStringList{QStringLiteral("thin-ring.qgr: предупреждение: 3-я окр.: линия тоньше допустимой: 0.15 мм, допустимо 0.20 мм")};
        QTest::newRow("ring 0.05 mm") << QStringList{check, thinRing, width, QStringLiteral("9.25")} << 3
                                      << QStringList{QStringLiteral("thin-ring.qgr: ошибка: 3-я окр.: линия тоньше допустимой: 0.05 мм, допустимо 0.10 мм")};
        QTest::newRow("thicker lines asked for")
            << QStringList{check, thinRing, width, QStringLiteral("27.75"), QStringLiteral("--min-line-mm"), QStringLiteral("0.2")}
            << 3 << QStringList{QStringLiteral("ошибка: 3-я окр.: линия тоньше допустимой: 0.15 мм, допустимо 0.20 мм")};
        QTest::newRow("ring 0.25 mm") << QStringList{check, thinRing, width, QStringLiteral("46.25")} << 0
                                      << QStringList{QStringLiteral("thin-ring.qgr: замечаний нет")};
    }

    // The check prints each design's findings, one a line; an error in any
    // design gives status 3.
    void check() {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QStringList, lines);
        const Run run = quillgraver(arguments);
        QVERIFY2(run.errors.isEmpty(), qPrintable(run.errors.join(QLatin1Char('\n'))));
        const QStringList out = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY2(out.size() == lines.size(), qPrintable(out.join(QLatin1Char('\n'))));
        for (qsizetype i = 0; i < lines.size(); ++i)
            QVERIFY2(out[i].contains(lines[i]), qPrintable(out[i]));
        QCOMPARE(run.status, status);
    }

    // The default round seal at 40 mm has capitals 1.63 mm high: asking for
    // 2 mm adds a finding for each ring text and changes nothing else.
    void checkCapitalsLimit() {
        const Run shop = quillgraver({QStringLiteral("--check"), round});
        const Run higher = quillgraver({QStringLiteral("--check"), round, QStringLiteral("--min-cap-mm"), QStringLiteral("2")});
        QCOMPARE(shop.status, 0);
        QCOMPARE(higher.status, 0);
        QStringList added = higher.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString& line : shop.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            QVERIFY2(added.removeOne(line), qPrintable(line));
        const QString prefix = round + QStringLiteral(": предупреждение: ");
        QCOMPARE(added, (QStringList{
            prefix + QStringLiteral("Первая строка по окружности: заглавные буквы ниже допустимого: 1.63 мм, допустимо 2.00 мм"),
            prefix + QStringLiteral("Вторая строка по окружности: заглавные буквы ниже допустимого: 1.63 мм, допустимо 2.00 мм"),
            prefix + QStringLiteral("Третья строка по окружности: заглавные буквы ниже допустимого: 1.63 мм, допустимо 2.00 мм")}));
    }

    void checkRefusesBadLimits_data() {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("value");
        QTest::newRow("line not a number") << QStringLiteral("--min-line-mm") << QStringLiteral("тонко");
        QTest::newRow("line zero") << QStringLiteral("--min-line-mm") << QStringLiteral("0");
        QTest::newRow("gap negative") << QStringLiteral("--min-gap-mm") << QStringLiteral("-0.4");
        QTest::newRow("capitals too high") << QStringLiteral("--min-cap-mm") << QStringLiteral("50");
    }

    void checkRefusesBadLimits() {
        QFETCH(QString, option);
        QFETCH(QString, value);
        const Run run = quillgraver({QStringLiteral("--check"), round, option, value});
        QCOMPARE(run.status, 2);
        QCOMPARE(run.errors.size(), 1);
        QVERIFY2(run.errors.front().contains(option + QStringLiteral(": нужно число от")), qPrintable(run.errors.front()));
        QVERIFY(run.out.isEmpty());
    }

    // With the export, and with a design that cannot be read: the files are
    // still written, the findings still printed, and a failure outranks them.
    void checkWithExportAndFailures() {
        QTemporaryDir out;
        const QStringList exportAndCheck{QStringLiteral("--export"), QStringLiteral("--check"), QStringLiteral("--output-dir"),
                                         out.path(), QStringLiteral("--width-mm"), QStringLiteral("9.25")};
        const Run both = quillgraver(exportAndCheck + QStringList{thinRing});
        QCOMPARE(both.status, 3);
        QVERIFY(QFile::exists(out.filePath(QStringLiteral("thin-ring.png"))));
        QVERIFY(both.out.contains(QStringLiteral("thin-ring.qgr -> ")));
        QVERIFY(both.out.contains(QStringLiteral("ошибка: 3-я окр.")));

        const Run damagedToo = quillgraver(exportAndCheck + QStringList{thinRing, damaged});
        QCOMPARE(damagedToo.status, 1);
        QCOMPARE(damagedToo.errors.size(), 1);
        QVERIFY(damagedToo.errors.front().contains(QStringLiteral("строка 10 повреждена")));
        QVERIFY(damagedToo.out.contains(QStringLiteral("ошибка: 3-я окр.")));

        // The check alone needs no output.
        const Run alone = quillgraver({QStringLiteral("--check"), thinRing, damaged});
        QCOMPARE(alone.status, 1);
        QVERIFY(alone.out.contains(QStringLiteral("thin-ring.qgr: замечаний нет (40 мм)")));
    }

    void helpAndVersion() {
        const Run help = quillgraver({QStringLiteral("--export"), QStringLiteral("--help")});
        QCOMPARE(help.status, 0);
        QVERIFY(help.out.contains(QStringLiteral("--width-mm")));
        QVERIFY(help.out.contains(QStringLiteral("--check")));
        QVERIFY(help.out.contains(QStringLiteral("--min-cap-mm")));
        const Run version = quillgraver({QStringLiteral("--export"), QStringLiteral("--version")});
        QCOMPARE(version.status, 0);
        QVERIFY(version.out.startsWith(QStringLiteral("quillgraver ")));
    }
};

QTEST_MAIN(TestCli)
#include "test_cli.moc"
