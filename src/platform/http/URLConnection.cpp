#include "platform/http/URLConnection.h"

#include "platform/core/Error.h"
#include "platform/core/Log.h"
#include "platform/core/RunLoop.h"
#include "platform/http/HTTPURLResponse.h"
#include "platform/http/TransferDriver.h"
#include "platform/http/URLConnectionDelegate.h"
#include "platform/http/URLError.h"

#include <algorithm>
#include <chrono>
#include <cctype>
#include <cmath>
#include <cstring>
#include <curl/curl.h>
#include <strings.h>

namespace http {

namespace {

// Large reads keep the per-chunk cost (one delegate call, one write) small on fast links.
constexpr long receiveBufferSize = 256 * 1024;
constexpr int maxRedirects = 16;

CURL* easyOf(void* handle)
{
    return static_cast<CURL*>(handle);
}

long urlErrorCodeFor(CURLcode code)
{
    switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL:
        return URLErrorUnsupportedURL;
    case CURLE_URL_MALFORMAT:
        return URLErrorBadURL;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return URLErrorCannotFindHost;
    case CURLE_COULDNT_CONNECT:
        return URLErrorCannotConnectToHost;
    case CURLE_OPERATION_TIMEDOUT:
        return URLErrorTimedOut;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
        return URLErrorNetworkConnectionLost;
    case CURLE_TOO_MANY_REDIRECTS:
        return URLErrorHTTPTooManyRedirects;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
        return URLErrorBadServerResponse;
    case CURLE_FILE_COULDNT_READ_FILE:
        return URLErrorFileDoesNotExist;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        return URLErrorServerCertificateUntrusted;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
        return URLErrorSecureConnectionFailed;
    default:
        return URLErrorUnknown;
    }
}

std::string mimeTypeForPath(const std::string& path)
{
    static const std::pair<const char*, const char*> table[] = {
        { ".zip", "application/zip" }, { ".json", "application/json" }, { ".csv", "text/csv" },
        { ".txt", "text/plain" }, { ".html", "text/html" }, { ".htm", "text/html" },
        { ".png", "image/png" }, { ".jpg", "image/jpeg" }, { ".xml", "application/xml" },
    };
    for (auto& [ext, mime] : table) {
        size_t n = strlen(ext);
        if (path.size() >= n && strcasecmp(path.c_str() + path.size() - n, ext) == 0)
            return mime;
    }
    return "application/octet-stream";
}

std::string trimmed(std::string_view s)
{
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return std::string(s);
}

// A Location value, which may be relative, made absolute against the URL that answered.
std::string resolveURL(const std::string& base, const std::string& location)
{
    std::string result;
    CURLU* handle = curl_url();
    if (curl_url_set(handle, CURLUPART_URL, base.c_str(), 0) == CURLUE_OK
        && curl_url_set(handle, CURLUPART_URL, location.c_str(), 0) == CURLUE_OK) {
        char* resolved = nullptr;
        if (curl_url_get(handle, CURLUPART_URL, &resolved, 0) == CURLUE_OK) {
            result = resolved;
            curl_free(resolved);
        }
    }
    curl_url_cleanup(handle);
    return result;
}

}

URLConnection::URLConnection(URLRequest request, std::shared_ptr<URLConnectionDelegate> delegate)
    : m_originalRequest(request)
    , m_currentRequest(std::move(request))
    , m_delegate(std::move(delegate))
{
}

std::shared_ptr<URLConnection> URLConnection::create(URLRequest request, std::shared_ptr<URLConnectionDelegate> delegate, StartImmediately startImmediately)
{
    auto connection = std::shared_ptr<URLConnection>(new URLConnection(std::move(request), std::move(delegate)));
    if (startImmediately == StartImmediately::Yes)
        connection->start();
    return connection;
}

URLConnection::~URLConnection()
{
    releaseHandle();
}

void URLConnection::scheduleInRunLoop(core::RunLoop& loop, const std::string&)
{
    std::lock_guard lock(m_mutex);
    if (!m_scheduled) {
        m_loop = loop.weak_from_this();
        m_scheduled = true;
    }
}

void URLConnection::start()
{
    std::shared_ptr<core::RunLoop> loop;
    {
        std::lock_guard lock(m_mutex);
        if (m_started)
            return;
        m_started = true;
        if (!m_scheduled) {
            m_loop = core::RunLoop::current().weak_from_this();
            m_scheduled = true;
        }
        loop = m_loop.lock();
    }
    if (!loop) {
        core::log("URLConnection: the run loop it was scheduled in is gone");
        return;
    }
    // Always posted: start() may be called from inside a curl callback, where the multi handle
    // must not be touched.
    loop->perform([self = shared_from_this()] { self->beginTransfer(); });
}

