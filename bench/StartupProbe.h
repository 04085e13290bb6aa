#pragma once

// The program measuring itself for the start-up benchmark: the real window,
// offscreen, with dialogs that never wait for anyone.

#include "Dialogs.h"

#include <QElapsedTimer>
#include <QStringList>

class QTextStream;
class TForm1;

namespace qg {

// Answers every dialog at once: no file, no colour, no font, no seal, "Нет"; its
// messages go to the error stream.
class QuietDialogs : public Dialogs {
public:
    QString openFileName(const FileDialogRequest&) override { return QString(); }
    QString saveFileName(const FileDialogRequest&) override { return QString(); }
    QString folderName(const FileDialogRequest&) override { return QString(); }
    std::optional<TColor> chooseColour(TColor) override { return std::nullopt; }
    std::optional<LineFont> chooseFont(const LineFont&) override { return std::nullopt; }
    Answer confirm(const QString&) override { return Answer::No; }
    void message(MessageIcon icon, const QString& caption, const QString& text) override;
    bool print(const PrintRequest&) override { return false; }
    std::optional<CompanySealChoice> companySeal(const CompanyDetails&) override { return std::nullopt; }
};

// The resident memory of this process in KiB (0 where it cannot be read).
long residentKiB();

// Once the preview has been painted on the window for the first time,
// writes to `out`
//   first-paint <ms since `sinceStart`> <resident KiB>
// then opens `files`, repaints the active design `repaints` times, writes
//   repainted <count> <ms> <resident KiB>
// after every tenth of them, and quits the program.
void probeStartup(TForm1& window, const QElapsedTimer& sinceStart, const QStringList& files, int repaints,
                  QTextStream& out);

}  // namespace qg
