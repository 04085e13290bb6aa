#include "Designs.h"
#include "FontDialog.h"
#include "Render.h"
#include "ScriptedDialogs.h"
#include "StampPages.h"
#include "TextToNumber.h"
#include "Unit1.h"
#include "WindowFont.h"
#include "WindowHelpers.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace qg;


class TestWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startUpState();
    void roundSealThreshold_data();
    void roundSealThreshold();
    void numberEditsWithoutThreshold_data();
    void numberEditsWithoutThreshold();
    void typingTextMarksItsKindOnly_data();
    void typingTextMarksItsKindOnly();
    void charactersOutsideTheCodePageAreRefused();
    void controlCharactersBecomeBlanks_data();
    void controlCharactersBecomeBlanks();
    void textLengthIsCapped_data();
    void textLengthIsCapped();
    void keystrokeWithTheLongestTextsIsQuick();
    void checkBoxesEnableTheirControls_data();
    void checkBoxesEnableTheirControls();
    void fontDialog();
    void fontDialogConfirmedUnchangedChangesNothing_data();
    void fontDialogConfirmedUnchangedChangesNothing();
    void fontDialogFaces_data();
    void fontDialogFaces();
    void colourPanel();
    void backgroundColourOfTheActiveKindOnly();
    void pageChangeRepaintsWithoutMarking();
    void popupMenuNotOnInformationPage();
    void emblemChoice_data();
    void emblemChoice();
    void emblemPathTheFileCannotHoldIsRefused_data();
    void emblemPathTheFileCannotHoldIsRefused();
    void emblemDrawnAndSkipped();
    void resetKeepsFontsAndEmblemLabel();
    void startUpRunsOnce();
    void beforeTheFirstShowing();
    void closeBoxAsksLikeClose();
    void captionsFitTheirControls();
    void waitingKeystrokesRepaintOnce();
    void skippedRepaintsKeepTheDrawingState();
    void pendingRepaintDrawsTheStateItWasAskedFor();

private:
    std::unique_ptr<ScriptedWindow> m_ui;
    ScriptedDialogs* m_dialogs = nullptr;
    TForm1* m_window = nullptr;
    QTemporaryDir m_dir;
};

// The window as the user sees it, in the program's own window font.
void TestWindow::initTestCase() {
    QApplication::setFont(windowFont());
}

void TestWindow::init() {
    m_ui = std::make_unique<ScriptedWindow>();
    m_dialogs = &m_ui->dialogs;
    m_window = &m_ui->window;
}

void TestWindow::cleanup() {
    QVERIFY2(m_dialogs->unexpected.isEmpty(), qPrintable(m_dialogs->unexpected.join(QStringLiteral(", "))));
    m_ui.reset();
}

void TestWindow::startUpState() {
    TForm1& w = *m_window;
    QCOMPARE(w.windowTitle(), QStringLiteral(" Квиллгрейвер v.1.1"));
    QCOMPARE(w.size(), QSize(605, 402));
    QCOMPARE(w.activePage(), ActivePage::Round);
    for (int k = 0; k < kKindCount; ++k)
        QVERIFY(!w.isModified(static_cast<StampKind>(k)));

    QCOMPARE(control<QLineEdit>(w, "Page1Edit1")->text(), QStringLiteral("Первая строка"));
    QCOMPARE(control<QLineEdit>(w, "Page1EditR3")->text(), QStringLiteral("88"));
    QCOMPARE(control<QLineEdit>(w, "Page1Box3Edit1")->text(), QStringLiteral("2"));
    QCOMPARE(control<QLineEdit>(w, "Page1EditR1")->toolTip(), QStringLiteral("Радиус окружности"));
    QVERIFY(control<QLineEdit>(w, "Page1Edit1")->isEnabled());
    QVERIFY(!control<QLineEdit>(w, "Page1Edit4")->isEnabled());
    QVERIFY(!control<QLineEdit>(w, "Page1EditX4")->isEnabled());
    QVERIFY(!control<QPushButton>(w, "Page1Box4Button1")->isEnabled());
    QCOMPARE(control<QLabel>(w, "Page1Box4Label2")->text(), QStringLiteral("   Файл не задан"));

    QCOMPARE(control<QLineEdit>(w, "Page2Edit3")->text(), QStringLiteral("Текст в нижней строке"));
    QCOMPARE(control<QLineEdit>(w, "Page2EditA2")->text(), QStringLiteral("-80"));
    QVERIFY(control<QCheckBox>(w, "Page2Check5")->isChecked());
    QVERIFY(!control<QCheckBox>(w, "Page2Check4")->isChecked());
    QVERIFY(!control<QCheckBox>(w, "Page2Check6")->isChecked());
    for (int n = 1; n <= 6; ++n)
        QVERIFY(control<QCheckBox>(w, QStringLiteral("Page3Check%1").arg(n))->isChecked());
    for (int m = 1; m <= 3; ++m)
        QVERIFY(control<QCheckBox>(w, QStringLiteral("Page3Box%1Check").arg(m))->isChecked());

    QCOMPARE(w.designs().round, defaultRoundSeal());
    QCOMPARE(w.designs().triangle, defaultTriangleSeal());
    QCOMPARE(w.designs().rect, defaultRectStamp());
    QCOMPARE(w.previewPicture(), expectedPicture(w.designs(), ActivePage::Round));
}

void TestWindow::roundSealThreshold_data() {
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("stored");
    QTest::addColumn<bool>("repaints");

    QTest::newRow("R1 5") << "Page1EditR1" << "5" << 5 << false;
    QTest::newRow("R1 10") << "Page1EditR1" << "10" << 10 << false;
    QTest::newRow("R1 11") << "Page1EditR1" << "11" << 11 << true;
    QTest::newRow("R2 -40") << "Page1EditR2" << "-40" << -40 << false;
    QTest::newRow("Y6 cleared") << "Page1EditY6" << "" << 0 << false;
    QTest::newRow("X4 abc") << "Page1EditX4" << "abc" << 0 << false;
    QTest::newRow("A6 cleared") << "Page1EditA6" << "" << 0 << true;
    QTest::newRow("A1 abc") << "Page1EditA1" << "abc" << 0 << true;
    QTest::newRow("ring radius -30") << "Page1Box1Edit2" << "-30" << -30 << true;
    QTest::newRow("ring width 0") << "Page1Box2Edit1" << "0" << 0 << true;
    QTest::newRow("emblem x hex") << "Page1Box4Edit1" << "$0C" << 12 << true;
}

