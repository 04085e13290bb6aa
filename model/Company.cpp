#include "Company.h"

#include <algorithm>
#include <array>
#include <span>

namespace qg {

namespace {

bool isAsciiDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

bool allDigits(QStringView text) {
    return std::all_of(text.begin(), text.end(), isAsciiDigit);
}

int digitAt(QStringView text, qsizetype i) {
    return text[i].unicode() - u'0';
}

// The weighted sum of the first weights.size() digits, mod 11, mod 10.
int weightedCheck(QStringView digits, std::span<const int> weights) {
    int sum = 0;
    for (std::size_t i = 0; i < weights.size(); ++i)
        sum += weights[i] * digitAt(digits, static_cast<qsizetype>(i));
    return sum % 11 % 10;
}

// The number the first `count` digits make, mod `modulus`.
int leadingRemainder(QStringView digits, qsizetype count, int modulus) {
    int remainder = 0;
    for (qsizetype i = 0; i < count; ++i)
        remainder = (remainder * 10 + digitAt(digits, i)) % modulus;
    return remainder;
}

bool isCapitalLatin(QChar c) {
    return c.unicode() >= u'A' && c.unicode() <= u'Z';
}

}  // namespace

QString legalFormAbbreviation(LegalForm form) {
    switch (form) {
        case LegalForm::Ooo:
            return QStringLiteral("ООО");
        case LegalForm::Ao:
            return QStringLiteral("АО");
        case LegalForm::Pao:
            return QStringLiteral("ПАО");
        case LegalForm::Nko:
            return QStringLiteral("НКО");
        case LegalForm::Ip:
            return QStringLiteral("ИП");
        case LegalForm::Other:
            break;
    }
    return QString();
}

QString legalFormFullName(LegalForm form) {
    switch (form) {
        case LegalForm::Ooo:
            return QStringLiteral("Общество с ограниченной ответственностью");
        case LegalForm::Ao:
            return QStringLiteral("Акционерное общество");
        case LegalForm::Pao:
            return QStringLiteral("Публичное акционерное общество");
        case LegalForm::Nko:
            return QStringLiteral("Некоммерческая организация");
        case LegalForm::Ip:
            return QStringLiteral("Индивидуальный предприниматель");
        case LegalForm::Other:
            break;
    }
    return QString();
}

QString legalFormFullName(const CompanyDetails& details) {
    return details.form == LegalForm::Other ? details.otherForm.simplified() : legalFormFullName(details.form);
}

bool isEntrepreneur(const CompanyDetails& details) {
    return details.form == LegalForm::Ip;
}

QString registrationLabel(const CompanyDetails& details) {
    return isEntrepreneur(details) ? QStringLiteral("ОГРНИП") : QStringLiteral("ОГРН");
}

QString bareName(QStringView name) {
    static const QString quotes = QStringLiteral("«»\"„“”'");
    QString bare = name.toString().simplified();
    // Quotes round the whole name only: «Рога и „Копыта“» keeps its inner pair.
    while (bare.size() >= 2 && quotes.contains(bare.front()) && quotes.contains(bare.back()))
        bare = bare.sliced(1, bare.size() - 2).trimmed();
    return bare;
}

QString companyFullName(const CompanyDetails& details) {
    const QString form = legalFormFullName(details);
    const QString name = bareName(details.name);
    if (isEntrepreneur(details))
        return name.isEmpty() ? form : form + QLatin1Char(' ') + name;
    const QString quoted = name.isEmpty() ? QString() : QStringLiteral("«%1»").arg(name);
    if (form.isEmpty())
        return quoted;
    return quoted.isEmpty() ? form : form + QLatin1Char(' ') + quoted;
}

QString compactNumber(QStringView number) {
    QString compact;
    compact.reserve(number.size());
    for (QChar c : number) {
        if (!c.isSpace())
            compact += c;
    }
    return compact;
}

bool innCheckDigitsValid(QStringView inn) {
    static constexpr std::array<int, 9> k10{2, 4, 10, 3, 5, 9, 4, 6, 8};
    static constexpr std::array<int, 10> k11{7, 2, 4, 10, 3, 5, 9, 4, 6, 8};
    static constexpr std::array<int, 11> k12{3, 7, 2, 4, 10, 3, 5, 9, 4, 6, 8};
    if (!allDigits(inn))
        return false;
    if (inn.size() == 10)
        return weightedCheck(inn, k10) == digitAt(inn, 9);
    if (inn.size() == 12)
        return weightedCheck(inn, k11) == digitAt(inn, 10) && weightedCheck(inn, k12) == digitAt(inn, 11);
    return false;
}

bool ogrnCheckDigitValid(QStringView ogrn) {
    return ogrn.size() == 13 && allDigits(ogrn) && leadingRemainder(ogrn, 12, 11) % 10 == digitAt(ogrn, 12);
}

bool ogrnipCheckDigitValid(QStringView ogrnip) {
    return ogrnip.size() == 15 && allDigits(ogrnip) && leadingRemainder(ogrnip, 14, 13) % 10 == digitAt(ogrnip, 14);
}

QString innProblem(QStringView inn, bool entrepreneur) {
    const QString number = compactNumber(inn);
    if (number.isEmpty())
        return QStringLiteral("укажите ИНН");
    if (!allDigits(number))
        return QStringLiteral("ИНН: только цифры");
    if (!entrepreneur && number.size() != 10)
        return QStringLiteral("ИНН организации: 10 цифр");
    if (entrepreneur && number.size() != 12)
        return QStringLiteral("ИНН предпринимателя: 12 цифр");
    if (!innCheckDigitsValid(number))
        return QStringLiteral("неверная контрольная цифра ИНН");
    return QString();
}

QString ogrnProblem(QStringView ogrn, bool entrepreneur) {
    const QString label = entrepreneur ? QStringLiteral("ОГРНИП") : QStringLiteral("ОГРН");
    const QString number = compactNumber(ogrn);
    if (number.isEmpty())
        return QStringLiteral("укажите %1").arg(label);
    if (!allDigits(number))
        return QStringLiteral("%1: только цифры").arg(label);
    if (number.size() != (entrepreneur ? 15 : 13))
        return QStringLiteral("%1: %2 цифр").arg(label).arg(entrepreneur ? 15 : 13);
    // The first digit tells the kind of record: 1 or 5 a company's, 3 an
    // entrepreneur's.
    const QChar first = number.front();
    if (entrepreneur && first != u'3')
        return QStringLiteral("ОГРНИП начинается с 3");
    if (!entrepreneur && first != u'1' && first != u'5')
        return QStringLiteral("ОГРН начинается с 1 или 5");
    if (!(entrepreneur ? ogrnipCheckDigitValid(number) : ogrnCheckDigitValid(number)))
        return QStringLiteral("неверная контрольная цифра %1").arg(label);
    return QString();
}

QString kppProblem(QStringView kpp, bool entrepreneur) {
    const QString number = compactNumber(kpp);
    if (number.isEmpty())
        return QString();
    if (entrepreneur)
        return QStringLiteral("у предпринимателя нет КПП");
    if (number.size() != 9)
        return QStringLiteral("КПП: 9 знаков");
    for (qsizetype i = 0; i < number.size(); ++i) {
        const bool letterAllowed = i == 4 || i == 5;
        if (!isAsciiDigit(number[i]) && !(letterAllowed && isCapitalLatin(number[i])))
            return QStringLiteral("КПП: цифры, 5-й и 6-й знаки — цифры или латинские A–Z");
    }
    return QString();
}

std::vector<FieldProblem> checkCompany(const CompanyDetails& details) {
    std::vector<FieldProblem> problems;
    const auto add = [&](CompanyField field, const QString& text) {
        if (!text.isEmpty())
            problems.push_back(FieldProblem{field, text});
    };
    const bool entrepreneur = isEntrepreneur(details);
    if (details.form == LegalForm::Other && details.otherForm.trimmed().isEmpty())
        add(CompanyField::LegalForm, QStringLiteral("укажите организационно-правовую форму"));
    if (bareName(details.name).isEmpty())
        add(CompanyField::Name,
            entrepreneur ? QStringLiteral("укажите фамилию, имя и отчество") : QStringLiteral("укажите наименование"));
    if (details.city.trimmed().isEmpty())
        add(CompanyField::City, QStringLiteral("укажите город"));
    add(CompanyField::Ogrn, ogrnProblem(details.ogrn, entrepreneur));
    add(CompanyField::Inn, innProblem(details.inn, entrepreneur));
    add(CompanyField::Kpp, kppProblem(details.kpp, entrepreneur));
    if (!isStandardRoundSize(details.sizeMm))
        add(CompanyField::Size, QStringLiteral("диаметр печати: 30, 38, 40, 42, 45 или 50 мм"));
    return problems;
}

}  // namespace qg
