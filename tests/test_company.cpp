// A company's details, their check digits, and the round seal laid out
// from them.

#include "Check.h"
#include "Company.h"
#include "CompanySeal.h"
#include "Export.h"
#include "Ink.h"
#include "RingText.h"
#include "StampFile.h"

#include <QPolygonF>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numbers>

using namespace qg;

Q_DECLARE_METATYPE(qg::LegalForm)
Q_DECLARE_METATYPE(qg::CompanyField)
Q_DECLARE_METATYPE(qg::SealText)

namespace {

// Numbers made for these tests with their check digits worked out by hand.
const QString kInn = QStringLiteral("7709876545");
const QString kOgrn = QStringLiteral("1027709876545");
const QString kEntrepreneurInn = QStringLiteral("770987654347");
const QString kOgrnip = QStringLiteral("304770900000126");

CompanyDetails company(LegalForm form, const QString& name, const QString& city, int sizeMm = 40,
                       const QString& centre = QString()) {
    CompanyDetails details;
    details.form = form;
    details.name = name;
    details.city = city;
    const bool entrepreneur = form == LegalForm::Ip;
    details.ogrn = entrepreneur ? kOgrnip : kOgrn;
    details.inn = entrepreneur ? kEntrepreneurInn : kInn;
    details.centreText = centre;
    details.sizeMm = sizeMm;
    return details;
}

// The ink of the seal about its centre, the middle of preview pixel
// (100, 100): the nearest and farthest of each element.
struct Extent {
    double inner = std::numeric_limits<double>::infinity();
    double outer = 0;
};

double radiusOf(const QPointF& p) {
    return std::hypot(p.x() - 100.5, p.y() - 100.5);
}

std::map<std::pair<int, int>, Extent> extents(const RoundSealParameters& seal) {
    StampDesigns designs;
    designs.round = seal;
    std::map<std::pair<int, int>, Extent> out;
    for (const InkOp& op : recordInk(designs, ActivePage::Round)) {
        if (op.paper)
            continue;
        Extent& extent = out[{static_cast<int>(op.element.kind), op.element.index}];
        for (const QPolygonF& polygon : op.area().toFillPolygons()) {
            for (const QPointF& p : polygon) {
                extent.inner = std::min(extent.inner, radiusOf(p));
                extent.outer = std::max(extent.outer, radiusOf(p));
            }
        }
    }
    return out;
}

// Degrees clockwise from 12 o'clock, within (-180, 180] of `around`.
double angleAround(double theta, double around) {
    return around + std::remainder(theta - around, 360.0);
}

check::Limits recommendedLimits() {
    const ShopLimits shop = recommendedShopLimits();
    check::Limits limits;
    limits.minLineMm = shop.minLineMm;
    limits.safeLineMm = shop.minLineMm;
    limits.minGapMm = shop.minGapMm;
    limits.minCapMm = shop.minCapMm;
    return limits;
}

check::Report recommendedCheck(const CompanySeal& seal) {
    StampDesigns designs;
    designs.round = seal.seal;
    return check::checkDesign(designs, StampKind::Round, output::makeImprint(designs, StampKind::Round),
                              seal.diameterMm, recommendedLimits());
}

bool isText(ElementKind kind) {
    return kind == ElementKind::RingText || kind == ElementKind::CentreLine;
}

// The recommended check of the seal with every glyph an element of its
// own: a narrow gap it finds between two elements lies between two letters
// or between a letter and a ring; one within an element is a letter's own
// opening. Says what it finds between elements, with the letters.
QString gapsBetweenLetters(const CompanySeal& seal) {
    StampDesigns designs;
    designs.round = seal.seal;
    output::Imprint imprint = output::makeImprint(designs, StampKind::Round);
    std::map<int, QString> letters;  // by the element's index
    std::map<int, int> drawn;        // glyphs so far, by line
    int next = 100;
    for (InkOp& op : imprint.ops) {
        if (op.paper || !isText(op.element.kind))
            continue;
        const int line = op.element.kind == ElementKind::RingText ? op.element.index - 1 : op.element.index + 2;
        const QString& text = seal.seal.lines[static_cast<std::size_t>(line)].text;
        // A line drawn whole has a glyph for each letter, none for a blank.
        const QString inked = QString(text).remove(QLatin1Char(' '));
        letters[next] = op.character >= 0 ? text.mid(op.character, 1) : inked.mid(drawn[line]++, 1);
        op.element.index = next++;
    }
    const auto name = [&](ElementTag element) {
        return isText(element.kind) ? QStringLiteral("«%1»").arg(letters[element.index])
                                    : check::elementName(StampKind::Round, element);
    };
    QString found;
    const check::Report report =
        check::checkDesign(designs, StampKind::Round, imprint, seal.diameterMm, recommendedLimits());
    for (const check::Finding& finding : report.findings) {
        const bool between = finding.other.kind != ElementKind::None;
        if ((finding.problem == check::Problem::NarrowGap && between) || finding.problem == check::Problem::Touching)
            found += QStringLiteral("%1 и %2: %3 мм\n")
                         .arg(name(finding.element), name(finding.other))
                         .arg(finding.measured);
    }
    return found;
}

// The ink of a text that paper laid after it covers (a later text's cells
// are paper).
QString coveredInk(const CompanySeal& seal) {
    StampDesigns designs;
    designs.round = seal.seal;
    const std::vector<InkOp> ops = recordInk(designs, ActivePage::Round);
    QString found;
    for (std::size_t i = 0; i < ops.size(); ++i) {
        if (ops[i].paper || !isText(ops[i].element.kind))
            continue;
        const QPainterPath ink = ops[i].area();
        for (std::size_t j = i + 1; j < ops.size(); ++j) {
            if (ops[j].paper && ops[j].bounds().intersects(ops[i].bounds()) && ops[j].area().intersects(ink)) {
                found += QStringLiteral("%1 под %2\n")
                             .arg(check::elementName(StampKind::Round, ops[i].element),
                                  check::elementName(StampKind::Round, ops[j].element));
                break;
            }
        }
    }
    return found;
}

}  // namespace