void TestWindow::roundSealThreshold() {
    QFETCH(QString, edit);
    QFETCH(QString, typed);
    QFETCH(int, stored);
    QFETCH(bool, repaints);
    TForm1& w = *m_window;
    // Centre lines are off by default: switch them on, which repaints but
    // marks nothing, so that their numbers show on the preview.
    for (const char* name : {"Page1Check4", "Page1Check6", "Page1Box4Check"})
        control<QCheckBox>(w, QString::fromLatin1(name))->setChecked(true);
    QVERIFY(!w.isModified(StampKind::Round));
    const QImage before = w.previewPicture().copy();

    retype(control<QLineEdit>(w, edit), typed);

    const RoundSealParameters& seal = w.designs().round;
    const std::int32_t values[] = {seal.lines[0].radius, seal.lines[1].radius, seal.lines[5].y,
                                   seal.lines[3].x,      seal.lines[5].angle,  seal.lines[0].angle,
                                   seal.rings[0].radius, seal.rings[1].width,  seal.emblem.x};
    const QStringList names = {"Page1EditR1",  "Page1EditR2",    "Page1EditY6",    "Page1EditX4",   "Page1EditA6",
                               "Page1EditA1",  "Page1Box1Edit2", "Page1Box2Edit1", "Page1Box4Edit1"};
    QCOMPARE(values[names.indexOf(edit)], stored);
    QCOMPARE(w.isModified(StampKind::Round), repaints);
    if (repaints)
        QCOMPARE(w.previewPicture(), expectedPicture(w.designs(), ActivePage::Round));
    else
        QCOMPARE(w.previewPicture(), before);

    // The stored value takes effect at the next repaint from anything else.
    click(w, "RefreshButton");
    QCOMPARE(w.previewPicture(), expectedPicture(w.designs(), ActivePage::Round));
    QCOMPARE(w.isModified(StampKind::Round), repaints);
}

void TestWindow::numberEditsWithoutThreshold_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("typed");

    QTest::newRow("triangle X1 5") << 1 << "Page2EditX1" << "5";
    QTest::newRow("triangle L1W cleared") << 1 << "Page2EditL1W" << "";
    QTest::newRow("triangle Y3") << 1 << "Page2EditY3" << "-7";
    QTest::newRow("rect Y1 3") << 2 << "Page3EditY1" << "3";
    QTest::newRow("rect K1X1") << 2 << "Page3EditK1X1" << "195";
    QTest::newRow("rect inner width") << 2 << "Page3EditL1W" << "9";
}

void TestWindow::numberEditsWithoutThreshold() {
    QFETCH(int, page);
    QFETCH(QString, edit);
    QFETCH(QString, typed);
    TForm1& w = *m_window;
    w.setActivePage(static_cast<ActivePage>(page));
    retype(control<QLineEdit>(w, edit), typed);
    const auto kind = static_cast<StampKind>(page);
    for (int k = 0; k < kKindCount; ++k)
        QCOMPARE(w.isModified(static_cast<StampKind>(k)), static_cast<StampKind>(k) == kind);
    QCOMPARE(w.previewPicture(), expectedPicture(w.designs(), static_cast<ActivePage>(page)));

    const auto value = [&]() -> std::int32_t {
        const TriangleSealParameters& t = w.designs().triangle;
        const RectStampParameters& r = w.designs().rect;
        if (edit == "Page2EditX1") return t.lines[0].x;
        if (edit == "Page2EditL1W") return t.frames[0].width;
        if (edit == "Page2EditY3") return t.lines[2].y;
        if (edit == "Page3EditY1") return r.lines[0].y;
        if (edit == "Page3EditK1X1") return r.contours[0].p1.x;
        return r.innerLine.width;
    };
    QCOMPARE(value(), TextToNumber(typed));
}

void TestWindow::typingTextMarksItsKindOnly_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("edit");
    QTest::newRow("round ring text") << 0 << "Page1Edit1";
    QTest::newRow("round centre line") << 0 << "Page1Edit5";
    QTest::newRow("triangle side text") << 1 << "Page2Edit3";
    QTest::newRow("rect line") << 2 << "Page3Edit6";
}

void TestWindow::typingTextMarksItsKindOnly() {
    QFETCH(int, page);
    QFETCH(QString, edit);
    TForm1& w = *m_window;
    w.setActivePage(static_cast<ActivePage>(page));
    QLineEdit* line = control<QLineEdit>(w, edit);
    QString checkName = edit;
    control<QCheckBox>(w, checkName.replace(QStringLiteral("Edit"), QStringLiteral("Check")))->setChecked(true);
    QVERIFY(!w.isModified(static_cast<StampKind>(page)));
    line->end(false);
    typeText(line, QStringLiteral(" Ёж"));
    QVERIFY(line->text().endsWith(QStringLiteral(" Ёж")));
    const int index = edit.right(1).toInt() - 1;
    const TextLines* lines[] = {&w.designs().round.lines, &w.designs().triangle.lines, &w.designs().rect.lines};
    QCOMPARE((*lines[page])[static_cast<std::size_t>(index)].text, line->text());
    for (int k = 0; k < kKindCount; ++k)
        QCOMPARE(w.isModified(static_cast<StampKind>(k)), k == page);
    QCOMPARE(w.previewPicture(), expectedPicture(w.designs(), static_cast<ActivePage>(page)));
}

void TestWindow::charactersOutsideTheCodePageAreRefused() {
    TForm1& w = *m_window;
    QLineEdit* edit = control<QLineEdit>(w, "Page1Edit2");
    const QString before = edit->text();
    edit->end(false);
    typeText(edit, QStringLiteral("Ω"));  // Greek: no Windows-1251 byte
    QCOMPARE(edit->text(), before);
    QVERIFY(!w.isModified(StampKind::Round));

    // A pasted text with such a character is refused whole.
    edit->selectAll();
    edit->insert(QStringLiteral("abc中"));
    QCOMPARE(edit->text(), before);
    edit->insert(QStringLiteral("№ €"));
    QCOMPARE(edit->text(), QStringLiteral("№ €"));
    QVERIFY(w.isModified(StampKind::Round));
}

