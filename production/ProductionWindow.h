#pragma once

// The production window: the imprint at its true size, its export and print,
// and the manufacturing check, for the main window's design as it changes.

#include "DesignSession.h"
#include "Dialogs.h"
#include "Export.h"
#include "ImprintView.h"
#include "Parameters.h"
#include "Profiles.h"

#include <QDateTime>
#include <QFutureWatcher>
#include <QWidget>

#include <array>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFormLayout;
class QLabel;
class QPrinter;
class QPushButton;
class QSpinBox;

namespace qg {

class CheckPanel;
class ElementPanel;
using ViewInkKeeper = ViewInk::EmblemKeeper;

// "Макет для изготовления": the imprint of the main window's active kind
// at its true size, the settings of its files, their export and print, and
// the manufacturing check. It follows every repaint of the main window.
//
// The imprint is made on a worker thread, one at a time: a design that
// changes while one is being made waits, and only its latest state is made
// next. An imprint is kept per kind and made again only when the kind's
// design (or its emblem file) has changed.
class ProductionWindow : public QWidget {
    Q_OBJECT
public:
    ProductionWindow(DesignSession& session, Dialogs& dialogs, QWidget* parent = nullptr);
    ~ProductionWindow() override;

    StampKind kind() const { return m_kind; }
    // The settings of the shown kind, as its controls hold them.
    const output::Settings& settings() const { return m_settings[static_cast<std::size_t>(m_kind)]; }
    // The imprint of the main window's design as it now stands: one still
    // being made is waited for.
    const output::Imprint& imprint();
    // An imprint is being made, or waits to be.
    bool imprintPending() const { return m_making.has_value(); }
    ImprintView* view() const { return m_view; }
    CheckPanel* checkPanel() const { return m_check; }
    ElementPanel* elementPanel() const { return m_element; }

    // The profile chosen for the shown kind, while its settings follow it.
    std::optional<output::Profile> profile() const { return m_profiles[static_cast<std::size_t>(m_kind)]; }

    // "Экспорт…", "Экспорт всех видов…", "Печать…" and "Просмотр…".
    void exportImprint();
    // Every kind that has ink, each at its own width and otherwise with the
    // shown kind's settings, into a folder the user chooses.
    void exportAllKinds();
    void printImprint(bool preview);
    // The round seal's width, as the main window made its design for it.
    void setRoundSealWidth(double widthMm);
    // The file name the export offers: the design's name, or the kind's,
    // with the width and the resolution.
    QString defaultExportName() const;

    // Draws the imprint at its true size in the middle of the printer's
    // paper; false when the printer cannot be drawn on.
    static bool printPage(QPrinter& printer, const output::Imprint& imprint, const output::Settings& settings);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // What an imprint is made from: the design of a kind, and the emblem
    // file's size and time as the design was taken.
    struct Source {
        StampKind kind = StampKind::Round;
        StampDesigns designs;
        qint64 emblemSize = -1;
        QDateTime emblemTime;
        bool operator==(const Source& other) const;
    };
    // An imprint made ready off the interface thread, with copies of its
    // paths that the check and the view draw on their own threads.
    struct Made {
        Source source;
        std::shared_ptr<const output::Imprint> imprint;
        std::shared_ptr<const output::Imprint> checked;
        std::shared_ptr<const ViewInk> ink;
    };
    static Made make(const Source& source, ViewInkKeeper& keeper);

    // Takes the main window's active kind and its design afresh.
    void followMainWindow();
    void startMaking(const Source& source);
    void imprintMade();
    // Shows a made imprint and checks it.
    void adopt(const Made& made);
    // Waits for the imprint of the latest design.
    void settle();
    // Checks the shown imprint at the chosen width, off the interface thread.
    void runCheck();
    void showKindSettings();
    void settingsEdited();
    void showFileSettings(const output::Settings& s);
    void profileChosen(int index);
    // The standard sizes of the shown kind, the one the width and the die
    // make chosen ("свой размер" when none).
    void showSizeChoice();
    void sizeChosen(int index);
    void updateControls();
    void saveGeometryNow();

    DesignSession& m_session;
    Dialogs& m_dialogs;
    StampKind m_kind = StampKind::Round;
    std::array<output::Settings, kKindCount> m_settings;
    std::array<std::optional<output::Profile>, kKindCount> m_profiles;
    std::array<double, kKindCount> m_dieHeights{};  // 0: no die to hold the ink to
    std::shared_ptr<const output::Imprint> m_imprint;
    std::optional<Made> m_shown;                         // what the view and the check show
    std::array<std::optional<Made>, kKindCount> m_made;  // the last imprint made of each kind
    std::optional<Source> m_wanted;                      // the design last taken from the main window
    std::optional<Source> m_making;                      // being made
    std::optional<Source> m_next;                        // to be made when that one is done
    QFutureWatcher<Made> m_watcher;
    // What the imprints' workers keep from one to the next; one works at a time.
    std::shared_ptr<ViewInkKeeper> m_keeper;
    // A repaint of the main window came while this window was hidden.
    bool m_stale = true;
    bool m_everShown = false;

    ImprintView* m_view = nullptr;
    CheckPanel* m_check = nullptr;
    ElementPanel* m_element = nullptr;
    QLabel* m_kindLabel = nullptr;
    QLabel* m_zoomLabel = nullptr;
    QDoubleSpinBox* m_width = nullptr;
    QFormLayout* m_form = nullptr;  // the settings of the files
    QLabel* m_widthLabel = nullptr;
    QComboBox* m_sizes = nullptr;
    QDoubleSpinBox* m_dieHeight = nullptr;
    QLabel* m_height = nullptr;
    QComboBox* m_profile = nullptr;
    QComboBox* m_format = nullptr;
    QSpinBox* m_dpi = nullptr;
    QCheckBox* m_colour = nullptr;
    QCheckBox* m_mirror = nullptr;
    QCheckBox* m_negative = nullptr;
    QDoubleSpinBox* m_margin = nullptr;
    QCheckBox* m_merge = nullptr;
    QPushButton* m_export = nullptr;
    QPushButton* m_exportAll = nullptr;
    QPushButton* m_print = nullptr;
    QPushButton* m_preview = nullptr;
};

// The production window of the main window's session: what the program
// gives the main window to open it with.
QWidget* makeProductionWindow(DesignSession& session, Dialogs& dialogs, QWidget* parent);

}  // namespace qg
