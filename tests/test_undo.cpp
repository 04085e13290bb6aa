#include "Designs.h"
#include "EditHistory.h"
#include "PageEditor.h"
#include "WindowHelpers.h"

#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>

#include <memory>

using namespace qg;

namespace {

enum class Edit { Text, Number, Check, Font, Colour, Background, Emblem };

bool same(const StampDesigns& a, const StampDesigns& b) {
    return a.round == b.round && a.triangle == b.triangle && a.rect == b.rect;
}

// Everything the page's controls show.
QStringList shown(QWidget* page) {
    QStringList view;
    for (const QLineEdit* edit : page->findChildren<QLineEdit*>())
        view << edit->objectName() + edit->text() + QString::number(edit->isEnabled());
    for (const QCheckBox* check : page->findChildren<QCheckBox*>())
        view << check->objectName() + QString::number(check->isChecked());
    for (const ColourPanel* panel : page->findChildren<ColourPanel*>())
        view << panel->objectName() + QString::number(panel->colour());
    for (const QLabel* label : page->findChildren<QLabel*>())
        view << label->text();
    return view;
}

}  // namespace

class TestUndo : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void eachEditUndoneAndRedone_data();
    void eachEditUndoneAndRedone();
    void typingMergesUntilFocusLeaves_data();
    void typingMergesUntilFocusLeaves();
    void flagClearAtTheSavedState_data();
    void flagClearAtTheSavedState();
    void historiesKeptApart();
    void historyKeepsItsLastSteps();
    void historyKeepsWithinItsMemory_data();
    void historyKeepsWithinItsMemory();

private:
    // Presses keys where the focus is; one repaint follows.
    void press(QKeyCombination keys, int repaints = 1);
    QWidget* page(ActivePage kind) const { return control<QTabWidget>(*m_window, "Pages")->widget(int(kind)); }

    std::unique_ptr<ScriptedWindow> m_ui;
    ScriptedDialogs* m_dialogs = nullptr;
    TForm1* m_window = nullptr;
    QTemporaryDir m_dir;
};

const QKeyCombination kUndo(Qt::ControlModifier, Qt::Key_Z);
const QKeyCombination kRedo(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z);
const QKeyCombination kRedoY(Qt::ControlModifier, Qt::Key_Y);

void TestUndo::init() {
    m_ui = std::make_unique<ScriptedWindow>();
    m_dialogs = &m_ui->dialogs;
    m_window = &m_ui->window;
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
}

void TestUndo::cleanup() {
    QVERIFY2(m_dialogs->unexpected.isEmpty(), qPrintable(m_dialogs->unexpected.join(QStringLiteral(", "))));
    m_ui.reset();
}

void TestUndo::press(QKeyCombination keys, int repaints) {
    m_window->completePendingRepaint();
    QSignalSpy painted(m_window, &TForm1::previewPainted);
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : m_window, keys.key(), keys.keyboardModifiers());
    m_window->completePendingRepaint();
    QCOMPARE(painted.count(), repaints);
}

void TestUndo::eachEditUndoneAndRedone_data() {
    QTest::addColumn<ActivePage>("kind");
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");  // typed into a text or number edit
    const struct {
        ActivePage kind;
        const char *text, *number, *panel;
    } pages[] = {{ActivePage::Round, "Page1Edit3", "Page1EditR1", "Page1Box1Button1"},
                 {ActivePage::Triangle, "Page2Edit3", "Page2EditL2Y3", "Page2EditL3C"},
                 {ActivePage::Rect, "Page3Edit6", "Page3EditK2W", "Page3EditL1C"}};
    for (const auto& p : pages) {
        const int k = int(p.kind) + 1;
        QTest::addRow("%d text", k) << p.kind << Edit::Text << p.text << "Съешь же ещё";
        QTest::addRow("%d number", k) << p.kind << Edit::Number << p.number << "47";
        QTest::addRow("%d check box", k) << p.kind << Edit::Check << QString("Page%1Check1").arg(k) << "";
        QTest::addRow("%d font", k) << p.kind << Edit::Font << QString("Page%1Button1").arg(k) << "";
        QTest::addRow("%d colour", k) << p.kind << Edit::Colour << p.panel << "";
        QTest::addRow("%d background", k) << p.kind << Edit::Background << "" << "";
    }
    QTest::newRow("1 radius below threshold") << ActivePage::Round << Edit::Number << "Page1EditR1" << "5";
    QTest::newRow("1 emblem") << ActivePage::Round << Edit::Emblem << "Page1Box4Button1" << "";
}

