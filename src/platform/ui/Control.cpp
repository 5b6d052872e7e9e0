#include "platform/ui/Control.h"
#include "platform/core/Json.h"

namespace ui {

Control::Control(Rect frame)
    : View(frame)
{
}

void Control::addTarget(std::weak_ptr<void> target, Action action, ControlEvent event)
{
    // An empty weak pointer means "no target"; an expired one means the target is gone.
    std::weak_ptr<void> none;
    bool hasTarget = target.owner_before(none) || none.owner_before(target);
    m_actions.push_back({ std::move(target), hasTarget, std::move(action), event });
}

void Control::removeAllTargets()
{
    m_actions.clear();
}

bool Control::hasActionsForControlEvent(ControlEvent event) const
{
    for (auto& entry : m_actions) {
        if (entry.event == event && (!entry.hasTarget || !entry.target.expired()))
            return true;
    }
    return false;
}

void Control::sendActionsForControlEvents(ControlEvent event)
{
    // The action may drop the last other reference to this control, or change its actions.
    auto keep = shared_from_this();
    auto actions = m_actions;
    for (auto& entry : actions) {
        if (entry.event != event)
            continue;
        std::shared_ptr<void> target = entry.target.lock();
        if (entry.hasTarget && !target)
            continue;
        entry.action(this);
    }
}

void Control::setEnabled(bool enabled)
{
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    if (!enabled) {
        m_tracking = false;
        m_highlighted = false;
    }
    invalidateDisplay();
}

void Control::setHighlighted(bool highlighted)
{
    if (m_highlighted == highlighted)
        return;
    m_highlighted = highlighted;
    invalidateDisplay();
}

void Control::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    invalidateDisplay();
}

bool Control::isTouchInside(const Touch& touch) const
{
    return bounds().inset(-kTouchSlop, -kTouchSlop).contains(touch.locationInView(this));
}

// A control keeps its touches: nothing is passed on to the parent.
void Control::touchesBegan(const Touch&)
{
    if (!m_enabled)
        return;
    m_tracking = true;
    setHighlighted(true);
    sendActionsForControlEvents(ControlEvent::TouchDown);
}

void Control::touchesMoved(const Touch& touch)
{
    if (m_tracking)
        setHighlighted(isTouchInside(touch));
}

void Control::touchesEnded(const Touch& touch)
{
    if (!m_tracking)
        return;
    m_tracking = false;
    setHighlighted(false);
    if (m_enabled)
        sendActionsForControlEvents(isTouchInside(touch) ? ControlEvent::TouchUpInside : ControlEvent::TouchUpOutside);
}

void Control::touchesCancelled(const Touch&)
{
    m_tracking = false;
    setHighlighted(false);
}

void Control::describe(nlohmann::json& out) const
{
    out["enabled"] = m_enabled;
}

}
