#include "ProductionWindow.h"

#include "EditHistory.h"

#include "Check.h"
#include "CheckPanel.h"
#include "ImprintView.h"
#include "StampFile.h"
#include "Unit1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QShortcut>
#include <QSignalBlocker>
#include <QScreen>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace qg {

namespace {

constexpr double kMmPerInch = 25.4;

// What the window says about each kind.
struct KindWords {
    QString title;       // over the settings
    QString exportTitle;
    QString printTitle;
    QString fileName;    // the export's name for a design that has no file
    QString key;         // its group in the settings
};

const KindWords& wordsOf(StampKind kind) {
    static const KindWords words[] = {
        {QStringLiteral("Круглая печать"), QStringLiteral("Экспорт круглой печати"),
         QStringLiteral("Печать оттиска круглой печати"), QStringLiteral("круглая_печать"), QStringLiteral("round")},
        {QStringLiteral("Треугольная печать"), QStringLiteral("Экспорт треугольной печати"),
         QStringLiteral("Печать оттиска треугольной печати"), QStringLiteral("треугольная_печать"),
         QStringLiteral("triangle")},
        {QStringLiteral("Штамп"), QStringLiteral("Экспорт штампа"), QStringLiteral("Печать оттиска штампа"),
         QStringLiteral("штамп"), QStringLiteral("rect")},
    };
    return words[static_cast<int>(kind)];
}

// The formats in the order of the list.
constexpr std::array<output::Format, 5> kFormats = {output::Format::Png, output::Format::Tiff, output::Format::Pdf,
                                                    output::Format::Svg, output::Format::Bmp};

bool isVector(output::Format format) {
    return format == output::Format::Pdf || format == output::Format::Svg;
}

QString formatFilter(output::Format format) {
    switch (format) {
        case output::Format::Png:
            return QStringLiteral("Рисунок PNG (*.png)");
        case output::Format::Tiff:
            return QStringLiteral("Рисунок TIFF (*.tif *.tiff)");
        case output::Format::Pdf:
            return QStringLiteral("Документ PDF (*.pdf)");
        case output::Format::Svg:
            return QStringLiteral("Рисунок SVG (*.svg)");
        case output::Format::Bmp:
            return QStringLiteral("Рисунок BMP (*.bmp)");
    }
    return QString();
}

// A number for a file name: "40", "40.5".
QString shortNumber(double value) {
    return QString::number(std::round(value * 100) / 100, 'g', 6);
}

QSettings programSettings() {
    return QSettings(QStringLiteral("Quillgraver"), QStringLiteral("Quillgraver"));
}

output::Settings loadSettings(StampKind kind) {
    QSettings store = programSettings();
    store.beginGroup(QStringLiteral("export/") + wordsOf(kind).key);
    output::Settings s;
    const double width = store.value(QStringLiteral("widthMm"), output::defaultWidthMm(kind)).toDouble();
    s.widthMm = std::isfinite(width) ? std::clamp(width, output::kMinWidthMm, output::kMaxWidthMm)
                                     : output::defaultWidthMm(kind);
    s.format = output::formatFromName(store.value(QStringLiteral("format")).toString()).value_or(output::Format::Png);
    s.dpi = std::clamp(store.value(QStringLiteral("dpi"), s.dpi).toInt(), output::kMinDpi, output::kMaxDpi);
    s.colour = store.value(QStringLiteral("colour"), false).toBool();
    s.mirror = store.value(QStringLiteral("mirror"), false).toBool();
    s.negative = store.value(QStringLiteral("negative"), false).toBool();
    const double margin = store.value(QStringLiteral("marginMm"), s.marginMm).toDouble();
    s.marginMm = std::isfinite(margin) ? std::clamp(margin, 0.0, output::kMaxMarginMm) : 2;
    s.mergeOutlines = store.value(QStringLiteral("mergeOutlines"), false).toBool();
    return s;
}

void storeSettings(StampKind kind, const output::Settings& s) {
    QSettings store = programSettings();
    store.beginGroup(QStringLiteral("export/") + wordsOf(kind).key);
    store.setValue(QStringLiteral("widthMm"), s.widthMm);
    store.setValue(QStringLiteral("format"), output::formatSuffix(s.format));
    store.setValue(QStringLiteral("dpi"), s.dpi);
    store.setValue(QStringLiteral("colour"), s.colour);
    store.setValue(QStringLiteral("mirror"), s.mirror);
    store.setValue(QStringLiteral("negative"), s.negative);
    store.setValue(QStringLiteral("marginMm"), s.marginMm);
    store.setValue(QStringLiteral("mergeOutlines"), s.mergeOutlines);
}

template <typename T>
T* named(T* widget, const char* name, const QString& toolTip) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setToolTip(toolTip);
    return widget;
}

}  // namespace

