#pragma once
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace core {

class RunLoop;

// A thread that runs its own run loop until the Thread object is destroyed.
class Thread {
public:
    static std::shared_ptr<Thread> create(std::string name);
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    const std::string& name() const { return m_name; }
    RunLoop& runLoop() { return *m_loop; }
    std::thread::id id() const { return m_thread.get_id(); }
    bool isCurrent() const { return std::this_thread::get_id() == m_thread.get_id(); }
    // Runs `task` on this thread's loop; returns at once.
    void perform(std::function<void()> task);

    // The name given to the calling thread ("main" on the process's main thread).
    static std::string currentName();

private:
    explicit Thread(std::string name);

    std::string m_name;
    // Shared with the thread itself: posting after its loop stopped queues work that never
    // runs instead of touching a loop that went with the thread.
    std::shared_ptr<RunLoop> m_loop;
    std::thread m_thread;
};

}
