#include "ElementPanel.h"

#include "Check.h"
#include "EmblemPanel.h"
#include "Named.h"
#include "Placing.h"
#include "RingText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace qg {

namespace {

// The rows of "Расстановка", in the order of RingSpacing.
const std::array<QString, 2> kSpacings = {QStringLiteral("равномерно по окружности"),
                                          QStringLiteral("по ширине букв")};

}  // namespace

std::vector<ElementTag> ElementPanel::elementsOf(const StampDesigns& designs, StampKind kind) {
    std::vector<ElementTag> elements;
    const auto add = [&](bool enabled, ElementKind element, int index) {
        if (enabled)
            elements.push_back(ElementTag{element, index});
    };
    switch (kind) {
        case StampKind::Round: {
            const RoundSealParameters& seal = designs.round;
            for (int k = 0; k < 3; ++k)
                add(seal.lines[k].enabled, ElementKind::RingText, k + 1);
            for (int k = 3; k < 6; ++k)
                add(seal.lines[k].enabled, ElementKind::CentreLine, k - 2);
            for (int k = 0; k < 3; ++k)
                add(seal.rings[k].enabled, ElementKind::Ring, k + 1);
            add(seal.emblem.enabled, ElementKind::Emblem, 1);
            break;
        }
        case StampKind::Triangle: {
            const TriangleSealParameters& seal = designs.triangle;
            for (int k = 0; k < 3; ++k)
                add(seal.lines[k].enabled, ElementKind::SideText, k + 1);
            for (int k = 3; k < 6; ++k)
                add(seal.lines[k].enabled, ElementKind::CentreLine, k - 2);
            for (int k = 0; k < 3; ++k)
                add(seal.frames[k].enabled, ElementKind::Frame, k + 1);
            break;
        }
        case StampKind::Rect: {
            const RectStampParameters& stamp = designs.rect;
            for (int k = 0; k < 6; ++k)
                add(stamp.lines[k].enabled, ElementKind::StampLine, k + 1);
            for (int k = 0; k < 2; ++k)
                add(stamp.contours[k].enabled, ElementKind::Contour, k + 1);
            add(stamp.innerLine.enabled, ElementKind::InnerLine, 1);
            break;
        }
    }
    return elements;
}

