#include "platform/ui/Geometry.h"

#include <charconv>

namespace ui {

namespace {

// Shortest text that reads back as the same number: 100, 50.5, -874.
std::string number(double value)
{
    if (value == 0)
        value = 0; // no "-0"
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

}

std::string stringFromPoint(const Point& p)
{
    return "{" + number(p.x) + ", " + number(p.y) + "}";
}

std::string stringFromSize(const Size& s)
{
    return "{" + number(s.width) + ", " + number(s.height) + "}";
}

std::string stringFromRect(const Rect& r)
{
    return "{" + stringFromPoint(r.origin) + ", " + stringFromSize(r.size) + "}";
}

}
