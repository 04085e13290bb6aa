#include "Unit1.h"

#include "Artwork.h"
#include "HistoryKeys.h"
#include "InfoPage.h"
#include "Preview.h"
#include "Render.h"
#include "StampPages.h"

#include <QCloseEvent>
#include <QDropEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>

using namespace qg;

namespace {

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, int left, int top) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(left, top, 75, 25);
    return button;
}

QFrame* makeVerticalLine(QWidget* parent, const char* name, const QRect& geometry) {
    auto* line = new QFrame(parent);
    line->setObjectName(QString::fromLatin1(name));
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(geometry);
    return line;
}

}  // namespace

// The window as the windows it opens see it.
class TForm1::Session : public DesignSession {
public:
    explicit Session(TForm1& form) : DesignSession(&form), m_form(form) {}
    const StampDesigns& designs() const override { return m_form.designs(); }
    ActivePage activePage() const override { return m_form.activePage(); }
    QString designFileName(StampKind kind) const override { return m_form.designFileName(kind); }
    void completePendingRepaint() override { m_form.completePendingRepaint(); }
    void undo() override { m_form.UndoItemClick(); }
    void redo() override { m_form.RedoItemClick(); }
    void applyEdit(StampKind kind, const StampDesigns& edited, const void* gesture) override {
        m_form.applyEdit(kind, edited, gesture);
    }
    void endGesture() override { m_form.m_history.endTyping(); }
    void makeCompanySeal() override { m_form.CompanySealItemClick(); }

private:
    TForm1& m_form;
};

