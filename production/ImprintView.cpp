#include "ImprintView.h"

#include "Colour.h"

#include <QKeyEvent>
#include <QLineF>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWheelEvent>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <array>
#include <cmath>

namespace qg {

namespace {

constexpr double kMmPerInch = 25.4;
// The zoom steps of the buttons and keys, against the true size.
constexpr std::array<double, 14> kSteps = {0.1, 0.25, 0.5, 0.75, 1, 1.5, 2, 3, 4, 6, 8, 10, 12, 16};
// Room left round the page when it is fitted, in pixels.
constexpr int kFitRoom = 12;

const QColor kGround(0x8a, 0x8d, 0x91);
const QColor kRulerGround(0xee, 0xee, 0xee);
const QColor kBoxLine(0x1e, 0x6f, 0xd9);
const QColor kCurrentMark(0xd0, 0x10, 0x10);

const QColor kSelection(0x1e, 0x6f, 0xd9);
// How far from the ink a click still hits it, in widget pixels.
constexpr double kHitRoom = 3;
// How far a press may move and still be a click, in widget pixels.
constexpr double kClickRoom = 4;

// The distance from `p` to the segment from `a` to `b`.
double distanceToSegment(QPointF p, QPointF a, QPointF b) {
    const QPointF ab = b - a;
    const double length2 = QPointF::dotProduct(ab, ab);
    const double t = length2 > 0 ? std::clamp(QPointF::dotProduct(p - a, ab) / length2, 0.0, 1.0) : 0.0;
    const QPointF d = p - (a + t * ab);
    return std::hypot(d.x(), d.y());
}

// Whether the op's ink comes within `room` of `p` (preview units).
bool inkNear(const InkOp& op, QPointF p, double room) {
    if (!op.bounds().adjusted(-room, -room, room, room).contains(p))
        return false;
    if (!op.stroked)
        return op.path.intersects(QRectF(p.x() - room, p.y() - room, 2 * room, 2 * room));
    const double reach = op.width / 2 + room;
    if (op.circle) {
        const QPointF centre = op.path.controlPointRect().center();
        return std::abs(std::hypot(p.x() - centre.x(), p.y() - centre.y()) - op.radius) <= reach;
    }
    // A stroked line is straight pieces from point to point.
    for (int i = 1; i < op.path.elementCount(); ++i) {
        const QPainterPath::Element from = op.path.elementAt(i - 1);
        const QPainterPath::Element to = op.path.elementAt(i);
        if (to.isLineTo() && distanceToSegment(p, from, to) <= reach)
            return true;
    }
    return op.path.elementCount() == 1 &&
           distanceToSegment(p, op.path.elementAt(0), op.path.elementAt(0)) <= reach;
}

// Pixels of one picture of the ink beyond which the emblem is thinned out
// before it is drawn, as a factor of the picture's own pixels.
constexpr qint64 kEmblemThinning = 4;

// The emblem's pixels that hold ink, one bit each.
QImage inkMask(const QImage& picture, TColor background) {
    const QImage source = picture.convertToFormat(QImage::Format_RGB32);
    const QRgb paper = colourToArgb(background) | 0xFF000000u;
    QImage mask(source.size(), QImage::Format_Mono);
    if (mask.isNull())
        return mask;
    mask.setColorTable({qRgba(0, 0, 0, 0), qRgb(0, 0, 0)});
    mask.fill(0);
    for (int y = 0; y < source.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        uchar* bits = mask.scanLine(y);
        for (int x = 0; x < source.width(); ++x) {
            if ((line[x] | 0xFF000000u) != paper)
                bits[x >> 3] |= static_cast<uchar>(0x80 >> (x & 7));
        }
    }
    return mask;
}

}  // namespace

std::shared_ptr<const ViewInk> ViewInk::make(const output::Imprint& imprint, const StampDesigns& designs,
                                             StampKind kind, EmblemKeeper& keeper) {
    auto ink = std::make_shared<ViewInk>();
    const std::vector<InkOp>& ops = imprint.ops;
    const auto isEmblem = [](const InkOp& op) { return op.element.kind == ElementKind::Emblem; };
    const auto isEmblemInk = [&](const InkOp& op) { return isEmblem(op) && !op.paper; };
    const auto first = std::find_if(ops.begin(), ops.end(), isEmblemInk);
    const auto last = std::find_if(first, ops.end(), [&](const InkOp& op) { return !isEmblemInk(op); });
    const bool oneRun = std::none_of(last, ops.end(), isEmblemInk);
    const bool oneColour = std::all_of(
        first, last, [&](const InkOp& op) { return colourToArgb(op.color) == colourToArgb(first->color); });
    const EmblemSettings& emblem = designs.round.emblem;
    // Only a bitmap drawn a pixel to a preview pixel is the picture loaded here.
    const bool bitmapAsIs =
        emblem.file.isEmpty() && !isEmblemWidth(emblem.width) && !isEmblemThreshold(emblem.threshold);
    if (kind == StampKind::Round && first != last && oneRun && oneColour && bitmapAsIs) {
        const QImage picture = keeper.pictures.load(emblem.path, designs.round.background);
        if (picture.cacheKey() != keeper.picture || keeper.mask.isNull()) {
            keeper.picture = picture.cacheKey();
            keeper.mask = inkMask(picture, designs.round.background);
        }
        ink->emblem = keeper.mask;
    }
    if (ink->emblem.isNull()) {
        ink->before = detachedOps(ops);
        return ink;
    }
    ink->emblemAt = QPointF(emblem.x, emblem.y);
    ink->emblemColour = QColor::fromRgb(colourToArgb(first->color));
    for (const InkOp& op : ops) {
        if (isEmblem(op))
            ink->emblemClip = ink->emblemClip.isNull() ? op.bounds() : ink->emblemClip.united(op.bounds());
    }
    ink->before = detachedOps(std::vector<InkOp>(ops.begin(), first));
    ink->after = detachedOps(std::vector<InkOp>(last, ops.end()));
    return ink;
}

ImprintView::ImprintView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(240, 200);
    connect(&m_watcher, &QFutureWatcher<Picture>::finished, this, &ImprintView::pictureDrawn);
}

