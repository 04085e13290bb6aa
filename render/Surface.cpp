#include "Surface.h"

#include "Emblem.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>

namespace qg {

namespace {

// Positions come from sums of 32-bit numbers; anything beyond this bound is
// held at it so that differences of positions can never overflow.
constexpr std::int64_t kCoordinateLimit = std::int64_t{1} << 40;

std::int64_t bounded(std::int64_t v) {
    return std::clamp(v, -kCoordinateLimit, kCoordinateLimit);
}

}  // namespace

StampSurface::StampSurface() : emblems_(std::make_unique<EmblemCache>()) {}

StampSurface::~StampSurface() = default;

void StampSurface::setPenColor(TColor color) {
    if (color == penColor_)
        return;
    flushPath();
    penColor_ = color;
}

void StampSurface::setPenWidth(std::int32_t width) {
    if (width < 0 || width == penWidth_)
        return;
    flushPath();
    penWidth_ = width;
}

void StampSurface::setBrushColor(TColor color) {
    brushColor_ = color;
}

void StampSurface::setFont(const LineFont& font) {
    font_ = font;
}

void StampSurface::moveTo(std::int64_t x, std::int64_t y) {
    flushPath();
    current_ = Point64{bounded(x), bounded(y)};
}

void StampSurface::lineTo(std::int64_t x, std::int64_t y) {
    if (path_.empty())
        path_.push_back(current_);
    current_ = Point64{bounded(x), bounded(y)};
    path_.push_back(current_);
}

void StampSurface::markCircle(std::int64_t cx, std::int64_t cy, std::int64_t radius) {
    if (path_.empty())
        return;
    pathIsCircle_ = true;
    circleCentre_ = Point64{bounded(cx), bounded(cy)};
    circleRadius_ = bounded(radius);
}

void StampSurface::flushPath() {
    if (path_.size() >= 2)
        stroke(std::move(path_));
    path_.clear();
    pathIsCircle_ = false;
}

void StampSurface::setDrawingSuspended(bool suspended) {
    flushPath();
    suspended_ = suspended;
}

void StampSurface::stroke(std::vector<Point64> points) {
    if (suspended_)
        return;
    StrokeRun run;
    run.points = std::move(points);
    run.color = penColor_;
    run.width = std::min(std::max(penWidth_, 1), kMaxDrawnPenWidth);
    run.circle = pathIsCircle_;
    run.centre = circleCentre_;
    run.radius = circleRadius_;
    drawStroke(run);
}

void StampSurface::fill() {
    flushPath();
    // The whole picture: any rectangle that holds the preview will do.
    if (!suspended_)
        drawFill(-kCoordinateLimit, -kCoordinateLimit, kCoordinateLimit, kCoordinateLimit, brushColor_);
}

void StampSurface::fillRect(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom) {
    flushPath();
    for (std::int64_t* v : {&left, &top, &right, &bottom})
        *v = bounded(*v);
    if (left < right && top < bottom && !suspended_)
        drawFill(left, top, right, bottom, brushColor_);
}

void StampSurface::rectangle(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom) {
    for (std::int64_t* v : {&left, &top, &right, &bottom})
        *v = bounded(*v);
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    if (right - left < 1 || bottom - top < 1) {
        flushPath();
        return;
    }
    fillRect(left, top, right, bottom);
    stroke({{left, top}, {right - 1, top}, {right - 1, bottom - 1}, {left, bottom - 1}, {left, top}});
}

void StampSurface::drawBitmap(std::int64_t x, std::int64_t y, const QImage& picture) {
    flushPath();
    if (!picture.isNull() && !suspended_)
        drawPicture(bounded(x), bounded(y), picture);
}

void StampSurface::drawEmblem(std::int64_t x, std::int64_t y, const EmblemDrawing& emblem) {
    flushPath();
    if (!emblem.preview.isNull() && !suspended_)
        drawEmblemPicture(bounded(x), bounded(y), emblem);
}

void StampSurface::drawEmblemPicture(std::int64_t x, std::int64_t y, const EmblemDrawing& emblem) {
    drawPicture(x, y, emblem.preview);
}

void StampSurface::textOut(std::int64_t x, std::int64_t y, std::uint16_t angle, QStringView text) {
    characterOut(x, y, angle, text, CharacterPlace{});
}

void StampSurface::characterOut(std::int64_t x, std::int64_t y, std::uint16_t angle, QStringView text,
                                const CharacterPlace& place) {
    flushPath();
    if (text.isEmpty() || suspended_)
        return;
    TextRun run{bounded(x), bounded(y), angle, text.toString(), font_, brushColor_, place};
    if (run.place.exact) {
        const double limit = static_cast<double>(kCoordinateLimit);
        run.place.x = std::isfinite(run.place.x) ? std::clamp(run.place.x, -limit, limit) : static_cast<double>(run.x);
        run.place.y = std::isfinite(run.place.y) ? std::clamp(run.place.y, -limit, limit) : static_cast<double>(run.y);
        run.place.turn = std::isfinite(run.place.turn) ? std::fmod(run.place.turn, 360.0) : angle % 360;
    }
    if (grouping_) {
        group_.push_back(std::move(run));
        return;
    }
    drawTexts(std::span<const TextRun>(&run, 1));
}

void StampSurface::beginTextGroup() {
    flushPath();
    grouping_ = true;
    group_.clear();
}

void StampSurface::endTextGroup() {
    grouping_ = false;
    if (!group_.empty())
        drawTexts(group_);
    group_.clear();
}

void StampSurface::beginElement(ElementTag tag) {
    flushPath();
    element_ = tag;
}

void StampSurface::finish() {
    flushPath();
}

EmblemCache& StampSurface::emblemCache() {
    return *emblems_;
}

}  // namespace qg
