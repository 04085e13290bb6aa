#include "Files.h"
#include "Check.h"
#include "CheckPanel.h"
#include "Designs.h"
#include "ElementPanel.h"
#include "Export.h"
#include "ImprintView.h"
#include "Placing.h"
#include "ProductionSettings.h"
#include "ProductionWindow.h"
#include "Profiles.h"
#include "StampFile.h"
#include "StampPages.h"
#include "TestParts.h"
// GCC 12 sees the scripted font answers (an optional in a deque) as
// perhaps uninitialised once this file's tests are inlined; they are not.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include "WindowHelpers.h"
#pragma GCC diagnostic pop
#include "WindowFont.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>
#include <optional>

using namespace qg;

namespace {

// The program itself, as a user runs it from a terminal.
int runProgram(const QStringList& arguments, QString* errors = nullptr) {
    QProcess process;
    process.setProcessEnvironment(terminalEnvironment());
    process.start(QStringLiteral(QG_PROGRAM), arguments);
    if (!process.waitForFinished(60000))
        return -1;
    if (errors)
        *errors = QString::fromUtf8(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// A PDF without what makes every file unique: its dates and its identity.
QByteArray withoutStamps(QByteArray pdf) {
    static const QRegularExpression stamps(QStringLiteral("/CreationDate \\([^)]*\\)|/ModDate \\([^)]*\\)|/ID \\[[^\\]]*\\]"));
    return QString::fromLatin1(pdf).replace(stamps, QString()).toLatin1();
}

// The box that holds the dark (ink) pixels of a picture.
QRect darkBox(const QImage& picture) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    int left = rgb.width(), top = rgb.height(), right = -1, bottom = -1;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            if (std::max({qRed(line[x]), qGreen(line[x]), qBlue(line[x])}) < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// The width of the imprints whose width is not what a case is about.
constexpr double kSmallWidth = 12;

// The imprint as the window's settings draw it into a small picture.
QImage rendered(const output::Imprint& imprint, output::Settings settings) {
    settings.dpi = 150;
    return output::renderRaster(imprint, settings);
}

// A point of the element's ink, in preview units: inside a filled outline
// (a letter), on the middle of a stroked line or circle.
std::optional<QPointF> pointOnInk(const std::vector<InkOp>& ops, ElementTag element) {
    for (const InkOp& op : ops) {
        if (!(op.element == element) || op.paper || op.path.isEmpty())
            continue;
        if (op.circle) {
            const QPointF centre = op.path.controlPointRect().center();
            return centre - QPointF(0, op.radius);
        }
        if (op.stroked && op.path.elementCount() > 1)
            return (QPointF(op.path.elementAt(0)) + QPointF(op.path.elementAt(1))) / 2;
        const QRectF box = op.path.controlPointRect();
        for (double y = box.top(); y <= box.bottom(); y += 0.25)
            for (double x = box.left(); x <= box.right(); x += 0.25)
                if (op.path.contains(QPointF(x, y)))
                    return QPointF(x, y);
    }
    return std::nullopt;
}

// The seal's centre in preview units, round which ring texts turn.
const QPointF kCentre(100.5, 100.5);

// A point turned clockwise about the seal's centre.
QPointF turned(QPointF point, double degrees) {
    return QTransform()
        .translate(kCentre.x(), kCentre.y())
        .rotate(degrees)
        .translate(-kCentre.x(), -kCentre.y())
        .map(point);
}

// A mouse event as the window system sends it, with the keys held.
void sendMouse(QWidget* widget, QEvent::Type type, QPointF at, Qt::KeyboardModifiers keys) {
    const bool move = type == QEvent::MouseMove;
    QMouseEvent event(type, at, widget->mapToGlobal(at), move ? Qt::NoButton : Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, keys);
    QApplication::sendEvent(widget, &event);
}

// Where the element stands in the round seal: A (and 0) of the first ring
// text, X and Y of the emblem or of the first centre line.
QPoint placeOf(const RoundSealParameters& seal, ElementKind kind) {
    return kind == ElementKind::RingText ? QPoint(seal.lines[0].angle, 0)
           : kind == ElementKind::Emblem ? QPoint(seal.emblem.x, seal.emblem.y)
                                         : QPoint(seal.lines[3].x, seal.lines[3].y);
}

// How many findings are about the die.
int dieFindings(const check::Report& report) {
    return static_cast<int>(std::count_if(report.findings.begin(), report.findings.end(), [](const check::Finding& f) {
        return f.problem == check::Problem::DieFit || f.problem == check::Problem::DieEdge;
    }));
}

}  // namespace

Q_DECLARE_METATYPE(qg::output::Format)
Q_DECLARE_METATYPE(qg::check::Severity)
Q_DECLARE_METATYPE(qg::RingTextLayout)

class TestProduction : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<ScriptedWindow> m_ui;

    TForm1& main() { return m_ui->window; }
    ScriptedDialogs& dialogs() { return m_ui->dialogs; }
    // The production window, once the main window has opened it.
    ProductionWindow* productionWindow() { return qobject_cast<ProductionWindow*>(main().productionWindow()); }
    // The production window, shown with the imprint of the design as it
    // now stands.
    ProductionWindow& production() {
        if (!productionWindow() || !productionWindow()->isVisible())
            main().ProductionItemClick();
        ProductionWindow& p = *productionWindow();
        (void)p.imprint();
        return p;
    }
    // The rows of the table being run share the windows (and one first check).
    QString m_sharedBy;
    void shareWindowsBetweenRows() { m_sharedBy = QLatin1String(QTest::currentTestFunction()); }
    // Opens a round seal as a user does: the design clean, its history
    // starting from it.
    void openRound(const RoundSealParameters& seal) {
        const QString design = m_dir.filePath(QStringLiteral("opened-round.qgr"));
        QVERIFY(write(design, io::writeRoundSeal(seal)));
        if (main().isModified(StampKind::Round))
            dialogs().answers.push_back(Answer::No);  // the last row's changes are not saved
        main().openDesignFile(design);
        QVERIFY(!main().isModified(StampKind::Round));
    }

    // A round seal with the crest as its emblem, its square's corner at 30, 40.
    void crestSeal(RoundSealParameters& seal) {
        seal = defaultRoundSeal();
        const QString crest = m_dir.filePath(QStringLiteral("crest.bmp"));
        QVERIFY(testing::writeCrest(crest));
        seal.emblem = EmblemSettings{true, 30, 40, crest};
    }

    // The window shows the main window's design of `kind` as it is now.
    void showsTheDesign(StampKind kind) {
        ProductionWindow& p = *productionWindow();
        main().completePendingRepaint();
        QCOMPARE(p.kind(), kind);
        QCOMPARE(rendered(p.imprint(), p.settings()),
                 rendered(output::makeImprint(main().designs(), kind), p.settings()));
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        // The program's own window font, which must not reach the imprint.
        QApplication::setFont(windowFont());
    }
    // Every case starts with small imprints, whose check is quick.
    void init() {
        // The rows of a table that share the windows go on in them.
        if (m_ui && m_sharedBy == QLatin1String(QTest::currentTestFunction()))
            return;
        m_ui.reset();
        m_sharedBy.clear();
        clearSettings();
        storeWidths(kSmallWidth);
        m_ui = std::make_unique<ScriptedWindow>(makeProductionWindow);
    }
    void cleanup() {
        QVERIFY2(dialogs().unexpected.isEmpty(), qPrintable(dialogs().unexpected.join(QStringLiteral(", "))));
        if (m_sharedBy.isEmpty() || QTest::currentTestFailed())
            m_ui.reset();
    }
    void cleanupTestCase() { m_ui.reset(); }

    // Each way of opening on each page, one window a page: the window is
    // closed before the next way opens it.
    void openedFromThePreviewButNotOnTheInformationPage_data() {
        QTest::addColumn<int>("page");
        for (int page = 0; page < 4; ++page)
            QTest::addRow("page %d", page) << page;
    }
    void openedFromThePreviewButNotOnTheInformationPage() {
        QFETCH(int, page);
        for (const QString& how : {QStringLiteral("menu"), QStringLiteral("Ctrl+E"), QStringLiteral("double click")}) {
            if (productionWindow())
                productionWindow()->close();
            control<QTabWidget>(main(), "Pages")->setCurrentIndex(page);
            QWidget* image = control(main(), "Image");
            if (how == QLatin1String("menu")) {
                QMenu* menu = main().findChild<QMenu*>(QStringLiteral("PopupMenu1"));
                QAction* item = main().findChild<QAction*>(QStringLiteral("ProductionItem"));
                QVERIFY(menu && item);
                QCOMPARE(item->text(), QStringLiteral("Макет для изготовления"));
                QVERIFY(menu->actions().contains(item));
                QCOMPARE(image->contextMenuPolicy() == Qt::CustomContextMenu, page != 3);
                if (page != 3)
                    item->trigger();
            } else if (how == QLatin1String("Ctrl+E")) {
                main().activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(&main()));
                // With the focus in a text edit, whose own keys include Ctrl+E.
                QWidget* focus = page < 3 ? control(main(), QStringLiteral("Page%1Edit1").arg(page + 1)) : image;
                focus->setFocus();
                QTest::keyClick(focus, Qt::Key_E, Qt::ControlModifier);
            } else {
                QTest::mouseDClick(image, Qt::LeftButton, Qt::NoModifier, QPoint(99, 99));
            }
            ProductionWindow* p = productionWindow();
            QCOMPARE(p != nullptr && p->isVisible(), page != 3);
            if (p) {
                QCOMPARE(p->windowTitle(), QStringLiteral("Макет для изготовления"));
                showsTheDesign(static_cast<StampKind>(page));
            }
        }
    }

    void followsEditsOpensResetsAndPages() {
        // The triangular seal at its usual width, which names the export.
        clearSettings();
        storeWidths(kSmallWidth, {"round", "rect"});
        ProductionWindow& p = production();
        showsTheDesign(StampKind::Round);

        // An edit.
        typeText(control<QLineEdit>(main(), "Page1Edit1"), QStringLiteral(" и ещё"));
        showsTheDesign(StampKind::Round);
        const QImage edited = rendered(p.imprint(), p.settings());

        // Page changes; the information page leaves the last kind shown.
        auto* pages = control<QTabWidget>(main(), "Pages");
        pages->setCurrentIndex(2);
        showsTheDesign(StampKind::Rect);
        pages->setCurrentIndex(3);
        main().completePendingRepaint();
        QCOMPARE(p.kind(), StampKind::Rect);
        pages->setCurrentIndex(0);
        showsTheDesign(StampKind::Round);
        QCOMPARE(rendered(p.imprint(), p.settings()), edited);

        // A reset.
        dialogs().answers.push_back(Answer::No);
        main().NewItemClick();
        showsTheDesign(StampKind::Round);
        QVERIFY(rendered(p.imprint(), p.settings()) != edited);

        // An open of another kind.
        TriangleSealParameters triangle = defaultTriangleSeal();
        triangle.lines[0].text = QStringLiteral("Открытая");
        const QString path = m_dir.filePath(QStringLiteral("opened.qgr"));
        QVERIFY(write(path, io::writeTriangleSeal(triangle)));
        dialogs().openNames.push_back(path);
        main().OpenItemClick();
        showsTheDesign(StampKind::Triangle);
        QCOMPARE(dialogs().lastMessage(), QStringLiteral("Треугольная печать считана !"));
        QCOMPARE(p.defaultExportName(), QStringLiteral("opened_45мм_600dpi.png"));

        // Undone and redone from this window: the open goes back and forth.
        p.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&p));
        QTest::keyClick(&p, Qt::Key_Z, Qt::ControlModifier);
        showsTheDesign(StampKind::Triangle);
        QCOMPARE(main().designs().triangle.lines[0].text, defaultTriangleSeal().lines[0].text);
        QTest::keyClick(&p, Qt::Key_Y, Qt::ControlModifier);
        showsTheDesign(StampKind::Triangle);
        QCOMPARE(main().designs().triangle.lines[0].text, QStringLiteral("Открытая"));
    }

    // The program itself runs for one format of each sort (a 1-bit and a
    // colour raster, a vector file); the other rows compare with what the
    // export writes given the same settings.
    void exportWritesWhatTheCommandLineWrites_data() {
        QTest::addColumn<QString>("design");
        QTest::addColumn<int>("format");
        QTest::addColumn<double>("width");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<double>("margin");
        QTest::addColumn<QStringList>("checks");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("program");
        QTest::newRow("png") << "round" << 0 << 20.0 << 600 << 2.0 << QStringList() << "round_20мм_600dpi.png" << false;
        QTest::newRow("tiff mirrored") << "triangle" << 1 << 15.5 << 1200 << 0.0 << QStringList{"mirror"}
                                       << "triangle_15.5мм_1200dpi.tif" << false;
        QTest::newRow("tiff negative") << "round" << 1 << 16.6 << 600 << 1.0 << QStringList{"negative"}
                                       << "round_16.6мм_600dpi.tif" << false;
        QTest::newRow("pdf negative") << "round" << 2 << 12.5 << 600 << 5.0 << QStringList{"negative"}
                                      << "round_12.5мм.pdf" << false;
        QTest::newRow("svg colour merged") << "rect" << 3 << 14.5 << 600 << 2.0 << QStringList{"colour", "merge"}
                                           << "rect_14.5мм.svg" << true;
        QTest::newRow("bmp colour") << "rect" << 4 << 17.0 << 300 << 1.0 << QStringList{"colour"}
                                    << "rect_17мм_300dpi.bmp" << true;
        QTest::newRow("bmp 1-bit") << "triangle" << 4 << 15.5 << 1200 << 0.0 << QStringList()
                                   << "triangle_15.5мм_1200dpi.bmp" << true;
        QTest::newRow("png mirrored") << "triangle" << 0 << 15.5 << 1200 << 0.0 << QStringList{"mirror"}
                                      << "triangle_15.5мм_1200dpi.png" << false;
    }
    void exportWritesWhatTheCommandLineWrites() {
        QFETCH(QString, design);
        QFETCH(int, format);
        QFETCH(double, width);
        QFETCH(int, dpi);
        QFETCH(double, margin);
        QFETCH(QStringList, checks);
        QFETCH(QString, name);
        QFETCH(bool, program);
        const QString source = m_dir.filePath(design + QStringLiteral(".qgr"));
        RectStampParameters rect = defaultRectStamp();
        rect.lines[0].font.color = 0x0000C0;  // some colour to keep
        const QByteArray bytes = design == QLatin1String("round")      ? io::writeRoundSeal(defaultRoundSeal())
                                 : design == QLatin1String("triangle") ? io::writeTriangleSeal(defaultTriangleSeal())
                                                                       : io::writeRectStamp(rect);
        QVERIFY(write(source, bytes));
        storeWidths(width);  // the window opens at the width: one check
        dialogs().openNames.push_back(source);
        main().OpenItemClick();
        ProductionWindow& p = production();
        control<QComboBox>(p, "FormatBox")->setCurrentIndex(format);
        control<QDoubleSpinBox>(p, "WidthEdit")->setValue(width);
        control<QSpinBox>(p, "DpiEdit")->setValue(dpi);
        control<QDoubleSpinBox>(p, "MarginEdit")->setValue(margin);
        control<QCheckBox>(p, "MirrorCheck")->setChecked(checks.contains(QLatin1String("mirror")));
        control<QCheckBox>(p, "NegativeCheck")->setChecked(checks.contains(QLatin1String("negative")));
        control<QCheckBox>(p, "ColourCheck")->setChecked(checks.contains(QLatin1String("colour")));
        control<QCheckBox>(p, "MergeCheck")->setChecked(checks.contains(QLatin1String("merge")));

        const QString fromWindow = m_dir.filePath(QStringLiteral("window-") + name);
        dialogs().saveNames.push_back(fromWindow);
        click(p, QStringLiteral("ExportButton"));
        QCOMPARE(dialogs().saveRequests.size(), 1);
        const FileDialogRequest& request = dialogs().saveRequests.constFirst();
        QCOMPARE(QFileInfo(request.directory).fileName(), name);
        QCOMPARE(QFileInfo(request.directory).absolutePath(), QFileInfo(source).absolutePath());
        QVERIFY(request.title.startsWith(QStringLiteral("Экспорт ")));
        QCOMPARE(dialogs().lastMessage(), QStringLiteral("Файл (%1) сохранен !").arg(QFileInfo(name).suffix()));

        const QString fromCommandLine = m_dir.filePath(QStringLiteral("cli-") + name);
        if (!program) {
            // What the export writes of the design in the file, at the row's settings.
            StampDesigns inFile;
            const StampKind kind = *io::sectionKind(bytes);
            QVERIFY(io::readDesign(kind, bytes, inFile).ok());
            output::Settings settings;
            settings.format = *output::formatFromFileName(name);
            settings.widthMm = width;
            settings.dpi = dpi;
            settings.marginMm = margin;
            settings.mirror = checks.contains(QLatin1String("mirror"));
            settings.negative = checks.contains(QLatin1String("negative"));
            settings.colour = checks.contains(QLatin1String("colour"));
            settings.mergeOutlines = checks.contains(QLatin1String("merge"));
            QString error;
            QVERIFY2(output::exportFile(output::makeImprint(inFile, kind), settings, fromCommandLine, error),
                     qPrintable(error));
            QCOMPARE(withoutStamps(read(fromWindow)), withoutStamps(read(fromCommandLine)));
            return;
        }
        QStringList arguments = {QStringLiteral("--export"), source, QStringLiteral("--output"), fromCommandLine,
                                 QStringLiteral("--width-mm"), QString::number(width), QStringLiteral("--dpi"),
                                 QString::number(dpi), QStringLiteral("--margin-mm"), QString::number(margin)};
        const QHash<QString, QString> options = {{"mirror", "--mirror"}, {"negative", "--negative"},
                                                 {"colour", "--color"}, {"merge", "--merge-outlines"}};
        for (const QString& check : checks)
            arguments << options.value(check);
        QString errors;
        QCOMPARE(runProgram(arguments, &errors), 0);
        const QByteArray expected = read(fromCommandLine);
        QVERIFY2(!expected.isEmpty(), qPrintable(errors));
        QCOMPARE(withoutStamps(read(fromWindow)), withoutStamps(expected));
    }

    // Nothing the window has drawn before reaches what it exports: after it
    // has shown every other kind, with their findings, the file is the one
    // the command line writes.
    void exportAfterTheOtherKindsIsTheCommandLines_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("format");
        QTest::newRow("round png") << int(StampKind::Round) << 0;
    }
    void exportAfterTheOtherKindsIsTheCommandLines() {
        QFETCH(int, kind);
        QFETCH(int, format);
        const QString source = m_dir.filePath(QStringLiteral("shown.qgr"));
        const QByteArray bytes = kind == 0   ? io::writeRoundSeal(defaultRoundSeal())
                                 : kind == 1 ? io::writeTriangleSeal(defaultTriangleSeal())
                                             : io::writeRectStamp(defaultRectStamp());
        QVERIFY(write(source, bytes));
        dialogs().openNames.push_back(source);
        main().OpenItemClick();
        // Every kind small, so that its check is quick.
        QSettings store(QStringLiteral("Quillgraver"), QStringLiteral("Quillgraver"));
        for (const char* key : {"round", "triangle", "rect"})
            store.setValue(QStringLiteral("export/%1/widthMm").arg(QLatin1String(key)), 12);
        store.sync();
        ProductionWindow& p = production();
        control<QComboBox>(p, "FormatBox")->setCurrentIndex(format);
        auto* pages = control<QTabWidget>(main(), "Pages");
        for (int other = 0; other < 3; ++other) {
            if (other == kind)
                continue;
            pages->setCurrentIndex(other);
            main().completePendingRepaint();
            QCOMPARE(int(p.kind()), other);
            p.view()->grab();
            // The findings listed too.
            QTRY_VERIFY_WITH_TIMEOUT(!p.checkPanel()->busy(), 20000);
        }
        pages->setCurrentIndex(kind);
        main().completePendingRepaint();
        QCOMPARE(int(p.kind()), kind);

        const output::Settings settings = p.settings();
        QCOMPARE(settings.widthMm, 12.0);
        const QString suffix = output::formatSuffix(settings.format);
        const QString fromWindow = m_dir.filePath(QStringLiteral("shown-window.") + suffix);
        dialogs().saveNames.push_back(fromWindow);
        click(p, QStringLiteral("ExportButton"));
        QCOMPARE(dialogs().lastMessage(), QStringLiteral("Файл (%1) сохранен !").arg(suffix));

        const QString fromCommandLine = m_dir.filePath(QStringLiteral("shown-cli.") + suffix);
        QString errors;
        QCOMPARE(runProgram({QStringLiteral("--export"), source, QStringLiteral("--output"), fromCommandLine,
                             QStringLiteral("--width-mm"), QString::number(settings.widthMm)},
                            &errors),
                 0);
        const QByteArray expected = read(fromCommandLine);
        QVERIFY2(!expected.isEmpty(), qPrintable(errors));
        QCOMPARE(withoutStamps(read(fromWindow)), withoutStamps(expected));
    }

    void exportRefusesAnotherExtension() {
        ProductionWindow& p = production();
        dialogs().saveNames.push_back(m_dir.filePath(QStringLiteral("seal.jpg")));
        click(p, QStringLiteral("ExportButton"));
        QCOMPARE(dialogs().lastMessage(), QStringLiteral("Расширение файла должно быть png !"));
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("seal.jpg"))));
    }

    // A profile sets its own settings only (the width, the margin and a vector
    // file's resolution stay); the export's name says it, and both are kept
    // until a setting of its own is changed by hand.
    void profileSetsItsSettings_data() {
        QTest::addColumn<int>("profile");
        QTest::addColumn<output::Format>("format");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<bool>("negative");
        QTest::addColumn<bool>("mirror");
        QTest::addColumn<bool>("merge");
        QTest::addColumn<QString>("name");
        QTest::newRow("Лазерная гравировка резины")
            << 0 << output::Format::Tiff << 1200 << true << true << false << "круглая_печать_12мм_1200dpi_лазер.tif";
        QTest::newRow("Для мастерской: PDF кривыми")
            << 3 << output::Format::Pdf << 300 << false << false << true << "круглая_печать_12мм_мастерская.pdf";
    }
    void profileSetsItsSettings() {
        QFETCH(int, profile);
        QFETCH(output::Format, format);
        QFETCH(int, dpi);
        QFETCH(bool, negative);
        QFETCH(bool, mirror);
        QFETCH(bool, merge);
        QFETCH(QString, name);
        shareWindowsBetweenRows();
        ProductionWindow& p = production();
        auto* box = control<QComboBox>(p, "ProfileBox");
        // In colour first: no check of a 1-bit picture on the way.
        for (const char* check : {"ColourCheck", "MirrorCheck", "NegativeCheck"})
            control<QCheckBox>(p, check)->setChecked(true);
        control<QCheckBox>(p, "MergeCheck")->setChecked(false);
        control<QComboBox>(p, "FormatBox")->setCurrentIndex(4);  // BMP
        control<QSpinBox>(p, "DpiEdit")->setValue(300);
        control<QDoubleSpinBox>(p, "MarginEdit")->setValue(3.5);
        QCOMPARE(box->currentText(), QStringLiteral("свои настройки"));

        box->setCurrentIndex(profile);
        const output::Settings& s = p.settings();
        QCOMPARE(s.format, format);
        QCOMPARE(s.dpi, dpi);
        QCOMPARE(s.negative, negative);
        QCOMPARE(s.mirror, mirror);
        QCOMPARE(s.mergeOutlines, merge);
        QVERIFY(!s.colour);
        QCOMPARE(s.widthMm, kSmallWidth);
        QCOMPARE(s.marginMm, 3.5);
        // The controls say the same.
        QCOMPARE(control<QSpinBox>(p, "DpiEdit")->value(), dpi);
        QCOMPARE(control<QCheckBox>(p, "NegativeCheck")->isChecked(), negative);
        QCOMPARE(control<QCheckBox>(p, "MirrorCheck")->isChecked(), mirror);
        QCOMPARE(control<QCheckBox>(p, "MergeCheck")->isChecked(), merge);
        QVERIFY(!control<QCheckBox>(p, "ColourCheck")->isChecked());
        QCOMPARE(box->currentIndex(), profile);
        QCOMPARE(p.defaultExportName(), name);
        const output::Settings kept = loadExportSettings(StampKind::Round);
        QCOMPARE(loadExportProfile(StampKind::Round, kept), std::optional<output::Profile>(output::kProfiles[profile]));
        QCOMPARE(output::exportFileName(QStringLiteral("круглая_печать"), kept, output::kProfiles[profile]), name);
        // The margin is no profile's; the colour is.
        control<QDoubleSpinBox>(p, "MarginEdit")->setValue(1);
        QCOMPARE(box->currentIndex(), profile);
        control<QCheckBox>(p, "ColourCheck")->setChecked(true);
        QCOMPARE(box->currentText(), QStringLiteral("свои настройки"));
        QVERIFY(!loadExportProfile(StampKind::Round, loadExportSettings(StampKind::Round)));
        const QString own = p.defaultExportName();
        QCOMPARE(own.count(u'_'), name.count(u'_') - 1);
        QVERIFY(name.startsWith(own.left(own.lastIndexOf(u'.'))));
    }

    // A named set puts its limits into the fields and checks with them (a
    // ring 0.13 mm wide will do for the one but not for the other); they are
    // kept for the next run; a limit changed by hand makes them the user's own.
    void limitSets_data() {
        QTest::addColumn<int>("set");
        QTest::addColumn<double>("line");
        QTest::addColumn<double>("capitals");
        QTest::addColumn<check::Severity>("ring");
        QTest::newRow("Минимальные") << 0 << 0.1 << 1.5 << check::Severity::Warning;
        QTest::newRow("Рекомендуемые") << 1 << 0.2 << 2.35 << check::Severity::Error;
    }
    void limitSets() {
        QFETCH(int, set);
        QFETCH(double, line);
        QFETCH(double, capitals);
        QFETCH(check::Severity, ring);
        shareWindowsBetweenRows();
        openRound(testing::outerRingOnly(2));  // 2 units of 185: 0.13 mm at 12 mm
        ProductionWindow& p = production();
        auto* box = control<QComboBox>(p, "LimitSetBox");
        control<QDoubleSpinBox>(p, "MinCapEdit")->setValue(3);
        QCOMPARE(box->currentText(), QStringLiteral("Свои"));

        box->setCurrentIndex(set);
        for (const check::Limits& limits : {p.checkPanel()->limits(), loadCheckLimits()}) {
            QCOMPARE(limits.minLineMm, line);
            QCOMPARE(limits.minCapMm, capitals);
        }
        QCOMPARE(control<QDoubleSpinBox>(p, "MinLineEdit")->value(), line);
        QCOMPARE(control<QDoubleSpinBox>(p, "MinCapEdit")->value(), capitals);
        QCOMPARE(box->currentIndex(), set);  // not taken for limits of the user's own
        // The check is run with the set's limits.
        QTRY_VERIFY_WITH_TIMEOUT(!p.checkPanel()->busy(), 20000);
        const std::vector<check::Finding>& findings = p.checkPanel()->report().findings;
        QCOMPARE(findings.size(), std::size_t(1));
        QCOMPARE(findings[0].problem, check::Problem::ThinLine);
        QCOMPARE(findings[0].severity, ring);
        control<QDoubleSpinBox>(p, "MinGapEdit")->setValue(0.5);
        QCOMPARE(box->currentText(), QStringLiteral("Свои"));
        QCOMPARE(p.checkPanel()->limits().minGapMm, 0.5);
        QCOMPARE(p.checkPanel()->limits().minCapMm, capitals);
    }

    // "Экспорт всех видов…": each kind with ink at its own width and the shown
    // kind's settings; a kind without ink is skipped and said to be; a file
    // there already is replaced only when the user lets it.
    void exportOfEveryKind_data() {
        QTest::addColumn<bool>("triangleInk");
        QTest::addColumn<bool>("existing");  // the round seal's file is there already
        QTest::addColumn<int>("answer");     // to replacing it
        QTest::newRow("file there, replaced") << true << true << int(Answer::Yes);
        QTest::newRow("file there, kept") << true << true << int(Answer::No);
        QTest::newRow("triangle without ink") << false << false << -1;
    }
    void exportOfEveryKind() {
        QFETCH(bool, triangleInk);
        QFETCH(bool, existing);
        QFETCH(int, answer);
        shareWindowsBetweenRows();
        storeWidths(14, {"triangle"});  // before the window first opens
        storeWidths(16, {"rect"});
        if (!triangleInk) {
            const QString empty = m_dir.filePath(QStringLiteral("empty-triangle.qgr"));
            QVERIFY(write(empty, io::writeTriangleSeal(testing::nothingEnabled().triangle)));
            main().openDesignFile(empty);
        }
        control<QTabWidget>(main(), "Pages")->setCurrentIndex(2);
        ProductionWindow& p = production();
        QCOMPARE(p.kind(), StampKind::Rect);
        control<QComboBox>(p, "ProfileBox")->setCurrentIndex(0);  // laser
        const QStringList names = {QStringLiteral("круглая_печать_12мм_1200dpi_лазер.tif"),
                                   QStringLiteral("треугольная_печать_14мм_1200dpi_лазер.tif"),
                                   QStringLiteral("штамп_16мм_1200dpi_лазер.tif")};
        const double widths[] = {kSmallWidth, 14, 16};
        QTemporaryDir out;
        if (existing)
            QVERIFY(write(out.filePath(names[0]), "old picture"));
        dialogs().folderNames.push_back(out.path());
        if (answer >= 0)
            dialogs().answers.push_back(static_cast<Answer>(answer));
        // The open's message and the last row's.
        dialogs().messages.clear();
        dialogs().questions.clear();
        dialogs().folderRequests.clear();
        click(p, QStringLiteral("ExportAllButton"));
        QCOMPARE(dialogs().folderRequests.size(), 1);
        QCOMPARE(dialogs().questions.size(), existing ? 1 : 0);
        if (existing)
            QVERIFY(dialogs().questions.constFirst().contains(names[0]));

        const bool kept = answer == int(Answer::No);
        for (int k = 0; k < kKindCount; ++k) {
            const QString path = out.filePath(names[k]);
            if (kept) {
                QCOMPARE(read(path), k == 0 ? QByteArray("old picture") : QByteArray());
                continue;
            }
            const auto kind = static_cast<StampKind>(k);
            if (kind == StampKind::Triangle && !triangleInk) {
                QVERIFY(!QFile::exists(path));
                continue;
            }
            output::Settings s = p.settings();
            s.widthMm = widths[k];
            QString error;
            const QByteArray expected = output::encode(output::makeImprint(main().designs(), kind), s, error);
            QVERIFY2(!expected.isEmpty(), qPrintable(error));
            QCOMPARE(read(path), expected);
            QVERIFY(dialogs().lastMessage().contains(names[k]));
        }
        QCOMPARE(QDir(out.path()).entryList(QDir::Files).size(), kept ? 1 : triangleInk ? 3 : 2);
        if (kept) {
            QVERIFY(dialogs().messages.isEmpty());
            return;
        }
        QCOMPARE(dialogs().messages.size(), 1);
        QCOMPARE(dialogs().messages.constFirst().icon, MessageIcon::Information);
        QCOMPARE(dialogs().lastMessage().contains(QStringLiteral("треугольная печать")), !triangleInk);
    }

    // A file that cannot be made at all stops every file before any is
    // written; one that fails as it is written is told, with those written.
    void exportOfEveryKindFails_data() {
        QTest::addColumn<bool>("tooLarge");  // the triangular seal's BMP over its limit
        QTest::addColumn<QString>("said");
        QTest::newRow("a picture too large") << true << QStringLiteral("треугольная печать");
        QTest::newRow("a folder in a file's place") << false << QStringLiteral("штамп_16мм_300dpi.bmp");
    }
    void exportOfEveryKindFails() {
        QFETCH(bool, tooLarge);
        QFETCH(QString, said);
        storeWidths(tooLarge ? 500 : 14, {"triangle"});
        storeWidths(16, {"rect"});
        control<QTabWidget>(main(), "Pages")->setCurrentIndex(2);
        ProductionWindow& p = production();
        control<QComboBox>(p, "FormatBox")->setCurrentIndex(4);  // BMP
        control<QSpinBox>(p, "DpiEdit")->setValue(tooLarge ? 4800 : 300);
        control<QCheckBox>(p, "ColourCheck")->setChecked(true);
        QTemporaryDir out;
        if (!tooLarge) {
            QVERIFY(QDir(out.path()).mkdir(said));
            dialogs().answers.push_back(Answer::Yes);
        }
        dialogs().folderNames.push_back(out.path());
        click(p, QStringLiteral("ExportAllButton"));
        QCOMPARE(dialogs().messages.size(), 1);
        QCOMPARE(dialogs().messages.constFirst().icon, MessageIcon::Error);
        QVERIFY2(dialogs().lastMessage().contains(said), qPrintable(dialogs().lastMessage()));
        const QStringList files = QDir(out.path()).entryList(QDir::Files | QDir::Hidden);
        if (tooLarge) {
            QVERIFY2(files.isEmpty(), qPrintable(files.join(u' ')));
            return;
        }
        QCOMPARE(files, (QStringList{QStringLiteral("круглая_печать_12мм_300dpi.bmp"),
                                     QStringLiteral("треугольная_печать_14мм_300dpi.bmp")}));
        QVERIFY(dialogs().lastMessage().contains(files[0]) && dialogs().lastMessage().contains(files[1]));
    }

    void printsAtTrueWidthInTheMiddleOfThePage_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<double>("width");
        QTest::addColumn<bool>("mirror");
        QTest::newRow("round seal 20 mm") << 0 << 20.0 << false;
        QTest::newRow("stamp 29 mm mirrored") << 2 << 29.0 << true;
        QTest::newRow("triangle 23.7 mm") << 1 << 23.7 << false;
    }
    void printsAtTrueWidthInTheMiddleOfThePage() {
        QFETCH(int, page);
        QFETCH(double, width);
        QFETCH(bool, mirror);
        storeWidths(width);  // the window opens at the width: one check
        control<QTabWidget>(main(), "Pages")->setCurrentIndex(page);
        ProductionWindow& p = production();
        control<QDoubleSpinBox>(p, "WidthEdit")->setValue(width);
        control<QCheckBox>(p, "MirrorCheck")->setChecked(mirror);
        control<QDoubleSpinBox>(p, "MarginEdit")->setValue(10);  // the margin is not printed
        const QString pdf = m_dir.filePath(QStringLiteral("print.pdf"));
        dialogs().printFiles.push_back(pdf);
        click(p, QStringLiteral("PrintButton"));
        QCOMPARE(dialogs().printRequests.size(), 1);
        QVERIFY(!dialogs().printRequests.constFirst().preview);

        // The middle of the A4 page, 40 mm square, at 1200 dpi.
        const double dotsPerMm = 1200 / 25.4;
        const QRectF middle(105 - 20, 148.5 - 20, 40, 40);
        const QString prefix = m_dir.filePath(QStringLiteral("print"));
        QProcess pdftoppm;
        pdftoppm.start(QStringLiteral("pdftoppm"),
                       {QStringLiteral("-r"), QStringLiteral("1200"), QStringLiteral("-gray"), QStringLiteral("-singlefile"),
                        QStringLiteral("-x"), QString::number(std::lround(middle.left() * dotsPerMm)), QStringLiteral("-y"),
                        QString::number(std::lround(middle.top() * dotsPerMm)), QStringLiteral("-W"),
                        QString::number(std::lround(middle.width() * dotsPerMm)), QStringLiteral("-H"),
                        QString::number(std::lround(middle.height() * dotsPerMm)), pdf, prefix});
        if (!pdftoppm.waitForStarted())
            QSKIP("pdftoppm (poppler-utils) is not installed");
        QVERIFY(pdftoppm.waitForFinished(60000));
        QCOMPARE(pdftoppm.exitCode(), 0);
        const QImage picture(prefix + QStringLiteral(".pgm"));
        QVERIFY(!picture.isNull());
        const QRect ink = darkBox(picture);
        QVERIFY(!ink.isEmpty());
        // The ink spans the width (a pixel is 0.021 mm), in the middle of the page.
        const double inkWidth = (ink.width()) / dotsPerMm;
        const output::Imprint& imprint = p.imprint();
        const double expected = output::imprintSizeMm(imprint, width).width();
        QVERIFY2(std::abs(inkWidth - expected) <= 0.1, qPrintable(QStringLiteral("%1 mm of ink, %2 mm asked").arg(inkWidth).arg(expected)));
        const QPointF centre = QRectF(ink).center() / dotsPerMm + middle.topLeft();
        QVERIFY2(std::abs(centre.x() - 105) <= 0.2, qPrintable(QString::number(centre.x())));
        if (page == 0)
            QVERIFY2(std::abs(centre.y() - 148.5) <= 0.2, qPrintable(QString::number(centre.y())));
        if (page == 0)
            QVERIFY(std::abs(inkWidth - width) <= 0.1);  // a round seal's width is its outer ring
    }

    void trueSizeAndZoomSteps() {
        storeWidths(30, {"round"});  // wide enough for its rings to be dark at 1:1
        ProductionWindow& p = production();
        const double width = p.settings().widthMm;
        ImprintView* view = p.view();
        QScreen* screen = view->screen();
        QVERIFY(screen);
        const double pixelsPerMm = screen->physicalDotsPerInch() / 25.4;
        QVERIFY(view->fitsWindow());
        QCOMPARE(control<QLabel>(p, "ZoomLabel")->text(),
                 QStringLiteral("Вписано, %1 %").arg(std::lround(view->zoom() * 100)));
        click(p, QStringLiteral("TrueSizeButton"));
        QVERIFY(!view->fitsWindow());
        QCOMPARE(view->pixelsPerMm(), pixelsPerMm);
        // The page's width and margins cover as many millimetres of the screen.
        const QRectF paper = view->pageToWidget().mapRect(QRectF(QPointF(0, 0), output::pageSizeMm(p.imprint(), p.settings())));
        QVERIFY(std::abs(paper.width() - (width + 2 * p.settings().marginMm) * pixelsPerMm) < 1e-6);
        // And so does the ink as painted, in the screen's own pixels, once
        // the view has drawn it at this zoom.
        QTRY_VERIFY(view->pictureReady());
        const QImage shot = view->grab().toImage();
        const double ratio = shot.devicePixelRatio();
        const QRect onPaper = QRectF(paper.topLeft() * ratio, paper.size() * ratio).toAlignedRect().adjusted(1, 1, -1, -1);
        const QRect ink = darkBox(shot.copy(onPaper));
        QVERIFY2(std::abs(ink.width() - width * pixelsPerMm * ratio) <= 2,
                 qPrintable(QStringLiteral("%1 pixels of ink at a ratio of %2").arg(ink.width()).arg(ratio)));

        p.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&p));
        for (int i = 0; i < 20; ++i)
            QTest::keyClick(view, Qt::Key_Plus, Qt::ControlModifier);
        QCOMPARE(view->zoom(), ImprintView::kMaxZoom);
        click(p, QStringLiteral("ZoomOutButton"));
        QCOMPARE(view->zoom(), 12.0);
        click(p, QStringLiteral("FitButton"));
        QVERIFY(view->fitsWindow());
        QVERIFY(QRectF(view->drawingArea()).contains(
            view->pageToWidget().mapRect(QRectF(QPointF(0, 0), output::pageSizeMm(p.imprint(), p.settings())))));
    }

    void settingsAndPlaceKeptBetweenRuns() {
        // The stamp at its usual width.
        clearSettings();
        storeWidths(kSmallWidth, {"round", "triangle"});
        ProductionWindow& p = production();
        control<QDoubleSpinBox>(p, "WidthEdit")->setValue(33);
        control<QComboBox>(p, "FormatBox")->setCurrentIndex(2);
        p.setGeometry(QRect(40, 50, 700, 500));
        control<QTabWidget>(main(), "Pages")->setCurrentIndex(2);
        main().completePendingRepaint();
        control<QCheckBox>(p, "NegativeCheck")->setChecked(true);
        p.close();
        m_ui.reset();

        m_ui = std::make_unique<ScriptedWindow>(makeProductionWindow);
        ProductionWindow& again = production();
        QCOMPARE(again.size(), QSize(700, 500));
        QCOMPARE(again.settings().widthMm, 33.0);
        QCOMPARE(again.settings().format, output::Format::Pdf);
        QVERIFY(!again.settings().negative);
        control<QTabWidget>(main(), "Pages")->setCurrentIndex(2);
        main().completePendingRepaint();
        QCOMPARE(again.settings().widthMm, 58.0);
        QVERIFY(again.settings().negative);
        QVERIFY(control<QCheckBox>(again, "NegativeCheck")->isChecked());
    }

    void findingsListedAndMarked() {
        storeWidths(20);  // the first width looked at
        ProductionWindow& p = production();
        CheckPanel* panel = p.checkPanel();
        auto* list = control<QListWidget>(p, "FindingsList");
        control<QDoubleSpinBox>(p, "WidthEdit")->setValue(20);
        QTRY_VERIFY_WITH_TIMEOUT(!panel->busy(), 20000);
        const std::vector<check::Finding> small = panel->report().findings;
        QCOMPARE(list->count(), int(small.size()));
        QCOMPARE(p.view()->marks().size(), small.size());
        // The default round seal 20 mm across: rings of about 0.1 mm, capitals of about 0.8 mm.
        const auto has = [](const std::vector<check::Finding>& findings, check::Problem problem) {
            return std::any_of(findings.begin(), findings.end(), [problem](const auto& f) { return f.problem == problem; });
        };
        QVERIFY(has(small, check::Problem::ThinLine));
        QVERIFY(has(small, check::Problem::LowCapitals));

        const auto placed = std::find_if(small.begin(), small.end(), [](const auto& f) { return !f.place.isNull(); });
        QVERIFY(placed != small.end());
        const int row = int(placed - small.begin());
        QVERIFY(list->item(row)->text().startsWith(check::elementName(StampKind::Round, placed->element) + QStringLiteral(": ")));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->visualItemRect(list->item(row)).center());
        QCOMPARE(p.view()->currentMark(), row);

        // Twice as wide, the capitals are high enough.
        control<QDoubleSpinBox>(p, "WidthEdit")->setValue(40);
        QTRY_VERIFY_WITH_TIMEOUT(!panel->busy(), 20000);
        QVERIFY(!has(panel->report().findings, check::Problem::LowCapitals));
    }

    // Choosing a standard size sets the width, and a stamp's die height; a
    // width typed by hand shows "свой размер", and the size again when typed back.
    void standardSizesSetTheWidth_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("size");  // none for the triangular seal
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("dieHeight");  // 0: the kind has no die height
        QTest::newRow("round seal, 30 mm") << 0 << QStringLiteral("30 мм") << 30.0 << 0.0;
        QTest::newRow("stamp, 38×14 mm") << 2 << QStringLiteral("38×14 мм") << 38.0 << 14.0;
        QTest::newRow("triangular seal") << 1 << QString() << 0.0 << 0.0;
    }
    void standardSizesSetTheWidth() {
        QFETCH(int, page);
        QFETCH(QString, size);
        QFETCH(double, width);
        QFETCH(double, dieHeight);
        shareWindowsBetweenRows();
        control<QTabWidget>(main(), "Pages")->setCurrentIndex(page);
        ProductionWindow& p = production();
        auto* sizes = control<QComboBox>(p, "SizeBox");
        auto* widthEdit = control<QDoubleSpinBox>(p, "WidthEdit");
        auto* dieEdit = control<QDoubleSpinBox>(p, "DieHeightEdit");
        QCOMPARE(dieEdit->isVisibleTo(&p), dieHeight > 0);
        // Opened at a width of no standard size.
        QCOMPARE(sizes->currentText(), QStringLiteral("свой размер"));
        if (size.isEmpty()) {
            QVERIFY(!sizes->isEnabled());
            QCOMPARE(sizes->count(), 1);
            return;
        }
        QVERIFY(sizes->isEnabled());

        const int index = sizes->findText(size);
        QVERIFY(index >= 0);
        sizes->setCurrentIndex(index);
        emit sizes->activated(index);
        QCOMPARE(widthEdit->value(), width);
        QCOMPARE(p.settings().widthMm, width);
        if (dieHeight > 0)
            QCOMPARE(dieEdit->value(), dieHeight);

        widthEdit->setValue(width + 0.5);
        QCOMPARE(sizes->currentText(), QStringLiteral("свой размер"));
        QCOMPARE(p.settings().widthMm, width + 0.5);
        widthEdit->setValue(width);
        QCOMPARE(sizes->currentText(), size);
        if (dieHeight > 0) {
            // The same width on another die is no standard size.
            dieEdit->setValue(dieHeight + 1);
            QCOMPARE(sizes->currentText(), QStringLiteral("свой размер"));
        }
        // "свой размер" chosen leaves the width as it is.
        emit sizes->activated(sizes->count() - 1);
        QCOMPARE(widthEdit->value(), width);
        QTRY_VERIFY_WITH_TIMEOUT(!p.checkPanel()->busy(), 20000);
    }

    // A stamp on a die too small for it: each finding of ink that does not
    // fit says what to change on its second line; without a die height there
    // is none. The die height is kept between runs.
    void dieFindingsWithTheirHints() {
        control<QTabWidget>(main(), "Pages")->setCurrentIndex(2);
        ProductionWindow& p = production();
        CheckPanel* panel = p.checkPanel();
        auto* list = control<QListWidget>(p, "FindingsList");
        // The default stamp, 192 by 132 units, is some 8 mm high at 12 mm.
        QCOMPARE(p.settings().widthMm, kSmallWidth);
        control<QDoubleSpinBox>(p, "DieHeightEdit")->setValue(5);
        QTRY_VERIFY_WITH_TIMEOUT(!panel->busy(), 20000);
        QVERIFY(dieFindings(panel->report()) > 0);
        QCOMPARE(list->count(), int(panel->report().findings.size()));
        const QLocale russian(QLocale::Russian, QLocale::Russia);
        bool contour = false;
        for (int row = 0; row < list->count(); ++row) {
            const check::Finding& finding = panel->report().findings[static_cast<std::size_t>(row)];
            const QStringList lines = list->item(row)->text().split(QLatin1Char('\n'));
            QCOMPARE(lines.size(), 2);
            QCOMPARE(lines[0], CheckPanel::findingText(StampKind::Rect, finding));
            QCOMPARE(lines[1], QStringLiteral("→ ") + check::hint(StampKind::Rect, finding, russian));
            if (finding.problem == check::Problem::DieFit && finding.element == ElementTag{ElementKind::Contour, 1}) {
                contour = true;
                QVERIFY2(lines[0].startsWith(QStringLiteral("1 контур: не помещается в оснастку 12×5 мм на ")),
                         qPrintable(lines[0]));
                QVERIFY2(lines[1].startsWith(QStringLiteral("→ уменьшите «1 контур» или сдвиньте внутрь на ")),
                         qPrintable(lines[1]));
            }
        }
        QVERIFY(contour);

        p.close();
        m_ui.reset();
        m_ui = std::make_unique<ScriptedWindow>(makeProductionWindow);
        control<QTabWidget>(main(), "Pages")->setCurrentIndex(2);
        CheckPanel* again = production().checkPanel();
        auto* dieEdit = control<QDoubleSpinBox>(production(), "DieHeightEdit");
        QCOMPARE(dieEdit->value(), 5.0);
        QTRY_VERIFY_WITH_TIMEOUT(!again->busy(), 20000);
        QVERIFY(dieFindings(again->report()) > 0);
        dieEdit->setValue(0);
        QTRY_VERIFY_WITH_TIMEOUT(!again->busy(), 20000);
        QCOMPARE(dieFindings(again->report()), 0);
    }

    // An element is chosen by a click on its ink or from the list; a click
    // off the ink chooses none. Only a ring text shows its layout's settings.
    void elementChosenByClickAndFromTheList_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("element");
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("ringText");
        QTest::newRow("round, ring text 1") << 0 << int(ElementKind::RingText) << 1 << true;
        QTest::newRow("round, inner ring") << 0 << int(ElementKind::Ring) << 1 << false;
        QTest::newRow("round, centre line 1") << 0 << int(ElementKind::CentreLine) << 1 << false;
        QTest::newRow("triangle, centre line 2") << 1 << int(ElementKind::CentreLine) << 2 << false;
        QTest::newRow("stamp, fifth line") << 2 << int(ElementKind::StampLine) << 5 << false;
        QTest::newRow("stamp, inner line") << 2 << int(ElementKind::InnerLine) << 1 << false;
    }
    void elementChosenByClickAndFromTheList() {
        QFETCH(int, page);
        QFETCH(int, element);
        QFETCH(int, index);
        QFETCH(bool, ringText);
        const auto kind = static_cast<StampKind>(page);
        const ElementTag chosen{static_cast<ElementKind>(element), index};
        shareWindowsBetweenRows();
        control<QTabWidget>(main(), "Pages")->setCurrentIndex(page);
        // The round seal's first centre line is turned on, the second stays off.
        StampDesigns designs = main().designs();
        designs.round.lines[3].enabled = true;
        main().session().applyEdit(StampKind::Round, designs, nullptr);
        ProductionWindow& p = production();
        ImprintView* view = p.view();
        ElementPanel* panel = p.elementPanel();
        auto* list = control<QComboBox>(p, "ElementBox");
        QCOMPARE(list->findText(check::elementName(StampKind::Round, {ElementKind::CentreLine, 2})) >= 0,
                 page == 1);

        const std::optional<QPointF> at = pointOnInk(p.imprint().ops, chosen);
        QVERIFY(at);
        const QTransform toWidget = output::pageTransform(p.imprint(), p.settings()) * view->pageToWidget();
        QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, toWidget.map(*at).toPoint());
        QCOMPARE(panel->selected(), chosen);
        QCOMPARE(view->selection(), chosen);
        QCOMPARE(list->currentText(), check::elementName(kind, chosen));
        QVERIFY(!view->selectionBounds().isNull());
        QCOMPARE(control(p, "RingTextSettings")->isVisibleTo(&p), ringText);

        QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, view->drawingArea().topLeft() + QPoint(4, 4));
        QCOMPARE(panel->selected(), ElementTag{});
        QCOMPARE(view->selection(), ElementTag{});
        QCOMPARE(list->currentIndex(), 0);
        QVERIFY(!control(p, "RingTextSettings")->isVisibleTo(&p));

        list->setCurrentIndex(list->findText(check::elementName(kind, chosen)));
        QCOMPARE(panel->selected(), chosen);
        QCOMPARE(view->selection(), chosen);
        QCOMPARE(control(p, "RingTextSettings")->isVisibleTo(&p), ringText);
    }

    // Each setting of a ring text's layout is one step of the history: the
    // design, its preview and the view take it; undone, the controls show the
    // design as opened again.
    void ringTextSettingIsOneStep_data() {
        QTest::addColumn<RingTextLayout>("opened");
        QTest::addColumn<QString>("text");  // the first ring text's, if not the default
        QTest::addColumn<QString>("name");  // the control, and what is typed or chosen in it
        QTest::addColumn<QString>("typed");
        QTest::addColumn<RingTextLayout>("want");
        const auto layout = [](bool glyphs, double span, double tracking = 0, bool reverse = false, bool fit = false) {
            RingTextLayout l;
            l.spacing = glyphs ? RingSpacing::Glyphs : RingSpacing::Equal;
            l.span = span;
            l.tracking = tracking;
            l.reverse = reverse;
            l.fit = fit;
            return l;
        };
        const QString crowded =
            QStringLiteral("ОБЩЕСТВО С ОГРАНИЧЕННОЙ ОТВЕТСТВЕННОСТЬЮ «РОМАШКА» * МОСКВА *");
        QTest::newRow("spacing") << layout(false, 0) << QString() << "SpacingBox" << "1" << layout(true, 0);
        QTest::newRow("arc") << layout(true, 0) << QString() << "SpanEdit" << "120" << layout(true, 120);
        QTest::newRow("arc back to the text's length")
            << layout(true, 90) << QString() << "SpanEdit" << "0" << layout(true, 0);
        QTest::newRow("tracking") << layout(true, 0) << QString() << "TrackingEdit" << "-1,5" << layout(true, 0, -1.5);
        QTest::newRow("reverse") << layout(true, 0) << QString() << "ReverseCheck" << "" << layout(true, 0, 0, true);
        QTest::newRow("fit") << layout(true, 120) << crowded << "FitCheck" << "" << layout(true, 120, 0, false, true);
    }
    void ringTextSettingIsOneStep() {
        QFETCH(RingTextLayout, opened);
        QFETCH(QString, text);
        QFETCH(QString, name);
        QFETCH(QString, typed);
        QFETCH(RingTextLayout, want);
        RoundSealParameters seal = defaultRoundSeal();
        seal.ringLayouts[0] = opened;
        if (!text.isEmpty())
            seal.lines[0].text = text;
        shareWindowsBetweenRows();
        openRound(seal);
        ProductionWindow& p = production();
        auto* list = control<QComboBox>(p, "ElementBox");
        list->setCurrentIndex(list->findText(check::elementName(StampKind::Round, {ElementKind::RingText, 1})));
        const RoundSealParameters before = main().designs().round;
        QVERIFY(!main().isModified(StampKind::Round));
        const QImage preview = main().previewPicture().copy();
        QSignalSpy painted(&main().session(), &DesignSession::previewPainted);

        QWidget* edited = control(p, name);
        if (auto* box = qobject_cast<QComboBox*>(edited)) {
            box->setCurrentIndex(typed.toInt());
        } else if (auto* check = qobject_cast<QCheckBox*>(edited)) {
            QTest::mouseClick(check, Qt::LeftButton, Qt::NoModifier, QPoint(8, check->height() / 2));
        } else {
            auto* spin = qobject_cast<QDoubleSpinBox*>(edited);
            QVERIFY(spin);
            spin->setFocus();
            spin->selectAll();
            QTest::keyClicks(spin, typed);
            QTest::keyClick(spin, Qt::Key_Return);
        }
        main().completePendingRepaint();
        QCOMPARE(painted.count(), 1);
        RoundSealParameters after = main().designs().round;
        QVERIFY(after.ringLayouts[0] == want);
        after.ringLayouts[0] = before.ringLayouts[0];
        QVERIFY(after == before);  // nothing else changed
        QVERIFY(main().isModified(StampKind::Round));
        QVERIFY(main().previewPicture() != preview);
        showsTheDesign(StampKind::Round);
        if (want.fit) {
            const QString shown = control<QLabel>(p, "FontSizeLabel")->text();
            QVERIFY2(shown.contains(QStringLiteral("ужат")), qPrintable(shown));
        }

        p.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&p));
        QTest::keyClick(&p, Qt::Key_Z, Qt::ControlModifier);
        main().completePendingRepaint();
        QVERIFY(main().designs().round == before);
        QVERIFY(!main().isModified(StampKind::Round));
        QCOMPARE(main().previewPicture(), preview);
        showsTheDesign(StampKind::Round);
        const bool glyphs = opened.spacing == RingSpacing::Glyphs;
        QCOMPARE(control<QComboBox>(p, "SpacingBox")->currentIndex(), glyphs ? 1 : 0);
        QCOMPARE(control<QDoubleSpinBox>(p, "SpanEdit")->value(), opened.span);
        QCOMPARE(control<QDoubleSpinBox>(p, "TrackingEdit")->value(), 0.0);
        QVERIFY(!control<QCheckBox>(p, "ReverseCheck")->isChecked());
        QVERIFY(!control<QCheckBox>(p, "FitCheck")->isChecked());
        QCOMPARE(control(p, "SpanEdit")->isEnabled(), glyphs);
    }

    // A ring text dragged within 3 degrees of a quarter stops there unless
    // the snap is held off; centre lines and the emblem move by whole pixels.
    void placedByHand_data() {
        QTest::addColumn<int>("element");
        QTest::addColumn<int>("index");
        QTest::addColumn<double>("turn");
        QTest::addColumn<QPointF>("by");
        QTest::addColumn<bool>("snap");
        QTest::addColumn<int>("startA");
        QTest::addColumn<QPoint>("want");  // A (and 0), or X and Y
        const int ring = int(ElementKind::RingText);
        const int centre = int(ElementKind::CentreLine);
        QTest::newRow("within 3 degrees of the top")
            << ring << 2 << 2.9 << QPointF() << true << 0 << QPoint(0, 0);
        QTest::newRow("4 degrees off the top") << ring << 2 << 3.6 << QPointF() << true << 0 << QPoint(4, 0);
        QTest::newRow("near the left") << ring << 1 << -28.0 << QPointF() << true << 300 << QPoint(270, 0);
        QTest::newRow("near the top from the left")
            << ring << 1 << 8.0 << QPointF() << true << 350 << QPoint(0, 0);
        QTest::newRow("snap held off") << ring << 3 << 8.0 << QPointF() << false << 350 << QPoint(358, 0);
        QTest::newRow("back past the top") << ring << 1 << -20.0 << QPointF() << true << 5 << QPoint(345, 0);
        QTest::newRow("centre line") << centre << 1 << 0.0 << QPointF(12.7, -5.7) << true << 0
                                     << QPoint(93, 74);
        QTest::newRow("centre line, halves")
            << centre << 1 << 0.0 << QPointF(-3.4, 2.5) << true << 0 << QPoint(77, 83);
        QTest::newRow("emblem") << int(ElementKind::Emblem) << 1 << 0.0 << QPointF(-19.6, 21.6) << true << 0
                                << QPoint(-20, 22);
        QTest::newRow("a ring stays")
            << int(ElementKind::Ring) << 1 << 0.0 << QPointF(10, 10) << true << 0 << QPoint(-1, -1);
    }
    void placedByHand() {
        QFETCH(int, element);
        QFETCH(int, index);
        QFETCH(double, turn);
        QFETCH(QPointF, by);
        QFETCH(bool, snap);
        QFETCH(int, startA);
        QFETCH(QPoint, want);
        const ElementTag tag{static_cast<ElementKind>(element), index};
        StampDesigns start;
        start.round.lines[static_cast<std::size_t>(index - 1)].angle = startA;
        const QPointF from(130, 40);
        const StampDesigns placed =
            draggedDesign(start, StampKind::Round, tag, from, turned(from, turn) + by, snap);
        const RoundSealParameters& seal = placed.round;
        if (tag.kind == ElementKind::RingText) {
            QCOMPARE(seal.lines[static_cast<std::size_t>(index - 1)].angle, want.x());
        } else if (tag.kind == ElementKind::Ring) {
            QVERIFY(seal == start.round);
            QCOMPARE(placingOf(StampKind::Round, tag), Placing::None);
        } else {
            QCOMPARE(placeOf(seal, tag.kind), want);
        }
    }

    // Dragged in the view: the main window's design and controls follow
    // every move, and the whole drag is one step of the history.
    void draggedInTheView_data() {
        QTest::addColumn<int>("element");
        QTest::addColumn<double>("turn");
        QTest::addColumn<QPointF>("by");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<QPoint>("want");  // A (and 0), or X and Y
        QTest::addColumn<int>("room");     // how far A may be from it
        QTest::addColumn<QStringList>("edits");
        const int ring = int(ElementKind::RingText);
        const QStringList angle{QStringLiteral("Page1EditA1")};
        QTest::newRow("ring text, snapped")
            << ring << 88.0 << QPointF() << false << QPoint(90, 0) << 0 << angle;
        QTest::newRow("ring text, Shift") << ring << 88.0 << QPointF() << true << QPoint(88, 0) << 1 << angle;
        QTest::newRow("centre line") << int(ElementKind::CentreLine) << 0.0 << QPointF(10, -7) << false
                                     << QPoint(90, 73) << 0 << QStringList{"Page1EditX4", "Page1EditY4"};
        QTest::newRow("emblem") << int(ElementKind::Emblem) << 0.0 << QPointF(-12, 15) << false
                                << QPoint(18, 55) << 0 << QStringList{"Page1Box4Edit1", "Page1Box4Edit2"};
    }
    void draggedInTheView() {
        QFETCH(int, element);
        QFETCH(double, turn);
        QFETCH(QPointF, by);
        QFETCH(bool, shift);
        QFETCH(QPoint, want);
        QFETCH(int, room);
        QFETCH(QStringList, edits);
        const ElementTag tag{static_cast<ElementKind>(element), 1};
        RoundSealParameters seal = defaultRoundSeal();
        if (tag.kind == ElementKind::Emblem)
            crestSeal(seal);
        seal.lines[3].enabled = true;
        shareWindowsBetweenRows();
        openRound(seal);
        ProductionWindow& p = production();
        const QPointF grab = tag.kind == ElementKind::Emblem ? QPointF(129, 109)  // the middle of its square
                                                             : pointOnInk(p.imprint().ops, tag).value_or(QPointF());
        const RoundSealParameters before = main().designs().round;
        ImprintView* view = p.view();
        const QTransform toWidget = output::pageTransform(p.imprint(), p.settings()) * view->pageToWidget();
        const QPointF to = turned(grab, turn) + by;
        const Qt::KeyboardModifiers keys = shift ? Qt::ShiftModifier : Qt::NoModifier;
        QTRY_VERIFY_WITH_TIMEOUT(!p.checkPanel()->busy(), 20000);
        sendMouse(view, QEvent::MouseButtonPress, toWidget.map(grab).toPoint(), keys);
        QCOMPARE(view->selection(), tag);
        sendMouse(view, QEvent::MouseMove, toWidget.map((grab + to) / 2).toPoint(), keys);
        sendMouse(view, QEvent::MouseMove, toWidget.map(to).toPoint(), keys);
        if (tag.kind != ElementKind::RingText) {
            // The mouse moves by whole pixels of the widget, which at the
            // view's scale may be less than a preview unit: the element
            // moves by what the mouse really did, rounded.
            const QTransform back = toWidget.inverted();
            const QPointF moved =
                back.map(QPointF(toWidget.map(to).toPoint())) - back.map(QPointF(toWidget.map(grab).toPoint()));
            const QPoint really = placeOf(before, tag.kind) + QPoint(qRound(moved.x()), qRound(moved.y()));
            QVERIFY((really - want).manhattanLength() <= 2);
            want = really;
        }
        // Followed before the mouse is let go.
        const QPoint now = placeOf(main().designs().round, tag.kind);
        QVERIFY2(std::abs(now.x() - want.x()) <= room && now.y() == want.y(),
                 qPrintable(QStringLiteral("%1, %2").arg(now.x()).arg(now.y())));
        QVERIFY(!shift || now.x() != 90);
        for (int i = 0; i < edits.size(); ++i)
            QCOMPARE(control<QLineEdit>(main(), edits[i])->text(),
                     QString::number(i == 0 ? now.x() : now.y()));
        // The check waits for the drag to end, then checks where it ended.
        p.imprint();  // the view brought up to the last step
        QVERIFY(p.checkPanel()->busy() && !p.checkPanel()->running());
        sendMouse(view, QEvent::MouseButtonRelease, toWidget.map(to).toPoint(), keys);
        QVERIFY(p.checkPanel()->running());
        QTRY_VERIFY_WITH_TIMEOUT(!p.checkPanel()->busy(), 20000);
        QVERIFY(main().isModified(StampKind::Round));
        showsTheDesign(StampKind::Round);
        main().session().undo();
        QVERIFY(main().designs().round == before);
        QVERIFY(!main().isModified(StampKind::Round));
    }

    // With an element chosen the arrow keys move or turn it, a step a key
    // and an undo step each; with none they leave the design alone.
    void arrowKeysPlaceTheChosenElement_data() {
        QTest::addColumn<int>("element");
        QTest::addColumn<int>("key");
        QTest::addColumn<QPoint>("once");  // A (and 0), or X and Y, after one key
        QTest::addColumn<QPoint>("twice");
        const int ring = int(ElementKind::RingText);
        const int centre = int(ElementKind::CentreLine);
        QTest::newRow("ring text, right") << ring << int(Qt::Key_Right) << QPoint(1, 0) << QPoint(2, 0);
        QTest::newRow("ring text, left") << ring << int(Qt::Key_Left) << QPoint(359, 0) << QPoint(358, 0);
        QTest::newRow("centre line, down") << centre << int(Qt::Key_Down) << QPoint(80, 81) << QPoint(80, 82);
        QTest::newRow("centre line, left") << centre << int(Qt::Key_Left) << QPoint(79, 80) << QPoint(78, 80);
        QTest::newRow("nothing chosen")
            << int(ElementKind::None) << int(Qt::Key_Right) << QPoint() << QPoint();
    }
    void arrowKeysPlaceTheChosenElement() {
        QFETCH(int, element);
        QFETCH(int, key);
        QFETCH(QPoint, once);
        QFETCH(QPoint, twice);
        const ElementTag tag{static_cast<ElementKind>(element), 1};
        RoundSealParameters seal = defaultRoundSeal();
        seal.lines[3].enabled = true;
        shareWindowsBetweenRows();
        openRound(seal);
        ProductionWindow& p = production();
        auto* list = control<QComboBox>(p, "ElementBox");
        list->setCurrentIndex(
            tag.kind == ElementKind::None ? 0 : list->findText(check::elementName(StampKind::Round, tag)));
        const StampDesigns before = main().designs();
        const auto placed = [&] { return placeOf(main().designs().round, tag.kind); };
        p.view()->setFocus();
        QTest::keyClick(p.view(), static_cast<Qt::Key>(key));
        if (tag.kind == ElementKind::None) {
            QVERIFY(main().designs().round == before.round);
            return;
        }
        QCOMPARE(placed(), once);
        QTest::keyClick(p.view(), static_cast<Qt::Key>(key));
        QCOMPARE(placed(), twice);
        main().session().undo();
        QCOMPARE(placed(), once);
    }

    void typingDoesNotWaitForTheCheck() {
        ProductionWindow& p = production();
        QTRY_VERIFY_WITH_TIMEOUT(!p.checkPanel()->busy(), 20000);
        typeText(control<QLineEdit>(main(), "Page1Edit2"), QStringLiteral("Ещё"));
        // Drawn at once; checked when the worker is done.
        showsTheDesign(StampKind::Round);
        QVERIFY(p.checkPanel()->busy());
        QTRY_VERIFY_WITH_TIMEOUT(!p.checkPanel()->busy(), 20000);
    }

    void limitsKeptAndApplied() {
        // Set as the window opens, before its first imprint is made: the
        // imprint is checked once, with the new limit.
        main().ProductionItemClick();
        ProductionWindow& p = *productionWindow();
        control<QDoubleSpinBox>(p, "WidthEdit")->setValue(20);
        control<QDoubleSpinBox>(p, "MinCapEdit")->setValue(0.5);
        (void)p.imprint();
        QTRY_VERIFY_WITH_TIMEOUT(!p.checkPanel()->busy(), 20000);
        QCOMPARE(p.checkPanel()->limits().minCapMm, 0.5);
        for (const check::Finding& finding : p.checkPanel()->report().findings)
            QVERIFY(finding.problem != check::Problem::LowCapitals);
        m_ui.reset();
        storeWidths(kSmallWidth);  // the next run only shows the limits
        m_ui = std::make_unique<ScriptedWindow>(makeProductionWindow);
        QCOMPARE(control<QDoubleSpinBox>(production(), "MinCapEdit")->value(), 0.5);
        QCOMPARE(production().checkPanel()->limits().minCapMm, 0.5);
    }

    // An edit's imprint is made on a worker and drawn when it comes; a kind
    // shown before is not made again while its design stays as it was.
    void imprintMadeOffTheInterfaceThread() {
        ProductionWindow& p = production();
        QTRY_VERIFY(p.view()->pictureReady());
        QLineEdit* edit = control<QLineEdit>(main(), "Page1Edit1");
        for (const QChar c : QStringLiteral("Жук")) {
            typeText(edit, QString(c));
            main().completePendingRepaint();
            QVERIFY(p.imprintPending());
        }
        QTRY_VERIFY(!p.imprintPending());
        QTRY_VERIFY(p.view()->pictureReady());
        showsTheDesign(StampKind::Round);

        auto* pages = control<QTabWidget>(main(), "Pages");
        pages->setCurrentIndex(1);
        main().completePendingRepaint();
        QVERIFY(p.imprintPending());
        QTRY_VERIFY(!p.imprintPending());
        pages->setCurrentIndex(0);
        main().completePendingRepaint();
        QVERIFY(!p.imprintPending());
        showsTheDesign(StampKind::Round);
    }

    // The view's picture of a seal with an emblem (a picture of its own)
    // holds the ink the export draws at the same scale and place.
    void viewDrawsWhatTheExportDraws_data() {
        QTest::addColumn<QStringList>("checks");
        QTest::newRow("black") << QStringList();
        QTest::newRow("colour") << QStringList{"colour"};
        QTest::newRow("negative") << QStringList{"negative"};
        QTest::newRow("mirrored") << QStringList{"mirror"};
    }
    void viewDrawsWhatTheExportDraws() {
        QFETCH(QStringList, checks);
        RoundSealParameters seal;
        crestSeal(seal);
        openRound(seal);
        ProductionWindow& p = production();
        control<QCheckBox>(p, "MirrorCheck")->setChecked(checks.contains(QLatin1String("mirror")));
        control<QCheckBox>(p, "NegativeCheck")->setChecked(checks.contains(QLatin1String("negative")));
        control<QCheckBox>(p, "ColourCheck")->setChecked(checks.contains(QLatin1String("colour")));
        ImprintView* view = p.view();
        QTRY_VERIFY(view->pictureReady());
        const QImage shot = view->grab().toImage();
        const double ratio = shot.devicePixelRatio();
        const QRectF paper = view->pageToWidget().mapRect(QRectF(QPointF(0, 0), output::pageSizeMm(p.imprint(), p.settings())));
        const QImage page = shot.copy(QRectF(paper.topLeft() * ratio, paper.size() * ratio).toAlignedRect());

        output::Settings settings = p.settings();
        settings.dpi = static_cast<int>(std::lround(view->pixelsPerMm() * ratio * 25.4));
        const QImage exported = output::renderRaster(p.imprint(), settings);
        // The dark pixels: how many, and their middle across the page.
        const auto dark = [](const QImage& picture) {
            const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
            qint64 count = 0;
            double across = 0;
            for (int y = 0; y < rgb.height(); ++y) {
                const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
                for (int x = 0; x < rgb.width(); ++x) {
                    if (std::max({qRed(line[x]), qGreen(line[x]), qBlue(line[x])}) < 128) {
                        ++count;
                        across += (x + 0.5) / rgb.width();
                    }
                }
            }
            return std::pair<qint64, double>(count, count ? across / count : 0);
        };
        const auto [shown, shownMiddle] = dark(page);
        const auto [written, writtenMiddle] = dark(exported);
        QVERIFY2(written > 1000 && std::abs(shown - written) <= written / 10,
                 qPrintable(QStringLiteral("%1 dark pixels shown, %2 exported").arg(shown).arg(written)));
        QVERIFY2(std::abs(shownMiddle - writtenMiddle) < 0.01,
                 qPrintable(QStringLiteral("middle at %1 shown, %2 exported").arg(shownMiddle).arg(writtenMiddle)));
    }

    // An emblem of 4096 by 4096 pixels and ring texts as long as a line
    // may hold: opening the window and a keystroke with it open stay well
    // within a third and a tenth of a second (ten times that allows for a
    // slow or busy machine).
    void heavyDesignKeepsTheWindowResponsive() {
        QImage picture(4096, 4096, QImage::Format_RGB32);
        picture.fill(Qt::white);
        {
            QPainter painter(&picture);
            painter.setPen(QPen(Qt::black, 3));
            painter.drawEllipse(QPoint(99, 99), 40, 50);
            painter.fillRect(90, 60, 18, 18, Qt::black);
        }
        // Kept in one bit a pixel, which the program reads as any bitmap.
        const QString emblem = m_dir.filePath(QStringLiteral("big-crest.bmp"));
        QVERIFY(picture.convertToFormat(QImage::Format_Mono).save(emblem, "BMP"));
        RoundSealParameters seal = defaultRoundSeal();
        seal.emblem = EmblemSettings{true, 0, 0, emblem};
        // The ring texts as long as they may be; the centre lines, which
        // would run far out of the field, as they are.
        for (int k = 0; k < 3; ++k) {
            TextLineSettings& line = seal.lines[static_cast<std::size_t>(k)];
            line.text = testing::repeatedTo(QStringLiteral("Общество с ограниченной ответственностью * "),
                                            io::kMaxLineText);
        }
        const QString design = m_dir.filePath(QStringLiteral("heavy.qgr"));
        QVERIFY(write(design, io::writeRoundSeal(seal)));
        main().openDesignFile(design);
        QCOMPARE(dialogs().lastMessage(), QStringLiteral("Круглая печать считана !"));
        main().completePendingRepaint();

        QElapsedTimer timer;
        timer.start();
        main().ProductionItemClick();
        QCoreApplication::processEvents();
        const qint64 opening = timer.elapsed();
        ProductionWindow& p = *productionWindow();
        QVERIFY(p.isVisible());
        QVERIFY(p.imprintPending());

        QLineEdit* edit = control<QLineEdit>(main(), "Page1Edit3");
        edit->setFocus();
        edit->end(false);
        edit->backspace();
        main().completePendingRepaint();
        timer.start();
        typeText(edit, QStringLiteral("Ж"));
        main().completePendingRepaint();
        QCoreApplication::processEvents();
        const qint64 keystroke = timer.elapsed();
        qInfo("opening %lld ms, keystroke %lld ms", static_cast<long long>(opening),
              static_cast<long long>(keystroke));
        QVERIFY2(opening < 3000, qPrintable(QString::number(opening)));
        QVERIFY2(keystroke < 1000, qPrintable(QString::number(keystroke)));
        QTRY_VERIFY_WITH_TIMEOUT(!p.imprintPending(), 60000);
        QTRY_VERIFY_WITH_TIMEOUT(p.view()->pictureReady(), 60000);
        // The imprint holds the emblem's ink and every letter.
        const std::vector<InkOp>& ops = p.imprint().ops;
        QVERIFY(std::any_of(ops.begin(), ops.end(),
                            [](const InkOp& op) { return op.element.kind == ElementKind::Emblem && !op.paper; }));
        QVERIFY(std::count_if(ops.begin(), ops.end(), [](const InkOp& op) {
                    return op.element.kind == ElementKind::RingText && !op.paper;
                }) > 3 * io::kMaxLineText / 2);
    }

    void everyControlHasATip() {
        ProductionWindow& p = production();
        for (QWidget* widget : p.findChildren<QWidget*>()) {
            if (!widget->objectName().isEmpty() && widget->isVisibleTo(&p) &&
                (qobject_cast<QAbstractButton*>(widget) || qobject_cast<QAbstractSpinBox*>(widget) ||
                 qobject_cast<QComboBox*>(widget) || widget == p.view()))
                QVERIFY2(!widget->toolTip().isEmpty(), qPrintable(widget->objectName()));
        }
    }
};

QG_TEST_MAIN_IN_PARTS(TestProduction)
#include "test_production.moc"
