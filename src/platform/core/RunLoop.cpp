#include "platform/core/RunLoop.h"

#include "platform/core/Clock.h"
#include "platform/core/Timer.h"

#include <chrono>
#include <sys/syscall.h>
#include <unistd.h>

namespace core {

namespace {
thread_local RunLoop* t_current = nullptr;

bool isProcessMainThread()
{
    return static_cast<pid_t>(syscall(SYS_gettid)) == getpid();
}
}

RunLoop::RunLoop()
    : m_clock(Clock::real())
{
}

RunLoop::~RunLoop() = default;

RunLoop& RunLoop::main()
{
    static std::shared_ptr<RunLoop> loop = std::make_shared<RunLoop>();
    return *loop;
}

RunLoop& RunLoop::current()
{
    if (t_current)
        return *t_current;
    if (isProcessMainThread()) {
        t_current = &main();
        return main();
    }
    thread_local std::shared_ptr<RunLoop> own = std::make_shared<RunLoop>();
    t_current = own.get();
    return *own;
}

void RunLoop::resetMain()
{
    RunLoop& loop = main();
    std::vector<std::function<void()>> tasks;
    decltype(loop.m_timers) timers;
    {
        std::lock_guard lock(loop.m_mutex);
        tasks.swap(loop.m_tasks);
        timers.swap(loop.m_timers);
        loop.m_clock = Clock::real();
        loop.m_wakeHandler = nullptr;
        loop.m_latenessObserver = nullptr;
        loop.m_stopped = false;
    }
    while (!timers.empty()) {
        timers.top().timer->invalidate();
        timers.pop();
    }
}

void RunLoop::setClock(std::shared_ptr<Clock> clock)
{
    std::lock_guard lock(m_mutex);
    m_clock = clock ? std::move(clock) : Clock::real();
}

std::shared_ptr<Clock> RunLoop::clock() const
{
    std::lock_guard lock(m_mutex);
    return m_clock;
}

double RunLoop::now() const
{
    return clock()->now();
}

void RunLoop::perform(std::function<void()> task)
{
    std::function<void()> handler;
    {
        std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
        handler = m_wakeHandler;
        m_wake.notify_all();
    }
    if (handler)
        handler();
}

void RunLoop::setWakeHandler(std::function<void()> handler)
{
    std::lock_guard lock(m_mutex);
    m_wakeHandler = std::move(handler);
}

void RunLoop::setLatenessObserver(std::function<void(const Timer&, double)> observer)
{
    std::lock_guard lock(m_mutex);
    m_latenessObserver = std::move(observer);
}

void RunLoop::addTimer(const std::shared_ptr<Timer>& timer)
{
    if (!timer || !timer->isValid() || timer->m_scheduled)
        return;
    timer->m_scheduled = true;
    {
        std::lock_guard lock(m_mutex);
        m_timers.push(Entry { timer->fireDate(), m_sequence++, timer });
    }
    m_wake.notify_all();
}

void RunLoop::pruneInvalid()
{
    while (!m_timers.empty() && !m_timers.top().timer->isValid())
        m_timers.pop();
}

std::optional<double> RunLoop::nextFireDate() const
{
    std::lock_guard lock(m_mutex);
    auto& self = const_cast<RunLoop&>(*this);
    self.pruneInvalid();
    if (m_timers.empty())
        return std::nullopt;
    return m_timers.top().fireDate;
}

bool RunLoop::hasPendingTasks() const
{
    std::lock_guard lock(m_mutex);
    return !m_tasks.empty();
}

size_t RunLoop::pendingTimerCount() const
{
    std::lock_guard lock(m_mutex);
    auto& self = const_cast<RunLoop&>(*this);
    self.pruneInvalid();
    size_t n = 0;
    auto copy = m_timers;
    while (!copy.empty()) {
        if (copy.top().timer->isValid())
            n++;
        copy.pop();
    }
    return n;
}

bool RunLoop::runTasks()
{
    std::vector<std::function<void()>> tasks;
    {
        std::lock_guard lock(m_mutex);
        tasks.swap(m_tasks);
    }
    for (auto& task : tasks)
        task();
    return !tasks.empty();
}

bool RunLoop::fireOneDueTimer(double upTo)
{
    std::shared_ptr<Timer> timer;
    std::shared_ptr<Clock> clock;
    std::function<void(const Timer&, double)> observer;
    {
        std::lock_guard lock(m_mutex);
        pruneInvalid();
        if (m_timers.empty() || m_timers.top().fireDate > upTo)
            return false;
        timer = m_timers.top().timer;
        m_timers.pop();
        clock = m_clock;
        observer = m_latenessObserver;
    }
    if (clock->isManual())
        static_cast<ManualClock&>(*clock).set(timer->fireDate());
    else if (observer)
        observer(*timer, clock->now() - timer->fireDate());
    timer->fire();
    return true;
}

void RunLoop::wait(double until)
{
    std::unique_lock lock(m_mutex);
    if (!m_tasks.empty() || m_stopped)
        return;
    if (!m_timers.empty() && m_timers.top().fireDate < until)
        until = m_timers.top().fireDate;
    double remaining = until - m_clock->now();
    if (remaining <= 0)
        return;
    if (remaining > 3600)
        remaining = 3600;
    m_wake.wait_for(lock, std::chrono::duration<double>(remaining));
}

bool RunLoop::runOnce(double timeout)
{
    bool ran = runTasks();
    double now = this->now();
    while (fireOneDueTimer(now))
        ran = true;
    if (ran || timeout <= 0 || clock()->isManual())
        return ran;
    wait(now + timeout);
    ran = runTasks();
    now = this->now();
    while (fireOneDueTimer(now))
        ran = true;
    return ran;
}

void RunLoop::runUntil(double time)
{
    auto clock = this->clock();
    if (clock->isManual()) {
        for (;;) {
            runTasks();
            if (!fireOneDueTimer(time))
                break;
        }
        static_cast<ManualClock&>(*clock).set(time);
        runTasks();
        return;
    }
    for (;;) {
        runTasks();
        double now = clock->now();
        while (fireOneDueTimer(now)) {
            runTasks();
            now = clock->now();
        }
        if (now >= time)
            return;
        {
            std::lock_guard lock(m_mutex);
            if (m_stopped)
                return;
        }
        wait(time);
    }
}

void RunLoop::runFor(double seconds)
{
    runUntil(now() + seconds);
}

void RunLoop::run()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopped = false;
    }
    for (;;) {
        runTasks();
        auto clock = this->clock();
        double now = clock->now();
        while (fireOneDueTimer(now)) {
            runTasks();
            now = clock->now();
        }
        {
            std::lock_guard lock(m_mutex);
            if (m_stopped) {
                m_stopped = false;
                return;
            }
        }
        if (clock->isManual()) {
            // Nothing moves a manual clock but its owner: jump to the next timer, or wait for work.
            auto next = nextFireDate();
            if (next) {
                static_cast<ManualClock&>(*clock).set(*next);
                continue;
            }
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return !m_tasks.empty() || m_stopped; });
            continue;
        }
        wait(now + 3600);
    }
}

void RunLoop::stop()
{
    // Notify under the lock: once it is released the loop's thread may exit and destroy the loop.
    std::lock_guard lock(m_mutex);
    m_stopped = true;
    m_wake.notify_all();
}

}
