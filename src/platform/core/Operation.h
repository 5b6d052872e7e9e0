#pragma once
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace core {

// A unit of work with a cancelled flag, a readiness condition and a completion slot. Subclasses
// that run asynchronously override start(), isExecuting(), isFinished() and isConcurrent() and
// announce their state changes with willChangeValueForKey()/didChangeValueForKey(); the base
// runs the completion block once, on the global queue, after a change of "isFinished" leaves
// isFinished() true. While the block runs the operation keeps itself alive.
class Operation : public std::enable_shared_from_this<Operation> {
public:
    virtual ~Operation() = default;
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;

    // The synchronous form runs main() on the caller's thread, unless cancelled first.
    virtual void start();
    virtual void main() { }
    virtual void cancel();

    bool isCancelled() const;
    virtual bool isReady() const { return true; }
    virtual bool isExecuting() const;
    virtual bool isFinished() const;
    virtual bool isConcurrent() const { return false; }

    virtual void setCompletionBlock(std::function<void()> block);
    std::function<void()> completionBlock() const;

    // Key-value change announcements. Observers see the key after the change; the base watches
    // "isFinished" to run the completion block.
    void willChangeValueForKey(const std::string& key);
    void didChangeValueForKey(const std::string& key);
    using KeyObserver = std::function<void(const std::string& key)>;
    void setKeyObserver(KeyObserver observer);

protected:
    Operation() = default;

private:
    void runCompletionIfFinished();

    mutable std::mutex m_mutex;
    bool m_cancelled = false;
    bool m_executing = false;
    bool m_finished = false;
    bool m_completionScheduled = false;
    std::function<void()> m_completionBlock;
    KeyObserver m_keyObserver;
};

}
