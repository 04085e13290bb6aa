#include "ExportCommand.h"

#include "Check.h"
#include "Emblem.h"
#include "Export.h"
#include "LimitSets.h"
#include "Profiles.h"
#include "StampFile.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTextStream>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <optional>
#include <thread>
#include <vector>

namespace qg {

namespace {

const QString kExport = QStringLiteral("export");
const QString kCheck = QStringLiteral("check");

// A number option within [low, high]; false with a message when it is not.
bool numberOption(const QCommandLineParser& parser, const QString& name, double low, double high, double& value,
                  QTextStream& err) {
    if (!parser.isSet(name))
        return true;
    // The window writes "40,0 мм": a decimal comma is taken as well as a point.
    QString text = parser.value(name);
    text.replace(u',', u'.');
    bool ok = false;
    const double given = text.toDouble(&ok);
    if (!ok || !std::isfinite(given) || given < low || given > high) {
        err << QStringLiteral("quillgraver: --%1: нужно число от %2 до %3, дано «%4»\n")
                   .arg(name)
                   .arg(low)
                   .arg(high)
                   .arg(parser.value(name));
        return false;
    }
    value = given;
    return true;
}

// Reads one design file into `designs`; false with the reason.
bool readDesign(const QString& path, StampDesigns& designs, StampKind& kind, QString& reason) {
    QByteArray bytes;
    QString error;
    if (!io::readDesignFile(path, bytes, error)) {
        reason = QStringLiteral("не удалось прочитать файл: %1").arg(error);
        return false;
    }
    const std::optional<StampKind> found = io::sectionKind(bytes);
    if (!found) {
        reason = QStringLiteral("это не файл макета печати");
        return false;
    }
    kind = *found;
    const io::ReadResult result = io::readDesign(kind, bytes, designs);
    if (!result.ok()) {
        reason = QStringLiteral("строка %1 повреждена").arg(result.damagedLine);
        return false;
    }
    return true;
}

// The enabled emblem of a round seal, found as the window finds it when it
// opens the design: the file it names (its picture of any kind, else its
// bitmap) becomes the file to draw, `notice` says when a file beside the
// design or the copy carried in the design stands in for the one named.
// False with the reason when there is none to draw: the imprint would lack
// it.
bool findEmblem(const QString& design, EmblemSettings& emblem, QString& notice, QString& reason) {
    const bool anyKind = !emblem.file.isEmpty();
    QString& path = anyKind ? emblem.file : emblem.path;
    const bool copy = !emblem.embeddedData.isEmpty();
    const auto copyTaken = [&] {
        if (examineEmblem(emblem) == EmblemFile::Bitmap)
            return true;
        reason = QStringLiteral("копия герба %1 в макете не является рисунком").arg(emblem.embeddedName);
        return false;
    };
    if (path.isEmpty()) {
        if (copy)
            return copyTaken();
        reason = QStringLiteral("герб включён, но файл герба не указан");
        return false;
    }
    // The same rule as the window's, which must be able to save the path it takes.
    const EmblemLookup found = lookUpEmblem(path, design, io::canEncodeCp1251, anyKind);
    switch (found.named) {
        case EmblemFile::Bitmap:
            return true;
        case EmblemFile::TooLarge:
            reason = QStringLiteral("рисунок герба %1 больше %2 на %2 точек").arg(path).arg(kMaxEmblemSide);
            return false;
        case EmblemFile::NotBitmap:
            reason = anyKind ? QStringLiteral("файл герба %1 не является рисунком SVG, PNG, JPEG или BMP").arg(path)
                             : QStringLiteral("файл герба %1 не является рисунком bmp").arg(path);
            return false;
        case EmblemFile::Missing:
            break;
    }
    if (found.beside) {
        notice = QStringLiteral(
                     "quillgraver: %1: файл герба %2 не найден, взят файл с тем же именем из папки макета: %3\n")
                     .arg(design, path, found.path);
        path = found.path;
        return true;
    }
    if (copy) {
        if (!copyTaken())
            return false;
        notice = QStringLiteral("quillgraver: %1: файл герба %2 не найден, взята его копия из макета\n")
                     .arg(design, path);
        return true;
    }
    reason = QStringLiteral("файл герба %1 не найден").arg(path);
    return false;
}

// File names are compared as the file system compares them.
#if defined(Q_OS_WIN) || defined(Q_OS_DARWIN)
constexpr Qt::CaseSensitivity kFileNameCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kFileNameCase = Qt::CaseSensitive;
#endif

// The file a path leads to: the canonical path of its longest existing
// part (links followed), with the rest as written, in the case the file
// system tells apart.
QString fileKey(const QString& path) {
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QString existing = absolute;
    QString rest;
    while (!QFileInfo::exists(existing)) {
        const qsizetype slash = existing.lastIndexOf(u'/');
        if (slash <= 0) {
            existing.clear();
            rest = absolute;
            break;
        }
        rest = rest.isEmpty() ? existing.mid(slash + 1) : existing.mid(slash + 1) + u'/' + rest;
        existing.truncate(slash);
    }
    QString key = existing.isEmpty() ? rest : QFileInfo(existing).canonicalFilePath();
    if (!existing.isEmpty() && !rest.isEmpty())
        key += u'/' + rest;
    return kFileNameCase == Qt::CaseSensitive ? key : key.toCaseFolded();
}

// Exports that would overwrite a design, or each other: the line that
// refuses them, or nothing when every target is a file of its own.
QString clashingTargets(const QStringList& designs, const QStringList& targets) {
    QHash<QString, qsizetype> designAt;
    for (qsizetype i = 0; i < designs.size(); ++i)
        designAt.insert(fileKey(designs[i]), i);
    QHash<QString, qsizetype> targetAt;
    for (qsizetype i = 0; i < targets.size(); ++i) {
        const QString key = fileKey(targets[i]);
        if (const auto design = designAt.constFind(key); design != designAt.cend())
            return *design == i ? QStringLiteral("quillgraver: оттиск макета %1 записался бы поверх него самого; "
                                                 "ничего не записано\n")
                                      .arg(designs[i])
                                : QStringLiteral("quillgraver: оттиск макета %1 записался бы поверх макета %2; "
                                                 "ничего не записано\n")
                                      .arg(designs[i], designs[*design]);
        if (const auto earlier = targetAt.constFind(key); earlier != targetAt.cend())
            return QStringLiteral("quillgraver: оттиски макетов %1 и %2 записались бы в один файл %3; ничего не записано\n")
                .arg(designs[*earlier], designs[i], targets[i]);
        targetAt.insert(key, i);
    }
    return QString();
}

}  // namespace

std::optional<qint64> availableMemory(const QByteArray& meminfo) {
    for (const QByteArray& line : meminfo.split('\n')) {
        if (!line.startsWith("MemAvailable:"))
            continue;
        const QList<QByteArray> fields = line.mid(13).simplified().split(' ');
        bool ok = false;
        const qint64 kilobytes = fields.value(0).toLongLong(&ok);
        if (!ok || kilobytes < 0 || fields.value(1) != "kB")
            return std::nullopt;
        return kilobytes * 1024;
    }
    return std::nullopt;
}

int designsAtOnce(qsizetype designs, unsigned cores, std::optional<qint64> available) {
    qint64 most = std::min<qint64>(designs, std::max(1u, cores));
    if (available)
        most = std::min(most, *available / kDesignMemory);
    return static_cast<int>(std::max<qint64>(1, most));
}

void addExportOptions(QCommandLineParser& parser) {
    parser.addOptions({
        {kExport, QStringLiteral("Сохранить оттиски макетов в файлы, без окна.")},
        {{QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("Файл оттиска (один макет)."),
         QStringLiteral("файл")},
        {QStringLiteral("output-dir"), QStringLiteral("Папка для оттисков; имя файла как у макета."),
         QStringLiteral("папка")},
        {QStringLiteral("width-mm"),
         QStringLiteral("Ширина оттиска в мм (круглая печать: по внешнему ободку). По умолчанию 40, 45 или 58."),
         QStringLiteral("мм")},
        {QStringLiteral("dpi"), QStringLiteral("Разрешение рисунка, от 72 до 4800 (по умолчанию 600)."),
         QStringLiteral("dpi")},
        {QStringLiteral("format"), QStringLiteral("png, tiff, pdf, svg или bmp (по умолчанию по расширению файла)."),
         QStringLiteral("формат")},
        {QStringLiteral("profile"),
         QStringLiteral("Настройки для мастерской: laser (негатив, зеркально, TIFF 1 бит, 1200 dpi), "
                        "polymer (негатив, TIFF 1 бит, 1200 dpi), positive (PNG 1 бит, 600 dpi) или "
                        "shop (PDF, слитые контуры); другие параметры их меняют."),
         QStringLiteral("профиль")},
        {QStringLiteral("color"), QStringLiteral("В цветах макета (иначе чёрным, рисунок 1 бит).")},
        {QStringLiteral("mirror"), QStringLiteral("Зеркально, слева направо.")},
        {QStringLiteral("no-mirror"), QStringLiteral("Не зеркально (вопреки --profile).")},
        {QStringLiteral("negative"), QStringLiteral("Негатив: белым по чёрному.")},
        {QStringLiteral("no-negative"), QStringLiteral("Позитив: чёрным по белому (вопреки --profile).")},
        {QStringLiteral("margin-mm"), QStringLiteral("Поля вокруг оттиска в мм (по умолчанию 2)."),
         QStringLiteral("мм")},
        {QStringLiteral("merge-outlines"), QStringLiteral("PDF и SVG: слить краску одного цвета в замкнутые контуры.")},
        {QStringLiteral("transparent"), QStringLiteral("PNG: прозрачный фон.")},
        {kCheck, QStringLiteral("Проверить макеты на пригодность к изготовлению при ширине --width-mm; "
                                "при ошибках код выхода 3.")},
        {QStringLiteral("limits"),
         QStringLiteral("Проверка: нормы minimal (0.1 / 0.4 / 1.5 мм, по умолчанию) или recommended "
                        "(0.2 / 0.4 / 2.35 мм); --min-line-mm и другие их меняют."),
         QStringLiteral("нормы")},
        {QStringLiteral("min-line-mm"),
         QStringLiteral("Проверка: наименьшая толщина линии в мм (по умолчанию 0.1)."), QStringLiteral("мм")},
        {QStringLiteral("min-gap-mm"),
         QStringLiteral("Проверка: наименьший просвет между штрихами в мм (по умолчанию 0.4)."), QStringLiteral("мм")},
        {QStringLiteral("min-cap-mm"),
         QStringLiteral("Проверка: наименьшая высота заглавных букв в мм (по умолчанию 1.5)."), QStringLiteral("мм")},
    });
}

bool exportRequested(const QCommandLineParser& parser) {
    return parser.isSet(kExport);
}

bool commandRequested(const QCommandLineParser& parser) {
    return parser.isSet(kExport) || parser.isSet(kCheck);
}

int runExportCommand(const QCommandLineParser& parser, QTextStream& out, QTextStream& err) {
    const QStringList designs = parser.positionalArguments();
    const bool exporting = parser.isSet(kExport);
    const bool checking = parser.isSet(kCheck);
    const bool toFile = parser.isSet(QStringLiteral("output"));
    const bool toDir = parser.isSet(QStringLiteral("output-dir"));
    if (designs.isEmpty()) {
        err << QStringLiteral("quillgraver: не указан ни один файл макета\n");
        return 2;
    }
    if (exporting && toFile == toDir) {
        err << QStringLiteral("quillgraver: укажите либо --output, либо --output-dir\n");
        return 2;
    }
    if (exporting && toFile && designs.size() > 1) {
        err << QStringLiteral("quillgraver: для нескольких макетов нужна --output-dir\n");
        return 2;
    }
    // An empty name would put the files into the current folder unasked.
    if (exporting && toFile && parser.value(QStringLiteral("output")).isEmpty()) {
        err << QStringLiteral("quillgraver: --output: не указан файл оттиска\n");
        return 2;
    }
    if (exporting && toDir && parser.value(QStringLiteral("output-dir")).isEmpty()) {
        err << QStringLiteral("quillgraver: --output-dir: не указана папка для оттисков\n");
        return 2;
    }

    // A profile first: any other option given changes its setting.
    output::Settings settings;
    if (parser.isSet(QStringLiteral("profile"))) {
        const std::optional<output::Profile> profile = output::profileFromKey(parser.value(QStringLiteral("profile")));
        if (!profile) {
            err << QStringLiteral("quillgraver: неизвестный профиль «%1» (laser, polymer, positive или shop)\n")
                       .arg(parser.value(QStringLiteral("profile")));
            return 2;
        }
        output::applyProfile(*profile, settings);
    }
    for (const char* const option : {"mirror", "negative"}) {
        const QString name = QString::fromLatin1(option);
        if (parser.isSet(name) && parser.isSet(QStringLiteral("no-") + name)) {
            err << QStringLiteral("quillgraver: --%1 и --no-%1 вместе\n").arg(name);
            return 2;
        }
    }
    std::optional<output::Format> format;
    if (parser.isSet(QStringLiteral("format"))) {
        format = output::formatFromName(parser.value(QStringLiteral("format")));
        if (!format) {
            err << QStringLiteral("quillgraver: неизвестный формат «%1»\n").arg(parser.value(QStringLiteral("format")));
            return 2;
        }
    } else if (exporting && toFile) {
        format = output::formatFromFileName(parser.value(QStringLiteral("output")));
        if (!format) {
            err << QStringLiteral("quillgraver: %1: неизвестный формат (расширение png, tif, tiff, pdf, svg или bmp)\n")
                       .arg(parser.value(QStringLiteral("output")));
            return 2;
        }
    }
    settings.format = format.value_or(settings.format);
    double width = 0;
    double dpi = settings.dpi;
    double margin = settings.marginMm;
    if (!numberOption(parser, QStringLiteral("width-mm"), output::kMinWidthMm, output::kMaxWidthMm, width, err) ||
        !numberOption(parser, QStringLiteral("dpi"), output::kMinDpi, output::kMaxDpi, dpi, err) ||
        !numberOption(parser, QStringLiteral("margin-mm"), 0, output::kMaxMarginMm, margin, err))
        return 2;
    check::Limits limits;
    if (parser.isSet(QStringLiteral("limits"))) {
        const std::optional<check::LimitSet> set = check::limitSetFromKey(parser.value(QStringLiteral("limits")));
        if (!set) {
            err << QStringLiteral("quillgraver: неизвестные нормы «%1» (minimal или recommended)\n")
                       .arg(parser.value(QStringLiteral("limits")));
            return 2;
        }
        limits = check::withLimitSet(*set, limits);
    }
    if (!numberOption(parser, QStringLiteral("min-line-mm"), 0.01, 2, limits.minLineMm, err) ||
        !numberOption(parser, QStringLiteral("min-gap-mm"), 0.01, 5, limits.minGapMm, err) ||
        !numberOption(parser, QStringLiteral("min-cap-mm"), 0.1, 20, limits.minCapMm, err))
        return 2;
    limits.safeLineMm = std::max(limits.safeLineMm, limits.minLineMm);
    settings.dpi = static_cast<int>(std::lround(dpi));
    settings.marginMm = margin;
    const auto flag = [&parser](const char* on, const char* off, bool& value) {
        if (parser.isSet(QString::fromLatin1(on)))
            value = true;
        else if (off && parser.isSet(QString::fromLatin1(off)))
            value = false;
    };
    flag("color", nullptr, settings.colour);
    flag("mirror", "no-mirror", settings.mirror);
    flag("negative", "no-negative", settings.negative);
    flag("merge-outlines", nullptr, settings.mergeOutlines);
    flag("transparent", nullptr, settings.transparent);

    const QString outputFile = parser.value(QStringLiteral("output"));
    const QString outputFolder = parser.value(QStringLiteral("output-dir"));
    const QDir outputDir(outputFolder);
    // Where each design goes; nothing is written, and nothing drawn, until
    // every target is known to be a file of its own in a folder that takes it.
    QStringList targets;
    if (exporting) {
        for (const QString& design : designs)
            targets << (toFile ? outputFile
                               : outputDir.filePath(QFileInfo(design).completeBaseName() + QLatin1Char('.') +
                                                    output::formatSuffix(settings.format)));
        if (const QString clash = clashingTargets(designs, targets); !clash.isEmpty()) {
            err << clash;
            return 2;
        }
        const QString folder = toFile ? QFileInfo(outputFile).path() : outputFolder;
        QString error;
        if (!io::prepareFolder(folder, toDir, error)) {
            err << QStringLiteral("quillgraver: не удалось записать в папку %1: %2\n").arg(folder, error);
            return 1;
        }
    }
    // One design: its lines for the output, or its line for the error stream.
    struct Outcome {
        bool ok = false;
        bool checkErrors = false;
        QString line;
        QString notice;   // for the error stream, before the line
        QString warning = {};  // for the error stream, after the line
    };
    const auto exportOne = [&](qsizetype index) -> Outcome {
        const QString& design = designs[index];
        StampDesigns read;
        StampKind kind = StampKind::Round;
        QString reason;
        QString notice;
        if (!readDesign(design, read, kind, reason) ||
            (kind == StampKind::Round && read.round.emblem.enabled &&
             !findEmblem(design, read.round.emblem, notice, reason)))
            return {false, false, QStringLiteral("quillgraver: %1: %2\n").arg(design, reason), QString()};
        const output::Imprint imprint = output::makeImprint(read, kind);
        output::Settings one = settings;
        one.widthMm = width > 0 ? width : output::defaultWidthMm(kind);
        Outcome outcome{true, false, QString(), notice};
        // With --check the whole check runs once and tells the picture's
        // loss too; without it only the loss is looked for.
        std::optional<check::Report> report;
        if (checking)
            report = check::checkDesign(read, kind, imprint, one.widthMm, limits, check::pictureDpi(one));
        if (exporting) {
            const QString& target = targets[index];
            QString error;
            if (!output::exportFile(imprint, one, target, error))
                return {false, false,
                        QStringLiteral("quillgraver: %1: не удалось записать %2: %3\n").arg(design, target, error),
                        notice};
            const QSizeF size = output::imprintSizeMm(imprint, one.widthMm);
            outcome.line = QStringLiteral("%1 -> %2 (%3 x %4 мм)\n")
                               .arg(design, target)
                               .arg(size.width(), 0, 'f', 1)
                               .arg(size.height(), 0, 'f', 1);
            // A 1-bit picture too coarse for the design loses its thin lines.
            std::optional<check::Finding> lost;
            if (report) {
                const auto found = std::find_if(report->findings.begin(), report->findings.end(),
                                                [](const check::Finding& f) {
                                                    return f.problem == check::Problem::FinerThanPixel;
                                                });
                if (found != report->findings.end())
                    lost = *found;
            } else {
                lost = check::finerThanPixel(imprint, one.widthMm, check::pictureDpi(one), limits);
            }
            if (lost)
                outcome.warning = QStringLiteral("quillgraver: %1: %2\n").arg(design, check::describe(kind, *lost));
        }
        if (report) {
            outcome.checkErrors = report->hasErrors();
            if (report->findings.empty())
                outcome.line += QStringLiteral("%1: замечаний нет (%2 мм)\n").arg(design).arg(one.widthMm);
            for (const check::Finding& finding : report->findings)
                outcome.line += QStringLiteral("%1: %2\n").arg(design, check::describe(kind, finding));
        }
        return outcome;
    };

    // The designs are shared out among the processor's cores, as many at
    // once as the memory holds; what each says is told in the designs' order.
    std::vector<Outcome> outcomes(static_cast<std::size_t>(designs.size()));
    std::atomic<qsizetype> next{0};
    const auto work = [&] {
        for (qsizetype i = next++; i < designs.size(); i = next++)
            outcomes[static_cast<std::size_t>(i)] = exportOne(i);
    };
    std::optional<qint64> memory;
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (meminfo.open(QIODevice::ReadOnly))
        memory = availableMemory(meminfo.readAll());
    const qsizetype helpers = designsAtOnce(designs.size(), std::thread::hardware_concurrency(), memory) - 1;
    std::vector<std::thread> threads;
    for (qsizetype k = 0; k < helpers; ++k)
        threads.emplace_back(work);
    work();
    for (std::thread& thread : threads)
        thread.join();

    int failures = 0;
    bool checkErrors = false;
    for (const Outcome& outcome : outcomes) {
        err << outcome.notice;
        (outcome.ok ? out : err) << outcome.line;
        err << outcome.warning;
        failures += outcome.ok ? 0 : 1;
        checkErrors = checkErrors || outcome.checkErrors;
    }
    // A design that could not be read or written says more than what the
    // check found in the others.
    if (failures > 0)
        return 1;
    return checkErrors ? 3 : 0;
}

}  // namespace qg
