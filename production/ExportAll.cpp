#include "ExportAll.h"

#include <QDir>
#include <QFileInfo>

namespace qg {

namespace {

QString lines(const QStringList& items) {
    return QStringLiteral("    ") + items.join(QStringLiteral("\n    "));
}

}  // namespace

KindsExported exportKinds(const StampDesigns& designs, const std::vector<KindFile>& kinds,
                          const QString& folder, Dialogs& dialogs) {
    KindsExported result;
    const QDir dir(folder);
    struct Ready {
        const KindFile* kind;
        output::Imprint imprint;
    };
    std::vector<Ready> ready;
    for (const KindFile& kind : kinds) {
        output::Imprint imprint = output::makeImprint(designs, kind.kind);
        if (imprint.empty())
            result.skipped << kind.title;
        else
            ready.push_back(Ready{&kind, std::move(imprint)});
    }
    if (ready.empty()) {
        dialogs.message(MessageIcon::Error, QStringLiteral("Предупреждение"),
                        QStringLiteral("Ни в одном оттиске нет ни одного штриха !"));
        return result;
    }
    // What cannot be made at all is found before anything is written.
    for (const Ready& one : ready) {
        QString error;
        if (!output::withinLimits(one.imprint, one.kind->settings, error)) {
            dialogs.message(MessageIcon::Error, QStringLiteral("Ошибка"),
                            QStringLiteral("Файлы не сохранены.\n\n%1: %2").arg(one.kind->title, error));
            return result;
        }
    }
    QStringList existing;
    for (const Ready& one : ready) {
        if (QFileInfo::exists(dir.filePath(one.kind->fileName)))
            existing << one.kind->fileName;
    }
    if (!existing.isEmpty() && dialogs.confirm(QStringLiteral("В папке %1 уже есть:\n%2\nЗаменить?")
                                                   .arg(QDir::toNativeSeparators(dir.absolutePath()),
                                                        lines(existing))) != Answer::Yes)
        return result;

    QStringList errors;
    for (const Ready& one : ready) {
        const QString path = dir.filePath(one.kind->fileName);
        QString error;
        if (output::exportFile(one.imprint, one.kind->settings, path, error)) {
            result.written << one.kind->fileName;
        } else {
            result.failed << one.kind->fileName;
            errors << QStringLiteral("%1: %2").arg(one.kind->fileName, error);
        }
    }

    QString text;
    if (!result.written.isEmpty())
        text = QStringLiteral("В папку %1 сохранены:\n%2")
                   .arg(QDir::toNativeSeparators(dir.absolutePath()), lines(result.written));
    if (!result.skipped.isEmpty()) {
        if (!text.isEmpty())
            text += QStringLiteral("\n\n");
        text += QStringLiteral("Без оттиска, не сохранены:\n%1").arg(lines(result.skipped));
    }
    if (!errors.isEmpty()) {
        if (!text.isEmpty())
            text += QStringLiteral("\n\n");
        text += QStringLiteral("Не удалось сохранить:\n%1").arg(lines(errors));
    }
    dialogs.message(errors.isEmpty() ? MessageIcon::Information : MessageIcon::Error,
                    errors.isEmpty() ? QStringLiteral("Информация") : QStringLiteral("Ошибка"), text);
    return result;
}

}  // namespace qg