ElementPanel::ElementPanel(DesignSession& session, Dialogs& dialogs, QWidget* parent)
    : QGroupBox(QStringLiteral("Элемент"), parent), m_session(session) {
    setObjectName(QStringLiteral("ElementPanel"));
    m_list = named(new QComboBox(this), "ElementBox",
                   QStringLiteral("Элемент макета; его можно выбрать и щелчком по оттиску"));
    m_list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_list->setMinimumContentsLength(16);

    m_ring = new QWidget(this);
    m_ring->setObjectName(QStringLiteral("RingTextSettings"));
    m_spacing = named(new QComboBox(m_ring), "SpacingBox",
                      QStringLiteral("Равномерно: буквы через равные углы по всей окружности, первая у угла "
                                     "строки; по ширине букв: каждой букве столько места, сколько она "
                                     "занимает, угол строки приходится на её середину"));
    for (const QString& spacing : kSpacings)
        m_spacing->addItem(spacing);
    m_span = named(new QDoubleSpinBox(m_ring), "SpanEdit",
                   QStringLiteral("Дуга, которую занимает строка, в градусах; промежутки между буквами "
                                  "растягиваются или сжимаются поровну. 360: по всей окружности"));
    m_span->setRange(0, kMaxRingSpan);
    m_span->setDecimals(1);
    m_span->setSingleStep(5);
    m_span->setSpecialValueText(QStringLiteral("по длине текста"));
    m_tracking = named(new QDoubleSpinBox(m_ring), "TrackingEdit",
                       QStringLiteral("Добавочный промежуток между буквами в точках предпросмотра; "
                                      "меньше нуля сближает буквы"));
    m_tracking->setRange(-kMaxRingTracking, kMaxRingTracking);
    m_tracking->setDecimals(1);
    m_tracking->setSingleStep(0.5);
    m_tracking->setSuffix(QStringLiteral(" тчк"));
    // A number typed in is taken once, when it is confirmed: each change is
    // one step of the history.
    for (QDoubleSpinBox* edit : {m_span, m_tracking})
        edit->setKeyboardTracking(false);
    m_reverse = named(new QCheckBox(QStringLiteral("Читать против &часовой стрелки (низ печати)"), m_ring),
                      "ReverseCheck",
                      QStringLiteral("Строка по низу печати: читается слева направо, верх букв к центру"));
    m_fit = named(new QCheckBox(QStringLiteral("&Ужать до дуги"), m_ring), "FitCheck",
                  QStringLiteral("Слишком длинная строка рисуется шрифтом меньше, ровно чтобы уместиться; "
                                 "заданный размер шрифта сохраняется"));
    m_size =
        named(new QLabel(m_ring), "FontSizeLabel", QStringLiteral("Размер шрифта, которым рисуется строка"));

    auto* ringForm = new QFormLayout(m_ring);
    ringForm->setContentsMargins(0, 0, 0, 0);
    const auto row = [ringForm](const QString& caption, QWidget* field) {
        addLabelledRow(ringForm, caption, field);
    };
    row(QStringLiteral("Р&асстановка:"), m_spacing);
    row(QStringLiteral("&Дуга, °:"), m_span);
    row(QStringLiteral("Разр&ядка:"), m_tracking);
    ringForm->addRow(m_reverse);
    ringForm->addRow(m_fit);
    ringForm->addRow(m_size);

    m_emblem = new EmblemPanel(session, dialogs, this);
    m_emblem->takeDropsOn(this);
    // A picture taken, perhaps by a drop with the emblem off or another
    // element chosen, shows the emblem's settings.
    connect(m_emblem, &EmblemPanel::fileTaken, this, [this] {
        showDesign(StampKind::Round);
        select(ElementTag{ElementKind::Emblem, 1});
    });

    m_hint =
        named(new QLabel(this), "ElementHint", QStringLiteral("Что можно сделать с выбранным элементом"));
    m_hint->setWordWrap(true);

    auto* form = new QFormLayout;
    auto* listLabel = new QLabel(QStringLiteral("Эле&мент:"), this);
    listLabel->setBuddy(m_list);
    form->addRow(listLabel, m_list);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_ring);
    layout->addWidget(m_emblem);
    layout->addWidget(m_hint);

    connect(m_list, &QComboBox::currentIndexChanged, this, &ElementPanel::listChosen);
    // Each control changes its own setting only: a value the control
    // cannot show exactly stays as it is stored until it is edited.
    connect(m_spacing, &QComboBox::currentIndexChanged, this, [this](int row) {
        editRingLayout(
            [row](RingTextLayout& l) { l.spacing = row == 1 ? RingSpacing::Glyphs : RingSpacing::Equal; });
    });
    connect(m_span, &QDoubleSpinBox::valueChanged, this, [this](double degrees) {
        editRingLayout([degrees](RingTextLayout& l) { l.span = isRingSpan(degrees) ? degrees : 0; });
    });
    connect(m_tracking, &QDoubleSpinBox::valueChanged, this,
            [this](double pixels) { editRingLayout([pixels](RingTextLayout& l) { l.tracking = pixels; }); });
    connect(m_reverse, &QCheckBox::toggled, this,
            [this](bool on) { editRingLayout([on](RingTextLayout& l) { l.reverse = on; }); });
    connect(m_fit, &QCheckBox::toggled, this,
            [this](bool on) { editRingLayout([on](RingTextLayout& l) { l.fit = on; }); });
    showSelected();
}

void ElementPanel::showDesign(StampKind kind) {
    const std::vector<ElementTag> elements = elementsOf(m_session.designs(), kind);
    const ElementTag before = m_selected;
    // Only the round seal has an emblem to take a picture for.
    m_emblem->setDropsAccepted(kind == StampKind::Round);
    // Another kind starts with none chosen.
    const ElementTag was = kind == m_kind ? m_selected : ElementTag{};
    if (kind != m_kind || elements != m_elements) {
        m_kind = kind;
        m_elements = elements;
        const QSignalBlocker blocker(m_list);
        m_list->clear();
        m_list->addItem(QStringLiteral("(не выбран)"));
        for (const ElementTag& element : m_elements)
            m_list->addItem(check::elementName(kind, element));
        const auto at = std::find(m_elements.begin(), m_elements.end(), was);
        m_selected = at == m_elements.end() ? ElementTag{} : was;
        m_list->setCurrentIndex(at == m_elements.end() ? 0 : int(at - m_elements.begin()) + 1);
    }
    showSelected();
    if (!(m_selected == before))
        emit selectionChanged(m_selected);
}

void ElementPanel::select(ElementTag element) {
    const auto at = std::find(m_elements.begin(), m_elements.end(), element);
    m_list->setCurrentIndex(at == m_elements.end() ? 0 : int(at - m_elements.begin()) + 1);
}

