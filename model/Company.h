#pragma once

// A company's details as its seal carries them: the legal form, the name,
// the city and the registration numbers, checked with their real check
// digits, and the full name written out.

#include "StandardSizes.h"

#include <QString>
#include <QStringView>

#include <vector>

namespace qg {

enum class LegalForm { Ooo, Ao, Pao, Nko, Ip, Other };

struct CompanyDetails {
    LegalForm form = LegalForm::Ooo;
    // The form written out by the user, for LegalForm::Other.
    QString otherForm;
    // The name without quotes; for an entrepreneur the surname, name and
    // patronymic.
    QString name;
    QString city;
    // ОГРН (13 digits), or ОГРНИП (15 digits) for an entrepreneur.
    QString ogrn;
    // ИНН: 10 digits, 12 for an entrepreneur.
    QString inn;
    // КПП, 9 characters; optional, and an entrepreneur has none.
    QString kpp;
    // A line for the middle of the seal, e.g. "Для документов"; optional.
    QString centreText;
    // The diameter across the outermost ring, one of kRoundSealSizesMm.
    int sizeMm = kDefaultRoundSealMm;
};

// "ООО", "АО", "ПАО", "НКО", "ИП"; empty for a free form.
QString legalFormAbbreviation(LegalForm form);
// "Общество с ограниченной ответственностью" and so on; for a free form
// the details' own.
QString legalFormFullName(LegalForm form);
QString legalFormFullName(const CompanyDetails& details);

bool isEntrepreneur(const CompanyDetails& details);

// "ОГРН", or "ОГРНИП" for an entrepreneur.
QString registrationLabel(const CompanyDetails& details);

// The name as typed, without the blanks and the quotes round it.
QString bareName(QStringView name);

// The legal form written out and the name in «» quotes ("Общество с
// ограниченной ответственностью «Ромашка»"); an entrepreneur's name
// follows the form without quotes.
QString companyFullName(const CompanyDetails& details);

// A number as typed with its blanks left out.
QString compactNumber(QStringView number);

// The check digits alone; the text must hold the right count of digits.
bool innCheckDigitsValid(QStringView inn);        // 10 or 12 digits
bool ogrnCheckDigitValid(QStringView ogrn);       // 13 digits
bool ogrnipCheckDigitValid(QStringView ogrnip);   // 15 digits

// What is wrong with a field, as a few Russian words the assistant shows at
// it ("неверная контрольная цифра ИНН"); empty when nothing is. Blanks in
// numbers are allowed.
QString innProblem(QStringView inn, bool entrepreneur);
QString ogrnProblem(QStringView ogrn, bool entrepreneur);
QString kppProblem(QStringView kpp, bool entrepreneur);

enum class CompanyField { LegalForm, Name, City, Ogrn, Inn, Kpp, CentreText, Size };

struct FieldProblem {
    CompanyField field = CompanyField::Name;
    QString text;
};

// Every field that is wrong, in the order of the fields; empty when the
// details can make a seal.
std::vector<FieldProblem> checkCompany(const CompanyDetails& details);

}  // namespace qg