class CompanyTest : public QObject {
    Q_OBJECT

private slots:
    void checkDigits_data();
    void checkDigits();
    void everyOtherCheckDigitIsRefused_data();
    void everyOtherCheckDigitIsRefused();
    void fieldProblems_data();
    void fieldProblems();
    void fullNames_data();
    void fullNames();
    void nextRoundSize_data();
    void nextRoundSize();

    void sealFits_data();
    void sealFits();
    void lettersStandApart_data();
    void lettersStandApart();
    void inkStaysWhole_data();
    void inkStaysWhole();
    void sealTooLong_data();
    void sealTooLong();
    void sealSurvivesItsFile_data();
    void sealSurvivesItsFile();
};

void CompanyTest::checkDigits_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("number");
    QTest::addColumn<bool>("valid");
    QTest::newRow("ИНН 10") << "ИНН" << "7709876545" << true;
    QTest::newRow("ИНН 10, другой") << "ИНН" << "5001007329" << true;
    QTest::newRow("ИНН 10, 1-я цифра") << "ИНН" << "1709876545" << false;
    QTest::newRow("ИНН 10, 4-я цифра") << "ИНН" << "7701876545" << false;
    QTest::newRow("ИНН 10, 9-я цифра") << "ИНН" << "7709876515" << false;
    QTest::newRow("ИНН 10, контрольная") << "ИНН" << "7709876546" << false;
    QTest::newRow("ИНН 12") << "ИНН" << "770987654347" << true;
    QTest::newRow("ИНН 12, другой") << "ИНН" << "500123456750" << true;
    QTest::newRow("ИНН 12, 1-я цифра") << "ИНН" << "170987654347" << false;
    QTest::newRow("ИНН 12, 4-я цифра") << "ИНН" << "770187654347" << false;
    QTest::newRow("ИНН 12, 11-я (контрольная)") << "ИНН" << "770987654317" << false;
    QTest::newRow("ИНН 12, 12-я (контрольная)") << "ИНН" << "770987654348" << false;
    QTest::newRow("ИНН 11 цифр") << "ИНН" << "77098765454" << false;
    QTest::newRow("ОГРН") << "ОГРН" << "1027709876545" << true;
    QTest::newRow("ОГРН, другой") << "ОГРН" << "5225001234563" << true;
    QTest::newRow("ОГРН, 1-я цифра") << "ОГРН" << "2027709876545" << false;
    QTest::newRow("ОГРН, 4-я цифра") << "ОГРН" << "1021709876545" << false;
    QTest::newRow("ОГРН, 12-я цифра") << "ОГРН" << "1027709876515" << false;
    QTest::newRow("ОГРН, контрольная") << "ОГРН" << "1027709876546" << false;
    QTest::newRow("ОГРНИП") << "ОГРНИП" << "304770900000126" << true;
    QTest::newRow("ОГРНИП, другой") << "ОГРНИП" << "321500100004560" << true;
    QTest::newRow("ОГРНИП, 1-я цифра") << "ОГРНИП" << "104770900000126" << false;
    QTest::newRow("ОГРНИП, 4-я цифра") << "ОГРНИП" << "304170900000126" << false;
    QTest::newRow("ОГРНИП, 14-я цифра") << "ОГРНИП" << "304770900000116" << false;
    QTest::newRow("ОГРНИП, контрольная") << "ОГРНИП" << "304770900000127" << false;
    // The same digits checked as the other number.
    QTest::newRow("ОГРН как ОГРНИП") << "ОГРНИП" << "1027709876545" << false;
    QTest::newRow("ОГРНИП как ОГРН") << "ОГРН" << "304770900000126" << false;
}

