#include "platform/http/URLResponse.h"

#include "platform/core/Log.h"

namespace http {

URLResponse::URLResponse(std::string url, std::string MIMEType, int64_t expectedContentLength, std::string textEncodingName)
    : m_url(std::move(url))
    , m_mimeType(std::move(MIMEType))
    , m_expectedContentLength(expectedContentLength)
    , m_textEncodingName(std::move(textEncodingName))
{
}

std::string URLResponse::description() const
{
    return core::format("<URLResponse: %p> { URL: %s } { MIME type: %s, length: %lld }", static_cast<const void*>(this),
        m_url.c_str(), m_mimeType.c_str(), static_cast<long long>(m_expectedContentLength));
}

}
