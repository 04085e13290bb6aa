// The company seal assistant: its fields and what it says at them, the
// seal it makes, and that seal taken into the main window.

#include "Check.h"
#include "CompanySeal.h"
#include "CompanySealDialog.h"
#include "Export.h"
#include "ProductionWindow.h"
// GCC 12 sees the scripted answers (optionals in deques) as perhaps
// uninitialised once this file's tests are inlined; they are not.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include "WindowHelpers.h"
#pragma GCC diagnostic pop

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace qg;

Q_DECLARE_METATYPE(qg::LegalForm)
Q_DECLARE_METATYPE(qg::CompanyField)
Q_DECLARE_METATYPE(qg::Answer)
Q_DECLARE_METATYPE(qg::CompanyDetails)

namespace {

// Numbers made for these tests, their check digits worked out by hand.
const QString kInn = QStringLiteral("5024135790");
const QString kOgrn = QStringLiteral("1165024013571");
const QString kEntrepreneurInn = QStringLiteral("502413579228");
const QString kOgrnip = QStringLiteral("318502400135790");

CompanyDetails company(LegalForm form, const QString& name, const QString& city, int sizeMm = 40) {
    CompanyDetails details;
    details.form = form;
    details.name = name;
    details.city = city;
    const bool entrepreneur = form == LegalForm::Ip;
    details.ogrn = entrepreneur ? kOgrnip : kOgrn;
    details.inn = entrepreneur ? kEntrepreneurInn : kInn;
    details.sizeMm = sizeMm;
    return details;
}

CompanyDetails shortName() {
    return company(LegalForm::Ao, QStringLiteral("Нива"), QStringLiteral("Тверь"));
}

// What the manufacturing check with the recommended limits finds at the
// seal's size, but the openings within a letter of a text (« and ») that
// the shops' gap is not about.
QString recommendedFindings(const RoundSealParameters& seal, int diameterMm) {
    StampDesigns designs;
    designs.round = seal;
    const ShopLimits shop = recommendedShopLimits();
    check::Limits limits;
    limits.minLineMm = shop.minLineMm;
    limits.safeLineMm = shop.minLineMm;
    limits.minGapMm = shop.minGapMm;
    limits.minCapMm = shop.minCapMm;
    const check::Report report = check::checkDesign(
        designs, StampKind::Round, output::makeImprint(designs, StampKind::Round), diameterMm, limits);
    QString found;
    for (const check::Finding& finding : report.findings) {
        if (finding.problem != check::Problem::NarrowGap || finding.other.kind != ElementKind::None)
            found += check::describe(StampKind::Round, finding) + QLatin1Char('\n');
    }
    return found;
}

QLineEdit* fieldEdit(CompanySealDialog& dialog, CompanyField field) {
    switch (field) {
        case CompanyField::LegalForm:
            return control<QLineEdit>(dialog, "OtherFormEdit");
        case CompanyField::Name:
            return control<QLineEdit>(dialog, "NameEdit");
        case CompanyField::City:
            return control<QLineEdit>(dialog, "CityEdit");
        case CompanyField::Ogrn:
            return control<QLineEdit>(dialog, "OgrnEdit");
        case CompanyField::Inn:
            return control<QLineEdit>(dialog, "InnEdit");
        case CompanyField::Kpp:
            return control<QLineEdit>(dialog, "KppEdit");
        case CompanyField::CentreText:
        case CompanyField::Size:
            break;
    }
    return control<QLineEdit>(dialog, "CentreEdit");
}

// The dialog shown and active, so that its fields take the focus as a
// user's keys move it.
void showActive(QDialog& dialog) {
    dialog.show();
    QApplication::setActiveWindow(&dialog);
}

}  // namespace

class TestAssistant : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { clearSettings(); }

    void wrongFieldShownAndBlocks_data();
    void wrongFieldShownAndBlocks();
    void emptyFieldsJudgedByCreate();
    void formDecidesFields_data();
    void formDecidesFields();
    void createdSealPassesCheck_data();
    void createdSealPassesCheck();
    void noSizeTakesIt();

    void replacesRoundSealInOneStep();
    void unsavedChangesQuestion_data();
    void unsavedChangesQuestion();
    void closedAssistantChangesNothing();
    void productionWindowTakesDiameter_data();
    void productionWindowTakesDiameter();
};