void CompanyTest::checkDigits() {
    QFETCH(QString, kind);
    QFETCH(QString, number);
    QFETCH(bool, valid);
    if (kind == u"ИНН") {
        QCOMPARE(innCheckDigitsValid(number), valid);
        // Shown at the field only when the length is right for the form.
        const bool entrepreneur = number.size() == 12;
        if (number.size() == 10 || number.size() == 12)
            QCOMPARE(innProblem(number, entrepreneur),
                     valid ? QString() : QStringLiteral("неверная контрольная цифра ИНН"));
    } else if (kind == u"ОГРН") {
        QCOMPARE(ogrnCheckDigitValid(number), valid);
    } else {
        QCOMPARE(ogrnipCheckDigitValid(number), valid);
    }
    if (kind != u"ИНН" && valid)
        QCOMPARE(ogrnProblem(number, kind == u"ОГРНИП"), QString());
}

void CompanyTest::everyOtherCheckDigitIsRefused_data() {
    QTest::addColumn<QString>("number");
    QTest::newRow("ИНН 10") << "5001007329";
    QTest::newRow("ИНН 12") << "500123456750";
    QTest::newRow("ОГРН") << "5225001234563";
    QTest::newRow("ОГРНИП") << "321500100004560";
}

// A number's last digit is the only one that checks.
void CompanyTest::everyOtherCheckDigitIsRefused() {
    QFETCH(QString, number);
    const auto valid = [](const QString& n) {
        switch (n.size()) {
            case 10:
            case 12:
                return innCheckDigitsValid(n);
            case 13:
                return ogrnCheckDigitValid(n);
            default:
                return ogrnipCheckDigitValid(n);
        }
    };
    QVERIFY(valid(number));
    for (char16_t digit = u'0'; digit <= u'9'; ++digit) {
        QString changed = number;
        changed.back() = QChar(digit);
        QCOMPARE(valid(changed), changed == number);
    }
}

