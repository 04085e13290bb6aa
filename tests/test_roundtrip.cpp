#include "BmpExport.h"
#include "Designs.h"
#include "Render.h"
#include "ScriptedDialogs.h"
#include "StampFile.h"
#include "StampPages.h"
#include "Unit1.h"
#include "WindowHelpers.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace qg;

namespace {

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray blackPng() {
    QImage picture(12, 8, QImage::Format_RGB32);
    picture.fill(Qt::black);
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "PNG"))
        png.clear();
    return png;
}

QByteArray writeKind(const StampDesigns& designs, int kind) {
    return kind == 0   ? io::writeRoundSeal(designs.round)
           : kind == 1 ? io::writeTriangleSeal(designs.triangle)
                       : io::writeRectStamp(designs.rect);
}


}  // namespace

class TestRoundTrip : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void saveDefaultRoundSeal();
    void saveOnInformationPageDoesNothing();
    void saveFailureKeepsPreviousFileAndFlag();
    void openRules_data();
    void openRules();
    void damagedFileChangesNothing_data();
    void damagedFileChangesNothing();
    void openShowsValuesInControls();
    void unreadableFileIsReported();
    void openedEmblemFile_data();
    void openedEmblemFile();
    void oversizedFileIsRefused_data();
    void oversizedFileIsRefused();
    void overlongTextIsRefused_data();
    void overlongTextIsRefused();
    void bmpExport_data();
    void bmpExport();
    void bmpExportOfInformationPage();
    void editSaveResetOpen_data();
    void editSaveResetOpen();

private:
    std::unique_ptr<ScriptedWindow> m_ui;
    ScriptedDialogs* m_dialogs = nullptr;
    TForm1* m_window = nullptr;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestRoundTrip::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_ui = std::make_unique<ScriptedWindow>();
    m_dialogs = &m_ui->dialogs;
    m_window = &m_ui->window;
}

void TestRoundTrip::cleanup() {
    QVERIFY2(m_dialogs->unexpected.isEmpty(), qPrintable(m_dialogs->unexpected.join(QStringLiteral(", "))));
    m_ui.reset();
    m_dir.reset();
}

void TestRoundTrip::saveDefaultRoundSeal() {
    TForm1& w = *m_window;
    m_dialogs->saveNames.push_back(m_dir->filePath(QStringLiteral("seal")));
    m_dialogs->saveNames.push_back(m_dir->filePath(QStringLiteral("again.qgr")));
    click(w, "SaveQgrButton");
    click(w, "SaveQgrButton");
    QCOMPARE(m_dialogs->saveRequests[0].defaultSuffix, QStringLiteral("qgr"));
    QCOMPARE(m_dialogs->saveRequests[0].filter, QStringLiteral("Файлы Quillgraver (*.qgr);;Все файлы (*.*)"));
    QCOMPARE(m_dialogs->messages.size(), 2);
    QCOMPARE(m_dialogs->messages[0].text, QStringLiteral("Круглая печать сохранена !"));
    QCOMPARE(m_dialogs->messages[0].caption, QStringLiteral("Информация"));
    QCOMPARE(m_dialogs->messages[0].icon, MessageIcon::Information);

    const QByteArray first = fileBytes(m_dir->filePath(QStringLiteral("seal.qgr")));
    QCOMPARE(first.size(), 948 + 2 + 3 * 18);
    QVERIFY(first.startsWith("Quillgraver save file. Program created by Fenbrooke\r\n"));
    QCOMPARE(first.mid(948), QByteArray("\r\nCenterDegree1: 0\r\nCenterDegree2: 0\r\nCenterDegree3: 0\r\n"));
    QCOMPARE(fileBytes(m_dir->filePath(QStringLiteral("again.qgr"))), first);
}

void TestRoundTrip::saveOnInformationPageDoesNothing() {
    TForm1& w = *m_window;
    typeText(control<QLineEdit>(w, "Page1Edit1"), QStringLiteral("1"));
    w.setActivePage(ActivePage::Info);
    click(w, "SaveQgrButton");
    QVERIFY(m_dialogs->saveRequests.isEmpty());
    QVERIFY(m_dialogs->messages.isEmpty());
    QVERIFY(w.isModified(StampKind::Round));
}

