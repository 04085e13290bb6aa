// A company's details for the tests of its seal, and the recommended check
// of the seal made from them.
#pragma once

#include "Check.h"
#include "Company.h"
#include "CompanySeal.h"
#include "Export.h"

#include <QTest>

Q_DECLARE_METATYPE(qg::LegalForm)
Q_DECLARE_METATYPE(qg::CompanyField)

namespace qg::testing {

// Numbers made for these tests with their check digits worked out by hand.
inline const QString kInn = QStringLiteral("7709876545");
inline const QString kOgrn = QStringLiteral("1027709876545");
inline const QString kEntrepreneurInn = QStringLiteral("770987654347");
inline const QString kOgrnip = QStringLiteral("304770900000126");

inline CompanyDetails company(LegalForm form, const QString& name, const QString& city = QStringLiteral("Тверь"),
                              int sizeMm = 40, const QString& centre = QString()) {
    CompanyDetails details;
    details.form = form;
    details.name = name;
    details.city = city;
    details.ogrn = form == LegalForm::Ip ? kOgrnip : kOgrn;
    details.inn = form == LegalForm::Ip ? kEntrepreneurInn : kInn;
    details.centreText = centre;
    details.sizeMm = sizeMm;
    return details;
}

inline check::Report recommendedCheck(const RoundSealParameters& seal, int diameterMm,
                                      const output::Imprint* imprint = nullptr) {
    StampDesigns designs;
    designs.round = seal;
    const ShopLimits shop = recommendedShopLimits();
    check::Limits limits;
    limits.minLineMm = limits.safeLineMm = shop.minLineMm;
    limits.minGapMm = shop.minGapMm;
    limits.minCapMm = shop.minCapMm;
    return check::checkDesign(designs, StampKind::Round,
                              imprint ? *imprint : output::makeImprint(designs, StampKind::Round), diameterMm, limits);
}

// What the recommended check finds but the openings within a letter of a
// text («, », 6, 9, Й, Ы) that the shops' gap is not about.
inline QString recommendedFindings(const check::Report& report) {
    QString found;
    for (const check::Finding& finding : report.findings) {
        if (finding.problem != check::Problem::NarrowGap || finding.other.kind != ElementKind::None)
            found += check::describe(StampKind::Round, finding) + QLatin1Char('\n');
    }
    return found;
}

}  // namespace qg::testing