ProductionWindow::ProductionWindow(TForm1& main, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), m_main(main), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("ProductionWindow"));
    setWindowTitle(QStringLiteral("Макет для изготовления"));
    // Numbers are written the Russian way, "40,0 мм", in every control.
    setLocale(QLocale(QLocale::Russian, QLocale::Russia));
    for (int k = 0; k < kKindCount; ++k)
        m_settings[static_cast<std::size_t>(k)] = loadSettings(static_cast<StampKind>(k));
    m_imprint = std::make_shared<output::Imprint>();
    if (main.activePage() != ActivePage::Info)
        m_kind = static_cast<StampKind>(main.activePage());

    // The view with its zoom buttons.
    m_view = new ImprintView(this);
    m_view->setObjectName(QStringLiteral("ImprintView"));
    m_view->setToolTip(QStringLiteral("Оттиск в натуральную величину. Ctrl + колесо мыши: масштаб; "
                                      "перетаскивание мышью или стрелки: сдвиг"));
    const auto zoomButton = [this](const char* name, const QString& caption, const QString& tip) {
        auto* button = named(new QToolButton(this), name, tip);
        button->setText(caption);
        button->setAutoRaise(false);
        return button;
    };
    QToolButton* fit = zoomButton("FitButton", QStringLiteral("Вписать"), QStringLiteral("Весь оттиск в окне (Ctrl+0)"));
    QToolButton* trueSize =
        zoomButton("TrueSizeButton", QStringLiteral("1:1"), QStringLiteral("Натуральная величина на этом экране (Ctrl+1)"));
    QToolButton* zoomOut = zoomButton("ZoomOutButton", QStringLiteral("−"), QStringLiteral("Уменьшить (Ctrl+минус)"));
    QToolButton* zoomIn = zoomButton("ZoomInButton", QStringLiteral("+"), QStringLiteral("Увеличить, до 16 раз (Ctrl+плюс)"));
    m_zoomLabel = named(new QLabel(this), "ZoomLabel", QStringLiteral("Масштаб относительно натуральной величины"));
    m_zoomLabel->setMinimumWidth(m_zoomLabel->fontMetrics().horizontalAdvance(QStringLiteral("Вписано, 1600 %")));
    connect(fit, &QToolButton::clicked, m_view, &ImprintView::zoomToFit);
    connect(trueSize, &QToolButton::clicked, m_view, &ImprintView::zoomTrueSize);
    connect(zoomOut, &QToolButton::clicked, m_view, &ImprintView::zoomOut);
    connect(zoomIn, &QToolButton::clicked, m_view, &ImprintView::zoomIn);
    connect(m_view, &ImprintView::zoomChanged, this, [this] {
        const QString percent = locale().toString(std::lround(m_view->zoom() * 100)) + QStringLiteral(" %");
        m_zoomLabel->setText(m_view->fitsWindow() ? QStringLiteral("Вписано, ") + percent : percent);
    });
    const auto shortcut = [this](const QKeySequence& keys, void (ImprintView::*slot)()) {
        auto* s = new QShortcut(keys, this);
        connect(s, &QShortcut::activated, m_view, slot);
    };
    shortcut(QKeySequence::ZoomIn, &ImprintView::zoomIn);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Equal), &ImprintView::zoomIn);
    shortcut(QKeySequence::ZoomOut, &ImprintView::zoomOut);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_0), &ImprintView::zoomToFit);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_1), &ImprintView::zoomTrueSize);

    auto* zoomRow = new QHBoxLayout;
    zoomRow->addWidget(fit);
    zoomRow->addWidget(trueSize);
    zoomRow->addWidget(zoomOut);
    zoomRow->addWidget(zoomIn);
    zoomRow->addWidget(m_zoomLabel);
    zoomRow->addStretch(1);
    auto* left = new QVBoxLayout;
    left->addLayout(zoomRow);
    left->addWidget(m_view, 1);

    // The settings of the files.
    m_kindLabel = named(new QLabel(this), "KindLabel", QStringLiteral("Вид печати, как на странице главного окна"));
    QFont bold = m_kindLabel->font();
    bold.setBold(true);
    m_kindLabel->setFont(bold);

    auto* output = new QGroupBox(QStringLiteral("Оттиск"), this);
    auto* form = new QFormLayout(output);
    m_width = named(new QDoubleSpinBox(output), "WidthEdit",
                    QStringLiteral("Ширина оттиска в миллиметрах; у круглой печати по внешнему ободку"));
    m_width->setRange(output::kMinWidthMm, output::kMaxWidthMm);
    m_width->setDecimals(1);
    m_width->setSingleStep(0.5);
    m_width->setSuffix(QStringLiteral(" мм"));
    m_height = named(new QLabel(output), "HeightLabel", QStringLiteral("Высота оттиска при этой ширине"));
    m_format = named(new QComboBox(output), "FormatBox", QStringLiteral("Формат файла для экспорта"));
    for (const output::Format format : kFormats)
        m_format->addItem(output::formatSuffix(format).toUpper().replace(QLatin1String("TIF"), QLatin1String("TIFF")));
    m_dpi = named(new QSpinBox(output), "DpiEdit",
                  QStringLiteral("Разрешение рисунка в точках на дюйм (для PNG, TIFF и BMP)"));
    m_dpi->setRange(output::kMinDpi, output::kMaxDpi);
    m_dpi->setSingleStep(100);
    m_dpi->setSuffix(QStringLiteral(" dpi"));
    m_colour = named(new QCheckBox(QStringLiteral("В &цветах макета"), output), "ColourCheck",
                     QStringLiteral("Краска в цветах макета; без отметки всё чёрным, рисунок в 1 бит"));
    m_mirror = named(new QCheckBox(QStringLiteral("&Зеркально"), output), "MirrorCheck",
                     QStringLiteral("Отразить слева направо, как на клише"));
    m_negative = named(new QCheckBox(QStringLiteral("&Негатив"), output), "NegativeCheck",
                       QStringLiteral("Белым по чёрному внутри рамки оттиска"));
    m_margin = named(new QDoubleSpinBox(output), "MarginEdit", QStringLiteral("Поля вокруг оттиска в миллиметрах"));
    m_margin->setRange(0, output::kMaxMarginMm);
    m_margin->setDecimals(1);
    m_margin->setSingleStep(0.5);
    m_margin->setSuffix(QStringLiteral(" мм"));
    m_merge = named(new QCheckBox(QStringLiteral("С&лить контуры"), output), "MergeCheck",
                    QStringLiteral("PDF и SVG: краска одного цвета одним набором замкнутых контуров"));
    const auto row = [form](const QString& caption, QWidget* field) {
        auto* label = new QLabel(caption);
        label->setBuddy(field);
        form->addRow(label, field);
    };
    row(QStringLiteral("&Ширина:"), m_width);
    form->addRow(QStringLiteral("Высота:"), m_height);
    row(QStringLiteral("&Формат:"), m_format);
    row(QStringLiteral("&Разрешение:"), m_dpi);
    row(QStringLiteral("&Поля:"), m_margin);
    form->addRow(m_colour);
    form->addRow(m_mirror);
    form->addRow(m_negative);
    form->addRow(m_merge);

    m_export = named(new QPushButton(QStringLiteral("&Экспорт…"), this), "ExportButton",
                     QStringLiteral("Сохранить оттиск в файл с этими настройками"));
    m_print = named(new QPushButton(QStringLiteral("Печа&ть…"), this), "PrintButton",
                    QStringLiteral("Напечатать оттиск в натуральную величину посередине листа"));
    m_preview = named(new QPushButton(QStringLiteral("П&росмотр…"), this), "PrintPreviewButton",
                      QStringLiteral("Лист, как он будет напечатан"));
    connect(m_export, &QPushButton::clicked, this, &ProductionWindow::exportImprint);
    connect(m_print, &QPushButton::clicked, this, [this] { printImprint(false); });
    connect(m_preview, &QPushButton::clicked, this, [this] { printImprint(true); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_export);
    buttons->addWidget(m_print);
    buttons->addWidget(m_preview);

    m_check = new CheckPanel(this);
    connect(m_check, &CheckPanel::findingsShown, m_view, &ImprintView::setMarks);
    connect(m_check, &CheckPanel::findingChosen, m_view, &ImprintView::setCurrentMark);

    auto* right = new QVBoxLayout;
    right->addWidget(m_kindLabel);
    right->addWidget(output);
    right->addLayout(buttons);
    right->addWidget(m_check, 1);

    // The side scrolls when the window is made low.
    auto* panel = new QWidget;
    panel->setLayout(right);
    auto* side = new QScrollArea(this);
    side->setObjectName(QStringLiteral("SidePanel"));
    side->setFrameShape(QFrame::NoFrame);
    side->setWidgetResizable(true);
    side->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    side->setWidget(panel);
    side->setFixedWidth(std::max(320, panel->sizeHint().width() + side->verticalScrollBar()->sizeHint().width()));
    auto* whole = new QHBoxLayout(this);
    whole->addLayout(left, 1);
    whole->addWidget(side);

    connect(m_width, &QDoubleSpinBox::valueChanged, this, &ProductionWindow::settingsEdited);
    connect(m_margin, &QDoubleSpinBox::valueChanged, this, &ProductionWindow::settingsEdited);
    connect(m_dpi, &QSpinBox::valueChanged, this, &ProductionWindow::settingsEdited);
    connect(m_format, &QComboBox::currentIndexChanged, this, &ProductionWindow::settingsEdited);
    for (QCheckBox* check : {m_colour, m_mirror, m_negative, m_merge})
        connect(check, &QCheckBox::toggled, this, &ProductionWindow::settingsEdited);

    // Ctrl+Z and its kin step through the design's history here too.
    auto* historyKeys = new HistoryKeys(this);
    connect(historyKeys, &HistoryKeys::undo, &main, &TForm1::UndoItemClick);
    connect(historyKeys, &HistoryKeys::redo, &main, &TForm1::RedoItemClick);

    // Closes with Escape, like a dialog.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);

    // Room for the imprint and the whole list of findings, within the screen.
    QSize size(1100, 820);
    if (const QScreen* screen = main.screen())
        size = size.boundedTo(screen->availableGeometry().size() * 0.9);
    resize(size);
    const QByteArray geometry = programSettings().value(QStringLiteral("production/geometry")).toByteArray();
    if (!geometry.isEmpty())
        restoreGeometry(geometry);

    connect(&main, &TForm1::previewPainted, this, &ProductionWindow::followMainWindow);
    showKindSettings();
}