void TestRoundTrip::saveFailureKeepsPreviousFileAndFlag() {
    TForm1& w = *m_window;
    // A folder in place of the file: the save fails and says why.
    const QString folder = m_dir->filePath(QStringLiteral("folder.qgr"));
    QVERIFY(QDir().mkpath(folder));
    typeText(control<QLineEdit>(w, "Page1Edit1"), QStringLiteral("1"));
    m_dialogs->saveNames.push_back(folder);
    click(w, "SaveQgrButton");
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(m_dialogs->messages[0].icon, MessageIcon::Error);
    QVERIFY(m_dialogs->messages[0].text.contains(folder));
    QVERIFY(w.isModified(StampKind::Round));
    QVERIFY(QFileInfo(folder).isDir());
}

void TestRoundTrip::openRules_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("page");

    const QByteArray triangle = io::writeTriangleSeal(defaultTriangleSeal());
    QTest::newRow(".QGR taken") << "A.QGR" << triangle << "Треугольная печать считана !" << 1;
    QTest::newRow(".Qgr refused") << "a.Qgr" << triangle << "Расширение файла должно быть qgr !" << 0;
    QTest::newRow(".txt refused") << "a.txt" << triangle << "Расширение файла должно быть qgr !" << 0;
    QTest::newRow("no extension refused") << "a" << triangle << "Расширение файла должно быть qgr !" << 0;
    QByteArray lower = triangle;
    lower.replace(";Page2", ";page2");
    QTest::newRow("lower-case marker ignored") << "a.qgr" << lower << QString() << 0;
    QTest::newRow("three lines ending in the marker") << "a.qgr" << QByteArray("x\r\ny\r\n;Page3\r\n")
                                                      << "Штамп считан !" << 2;
    QTest::newRow("one line") << "a.qgr" << QByteArray("abc") << QString() << 0;
    QTest::newRow("empty") << "a.qgr" << QByteArray() << QString() << 0;
    QByteArray round76 = io::writeRoundSeal(defaultRoundSeal());
    round76.truncate(round76.indexOf("\r\n\r\nCenterDegree1") + 2);
    QTest::newRow("round seal of 76 lines and two empty lines")
        << "a.qgr" << round76 + "\r\n\r\n" << "Круглая печать считана !" << 0;
    QTest::newRow("round seal of 76 lines and other text")
        << "a.qgr" << round76 + "Печать\r\nEnable: x\r\n" << "Круглая печать считана !" << 0;
}

void TestRoundTrip::openRules() {
    QFETCH(QString, fileName);
    QFETCH(QByteArray, contents);
    QFETCH(QString, message);
    QFETCH(int, page);
    TForm1& w = *m_window;
    const QString path = m_dir->filePath(fileName);
    writeBytes(path, contents);
    m_dialogs->openNames.push_back(path);
    click(w, "OpenButton");
    QCOMPARE(m_dialogs->lastMessage(), message);
    QCOMPARE(static_cast<int>(w.activePage()), page);
    for (int k = 0; k < kKindCount; ++k)
        QVERIFY(!w.isModified(static_cast<StampKind>(k)));
}

void TestRoundTrip::damagedFileChangesNothing_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("sound");
    QTest::addColumn<QByteArray>("damaged");
    QTest::addColumn<int>("line");

    QTest::newRow("round seal, path key without blank") << 0 << QByteArray("\r\nPath: \r\n")
                                                        << QByteArray("\r\nPath:\r\n") << 75;
    QTest::newRow("round seal, background key") << 0 << QByteArray("Field Color: ") << QByteArray("Field Colour: ")
                                                << 5;
    QTest::newRow("triangular seal, lower-case switch")
        << 1 << QByteArray("A: 64\r\nEnable: True") << QByteArray("A: 64\r\nEnable: true") << 14;
    QTest::newRow("rectangular stamp, lower-case switch")
        << 2 << QByteArray("K1C: 536870911\r\nEnable: True") << QByteArray("K1C: 536870911\r\nEnable: true")
        << 67;
}

