#pragma once

// Driving the main window in tests: its controls, typing as a user types,
// the expected preview, the settings a test run keeps to itself.

#include "Render.h"
#include "ScriptedDialogs.h"
#include "Unit1.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

// Finds a control of the window by its name; fails the test when missing.
template <typename T = QWidget>
T* control(QWidget& window, const QString& name) {
    T* widget = window.findChild<T*>(name);
    if (!widget)
        qFatal("no control named %s", qPrintable(name));
    return widget;
}

// Types text into an edit as a user would, one key event a character
// (QTest::keyClicks cannot send Cyrillic).
inline void typeText(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// Replaces the text of an edit as a user would: select all, then type.
inline void retype(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Delete);
    else
        typeText(edit, text);
}

inline void click(QWidget& window, const QString& name) {
    QTest::mouseClick(control<QWidget>(window, name), Qt::LeftButton);
}

// The picture the painters make of the designs on a fresh canvas.
inline QImage expectedPicture(const qg::StampDesigns& designs, qg::ActivePage page) {
    qg::Canvas canvas;
    qg::ClearStamp(canvas, designs, page);
    qg::PaintStamp(canvas, designs, page);
    return canvas.image().copy();
}

// The program's settings (the folders its dialogs start in, the production
// window's) go to a folder of this test run's own, never to the user's,
// from the first call on.
inline void isolateSettings() {
    static QTemporaryDir folder;
    static bool done = false;
    if (done)
        return;
    done = true;
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, folder.filePath(QStringLiteral("settings")));
}

// Forgets whatever the program's settings hold.
inline void clearSettings() {
    isolateSettings();
    QSettings(QStringLiteral("Quillgraver"), QStringLiteral("Quillgraver")).clear();
}

// Stores the production window's width of the kinds ("round", "triangle",
// "rect"), as a user's last choice; its check takes less time the smaller
// the imprint.
inline void storeWidths(double widthMm, std::initializer_list<const char*> kinds = {"round", "triangle", "rect"}) {
    isolateSettings();
    QSettings store(QStringLiteral("Quillgraver"), QStringLiteral("Quillgraver"));
    for (const char* kind : kinds)
        store.setValue(QStringLiteral("export/%1/widthMm").arg(QLatin1String(kind)), widthMm);
}

// A shown main window whose dialogs answer from a script. Destroying it
// asks nothing, whatever the test left modified. Its settings are the test
// run's own. It opens the production window only when given what makes it,
// as the program gives it.
struct ScriptedWindow {
    ScriptedDialogs dialogs;
    TForm1 window{(isolateSettings(), dialogs)};
    explicit ScriptedWindow(qg::SessionWindowFactory production = {}) {
        window.setProductionWindowFactory(std::move(production));
        window.show();
    }
};
