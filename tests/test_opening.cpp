#include "Files.h"
#include "Designs.h"
#include "ScriptedDialogs.h"
#include "StampFile.h"
#include "StampPages.h"
#include "ProductionWindow.h"
#include "Unit1.h"
#include "WindowHelpers.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace qg;

namespace {

// How a file reaches the window.
enum class Way { OpenButton, CommandLine, Drop };

// Drags the files over a control and drops them at a point of it; true when
// the window took the drag.
bool dropFiles(QWidget* target, const QStringList& files, QPoint at = QPoint(2, 2)) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& file : files)
        urls.append(QUrl::fromLocalFile(file));
    data.setUrls(urls);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QCoreApplication::processEvents();  // the files open once the drop is over
    return drop.isAccepted();
}

void openBy(Way way, ScriptedWindow& w, const QStringList& files) {
    for (const QString& file : files) {
        switch (way) {
            case Way::OpenButton:
                w.dialogs.openNames.push_back(file);
                click(w.window, QStringLiteral("OpenButton"));
                break;
            case Way::CommandLine:
                w.window.openDesignFile(file);
                break;
            case Way::Drop:
                QVERIFY(dropFiles(control(w.window, QStringLiteral("Page2Edit1")), {file}));
                break;
        }
    }
}

}  // namespace

class OpeningTest : public QObject {
    Q_OBJECT
private slots:
    void eachWayOpensAsOpenDoes_data();
    void eachWayOpensAsOpenDoes();
    void droppedDesignAsksAboutUnsavedChanges();
    void bitmapDroppedOnEmblemGroup_data();
    void bitmapDroppedOnEmblemGroup();
    void shortcutsRunTheirCommands_data();
    void shortcutsRunTheirCommands();
    void dialogsStartWhereTheirKindWasLastChosen_data();
    void dialogsStartWhereTheirKindWasLastChosen();
};

void OpeningTest::eachWayOpensAsOpenDoes_data() {
    QTest::addColumn<int>("way");
    QTest::addColumn<QStringList>("names");  // files of the temporary folder, in order
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<int>("page");  // the page shown after

    const QStringList triangleRead{QStringLiteral("Треугольная печать считана !")};
    const QStringList both{QStringLiteral("Треугольная печать считана !"), QStringLiteral("Штамп считан !")};
    const QStringList damaged{QStringLiteral("Cтрока 5 повреждена !")};
    const QStringList wrongType{QStringLiteral("Расширение файла должно быть qgr !")};
    const std::pair<Way, const char*> ways[] = {
        {Way::OpenButton, "button"}, {Way::CommandLine, "command line"}, {Way::Drop, "drop"}};
    for (const auto& [way, name] : ways) {
        const int w = static_cast<int>(way);
        QTest::addRow("%s: one", name) << w << QStringList{"tri.qgr"} << triangleRead << 1;
        QTest::addRow("%s: two kinds", name) << w << QStringList{"tri.qgr", "rect.QGR"} << both << 2;
        QTest::addRow("%s: damaged", name) << w << QStringList{"damaged.qgr"} << damaged << 0;
        if (way != Way::Drop)  // a drop takes design files only
            QTest::addRow("%s: not a design", name) << w << QStringList{"tri.txt"} << wrongType << 0;
    }
}

