// The labelled drawing the check examines, and the memory kept for its
// pictures from one check to the next.

#include "CheckParts.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <mutex>
#include <thread>
#include <utility>

namespace qg::check {

namespace detail {

namespace {

// Pictures' worth of bytes kept from one check to the next: fresh room
// costs the system a fault every page, more than the work done in it.
// Up to kKeptBytes are kept.
constexpr std::size_t kKeptBytes = std::size_t(48) << 20;

struct KeptRoom {
    std::mutex mutex;
    std::vector<std::vector<std::uint8_t>> kept;
    std::size_t bytes = 0;
};

KeptRoom& keptRoom() {
    static KeptRoom room;
    return room;
}

}  // namespace

std::vector<std::uint8_t> takeRoom() {
    KeptRoom& room = keptRoom();
    const std::lock_guard<std::mutex> lock(room.mutex);
    if (room.kept.empty())
        return {};
    std::vector<std::uint8_t> taken = std::move(room.kept.back());
    room.kept.pop_back();
    room.bytes -= taken.capacity();
    return taken;
}

void giveRoom(std::vector<std::uint8_t>& bytes) {
    KeptRoom& room = keptRoom();
    const std::lock_guard<std::mutex> lock(room.mutex);
    if (bytes.capacity() != 0 && room.bytes + bytes.capacity() <= kKeptBytes) {
        room.bytes += bytes.capacity();
        room.kept.push_back(std::move(bytes));
    }
    bytes = {};
}

Drawing drawLabels(const output::Imprint& imprint, double widthMm, double pixelsPerMm, int marginPixels) {
    Drawing drawing;
    const double mmPerUnit = output::mmPerUnit(imprint, widthMm);
    const double pixelsPerUnit = pixelsPerMm * mmPerUnit;
    drawing.pixelMm = 1 / pixelsPerMm;
    drawing.pixelUnits = 1 / pixelsPerUnit;
    drawing.origin = imprint.box.topLeft() - QPointF(marginPixels, marginPixels) * drawing.pixelUnits;
    drawing.width = static_cast<int>(std::ceil(imprint.box.width() * pixelsPerUnit)) + 2 * marginPixels;
    drawing.height = static_cast<int>(std::ceil(imprint.box.height() * pixelsPerUnit)) + 2 * marginPixels;

    // Each element's ink in a grey of its own.
    std::vector<int> code(imprint.ops.size(), 0);
    for (std::size_t i = 0; i < imprint.ops.size(); ++i) {
        const InkOp& op = imprint.ops[i];
        if (op.paper)
            continue;
        auto found = std::find(drawing.elements.begin(), drawing.elements.end(), op.element);
        if (found == drawing.elements.end()) {
            if (drawing.elements.size() >= 255)
                found = drawing.elements.end() - 1;
            else
                found = drawing.elements.insert(drawing.elements.end(), op.element);
        }
        code[i] = static_cast<int>(found - drawing.elements.begin()) + 1;
    }

    // Two bands, one on each thread, drawn through the same transform into
    // the one picture, each clipped to its rows: the pixels come out as if
    // drawn at once. An op wholly outside a band is left out of it.
    const std::size_t size = static_cast<std::size_t>(drawing.width) * static_cast<std::size_t>(drawing.height);
    drawing.labels = takeRoom();
    drawing.labels.assign(size, 0);
    const QTransform transform(pixelsPerUnit, 0, 0, pixelsPerUnit, -drawing.origin.x() * pixelsPerUnit,
                               -drawing.origin.y() * pixelsPerUnit);
    // A path keeps what it works out for drawing in itself: the second
    // thread draws copies of its own.
    std::vector<QRectF> reach(imprint.ops.size());
    std::vector<QPainterPath> copies(imprint.ops.size());
    for (std::size_t i = 0; i < imprint.ops.size(); ++i) {
        const InkOp& op = imprint.ops[i];
        reach[i] = transform.mapRect(op.bounds()).adjusted(-2, -2, 2, 2);
        copies[i] = detachedPath(op.path);
    }
    auto paintBand = [&](int top, int bottom, bool own) {
        if (bottom <= top)
            return;
        QImage picture(drawing.labels.data(), drawing.width, drawing.height, drawing.width,
                       QImage::Format_Grayscale8);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setClipRect(QRect(0, top, drawing.width, bottom - top));
        painter.setTransform(transform);
        for (std::size_t i = 0; i < imprint.ops.size(); ++i) {
            if (reach[i].bottom() < top || reach[i].top() > bottom)
                continue;
            const InkOp& op = imprint.ops[i];
            paintInkPath(painter, own ? copies[i] : op.path, op.stroked, op.width,
                         QColor(code[i], code[i], code[i]));
        }
    };
    const int middle = drawing.height / 2;
    std::thread lower([&] { paintBand(middle, drawing.height, true); });
    paintBand(0, middle, false);
    lower.join();
    return drawing;
}

}  // namespace detail

void releaseKeptMemory() {
    detail::KeptRoom& room = detail::keptRoom();
    const std::lock_guard<std::mutex> lock(room.mutex);
    room.kept.clear();
    room.bytes = 0;
}

}  // namespace qg::check