// A text line is one line of a file: a line break, tab or other control
// character pasted or typed into a text edit of any kind becomes a blank.
void TestWindow::controlCharactersBecomeBlanks_data() {
    QTest::addColumn<QString>("edit");
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("paste");  // else committed by an input method, as typing does
    QTest::addColumn<QString>("entered");
    QTest::addColumn<QString>("shown");
    QTest::newRow("round, pasted LF") << "Page1Edit1" << 0 << true << "Печать\nООО" << "Печать ООО";
    QTest::newRow("round centre, pasted CR LF and TAB") << "Page1Edit5" << 0 << true << "a\r\nb\tc" << "a  b c";
    QTest::newRow("round, typed lone CR") << "Page1Edit3" << 0 << false << "Печать\rООО" << "Печать ООО";
    QTest::newRow("triangle, pasted NUL and DEL") << "Page2Edit3" << 1 << true << QString::fromUtf16(u"x\0y\x7Fz", 5)
                                                  << "x y z";
    QTest::newRow("triangle, typed line separator") << "Page2Edit1" << 1 << false << QString::fromUtf16(u"a\u2028b")
                                                    << "a b";
    QTest::newRow("rect, pasted LF") << "Page3Edit6" << 2 << true << "ИНН\n7700" << "ИНН 7700";
    QTest::newRow("rect, typed TAB and 0x1A") << "Page3Edit2" << 2 << false << "a\tb\x1A" << "a b ";
}

void TestWindow::controlCharactersBecomeBlanks() {
    QFETCH(QString, edit);
    QFETCH(int, kind);
    QFETCH(bool, paste);
    QFETCH(QString, entered);
    QFETCH(QString, shown);
    TForm1& w = *m_window;
    const auto stampKind = static_cast<StampKind>(kind);
    w.setActivePage(static_cast<ActivePage>(kind));
    QLineEdit* line = control<QLineEdit>(w, edit);
    line->setFocus();
    line->selectAll();
    if (paste) {
        QGuiApplication::clipboard()->setText(entered);
        line->paste();
    } else {
        line->del();
        QInputMethodEvent commit;
        commit.setCommitString(entered);
        QCoreApplication::sendEvent(line, &commit);
    }
    QCOMPARE(line->text(), shown);
    const int index = edit.right(1).toInt() - 1;
    const TextLines& lines = stampKind == StampKind::Round      ? w.designs().round.lines
                             : stampKind == StampKind::Triangle ? w.designs().triangle.lines
                                                                : w.designs().rect.lines;
    QCOMPARE(lines[static_cast<std::size_t>(index)].text, shown);
    QVERIFY(w.isModified(stampKind));
}

void TestWindow::textLengthIsCapped_data() {
    QTest::addColumn<QString>("edit");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("pasted");  // characters
    QTest::newRow("round ring text, 1000") << "Page1Edit1" << 0 << 1000;
    QTest::newRow("round centre line, 1001") << "Page1Edit6" << 0 << 1001;
    QTest::newRow("triangle, a million") << "Page2Edit2" << 1 << 1000000;
}

// A text edit takes no more than a text line may hold, pasted or typed.
void TestWindow::textLengthIsCapped() {
    QFETCH(QString, edit);
    QFETCH(int, kind);
    QFETCH(int, pasted);
    TForm1& w = *m_window;
    w.setActivePage(static_cast<ActivePage>(kind));
    QLineEdit* line = control<QLineEdit>(w, edit);
    line->setFocus();
    line->selectAll();
    QGuiApplication::clipboard()->setText(testing::repeatedTo(QStringLiteral("Печать "), pasted));
    line->paste();
    const int kept = std::min(pasted, io::kMaxLineText);
    QCOMPARE(line->text().size(), kept);
    typeText(line, QStringLiteral("Ж"));
    QCOMPARE(line->text().size(), std::min(kept + 1, io::kMaxLineText));
    const StampDesigns& designs = w.designs();
    const TextLines* lines[] = {&designs.round.lines, &designs.triangle.lines, &designs.rect.lines};
    QCOMPARE((*lines[kind])[static_cast<std::size_t>(edit.right(1).toInt() - 1)].text, line->text());
}

// Every round seal text at the longest: a keystroke is drawn well within
// 100 ms (the bound of a second allows for a busy machine).
void TestWindow::keystrokeWithTheLongestTextsIsQuick() {
    TForm1& w = *m_window;
    for (int n = 1; n <= 6; ++n) {
        control<QCheckBox>(w, QStringLiteral("Page1Check%1").arg(n))->setChecked(true);
        QLineEdit* line = control<QLineEdit>(w, QStringLiteral("Page1Edit%1").arg(n));
        line->setText(testing::repeatedTo(QStringLiteral("Общество с ограниченной ответственностью * "), 1000));
    }
    w.completePendingRepaint();
    QLineEdit* typed = control<QLineEdit>(w, "Page1Edit2");
    typed->setFocus();
    typed->end(false);
    QElapsedTimer timer;
    qint64 slowest = 0;
    for (const QChar c : QStringLiteral("абв")) {
        typed->backspace();
        w.completePendingRepaint();
        timer.start();
        typeText(typed, QString(c));
        w.completePendingRepaint();
        slowest = std::max(slowest, timer.elapsed());
    }
    qInfo("slowest keystroke: %lld ms", static_cast<long long>(slowest));
    QVERIFY2(slowest < 1000, qPrintable(QString::number(slowest)));
    QCOMPARE(w.previewPicture(), expectedPicture(w.designs(), ActivePage::Round));
}

