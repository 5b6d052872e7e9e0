#pragma once
#include "platform/http/URLRequest.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

struct curl_slist;

namespace core {
class RunLoop;
struct Error;
}

namespace http {

class URLConnectionDelegate;
class URLResponse;
class TransferDriver;

// The mode name for "every mode": the kit's run loops have a single mode, so any name schedules.
inline constexpr const char* RunLoopCommonModes = "RunLoopCommonModes";

// One request carried out over libcurl. Transfers of all connections scheduled in the same run
// loop share one curl multi handle that the loop itself drives, so a loop serves any number of
// transfers without a thread per request. The delegate is held strongly until the connection
// ends or is cancelled, and is called on the scheduled loop's thread. Redirects are followed one
// at a time and reported through willSendRequest. The driver of a loop takes the loop's wake
// handler, so schedule connections on a loop that has no other use for it (the network thread's).
class URLConnection : public std::enable_shared_from_this<URLConnection> {
public:
    enum class StartImmediately { No, Yes };

    // StartImmediately::Yes schedules the connection in the caller's run loop and starts it.
    static std::shared_ptr<URLConnection> create(URLRequest request, std::shared_ptr<URLConnectionDelegate> delegate,
        StartImmediately startImmediately = StartImmediately::Yes);
    ~URLConnection();
    URLConnection(const URLConnection&) = delete;
    URLConnection& operator=(const URLConnection&) = delete;

    // Before start(); the first loop given wins.
    void scheduleInRunLoop(core::RunLoop& loop, const std::string& mode);
    // From any thread; the transfer begins on the scheduled loop (the caller's when none was given).
    void start();
    // From any thread, also from inside a delegate callback: no callback follows.
    void cancel();

    const URLRequest& originalRequest() const { return m_originalRequest; }
    // The request being carried out (the last redirect target). Scheduled loop's thread only.
    const URLRequest& currentRequest() const { return m_currentRequest; }

private:
    friend class TransferDriver;
    URLConnection(URLRequest request, std::shared_ptr<URLConnectionDelegate> delegate);

    std::shared_ptr<URLConnectionDelegate> delegate() const;
    void releaseDelegate();
    void beginTransfer();
    void releaseHandle();
    void transferDone(int curlCode);
    void deliverResponse();
    void fail(const core::Error& error);
    size_t onData(const char* data, size_t length);
    void onHeaderLine(const char* data, size_t length);

    static size_t writeCallback(char* data, size_t size, size_t count, void* self);
    static size_t headerCallback(char* data, size_t size, size_t count, void* self);
    static int progressCallback(void* self, int64_t downloadTotal, int64_t downloadNow, int64_t uploadTotal, int64_t uploadNow);

    URLRequest m_originalRequest;
    URLRequest m_currentRequest;
    mutable std::mutex m_mutex;
    std::shared_ptr<URLConnectionDelegate> m_delegate;
    std::weak_ptr<core::RunLoop> m_loop; // gone with its thread: nothing more is posted
    bool m_scheduled = false;
    std::atomic<bool> m_cancelled { false };
    bool m_started = false;

    // Transfer state, touched only on the loop's thread.
    void* m_easy = nullptr;
    curl_slist* m_headerList = nullptr;
    std::map<std::string, std::string> m_headers;
    bool m_responseDelivered = false;
    std::shared_ptr<const URLResponse> m_redirectResponse;
    std::string m_redirectURL;
    int m_redirectCount = 0;
    double m_stallLimit = URLRequest::defaultTimeoutInterval;
    std::chrono::steady_clock::time_point m_lastProgress;
    int64_t m_progressBytes = -1;
    bool m_timedOut = false;
    int64_t m_bodyBytes = 0;
    bool m_tooLarge = false;
};

}
