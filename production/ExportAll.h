#pragma once

// "Экспорт всех видов…": a file for each kind of stamp that has ink, into
// one folder.

#include "Dialogs.h"
#include "Export.h"
#include "Parameters.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace qg {

// One kind's file.
struct KindFile {
    StampKind kind = StampKind::Round;
    QString title;     // the kind as a message names it: "круглая печать"
    QString fileName;  // within the folder
    output::Settings settings;
};

// What came of it, by file name (written) and by title (skipped).
struct KindsExported {
    QStringList written;
    QStringList skipped;  // no ink
    QStringList failed;
};

// Writes the file of each kind of `designs` that has ink into `folder`.
// Nothing is written when one of the files would exceed the export's
// limits, or when files of the same names are there and the user does not
// let them be replaced (asked once for all of them). Each file is written
// whole or not at all; what was written, skipped or failed is told in one
// message.
KindsExported exportKinds(const StampDesigns& designs, const std::vector<KindFile>& kinds, const QString& folder,
                          Dialogs& dialogs);

}  // namespace qg
