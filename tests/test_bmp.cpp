#include "BmpExport.h"
#include "StampFile.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <csignal>
#include <functional>
#include <optional>

using namespace qg::io;

namespace {

constexpr int kSide = 198;

// A picture with a different colour in nearly every pixel, so that swapped
// channels, mirrored rows or a shifted row are all visible.
QImage testPicture(QImage::Format format) {
    QImage image(kSide, kSide, QImage::Format_RGB32);
    QRandomGenerator random(1251);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const int noise = static_cast<int>(random.bounded(32));
            image.setPixel(x, y, qRgb(x, y, (x * 7 + y * 13 + noise) & 0xFF));
        }
    }
    return image.convertToFormat(format);
}

quint32 le32(const QByteArray& b, int at) {
    return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 | quint32(quint8(b[at + 2])) << 16 |
           quint32(quint8(b[at + 3])) << 24;
}

quint16 le16(const QByteArray& b, int at) {
    return quint16(quint8(b[at]) | quint8(b[at + 1]) << 8);
}

// Reads an uncompressed 24-bit bitmap on its own terms: file header,
// 40-byte info header, then rows bottom-up, blue-green-red, each padded to a
// multiple of 4 bytes. Leaves a null image and a failure when anything is off.
QImage decodeBmp24(const QByteArray& file) {
    if (file.size() < 54 || !file.startsWith("BM") || le32(file, 2) != quint32(file.size()))
        return {};
    const quint32 offset = le32(file, 10);
    if (le32(file, 14) != 40)  // BITMAPINFOHEADER
        return {};
    const auto width = static_cast<qint32>(le32(file, 18));
    const auto height = static_cast<qint32>(le32(file, 22));
    if (le16(file, 26) != 1 || le16(file, 28) != 24 || le32(file, 30) != 0 || width <= 0 || height <= 0)
        return {};
    const int stride = (width * 3 + 3) / 4 * 4;
    if (offset < 54 || qint64(offset) + qint64(stride) * height > file.size())
        return {};
    QImage image(width, height, QImage::Format_RGB32);
    for (int row = 0; row < height; ++row) {
        const int y = height - 1 - row;
        const char* p = file.constData() + offset + row * stride;
        for (int x = 0; x < width; ++x, p += 3)
            image.setPixel(x, y, qRgb(quint8(p[2]), quint8(p[1]), quint8(p[0])));
    }
    return image;
}

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool isCharDevice(const char* path) {
    struct stat st {};
    return ::stat(path, &st) == 0 && S_ISCHR(st.st_mode);
}

bool canCreateFileIn(const QString& folder) {
    const QByteArray probe = QFile::encodeName(folder + QStringLiteral("/probe"));
    const int fd = ::open(probe.constData(), O_CREAT | O_WRONLY, 0600);
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlink(probe.constData());
    return true;
}

// Root passes every permission check, so a folder made read-only with chmod
// would still take new files. This drops the capabilities that let it, for
// the calling thread, until the guard goes out of scope.
class WithoutPermissionOverride {
public:
    WithoutPermissionOverride() {
        if (::geteuid() != 0)
            return;
        if (::syscall(SYS_capget, &header_, saved_) != 0)
            return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &=
            ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
        dropped_ = ::syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~WithoutPermissionOverride() {
        if (dropped_)
            ::syscall(SYS_capset, &header_, saved_);
    }
    WithoutPermissionOverride(const WithoutPermissionOverride&) = delete;
    WithoutPermissionOverride& operator=(const WithoutPermissionOverride&) = delete;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool dropped_ = false;
};

// Where dropping the capabilities is not enough (the system keeps them, or
// a file system grants root what it asks), the process acts as the user
// nobody until the guard goes out of scope. Folders it must pass through
// must be open to everyone.
class AsUnprivilegedUser {
public:
    AsUnprivilegedUser() {
        if (::geteuid() != 0)
            return;
        const gid_t group = ::getegid();
        if (::setegid(kNobody) != 0)
            return;
        if (::seteuid(kNobody) != 0) {
            [[maybe_unused]] const int restored = ::setegid(group);
            return;
        }
        group_ = group;
    }
    ~AsUnprivilegedUser() {
        if (group_) {
            [[maybe_unused]] const int user = ::seteuid(0);
            [[maybe_unused]] const int group = ::setegid(*group_);
        }
    }
    AsUnprivilegedUser(const AsUnprivilegedUser&) = delete;
    AsUnprivilegedUser& operator=(const AsUnprivilegedUser&) = delete;

private:
    static constexpr uid_t kNobody = 65534;
    std::optional<gid_t> group_;
};

// The process without root's power over permissions, the one way or the
// other, for as long as it lives: the user nobody only when the process
// can still do what `forbidden` tries without its capabilities.
class Unprivileged {
public:
    explicit Unprivileged(const std::function<bool()>& forbidden) {
        if (forbidden())
            user_.emplace();
    }

private:
    WithoutPermissionOverride capabilities_;
    std::optional<AsUnprivilegedUser> user_;
};

// The names of the files created in the folder while `action` runs.
QStringList namesCreatedIn(const QString& folder, const std::function<void()>& action) {
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0 || ::inotify_add_watch(fd, QFile::encodeName(folder).constData(), IN_CREATE) < 0) {
        action();
        return {QStringLiteral("(the folder cannot be watched)")};
    }
    action();
    QStringList names;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->len > 0)
                names << QFile::decodeName(event->name);
            at += ssize_t(sizeof(inotify_event)) + event->len;
        }
    }
    ::close(fd);
    return names;
}

