// The main window's file commands: opening and saving design files, files
// dropped on the window, the emblem found beside an opened design, and the
// preview's bitmap.

#include "Unit1.h"

#include "BmpExport.h"
#include "Emblem.h"
#include "ProgramSettings.h"
#include "StampFile.h"
#include "StampPages.h"

#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>

#include <algorithm>

using namespace qg;

namespace {

const QString kDesignFilter = QStringLiteral("Файлы Quillgraver (*.qgr);;Все файлы (*.*)");
const QString kWarning = QStringLiteral("Предупреждение");
const QString kInformation = QStringLiteral("Информация");
const QString kError = QStringLiteral("Ошибка");

// What the window says about each kind.
struct KindTexts {
    QString saveTitle;
    QString question;
    QString saved;
    QString read;
};

const KindTexts& textsOf(StampKind kind) {
    static const KindTexts texts[] = {
        {QStringLiteral("Сохранение круглой печати"), QStringLiteral("Сохранить изменения круглой печати ?"),
         QStringLiteral("Круглая печать сохранена !"), QStringLiteral("Круглая печать считана !")},
        {QStringLiteral("Сохранение треугольной печати"),
         QStringLiteral("Сохранить изменения треугольной печати ?"),
         QStringLiteral("Треугольная печать сохранена !"), QStringLiteral("Треугольная печать считана !")},
        {QStringLiteral("Сохранение штампа"), QStringLiteral("Сохранить изменения штампа ?"),
         QStringLiteral("Штамп сохранен !"), QStringLiteral("Штамп считан !")},
    };
    return texts[static_cast<int>(kind)];
}

bool hasExtension(const QString& fileName, QLatin1String lower, QLatin1String upper) {
    const QString extension = io::fileExtension(fileName);
    return extension == lower || extension == upper;
}

}  // namespace

// ---- Design files ----

void TForm1::SaveItemClick() {
    const ActivePage page = activePage();
    if (page == ActivePage::Info)
        return;
    saveKind(static_cast<StampKind>(page));
}

bool TForm1::saveKind(StampKind kind) {
    QString path = m_dialogs.saveFileName(FileDialogRequest{
        textsOf(kind).saveTitle, startFolder(FileKind::Design), kDesignFilter, QStringLiteral("qgr")});
    if (path.isEmpty())
        return false;
    rememberFolder(FileKind::Design, path);
    if (io::fileExtension(path).isEmpty())
        path += QStringLiteral(".qgr");

    QByteArray bytes;
    QString error;
    if (!io::writeDesign(kind, m_designs, bytes, error) || !io::writeWholeFile(path, bytes, error)) {
        reportFileError(QStringLiteral("Не удалось сохранить файл"), path, error);
        return false;
    }
    setModified(kind, false);
    m_fileNames[static_cast<std::size_t>(kind)] = path;
    m_dialogs.message(MessageIcon::Information, kInformation, textsOf(kind).saved);
    return true;
}

void TForm1::reportFileError(const QString& what, const QString& path, const QString& reason) {
    m_dialogs.message(MessageIcon::Error, kError,
                      QStringLiteral("%1\n%2\n\n%3").arg(what, QDir::toNativeSeparators(path), reason));
}

bool TForm1::settleUnsavedChanges(StampKind kind) {
    if (!isModified(kind))
        return true;
    switch (m_dialogs.confirm(textsOf(kind).question)) {
        case Answer::Yes:
            return saveKind(kind);
        case Answer::No:
            return true;
        case Answer::Cancel:
            break;
    }
    return false;
}

void TForm1::OpenItemClick() {
    const QString path = m_dialogs.openFileName(
        FileDialogRequest{QString(), startFolder(FileKind::Design), kDesignFilter, QString()});
    if (path.isEmpty())
        return;
    rememberFolder(FileKind::Design, path);
    openDesignFile(path);
}

