#include "Files.h"
#include "Designs.h"
#include "Emblem.h"
#include "Export.h"
#include "ExportCommand.h"
#include "StampFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>

#include <cmath>
#include <utility>
#include <QTemporaryDir>
#include <QTest>

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace qg;

namespace {

struct Run {
    int status = -1;
    QString out;
    QStringList errors;
};

// How the program is started: from a terminal without a display, unless
// told otherwise.
struct Launch {
    QProcessEnvironment environment = terminalEnvironment();
    bool unprivileged = false;  // without root's power over permissions
    QString folder;             // the working folder
};

// Runs in the child before the program starts. Root passes every
// permission check, so a folder made read-only with chmod would still take
// new files: this takes that power away from the program for good (the
// bounding set is what root's programs start with).
void dropPermissionOverride() {
    constexpr unsigned kOverrides[] = {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER};
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) == 0) {
        for (const unsigned cap : kOverrides)
            data[0].inheritable &= ~(1u << cap);
        ::syscall(SYS_capset, &header, data);
    }
    ::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0);
    for (const unsigned cap : kOverrides)
        ::prctl(PR_CAPBSET_DROP, cap, 0, 0, 0);
}

void start(QProcess& process, const QString& program, const QStringList& arguments, const Launch& launch) {
    process.setProcessEnvironment(launch.environment);
    if (launch.unprivileged)
        process.setChildProcessModifier(dropPermissionOverride);
    if (!launch.folder.isEmpty())
        process.setWorkingDirectory(launch.folder);
    process.start(program, arguments);
}

Run quillgraver(const QStringList& arguments, const Launch& launch = {}) {
    QProcess process;
    start(process, QStringLiteral(QG_PROGRAM), arguments, launch);
    Run run;
    if (!process.waitForFinished(60000))
        return run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.errors = QString::fromUtf8(process.readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return run;
}

// Whether a program started as the program is (`launch`) can create a file
// in the folder.
bool canCreateFileIn(const QString& folder, const Launch& launch) {
    QProcess shell;
    start(shell, QStringLiteral("/bin/sh"),
          {QStringLiteral("-c"), QStringLiteral(": > \"$0/probe\" && rm \"$0/probe\""), folder}, launch);
    return shell.waitForFinished(10000) && shell.exitStatus() == QProcess::NormalExit && shell.exitCode() == 0;
}

// Every file under the folder with its contents, to see that nothing was written.
QMap<QString, QByteArray> filesUnder(const QString& folder) {
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(path, read(path));
    }
    return files;
}

// A PDF without what makes every file unique: its dates and its identity.
QByteArray withoutStamps(QByteArray pdf) {
    static const QRegularExpression stamps(QStringLiteral("/CreationDate \\([^)]*\\)|/ModDate \\([^)]*\\)|/ID \\[[^\\]]*\\]"));
    return QString::fromLatin1(pdf).replace(stamps, QString()).toLatin1();
}

// Picture*: an emblem of any kind at a width of its own; found, missing, or
// missing and drawn from its copy in the design.
enum class Emblem { Beside, Missing, NotBitmap, TooLarge, NoName, DisabledAndMissing,
                    Picture, PictureMissing, PictureFromCopy, NotPicture };
// A disc with a bar across it.
const QByteArray kLogo =
    "<svg xmlns='http://www.w3.org/2000/svg' width='100' height='100'>"
    "<circle cx='50' cy='50' r='40' fill='black'/><rect x='10' y='45' width='80' height='10' fill='white'/></svg>";

enum class Folder { Missing, NoPermission, ReadOnlyFileSystem };

}  // namespace

Q_DECLARE_METATYPE(Emblem)
Q_DECLARE_METATYPE(Folder)
Q_DECLARE_METATYPE(qg::output::Settings)

