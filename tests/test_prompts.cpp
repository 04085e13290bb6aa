#include "ScriptedDialogs.h"
#include "StampFile.h"
#include "Unit1.h"
#include "Unit2.h"
#include "WindowHelpers.h"

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <memory>

using namespace qg;

Q_DECLARE_METATYPE(qg::Answer)

namespace {

enum class Command { New, Close };
enum class SaveOutcome { Chosen, Cancelled, Failing };

const QString kQuestions[] = {QStringLiteral("Сохранить изменения круглой печати ?"),
                              QStringLiteral("Сохранить изменения треугольной печати ?"),
                              QStringLiteral("Сохранить изменения штампа ?")};
const QString kSaveTitles[] = {QStringLiteral("Сохранение круглой печати"),
                               QStringLiteral("Сохранение треугольной печати"), QStringLiteral("Сохранение штампа")};
const char* kFirstEdits[] = {"Page1Edit1", "Page2Edit1", "Page3Edit1"};

// What a prompt must do, worked out from the rules the user is promised:
// nothing is lost unless the answer was "Нет".
struct Expected {
    QString question;
    QList<int> saveDialogs;  // kinds whose save dialog is shown, in order
    QList<int> written;
    QList<int> reset;
    bool closed = false;
};

Expected expectedFor(Command command, int page, const std::array<bool, 3>& modified, Answer answer,
                     SaveOutcome outcome) {
    Expected e;
    if (command == Command::New) {
        if (page == 3 || !modified[static_cast<std::size_t>(page)])
            return e;
        e.question = kQuestions[page];
        if (answer == Answer::Cancel)
            return e;
        if (answer == Answer::Yes) {
            e.saveDialogs = {page};
            if (outcome != SaveOutcome::Chosen)
                return e;
            e.written = {page};
        }
        e.reset = {page};
        return e;
    }
    if (!modified[0] && !modified[1] && !modified[2]) {
        e.closed = true;
        return e;
    }
    e.question = QStringLiteral("Сохранить изменения печатей ?");
    if (answer == Answer::Cancel)
        return e;
    if (answer == Answer::No) {
        e.closed = true;
        return e;
    }
    for (int k = 0; k < 3; ++k) {
        if (!modified[static_cast<std::size_t>(k)])
            continue;
        e.saveDialogs.append(k);
        if (outcome != SaveOutcome::Chosen)
            return e;
        e.written.append(k);
    }
    e.closed = true;
    return e;
}

QString outcomeName(SaveOutcome o) {
    return o == SaveOutcome::Chosen ? "chosen" : o == SaveOutcome::Cancelled ? "cancelled" : "failing";
}

QString answerName(Answer a) {
    return a == Answer::Yes ? "Да" : a == Answer::No ? "Нет" : "Отмена";
}

}  // namespace

class TestPrompts : public QObject {
    Q_OBJECT
private slots:
    void confirmationDialog();
    void confirmationDialogCloseAndEscape();

    void prompts_data();
    void prompts();

    void flagLifecycle_data();
    void flagLifecycle();
    void openAsksAboutTheFilesKind_data();
    void openAsksAboutTheFilesKind();
};

void TestPrompts::confirmationDialog() {
    TForm2 dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral(" Подтверждение"));
    QCOMPARE(dialog.size(), QSize(262, 79));
    QCOMPARE(dialog.Button1->text(), QStringLiteral("Да"));
    QCOMPARE(dialog.Button2->text(), QStringLiteral("Нет"));
    QCOMPARE(dialog.Button3->text(), QStringLiteral("Отмена"));
    QCOMPARE(dialog.Button1->geometry(), QRect(16, 48, 75, 25));
    QCOMPARE(dialog.Button3->geometry(), QRect(176, 48, 75, 25));
    QCOMPARE(dialog.TextQ->geometry(), QRect(8, 8, 250, 33));

    const struct {
        QPushButton* button;
        const char* answer;
    } cases[] = {{dialog.Button1, "Yes"}, {dialog.Button2, "No"}, {dialog.Button3, "Cancel"}};
    for (const auto& c : cases) {
        dialog.setQuestion(QStringLiteral("Вопрос ?"));
        dialog.open();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.TextQ->text(), QStringLiteral("Вопрос ?"));
        QCOMPARE(dialog.answer(), QStringLiteral("No"));  // every showing starts from "No"
        QCOMPARE(QApplication::focusWidget(), dialog.Button1);
        c.button->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.answer(), QString::fromLatin1(c.answer));
    }

    // Enter presses the focused button.
    dialog.open();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.Button2->setFocus();
    QTest::keyClick(dialog.Button2, Qt::Key_Return);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.answer(), QStringLiteral("No"));
}

