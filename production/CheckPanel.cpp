#include "CheckPanel.h"

#include "LimitSets.h"
#include "Named.h"
#include "ProductionSettings.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>

namespace qg {

namespace {

QDoubleSpinBox* millimetres(QWidget* parent, const char* name, double low, double high,
                            const QString& toolTip) {
    auto* edit = new QDoubleSpinBox(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setRange(low, high);
    edit->setDecimals(2);
    edit->setSingleStep(0.05);
    edit->setSuffix(QStringLiteral(" мм"));
    edit->setToolTip(toolTip);
    return edit;
}

}  // namespace

CheckPanel::CheckPanel(QWidget* parent) : QGroupBox(QStringLiteral("Проверка для изготовления"), parent) {
    setObjectName(QStringLiteral("CheckPanel"));
    m_limits = loadCheckLimits();
    m_limitSet = new QComboBox(this);
    m_limitSet->setObjectName(QStringLiteral("LimitSetBox"));
    m_limitSet->setToolTip(
        QStringLiteral("Нормы мастерских: наименьшие, при которых оттиск ещё получится, "
                       "рекомендуемые или свои"));
    for (const check::LimitSet set : check::kLimitSets)
        m_limitSet->addItem(check::limitSetTitle(set));
    m_limitSet->addItem(QStringLiteral("Свои"));
    m_minLine = millimetres(this, "MinLineEdit", 0.01, 5,
                            QStringLiteral("Линия тоньше этой — ошибка: она не пропечатается"));
    m_safeLine =
        millimetres(this, "SafeLineEdit", 0.01, 5, QStringLiteral("Линия тоньше этой — предупреждение"));
    m_minGap =
        millimetres(this, "MinGapEdit", 0.01, 5,
                    QStringLiteral("Просвет между краской уже этого — предупреждение: краска его затянет"));
    m_minCap = millimetres(this, "MinCapEdit", 0.1, 20,
                           QStringLiteral("Прописные буквы ниже этого — предупреждение"));
    m_minDpi = new QSpinBox(this);
    m_minDpi->setObjectName(QStringLiteral("MinDpiEdit"));
    m_minDpi->setRange(50, 2400);
    m_minDpi->setSingleStep(50);
    m_minDpi->setSuffix(QStringLiteral(" dpi"));
    m_minDpi->setToolTip(
        QStringLiteral("Герб с меньшим разрешением в натуральную величину — предупреждение"));
    m_minLine->setValue(m_limits.minLineMm);
    m_safeLine->setValue(m_limits.safeLineMm);
    m_minGap->setValue(m_limits.minGapMm);
    m_minCap->setValue(m_limits.minCapMm);
    m_minDpi->setValue(static_cast<int>(std::lround(m_limits.minEmblemDpi)));

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("FindingsList"));
    m_list->setToolTip(QStringLiteral("Замечания проверки; щелчок показывает место на оттиске"));
    m_list->setWordWrap(true);
    m_list->setMinimumHeight(120);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("CheckStatus"));
    m_status->setToolTip(QStringLiteral("Итог проверки"));
    m_status->setWordWrap(true);

    auto* form = new QFormLayout;
    const auto row = [form](const QString& caption, QWidget* field) { addLabelledRow(form, caption, field); };
    row(QStringLiteral("Нормы:"), m_limitSet);
    row(QStringLiteral("Линия не тоньше:"), m_minLine);
    row(QStringLiteral("Надёжная линия:"), m_safeLine);
    row(QStringLiteral("Просвет не уже:"), m_minGap);
    row(QStringLiteral("Высота прописных:"), m_minCap);
    row(QStringLiteral("Разрешение герба:"), m_minDpi);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    auto* listLabel = new QLabel(QStringLiteral("&Замечания:"), this);
    listLabel->setBuddy(m_list);
    layout->addWidget(listLabel);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_status);

    for (QDoubleSpinBox* edit : {m_minLine, m_safeLine, m_minGap, m_minCap})
        connect(edit, &QDoubleSpinBox::valueChanged, this, &CheckPanel::limitsEdited);
    connect(m_minDpi, &QSpinBox::valueChanged, this, &CheckPanel::limitsEdited);
    showLimitSet();
    connect(m_limitSet, &QComboBox::currentIndexChanged, this, &CheckPanel::limitSetChosen);
    connect(m_list, &QListWidget::currentRowChanged, this, &CheckPanel::findingChosen);
    // A click on the chosen finding brings its place into view again.
    connect(m_list, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { emit findingChosen(m_list->row(item)); });
    connect(&m_watcher, &QFutureWatcher<check::Report>::finished, this, &CheckPanel::finished);
}

CheckPanel::~CheckPanel() {
    m_watcher.disconnect();
    m_watcher.waitForFinished();
}

void CheckPanel::limitsEdited() {
    m_limits.minLineMm = m_minLine->value();
    m_limits.safeLineMm = m_safeLine->value();
    m_limits.minGapMm = m_minGap->value();
    m_limits.minCapMm = m_minCap->value();
    m_limits.minEmblemDpi = m_minDpi->value();
    storeCheckLimits(m_limits);
    showLimitSet();
    if (m_last)
        checkDesign(m_last->designs, m_last->kind, m_last->imprint, m_last->widthMm, m_last->pictureDpi,
                    m_last->die);
}

