#pragma once

// The command line's export: designs in, true-size files out, without a
// window. Every failure is one line on the error stream naming the file
// and the reason; the other designs of the same call are still exported.

#include <QStringList>

class QTextStream;

namespace qg {

// Whether the arguments (argv[1..]) ask for the command line rather than
// the window.
bool wantsExportCommand(const QStringList& arguments);

// Runs the export for the arguments (argv[0] first). Returns the exit
// status: 0 when every design was exported, 1 when any failed, 2 when the
// arguments themselves are wrong.
int runExportCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);

}  // namespace qg