// However a file comes, it opens with the messages "Открыть" gives, and a
// damaged one changes nothing.
void OpeningTest::eachWayOpensAsOpenDoes() {
    QFETCH(int, way);
    QFETCH(QStringList, names);
    QFETCH(QStringList, messages);
    QFETCH(int, page);

    QTemporaryDir dir;
    TriangleSealParameters triangle = defaultTriangleSeal();
    triangle.lines[0].text = QStringLiteral("Сторона");
    RectStampParameters rect = defaultRectStamp();
    rect.lines[5].text = QStringLiteral("Шестая");
    QList<QByteArray> lines = io::writeTriangleSeal(triangle).split('\n');
    lines[4] = "Broken\r";
    const QByteArray damagedBytes = lines.join('\n');
    QVERIFY(write(dir.filePath("tri.qgr"), io::writeTriangleSeal(triangle)));
    QVERIFY(write(dir.filePath("tri.txt"), io::writeTriangleSeal(triangle)));
    QVERIFY(write(dir.filePath("rect.QGR"), io::writeRectStamp(rect)));
    QVERIFY(write(dir.filePath("damaged.qgr"), damagedBytes));
    int damagedLine = 0;
    {
        StampDesigns probe;
        damagedLine = io::readDesign(StampKind::Triangle, damagedBytes, probe).damagedLine;
    }
    for (QString& m : messages)
        m.replace(QStringLiteral("5"), QString::number(damagedLine));

    ScriptedWindow w;
    const StampDesigns before = w.window.designs();
    QStringList files;
    for (const QString& name : names)
        files.append(dir.filePath(name));
    openBy(static_cast<Way>(way), w, files);

    QStringList shown;
    for (const auto& m : w.dialogs.messages)
        shown.append(m.text);
    QCOMPARE(shown, messages);
    QCOMPARE(static_cast<int>(w.window.activePage()), page);
    const bool opened = messages.front().contains(QStringLiteral("считан"));
    QCOMPARE(w.window.designs().triangle.lines[0].text, opened ? triangle.lines[0].text : before.triangle.lines[0].text);
    QCOMPARE(w.window.designs().rect.lines[5].text, names.size() == 2 ? rect.lines[5].text : before.rect.lines[5].text);
    QVERIFY(!w.window.isModified(StampKind::Triangle));
    QVERIFY(w.dialogs.unexpected.isEmpty());
}

void OpeningTest::droppedDesignAsksAboutUnsavedChanges() {
    QTemporaryDir dir;
    QVERIFY(write(dir.filePath("tri.qgr"), io::writeTriangleSeal(defaultTriangleSeal())));
    ScriptedWindow w;
    w.window.setActivePage(ActivePage::Triangle);
    retype(control<QLineEdit>(w.window, QStringLiteral("Page2Edit1")), QStringLiteral("Правка"));
    w.dialogs.answers.push_back(Answer::Cancel);
    QVERIFY(dropFiles(control(w.window, QStringLiteral("Page1Edit1")), {dir.filePath("tri.qgr")}));
    QCOMPARE(w.dialogs.questions, QStringList{QStringLiteral("Сохранить изменения треугольной печати ?")});
    QCOMPARE(w.window.designs().triangle.lines[0].text, QStringLiteral("Правка"));
    QVERIFY(w.dialogs.messages.isEmpty());
}

void OpeningTest::bitmapDroppedOnEmblemGroup_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("onGroup");
    QTest::addColumn<bool>("emblemOn");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<QString>("message");
    QTest::newRow("bitmap on the group") << "crest.bmp" << true << true << true << QString();
    QTest::newRow("bitmap on the open button") << "crest.bmp" << true << true << true << QString();
    QTest::newRow("bitmap elsewhere") << "crest.bmp" << false << true << false << QString();
    QTest::newRow("emblem switched off") << "crest.bmp" << true << false << false << QString();
    QTest::newRow("not a bitmap") << "fake.bmp" << true << true << true
                                  << QStringLiteral("Файл не является рисунком bmp !");
    QTest::newRow("other type") << "crest.png" << true << true << false << QString();
}

void OpeningTest::bitmapDroppedOnEmblemGroup() {
    QFETCH(QString, file);
    QFETCH(bool, onGroup);
    QFETCH(bool, emblemOn);
    QFETCH(bool, taken);
    QFETCH(QString, message);

    QTemporaryDir dir;
    const QString path = dir.filePath(file);
    QVERIFY(write(path, file.startsWith(QLatin1String("crest")) ? qg::testing::bmpBytes(8, 8, Qt::black) : QByteArray("not a picture")));

    ScriptedWindow w;
    QCOMPARE(w.window.activePage(), ActivePage::Round);
    auto* enable = control<QCheckBox>(w.window, QStringLiteral("Page1Box4Check"));
    if (enable->isChecked() != emblemOn)
        enable->click();
    const QString before = w.window.designs().round.emblem.path;
    QWidget* target = onGroup ? (QTest::currentDataTag() == QByteArray("bitmap on the open button")
                                     ? control(w.window, QStringLiteral("Page1Box4Button1"))
                                     : control(w.window, QStringLiteral("Page1Box4")))
                              : control(w.window, QStringLiteral("Page1Edit1"));
    QCOMPARE(dropFiles(target, {path}, QPoint(10, 10)), taken);
    const bool set = taken && message.isEmpty();
    QCOMPARE(w.window.designs().round.emblem.path, set ? path : before);
    QCOMPARE(w.dialogs.lastMessage(), message);
    QCOMPARE(w.window.isModified(StampKind::Round), set);
}

