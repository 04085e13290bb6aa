#pragma once

// The dialogs of the program as the user sees them, behind the seam every
// modal dialog goes through.

#include "Dialogs.h"

#include <memory>

class QPrinter;
class QWidget;
class TForm2;

namespace qg {

// The dialogs a user sees: Qt's file and colour dialogs, the program's own
// font dialog, the confirmation dialog and message boxes, all owned by the
// main window.
class WidgetDialogs : public Dialogs {
public:
    WidgetDialogs();
    ~WidgetDialogs() override;
    void attach(QWidget* owner, TForm2* confirmation);

    QString openFileName(const FileDialogRequest& request) override;
    QString saveFileName(const FileDialogRequest& request) override;
    QString folderName(const FileDialogRequest& request) override;
    std::optional<TColor> chooseColour(TColor initial) override;
    std::optional<LineFont> chooseFont(const LineFont& initial) override;
    Answer confirm(const QString& question) override;
    void message(MessageIcon icon, const QString& caption, const QString& text) override;
    bool print(const PrintRequest& request) override;
    std::optional<CompanySealChoice> companySeal(const CompanyDetails& initial) override;

private:
    QWidget* owner() const;

    QWidget* m_owner = nullptr;
    TForm2* m_confirmation = nullptr;
    std::unique_ptr<QPrinter> m_printer;
};

}  // namespace qg