ProductionWindow::~ProductionWindow() {
    if (m_everShown && isVisible())
        saveGeometryNow();
}

void ProductionWindow::saveGeometryNow() {
    programSettings().setValue(QStringLiteral("production/geometry"), saveGeometry());
}

void ProductionWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_everShown = true;
    if (m_stale)
        followMainWindow();
}

void ProductionWindow::hideEvent(QHideEvent* event) {
    saveGeometryNow();
    // A closed window keeps no memory for checks to come.
    check::releaseKeptMemory();
    QWidget::hideEvent(event);
}

void ProductionWindow::followMainWindow() {
    if (!isVisible()) {
        m_stale = true;
        return;
    }
    m_stale = false;
    const ActivePage page = m_main.activePage();
    // The information page draws no design: the last kind stays.
    if (page != ActivePage::Info && static_cast<StampKind>(page) != m_kind) {
        m_kind = static_cast<StampKind>(page);
        m_view->setMarks({});
        showKindSettings();
    }
    m_imprint = std::make_shared<const output::Imprint>(output::makeImprint(m_main.designs(), m_kind));
    m_view->setImprint(m_imprint);
    updateControls();
    runCheck();
}

void ProductionWindow::runCheck() {
    m_check->checkDesign(m_main.designs(), m_kind, m_imprint, settings().widthMm, check::pictureDpi(settings()));
}

