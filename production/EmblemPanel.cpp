#include "EmblemPanel.h"

#include "Named.h"
#include "ProgramSettings.h"
#include "StampFile.h"

#include <QBuffer>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace qg {

namespace {

// The seal's centre, in preview units: the middle of the pixel the rings
// are drawn round.
constexpr double kCentre = 100.5;

// The lines that carry a picture in the design file: its name, then the
// base64 of its bytes in lines of at most this many characters.
const QByteArray kNameKey = QByteArrayLiteral("EmblemName: ");
const QByteArray kDataKey = QByteArrayLiteral("EmblemData: ");
constexpr std::int64_t kBase64Line = 76;

// The file the emblem is drawn from: the picture of any kind when one is
// set, else the bitmap of the fixed lines.
QString drawnFile(const EmblemSettings& emblem) {
    return emblem.file.isEmpty() ? emblem.path : emblem.file;
}

QString fileNameOf(const QString& path) {
    return path.mid(std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\')) + 1);
}

std::int64_t carriedSize(const QString& name, std::int64_t bytes) {
    const std::int64_t base64 = (bytes + 2) / 3 * 4;
    const std::int64_t lines = (base64 + kBase64Line - 1) / kBase64Line;
    return kNameKey.size() + io::toCp1251(name).size() + 2 + lines * (kDataKey.size() + 2) + base64;
}

// The design's size without any copy it carries now.
std::int64_t sizeWithoutCopy(const RoundSealParameters& seal) {
    RoundSealParameters bare = seal;
    bare.emblem.embeddedName.clear();
    bare.emblem.embeddedData.clear();
    return io::writtenSize(bare);
}

}  // namespace

bool isEmblemPicture(const QString& path) {
    static const QStringList kinds = {QStringLiteral(".svg"), QStringLiteral(".png"), QStringLiteral(".jpg"),
                                      QStringLiteral(".jpeg"), QStringLiteral(".bmp")};
    return kinds.contains(io::fileExtension(path).toLower());
}

std::optional<QString> droppedEmblemFile(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().size() != 1)
        return std::nullopt;
    const QUrl url = data->urls().constFirst();
    if (!url.isLocalFile())
        return std::nullopt;
    const QString path = url.toLocalFile();
    if (!isEmblemPicture(path) || !QFileInfo(path).isFile())
        return std::nullopt;
    return path;
}

QSize emblemNaturalSize(const EmblemSettings& emblem) {
    const QString file = drawnFile(emblem);
    if (!file.isEmpty() && QFileInfo(file).isFile()) {
        QImageReader reader(file);
        const QSize size = reader.size();
        if (size.isValid())
            return size;
    }
    if (emblem.embeddedData.isEmpty())
        return QSize();
    QBuffer buffer;
    buffer.setData(emblem.embeddedData);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, QFileInfo(emblem.embeddedName).suffix().toLower().toLatin1());
    return reader.size();
}

std::optional<EmblemFit> fitInsideInnerRing(const RoundSealParameters& seal, QSize natural) {
    if (natural.width() <= 0 || natural.height() <= 0)
        return std::nullopt;
    std::optional<double> inner;  // the inner edge of the innermost ring
    for (const RingSettings& ring : seal.rings) {
        if (!ring.enabled || ring.radius <= 0)
            continue;
        const double edge = ring.radius - std::max(ring.width, 0) / 2.0;
        inner = inner ? std::min(*inner, edge) : edge;
    }
    if (!inner)
        return std::nullopt;
    const double room = *inner - kEmblemRingMargin;
    // The picture's corners on the circle of that radius.
    const double aspect = double(natural.height()) / natural.width();
    const double widest = 2 * room / std::sqrt(1 + aspect * aspect);
    const auto width = static_cast<std::int32_t>(std::floor(std::min<double>(widest, kMaxEmblemWidth)));
    if (width < 1)
        return std::nullopt;
    return EmblemFit{width, static_cast<std::int32_t>(std::lround(kCentre - 0.5 - width / 2.0)),
                     static_cast<std::int32_t>(std::lround(kCentre - 0.5 - width * aspect / 2.0))};
}

std::int64_t designSizeCarrying(const RoundSealParameters& seal, const QString& name,
                                const QByteArray& data) {
    RoundSealParameters carrying = seal;
    carrying.emblem.embeddedName = name;
    carrying.emblem.embeddedData = data;
    return io::writtenSize(carrying);
}

bool fitsDesignFile(const RoundSealParameters& seal, const QString& name, const QByteArray& data) {
    RoundSealParameters carrying = seal;
    carrying.emblem.embeddedName = name;
    carrying.emblem.embeddedData = data;
    return io::fitsInDesignFile(carrying);
}

