#include "StampFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace qg::io {

namespace {

// Devices, pipes and sockets are no place for a design or a picture: a pipe
// would block the reader, and the safe save below would swap a device node
// for a regular file when it renames its temporary file over the target.
bool isSpecialFile(const QFileInfo& info) {
    return info.exists() && !info.isFile() && !info.isDir();
}

QString notRegularFile(const QString& path) {
    return QStringLiteral("%1 is not a regular file").arg(path);
}

// Reads the file whole; one larger than `limit` bytes (when the limit is
// not negative) is refused without being read.
bool readFile(const QString& path, qint64 limit, QByteArray& bytes, QString& error) {
    const QFileInfo info(path);
    if (isSpecialFile(info)) {
        error = notRegularFile(path);
        return false;
    }
    const QString tooLarge = QStringLiteral("Файл больше 1 МБ и не может быть файлом Quillgraver !");
    if (limit >= 0 && info.size() > limit) {
        error = tooLarge;
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return false;
    }
    // The size may have grown since it was looked at, or the system may not
    // know it: never read more than one byte past the limit.
    QByteArray read = limit >= 0 ? file.read(limit + 1) : file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = file.errorString();
        return false;
    }
    if (limit >= 0 && read.size() > limit) {
        error = tooLarge;
        return false;
    }
    bytes = std::move(read);
    return true;
}

}  // namespace

bool readWholeFile(const QString& path, QByteArray& bytes, QString& error) {
    return readFile(path, -1, bytes, error);
}

bool readDesignFile(const QString& path, QByteArray& bytes, QString& error) {
    return readFile(path, kMaxDesignFileSize, bytes, error);
}

bool writeWholeFile(const QString& path, const QByteArray& bytes, QString& error) {
    if (isSpecialFile(QFileInfo(path))) {
        error = notRegularFile(path);
        return false;
    }
    // The new contents go to a temporary file beside the target, which
    // replaces the target only once everything is written; on any failure
    // the temporary file is dropped and the old file stays as it was.
    //
    // Unbuffered, so that every write reaches the system at once. A write
    // that stops short (the disk filled up part way) is followed by one for
    // the rest, which then fails with the system's own reason instead of
    // leaving none.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        error = file.errorString();
        return false;
    }
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0) {
            error = file.error() != QFileDevice::NoError
                        ? file.errorString()
                        : QStringLiteral("The file could not be written in full");
            file.cancelWriting();
            return false;
        }
        written += n;
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

bool writeWholeFileFrom(const QString& path, const std::function<bool(QIODevice&, QString&)>& fill,
                        QString& error) {
    if (isSpecialFile(QFileInfo(path))) {
        error = notRegularFile(path);
        return false;
    }
    // Unbuffered, as above: `fill` writes in large pieces.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        error = file.errorString();
        return false;
    }
    QString reason;
    if (!fill(file, reason)) {
        error = file.error() != QFileDevice::NoError ? file.errorString() : reason;
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

QString fileExtension(const QString& fileName) {
    const qsizetype separator = std::max(fileName.lastIndexOf(u'/'), fileName.lastIndexOf(u'\\'));
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot < 0 || dot < separator)
        return QString();
    return fileName.sliced(dot);
}

}  // namespace qg::io
