#pragma once

// The production window's view of the imprint at its true size, zoomed
// and scrolled, with the places of the check's findings marked.

#include "Emblem.h"
#include "Export.h"
#include "Ink.h"

#include <QFutureWatcher>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QTransform>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

namespace qg {

// What the view draws an imprint from: its ink with paths of its own (no
// other thread draws them), the emblem's ink as a picture rather than as
// the many pieces of its outline.
struct ViewInk {
    std::vector<InkOp> before;  // the ops drawn before the emblem
    std::vector<InkOp> after;   // and those after it
    QImage emblem;              // one bit a pixel: 1 where the emblem has ink
    QPointF emblemAt;           // its top left corner, in preview units
    QRectF emblemClip;          // what the imprint keeps of it
    QColor emblemColour;        // its ink's colour in the design

    // The emblem pictures read for the last one made, for the next: an
    // emblem file is read and its ink found once while it stays the same.
    // One thread at a time may use it.
    struct EmblemKeeper {
        EmblemCache pictures;
        qint64 picture = 0;  // the cache key of the picture the mask was found in
        QImage mask;
    };

    // Made on a worker: the ops of the imprint, with the emblem's ink taken
    // out when it can be drawn as the design's emblem picture.
    static std::shared_ptr<const ViewInk> make(const output::Imprint& imprint, const StampDesigns& designs,
                                               StampKind kind, EmblemKeeper& keeper);
};

// The imprint as it will come out, drawn from its outlines at the screen's
// own resolution: the page with its margin on a grey ground, the imprint's
// box, rulers in millimetres along the top and the left. The zoom is told
// against the true size on this screen: 1 shows a millimetre as a
// millimetre.
//
// The ink is drawn on a worker thread into a picture of the visible part;
// until the picture for the present zoom and place is ready, the last one
// stands in for it, scaled and moved.
class ImprintView : public QWidget {
    Q_OBJECT
public:
    static constexpr double kMaxZoom = 16;
    static constexpr double kMinZoom = 0.1;
    // Room the rulers take, in pixels.
    static constexpr int kRuler = 22;

    explicit ImprintView(QWidget* parent = nullptr);
    ~ImprintView() override;

    // A new imprint with the view's own ink of it. The marks stay until new
    // ones come.
    void setImprint(std::shared_ptr<const output::Imprint> imprint, std::shared_ptr<const ViewInk> ink);
    // Width, margin, colours, mirror and negative: only a repaint.
    void setSettings(const output::Settings& settings);
    const output::Settings& settings() const { return m_settings; }

    // Places that may be marked, in preview units (a null one never is).
    void setMarks(std::vector<QRectF> places);
    // The mark drawn and brought into view (-1: none).
    void setCurrentMark(int index);
    const std::vector<QRectF>& marks() const { return m_marks; }
    int currentMark() const { return m_currentMark; }

    bool fitsWindow() const { return m_fit; }
    double zoom() const { return m_zoom; }
    // Screen pixels (device independent) per millimetre at the true size.
    double trueSizePixelsPerMm() const;
    // Screen pixels per millimetre as drawn now.
    double pixelsPerMm() const { return m_zoom * trueSizePixelsPerMm(); }
    // Maps the page's millimetres onto the widget.
    QTransform pageToWidget() const;
    // Where the rulers leave room for the drawing.
    QRect drawingArea() const;

    void zoomToFit();
    void zoomTrueSize();
    void zoomIn();
    void zoomOut();
    // Zooms keeping the page point under `anchor` (widget pixels) in place.
    void setZoom(double zoom, std::optional<QPointF> anchor = std::nullopt);

    // The element whose ink lies under a point of the widget, within a few
    // pixels; the one drawn last where several do (kind None: none).
    ElementTag elementAt(QPointF point) const;
    // The element outlined as chosen (kind None: none), and whether it can
    // be placed by hand: dragged, and moved or turned by the arrow keys.
    void setSelection(ElementTag element, bool placeable = false);
    ElementTag selection() const { return m_selection; }
    // The box of the chosen element's ink, in preview units; null when it
    // has none.
    QRectF selectionBounds() const;

    // Whether the picture shown is drawn for the present imprint, settings,
    // zoom and place (else one is being drawn).
    bool pictureReady() const;

signals:
    void zoomChanged();
    // A click chose the element under the mouse, or none on empty paper.
    void elementPicked(ElementTag element);
    // The chosen element is being dragged: from where it was taken to where
    // the mouse is now, in preview units; then let go.
    void elementDragged(QPointF from, QPointF to, Qt::KeyboardModifiers modifiers);
    void elementDropped();
    // An arrow key with a placeable element chosen: a step right (+1, 0),
    // left, down (0, +1) or up.
    void elementNudged(int dx, int dy);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QSizeF pageSize() const;
    double fitZoom() const;
    bool pannable() const;
    void clampCentre();
    void panBy(QPointF pixels);
    void updateCursor();
    void paintRulers(QPainter& painter, const QTransform& toWidget) const;

    // What one picture of the ink is drawn for.
    struct Frame {
        std::shared_ptr<const ViewInk> ink;
        QTransform unitsToDevice;  // preview units to the picture's pixels
        QRectF page;               // the page, in the picture's pixels
        QRectF box;                // the imprint's box, likewise
        QSize size;                // of the picture, in device pixels
        double ratio = 1;          // device pixels per widget pixel
        QPointF origin;            // where the picture's top left lies in the widget
        bool colour = false;
        bool negative = false;
        bool operator==(const Frame&) const = default;
    };
    struct Picture {
        Frame frame;
        QImage image;
    };
    // The picture the view wants now; none without ink.
    std::optional<Frame> wantedFrame() const;
    // Asks for the wanted picture unless it is shown or being drawn.
    void requestPicture();
    void pictureDrawn();
    static QImage drawPicture(const Frame& frame);

    std::shared_ptr<const output::Imprint> m_imprint;
    std::shared_ptr<const ViewInk> m_ink;
    output::Settings m_settings;
    Picture m_picture;               // the last picture drawn
    std::optional<Frame> m_drawing;  // the picture being drawn
    QFutureWatcher<Picture> m_watcher;
    std::vector<QRectF> m_marks;
    int m_currentMark = -1;

    bool m_fit = true;
    double m_zoom = 1;
    QPointF m_centre;  // the page point at the middle of the drawing area, in mm
    bool m_dragging = false;
    QPointF m_dragFrom;
    // A press of the left button off the ink, which chooses nothing when it
    // is let go where it was.
    std::optional<QPointF> m_pressedOff;
    ElementTag m_selection;
    bool m_placeable = false;
    // A press on the chosen element, which drags it once the mouse moves.
    struct ElementDrag {
        QPointF pressedAt;   // widget pixels
        QTransform toUnits;  // widget pixels to preview units, as at the press
        QPointF from;        // preview units
        bool moving = false;
    };
    std::optional<ElementDrag> m_elementDrag;
};

}  // namespace qg
