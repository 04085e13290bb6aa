#include "Designs.h"
#include "ElementPanel.h"
#include "EmblemPanel.h"
#include "Export.h"
#include "Files.h"
#include "ImprintView.h"
#include "ProductionWindow.h"
#include "StampFile.h"
// GCC 12 sees the scripted font answers (an optional in a deque) as
// perhaps uninitialised once this file's tests are inlined; they are not.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include "WindowHelpers.h"
#pragma GCC diagnostic pop

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <cmath>
#include <memory>

using namespace qg;

namespace {

constexpr double kCentre = 100.5;  // the seal's centre, in preview units
const ElementTag kEmblem{ElementKind::Emblem, 1};

// What a drag from a file manager carries: the files' addresses.
std::unique_ptr<QMimeData> filesDragged(const QStringList& paths) {
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls.append(QUrl::fromLocalFile(path));
    data->setUrls(urls);
    return data;
}

// Types into a spin box as a user does, and confirms with Return.
void typeInto(QAbstractSpinBox* spin, const QString& text) {
    spin->setFocus();
    spin->selectAll();
    QTest::keyClicks(spin, text);
    QTest::keyClick(spin, Qt::Key_Return);
}

// The emblem's box in preview units, its height by the picture's aspect.
QRectF emblemBox(double x, double y, double width, QSize natural) {
    return QRectF(x, y, width, width * natural.height() / natural.width());
}

// How far the box's farthest corner lies from the seal's centre.
double farthestCorner(const QRectF& box) {
    double farthest = 0;
    for (const QPointF corner : {box.topLeft(), box.topRight(), box.bottomLeft(), box.bottomRight()})
        farthest = std::max(farthest, std::hypot(corner.x() - kCentre, corner.y() - kCentre));
    return farthest;
}

}  // namespace

