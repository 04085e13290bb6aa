#include "StampFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <system_error>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QSaveFile>
#endif

namespace qg::io {

namespace {

using Contents = std::function<bool(QIODevice&, QString&)>;

// The common failures in the user's language; any other in the system's
// own words.
QString reasonFor(int code, const QString& systemText) {
    switch (code) {
        case 0:  // the system took less than it was given and said nothing
            return QStringLiteral("файл записан не полностью");
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
            return QStringLiteral("на диске нет места");
        case EACCES:
        case EPERM:
            return QStringLiteral("недостаточно прав");
        case ENOENT:
            return QStringLiteral("нет такого файла или папки");
        case EROFS:
            return QStringLiteral("файловая система только для чтения");
        case EISDIR:
            return QStringLiteral("это папка, а не файл");
        case ENOTDIR:
            return QStringLiteral("часть пути не является папкой");
        case EFBIG:
            return QStringLiteral("файл слишком велик");
        default:
            return systemText.isEmpty() ? qt_error_string(code) : systemText;
    }
}

// The reason a QFile operation failed. `code` is errno taken right after
// the failing call; it is trusted only when the device's own text was made
// from it, which holds for what the system refused.
QString reasonOf(const QFileDevice& file, int code) {
    const QString text = file.errorString();
    return code != 0 && text == qt_error_string(code) ? reasonFor(code, text) : text;
}

// Devices, pipes and sockets are no place for a design or a picture: a pipe
// would block the reader, and the safe save below would swap a device node
// for a regular file when it renames its temporary file over the target.
bool isSpecialFile(const QString& path) {
#ifdef Q_OS_UNIX
    // A file that cannot be looked at is left to the open, which says why.
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
#else
    const QFileInfo info(path);
    return info.exists() && !info.isFile() && !info.isDir();
#endif
}

QString notRegularFile(const QString& path) {
    return QStringLiteral("%1 — не обычный файл (устройство, канал или сокет)").arg(path);
}

// Reads the file whole; one larger than `limit` bytes (when the limit is
// not negative) is refused without being read.
bool readFile(const QString& path, qint64 limit, QByteArray& bytes, QString& error) {
    const QFileInfo info(path);
    if (isSpecialFile(path)) {
        error = notRegularFile(path);
        return false;
    }
    if (info.isDir()) {
        error = reasonFor(EISDIR, QString());
        return false;
    }
    const QString tooLarge = QStringLiteral("Файл больше 1 МБ и не может быть файлом Quillgraver !");
    if (limit >= 0 && info.size() > limit) {
        error = tooLarge;
        return false;
    }
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) {
        error = reasonOf(file, errno);
        return false;
    }
    // The size may have grown since it was looked at, or the system may not
    // know it: never read more than one byte past the limit.
    errno = 0;
    QByteArray read = limit >= 0 ? file.read(limit + 1) : file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = reasonOf(file, errno);
        return false;
    }
    if (limit >= 0 && read.size() > limit) {
        error = tooLarge;
        return false;
    }
    bytes = std::move(read);
    return true;
}

#ifdef Q_OS_UNIX

// Where a save lands: a symbolic link is followed, so that the file it
// points to gets the new contents and the link stays.
QString finalTarget(const QString& path) {
    QFileInfo info(path);
    for (int depth = 0; depth < 64 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.isSymLink() ? path : info.filePath();
}

// A name for the new contents while they replace the target. Should the
// file ever be left behind (the machine stopped at the moment of the
// rename), its name says what it is: the target's name, the program's and
// ".tmp".
QString temporaryName(const QString& target, bool shortName) {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString tag;
    for (int i = 0; i < 6; ++i)
        tag += QLatin1Char(kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters) - 1)]);
    const QFileInfo info(target);
    const QString name = shortName ? QStringLiteral("quillgraver-%1.tmp").arg(tag)
                                   : QStringLiteral("%1.quillgraver-%2.tmp").arg(info.fileName(), tag);
    return QDir(info.path()).filePath(name);
}

