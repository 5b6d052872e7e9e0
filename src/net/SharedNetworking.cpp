#include "net/SharedNetworking.h"

#include "platform/core/Dispatch.h"
#include "platform/core/Thread.h"

#include <mutex>
#include <new>

namespace net {

namespace {

std::atomic<long> s_pendingOperations { 0 };

}

std::shared_ptr<core::Thread> SharedNetworking::thread()
{
    // Made once and never stopped, not even by static destruction at exit (which would join it
    // and race its run loop's teardown): the holder lives in storage that is never destroyed.
    static std::once_flag flag;
    alignas(std::shared_ptr<core::Thread>) static unsigned char storage[sizeof(std::shared_ptr<core::Thread>)];
    static std::shared_ptr<core::Thread>* thread = nullptr;
    dispatch::once(flag, [] { thread = ::new (storage) std::shared_ptr<core::Thread>(core::Thread::create("Networking")); });
    return *thread;
}

std::shared_ptr<dispatch::Group> SharedNetworking::completionGroup()
{
    static std::once_flag flag;
    static std::shared_ptr<dispatch::Group> group;
    dispatch::once(flag, [] { group = dispatch::Group::create(); });
    return group;
}

long SharedNetworking::pendingCount()
{
    return s_pendingOperations.load();
}

void SharedNetworking::enterPending(std::atomic<bool>& mark)
{
    if (!mark.exchange(true))
        s_pendingOperations++;
}

void SharedNetworking::leavePending(std::atomic<bool>& mark)
{
    if (mark.exchange(false))
        s_pendingOperations--;
}

}
