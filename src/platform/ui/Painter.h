#pragma once
#include "platform/ui/BezierPath.h"
#include "platform/ui/Color.h"
#include "platform/ui/Font.h"
#include "platform/ui/Geometry.h"

#include <string>
#include <vector>

namespace ui {

class Image;

struct StrokeStyle {
    StrokeStyle() = default;
    StrokeStyle(Color strokeColor, double width, LineJoin join = LineJoin::Miter, LineCap cap = LineCap::Butt,
        std::vector<double> pattern = {}, double phase = 0)
        : color(strokeColor), lineWidth(width), lineJoin(join), lineCap(cap), dashPattern(std::move(pattern)), dashPhase(phase)
    {
    }

    Color color = Color::black();
    double lineWidth = 1;
    LineJoin lineJoin = LineJoin::Miter;
    LineCap lineCap = LineCap::Butt;
    std::vector<double> dashPattern;
    double dashPhase = 0;
};

// What views draw with. Coordinates are points in the current user space; the renderer sets
// it to the view's bounds before calling View::draw. No view sees the drawing library.
class Painter {
public:
    virtual ~Painter() = default;

    virtual void save() = 0;
    virtual void restore() = 0;
    virtual void translate(double dx, double dy) = 0;

    // Intersect the clip with a rectangle or a path's filled area.
    virtual void clipRect(Rect rect) = 0;
    virtual void clipPath(const BezierPath& path) = 0;
    // The current clip's bounding box in user space (for skipping what cannot show).
    virtual Rect clipBounds() const = 0;

    virtual void fillRect(Rect rect, Color color) = 0;
    virtual void fillPath(const BezierPath& path, Color color) = 0;
    virtual void strokePath(const BezierPath& path, const StrokeStyle& style) = 0;
    // Stroke a rectangle's outline lying entirely inside it (a border `width` wide).
    virtual void strokeRectInside(Rect rect, double width, double cornerRadius, Color color) = 0;

    // One line of text in `rect`, vertically centred, aligned horizontally, cut to the width
    // with "…" when `lineBreak` is TruncatingTail.
    virtual void drawText(const std::string& text, const Font& font, Color color, Rect rect,
        TextAlignment alignment = TextAlignment::Left, LineBreakMode lineBreak = LineBreakMode::TruncatingTail) = 0;
    virtual Size measureText(const std::string& text, const Font& font) = 0;

    // The image scaled to fill `rect`.
    virtual void drawImage(const Image& image, Rect rect) = 0;

    // Everything drawn between these is composited once with `alpha` (group opacity).
    virtual void beginGroup(double alpha) = 0;
    virtual void endGroup() = 0;
};

}
