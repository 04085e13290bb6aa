#include "CompanySealDialog.h"

#include "CompanySeal.h"
#include "StandardSizes.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace qg {

namespace {

// The forms in the order of the list; the free form last.
constexpr std::array<LegalForm, 6> kForms{LegalForm::Ooo, LegalForm::Ao, LegalForm::Pao,
                                          LegalForm::Nko, LegalForm::Ip, LegalForm::Other};

// A field left wrong: its problem in red beneath it, the field itself
// tinted.
const QString kProblemStyle = QStringLiteral("color: #c00000;");
const QString kWrongFieldStyle = QStringLiteral("background-color: #ffe4e1;");

QLineEdit* makeEdit(QWidget* parent, const char* name, int maxLength) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMaxLength(maxLength);
    return edit;
}

}  // namespace

CompanySealDialog::CompanySealDialog(const CompanyDetails& initial, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CompanySealDialog"));
    setWindowTitle(QStringLiteral("Печать организации"));

    auto* intro = new QLabel(QStringLiteral("Круглая печать по реквизитам организации: полное наименование, "
                                            "город, ОГРН и ИНН. Прежний макет круглой печати можно вернуть "
                                            "(Ctrl+Z)."),
                             this);
    intro->setWordWrap(true);

    m_form = new QComboBox(this);
    m_form->setObjectName(QStringLiteral("FormBox"));
    for (const LegalForm form : kForms) {
        m_form->addItem(form == LegalForm::Other ? QStringLiteral("другая") : legalFormAbbreviation(form));
        m_form->setItemData(m_form->count() - 1, legalFormFullName(form), Qt::ToolTipRole);
    }
    m_otherForm = makeEdit(this, "OtherFormEdit", 100);
    m_otherForm->setPlaceholderText(QStringLiteral("например, Товарищество собственников жилья"));
    m_name = makeEdit(this, "NameEdit", 200);
    m_city = makeEdit(this, "CityEdit", 60);
    m_city->setPlaceholderText(QStringLiteral("например, Москва"));
    m_ogrn = makeEdit(this, "OgrnEdit", 20);
    m_inn = makeEdit(this, "InnEdit", 16);
    m_kpp = makeEdit(this, "KppEdit", 12);
    m_kpp->setPlaceholderText(QStringLiteral("9 знаков, необязательно"));
    m_centre = makeEdit(this, "CentreEdit", 60);
    m_centre->setPlaceholderText(QStringLiteral("необязательно, например Для документов"));
    m_size = new QComboBox(this);
    m_size->setObjectName(QStringLiteral("SizeBox"));
    for (const int mm : kRoundSealSizesMm)
        m_size->addItem(QStringLiteral("%1 мм").arg(mm), mm);
    m_size->setToolTip(QStringLiteral("Диаметр печати по внешнему ободку"));

    auto* fields = new QFormLayout;
    auto* formRow = new QWidget(this);
    auto* formLine = new QHBoxLayout(formRow);
    formLine->setContentsMargins(0, 0, 0, 0);
    formLine->addWidget(m_form);
    formLine->addWidget(m_otherForm, 1);
    const auto label = [this](const QString& caption) { return new QLabel(caption, this); };
    m_nameLabel = label(QString());
    m_ogrnLabel = label(QString());
    m_nameLabel->setObjectName(QStringLiteral("NameLabel"));
    m_ogrnLabel->setObjectName(QStringLiteral("OgrnLabel"));
    const auto add = [&](CompanyField field, QLabel* caption, QWidget* input, QWidget* shown = nullptr) {
        addRow(field, input);
        auto* column = new QWidget(this);
        auto* stack = new QVBoxLayout(column);
        stack->setContentsMargins(0, 0, 0, 0);
        stack->setSpacing(1);
        stack->addWidget(shown ? shown : input);
        stack->addWidget(row(field).problem);
        caption->setBuddy(input);
        fields->addRow(caption, column);
    };
    add(CompanyField::LegalForm, label(QStringLiteral("&Форма:")), m_form, formRow);
    add(CompanyField::Name, m_nameLabel, m_name);
    add(CompanyField::City, label(QStringLiteral("&Город:")), m_city);
    add(CompanyField::Ogrn, m_ogrnLabel, m_ogrn);
    add(CompanyField::Inn, label(QStringLiteral("&ИНН:")), m_inn);
    add(CompanyField::Kpp, label(QStringLiteral("&КПП:")), m_kpp);
    add(CompanyField::CentreText, label(QStringLiteral("&Текст в центре:")), m_centre);
    add(CompanyField::Size, label(QStringLiteral("&Диаметр:")), m_size);
    // A free form is judged at its own edit.
    row(CompanyField::LegalForm).input = m_otherForm;

    m_shortfall = new QLabel(this);
    m_shortfall->setObjectName(QStringLiteral("ShortfallLabel"));
    m_shortfall->setWordWrap(true);
    m_shortfall->setStyleSheet(kProblemStyle);
    m_shortfall->hide();
    m_larger = new QPushButton(this);
    m_larger->setObjectName(QStringLiteral("LargerSizeButton"));
    m_larger->setAutoDefault(false);
    m_larger->hide();
    auto* shortfallRow = new QHBoxLayout;
    shortfallRow->addWidget(m_shortfall, 1);
    shortfallRow->addWidget(m_larger);

    m_create = new QPushButton(QStringLiteral("Создать"), this);
    m_create->setObjectName(QStringLiteral("CreateButton"));
    m_create->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Отмена"), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    cancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_create);
    buttons->addWidget(cancel);

    auto* whole = new QVBoxLayout(this);
    whole->addWidget(intro);
    whole->addLayout(fields);
    whole->addLayout(shortfallRow);
    whole->addLayout(buttons);
    setMinimumWidth(440);

    setDetails(initial);

    connect(m_form, &QComboBox::currentIndexChanged, this, &CompanySealDialog::formChanged);
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        auto* edit = qobject_cast<QLineEdit*>(m_rows[i].input);
        if (!edit)
            continue;
        const auto field = static_cast<CompanyField>(i);
        connect(edit, &QLineEdit::textChanged, this, &CompanySealDialog::detailsEdited);
        // Leaving a field that holds something judges it; an empty one is
        // judged by "Создать" only, so that the user may go through the
        // fields in any order.
        connect(edit, &QLineEdit::editingFinished, this, [this, edit, field] {
            if (!edit->text().trimmed().isEmpty())
                judge(field);
        });
    }
    connect(m_size, &QComboBox::currentIndexChanged, this, &CompanySealDialog::detailsEdited);
    connect(m_create, &QPushButton::clicked, this, &CompanySealDialog::create);
    connect(m_larger, &QPushButton::clicked, this, &CompanySealDialog::takeLargerSize);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