TForm1::TForm1(Dialogs& dialogs, QWidget* parent) : QWidget(parent), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral(" Квиллгрейвер v.1.1"));
    setWindowIcon(programIcon());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(605, 402);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    // A zero timer runs once the window system's waiting events are done.
    m_repaintTimer = new QTimer(this);
    m_repaintTimer->setSingleShot(true);
    m_repaintTimer->setInterval(0);
    connect(m_repaintTimer, &QTimer::timeout, this, &TForm1::completePendingRepaint);

    m_session = new Session(*this);
    connect(this, &TForm1::previewPainted, m_session, &DesignSession::previewPainted);

    Pages = new QTabWidget(this);
    Pages->setObjectName(QStringLiteral("Pages"));
    Pages->setGeometry(0, 0, 401, 402);
    Pages->setDocumentMode(true);
    Page1 = new RoundSealPage(*this, m_designs.round, Pages);
    Page2 = new TriangleSealPage(*this, m_designs.triangle, Pages);
    Page3 = new RectStampPage(*this, m_designs.rect, Pages);
    Page4 = new InfoPage(Pages);
    Pages->addTab(Page1, QStringLiteral("Круглая"));
    Pages->addTab(Page2, QStringLiteral("Треугольная"));
    Pages->addTab(Page3, QStringLiteral("Штамп"));
    Pages->addTab(Page4, QStringLiteral("О программе"));
    Pages->setCurrentWidget(Page4);
    connect(Pages, &QTabWidget::currentChanged, this, [this] {
        if (m_activated)
            RefreshItemClick();
    });

    makeVerticalLine(this, "Bevel1", QRect(401, -1, 5, 403));

    auto* logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("Image1"));
    logo->setGeometry(436, 8, 150, 42);
    logo->setPixmap(logoPicture());

    auto* imagePanel = new QFrame(this);
    imagePanel->setObjectName(QStringLiteral("ImagePanel"));
    imagePanel->setFrameShape(QFrame::Panel);
    imagePanel->setFrameShadow(QFrame::Sunken);
    imagePanel->setGeometry(404, 60, 200, 200);
    Image = new Preview(imagePanel);
    Image->setObjectName(QStringLiteral("Image"));
    Image->setGeometry(1, 1, 198, 198);
    Image->setPicture(&m_canvas.image());
    connect(Image, &QWidget::customContextMenuRequested, this, &TForm1::showPopupMenu);
    connect(Image, &Preview::doubleClicked, this, &TForm1::ProductionItemClick);

    auto* buttonPanel = new QFrame(this);
    buttonPanel->setObjectName(QStringLiteral("ButtonPanel"));
    buttonPanel->setFrameShape(QFrame::Panel);
    buttonPanel->setFrameShadow(QFrame::Raised);
    buttonPanel->setGeometry(404, 280, 200, 105);
    makeVerticalLine(buttonPanel, "Bevel2", QRect(99, 2, 3, 101));
    // Each command button has its shortcut, shown in its tool tip; the
    // shortcut works wherever the focus is in the window.
    const auto addCommand = [this, buttonPanel](const char* name, const QString& caption, int left, int top,
                                               const QKeySequence& keys, void (TForm1::*handler)()) {
        QPushButton* button = makeButton(buttonPanel, name, caption, left, top);
        button->setToolTip(QStringLiteral("%1 (%2)").arg(caption, keys.toString(QKeySequence::NativeText)));
        connect(button, &QPushButton::clicked, this, handler);
        m_commandKeys.append(keys);
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setObjectName(QString::fromLatin1(name) + QStringLiteral("Shortcut"));
        connect(shortcut, &QShortcut::activated, this, handler);
    };
    addCommand("OpenButton", QStringLiteral("Открыть"), 14, 8, QKeySequence(Qt::CTRL | Qt::Key_O),
               &TForm1::OpenItemClick);
    addCommand("SaveQgrButton", QStringLiteral("Сохр. qgr"), 14, 40, QKeySequence(Qt::CTRL | Qt::Key_S),
               &TForm1::SaveItemClick);
    addCommand("SaveBmpButton", QStringLiteral("Сохр. bmp"), 14, 72, QKeySequence(Qt::CTRL | Qt::Key_B),
               &TForm1::SaveAsItemClick);
    addCommand("NewButton", QStringLiteral("Очистить"), 110, 8, QKeySequence(Qt::CTRL | Qt::Key_N),
               &TForm1::NewItemClick);
    addCommand("RefreshButton", QStringLiteral("Обновить"), 110, 40, QKeySequence(Qt::Key_F5),
               &TForm1::RefreshItemClick);
    addCommand("CloseButton", QStringLiteral("Закрыть"), 110, 72, QKeySequence(Qt::CTRL | Qt::Key_Q),
               &TForm1::ExitItemClick);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    const auto addItem = [this](const char* name, const QString& caption, void (TForm1::*handler)()) {
        QAction* action = PopupMenu1->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
    };
    addItem("NewItem", QStringLiteral("Новая"), &TForm1::NewItemClick);
    PopupMenu1->addSeparator();
    addItem("SaveQgrItem", QStringLiteral("Сохранить qgr"), &TForm1::SaveItemClick);
    addItem("VaveBmpItem", QStringLiteral("Сохранить bmp"), &TForm1::SaveAsItemClick);
    PopupMenu1->addSeparator();
    addItem("ColorItem", QStringLiteral("Цвет фона"), &TForm1::ColorItemClick);
    PopupMenu1->addSeparator();
    addItem("ProductionItem", QStringLiteral("Макет для изготовления"), &TForm1::ProductionItemClick);
    ProductionItem = PopupMenu1->actions().constLast();
    ProductionItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    m_commandKeys.append(ProductionItem->shortcut());
    ProductionItem->setShortcutContext(Qt::WindowShortcut);
    addAction(ProductionItem);  // the shortcut works without the menu
    addItem("CompanySealItem", QStringLiteral("Печать организации…"), &TForm1::CompanySealItemClick);

    auto* historyKeys = new HistoryKeys(this);
    historyKeys->watch(Pages->findChildren<QLineEdit*>());
    connect(historyKeys, &HistoryKeys::undo, this, &TForm1::UndoItemClick);
    connect(historyKeys, &HistoryKeys::redo, this, &TForm1::RedoItemClick);
    connect(historyKeys, &HistoryKeys::typingEnded, this, [this] { m_history.endTyping(); });

    // Files dropped anywhere on the window: every control passes them here
    // first, so that an edit does not take a file's name as text.
    setAcceptDrops(true);
    acceptDrops(this);
}

TForm1::~TForm1() = default;

DesignSession& TForm1::session() {
    return *m_session;
}

void TForm1::setProductionWindowFactory(SessionWindowFactory factory) {
    m_productionFactory = std::move(factory);
}

// ---- Start-up ----

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_activated)
        ActivateForm();
}

// Runs once, on the first showing of the window: every kind at its
// defaults, all flags clear, the round seal on the preview.
void TForm1::ActivateForm() {
    m_activated = true;
    for (TextLines* lines : {&m_designs.round.lines, &m_designs.triangle.lines, &m_designs.rect.lines})
        for (TextLineSettings& line : *lines)
            line.font = startupFont();
    ParametersPage1();
    ParametersPage2();
    ParametersPage3();
    setActivePage(ActivePage::Round);
    RefreshItemClick();
    completePendingRepaint();  // the window first shows with the seal drawn
}

void TForm1::ParametersPage1() {
    resetKeepingFonts(m_designs.round, defaultRoundSeal());
    Page1->syncFromRecord();
    setModified(StampKind::Round, false);
}

void TForm1::ParametersPage2() {
    resetKeepingFonts(m_designs.triangle, defaultTriangleSeal());
    Page2->syncFromRecord();
    setModified(StampKind::Triangle, false);
}

void TForm1::ParametersPage3() {
    resetKeepingFonts(m_designs.rect, defaultRectStamp());
    Page3->syncFromRecord();
    setModified(StampKind::Rect, false);
}