void TestUndo::eachEditUndoneAndRedone() {
    QFETCH(ActivePage, kind);
    QFETCH(Edit, edit);
    QFETCH(QString, name);
    QFETCH(QString, value);
    // Check boxes and numbers below their threshold do not mark the kind.
    const bool marks = edit != Edit::Check && value != "5";
    TForm1& w = *m_window;
    control<QTabWidget>(w, "Pages")->setCurrentIndex(int(kind));
    if (edit == Edit::Emblem)
        control<QCheckBox>(w, "Page1Box4Check")->setChecked(true);
    const StampDesigns before = w.designs();
    const QStringList viewBefore = shown(page(kind));

    LineFont bold = fontDialogStartFont();
    bold.bold = true;
    QImage arms(4, 4, QImage::Format_RGB32);
    arms.fill(Qt::black);
    QVERIFY(arms.save(m_dir.filePath("arms.bmp"), "BMP"));
    // Only the dialog the edit opens takes its answer.
    m_dialogs->fonts = {bold};
    m_dialogs->colours = {0x123456};
    m_dialogs->openNames = {m_dir.filePath("arms.bmp")};
    if (edit == Edit::Text || edit == Edit::Number)
        retype(control<QLineEdit>(w, name), value);
    else if (edit == Edit::Background)
        w.ColorItemClick();
    else
        click(w, name);
    const StampDesigns after = w.designs();
    const QStringList viewAfter = shown(page(kind));
    QVERIFY(!same(after, before));

    for (const QKeyCombination redo : {kRedo, kRedoY}) {
        press(kUndo);
        QVERIFY(same(w.designs(), before));
        QCOMPARE(shown(page(kind)), viewBefore);
        QVERIFY(!w.isModified(static_cast<StampKind>(kind)));
        press(redo);
        QVERIFY(same(w.designs(), after));
        QCOMPARE(shown(page(kind)), viewAfter);
        QCOMPARE(w.isModified(static_cast<StampKind>(kind)), marks);
        QCOMPARE(w.previewPicture(), expectedPicture(w.designs(), kind));
    }
}

void TestUndo::typingMergesUntilFocusLeaves_data() {
    QTest::addColumn<int>("between");  // 0: nothing, 1: focus leaves and returns, 2: background chosen
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("one edit") << 0 << QStringList{"Первая строка"};
    QTest::newRow("focus left") << 1 << QStringList{"Первая строкаЖу", "Первая строка"};
    QTest::newRow("other change") << 2 << QStringList{"Первая строкаЖу", "Первая строкаЖу", "Первая строка"};
}

// Each Ctrl+Z is pressed in the edit typed in; `texts` is what it shows
// after each.
void TestUndo::typingMergesUntilFocusLeaves() {
    QFETCH(int, between);
    QFETCH(QStringList, texts);
    TForm1& w = *m_window;
    QLineEdit* edit = control<QLineEdit>(w, "Page1Edit1");
    typeText(edit, "Жу");
    if (between == 1)
        control<QLineEdit>(w, "Page1Edit2")->setFocus();
    if (between == 2) {
        m_dialogs->colours.push_back(0xFF);
        w.ColorItemClick();
    }
    typeText(edit, "ки");
    QCOMPARE(edit->text(), "Первая строкаЖуки");
    for (const QString& text : texts) {
        press(kUndo);
        QCOMPARE(edit->text(), text);
    }
    press(kUndo, 0);  // nothing older
    QCOMPARE(w.designs().round.background, kWhite);
}

void TestUndo::flagClearAtTheSavedState_data() {
    QTest::addColumn<ActivePage>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("command");  // run after the second edit
    QTest::newRow("1 saved") << ActivePage::Round << "Page1EditA1" << "";
    QTest::newRow("2 saved") << ActivePage::Triangle << "Page2EditX5" << "";
    QTest::newRow("1 reset") << ActivePage::Round << "Page1Edit1" << "NewButton";
    QTest::newRow("2 reset") << ActivePage::Triangle << "Page2EditA2" << "NewButton";
    QTest::newRow("3 reset") << ActivePage::Rect << "Page3Edit2" << "NewButton";
    QTest::newRow("1 opened") << ActivePage::Round << "Page1Edit1" << "OpenButton";
    QTest::newRow("2 opened") << ActivePage::Triangle << "Page2EditA2" << "OpenButton";
    QTest::newRow("3 opened") << ActivePage::Rect << "Page3EditK1X1" << "OpenButton";
}

// Edited, saved, edited again, then maybe reset or opened (the saved file):
// the flag is clear exactly at the states saved, reset or read, and the
// controls show each state stepped to.
void TestUndo::flagClearAtTheSavedState() {
    QFETCH(ActivePage, kind);
    QFETCH(QString, name);
    QFETCH(QString, command);
    TForm1& w = *m_window;
    const auto k = static_cast<StampKind>(kind);
    control<QTabWidget>(w, "Pages")->setCurrentIndex(int(kind));
    retype(control<QLineEdit>(w, name), "33");
    m_dialogs->saveNames = {m_dir.filePath("saved.qgr")};
    click(w, "SaveQgrButton");
    retype(control<QLineEdit>(w, name), "44");
    const StampDesigns edited = w.designs();
    const QStringList viewEdited = shown(page(kind));
    QVERIFY(w.isModified(k));
    if (!command.isEmpty()) {
        m_dialogs->answers = {Answer::No};
        m_dialogs->openNames = {m_dir.filePath("saved.qgr")};
        click(w, command);
        QVERIFY(!w.isModified(k) && !same(w.designs(), edited));
        press(kUndo);
        QVERIFY(same(w.designs(), edited));
        QCOMPARE(shown(page(kind)), viewEdited);
        QVERIFY(w.isModified(k));
    }
    // Back to the saved state, to the start, and forward again: the state
    // last read or reset is the clean one (a reset's defaults are the start).
    const QKeyCombination keys[] = {kUndo, kUndo, kRedo, kRedo};
    for (int i = 0; i < 4; ++i) {
        press(keys[i]);
        QCOMPARE(w.isModified(k), command == "NewButton" ? i != 1 : i % 2 == 1);
    }
    QVERIFY(same(w.designs(), edited));
    if (!command.isEmpty()) {
        press(kRedo);
        QVERIFY(!w.isModified(k));
    }
}

