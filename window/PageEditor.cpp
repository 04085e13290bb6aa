#include "PageEditor.h"

#include "StampFile.h"
#include "TextToNumber.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QValidator>

#include <algorithm>

namespace qg {

namespace {

// A text line is one line of a design file: every line break, tab or other
// control character that reaches a text edit becomes a blank.
bool breaksLine(QChar c) {
    return c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

// Keeps out of a text edit every character that a design file could not
// hold, whether typed or pasted, so that what the user sees is what is saved.
class Cp1251Validator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        if (std::any_of(input.cbegin(), input.cend(), breaksLine))
            std::replace_if(input.begin(), input.end(), breaksLine, QChar(u' '));
        return io::canEncodeCp1251(input) ? Acceptable : Invalid;
    }
};

}  // namespace

ColourPanel::ColourPanel(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setLineWidth(1);
    setAutoFillBackground(true);
    setColour(kNoneColour);
}

void ColourPanel::setColour(TColor colour) {
    m_colour = colour;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor::fromRgb(colourToArgb(colour)));
    setPalette(pal);
}

void ColourPanel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && isEnabled())
        emit clicked();
    QFrame::mouseReleaseEvent(event);
}

StampPageEditor::StampPageEditor(StampKind kind, PageHost& host, TextLines& lines, QWidget* parent)
    : QWidget(parent), m_host(host), m_kind(kind), m_lines(lines) {}

QString StampPageEditor::controlName(const char* role, int number) const {
    return QStringLiteral("Page%1%2%3").arg(static_cast<int>(m_kind) + 1).arg(QLatin1String(role)).arg(number);
}

QCheckBox* StampPageEditor::makeCheck(QWidget* parent, const QString& name, const QString& caption,
                                      const QRect& geometry, bool* field) {
    auto* check = new QCheckBox(caption, parent);
    check->setObjectName(name);
    check->setGeometry(geometry);
    check->setChecked(*field);
    m_checks.push_back(CheckBinding{check, field, {}});
    const std::size_t index = m_checks.size() - 1;
    connect(check, &QCheckBox::toggled, this, [this, index](bool checked) {
        if (m_syncing)
            return;
        const CheckBinding& binding = m_checks[index];
        *binding.field = checked;
        applyDependents(binding);
        m_host.fieldEdited(m_kind, false, nullptr);
        m_host.repaintPreview();
    });
    return check;
}

void StampPageEditor::setDependents(QCheckBox* check, const std::vector<QWidget*>& dependents) {
    for (CheckBinding& binding : m_checks) {
        if (binding.check == check) {
            binding.dependents = dependents;
            applyDependents(binding);
        }
    }
}

void StampPageEditor::applyDependents(const CheckBinding& binding) {
    const bool on = binding.check->isChecked();
    for (QWidget* w : binding.dependents)
        w->setEnabled(on);
}

QLineEdit* StampPageEditor::makeTextEdit(QWidget* parent, const QString& name, const QRect& geometry,
                                         QString* field) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(geometry);
    edit->setMaxLength(io::kMaxLineText);
    edit->setValidator(new Cp1251Validator(edit));
    edit->setText(*field);
    m_texts.push_back(TextBinding{edit, field});
    connect(edit, &QLineEdit::textChanged, this, [this, edit, field](const QString& text) {
        if (m_syncing)
            return;
        *field = text;
        m_host.fieldEdited(m_kind, true, edit);
        m_host.settingChanged(m_kind);
    });
    return edit;
}

QLineEdit* StampPageEditor::makeNumberEdit(QWidget* parent, const QString& name, const QRect& geometry,
                                           const QString& hint, std::int32_t* field, std::int32_t threshold) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(geometry);
    edit->setToolTip(hint);
    edit->setText(QString::number(*field));
    m_numbers.push_back(NumberBinding{edit, field});
    connect(edit, &QLineEdit::textChanged, this, [this, edit, field, threshold](const QString& text) {
        if (m_syncing)
            return;
        *field = TextToNumber(text);
        const bool counts = *field >= threshold;
        m_host.fieldEdited(m_kind, counts, edit);
        if (!counts)
            return;
        m_host.settingChanged(m_kind);
    });
    return edit;
}