class TestEmblemPanel : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<ScriptedWindow> m_ui;

    // The windows, made when a case first needs them; the cases go on in
    // the same ones, each opening its own design, until one fails.
    ScriptedWindow& ui() {
        if (!m_ui)
            m_ui = std::make_unique<ScriptedWindow>(makeProductionWindow);
        return *m_ui;
    }
    TForm1& main() { return ui().window; }
    ScriptedDialogs& dialogs() { return ui().dialogs; }
    QString file(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    ProductionWindow& production() {
        auto* p = qobject_cast<ProductionWindow*>(main().productionWindow());
        if (!p || !p->isVisible()) {
            main().ProductionItemClick();
            p = qobject_cast<ProductionWindow*>(main().productionWindow());
        }
        (void)p->imprint();
        return *p;
    }
    // Opens a round seal as a user does: its history starting from it.
    void openRound(const RoundSealParameters& seal) {
        const QString design = file("opened.qgr");
        QVERIFY(write(design, io::writeRoundSeal(seal)));
        if (main().isModified(StampKind::Round))
            dialogs().answers.push_back(Answer::No);  // the last case's changes are not saved
        main().openDesignFile(design);
        QVERIFY(!main().isModified(StampKind::Round));
        dialogs().messages.clear();  // the report of the file read
        // What the fixed lines do not hold is set as an edit.
        if (!(main().designs().round == seal)) {
            StampDesigns designs = main().designs();
            designs.round = seal;
            main().session().applyEdit(StampKind::Round, designs, nullptr);
        }
    }
    // A round seal with its emblem on, drawn from the crest bitmap.
    RoundSealParameters sealWithCrest() const {
        RoundSealParameters seal = defaultRoundSeal();
        seal.emblem = EmblemSettings{true, 10, 12, file("crest.bmp")};
        return seal;
    }
    // The production window with the emblem chosen in its list.
    EmblemPanel& emblemChosen() {
        ProductionWindow& p = production();
        auto* list = control<QComboBox>(p, "ElementBox");
        list->setCurrentIndex(list->findText(QStringLiteral("Герб")));
        [&] { QCOMPARE(p.elementPanel()->selected(), kEmblem); }();
        return *p.elementPanel()->emblemPanel();
    }
    // Opens the seal with its emblem drawn from `name`, carried when asked.
    void openWithPicture(const QString& name, bool carried = false) {
        openRound(sealWithCrest());
        StampDesigns designs = main().designs();
        designs.round.emblem.file = m_dir.filePath(name);
        if (carried) {
            designs.round.emblem.embeddedName = name;
            designs.round.emblem.embeddedData = read(designs.round.emblem.file);
        }
        main().session().applyEdit(StampKind::Round, designs, nullptr);
    }
    const EmblemSettings& emblem() { return main().designs().round.emblem; }
    struct Before {
        RoundSealParameters round;
        bool modified;
    };
    Before before() { return {main().designs().round, main().isModified(StampKind::Round)}; }
    void unchanged(const Before& b) {
        QVERIFY(main().designs().round == b.round);
        QCOMPARE(main().isModified(StampKind::Round), b.modified);
    }
    // One step back gives the design as it was, unmodified when it was so.
    void oneStepBack(const Before& b) {
        main().session().undo();
        main().completePendingRepaint();
        unchanged(b);
    }
    static void tick(QCheckBox* box) {
        QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(8, box->height() / 2));
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY(testing::writeCrest(file("crest.bmp")));
        QImage wide(300, 120, QImage::Format_RGB32);
        wide.fill(Qt::white);
        wide.setPixel(150, 60, qRgb(0, 0, 0));
        QVERIFY(wide.save(file("wide.png"), "PNG"));
        QVERIFY(wide.scaled(64, 64).save(file("square.JPG"), "JPEG"));
        QVERIFY(write(
            file("tall.svg"),
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"90\" height=\"240\" viewBox=\"0 0 90 240\">"
            "<rect x=\"10\" y=\"10\" width=\"70\" height=\"220\" fill=\"black\"/></svg>"));
        QVERIFY(write(file("notes.txt"), "not a picture"));
        // Bytes enough that their base64 alone is over the design file's limit.
        QVERIFY(write(file("huge.png"), QByteArray(800 * 1024, 'x')));
    }
    // A small imprint, whose check the window runs quickly.
    void init() {
        if (m_ui)
            return;
        clearSettings();
        storeWidths(12);
    }
    void cleanup() {
        const QStringList unexpected = m_ui ? dialogs().unexpected : QStringList();
        if (!unexpected.isEmpty() || QTest::currentTestFailed())
            m_ui.reset();
        QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(QStringLiteral(", "))));
    }
    void cleanupTestCase() { m_ui.reset(); }

    // A picture chosen by "Файл…" (which asks for the four kinds) or dropped
    // on the emblem's panel or the view is drawn as the emblem, turned on,
    // one step of the round seal's history. Anything else is refused as it
    // is dragged in and changes nothing.
    void pictureTaken_data() {
        QTest::addColumn<QString>("how");  // "file": by "Файл…", else where it is dropped
        QTest::addColumn<QStringList>("files");  // none: the dialog is cancelled
        QTest::addColumn<bool>("emblemOn");
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("taken");
        QTest::newRow("chosen SVG") << "file" << QStringList{"tall.svg"} << true << 0 << true;
        QTest::newRow("chosen JPEG, capitals") << "file" << QStringList{"square.JPG"} << true << 0 << true;
        QTest::newRow("chosen, cancelled") << "file" << QStringList{} << true << 0 << false;
        QTest::newRow("chosen text file") << "file" << QStringList{"notes.txt"} << true << 0 << false;
        QTest::newRow("PNG on the view, off") << "view" << QStringList{"wide.png"} << false << 0 << true;
        QTest::newRow("JPEG on the panel, off") << "panel" << QStringList{"square.JPG"} << false << 0 << true;
        QTest::newRow("on the width edit") << "width edit" << QStringList{"wide.png"} << true << 0 << true;
        QTest::newRow("text file on the panel") << "panel" << QStringList{"notes.txt"} << true << 0 << false;
        QTest::newRow("two pictures") << "view" << QStringList{"wide.png", "tall.svg"} << true << 0 << false;
        QTest::newRow("picture not there") << "view" << QStringList{"gone.png"} << true << 0 << false;
        QTest::newRow("the stamp shown") << "view" << QStringList{"wide.png"} << false << 2 << false;
    }
    void pictureTaken() {
        QFETCH(QString, how);
        QFETCH(QStringList, files);
        QFETCH(bool, emblemOn);
        QFETCH(int, page);
        QFETCH(bool, taken);
        RoundSealParameters seal = sealWithCrest();
        seal.emblem.enabled = emblemOn;
        openRound(seal);
        control<QTabWidget>(main(), "Pages")->setCurrentIndex(page);
        ProductionWindow& p = production();
        QWidget* on = nullptr;
        if (how == QLatin1String("view"))
            on = p.view();
        else if (how == QLatin1String("panel"))
            on = p.elementPanel();
        else if (emblemChosen(); how == QLatin1String("width edit")) {
            on = control<QSpinBox>(p, "EmblemWidthEdit")->findChild<QLineEdit*>();
            QVERIFY(on);
        }
        const Before b = before();
        QStringList paths;
        for (const QString& name : files)
            paths.append(m_dir.filePath(name));
        QSignalSpy painted(&main().session(), &DesignSession::previewPainted);
        if (!on) {
            const qsizetype asked = dialogs().openRequests.size();
            dialogs().openNames.push_back(paths.value(0));
            click(*p.elementPanel()->emblemPanel(), QStringLiteral("EmblemFileButton"));
            QCOMPARE(dialogs().openRequests.size(), asked + 1);
            const QString filter = dialogs().openRequests.constLast().filter;
            for (const char* pattern : {"*.svg", "*.png", "*.jpg", "*.jpeg", "*.bmp"})
                QVERIFY2(filter.section(QStringLiteral(";;"), 0, 0).contains(QLatin1String(pattern)),
                         qPrintable(filter));
        } else {
            const std::unique_ptr<QMimeData> data = filesDragged(paths);
            const QPoint at = on->rect().center();
            QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(on, &enter);
            QCOMPARE(enter.isAccepted(), taken);
            QDropEvent drop(QPointF(at), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(on, &drop);
            QCOMPARE(drop.isAccepted(), taken);
        }
        main().completePendingRepaint();
        QCOMPARE(dialogs().messages.size(), !on && files.value(0).endsWith(QLatin1String(".txt")) ? 1 : 0);
        if (!on)
            QCOMPARE(painted.count(), taken ? 1 : 0);
        if (!taken)
            return unchanged(b);
        RoundSealParameters want = b.round;
        want.emblem.enabled = true;
        want.emblem.file = QFileInfo(paths.constFirst()).absoluteFilePath();
        QVERIFY(main().designs().round == want);
        QVERIFY(main().isModified(StampKind::Round));
        // The emblem is chosen, its settings shown.
        QCOMPARE(p.elementPanel()->selected(), kEmblem);
        QVERIFY(p.elementPanel()->emblemPanel()->isVisibleTo(&p));
        if (!on)
            QCOMPARE(control<QLabel>(*p.elementPanel()->emblemPanel(), "EmblemFileLabel")->text(), files[0]);
        oneStepBack(b);
    }

    // The width in preview pixels and in millimetres at the window's width
    // follow each other; "как есть" is 0 in both.
    void widthInPixelsAndMillimetres_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("mm");  // typed in millimetres: the width wanted
        QTest::newRow("pixels") << 0 << "EmblemWidthEdit" << "60" << 0.0;
        QTest::newRow("millimetres") << 0 << "EmblemWidthMmEdit" << "9,5" << 9.5;
        QTest::newRow("millimetres back to as it is") << 60 << "EmblemWidthMmEdit" << "0" << 0.0;
    }
    void widthInPixelsAndMillimetres() {
        QFETCH(int, start);
        QFETCH(QString, edit);
        QFETCH(QString, typed);
        QFETCH(double, mm);
        RoundSealParameters seal = sealWithCrest();
        seal.emblem.width = start;
        openRound(seal);
        EmblemPanel& panel = emblemChosen();
        ProductionWindow& p = production();
        const double k = output::mmPerUnit(p.imprint(), p.settings().widthMm);
        QVERIFY(k > 0);
        auto* pixels = control<QSpinBox>(panel, "EmblemWidthEdit");
        auto* millimetres = control<QDoubleSpinBox>(panel, "EmblemWidthMmEdit");
        const Before b = before();
        typeInto(control<QAbstractSpinBox>(panel, edit), typed);
        main().completePendingRepaint();
        const int want = mm > 0 ? static_cast<int>(std::lround(mm / k)) : typed.toInt();
        QCOMPARE(emblem().width, want);
        QCOMPARE(pixels->value(), want);
        QCOMPARE(millimetres->value(), std::round(want * k * 10) / 10);
        if (want == 0)
            QCOMPARE(millimetres->text(), QStringLiteral("как есть"));
        QVERIFY(main().isModified(StampKind::Round));

        // A wider imprint: the same pixels measure more millimetres.
        if (want > 0) {
            auto* width = control<QDoubleSpinBox>(p, "WidthEdit");
            const double usual = width->value();
            width->setValue(usual * 2);
            QCOMPARE(emblem().width, want);
            QCOMPARE(millimetres->value(), std::round(want * 2 * k * 10) / 10);
            width->setValue(usual);
        }
        oneStepBack(b);
        QCOMPARE(pixels->value(), start);
    }

    // The fitted emblem lies centred inside the innermost ring that is on,
    // clear of its line, and is not much smaller than the room there.
    void fitsInsideTheInnerRing_data() {
        QTest::addColumn<QList<int>>("rings");  // radius, width and on (1) for each of three
        QTest::addColumn<QSize>("natural");
        QTest::addColumn<double>("edge");  // the inner edge of the ring fitted into; 0: none
        QTest::newRow("inner ring off")
            << QList<int>{42, 1, 0, 88, 1, 1, 92, 2, 1} << QSize(198, 198) << 87.5;
        QTest::newRow("tall picture") << QList<int>{60, 1, 1, 88, 1, 1, 92, 2, 1} << QSize(90, 240) << 59.5;
        QTest::newRow("thick ring, listed last")
            << QList<int>{92, 2, 1, 88, 1, 1, 50, 9, 1} << QSize(64, 64) << 45.5;
        QTest::newRow("a ring without radius")
            << QList<int>{0, 1, 1, 88, 1, 1, 92, 2, 1} << QSize(64, 64) << 87.5;
        QTest::newRow("no room") << QList<int>{3, 1, 1, 88, 1, 0, 92, 2, 0} << QSize(64, 64) << 0.0;
        QTest::newRow("no ring on") << QList<int>{42, 1, 0, 88, 1, 0, 92, 2, 0} << QSize(64, 64) << 0.0;
        QTest::newRow("size unknown") << QList<int>{42, 1, 1, 88, 1, 1, 92, 2, 1} << QSize() << 0.0;
    }
    void fitsInsideTheInnerRing() {
        QFETCH(QList<int>, rings);
        QFETCH(QSize, natural);
        QFETCH(double, edge);
        RoundSealParameters seal = defaultRoundSeal();
        for (int k = 0; k < 3; ++k)
            seal.rings[k] = RingSettings{rings[3 * k + 2] != 0, rings[3 * k + 1], rings[3 * k], kNoneColour};
        const std::optional<EmblemFit> fit = fitInsideInnerRing(seal, natural);
        QCOMPARE(fit.has_value(), edge > 0);
        if (!fit)
            return;
        const QRectF box = emblemBox(fit->x, fit->y, fit->width, natural);
        QVERIFY2(farthestCorner(box) <= edge - 1,
                 qPrintable(QStringLiteral("corner %1 from the centre, ring's edge at %2")
                                .arg(farthestCorner(box))
                                .arg(edge)));
        QVERIFY2(farthestCorner(box) >= edge - kEmblemRingMargin - 2,
                 qPrintable(QStringLiteral("corner only %1 from the centre").arg(farthestCorner(box))));
        QVERIFY(std::abs(box.center().x() - kCentre) <= 0.5);
        QVERIFY(std::abs(box.center().y() - kCentre) <= 0.5);
    }

    // The size of each kind of picture, from its file or, when the file is
    // gone, from the copy the design carries.
    void naturalSize_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("carried");
        QTest::addColumn<QSize>("size");
        QTest::newRow("SVG") << "tall.svg" << false << QSize(90, 240);
        QTest::newRow("PNG") << "wide.png" << false << QSize(300, 120);
        QTest::newRow("BMP") << "crest.bmp" << false << QSize(198, 198);
        QTest::newRow("SVG carried") << "tall.svg" << true << QSize(90, 240);
        QTest::newRow("not a picture") << "notes.txt" << false << QSize();
    }
    void naturalSize() {
        QFETCH(QString, name);
        QFETCH(bool, carried);
        QFETCH(QSize, size);
        EmblemSettings emblem;
        emblem.file = m_dir.filePath(name);
        if (carried) {
            emblem.embeddedName = name;
            emblem.embeddedData = read(emblem.file);
            emblem.file = m_dir.filePath(QStringLiteral("gone/") + name);
        }
        QCOMPARE(emblemNaturalSize(emblem), size);
    }

    // "по размеру внутреннего кольца": the emblem fitted to its picture, one step.
    void fitButtonIsOneStep() {
        openWithPicture(QStringLiteral("tall.svg"));
        EmblemPanel& panel = emblemChosen();
        const Before b = before();
        click(panel, QStringLiteral("EmblemFitButton"));
        const QRectF box = emblemBox(emblem().x, emblem().y, emblem().width, QSize(90, 240));
        QVERIFY(emblem().width > 0);
        QVERIFY(farthestCorner(box) <= 41.5 - 1);
        QVERIFY(std::abs(box.center().x() - kCentre) <= 0.5);
        QCOMPARE(control<QSpinBox>(panel, "EmblemWidthEdit")->value(), emblem().width);
        oneStepBack(b);
    }

    // The threshold follows its controls live: a drag of the slider is one
    // step however far it goes, a number typed one, and "как раньше" is
    // today's rule (-1).
    void thresholdLive_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QList<int>>("levels");  // as the design holds it after each move
        QTest::newRow("drag of the slider") << 100 << "drag" << QList<int>{96, 80, 64, 70};
        QTest::newRow("typed") << 100 << "type" << QList<int>{200};
        QTest::newRow("as before, on") << 100 << "check" << QList<int>{-1};
        // Off: the level the slider shows (empty: taken from the slider).
        QTest::newRow("as before, off") << -1 << "check" << QList<int>{};
    }
    void thresholdLive() {
        QFETCH(int, start);
        QFETCH(QString, action);
        QFETCH(QList<int>, levels);
        RoundSealParameters seal = sealWithCrest();
        seal.emblem.threshold = start;
        openRound(seal);
        EmblemPanel& panel = emblemChosen();
        auto* slider = control<QSlider>(panel, "EmblemThresholdSlider");
        auto* asBefore = control<QCheckBox>(panel, "EmblemThresholdDefaultCheck");
        QCOMPARE(asBefore->isChecked(), start < 0);
        QCOMPARE(slider->isEnabled(), start >= 0);
        const Before b = before();
        QSignalSpy painted(&main().session(), &DesignSession::previewPainted);
        if (levels.isEmpty()) {
            QVERIFY(slider->value() >= 0 && slider->value() <= 255);
            levels.append(slider->value());
        }
        if (action == QLatin1String("drag")) {
            slider->setSliderDown(true);
            for (int k = 0; k < levels.size(); ++k) {
                slider->setValue(levels[k]);
                main().completePendingRepaint();
                QCOMPARE(emblem().threshold, levels[k]);
                QCOMPARE(painted.count(), k + 1);  // the preview follows every move
                QCOMPARE(control<QSpinBox>(panel, "EmblemThresholdEdit")->value(), levels[k]);
            }
            slider->setSliderDown(false);
        } else if (action == QLatin1String("type")) {
            typeInto(control<QSpinBox>(panel, "EmblemThresholdEdit"), QString::number(levels[0]));
        } else {
            tick(asBefore);
        }
        main().completePendingRepaint();
        QCOMPARE(emblem().threshold, levels.constLast());
        QCOMPARE(slider->isEnabled(), levels.constLast() >= 0);
        QVERIFY(painted.count() >= 1);
        (void)production().imprint();  // the view is made anew without waiting on the panel
        oneStepBack(b);
        QCOMPARE(asBefore->isChecked(), start < 0);
    }

    // "Встроить в файл макета": on, the design carries the file's own
    // bytes and its name; off, nothing. A picture too large for the design
    // file is refused with a message and nothing changes.
    void embedded_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("carriedBefore");
        QTest::addColumn<QString>("refusal");  // a word of the message; empty: none
        QTest::newRow("on") << "wide.png" << false << "";
        QTest::newRow("off") << "wide.png" << true << "";
        QTest::newRow("too large") << "huge.png" << false << "слишком велик";
        QTest::newRow("file gone") << "gone.png" << false << "не найден";
    }
    void embedded() {
        QFETCH(QString, name);
        QFETCH(bool, carriedBefore);
        QFETCH(QString, refusal);
        openWithPicture(name, carriedBefore);
        auto* embed = control<QCheckBox>(emblemChosen(), "EmblemEmbedCheck");
        QCOMPARE(embed->isChecked(), carriedBefore);
        const Before b = before();
        QSignalSpy painted(&main().session(), &DesignSession::previewPainted);
        tick(embed);
        main().completePendingRepaint();
        if (!refusal.isEmpty()) {
            QCOMPARE(dialogs().messages.size(), 1);
            QVERIFY2(dialogs().lastMessage().contains(refusal), qPrintable(dialogs().lastMessage()));
            QVERIFY(main().designs().round == b.round);
            QVERIFY(!embed->isChecked());
            QCOMPARE(painted.count(), 0);
            main().session().undo();  // the file named, not the refusal, was the last step
            QVERIFY(main().designs().round.emblem.file.isEmpty());
            return;
        }
        QVERIFY(dialogs().messages.isEmpty());
        RoundSealParameters want = b.round;
        want.emblem.embeddedName = carriedBefore ? QString() : name;
        want.emblem.embeddedData = carriedBefore ? QByteArray() : read(m_dir.filePath(name));
        QVERIFY(main().designs().round == want);
        QCOMPARE(embed->isChecked(), !carriedBefore);
        QCOMPARE(painted.count(), 1);
        oneStepBack(b);
        QCOMPARE(embed->isChecked(), carriedBefore);
    }

    // A picture chosen while the design carries the last one is carried in
    // its place; one too large to carry is taken, no longer carried.
    void anotherFileWhileCarried_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("carried");
        QTest::newRow("carried in its place") << "tall.svg" << true;
        QTest::newRow("too large to carry") << "huge.png" << false;
    }
    void anotherFileWhileCarried() {
        QFETCH(QString, name);
        QFETCH(bool, carried);
        openWithPicture(QStringLiteral("wide.png"), true);
        EmblemPanel& panel = emblemChosen();
        QVERIFY(panel.takeFile(m_dir.filePath(name)));
        QCOMPARE(emblem().file, m_dir.filePath(name));
        QCOMPARE(emblem().embeddedName, carried ? name : QString());
        QCOMPARE(emblem().embeddedData, carried ? read(m_dir.filePath(name)) : QByteArray());
        QCOMPARE(dialogs().messages.size(), carried ? 0 : 1);
        QCOMPARE(control<QCheckBox>(panel, "EmblemEmbedCheck")->isChecked(), carried);
    }

    // The design file's size with a carried picture: the lines as written
    // now, the picture's name line, and base64 lines of at most 76
    // characters each with their key.
    void designSizeWithCarriedPicture_data() {
        QTest::addColumn<int>("bytes");
        QTest::newRow("none") << 0;
        QTest::newRow("one byte") << 1;
        QTest::newRow("one full line") << 57;
        QTest::newRow("a line and a character") << 58;
    }
    void designSizeWithCarriedPicture() {
        QFETCH(int, bytes);
        const RoundSealParameters seal = defaultRoundSeal();
        const QByteArray data(bytes, '\x7f');
        // An empty copy is no copy: the file keeps no lines for it.
        QByteArray lines = bytes == 0 ? QByteArray() : QByteArray("EmblemName: crest.png\r\n");
        const QByteArray base64 = data.toBase64();
        for (qsizetype at = 0; at < base64.size(); at += 76)
            lines += "EmblemData: " + base64.mid(at, 76) + "\r\n";
        QCOMPARE(designSizeCarrying(seal, QStringLiteral("crest.png"), data),
                 io::writeRoundSeal(seal).size() + lines.size());
    }

    // The picture the emblem is drawn from is watched as the bitmap of old
    // is: rewritten, it is drawn anew at the next repaint.
    void rewrittenPictureIsMadeAnew() {
        const QString picture = file("rewritten.png");
        QVERIFY(QFile::copy(file("wide.png"), picture) || QFileInfo(picture).isFile());
        openRound(sealWithCrest());
        EmblemPanel& panel = emblemChosen();
        QVERIFY(panel.takeFile(picture));
        ProductionWindow& p = production();
        QVERIFY(!p.imprintPending());
        QImage other(40, 20, QImage::Format_RGB32);
        other.fill(Qt::black);
        QVERIFY(other.save(picture, "PNG"));
        main().RefreshItemClick();
        main().completePendingRepaint();
        QVERIFY(p.imprintPending());
        (void)p.imprint();
    }

    // The view draws the emblem as the picture it keeps only while the
    // emblem is drawn as of old; scaled, thresholded or from a picture of
    // another kind it draws the imprint's own ink of it.
    void viewKeepsThePictureOnlyAsOfOld_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("threshold");
        QTest::addColumn<QString>("other");
        QTest::addColumn<bool>("kept");
        QTest::newRow("as of old") << 0 << -1 << "" << true;
        QTest::newRow("scaled") << 60 << -1 << "" << false;
        QTest::newRow("thresholded") << 0 << 90 << "" << false;
        QTest::newRow("another picture") << 0 << -1 << "wide.png" << false;
    }
    void viewKeepsThePictureOnlyAsOfOld() {
        QFETCH(int, width);
        QFETCH(int, threshold);
        QFETCH(QString, other);
        QFETCH(bool, kept);
        StampDesigns designs;
        designs.round = sealWithCrest();
        designs.round.emblem.width = width;
        designs.round.emblem.threshold = threshold;
        if (!other.isEmpty())
            designs.round.emblem.file = m_dir.filePath(other);
        const output::Imprint imprint = output::makeImprint(designs, StampKind::Round);
        ViewInk::EmblemKeeper keeper;
        const std::shared_ptr<const ViewInk> ink = ViewInk::make(imprint, designs, StampKind::Round, keeper);
        QCOMPARE(!ink->emblem.isNull(), kept);
        // Whatever is not kept as a picture is drawn from the imprint's ink.
        if (!kept)
            QCOMPARE(ink->before.size(), imprint.ops.size());
    }
};

QTEST_MAIN(TestEmblemPanel)
#include "test_emblempanel.moc"