ImprintView::~ImprintView() {
    m_watcher.disconnect();
    m_watcher.waitForFinished();
}

void ImprintView::setImprint(std::shared_ptr<const output::Imprint> imprint,
                             std::shared_ptr<const ViewInk> ink) {
    m_imprint = std::move(imprint);
    m_ink = std::move(ink);
    if (m_fit) {
        m_zoom = fitZoom();
        emit zoomChanged();
    }
    clampCentre();
    updateCursor();
    update();
}

void ImprintView::setSettings(const output::Settings& settings) {
    const QSizeF before = pageSize();
    m_settings = settings;
    if (m_fit) {
        m_zoom = fitZoom();
    } else if (before.width() > 0 && before.height() > 0) {
        // The same part of the imprint stays in view.
        const QSizeF after = pageSize();
        m_centre = QPointF(m_centre.x() * after.width() / before.width(),
                           m_centre.y() * after.height() / before.height());
    }
    clampCentre();
    updateCursor();
    emit zoomChanged();
    update();
}

void ImprintView::setMarks(std::vector<QRectF> places) {
    m_marks = std::move(places);
    m_currentMark = -1;
    update();
}

void ImprintView::setCurrentMark(int index) {
    m_currentMark = index >= 0 && index < static_cast<int>(m_marks.size()) ? index : -1;
    if (m_currentMark >= 0 && m_marks[static_cast<std::size_t>(m_currentMark)].isNull())
        m_currentMark = -1;
    if (m_currentMark >= 0 && m_imprint) {
        // The mark is brought into view when it is out of it.
        const QRectF onPage = output::pageTransform(*m_imprint, m_settings)
                                  .mapRect(m_marks[static_cast<std::size_t>(m_currentMark)]);
        const QRectF inView = pageToWidget().mapRect(onPage);
        if (!drawingArea().contains(inView.toAlignedRect())) {
            m_centre = onPage.center();
            clampCentre();
        }
    }
    update();
}

ElementTag ImprintView::elementAt(QPointF point) const {
    if (!m_imprint || pageSize().isEmpty())
        return {};
    const QTransform unitsToWidget = output::pageTransform(*m_imprint, m_settings) * pageToWidget();
    bool invertible = false;
    const QTransform toUnits = unitsToWidget.inverted(&invertible);
    if (!invertible)
        return {};
    const QPointF at = toUnits.map(point);
    const double scale = std::sqrt(std::abs(unitsToWidget.determinant()));
    const double room = kHitRoom / std::max(scale, 1e-9);
    const std::vector<InkOp>& ops = m_imprint->ops;
    for (auto op = ops.rbegin(); op != ops.rend(); ++op) {
        if (!op->paper && op->element.kind != ElementKind::None && inkNear(*op, at, room))
            return op->element;
    }
    return {};
}