void CompanyTest::fieldProblems_data() {
    QTest::addColumn<LegalForm>("form");
    QTest::addColumn<CompanyField>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("problem");
    const auto ooo = LegalForm::Ooo;
    const auto ip = LegalForm::Ip;
    QTest::newRow("ИНН с пробелами") << ooo << CompanyField::Inn << "770 987 6545" << QString();
    QTest::newRow("ИНН пустой") << ooo << CompanyField::Inn << "" << "укажите ИНН";
    QTest::newRow("ИНН с буквой") << ooo << CompanyField::Inn << "77O9876545" << "ИНН: только цифры";
    QTest::newRow("ИНН ИП у организации") << ooo << CompanyField::Inn << kEntrepreneurInn << "ИНН организации: 10 цифр";
    QTest::newRow("ИНН организации у ИП") << ip << CompanyField::Inn << kInn << "ИНН предпринимателя: 12 цифр";
    QTest::newRow("ИНН неверный") << ooo << CompanyField::Inn << "7709876546" << "неверная контрольная цифра ИНН";
    QTest::newRow("ОГРН пустой") << ooo << CompanyField::Ogrn << "" << "укажите ОГРН";
    QTest::newRow("ОГРН 12 цифр") << ooo << CompanyField::Ogrn << "102770987654" << "ОГРН: 13 цифр";
    QTest::newRow("ОГРН с 3") << ooo << CompanyField::Ogrn << "3027709876545" << "ОГРН начинается с 1 или 5";
    QTest::newRow("ОГРН неверный") << ooo << CompanyField::Ogrn << "1027709876546" << "неверная контрольная цифра ОГРН";
    QTest::newRow("ОГРН у ИП") << ip << CompanyField::Ogrn << kOgrn << "ОГРНИП: 15 цифр";
    QTest::newRow("ОГРНИП с 1") << ip << CompanyField::Ogrn << "104770900000120" << "ОГРНИП начинается с 3";
    QTest::newRow("ОГРНИП неверный") << ip << CompanyField::Ogrn << "304770900000127"
                                     << "неверная контрольная цифра ОГРНИП";
    QTest::newRow("КПП пустой") << ooo << CompanyField::Kpp << "" << QString();
    QTest::newRow("КПП цифры") << ooo << CompanyField::Kpp << "770901001" << QString();
    QTest::newRow("КПП с буквами на 5-м и 6-м") << ooo << CompanyField::Kpp << "7709AZ001" << QString();
    const QString letters = QStringLiteral("КПП: цифры, 5-й и 6-й знаки — цифры или латинские A–Z");
    QTest::newRow("КПП с буквой на 4-м") << ooo << CompanyField::Kpp << "770A01001" << letters;
    QTest::newRow("КПП со строчной") << ooo << CompanyField::Kpp << "7709az001" << letters;
    QTest::newRow("КПП с кириллицей") << ooo << CompanyField::Kpp << "7709АВ001" << letters;
    QTest::newRow("КПП 8 знаков") << ooo << CompanyField::Kpp << "77090100" << "КПП: 9 знаков";
    QTest::newRow("КПП у ИП") << ip << CompanyField::Kpp << "770901001" << "у предпринимателя нет КПП";
    QTest::newRow("без наименования") << ooo << CompanyField::Name << "«  »" << "укажите наименование";
    QTest::newRow("ИП без имени") << ip << CompanyField::Name << " " << "укажите фамилию, имя и отчество";
    QTest::newRow("без города") << ooo << CompanyField::City << "  " << "укажите город";
    QTest::newRow("другая форма без названия") << LegalForm::Other << CompanyField::LegalForm << ""
                                               << "укажите организационно-правовую форму";
    QTest::newRow("нестандартный диаметр") << ooo << CompanyField::Size << "41"
                                           << "диаметр печати: 30, 38, 40, 42, 45 или 50 мм";
}

void CompanyTest::fieldProblems() {
    QFETCH(LegalForm, form);
    QFETCH(CompanyField, field);
    QFETCH(QString, value);
    QFETCH(QString, problem);
    CompanyDetails details = company(form, QStringLiteral("Нива"), QStringLiteral("Тверь"));
    if (form == LegalForm::Other)
        details.otherForm = QStringLiteral("Товарищество собственников жилья");
    QVERIFY2(checkCompany(details).empty(), "the details to change are correct");
    switch (field) {
        case CompanyField::Inn:
            details.inn = value;
            break;
        case CompanyField::Ogrn:
            details.ogrn = value;
            break;
        case CompanyField::Kpp:
            details.kpp = value;
            break;
        case CompanyField::Name:
            details.name = value;
            break;
        case CompanyField::City:
            details.city = value;
            break;
        case CompanyField::LegalForm:
            details.otherForm = value;
            break;
        case CompanyField::Size:
            details.sizeMm = value.toInt();
            break;
        case CompanyField::CentreText:
            details.centreText = value;
            break;
    }
    const std::vector<FieldProblem> problems = checkCompany(details);
    if (problem.isEmpty()) {
        QVERIFY(problems.empty());
    } else {
        QCOMPARE(problems.size(), std::size_t(1));
        QCOMPARE(problems[0].field, field);
        QCOMPARE(problems[0].text, problem);
    }
}

