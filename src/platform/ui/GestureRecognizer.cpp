#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace ui {

void GestureRecognizer::addTarget(std::weak_ptr<void> target, Action action)
{
    std::weak_ptr<void> none;
    bool hasTarget = target.owner_before(none) || none.owner_before(target);
    m_targets.push_back({ std::move(target), hasTarget, std::move(action) });
}

void GestureRecognizer::setEnabled(bool enabled)
{
    m_enabled = enabled;
    if (!enabled)
        reset();
}

Point GestureRecognizer::locationInView(const View* view) const
{
    return m_touch.locationInView(view);
}

void GestureRecognizer::reset()
{
    m_state = State::Possible;
}

void GestureRecognizer::setState(State state)
{
    m_state = state;
    if (state == State::Possible || state == State::Failed)
        return;
    auto keep = shared_from_this();
    if (state == State::Began && m_cancelsTouchesInView && m_view) {
        if (Window* window = m_view->window())
            window->gestureDidBegin(this);
    }
    auto targets = m_targets;
    for (auto& entry : targets) {
        std::shared_ptr<void> target = entry.target.lock();
        if (entry.hasTarget && !target)
            continue;
        entry.action(this);
    }
}

}