// A dialog destroyed while shown hides on the way, and the field that
// loses the focus then must not judge a dialog that is half gone.
CompanySealDialog::~CompanySealDialog() {
    for (FieldRow& r : m_rows)
        r.input->disconnect(this);
}

void CompanySealDialog::addRow(CompanyField field, QWidget* input) {
    FieldRow& r = row(field);
    r.input = input;
    r.problem = new QLabel(this);
    r.problem->setObjectName(QStringLiteral("ProblemLabel%1").arg(static_cast<int>(field)));
    r.problem->setStyleSheet(kProblemStyle);
    r.problem->setWordWrap(true);
    r.problem->hide();
}

CompanyDetails CompanySealDialog::details() const {
    CompanyDetails d;
    d.form = kForms[static_cast<std::size_t>(std::max(0, m_form->currentIndex()))];
    d.otherForm = d.form == LegalForm::Other ? m_otherForm->text() : QString();
    d.name = m_name->text();
    d.city = m_city->text();
    d.ogrn = m_ogrn->text();
    d.inn = m_inn->text();
    d.kpp = isEntrepreneur(d) ? QString() : m_kpp->text();
    d.centreText = m_centre->text();
    d.sizeMm = m_size->currentData().toInt();
    return d;
}

void CompanySealDialog::setDetails(const CompanyDetails& d) {
    m_form->setCurrentIndex(
        static_cast<int>(std::find(kForms.begin(), kForms.end(), d.form) - kForms.begin()));
    m_otherForm->setText(d.otherForm);
    m_name->setText(d.name);
    m_city->setText(d.city);
    m_ogrn->setText(d.ogrn);
    m_inn->setText(d.inn);
    m_kpp->setText(d.kpp);
    m_centre->setText(d.centreText);
    const int size = m_size->findData(isStandardRoundSize(d.sizeMm) ? d.sizeMm : kDefaultRoundSealMm);
    m_size->setCurrentIndex(size);
    formChanged();
}