// ---- Pages and preview ----

ActivePage TForm1::activePage() const {
    return static_cast<ActivePage>(Pages->currentIndex());
}

// Selecting a page from code is not a page change: it repaints nothing.
void TForm1::setActivePage(ActivePage page) {
    const QSignalBlocker blocker(Pages);
    Pages->setCurrentIndex(static_cast<int>(page));
}

const QImage& TForm1::previewPicture() {
    completePendingRepaint();
    return m_canvas.image();
}

const Canvas& TForm1::previewCanvas() {
    completePendingRepaint();
    return m_canvas;
}

void TForm1::RefreshItemClick() {
    const ActivePage page = activePage();
    Image->setContextMenuPolicy(page == ActivePage::Info ? Qt::NoContextMenu : Qt::CustomContextMenu);
    ProductionItem->setEnabled(page != ActivePage::Info);
    requestRepaint(page);
}

// The request keeps a copy of the designs (their texts are shared, not
// copied), so that a value stored later without a repaint of its own, such
// as a radius below its threshold, is not drawn before its time.
void TForm1::requestRepaint(ActivePage page) {
    // A paint hands its drawing state on to the next: one that is left out
    // still moves the state on, without drawing.
    if (m_pendingPaint)
        AdvanceDrawingState(m_canvas, m_pendingPaint->designs, m_pendingPaint->page);
    m_pendingPaint = PaintRequest{m_designs, page};
    m_repaintTimer->start();
}

void TForm1::completePendingRepaint() {
    if (!m_pendingPaint)
        return;
    m_repaintTimer->stop();
    const PaintRequest request = std::move(*m_pendingPaint);
    m_pendingPaint.reset();
    ClearStamp(m_canvas, request.designs, request.page);
    PaintStamp(m_canvas, request.designs, request.page);
    m_canvas.finish();
    Image->update();
    emit previewPainted();
}

void TForm1::showPopupMenu(const QPoint& position) {
    PopupMenu1->popup(Image->mapToGlobal(position));
}

// Whatever sets the flag changed the design, and whatever clears it leaves
// the design as it was last saved, read or reset: the history takes both.
void TForm1::setModified(StampKind kind, bool modified) {
    m_modified[static_cast<std::size_t>(kind)] = modified;
    if (modified)
        m_history.record(kind, true);
    else
        m_history.markClean(kind);
}

void TForm1::fieldEdited(StampKind kind, bool counts, const QObject* typedIn) {
    m_history.record(kind, counts, typedIn);
}

void TForm1::UndoItemClick() {
    stepHistory(false);
}

void TForm1::RedoItemClick() {
    stepHistory(true);
}

// The restored record is shown without its controls raising any handler,
// and repainted once, as an edit is.
void TForm1::stepHistory(bool forward) {
    const ActivePage page = activePage();
    if (page == ActivePage::Info)
        return;
    const auto kind = static_cast<StampKind>(page);
    const QString emblem = m_designs.round.emblem.path;
    if (!(forward ? m_history.redo(kind) : m_history.undo(kind)))
        return;
    StampPageEditor* const editors[] = {Page1, Page2, Page3};
    editors[static_cast<int>(kind)]->syncFromRecord();
    // The emblem label outlives a reset; it follows only a path that changed.
    if (m_designs.round.emblem.path != emblem)
        Page1->showEmblemFileName(m_designs.round.emblem.path);
    m_modified[static_cast<std::size_t>(kind)] = m_history.isModified(kind);
    RefreshItemClick();
}

void TForm1::applyEdit(StampKind kind, const StampDesigns& edited, const void* gesture) {
    const QString emblem = m_designs.round.emblem.path;
    switch (kind) {
        case StampKind::Round:
            if (m_designs.round == edited.round)
                return;
            m_designs.round = edited.round;
            break;
        case StampKind::Triangle:
            if (m_designs.triangle == edited.triangle)
                return;
            m_designs.triangle = edited.triangle;
            break;
        case StampKind::Rect:
            if (m_designs.rect == edited.rect)
                return;
            m_designs.rect = edited.rect;
            break;
    }
    StampPageEditor* const editors[] = {Page1, Page2, Page3};
    editors[static_cast<int>(kind)]->syncFromRecord();
    if (m_designs.round.emblem.path != emblem)
        Page1->showEmblemFileName(m_designs.round.emblem.path);
    m_modified[static_cast<std::size_t>(kind)] = true;
    m_history.record(kind, true, gesture);
    RefreshItemClick();
}

void TForm1::settingChanged(StampKind kind) {
    setModified(kind, true);
    RefreshItemClick();
}

void TForm1::repaintPreview() {
    RefreshItemClick();
}

