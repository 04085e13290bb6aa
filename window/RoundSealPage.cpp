#include "StampPages.h"

#include "Emblem.h"
#include "ProgramSettings.h"
#include "StampFile.h"

#include <algorithm>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace qg {

const QString RoundSealPage::kNoEmblemCaption = QStringLiteral("   Файл не задан");

namespace {

// Values below this in a ring text's radius or a centre line's position are
// stored without a repaint: they are usually a number still being typed.
constexpr std::int32_t kPositionThreshold = 11;

QGroupBox* makeBox(QWidget* parent, const QString& name, const QRect& geometry) {
    auto* box = new QGroupBox(parent);
    box->setObjectName(name);
    box->setGeometry(geometry);
    return box;
}

}  // namespace

RoundSealPage::RoundSealPage(PageHost& host, RoundSealParameters& seal, QWidget* parent)
    : StampPageEditor(StampKind::Round, host, seal.lines, parent), m_seal(seal) {
    setObjectName(QStringLiteral("Page1"));

    const QString ringCaptions[] = {QStringLiteral("Первая строка по окружности"),
                                    QStringLiteral("Вторая строка по окружности"),
                                    QStringLiteral("Третья строка по окружности")};
    const int ringButtonTops[] = {23, 60, 100};
    for (int i = 0; i < 3; ++i) {
        const int n = i + 1;
        TextLineSettings& line = m_seal.lines[static_cast<std::size_t>(i)];
        QCheckBox* check =
            makeCheck(this, controlName("Check", n), ringCaptions[i], QRect(8, 8 + 40 * i, 177, 17), &line.enabled);
        QLineEdit* edit = makeTextEdit(this, controlName("Edit", n), QRect(8, 24 + 40 * i, 201, 21), &line.text);
        QPushButton* button = makeFontButton(this, controlName("Button", n), QRect(216, ringButtonTops[i], 65, 25), i);
        QLineEdit* r = makeNumberEdit(this, controlName("EditR", n), QRect(322, 23 + 40 * i, 28, 21),
                                      QStringLiteral("Радиус окружности"), &line.radius, kPositionThreshold);
        QLineEdit* a = makeNumberEdit(this, controlName("EditA", n), QRect(354, 23 + 40 * i, 28, 21),
                                      QStringLiteral("Угол поворота"), &line.angle);
        setDependents(check, {edit, button, r, a});
    }

    const QString centreCaptions[] = {QStringLiteral("Первая строка в центре"),
                                      QStringLiteral("Вторая строка в центре"),
                                      QStringLiteral("Третья строка в центре")};
    for (int i = 3; i < 6; ++i) {
        const int n = i + 1;
        const int k = i - 3;
        TextLineSettings& line = m_seal.lines[static_cast<std::size_t>(i)];
        QCheckBox* check = makeCheck(this, controlName("Check", n), centreCaptions[k],
                                     QRect(8, 128 + 40 * k, 145, 17), &line.enabled);
        QLineEdit* edit = makeTextEdit(this, controlName("Edit", n), QRect(8, 144 + 40 * k, 201, 21), &line.text);
        QPushButton* button = makeFontButton(this, controlName("Button", n), QRect(216, 140 + 40 * k, 65, 25), i);
        const int top = 141 + 40 * k;
        QLineEdit* x = makeNumberEdit(this, controlName("EditX", n), QRect(290, top, 28, 21),
                                      QStringLiteral("X-координата"), &line.x, kPositionThreshold);
        QLineEdit* y = makeNumberEdit(this, controlName("EditY", n), QRect(322, top, 28, 21),
                                      QStringLiteral("Y-координата"), &line.y, kPositionThreshold);
        QLineEdit* a = makeNumberEdit(this, controlName("EditA", n), QRect(354, top, 28, 21),
                                      QStringLiteral("Угол поворота"), &line.angle);
        setDependents(check, {edit, button, x, y, a});
    }

    const int boxLefts[] = {8, 96, 184};
    const int boxWidths[] = {80, 80, 81};
    for (int m = 1; m <= 3; ++m) {
        RingSettings& ring = m_seal.rings[static_cast<std::size_t>(m - 1)];
        const QString prefix = QStringLiteral("Page1Box%1").arg(m);
        QGroupBox* box = makeBox(this, prefix, QRect(boxLefts[m - 1], 256, boxWidths[m - 1], 107));
        QCheckBox* check = makeCheck(box, prefix + QStringLiteral("Check"), QStringLiteral("%1-я окр.").arg(m),
                                     QRect(8, 0, boxWidths[m - 1] - 12, 17), &ring.enabled);
        makeLabel(box, prefix + QStringLiteral("Label1"), QStringLiteral("S=            px"), QPoint(8, 24));
        QLineEdit* width = makeNumberEdit(box, prefix + QStringLiteral("Edit1"), QRect(26, 21, 28, 21),
                                          QStringLiteral("Толщина линии"), &ring.width);
        makeLabel(box, prefix + QStringLiteral("Label2"), QStringLiteral("R=            px"), QPoint(8, 56));
        QLineEdit* radius = makeNumberEdit(box, prefix + QStringLiteral("Edit2"), QRect(26, 53, 28, 21),
                                           QStringLiteral("Радиус окружности"), &ring.radius);
        QLabel* colourLabel = makeLabel(box, prefix + QStringLiteral("Label3"), QStringLiteral("Цвет"), QPoint(8, 84));
        ColourPanel* panel =
            makeColourPanel(box, prefix + QStringLiteral("Button1"), QRect(41, 77, 31, 22), QString(), &ring.color);
        setDependents(check, {width, radius, colourLabel, panel});
    }

    QGroupBox* box = makeBox(this, QStringLiteral("Page1Box4"), QRect(272, 256, 113, 107));
    m_emblemBox = box;
    QCheckBox* check = makeCheck(box, QStringLiteral("Page1Box4Check"), QStringLiteral("Герб"), QRect(8, 0, 60, 17),
                                 &m_seal.emblem.enabled);
    QLabel* xyLabel =
        makeLabel(box, QStringLiteral("Page1Box4Label1"), QStringLiteral("x=             y="), QPoint(8, 24));
    QLineEdit* x = makeNumberEdit(box, QStringLiteral("Page1Box4Edit1"), QRect(26, 21, 28, 21),
                                  QStringLiteral("Х-коорд. верхнего левого угла"), &m_seal.emblem.x);
    QLineEdit* y = makeNumberEdit(box, QStringLiteral("Page1Box4Edit2"), QRect(74, 21, 28, 21),
                                  QStringLiteral("Y-коорд. верхнего левого угла"), &m_seal.emblem.y);
    m_emblemLabel = new QLabel(kNoEmblemCaption, box);
    m_emblemLabel->setObjectName(QStringLiteral("Page1Box4Label2"));
    m_emblemLabel->setGeometry(8, 52, 97, 13);
    auto* open = new QPushButton(QStringLiteral("Открыть ..."), box);
    open->setObjectName(QStringLiteral("Page1Box4Button1"));
    open->setGeometry(8, 76, 97, 25);
    m_emblemOpen = open;
    connect(open, &QPushButton::clicked, this, &RoundSealPage::Page1Box4Button1Click);
    setDependents(check, {x, y, xyLabel, m_emblemLabel, open});
}

