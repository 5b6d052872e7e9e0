#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace http {

// What to fetch: a URL, a method (GET unless set), header fields and an optional body. The
// time-out is how long a transfer may make no progress (connecting, or receiving nothing) before
// it fails; a long download that keeps moving is never cut off.
class URLRequest {
public:
    static constexpr double defaultTimeoutInterval = 60;

    URLRequest() = default;
    explicit URLRequest(std::string url, double timeoutInterval = defaultTimeoutInterval);
    static URLRequest requestWithURL(std::string url) { return URLRequest(std::move(url)); }

    const std::string& URL() const { return m_url; }
    void setURL(std::string url) { m_url = std::move(url); }
    const std::string& HTTPMethod() const { return m_method; }
    void setHTTPMethod(std::string method) { m_method = std::move(method); }
    double timeoutInterval() const { return m_timeoutInterval; }
    void setTimeoutInterval(double seconds) { m_timeoutInterval = seconds; }
    // The largest body accepted, in bytes (0: any): a larger declared length fails the transfer
    // before any byte of the body arrives, else it fails as soon as the bytes received pass it.
    int64_t maximumContentLength() const { return m_maximumContentLength; }
    void setMaximumContentLength(int64_t bytes) { m_maximumContentLength = bytes; }
    // A transfer slower than bytesPerSecond over `seconds` fails as timed out (0: no such limit).
    long lowSpeedLimit() const { return m_lowSpeedLimit; }
    long lowSpeedTime() const { return m_lowSpeedTime; }
    void setLowSpeedLimit(long bytesPerSecond, long seconds)
    {
        m_lowSpeedLimit = bytesPerSecond;
        m_lowSpeedTime = seconds;
    }
    const std::optional<std::string>& HTTPBody() const { return m_body; }
    void setHTTPBody(std::optional<std::string> body) { m_body = std::move(body); }

    // Field names compare without regard to case; setting an empty value removes the field.
    const std::map<std::string, std::string>& allHTTPHeaderFields() const { return m_headers; }
    std::optional<std::string> valueForHTTPHeaderField(const std::string& field) const;
    void setValue(const std::string& value, const std::string& field);

private:
    std::string m_url;
    std::string m_method = "GET";
    double m_timeoutInterval = defaultTimeoutInterval;
    std::optional<std::string> m_body;
    int64_t m_maximumContentLength = 0;
    long m_lowSpeedLimit = 0;
    long m_lowSpeedTime = 0;
    std::map<std::string, std::string> m_headers;
};

}
