#include "platform/ui/ShapeLayer.h"

namespace ui {

std::shared_ptr<ShapeLayer> ShapeLayer::create()
{
    return std::make_shared<ShapeLayer>();
}

const BezierPath& ShapeLayer::path() const
{
    static const BezierPath none;
    return m_path ? *m_path : none;
}

void ShapeLayer::setPath(const BezierPath& path)
{
    setSharedPath(std::make_shared<const BezierPath>(path));
}

void ShapeLayer::setSharedPath(std::shared_ptr<const BezierPath> path)
{
    changedBefore();
    m_path = std::move(path);
    changed(true);
}

void ShapeLayer::setPath(const std::shared_ptr<BezierPath>& path)
{
    setPath(path ? *path : BezierPath());
}

void ShapeLayer::setFillColor(std::optional<Color> c)
{
    if (m_fillColor == c)
        return;
    m_fillColor = c;
    changed();
}

void ShapeLayer::setStrokeColor(std::optional<Color> c)
{
    if (m_strokeColor == c)
        return;
    m_strokeColor = c;
    changed();
}

void ShapeLayer::setLineWidth(double w)
{
    if (m_lineWidth == w)
        return;
    changedBefore();
    m_lineWidth = w;
    changed(true);
}

void ShapeLayer::setLineJoin(LineJoin j)
{
    if (m_lineJoin == j)
        return;
    m_lineJoin = j;
    changed(true);
}

void ShapeLayer::setLineCap(LineCap c)
{
    if (m_lineCap == c)
        return;
    m_lineCap = c;
    changed(true);
}

void ShapeLayer::setLineDashPattern(std::vector<double> pattern)
{
    m_lineDashPattern = std::move(pattern);
    changed();
}

void ShapeLayer::setLineDashPhase(double phase)
{
    m_lineDashPhase = phase;
    changed();
}

Point ShapeLayer::pathOffset() const
{
    Rect f = frame();
    return { f.x() - bounds().x(), f.y() - bounds().y() };
}

Rect ShapeLayer::drawingExtent() const
{
    Rect extent = Layer::drawingExtent();
    if (path().isEmpty())
        return extent;
    Point offset = pathOffset();
    // Miter joins can reach several line widths past a corner; stay generous.
    double pad = m_lineWidth * (m_lineJoin == LineJoin::Miter ? 5 : 1) + 1;
    return extent.unionWith(path().bounds().offsetBy(offset.x, offset.y).inset(-pad, -pad));
}

}
