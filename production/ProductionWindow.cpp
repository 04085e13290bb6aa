#include "ProductionWindow.h"

#include "Check.h"
#include "CheckPanel.h"
#include "ElementPanel.h"
#include "EmblemPanel.h"
#include "ExportAll.h"
#include "HistoryKeys.h"
#include "ImprintView.h"
#include "Named.h"
#include "Placing.h"
#include "ProductionSettings.h"
#include "ProgramSettings.h"
#include "StampFile.h"
#include "StandardSizes.h"

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
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>

namespace qg {

namespace {

constexpr double kMmPerInch = 25.4;

// What the window says about each kind.
struct KindWords {
    QString title;  // over the settings
    QString exportTitle;
    QString printTitle;
    QString fileName;  // the export's name for a design that has no file
};

const KindWords& wordsOf(StampKind kind) {
    static const KindWords words[] = {
        {QStringLiteral("Круглая печать"), QStringLiteral("Экспорт круглой печати"),
         QStringLiteral("Печать оттиска круглой печати"), QStringLiteral("круглая_печать")},
        {QStringLiteral("Треугольная печать"), QStringLiteral("Экспорт треугольной печати"),
         QStringLiteral("Печать оттиска треугольной печати"), QStringLiteral("треугольная_печать")},
        {QStringLiteral("Штамп"), QStringLiteral("Экспорт штампа"), QStringLiteral("Печать оттиска штампа"),
         QStringLiteral("штамп")},
    };
    return words[static_cast<int>(kind)];
}

// The formats in the order of the list.
constexpr std::array<output::Format, 5> kFormats = {
    output::Format::Png, output::Format::Tiff, output::Format::Pdf, output::Format::Svg, output::Format::Bmp};

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

}  // namespace

QWidget* makeProductionWindow(DesignSession& session, Dialogs& dialogs, QWidget* parent) {
    return new ProductionWindow(session, dialogs, parent);
}

ProductionWindow::ProductionWindow(DesignSession& session, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), m_session(session), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("ProductionWindow"));
    setWindowTitle(QStringLiteral("Макет для изготовления"));
    // Numbers are written the Russian way, "40,0 мм", in every control.
    setLocale(QLocale(QLocale::Russian, QLocale::Russia));
    for (int k = 0; k < kKindCount; ++k) {
        const auto kind = static_cast<StampKind>(k);
        m_settings[static_cast<std::size_t>(k)] = loadExportSettings(kind);
        m_profiles[static_cast<std::size_t>(k)] =
            loadExportProfile(kind, m_settings[static_cast<std::size_t>(k)]);
        m_dieHeights[static_cast<std::size_t>(k)] = loadDieHeight(kind);
    }
    m_imprint = std::make_shared<output::Imprint>();
    m_keeper = std::make_shared<ViewInkKeeper>();
    if (session.activePage() != ActivePage::Info)
        m_kind = static_cast<StampKind>(session.activePage());

    // The view with its zoom buttons.
    m_view = new ImprintView(this);
    m_view->setObjectName(QStringLiteral("ImprintView"));
    m_view->setToolTip(
        QStringLiteral("Оттиск в натуральную величину. Щелчок по элементу выбирает его; "
                       "перетаскивание строки по окружности, строки в центре или герба: "
                       "поворот или сдвиг; Ctrl + колесо мыши: масштаб; перетаскивание по "
                       "бумаге или стрелки без выбранного элемента: сдвиг"));
    const auto zoomButton = [this](const char* name, const QString& caption, const QString& tip) {
        auto* button = named(new QToolButton(this), name, tip);
        button->setText(caption);
        button->setAutoRaise(false);
        return button;
    };
    QToolButton* fit =
        zoomButton("FitButton", QStringLiteral("Вписать"), QStringLiteral("Весь оттиск в окне (Ctrl+0)"));
    QToolButton* trueSize = zoomButton("TrueSizeButton", QStringLiteral("1:1"),
                                       QStringLiteral("Натуральная величина на этом экране (Ctrl+1)"));
    QToolButton* zoomOut =
        zoomButton("ZoomOutButton", QStringLiteral("−"), QStringLiteral("Уменьшить (Ctrl+минус)"));
    QToolButton* zoomIn =
        zoomButton("ZoomInButton", QStringLiteral("+"), QStringLiteral("Увеличить, до 16 раз (Ctrl+плюс)"));
    m_zoomLabel =
        named(new QLabel(this), "ZoomLabel", QStringLiteral("Масштаб относительно натуральной величины"));
    m_zoomLabel->setMinimumWidth(
        m_zoomLabel->fontMetrics().horizontalAdvance(QStringLiteral("Вписано, 1600 %")));
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
    m_kindLabel =
        named(new QLabel(this), "KindLabel", QStringLiteral("Вид печати, как на странице главного окна"));
    QFont bold = m_kindLabel->font();
    bold.setBold(true);
    m_kindLabel->setFont(bold);

    auto* output = new QGroupBox(QStringLiteral("Оттиск"), this);
    auto* form = new QFormLayout(output);
    m_form = form;
    m_width = named(new QDoubleSpinBox(output), "WidthEdit",
                    QStringLiteral("Ширина оттиска в миллиметрах; у круглой печати по внешнему ободку"));
    m_width->setRange(output::kMinWidthMm, output::kMaxWidthMm);
    m_width->setDecimals(1);
    m_width->setSingleStep(0.5);
    m_width->setSuffix(QStringLiteral(" мм"));
    m_sizes =
        named(new QComboBox(output), "SizeBox",
              QStringLiteral(
                  "Стандартные размеры оснасток; выбор задаёт ширину оттиска, у штампа и высоту оснастки"));
    m_dieHeight =
        named(new QDoubleSpinBox(output), "DieHeightEdit",
              QStringLiteral("Высота оснастки штампа, как в таблице размеров мастерской: краска выше или "
                             "ниже неё ближе 0,5 мм к краю оснастки; «нет» — не проверять"));
    m_dieHeight->setRange(0, output::kMaxWidthMm);
    m_dieHeight->setDecimals(1);
    m_dieHeight->setSingleStep(0.5);
    m_dieHeight->setSuffix(QStringLiteral(" мм"));
    m_dieHeight->setSpecialValueText(QStringLiteral("нет"));
    m_height = named(new QLabel(output), "HeightLabel", QStringLiteral("Высота оттиска при этой ширине"));
    m_profile = named(new QComboBox(output), "ProfileBox",
                      QStringLiteral("Что просит мастерская: выбор сразу ставит формат, разрешение, "
                                     "негатив и зеркало; ширину и поля не меняет"));
    for (const output::Profile profile : output::kProfiles)
        m_profile->addItem(output::profileTitle(profile));
    m_profile->addItem(QStringLiteral("свои настройки"));
    m_format = named(new QComboBox(output), "FormatBox", QStringLiteral("Формат файла для экспорта"));
    for (const output::Format format : kFormats)
        m_format->addItem(
            output::formatSuffix(format).toUpper().replace(QLatin1String("TIF"), QLatin1String("TIFF")));
    m_dpi = named(new QSpinBox(output), "DpiEdit",
                  QStringLiteral("Разрешение рисунка в точках на дюйм (для PNG, TIFF и BMP)"));
    m_dpi->setRange(output::kMinDpi, output::kMaxDpi);
    m_dpi->setSingleStep(100);
    m_dpi->setSuffix(QStringLiteral(" dpi"));
    m_colour = named(new QCheckBox(QStringLiteral("В &цветах макета"), output), "ColourCheck",
                     QStringLiteral("Краска в цветах макета; без отметки всё чёрным, рисунок в 1 бит"));
    m_mirror = named(new QCheckBox(QStringLiteral("Зер&кально"), output), "MirrorCheck",
                     QStringLiteral("Отразить слева направо, как на клише"));
    m_negative = named(new QCheckBox(QStringLiteral("&Негатив"), output), "NegativeCheck",
                       QStringLiteral("Белым по чёрному внутри рамки оттиска"));
    m_margin =
        named(new QDoubleSpinBox(output), "MarginEdit", QStringLiteral("Поля вокруг оттиска в миллиметрах"));
    m_margin->setRange(0, output::kMaxMarginMm);
    m_margin->setDecimals(1);
    m_margin->setSingleStep(0.5);
    m_margin->setSuffix(QStringLiteral(" мм"));
    m_merge = named(new QCheckBox(QStringLiteral("С&лить контуры"), output), "MergeCheck",
                    QStringLiteral("PDF и SVG: краска одного цвета одним набором замкнутых контуров"));
    const auto row = [form](const QString& caption, QWidget* field) { addLabelledRow(form, caption, field); };
    row(QStringLiteral("Проф&иль:"), m_profile);
    // The width with the kind's standard sizes beside it; its caption names
    // a round seal's diameter.
    auto* widthRow = new QHBoxLayout;
    widthRow->addWidget(m_width, 1);
    widthRow->addWidget(m_sizes, 1);
    m_widthLabel = new QLabel(output);
    m_widthLabel->setBuddy(m_width);
    form->addRow(m_widthLabel, widthRow);
    row(QStringLiteral("Высота о&снастки:"), m_dieHeight);
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
    m_exportAll = named(new QPushButton(QStringLiteral("Экспорт &всех видов…"), this), "ExportAllButton",
                        QStringLiteral("Сохранить в одну папку оттиск каждого вида печати, в котором есть "
                                       "краска, с этими настройками и шириной своего вида"));
    connect(m_export, &QPushButton::clicked, this, &ProductionWindow::exportImprint);
    connect(m_exportAll, &QPushButton::clicked, this, &ProductionWindow::exportAllKinds);
    connect(m_print, &QPushButton::clicked, this, [this] { printImprint(false); });
    connect(m_preview, &QPushButton::clicked, this, [this] { printImprint(true); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_export);
    buttons->addWidget(m_print);
    buttons->addWidget(m_preview);

    m_element = new ElementPanel(session, dialogs, this);
    m_element->emblemPanel()->takeDropsOn(m_view);
    connect(m_view, &ImprintView::elementPicked, m_element, &ElementPanel::select);
    connect(m_element, &ElementPanel::selectionChanged, this, [this](ElementTag element) {
        m_view->setSelection(element, placingOf(m_element->kind(), element) != Placing::None);
    });
    connect(m_view, &ImprintView::elementDragged, this,
            [this](QPointF from, QPointF to, Qt::KeyboardModifiers keys) {
                m_check->setHeld(true);
                m_element->dragSelected(from, to, !(keys & Qt::ShiftModifier));
            });
    connect(m_view, &ImprintView::elementDropped, this, [this] {
        m_element->dropSelected();
        m_check->setHeld(false);
    });
    connect(m_view, &ImprintView::elementNudged, m_element, &ElementPanel::nudgeSelected);

    m_check = new CheckPanel(this);
    connect(m_check, &CheckPanel::findingsShown, m_view, &ImprintView::setMarks);
    connect(m_check, &CheckPanel::findingChosen, m_view, &ImprintView::setCurrentMark);

    auto* company = named(new QPushButton(QStringLiteral("Печать &организации…"), this), "CompanySealButton",
                          QStringLiteral("Круглая печать по реквизитам организации"));
    connect(company, &QPushButton::clicked, &session, &DesignSession::makeCompanySeal);
    auto* kindRow = new QHBoxLayout;
    kindRow->addWidget(m_kindLabel, 1);
    kindRow->addWidget(company);

    auto* right = new QVBoxLayout;
    right->addLayout(kindRow);
    right->addWidget(output);
    right->addLayout(buttons);
    right->addWidget(m_exportAll);
    right->addWidget(m_element);
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
    side->setFixedWidth(
        std::max(320, panel->sizeHint().width() + side->verticalScrollBar()->sizeHint().width()));
    auto* whole = new QHBoxLayout(this);
    whole->addLayout(left, 1);
    whole->addWidget(side);

    connect(m_width, &QDoubleSpinBox::valueChanged, this, &ProductionWindow::settingsEdited);
    connect(m_dieHeight, &QDoubleSpinBox::valueChanged, this, &ProductionWindow::settingsEdited);
    connect(m_sizes, &QComboBox::activated, this, &ProductionWindow::sizeChosen);
    connect(m_margin, &QDoubleSpinBox::valueChanged, this, &ProductionWindow::settingsEdited);
    connect(m_dpi, &QSpinBox::valueChanged, this, &ProductionWindow::settingsEdited);
    connect(m_format, &QComboBox::currentIndexChanged, this, &ProductionWindow::settingsEdited);
    connect(m_profile, &QComboBox::currentIndexChanged, this, &ProductionWindow::profileChosen);
    for (QCheckBox* check : {m_colour, m_mirror, m_negative, m_merge})
        connect(check, &QCheckBox::toggled, this, &ProductionWindow::settingsEdited);

    // Ctrl+Z and its kin step through the design's history here too.
    auto* historyKeys = new HistoryKeys(this);
    connect(historyKeys, &HistoryKeys::undo, &session, &DesignSession::undo);
    connect(historyKeys, &HistoryKeys::redo, &session, &DesignSession::redo);

    // Closes with Escape, like a dialog.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);

    // Room for the imprint and the whole list of findings, within the screen.
    QSize size(1100, 820);
    if (const QScreen* screen = (parent ? parent : this)->screen())
        size = size.boundedTo(screen->availableGeometry().size() * 0.9);
    resize(size);
    const QByteArray geometry = loadProductionGeometry();
    if (!geometry.isEmpty())
        restoreGeometry(geometry);

    connect(&session, &DesignSession::previewPainted, this, &ProductionWindow::followMainWindow);
    connect(&session, &DesignSession::roundSealDiameterChosen, this,
            [this](int diameterMm) { setRoundSealWidth(diameterMm); });
    connect(&m_watcher, &QFutureWatcher<Made>::finished, this, &ProductionWindow::imprintMade);
    showKindSettings();
}