// Every line before the damaged one is sound and different from the design
// in the window, yet nothing of it may reach the window.
void TestRoundTrip::damagedFileChangesNothing() {
    QFETCH(int, kind);
    QFETCH(QByteArray, sound);
    QFETCH(QByteArray, damaged);
    QFETCH(int, line);
    TForm1& w = *m_window;
    typeText(control<QLineEdit>(w, "Page1Edit2"), QStringLiteral("!"));
    w.setActivePage(ActivePage::Rect);
    click(w, "RefreshButton");
    const StampDesigns before = w.designs();
    const QImage picture = w.previewPicture().copy();

    StampDesigns inFile;
    inFile.round.lines[0].text = QStringLiteral("Другой текст");
    inFile.triangle.lines[0].text = QStringLiteral("Другой текст");
    inFile.rect.lines[0].text = QStringLiteral("Другой текст");
    inFile.round.background = inFile.triangle.background = inFile.rect.background = 0x00FF00;
    QByteArray bytes = kind == 0   ? io::writeRoundSeal(inFile.round)
                       : kind == 1 ? io::writeTriangleSeal(inFile.triangle)
                                   : io::writeRectStamp(inFile.rect);
    QVERIFY(bytes.contains(sound));
    bytes.replace(sound, damaged);
    const QString path = m_dir->filePath(QStringLiteral("damaged.qgr"));
    writeBytes(path, bytes);
    m_dialogs->openNames.push_back(path);
    if (kind == 0)  // the modified round seal is asked about first
        m_dialogs->answers.push_back(Answer::No);
    click(w, "OpenButton");

    QVERIFY(m_dialogs->scriptUsedUp());
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(m_dialogs->messages[0].text, QString(QLatin1Char('C') + QStringLiteral("трока %1 повреждена !").arg(line)));
    QCOMPARE(m_dialogs->messages[0].caption, QStringLiteral("Ошибка чтения файла"));
    QCOMPARE(m_dialogs->messages[0].icon, MessageIcon::Error);
    QCOMPARE(w.designs().round, before.round);
    QCOMPARE(w.designs().triangle, before.triangle);
    QCOMPARE(w.designs().rect, before.rect);
    for (const char* name : {"Page1Edit1", "Page2Edit1", "Page3Edit1"})
        QVERIFY(control<QLineEdit>(w, QString::fromLatin1(name))->text() != QStringLiteral("Другой текст"));
    QVERIFY(control<QCheckBox>(w, "Page3Box1Check")->isChecked());
    QVERIFY(control<QCheckBox>(w, "Page2Check1")->isChecked());
    QVERIFY(w.activePage() == ActivePage::Rect);
    QVERIFY(w.isModified(StampKind::Round));
    QVERIFY(!w.isModified(StampKind::Triangle));
    QVERIFY(!w.isModified(StampKind::Rect));
    QCOMPARE(w.previewPicture(), picture);
}

void TestRoundTrip::openShowsValuesInControls() {
    TForm1& w = *m_window;
    RoundSealParameters seal = defaultRoundSeal();
    seal.lines[0].radius = 55;
    seal.lines[4].angle = 30;
    seal.rings[2].color = 0xFF0000;
    seal.emblem.path = QStringLiteral("C:\\Печати\\Coat of arms 2005.bmp");  // written on Windows
    seal.lines[3].enabled = true;
    const QString path = m_dir->filePath(QStringLiteral("seal.qgr"));
    writeBytes(path, io::writeRoundSeal(seal));
    w.setActivePage(ActivePage::Rect);
    m_dialogs->openNames.push_back(path);
    click(w, "OpenButton");

    QCOMPARE(w.designs().round, seal);
    QVERIFY(w.activePage() == ActivePage::Round);
    QCOMPARE(control<QLineEdit>(w, "Page1EditR1")->text(), QStringLiteral("55"));
    QCOMPARE(control<QLineEdit>(w, "Page1EditA5")->text(), QStringLiteral("30"));
    QCOMPARE(control<ColourPanel>(w, "Page1Box3Button1")->colour(), 0xFF0000);
    QCOMPARE(control<QLabel>(w, "Page1Box4Label2")->text(), QStringLiteral("Coat of arms 2"));
    QVERIFY(control<QLineEdit>(w, "Page1Edit4")->isEnabled());
    QVERIFY(!w.isModified(StampKind::Round));
    QCOMPARE(w.previewPicture(), expectedPicture(w.designs(), ActivePage::Round));
    QCOMPARE(m_dialogs->messages.value(0).text, QStringLiteral("Круглая печать считана !"));
    // The emblem file named is not on this machine.
    QCOMPARE(m_dialogs->lastMessage(),
             QStringLiteral("Файл герба не найден !\nC:\\Печати\\Coat of arms 2005.bmp"));
}

