#pragma once

// The seam through which every modal dialog is shown: the window asks, and
// the user (or a test's script) answers.

#include "Colour.h"
#include "Company.h"
#include "LineFont.h"
#include "Parameters.h"

#include <QString>

#include <functional>
#include <optional>

class QPrinter;

namespace qg {

// The answer of the confirmation dialog.
enum class Answer { Yes, No, Cancel };

enum class MessageIcon { Error, Information };

struct FileDialogRequest {
    QString title;
    QString directory;
    QString filter;         // Qt form: "Файлы Quillgraver (*.qgr);;Все файлы (*.*)"
    QString defaultSuffix;  // added to a name typed without an extension
};

struct PrintRequest {
    QString title;         // the dialog's title and the print job's name
    bool preview = false;  // the print preview, from which the user may print
    // Draws the pages on the printer the user has set up.
    std::function<void(QPrinter&)> paint;
};

// What the company seal assistant hands back once a seal has been made:
// the details as they were last entered, the size included, and the round
// seal laid out from them.
struct CompanySealChoice {
    CompanyDetails details;
    RoundSealParameters seal;
};

// Every modal dialog the main window shows goes through this interface, so
// that the window can be driven with scripted answers.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // The chosen file name, or an empty string when the user cancels.
    virtual QString openFileName(const FileDialogRequest& request) = 0;
    virtual QString saveFileName(const FileDialogRequest& request) = 0;
    // The chosen folder (the request's title and start folder), or an
    // empty string when the user cancels.
    virtual QString folderName(const FileDialogRequest& request) = 0;
    // The chosen colour, or nothing when the user cancels.
    virtual std::optional<TColor> chooseColour(TColor initial) = 0;
    // The chosen font, or nothing when the user cancels.
    virtual std::optional<LineFont> chooseFont(const LineFont& initial) = 0;
    virtual Answer confirm(const QString& question) = 0;
    virtual void message(MessageIcon icon, const QString& caption, const QString& text) = 0;
    // Prints through the print dialog (or the print preview); false when
    // the user cancels.
    virtual bool print(const PrintRequest& request) = 0;
    // "Печать организации…", its fields filled from `initial`: the seal
    // made, or nothing when the user closes the assistant without one.
    virtual std::optional<CompanySealChoice> companySeal(const CompanyDetails& initial) = 0;
};

}  // namespace qg