std::optional<TColor> TForm1::chooseColour(std::optional<TColor> preset) {
    if (preset)
        m_colourDialogColour = *preset;
    const std::optional<TColor> chosen = m_dialogs.chooseColour(m_colourDialogColour);
    if (chosen)
        m_colourDialogColour = *chosen;
    return chosen;
}

void TForm1::ColorItemClick() {
    const std::optional<TColor> chosen = chooseColour(std::nullopt);
    if (!chosen)
        return;
    switch (activePage()) {
        case ActivePage::Round:
            m_designs.round.background = *chosen;
            setModified(StampKind::Round, true);
            break;
        case ActivePage::Triangle:
            m_designs.triangle.background = *chosen;
            setModified(StampKind::Triangle, true);
            break;
        case ActivePage::Rect:
            m_designs.rect.background = *chosen;
            setModified(StampKind::Rect, true);
            break;
        case ActivePage::Info:
            break;
    }
    RefreshItemClick();
}

// ---- Keys and drops ----

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::ShortcutOverride) {
        // A text edit claims some keys for itself on some desktops (Ctrl+E
        // moves to the end of the line): the window's commands come first.
        const auto* key = static_cast<const QKeyEvent*>(event);
        const QKeySequence pressed(
            QKeyCombination(key->modifiers() & ~Qt::KeypadModifier, static_cast<Qt::Key>(key->key())));
        if (m_commandKeys.contains(pressed)) {
            event->ignore();
            return true;
        }
    } else if (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop) {
        if (takeDrop(watched, static_cast<QDropEvent*>(event)))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ---- Reset and close ----

void TForm1::resetKind(StampKind kind) {
    m_fileNames[static_cast<std::size_t>(kind)].clear();
    switch (kind) {
        case StampKind::Round:
            ParametersPage1();
            break;
        case StampKind::Triangle:
            ParametersPage2();
            break;
        case StampKind::Rect:
            ParametersPage3();
            break;
    }
}

void TForm1::NewItemClick() {
    const ActivePage page = activePage();
    if (page == ActivePage::Info)
        return;
    const auto kind = static_cast<StampKind>(page);
    if (!isModified(kind) || !settleUnsavedChanges(kind))
        return;
    resetKind(kind);
    RefreshItemClick();
}

void TForm1::ProductionItemClick() {
    if (activePage() == ActivePage::Info)
        return;
    completePendingRepaint();
    if (!ensureProductionWindow())
        return;
    if (m_production->isMinimized())
        m_production->showNormal();
    else
        m_production->show();
    m_production->raise();
    m_production->activateWindow();
}

// The assistant's seal replaces the round seal's design as one step of its
// history, which brings the earlier design back; changes not saved yet are
// replaced only when the user agrees. The round seal's page is shown.
void TForm1::CompanySealItemClick() {
    const std::optional<CompanySealChoice> choice = m_dialogs.companySeal(m_company);
    if (!choice)
        return;
    m_company = choice->details;
    if (isModified(StampKind::Round) &&
        m_dialogs.confirm(QStringLiteral("Заменить изменения круглой печати печатью организации ?")) != Answer::Yes)
        return;
    StampDesigns edited = m_designs;
    edited.round = choice->seal;
    setActivePage(ActivePage::Round);
    applyEdit(StampKind::Round, edited, nullptr);
    // The design is a new one: the file it came from is not its file.
    m_fileNames[static_cast<std::size_t>(StampKind::Round)].clear();
    RefreshItemClick();
    // The production window takes the diameter as its width, even when it
    // is shown only later.
    ensureProductionWindow();
    emit m_session->roundSealDiameterChosen(choice->details.sizeMm);
}

bool TForm1::ensureProductionWindow() {
    if (!m_production && m_productionFactory)
        m_production = m_productionFactory(*m_session, m_dialogs, this);
    return m_production != nullptr;
}

void TForm1::ExitItemClick() {
    close();
}

// Every way of closing the window comes here. With unsaved changes the
// user is asked; "Да" saves every modified kind, and the window stays open
// unless all of them were saved.
void TForm1::closeEvent(QCloseEvent* event) {
    const bool anyModified = std::any_of(m_modified.begin(), m_modified.end(), [](bool m) { return m; });
    if (!anyModified) {
        event->accept();
        return;
    }
    switch (m_dialogs.confirm(QStringLiteral("Сохранить изменения печатей ?"))) {
        case Answer::Cancel:
            event->ignore();
            return;
        case Answer::No:
            event->accept();
            return;
        case Answer::Yes:
            break;
    }
    for (int k = 0; k < kKindCount; ++k) {
        const auto kind = static_cast<StampKind>(k);
        if (isModified(kind) && !saveKind(kind)) {
            event->ignore();
            return;
        }
    }
    event->accept();
}