void CompanyTest::fullNames_data() {
    QTest::addColumn<LegalForm>("form");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("abbreviation");
    QTest::addColumn<QString>("full");
    QTest::newRow("ООО") << LegalForm::Ooo << "Ромашка" << "ООО"
                         << "Общество с ограниченной ответственностью «Ромашка»";
    QTest::newRow("АО") << LegalForm::Ao << "Ромашка" << "АО" << "Акционерное общество «Ромашка»";
    QTest::newRow("ПАО") << LegalForm::Pao << "Ромашка" << "ПАО" << "Публичное акционерное общество «Ромашка»";
    QTest::newRow("НКО") << LegalForm::Nko << "Ромашка" << "НКО" << "Некоммерческая организация «Ромашка»";
    QTest::newRow("ИП") << LegalForm::Ip << "Иванов Иван Иванович" << "ИП"
                        << "Индивидуальный предприниматель Иванов Иван Иванович";
    QTest::newRow("другая форма") << LegalForm::Other << "Ромашка" << ""
                                  << "Товарищество собственников жилья «Ромашка»";
    // Quotes typed round the name are not doubled; quotes inside it stay.
    QTest::newRow("в кавычках") << LegalForm::Ooo << " «Ромашка» " << "ООО"
                                << "Общество с ограниченной ответственностью «Ромашка»";
    QTest::newRow("в прямых кавычках") << LegalForm::Ao << "\"Ромашка\"" << "АО" << "Акционерное общество «Ромашка»";
    QTest::newRow("кавычки внутри") << LegalForm::Ao << "«Рога и „Копыта“»" << "АО"
                                    << "Акционерное общество «Рога и „Копыта“»";
}

void CompanyTest::fullNames() {
    QFETCH(LegalForm, form);
    QFETCH(QString, name);
    QFETCH(QString, abbreviation);
    QFETCH(QString, full);
    CompanyDetails details = company(form, name, QStringLiteral("Тверь"));
    details.otherForm = QStringLiteral(" Товарищество  собственников жилья ");
    QCOMPARE(legalFormAbbreviation(form), abbreviation);
    QCOMPARE(companyFullName(details), full);
    QCOMPARE(registrationLabel(details), form == LegalForm::Ip ? QStringLiteral("ОГРНИП") : QStringLiteral("ОГРН"));
}

void CompanyTest::nextRoundSize_data() {
    QTest::addColumn<int>("mm");
    QTest::addColumn<int>("next");
    QTest::newRow("30") << 30 << 38;
    QTest::newRow("40") << 40 << 42;
    QTest::newRow("между") << 43 << 45;
    QTest::newRow("наибольший") << 50 << 0;
}

void CompanyTest::nextRoundSize() {
    QFETCH(int, mm);
    QFETCH(int, next);
    QCOMPARE(qg::nextRoundSize(mm), next);
}

void CompanyTest::sealFits_data() {
    QTest::addColumn<LegalForm>("form");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("city");
    QTest::addColumn<int>("sizeMm");
    // Where the layout puts the name: round the outer ring, or (for a name
    // the ring cannot take) the legal form there and the name in the middle.
    QTest::addColumn<bool>("nameOnRing");
    // Whether the city goes along the bottom of the outer ring.
    QTest::addColumn<bool>("cityBelow");
    QTest::newRow("короткое имя, 40 мм") << LegalForm::Ao << "Нива" << "Тверь" << 40 << true << true;
    QTest::newRow("длинное имя, 40 мм") << LegalForm::Ao << "Северный ветер" << "Тверь" << 40 << true << false;
    QTest::newRow("длинное имя на всё кольцо, 40 мм")
        << LegalForm::Ao << "Северная звезда" << "Москва" << 40 << true << false;
    QTest::newRow("имя в центре, 45 мм") << LegalForm::Ooo << "Северная звезда" << "Москва" << 45 << false << false;
    QTest::newRow("ИП, 50 мм") << LegalForm::Ip << "Иванов Иван Иванович" << "Тверь" << 50 << false << true;
}

