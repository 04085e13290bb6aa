#pragma once

// The design file: its Windows-1251 text, the line helpers, and the
// readers and writers of the three kinds' sections.

#include "Parameters.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <functional>
#include <optional>

class QIODevice;

namespace qg::io {

// ---- Windows-1251, the code page of design files (works without ICU) ----
QByteArray toCp1251(QStringView text);
QString fromCp1251(QByteArrayView bytes);
// Whether every character of the text has a Windows-1251 byte.
bool canEncodeCp1251(QStringView text);
// Whether a design file gives the text back as it is: every character has
// a Windows-1251 byte and none is a control character (those are written
// as blanks).
bool keptByDesignFile(QStringView text);

// ---- Line helpers ----
// The key counts as present anywhere in the line; the value part is then
// the line without its first key.size() characters. A missing key sets
// `damaged`; an invalid number does not (it gives 0). The helpers only ever
// set `damaged`, never clear it.
std::int32_t ReadNumberValue(QStringView key, QStringView line, bool& damaged);
QString ReadTextValue(QStringView key, QStringView line, bool& damaged);  // "Ошибка" when damaged
bool ReadEnableLine(QStringView line, bool& damaged);  // exactly "Enable: True" / "Enable: False"

// Splits file bytes into decoded lines: a line ends at LF, CR is never part
// of a line, a byte 0x1A ends the file. No length limit. The lines are those
// the readers see: a final CR LF starts no further line, and an empty file
// is one empty line.
QStringList splitLines(const QByteArray& bytes);

// The section marker of a design file: its 4th line, or the last line of a
// shorter file, compared whole and case-sensitively with ";Page1".. ";Page3".
std::optional<StampKind> sectionKind(const QByteArray& bytes);

// ---- Sections ----
// The longest text a text line may hold, in characters. A ring text of a
// real seal runs to a hundred or two; a longer one is refused when read
// and cannot be typed, so that no text makes editing or drawing slow.
inline constexpr int kMaxLineText = 1000;

// The outcome of reading a section: damagedLine is 0 for a clean read, else
// the number (from 1) of the line that stopped the reader. `tooLong` tells
// that the line held a text longer than kMaxLineText; that text is not
// taken.
struct ReadResult {
    int damagedLine = 0;
    bool tooLong = false;
    bool ok() const { return damagedLine == 0; }
};

// No design file is larger than this many bytes.
inline constexpr qint64 kMaxDesignFileSize = 1024 * 1024;

// The whole file of each kind, CR LF after every line.
QByteArray writeRoundSeal(const RoundSealParameters& seal);
QByteArray writeTriangleSeal(const TriangleSealParameters& seal);
QByteArray writeRectStamp(const RectStampParameters& stamp);

// The file of the active kind's design, refused with a reason fit to show
// the user when it would be larger than a design file may be
// (kMaxDesignFileSize): only a round seal carrying a copy of a large emblem
// can be.
bool writeDesign(StampKind kind, const StampDesigns& designs, QByteArray& bytes, QString& error);
// Whether the round seal's file stays within kMaxDesignFileSize, for
// deciding before a copy of its emblem is put in.
bool fitsInDesignFile(const RoundSealParameters& seal);
// The size of the round seal's file in bytes, worked out without writing it.
qint64 writtenSize(const RoundSealParameters& seal);

// Applies the file's lines to `into` one by one, stopping after the first
// damaged line. Lines the file lacks leave their settings as they were.
// Callers that must not show a half-read design pass a copy.
ReadResult readRoundSeal(const QByteArray& bytes, RoundSealParameters& into);
ReadResult readTriangleSeal(const QByteArray& bytes, TriangleSealParameters& into);
ReadResult readRectStamp(const QByteArray& bytes, RectStampParameters& into);

// The reader of the kind, into that kind's design of `into`.
ReadResult readDesign(StampKind kind, const QByteArray& bytes, StampDesigns& into);

// ---- Files ----
// Every reason these give is fit to show the user: the common failures (no
// space left, no permission, no such file, a read-only file system, a
// folder where a file was meant) in Russian, any other in the system's words.
//
// Reads a whole file; on failure returns false with the reason and leaves
// `bytes` as it was. Folders, devices, pipes and sockets are refused.
bool readWholeFile(const QString& path, QByteArray& bytes, QString& error);
// Reads a design file like readWholeFile, but refuses one larger than any
// design can be (over kMaxDesignFileSize bytes) without reading it, with a
// reason fit to show the user.
bool readDesignFile(const QString& path, QByteArray& bytes, QString& error);
// Writes the file whole or not at all: the bytes go to a file beside it
// that has no name while it is written (where the file system allows) and
// then, when it replaces a file, the name "<name>.quillgraver-XXXXXX.tmp"
// until it is renamed over it; on failure nothing is left of it and the
// previous file stays untouched. A symbolic link is followed; the file
// replaced keeps its permissions. A device, pipe or socket is refused.
bool writeWholeFile(const QString& path, const QByteArray& bytes, QString& error);
// Writes like writeWholeFile what `fill` writes to the file as it goes, for
// contents too large to be held whole; `fill` returns false with its reason
// to give the file up.
bool writeWholeFileFrom(const QString& path, const std::function<bool(QIODevice&, QString&)>& fill,
                        QString& error);

// Makes sure files can be written into `folder`: creates it with its
// parents when it is missing and `create` is set; false with the reason
// when it is not there, cannot be made, is no folder or cannot be written.
bool prepareFolder(const QString& folder, bool create, QString& error);

// The extension of a file name: from the last '.' after the last folder
// separator on, the dot included; empty when there is none.
QString fileExtension(const QString& fileName);

}  // namespace qg::io