void OpeningTest::shortcutsRunTheirCommands_data() {
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("focus");  // the control that has the focus
    QTest::newRow("Ctrl+O") << QKeySequence(Qt::CTRL | Qt::Key_O) << "OpenButton" << "Page1Edit1";
    QTest::newRow("Ctrl+S") << QKeySequence(Qt::CTRL | Qt::Key_S) << "SaveQgrButton" << "Page1Box1Edit1";
    QTest::newRow("Ctrl+B") << QKeySequence(Qt::CTRL | Qt::Key_B) << "SaveBmpButton" << "Page1Edit1";
    QTest::newRow("Ctrl+N") << QKeySequence(Qt::CTRL | Qt::Key_N) << "NewButton" << "Page1Edit1";
    QTest::newRow("F5") << QKeySequence(Qt::Key_F5) << "RefreshButton" << "Page1Box4Check";
    QTest::newRow("Ctrl+Q") << QKeySequence(Qt::CTRL | Qt::Key_Q) << "CloseButton" << "Page1Edit1";
}

// A shortcut does what its button does, wherever the focus is, and the
// button's tool tip names it.
void OpeningTest::shortcutsRunTheirCommands() {
    QFETCH(QKeySequence, keys);
    QFETCH(QString, button);
    QFETCH(QString, focus);

    // What the window asks and does after the button, and after the keys.
    const auto run = [&](bool byKeys) {
        auto w = std::make_unique<ScriptedWindow>();
        QApplication::setActiveWindow(&w->window);
        retype(control<QLineEdit>(w->window, QStringLiteral("Page1Edit1")), QStringLiteral("Правка"));
        w->window.completePendingRepaint();
        w->dialogs.answers.push_back(Answer::Cancel);
        QSignalSpy painted(&w->window, &TForm1::previewPainted);
        if (byKeys) {
            control(w->window, focus)->setFocus();
            QTest::keySequence(&w->window, keys);
        } else {
            click(w->window, button);
        }
        w->window.completePendingRepaint();
        QStringList seen = w->dialogs.questions;
        for (const auto& r : w->dialogs.openRequests)
            seen.append(QStringLiteral("open: ") + r.title);
        for (const auto& r : w->dialogs.saveRequests)
            seen.append(QStringLiteral("save: ") + r.title);
        seen.append(QStringLiteral("painted %1").arg(painted.size()));
        seen.append(w->window.isVisible() ? QStringLiteral("open") : QStringLiteral("closed"));
        return seen;
    };
    const QStringList byButton = run(false);
    QCOMPARE(run(true), byButton);
    QVERIFY(byButton.size() > 2 || byButton.front() != QStringLiteral("painted 0"));

    ScriptedWindow w;
    QVERIFY(control(w.window, button)->toolTip().endsWith(
        QStringLiteral("(%1)").arg(keys.toString(QKeySequence::NativeText))));
}

// The file dialogs of each kind of file.
enum class Dialog { OpenDesign, SaveDesign, Emblem, PreviewBitmap, Export };

