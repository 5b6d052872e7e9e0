#include "platform/ui/BezierPath.h"

#include <algorithm>
#include <cmath>

namespace ui {

namespace {
// Control-point distance of a cubic quarter ellipse.
constexpr double kKappa = 0.5522847498;
}

std::shared_ptr<BezierPath> BezierPath::bezierPathWithRect(Rect rect)
{
    auto path = create();
    path->moveToPoint({ rect.minX(), rect.minY() });
    path->addLineToPoint({ rect.maxX(), rect.minY() });
    path->addLineToPoint({ rect.maxX(), rect.maxY() });
    path->addLineToPoint({ rect.minX(), rect.maxY() });
    path->closePath();
    return path;
}

std::shared_ptr<BezierPath> BezierPath::bezierPathWithRoundedRect(Rect rect, double cornerRadius)
{
    return bezierPathWithRoundedRect(rect, AllCorners, { cornerRadius, cornerRadius });
}

std::shared_ptr<BezierPath> BezierPath::bezierPathWithRoundedRect(Rect rect, unsigned corners, Size cornerRadii)
{
    double x0 = rect.minX(), y0 = rect.minY(), x1 = rect.maxX(), y1 = rect.maxY();
    double rx = std::clamp(cornerRadii.width, 0.0, (x1 - x0) / 2);
    double ry = std::clamp(cornerRadii.height, 0.0, (y1 - y0) / 2);
    auto radius = [&](RectCorner corner) { return (corners & corner) ? Size { rx, ry } : Size { 0, 0 }; };
    Size tl = radius(TopLeft), tr = radius(TopRight), br = radius(BottomRight), bl = radius(BottomLeft);

    auto path = create();
    path->moveToPoint({ x0 + tl.width, y0 });
    path->addLineToPoint({ x1 - tr.width, y0 });
    if (tr.width > 0)
        path->addCurveToPoint({ x1, y0 + tr.height }, { x1 - tr.width * (1 - kKappa), y0 }, { x1, y0 + tr.height * (1 - kKappa) });
    path->addLineToPoint({ x1, y1 - br.height });
    if (br.width > 0)
        path->addCurveToPoint({ x1 - br.width, y1 }, { x1, y1 - br.height * (1 - kKappa) }, { x1 - br.width * (1 - kKappa), y1 });
    path->addLineToPoint({ x0 + bl.width, y1 });
    if (bl.width > 0)
        path->addCurveToPoint({ x0, y1 - bl.height }, { x0 + bl.width * (1 - kKappa), y1 }, { x0, y1 - bl.height * (1 - kKappa) });
    path->addLineToPoint({ x0, y0 + tl.height });
    if (tl.width > 0)
        path->addCurveToPoint({ x0 + tl.width, y0 }, { x0, y0 + tl.height * (1 - kKappa) }, { x0 + tl.width * (1 - kKappa), y0 });
    path->closePath();
    return path;
}

std::shared_ptr<BezierPath> BezierPath::bezierPathWithOvalInRect(Rect rect)
{
    double cx = rect.midX(), cy = rect.midY(), rx = rect.width() / 2, ry = rect.height() / 2;
    double kx = rx * kKappa, ky = ry * kKappa;
    auto path = create();
    path->moveToPoint({ cx + rx, cy });
    path->addCurveToPoint({ cx, cy + ry }, { cx + rx, cy + ky }, { cx + kx, cy + ry });
    path->addCurveToPoint({ cx - rx, cy }, { cx - kx, cy + ry }, { cx - rx, cy + ky });
    path->addCurveToPoint({ cx, cy - ry }, { cx - rx, cy - ky }, { cx - kx, cy - ry });
    path->addCurveToPoint({ cx + rx, cy }, { cx + kx, cy - ry }, { cx + rx, cy - ky });
    path->closePath();
    return path;
}

void BezierPath::moveToPoint(Point p)
{
    m_elements.push_back({ Op::Move, p });
}

void BezierPath::addLineToPoint(Point p)
{
    m_elements.push_back({ Op::Line, p });
}

void BezierPath::addCurveToPoint(Point end, Point control1, Point control2)
{
    Element e { Op::Curve, end };
    e.c1 = control1;
    e.c2 = control2;
    m_elements.push_back(e);
}

void BezierPath::addArc(Point center, double radius, double startAngle, double endAngle, bool clockwise)
{
    Element e { Op::Arc, center };
    e.radius = radius;
    e.startAngle = startAngle;
    e.endAngle = endAngle;
    e.clockwise = clockwise;
    m_elements.push_back(e);
}

void BezierPath::closePath()
{
    m_elements.push_back({ Op::Close });
}

Rect BezierPath::bounds() const
{
    bool any = false;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    auto add = [&](Point p) {
        if (!any) {
            x0 = x1 = p.x;
            y0 = y1 = p.y;
            any = true;
            return;
        }
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y);
        y1 = std::max(y1, p.y);
    };
    for (auto& e : m_elements) {
        switch (e.op) {
        case Op::Move:
        case Op::Line:
            add(e.p);
            break;
        case Op::Curve:
            add(e.p);
            add(e.c1);
            add(e.c2);
            break;
        case Op::Arc:
            add({ e.p.x - e.radius, e.p.y - e.radius });
            add({ e.p.x + e.radius, e.p.y + e.radius });
            break;
        case Op::Close:
            break;
        }
    }
    return { { x0, y0 }, { x1 - x0, y1 - y0 } };
}

}