ProductionWindow::~ProductionWindow() {
    m_watcher.disconnect();
    m_watcher.waitForFinished();
    if (m_everShown && isVisible())
        saveGeometryNow();
}

void ProductionWindow::saveGeometryNow() {
    storeProductionGeometry(saveGeometry());
}

void ProductionWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_everShown = true;
    if (m_stale)
        followMainWindow();
}

void ProductionWindow::hideEvent(QHideEvent* event) {
    saveGeometryNow();
    // A closed window keeps no memory for checks to come, nor the imprints
    // of the kinds it does not show.
    check::releaseKeptMemory();
    m_made = {};
    QWidget::hideEvent(event);
}

bool ProductionWindow::Source::operator==(const Source& other) const {
    if (kind != other.kind)
        return false;
    switch (kind) {
        case StampKind::Round:
            return designs.round == other.designs.round && emblemSize == other.emblemSize &&
                   emblemTime == other.emblemTime;
        case StampKind::Triangle:
            return designs.triangle == other.designs.triangle;
        case StampKind::Rect:
            break;
    }
    return designs.rect == other.designs.rect;
}

ProductionWindow::Made ProductionWindow::make(const Source& source, ViewInkKeeper& keeper) {
    Made made;
    made.source = source;
    auto imprint = std::make_shared<output::Imprint>(output::makeImprint(source.designs, source.kind));
    auto checked = std::make_shared<output::Imprint>(*imprint);
    checked->ops = detachedOps(imprint->ops);
    made.ink = ViewInk::make(*imprint, source.designs, source.kind, keeper);
    made.imprint = std::move(imprint);
    made.checked = std::move(checked);
    return made;
}

