#include "StampPages.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>

namespace qg {

namespace {

// One row of a contour or of the inner line: two points, a width, a colour.
struct SegmentRow {
    const char* key;  // "K1", "K2", "L1"
    QString caption;
    QString xHint;
    QString yHint;
};

}  // namespace

RectStampPage::RectStampPage(PageHost& host, RectStampParameters& stamp, QWidget* parent)
    : StampPageEditor(StampKind::Rect, host, stamp.lines, parent) {
    setObjectName(QStringLiteral("Page3"));

    const QString captions[] = {QStringLiteral("Первая строка"),    QStringLiteral("Вторая строка"),
                                QStringLiteral("Третья строка"),    QStringLiteral("Четвертая строка"),
                                QStringLiteral("Пятая строка"),     QStringLiteral("Шестая строка")};
    const int checkWidths[] = {145, 153, 153, 145, 145, 145};
    const int buttonTops[] = {23, 60, 100, 140, 180, 220};
    const int numberTops[] = {23, 63, 103, 141, 181, 221};
    for (int i = 0; i < 6; ++i)
        makePlacedRow(i, PlacedRow{QRect(8, 8 + 40 * i, checkWidths[i], 17), 24 + 40 * i, buttonTops[i],
                                   numberTops[i], captions[i]});

    const SegmentRow rows[] = {
        {"K1", QStringLiteral("1 контур"), QStringLiteral("X-координата диагонали"),
         QStringLiteral("Y-координата диагонали")},
        {"K2", QStringLiteral("2 контур"), QStringLiteral("X-координата диагонали"),
         QStringLiteral("Y-координата диагонали")},
        {"L1", QStringLiteral("Вн.линия"), QStringLiteral("X-координата"), QStringLiteral("Y-координата")},
    };
    SegmentSettings* segments[] = {&stamp.contours[0], &stamp.contours[1], &stamp.innerLine};
    for (int m = 1; m <= 3; ++m) {
        const SegmentRow& row = rows[m - 1];
        SegmentSettings& segment = *segments[m - 1];
        const QString prefix = QStringLiteral("Page3Edit") + QLatin1String(row.key);
        auto* box = new QGroupBox(this);
        box->setObjectName(QStringLiteral("Page3Box%1").arg(m));
        box->setGeometry(8, 248 + 40 * (m - 1), 313, 41);
        QCheckBox* check = makeCheck(box, QStringLiteral("Page3Box%1Check").arg(m), row.caption,
                                     QRect(8, 16, 65, 17), &segment.enabled);
        setDependents(check, {
            makeNumberEdit(box, prefix + QStringLiteral("X1"), QRect(82, 12, 28, 21), row.xHint, &segment.p1.x),
            makeNumberEdit(box, prefix + QStringLiteral("Y1"), QRect(114, 12, 28, 21), row.yHint, &segment.p1.y),
            makeNumberEdit(box, prefix + QStringLiteral("X2"), QRect(162, 12, 28, 21), row.xHint, &segment.p2.x),
            makeNumberEdit(box, prefix + QStringLiteral("Y2"), QRect(194, 12, 28, 21), row.yHint, &segment.p2.y),
            makeNumberEdit(box, prefix + QStringLiteral("W"), QRect(242, 12, 28, 21), QStringLiteral("Толщина линии"),
                           &segment.width),
            makeColourPanel(box, prefix + QStringLiteral("C"), QRect(274, 12, 28, 21), QStringLiteral("Цвет линии"),
                            &segment.color),
        });
    }
}

}  // namespace qg
