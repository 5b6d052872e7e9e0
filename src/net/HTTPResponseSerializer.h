#pragma once
#include "platform/core/Error.h"

#include <memory>
#include <optional>
#include <set>
#include <string>

namespace http {
class URLResponse;
}

namespace net {

inline constexpr const char* URLResponseSerializationErrorDomain = "net.error.serialization.response";
inline constexpr const char* OperationFailingURLResponseErrorKey = "net.serialization.response.error.response";
inline constexpr const char* OperationFailingURLResponseDataErrorKey = "net.serialization.response.error.data";

// Decides whether an HTTP response is acceptable (status, MIME type) and hands the body back
// unchanged. A response that is not HTTP, or none at all, is always acceptable.
class HTTPResponseSerializer {
public:
    static std::shared_ptr<HTTPResponseSerializer> serializer();
    virtual ~HTTPResponseSerializer() = default;

    const std::string& stringEncoding() const { return m_stringEncoding; }
    void setStringEncoding(std::string encoding) { m_stringEncoding = std::move(encoding); }
    // None means any.
    const std::optional<std::set<int>>& acceptableStatusCodes() const { return m_acceptableStatusCodes; }
    void setAcceptableStatusCodes(std::optional<std::set<int>> codes) { m_acceptableStatusCodes = std::move(codes); }
    const std::optional<std::set<std::string>>& acceptableContentTypes() const { return m_acceptableContentTypes; }
    void setAcceptableContentTypes(std::optional<std::set<std::string>> types) { m_acceptableContentTypes = std::move(types); }

    // False when unacceptable; `error` then receives the last error made, which an empty body
    // with an unacceptable type does not make.
    bool validateResponse(const std::shared_ptr<const http::URLResponse>& response, const std::optional<std::string>& data,
        std::optional<core::Error>* error) const;
    virtual std::optional<std::string> responseObjectForResponse(const std::shared_ptr<const http::URLResponse>& response,
        const std::optional<std::string>& data, std::optional<core::Error>* error) const;

protected:
    HTTPResponseSerializer();

private:
    std::string m_stringEncoding = "utf-8";
    std::optional<std::set<int>> m_acceptableStatusCodes;
    std::optional<std::set<std::string>> m_acceptableContentTypes;
};

}