void ProductionWindow::followMainWindow() {
    if (!isVisible()) {
        m_stale = true;
        return;
    }
    m_stale = false;
    const ActivePage page = m_session.activePage();
    // The information page draws no design: the last kind stays.
    if (page != ActivePage::Info && static_cast<StampKind>(page) != m_kind) {
        m_kind = static_cast<StampKind>(page);
        m_view->setMarks({});
        showKindSettings();
    }
    Source source{m_kind, m_session.designs(), -1, QDateTime()};
    const EmblemSettings& emblem = source.designs.round.emblem;
    const QString emblemFile = emblem.file.isEmpty() ? emblem.path : emblem.file;
    if (m_kind == StampKind::Round && emblem.enabled && !emblemFile.isEmpty()) {
        const QFileInfo file(emblemFile);
        source.emblemSize = file.size();
        source.emblemTime = file.lastModified();
    }
    m_element->showDesign(m_kind);
    m_wanted = source;
    m_next.reset();
    if (m_shown && m_shown->source == source)
        return;
    const std::optional<Made>& kept = m_made[static_cast<std::size_t>(m_kind)];
    if (kept && kept->source == source) {
        adopt(*kept);
        return;
    }
    if (m_making) {
        // Made once the one being made is done.
        if (!(*m_making == source))
            m_next = std::move(source);
        return;
    }
    startMaking(source);
}

