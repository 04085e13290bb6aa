#pragma once

// The main window as the windows it opens see it: the designs being edited,
// the page shown, their files, their history, and a signal at every repaint.

#include "Parameters.h"

#include <QObject>
#include <QString>
#include <QWidget>

#include <functional>

namespace qg {

class Dialogs;

class DesignSession : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The three designs as they now stand.
    virtual const StampDesigns& designs() const = 0;
    virtual ActivePage activePage() const = 0;
    // The file the kind's design was last opened from or saved to; empty
    // for a design that has none.
    virtual QString designFileName(StampKind kind) const = 0;
    // Draws the preview now if a repaint is pending, which brings
    // previewPainted() about.
    virtual void completePendingRepaint() = 0;
    // A step back or forward in the history of the active page's kind.
    virtual void undo() = 0;
    virtual void redo() = 0;
    // Puts the kind's design of `edited` in place of the one being edited,
    // as an edit in the main window is: a step of the kind's history, the
    // kind marked modified, its page's controls and the preview following.
    // Edits that carry the same `gesture` (the moves of one drag) make one
    // step until endGesture(); a null one is a step of its own.
    virtual void applyEdit(StampKind kind, const StampDesigns& edited, const void* gesture) = 0;
    // The gesture is over: the next edit is a new step.
    virtual void endGesture() = 0;
    // "Печать организации…": the assistant, whose seal replaces the round
    // seal's design.
    virtual void makeCompanySeal() = 0;

signals:
    // The preview was drawn anew: a design, or the page shown, has changed.
    void previewPainted();
    // The round seal's design was made for this diameter, across its
    // outermost ring.
    void roundSealDiameterChosen(int diameterMm);
};

// Makes a window on a session, with the dialogs it shows its questions
// through, as a child window of `parent`.
using SessionWindowFactory =
    std::function<QWidget*(DesignSession& session, Dialogs& dialogs, QWidget* parent)>;

}  // namespace qg
