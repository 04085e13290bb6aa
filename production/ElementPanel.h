#pragma once

// The production window's panel for one element of the design: the list to
// choose it from, and the settings of a ring text's layout or of the
// emblem, each change of which goes to the main window as one step of the
// kind's history.

#include "DesignSession.h"
#include "Dialogs.h"
#include "Parameters.h"
#include "Surface.h"

#include <QGroupBox>
#include <QPointF>

#include <functional>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;

namespace qg {

class EmblemPanel;

// "Элемент": the chosen element of the shown kind. For a ring text of the
// round seal it edits the text's layout (spacing, arc, tracking, reading
// direction, fitting) and tells the size the text is drawn with; for the
// emblem, its picture, width, threshold and copy in the design file. A
// picture dropped on the panel becomes the round seal's emblem.
class ElementPanel : public QGroupBox {
    Q_OBJECT
public:
    ElementPanel(DesignSession& session, Dialogs& dialogs, QWidget* parent = nullptr);

    // Shows the kind's design as the session now holds it: its elements in
    // the list, the chosen one's settings. The choice stays while the
    // element is still there.
    void showDesign(StampKind kind);
    StampKind kind() const { return m_kind; }
    // The chosen element (kind None: none).
    ElementTag selected() const { return m_selected; }
    // Chooses an element of the kind; one that is not in the list chooses none.
    void select(ElementTag element);
    // Placing the chosen element by hand: dragged from `from` to `to`
    // (preview units, from where the drag began), the angle snapped unless
    // `snap` is false; the main window follows every move, and the whole
    // drag is one step of the history once it is dropped.
    void dragSelected(QPointF from, QPointF to, bool snap);
    void dropSelected();
    // Moved by whole pixels, or a ring text turned by degrees: one step.
    void nudgeSelected(int dx, int dy);

    // The emblem's settings, shown while the emblem is chosen.
    EmblemPanel* emblemPanel() const { return m_emblem; }

    // The elements of a kind's design that are drawn, in the list's order.
    static std::vector<ElementTag> elementsOf(const StampDesigns& designs, StampKind kind);

signals:
    // Another element (or none) was chosen, from the list or by select().
    void selectionChanged(ElementTag element);

private:
    void listChosen(int row);
    void showSelected();
    void editRingLayout(const std::function<void(RingTextLayout&)>& change);
    // The ring text chosen, 0..2; none when the element is another.
    std::optional<std::size_t> ringText() const;

    DesignSession& m_session;
    StampKind m_kind = StampKind::Round;
    std::vector<ElementTag> m_elements;  // the list's rows after the first ("не выбран")
    ElementTag m_selected;

    // The size in use worked out last, for the line and layout it was for.
    struct Fitted {
        TextLineSettings line;
        RingTextLayout layout;
        double points = 0;
    };
    std::optional<Fitted> m_fitted;
    // The design as a drag found it.
    std::optional<StampDesigns> m_dragStart;

    QComboBox* m_list = nullptr;
    QWidget* m_ring = nullptr;
    QComboBox* m_spacing = nullptr;
    QDoubleSpinBox* m_span = nullptr;
    QDoubleSpinBox* m_tracking = nullptr;
    QCheckBox* m_reverse = nullptr;
    QCheckBox* m_fit = nullptr;
    QLabel* m_size = nullptr;
    QLabel* m_hint = nullptr;
    EmblemPanel* m_emblem = nullptr;
};

}  // namespace qg