EmblemPanel::EmblemPanel(DesignSession& session, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), m_session(session), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("EmblemSettings"));
    m_file = named(new QLabel(this), "EmblemFileLabel", QStringLiteral("Файл, из которого рисуется герб"));
    m_file->setWordWrap(true);
    m_choose = named(new QPushButton(QStringLiteral("Файл…"), this), "EmblemFileButton",
                     QStringLiteral("Выбрать рисунок герба: SVG, PNG, JPEG или BMP. Файл можно и перетащить "
                                    "на оттиск или сюда"));
    m_width = named(new QSpinBox(this), "EmblemWidthEdit",
                    QStringLiteral("Ширина герба в точках предпросмотра, высота по пропорциям рисунка; "
                                   "«как есть»: точка рисунка на точку предпросмотра"));
    m_width->setRange(0, kMaxEmblemWidth);
    m_width->setSpecialValueText(QStringLiteral("как есть"));
    m_width->setSuffix(QStringLiteral(" тчк"));
    m_widthMm = named(new QDoubleSpinBox(this), "EmblemWidthMmEdit",
                      QStringLiteral("Та же ширина в миллиметрах при нынешней ширине оттиска"));
    m_widthMm->setDecimals(1);
    m_widthMm->setSingleStep(0.5);
    m_widthMm->setSpecialValueText(QStringLiteral("как есть"));
    m_widthMm->setSuffix(QStringLiteral(" мм"));
    m_fit = named(new QPushButton(QStringLiteral("по размеру внутреннего кольца"), this), "EmblemFitButton",
                  QStringLiteral("Вписать герб с небольшим зазором во внутреннее из включённых колец и "
                                 "поставить его в середину печати"));
    m_asBefore = named(new QCheckBox(QStringLiteral("как раньше"), this), "EmblemThresholdDefaultCheck",
                       QStringLiteral("Краска — каждая точка рисунка, цвет которой не цвет фона печати"));
    m_threshold = named(new QSlider(Qt::Horizontal, this), "EmblemThresholdSlider",
                        QStringLiteral("Точки рисунка темнее этого уровня серого — краска, светлее — фон"));
    m_threshold->setRange(0, 255);
    m_threshold->setPageStep(16);
    m_thresholdEdit =
        named(new QSpinBox(this), "EmblemThresholdEdit",
              QStringLiteral("Уровень серого от 0 (чёрный) до 255 (белый), что делит краску и фон"));
    m_thresholdEdit->setRange(0, 255);
    m_threshold->setValue(kMiddleEmblemThreshold);
    m_thresholdEdit->setValue(kMiddleEmblemThreshold);
    m_embed = named(new QCheckBox(QStringLiteral("Встроить в файл макета"), this), "EmblemEmbedCheck",
                    QStringLiteral("Сохранять рисунок герба в самом файле макета, чтобы макет открывался "
                                   "целым и там, где файла герба нет"));
    // A number typed in is taken once, when it is confirmed.
    for (QAbstractSpinBox* edit :
         std::initializer_list<QAbstractSpinBox*>{m_width, m_widthMm, m_thresholdEdit})
        edit->setKeyboardTracking(false);

    auto* form = new QFormLayout(this);
    form->setContentsMargins(0, 0, 0, 0);
    const auto row = [form](const QString& caption, QWidget* field) { addLabelledRow(form, caption, field); };
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(m_file, 1);
    fileRow->addWidget(m_choose);
    form->addRow(new QLabel(QStringLiteral("Рисунок:")), fileRow);
    auto* widths = new QHBoxLayout;
    widths->addWidget(m_width);
    widths->addWidget(m_widthMm);
    auto* widthLabel = new QLabel(QStringLiteral("&Ширина:"));
    widthLabel->setBuddy(m_width);
    form->addRow(widthLabel, widths);
    form->addRow(m_fit);
    auto* threshold = new QHBoxLayout;
    threshold->addWidget(m_threshold, 1);
    threshold->addWidget(m_thresholdEdit);
    row(QStringLiteral("Поро&г:"), m_asBefore);
    form->addRow(threshold);
    form->addRow(m_embed);

    connect(m_choose, &QPushButton::clicked, this, &EmblemPanel::chooseFile);
    connect(m_width, &QSpinBox::valueChanged, this, &EmblemPanel::widthTyped);
    connect(m_widthMm, &QDoubleSpinBox::valueChanged, this, [this](double mm) {
        if (m_mmPerUnit > 0)
            widthTyped(static_cast<int>(std::clamp<long>(std::lround(mm / m_mmPerUnit), 0, kMaxEmblemWidth)));
    });
    connect(m_fit, &QPushButton::clicked, this, &EmblemPanel::fitToRing);
    connect(m_asBefore, &QCheckBox::toggled, this, [this](bool on) {
        thresholdSet(on ? kDefaultEmblemThreshold : m_thresholdEdit->value(), nullptr);
    });
    // The moves of one drag of the slider are one step.
    connect(m_threshold, &QSlider::valueChanged, this,
            [this](int level) { thresholdSet(level, m_threshold->isSliderDown() ? m_threshold : nullptr); });
    connect(m_threshold, &QSlider::sliderReleased, this, [this] { m_session.endGesture(); });
    connect(m_thresholdEdit, &QSpinBox::valueChanged, this,
            [this](int level) { thresholdSet(level, nullptr); });
    connect(m_embed, &QCheckBox::toggled, this, &EmblemPanel::embedToggled);
    showEmblem();
}

