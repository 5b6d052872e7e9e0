#pragma once
#include "platform/ui/BezierPath.h"
#include "platform/ui/Layer.h"

#include <optional>
#include <vector>

namespace ui {

// A layer that fills and strokes a path given in its own bounds coordinates.
class ShapeLayer : public Layer {
public:
    static std::shared_ptr<ShapeLayer> create();

    const BezierPath& path() const;
    void setPath(const BezierPath& path);
    void setPath(const std::shared_ptr<BezierPath>& path);
    // A path that no one changes any more, shared with other layers (many equal masks).
    void setSharedPath(std::shared_ptr<const BezierPath> path);

    // Fill defaults to black, as the platform's does; stroke to none.
    std::optional<Color> fillColor() const { return m_fillColor; }
    void setFillColor(std::optional<Color> c);
    std::optional<Color> strokeColor() const { return m_strokeColor; }
    void setStrokeColor(std::optional<Color> c);
    double lineWidth() const { return m_lineWidth; }
    void setLineWidth(double w);
    LineJoin lineJoin() const { return m_lineJoin; }
    void setLineJoin(LineJoin j);
    LineCap lineCap() const { return m_lineCap; }
    void setLineCap(LineCap c);
    // Painted and unpainted lengths in points, repeating; empty for a solid line.
    const std::vector<double>& lineDashPattern() const { return m_lineDashPattern; }
    void setLineDashPattern(std::vector<double> pattern);
    double lineDashPhase() const { return m_lineDashPhase; }
    void setLineDashPhase(double phase);

    // Where the path lands in the superlayer: bounds.origin maps to frame().origin.
    Point pathOffset() const;
    Rect drawingExtent() const override;

private:
    std::shared_ptr<const BezierPath> m_path;
    std::optional<Color> m_fillColor = Color::black();
    std::optional<Color> m_strokeColor;
    double m_lineWidth = 1;
    LineJoin m_lineJoin = LineJoin::Miter;
    LineCap m_lineCap = LineCap::Butt;
    std::vector<double> m_lineDashPattern;
    double m_lineDashPhase = 0;
};

}
