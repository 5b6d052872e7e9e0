#pragma once
#include <algorithm>
#include <string>

namespace ui {

// Points, origin top-left, y growing downwards.
struct Point {
    double x = 0, y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    double width = 0, height = 0;
    bool operator==(const Size&) const = default;
};

struct Rect {
    Point origin;
    Size size;

    double x() const { return origin.x; }
    double y() const { return origin.y; }
    double width() const { return size.width; }
    double height() const { return size.height; }
    double minX() const { return std::min(origin.x, origin.x + size.width); }
    double maxX() const { return std::max(origin.x, origin.x + size.width); }
    double minY() const { return std::min(origin.y, origin.y + size.height); }
    double maxY() const { return std::max(origin.y, origin.y + size.height); }
    double midX() const { return origin.x + size.width / 2; }
    double midY() const { return origin.y + size.height / 2; }
    Point center() const { return { midX(), midY() }; }
    bool isEmpty() const { return size.width <= 0 || size.height <= 0; }

    // Half-open: the right and bottom edges are outside.
    bool contains(Point p) const { return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY(); }
    // Closed on purpose: a zero-width view (a vertical line) still meets the rectangle it touches.
    bool intersects(const Rect& o) const
    {
        return minX() <= o.maxX() && o.minX() <= maxX() && minY() <= o.maxY() && o.minY() <= maxY();
    }
    Rect inset(double dx, double dy) const { return { { origin.x + dx, origin.y + dy }, { size.width - 2 * dx, size.height - 2 * dy } }; }
    Rect offsetBy(double dx, double dy) const { return { { origin.x + dx, origin.y + dy }, size }; }
    Rect unionWith(const Rect& o) const
    {
        double x0 = std::min(minX(), o.minX()), y0 = std::min(minY(), o.minY());
        return { { x0, y0 }, { std::max(maxX(), o.maxX()) - x0, std::max(maxY(), o.maxY()) - y0 } };
    }
    // Empty (zero size at the origin of this rectangle) when they do not meet.
    Rect intersection(const Rect& o) const
    {
        double x0 = std::max(minX(), o.minX()), y0 = std::max(minY(), o.minY());
        double x1 = std::min(maxX(), o.maxX()), y1 = std::min(maxY(), o.maxY());
        if (x1 < x0 || y1 < y0)
            return { { x0, y0 }, { 0, 0 } };
        return { { x0, y0 }, { x1 - x0, y1 - y0 } };
    }
    bool operator==(const Rect&) const = default;
};

inline Point PointMake(double x, double y) { return { x, y }; }
inline Size SizeMake(double w, double h) { return { w, h }; }
inline Rect RectMake(double x, double y, double w, double h) { return { { x, y }, { w, h } }; }

// The platform's text forms, for log lines: "{{100, 50}, {30, 10}}" and "{100, 50}".
std::string stringFromRect(const Rect& r);
std::string stringFromPoint(const Point& p);
std::string stringFromSize(const Size& s);

}
