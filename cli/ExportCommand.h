#pragma once

// The command line's export and manufacturing check: designs in, true-size
// files or findings out, without a window. Every failure is one line on the
// error stream naming the file and the reason. A design that fails leaves
// the others of the same call to be exported and checked; what fails the
// call as a whole (exports that would overwrite a design or each other, an
// output folder that cannot take the files) is found before anything is
// drawn or written.

#include <QByteArray>

#include <optional>

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
// written (its emblem included), 2 when the arguments themselves are wrong
// or the exports would overwrite a design or each other, else 3 when the
// check found an error in any design.
int runExportCommand(const QCommandLineParser& parser, QTextStream& out, QTextStream& err);

// The memory one design may take while it is drawn, at the largest size
// and resolution the options allow.
inline constexpr qint64 kDesignMemory = 300LL * 1024 * 1024;
// The memory available for new work, in bytes, as the system's memory
// report (the text of /proc/meminfo) gives it; none when it does not say.
std::optional<qint64> availableMemory(const QByteArray& meminfo);
// How many of the designs are drawn at once: no more than there are cores,
// nor than kDesignMemory fits into the memory available when that is
// known, and at least one.
int designsAtOnce(qsizetype designs, unsigned cores, std::optional<qint64> available);

}  // namespace qg
