#pragma once
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <queue>
#include <vector>

namespace core {

class Clock;
class Timer;

// A thread's event loop: one-shot timers ordered by fire time (ties fire in the order they were
// armed) and tasks posted from any thread, run in order on the loop's own thread.
//
// A turn first runs the tasks that were posted before it started (moved out under the lock, so a
// task may post more without deadlocking; those wait for the next turn), then fires due timers
// one at a time, checking each timer's validity just before it fires: a callback that
// invalidates another timer due in the same turn stops it. When nothing is due the loop sleeps
// on a condition variable until the next fire date or a post wakes it, so an idle loop uses no
// CPU. With a manual clock nothing sleeps: runUntil() moves the clock to each fire date in turn,
// which is how tests and headless runs see exact times.
// Loops are owned through shared_ptr (a thread and the code that posts to it from elsewhere
// hold it weakly or strongly), so a loop whose thread ended is never reached through a stale
// pointer.
class RunLoop : public std::enable_shared_from_this<RunLoop> {
public:
    RunLoop();
    ~RunLoop();
    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;

    // The process's main loop, and the calling thread's loop (the main loop on the main thread).
    static RunLoop& main();
    static RunLoop& current();
    // Tests: forget every timer and task of the main loop and go back to the real clock.
    static void resetMain();

    void setClock(std::shared_ptr<Clock> clock);
    std::shared_ptr<Clock> clock() const;
    double now() const;

    // From any thread.
    void perform(std::function<void()> task);
    // Called (from the posting thread) whenever work is posted, so a front end blocked in its own
    // event wait can wake up and turn the loop.
    void setWakeHandler(std::function<void()> handler);
    // Told, just before each timer fires, how late it fires (seconds past its fire date, real
    // clock only): the window's frame statistics.
    void setLatenessObserver(std::function<void(const Timer& timer, double lateness)> observer);

    // Loop thread only.
    void addTimer(const std::shared_ptr<Timer>& timer);
    std::optional<double> nextFireDate() const;
    bool hasPendingTasks() const;
    size_t pendingTimerCount() const;

    // Runs what is due now; if nothing was, waits up to timeout seconds for work (real clock only)
    // and runs it. Returns whether anything ran.
    bool runOnce(double timeout = 0);
    // Runs everything due up to `time` (a manual clock is moved there), then returns.
    void runUntil(double time);
    void runFor(double seconds);
    // Runs until stop() is called from a task or another thread.
    void run();
    void stop();

private:
    struct Entry {
        double fireDate;
        uint64_t sequence;
        std::shared_ptr<Timer> timer;
        bool operator>(const Entry& other) const
        {
            return fireDate != other.fireDate ? fireDate > other.fireDate : sequence > other.sequence;
        }
    };

    bool runTasks();
    bool fireOneDueTimer(double upTo);
    void pruneInvalid();
    void wait(double until);

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<std::function<void()>> m_tasks;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> m_timers;
    uint64_t m_sequence = 0;
    std::shared_ptr<Clock> m_clock;
    std::function<void()> m_wakeHandler;
    std::function<void(const Timer&, double)> m_latenessObserver;
    bool m_stopped = false;
};

}
