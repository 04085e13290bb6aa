#pragma once

// The command line's export: designs in, true-size files out, without a
// window. Every failure is one line on the error stream naming the file
// and the reason; the other designs of the same call are still exported.

class QCommandLineParser;
class QTextStream;

namespace qg {

// The export's options, among the program's own.
void addExportOptions(QCommandLineParser& parser);
bool exportRequested(const QCommandLineParser& parser);

// Runs the export the parsed arguments ask for. Returns the exit status: 0
// when every design was exported, 1 when any failed, 2 when the arguments
// themselves are wrong.
int runExportCommand(const QCommandLineParser& parser, QTextStream& out, QTextStream& err);

}  // namespace qg
