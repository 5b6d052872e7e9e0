#pragma once
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>

namespace dispatch {

// Where work runs: the main queue is the main run loop (tasks in posting order); the global
// queue is a small pool of worker threads, for work that must not hold up the screen.
class Queue {
public:
    virtual ~Queue() = default;
    virtual void async(std::function<void()> work) = 0;
    // Work posted and not yet finished (queued or running); the headless driver's `idle` waits
    // for it. Only the global queue counts.
    virtual size_t pendingWorkCount() const { return 0; }
};

Queue& mainQueue();
Queue& globalQueue();

// A count of outstanding work; notify() runs its block on a queue once the count is zero.
class Group : public std::enable_shared_from_this<Group> {
public:
    static std::shared_ptr<Group> create();
    void enter();
    void leave();
    void async(Queue& queue, std::function<void()> work);
    void notify(Queue& queue, std::function<void()> work);
    // Blocks the caller until empty or the timeout passes; returns whether it emptied.
    bool wait(double timeoutSeconds);

private:
    Group() = default;
    std::mutex m_mutex;
    std::condition_variable m_empty;
    long m_count = 0;
    std::vector<std::pair<Queue*, std::function<void()>>> m_notifications;
};

// Runs `work` exactly once per flag, whichever thread gets there first.
void once(std::once_flag& flag, const std::function<void()>& work);

}
