#pragma once

// The design as ink at any scale: every primitive of the painters turned
// into filled areas and stroked lines in preview units (one unit is one
// preview pixel; the preview's pixel (i, j) covers [i, i+1) x [j, j+1)).
// From it come the true-size pictures, the vector files, the print and the
// manufacturing check.

#include "Parameters.h"
#include "Surface.h"
#include "TextLayout.h"

#include <QHash>
#include <QImage>
#include <QPainterPath>
#include <QPoint>
#include <QRect>
#include <QRawFont>
#include <QRectF>
#include <QSizeF>
#include <QTransform>

#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

class QPainter;

namespace qg {

// The pixels of a picture that one op inks: those of `tone` in `window`
// (picture coordinates), with the picture's top-left pixel at `at`, each
// pixel `scale` preview units wide and high (a picture drawn at another
// size than its own).
struct PictureInk {
    QImage image;  // Format_RGB32
    QRgb tone = 0;
    QRect window;
    QPoint at;
    QSizeF scale{1, 1};

    // From picture coordinates (pixel (i, j) covers [i, i+1) x [j, j+1))
    // to preview units.
    QTransform toPreview() const {
        return QTransform(scale.width(), 0, 0, scale.height(), at.x(), at.y());
    }
};

struct InkOp {
    ElementTag element;
    // For the ink of a text laid out a character at a time (a ring text):
    // where its character stands in the text, so that the characters of one
    // text can be told apart; -1 otherwise.
    int character = -1;
    TColor color = 0;
    // Painted in the background colour: it covers what lies beneath and
    // leaves paper there.
    bool paper = false;
    // A filled area, or (when `stroked`) a centre line drawn with a round
    // pen `width` wide.
    QPainterPath path;
    bool stroked = false;
    double width = 0;
    // For a circle outline: its radius.
    bool circle = false;
    double radius = 0;
    // For the pixels of a picture, which `path` outlines: where they come
    // from, so that they can be worked on a part at a time.
    std::shared_ptr<const PictureInk> picture;

    // The area the op paints (a stroke turned into its outline).
    QPainterPath area() const;
    QRectF bounds() const;
};

// A surface that records ink instead of pixels.
class InkSurface : public StampSurface {
public:
    // `background` is the design's background colour: whatever is painted
    // in it is paper, not ink.
    explicit InkSurface(TColor background);
    ~InkSurface() override;

    const std::vector<InkOp>& ops() const { return ops_; }
    std::vector<InkOp> takeOps() { return std::move(ops_); }

    // A picture is recorded only as far as the preview's field shows it;
    // for the ink it has beyond, the box that ink covers.
    struct LeftOut {
        ElementTag element;
        QRectF box;
    };
    const std::vector<LeftOut>& leftOut() const { return leftOut_; }

protected:
    void drawStroke(const StrokeRun& stroke) override;
    void drawFill(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
                  TColor color) override;
    void drawPicture(std::int64_t x, std::int64_t y, const QImage& picture) override;
    void drawEmblemPicture(std::int64_t x, std::int64_t y, const EmblemDrawing& emblem) override;
    void drawTexts(std::span<const TextRun> runs) override;

private:
    // The rectangle of a picture the preview shows covers what lies beneath.
    void coverPicture(const QRectF& rect);
    void add(InkOp op);
    // A glyph's outline from the unhinted font, kept for the characters
    // that come again.
    QPainterPath glyphOutline(const FontFace& face, quint32 glyph);

    struct Outlines {
        QRawFont raw;
        QHash<quint32, QPainterPath> glyphs;
    };

    TColor background_;
    FontBook fonts_;
    std::vector<InkOp> ops_;
    std::vector<LeftOut> leftOut_;
    std::unordered_map<std::uint64_t, Outlines> outlines_;  // by face
};

// The ink of a design of the given page, with the emblem read afresh.
std::vector<InkOp> recordInk(const StampDesigns& designs, ActivePage page);

// A filled area, or a centre line drawn with a round pen `width` wide.
void paintInkPath(QPainter& painter, const QPainterPath& path, bool stroked, double width, const QColor& colour);

// Paints the ops in their order: ink in its colour (or `mono` when valid),
// paper in `paper` (a transparent paper clears what lies beneath). The
// painter's transform maps preview units.
void paintInk(QPainter& painter, const std::vector<InkOp>& ops, const QColor& paper, const QColor& mono = QColor());

// One shape of the finished ink, with whatever later paper covered cut away.
struct InkShape {
    ElementTag element;
    TColor color = 0;
    QPainterPath path;
    bool stroked = false;  // a centre line drawn with a round pen `width` wide
    double width = 0;
};

// The ink as vector files hold it: no paper at all; where paper (or ink of
// another colour) covers earlier ink, that ink is cut away. With `merge`
// all the ink of one colour becomes one set of closed filled outlines that
// do not overlap: the pixels of a picture come as shapes of their own
// beside the rest of their colour, whole where nothing else meets them and
// cut away where something does.
//
// A picture's pixels come as their own squares unless `outline` gives them
// another outline (a traced one, say); in a merge, the pieces of that
// outline that meet the rest of their colour are united with it.
struct PictureOutline {
    // In preview units: pieces that do not overlap, each an outline with the
    // holes in it (wound the other way), and the box of each.
    std::vector<QPainterPath> pieces;
    std::vector<QRectF> bounds;
};
using PictureOutliner = std::function<std::optional<PictureOutline>(const PictureInk&)>;
std::vector<InkShape> resolveInk(const std::vector<InkOp>& ops, bool merge, const PictureOutliner& outline = {});

// A copy of the path that shares nothing with it. A path keeps what it works
// out for drawing (its bounds, its outline for the paint engine) inside its
// shared data, so two threads must never draw or measure copies that share.
QPainterPath detachedPath(const QPainterPath& path);
// The ops with every path detached, for another thread.
std::vector<InkOp> detachedOps(const std::vector<InkOp>& ops);

// The box that holds all the ink, in preview units (empty when there is none).
QRectF inkBounds(const std::vector<InkOp>& ops);

}  // namespace qg
