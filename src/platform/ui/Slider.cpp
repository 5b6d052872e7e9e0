#include "platform/ui/Slider.h"
#include "platform/core/Json.h"
#include "platform/ui/Painter.h"

#include <algorithm>

namespace ui {

std::shared_ptr<Slider> Slider::create(Rect frame)
{
    return std::shared_ptr<Slider>(new Slider(frame));
}

Slider::Slider(Rect frame)
    : Control(frame)
{
}

void Slider::setValue(float value)
{
    value = std::clamp(value, m_minimumValue, std::max(m_minimumValue, m_maximumValue));
    if (m_value == value)
        return;
    m_value = value;
    invalidateDisplay();
}

void Slider::setMinimumValue(float value)
{
    m_minimumValue = value;
    if (m_maximumValue < value)
        m_maximumValue = value;
    setValue(m_value);
    invalidateDisplay();
}

void Slider::setMaximumValue(float value)
{
    m_maximumValue = value;
    if (m_minimumValue > value)
        m_minimumValue = value;
    setValue(m_value);
    invalidateDisplay();
}

void Slider::setTintColor(Color color)
{
    if (m_tintColor == color)
        return;
    m_tintColor = color;
    invalidateDisplay();
}

Point Slider::pointForValue(float value) const
{
    Rect b = bounds();
    double span = m_maximumValue - m_minimumValue;
    double t = span > 0 ? (std::clamp(value, m_minimumValue, m_maximumValue) - m_minimumValue) / span : 0;
    double left = b.x() + kThumbRadius, right = b.maxX() - kThumbRadius;
    return { left + (right - left) * t, b.midY() };
}

float Slider::valueForPoint(Point point) const
{
    Rect b = bounds();
    double left = b.x() + kThumbRadius, right = b.maxX() - kThumbRadius;
    double t = right > left ? std::clamp((point.x - left) / (right - left), 0.0, 1.0) : 0;
    return static_cast<float>(m_minimumValue + (m_maximumValue - m_minimumValue) * t);
}

void Slider::trackTo(const Touch& touch)
{
    float value = valueForPoint(touch.locationInView(this));
    if (value == m_value)
        return;
    setValue(value);
    if (m_continuous)
        sendActionsForControlEvents(ControlEvent::ValueChanged);
}

void Slider::touchesBegan(const Touch& touch)
{
    if (!isEnabled())
        return;
    m_valueAtTouchDown = m_value;
    Control::touchesBegan(touch);
    trackTo(touch);
}

void Slider::touchesMoved(const Touch& touch)
{
    if (!isTracking())
        return;
    Control::touchesMoved(touch);
    trackTo(touch);
}

void Slider::touchesEnded(const Touch& touch)
{
    if (!isTracking())
        return;
    auto keep = shared_from_this();
    trackTo(touch);
    Control::touchesEnded(touch);
    if (!m_continuous && m_value != m_valueAtTouchDown)
        sendActionsForControlEvents(ControlEvent::ValueChanged);
}

void Slider::draw(Painter& painter, Rect)
{
    Rect b = bounds();
    Point thumb = pointForValue(m_value);
    double left = b.x() + kThumbRadius, right = b.maxX() - kThumbRadius;
    Color tint = isEnabled() ? m_tintColor : Color::white(0.6, 1);
    painter.fillPath(*BezierPath::bezierPathWithRoundedRect(RectMake(left, b.midY() - 1, right - left, 2), 1), Color::white(0.72, 1));
    painter.fillPath(*BezierPath::bezierPathWithRoundedRect(RectMake(left, b.midY() - 1, thumb.x - left, 2), 1), tint);
    auto knob = BezierPath::bezierPathWithOvalInRect(RectMake(thumb.x - kThumbRadius, thumb.y - kThumbRadius, 2 * kThumbRadius, 2 * kThumbRadius));
    painter.fillPath(*knob, Color::white());
    painter.strokePath(*knob, { Color::white(0.75, 1), 0.5 });
}

void Slider::describe(nlohmann::json& out) const
{
    Control::describe(out);
    out["value"] = m_value;
}

}