void ProductionWindow::startMaking(const Source& source) {
    m_making = source;
    m_watcher.setFuture(QtConcurrent::run([source, keeper = m_keeper] { return make(source, *keeper); }));
    updateControls();
}

void ProductionWindow::imprintMade() {
    // A signal of a future that was waited for already is passed over.
    if (!m_making || !m_watcher.isFinished())
        return;
    m_making.reset();
    const Made made = m_watcher.result();
    m_made[static_cast<std::size_t>(made.source.kind)] = made;
    // While the design changes faster than its imprints are made, each one
    // made is shown on the way to the latest.
    const bool onTheWay = m_next.has_value();
    if (m_next) {
        const Source next = std::move(*m_next);
        m_next.reset();
        startMaking(next);
    }
    // A closed window shows it when it opens again.
    if (!isVisible())
        m_stale = true;
    else if (made.source.kind == m_kind && (onTheWay || (m_wanted && made.source == *m_wanted)))
        adopt(made);
}

void ProductionWindow::adopt(const Made& made) {
    m_shown = made;
    m_imprint = made.imprint;
    m_view->setImprint(made.imprint, made.ink);
    updateControls();
    runCheck();
}

void ProductionWindow::settle() {
    m_session.completePendingRepaint();
    if (m_stale && isVisible())
        followMainWindow();
    while (m_making) {
        m_watcher.waitForFinished();
        imprintMade();
    }
}