void CheckPanel::limitSetChosen(int index) {
    if (index < 0 || index >= static_cast<int>(check::kLimitSets.size()))
        return;  // "Свои": the limits stay as they are
    const check::Limits limits =
        check::withLimitSet(check::kLimitSets[static_cast<std::size_t>(index)], m_limits);
    {
        const QSignalBlocker line(m_minLine), safe(m_safeLine), gap(m_minGap), cap(m_minCap);
        m_minLine->setValue(limits.minLineMm);
        m_safeLine->setValue(limits.safeLineMm);
        m_minGap->setValue(limits.minGapMm);
        m_minCap->setValue(limits.minCapMm);
    }
    // One check for the whole set.
    limitsEdited();
}

void CheckPanel::showLimitSet() {
    const std::optional<check::LimitSet> set = check::limitSetOf(m_limits);
    const QSignalBlocker blocker(m_limitSet);
    m_limitSet->setCurrentIndex(set ? static_cast<int>(*set) : m_limitSet->count() - 1);
}

void CheckPanel::checkDesign(const StampDesigns& designs, StampKind kind,
                             std::shared_ptr<const output::Imprint> imprint, double widthMm, int pictureDpi,
                             const check::Die& die) {
    Job job{designs, kind, std::move(imprint), widthMm, m_limits, pictureDpi, die};
    m_last = job;
    m_status->setText(QStringLiteral("Проверка…"));
    if (m_holding) {
        m_held = std::move(job);
        return;
    }
    if (m_running) {
        m_waiting = std::move(job);
        return;
    }
    start(std::move(job));
}

void CheckPanel::setHeld(bool held) {
    m_holding = held;
    if (held || !m_held)
        return;
    Job job = std::move(*m_held);
    m_held.reset();
    if (m_running)
        m_waiting = std::move(job);
    else
        start(std::move(job));
}

void CheckPanel::start(Job job) {
    m_running = true;
    m_runningKind = job.kind;
    m_watcher.setFuture(QtConcurrent::run([job = std::move(job)] {
        return check::checkDesign(job.designs, job.kind, *job.imprint, job.widthMm, job.limits,
                                  job.pictureDpi, job.die);
    }));
}

void CheckPanel::finished() {
    if (!window()->isVisible())
        check::releaseKeptMemory();  // the window closed while it ran
    m_running = false;
    if (m_waiting) {
        // Its findings are out of date already.
        Job next = std::move(*m_waiting);
        m_waiting.reset();
        start(std::move(next));
        return;
    }
    m_report = m_watcher.result();
    m_shownKind = m_runningKind;

    const QSignalBlocker blocker(m_list);
    m_list->clear();
    std::vector<QRectF> places;
    int errors = 0;
    QStyle* look = style();
    for (const check::Finding& finding : m_report.findings) {
        const bool error = finding.severity == check::Severity::Error;
        errors += error ? 1 : 0;
        auto* item = new QListWidgetItem(
            look->standardIcon(error ? QStyle::SP_MessageBoxCritical : QStyle::SP_MessageBoxWarning),
            itemText(m_shownKind, finding), m_list);
        item->setToolTip(item->text());
        places.push_back(finding.place);
    }
    const int warnings = static_cast<int>(m_report.findings.size()) - errors;
    m_status->setText(m_report.findings.empty()
                          ? QStringLiteral("Замечаний нет.")
                          : QStringLiteral("Ошибок: %1, предупреждений: %2.").arg(errors).arg(warnings));
    emit findingsShown(places);
}

// The finding in the words of the command line, without the severity
// (the icon shows it), with the numbers written the Russian way.
QString CheckPanel::findingText(StampKind kind, const check::Finding& finding) {
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    const QString unit = check::unitName(finding.problem);
    const int digits = check::decimals(finding);
    const auto number = [&](double value) {
        return russian.toString(value, 'f', digits) + QLatin1Char(' ') + unit;
    };
    const QString element = check::elementName(kind, finding.element) + QStringLiteral(": ");
    switch (finding.problem) {
        case check::Problem::NoInk:
            return QStringLiteral("В оттиске нет ни одного штриха");
        case check::Problem::Touching:
            return element +
                   QStringLiteral("касается элемента «%1»").arg(check::elementName(kind, finding.other));
        case check::Problem::EmblemUnreadable:
            return element + check::problemText(finding, russian) +
                   (finding.file.isEmpty() ? QString()
                                           : QStringLiteral(": ") + QDir::toNativeSeparators(finding.file));
        case check::Problem::CutByField:
        case check::Problem::LettersOverlap:
        case check::Problem::DieFit:
            return element + QStringLiteral("%1 на %2")
                                 .arg(check::problemText(finding, russian), number(finding.measured));
        case check::Problem::NarrowGap:
            if (finding.other.kind != ElementKind::None)
                return element + QStringLiteral("просвет до элемента «%1» %2, допустимо %3")
                                     .arg(check::elementName(kind, finding.other), number(finding.measured),
                                          number(finding.limit));
            break;
        default:
            break;
    }
    return element +
           QStringLiteral("%1: %2, допустимо %3")
               .arg(check::problemText(finding, russian), number(finding.measured), number(finding.limit));
}

QString CheckPanel::itemText(StampKind kind, const check::Finding& finding) {
    return findingText(kind, finding) + QStringLiteral("\n→ ") +
           check::hint(kind, finding, QLocale(QLocale::Russian, QLocale::Russia));
}

}  // namespace qg
