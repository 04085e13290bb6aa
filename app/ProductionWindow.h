#pragma once

#include "Dialogs.h"
#include "Export.h"
#include "Parameters.h"

#include <QWidget>

#include <array>
#include <memory>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPrinter;
class QPushButton;
class QSpinBox;
class TForm1;

namespace qg {

class CheckPanel;
class ImprintView;

// "Макет для изготовления": the imprint of the main window's active kind
// at its true size, the settings of its files, their export and print, and
// the manufacturing check. It follows every repaint of the main window.
class ProductionWindow : public QWidget {
    Q_OBJECT
public:
    ProductionWindow(TForm1& main, Dialogs& dialogs, QWidget* parent = nullptr);
    ~ProductionWindow() override;

    StampKind kind() const { return m_kind; }
    // The settings of the shown kind, as its controls hold them.
    const output::Settings& settings() const { return m_settings[static_cast<std::size_t>(m_kind)]; }
    // The imprint shown; never null.
    const output::Imprint& imprint() const { return *m_imprint; }
    ImprintView* view() const { return m_view; }
    CheckPanel* checkPanel() const { return m_check; }

    // "Экспорт…", "Печать…" and "Просмотр…".
    void exportImprint();
    void printImprint(bool preview);
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
    // Takes the main window's active kind and its design afresh.
    void followMainWindow();
    // Checks the shown imprint at the chosen width, off the interface thread.
    void runCheck();
    void showKindSettings();
    void settingsEdited();
    void updateControls();
    void saveGeometryNow();

    TForm1& m_main;
    Dialogs& m_dialogs;
    StampKind m_kind = StampKind::Round;
    std::array<output::Settings, kKindCount> m_settings;
    std::shared_ptr<const output::Imprint> m_imprint;
    // A repaint of the main window came while this window was hidden.
    bool m_stale = true;
    bool m_everShown = false;

    ImprintView* m_view = nullptr;
    CheckPanel* m_check = nullptr;
    QLabel* m_kindLabel = nullptr;
    QLabel* m_zoomLabel = nullptr;
    QDoubleSpinBox* m_width = nullptr;
    QLabel* m_height = nullptr;
    QComboBox* m_format = nullptr;
    QSpinBox* m_dpi = nullptr;
    QCheckBox* m_colour = nullptr;
    QCheckBox* m_mirror = nullptr;
    QCheckBox* m_negative = nullptr;
    QDoubleSpinBox* m_margin = nullptr;
    QCheckBox* m_merge = nullptr;
    QPushButton* m_export = nullptr;
    QPushButton* m_print = nullptr;
    QPushButton* m_preview = nullptr;
};

}  // namespace qg