void CompanyTest::sealFits() {
    QFETCH(LegalForm, form);
    QFETCH(QString, name);
    QFETCH(QString, city);
    QFETCH(int, sizeMm);
    QFETCH(bool, nameOnRing);
    QFETCH(bool, cityBelow);
    const CompanyDetails details = company(form, name, city, sizeMm);
    const CompanySeal seal = layoutCompanySeal(details);
    QVERIFY2(seal.fits, qPrintable(shortfallText(seal)));
    QVERIFY(seal.tooLong.empty());
    QCOMPARE(seal.diameterMm, sizeMm);
    QVERIFY(!seal.seal.emblem.enabled);

    // Every text is there once, in capitals as large as recommended, set
    // at the size stored for it: no ring text is fitted smaller.
    const double minCap = recommendedShopLimits().minCapMm;
    QString all;
    for (const SealTextPlace& place : seal.texts) {
        const TextLineSettings& line = seal.seal.lines[static_cast<std::size_t>(place.line)];
        QVERIFY(line.enabled);
        QCOMPARE(line.font.size, place.points);
        QVERIFY2(place.capMm >= minCap, qPrintable(QString::number(place.capMm)));
        if (place.line < 3) {
            const RingTextLayout& layout = seal.seal.ringLayouts[static_cast<std::size_t>(place.line)];
            QCOMPARE(layout.spacing, RingSpacing::Glyphs);
            const RingTextPlan plan = planRingText(line, layout);
            QVERIFY(!plan.reduced);
            QVERIFY(plan.fits);
        }
        if (!all.contains(line.text))
            all += line.text + QLatin1Char('\n');
    }
    const QString fullName = companyFullName(details).toUpper();
    const auto nameRing = std::find_if(seal.texts.begin(), seal.texts.end(), [](const SealTextPlace& place) {
        return place.text == SealText::Name && place.line < 3;
    });
    QVERIFY(nameRing != seal.texts.end());
    const QString& ringName = seal.seal.lines[static_cast<std::size_t>(nameRing->line)].text;
    if (nameOnRing)
        QVERIFY(ringName.startsWith(fullName));
    else
        QVERIFY(ringName.startsWith(legalFormFullName(details).toUpper()));
    for (const QString& word : fullName.split(QLatin1Char(' ')))
        QVERIFY2(all.contains(word), qPrintable(word));
    QVERIFY(all.contains(city.toUpper()));
    QVERIFY(all.contains(registrationLabel(details) + QLatin1Char(' ') + details.ogrn));
    QVERIFY(all.contains(QStringLiteral("ИНН ") + details.inn));

    // The rings enclose the texts with at least the shops' gap; a ring
    // between the rings of text, when there is one, keeps it on both sides.
    const double gap = recommendedShopLimits().minGapMm * pixelsPerMm(seal);
    const auto ink = extents(seal.seal);
    const auto ring = [&](int index) { return ink.at({static_cast<int>(ElementKind::Ring), index}); };
    QVERIFY(seal.seal.rings[0].enabled);
    QVERIFY(seal.seal.rings[2].enabled);
    for (int line = 0; line < 6; ++line) {
        if (!seal.seal.lines[static_cast<std::size_t>(line)].enabled)
            continue;
        const bool onRing = line < 3;
        const Extent text = ink.at({static_cast<int>(onRing ? ElementKind::RingText : ElementKind::CentreLine),
                                    onRing ? line + 1 : line - 2});
        if (onRing) {
            QVERIFY2(text.outer <= ring(3).inner - gap, qPrintable(QString::number(line)));
            QVERIFY2(text.inner >= ring(1).outer + gap, qPrintable(QString::number(line)));
            if (seal.seal.rings[1].enabled)
                QVERIFY(text.inner >= ring(2).outer + gap || text.outer <= ring(2).inner - gap);
        } else {
            QVERIFY2(text.outer <= ring(1).inner - gap, qPrintable(QString::number(line)));
        }
    }

    // The city under the name reads along the bottom, centred at 180.
    int below = 0;
    for (const SealTextPlace& place : seal.texts) {
        const TextLineSettings& line = seal.seal.lines[static_cast<std::size_t>(place.line)];
        if (place.text != SealText::City || place.line >= 3 || line.text != city.toUpper())
            continue;
        ++below;
        const RingTextLayout& layout = seal.seal.ringLayouts[static_cast<std::size_t>(place.line)];
        QVERIFY(layout.reverse);
        QCOMPARE(line.angle, 180);
        const RingTextPlan plan = planRingText(line, layout);
        const RingCharacter& firstChar = plan.characters.front();
        const RingCharacter& lastChar = plan.characters.back();
        const double toDegrees = 180 / std::numbers::pi / plan.middleRadius;
        // Reversed, the text runs counter-clockwise from its start.
        const double start = firstChar.theta + firstChar.advance / 2 * toDegrees;
        const double end = lastChar.theta - lastChar.advance / 2 * toDegrees;
        QVERIFY(start > end);
        QVERIFY2(std::fabs(angleAround((start + end) / 2, 180) - 180) < 0.01,
                 qPrintable(QString::number((start + end) / 2)));
        // Every letter turned over against clockwise reading.
        for (const RingCharacter& c : plan.characters)
            QVERIFY(std::fabs(std::remainder(c.turn - (180 - c.theta), 360.0)) < 1e-6);
    }
    QCOMPARE(below, cityBelow ? 1 : 0);

    // The centre lines are centred: their ink as far left of the seal's
    // centre as right of it, within a fifth of a millimetre.
    StampDesigns designs;
    designs.round = seal.seal;
    std::map<int, QRectF> centreInk;
    for (const InkOp& op : recordInk(designs, ActivePage::Round)) {
        if (!op.paper && op.element.kind == ElementKind::CentreLine)
            centreInk[op.element.index] = centreInk[op.element.index].united(op.bounds());
    }
    for (const auto& [index, box] : centreInk)
        QVERIFY2(std::fabs(box.center().x() - 100.5) <= 0.2 * pixelsPerMm(seal),
                 qPrintable(QStringLiteral("%1: %2").arg(index).arg(box.center().x())));

    // The manufacturing check at the seal's size with the recommended
    // limits finds no error, no low capitals, no thin line, nothing touching
    // and no narrow gap between two elements; within a text only the
    // openings of a few letters of their own («, », 6, 9, Й, Ы), not the
    // white between two letters.
    const check::Report report = recommendedCheck(seal);
    QString found;
    for (const check::Finding& finding : report.findings) {
        const bool withinText = finding.problem == check::Problem::NarrowGap &&
                                finding.other.kind == ElementKind::None;
        if (!withinText)
            found += check::describe(StampKind::Round, finding) + QLatin1Char('\n');
    }
    QVERIFY2(found.isEmpty(), qPrintable(found));
    QVERIFY(!report.hasErrors());
}