const EmblemSettings& EmblemPanel::emblem() const {
    return m_session.designs().round.emblem;
}

void EmblemPanel::showEmblem() {
    const EmblemSettings& e = emblem();
    const QString file = drawnFile(e);
    QString shown;
    if (file.isEmpty())
        shown = e.embeddedData.isEmpty() ? QStringLiteral("Файл не задан")
                                         : e.embeddedName + QStringLiteral(" (из файла макета)");
    else if (QFileInfo(file).isFile())
        shown = fileNameOf(file);
    else if (!e.embeddedData.isEmpty())
        shown = fileNameOf(file) + QStringLiteral(" (нет файла, взят из файла макета)");
    else
        shown = fileNameOf(file) + QStringLiteral(" (файл не найден)");
    m_file->setText(shown);
    m_file->setToolTip(file.isEmpty() ? QStringLiteral("Файл, из которого рисуется герб") : file);

    const bool threshold = e.threshold >= 0 && e.threshold <= 255;
    {
        const QSignalBlocker b1(m_width), b2(m_widthMm), b3(m_asBefore), b4(m_threshold), b5(m_thresholdEdit),
            b6(m_embed);
        m_width->setValue(std::clamp(e.width, 0, kMaxEmblemWidth));
        m_widthMm->setRange(0, kMaxEmblemWidth * m_mmPerUnit);
        m_widthMm->setValue(m_width->value() * m_mmPerUnit);
        m_asBefore->setChecked(!threshold);
        // Off, the slider keeps the level last chosen, to start from.
        if (threshold) {
            m_threshold->setValue(e.threshold);
            m_thresholdEdit->setValue(e.threshold);
        }
        m_embed->setChecked(!e.embeddedData.isEmpty());
    }
    m_widthMm->setEnabled(m_mmPerUnit > 0);
    m_threshold->setEnabled(threshold);
    m_thresholdEdit->setEnabled(threshold);
    const bool picture = !file.isEmpty() || !e.embeddedData.isEmpty();
    const auto& rings = m_session.designs().round.rings;
    m_fit->setEnabled(picture && std::any_of(std::begin(rings), std::end(rings), [](const RingSettings& r) {
                          return r.enabled && r.radius > 0;
                      }));
    m_embed->setEnabled(picture);
}

void EmblemPanel::setMillimetresPerUnit(double mm) {
    mm = std::isfinite(mm) && mm > 0 ? mm : 0;
    if (mm == m_mmPerUnit)
        return;
    m_mmPerUnit = mm;
    showEmblem();
}

void EmblemPanel::takeDropsOn(QWidget* target) {
    target->setAcceptDrops(true);
    target->installEventFilter(this);
}

bool EmblemPanel::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            // Anything else is refused: the pointer shows that nothing
            // would be taken.
            if (m_dropsAccepted && droppedEmblemFile(drag->mimeData()))
                drag->acceptProposedAction();
            else
                drag->ignore();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const std::optional<QString> path =
                m_dropsAccepted ? droppedEmblemFile(drop->mimeData()) : std::nullopt;
            if (path && takeFile(*path))
                drop->acceptProposedAction();
            else
                drop->ignore();
            return true;
        }
        default:
            return QWidget::eventFilter(watched, event);
    }
}

void EmblemPanel::chooseFile() {
    const QString path = m_dialogs.openFileName(FileDialogRequest{
        QStringLiteral("Рисунок герба"), startFolder(FileKind::Emblem),
        QStringLiteral("Изображения (*.svg *.png *.jpg *.jpeg *.bmp);;Все файлы (*.*)"), QString()});
    if (path.isEmpty())
        return;
    rememberFolder(FileKind::Emblem, path);
    takeFile(path);
}

