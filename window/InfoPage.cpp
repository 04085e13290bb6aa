#include "InfoPage.h"

#include "Artwork.h"

#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>

namespace qg {

InfoPage::InfoPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Page4"));

    auto* bevel = new QFrame(this);
    bevel->setObjectName(QStringLiteral("Page4Bevel"));
    bevel->setFrameShape(QFrame::Box);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setGeometry(16, 16, 353, 321);

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Page4Image"));
    picture->setGeometry(64, 50, 85, 120);
    picture->setPixmap(infoPicture());

    auto* maker = new QLabel(QStringLiteral("Fenbrooke"), this);
    maker->setObjectName(QStringLiteral("Page4Maker"));
    QFont makerFont(QStringLiteral("Courier New"));
    makerFont.setPixelSize(13);
    makerFont.setBold(true);
    makerFont.setItalic(true);
    maker->setFont(makerFont);
    maker->move(72, 176);
    maker->adjustSize();

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Page4Panel"));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setGeometry(159, 48, 162, 145);
    auto* layout = new QVBoxLayout(panel);
    layout->addStretch();
    auto* title = new QLabel(QStringLiteral("- = Quillgraver (v.1.1) = -"), panel);
    title->setObjectName(QStringLiteral("Page4Title"));
    title->setAlignment(Qt::AlignHCenter);
    QPalette blue = title->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    title->setPalette(blue);
    layout->addWidget(title);
    auto* name = new QLabel(QStringLiteral("Квиллгрейвер."), panel);
    name->setObjectName(QStringLiteral("Page4Name"));
    name->setAlignment(Qt::AlignHCenter);
    layout->addWidget(name);
    layout->addStretch();
}

}  // namespace qg