// Tries `create` on fresh temporary names beside the target until one is
// free; false with errno's code when the system refuses.
bool onTemporaryName(const QString& target, const std::function<bool(const QByteArray&)>& create, QString& name,
                     int& code) {
    bool shortName = false;
    for (int attempt = 0; attempt < 32; ++attempt) {
        name = temporaryName(target, shortName);
        if (create(QFile::encodeName(name)))
            return true;
        code = errno;
        if (code == ENAMETOOLONG && !shortName)
            shortName = true;  // the target's own name is long: the name without it
        else if (code != EEXIST && code != EINTR)
            return false;
    }
    return false;
}

// The file under way as a device for what writes the contents; it keeps
// the system's reason for a write it refused.
class FileDescriptorDevice final : public QIODevice {
public:
    explicit FileDescriptorDevice(int fd) : fd_(fd) { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }
    bool failed() const { return failed_; }
    int code() const { return code_; }
    // A writer may come back to fill in what it learns at the end.
    bool seek(qint64 pos) override {
        if (::lseek(fd_, static_cast<off_t>(pos), SEEK_SET) < 0) {
            code_ = errno;
            failed_ = true;
            return false;
        }
        return QIODevice::seek(pos);
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        qint64 written = 0;
        while (written < size) {
            const ssize_t n = ::write(fd_, data + written, static_cast<size_t>(size - written));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                code_ = n < 0 ? errno : 0;
                failed_ = true;
                return -1;
            }
            written += n;
        }
        return written;
    }

private:
    int fd_;
    int code_ = 0;
    bool failed_ = false;
};

// Writes the contents, gives the file the permissions of the one it
// replaces, and waits until it is on the disk. A failure of the system
// leaves its code; one the contents gave up on, their reason.
bool fill(int fd, const Contents& contents, const QString& target, bool replacing, int& code, QString& reason) {
    FileDescriptorDevice device(fd);
    if (!contents(device, reason) || device.failed()) {
        code = device.failed() ? device.code() : -1;
        return false;
    }
    struct stat st {};
    if (replacing && ::stat(QFile::encodeName(target).constData(), &st) == 0)
        ::fchmod(fd, st.st_mode & 07777);
    if (::fsync(fd) != 0 && errno != EINVAL) {
        code = errno;
        return false;
    }
    return true;
}

bool closeFile(int fd, int& code) {
    if (::close(fd) != 0 && errno != EINTR) {
        code = errno;
        return false;
    }
    return true;
}

// Puts the complete file in the target's place; the temporary name is
// gone either way.
bool commit(const QString& temporary, const QString& target, int& code) {
    const QByteArray from = QFile::encodeName(temporary);
    if (::rename(from.constData(), QFile::encodeName(target).constData()) == 0)
        return true;
    code = errno;
    ::unlink(from.constData());
    return false;
}

enum class Attempt { Done, Failed, Otherwise };

// The first choice: the contents are written into a file with no name yet,
// so that a stop while they are written leaves nothing behind. A new file
// then takes the target's name; one that replaces a file takes a temporary
// name and is renamed over the target. Otherwise where the file system
// cannot make such a file or name it.
Attempt writeUnnamed(const QString& target, const Contents& contents, bool replacing, int& code, QString& reason) {
#ifdef O_TMPFILE
    const int fd = ::open(QFile::encodeName(QFileInfo(target).path()).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC,
                          replacing ? 0600 : 0666);
    if (fd < 0) {
        code = errno;
        return code == EOPNOTSUPP || code == EISDIR || code == EINVAL ? Attempt::Otherwise : Attempt::Failed;
    }
    if (!fill(fd, contents, target, replacing, code, reason)) {
        ::close(fd);
        return Attempt::Failed;
    }
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    const auto name = [&](const QByteArray& as) {
        return ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, as.constData(), AT_SYMLINK_FOLLOW) == 0;
    };
    if (!replacing && name(QFile::encodeName(target)))
        return closeFile(fd, code) ? Attempt::Done : Attempt::Failed;
    QString temporary;
    if ((!replacing && errno != EEXIST) || !onTemporaryName(target, name, temporary, code)) {
        ::close(fd);
        return Attempt::Otherwise;
    }
    if (!closeFile(fd, code)) {
        ::unlink(QFile::encodeName(temporary).constData());
        return Attempt::Failed;
    }
    return commit(temporary, target, code) ? Attempt::Done : Attempt::Failed;
