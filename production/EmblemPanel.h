#pragma once

// The round seal's emblem in the production window: its picture file, the
// width it is drawn at, the grey level that divides its ink from paper and
// whether the design file carries the picture. Every change is one step of
// the round seal's history.

#include "DesignSession.h"
#include "Dialogs.h"
#include "Parameters.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <optional>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QMimeData;
class QPushButton;
class QSlider;
class QSpinBox;

namespace qg {

// The widest an emblem may be set, in preview pixels: five times the field.
inline constexpr int kMaxEmblemWidth = 990;
// The room left between the emblem and the inner edge of the ring it is
// fitted into, in preview pixels.
inline constexpr double kEmblemRingMargin = 3;
// The grey level a threshold starts from when "как раньше" is turned off.
inline constexpr int kMiddleEmblemThreshold = 128;

// Whether the file is a picture the emblem can be drawn from: SVG, PNG,
// JPEG or BMP, told by its extension.
bool isEmblemPicture(const QString& path);
// The one local picture file a drag brings, if it brings exactly one.
std::optional<QString> droppedEmblemFile(const QMimeData* data);

// The size of the emblem's picture, in its own pixels: from its file, else
// from the copy the design carries. Invalid when neither can be read.
QSize emblemNaturalSize(const EmblemSettings& emblem);

// The emblem's width and place that fit it, centred, inside the innermost
// enabled ring with kEmblemRingMargin to spare, for a picture of the given
// size; nothing when no ring leaves room or the size is unknown.
struct EmblemFit {
    std::int32_t width = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
};
std::optional<EmblemFit> fitInsideInnerRing(const RoundSealParameters& seal, QSize natural);

// How many bytes the round seal's design file takes when it carries
// `data` as the emblem named `name`: its lines as now written, and the copy
// in lines of base64 after its name.
std::int64_t designSizeCarrying(const RoundSealParameters& seal, const QString& name, const QByteArray& data);
bool fitsDesignFile(const RoundSealParameters& seal, const QString& name, const QByteArray& data);

class EmblemPanel : public QWidget {
    Q_OBJECT
public:
    EmblemPanel(DesignSession& session, Dialogs& dialogs, QWidget* parent = nullptr);

    // Puts the round seal's emblem, as the session holds it, into the controls.
    void showEmblem();
    // Millimetres per preview pixel at the window's present width (0: no
    // imprint to measure by).
    void setMillimetresPerUnit(double mm);
    double millimetresPerUnit() const { return m_mmPerUnit; }
    // Pictures dropped on `target` are taken as the emblem while drops are
    // accepted (the round seal is shown).
    void takeDropsOn(QWidget* target);
    void setDropsAccepted(bool accepted) { m_dropsAccepted = accepted; }

    // "Файл…": asks for a picture and takes it.
    void chooseFile();
    // Takes the picture as the emblem, turning it on: one step. A picture
    // of another kind is refused and nothing changes.
    bool takeFile(const QString& path);

signals:
    // A picture was taken as the emblem.
    void fileTaken();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const EmblemSettings& emblem() const;
    // One step of the round seal's history (or a move of the gesture).
    void edit(const EmblemSettings& changed, const void* gesture = nullptr);
    void widthTyped(int pixels);
    void fitToRing();
    void thresholdSet(int level, const void* gesture);
    void embedToggled(bool on);
    // The picture's bytes for the design to carry, or nothing with the
    // user told why.
    std::optional<QByteArray> bytesToCarry(const EmblemSettings& emblem, const QString& path);

    DesignSession& m_session;
    Dialogs& m_dialogs;
    double m_mmPerUnit = 0;
    bool m_dropsAccepted = true;

    QLabel* m_file = nullptr;
    QPushButton* m_choose = nullptr;
    QSpinBox* m_width = nullptr;
    QDoubleSpinBox* m_widthMm = nullptr;
    QPushButton* m_fit = nullptr;
    QCheckBox* m_asBefore = nullptr;
    QSlider* m_threshold = nullptr;
    QSpinBox* m_thresholdEdit = nullptr;
    QCheckBox* m_embed = nullptr;
};

}  // namespace qg