// Caps the size of any file this process writes; a write past it fails with
// "File too large", as a full disk would fail it.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

enum class Writer { Bitmap, Bytes };
enum class Failure { Directory, ParentIsFile, MissingFolder, Device, Pipe, ReadOnlyFolder, FileTooLarge };
enum class Target { NewFile, ExistingFile, ThroughLink };
enum class Unreadable { Missing, Folder, ParentIsFile, Device, NoPermission };

// Saves through the writer under test; the payload is well over the size
// limit used below.
bool save(Writer writer, const QString& path, QString& error) {
    if (writer == Writer::Bitmap)
        return exportBmp(testPicture(QImage::Format_RGB32), path, error);
    return writeWholeFile(path, QByteArray(200000, 'q'), error);
}

}  // namespace

Q_DECLARE_METATYPE(QImage::Format)
Q_DECLARE_METATYPE(Writer)
Q_DECLARE_METATYPE(Failure)
Q_DECLARE_METATYPE(Target)
Q_DECLARE_METATYPE(Unreadable)

class TestBmp : public QObject {
    Q_OBJECT

private slots:
    void exportDecodes_data();
    void exportDecodes();
    void exportsRepeatIdentically();
    void emptyPictureRefused();
    void failedSaveKeepsPreviousFile_data();
    void failedSaveKeepsPreviousFile();
    void temporaryFileSaysWhatItIs_data();
    void temporaryFileSaysWhatItIs();
    void readFailuresSayWhy_data();
    void readFailuresSayWhy();
};

void TestBmp::exportDecodes_data() {
    QTest::addColumn<QImage::Format>("format");
    QTest::newRow("RGB32") << QImage::Format_RGB32;
    QTest::newRow("ARGB32") << QImage::Format_ARGB32;
    QTest::newRow("ARGB32 premultiplied") << QImage::Format_ARGB32_Premultiplied;
    QTest::newRow("RGB888") << QImage::Format_RGB888;
    QTest::newRow("RGB16") << QImage::Format_RGB16;
}

void TestBmp::exportDecodes() {
    QFETCH(QImage::Format, format);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("stamp.bmp");
    const QImage source = testPicture(format);
    QString error;
    QVERIFY2(exportBmp(source, path, error), qPrintable(error));

    const QByteArray file = contentsOf(path);
    QCOMPARE(file.size(), 54 + 596 * kSide);  // no colour table, rows of 594 bytes padded to 596
    QCOMPARE(le32(file, 10), 54u);
    const QImage decoded = decodeBmp24(file);
    QVERIFY(!decoded.isNull());
    QCOMPARE(decoded.size(), QSize(kSide, kSide));
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            if (decoded.pixel(x, y) != (source.pixel(x, y) | 0xFF000000u))
                QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) differs").arg(x).arg(y)));
        }
    }
}

void TestBmp::exportsRepeatIdentically() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QImage picture = testPicture(QImage::Format_RGB32);
    QString error;
    QVERIFY(exportBmp(picture, dir.filePath("a.bmp"), error));
    QVERIFY(exportBmp(picture, dir.filePath("b.bmp"), error));
    const QByteArray first = contentsOf(dir.filePath("a.bmp"));
    QVERIFY(!first.isEmpty());
    QCOMPARE(contentsOf(dir.filePath("b.bmp")), first);
    QVERIFY(exportBmp(picture, dir.filePath("a.bmp"), error));  // over the old file
    QCOMPARE(contentsOf(dir.filePath("a.bmp")), first);
}

