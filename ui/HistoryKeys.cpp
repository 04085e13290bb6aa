#include "HistoryKeys.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>

namespace qg {

namespace {

// The given keys, and whatever else the platform binds to the command.
QList<QKeySequence> keysOf(QList<QKeySequence> keys, QKeySequence::StandardKey command) {
    for (const QKeySequence& platform : QKeySequence::keyBindings(command)) {
        if (!keys.contains(platform))
            keys.append(platform);
    }
    return keys;
}

}  // namespace

HistoryKeys::HistoryKeys(QWidget* window) : QObject(window) {
    m_undo = new QShortcut(window);
    m_undo->setKeys(keysOf({QKeySequence(Qt::CTRL | Qt::Key_Z)}, QKeySequence::Undo));
    m_redo = new QShortcut(window);
    m_redo->setKeys(keysOf({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
                           QKeySequence::Redo));
    for (QShortcut* shortcut : {m_undo, m_redo})
        shortcut->setContext(Qt::WindowShortcut);
    connect(m_undo, &QShortcut::activated, this, &HistoryKeys::undo);
    connect(m_redo, &QShortcut::activated, this, &HistoryKeys::redo);
}

void HistoryKeys::watch(const QList<QLineEdit*>& edits) {
    for (QLineEdit* edit : edits)
        edit->installEventFilter(this);
}

// A line edit claims Ctrl+Z and its kin for its own undo before the window's
// shortcuts see them: the claim is refused here, and a key press that still
// arrives does nothing, so the edit's own undo never runs past the history.
bool HistoryKeys::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress: {
            const auto* key = static_cast<const QKeyEvent*>(event);
            const QKeySequence pressed(
                QKeyCombination(key->modifiers() & ~Qt::KeypadModifier, static_cast<Qt::Key>(key->key())));
            if (m_undo->keys().contains(pressed) || m_redo->keys().contains(pressed)) {
                event->ignore();
                return true;
            }
            break;
        }
        case QEvent::FocusOut:
            emit typingEnded();
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace qg