void ElementPanel::listChosen(int row) {
    const ElementTag element = row >= 1 && row <= int(m_elements.size())
                                   ? m_elements[static_cast<std::size_t>(row - 1)]
                                   : ElementTag{};
    if (element == m_selected)
        return;
    m_selected = element;
    showSelected();
    emit selectionChanged(m_selected);
}

std::optional<std::size_t> ElementPanel::ringText() const {
    if (m_kind != StampKind::Round || m_selected.kind != ElementKind::RingText || m_selected.index < 1 ||
        m_selected.index > 3)
        return std::nullopt;
    return static_cast<std::size_t>(m_selected.index - 1);
}

// Puts the chosen element's settings into the controls.
void ElementPanel::showSelected() {
    const std::optional<std::size_t> ring = ringText();
    m_ring->setVisible(ring.has_value());
    const bool emblem = m_kind == StampKind::Round && m_selected.kind == ElementKind::Emblem;
    m_emblem->setVisible(emblem);
    if (emblem)
        m_emblem->showEmblem();
    switch (m_selected.kind == ElementKind::None ? Placing::None : placingOf(m_kind, m_selected)) {
        case Placing::Turn:
            m_hint->setText(
                QStringLiteral("Перетащите строку по окружности, чтобы повернуть её (с Shift — без "
                               "привязки к 0, 90, 180 и 270°), или поворачивайте стрелками по градусу."));
            break;
        case Placing::Move:
            m_hint->setText(QStringLiteral("Перетащите элемент мышью или сдвигайте стрелками по точке."));
            break;
        case Placing::None:
            m_hint->setText(m_selected.kind == ElementKind::None
                                ? QStringLiteral("Выберите элемент в списке или щелчком по оттиску.")
                                : QStringLiteral("Настройки этого элемента — на странице главного окна."));
            break;
    }
    m_hint->setVisible(!m_hint->text().isEmpty());
    if (!ring)
        return;
    const RoundSealParameters& seal = m_session.designs().round;
    const TextLineSettings& line = seal.lines[*ring];
    const RingTextLayout& layout = seal.ringLayouts[*ring];
    const bool glyphs = layout.spacing == RingSpacing::Glyphs;
    {
        const QSignalBlocker b1(m_spacing), b2(m_span), b3(m_tracking), b4(m_reverse), b5(m_fit);
        m_spacing->setCurrentIndex(glyphs ? 1 : 0);
        m_span->setValue(isRingSpan(layout.span) ? layout.span : 0);
        m_tracking->setValue(isRingTracking(layout.tracking) ? layout.tracking : 0);
        m_reverse->setChecked(layout.reverse);
        m_fit->setChecked(layout.fit);
    }
    for (QWidget* glyphsOnly : std::initializer_list<QWidget*>{m_span, m_tracking, m_reverse, m_fit})
        glyphsOnly->setEnabled(glyphs);
    // The size in use is worked out by laying the text out: only when its
    // line or layout changed.
    if (!m_fitted || !(m_fitted->line == line) || !(m_fitted->layout == layout))
        m_fitted = Fitted{line, layout, ringTextPointsInUse(line, layout)};
    const double points = m_fitted->points;
    const QString size = locale().toString(points, 'g', 3);
    if (points < line.font.size)
        m_size->setText(
            QStringLiteral("Размер шрифта: %1 пт (ужат, задан %2 пт)").arg(size).arg(line.font.size));
    else
        m_size->setText(QStringLiteral("Размер шрифта: %1 пт").arg(size));
}

void ElementPanel::dragSelected(QPointF from, QPointF to, bool snap) {
    if (m_selected.kind == ElementKind::None)
        return;
    if (!m_dragStart)
        m_dragStart = m_session.designs();
    // Every move of one drag is the same gesture: one step.
    m_session.applyEdit(m_kind, draggedDesign(*m_dragStart, m_kind, m_selected, from, to, snap), this);
}

void ElementPanel::dropSelected() {
    if (!m_dragStart)
        return;
    m_dragStart.reset();
    m_session.endGesture();
}

void ElementPanel::nudgeSelected(int dx, int dy) {
    if (m_selected.kind == ElementKind::None)
        return;
    m_session.applyEdit(m_kind, nudgedDesign(m_session.designs(), m_kind, m_selected, dx, dy), nullptr);
}

// Every change of a control is one edit of the design in the main window.
void ElementPanel::editRingLayout(const std::function<void(RingTextLayout&)>& change) {
    const std::optional<std::size_t> ring = ringText();
    if (!ring)
        return;
    StampDesigns edited = m_session.designs();
    change(edited.round.ringLayouts[*ring]);
    m_session.applyEdit(StampKind::Round, edited, nullptr);
    showSelected();
}

}  // namespace qg