bool EmblemPanel::takeFile(const QString& path) {
    if (!isEmblemPicture(path)) {
        m_dialogs.message(MessageIcon::Error, QStringLiteral("Предупреждение."),
                          QStringLiteral("Расширение файла должно быть svg, png, jpg, jpeg или bmp !"));
        return false;
    }
    EmblemSettings changed = emblem();
    changed.enabled = true;
    changed.file = QFileInfo(path).absoluteFilePath();
    // A design that carries its emblem carries the new one.
    if (!changed.embeddedData.isEmpty()) {
        changed.embeddedName.clear();
        changed.embeddedData.clear();
        if (const std::optional<QByteArray> bytes = bytesToCarry(changed, changed.file)) {
            changed.embeddedName = fileNameOf(changed.file);
            changed.embeddedData = *bytes;
        }
    }
    edit(changed);
    emit fileTaken();
    return true;
}

void EmblemPanel::edit(const EmblemSettings& changed, const void* gesture) {
    if (!(changed == emblem())) {
        StampDesigns edited = m_session.designs();
        edited.round.emblem = changed;
        m_session.applyEdit(StampKind::Round, edited, gesture);
    }
    showEmblem();
}

void EmblemPanel::widthTyped(int pixels) {
    EmblemSettings changed = emblem();
    changed.width = pixels;
    edit(changed);
}

void EmblemPanel::fitToRing() {
    const EmblemSettings& e = emblem();
    const QSize natural = emblemNaturalSize(e);
    if (!natural.isValid()) {
        m_dialogs.message(MessageIcon::Error, QStringLiteral("Предупреждение"),
                          QStringLiteral("Не удалось прочитать размеры рисунка герба !"));
        return;
    }
    const std::optional<EmblemFit> fit = fitInsideInnerRing(m_session.designs().round, natural);
    if (!fit) {
        m_dialogs.message(MessageIcon::Error, QStringLiteral("Предупреждение"),
                          QStringLiteral("Внутри включённых колец нет места для герба !"));
        return;
    }
    EmblemSettings changed = e;
    changed.width = fit->width;
    changed.x = fit->x;
    changed.y = fit->y;
    edit(changed);
}

void EmblemPanel::thresholdSet(int level, const void* gesture) {
    EmblemSettings changed = emblem();
    changed.threshold = level;
    edit(changed, gesture);
}

std::optional<QByteArray> EmblemPanel::bytesToCarry(const EmblemSettings& e, const QString& path) {
    const QString name = fileNameOf(path);
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile()) {
        m_dialogs.message(MessageIcon::Error, QStringLiteral("Предупреждение"),
                          QStringLiteral("Файл герба не найден, встроить нечего !"));
        return std::nullopt;
    }
    RoundSealParameters seal = m_session.designs().round;
    seal.emblem = e;
    const auto refuse = [&](std::int64_t size) {
        m_dialogs.message(
            MessageIcon::Error, QStringLiteral("Предупреждение"),
            QStringLiteral("Рисунок герба %1 слишком велик, чтобы встроить его: файл макета занял бы %2 КБ, "
                           "а больше %3 КБ он быть не может. Возьмите рисунок поменьше или храните его рядом "
                           "с макетом.")
                .arg(name)
                .arg((size + 1023) / 1024)
                .arg(io::kMaxDesignFileSize / 1024));
    };
    // A file too large is refused before it is read.
    const std::int64_t expected = sizeWithoutCopy(seal) + carriedSize(name, info.size());
    if (expected > io::kMaxDesignFileSize) {
        refuse(expected);
        return std::nullopt;
    }
    QByteArray bytes;
    QString error;
    if (!io::readWholeFile(path, bytes, error)) {
        m_dialogs.message(MessageIcon::Error, QStringLiteral("Ошибка"),
                          QStringLiteral("Не удалось прочитать файл герба\n%1\n\n%2").arg(path, error));
        return std::nullopt;
    }
    if (!fitsDesignFile(seal, name, bytes)) {
        refuse(designSizeCarrying(seal, name, bytes));
        return std::nullopt;
    }
    return bytes;
}

void EmblemPanel::embedToggled(bool on) {
    EmblemSettings changed = emblem();
    if (on) {
        const QString file = drawnFile(changed);
        const std::optional<QByteArray> bytes = bytesToCarry(changed, file);
        if (!bytes) {
            showEmblem();  // the box goes back off
            return;
        }
        changed.embeddedName = fileNameOf(file);
        changed.embeddedData = *bytes;
    } else {
        changed.embeddedName.clear();
        changed.embeddedData.clear();
    }
    edit(changed);
}

}  // namespace qg