QString fileNameOfPath(const QString& path) {
    return path.mid(std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\'))) + 1);
}

void RoundSealPage::showEmblemFileName(const QString& path) {
    m_emblemLabel->setText(path.isEmpty() ? kNoEmblemCaption : fileNameOfPath(path).left(14));
}

void RoundSealPage::Page1Box4Button1Click() {
    Dialogs& dialogs = m_host.dialogs();
    const QString path = dialogs.openFileName(
        FileDialogRequest{QString(), startFolder(FileKind::Emblem), QStringLiteral("Bmp-файлы (*.bmp)"), QString()});
    if (path.isEmpty())
        return;
    rememberFolder(FileKind::Emblem, path);
    setEmblemFile(path);
}

bool RoundSealPage::takesEmblemFile() const {
    return m_emblemOpen->isEnabled();
}

void RoundSealPage::setEmblemFile(const QString& path) {
    Dialogs& dialogs = m_host.dialogs();
    const QString extension = io::fileExtension(path);
    if (extension != QLatin1String(".BMP") && extension != QLatin1String(".bmp")) {
        dialogs.message(MessageIcon::Error, QStringLiteral("Предупреждение."),
                        QStringLiteral("Расширение файла должно быть bmp !"));
        return;
    }
    // The path is saved with the design in Windows-1251: a path it cannot
    // hold, or whose control characters it writes as blanks, would come
    // back from the file as another, missing file.
    if (!io::keptByDesignFile(path)) {
        dialogs.message(MessageIcon::Error, QStringLiteral("Предупреждение."),
                        QStringLiteral("Путь к файлу содержит символы, которые нельзя сохранить в файле qgr !"));
        return;
    }
    switch (examineEmblemFile(path)) {
        case EmblemFile::Bitmap:
            break;
        case EmblemFile::TooLarge:
            dialogs.message(MessageIcon::Error, QStringLiteral("Предупреждение."),
                            QStringLiteral("Рисунок больше 4096 на 4096 точек !"));
            return;
        case EmblemFile::Missing:
        case EmblemFile::NotBitmap:
            dialogs.message(MessageIcon::Error, QStringLiteral("Предупреждение."),
                            QStringLiteral("Файл не является рисунком bmp !"));
            return;
    }
    m_seal.emblem.path = path;
    showEmblemFileName(path);
    m_host.settingChanged(StampKind::Round);
}

}  // namespace qg