void TestWindow::checkBoxesEnableTheirControls_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("check");
    QTest::addColumn<QStringList>("followers");
    QTest::addColumn<QStringList>("stayEnabled");

    QTest::newRow("ring 2") << 0 << "Page1Box2Check"
                            << QStringList{"Page1Box2Edit1", "Page1Box2Edit2", "Page1Box2Label3", "Page1Box2Button1"}
                            << QStringList{"Page1Box2Label1", "Page1Box2Label2"};
    QTest::newRow("ring text 1") << 0 << "Page1Check1"
                                 << QStringList{"Page1Edit1", "Page1Button1", "Page1EditR1", "Page1EditA1"}
                                 << QStringList{"Page1Edit2"};
    QTest::newRow("triangle frame 3")
        << 1 << "Page2Box3Check"
        << QStringList{"Page2EditL3X1", "Page2EditL3Y1", "Page2EditL3X2", "Page2EditL3Y2",
                       "Page2EditL3X3", "Page2EditL3Y3", "Page2EditL3W",  "Page2EditL3C"}
        << QStringList{"Page2EditL2X1"};
    QTest::newRow("rect inner line")
        << 2 << "Page3Box3Check"
        << QStringList{"Page3EditL1X1", "Page3EditL1Y1", "Page3EditL1X2", "Page3EditL1Y2", "Page3EditL1W",
                       "Page3EditL1C"}
        << QStringList{"Page3EditK1X1"};
    QTest::newRow("rect line 4") << 2 << "Page3Check4"
                                 << QStringList{"Page3Edit4", "Page3Button4", "Page3EditX4", "Page3EditY4",
                                                "Page3EditA4"}
                                 << QStringList{"Page3Edit5"};
}

void TestWindow::checkBoxesEnableTheirControls() {
    QFETCH(int, page);
    QFETCH(QString, check);
    QFETCH(QStringList, followers);
    QFETCH(QStringList, stayEnabled);
    TForm1& w = *m_window;
    control<QTabWidget>(w, "Pages")->setCurrentIndex(page);
    const QImage before = w.previewPicture().copy();

    control<QCheckBox>(w, check)->click();
    for (const QString& name : followers)
        QVERIFY2(!control(w, name)->isEnabled(), qPrintable(name));
    for (const QString& name : stayEnabled)
        QVERIFY2(control(w, name)->isEnabled(), qPrintable(name));
    QVERIFY(!w.isModified(static_cast<StampKind>(page)));
    QVERIFY(w.previewPicture() != before);
    QCOMPARE(w.previewPicture(), expectedPicture(w.designs(), static_cast<ActivePage>(page)));

    control<QCheckBox>(w, check)->click();
    for (const QString& name : followers)
        QVERIFY2(control(w, name)->isEnabled(), qPrintable(name));
    QCOMPARE(w.previewPicture(), before);
    QVERIFY(!w.isModified(static_cast<StampKind>(page)));
}

void TestWindow::fontDialog() {
    TForm1& w = *m_window;
    // Cancelled: the font stays, but the press counts as an edit.
    m_dialogs->fonts.push_back(std::nullopt);
    click(w, "Page1Button1");
    QCOMPARE(m_dialogs->fontInitials.size(), 1);
    QCOMPARE(m_dialogs->fontInitials[0], startupFont());
    QCOMPARE(w.designs().round.lines[0].font, startupFont());
    QVERIFY(w.isModified(StampKind::Round));

    // Another font chosen: the line takes it.
    m_dialogs->fonts.push_back(fontDialogStartFont());
    click(w, "Page1Button1");
    QCOMPARE(w.designs().round.lines[0].font, fontDialogStartFont());
    QCOMPARE(w.designs().round.lines[0].font.face, QStringLiteral("MS Sans Serif"));
    QCOMPARE(w.previewPicture(), expectedPicture(w.designs(), ActivePage::Round));

    // From then on the dialog opens with the line's font.
    LineFont bold = fontDialogStartFont();
    bold.bold = true;
    bold.size = 12;
    m_dialogs->fonts.push_back(bold);
    click(w, "Page1Button1");
    QCOMPARE(m_dialogs->fontInitials[2], fontDialogStartFont());
    QCOMPARE(w.designs().round.lines[0].font, bold);
    m_dialogs->fonts.push_back(std::nullopt);
    click(w, "Page1Button1");
    QCOMPARE(m_dialogs->fontInitials[3], bold);

    // Each line's dialog opens on that line's font.
    m_dialogs->fonts.push_back(std::nullopt);
    click(w, "Page1Button2");
    QCOMPARE(m_dialogs->fontInitials[4], startupFont());
    QCOMPARE(w.designs().round.lines[1].font, startupFont());
    QVERIFY(!w.isModified(StampKind::Triangle));
}

void TestWindow::fontDialogConfirmedUnchangedChangesNothing_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("line");  // 0-based
    QTest::addColumn<LineFont>("font");
    const auto font = [](const char* face, int size, TColor colour, std::initializer_list<bool LineFont::*> styles) {
        LineFont f;
        f.face = QString::fromLatin1(face);
        f.size = size;
        f.color = colour;
        for (bool LineFont::*style : styles)
            f.*style = true;
        return f;
    };
    QTest::newRow("centre line, bold italic blue")
        << 0 << 4 << font("Liberation Serif", 9, 0xFF0000, {&LineFont::bold, &LineFont::italic});
    QTest::newRow("side text, underlined, an odd colour")
        << 1 << 2 << font("DejaVu Sans", 7, 0x123456, {&LineFont::underline});
    QTest::newRow("stamp line, struck out, no colour, face not installed")
        << 2 << 5 << font("Times New Roman", 14, kNoneColour, {&LineFont::strikeOut});
    QTest::newRow("stamp line, size beyond the dialog's list") << 2 << 0 << font("DejaVu Sans", 2000, 0x0000FF, {});
}