// Ctrl+Z steps back in the active page's kind only; the information page
// has no history.
void TestUndo::historiesKeptApart() {
    TForm1& w = *m_window;
    auto* pages = control<QTabWidget>(w, "Pages");
    retype(control<QLineEdit>(w, "Page1Edit2"), "Круг");
    pages->setCurrentIndex(int(ActivePage::Triangle));
    retype(control<QLineEdit>(w, "Page2Edit2"), "Треугольник");
    pages->setCurrentIndex(int(ActivePage::Info));
    const StampDesigns edited = w.designs();
    press(kUndo, 0);
    QVERIFY(same(w.designs(), edited));

    pages->setCurrentIndex(int(ActivePage::Triangle));
    press(kUndo);
    press(kUndo, 0);
    QCOMPARE(w.designs().triangle, defaultTriangleSeal());
    QCOMPARE(w.designs().round, edited.round);
    pages->setCurrentIndex(int(ActivePage::Round));
    press(kUndo);
    QCOMPARE(w.designs().round, defaultRoundSeal());
    QCOMPARE(control<QLineEdit>(w, "Page2Edit2")->text(), defaultTriangleSeal().lines[1].text);
}

// The oldest steps give way; a saved state among them is then out of reach.
void TestUndo::historyKeepsItsLastSteps() {
    StampDesigns designs;
    EditHistory history(designs);
    history.markClean(StampKind::Rect);
    const int edits = int(EditHistory::kMaxSteps) + 5;
    for (int i = 1; i <= edits; ++i) {
        designs.rect.innerLine.width = i;
        history.record(StampKind::Rect, true);
    }
    std::size_t steps = 0;
    while (history.undo(StampKind::Rect))
        ++steps;
    QCOMPARE(steps, EditHistory::kMaxSteps);
    QCOMPARE(designs.rect.innerLine.width, 5);
    QVERIFY(history.isModified(StampKind::Rect));
}

void TestUndo::historyKeepsWithinItsMemory_data() {
    QTest::addColumn<int>("length");      // of the ring text, in characters
    QTest::addColumn<bool>("textChanges");  // each step a new text, else a new number beside it
    QTest::addColumn<int>("steps");
    QTest::newRow("100 KB texts") << 100000 << true << 1000;
    QTest::newRow("numbers beside a 100 KB text") << 100000 << false << 1000;
    QTest::newRow("short texts") << 200 << true << 1200;
}

// Each kind's history keeps what fits in its memory, the newest steps
// first; a text that steps share counts once.
void TestUndo::historyKeepsWithinItsMemory() {
    QFETCH(int, length);
    QFETCH(bool, textChanges);
    QFETCH(int, steps);
    StampDesigns designs;
    EditHistory history(designs);
    const QString base = testing::repeatedTo(QStringLiteral("Печать "), length - 8);
    designs.round.lines[0].text = base;
    history.markClean(StampKind::Round);
    for (int i = 1; i <= steps; ++i) {
        if (textChanges) {
            QString& text = designs.round.lines[0].text;
            text = base + QString::number(i).rightJustified(8, u'0');
            text.squeeze();
        } else
            designs.round.lines[0].angle = i;
        history.record(StampKind::Round, true);
        QVERIFY(history.heldBytes(StampKind::Round) <= EditHistory::kMaxBytes);
    }
    // A state holds at least its own text, when it has one of its own.
    const std::size_t textBytes = std::size_t(length) * sizeof(QChar);
    const std::size_t fits = textChanges ? EditHistory::kMaxBytes / textBytes : EditHistory::kMaxSteps;
    const std::size_t expected = std::min({fits, EditHistory::kMaxSteps, std::size_t(steps)});
    std::size_t kept = 0;
    while (history.undo(StampKind::Round))
        ++kept;
    QVERIFY2(kept <= expected && kept + kept / 10 + 2 >= expected,
             qPrintable(QStringLiteral("%1 steps kept, %2 expected").arg(kept).arg(expected)));
    // The oldest went first.
    const int oldest = steps - int(kept);
    if (!textChanges)
        QCOMPARE(designs.round.lines[0].angle, oldest);
    else {
        QCOMPARE(designs.round.lines[0].text.right(8).toInt(), oldest);
        QVERIFY(history.heldBytes(StampKind::Round) >= kept * textBytes);
    }
}

QTEST_MAIN(TestUndo)
#include "test_undo.moc"