const output::Imprint& ProductionWindow::imprint() {
    settle();
    return *m_imprint;
}

void ProductionWindow::runCheck() {
    if (!m_shown)
        return;
    const StampKind kind = m_shown->source.kind;
    const output::Settings& shown = m_settings[static_cast<std::size_t>(kind)];
    m_check->checkDesign(m_shown->source.designs, kind, m_shown->checked, shown.widthMm,
                         check::pictureDpi(shown),
                         check::dieFor(kind, shown.widthMm, m_dieHeights[static_cast<std::size_t>(kind)]));
}

// Puts the kind's settings into the controls.
void ProductionWindow::showKindSettings() {
    const output::Settings& s = settings();
    m_kindLabel->setText(wordsOf(m_kind).title);
    m_widthLabel->setText(m_kind == StampKind::Round ? QStringLiteral("Диам&етр:")
                                                     : QStringLiteral("&Ширина:"));
    // Only a stamp is held to a die of a height of its own.
    m_form->setRowVisible(m_dieHeight, m_kind == StampKind::Rect);
    const std::array<QSignalBlocker, 5> blockers = {QSignalBlocker(m_width), QSignalBlocker(m_dieHeight),
                                                    QSignalBlocker(m_margin), QSignalBlocker(m_view),
                                                    QSignalBlocker(m_profile)};
    m_width->setValue(s.widthMm);
    m_dieHeight->setValue(m_dieHeights[static_cast<std::size_t>(m_kind)]);
    m_margin->setValue(s.marginMm);
    showFileSettings(s);
    const std::optional<output::Profile> chosen = profile();
    m_profile->setCurrentIndex(chosen ? static_cast<int>(*chosen) : m_profile->count() - 1);
    m_view->setSettings(s);
    showSizeChoice();
    updateControls();
}

// The settings of the file a profile sets, put into their controls without
// their signals.
void ProductionWindow::showFileSettings(const output::Settings& s) {
    const std::array<QSignalBlocker, 6> blockers = {QSignalBlocker(m_dpi),      QSignalBlocker(m_format),
                                                    QSignalBlocker(m_colour),   QSignalBlocker(m_mirror),
                                                    QSignalBlocker(m_negative), QSignalBlocker(m_merge)};
    m_dpi->setValue(s.dpi);
    m_format->setCurrentIndex(
        static_cast<int>(std::find(kFormats.begin(), kFormats.end(), s.format) - kFormats.begin()));
    m_colour->setChecked(s.colour);
    m_mirror->setChecked(s.mirror);
    m_negative->setChecked(s.negative);
    m_merge->setChecked(s.mergeOutlines);
}

