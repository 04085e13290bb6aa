#include "CheckPanel.h"
#include "DesignSession.h"
#include "ProductionSettings.h"
#include "ProgramSettings.h"
#include "WindowHelpers.h"

#include <QAbstractSpinBox>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>

#include <limits>
#include <memory>

using namespace qg;

namespace {

QString& firstText(StampDesigns& designs, StampKind kind) {
    return kind == StampKind::Round      ? designs.round.lines[0].text
           : kind == StampKind::Triangle ? designs.triangle.lines[0].text
                                         : designs.rect.lines[0].text;
}

const QString& firstText(const StampDesigns& designs, StampKind kind) {
    return firstText(const_cast<StampDesigns&>(designs), kind);
}

// What a factory was asked to make.
struct Made {
    DesignSession* session = nullptr;
    Dialogs* dialogs = nullptr;
    QWidget* parent = nullptr;
    QWidget* window = nullptr;
};

}  // namespace

// The main window as the windows it opens see it, and the settings the
// program keeps for them.
class TestSession : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedWindow> m_ui;
    QTemporaryDir m_dir;

    TForm1& main() { return m_ui->window; }
    void showPage(int page) { control<QTabWidget>(main(), "Pages")->setCurrentIndex(page); }

private slots:
    void init() {
        clearSettings();
        m_ui = std::make_unique<ScriptedWindow>();
    }
    void cleanup() {
        QVERIFY2(m_ui->dialogs.unexpected.isEmpty(),
                 qPrintable(m_ui->dialogs.unexpected.join(QStringLiteral(", "))));
        m_ui.reset();
    }

    // The session shows the page, the design as typed, a repaint once it
    // is drawn, and steps through the kind's history. Each kind's file is
    // the one it was last saved to; the others keep none.
    void followsThePageAndItsDesign_data() {
        QTest::addColumn<int>("page");
        for (int page = 0; page < 4; ++page)
            QTest::addRow("page %d", page + 1) << page;
    }
    void followsThePageAndItsDesign() {
        QFETCH(int, page);
        DesignSession& session = main().session();
        showPage(page);
        QCOMPARE(session.activePage(), static_cast<ActivePage>(page));
        session.completePendingRepaint();
        QSignalSpy painted(&session, &DesignSession::previewPainted);
        click(main(), QStringLiteral("RefreshButton"));
        session.completePendingRepaint();
        QCOMPARE(painted.count(), 1);
        session.completePendingRepaint();  // nothing left to draw
        QCOMPARE(painted.count(), 1);
        if (page == 3)
            return;
        const auto kind = static_cast<StampKind>(page);
        const QString before = firstText(session.designs(), kind);
        retype(control<QLineEdit>(main(), QStringLiteral("Page%1Edit1").arg(page + 1)),
               QStringLiteral("Новый текст"));
        QCOMPARE(firstText(session.designs(), kind), QStringLiteral("Новый текст"));
        session.completePendingRepaint();
        QCOMPARE(painted.count(), 2);
        session.undo();
        QCOMPARE(firstText(session.designs(), kind), before);
        session.redo();
        QCOMPARE(firstText(session.designs(), kind), QStringLiteral("Новый текст"));
        const QString path = m_dir.filePath(QStringLiteral("design%1.qgr").arg(page));
        m_ui->dialogs.saveNames.push_back(path);
        click(main(), QStringLiteral("SaveQgrButton"));
        for (int k = 0; k < kKindCount; ++k)
            QCOMPARE(session.designFileName(static_cast<StampKind>(k)), k == page ? path : QString());
    }

    // An edit put in through the session is an edit of its kind: the page
    // shows it, the kind is modified, the preview is drawn once. Edits of one
    // gesture make one step, a gesture ended starts the next; an edit that
    // changes nothing is no step at all.
    void editAppliedAsOneStep_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("edits");
        QTest::addColumn<bool>("endEach");    // the gesture ends after each edit
        QTest::addColumn<bool>("gesture");    // the edits carry one
        QTest::addColumn<QString>("undone");  // the first text one step back (empty: as before)
        QTest::newRow("round, one edit") << 0 << 1 << false << false << QString();
        QTest::newRow("round, no change") << 0 << 0 << false << false << QString();
        QTest::newRow("triangle, one gesture") << 1 << 3 << false << true << QString();
        QTest::newRow("stamp, gestures ended") << 2 << 2 << true << true << QStringLiteral("Правка 1");
        QTest::newRow("stamp, edits of no gesture") << 2 << 2 << false << false << QStringLiteral("Правка 1");
    }
    void editAppliedAsOneStep() {
        QFETCH(int, page);
        QFETCH(int, edits);
        QFETCH(bool, endEach);
        QFETCH(bool, gesture);
        QFETCH(QString, undone);
        const auto kind = static_cast<StampKind>(page);
        showPage(page);
        DesignSession& session = main().session();
        session.completePendingRepaint();
        const StampDesigns before = session.designs();
        QSignalSpy painted(&session, &DesignSession::previewPainted);
        int drag = 0;
        StampDesigns edited = before;
        if (edits == 0)
            session.applyEdit(kind, edited, nullptr);
        for (int i = 1; i <= edits; ++i) {
            firstText(edited, kind) = QStringLiteral("Правка %1").arg(i);
            session.applyEdit(kind, edited, gesture ? &drag : nullptr);
            if (endEach)
                session.endGesture();
        }
        session.completePendingRepaint();
        QCOMPARE(painted.count(), edits > 0 ? 1 : 0);
        const QString now = edits > 0 ? QStringLiteral("Правка %1").arg(edits) : firstText(before, kind);
        QCOMPARE(firstText(session.designs(), kind), now);
        QCOMPARE(control<QLineEdit>(main(), QStringLiteral("Page%1Edit1").arg(page + 1))->text(), now);
        for (int k = 0; k < kKindCount; ++k) {
            const auto other = static_cast<StampKind>(k);
            QCOMPARE(main().isModified(other), other == kind && edits > 0);
            if (other != kind)
                QCOMPARE(firstText(session.designs(), other), firstText(before, other));
        }
        session.undo();
        QCOMPARE(firstText(session.designs(), kind), undone.isEmpty() ? firstText(before, kind) : undone);
        QCOMPARE(main().isModified(kind), !undone.isEmpty());
    }

    // The production window is made by what the program gives the main
    // window, once, on a stamp page, on the main window's session and
    // dialogs, as its child.
    void productionWindowComesFromTheFactory_data() {
        QTest::addColumn<bool>("factory");
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("made");
        QTest::newRow("no factory") << false << 0 << false;
        QTest::newRow("round seal") << true << 0 << true;
        QTest::newRow("information page") << true << 3 << false;
    }
    void productionWindowComesFromTheFactory() {
        QFETCH(bool, factory);
        QFETCH(int, page);
        QFETCH(bool, made);
        QList<Made> calls;
        if (factory)
            main().setProductionWindowFactory(
                [&calls](DesignSession& session, Dialogs& dialogs, QWidget* parent) {
                    auto* window = new QWidget(parent, Qt::Window);
                    calls.append(Made{&session, &dialogs, parent, window});
                    return window;
                });
        showPage(page);
        for (int i = 0; i < 2; ++i)
            main().ProductionItemClick();
        QCOMPARE(calls.size(), made ? 1 : 0);
        QCOMPARE(main().productionWindow() != nullptr, made);
        if (!made)
            return;
        QCOMPARE(calls[0].session, &main().session());
        QCOMPARE(calls[0].dialogs, static_cast<Dialogs*>(&m_ui->dialogs));
        QCOMPARE(calls[0].parent, static_cast<QWidget*>(&main()));
        QCOMPARE(main().productionWindow(), calls[0].window);
        QVERIFY(main().productionWindow()->isVisible());
    }

    // Settings kept from an older run, or edited by hand, come back within
    // the bounds of the fields that show them.
    void keptExportSettingsWithinBounds_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<double>("expected");
        const double inf = std::numeric_limits<double>::infinity();
        const output::Settings defaults;
        QTest::newRow("width too large") << "widthMm" << QVariant(1e9) << output::kMaxWidthMm;
        QTest::newRow("width too small") << "widthMm" << QVariant(0.0) << output::kMinWidthMm;
        QTest::newRow("width not finite")
            << "widthMm" << QVariant(inf) << output::defaultWidthMm(StampKind::Triangle);
        QTest::newRow("width not a number") << "widthMm" << QVariant("широко") << output::kMinWidthMm;
        QTest::newRow("resolution too fine") << "dpi" << QVariant(1000000) << double(output::kMaxDpi);
        QTest::newRow("resolution too coarse") << "dpi" << QVariant(-3) << double(output::kMinDpi);
        QTest::newRow("margin below nothing") << "marginMm" << QVariant(-1.0) << 0.0;
        QTest::newRow("margin too wide") << "marginMm" << QVariant(1e6) << output::kMaxMarginMm;
        QTest::newRow("margin not finite") << "marginMm" << QVariant(-inf) << defaults.marginMm;
        QTest::newRow("unknown format") << "format" << QVariant("gif") << double(output::Format::Png);
    }
    void keptExportSettingsWithinBounds() {
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(double, expected);
        programSettings().setValue(QStringLiteral("export/triangle/") + key, stored);
        const output::Settings s = loadExportSettings(StampKind::Triangle);
        const double loaded = key == QLatin1String("widthMm")  ? s.widthMm
                              : key == QLatin1String("dpi")    ? s.dpi
                              : key == QLatin1String("format") ? double(s.format)
                                                               : s.marginMm;
        QCOMPARE(loaded, expected);
        // The other kinds keep their own.
        QCOMPARE(loadExportSettings(StampKind::Round).widthMm, output::defaultWidthMm(StampKind::Round));
    }

    // A limit kept beyond its field's range comes back at the range's end,
    // so that the check uses the limit the field shows.
    void keptLimitsWithinTheirFields_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("high");
        const char* const limits[][2] = {{"minLineMm", "MinLineEdit"},
                                         {"safeLineMm", "SafeLineEdit"},
                                         {"minGapMm", "MinGapEdit"},
                                         {"minCapMm", "MinCapEdit"},
                                         {"minEmblemDpi", "MinDpiEdit"}};
        for (const auto& limit : limits) {
            QTest::addRow("%s above", limit[0]) << limit[0] << limit[1] << true;
            QTest::addRow("%s below", limit[0]) << limit[0] << limit[1] << false;
        }
    }
    void keptLimitsWithinTheirFields() {
        QFETCH(QString, key);
        QFETCH(QString, field);
        QFETCH(bool, high);
        programSettings().setValue(QStringLiteral("check/") + key, high ? 1e7 : -1e7);
        CheckPanel panel;
        const check::Limits& l = panel.limits();
        const double loaded = key == QLatin1String("minLineMm")    ? l.minLineMm
                              : key == QLatin1String("safeLineMm") ? l.safeLineMm
                              : key == QLatin1String("minGapMm")   ? l.minGapMm
                              : key == QLatin1String("minCapMm")   ? l.minCapMm
                                                                   : l.minEmblemDpi;
        const auto* spin = control<QAbstractSpinBox>(panel, field);
        QCOMPARE(loaded, spin->property(high ? "maximum" : "minimum").toDouble());
    }
};

QTEST_MAIN(TestSession)
#include "test_session.moc"