ColourPanel* StampPageEditor::makeColourPanel(QWidget* parent, const QString& name, const QRect& geometry,
                                              const QString& hint, TColor* field) {
    auto* panel = new ColourPanel(parent);
    panel->setObjectName(name);
    panel->setGeometry(geometry);
    if (!hint.isEmpty())
        panel->setToolTip(hint);
    panel->setColour(*field);
    m_panels.push_back(PanelBinding{panel, field});
    connect(panel, &ColourPanel::clicked, this, [this, panel, field] {
        const std::optional<TColor> chosen = m_host.chooseColour(panel->colour());
        if (!chosen)
            return;
        *field = *chosen;
        panel->setColour(*chosen);
        m_host.settingChanged(m_kind);
    });
    return panel;
}

QPushButton* StampPageEditor::makeFontButton(QWidget* parent, const QString& name, const QRect& geometry,
                                             int lineIndex) {
    auto* button = new QPushButton(QStringLiteral("Шрифт"), parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    connect(button, &QPushButton::clicked, this, [this, lineIndex] { onFontButton(lineIndex); });
    return button;
}

QLabel* StampPageEditor::makeLabel(QWidget* parent, const QString& name, const QString& text,
                                   const QPoint& position) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->move(position);
    label->adjustSize();
    return label;
}

// The dialog opens on the line's own font, so that confirming it unchanged
// leaves the line as it was. Cancelling still counts as an edit.
void StampPageEditor::onFontButton(int lineIndex) {
    LineFont& font = m_lines[static_cast<std::size_t>(lineIndex)].font;
    const std::optional<LineFont> chosen = m_host.dialogs().chooseFont(font);
    if (chosen)
        font = *chosen;
    m_host.settingChanged(m_kind);
}

void StampPageEditor::makePlacedRow(int lineIndex, const PlacedRow& row) {
    const int n = lineIndex + 1;
    TextLineSettings& line = m_lines[static_cast<std::size_t>(lineIndex)];
    QCheckBox* check = makeCheck(this, controlName("Check", n), row.caption, row.check, &line.enabled);
    QLineEdit* edit = makeTextEdit(this, controlName("Edit", n), QRect(8, row.editTop, 201, 21), &line.text);
    QPushButton* button = makeFontButton(this, controlName("Button", n), QRect(216, row.buttonTop, 65, 25), lineIndex);
    QLineEdit* x = makeNumberEdit(this, controlName("EditX", n), QRect(290, row.numberTop, 28, 21),
                                  QStringLiteral("X-координата"), &line.x);
    QLineEdit* y = makeNumberEdit(this, controlName("EditY", n), QRect(322, row.numberTop, 28, 21),
                                  QStringLiteral("Y-координата"), &line.y);
    QLineEdit* a = makeNumberEdit(this, controlName("EditA", n), QRect(354, row.numberTop, 28, 21),
                                  QStringLiteral("Угол поворота"), &line.angle);
    setDependents(check, {edit, button, x, y, a});
}

void StampPageEditor::showTextQuietly(QLineEdit* edit, const QString& text) {
    m_syncing = true;
    edit->setText(text);
    m_syncing = false;
}

void StampPageEditor::syncFromRecord() {
    m_syncing = true;
    for (const CheckBinding& binding : m_checks) {
        binding.check->setChecked(*binding.field);
        applyDependents(binding);
    }
    for (const TextBinding& binding : m_texts)
        binding.edit->setText(*binding.field);
    for (const NumberBinding& binding : m_numbers)
        binding.edit->setText(QString::number(*binding.field));
    for (const PanelBinding& binding : m_panels)
        binding.panel->setColour(*binding.field);
    m_syncing = false;
}

}  // namespace qg