void ImprintView::setSelection(ElementTag element, bool placeable) {
    m_placeable = placeable && element.kind != ElementKind::None;
    if (element == m_selection)
        return;
    m_selection = element;
    update();
}

QRectF ImprintView::selectionBounds() const {
    QRectF box;
    if (!m_imprint || m_selection.kind == ElementKind::None)
        return box;
    for (const InkOp& op : m_imprint->ops) {
        if (op.element == m_selection && !op.paper)
            box = box.isNull() ? op.bounds() : box.united(op.bounds());
    }
    return box;
}

QSizeF ImprintView::pageSize() const {
    return m_imprint && !m_imprint->empty() ? output::pageSizeMm(*m_imprint, m_settings) : QSizeF();
}

double ImprintView::trueSizePixelsPerMm() const {
    const QScreen* shownOn = screen();
    double dpi = shownOn ? shownOn->physicalDotsPerInch() : 0;
    if (!(dpi > 1) || !std::isfinite(dpi))
        dpi = shownOn ? shownOn->logicalDotsPerInch() : 96;
    return dpi / kMmPerInch;
}

QRect ImprintView::drawingArea() const {
    return rect().adjusted(kRuler, kRuler, 0, 0);
}

double ImprintView::fitZoom() const {
    const QSizeF page = pageSize();
    const QRect area = drawingArea().adjusted(kFitRoom, kFitRoom, -kFitRoom, -kFitRoom);
    if (page.isEmpty() || area.width() <= 0 || area.height() <= 0)
        return 1;
    const double perMm = std::min(area.width() / page.width(), area.height() / page.height());
    return std::clamp(perMm / trueSizePixelsPerMm(), kMinZoom, kMaxZoom);
}

QTransform ImprintView::pageToWidget() const {
    const QRectF area = drawingArea();
    const double k = pixelsPerMm();
    return QTransform(k, 0, 0, k, area.center().x() - m_centre.x() * k, area.center().y() - m_centre.y() * k);
}

// Along each side the page is centred when it fits, else kept covering
// the whole drawing area.
void ImprintView::clampCentre() {
    const QSizeF page = pageSize();
    const QRectF area = drawingArea();
    const double k = pixelsPerMm();
    const auto clampAxis = [k](double centre, double pageLength, double areaLength) {
        const double half = areaLength / 2 / k;
        if (pageLength <= 2 * half)
            return pageLength / 2;
        return std::clamp(centre, half, pageLength - half);
    };
    m_centre = QPointF(clampAxis(m_centre.x(), page.width(), area.width()),
                       clampAxis(m_centre.y(), page.height(), area.height()));
}

bool ImprintView::pannable() const {
    const QSizeF page = pageSize();
    const QRectF area = drawingArea();
    const double k = pixelsPerMm();
    return page.width() * k > area.width() + 0.5 || page.height() * k > area.height() + 0.5;
}

void ImprintView::updateCursor() {
    if (pannable())
        setCursor(m_dragging ? Qt::ClosedHandCursor : Qt::OpenHandCursor);
    else
        unsetCursor();
}

void ImprintView::zoomToFit() {
    m_fit = true;
    m_zoom = fitZoom();
    clampCentre();
    updateCursor();
    emit zoomChanged();
    update();
}

void ImprintView::zoomTrueSize() {
    setZoom(1);
}

void ImprintView::zoomIn() {
    const auto next =
        std::find_if(kSteps.begin(), kSteps.end(), [this](double step) { return step > m_zoom * 1.001; });
    setZoom(next == kSteps.end() ? kMaxZoom : *next);
}

void ImprintView::zoomOut() {
    const auto previous =
        std::find_if(kSteps.rbegin(), kSteps.rend(), [this](double step) { return step < m_zoom / 1.001; });
    setZoom(previous == kSteps.rend() ? kMinZoom : *previous);
}

void ImprintView::setZoom(double zoom, std::optional<QPointF> anchor) {
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    const QPointF at = anchor.value_or(QRectF(drawingArea()).center());
    const QPointF pagePoint = pageToWidget().inverted().map(at);
    m_fit = false;
    m_zoom = zoom;
    // The page point under the anchor stays there.
    const QPointF offset = (at - QRectF(drawingArea()).center()) / pixelsPerMm();
    m_centre = pagePoint - offset;
    clampCentre();
    updateCursor();
    emit zoomChanged();
    update();
}