void CompanyTest::lettersStandApart_data() {
    sealFits_data();
}

// No two letters of a seal that fits come closer than the shops' gap, in
// a ring text or a straight line, nor a letter to a ring.
void CompanyTest::lettersStandApart() {
    QFETCH(LegalForm, form);
    QFETCH(QString, name);
    QFETCH(QString, city);
    QFETCH(int, sizeMm);
    const CompanySeal seal = layoutCompanySeal(company(form, name, city, sizeMm));
    QVERIFY(seal.fits);
    const QString between = gapsBetweenLetters(seal);
    QVERIFY2(between.isEmpty(), qPrintable(between));
}

void CompanyTest::inkStaysWhole_data() {
    QTest::addColumn<LegalForm>("form");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("centre");
    QTest::addColumn<int>("sizeMm");
    QTest::newRow("АО, 40 мм") << LegalForm::Ao << "Нива" << "" << 40;
    QTest::newRow("АО, текст в центре, 50 мм") << LegalForm::Ao << "Нива" << "Для документов" << 50;
    QTest::newRow("ООО, 40 мм") << LegalForm::Ooo << "Северная звезда" << "" << 40;
    QTest::newRow("ООО, 45 мм") << LegalForm::Ooo << "Северная звезда" << "" << 45;
    QTest::newRow("ИП, 45 мм") << LegalForm::Ip << "Иванов Иван Иванович" << "" << 45;
    QTest::newRow("ИП, 50 мм") << LegalForm::Ip << "Иванов Иван Иванович" << "" << 50;
}

// Every text is drawn on paper of its own cells, which covers what lies
// beneath: no text's cells cover another's ink, whether the seal fits or
// not.
void CompanyTest::inkStaysWhole() {
    QFETCH(LegalForm, form);
    QFETCH(QString, name);
    QFETCH(QString, centre);
    QFETCH(int, sizeMm);
    const CompanySeal seal = layoutCompanySeal(company(form, name, QStringLiteral("Тверь"), sizeMm, centre));
    const QString covered = coveredInk(seal);
    QVERIFY2(covered.isEmpty(), qPrintable(covered));
}

