#pragma once
#include "platform/core/Object.h"

#include <functional>
#include <memory>

namespace core {

class RunLoop;

// A one-shot timer on a run loop. While armed it holds its target strongly, as the original's
// timers do: a screen with a running beat timer stays alive until the timer fires or is
// invalidated. It never fires after invalidate(), and invalidating a fired or never-scheduled
// timer is harmless.
class Timer : public Object, public std::enable_shared_from_this<Timer> {
public:
    using Action = std::function<void(Timer&)>;

    // Armed on the current thread's run loop, `interval` seconds from its clock's now.
    static std::shared_ptr<Timer> scheduledTimerWithTimeInterval(double interval, std::shared_ptr<void> target, Action action);
    // Armed for an absolute time of the current loop's clock (deadline scheduling).
    static std::shared_ptr<Timer> scheduledTimerWithFireDate(double fireDate, std::shared_ptr<void> target, Action action);

    // The selector form: `action` is a member of the target and receives the timer as its sender.
    template<typename T>
    static std::shared_ptr<Timer> scheduledTimerWithTimeInterval(double interval, const std::shared_ptr<T>& target, void (T::*action)(Object*))
    {
        T* raw = target.get();
        return scheduledTimerWithTimeInterval(interval, std::static_pointer_cast<void>(target), [raw, action](Timer& t) { (raw->*action)(&t); });
    }
    template<typename T>
    static std::shared_ptr<Timer> scheduledTimerWithFireDate(double fireDate, const std::shared_ptr<T>& target, void (T::*action)(Object*))
    {
        T* raw = target.get();
        return scheduledTimerWithFireDate(fireDate, std::static_pointer_cast<void>(target), [raw, action](Timer& t) { (raw->*action)(&t); });
    }

    // Not scheduled: add it with RunLoop::addTimer.
    static std::shared_ptr<Timer> create(double fireDate, std::shared_ptr<void> target, Action action);

    bool isValid() const { return m_valid; }
    void invalidate();
    double fireDate() const { return m_fireDate; }
    double timeInterval() const { return m_interval; }
    // How late the timer may fire without harm (an animation's frame). It fires as any other;
    // the window's timing statistics leave such timers out, counting those due at an instant.
    double tolerance() const { return m_tolerance; }
    void setTolerance(double seconds) { m_tolerance = seconds; }

    // Called by the run loop when the timer is due.
    void fire();

private:
    Timer(double fireDate, double interval, std::shared_ptr<void> target, Action action);

    double m_fireDate;
    double m_interval;
    double m_tolerance = 0;
    std::shared_ptr<void> m_target;
    Action m_action;
    bool m_valid = false;
    bool m_scheduled = false;

    friend class RunLoop;
};

}
