#include "Parameters.h"

#include <cmath>

namespace qg {

LineFont startupFont() {
    return LineFont{};
}

LineFont fontDialogStartFont() {
    LineFont font;
    font.face = QStringLiteral("MS Sans Serif");
    font.size = 8;
    font.color = kWindowTextColour;
    return font;
}

namespace {

TextLineSettings placedLine(bool enabled, const QString& text, std::int32_t x, std::int32_t y,
                            std::int32_t angle) {
    TextLineSettings line;
    line.enabled = enabled;
    line.text = text;
    line.x = x;
    line.y = y;
    line.angle = angle;
    return line;
}

TextLineSettings ringLine(const QString& text, std::int32_t radius) {
    TextLineSettings line;
    line.enabled = true;
    line.text = text;
    line.radius = radius;
    return line;
}

}  // namespace

RoundSealParameters defaultRoundSeal() {
    RoundSealParameters p;
    p.background = kWhite;
    p.lines = {
        ringLine(QStringLiteral("Первая строка"), 60),
        ringLine(QStringLiteral("Вторая строка"), 74),
        ringLine(QStringLiteral("Третья строка"), 88),
        placedLine(false, QStringLiteral("Центр 1"), 80, 80, 0),
        placedLine(false, QStringLiteral("Центр 2"), 80, 95, 0),
        placedLine(false, QStringLiteral("Центр 3"), 80, 110, 0),
    };
    p.rings = {RingSettings{true, 1, 42, kNoneColour}, RingSettings{true, 1, 88, kNoneColour},
               RingSettings{true, 2, 92, kNoneColour}};
    p.emblem = EmblemSettings{false, 0, 0, QString()};
    return p;
}

TriangleSealParameters defaultTriangleSeal() {
    TriangleSealParameters p;
    p.background = kWhite;
    p.lines = {
        placedLine(true, QStringLiteral("Текст по левой стороне"), 20, 170, 64),
        placedLine(true, QStringLiteral("Текст по правой стороне"), 122, 50, -80),
        placedLine(true, QStringLiteral("Текст в нижней строке"), 50, 175, 0),
        placedLine(false, QStringLiteral("Центр 1"), 80, 110, 0),
        placedLine(true, QStringLiteral("Центр 2"), 80, 130, 0),
        placedLine(false, QStringLiteral("Центр 3"), 80, 150, 0),
    };
    p.frames = {
        FrameSettings{true, {Point{4, 196}, Point{100, 4}, Point{196, 196}}, 2, kNoneColour},
        FrameSettings{true, {Point{8, 193}, Point{100, 10}, Point{190, 193}}, 1, kNoneColour},
        FrameSettings{true, {Point{40, 170}, Point{100, 45}, Point{160, 170}}, 2, kNoneColour},
    };
    return p;
}

RectStampParameters defaultRectStamp() {
    RectStampParameters p;
    p.background = kWhite;
    p.lines = {
        placedLine(true, QStringLiteral("Первая строка"), 20, 40, 0),
        placedLine(true, QStringLiteral("Вторая строка"), 20, 52, 0),
        placedLine(true, QStringLiteral("Третья строка"), 20, 80, 0),
        placedLine(true, QStringLiteral("Четвертая строка"), 20, 100, 0),
        placedLine(true, QStringLiteral("Пятая строка"), 20, 120, 0),
        placedLine(true, QStringLiteral("Шестая строка"), 20, 140, 0),
    };
    p.contours = {SegmentSettings{true, Point{5, 35}, Point{195, 165}, 2, kNoneColour},
                  SegmentSettings{true, Point{7, 37}, Point{192, 162}, 1, kNoneColour}};
    p.innerLine = SegmentSettings{true, Point{20, 70}, Point{180, 70}, 2, kNoneColour};
    return p;
}

bool isRingSpan(double degrees) {
    return degrees >= kMinRingSpan && degrees <= kMaxRingSpan;
}

bool isRingTracking(double pixels) {
    return std::isfinite(pixels) && std::fabs(pixels) <= kMaxRingTracking;
}

bool isEmblemWidth(std::int32_t pixels) {
    return pixels >= 1 && pixels <= kMaxEmblemWidth;
}

bool isEmblemThreshold(std::int32_t level) {
    return level >= 0 && level <= 255;
}

TColor backgroundColour(const StampDesigns& designs, ActivePage page) {
    switch (page) {
        case ActivePage::Round:
            return designs.round.background;
        case ActivePage::Triangle:
            return designs.triangle.background;
        case ActivePage::Rect:
            return designs.rect.background;
        case ActivePage::Info:
            break;
    }
    return kInfoPageBackground;
}

}  // namespace qg
