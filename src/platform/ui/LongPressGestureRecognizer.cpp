#include "platform/ui/LongPressGestureRecognizer.h"
#include "platform/core/Timer.h"

#include <cmath>

namespace ui {

std::shared_ptr<LongPressGestureRecognizer> LongPressGestureRecognizer::create()
{
    return std::shared_ptr<LongPressGestureRecognizer>(new LongPressGestureRecognizer());
}

void LongPressGestureRecognizer::touchesBegan(const Touch& touch)
{
    if (!isEnabled())
        return;
    m_touch = touch;
    if (m_timer)
        m_timer->invalidate();
    std::weak_ptr<GestureRecognizer> weak = weak_from_this();
    m_timer = core::Timer::scheduledTimerWithTimeInterval(m_minimumPressDuration, nullptr, [weak](core::Timer&) {
        if (auto self = std::static_pointer_cast<LongPressGestureRecognizer>(weak.lock()))
            self->pressed();
    });
}

void LongPressGestureRecognizer::pressed()
{
    m_timer.reset();
    if (state() == State::Possible)
        setState(State::Began);
}

void LongPressGestureRecognizer::touchesMoved(const Touch& touch)
{
    m_touch = touch;
    if (state() == State::Began || state() == State::Changed) {
        setState(State::Changed);
        return;
    }
    double dx = touch.windowPoint.x - touch.startWindowPoint.x, dy = touch.windowPoint.y - touch.startWindowPoint.y;
    if (state() == State::Possible && std::hypot(dx, dy) > m_allowableMovement) {
        if (m_timer)
            m_timer->invalidate();
        m_timer.reset();
        setState(State::Failed);
    }
}

void LongPressGestureRecognizer::touchesEnded(const Touch& touch)
{
    m_touch = touch;
    if (m_timer)
        m_timer->invalidate();
    m_timer.reset();
    if (state() == State::Began || state() == State::Changed)
        setState(State::Ended);
    else if (state() == State::Possible)
        setState(State::Failed);
}

void LongPressGestureRecognizer::touchesCancelled(const Touch& touch)
{
    m_touch = touch;
    if (m_timer)
        m_timer->invalidate();
    m_timer.reset();
    if (state() == State::Began || state() == State::Changed)
        setState(State::Cancelled);
    else
        setState(State::Failed);
}

void LongPressGestureRecognizer::reset()
{
    if (m_timer)
        m_timer->invalidate();
    m_timer.reset();
    GestureRecognizer::reset();
}

}