void ProductionWindow::profileChosen(int index) {
    std::optional<output::Profile>& chosen = m_profiles[static_cast<std::size_t>(m_kind)];
    chosen.reset();
    if (index >= 0 && index < static_cast<int>(output::kProfiles.size()))
        chosen = output::kProfiles[static_cast<std::size_t>(index)];
    storeExportProfile(m_kind, chosen);
    if (!chosen)
        return;  // "свои настройки": the settings stay as they are
    output::Settings s = settings();
    output::applyProfile(*chosen, s);
    showFileSettings(s);
    // All of it as one edit: stored, shown and checked once.
    settingsEdited();
}

void ProductionWindow::showSizeChoice() {
    const QSignalBlocker blocker(m_sizes);
    const std::vector<StampSizeMm> sizes = standardSizes(m_kind);
    m_sizes->clear();
    for (const StampSizeMm& size : sizes)
        m_sizes->addItem(standardSizeName(size));
    m_sizes->addItem(QStringLiteral("свой размер"));
    m_sizes->setEnabled(!sizes.empty());
    const int index = standardSizeIndex(m_kind, m_width->value(), m_dieHeight->value());
    m_sizes->setCurrentIndex(index >= 0 ? index : m_sizes->count() - 1);
}

void ProductionWindow::sizeChosen(int index) {
    const std::vector<StampSizeMm> sizes = standardSizes(m_kind);
    // "свой размер" leaves the width as it is.
    if (index < 0 || static_cast<std::size_t>(index) >= sizes.size())
        return;
    const StampSizeMm& size = sizes[static_cast<std::size_t>(index)];
    {
        const QSignalBlocker widthBlocker(m_width);
        const QSignalBlocker dieBlocker(m_dieHeight);
        m_width->setValue(size.width);
        if (size.height > 0)
            m_dieHeight->setValue(size.height);
    }
    settingsEdited();
}

void ProductionWindow::settingsEdited() {
    output::Settings& s = m_settings[static_cast<std::size_t>(m_kind)];
    double& dieHeight = m_dieHeights[static_cast<std::size_t>(m_kind)];
    const bool dieChanged = dieHeight != m_dieHeight->value();
    if (dieChanged) {
        dieHeight = m_dieHeight->value();
        storeDieHeight(m_kind, dieHeight);
    }
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
    storeExportSettings(m_kind, s);
    // A setting changed by hand away from the profile's is the user's own.
    std::optional<output::Profile>& chosen = m_profiles[static_cast<std::size_t>(m_kind)];
    if (chosen && !output::followsProfile(s, *chosen)) {
        chosen.reset();
        storeExportProfile(m_kind, chosen);
        const QSignalBlocker blocker(m_profile);
        m_profile->setCurrentIndex(m_profile->count() - 1);
    }
    m_view->setSettings(s);
    showSizeChoice();
    updateControls();
    if ((widthChanged || dieChanged || check::pictureDpi(s) != checkedDpi) && !m_stale)
        runCheck();
}

void ProductionWindow::setRoundSealWidth(double widthMm) {
    output::Settings& s = m_settings[static_cast<std::size_t>(StampKind::Round)];
    if (s.widthMm == widthMm)
        return;
    s.widthMm = widthMm;
    storeExportSettings(StampKind::Round, s);
    if (m_kind != StampKind::Round)
        return;
    showKindSettings();
    if (!m_stale)
        runCheck();
}

void ProductionWindow::updateControls() {
    const output::Settings& s = settings();
    // While an imprint is being made the commands wait for it.
    const bool hasInk = !m_imprint->empty() || imprintPending();
    const QSizeF size = output::imprintSizeMm(*m_imprint, s.widthMm);
    m_height->setText(hasInk ? locale().toString(size.height(), 'f', 1) + QStringLiteral(" мм")
                             : QStringLiteral("нет оттиска"));
    m_dpi->setEnabled(!isVector(s.format));
    m_merge->setEnabled(isVector(s.format));
    m_colour->setEnabled(!s.negative);
    m_export->setEnabled(hasInk);
    m_print->setEnabled(hasInk);
    m_preview->setEnabled(hasInk);
    m_element->emblemPanel()->setMillimetresPerUnit(output::mmPerUnit(*m_imprint, s.widthMm));
}

