#pragma once

// The main window: its pages, the preview, the commands and the designs they
// work on (the file commands are in DesignFiles.cpp).

#include "Canvas.h"
#include "DesignSession.h"
#include "Dialogs.h"
#include "EditHistory.h"
#include "PageEditor.h"
#include "Parameters.h"
#include "StampFile.h"

#include <QKeySequence>
#include <QList>
#include <QWidget>

#include <array>
#include <optional>

class QFrame;
class QAction;
class QLabel;
class QMenu;
class QDropEvent;
class QMimeData;
class QPushButton;
class QTabWidget;
class QTimer;

namespace qg {
class Preview;
class RoundSealPage;
class TriangleSealPage;
class RectStampPage;
class InfoPage;
}  // namespace qg

// The main window: the stamp pages on the left, the preview and the command
// buttons on the right. It owns the three designs and their modified flags
// and runs the commands; each page's controls live in that page's class.
class TForm1 : public QWidget, public qg::PageHost {
    Q_OBJECT
public:
    explicit TForm1(qg::Dialogs& dialogs, QWidget* parent = nullptr);
    ~TForm1() override;

    // Commands.
    void RefreshItemClick();
    void ColorItemClick();
    void OpenItemClick();
    void SaveItemClick();
    void SaveAsItemClick();
    void NewItemClick();
    void ExitItemClick();
    // Ctrl+Z, and Ctrl+Shift+Z or Ctrl+Y: a step back or forward in the
    // history of the active page's kind.
    void UndoItemClick();
    void RedoItemClick();

    // Opens a design file as "Открыть" does once the file is chosen: the
    // same checks and messages, the design into its kind, its page shown.
    void openDesignFile(const QString& path);

    // Shows the production window for the active kind; not on the
    // information page, nor before a factory for it has been set.
    void ProductionItemClick();
    // "Печать организации…": the company seal assistant, whose seal
    // replaces the round seal's design.
    void CompanySealItemClick();
    // What makes the production window the first time it is asked for.
    void setProductionWindowFactory(qg::SessionWindowFactory factory);
    // The window as the production window sees it.
    qg::DesignSession& session();

    // Loads a kind's defaults into its record and page (fonts stay) and
    // clears its modified flag; callers repaint.
    void ParametersPage1();
    void ParametersPage2();
    void ParametersPage3();

    const qg::StampDesigns& designs() const { return m_designs; }
    bool isModified(qg::StampKind kind) const { return m_modified[static_cast<std::size_t>(kind)]; }
    qg::ActivePage activePage() const;
    void setActivePage(qg::ActivePage page);
    // The preview picture, any repaint still pending done first.
    const QImage& previewPicture();
    qg::RoundSealPage* roundSealPage() const { return Page1; }
    qg::TriangleSealPage* triangleSealPage() const { return Page2; }
    qg::RectStampPage* rectStampPage() const { return Page3; }
    // The production window, once it has been opened.
    QWidget* productionWindow() const { return m_production; }
    // The file the kind's design was last opened from or saved to; empty
    // for a design that has none.
    const QString& designFileName(qg::StampKind kind) const {
        return m_fileNames[static_cast<std::size_t>(kind)];
    }

    // PageHost
    void settingChanged(qg::StampKind kind) override;
    void repaintPreview() override;
    void fieldEdited(qg::StampKind kind, bool counts, const QObject* typedIn) override;
    std::optional<qg::TColor> chooseColour(std::optional<qg::TColor> preset) override;
    qg::Dialogs& dialogs() override { return m_dialogs; }

    // The preview's canvas, its drawing state included, any repaint still
    // pending done first.
    const qg::Canvas& previewCanvas();

    // Repaints are not made at once: each edit asks for one, and the
    // preview is drawn when the input waiting in the queue has been taken,
    // once, for the latest state. This draws a pending repaint now.
    void completePendingRepaint();

    // An edit of the kind's design made in another window (the session's
    // applyEdit): one step of the kind's history, the kind modified, its
    // page and the preview following.
    void applyEdit(qg::StampKind kind, const qg::StampDesigns& edited, const void* gesture);

signals:
    // The preview picture was drawn anew.
    void previewPainted();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // The window's command keys before any control's own, and files
    // dragged onto the window: designs open, a bitmap dropped on the round
    // seal's emblem group becomes the emblem.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ActivateForm();
    void setModified(qg::StampKind kind, bool modified);
    void resetKind(qg::StampKind kind);
    void showPopupMenu(const QPoint& position);
    // Makes the production window, hidden, if it is not there yet; false
    // when there is nothing to make it with.
    bool ensureProductionWindow();
    void requestRepaint(qg::ActivePage page);
    void stepHistory(bool forward);

    // The file commands' own steps (DesignFiles.cpp).
    // Asks for a file name and writes the kind; false when the user cancels
    // or the file cannot be written (the user has then been told why).
    bool saveKind(qg::StampKind kind);
    // Asks whether to save the kind's changes when it is modified; false
    // when the caller must stop (the answer was "Отмена", or the save did
    // not happen).
    bool settleUnsavedChanges(qg::StampKind kind);
    // Tells the user that a file could not be read or written, and why.
    void reportFileError(const QString& what, const QString& path, const QString& reason);
    // Reads the kind's design from the bytes; a damaged file changes nothing.
    qg::io::ReadResult readDesign(qg::StampKind kind, const QByteArray& bytes);
    // Checks the emblem file an opened round seal names; a missing one is
    // replaced by the file of the same name in the design file's folder.
    // Returns the warning to show, or an empty text when all is well.
    QString checkOpenedEmblem(const QString& designPath);
    // The files of a drag this window takes at the given point of
    // `target`: design files anywhere, or one bitmap on the emblem group.
    QStringList droppableFiles(const QMimeData* data, QWidget* target, const QPoint& position) const;
    void acceptDrops(QWidget* widget);
    // Takes a drag event of files it can open; false when it is not one.
    bool takeDrop(QObject* watched, QDropEvent* drop);

    class Session;

    // What one repaint draws.
    struct PaintRequest {
        qg::StampDesigns designs;
        qg::ActivePage page;
    };

    qg::Dialogs& m_dialogs;
    Session* m_session = nullptr;
    qg::SessionWindowFactory m_productionFactory;
    // The details the company seal assistant last made a seal of.
    qg::CompanyDetails m_company;
    // The keys of the window's commands, which no control may claim.
    QList<QKeySequence> m_commandKeys;
    qg::StampDesigns m_designs;
    qg::EditHistory m_history{m_designs};
    std::array<bool, qg::kKindCount> m_modified{};
    std::array<QString, qg::kKindCount> m_fileNames;
    qg::Canvas m_canvas;
    // The latest repaint asked for and not drawn yet.
    std::optional<PaintRequest> m_pendingPaint;
    QTimer* m_repaintTimer = nullptr;
    qg::TColor m_colourDialogColour = 0;  // the colour dialog starts black
    bool m_activated = false;

    QTabWidget* Pages = nullptr;
    qg::RoundSealPage* Page1 = nullptr;
    qg::TriangleSealPage* Page2 = nullptr;
    qg::RectStampPage* Page3 = nullptr;
    qg::InfoPage* Page4 = nullptr;
    qg::Preview* Image = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* ProductionItem = nullptr;
    QWidget* m_production = nullptr;
};
