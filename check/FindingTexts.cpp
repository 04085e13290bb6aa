// The findings in the program's own words: the names of the elements, the
// texts of the findings, their units and digits, and the command line's
// one line for each.

#include "Check.h"

#include "CheckParts.h"

namespace qg::check {

using detail::kMmPerInch;

QString elementName(StampKind kind, ElementTag element) {
    static const char* const kOrdinals[] = {"Первая", "Вторая", "Третья", "Четвертая", "Пятая", "Шестая"};
    const int i = element.index;
    auto ordinal = [&](int count) { return i >= 1 && i <= count ? QString::fromUtf8(kOrdinals[i - 1]) : QString(); };
    switch (element.kind) {
        case ElementKind::None:
            break;
        case ElementKind::Emblem:
            return QStringLiteral("Герб");
        case ElementKind::RingText:
            if (i >= 1 && i <= 3)
                return ordinal(3) + QStringLiteral(" строка по окружности");
            break;
        case ElementKind::CentreLine:
            if (i >= 1 && i <= 3)
                return ordinal(3) + QStringLiteral(" строка в центре");
            break;
        case ElementKind::Ring:
            if (i >= 1 && i <= 3)
                return QStringLiteral("%1-я окр.").arg(i);
            break;
        case ElementKind::SideText:
            if (i == 1)
                return QStringLiteral("Текст по левой стороне");
            if (i == 2)
                return QStringLiteral("Текст по правой стороне");
            if (i == 3)
                return QStringLiteral("Текст снизу");
            break;
        case ElementKind::Frame:
            if (i >= 1 && i <= 3)
                return QStringLiteral("%1 тр-к").arg(i);
            break;
        case ElementKind::StampLine:
            if (i >= 1 && i <= 6)
                return ordinal(6) + QStringLiteral(" строка");
            break;
        case ElementKind::Contour:
            if (i >= 1 && i <= 2)
                return QStringLiteral("%1 контур").arg(i);
            break;
        case ElementKind::InnerLine:
            return QStringLiteral("Вн.линия");
        case ElementKind::Sample:
            break;
    }
    Q_UNUSED(kind);
    return QStringLiteral("Оттиск");
}

QString unitName(Problem problem) {
    return problem == Problem::EmblemResolution ? QStringLiteral("dpi") : QStringLiteral("мм");
}

int decimals(const Finding& finding) {
    const int fewest = finding.problem == Problem::EmblemResolution ? 0 : 2;
    if (!(finding.measured < finding.limit))
        return fewest;
    for (int digits = fewest; digits < fewest + 4; ++digits) {
        if (QString::number(finding.measured, 'f', digits) != QString::number(finding.limit, 'f', digits))
            return digits;
    }
    return fewest + 4;
}

QString problemText(const Finding& finding) {
    switch (finding.problem) {
        case Problem::ThinLine:
            return QStringLiteral("линия тоньше допустимой");
        case Problem::NarrowGap:
            return QStringLiteral("просвет уже допустимого");
        case Problem::LowCapitals:
            return QStringLiteral("заглавные буквы ниже допустимого");
        case Problem::Touching:
            return QStringLiteral("касается другого элемента");
        case Problem::CutByField:
            return QStringLiteral("выходит за поле просмотра");
        case Problem::EmblemResolution:
            return QStringLiteral("разрешение герба ниже допустимого");
        case Problem::NoInk:
            return QStringLiteral("в оттиске нет ни одного штриха");
        case Problem::EmblemUnreadable:
            switch (finding.emblemFile) {
                case EmblemFile::Missing:
                    return finding.file.isEmpty() ? QStringLiteral("файл герба не задан")
                                                  : QStringLiteral("файл герба не найден");
                case EmblemFile::NotBitmap:
                    return finding.file.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive)
                               ? QStringLiteral("файл герба не является рисунком bmp")
                               : QStringLiteral("файл герба не является рисунком SVG, PNG, JPEG или BMP");
                case EmblemFile::TooLarge:
                    return QStringLiteral("рисунок герба больше %1 на %1 точек").arg(kMaxEmblemSide);
                case EmblemFile::Bitmap:
                    break;
            }
            return QStringLiteral("файл герба не читается");
        case Problem::LettersOverlap:
            return QStringLiteral("буквы налезают друг на друга");
        case Problem::FinerThanPixel:
            return QStringLiteral("линия тоньше точки рисунка при %1 dpi")
                .arg(finding.limit > 0 ? std::lround(kMmPerInch / finding.limit) : 0);
    }
    return QString();
}

QString describe(StampKind kind, const Finding& finding) {
    const QString severity = finding.severity == Severity::Error ? QStringLiteral("ошибка") : QStringLiteral("предупреждение");
    QString line = QStringLiteral("%1: %2: ").arg(severity, elementName(kind, finding.element));
    const QString unit = unitName(finding.problem);
    const int digits = decimals(finding);
    switch (finding.problem) {
        case Problem::Touching:
            return line + QStringLiteral("касается элемента «%1»").arg(elementName(kind, finding.other));
        case Problem::NoInk:
            return line + problemText(finding);
        case Problem::EmblemUnreadable:
            return line + problemText(finding) + (finding.file.isEmpty() ? QString() : QStringLiteral(": ") + finding.file);
        case Problem::CutByField:
        case Problem::LettersOverlap:
            return line + QStringLiteral("%1 на %2 %3").arg(problemText(finding)).arg(finding.measured, 0, 'f', digits).arg(unit);
        case Problem::NarrowGap:
            if (finding.other.kind != ElementKind::None)
                line += QStringLiteral("просвет до элемента «%1» уже допустимого").arg(elementName(kind, finding.other));
            else
                line += problemText(finding);
            break;
        default:
            line += problemText(finding);
            break;
    }
    return line + QStringLiteral(": %1 %3, допустимо %2 %3")
                      .arg(finding.measured, 0, 'f', digits)
                      .arg(finding.limit, 0, 'f', digits)
                      .arg(unit);
}

}  // namespace qg::check