#else
    Q_UNUSED(target);
    Q_UNUSED(contents);
    Q_UNUSED(replacing);
    Q_UNUSED(code);
    Q_UNUSED(reason);
    return Attempt::Otherwise;
#endif
}

// The contents go to a file under a temporary name beside the target,
// which is renamed over the target once it is complete.
Attempt writeNamed(const QString& target, const Contents& contents, bool replacing, int& code, QString& reason) {
    int fd = -1;
    QString temporary;
    const auto create = [&](const QByteArray& name) {
        fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, replacing ? 0600 : 0666);
        return fd >= 0;
    };
    if (!onTemporaryName(target, create, temporary, code))
        return Attempt::Failed;
    const bool written = fill(fd, contents, target, replacing, code, reason);
    if (!closeFile(fd, code) || !written) {
        ::unlink(QFile::encodeName(temporary).constData());
        return Attempt::Failed;
    }
    return commit(temporary, target, code) ? Attempt::Done : Attempt::Failed;
}

// The target is replaced only once the new contents are complete and on
// the disk; on any failure the old file stays as it was and no temporary
// file is left.
bool writeReplacing(const QString& path, const Contents& contents, QString& error) {
    const QString target = finalTarget(path);
    const bool replacing = QFileInfo::exists(target);
    int code = 0;
    QString reason;
    Attempt attempt = writeUnnamed(target, contents, replacing, code, reason);
    if (attempt == Attempt::Otherwise)
        attempt = writeNamed(target, contents, replacing, code, reason);
    if (attempt != Attempt::Done)
        error = code == -1 ? reason : reasonFor(code, QString());
    return attempt == Attempt::Done;
}

#else

bool writeReplacing(const QString& path, const Contents& contents, QString& error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        error = file.errorString();
        return false;
    }
    QString reason;
    if (!contents(file, reason) || !file.commit()) {
        error = file.error() != QFileDevice::NoError ? file.errorString() : reason;
        file.cancelWriting();
        return false;
    }
    return true;
}

#endif

}  // namespace

bool readWholeFile(const QString& path, QByteArray& bytes, QString& error) {
    return readFile(path, -1, bytes, error);
}

bool readDesignFile(const QString& path, QByteArray& bytes, QString& error) {
    return readFile(path, kMaxDesignFileSize, bytes, error);
}

bool writeWholeFile(const QString& path, const QByteArray& bytes, QString& error) {
    if (isSpecialFile(path)) {
        error = notRegularFile(path);
        return false;
    }
    return writeReplacing(
        path, [&bytes](QIODevice& file, QString&) { return file.write(bytes) == bytes.size(); }, error);
}

bool prepareFolder(const QString& folder, bool create, QString& error) {
    if (folder.isEmpty()) {
        error = reasonFor(ENOENT, QString());
        return false;
    }
    const std::filesystem::path native(QFile::encodeName(folder).toStdString());
    std::error_code code;
    if (create)
        std::filesystem::create_directories(native, code);
    const QFileInfo info(folder);
    if (!info.exists()) {
        error = reasonFor(code ? code.value() : ENOENT, QString::fromStdString(code.message()));
        return false;
    }
    if (!info.isDir()) {
        error = reasonFor(ENOTDIR, QString());
        return false;
    }
#ifdef Q_OS_UNIX
    if (::faccessat(AT_FDCWD, native.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        error = reasonFor(errno, QString());
        return false;
    }
#else
    if (!info.isWritable()) {
        error = reasonFor(EACCES, QString());
        return false;
    }
#endif
    return true;
}

bool writeWholeFileFrom(const QString& path, const Contents& fill, QString& error) {
    if (isSpecialFile(path)) {
        error = notRegularFile(path);
        return false;
    }
    return writeReplacing(path, fill, error);
}

QString fileExtension(const QString& fileName) {
    const qsizetype separator = std::max(fileName.lastIndexOf(u'/'), fileName.lastIndexOf(u'\\'));
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot < 0 || dot < separator)
        return QString();
    return fileName.sliced(dot);
}

}  // namespace qg::io
