#pragma once

#include "Render.h"
#include "ScriptedDialogs.h"
#include "Unit1.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
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

// A shown main window whose dialogs answer from a script. Destroying it
// asks nothing, whatever the test left modified.
struct ScriptedWindow {
    ScriptedDialogs dialogs;
    TForm1 window{dialogs};
    ScriptedWindow() { window.show(); }
};