// Confirmed untouched, the font dialog gives the line back its own font.
void TestWindow::fontDialogConfirmedUnchangedChangesNothing() {
    QFETCH(int, page);
    QFETCH(int, line);
    QFETCH(LineFont, font);
    TForm1& w = *m_window;
    StampDesigns designs = w.designs();
    TextLines* lines[] = {&designs.round.lines, &designs.triangle.lines, &designs.rect.lines};
    (*lines[page])[static_cast<std::size_t>(line)].font = font;
    (*lines[page])[static_cast<std::size_t>(line)].enabled = true;
    const QByteArray bytes = page == 0   ? io::writeRoundSeal(designs.round)
                             : page == 1 ? io::writeTriangleSeal(designs.triangle)
                                         : io::writeRectStamp(designs.rect);
    const QString path = m_dir.filePath(QStringLiteral("font.qgr"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    w.openDesignFile(path);
    const StampDesigns opened = w.designs();
    const QImage picture = w.previewPicture().copy();

    m_dialogs->untouchedFontDialogs = 1;
    click(w, QStringLiteral("Page%1Button%2").arg(page + 1).arg(line + 1));
    QCOMPARE(m_dialogs->fontInitials.size(), 1);
    QCOMPARE(m_dialogs->fontInitials[0], font);
    QCOMPARE(w.designs().round, opened.round);
    QCOMPARE(w.designs().triangle, opened.triangle);
    QCOMPARE(w.designs().rect, opened.rect);
    QCOMPARE(w.previewPicture(), picture);
}

void TestWindow::fontDialogFaces_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("picked");  // entries chosen one after the other
    QTest::addColumn<QString>("chosen");

    const QString missing = QStringLiteral("MS Sans Serif (не установлен)");
    QTest::newRow("missing, kept") << "MS Sans Serif" << QStringList() << "MS Sans Serif";
    QTest::newRow("missing, its stand-in picked") << "MS Sans Serif" << QStringList{"DejaVu Sans"} << "DejaVu Sans";
    QTest::newRow("missing, another picked") << "MS Sans Serif" << QStringList{"Liberation Serif"}
                                             << "Liberation Serif";
    QTest::newRow("missing, picked again") << "MS Sans Serif" << QStringList{"DejaVu Sans", missing}
                                           << "MS Sans Serif";
    QTest::newRow("Arial, its stand-in picked") << "Arial" << QStringList{"Liberation Sans"} << "Liberation Sans";
    QTest::newRow("installed, kept") << "Liberation Serif" << QStringList() << "Liberation Serif";
    QTest::newRow("installed, another picked") << "Liberation Serif" << QStringList{"DejaVu Sans"}
                                               << "DejaVu Sans";
}

// The face list shows the face the line has, installed or not, and takes
// whatever face is picked.
void TestWindow::fontDialogFaces() {
    QFETCH(QString, stored);
    QFETCH(QStringList, picked);
    QFETCH(QString, chosen);
    LineFont initial = fontDialogStartFont();
    initial.face = stored;
    initial.size = 14;
    initial.italic = true;
    FontDialog dialog(initial, nullptr);
    auto* faces = control<QComboBox>(dialog, "FontFace");
    const bool installed = QFontDatabase::hasFamily(stored);
    QCOMPARE(installed, stored.startsWith(QLatin1String("Liberation")));
    const QString entry = installed ? stored : stored + QStringLiteral(" (не установлен)");
    QCOMPARE(faces->currentText(), entry);
    QCOMPARE(faces->findText(entry), faces->currentIndex());
    // The sample of a missing face is drawn in the face standing in for it.
    QCOMPARE(QFontInfo(control<QLabel>(dialog, "FontSample")->font()).family(), QFontInfo(QFont(stored)).family());
    QCOMPARE(dialog.font(), initial);

    for (const QString& name : picked) {
        const int index = faces->findText(name, Qt::MatchExactly);
        QVERIFY2(index >= 0, qPrintable(name));
        faces->setCurrentIndex(index);
    }
    LineFont expected = initial;
    expected.face = chosen;
    QCOMPARE(dialog.font(), expected);
    QCOMPARE(QFontInfo(control<QLabel>(dialog, "FontSample")->font()).family(), QFontInfo(QFont(chosen)).family());
}

void TestWindow::colourPanel() {
    TForm1& w = *m_window;
    m_dialogs->colours.push_back(std::nullopt);
    click(w, "Page1Box1Button1");
    QCOMPARE(m_dialogs->colourInitials.value(0), kNoneColour);
    QVERIFY(!w.isModified(StampKind::Round));
    QCOMPARE(w.designs().round.rings[0].color, kNoneColour);

    m_dialogs->colours.push_back(0xFF0000);
    click(w, "Page1Box1Button1");
    QCOMPARE(w.designs().round.rings[0].color, 0xFF0000);
    QCOMPARE(control<ColourPanel>(w, "Page1Box1Button1")->colour(), 0xFF0000);
    QVERIFY(w.isModified(StampKind::Round));
    QCOMPARE(w.previewPicture().pixel(142, 100), 0xFF0000FFu);

    // Each panel loads the shared dialog with its own colour.
    m_dialogs->colours.push_back(std::nullopt);
    click(w, "Page1Box2Button1");
    QCOMPARE(m_dialogs->colourInitials.value(2), kNoneColour);
}

void TestWindow::backgroundColourOfTheActiveKindOnly() {
    TForm1& w = *m_window;
    w.setActivePage(ActivePage::Triangle);
    QAction* colourItem = w.findChild<QAction*>(QStringLiteral("ColorItem"));
    QVERIFY(colourItem);

    m_dialogs->colours.push_back(std::nullopt);
    colourItem->trigger();
    QCOMPARE(w.designs().triangle.background, kWhite);
    QVERIFY(!w.isModified(StampKind::Triangle));

    m_dialogs->colours.push_back(0x00FFFF);
    colourItem->trigger();
    QCOMPARE(w.designs().triangle.background, 0x00FFFF);
    QCOMPARE(w.designs().round.background, kWhite);
    QCOMPARE(w.designs().rect.background, kWhite);
    QVERIFY(w.isModified(StampKind::Triangle));
    QVERIFY(!w.isModified(StampKind::Round));
    QVERIFY(!w.isModified(StampKind::Rect));
    QCOMPARE(w.previewPicture().pixel(197, 0), 0xFFFFFF00u);

    // The command does not preset the dialog: it opens with the last colour.
    w.setActivePage(ActivePage::Rect);
    m_dialogs->colours.push_back(std::nullopt);
    colourItem->trigger();
    QCOMPARE(m_dialogs->colourInitials.last(), 0x00FFFF);
}

void TestWindow::pageChangeRepaintsWithoutMarking() {
    TForm1& w = *m_window;
    auto* pages = control<QTabWidget>(w, "Pages");
    for (int page : {1, 2, 3, 0}) {
        pages->setCurrentIndex(page);
        QCOMPARE(w.previewPicture(), expectedPicture(w.designs(), static_cast<ActivePage>(page)));
    }
    for (int k = 0; k < kKindCount; ++k)
        QVERIFY(!w.isModified(static_cast<StampKind>(k)));
}

void TestWindow::popupMenuNotOnInformationPage() {
    TForm1& w = *m_window;
    auto* pages = control<QTabWidget>(w, "Pages");
    QWidget* image = control(w, "Image");
    QMenu* menu = w.findChild<QMenu*>(QStringLiteral("PopupMenu1"));
    QVERIFY(menu);
    const QStringList items = {"NewItem",   "", "SaveQgrItem",    "VaveBmpItem",    "",
                               "ColorItem", "", "ProductionItem", "CompanySealItem"};
    QCOMPARE(menu->actions().size(), items.size());
    for (int i = 0; i < items.size(); ++i)
        QCOMPARE(menu->actions()[i]->objectName(), items[i]);

    for (int page : {3, 0, 2}) {
        pages->setCurrentIndex(page);
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(50, 50), image->mapToGlobal(QPoint(50, 50)));
        QCoreApplication::sendEvent(image, &event);
        QCOMPARE(menu->isVisible(), page != 3);
        menu->hide();
    }
}