void ImprintView::panBy(QPointF pixels) {
    m_centre -= pixels / pixelsPerMm();
    clampCentre();
    update();
}

void ImprintView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_fit) {
        m_zoom = fitZoom();
        emit zoomChanged();
    }
    clampCentre();
    updateCursor();
}

std::optional<ImprintView::Frame> ImprintView::wantedFrame() const {
    const QSizeF page = pageSize();
    if (!m_ink || page.isEmpty())
        return std::nullopt;
    const QRect area = drawingArea();
    if (area.isEmpty())
        return std::nullopt;
    Frame frame;
    frame.ink = m_ink;
    frame.ratio = devicePixelRatioF();
    frame.origin = area.topLeft();
    frame.size = QSize(static_cast<int>(std::ceil(area.width() * frame.ratio)),
                       static_cast<int>(std::ceil(area.height() * frame.ratio)));
    const QTransform toDevice = pageToWidget() * QTransform::fromTranslate(-area.left(), -area.top()) *
                                QTransform::fromScale(frame.ratio, frame.ratio);
    frame.unitsToDevice = output::pageTransform(*m_imprint, m_settings) * toDevice;
    frame.page = toDevice.mapRect(QRectF(QPointF(0, 0), page));
    frame.box = toDevice.mapRect(output::boxOnPage(*m_imprint, m_settings));
    frame.colour = m_settings.colour;
    frame.negative = m_settings.negative;
    return frame;
}

bool ImprintView::pictureReady() const {
    const std::optional<Frame> wanted = wantedFrame();
    return !wanted || (!m_picture.image.isNull() && m_picture.frame == *wanted);
}

// One picture is drawn at a time; whatever was asked for meanwhile is
// drawn next, as it then stands.
void ImprintView::requestPicture() {
    const std::optional<Frame> wanted = wantedFrame();
    if (!wanted || m_drawing || (!m_picture.image.isNull() && m_picture.frame == *wanted))
        return;
    m_drawing = *wanted;
    m_watcher.setFuture(QtConcurrent::run([frame = *wanted] { return Picture{frame, drawPicture(frame)}; }));
}

void ImprintView::pictureDrawn() {
    m_picture = m_watcher.result();
    m_drawing.reset();
    update();
}

