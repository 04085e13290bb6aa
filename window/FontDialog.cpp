#include "FontDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace qg {

namespace {

struct NamedColour {
    TColor value;
    const char* name;
};

// The sixteen colours a font dialog with effects offers.
const NamedColour kColours[] = {
    {0x000000, "Чёрный"},     {0x000080, "Бордовый"},   {0x008000, "Зелёный"}, {0x008080, "Оливковый"},
    {0x800000, "Тёмно-синий"}, {0x800080, "Фиолетовый"}, {0x808000, "Сизый"},   {0x808080, "Серый"},
    {0xC0C0C0, "Серебряный"}, {0x0000FF, "Красный"},    {0x00FF00, "Лайм"},    {0x00FFFF, "Жёлтый"},
    {0xFF0000, "Синий"},      {0xFF00FF, "Фуксия"},     {0xFFFF00, "Голубой"}, {0xFFFFFF, "Белый"},
};

QPixmap swatch(TColor colour) {
    QPixmap pixmap(16, 12);
    pixmap.fill(QColor::fromRgb(colourToArgb(colour)));
    return pixmap;
}

}  // namespace

FontDialog::FontDialog(const LineFont& initial, QWidget* parent) : QDialog(parent), m_initial(initial) {
    setObjectName(QStringLiteral("FontDialog"));
    setWindowTitle(QStringLiteral("Шрифт"));

    // The scalable faces with Cyrillic letters (the code page of the
    // designs), each name shown in its own face.
    m_face = new QComboBox(this);
    m_face->setObjectName(QStringLiteral("FontFace"));
    const auto insertFace = [this](int row, const QString& caption, const QString& face) {
        m_face->insertItem(row, caption, face);
        m_face->setItemData(row, QFont(face), Qt::FontRole);
    };
    for (const QString& family : QFontDatabase::families(QFontDatabase::Cyrillic)) {
        if (QFontDatabase::isScalable(family) && !QFontDatabase::isPrivateFamily(family))
            insertFace(m_face->count(), family, family);
    }
    m_initialFace = m_face->findText(initial.face, Qt::MatchFixedString);
    if (m_initialFace < 0) {
        // Not installed: an entry of its own in alphabetical place, drawn
        // in the face that stands in for it.
        m_initialFace = 0;
        while (m_initialFace < m_face->count() &&
               m_face->itemText(m_initialFace).compare(initial.face, Qt::CaseInsensitive) < 0)
            ++m_initialFace;
        insertFace(m_initialFace,
                   initial.face.isEmpty() ? QStringLiteral("(шрифт не задан)")
                                          : QStringLiteral("%1 (не установлен)").arg(initial.face),
                   initial.face);
    }
    m_face->setCurrentIndex(m_initialFace);

    m_size = new QSpinBox(this);
    m_size->setObjectName(QStringLiteral("FontSize"));
    m_size->setRange(1, 1638);
    m_size->setValue(initial.size < 1 ? 1 : initial.size);

    auto* effects = new QGroupBox(QStringLiteral("Видоизменение"), this);
    m_bold = new QCheckBox(QStringLiteral("Полужирный"), effects);
    m_italic = new QCheckBox(QStringLiteral("Курсив"), effects);
    m_underline = new QCheckBox(QStringLiteral("Подчёркнутый"), effects);
    m_strikeOut = new QCheckBox(QStringLiteral("Зачёркнутый"), effects);
    m_bold->setChecked(initial.bold);
    m_italic->setChecked(initial.italic);
    m_underline->setChecked(initial.underline);
    m_strikeOut->setChecked(initial.strikeOut);
    auto* effectsLayout = new QVBoxLayout(effects);
    for (QCheckBox* box : {m_bold, m_italic, m_underline, m_strikeOut})
        effectsLayout->addWidget(box);

    m_colour = new QComboBox(this);
    m_colour->setObjectName(QStringLiteral("FontColour"));
    int current = -1;
    for (const NamedColour& c : kColours) {
        m_colour->addItem(swatch(c.value), QString::fromUtf8(c.name), c.value);
        if (c.value == initial.color)
            current = m_colour->count() - 1;
    }
    if (current < 0) {
        // Keep a colour that is not among the sixteen, such as the start-up one.
        m_colour->addItem(swatch(initial.color), QStringLiteral("Текущий"), initial.color);
        current = m_colour->count() - 1;
    }
    m_colour->setCurrentIndex(current);

    m_sample = new QLabel(QStringLiteral("АаБбВв AaBbYyZz"), this);
    m_sample->setObjectName(QStringLiteral("FontSample"));
    m_sample->setMinimumSize(220, 60);
    m_sample->setAlignment(Qt::AlignCenter);
    m_sample->setFrameShape(QFrame::StyledPanel);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Шрифт:"), m_face);
    form->addRow(QStringLiteral("Размер:"), m_size);
    form->addRow(QStringLiteral("Цвет:"), m_colour);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("ОК"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addLayout(form);
    top->addWidget(effects);
    layout->addLayout(top);
    layout->addWidget(m_sample);
    layout->addWidget(buttons);

    connect(m_face, &QComboBox::currentIndexChanged, this, &FontDialog::updateSample);
    // Likewise a size outside the box's range (from a file) stays as it is.
    connect(m_size, &QSpinBox::valueChanged, this, [this] {
        m_sizeChosen = true;
        updateSample();
    });
    for (QCheckBox* box : {m_bold, m_italic, m_underline, m_strikeOut})
        connect(box, &QCheckBox::toggled, this, &FontDialog::updateSample);
    connect(m_colour, &QComboBox::currentIndexChanged, this, &FontDialog::updateSample);
    updateSample();
}

LineFont FontDialog::font() const {
    LineFont font = m_initial;
    // The initial face is kept as it was named, whatever its entry says.
    if (m_face->currentIndex() != m_initialFace)
        font.face = m_face->currentData().toString();
    if (m_sizeChosen)
        font.size = m_size->value();
    font.bold = m_bold->isChecked();
    font.italic = m_italic->isChecked();
    font.underline = m_underline->isChecked();
    font.strikeOut = m_strikeOut->isChecked();
    font.color = m_colour->currentData().toInt();
    return font;
}

void FontDialog::updateSample() {
    const LineFont chosen = font();
    QFont sample(chosen.face);
    sample.setPointSize(std::clamp(chosen.size, 1, 72));
    sample.setBold(chosen.bold);
    sample.setItalic(chosen.italic);
    sample.setUnderline(chosen.underline);
    sample.setStrikeOut(chosen.strikeOut);
    m_sample->setFont(sample);
    QPalette pal = m_sample->palette();
    pal.setColor(QPalette::WindowText, QColor::fromRgb(colourToArgb(chosen.color)));
    m_sample->setPalette(pal);
}

}  // namespace qg