void CompanyTest::sealTooLong_data() {
    QTest::addColumn<LegalForm>("form");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("centre");
    QTest::addColumn<int>("sizeMm");
    QTest::addColumn<SealText>("first");
    QTest::addColumn<int>("larger");  // -1: some standard size, 0: none
    QTest::newRow("длинное имя, 30 мм") << LegalForm::Ao << "Северный ветер" << "" << 30 << SealText::City << -1;
    QTest::newRow("ООО, 40 мм") << LegalForm::Ooo << "Северная звезда" << "" << 40 << SealText::Name << -1;
    QTest::newRow("ИП, 45 мм") << LegalForm::Ip << "Иванов Иван Иванович" << "" << 45 << SealText::Numbers << -1;
    QTest::newRow("текст в центре, 40 мм") << LegalForm::Ao << "Нива" << "Для документов" << 40
                                           << SealText::CentreText << -1;
    QTest::newRow("очень длинное имя") << LegalForm::Ooo
                                       << "Научно-производственное объединение по разработке и внедрению "
                                          "технологий переработки вторичного сырья"
                                       << "" << 40 << SealText::Name << 0;
}

void CompanyTest::sealTooLong() {
    QFETCH(LegalForm, form);
    QFETCH(QString, name);
    QFETCH(QString, centre);
    QFETCH(int, sizeMm);
    QFETCH(SealText, first);
    QFETCH(int, larger);
    const CompanyDetails details = company(form, name, QStringLiteral("Тверь"), sizeMm, centre);
    const CompanySeal seal = layoutCompanySeal(details);
    QVERIFY(!seal.fits);
    QVERIFY(!seal.tooLong.empty());
    QCOMPARE(seal.tooLong.front(), first);
    const QString said = shortfallText(seal);
    QVERIFY2(said.contains(sealTextName(first), Qt::CaseInsensitive), qPrintable(said));

    // The size offered is the smallest standard one that takes it all.
    const double minCap = recommendedShopLimits().minCapMm;
    if (larger == 0) {
        QCOMPARE(seal.largerSizeMm, 0);
        QVERIFY2(said.contains(QStringLiteral("ни в один стандартный размер")), qPrintable(said));
    } else {
        QVERIFY(isStandardRoundSize(seal.largerSizeMm));
        QVERIFY(seal.largerSizeMm > sizeMm);
        QVERIFY2(said.contains(QStringLiteral("подойдёт %1 мм").arg(seal.largerSizeMm)), qPrintable(said));
        for (int size : kRoundSealSizesMm) {
            if (size > sizeMm && size <= seal.largerSizeMm)
                QCOMPARE(layoutCompanySeal(details, size, minCap).fits, size == seal.largerSizeMm);
        }
    }

    // A seal is laid out all the same, each text smaller than recommended
    // where it must be, none of them fitted below its stored size.
    QVERIFY(!seal.texts.empty());
    bool lower = false;
    for (const SealTextPlace& place : seal.texts) {
        const std::size_t line = static_cast<std::size_t>(place.line);
        QVERIFY(seal.seal.lines[line].enabled);
        lower = lower || place.capMm < minCap;
        if (line < 3)
            QVERIFY(!planRingText(seal.seal.lines[line], seal.seal.ringLayouts[line]).reduced);
    }
    QVERIFY(lower);
}

void CompanyTest::sealSurvivesItsFile_data() {
    QTest::addColumn<LegalForm>("form");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("sizeMm");
    QTest::newRow("АО, 40 мм") << LegalForm::Ao << "Нива" << 40;
    // With room between the letters of its centre lines.
    QTest::newRow("ООО, 45 мм") << LegalForm::Ooo << "Северная звезда" << 45;
}

void CompanyTest::sealSurvivesItsFile() {
    QFETCH(LegalForm, form);
    QFETCH(QString, name);
    QFETCH(int, sizeMm);
    const CompanySeal seal = layoutCompanySeal(company(form, name, QStringLiteral("Тверь"), sizeMm));
    QVERIFY(seal.fits);
    for (const TextLineSettings& line : seal.seal.lines)
        QVERIFY(io::canEncodeCp1251(line.text));
    RoundSealParameters read = defaultRoundSeal();
    QVERIFY(io::readRoundSeal(io::writeRoundSeal(seal.seal), read).ok());
    QCOMPARE(read, seal.seal);
}

QTEST_MAIN(CompanyTest)
#include "test_company.moc"
