#include "platform/core/Timer.h"

#include "platform/core/RunLoop.h"

namespace core {

Timer::Timer(double fireDate, double interval, std::shared_ptr<void> target, Action action)
    : m_fireDate(fireDate)
    , m_interval(interval)
    , m_target(std::move(target))
    , m_action(std::move(action))
    , m_valid(true)
{
}

std::shared_ptr<Timer> Timer::create(double fireDate, std::shared_ptr<void> target, Action action)
{
    return std::shared_ptr<Timer>(new Timer(fireDate, 0, std::move(target), std::move(action)));
}

std::shared_ptr<Timer> Timer::scheduledTimerWithTimeInterval(double interval, std::shared_ptr<void> target, Action action)
{
    RunLoop& loop = RunLoop::current();
    if (interval < 0)
        interval = 0;
    auto timer = std::shared_ptr<Timer>(new Timer(loop.now() + interval, interval, std::move(target), std::move(action)));
    loop.addTimer(timer);
    return timer;
}

std::shared_ptr<Timer> Timer::scheduledTimerWithFireDate(double fireDate, std::shared_ptr<void> target, Action action)
{
    RunLoop& loop = RunLoop::current();
    auto timer = std::shared_ptr<Timer>(new Timer(fireDate, fireDate - loop.now(), std::move(target), std::move(action)));
    loop.addTimer(timer);
    return timer;
}

void Timer::invalidate()
{
    m_valid = false;
    // Dropping the target and action here, not when the loop gets round to discarding the entry,
    // is what lets a screen go away as soon as its timers are stopped.
    m_target.reset();
    m_action = nullptr;
}

void Timer::fire()
{
    if (!m_valid)
        return;
    auto self = shared_from_this();
    m_valid = false;
    auto target = std::move(m_target);
    auto action = std::move(m_action);
    m_target.reset();
    m_action = nullptr;
    if (action)
        action(*this);
}

}
