#pragma once

// The undo and redo keys of a window, which both windows share: they step
// through the designs' history wherever the focus is.

#include <QList>
#include <QObject>

class QLineEdit;
class QShortcut;
class QWidget;

namespace qg {

// The keys of the history in a window: Ctrl+Z steps back, Ctrl+Shift+Z and
// Ctrl+Y forward (with the platform's own undo and redo keys), wherever the
// focus is. The watched line edits keep none of these keys for their own
// undo, and tell when typing in them ends.
class HistoryKeys : public QObject {
    Q_OBJECT
public:
    explicit HistoryKeys(QWidget* window);
    void watch(const QList<QLineEdit*>& edits);

signals:
    void undo();
    void redo();
    void typingEnded();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QShortcut* m_undo = nullptr;
    QShortcut* m_redo = nullptr;
};

}  // namespace qg