// Draws the ink as the raster export does (in order, paper covering what
// lies beneath, the negative turned over inside the box), on white paper
// and clear ground, at the frame's place and scale.
QImage ImprintView::drawPicture(const Frame& frame) {
    QImage image(frame.size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    image.fill(Qt::transparent);
    const QRectF page = frame.page.intersected(QRectF(image.rect()));
    if (!page.isEmpty()) {
        const ViewInk& ink = *frame.ink;
        const QColor mono = frame.colour && !frame.negative ? QColor() : QColor(Qt::black);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setClipRect(page);
        painter.fillRect(page, Qt::white);
        painter.setTransform(frame.unitsToDevice);
        paintInk(painter, ink.before, Qt::white, mono);
        // Only the part of the emblem in sight is drawn; one much finer
        // than the picture's pixels is thinned out first.
        const QRectF inSight = frame.unitsToDevice.inverted().mapRect(page).intersected(ink.emblemClip);
        const QRect source = inSight.translated(-ink.emblemAt).toAlignedRect().intersected(ink.emblem.rect());
        if (!ink.emblem.isNull() && !source.isEmpty()) {
            QImage part = ink.emblem.copy(source);
            const QSizeF onPicture = frame.unitsToDevice.mapRect(QRectF(source)).size();
            const qint64 room =
                kEmblemThinning * std::max<qint64>(1, qint64(onPicture.width()) * qint64(onPicture.height()));
            if (qint64(source.width()) * source.height() > room)
                part = part.scaled(std::max(1, int(onPicture.width()) * 2),
                                   std::max(1, int(onPicture.height()) * 2));
            part.setColorTable({qRgba(0, 0, 0, 0), (mono.isValid() ? mono : ink.emblemColour).rgba()});
            painter.save();
            painter.setClipRect(ink.emblemClip, Qt::IntersectClip);
            painter.drawImage(QRectF(ink.emblemAt + source.topLeft(), QSizeF(source.size())),
                              part.convertToFormat(QImage::Format_ARGB32_Premultiplied));
            painter.restore();
        }
        paintInk(painter, ink.after, Qt::white, mono);
        if (frame.negative) {
            painter.resetTransform();
            painter.setCompositionMode(QPainter::CompositionMode_Difference);
            painter.fillRect(frame.box, Qt::white);
        }
    }
    image.setDevicePixelRatio(frame.ratio);
    return image;
}

void ImprintView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kGround);
    const QSizeF page = pageSize();
    const QTransform toWidget = pageToWidget();
    if (!page.isEmpty()) {
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.save();
        painter.setClipRect(drawingArea());
        const QRectF paper = toWidget.mapRect(QRectF(QPointF(0, 0), page));
        painter.fillRect(paper.translated(3, 3), QColor(0, 0, 0, 60));
        painter.fillRect(paper, Qt::white);

        const QRectF box = output::boxOnPage(*m_imprint, m_settings);
        const QTransform unitsToWidget = output::pageTransform(*m_imprint, m_settings) * toWidget;
        if (!m_picture.image.isNull()) {
            const Frame& drawn = m_picture.frame;
            if (const std::optional<Frame> wanted = wantedFrame(); wanted && drawn == *wanted) {
                painter.drawImage(drawn.origin, m_picture.image);
            } else {
                // The last picture, moved to where its ink now lies.
                painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
                painter.setTransform(drawn.unitsToDevice.inverted() * unitsToWidget);
                QImage plain = m_picture.image;
                plain.setDevicePixelRatio(1);
                painter.drawImage(QPointF(0, 0), plain);
                painter.resetTransform();
            }
        }

        // The outlines are drawn in screen pixels, the same at every zoom.
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(kBoxLine, 1, Qt::DashLine));
        painter.drawRect(toWidget.mapRect(box));
        // The chosen element, in a thin frame of its own.
        if (const QRectF chosen = selectionBounds(); !chosen.isNull()) {
            painter.setPen(QPen(kSelection, 1.5, Qt::DotLine));
            painter.drawRect(unitsToWidget.mapRect(chosen).adjusted(-3, -3, 3, 3));
        }
        // Only the chosen mark is drawn: the places of a whole ring text
        // would cover the imprint with boxes.
        if (m_currentMark >= 0) {
            const QRectF place = m_marks[static_cast<std::size_t>(m_currentMark)];
            const QRectF around = unitsToWidget.mapRect(place).adjusted(-4, -4, 4, 4);
            painter.setBrush(QColor(255, 40, 40, 24));
            painter.setPen(QPen(Qt::white, 4.5));
            painter.drawRoundedRect(around, 3, 3);
            painter.setPen(QPen(kCurrentMark, 2.5));
            painter.drawRoundedRect(around, 3, 3);
        }
        painter.restore();
    }
    paintRulers(painter, toWidget);
    requestPicture();
}

// The rulers count millimetres from the imprint's top left corner.
void ImprintView::paintRulers(QPainter& painter, const QTransform& toWidget) const {
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(QRect(0, 0, width(), kRuler), kRulerGround);
    painter.fillRect(QRect(0, 0, kRuler, height()), kRulerGround);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(kRuler - 1, kRuler - 1, width(), kRuler - 1);
    painter.drawLine(kRuler - 1, kRuler - 1, kRuler - 1, height());
    QFont small = font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() * 0.8));
    painter.setFont(small);
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, 0, kRuler, kRuler), Qt::AlignCenter, QStringLiteral("мм"));
    if (!m_imprint || pageSize().isEmpty())
        return;

    const double k = pixelsPerMm();
    static constexpr std::array<double, 12> kMajor = {0.1, 0.2, 0.5, 1, 2, 5, 10, 20, 50, 100, 200, 500};
    const auto majorIt =
        std::find_if(kMajor.begin(), kMajor.end(), [k](double step) { return step * k >= 48; });
    const double major = majorIt == kMajor.end() ? kMajor.back() : *majorIt;
    const double minor = major / 5 * k >= 5 ? major / 5 : major / 2 * k >= 5 ? major / 2 : major;
    const QPointF zero = toWidget.map(output::boxOnPage(*m_imprint, m_settings).topLeft());
    const QLocale locale(QLocale::Russian);

    const auto ruler = [&](bool horizontal) {
        const double from = kRuler;
        const double to = horizontal ? width() : height();
        const double origin = horizontal ? zero.x() : zero.y();
        const auto first = static_cast<long>(std::ceil((from - origin) / (minor * k)));
        const auto last = static_cast<long>(std::floor((to - origin) / (minor * k)));
        const int perMajor = static_cast<int>(std::lround(major / minor));
        for (long n = first; n <= last; ++n) {
            const int at = static_cast<int>(std::lround(origin + n * minor * k));
            const bool isMajor = n % perMajor == 0;
            const int length = isMajor ? kRuler / 2 : kRuler / 4;
            if (horizontal)
                painter.drawLine(at, kRuler - 1 - length, at, kRuler - 1);
            else
                painter.drawLine(kRuler - 1 - length, at, kRuler - 1, at);
            if (!isMajor)
                continue;
            const QString label = locale.toString(n * minor, 'g', 4);
            if (horizontal) {
                painter.drawText(QRect(at + 2, 0, 60, kRuler / 2 + 1), Qt::AlignLeft | Qt::AlignVCenter,
                                 label);
            } else {
                painter.save();
                painter.translate(0, at - 2);
                painter.rotate(-90);
                painter.drawText(QRect(0, 0, 60, kRuler / 2 + 1), Qt::AlignLeft | Qt::AlignVCenter, label);
                painter.restore();
            }
        }
    };
    ruler(true);
    ruler(false);
}