// Puts the kind's settings into the controls.
void ProductionWindow::showKindSettings() {
    const output::Settings& s = settings();
    m_kindLabel->setText(wordsOf(m_kind).title);
    const std::array<QSignalBlocker, 9> blockers = {QSignalBlocker(m_width),  QSignalBlocker(m_margin),
                                                    QSignalBlocker(m_dpi),    QSignalBlocker(m_format),
                                                    QSignalBlocker(m_colour), QSignalBlocker(m_mirror),
                                                    QSignalBlocker(m_negative), QSignalBlocker(m_merge),
                                                    QSignalBlocker(m_view)};
    m_width->setValue(s.widthMm);
    m_margin->setValue(s.marginMm);
    m_dpi->setValue(s.dpi);
    m_format->setCurrentIndex(static_cast<int>(std::find(kFormats.begin(), kFormats.end(), s.format) - kFormats.begin()));
    m_colour->setChecked(s.colour);
    m_mirror->setChecked(s.mirror);
    m_negative->setChecked(s.negative);
    m_merge->setChecked(s.mergeOutlines);
    m_view->setSettings(s);
    updateControls();
}

void ProductionWindow::settingsEdited() {
    output::Settings& s = m_settings[static_cast<std::size_t>(m_kind)];
    const bool widthChanged = s.widthMm != m_width->value();
    const int checkedDpi = check::pictureDpi(s);
    s.widthMm = m_width->value();
    s.marginMm = m_margin->value();
    s.dpi = m_dpi->value();
    s.format = kFormats[static_cast<std::size_t>(std::max(0, m_format->currentIndex()))];
    s.colour = m_colour->isChecked();
    s.mirror = m_mirror->isChecked();
    s.negative = m_negative->isChecked();
    s.mergeOutlines = m_merge->isChecked();
    storeSettings(m_kind, s);
    m_view->setSettings(s);
    updateControls();
    if ((widthChanged || check::pictureDpi(s) != checkedDpi) && !m_stale)
        runCheck();
}

