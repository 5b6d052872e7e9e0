#include "platform/core/Operation.h"

#include "platform/core/Dispatch.h"

namespace core {

void Operation::start()
{
    if (isFinished() || isExecuting())
        return;
    if (!isCancelled()) {
        willChangeValueForKey("isExecuting");
        {
            std::lock_guard lock(m_mutex);
            m_executing = true;
        }
        didChangeValueForKey("isExecuting");
        main();
    }
    willChangeValueForKey("isExecuting");
    willChangeValueForKey("isFinished");
    {
        std::lock_guard lock(m_mutex);
        m_executing = false;
        m_finished = true;
    }
    didChangeValueForKey("isExecuting");
    didChangeValueForKey("isFinished");
}

void Operation::cancel()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_cancelled)
            return;
    }
    willChangeValueForKey("isCancelled");
    {
        std::lock_guard lock(m_mutex);
        m_cancelled = true;
    }
    didChangeValueForKey("isCancelled");
}

bool Operation::isCancelled() const
{
    std::lock_guard lock(m_mutex);
    return m_cancelled;
}

bool Operation::isExecuting() const
{
    std::lock_guard lock(m_mutex);
    return m_executing;
}

bool Operation::isFinished() const
{
    std::lock_guard lock(m_mutex);
    return m_finished;
}

void Operation::setCompletionBlock(std::function<void()> block)
{
    std::function<void()> old;
    {
        std::lock_guard lock(m_mutex);
        old.swap(m_completionBlock);
        m_completionBlock = std::move(block);
    }
    // `old` (and what it holds) is released here, outside the lock.
}

std::function<void()> Operation::completionBlock() const
{
    std::lock_guard lock(m_mutex);
    return m_completionBlock;
}

void Operation::willChangeValueForKey(const std::string&)
{
}

void Operation::didChangeValueForKey(const std::string& key)
{
    KeyObserver observer;
    {
        std::lock_guard lock(m_mutex);
        observer = m_keyObserver;
    }
    if (observer)
        observer(key);
    if (key == "isFinished")
        runCompletionIfFinished();
}

void Operation::setKeyObserver(KeyObserver observer)
{
    std::lock_guard lock(m_mutex);
    m_keyObserver = std::move(observer);
}

void Operation::runCompletionIfFinished()
{
    if (!isFinished())
        return;
    std::function<void()> block;
    {
        std::lock_guard lock(m_mutex);
        if (m_completionScheduled)
            return;
        m_completionScheduled = true;
        block = m_completionBlock;
    }
    if (!block)
        return;
    // The copy runs even if the slot is cleared meanwhile; the strong reference keeps the
    // operation alive until the block returns, as callers drop theirs right after start().
    std::shared_ptr<Operation> self = weak_from_this().lock();
    dispatch::globalQueue().async([self = std::move(self), block = std::move(block)]() mutable {
        block();
        block = nullptr;
    });
}

}
