#include "platform/core/Thread.h"

#include "platform/core/RunLoop.h"

#include <future>
#include <pthread.h>

namespace core {

namespace {
thread_local std::string t_name;
}

Thread::Thread(std::string name)
    : m_name(std::move(name))
{
}

std::shared_ptr<Thread> Thread::create(std::string name)
{
    auto thread = std::shared_ptr<Thread>(new Thread(std::move(name)));
    std::promise<std::shared_ptr<RunLoop>> ready;
    auto loopFuture = ready.get_future();
    thread->m_thread = std::thread([&ready, name = thread->m_name] {
        t_name = name;
        pthread_setname_np(pthread_self(), name.substr(0, 15).c_str());
        RunLoop& loop = RunLoop::current();
        ready.set_value(loop.shared_from_this());
        loop.run();
    });
    thread->m_loop = loopFuture.get();
    return thread;
}

Thread::~Thread()
{
    if (m_loop) {
        // A stop that comes before the thread has entered its loop would be forgotten when the
        // loop starts; the posted one is seen first thing by the loop.
        m_loop->perform([loop = m_loop.get()] { loop->stop(); });
        m_loop->stop();
    }
    if (m_thread.joinable()) {
        if (isCurrent())
            m_thread.detach();
        else
            m_thread.join();
    }
}

void Thread::perform(std::function<void()> task)
{
    m_loop->perform(std::move(task));
}

std::string Thread::currentName()
{
    if (!t_name.empty())
        return t_name;
    return &RunLoop::current() == &RunLoop::main() ? "main" : "";
}

}