void TestPrompts::confirmationDialogCloseAndEscape() {
    TForm2 dialog;
    dialog.open();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.close();
    QCOMPARE(dialog.answer(), QStringLiteral("Cancel"));

    dialog.open();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.answer(), QStringLiteral("Cancel"));
}

void TestPrompts::prompts_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("modifiedMask");
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<int>("outcome");

    for (Command command : {Command::New, Command::Close})
        for (int page = 0; page < 4; ++page)
            for (int mask : {0, 1, 2, 4, 5, 7})
                for (Answer answer : {Answer::Yes, Answer::No, Answer::Cancel})
                    for (SaveOutcome outcome : {SaveOutcome::Chosen, SaveOutcome::Cancelled, SaveOutcome::Failing}) {
                        if (answer != Answer::Yes && outcome != SaveOutcome::Chosen)
                            continue;
                        const QString name = QStringLiteral("%1 page%2 mask%3 %4 %5")
                                                 .arg(command == Command::New ? "new" : "close")
                                                 .arg(page + 1)
                                                 .arg(mask)
                                                 .arg(answerName(answer), outcomeName(outcome));
                        QTest::newRow(qPrintable(name)) << static_cast<int>(command) << page << mask << answer
                                                        << static_cast<int>(outcome);
                    }
}

void TestPrompts::prompts() {
    QFETCH(int, command);
    QFETCH(int, page);
    QFETCH(int, modifiedMask);
    QFETCH(Answer, answer);
    QFETCH(int, outcome);

    QTemporaryDir dir;
    ScriptedWindow ui;
    ScriptedDialogs& dialogs = ui.dialogs;
    TForm1& w = ui.window;

    std::array<bool, 3> modified{};
    for (int k = 0; k < 3; ++k) {
        modified[static_cast<std::size_t>(k)] = (modifiedMask >> k) & 1;
        if (modified[static_cast<std::size_t>(k)])
            typeText(control<QLineEdit>(w, kFirstEdits[k]), QStringLiteral("!"));
    }
    w.setActivePage(static_cast<ActivePage>(page));
    const StampDesigns before = w.designs();

    dialogs.answers.push_back(answer);
    QStringList paths;
    for (int i = 0; i < 3; ++i) {
        const QString path = outcome == static_cast<int>(SaveOutcome::Failing)
                                 ? dir.filePath(QStringLiteral("missing/%1.qgr").arg(i))
                                 : dir.filePath(QStringLiteral("%1.qgr").arg(i));
        paths.append(path);
        dialogs.saveNames.push_back(outcome == static_cast<int>(SaveOutcome::Cancelled) ? QString() : path);
    }

    if (command == static_cast<int>(Command::New))
        click(w, "NewButton");
    else
        click(w, "CloseButton");

    const Expected e =
        expectedFor(static_cast<Command>(command), page, modified, answer, static_cast<SaveOutcome>(outcome));
    QCOMPARE(dialogs.questions, e.question.isEmpty() ? QStringList() : QStringList{e.question});
    QCOMPARE(dialogs.saveRequests.size(), e.saveDialogs.size());
    for (int i = 0; i < e.saveDialogs.size(); ++i)
        QCOMPARE(dialogs.saveRequests[i].title, kSaveTitles[e.saveDialogs[i]]);

    // Files: the i-th save dialog wrote the i-th path with that kind's design.
    for (int i = 0; i < 3; ++i) {
        const bool shouldExist = i < e.written.size();
        QCOMPARE(QFile::exists(paths[i]), shouldExist);
        if (shouldExist) {
            QByteArray bytes;
            QString error;
            QVERIFY(io::readWholeFile(paths[i], bytes, error));
            QCOMPARE(io::sectionKind(bytes), std::optional<StampKind>(static_cast<StampKind>(e.written[i])));
        }
    }

    QCOMPARE(w.isVisible(), !e.closed);
    const bool resets[] = {w.designs().round == defaultRoundSeal() && before.round != defaultRoundSeal(),
                           w.designs().triangle == defaultTriangleSeal() && before.triangle != defaultTriangleSeal(),
                           w.designs().rect == defaultRectStamp() && before.rect != defaultRectStamp()};
    for (int k = 0; k < 3; ++k) {
        const auto kind = static_cast<StampKind>(k);
        const bool wasReset = e.reset.contains(k);
        QCOMPARE(resets[k], wasReset);
        const bool saved = e.written.contains(k);
        QCOMPARE(w.isModified(kind), modified[static_cast<std::size_t>(k)] && !wasReset && !saved);
        // No modified design is lost unless the user answered "Нет".
        if (modified[static_cast<std::size_t>(k)] && answer != Answer::No)
            QVERIFY(saved || (w.isModified(kind) && !resets[k] && w.isVisible()));
    }
    if (dialogs.saveRequests.size() > 0 && outcome == static_cast<int>(SaveOutcome::Failing))
        QCOMPARE(dialogs.messages.constFirst().icon, MessageIcon::Error);
}

