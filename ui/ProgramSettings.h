#pragma once

// The program's settings kept between runs, and the keys that more than one
// window uses: the folders the file dialogs start in.

#include <QSettings>
#include <QString>

namespace qg {

// The settings store of the program, per user.
QSettings programSettings();

// The kinds of file the dialogs keep a folder for: design files, emblem
// bitmaps, the preview's bitmaps and the production window's exports.
enum class FileKind { Design, Emblem, PreviewBitmap, Export };

// The folder a file dialog for that kind of file starts in: the folder of
// the last file chosen for it while that folder is there, else `fallback`
// when given and there, else the user's home folder. Kept in the program's
// settings between runs.
QString startFolder(FileKind kind, const QString& fallback = QString());
// Keeps the folder of a file the user chose for that kind of file.
void rememberFolder(FileKind kind, const QString& chosenFile);

}  // namespace qg
