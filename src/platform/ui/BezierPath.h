#pragma once
#include "platform/ui/Geometry.h"

#include <memory>
#include <vector>

namespace ui {

enum RectCorner : unsigned {
    TopLeft = 1,
    TopRight = 2,
    BottomLeft = 4,
    BottomRight = 8,
    AllCorners = 15,
};

enum class LineJoin { Miter, Round, Bevel };
enum class LineCap { Butt, Round, Square };

// A path of straight lines, circular arcs and cubic curves, in the coordinates of whoever draws it.
class BezierPath {
public:
    enum class Op { Move, Line, Curve, Arc, Close };
    struct Element {
        Op op;
        Point p {};            // Move, Line: the point; Curve: the end point; Arc: the centre
        Point c1 {}, c2 {};    // Curve: control points
        double radius = 0;     // Arc
        double startAngle = 0; // Arc, radians, 0 = +x, growing clockwise on screen (y down)
        double endAngle = 0;
        bool clockwise = true;
    };

    BezierPath() = default;
    static std::shared_ptr<BezierPath> create() { return std::make_shared<BezierPath>(); }
    static std::shared_ptr<BezierPath> bezierPathWithRect(Rect rect);
    static std::shared_ptr<BezierPath> bezierPathWithRoundedRect(Rect rect, double cornerRadius);
    // Only the corners in `corners` (RectCorner bits) are rounded, with radii clamped to half the sides.
    static std::shared_ptr<BezierPath> bezierPathWithRoundedRect(Rect rect, unsigned corners, Size cornerRadii);
    static std::shared_ptr<BezierPath> bezierPathWithOvalInRect(Rect rect);

    void moveToPoint(Point p);
    void addLineToPoint(Point p);
    void addCurveToPoint(Point end, Point control1, Point control2);
    // Angles in radians; clockwise as seen on screen.
    void addArc(Point center, double radius, double startAngle, double endAngle, bool clockwise);
    void closePath();

    const std::vector<Element>& elements() const { return m_elements; }
    bool isEmpty() const { return m_elements.empty(); }
    // A rectangle holding every point of the path (arcs by their full circle: cheap and safe).
    Rect bounds() const;

private:
    std::vector<Element> m_elements;
};

}
