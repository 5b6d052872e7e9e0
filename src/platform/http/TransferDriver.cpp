#include "platform/http/TransferDriver.h"

#include "platform/core/RunLoop.h"
#include "platform/http/URLConnection.h"

#include <algorithm>
#include <cmath>
#include <curl/curl.h>
#include <mutex>
#include <vector>

namespace http {

namespace {
CURLM* multiOf(void* handle)
{
    return static_cast<CURLM*>(handle);
}

// Cap on one wait, so a stopped loop notices within this time even when nothing wakes it.
constexpr int maxPollMilliseconds = 500;
}

std::shared_ptr<TransferDriver> TransferDriver::forCurrentThread()
{
    thread_local std::shared_ptr<TransferDriver> driver;
    if (!driver)
        driver = std::shared_ptr<TransferDriver>(new TransferDriver(core::RunLoop::current()));
    return driver;
}

TransferDriver::TransferDriver(core::RunLoop& loop)
    : m_loop(loop)
{
    static std::once_flag curlInit;
    std::call_once(curlInit, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    m_multi = curl_multi_init();
}

TransferDriver::~TransferDriver()
{
    for (auto& [easy, connection] : m_active)
        curl_multi_remove_handle(multiOf(m_multi), easy);
    curl_multi_cleanup(multiOf(m_multi));
}

void TransferDriver::add(const std::shared_ptr<URLConnection>& connection)
{
    if (!m_wakeInstalled) {
        m_wakeInstalled = true;
        m_loopThread = std::this_thread::get_id();
        std::weak_ptr<TransferDriver> weak = weak_from_this();
        CURLM* multi = multiOf(m_multi);
        auto loopThread = m_loopThread;
        // Posts from the loop's own thread need no wake-up: the pump checks for pending tasks
        // before it waits.
        m_loop.setWakeHandler([weak, multi, loopThread] {
            if (std::this_thread::get_id() != loopThread && !weak.expired())
                curl_multi_wakeup(multi);
        });
    }
    m_active[connection->m_easy] = connection;
    curl_multi_add_handle(multiOf(m_multi), connection->m_easy);
    schedulePump();
}

void TransferDriver::remove(URLConnection& connection)
{
    auto it = m_active.find(connection.m_easy);
    if (it == m_active.end())
        return;
    auto keep = it->second;
    curl_multi_remove_handle(multiOf(m_multi), connection.m_easy);
    m_active.erase(it);
}

void TransferDriver::schedulePump()
{
    if (m_pumpScheduled || m_active.empty())
        return;
    m_pumpScheduled = true;
    m_loop.perform([self = shared_from_this()] { self->pump(); });
}

void TransferDriver::performAndCollect()
{
    int running = 0;
    curl_multi_perform(multiOf(m_multi), &running);
    std::vector<std::pair<std::shared_ptr<URLConnection>, CURLcode>> done;
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multiOf(m_multi), &queued)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        auto it = m_active.find(message->easy_handle);
        if (it == m_active.end())
            continue;
        done.emplace_back(it->second, message->data.result);
    }
    // Handles leave the multi before their connections hear of it: a connection may start a
    // new transfer (a redirect) or be released from its callback.
    for (auto& [connection, code] : done)
        remove(*connection);
    for (auto& [connection, code] : done)
        connection->transferDone(code);
}

void TransferDriver::pump()
{
    m_pumpScheduled = false;
    performAndCollect();
    if (m_active.empty())
        return;
    if (!m_loop.hasPendingTasks()) {
        long curlTimeout = -1;
        curl_multi_timeout(multiOf(m_multi), &curlTimeout);
        int timeout = curlTimeout < 0 ? maxPollMilliseconds : static_cast<int>(std::min<long>(curlTimeout, maxPollMilliseconds));
        if (auto next = m_loop.nextFireDate()) {
            double untilTimer = (*next - m_loop.now()) * 1000;
            timeout = std::clamp(static_cast<int>(std::ceil(untilTimer)), 0, timeout);
        }
        if (timeout > 0)
            curl_multi_poll(multiOf(m_multi), nullptr, 0, timeout, nullptr);
        performAndCollect();
    }
    schedulePump();
}

}
