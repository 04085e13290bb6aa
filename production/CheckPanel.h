#pragma once

// The production window's findings panel: the shop's limits and the
// findings of the manufacturing check, which runs off the interface thread.

#include "Check.h"

#include <QFutureWatcher>
#include <QGroupBox>

#include <memory>
#include <optional>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QSpinBox;

namespace qg {

// "Проверка для изготовления": the shop's limits, which the user may
// change and which are kept between runs, and the findings of the check
// of the shown imprint. The check runs on a worker thread; while it runs
// the latest request waits, and only its findings are shown.
class CheckPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit CheckPanel(QWidget* parent = nullptr);
    ~CheckPanel() override;

    const check::Limits& limits() const { return m_limits; }
    // Checks the design of `kind` drawn `widthMm` wide, for a 1-bit picture
    // at `pictureDpi` when that is above 0 (check::pictureDpi()). The
    // imprint's paths are the check's own: no other thread may draw or
    // measure them.
    // With a die that is not empty the ink is held to it too.
    void checkDesign(const StampDesigns& designs, StampKind kind,
                     std::shared_ptr<const output::Imprint> imprint, double widthMm, int pictureDpi = 0,
                     const check::Die& die = check::Die());
    // While an element is dragged the check waits: each step of the drag
    // would start one that the next step makes out of date, and it would
    // take the processor from drawing the drag. Let go, the check of the
    // last step asked for runs.
    void setHeld(bool held);
    // A check is running, waiting or held.
    bool busy() const { return m_running || m_waiting.has_value() || m_held.has_value(); }
    bool running() const { return m_running; }
    // The findings shown.
    const check::Report& report() const { return m_report; }
    // The line the list shows for a finding.
    static QString findingText(StampKind kind, const check::Finding& finding);
    // What the list shows for a finding: its line, and what to change on a
    // second line.
    static QString itemText(StampKind kind, const check::Finding& finding);

signals:
    // New findings are shown; their places, in preview units.
    void findingsShown(const std::vector<QRectF>& places);
    // The user picked a finding (-1: none).
    void findingChosen(int index);

private:
    struct Job {
        StampDesigns designs;
        StampKind kind = StampKind::Round;
        std::shared_ptr<const output::Imprint> imprint;
        double widthMm = 0;
        check::Limits limits;
        int pictureDpi = 0;
        check::Die die;
    };
    void start(Job job);
    void finished();
    void limitsEdited();
    // Puts the limits of the set chosen in the list into their fields.
    void limitSetChosen(int index);
    // Shows the set the limits are, or "Свои".
    void showLimitSet();

    check::Limits m_limits;
    check::Report m_report;
    StampKind m_shownKind = StampKind::Round;
    std::optional<Job> m_last;     // the latest request, for a change of the limits
    std::optional<Job> m_waiting;  // asked for while a check runs
    bool m_holding = false;
    std::optional<Job> m_held;  // asked for while the check is held
    StampKind m_runningKind = StampKind::Round;
    bool m_running = false;
    QFutureWatcher<check::Report> m_watcher;

    QComboBox* m_limitSet = nullptr;
    QDoubleSpinBox* m_minLine = nullptr;
    QDoubleSpinBox* m_safeLine = nullptr;
    QDoubleSpinBox* m_minGap = nullptr;
    QDoubleSpinBox* m_minCap = nullptr;
    QSpinBox* m_minDpi = nullptr;
    QListWidget* m_list = nullptr;
    QLabel* m_status = nullptr;
};

}  // namespace qg