void TestWindow::emblemChoice_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("message");

    const QByteArray bmp = testing::bmpBytes(4, 4, Qt::black);
    QTest::newRow("accepted, long name") << "Coat of arms 2005.bmp" << bmp << QString();
    QTest::newRow("upper-case extension") << "GERB.BMP" << bmp << QString();
    QTest::newRow("mixed-case extension") << "Emblem.Bmp" << bmp << "Расширение файла должно быть bmp !";
    QTest::newRow("not a picture") << "notes.bmp" << QByteArray("plain text") << "Файл не является рисунком bmp !";
    const auto bmpOf = [](int width, int height) { return testing::bmpBytes(width, height, Qt::black); };
    QTest::newRow("4096 wide") << "wide.bmp" << bmpOf(4096, 1) << QString();
    QTest::newRow("4097 wide") << "wider.bmp" << bmpOf(4097, 1) << "Рисунок больше 4096 на 4096 точек !";
    QTest::newRow("4097 high") << "high.bmp" << bmpOf(1, 4097) << "Рисунок больше 4096 на 4096 точек !";
}

void TestWindow::emblemChoice() {
    QFETCH(QString, fileName);
    QFETCH(QByteArray, contents);
    QFETCH(QString, message);
    TForm1& w = *m_window;
    control<QCheckBox>(w, "Page1Box4Check")->setChecked(true);
    const QString path = m_dir.filePath(fileName);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
    file.close();

    m_dialogs->openNames.push_back(path);
    click(w, "Page1Box4Button1");
    QCOMPARE(m_dialogs->openRequests.size(), 1);
    QCOMPARE(m_dialogs->openRequests[0].filter, QStringLiteral("Bmp-файлы (*.bmp)"));
    if (message.isEmpty()) {
        QVERIFY(m_dialogs->messages.isEmpty());
        QCOMPARE(w.designs().round.emblem.path, path);
        QCOMPARE(control<QLabel>(w, "Page1Box4Label2")->text(), fileName.left(14));
        QVERIFY(w.isModified(StampKind::Round));
    } else {
        QCOMPARE(m_dialogs->messages.size(), 1);
        QCOMPARE(m_dialogs->messages[0].text, message);
        QCOMPARE(m_dialogs->messages[0].caption, QStringLiteral("Предупреждение."));
        QCOMPARE(m_dialogs->messages[0].icon, MessageIcon::Error);
        QCOMPARE(w.designs().round.emblem.path, QString());
        QVERIFY(!w.isModified(StampKind::Round));
    }
}

void TestWindow::emblemPathTheFileCannotHoldIsRefused_data() {
    QTest::addColumn<QString>("refused");  // within the test's folder
    QTest::newRow("outside the code page") << QStringLiteral("Café/герб.bmp");
    // A design file writes a control character as a blank.
    QTest::newRow("tab in the name") << QStringLiteral("герб\t2.bmp");
    QTest::newRow("tab in a folder") << QStringLiteral("гербы\tстарые/герб.bmp");
    QTest::newRow("delete in the name") << QStringLiteral("герб\x7f.bmp");
}

void TestWindow::emblemPathTheFileCannotHoldIsRefused() {
    QFETCH(QString, refused);
    TForm1& w = *m_window;
    control<QCheckBox>(w, "Page1Box4Check")->setChecked(true);
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::black);
    const QString first = m_dir.filePath(QStringLiteral("Герб области.bmp"));
    QVERIFY(picture.save(first, "BMP"));
    const QString refusedPath = m_dir.filePath(refused);
    QVERIFY(QDir().mkpath(QFileInfo(refusedPath).absolutePath()));
    QVERIFY(picture.save(refusedPath, "BMP"));

    m_dialogs->openNames = {first, refusedPath};
    click(w, "Page1Box4Button1");
    QVERIFY(m_dialogs->messages.isEmpty());
    click(w, "Page1Box4Button1");
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(m_dialogs->messages[0].caption, QStringLiteral("Предупреждение."));
    QCOMPARE(m_dialogs->messages[0].text,
             QStringLiteral("Путь к файлу содержит символы, которые нельзя сохранить в файле qgr !"));
    QCOMPARE(w.designs().round.emblem.path, first);
    QCOMPARE(control<QLabel>(w, "Page1Box4Label2")->text(), QStringLiteral("Герб области.b"));
}

