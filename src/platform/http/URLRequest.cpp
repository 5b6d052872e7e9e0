#include "platform/http/URLRequest.h"

#include <strings.h>

namespace http {

URLRequest::URLRequest(std::string url, double timeoutInterval)
    : m_url(std::move(url))
    , m_timeoutInterval(timeoutInterval)
{
}

std::optional<std::string> URLRequest::valueForHTTPHeaderField(const std::string& field) const
{
    for (auto& [name, value] : m_headers)
        if (strcasecmp(name.c_str(), field.c_str()) == 0)
            return value;
    return std::nullopt;
}

void URLRequest::setValue(const std::string& value, const std::string& field)
{
    std::erase_if(m_headers, [&](const auto& entry) { return strcasecmp(entry.first.c_str(), field.c_str()) == 0; });
    if (!value.empty())
        m_headers[field] = value;
}

}