void TestPrompts::flagLifecycle_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("sets");

    for (int page = 0; page < 3; ++page) {
        const QString p = QString::number(page + 1);
        QTest::newRow(qPrintable(p + " text")) << page << QStringLiteral("Page%1Edit2").arg(p) << true;
        QTest::newRow(qPrintable(p + " check")) << page << QStringLiteral("Page%1Check2").arg(p) << false;
        QTest::newRow(qPrintable(p + " box check")) << page << QStringLiteral("Page%1Box1Check").arg(p) << false;
        QTest::newRow(qPrintable(p + " number")) << page << QStringLiteral("Page%1EditA2").arg(p) << true;
        QTest::newRow(qPrintable(p + " font cancelled")) << page << QStringLiteral("Page%1Button3").arg(p) << true;
        QTest::newRow(qPrintable(p + " background")) << page << QStringLiteral("ColorItem") << true;
    }
    QTest::newRow("1 colour panel") << 0 << "Page1Box3Button1" << true;
    QTest::newRow("2 colour panel") << 1 << "Page2EditL2C" << true;
    QTest::newRow("3 colour panel") << 2 << "Page3EditK2C" << true;
    QTest::newRow("4 background") << 3 << "ColorItem" << false;
}

void TestPrompts::flagLifecycle() {
    QFETCH(int, page);
    QFETCH(QString, action);
    QFETCH(bool, sets);

    QTemporaryDir dir;
    ScriptedWindow ui;
    ScriptedDialogs& dialogs = ui.dialogs;
    TForm1& w = ui.window;
    w.setActivePage(static_cast<ActivePage>(page));

    if (action == QLatin1String("ColorItem")) {
        dialogs.colours.push_back(0x123456);
        w.findChild<QAction*>(action)->trigger();
    } else if (action.contains(QLatin1String("Button")) && !action.contains(QLatin1String("Box"))) {
        dialogs.fonts.push_back(std::nullopt);
        click(w, action);
    } else if (auto* check = w.findChild<QCheckBox*>(action)) {
        check->click();
    } else if (auto* edit = w.findChild<QLineEdit*>(action)) {
        typeText(edit, QStringLiteral("7"));
    } else {
        dialogs.colours.push_back(0x00FF00);
        click(w, action);
    }
    QVERIFY(dialogs.scriptUsedUp());
    for (int k = 0; k < 3; ++k)
        QCOMPARE(w.isModified(static_cast<StampKind>(k)), sets && k == page);
    if (!sets || page == 3)
        return;

    // A save of the kind clears its flag, and only its.
    typeText(control<QLineEdit>(w, kFirstEdits[(page + 1) % 3]), QStringLiteral("x"));
    dialogs.saveNames.push_back(dir.filePath(QStringLiteral("saved")));
    click(w, "SaveQgrButton");
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("saved.qgr"))));
    QVERIFY(!w.isModified(static_cast<StampKind>(page)));
    QVERIFY(w.isModified(static_cast<StampKind>((page + 1) % 3)));
}

