#include "platform/ui/SegmentedControl.h"
#include "platform/core/Json.h"
#include "platform/ui/Painter.h"

#include <cmath>

namespace ui {

std::shared_ptr<SegmentedControl> SegmentedControl::create(std::vector<std::string> items, Rect frame)
{
    return std::shared_ptr<SegmentedControl>(new SegmentedControl(std::move(items), frame));
}

SegmentedControl::SegmentedControl(std::vector<std::string> items, Rect frame)
    : Control(frame)
    , m_items(std::move(items))
{
    if (frame.isEmpty() && !m_items.empty())
        setFrame({ frame.origin, { 80.0 * static_cast<double>(m_items.size()), 29 } });
}

void SegmentedControl::setSelectedSegmentIndex(int index)
{
    if (index < kNoSegment || index >= numberOfSegments())
        index = kNoSegment;
    if (m_selected == index)
        return;
    m_selected = index;
    invalidateDisplay();
}

std::string SegmentedControl::titleForSegmentAtIndex(int index) const
{
    return index >= 0 && index < numberOfSegments() ? m_items[static_cast<size_t>(index)] : std::string();
}

void SegmentedControl::setTitle(std::string title, int segment)
{
    if (segment < 0 || segment >= numberOfSegments())
        return;
    m_items[static_cast<size_t>(segment)] = std::move(title);
    invalidateDisplay();
}

void SegmentedControl::insertSegmentWithTitle(std::string title, int segment)
{
    segment = std::clamp(segment, 0, numberOfSegments());
    m_items.insert(m_items.begin() + segment, std::move(title));
    if (m_selected >= segment)
        m_selected++;
    invalidateDisplay();
}

void SegmentedControl::removeAllSegments()
{
    m_items.clear();
    m_selected = kNoSegment;
    invalidateDisplay();
}

void SegmentedControl::setTintColor(Color color)
{
    if (m_tintColor == color)
        return;
    m_tintColor = color;
    invalidateDisplay();
}

Rect SegmentedControl::rectForSegment(int index) const
{
    Rect b = bounds();
    if (index < 0 || index >= numberOfSegments())
        return { b.origin, { 0, 0 } };
    double width = b.width() / numberOfSegments();
    return { { b.x() + width * index, b.y() }, { width, b.height() } };
}

int SegmentedControl::segmentAtPoint(Point point) const
{
    for (int i = 0; i < numberOfSegments(); i++) {
        if (rectForSegment(i).contains(point))
            return i;
    }
    return kNoSegment;
}

void SegmentedControl::touchesEnded(const Touch& touch)
{
    bool tracked = isTracking() && isEnabled();
    int segment = segmentAtPoint(touch.locationInView(this));
    Control::touchesEnded(touch);
    if (!tracked || segment == kNoSegment || segment == m_selected)
        return;
    auto keep = shared_from_this();
    m_selected = segment;
    invalidateDisplay();
    sendActionsForControlEvents(ControlEvent::ValueChanged);
}

void SegmentedControl::draw(Painter& painter, Rect)
{
    Rect b = bounds();
    Color tint = isEnabled() ? m_tintColor : Color::white(0.6, 1);
    auto outline = BezierPath::bezierPathWithRoundedRect(b.inset(0.5, 0.5), 4);
    painter.fillPath(*outline, Color::white());
    for (int i = 0; i < numberOfSegments(); i++) {
        Rect r = rectForSegment(i);
        bool selected = i == m_selected;
        if (selected) {
            unsigned corners = (i == 0 ? (TopLeft | BottomLeft) : 0) | (i == numberOfSegments() - 1 ? (TopRight | BottomRight) : 0);
            painter.fillPath(*BezierPath::bezierPathWithRoundedRect(r.inset(0.5, 0.5), corners, { 4, 4 }), tint);
        }
        if (i > 0) {
            BezierPath divider;
            divider.moveToPoint({ std::round(r.x()) + 0.5, b.y() });
            divider.addLineToPoint({ std::round(r.x()) + 0.5, b.maxY() });
            painter.strokePath(divider, { tint, 1 });
        }
        painter.drawText(m_items[static_cast<size_t>(i)], m_font, selected ? Color::white() : tint, r.inset(4, 0), TextAlignment::Center);
    }
    painter.strokePath(*outline, { tint, 1 });
}

void SegmentedControl::describe(nlohmann::json& out) const
{
    Control::describe(out);
    out["selectedSegment"] = m_selected;
    out["segments"] = m_items;
}

}