QString ProductionWindow::defaultExportName() const {
    const output::Settings& s = settings();
    const QString design = m_session.designFileName(m_kind);
    const QString name = design.isEmpty() ? wordsOf(m_kind).fileName : QFileInfo(design).completeBaseName();
    return output::exportFileName(name, s, profile());
}

void ProductionWindow::exportImprint() {
    settle();  // the latest edit is in the file too
    if (m_imprint->empty()) {
        m_dialogs.message(MessageIcon::Error, QStringLiteral("Предупреждение"),
                          QStringLiteral("В оттиске нет ни одного штриха !"));
        return;
    }
    const output::Settings s = settings();
    const QString design = m_session.designFileName(m_kind);
    // The folder of the last export, else the design's own.
    const QDir folder(
        startFolder(FileKind::Export, design.isEmpty() ? QString() : QFileInfo(design).absolutePath()));
    const QString suffix = output::formatSuffix(s.format);
    QString path = m_dialogs.saveFileName(
        FileDialogRequest{wordsOf(m_kind).exportTitle, folder.filePath(defaultExportName()),
                          formatFilter(s.format) + QStringLiteral(";;Все файлы (*.*)"), suffix});
    if (path.isEmpty())
        return;
    rememberFolder(FileKind::Export, path);
    if (io::fileExtension(path).isEmpty())
        path += QLatin1Char('.') + suffix;
    if (output::formatFromFileName(path) != s.format) {
        m_dialogs.message(MessageIcon::Error, QStringLiteral("Предупреждение."),
                          QStringLiteral("Расширение файла должно быть %1 !").arg(suffix));
        return;
    }
    QString error;
    if (!output::exportFile(*m_imprint, s, path, error)) {
        m_dialogs.message(
            MessageIcon::Error, QStringLiteral("Ошибка"),
            QStringLiteral("Не удалось сохранить файл\n%1\n\n%2").arg(QDir::toNativeSeparators(path), error));
        return;
    }
    m_dialogs.message(MessageIcon::Information, QStringLiteral("Информация"),
                      QStringLiteral("Файл (%1) сохранен !").arg(suffix));
}

void ProductionWindow::exportAllKinds() {
    settle();  // the latest edit is in the files too
    const QString design = m_session.designFileName(m_kind);
    const QString folder = m_dialogs.folderName(FileDialogRequest{
        QStringLiteral("Экспорт всех видов: папка"),
        startFolder(FileKind::Export, design.isEmpty() ? QString() : QFileInfo(design).absolutePath()),
        QString(), QString()});
    if (folder.isEmpty())
        return;
    std::vector<KindFile> files;
    for (int k = 0; k < kKindCount; ++k) {
        const auto kind = static_cast<StampKind>(k);
        output::Settings s = settings();
        s.widthMm = m_settings[static_cast<std::size_t>(k)].widthMm;
        files.push_back(KindFile{kind, wordsOf(kind).title.toLower(),
                                 output::exportFileName(wordsOf(kind).fileName, s, profile()), s});
    }
    const KindsExported done = exportKinds(m_session.designs(), files, folder, m_dialogs);
    if (!done.written.isEmpty())
        rememberFolder(FileKind::Export, QDir(folder).filePath(done.written.constFirst()));
}

void ProductionWindow::printImprint(bool preview) {
    settle();
    if (m_imprint->empty())
        return;
    const std::shared_ptr<const output::Imprint> imprint = m_imprint;
    const output::Settings s = settings();
    bool drawn = true;
    const bool printed =
        m_dialogs.print(PrintRequest{wordsOf(m_kind).printTitle, preview,
                                     [&](QPrinter& printer) { drawn = printPage(printer, *imprint, s); }});
    if (printed && !drawn)
        m_dialogs.message(MessageIcon::Error, QStringLiteral("Ошибка"),
                          QStringLiteral("Не удалось начать печать !"));
}

bool ProductionWindow::printPage(QPrinter& printer, const output::Imprint& imprint,
                                 const output::Settings& settings) {
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