void ProductionWindow::updateControls() {
    const output::Settings& s = settings();
    const bool hasInk = !m_imprint->empty();
    const QSizeF size = output::imprintSizeMm(*m_imprint, s.widthMm);
    m_height->setText(hasInk ? locale().toString(size.height(), 'f', 1) + QStringLiteral(" мм")
                             : QStringLiteral("нет оттиска"));
    m_dpi->setEnabled(!isVector(s.format));
    m_merge->setEnabled(isVector(s.format));
    m_colour->setEnabled(!s.negative);
    m_export->setEnabled(hasInk);
    m_print->setEnabled(hasInk);
    m_preview->setEnabled(hasInk);
}

QString ProductionWindow::defaultExportName() const {
    const output::Settings& s = settings();
    const QString& design = m_main.designFileName(m_kind);
    QString name = design.isEmpty() ? wordsOf(m_kind).fileName : QFileInfo(design).completeBaseName();
    name += QStringLiteral("_%1мм").arg(shortNumber(s.widthMm));
    if (!isVector(s.format))
        name += QStringLiteral("_%1dpi").arg(s.dpi);
    return name + QLatin1Char('.') + output::formatSuffix(s.format);
}

void ProductionWindow::exportImprint() {
    m_main.completePendingRepaint();  // the latest edit is in the file too
    if (m_imprint->empty()) {
        m_dialogs.message(MessageIcon::Error, QStringLiteral("Предупреждение"),
                          QStringLiteral("В оттиске нет ни одного штриха !"));
        return;
    }
    const output::Settings s = settings();
    const QString& design = m_main.designFileName(m_kind);
    const QDir folder(design.isEmpty() ? dialogStartFolder() : QFileInfo(design).absolutePath());
    const QString suffix = output::formatSuffix(s.format);
    QString path = m_dialogs.saveFileName(FileDialogRequest{wordsOf(m_kind).exportTitle,
                                                            folder.filePath(defaultExportName()),
                                                            formatFilter(s.format) + QStringLiteral(";;Все файлы (*.*)"),
                                                            suffix});
    if (path.isEmpty())
        return;
    if (io::fileExtension(path).isEmpty())
        path += QLatin1Char('.') + suffix;
    if (output::formatFromFileName(path) != s.format) {
        m_dialogs.message(MessageIcon::Error, QStringLiteral("Предупреждение."),
                          QStringLiteral("Расширение файла должно быть %1 !").arg(suffix));
        return;
    }
    QString error;
    if (!output::exportFile(*m_imprint, s, path, error)) {
        m_dialogs.message(MessageIcon::Error, QStringLiteral("Ошибка"),
                          QStringLiteral("Не удалось сохранить файл\n%1\n\n%2").arg(QDir::toNativeSeparators(path), error));
        return;
    }
    m_dialogs.message(MessageIcon::Information, QStringLiteral("Информация"),
                      QStringLiteral("Файл (%1) сохранен !").arg(suffix));
}

