// A company's details, their check digits, and the round seal laid out
// from them.

#include "CompanyTesting.h"
#include "Ink.h"
#include "RingText.h"
#include "StampFile.h"

#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numbers>

using namespace qg;
using namespace qg::testing;

Q_DECLARE_METATYPE(qg::SealText)

namespace {

// The ink of each element of the seal: its box, and its nearest and
// farthest from the centre, the middle of preview pixel (100, 100).
struct Extent {
    QRectF box;
    double inner = std::numeric_limits<double>::infinity();
    double outer = 0;
};

std::map<std::pair<int, int>, Extent> extents(const RoundSealParameters& seal) {
    StampDesigns designs;
    designs.round = seal;
    std::map<std::pair<int, int>, Extent> out;
    for (const InkOp& op : recordInk(designs, ActivePage::Round)) {
        if (op.paper)
            continue;
        Extent& extent = out[{static_cast<int>(op.element.kind), op.element.index}];
        extent.box |= op.bounds();
        for (const QPolygonF& polygon : op.area().toFillPolygons()) {
            for (const QPointF& p : polygon) {
                const double r = std::hypot(p.x() - 100.5, p.y() - 100.5);
                extent.inner = std::min(extent.inner, r);
                extent.outer = std::max(extent.outer, r);
            }
        }
    }
    return out;
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
    for (const check::Finding& finding : recommendedCheck(seal.seal, seal.diameterMm, &imprint).findings) {
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
    void fieldProblems_data();
    void fieldProblems();
    void fullNames_data();
    void fullNames();
    void nextRoundSize();

    void sealFits_data();
    void sealFits();
    void sealTooLong_data();
    void sealTooLong();
};

void CompanyTest::checkDigits_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("number");
    QTest::addColumn<bool>("valid");
    const auto row = [](const char* name, const char* kind, const char* number, bool valid) {
        QTest::newRow(name) << QString::fromUtf8(kind) << QString::fromLatin1(number) << valid;
    };
    row("ИНН 10", "ИНН", "7709876545", true);
    row("ИНН 10, другой", "ИНН", "5001007329", true);
    row("ИНН 10, 1-я цифра", "ИНН", "1709876545", false);
    row("ИНН 10, 9-я цифра", "ИНН", "7709876515", false);
    row("ИНН 12", "ИНН", "770987654347", true);
    row("ИНН 12, другой", "ИНН", "500123456750", true);
    row("ИНН 12, 1-я цифра", "ИНН", "170987654347", false);
    row("ИНН 12, 11-я (контрольная)", "ИНН", "770987654317", false);
    row("ИНН 11 цифр", "ИНН", "77098765454", false);
    row("ОГРН", "ОГРН", "1027709876545", true);
    row("ОГРН, другой", "ОГРН", "5225001234563", true);
    row("ОГРН, 1-я цифра", "ОГРН", "2027709876545", false);
    row("ОГРН, 12-я цифра", "ОГРН", "1027709876515", false);
    row("ОГРНИП", "ОГРНИП", "304770900000126", true);
    row("ОГРНИП, другой", "ОГРНИП", "321500100004560", true);
    row("ОГРНИП, 1-я цифра", "ОГРНИП", "104770900000126", false);
    row("ОГРНИП, 14-я цифра", "ОГРНИП", "304770900000116", false);
    // The same digits checked as the other number.
    row("ОГРН как ОГРНИП", "ОГРНИП", "1027709876545", false);
    row("ОГРНИП как ОГРН", "ОГРН", "304770900000126", false);
}

// A right number stays right with no other last digit.
void CompanyTest::checkDigits() {
    QFETCH(QString, kind);
    QFETCH(QString, number);
    QFETCH(bool, valid);
    const auto checks = [&](const QString& n) {
        return kind == u"ИНН" ? innCheckDigitsValid(n) : kind == u"ОГРН" ? ogrnCheckDigitValid(n) : ogrnipCheckDigitValid(n);
    };
    QCOMPARE(checks(number), valid);
    if (kind == u"ИНН" && (number.size() == 10 || number.size() == 12))  // shown at a field of the right length
        QCOMPARE(innProblem(number, number.size() == 12),
                 valid ? QString() : QStringLiteral("неверная контрольная цифра ИНН"));
    if (kind != u"ИНН" && valid)
        QCOMPARE(ogrnProblem(number, kind == u"ОГРНИП"), QString());
    for (char16_t digit = u'0'; valid && digit <= u'9'; ++digit) {
        QString changed = number;
        changed.back() = QChar(digit);
        QCOMPARE(checks(changed), changed == number);
        if (kind == u"ИНН" && changed != number)
            QCOMPARE(innProblem(changed, number.size() == 12), QStringLiteral("неверная контрольная цифра ИНН"));
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
    CompanyDetails details = company(form, QStringLiteral("Нива"));
    if (form == LegalForm::Other)
        details.otherForm = QStringLiteral("Товарищество собственников жилья");
    QVERIFY2(checkCompany(details).empty(), "the details to change are correct");
    const std::map<CompanyField, QString CompanyDetails::*> fields{
        {CompanyField::Inn, &CompanyDetails::inn},   {CompanyField::Ogrn, &CompanyDetails::ogrn},
        {CompanyField::Kpp, &CompanyDetails::kpp},   {CompanyField::Name, &CompanyDetails::name},
        {CompanyField::City, &CompanyDetails::city}, {CompanyField::LegalForm, &CompanyDetails::otherForm}};
    if (field == CompanyField::Size)
        details.sizeMm = value.toInt();
    else
        details.*fields.at(field) = value;
    const std::vector<FieldProblem> problems = checkCompany(details);
    QCOMPARE(problems.size(), std::size_t(problem.isEmpty() ? 0 : 1));
    if (!problems.empty()) {
        QCOMPARE(problems[0].field, field);
        QCOMPARE(problems[0].text, problem);
    }
}

void CompanyTest::fullNames_data() {
    QTest::addColumn<LegalForm>("form");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("full");
    QTest::newRow("ООО") << LegalForm::Ooo << "Ромашка" << "Общество с ограниченной ответственностью «Ромашка»";
    QTest::newRow("ИП") << LegalForm::Ip << "Иванов Иван Иванович"
                        << "Индивидуальный предприниматель Иванов Иван Иванович";
    QTest::newRow("другая форма") << LegalForm::Other << "Ромашка" << "Товарищество собственников жилья «Ромашка»";
    // Quotes typed round the name are not doubled; quotes inside it stay.
    QTest::newRow("в кавычках") << LegalForm::Ooo << " «Ромашка» " << "Общество с ограниченной ответственностью «Ромашка»";
    QTest::newRow("в прямых кавычках") << LegalForm::Ao << "\"Ромашка\"" << "Акционерное общество «Ромашка»";
    QTest::newRow("кавычки внутри") << LegalForm::Ao << "«Рога и „Копыта“»" << "Акционерное общество «Рога и „Копыта“»";
}

void CompanyTest::fullNames() {
    QFETCH(LegalForm, form);
    QFETCH(QString, name);
    QFETCH(QString, full);
    CompanyDetails details = company(form, name);
    details.otherForm = QStringLiteral(" Товарищество  собственников жилья ");
    QCOMPARE(companyFullName(details), full);
    QCOMPARE(registrationLabel(details), form == LegalForm::Ip ? QStringLiteral("ОГРНИП") : QStringLiteral("ОГРН"));
}

void CompanyTest::nextRoundSize() {
    QCOMPARE(qg::nextRoundSize(30), 38);
    QCOMPARE(qg::nextRoundSize(43), 45);  // between two sizes
    QCOMPARE(qg::nextRoundSize(50), 0);   // the largest
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
    QTest::addColumn<QString>("centre");
    const auto ao = LegalForm::Ao;
    QTest::newRow("короткое имя, 40 мм") << ao << "Нива" << "Тверь" << 40 << true << true << "";
    QTest::newRow("текст в центре, 50 мм") << ao << "Нива" << "Тверь" << 50 << true << true << "Для документов";
    QTest::newRow("длинное имя, 40 мм") << ao << "Северный ветер" << "Тверь" << 40 << true << false << "";
    QTest::newRow("длинное имя на всё кольцо, 40 мм") << ao << "Северная звезда" << "Москва" << 40 << true << false << "";
    // With room between the letters of its centre lines.
    QTest::newRow("имя в центре, 45 мм") << LegalForm::Ooo << "Северная звезда" << "Москва" << 45 << false << false << "";
    QTest::newRow("ИП, 50 мм") << LegalForm::Ip << "Иванов Иван Иванович" << "Тверь" << 50 << false << true << "";
}

// Laid out at a size that takes it, the seal has every text as large as
// recommended, within its rings, and passes the recommended check; no two
// letters come closer than the shops' gap, nor a letter to a ring; no
// text's cells cover another's ink; and its file reads back the same.

void CompanyTest::sealFits() {
    QFETCH(LegalForm, form);
    QFETCH(QString, name);
    QFETCH(QString, city);
    QFETCH(int, sizeMm);
    QFETCH(bool, nameOnRing);
    QFETCH(bool, cityBelow);
    QFETCH(QString, centre);
    const CompanyDetails details = company(form, name, city, sizeMm, centre);
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
        const QByteArray at = QByteArray::number(line);
        QVERIFY2(text.outer <= ring(onRing ? 3 : 1).inner - gap, at.constData());
        if (onRing)
            QVERIFY2(text.inner >= ring(1).outer + gap, at.constData());
        if (onRing && seal.seal.rings[1].enabled)
            QVERIFY(text.inner >= ring(2).outer + gap || text.outer <= ring(2).inner - gap);
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
        const double toDegrees = 180 / std::numbers::pi / plan.middleRadius;
        // Reversed, the text runs counter-clockwise from its start.
        const double start = plan.characters.front().theta + plan.characters.front().advance / 2 * toDegrees;
        const double end = plan.characters.back().theta - plan.characters.back().advance / 2 * toDegrees;
        QVERIFY(start > end);
        QVERIFY2(std::fabs(std::remainder((start + end) / 2 - 180, 360.0)) < 0.01,
                 qPrintable(QString::number((start + end) / 2)));
        // Every letter turned over against clockwise reading.
        for (const RingCharacter& c : plan.characters)
            QVERIFY(std::fabs(std::remainder(c.turn - (180 - c.theta), 360.0)) < 1e-6);
    }
    QCOMPARE(below, cityBelow ? 1 : 0);

    // The centre lines are centred: their ink as far left of the seal's
    // centre as right of it, within a fifth of a millimetre.
    for (const auto& [element, extent] : ink) {
        if (element.first == static_cast<int>(ElementKind::CentreLine))
            QVERIFY2(std::fabs(extent.box.center().x() - 100.5) <= 0.2 * pixelsPerMm(seal),
                     qPrintable(QStringLiteral("%1: %2").arg(element.second).arg(extent.box.center().x())));
    }

    const check::Report report = recommendedCheck(seal.seal, seal.diameterMm);
    QVERIFY(!report.hasErrors());
    for (const QString& found : {recommendedFindings(report), gapsBetweenLetters(seal), coveredInk(seal)})
        QVERIFY2(found.isEmpty(), qPrintable(found));

    for (const TextLineSettings& line : seal.seal.lines)
        QVERIFY(io::canEncodeCp1251(line.text));
    RoundSealParameters read = defaultRoundSeal();
    QVERIFY(io::readRoundSeal(io::writeRoundSeal(seal.seal), read).ok());
    QCOMPARE(read, seal.seal);
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
    const QString covered = coveredInk(seal);
    QVERIFY2(covered.isEmpty(), qPrintable(covered));
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

QTEST_MAIN(CompanyTest)
#include "test_company.moc"
