#pragma once
// A cpp-httplib server on 127.0.0.1 and a free port, for the transfer tests; plus the gate a
// handler waits on to act slow, and a bounded pump of the main run loop.
#include "platform/core/RunLoop.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <httplib.h>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>

namespace testsupport {

class LoopbackServer {
public:
    httplib::Server server;

    void start()
    {
        // One request per connection: a kept-alive connection would hold stop() for seconds.
        server.set_keep_alive_max_count(1);
        m_port = server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { server.listen_after_bind(); });
    }
    void stop()
    {
        if (!m_thread.joinable())
            return;
        // stop() only reaches a server that is already listening; the socket is bound, so that
        // happens at once.
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!server.is_running() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        server.stop();
        m_thread.join();
    }
    ~LoopbackServer() { stop(); }

    int port() const { return m_port; }
    std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }

private:
    int m_port = 0;
    std::thread m_thread;
};

// A loopback port that refuses connections: a bound socket that never listens, which also keeps
// the port from anyone else for as long as it lives.
class RefusingPort {
public:
    RefusingPort()
    {
        m_fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (m_fd >= 0 && bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            socklen_t length = sizeof address;
            getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length);
            m_port = ntohs(address.sin_port);
        }
    }
    ~RefusingPort()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;

    bool ok() const { return m_port != 0; }
    std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }

private:
    int m_fd = -1;
    int m_port = 0;
};

// Holds a handler until released (or until its own bound passes, so a failing test cannot hang
// the server).
class Gate {
public:
    bool wait(double seconds = 10)
    {
        std::unique_lock lock(m_mutex);
        return m_cv.wait_for(lock, std::chrono::duration<double>(seconds), [this] { return m_open; });
    }
    // Notified under the lock: a waiter that wakes may destroy the gate at once, which must not
    // happen while this thread is still inside the broadcast.
    void open()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_cv.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_open = false;
};

// Runs the main run loop until `done` holds; false when `seconds` pass first.
inline bool pumpMainUntil(const std::function<bool()>& done, double seconds = 10)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        core::RunLoop::main().runOnce(0.02);
    }
    return true;
}

// Bytes that differ from position to position, so a misplaced chunk shows.
inline std::string patternBytes(size_t size)
{
    std::string s(size, '\0');
    uint32_t x = 2463534242u;
    for (size_t i = 0; i < size; i++) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        s[i] = static_cast<char>(x);
    }
    return s;
}

}