void URLConnection::cancel()
{
    if (m_cancelled.exchange(true))
        return;
    releaseDelegate();
    std::shared_ptr<core::RunLoop> loop;
    {
        std::lock_guard lock(m_mutex);
        if (m_started)
            loop = m_loop.lock();
    }
    if (loop)
        loop->perform([self = shared_from_this()] { TransferDriver::forCurrentThread()->remove(*self); self->releaseHandle(); });
}

std::shared_ptr<URLConnectionDelegate> URLConnection::delegate() const
{
    std::lock_guard lock(m_mutex);
    return m_delegate;
}

void URLConnection::releaseDelegate()
{
    std::shared_ptr<URLConnectionDelegate> old;
    {
        std::lock_guard lock(m_mutex);
        old.swap(m_delegate);
    }
}

void URLConnection::releaseHandle()
{
    if (m_easy) {
        curl_easy_cleanup(easyOf(m_easy));
        m_easy = nullptr;
    }
    if (m_headerList) {
        curl_slist_free_all(m_headerList);
        m_headerList = nullptr;
    }
}

void URLConnection::beginTransfer()
{
    if (m_cancelled)
        return;
    releaseHandle();
    m_headers.clear();
    m_responseDelivered = false;
    m_redirectResponse.reset();
    m_redirectURL.clear();

    CURL* easy = curl_easy_init();
    if (!easy) {
        fail(makeURLError(URLErrorUnknown, m_currentRequest.URL()));
        return;
    }
    m_easy = easy;
    const URLRequest& request = m_currentRequest;
    curl_easy_setopt(easy, CURLOPT_URL, request.URL().c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https,file");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, receiveBufferSize);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "BeatStrip/0.1 libcurl");
    // The time-out bounds how long the transfer may stall, not how long it may take.
    double timeout = request.timeoutInterval() > 0 ? request.timeoutInterval() : URLRequest::defaultTimeoutInterval;
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeout * 1000));
    // curl's own low-speed check averages over several seconds; the progress callback measures
    // the stall itself.
    m_stallLimit = timeout;
    m_lastProgress = std::chrono::steady_clock::now();
    m_progressBytes = -1;
    m_timedOut = false;
    if (request.maximumContentLength() > 0)
        curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request.maximumContentLength()));
    m_bodyBytes = 0;
    m_tooLarge = false;
    if (request.lowSpeedLimit() > 0 && request.lowSpeedTime() > 0) {
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, request.lowSpeedLimit());
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, request.lowSpeedTime());
    }
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &URLConnection::progressCallback);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);

    const std::string& method = request.HTTPMethod();
    if (method == "HEAD")
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    else if (method != "GET")
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, method.c_str());
    if (request.HTTPBody()) {
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.HTTPBody()->size()));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request.HTTPBody()->data());
    }
    for (auto& [name, value] : request.allHTTPHeaderFields())
        m_headerList = curl_slist_append(m_headerList, (name + ": " + value).c_str());
    if (m_headerList)
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, m_headerList);

    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &URLConnection::writeCallback);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &URLConnection::headerCallback);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);

    // Runs as a task of the scheduled loop, so the current thread's driver is that loop's.
    TransferDriver::forCurrentThread()->add(shared_from_this());
}

size_t URLConnection::writeCallback(char* data, size_t size, size_t count, void* self)
{
    return static_cast<URLConnection*>(self)->onData(data, size * count);
}

int URLConnection::progressCallback(void* self, int64_t downloadTotal, int64_t downloadNow, int64_t uploadTotal, int64_t uploadNow)
{
    (void)downloadTotal;
    (void)uploadTotal;
    auto* connection = static_cast<URLConnection*>(self);
    auto now = std::chrono::steady_clock::now();
    int64_t moved = downloadNow + uploadNow;
    if (moved != connection->m_progressBytes) {
        connection->m_progressBytes = moved;
        connection->m_lastProgress = now;
        return 0;
    }
    if (std::chrono::duration<double>(now - connection->m_lastProgress).count() > connection->m_stallLimit) {
        connection->m_timedOut = true;
        return 1;
    }
    return 0;
}

size_t URLConnection::headerCallback(char* data, size_t size, size_t count, void* self)
{
    static_cast<URLConnection*>(self)->onHeaderLine(data, size * count);
    return size * count;
}

void URLConnection::onHeaderLine(const char* data, size_t length)
{
    std::string_view line(data, length);
    // Each status line (an interim 100, a redirect, the final answer) starts a new header block.
    if (line.starts_with("HTTP/")) {
        m_headers.clear();
        return;
    }
    size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return;
    std::string name = trimmed(line.substr(0, colon));
    std::string value = trimmed(line.substr(colon + 1));
    for (auto& [key, existing] : m_headers) {
        if (strcasecmp(key.c_str(), name.c_str()) == 0) {
            existing += ", " + value;
            return;
        }
    }
    m_headers.emplace(std::move(name), std::move(value));
}

