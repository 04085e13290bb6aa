#pragma once

// The command line's export and manufacturing check: designs in, true-size
// files or findings out, without a window. Every failure is one line on the
// error stream naming the file and the reason; the other designs of the
// same call are still exported and checked.

class QCommandLineParser;
class QTextStream;

namespace qg {

// The export's options, among the program's own.
void addExportOptions(QCommandLineParser& parser);
bool exportRequested(const QCommandLineParser& parser);
// The export or the manufacturing check: work without a window.
bool commandRequested(const QCommandLineParser& parser);

// Runs the export and the check the parsed arguments ask for, printing
// each design's findings one a line. Returns the exit status: 0 when every
// design was exported and checked, 1 when any could not be read or
// written, 2 when the arguments themselves are wrong, else 3 when the
// check found an error in any design.
int runExportCommand(const QCommandLineParser& parser, QTextStream& out, QTextStream& err);

}  // namespace qg
