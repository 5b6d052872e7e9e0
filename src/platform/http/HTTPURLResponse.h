#pragma once
#include "platform/http/URLResponse.h"

#include <map>
#include <optional>

namespace http {

// A response that came over HTTP: the status code and the header fields of the final answer.
class HTTPURLResponse : public URLResponse {
public:
    HTTPURLResponse(std::string url, int statusCode, std::map<std::string, std::string> headerFields, int64_t expectedContentLength);

    int statusCode() const { return m_statusCode; }
    const std::map<std::string, std::string>& allHeaderFields() const { return m_headerFields; }
    // Field names compare without regard to case.
    std::optional<std::string> valueForHTTPHeaderField(const std::string& field) const;

    // The lower-case reason phrase for a status code ("not found" for 404).
    static std::string localizedStringForStatusCode(int statusCode);

    std::string description() const override;

private:
    int m_statusCode;
    std::map<std::string, std::string> m_headerFields;
};

}