void TestAssistant::wrongFieldShownAndBlocks_data() {
    QTest::addColumn<LegalForm>("form");
    QTest::addColumn<CompanyField>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("wrong");
    const auto row = [](const char* name, LegalForm form, CompanyField field, const QString& text,
                        bool wrong) { QTest::newRow(name) << form << field << text << wrong; };
    row("ОГРН верный", LegalForm::Ooo, CompanyField::Ogrn, kOgrn, false);
    row("ОГРН: контрольная цифра", LegalForm::Ooo, CompanyField::Ogrn, "1165024013572", true);
    row("ОГРН: цифра в середине", LegalForm::Ooo, CompanyField::Ogrn, "1165024018571", true);
    row("ОГРН: 12 цифр", LegalForm::Ooo, CompanyField::Ogrn, "116502401357", true);
    row("ИНН верный, с пробелами", LegalForm::Ooo, CompanyField::Inn, "50 24 135790", false);
    row("ИНН: контрольная цифра", LegalForm::Ooo, CompanyField::Inn, "5024135791", true);
    row("ИНН: цифра в середине", LegalForm::Ooo, CompanyField::Inn, "5024175790", true);
    row("ИНН предпринимателя у ООО", LegalForm::Ooo, CompanyField::Inn, kEntrepreneurInn, true);
    row("КПП верный", LegalForm::Ooo, CompanyField::Kpp, "502401001", false);
    row("КПП с буквами", LegalForm::Ooo, CompanyField::Kpp, "5024AB001", false);
    row("КПП: 8 знаков", LegalForm::Ooo, CompanyField::Kpp, "50240100", true);
    row("КПП: буква не на месте", LegalForm::Ooo, CompanyField::Kpp, "50A401001", true);
    row("ОГРНИП верный", LegalForm::Ip, CompanyField::Ogrn, kOgrnip, false);
    row("ОГРНИП: контрольная цифра", LegalForm::Ip, CompanyField::Ogrn, "318502400135791", true);
    row("ОГРНИП: цифра в середине", LegalForm::Ip, CompanyField::Ogrn, "318502401135790", true);
    row("ОГРН у ИП", LegalForm::Ip, CompanyField::Ogrn, kOgrn, true);
    row("ИНН ИП верный", LegalForm::Ip, CompanyField::Inn, kEntrepreneurInn, false);
    row("ИНН ИП: первая контрольная", LegalForm::Ip, CompanyField::Inn, "502413579238", true);
    row("ИНН ИП: вторая контрольная", LegalForm::Ip, CompanyField::Inn, "502413579229", true);
    row("ИНН ИП: цифра в середине", LegalForm::Ip, CompanyField::Inn, "502403579228", true);
}

// A number is judged as the user leaves its field, before anything is
// made; while one is wrong, "Создать" only shows what is wrong.
void TestAssistant::wrongFieldShownAndBlocks() {
    QFETCH(LegalForm, form);
    QFETCH(CompanyField, field);
    QFETCH(QString, text);
    QFETCH(bool, wrong);
    CompanyDetails details = company(form, QStringLiteral("Нива"), QStringLiteral("Тверь"));
    details.otherForm = QStringLiteral("Товарищество");
    CompanySealDialog dialog(details, nullptr);
    showActive(dialog);
    QLineEdit* edit = fieldEdit(dialog, field);
    edit->setFocus();
    retype(edit, text);
    QCOMPARE(dialog.problemAt(field), QString());  // not while it is typed
    QTest::keyClick(edit, Qt::Key_Tab);
    QVERIFY(!edit->hasFocus());
    const auto* label =
        control<QLabel>(dialog, QStringLiteral("ProblemLabel%1").arg(static_cast<int>(field)));
    QCOMPARE(!dialog.problemAt(field).isEmpty(), wrong);
    QCOMPARE(label->isVisible(), wrong);
    // Seals are made of right numbers in the cases below.
    if (!wrong)
        return;

    click(dialog, QStringLiteral("CreateButton"));
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!dialog.choice());
    QVERIFY(dialog.shortfall().isEmpty());
    QVERIFY(!dialog.problemAt(field).isEmpty());
    QVERIFY(edit->hasFocus());
    // Mended, the problem goes at once.
    const QString right = field == CompanyField::Kpp   ? QString()
                          : field == CompanyField::Inn ? details.inn
                                                       : details.ogrn;
    retype(edit, right);
    QCOMPARE(dialog.problemAt(field), QString());
    QVERIFY(!label->isVisible());
}