void URLConnection::deliverResponse()
{
    if (m_responseDelivered)
        return;
    m_responseDelivered = true;
    CURL* easy = easyOf(m_easy);
    const char* effective = nullptr;
    curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &effective);
    std::string url = effective ? effective : m_currentRequest.URL();
    curl_off_t length = -1;
    curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    const char* scheme = nullptr;
    curl_easy_getinfo(easy, CURLINFO_SCHEME, &scheme);
    bool isHTTP = scheme && (strcasecmp(scheme, "http") == 0 || strcasecmp(scheme, "https") == 0);

    std::shared_ptr<const URLResponse> response;
    if (isHTTP) {
        long status = 0;
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
        response = std::make_shared<HTTPURLResponse>(url, static_cast<int>(status), m_headers, length);
        bool redirect = status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
        std::string location;
        if (redirect) {
            if (auto field = static_cast<const HTTPURLResponse&>(*response).valueForHTTPHeaderField("Location"))
                location = resolveURL(url, *field);
        }
        if (redirect && !location.empty() && m_currentRequest.HTTPMethod() != "HEAD") {
            // Its body is dropped; transferDone() asks the delegate whether to follow.
            m_redirectResponse = response;
            m_redirectURL = location;
            return;
        }
    } else {
        response = std::make_shared<URLResponse>(url, mimeTypeForPath(url), length);
    }
    if (m_cancelled)
        return;
    if (auto d = delegate())
        d->didReceiveResponse(*this, response);
}

size_t URLConnection::onData(const char* data, size_t length)
{
    if (m_cancelled)
        return 0;
    deliverResponse();
    if (m_redirectResponse)
        return length;
    if (m_cancelled)
        return 0;
    // Without a declared length the limit is held here, before the bytes go anywhere.
    m_bodyBytes += static_cast<int64_t>(length);
    if (int64_t limit = m_currentRequest.maximumContentLength(); limit > 0 && m_bodyBytes > limit) {
        m_tooLarge = true;
        return 0;
    }
    if (auto d = delegate())
        d->didReceiveData(*this, std::string_view(data, length));
    // A cancel from inside the callback aborts the transfer here.
    return m_cancelled ? 0 : length;
}

void URLConnection::fail(const core::Error& error)
{
    auto d = delegate();
    releaseDelegate();
    releaseHandle();
    if (d && !m_cancelled)
        d->didFailWithError(*this, error);
}

void URLConnection::transferDone(int curlCode)
{
    auto self = shared_from_this();
    if (m_cancelled) {
        releaseHandle();
        return;
    }
    auto code = static_cast<CURLcode>(curlCode);
    if (code == CURLE_OK) {
        deliverResponse();
        if (m_redirectResponse) {
            if (++m_redirectCount > maxRedirects) {
                fail(makeURLError(URLErrorHTTPTooManyRedirects, m_currentRequest.URL()));
                return;
            }
            // A server may send the client elsewhere on the web, never to a local file.
            if (strncasecmp(m_redirectURL.c_str(), "http://", 7) != 0 && strncasecmp(m_redirectURL.c_str(), "https://", 8) != 0) {
                fail(makeURLError(URLErrorUnsupportedURL, m_redirectURL));
                return;
            }
            URLRequest proposed = m_currentRequest;
            proposed.setURL(m_redirectURL);
            auto* http = dynamic_cast<const HTTPURLResponse*>(m_redirectResponse.get());
            int status = http ? http->statusCode() : 0;
            if (status == 303 || ((status == 301 || status == 302) && proposed.HTTPMethod() == "POST")) {
                proposed.setHTTPMethod("GET");
                proposed.setHTTPBody(std::nullopt);
                proposed.setValue("", "Content-Type");
            }
            std::optional<URLRequest> next = proposed;
            if (auto d = delegate())
                next = d->willSendRequest(*this, proposed, m_redirectResponse);
            if (m_cancelled) {
                releaseHandle();
                return;
            }
            if (next) {
                m_currentRequest = std::move(*next);
                beginTransfer();
                return;
            }
            // Not followed: the redirect answer is the final one, without its body.
            auto response = m_redirectResponse;
            m_redirectResponse.reset();
            if (auto d = delegate())
                d->didReceiveResponse(*this, response);
        }
        auto d = delegate();
        releaseDelegate();
        releaseHandle();
        if (d && !m_cancelled)
            d->connectionDidFinishLoading(*this);
        return;
    }
    long urlCode = code == CURLE_ABORTED_BY_CALLBACK && m_timedOut ? URLErrorTimedOut
        : m_tooLarge || code == CURLE_FILESIZE_EXCEEDED     ? URLErrorDataLengthExceedsMaximum
                                                            : urlErrorCodeFor(code);
    auto error = makeURLError(urlCode, m_currentRequest.URL());
    auto underlying = core::Error::make(CurlErrorDomain, code, curl_easy_strerror(code));
    error.underlying = std::make_shared<const core::Error>(std::move(underlying));
    fail(error);
}

}