// The captions, the hints and the fields that follow the form.
void CompanySealDialog::formChanged() {
    const CompanyDetails d = details();
    const bool entrepreneur = isEntrepreneur(d);
    m_otherForm->setVisible(d.form == LegalForm::Other);
    m_nameLabel->setText(entrepreneur ? QStringLiteral("Ф. И. О.:") : QStringLiteral("&Наименование:"));
    m_name->setPlaceholderText(entrepreneur ? QStringLiteral("например, Иванов Иван Иванович")
                                            : QStringLiteral("без кавычек, например Ромашка"));
    m_ogrnLabel->setText(QStringLiteral("&%1:").arg(registrationLabel(d)));
    m_ogrn->setPlaceholderText(entrepreneur ? QStringLiteral("15 цифр") : QStringLiteral("13 цифр"));
    m_inn->setPlaceholderText(entrepreneur ? QStringLiteral("12 цифр") : QStringLiteral("10 цифр"));
    m_kpp->setEnabled(!entrepreneur);
    m_kpp->setToolTip(entrepreneur ? QStringLiteral("У предпринимателя нет КПП") : QString());
    detailsEdited();
}

// A seal said not to fit was of the details before this edit.
void CompanySealDialog::detailsEdited() {
    clearShortfall();
    showProblems();
}

void CompanySealDialog::clearShortfall() {
    m_offeredMm = 0;
    m_shortfall->clear();
    m_shortfall->hide();
    m_larger->hide();
}

void CompanySealDialog::judge(CompanyField field) {
    row(field).judged = true;
    showProblems();
}

void CompanySealDialog::showProblems() {
    std::array<QString, kFieldCount> texts;
    for (const FieldProblem& problem : checkCompany(details()))
        texts[static_cast<std::size_t>(problem.field)] = problem.text;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        FieldRow& r = m_rows[i];
        const QString text = r.judged ? texts[i] : QString();
        r.problem->setText(text);
        r.problem->setVisible(!text.isEmpty());
        if (qobject_cast<QLineEdit*>(r.input))
            r.input->setStyleSheet(text.isEmpty() ? QString() : kWrongFieldStyle);
    }
}

QString CompanySealDialog::problemAt(CompanyField field) const {
    return row(field).problem->text();
}

QString CompanySealDialog::shortfall() const {
    return m_shortfall->text();
}

void CompanySealDialog::create() {
    const CompanyDetails d = details();
    const std::vector<FieldProblem> problems = checkCompany(d);
    if (!problems.empty()) {
        for (FieldRow& r : m_rows)
            r.judged = true;
        showProblems();
        row(problems.front().field).input->setFocus();
        return;
    }
    const CompanySeal seal = layoutCompanySeal(d, d.sizeMm, recommendedShopLimits().minCapMm);
    if (!seal.fits) {
        // A size is not broken across lines.
        m_shortfall->setText(shortfallText(seal).replace(QStringLiteral(" мм"), QStringLiteral("\u00A0мм")));
        m_shortfall->show();
        m_offeredMm = seal.largerSizeMm;
        m_larger->setText(QStringLiteral("Взять %1 мм").arg(m_offeredMm));
        m_larger->setVisible(m_offeredMm > 0);
        return;
    }
    m_choice = CompanySealChoice{d, seal.seal};
    accept();
}

void CompanySealDialog::takeLargerSize() {
    if (m_offeredMm <= 0)
        return;
    m_size->setCurrentIndex(m_size->findData(m_offeredMm));
    create();
}

}  // namespace qg
