#include "platform/core/Dispatch.h"

#include "platform/core/RunLoop.h"

#include <atomic>
#include <chrono>
#include <deque>
#include <thread>
#include <vector>

namespace dispatch {

namespace {

class MainQueue final : public Queue {
public:
    void async(std::function<void()> work) override { core::RunLoop::main().perform(std::move(work)); }
};

class GlobalQueue final : public Queue {
public:
    GlobalQueue()
    {
        unsigned n = std::max(2u, std::thread::hardware_concurrency());
        for (unsigned i = 0; i < n; i++)
            m_workers.emplace_back([this] { work(); });
    }
    ~GlobalQueue() override
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_ready.notify_all();
        for (auto& w : m_workers)
            w.join();
    }
    void async(std::function<void()> work) override
    {
        {
            std::lock_guard lock(m_mutex);
            m_queue.push_back(std::move(work));
            m_pending++;
        }
        m_ready.notify_one();
    }
    size_t pendingWorkCount() const override { return m_pending; }

private:
    void work()
    {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock lock(m_mutex);
                m_ready.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
                if (m_queue.empty())
                    return;
                job = std::move(m_queue.front());
                m_queue.pop_front();
            }
            job();
            m_pending--;
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<std::function<void()>> m_queue;
    std::vector<std::thread> m_workers;
    bool m_stopping = false;
    std::atomic<size_t> m_pending = 0;
};

}

Queue& mainQueue()
{
    static MainQueue queue;
    return queue;
}

Queue& globalQueue()
{
    static GlobalQueue queue;
    return queue;
}

std::shared_ptr<Group> Group::create()
{
    return std::shared_ptr<Group>(new Group());
}

void Group::enter()
{
    std::lock_guard lock(m_mutex);
    m_count++;
}

void Group::leave()
{
    std::vector<std::pair<Queue*, std::function<void()>>> ready;
    {
        std::lock_guard lock(m_mutex);
        if (m_count > 0)
            m_count--;
        if (m_count == 0)
            ready.swap(m_notifications);
    }
    m_empty.notify_all();
    for (auto& [queue, work] : ready)
        queue->async(std::move(work));
}

void Group::async(Queue& queue, std::function<void()> work)
{
    enter();
    queue.async([self = shared_from_this(), work = std::move(work)] {
        work();
        self->leave();
    });
}

void Group::notify(Queue& queue, std::function<void()> work)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_count > 0) {
            m_notifications.emplace_back(&queue, std::move(work));
            return;
        }
    }
    queue.async(std::move(work));
}

bool Group::wait(double timeoutSeconds)
{
    std::unique_lock lock(m_mutex);
    return m_empty.wait_for(lock, std::chrono::duration<double>(timeoutSeconds), [this] { return m_count == 0; });
}

void once(std::once_flag& flag, const std::function<void()>& work)
{
    std::call_once(flag, work);
}

}