void TestRoundTrip::unreadableFileIsReported() {
    TForm1& w = *m_window;
    m_dialogs->openNames.push_back(m_dir->filePath(QStringLiteral("missing.qgr")));
    click(w, "OpenButton");
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(m_dialogs->messages[0].icon, MessageIcon::Error);
    QVERIFY(m_dialogs->messages[0].text.contains(QStringLiteral("missing.qgr")));
    QCOMPARE(w.designs().round, defaultRoundSeal());
}

void TestRoundTrip::openedEmblemFile_data() {
    QTest::addColumn<QString>("named");     // the path in the design; %DIR% is another folder
    QTest::addColumn<QByteArray>("there");  // what lies at the path, if anything
    QTest::addColumn<QByteArray>("beside"); // what lies beside the design under that name
    QTest::addColumn<QString>("warning");   // %NAMED% and %BESIDE% stand for the two paths
    QTest::addColumn<bool>("taken");        // the path in the design became the one beside it
    QTest::addColumn<bool>("copy");         // the design carries a copy of it; .png: a picture of any kind

    const QByteArray bmp = testing::bmpBytes(20, 10, Qt::red);
    const QByteArray text("not a bitmap");
    const QString missing = QStringLiteral("Файл герба не найден !\n%NAMED%");
    const QString taken = QStringLiteral(
        "Файл герба не найден !\n%NAMED%\n\nВместо него взят файл с тем же именем из папки печати:\n%BESIDE%");

    QTest::newRow("found") << "%DIR%/герб.bmp" << bmp << QByteArray() << QString() << false << false;
    QTest::newRow("found, one beside too") << "%DIR%/герб.bmp" << bmp << bmp << QString() << false << false;
    QTest::newRow("no emblem named") << "" << QByteArray() << QByteArray() << QString() << false << false;
    QTest::newRow("missing") << "%DIR%/герб.bmp" << QByteArray() << QByteArray() << missing << false << false;
    QTest::newRow("missing, one beside") << "%DIR%/герб.bmp" << QByteArray() << bmp << taken << true << false;
    QTest::newRow("Windows path, one beside") << "C:\\Печати\\герб.bmp" << QByteArray() << bmp << taken << true << false;
    QTest::newRow("missing, beside not a bitmap") << "%DIR%/герб.bmp" << QByteArray() << text << missing << false << false;
    QTest::newRow("not a bitmap") << "%DIR%/герб.bmp" << text << bmp
                                  << "Файл герба не является рисунком bmp !\n%NAMED%" << false << false;
    QTest::newRow("too large") << "%DIR%/герб.bmp" << testing::bmpBytes(4097, 1, Qt::black) << bmp
                               << "Рисунок герба больше 4096 на 4096 точек !\n%NAMED%" << false << false;
    // A picture of any kind follows the bitmap's rule; a copy carried in
    // the design stands in quietly.
    const QByteArray png = blackPng();
    const QString logo = QStringLiteral("%DIR%/логотип.png");
    QTest::newRow("picture found") << logo << png << QByteArray() << QString() << false << false;
    QTest::newRow("picture missing") << logo << QByteArray() << QByteArray() << missing << false << false;
    QTest::newRow("picture missing, carried") << logo << QByteArray() << QByteArray() << QString() << false << true;
    QTest::newRow("picture missing, one beside") << logo << QByteArray() << png << taken << true << false;
    QTest::newRow("picture missing, beside not a picture")
        << logo << QByteArray() << QByteArray("text") << missing << false << false;

}