void TestAssistant::emptyFieldsJudgedByCreate() {
    CompanySealDialog dialog(CompanyDetails{}, nullptr);
    showActive(dialog);
    control<QComboBox>(dialog, "FormBox")->setCurrentIndex(5);  // another form, not named
    QLineEdit* name = control<QLineEdit>(dialog, "NameEdit");
    name->setFocus();
    QTest::keyClick(name, Qt::Key_Tab);
    QCOMPARE(dialog.problemAt(CompanyField::Name), QString());
    click(dialog, QStringLiteral("CreateButton"));
    QVERIFY(!dialog.choice());
    for (const CompanyField field : {CompanyField::LegalForm, CompanyField::Name, CompanyField::City,
                                     CompanyField::Ogrn, CompanyField::Inn})
        QVERIFY2(!dialog.problemAt(field).isEmpty(), qPrintable(QString::number(static_cast<int>(field))));
    QCOMPARE(dialog.problemAt(CompanyField::Kpp), QString());
    QCOMPARE(dialog.problemAt(CompanyField::CentreText), QString());
    // The first wrong field takes the focus.
    QVERIFY(control<QLineEdit>(dialog, "OtherFormEdit")->hasFocus());
}

void TestAssistant::formDecidesFields_data() {
    QTest::addColumn<int>("formIndex");
    QTest::addColumn<QString>("numberLabel");
    QTest::addColumn<bool>("kppTaken");
    QTest::addColumn<bool>("otherShown");
    QTest::newRow("ООО") << 0 << "&ОГРН:" << true << false;
    QTest::newRow("ПАО") << 2 << "&ОГРН:" << true << false;
    QTest::newRow("ИП") << 4 << "&ОГРНИП:" << false << false;
    QTest::newRow("другая") << 5 << "&ОГРН:" << true << true;
}

void TestAssistant::formDecidesFields() {
    QFETCH(int, formIndex);
    QFETCH(QString, numberLabel);
    QFETCH(bool, kppTaken);
    QFETCH(bool, otherShown);
    CompanyDetails initial;
    initial.kpp = QStringLiteral("502401001");
    CompanySealDialog dialog(initial, nullptr);
    showActive(dialog);
    QCOMPARE(control<QComboBox>(dialog, "SizeBox")->currentText(), QStringLiteral("40 мм"));
    control<QComboBox>(dialog, "FormBox")->setCurrentIndex(formIndex);
    QCOMPARE(control<QLabel>(dialog, "OgrnLabel")->text(), numberLabel);
    QCOMPARE(control<QLineEdit>(dialog, "KppEdit")->isEnabled(), kppTaken);
    QCOMPARE(dialog.details().kpp.isEmpty(), !kppTaken);
    QCOMPARE(control<QLineEdit>(dialog, "OtherFormEdit")->isVisible(), otherShown);
    QCOMPARE(dialog.details().sizeMm, 40);
}

void TestAssistant::createdSealPassesCheck_data() {
    QTest::addColumn<CompanyDetails>("details");
    QTest::addColumn<bool>("fitsAsAsked");
    QTest::newRow("короткое имя") << shortName() << true;
    QTest::newRow("длинное имя") << company(LegalForm::Ooo, QStringLiteral("Северная звезда"),
                                            QStringLiteral("Москва"))
                                 << false;
}