void TestBmp::emptyPictureRefused() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString error;
    QVERIFY(!exportBmp(QImage(), dir.filePath("a.bmp"), error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFile::exists(dir.filePath("a.bmp")));
}

void TestBmp::failedSaveKeepsPreviousFile_data() {
    QTest::addColumn<Writer>("writer");
    QTest::addColumn<Failure>("failure");
    QTest::addColumn<QString>("reason");  // part of the reason given, in the user's language
    const std::pair<const char*, Writer> writers[] = {{"bmp", Writer::Bitmap}, {"bytes", Writer::Bytes}};
    const std::tuple<const char*, Failure, QString> failures[] = {
        {"name is a folder", Failure::Directory, QStringLiteral("это папка")},
        {"parent is a file", Failure::ParentIsFile, QStringLiteral("не является папкой")},
        {"folder missing", Failure::MissingFolder, QStringLiteral("нет такого файла или папки")},
        {"/dev/full", Failure::Device, QStringLiteral("не обычный файл")},
        {"name is a pipe", Failure::Pipe, QStringLiteral("не обычный файл")},
        {"read-only folder", Failure::ReadOnlyFolder, QStringLiteral("недостаточно прав")},
        {"file too large", Failure::FileTooLarge, QStringLiteral("файл слишком велик")},
    };
    for (const auto& [writerName, writer] : writers) {
        for (const auto& [failureName, failure, reason] : failures)
            QTest::addRow("%s, %s", writerName, failureName) << writer << failure << reason;
    }
}