void TestRoundTrip::openedEmblemFile() {
    QFETCH(QString, named);
    QFETCH(QByteArray, there);
    QFETCH(QByteArray, beside);
    QFETCH(QString, warning);
    QFETCH(bool, taken);
    QFETCH(bool, copy);
    const bool picture = named.endsWith(QStringLiteral(".png"));
    TForm1& w = *m_window;
    QDir dir(m_dir->path());
    QVERIFY(dir.mkdir(QStringLiteral("designs")) && dir.mkdir(QStringLiteral("elsewhere")));
    named.replace(QStringLiteral("%DIR%"), dir.filePath(QStringLiteral("elsewhere")));
    const QString besidePath =
        dir.filePath(picture ? QStringLiteral("designs/логотип.png") : QStringLiteral("designs/герб.bmp"));
    if (!there.isEmpty())
        writeBytes(named, there);
    if (!beside.isEmpty())
        writeBytes(besidePath, beside);

    RoundSealParameters seal = defaultRoundSeal();
    seal.emblem = EmblemSettings{true, 15, 25, picture ? QString() : named};
    if (picture) {
        seal.emblem.file = named;
        seal.emblem.width = 24;
    }
    if (copy) {
        seal.emblem.embeddedName = QStringLiteral("логотип.png");
        seal.emblem.embeddedData = blackPng();
    }
    const QString design = dir.filePath(QStringLiteral("designs/seal.qgr"));
    writeBytes(design, io::writeRoundSeal(seal));
    m_dialogs->openNames.push_back(design);
    click(w, "OpenButton");

    // The design opens whatever became of its emblem.
    QCOMPARE(m_dialogs->messages.value(0).text, QStringLiteral("Круглая печать считана !"));
    QCOMPARE(m_dialogs->messages.size(), warning.isEmpty() ? 1 : 2);
    if (!warning.isEmpty()) {
        warning.replace(QStringLiteral("%NAMED%"), named).replace(QStringLiteral("%BESIDE%"), besidePath);
        QCOMPARE(m_dialogs->messages[1].text, warning);
        QCOMPARE(m_dialogs->messages[1].caption, QStringLiteral("Предупреждение."));
    }
    if (taken)
        (picture ? seal.emblem.file : seal.emblem.path) = besidePath;
    QCOMPARE(w.designs().round, seal);
    QCOMPARE(w.isModified(StampKind::Round), taken);
    QCOMPARE(control<QLabel>(w, "Page1Box4Label2")->text(),
             named.isEmpty() || picture ? QStringLiteral("   Файл не задан") : QStringLiteral("герб.bmp"));
    // The emblem, red on white, is drawn in the window-text colour; the
    // picture, black, at twice its size.
    const bool drawn = ((there.startsWith("BM") || picture) && !there.isEmpty() && warning.isEmpty()) || copy || taken;
    QCOMPARE(picture ? w.previewPicture().pixel(20, 30) : w.previewPicture().pixel(15, 25),
             drawn ? 0xFF000000u : 0xFFFFFFFFu);
}

// A file larger than any design is refused, quickly and with a reason,
// whatever it holds: here a sound triangular seal padded with lines.
void TestRoundTrip::oversizedFileIsRefused_data() {
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("message");
    QTest::newRow("1 MiB") << io::kMaxDesignFileSize << "Треугольная печать считана !";
    QTest::newRow("1 MiB and a byte") << io::kMaxDesignFileSize + 1 << QString();
    QTest::newRow("1 GiB") << (qint64(1) << 30) << QString();
}

void TestRoundTrip::oversizedFileIsRefused() {
    QFETCH(qint64, size);
    QFETCH(QString, message);
    TForm1& w = *m_window;
    const QString path = m_dir->filePath(QStringLiteral("big.qgr"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        TriangleSealParameters seal = defaultTriangleSeal();
        seal.lines[0].text = QStringLiteral("Большая");
        file.write(io::writeTriangleSeal(seal));
        file.write(QByteArray(8000 - 2, 'x') + "\r\n");
        QVERIFY(file.resize(size));  // the rest: zeros, without a disk block
    }
    m_dialogs->openNames.push_back(path);
    QElapsedTimer timer;
    timer.start();
    click(w, "OpenButton");
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(m_dialogs->messages.size(), 1);
    if (!message.isEmpty()) {
        QCOMPARE(m_dialogs->lastMessage(), message);
        QCOMPARE(w.designs().triangle.lines[0].text, QStringLiteral("Большая"));
        return;
    }
    QCOMPARE(m_dialogs->messages[0].icon, MessageIcon::Error);
    QVERIFY(m_dialogs->lastMessage().contains(QStringLiteral("big.qgr")));
    QVERIFY(m_dialogs->lastMessage().contains(QStringLiteral("больше 1 МБ")));
    QCOMPARE(w.designs().triangle, defaultTriangleSeal());
    QCOMPARE(w.activePage(), ActivePage::Round);
}

void TestRoundTrip::overlongTextIsRefused_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("line");    // 0-based text line of the kind
    QTest::addColumn<int>("length");  // of its text in the file
    QTest::addColumn<QString>("message");
    const QString refused = QStringLiteral("Текст в строке %1 длиннее 1000 символов !");
    QTest::newRow("round seal, ring text of 1000") << 0 << 0 << 1000 << "Круглая печать считана !";
    QTest::newRow("round seal, ring text of 1001") << 0 << 2 << 1001 << refused.arg(23);
    QTest::newRow("round seal, centre line of nearly 1 MiB") << 0 << 5 << 1040000 << refused.arg(49);
    QTest::newRow("triangular seal, side text of 1001") << 1 << 1 << 1001 << refused.arg(16);
    QTest::newRow("rectangular stamp, last line of 5000") << 2 << 5 << 5000 << refused.arg(52);
}