// "Создать" at 40 mm: the seal passes the recommended check at its size, or
// the dialog names the text that does not fit and offers a larger size,
// which makes one that does.
void TestAssistant::createdSealPassesCheck() {
    QFETCH(CompanyDetails, details);
    QFETCH(bool, fitsAsAsked);
    CompanySealDialog dialog(details, nullptr);
    showActive(dialog);
    click(dialog, QStringLiteral("CreateButton"));
    auto* larger = control<QPushButton>(dialog, "LargerSizeButton");
    if (!fitsAsAsked) {
        QVERIFY(!dialog.choice());
        QVERIFY2(dialog.shortfall().contains(QStringLiteral("Полное наименование")),
                 qPrintable(dialog.shortfall()));
        QVERIFY(isStandardRoundSize(dialog.offeredSizeMm()));
        QVERIFY(dialog.offeredSizeMm() > details.sizeMm);
        QVERIFY(larger->isVisible());
        QCOMPARE(larger->text(), QStringLiteral("Взять %1 мм").arg(dialog.offeredSizeMm()));
        const int offered = dialog.offeredSizeMm();
        click(dialog, QStringLiteral("LargerSizeButton"));
        QCOMPARE(dialog.details().sizeMm, offered);
    }
    QVERIFY2(dialog.choice(), qPrintable(dialog.shortfall()));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!larger->isVisible());
    const CompanySealChoice& made = *dialog.choice();
    QCOMPARE(made.details.sizeMm, fitsAsAsked ? details.sizeMm : dialog.details().sizeMm);
    const QString found = recommendedFindings(made.seal, made.details.sizeMm);
    QVERIFY2(found.isEmpty(), qPrintable(found));
}

// A name no standard size takes: the dialog says so and offers no size.
void TestAssistant::noSizeTakesIt() {
    CompanyDetails details =
        company(LegalForm::Ooo,
                QStringLiteral("Научно-производственное объединение по разработке и внедрению "
                               "технологий переработки вторичного сырья"),
                QStringLiteral("Тверь"));
    CompanySealDialog dialog(details, nullptr);
    showActive(dialog);
    click(dialog, QStringLiteral("CreateButton"));
    QVERIFY(!dialog.choice());
    QVERIFY(dialog.isVisible());
    QVERIFY2(dialog.shortfall().contains(QStringLiteral("Полное наименование")),
             qPrintable(dialog.shortfall()));
    QCOMPARE(dialog.offeredSizeMm(), 0);
    QVERIFY(!control<QPushButton>(dialog, "LargerSizeButton")->isVisible());
    // An edit makes what was said about the texts out of date.
    retype(control<QLineEdit>(dialog, "NameEdit"), QStringLiteral("Нива"));
    QVERIFY(dialog.shortfall().isEmpty());
}

// Taken into the main window: the round seal's design, one step of its
// history, its page shown, the preview drawn.
void TestAssistant::replacesRoundSealInOneStep() {
    ScriptedWindow ui;
    TForm1& w = ui.window;
    w.setActivePage(ActivePage::Triangle);
    const RoundSealParameters before = w.designs().round;
    ui.dialogs.companies.push_back(shortName());
    control<QAction>(w, "CompanySealItem")->trigger();
    QVERIFY(ui.dialogs.questions.isEmpty());
    QCOMPARE(w.activePage(), ActivePage::Round);
    QVERIFY(w.isModified(StampKind::Round));
    QVERIFY(!(w.designs().round == before));
    const RoundSealParameters made = w.designs().round;
    QVERIFY(made.lines[0].enabled);
    QCOMPARE(w.previewPicture(), expectedPicture(w.designs(), ActivePage::Round));

    w.UndoItemClick();
    QVERIFY(w.designs().round == before);
    QVERIFY(!w.isModified(StampKind::Round));
    w.RedoItemClick();
    QVERIFY(w.designs().round == made);

    // The details come back the next time.
    ui.dialogs.companies.push_back(std::nullopt);
    w.CompanySealItemClick();
    QCOMPARE(ui.dialogs.companyInitials.size(), 2);
    QCOMPARE(ui.dialogs.companyInitials.last().name, shortName().name);
    QCOMPARE(ui.dialogs.companyInitials.last().inn, kInn);
    QVERIFY(ui.dialogs.unexpected.isEmpty());
}

