#pragma once
#include <map>
#include <memory>
#include <thread>

namespace core {
class RunLoop;
}

namespace http {

class URLConnection;

// The curl multi handle of one run loop, driven from inside that loop: while transfers run, a
// pump task performs the transfers, hands finished ones back to their connections, then waits in
// curl_multi_poll (no longer than the loop's next timer) and posts itself again. Work posted to
// the loop from other threads wakes the poll, so the loop stays as responsive as when it sleeps
// on its own. The driver takes the loop's wake handler for that.
class TransferDriver : public std::enable_shared_from_this<TransferDriver> {
public:
    // The driver of the calling thread's run loop; it goes with the thread.
    static std::shared_ptr<TransferDriver> forCurrentThread();
    ~TransferDriver();

    // Loop thread only, and never from inside a curl callback.
    void add(const std::shared_ptr<URLConnection>& connection);
    void remove(URLConnection& connection);

private:
    explicit TransferDriver(core::RunLoop& loop);
    void schedulePump();
    void pump();
    void performAndCollect();

    core::RunLoop& m_loop;
    void* m_multi = nullptr; // CURLM*, kept out of this header
    std::thread::id m_loopThread;
    bool m_wakeInstalled = false;
    bool m_pumpScheduled = false;
    std::map<void*, std::shared_ptr<URLConnection>> m_active;
};

}