class TestCli : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString round;
    QString triangle;
    QString damaged;
    QString notDesign;
    QString thinRing;
    QString crest;

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
        crest = dir.filePath(QStringLiteral("crest.bmp"));
        QVERIFY(testing::writeCrest(crest));
        // The same design under one name in two folders, and a design whose
        // name is that of a picture.
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("one")) && QDir(dir.path()).mkpath(QStringLiteral("two")) &&
                QDir(dir.path()).mkpath(QStringLiteral("pictures")));
        QVERIFY(QFile::copy(thinRing, dir.filePath(QStringLiteral("one/seal.qgr"))));
        QVERIFY(QFile::copy(thinRing, dir.filePath(QStringLiteral("two/seal.qgr"))));
        QVERIFY(QFile::copy(thinRing, dir.filePath(QStringLiteral("pictures/seal.svg"))));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("pictures")), dir.filePath(QStringLiteral("linked"))));
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
        QTest::newRow("unknown profile") << QStringList{QStringLiteral("--export"), round, out, dir.path(),
                                                        QStringLiteral("--profile"), QStringLiteral("wood")}
                                         << 2 << QStringLiteral("неизвестный профиль «wood»");
        QTest::newRow("unknown limits") << QStringList{QStringLiteral("--check"), round, QStringLiteral("--limits"),
                                                       QStringLiteral("strict")}
                                        << 2 << QStringLiteral("неизвестные нормы «strict»");
        QTest::newRow("mirror and not") << QStringList{QStringLiteral("--export"), round, out, dir.path(),
                                                       QStringLiteral("--no-mirror"), QStringLiteral("--mirror")}
                                        << 2 << QStringLiteral("--no-mirror");
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
        QVERIFY2(run.errors.front().contains(QStringLiteral("на диске нет места")), qPrintable(run.errors.front()));
        QCOMPARE(left, QStringList{QStringLiteral("kept.png")});
        QCOMPARE(after, QByteArray("old picture"));
    }

    void check_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("lines");  // each line of the output contains one of these, in order
        const QString check = QStringLiteral("--check");
        const QString width = QStringLiteral("--width-mm");
        // What to change comes last: a unit is 0.15 mm, two reach 0.2 mm;
        // at 0.05 mm, two reach the error's 0.1 mm.
        QTest::newRow("ring 0.15 mm") << QStringList{check, thinRing, width, QStringLiteral("27.75")} << 0
                                      << QStringList{QStringLiteral("thin-ring.qgr: предупреждение: 3-я окр.: линия тоньше допустимой: 0.15 мм, допустимо 0.20 мм: увеличьте толщину 3-й окр. до 2")};
        QTest::newRow("ring 0.05 mm") << QStringList{check, thinRing, width, QStringLiteral("9.25")} << 3
                                      << QStringList{QStringLiteral("thin-ring.qgr: ошибка: 3-я окр.: линия тоньше допустимой: 0.05 мм, допустимо 0.10 мм: увеличьте толщину 3-й окр. до 2")};
        QTest::newRow("thicker lines asked for")
            << QStringList{check, thinRing, width, QStringLiteral("27.75"), QStringLiteral("--min-line-mm"), QStringLiteral("0.2")}
            << 3 << QStringList{QStringLiteral("ошибка: 3-я окр.: линия тоньше допустимой: 0.15 мм, допустимо 0.20 мм")};
        QTest::newRow("ring 0.25 mm") << QStringList{check, thinRing, width, QStringLiteral("46.25")} << 0
                                      << QStringList{QStringLiteral("thin-ring.qgr: замечаний нет")};
        // A named set of limits, and a limit of its given before or after it.
        const QStringList at27{check, thinRing, width, QStringLiteral("27.75")};
        const QString limits = QStringLiteral("--limits");
        const QString thinner = QStringLiteral("--min-line-mm");
        const QStringList warning{QStringLiteral("предупреждение: 3-я окр.: линия тоньше допустимой: 0.15 мм, допустимо 0.20 мм")};
        QTest::newRow("minimal limits") << at27 + QStringList{limits, QStringLiteral("minimal")} << 0 << warning;
        QTest::newRow("recommended limits")
            << at27 + QStringList{limits, QStringLiteral("recommended")} << 3
            << QStringList{QStringLiteral("ошибка: 3-я окр.: линия тоньше допустимой: 0.15 мм, допустимо 0.20 мм")};
        QTest::newRow("thinner line after limits")
            << at27 + QStringList{limits, QStringLiteral("recommended"), thinner, QStringLiteral("0.1")} << 0 << warning;
        QTest::newRow("thinner line before limits")
            << at27 + QStringList{thinner, QStringLiteral("0.1"), limits, QStringLiteral("recommended")} << 0 << warning;
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

    // A profile sets its settings, and an option given before or after it
    // changes that setting alone: the file is the one the export writes
    // with the settings the row expects, in the format the profile names.
    void profiles_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<output::Settings>("settings");
        const auto settings = [](output::Format format, int dpi, bool negative, bool mirror, bool colour, bool merge) {
            output::Settings s;
            s.widthMm = 10;
            s.format = format;
            s.dpi = dpi;
            s.negative = negative;
            s.mirror = mirror;
            s.colour = colour;
            s.mergeOutlines = merge;
            return s;
        };
        const QString profile = QStringLiteral("--profile");
        const auto tiff = output::Format::Tiff;
        QTest::newRow("laser") << QStringList{profile, QStringLiteral("laser")}
                               << settings(tiff, 1200, true, true, false, false);
        QTest::newRow("positive") << QStringList{profile, QStringLiteral("positive")}
                                  << settings(output::Format::Png, 600, false, false, false, false);
        QTest::newRow("shop") << QStringList{profile, QStringLiteral("shop")}
                              << settings(output::Format::Pdf, 600, false, false, false, true);
        QTest::newRow("options after") << QStringList{profile, QStringLiteral("laser"), QStringLiteral("--dpi"),
                                                      QStringLiteral("300"), QStringLiteral("--no-mirror")}
                                       << settings(tiff, 300, true, false, false, false);
        QTest::newRow("options before") << QStringList{QStringLiteral("--dpi"), QStringLiteral("300"),
                                                       QStringLiteral("--no-negative"), QStringLiteral("--color"),
                                                       profile, QStringLiteral("laser")}
                                        << settings(tiff, 300, false, true, true, false);
        QTest::newRow("format before") << QStringList{QStringLiteral("--format"), QStringLiteral("png"),
                                                      QStringLiteral("--mirror"), profile, QStringLiteral("polymer")}
                                       << settings(output::Format::Png, 1200, true, true, false, false);
    }
    void profiles() {
        QFETCH(QStringList, options);
        QFETCH(output::Settings, settings);
        QTemporaryDir out;
        const Run run = quillgraver(QStringList{QStringLiteral("--export"), round, QStringLiteral("--output-dir"),
                                                out.path(), QStringLiteral("--width-mm"), QStringLiteral("10")} +
                                    options);
        // The 1-bit pictures of so small a seal may be told to lose its thinnest lines.
        QVERIFY2(run.status == 0, qPrintable(run.errors.join(QLatin1Char('\n'))));

        StampDesigns designs;
        QVERIFY(io::readDesign(StampKind::Round, read(round), designs).ok());
        QString error;
        const QByteArray expected = output::encode(output::makeImprint(designs, StampKind::Round), settings, error);
        QVERIFY2(!expected.isEmpty(), qPrintable(error));
        const QByteArray written = read(out.filePath(QStringLiteral("round.") + output::formatSuffix(settings.format)));
        QCOMPARE(withoutStamps(written), withoutStamps(expected));
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
        // Each line ends in what to change: 2 mm is reached at 40 mm times
        // 2 / 1.63, to half a millimetre up.
        for (QString& line : added) {
            const qsizetype last = line.lastIndexOf(QStringLiteral(": "));
            QCOMPARE(line.mid(last + 2), QStringLiteral("увеличьте размер шрифта строки или диаметр печати до 49.5 мм"));
            line.truncate(last);
        }
        QCOMPARE(added, (QStringList{
            prefix + QStringLiteral("Первая строка по окружности: заглавные буквы ниже допустимого: 1.63 мм, допустимо 2.00 мм"),
            prefix + QStringLiteral("Вторая строка по окружности: заглавные буквы ниже допустимого: 1.63 мм, допустимо 2.00 мм"),
            prefix + QStringLiteral("Третья строка по окружности: заглавные буквы ниже допустимого: 1.63 мм, допустимо 2.00 мм")}));
    }

    // A stamp held to its die: the die's width is the width, its height
    // asked for; each finding's fields as before, the hint last.
    void checkDie_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("fields");  // of the one line printed; empty: no finding
        QTest::addColumn<double>("beyondMm");

        StampDesigns designs = testing::nothingEnabled();
        designs.rect.contours[0] = SegmentSettings{true, Point{10, 70}, Point{190, 130}, 2, kNoneColour};
        const output::Imprint imprint = output::makeImprint(designs, StampKind::Rect);
        const double height = output::imprintSizeMm(imprint, 29).height();
        const int die = static_cast<int>(std::floor(height)) - 2;
        const double beyond = (height - die) / 2;
        const QString stamp = dir.filePath(QStringLiteral("stamp.qgr"));
        QVERIFY(write(stamp, io::writeRectStamp(designs.rect)));
        const QStringList at29{QStringLiteral("--check"), stamp, QStringLiteral("--width-mm"), QStringLiteral("29")};
        const QString dieOption = QStringLiteral("--die-height-mm");
        QTest::newRow("fits") << (at29 + QStringList{dieOption, QString::number(height + 0.1, 'f', 2)}) << 0
                              << QStringList() << 0.0;
        QTest::newRow("no die asked") << at29 << 0 << QStringList() << 0.0;
        QTest::newRow("too tall")
            << (at29 + QStringList{dieOption, QString::number(die)}) << 3
            << QStringList{stamp, QStringLiteral("ошибка"), QStringLiteral("1 контур"),
                           QStringLiteral("не помещается в оснастку 29×%3 мм на %2 мм").replace(QStringLiteral("%3"), QString::number(die)),
                           QStringLiteral("уменьшите «1 контур» или сдвиньте внутрь на %2 мм, либо возьмите оснастку больше")}
            << beyond;
        QTest::newRow("too close to the edge")
            << (at29 + QStringList{dieOption, QString::number(height - 0.6, 'f', 3)}) << 0
            << QStringList{stamp, QStringLiteral("предупреждение"), QStringLiteral("1 контур"),
                           QStringLiteral("ближе 0,5 мм к краю оснастки"), QStringLiteral("%1 мм, допустимо 0.50 мм"),
                           QStringLiteral("уменьшите «1 контур» или сдвиньте внутрь на %2 мм")}
            << 0.3;
    }

    void checkDie() {
        QFETCH(QStringList, options);
        QFETCH(int, status);
        QFETCH(QStringList, fields);
        QFETCH(double, beyondMm);
        const Run run = quillgraver(options);
        QVERIFY2(run.errors.isEmpty(), qPrintable(run.errors.join(QLatin1Char('\n'))));
        QCOMPARE(run.status, status);
        const QStringList out = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(out.size(), 1);
        if (fields.isEmpty()) {
            QVERIFY2(out.front().endsWith(QStringLiteral(": замечаний нет (29 мм)")), qPrintable(out.front()));
            return;
        }
        const QStringList got = out.front().split(QStringLiteral(": "));
        QCOMPARE(got.size(), fields.size());
        // The numbers are good to a pixel of the check: %1 is the room
        // left to the die's edge, %2 how far the ink reaches beyond the size.
        for (qsizetype i = 0; i < fields.size(); ++i) {
            QString pattern = QRegularExpression::escape(fields[i]);
            // escape() puts a backslash before the per cent sign too.
            pattern.replace(QStringLiteral("\\%1"), QStringLiteral("(?<room>\\d+\\.\\d\\d)"))
                .replace(QStringLiteral("\\%2"), QStringLiteral("(?<beyond>\\d+\\.\\d\\d)"));
            const QRegularExpressionMatch match =
                QRegularExpression(QRegularExpression::anchoredPattern(pattern)).match(got[i]);
            QVERIFY2(match.hasMatch(), qPrintable(got[i] + QStringLiteral(" / ") + fields[i]));
            for (const auto& [name, mm] : {std::pair{QStringLiteral("room"), 0.5 - beyondMm},
                                           std::pair{QStringLiteral("beyond"), beyondMm}}) {
                if (match.hasCaptured(name))
                    QVERIFY2(std::abs(match.captured(name).toDouble() - mm) < 0.035, qPrintable(got[i]));
            }
        }
    }

    void checkRefusesBadLimits_data() {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("value");
        QTest::newRow("line not a number") << QStringLiteral("--min-line-mm") << QStringLiteral("тонко");
        QTest::newRow("line zero") << QStringLiteral("--min-line-mm") << QStringLiteral("0");
        QTest::newRow("gap negative") << QStringLiteral("--min-gap-mm") << QStringLiteral("-0.4");
        QTest::newRow("capitals too high") << QStringLiteral("--min-cap-mm") << QStringLiteral("50");
        QTest::newRow("no die") << QStringLiteral("--die-height-mm") << QStringLiteral("0");
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

    // An enabled emblem whose file is missing is taken from beside the
    // design as the window takes it; otherwise the design fails, naming
    // the emblem file, and nothing is written for it.
    void emblem_data() {
        QTest::addColumn<Emblem>("emblem");
        QTest::addColumn<bool>("exporting");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("reason");  // on the only line of the error stream; none when empty
        QTest::newRow("export, beside the design") << Emblem::Beside << true << 0 << QStringLiteral("взят файл с тем же именем");
        QTest::newRow("check, beside the design") << Emblem::Beside << false << 0 << QStringLiteral("взят файл с тем же именем");
        QTest::newRow("export, missing") << Emblem::Missing << true << 1 << QStringLiteral("не найден");
        QTest::newRow("check, missing") << Emblem::Missing << false << 1 << QStringLiteral("не найден");
        QTest::newRow("export, not a bitmap") << Emblem::NotBitmap << true << 1 << QStringLiteral("не является рисунком bmp");
        QTest::newRow("check, too large") << Emblem::TooLarge << false << 1 << QStringLiteral("больше 4096 на 4096 точек");
        QTest::newRow("export, no file named") << Emblem::NoName << true << 1 << QStringLiteral("файл герба не указан");
        QTest::newRow("export, switched off") << Emblem::DisabledAndMissing << true << 0 << QString();
        QTest::newRow("export, picture") << Emblem::Picture << true << 0 << QString();
        QTest::newRow("check, picture missing") << Emblem::PictureMissing << false << 1 << QStringLiteral("не найден");
        QTest::newRow("export, picture from its copy")
            << Emblem::PictureFromCopy << true << 0 << QStringLiteral("взята его копия из макета");
        QTest::newRow("check, picture from its copy")
            << Emblem::PictureFromCopy << false << 0 << QStringLiteral("взята его копия из макета");
        QTest::newRow("export, no picture")
            << Emblem::NotPicture << true << 1 << QStringLiteral("не является рисунком SVG, PNG, JPEG или BMP");
    }

    void emblem() {
        QFETCH(Emblem, emblem);
        QFETCH(bool, exporting);
        QFETCH(int, status);
        QFETCH(QString, reason);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        RoundSealParameters seal = testing::outerRingOnly(3);
        seal.emblem = EmblemSettings{true, 40, 40, folder.filePath(QStringLiteral("crest.bmp"))};
        switch (emblem) {
            case Emblem::Beside:
                // Named as on the machine the design was made on.
                seal.emblem.path = QStringLiteral("C:\\Печати\\crest.bmp");
                QVERIFY(QFile::copy(crest, folder.filePath(QStringLiteral("crest.bmp"))));
                break;
            case Emblem::Missing:
                seal.emblem.path = QStringLiteral("C:\\Печати\\crest.bmp");
                break;
            case Emblem::NotBitmap:
                QVERIFY(write(seal.emblem.path, "no picture"));
                break;
            case Emblem::TooLarge:
                QVERIFY(write(seal.emblem.path, testing::bmpBytes(4097, 1, Qt::black)));
                break;
            case Emblem::NoName:
                seal.emblem.path.clear();
                break;
            case Emblem::DisabledAndMissing:
                seal.emblem.enabled = false;
                break;
            case Emblem::Picture:
            case Emblem::PictureMissing:
            case Emblem::PictureFromCopy:
                seal.emblem.file = folder.filePath(QStringLiteral("logo.svg"));
                seal.emblem.width = 60;
                if (emblem == Emblem::Picture)
                    QVERIFY(write(seal.emblem.file, kLogo));
                if (emblem == Emblem::PictureFromCopy) {
                    seal.emblem.embeddedName = QStringLiteral("logo.svg");
                    seal.emblem.embeddedData = kLogo;
                }
                break;
            case Emblem::NotPicture:
                seal.emblem.file = folder.filePath(QStringLiteral("logo.png"));
                QVERIFY(write(seal.emblem.file, "no picture"));
                break;
        }
        const QString design = folder.filePath(QStringLiteral("seal.qgr"));
        QVERIFY(write(design, io::writeRoundSeal(seal)));
        const QString picture = folder.filePath(QStringLiteral("out/seal.png"));
        const Run run = quillgraver(exporting ? QStringList{QStringLiteral("--export"), design, QStringLiteral("--output-dir"),
                                                            folder.filePath(QStringLiteral("out"))}
                                              : QStringList{QStringLiteral("--check"), design, QStringLiteral("--width-mm"),
                                                            QStringLiteral("10")});
        QCOMPARE(run.status, status);
        if (reason.isEmpty()) {
            QVERIFY2(run.errors.isEmpty(), qPrintable(run.errors.join(QLatin1Char('\n'))));
        } else {
            QCOMPARE(run.errors.size(), 1);
            QVERIFY2(run.errors.front().contains(reason), qPrintable(run.errors.front()));
            QVERIFY2(run.errors.front().contains(design) && run.errors.front().contains(namedEmblemFile(seal.emblem)),
                     qPrintable(run.errors.front()));
        }
        QCOMPARE(QFile::exists(picture), exporting && status == 0);
        if (status != 0)
            QVERIFY(run.out.isEmpty());
        if (exporting && (emblem == Emblem::Beside || emblem == Emblem::PictureFromCopy)) {
            // The emblem beside the design, or the copy, is drawn: the picture
            // is that of the design naming its file where it lies.
            if (emblem == Emblem::Beside) {
                seal.emblem.path = folder.filePath(QStringLiteral("crest.bmp"));
            } else {
                seal.emblem.embeddedData.clear();
                seal.emblem.embeddedName.clear();
                QVERIFY(write(seal.emblem.file, kLogo));
            }
            const QString direct = folder.filePath(QStringLiteral("direct.qgr"));
            QVERIFY(write(direct, io::writeRoundSeal(seal)));
            const QString expected = folder.filePath(QStringLiteral("direct.png"));
            QCOMPARE(quillgraver({QStringLiteral("--export"), direct, QStringLiteral("--output"), expected}).status, 0);
            QVERIFY(read(picture) == read(expected));
        }
    }

    // Exports that would overwrite a design or each other are refused
    // before anything is written, as is an empty name for where they go.
    void refusedBeforeAnythingIsWritten_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("named");  // each on the only line of the error stream
        const QString exportTo = QStringLiteral("--export");
        const QString outDir = QStringLiteral("--output-dir");
        const QString one = dir.filePath(QStringLiteral("one/seal.qgr"));
        const QString two = dir.filePath(QStringLiteral("two/seal.qgr"));
        const QString svg = dir.filePath(QStringLiteral("pictures/seal.svg"));
        const QString out = dir.filePath(QStringLiteral("refused"));
        QTest::newRow("one name from two folders") << QStringList{exportTo, one, two, outDir, out} << QStringList{one, two, QStringLiteral("seal.png")};
        QTest::newRow("one design twice") << QStringList{exportTo, round, round, outDir, out} << QStringList{round, QStringLiteral("round.png")};
        QTest::newRow("the output is the design")
            << QStringList{exportTo, round, QStringLiteral("--output"), round, QStringLiteral("--format"), QStringLiteral("png")} << QStringList{round};
        QTest::newRow("the output is another design of the call")
            << QStringList{exportTo, one, svg, outDir, dir.filePath(QStringLiteral("pictures")), QStringLiteral("--format"), QStringLiteral("svg")}
            << QStringList{one, svg};
        QTest::newRow("a design named as its picture")
            << QStringList{exportTo, svg, outDir, dir.filePath(QStringLiteral("pictures")), QStringLiteral("--format"), QStringLiteral("svg")}
            << QStringList{svg};
        QTest::newRow("the design's folder through a link")
            << QStringList{exportTo, svg, outDir, dir.filePath(QStringLiteral("linked")), QStringLiteral("--format"), QStringLiteral("svg")}
            << QStringList{svg};
        QTest::newRow("empty folder name") << QStringList{exportTo, round, outDir, QString()} << QStringList{outDir};
        QTest::newRow("empty file name") << QStringList{exportTo, round, QStringLiteral("--output"), QString()}
                                         << QStringList{QStringLiteral("--output")};
    }

    void refusedBeforeAnythingIsWritten() {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, named);
        QTemporaryDir current;
        QVERIFY(current.isValid());
        const QMap<QString, QByteArray> before = filesUnder(dir.path());
        Launch launch;
        launch.folder = current.path();
        const Run run = quillgraver(arguments, launch);
        QCOMPARE(run.status, 2);
        QCOMPARE(run.errors.size(), 1);
        for (const QString& name : named)
            QVERIFY2(run.errors.front().contains(name), qPrintable(run.errors.front()));
        QVERIFY(run.out.isEmpty());
        QCOMPARE(filesUnder(dir.path()), before);
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("refused"))));
        QVERIFY(QDir(current.path()).isEmpty());
    }

    // The output folder is made when it is missing; one that cannot take
    // the files fails the call before anything is drawn, with the reason.
    void outputFolder_data() {
        QTest::addColumn<Folder>("folder");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing, two levels deep") << Folder::Missing << 0 << QString();
        QTest::newRow("no write permission") << Folder::NoPermission << 1 << QStringLiteral("недостаточно прав");
        QTest::newRow("read-only file system") << Folder::ReadOnlyFileSystem << 1 << QStringLiteral("файловая система только для чтения");
    }

    void outputFolder() {
        QFETCH(Folder, folder);
        QFETCH(int, status);
        QFETCH(QString, reason);
        QTemporaryDir parent;
        QVERIFY(parent.isValid());
        QString out = parent.filePath(QStringLiteral("out"));
        Launch launch;
        switch (folder) {
            case Folder::Missing:
                out = parent.filePath(QStringLiteral("new/out"));
                break;
            case Folder::NoPermission:
                QVERIFY(QDir(parent.path()).mkdir(QStringLiteral("out")));
                QVERIFY(QFile::setPermissions(out, QFile::ReadOwner | QFile::ExeOwner));
                launch.unprivileged = true;
                if (canCreateFileIn(out, launch))
                    QSKIP("a folder cannot be made read-only for the program here");
                break;
            case Folder::ReadOnlyFileSystem: {
                QVERIFY(QDir(parent.path()).mkdir(QStringLiteral("out")));
                const int mounted = QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                                                                QStringLiteral("ro,size=16k"), QStringLiteral("tmpfs"), out});
                if (mounted != 0)
                    QSKIP("no file system can be mounted here");
                break;
            }
        }
        const Run run = quillgraver({QStringLiteral("--export"), thinRing, QStringLiteral("--output-dir"), out}, launch);
        const QStringList written = QDir(out).entryList(QDir::Files | QDir::Hidden);
        if (folder == Folder::ReadOnlyFileSystem)
            QProcess::execute(QStringLiteral("umount"), {out});
        QFile::setPermissions(out, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(run.status, status);
        if (status == 0) {
            QCOMPARE(written, QStringList{QStringLiteral("thin-ring.png")});
            return;
        }
        QCOMPARE(run.errors.size(), 1);
        QVERIFY2(run.errors.front().contains(out) && run.errors.front().contains(reason), qPrintable(run.errors.front()));
        QVERIFY(written.isEmpty());
        QVERIFY(run.out.isEmpty());
    }

    // A 1-bit picture whose pixel is wider than the design's thinnest line
    // (the ring is 0.11 mm at 20 mm) says so on the error stream; a finer
    // one, or one in colour, says nothing. The picture is written either way.
    void coarsePictureWarns_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("warned");
        QTest::newRow("1 бит, 72 dpi") << QStringList{QStringLiteral("--dpi"), QStringLiteral("72")} << true;
        QTest::newRow("1 бит, 600 dpi") << QStringList{QStringLiteral("--dpi"), QStringLiteral("600")} << false;
        QTest::newRow("цвет, 72 dpi") << QStringList{QStringLiteral("--dpi"), QStringLiteral("72"),
                                                     QStringLiteral("--color")}
                                      << false;
    }

    void coarsePictureWarns() {
        QFETCH(QStringList, options);
        QFETCH(bool, warned);
        QTemporaryDir out;
        QVERIFY(out.isValid());
        const QString picture = out.filePath(QStringLiteral("ring.png"));
        const Run run = quillgraver(QStringList{QStringLiteral("--export"), thinRing, QStringLiteral("--output"), picture,
                                                QStringLiteral("--width-mm"), QStringLiteral("20")} +
                                    options);
        QCOMPARE(run.status, 0);
        QCOMPARE(run.errors.size(), warned ? 1 : 0);
        if (warned)
            QVERIFY2(run.errors.front().contains(QStringLiteral("72 dpi")), qPrintable(run.errors.front()));
        QVERIFY(QFile::exists(picture));
    }

    // Every number may be written with a decimal comma, as the window
    // writes them, and means what it means with a point.
    void decimalComma() {
        QTemporaryDir out;
        QVERIFY(out.isValid());
        const QStringList options{QStringLiteral("--width-mm"),    QStringLiteral("12.75"), QStringLiteral("--dpi"),
                                  QStringLiteral("150.4"),         QStringLiteral("--margin-mm"), QStringLiteral("3.5"),
                                  QStringLiteral("--min-line-mm"), QStringLiteral("0.35"), QStringLiteral("--min-gap-mm"),
                                  QStringLiteral("0.45"),          QStringLiteral("--min-cap-mm"), QStringLiteral("1.25")};
        Run runs[2];
        QByteArray pictures[2];
        for (int k = 0; k < 2; ++k) {
            const QString picture = out.filePath(QStringLiteral("%1.png").arg(k));
            QStringList arguments{QStringLiteral("--export"), QStringLiteral("--check"), thinRing, QStringLiteral("--output"),
                                  picture};
            for (qsizetype i = 0; i < options.size(); ++i)
                arguments << (k == 0 && i % 2 == 1 ? QString(options[i]).replace(u'.', u',') : options[i]);
            runs[k] = quillgraver(arguments);
            runs[k].out.replace(picture, QStringLiteral("PICTURE"));
            pictures[k] = read(picture);
        }
        QCOMPARE(runs[0].errors, runs[1].errors);
        QCOMPARE(runs[0].status, runs[1].status);
        QCOMPARE(runs[0].out, runs[1].out);
        QVERIFY(!pictures[0].isEmpty());
        QVERIFY(pictures[0] == pictures[1]);
    }

    // The command line draws into files only: a display that cannot be
    // reached is never opened.
    void needsNoDisplay_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::newRow("export") << QStringList{QStringLiteral("--export"), thinRing, QStringLiteral("--output-dir"), dir.filePath(QStringLiteral("display"))} << 0;
        // At 10 mm the ring is far too thin: the check finds an error.
        QTest::newRow("check") << QStringList{QStringLiteral("--check"), thinRing, QStringLiteral("--width-mm"), QStringLiteral("10")} << 3;
        QTest::newRow("help") << QStringList{QStringLiteral("--help")} << 0;
        QTest::newRow("version") << QStringList{QStringLiteral("--version")} << 0;
    }

    void needsNoDisplay() {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        Launch launch;
        launch.environment.insert(QStringLiteral("DISPLAY"), QStringLiteral(":99"));
        const Run run = quillgraver(arguments, launch);
        QVERIFY2(run.errors.isEmpty(), qPrintable(run.errors.join(QLatin1Char('\n'))));
        QCOMPARE(run.status, status);
        QVERIFY(!run.out.isEmpty());
        if (arguments.front() == QLatin1String("--export"))
            QVERIFY(QFile::exists(dir.filePath(QStringLiteral("display/thin-ring.png"))));
    }

    // Designs are drawn a few at a time: no more than the cores, nor than
    // the memory available holds at its most per design.
    void designsAtOnce_data() {
        QTest::addColumn<QByteArray>("meminfo");
        QTest::addColumn<int>("designs");
        QTest::addColumn<int>("cores");
        QTest::addColumn<int>("atOnce");
        const QByteArray head = "MemTotal:       16318412 kB\nMemFree:         1203532 kB\n";
        QTest::newRow("memory to spare") << head + "MemAvailable:    8388608 kB\nBuffers: 1 kB\n" << 10 << 4 << 4;
        QTest::newRow("fewer designs than cores") << head + "MemAvailable:    8388608 kB\n" << 3 << 8 << 3;
        QTest::newRow("memory for two") << head + "MemAvailable:     921599 kB\n" << 10 << 4 << 2;
        QTest::newRow("memory for less than one") << head + "MemAvailable:     102400 kB\n" << 10 << 4 << 1;
        QTest::newRow("memory not told") << head << 10 << 4 << 4;
        QTest::newRow("memory unreadable") << head + "MemAvailable: plenty\n" << 10 << 4 << 4;
        QTest::newRow("cores not told") << head + "MemAvailable:    8388608 kB\n" << 10 << 0 << 1;
    }

    void designsAtOnce() {
        QFETCH(QByteArray, meminfo);
        QFETCH(int, designs);
        QFETCH(int, cores);
        QFETCH(int, atOnce);
        QCOMPARE(qg::designsAtOnce(designs, unsigned(cores), availableMemory(meminfo)), atOnce);
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