void TestBmp::failedSaveKeepsPreviousFile() {
    QFETCH(Writer, writer);
    QFETCH(Failure, failure);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray previous = "previous contents\r\n";
    const QString target = dir.filePath("stamp.out");
    {
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(previous);
    }

    QString path = target;
    QString error;
    bool saved = true;
    switch (failure) {
        case Failure::Directory:
            path = dir.filePath("folder");
            QVERIFY(QDir(dir.path()).mkdir("folder"));
            saved = save(writer, path, error);
            QVERIFY(QFileInfo(path).isDir());
            break;
        case Failure::ParentIsFile:
            path = target + "/stamp.out";
            saved = save(writer, path, error);
            break;
        case Failure::MissingFolder:
            path = dir.filePath("missing/stamp.out");
            saved = save(writer, path, error);
            break;
        case Failure::Device:
            if (!isCharDevice("/dev/full"))
                QSKIP("no /dev/full here");
            path = QStringLiteral("/dev/full");
            saved = save(writer, path, error);
            QVERIFY(isCharDevice("/dev/full"));  // still the device, not replaced by a file
            break;
        case Failure::Pipe: {
            path = dir.filePath("pipe");
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
            saved = save(writer, path, error);
            struct stat st {};
            QVERIFY(::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
            QVERIFY(QFile::remove(path));
            break;
        }
        case Failure::ReadOnlyFolder: {
            // Open to everyone but writable by none.
            const auto readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                                  QFile::ReadOther | QFile::ExeOther;
            QVERIFY(QFile::setPermissions(dir.path(), readOnly));
            bool stillWritable = true;
            {
                Unprivileged guard([&] { return canCreateFileIn(dir.path()); });
                stillWritable = canCreateFileIn(dir.path());
                if (!stillWritable)
                    saved = save(writer, target, error);
            }
            QVERIFY(QFile::setPermissions(dir.path(), readOnly | QFile::WriteOwner));
            if (stillWritable)
                QSKIP("cannot make a folder read-only for this process");
            break;
        }
        case Failure::FileTooLarge: {
            FileSizeLimit limit(4096);
            saved = save(writer, target, error);
            break;
        }
    }

    QVERIFY(!saved);
    QVERIFY2(!error.isEmpty() && error != QLatin1String("Unknown error"), qPrintable(error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    QCOMPARE(contentsOf(target), previous);
    // No half-written temporary file is left beside the target.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{"stamp.out"});
}

void TestBmp::temporaryFileSaysWhatItIs_data() {
    QTest::addColumn<Writer>("writer");
    QTest::addColumn<Target>("target");
    const std::pair<const char*, Writer> writers[] = {{"bmp", Writer::Bitmap}, {"bytes", Writer::Bytes}};
    const std::pair<const char*, Target> targets[] = {
        {"new file", Target::NewFile}, {"existing file", Target::ExistingFile}, {"through a link", Target::ThroughLink}};
    for (const auto& [writerName, writer] : writers) {
        for (const auto& [targetName, target] : targets)
            QTest::addRow("%s, %s", writerName, targetName) << writer << target;
    }
}

// A save that replaces a file puts the new contents beside it first.
// Should a stop at the moment of the rename leave them behind, their name
// tells the user what they are: the target's name, the program's, ".tmp".
// The file written keeps the permissions of the one it replaces, and a
// link stays a link.
void TestBmp::temporaryFileSaysWhatItIs() {
    QFETCH(Writer, writer);
    QFETCH(Target, target);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath("stamp.out");
    QString path = file;
    const mode_t umask = ::umask(0);
    ::umask(umask);
    mode_t mode = 0666 & ~umask;
    if (target != Target::NewFile) {
        QVERIFY(QFile(file).open(QIODevice::WriteOnly));
        mode = 0640;
        QVERIFY(::chmod(QFile::encodeName(file).constData(), mode) == 0);
    }
    if (target == Target::ThroughLink) {
        path = dir.filePath("link.out");
        QVERIFY(QFile::link(file, path));
    }

    QString error;
    bool saved = false;
    const QStringList created = namesCreatedIn(dir.path(), [&] { saved = save(writer, path, error); });
    QVERIFY2(saved, qPrintable(error));
    for (const QString& name : created) {
        QVERIFY2(name == QLatin1String("stamp.out") ||
                     (name.startsWith(QStringLiteral("stamp.out.quillgraver-")) && name.endsWith(QStringLiteral(".tmp"))),
                 qPrintable(name));
    }
    QVERIFY(contentsOf(file).size() > 100000);
    struct stat st {};
    QVERIFY(::stat(QFile::encodeName(file).constData(), &st) == 0);
    QCOMPARE(st.st_mode & 0777, mode);
    QCOMPARE(QFileInfo(path).isSymLink(), target == Target::ThroughLink);
    QStringList expected{"stamp.out"};
    if (target == Target::ThroughLink)
        expected.prepend("link.out");
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name), expected);
}

void TestBmp::readFailuresSayWhy_data() {
    QTest::addColumn<Unreadable>("unreadable");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << Unreadable::Missing << QStringLiteral("нет такого файла или папки");
    QTest::newRow("a folder") << Unreadable::Folder << QStringLiteral("это папка");
    QTest::newRow("parent is a file") << Unreadable::ParentIsFile << QStringLiteral("не является папкой");
    QTest::newRow("a device") << Unreadable::Device << QStringLiteral("не обычный файл");
    QTest::newRow("no permission") << Unreadable::NoPermission << QStringLiteral("недостаточно прав");
}

// What keeps a file from being read is said in the user's language.
void TestBmp::readFailuresSayWhy() {
    QFETCH(Unreadable, unreadable);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath("design.qgr");
    {
        QFile created(file);
        QVERIFY(created.open(QIODevice::WriteOnly));
        created.write("contents");
    }
    QByteArray bytes = "kept";
    QString error;
    bool read = true;
    switch (unreadable) {
        case Unreadable::Missing:
            read = readWholeFile(dir.filePath("gone.qgr"), bytes, error);
            break;
        case Unreadable::Folder:
            read = readWholeFile(dir.path(), bytes, error);
            break;
        case Unreadable::ParentIsFile:
            read = readDesignFile(file + "/design.qgr", bytes, error);
            break;
        case Unreadable::Device:
            read = readWholeFile(QStringLiteral("/dev/zero"), bytes, error);
            break;
        case Unreadable::NoPermission: {
            // The folder open to everyone, the file to no one.
            QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                          QFile::ReadOther | QFile::ExeOther));
            QVERIFY(QFile::setPermissions(file, {}));
            bool stillReadable = true;
            {
                const auto canRead = [&] { return QFile(file).open(QIODevice::ReadOnly); };
                Unprivileged guard(canRead);
                stillReadable = canRead();
                if (!stillReadable)
                    read = readDesignFile(file, bytes, error);
            }
            QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));
            if (stillReadable)
                QSKIP("cannot make a file unreadable for this process");
            break;
        }
    }
    QVERIFY(!read);
    QVERIFY2(error.contains(reason), qPrintable(error));
    QCOMPARE(bytes, QByteArray("kept"));
}

QTEST_GUILESS_MAIN(TestBmp)
#include "test_bmp.moc"
