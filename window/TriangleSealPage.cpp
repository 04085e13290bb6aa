#include "StampPages.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>

namespace qg {

TriangleSealPage::TriangleSealPage(PageHost& host, TriangleSealParameters& seal, QWidget* parent)
    : StampPageEditor(StampKind::Triangle, host, seal.lines, parent) {
    setObjectName(QStringLiteral("Page2"));

    const PlacedRow rows[] = {
        {QRect(8, 8, 145, 17), 24, 23, 23, QStringLiteral("Текст по левой стороне")},
        {QRect(8, 48, 153, 17), 64, 60, 63, QStringLiteral("Текст по правой стороне")},
        {QRect(8, 88, 89, 17), 104, 100, 103, QStringLiteral("Текст снизу")},
        {QRect(8, 128, 145, 17), 144, 140, 141, QStringLiteral("Первая строка в центре")},
        {QRect(8, 168, 145, 17), 184, 180, 181, QStringLiteral("Вторая строка в центре")},
        {QRect(8, 208, 145, 17), 224, 220, 221, QStringLiteral("Третья строка в центре")},
    };
    for (int i = 0; i < 6; ++i)
        makePlacedRow(i, rows[i]);
    // The bottom line's edit is made with its caption; the defaults loaded
    // when the window first shows replace it.
    showTextQuietly(findChild<QLineEdit*>(QStringLiteral("Page2Edit3")), QStringLiteral("Текст снизу"));

    const int vertexLefts[] = {66, 98, 146, 178, 226, 258};
    for (int m = 1; m <= 3; ++m) {
        FrameSettings& frame = seal.frames[static_cast<std::size_t>(m - 1)];
        auto* box = new QGroupBox(this);
        box->setObjectName(QStringLiteral("Page2Box%1").arg(m));
        box->setGeometry(8, 248 + 40 * (m - 1), 377, 41);
        QCheckBox* check = makeCheck(box, QStringLiteral("Page2Box%1Check").arg(m), QStringLiteral("%1 тр-к").arg(m),
                                     QRect(8, 16, 57, 17), &frame.enabled);
        std::vector<QWidget*> dependents;
        for (int v = 0; v < 6; ++v) {
            const int vertex = v / 2 + 1;
            const bool isX = v % 2 == 0;
            Point& point = frame.vertex[static_cast<std::size_t>(v / 2)];
            const QString name = QStringLiteral("Page2EditL%1%2%3").arg(m).arg(QChar(isX ? u'X' : u'Y')).arg(vertex);
            dependents.push_back(makeNumberEdit(
                box, name, QRect(vertexLefts[v], 12, 28, 21),
                isX ? QStringLiteral("X-координата вершины") : QStringLiteral("Y-координата вершины"),
                isX ? &point.x : &point.y));
        }
        dependents.push_back(makeNumberEdit(box, QStringLiteral("Page2EditL%1W").arg(m), QRect(306, 12, 28, 21),
                                            QStringLiteral("Толщина линии"), &frame.width));
        dependents.push_back(makeColourPanel(box, QStringLiteral("Page2EditL%1C").arg(m), QRect(338, 12, 28, 21),
                                             QStringLiteral("Цвет линии"), &frame.color));
        setDependents(check, dependents);
    }
}

}  // namespace qg