void TForm1::openDesignFile(const QString& path) {
    if (!hasExtension(path, QLatin1String(".qgr"), QLatin1String(".QGR"))) {
        m_dialogs.message(MessageIcon::Error, kWarning, QStringLiteral("Расширение файла должно быть qgr !"));
        return;
    }
    const auto readFile = [&](QByteArray& bytes) {
        QString error;
        if (io::readDesignFile(path, bytes, error))
            return true;
        reportFileError(QStringLiteral("Не удалось открыть файл"), path, error);
        return false;
    };
    QByteArray bytes;
    if (!readFile(bytes))
        return;
    const std::optional<StampKind> kind = io::sectionKind(bytes);
    if (!kind)
        return;
    // The file's kind is about to be replaced: settle its unsaved changes
    // first (the other kinds are not touched). The answer may have saved
    // over this very file, so the design is read only after it.
    if (isModified(*kind)) {
        if (!settleUnsavedChanges(*kind) || !readFile(bytes) || io::sectionKind(bytes) != kind)
            return;
    }

    const io::ReadResult read = readDesign(*kind, bytes);
    if (!read.ok()) {
        m_dialogs.message(
            MessageIcon::Error, QStringLiteral("Ошибка чтения файла"),
            read.tooLong ? QStringLiteral("Текст в строке %1 длиннее %2 символов !")
                               .arg(read.damagedLine)
                               .arg(io::kMaxLineText)
                         : QLatin1Char('C') + QStringLiteral("трока %1 повреждена !").arg(read.damagedLine));
        return;
    }
    setModified(*kind, false);
    m_fileNames[static_cast<std::size_t>(*kind)] = path;
    const QString emblemWarning = *kind == StampKind::Round ? checkOpenedEmblem(path) : QString();
    setActivePage(static_cast<ActivePage>(*kind));
    RefreshItemClick();
    m_dialogs.message(MessageIcon::Information, kInformation, textsOf(*kind).read);
    if (!emblemWarning.isEmpty())
        m_dialogs.message(MessageIcon::Error, QStringLiteral("Предупреждение."), emblemWarning);
}

// A design sent to another machine with its emblem beside it names a
// folder that machine lacks: the file of the same name beside the design
// is taken instead. The design then names another file, so it counts as
// modified: saving it keeps the new path.
QString TForm1::checkOpenedEmblem(const QString& designPath) {
    EmblemSettings& emblem = m_designs.round.emblem;
    // A picture of any kind named after the fixed lines is drawn instead of
    // the bitmap; its copy in the design stands in when it is missing.
    const bool anyKind = !emblem.file.isEmpty();
    QString& named = anyKind ? emblem.file : emblem.path;
    if (named.isEmpty())
        return QString();
    // The path taken is saved with the design, so it must fit Windows-1251.
    const EmblemLookup found = lookUpEmblem(named, designPath, io::canEncodeCp1251, anyKind);
    switch (found.named) {
        case EmblemFile::Bitmap:
            return QString();
        case EmblemFile::TooLarge:
            return QStringLiteral("Рисунок герба больше 4096 на 4096 точек !\n%1").arg(named);
        case EmblemFile::NotBitmap:
            return anyKind ? QStringLiteral("Файл герба не является рисунком SVG, PNG, JPEG или BMP !\n%1")
                                 .arg(named)
                           : QStringLiteral("Файл герба не является рисунком bmp !\n%1").arg(named);
        case EmblemFile::Missing:
            break;
    }
    if (!found.beside) {
        if (anyKind && !emblem.embeddedData.isEmpty())
            return QString();  // drawn from the copy the design carries
        return QStringLiteral("Файл герба не найден !\n%1").arg(named);
    }
    const QString beside = found.path;
    const QString missing = named;
    named = beside;
    if (!anyKind)
        Page1->showEmblemFileName(beside);
    setModified(StampKind::Round, true);
    return QStringLiteral(
               "Файл герба не найден !\n%1\n\nВместо него взят файл с тем же именем из папки печати:\n%2")
        .arg(missing, QDir::toNativeSeparators(beside));
}

