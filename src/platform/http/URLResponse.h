#pragma once
#include <cstdint>
#include <string>

namespace http {

// The metadata of a response: where it came from, the body's MIME type and text encoding, and
// the length the body is announced to have (-1 when unknown).
class URLResponse {
public:
    URLResponse(std::string url, std::string MIMEType, int64_t expectedContentLength, std::string textEncodingName = {});
    virtual ~URLResponse() = default;

    const std::string& URL() const { return m_url; }
    const std::string& MIMEType() const { return m_mimeType; }
    int64_t expectedContentLength() const { return m_expectedContentLength; }
    const std::string& textEncodingName() const { return m_textEncodingName; }

    // A one-line summary for logs and error information.
    virtual std::string description() const;

private:
    std::string m_url;
    std::string m_mimeType;
    int64_t m_expectedContentLength;
    std::string m_textEncodingName;
};

}
