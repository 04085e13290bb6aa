#pragma once

#include "Export.h"
#include "Ink.h"

#include <QPointF>
#include <QRectF>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

namespace qg {

// The imprint as it will come out, drawn from its outlines at the screen's
// own resolution: the page with its margin on a grey ground, the imprint's
// box, rulers in millimetres along the top and the left. The zoom is told
// against the true size on this screen: 1 shows a millimetre as a
// millimetre.
class ImprintView : public QWidget {
    Q_OBJECT
public:
    static constexpr double kMaxZoom = 16;
    static constexpr double kMinZoom = 0.1;
    // Room the rulers take, in pixels.
    static constexpr int kRuler = 22;

    explicit ImprintView(QWidget* parent = nullptr);

    // A new imprint: its outlines are worked out once and kept for every
    // paint until the next one. The marks stay until new ones come.
    void setImprint(std::shared_ptr<const output::Imprint> imprint);
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

signals:
    void zoomChanged();

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

    std::shared_ptr<const output::Imprint> m_imprint;
    std::vector<InkShape> m_shapes;
    output::Settings m_settings;
    std::vector<QRectF> m_marks;
    int m_currentMark = -1;

    bool m_fit = true;
    double m_zoom = 1;
    QPointF m_centre;  // the page point at the middle of the drawing area, in mm
    bool m_dragging = false;
    QPointF m_dragFrom;
};

}  // namespace qg
