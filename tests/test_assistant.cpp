// The company seal assistant: its fields and what it says at them, the
// seal it makes, and that seal taken into the main window.

#include "CompanySealDialog.h"
#include "CompanyTesting.h"
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

using namespace qg;
using namespace qg::testing;

Q_DECLARE_METATYPE(qg::Answer)
Q_DECLARE_METATYPE(qg::CompanyDetails)

namespace {

CompanyDetails shortName() {
    return company(LegalForm::Ao, QStringLiteral("Нива"));
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
    row("ОГРН: контрольная цифра", LegalForm::Ooo, CompanyField::Ogrn, "1027709876546", true);
    row("ИНН верный, с пробелами", LegalForm::Ooo, CompanyField::Inn, "770 987 6545", false);
    row("ИНН: контрольная цифра", LegalForm::Ooo, CompanyField::Inn, "7709876546", true);
    row("ИНН предпринимателя у ООО", LegalForm::Ooo, CompanyField::Inn, kEntrepreneurInn, true);
    row("КПП с буквами", LegalForm::Ooo, CompanyField::Kpp, "7709AZ001", false);
    row("КПП: 8 знаков", LegalForm::Ooo, CompanyField::Kpp, "77090100", true);
    row("ОГРНИП верный", LegalForm::Ip, CompanyField::Ogrn, kOgrnip, false);
    row("ОГРНИП: контрольная цифра", LegalForm::Ip, CompanyField::Ogrn, "304770900000127", true);
    row("ОГРН у ИП", LegalForm::Ip, CompanyField::Ogrn, kOgrn, true);
    row("ИНН ИП верный", LegalForm::Ip, CompanyField::Inn, kEntrepreneurInn, false);
    row("ИНН ИП: первая контрольная", LegalForm::Ip, CompanyField::Inn, "770987654317", true);
}

// A number is judged as the user leaves its field, before anything is
// made; while one is wrong, "Создать" only shows what is wrong.
void TestAssistant::wrongFieldShownAndBlocks() {
    QFETCH(LegalForm, form);
    QFETCH(CompanyField, field);
    QFETCH(QString, text);
    QFETCH(bool, wrong);
    CompanyDetails details = company(form, QStringLiteral("Нива"));
    details.otherForm = QStringLiteral("Товарищество");
    CompanySealDialog dialog(details, nullptr);
    showActive(dialog);
    QLineEdit* edit = control<QLineEdit>(dialog, field == CompanyField::Inn   ? "InnEdit"
                                                 : field == CompanyField::Kpp ? "KppEdit"
                                                                              : "OgrnEdit");
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
    control<QComboBox>(dialog, "FormBox")->setCurrentIndex(formIndex);
    QCOMPARE(control<QLabel>(dialog, "OgrnLabel")->text(), numberLabel);
    QCOMPARE(control<QLineEdit>(dialog, "KppEdit")->isEnabled(), kppTaken);
    QCOMPARE(dialog.details().kpp.isEmpty(), !kppTaken);
    QCOMPARE(control<QLineEdit>(dialog, "OtherFormEdit")->isVisible(), otherShown);
    QCOMPARE(dialog.details().sizeMm, 40);
}

void TestAssistant::createdSealPassesCheck_data() {
    QTest::addColumn<CompanyDetails>("details");
    QTest::addColumn<int>("larger");  // -1: fits as asked, 1: a larger size is offered, 0: none takes it
    QTest::newRow("короткое имя") << shortName() << -1;
    QTest::newRow("длинное имя") << company(LegalForm::Ooo, QStringLiteral("Северная звезда"), QStringLiteral("Москва"))
                                 << 1;
    QTest::newRow("никакой размер") << company(LegalForm::Ooo, QStringLiteral("Научно-производственное объединение по "
                                                                             "разработке и внедрению технологий "
                                                                             "переработки вторичного сырья"))
                                    << 0;
}

// "Создать" at 40 mm: the seal passes the recommended check at its size, or
// the dialog names the text that does not fit and offers the larger size
// that takes it, or says no size does.
void TestAssistant::createdSealPassesCheck() {
    QFETCH(CompanyDetails, details);
    QFETCH(int, larger);
    CompanySealDialog dialog(details, nullptr);
    showActive(dialog);
    click(dialog, QStringLiteral("CreateButton"));
    auto* button = control<QPushButton>(dialog, "LargerSizeButton");
    const int offered = dialog.offeredSizeMm();
    if (larger >= 0) {
        QVERIFY(!dialog.choice());
        QVERIFY(dialog.isVisible());
        QVERIFY2(dialog.shortfall().contains(QStringLiteral("Полное наименование")), qPrintable(dialog.shortfall()));
        QCOMPARE(button->isVisible(), larger > 0);
        QCOMPARE(isStandardRoundSize(offered) && offered > details.sizeMm, larger > 0);
        if (larger == 0) {  // an edit makes what was said about the texts out of date
            QCOMPARE(offered, 0);
            retype(control<QLineEdit>(dialog, "NameEdit"), QStringLiteral("Нива"));
            QVERIFY(dialog.shortfall().isEmpty());
            return;
        }
        click(dialog, QStringLiteral("LargerSizeButton"));
    }
    QVERIFY2(dialog.choice(), qPrintable(dialog.shortfall()));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!button->isVisible());
    const CompanySealChoice& made = *dialog.choice();
    QCOMPARE(made.details.sizeMm, larger > 0 ? offered : details.sizeMm);
    const QString found = recommendedFindings(recommendedCheck(made.seal, made.details.sizeMm));
    QVERIFY2(found.isEmpty(), qPrintable(found));
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
    wrong.inn = QStringLiteral("7709876546");
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