// A text longer than a text line may hold is refused as the file is read,
// with a message of its own, and nothing of the file is taken.
void TestRoundTrip::overlongTextIsRefused() {
    QFETCH(int, kind);
    QFETCH(int, line);
    QFETCH(int, length);
    QFETCH(QString, message);
    TForm1& w = *m_window;
    const StampDesigns before = w.designs();
    StampDesigns inFile;
    TextLines* lines[] = {&inFile.round.lines, &inFile.triangle.lines, &inFile.rect.lines};
    TextLineSettings& text = (*lines[kind])[static_cast<std::size_t>(line)];
    text.text = testing::repeatedTo(QStringLiteral("Печать "), length);
    inFile.round.background = inFile.triangle.background = inFile.rect.background = 0x00FF00;
    const QString path = m_dir->filePath(QStringLiteral("long.qgr"));
    writeBytes(path, writeKind(inFile, kind));
    QElapsedTimer timer;
    timer.start();
    w.openDesignFile(path);
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(m_dialogs->messages[0].text, message);
    const StampDesigns& now = w.designs();
    const TextLines* shown[] = {&now.round.lines, &now.triangle.lines, &now.rect.lines};
    if (length <= io::kMaxLineText) {
        QCOMPARE((*shown[kind])[static_cast<std::size_t>(line)].text, text.text);
        return;
    }
    QCOMPARE(m_dialogs->messages[0].caption, QStringLiteral("Ошибка чтения файла"));
    QCOMPARE(m_dialogs->messages[0].icon, MessageIcon::Error);
    QCOMPARE(now.round, before.round);
    QCOMPARE(now.triangle, before.triangle);
    QCOMPARE(now.rect, before.rect);
    QCOMPARE(w.activePage(), ActivePage::Round);
}

void TestRoundTrip::bmpExport_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("message");

    QTest::newRow("no extension") << "stamp" << "stamp.bmp" << "Файл (bmp) сохранен !";
    QTest::newRow("upper case") << "STAMP.BMP" << "STAMP.BMP" << "Файл (bmp) сохранен !";
    QTest::newRow("mixed case") << "stamp.Bmp" << QString() << "Расширение файла должно быть bmp !";
    QTest::newRow("png") << "stamp.png" << QString() << "Расширение файла должно быть bmp !";
}

void TestRoundTrip::bmpExport() {
    QFETCH(QString, typed);
    QFETCH(QString, written);
    QFETCH(QString, message);
    TForm1& w = *m_window;
    m_dialogs->saveNames.push_back(m_dir->filePath(typed));
    click(w, "SaveBmpButton");
    QCOMPARE(m_dialogs->saveRequests[0].title, QStringLiteral("Сохранение файла"));
    QCOMPARE(m_dialogs->saveRequests[0].defaultSuffix, QStringLiteral("bmp"));
    QCOMPARE(m_dialogs->lastMessage(), message);
    if (written.isEmpty()) {
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList());
        QCOMPARE(m_dialogs->messages[0].caption, QStringLiteral("Предупреждение."));
        return;
    }
    const QImage saved(m_dir->filePath(written), "BMP");
    QCOMPARE(saved.size(), QSize(198, 198));
    QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), w.previewPicture().convertToFormat(QImage::Format_RGB32));
    QVERIFY(!w.isModified(StampKind::Round));
}