void ImprintView::wheelEvent(QWheelEvent* event) {
    const QPoint steps = event->angleDelta();
    if (event->modifiers() & Qt::ControlModifier) {
        if (steps.y() > 0)
            setZoom(std::min(kMaxZoom, m_zoom * 1.25), event->position());
        else if (steps.y() < 0)
            setZoom(std::max(kMinZoom, m_zoom / 1.25), event->position());
        event->accept();
        return;
    }
    if (pannable()) {
        const QPointF by =
            event->modifiers() & Qt::ShiftModifier ? QPointF(steps.y(), 0) : QPointF(steps.x(), steps.y());
        panBy(by / 2);
        event->accept();
        return;
    }
    QWidget::wheelEvent(event);
}

// A press on the ink chooses its element, and drags it once the mouse
// moves when it can be placed by hand; a press off it pans the view when it
// can be panned, and chooses none when let go where it was.
void ImprintView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const ElementTag element = elementAt(event->position());
        if (element.kind != ElementKind::None) {
            emit elementPicked(element);
            bool invertible = false;
            const QTransform toUnits =
                (output::pageTransform(*m_imprint, m_settings) * pageToWidget()).inverted(&invertible);
            if (m_placeable && m_selection == element && invertible)
                m_elementDrag =
                    ElementDrag{event->position(), toUnits, toUnits.map(event->position()), false};
            event->accept();
            return;
        }
        m_pressedOff = event->position();
        if (pannable()) {
            m_dragging = true;
            m_dragFrom = event->position();
            updateCursor();
        }
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void ImprintView::mouseMoveEvent(QMouseEvent* event) {
    if (m_elementDrag) {
        ElementDrag& drag = *m_elementDrag;
        if (!drag.moving && QLineF(drag.pressedAt, event->position()).length() <= kClickRoom)
            return;
        if (!drag.moving) {
            drag.moving = true;
            setCursor(Qt::ClosedHandCursor);
        }
        emit elementDragged(drag.from, drag.toUnits.map(event->position()), event->modifiers());
        event->accept();
        return;
    }
    if (m_pressedOff && QLineF(*m_pressedOff, event->position()).length() > kClickRoom)
        m_pressedOff.reset();
    if (m_dragging) {
        panBy(event->position() - m_dragFrom);
        m_dragFrom = event->position();
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void ImprintView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_elementDrag) {
        const bool moved = m_elementDrag->moving;
        m_elementDrag.reset();
        updateCursor();
        if (moved)
            emit elementDropped();
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton && (m_dragging || m_pressedOff)) {
        m_dragging = false;
        updateCursor();
        if (m_pressedOff) {
            m_pressedOff.reset();
            emit elementPicked(ElementTag{});
        }
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

// The arrow keys move or turn the chosen element when it can be placed by
// hand, else they pan the view.
void ImprintView::keyPressEvent(QKeyEvent* event) {
    int dx = 0;
    int dy = 0;
    switch (event->key()) {
        case Qt::Key_Left:
            dx = -1;
            break;
        case Qt::Key_Right:
            dx = 1;
            break;
        case Qt::Key_Up:
            dy = -1;
            break;
        case Qt::Key_Down:
            dy = 1;
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    if (m_placeable && !m_elementDrag)
        emit elementNudged(dx, dy);
    else
        panBy(QPointF(-dx, -dy) * 40);
    event->accept();
}

}  // namespace qg