// A damaged file changes nothing: the file is read into a copy of the
// kind's design, which replaces the design only when every line was sound.
io::ReadResult TForm1::readDesign(StampKind kind, const QByteArray& bytes) {
    StampDesigns copy = m_designs;
    const io::ReadResult result = io::readDesign(kind, bytes, copy);
    if (!result.ok())
        return result;
    m_designs = copy;
    switch (kind) {
        case StampKind::Round:
            Page1->syncFromRecord();
            Page1->showEmblemFileName(m_designs.round.emblem.path);
            break;
        case StampKind::Triangle:
            Page2->syncFromRecord();
            break;
        case StampKind::Rect:
            Page3->syncFromRecord();
            break;
    }
    return result;
}

// ---- Dropped files ----

void TForm1::acceptDrops(QWidget* widget) {
    widget->installEventFilter(this);
    for (QWidget* child : widget->findChildren<QWidget*>())
        child->installEventFilter(this);
}

QStringList TForm1::droppableFiles(const QMimeData* data, QWidget* target, const QPoint& position) const {
    QStringList files;
    if (!data->hasUrls())
        return files;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            return QStringList();
        files.append(url.toLocalFile());
    }
    const bool designs = std::all_of(files.cbegin(), files.cend(), [](const QString& file) {
        return hasExtension(file, QLatin1String(".qgr"), QLatin1String(".QGR"));
    });
    if (designs)
        return files;
    // One bitmap, on the emblem group of the round seal's page.
    QWidget* group = Page1->emblemGroup();
    const bool onEmblem = Pages->currentWidget() == Page1 && Page1->takesEmblemFile() &&
                          group->rect().contains(group->mapFromGlobal(target->mapToGlobal(position)));
    if (files.size() == 1 && onEmblem &&
        hasExtension(files.front(), QLatin1String(".bmp"), QLatin1String(".BMP")))
        return files;
    return QStringList();
}

// Takes a drag of design files, or of an emblem onto its group, over any
// control of the window; true when the event was taken.
bool TForm1::takeDrop(QObject* watched, QDropEvent* drop) {
    auto* target = qobject_cast<QWidget*>(watched);
    if (!target || !(target == this || isAncestorOf(target)))
        return false;
    const QStringList files = droppableFiles(drop->mimeData(), target, drop->position().toPoint());
    if (files.isEmpty()) {
        // Not ours: an edit still takes dragged text as it always did.
        if (drop->mimeData()->hasUrls()) {
            drop->ignore();
            return true;
        }
        return false;
    }
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (drop->type() == QEvent::Drop) {
        // The drag's source waits for the drop to end: the files open, with
        // their messages, once it has.
        QTimer::singleShot(0, this, [this, files] {
            for (const QString& file : files) {
                if (hasExtension(file, QLatin1String(".bmp"), QLatin1String(".BMP")))
                    Page1->setEmblemFile(file);
                else
                    openDesignFile(file);
            }
        });
    }
    return true;
}

// ---- Bitmap export ----

void TForm1::SaveAsItemClick() {
    QString path = m_dialogs.saveFileName(
        FileDialogRequest{QStringLiteral("Сохранение файла"), startFolder(FileKind::PreviewBitmap),
                          QStringLiteral("Bitmaps (*.bmp);;Все файлы (*.*)"), QStringLiteral("bmp")});
    if (path.isEmpty())
        return;
    rememberFolder(FileKind::PreviewBitmap, path);
    if (io::fileExtension(path).isEmpty())
        path += QStringLiteral(".bmp");
    if (!hasExtension(path, QLatin1String(".bmp"), QLatin1String(".BMP"))) {
        m_dialogs.message(MessageIcon::Error, QStringLiteral("Предупреждение."),
                          QStringLiteral("Расширение файла должно быть bmp !"));
        return;
    }
    QString error;
    if (!io::exportBmp(previewPicture(), path, error)) {
        reportFileError(QStringLiteral("Не удалось сохранить файл"), path, error);
        return;
    }
    m_dialogs.message(MessageIcon::Information, kInformation, QStringLiteral("Файл (bmp) сохранен !"));
}