void TestRoundTrip::bmpExportOfInformationPage() {
    TForm1& w = *m_window;
    typeText(control<QLineEdit>(w, "Page1Edit1"), QStringLiteral("1"));
    control<QTabWidget>(w, "Pages")->setCurrentIndex(3);
    m_dialogs->saveNames.push_back(m_dir->filePath(QStringLiteral("a.bmp")));
    m_dialogs->saveNames.push_back(m_dir->filePath(QStringLiteral("b.bmp")));
    click(w, "SaveBmpButton");
    click(w, "SaveBmpButton");
    const QByteArray a = fileBytes(m_dir->filePath(QStringLiteral("a.bmp")));
    QVERIFY(!a.isEmpty());
    QCOMPARE(fileBytes(m_dir->filePath(QStringLiteral("b.bmp"))), a);
    Canvas canvas;
    ClearStamp(canvas, StampDesigns{}, ActivePage::Info);
    Page4Stamp(canvas);
    QCOMPARE(QImage(m_dir->filePath(QStringLiteral("a.bmp")), "BMP").convertToFormat(QImage::Format_RGB32),
             canvas.image().convertToFormat(QImage::Format_RGB32));
}

void TestRoundTrip::editSaveResetOpen_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<QStringList>("edits");  // name=value pairs

    QTest::newRow("round seal") << 0
                                << QStringList{"Page1Edit1=Круг ", "Page1EditR1=65", "Page1EditA2=-30",
                                               "Page1Edit5=", "Page1EditA4=45", "Page1Box2Edit1=-3",
                                               "Page1Box4Edit2=25", "Page1Check5=1", "Page1Box3Check=0"};
    QTest::newRow("triangular seal") << 1
                                     << QStringList{"Page2Edit3= Низ ", "Page2EditX1=5", "Page2EditA2=-81",
                                                    "Page2EditL3W=0", "Page2EditL1Y2=-2147483648",
                                                    "Page2Check6=1", "Page2Box2Check=0"};
    QTest::newRow("rectangular stamp") << 2
                                       << QStringList{"Page3Edit6=Штамп №1", "Page3EditK1X1=195", "Page3EditK1X2=5",
                                                      "Page3EditL1W=5", "Page3EditY3=3", "Page3Check5=0",
                                                      "Page3Box1Check=0"};
}

void TestRoundTrip::editSaveResetOpen() {
    QFETCH(int, page);
    QFETCH(QStringList, edits);
    TForm1& w = *m_window;
    control<QTabWidget>(w, "Pages")->setCurrentIndex(page);
    for (const QString& edit : edits) {
        const QString name = edit.section(QLatin1Char('='), 0, 0);
        const QString value = edit.section(QLatin1Char('='), 1);
        if (auto* check = w.findChild<QCheckBox*>(name))
            check->setChecked(value == QLatin1String("1"));
        else
            retype(control<QLineEdit>(w, name), value);
    }
    m_dialogs->colours.push_back(0x336699);
    w.findChild<QAction*>(QStringLiteral("ColorItem"))->trigger();
    LineFont font = fontDialogStartFont();
    font.face = QStringLiteral("Courier New");
    font.size = 11;
    font.color = 0x0000FF;
    m_dialogs->fonts.push_back(font);
    click(w, QStringLiteral("Page%1Button2").arg(page + 1));

    const StampDesigns edited = w.designs();
    const QImage editedPicture = w.previewPicture().copy();
    QVERIFY(w.isModified(static_cast<StampKind>(page)));

    const QString path = m_dir->filePath(QStringLiteral("design.qgr"));
    m_dialogs->saveNames.push_back(path);
    click(w, "SaveQgrButton");
    QVERIFY(!w.isModified(static_cast<StampKind>(page)));

    // Reset ("Очистить" asks nothing now that it is saved) after one more
    // edit, answered "Нет".
    typeText(control<QLineEdit>(w, QStringLiteral("Page%1Edit1").arg(page + 1)), QStringLiteral("z"));
    m_dialogs->answers.push_back(Answer::No);
    click(w, "NewButton");
    QVERIFY(w.previewPicture() != editedPicture);

    m_dialogs->openNames.push_back(path);
    click(w, "OpenButton");
    QCOMPARE(w.designs().round, edited.round);
    QCOMPARE(w.designs().triangle, edited.triangle);
    QCOMPARE(w.designs().rect, edited.rect);
    QCOMPARE(w.previewPicture(), editedPicture);
    QVERIFY(!w.isModified(static_cast<StampKind>(page)));
    QVERIFY(m_dialogs->scriptUsedUp());

    // Saving the opened design again gives the same bytes.
    const QString again = m_dir->filePath(QStringLiteral("again.qgr"));
    m_dialogs->saveNames.push_back(again);
    click(w, "SaveQgrButton");
    QCOMPARE(fileBytes(again), fileBytes(path));
}

QTEST_MAIN(TestRoundTrip)
#include "test_roundtrip.moc"