void TestPrompts::openAsksAboutTheFilesKind_data() {
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<bool>("read");
    QTest::addColumn<bool>("overOpened");  // "Да" saves over the file being opened

    const int chosen = static_cast<int>(SaveOutcome::Chosen);
    QTest::newRow("Да, saved") << Answer::Yes << chosen << true << false;
    QTest::newRow("Да, saved over the file") << Answer::Yes << chosen << true << true;
    QTest::newRow("Да, save cancelled") << Answer::Yes << static_cast<int>(SaveOutcome::Cancelled) << false << false;
    QTest::newRow("Да, save failing") << Answer::Yes << static_cast<int>(SaveOutcome::Failing) << false << false;
    QTest::newRow("Нет") << Answer::No << chosen << true << false;
    QTest::newRow("Отмена") << Answer::Cancel << chosen << false << false;
}

void TestPrompts::openAsksAboutTheFilesKind() {
    QFETCH(Answer, answer);
    QFETCH(int, outcome);
    QFETCH(bool, read);
    QFETCH(bool, overOpened);

    QTemporaryDir dir;
    ScriptedWindow ui;
    ScriptedDialogs& dialogs = ui.dialogs;
    TForm1& w = ui.window;

    // A triangular seal file, and a modified triangular seal and round seal.
    TriangleSealParameters inFile = defaultTriangleSeal();
    inFile.lines[0].text = QStringLiteral("Из файла");
    const QString file = dir.filePath(QStringLiteral("triangle.qgr"));
    QString error;
    QVERIFY(io::writeWholeFile(file, io::writeTriangleSeal(inFile), error));
    typeText(control<QLineEdit>(w, "Page2Edit2"), QStringLiteral("?"));
    typeText(control<QLineEdit>(w, "Page1Edit1"), QStringLiteral("?"));
    const StampDesigns before = w.designs();
    QVERIFY(w.activePage() == ActivePage::Round);

    dialogs.openNames.push_back(file);
    dialogs.answers.push_back(answer);
    const QString savePath =
        overOpened ? file
                   : dir.filePath(outcome == static_cast<int>(SaveOutcome::Failing) ? "missing/t.qgr" : "t.qgr");
    if (answer == Answer::Yes)
        dialogs.saveNames.push_back(outcome == static_cast<int>(SaveOutcome::Cancelled) ? QString() : savePath);
    click(w, "OpenButton");

    QCOMPARE(dialogs.questions, QStringList{"Сохранить изменения треугольной печати ?"});
    QVERIFY(dialogs.scriptUsedUp());
    QCOMPARE(w.designs().round, before.round);
    QVERIFY(w.isModified(StampKind::Round));
    if (read) {
        // The file as it is once the question is settled.
        QCOMPARE(w.designs().triangle, overOpened ? before.triangle : inFile);
        QVERIFY(!w.isModified(StampKind::Triangle));
        QVERIFY(w.activePage() == ActivePage::Triangle);
        QCOMPARE(dialogs.lastMessage(), QStringLiteral("Треугольная печать считана !"));
        QCOMPARE(control<QLineEdit>(w, "Page2Edit1")->text(), w.designs().triangle.lines[0].text);
    } else {
        QCOMPARE(w.designs().triangle, before.triangle);
        QVERIFY(w.isModified(StampKind::Triangle));
        QVERIFY(w.activePage() == ActivePage::Round);
    }
    if (answer == Answer::Yes && outcome == static_cast<int>(SaveOutcome::Chosen)) {
        QByteArray bytes;
        QVERIFY(io::readWholeFile(savePath, bytes, error));
        QCOMPARE(bytes, io::writeTriangleSeal(before.triangle));
    }
}

QTEST_MAIN(TestPrompts)
#include "test_prompts.moc"