void TestAssistant::unsavedChangesQuestion_data() {
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("Да") << Answer::Yes << true;
    QTest::newRow("Нет") << Answer::No << false;
    QTest::newRow("Отмена") << Answer::Cancel << false;
}

void TestAssistant::unsavedChangesQuestion() {
    QFETCH(Answer, answer);
    QFETCH(bool, replaced);
    ScriptedWindow ui;
    TForm1& w = ui.window;
    const RoundSealParameters untouched = w.designs().round;
    typeText(control<QLineEdit>(w, "Page1Edit1"), QStringLiteral("Х"));
    const RoundSealParameters typed = w.designs().round;
    QVERIFY(w.isModified(StampKind::Round));

    ui.dialogs.companies.push_back(shortName());
    ui.dialogs.answers.push_back(answer);
    w.CompanySealItemClick();
    QCOMPARE(ui.dialogs.questions,
             QStringList{QStringLiteral("Заменить изменения круглой печати печатью организации ?")});
    QVERIFY(ui.dialogs.scriptUsedUp());
    QCOMPARE(w.designs().round == typed, !replaced);
    QVERIFY(w.isModified(StampKind::Round));
    // The typing stays one step of its own: back once, the seal is gone
    // (when it came); back again, the typing too.
    w.UndoItemClick();
    QVERIFY(w.designs().round == (replaced ? typed : untouched));
    if (replaced) {
        w.UndoItemClick();
        QVERIFY(w.designs().round == untouched);
    }
}

void TestAssistant::closedAssistantChangesNothing() {
    ScriptedWindow ui;
    TForm1& w = ui.window;
    w.setActivePage(ActivePage::Rect);
    const StampDesigns before = w.designs();
    CompanyDetails wrong = shortName();
    wrong.inn = QStringLiteral("5024135791");
    ui.dialogs.companies = {std::nullopt, wrong};
    w.CompanySealItemClick();
    w.CompanySealItemClick();
    QVERIFY(ui.dialogs.scriptUsedUp());
    QVERIFY(ui.dialogs.questions.isEmpty());
    QVERIFY(w.designs().round == before.round);
    QVERIFY(w.designs().rect == before.rect);
    QCOMPARE(w.activePage(), ActivePage::Rect);
    QVERIFY(!w.isModified(StampKind::Round));
}

void TestAssistant::productionWindowTakesDiameter_data() {
    QTest::addColumn<bool>("openFirst");
    QTest::newRow("из окна изготовления") << true;
    QTest::newRow("окно открыто потом") << false;
}

// The production window's button opens the assistant too; the window takes
// the seal's diameter as its width, whether it was open then or not.
void TestAssistant::productionWindowTakesDiameter() {
    QFETCH(bool, openFirst);
    storeWidths(40);
    ScriptedWindow ui(makeProductionWindow);
    TForm1& w = ui.window;
    CompanyDetails details = shortName();
    details.sizeMm = 45;
    ui.dialogs.companies.push_back(details);
    if (openFirst) {
        w.ProductionItemClick();
        auto* production = qobject_cast<ProductionWindow*>(w.productionWindow());
        QVERIFY(production);
        QCOMPARE(production->settings().widthMm, 40.0);
        click(*production, QStringLiteral("CompanySealButton"));
    } else {
        w.CompanySealItemClick();
        w.ProductionItemClick();
    }
    QVERIFY(ui.dialogs.scriptUsedUp());
    QCOMPARE(w.activePage(), ActivePage::Round);
    QVERIFY(w.isModified(StampKind::Round));
    auto* production = qobject_cast<ProductionWindow*>(w.productionWindow());
    QVERIFY(production && production->isVisible());
    w.completePendingRepaint();
    QCOMPARE(production->kind(), StampKind::Round);
    QCOMPARE(production->settings().widthMm, 45.0);
    QCOMPARE(control<QDoubleSpinBox>(*production, "WidthEdit")->value(), 45.0);
    QVERIFY(ui.dialogs.unexpected.isEmpty());
}

QTEST_MAIN(TestAssistant)
#include "test_assistant.moc"
