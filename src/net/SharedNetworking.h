#pragma once
#include <atomic>
#include <memory>

namespace core {
class Thread;
}

namespace dispatch {
class Group;
}

namespace net {

// What every URL connection operation shares for the life of the process: the one network
// thread that runs their connections, the completion group used where none is set, and the
// count of operations still pending.
class SharedNetworking {
public:
    // Made on first use, named "Networking", never stopped.
    static std::shared_ptr<core::Thread> thread();
    static std::shared_ptr<dispatch::Group> completionGroup();
    static long pendingCount();
    // Count an operation as pending, or stop counting it, once however often called: `mark` is
    // the operation's own flag.
    static void enterPending(std::atomic<bool>& mark);
    static void leavePending(std::atomic<bool>& mark);
};

}