void TestWindow::emblemDrawnAndSkipped() {
    TForm1& w = *m_window;
    QImage picture(20, 10, QImage::Format_RGB32);
    picture.fill(Qt::red);
    const QString path = m_dir.filePath(QStringLiteral("emblem.bmp"));
    QVERIFY(picture.save(path, "BMP"));

    control<QCheckBox>(w, "Page1Box4Check")->setChecked(true);
    retype(control<QLineEdit>(w, "Page1Box4Edit1"), "15");
    retype(control<QLineEdit>(w, "Page1Box4Edit2"), "25");
    m_dialogs->openNames.push_back(path);
    click(w, "Page1Box4Button1");
    // Red differs from the white background: every pixel is ink.
    QCOMPARE(w.previewPicture().pixel(15, 25), 0xFF000000u);
    QCOMPARE(w.previewPicture().pixel(34, 34), 0xFF000000u);
    QCOMPARE(w.previewPicture().pixel(14, 25), 0xFFFFFFFFu);

    // Deleted: the next repaint draws the seal without it.
    QVERIFY(QFile::remove(path));
    click(w, "RefreshButton");
    QCOMPARE(w.previewPicture().pixel(15, 25), 0xFFFFFFFFu);
    QCOMPARE(w.previewPicture().pixel(192, 100), 0xFF000000u);  // ring 3 still drawn

    // Replaced by a file that is not a picture: skipped, no message.
    QFile text(path);
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("not a bitmap");
    text.close();
    click(w, "RefreshButton");
    QCOMPARE(w.previewPicture().pixel(15, 25), 0xFFFFFFFFu);
    QCOMPARE(w.previewPicture().pixel(192, 100), 0xFF000000u);
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestWindow::resetKeepsFontsAndEmblemLabel() {
    TForm1& w = *m_window;
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::black);
    const QString path = m_dir.filePath(QStringLiteral("Coat of arms 2005.bmp"));
    QVERIFY(picture.save(path, "BMP"));
    control<QCheckBox>(w, "Page1Box4Check")->setChecked(true);
    m_dialogs->openNames.push_back(path);
    click(w, "Page1Box4Button1");
    LineFont chosen = fontDialogStartFont();
    chosen.italic = true;
    m_dialogs->fonts.push_back(chosen);
    click(w, "Page1Button1");
    retype(control<QLineEdit>(w, "Page1EditR1"), "70");

    m_dialogs->answers.push_back(Answer::No);
    click(w, "NewButton");
    QCOMPARE(m_dialogs->questions, QStringList{"Сохранить изменения круглой печати ?"});
    RoundSealParameters expected = defaultRoundSeal();
    expected.lines[0].font = chosen;
    QCOMPARE(w.designs().round, expected);
    QVERIFY(!w.isModified(StampKind::Round));
    QVERIFY(!control<QCheckBox>(w, "Page1Box4Check")->isChecked());
    QVERIFY(!control<QPushButton>(w, "Page1Box4Button1")->isEnabled());
    QCOMPARE(control<QLineEdit>(w, "Page1EditR1")->text(), QStringLiteral("60"));
    QCOMPARE(control<QLabel>(w, "Page1Box4Label2")->text(), QStringLiteral("Coat of arms 2"));
    QCOMPARE(w.previewPicture(), expectedPicture(w.designs(), ActivePage::Round));
}

// The start-up work belongs to the first showing only: showing the window
// again (after it was minimised or hidden) must not reset the designs.
void TestWindow::startUpRunsOnce() {
    TForm1& w = *m_window;
    typeText(control<QLineEdit>(w, "Page1Edit1"), QStringLiteral("1"));
    w.setActivePage(ActivePage::Rect);
    w.hide();
    w.show();
    QVERIFY(w.designs().round.lines[0].text.endsWith(QLatin1Char('1')));
    QVERIFY(w.isModified(StampKind::Round));
    QVERIFY(w.activePage() == ActivePage::Rect);
}

void TestWindow::closeBoxAsksLikeClose() {
    TForm1& w = *m_window;
    QVERIFY(w.close());  // nothing modified: closes without a question
    QVERIFY(m_dialogs->questions.isEmpty());
    w.show();
    typeText(control<QLineEdit>(w, "Page3Edit2"), QStringLiteral("1"));
    m_dialogs->answers.push_back(Answer::Cancel);
    QVERIFY(!w.close());
    QVERIFY(w.isVisible());
    QCOMPARE(m_dialogs->questions, QStringList{"Сохранить изменения печатей ?"});
    m_dialogs->answers.push_back(Answer::No);
    QVERIFY(w.close());
    QVERIFY(!w.isVisible());
}

void TestWindow::beforeTheFirstShowing() {
    ScriptedDialogs dialogs;
    TForm1 w(dialogs);
    QCOMPARE(control<QLineEdit>(w, "Page2Edit3")->text(), QStringLiteral("Текст снизу"));
    QVERIFY(w.activePage() == ActivePage::Info);
    w.show();
    QCOMPARE(control<QLineEdit>(w, "Page2Edit3")->text(), QStringLiteral("Текст в нижней строке"));
    QCOMPARE(w.designs().triangle, defaultTriangleSeal());
    QVERIFY(!w.isModified(StampKind::Triangle));
    QVERIFY(w.activePage() == ActivePage::Round);
    QVERIFY(dialogs.questions.isEmpty());
}

namespace {

// A caption and the room its control leaves for it: the control less its
// frame, check box indicator, margins or tab padding.
struct Caption {
    QString text;
    QRect room;
};

QList<Caption> captionsOf(QWidget* widget) {
    QStyle* style = widget->style();
    if (auto* check = qobject_cast<QCheckBox*>(widget)) {
        QStyleOptionButton option;
        option.initFrom(check);
        option.text = check->text();
        return {{check->text(), style->subElementRect(QStyle::SE_CheckBoxContents, &option, check)}};
    }
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        return {{button->text(), style->subElementRect(QStyle::SE_PushButtonContents, &option, button)}};
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        if (label->text().isEmpty())
            return {};
        const int margin = label->margin();
        return {{label->text(), label->contentsRect().adjusted(margin, margin, -margin, -margin)}};
    }
    if (auto* box = qobject_cast<QGroupBox*>(widget)) {
        if (box->title().isEmpty())
            return {};
        QStyleOptionGroupBox option;
        option.initFrom(box);
        option.text = box->title();
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        if (box->isCheckable())
            option.subControls |= QStyle::SC_GroupBoxCheckBox;
        const QRect label = style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
        return {{box->title(), QRect(label.topLeft(), QPoint(box->width() - 1, label.bottom()))}};
    }
    if (auto* tabs = qobject_cast<QTabBar*>(widget)) {
        QList<Caption> captions;
        const int padding = style->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, tabs);
        for (int i = 0; i < tabs->count(); ++i)
            captions.append({tabs->tabText(i), tabs->tabRect(i).adjusted(padding / 2, 0, -(padding / 2), 0)});
        return captions;
    }
    return {};
}

}  // namespace