namespace {

// Shows the dialog, answering it with `answer` (empty: cancelled), and
// tells the folder it started in.
QString startedIn(ScriptedWindow& w, Dialog dialog, const QString& answer) {
    const qsizetype opened = w.dialogs.openRequests.size();
    const qsizetype saved = w.dialogs.saveRequests.size();
    const bool opens = dialog == Dialog::OpenDesign || dialog == Dialog::Emblem;
    (opens ? w.dialogs.openNames : w.dialogs.saveNames).push_back(answer);
    if (dialog == Dialog::Emblem) {
        const ActivePage page = w.window.activePage();
        w.window.setActivePage(ActivePage::Round);
        auto* on = control<QCheckBox>(w.window, QStringLiteral("Page1Box4Check"));
        if (!on->isChecked())
            on->click();
        control<QPushButton>(w.window, QStringLiteral("Page1Box4Button1"))->click();
        w.window.setActivePage(page);
    } else if (dialog == Dialog::Export) {
        w.window.ProductionItemClick();
        qobject_cast<ProductionWindow*>(w.window.productionWindow())->exportImprint();
        w.window.productionWindow()->close();
    } else {
        const char* name = dialog == Dialog::OpenDesign ? "OpenButton"
                           : dialog == Dialog::SaveDesign ? "SaveQgrButton"
                                                          : "SaveBmpButton";
        control<QPushButton>(w.window, QString::fromLatin1(name))->click();
    }
    if (opens)
        return w.dialogs.openRequests.size() > opened ? w.dialogs.openRequests.constLast().directory : QString();
    if (w.dialogs.saveRequests.size() == saved)
        return QString();
    const QString directory = w.dialogs.saveRequests.constLast().directory;
    // The export names its file within the folder.
    return dialog == Dialog::Export ? QFileInfo(directory).absolutePath() : directory;
}

}  // namespace

void OpeningTest::dialogsStartWhereTheirKindWasLastChosen_data() {
    QTest::addColumn<int>("dialog");
    QTest::addColumn<QString>("chosen");  // a file in a folder of the test's own
    QTest::newRow("open a design") << int(Dialog::OpenDesign) << "designs/tri.qgr";
    QTest::newRow("save a design") << int(Dialog::SaveDesign) << "designs/new.qgr";
    QTest::newRow("emblem") << int(Dialog::Emblem) << "pictures/crest.bmp";
    QTest::newRow("preview bitmap") << int(Dialog::PreviewBitmap) << "pictures/preview.bmp";
    QTest::newRow("export") << int(Dialog::Export) << "shop/seal.png";
}

// Each kind of file has its folder: its dialog starts in the user's home
// folder at first, then where a file of that kind was last chosen, in this
// run and the next, while that folder is there. The program's own folder
// plays no part.
void OpeningTest::dialogsStartWhereTheirKindWasLastChosen() {
    QFETCH(int, dialog);
    QFETCH(QString, chosen);
    const auto kind = static_cast<Dialog>(dialog);
    clearSettings();
    storeWidths(5);  // the check of a small imprint is quick
    QTemporaryDir dir;
    const QString file = dir.filePath(chosen);
    const QString folder = QFileInfo(file).absolutePath();
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(write(file, kind == Dialog::Emblem ? qg::testing::bmpBytes(8, 8, Qt::black)
                                               : io::writeTriangleSeal(defaultTriangleSeal())));
    const Dialog all[] = {Dialog::OpenDesign, Dialog::SaveDesign, Dialog::Emblem, Dialog::PreviewBitmap,
                          Dialog::Export};
    const QString home = QDir::homePath();
    {
        ScriptedWindow w(makeProductionWindow);
        for (const Dialog other : all)
            QCOMPARE(startedIn(w, other, QString()), home);
        QCOMPARE(startedIn(w, kind, file), home);
        QCOMPARE(startedIn(w, kind, QString()), folder);
        // Designs share their folder between opening and saving; before
        // any export, an export starts beside the design it is made of.
        const bool design = kind == Dialog::OpenDesign || kind == Dialog::SaveDesign;
        for (const Dialog other : all) {
            const bool designToo = other != Dialog::Emblem && other != Dialog::PreviewBitmap;
            QCOMPARE(startedIn(w, other, QString()), other == kind || (design && designToo) ? folder : home);
        }
        QVERIFY(QCoreApplication::applicationDirPath() != folder);
        w.dialogs.messages.clear();
    }
    {
        ScriptedWindow w(makeProductionWindow);
        QCOMPARE(startedIn(w, kind, QString()), folder);
        QVERIFY(QDir(folder).removeRecursively());
        QCOMPARE(startedIn(w, kind, QString()), home);
        QVERIFY(w.dialogs.unexpected.isEmpty());
    }
}

QTEST_MAIN(OpeningTest)
#include "test_opening.moc"
