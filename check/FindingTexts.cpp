// The findings in the program's own words: the names of the elements, the
// texts of the findings, their units and digits, and the command line's
// one line for each.

#include "Check.h"

#include "CheckParts.h"

#include "StandardSizes.h"

#include <cmath>

namespace qg::check {

using detail::kMmPerInch;

namespace {

// A size in millimetres as short as it goes: "58", "40,5".
QString shortNumber(double value, const QLocale& locale) {
    QString text = locale.toString(std::round(value * 100) / 100, 'f', 2);
    const QChar point = locale.decimalPoint().front();
    while (text.contains(point) && (text.endsWith(u'0') || text.endsWith(point)))
        text.chop(1);
    return text;
}

// "58×22 мм", "40 мм".
QString dieName(const Die& die, const QLocale& locale) {
    if (die.round)
        return shortNumber(die.widthMm, locale) + QStringLiteral(" мм");
    return QStringLiteral("%1×%2 мм").arg(shortNumber(die.widthMm, locale), shortNumber(die.heightMm, locale));
}

}  // namespace

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

QString problemText(const Finding& finding, const QLocale& locale) {
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
        case Problem::DieFit:
            return QStringLiteral("не помещается в оснастку %1").arg(dieName(finding.die, locale));
        case Problem::DieEdge:
            return QStringLiteral("ближе 0,5 мм к краю оснастки");
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
        case Problem::DieFit:
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

namespace {

// The size of the whole imprint, as the production window names its width.
QString sizeWord(StampKind kind) {
    switch (kind) {
        case StampKind::Round:
            return QStringLiteral("диаметр печати");
        case StampKind::Triangle:
            return QStringLiteral("размер печати");
        case StampKind::Rect:
            break;
    }
    return QStringLiteral("ширину штампа");
}

bool isOutline(ElementKind kind) {
    return kind == ElementKind::Ring || kind == ElementKind::Frame || kind == ElementKind::Contour ||
           kind == ElementKind::InnerLine;
}

// An outline as the thing whose width is meant: "1-й окр.", "Вн.линии".
QString outlineOf(StampKind kind, ElementTag element) {
    if (element.kind == ElementKind::Ring)
        return QStringLiteral("%1-й окр.").arg(element.index);
    if (element.kind == ElementKind::InnerLine)
        return QStringLiteral("Вн.линии");
    return elementName(kind, element);
}

// Millimetres with two digits, at least 0.01.
QString mm(double value, const QLocale& locale) {
    return locale.toString(std::max(value, 0.01), 'f', 2) + QStringLiteral(" мм");
}

// A width of the whole imprint, to half a millimetre: up from `widthMm`
// by `factor`, or down.
double widthBy(double widthMm, double factor, bool up) {
    const double halves = widthMm * factor * 2;
    const double rounded = up ? std::ceil(halves - 1e-6) : std::floor(halves + 1e-6);
    return std::max(rounded, 1.0) / 2;
}

}  // namespace

QString hint(StampKind kind, const Finding& finding, const QLocale& locale) {
    const QString element = elementName(kind, finding.element);
    const QString quoted = QStringLiteral("«%1»").arg(element);
    const ElementKind what = finding.element.kind;
    switch (finding.problem) {
        case Problem::ThinLine:
            if (isOutline(what)) {
                // A line's width is a whole number of preview pixels.
                const QString outline = outlineOf(kind, finding.element);
                if (!(finding.mmPerUnit > 0))
                    return QStringLiteral("увеличьте толщину %1").arg(outline);
                const int units = std::max(1, static_cast<int>(std::ceil(finding.limit / finding.mmPerUnit - 1e-6)));
                return QStringLiteral("увеличьте толщину %1 до %2").arg(outline).arg(units);
            }
            if (what == ElementKind::Emblem)
                return QStringLiteral("возьмите герб с линиями толще или увеличьте ") + sizeWord(kind);
            return QStringLiteral("выберите шрифт строки крупнее или полужирный");
        case Problem::NarrowGap:
            if (finding.other.kind != ElementKind::None)
                return QStringLiteral("раздвиньте %1 и «%2» ещё на %3")
                    .arg(quoted, elementName(kind, finding.other), mm(finding.limit - finding.measured, locale));
            if (what == ElementKind::Emblem)
                return QStringLiteral("возьмите герб с просветами шире или увеличьте ") + sizeWord(kind);
            if (isOutline(what))
                return QStringLiteral("увеличьте ") + sizeWord(kind);
            return QStringLiteral("увеличьте размер шрифта строки или выберите шрифт тоньше");
        case Problem::LowCapitals:
            if (finding.measured > 0 && finding.widthMm > 0)
                return QStringLiteral("увеличьте размер шрифта строки или %1 до %2 мм")
                    .arg(sizeWord(kind), shortNumber(widthBy(finding.widthMm, finding.limit / finding.measured, true),
                                                     locale));
            return QStringLiteral("увеличьте размер шрифта строки или ") + sizeWord(kind);
        case Problem::Touching:
            return QStringLiteral("раздвиньте %1 и «%2» или уменьшите шрифт строки")
                .arg(quoted, elementName(kind, finding.other));
        case Problem::CutByField:
            return QStringLiteral("сдвиньте %1 внутрь поля на %2").arg(quoted, mm(finding.measured, locale));
        case Problem::EmblemResolution:
            if (finding.measured > 0 && finding.widthMm > 0)
                return QStringLiteral("возьмите рисунок герба крупнее или уменьшите %1 до %2 мм")
                    .arg(sizeWord(kind), shortNumber(widthBy(finding.widthMm, finding.measured / finding.limit, false),
                                                     locale));
            return QStringLiteral("возьмите рисунок герба крупнее");
        case Problem::NoInk:
            return QStringLiteral("включите хотя бы один элемент и задайте ему текст");
        case Problem::EmblemUnreadable:
            switch (finding.emblemFile) {
                case EmblemFile::NotBitmap:
                    return QStringLiteral("укажите файл герба в формате bmp");
                case EmblemFile::TooLarge:
                    return QStringLiteral("уменьшите рисунок герба до %1 на %1 точек").arg(kMaxEmblemSide);
                case EmblemFile::Missing:
                case EmblemFile::Bitmap:
                    break;
            }
            return QStringLiteral("укажите файл герба или выключите герб");
        case Problem::FinerThanPixel: {
            // The resolution whose pixel is no wider than the line, in
            // whole hundreds.
            const int dpi = finding.measured > 0
                                ? static_cast<int>(std::ceil(kMmPerInch / finding.measured / 100 - 1e-9)) * 100
                                : 0;
            if (dpi > 0 && dpi <= output::kMaxDpi)
                return QStringLiteral("увеличьте разрешение до %1 dpi").arg(dpi);
            return QStringLiteral("сделайте линию толще или выберите «В цветах макета»");
        }
        case Problem::LettersOverlap:
            return QStringLiteral("увеличьте разрядку строки или уменьшите шрифт");
        case Problem::DieFit:
            return QStringLiteral("уменьшите %1 или сдвиньте внутрь на %2, либо возьмите оснастку больше")
                .arg(quoted, mm(finding.measured, locale));
        case Problem::DieEdge:
            return QStringLiteral("уменьшите %1 или сдвиньте внутрь на %2")
                .arg(quoted, mm(finding.limit - finding.measured, locale));
    }
    return QString();
}

}  // namespace qg::check