// Every caption of the window, at the sizes its layout fixes, shows whole.
void TestWindow::captionsFitTheirControls() {
    TForm1& w = *m_window;
    QStringList cut;
    int captions = 0;
    for (QWidget* widget : w.findChildren<QWidget*>()) {
        for (const Caption& caption : captionsOf(widget)) {
            ++captions;
            const QSize needed = widget->fontMetrics().size(Qt::TextShowMnemonic, caption.text);
            if (needed.width() > caption.room.width() || needed.height() > caption.room.height())
                cut.append(QStringLiteral("%1 \"%2\": needs %3x%4, has %5x%6")
                               .arg(widget->objectName(), caption.text)
                               .arg(needed.width())
                               .arg(needed.height())
                               .arg(caption.room.width())
                               .arg(caption.room.height()));
        }
    }
    // A label's words must not lie under a control stacked above it, such
    // as the "px" after the width and radius edits of the ring boxes.
    for (QLabel* label : w.findChildren<QLabel*>()) {
        const QString text = label->text();
        if (text.isEmpty() || (label->alignment() & Qt::AlignHCenter))
            continue;
        const QFontMetrics metrics = label->fontMetrics();
        const QObjectList siblings = label->parentWidget()->children();
        for (qsizetype start = 0, end = 0; start < text.size(); start = end) {
            end = start + 1;
            if (text[start] == QLatin1Char(' '))
                continue;
            while (end < text.size() && text[end] != QLatin1Char(' '))
                ++end;
            const QRect word(label->x() + label->contentsRect().left() + metrics.horizontalAdvance(text.left(start)),
                             label->y(), metrics.horizontalAdvance(text.mid(start, end - start)), label->height());
            for (qsizetype i = siblings.indexOf(label) + 1; i < siblings.size(); ++i) {
                const auto* above = qobject_cast<QWidget*>(siblings[i]);
                if (above && !above->isHidden() && above->geometry().intersects(word))
                    cut.append(QStringLiteral("%1 \"%2\" lies under %3")
                                   .arg(label->objectName(), text.mid(start, end - start), above->objectName()));
            }
        }
    }
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral("\n"))));
    QVERIFY(captions >= 71);  // the walk reached the controls of every page
}

// Keystrokes that wait in the queue together are all taken before the
// preview is drawn, and it is drawn once, for the text they leave.
void TestWindow::waitingKeystrokesRepaintOnce() {
    TForm1& w = *m_window;
    (void)w.previewPicture();
    QSignalSpy painted(&w, &TForm1::previewPainted);
    QLineEdit* edit = control<QLineEdit>(w, "Page1Edit1");
    edit->setFocus();
    edit->end(false);
    for (const QChar c : QStringLiteral("Ёжик")) {
        QCoreApplication::postEvent(edit, new QKeyEvent(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, c));
        QCoreApplication::postEvent(edit, new QKeyEvent(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, c));
    }
    QTest::qWait(50);
    QCOMPARE(edit->text(), QStringLiteral("Первая строкаЁжик"));
    QCOMPARE(painted.count(), 1);
    QVERIFY(w.isModified(StampKind::Round));
    QCOMPARE(w.previewPicture(), expectedPicture(w.designs(), ActivePage::Round));
    QCOMPARE(painted.count(), 1);
}

// A paint hands its pen, brush, font and current point on to the next one:
// paints left out for a later state must hand on the same.
void TestWindow::skippedRepaintsKeepTheDrawingState() {
    TForm1& w = *m_window;
    StampDesigns designs = w.designs();
    Canvas reference;
    const auto paintReference = [&] {
        ClearStamp(reference, designs, ActivePage::Round);
        PaintStamp(reference, designs, ActivePage::Round);
    };
    paintReference();

    // Ring 3 drawn last with a pen 7 wide, then every ring switched off, so
    // that the last paint draws with no pen of its own and keeps the 7.
    retype(control<QLineEdit>(w, "Page1Box3Edit1"), "7");
    designs.round.rings[2].width = 7;
    paintReference();
    for (int m = 1; m <= 3; ++m) {
        control<QCheckBox>(w, QStringLiteral("Page1Box%1Check").arg(m))->setChecked(false);
        designs.round.rings[static_cast<std::size_t>(m - 1)].enabled = false;
        paintReference();
    }
    QCOMPARE(w.designs().round, designs.round);

    const Canvas& canvas = w.previewCanvas();
    QCOMPARE(canvas.penWidth(), 7);
    QCOMPARE(canvas.penWidth(), reference.penWidth());
    QCOMPARE(canvas.penColor(), reference.penColor());
    QCOMPARE(canvas.brushColor(), reference.brushColor());
    QCOMPARE(canvas.font(), reference.font());
    QVERIFY(canvas.currentPoint() == reference.currentPoint());
    QCOMPARE(w.previewPicture(), reference.image());
}

// A radius below its threshold typed while a repaint waits is stored
// without a repaint of its own: the waiting repaint must not draw it.
void TestWindow::pendingRepaintDrawsTheStateItWasAskedFor() {
    TForm1& w = *m_window;
    retype(control<QLineEdit>(w, "Page1EditA1"), "30");
    const StampDesigns asked = w.designs();
    retype(control<QLineEdit>(w, "Page1EditR1"), "5");
    QCOMPARE(w.designs().round.lines[0].radius, 5);
    QCOMPARE(w.previewPicture(), expectedPicture(asked, ActivePage::Round));
}

QTEST_MAIN(TestWindow)
#include "test_window.moc"
