#include "ProgramSettings.h"

#include <QDir>
#include <QFileInfo>

namespace qg {

namespace {

QString folderKey(FileKind kind) {
    static const char* const keys[] = {"designs", "emblems", "bitmaps", "exports"};
    return QStringLiteral("folders/") + QLatin1String(keys[static_cast<int>(kind)]);
}

}  // namespace

QSettings programSettings() {
    return QSettings(QStringLiteral("Quillgraver"), QStringLiteral("Quillgraver"));
}

QString startFolder(FileKind kind, const QString& fallback) {
    const QString kept = programSettings().value(folderKey(kind)).toString();
    for (const QString& folder : {kept, fallback}) {
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    }
    return QDir::homePath();
}

void rememberFolder(FileKind kind, const QString& chosenFile) {
    if (!chosenFile.isEmpty())
        programSettings().setValue(folderKey(kind), QFileInfo(chosenFile).absolutePath());
}

}  // namespace qg
