#include "ExportCommand.h"

#include "Check.h"
#include "Export.h"
#include "StampFile.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
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
    bool ok = false;
    const double given = parser.value(name).toDouble(&ok);
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

}  // namespace

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
        {QStringLiteral("color"), QStringLiteral("В цветах макета (иначе чёрным, рисунок 1 бит).")},
        {QStringLiteral("mirror"), QStringLiteral("Зеркально, слева направо.")},
        {QStringLiteral("negative"), QStringLiteral("Негатив: белым по чёрному.")},
        {QStringLiteral("margin-mm"), QStringLiteral("Поля вокруг оттиска в мм (по умолчанию 2)."),
         QStringLiteral("мм")},
        {QStringLiteral("merge-outlines"), QStringLiteral("PDF и SVG: слить краску одного цвета в замкнутые контуры.")},
        {QStringLiteral("transparent"), QStringLiteral("PNG: прозрачный фон.")},
        {kCheck, QStringLiteral("Проверить макеты на пригодность к изготовлению при ширине --width-mm; "
                                "при ошибках код выхода 3.")},
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

    output::Settings settings;
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
    settings.format = format.value_or(output::Format::Png);
    double width = 0;
    double dpi = settings.dpi;
    double margin = settings.marginMm;
    if (!numberOption(parser, QStringLiteral("width-mm"), output::kMinWidthMm, output::kMaxWidthMm, width, err) ||
        !numberOption(parser, QStringLiteral("dpi"), output::kMinDpi, output::kMaxDpi, dpi, err) ||
        !numberOption(parser, QStringLiteral("margin-mm"), 0, output::kMaxMarginMm, margin, err))
        return 2;
    check::Limits limits;
    if (!numberOption(parser, QStringLiteral("min-line-mm"), 0.01, 2, limits.minLineMm, err) ||
        !numberOption(parser, QStringLiteral("min-gap-mm"), 0.01, 5, limits.minGapMm, err) ||
        !numberOption(parser, QStringLiteral("min-cap-mm"), 0.1, 20, limits.minCapMm, err))
        return 2;
    limits.safeLineMm = std::max(limits.safeLineMm, limits.minLineMm);
    settings.dpi = static_cast<int>(std::lround(dpi));
    settings.marginMm = margin;
    settings.colour = parser.isSet(QStringLiteral("color"));
    settings.mirror = parser.isSet(QStringLiteral("mirror"));
    settings.negative = parser.isSet(QStringLiteral("negative"));
    settings.mergeOutlines = parser.isSet(QStringLiteral("merge-outlines"));
    settings.transparent = parser.isSet(QStringLiteral("transparent"));

    const QString outputFile = parser.value(QStringLiteral("output"));
    const QDir outputDir(parser.value(QStringLiteral("output-dir")));
    // One design: its lines for the output, or its line for the error stream.
    struct Outcome {
        bool ok = false;
        bool checkErrors = false;
        QString line;
        QString warning = {};  // for the error stream
    };
    const auto exportOne = [&](const QString& design) -> Outcome {
        StampDesigns read;
        StampKind kind = StampKind::Round;
        QString reason;
        if (!readDesign(design, read, kind, reason))
            return {false, false, QStringLiteral("quillgraver: %1: %2\n").arg(design, reason)};
        const output::Imprint imprint = output::makeImprint(read, kind);
        output::Settings one = settings;
        one.widthMm = width > 0 ? width : output::defaultWidthMm(kind);
        Outcome outcome{true, false, QString()};
        if (exporting) {
            const QString target =
                toFile ? outputFile
                       : outputDir.filePath(QFileInfo(design).completeBaseName() + QLatin1Char('.') +
                                            output::formatSuffix(one.format));
            QString error;
            if (!output::exportFile(imprint, one, target, error))
                return {false, false,
                        QStringLiteral("quillgraver: %1: не удалось записать %2: %3\n").arg(design, target, error)};
            const QSizeF size = output::imprintSizeMm(imprint, one.widthMm);
            outcome.line = QStringLiteral("%1 -> %2 (%3 x %4 мм)\n")
                               .arg(design, target)
                               .arg(size.width(), 0, 'f', 1)
                               .arg(size.height(), 0, 'f', 1);
            // A 1-bit picture too coarse for the design loses its thin lines.
            if (const auto lost = check::finerThanPixel(imprint, one.widthMm, check::pictureDpi(one), limits))
                outcome.warning = QStringLiteral("quillgraver: %1: %2\n").arg(design, check::describe(kind, *lost));
        }
        if (checking) {
            const check::Report report =
                check::checkDesign(read, kind, imprint, one.widthMm, limits, check::pictureDpi(one));
            outcome.checkErrors = report.hasErrors();
            if (report.findings.empty())
                outcome.line += QStringLiteral("%1: замечаний нет (%2 мм)\n").arg(design).arg(one.widthMm);
            for (const check::Finding& finding : report.findings)
                outcome.line += QStringLiteral("%1: %2\n").arg(design, check::describe(kind, finding));
        }
        return outcome;
    };

    // The designs are shared out among the processor's cores; what each
    // says is told in the designs' order.
    std::vector<Outcome> outcomes(static_cast<std::size_t>(designs.size()));
    std::atomic<qsizetype> next{0};
    const auto work = [&] {
        for (qsizetype i = next++; i < designs.size(); i = next++)
            outcomes[static_cast<std::size_t>(i)] = exportOne(designs[i]);
    };
    const qsizetype helpers =
        std::min<qsizetype>(designs.size(), std::max(1u, std::thread::hardware_concurrency())) - 1;
    std::vector<std::thread> threads;
    for (qsizetype k = 0; k < helpers; ++k)
        threads.emplace_back(work);
    work();
    for (std::thread& thread : threads)
        thread.join();

    int failures = 0;
    bool checkErrors = false;
    for (const Outcome& outcome : outcomes) {
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