void ProductionWindow::printImprint(bool preview) {
    m_main.completePendingRepaint();
    if (m_imprint->empty())
        return;
    const std::shared_ptr<const output::Imprint> imprint = m_imprint;
    const output::Settings s = settings();
    bool drawn = true;
    const bool printed = m_dialogs.print(PrintRequest{wordsOf(m_kind).printTitle, preview,
                                                      [&](QPrinter& printer) { drawn = printPage(printer, *imprint, s); }});
    if (printed && !drawn)
        m_dialogs.message(MessageIcon::Error, QStringLiteral("Ошибка"), QStringLiteral("Не удалось начать печать !"));
}

bool ProductionWindow::printPage(QPrinter& printer, const output::Imprint& imprint, const output::Settings& settings) {
    printer.setFullPage(true);
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    painter.setRenderHint(QPainter::Antialiasing, true);
    output::Settings onPaper = settings;
    onPaper.marginMm = 0;
    const QRectF paper = printer.pageLayout().fullRect(QPageLayout::Millimeter);
    const QSizeF size = output::imprintSizeMm(imprint, onPaper.widthMm);
    const double dotsPerMm = printer.resolution() / kMmPerInch;
    painter.scale(dotsPerMm, dotsPerMm);
    painter.translate((paper.width() - size.width()) / 2, (paper.height() - size.height()) / 2);
    output::paintPage(painter, imprint, onPaper);
    return painter.end();
}

}  // namespace qg
