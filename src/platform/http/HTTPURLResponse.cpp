#include "platform/http/HTTPURLResponse.h"

#include "platform/core/Log.h"

#include <algorithm>
#include <cctype>
#include <strings.h>

namespace http {

namespace {

std::optional<std::string> findField(const std::map<std::string, std::string>& fields, const std::string& name)
{
    for (auto& [key, value] : fields)
        if (strcasecmp(key.c_str(), name.c_str()) == 0)
            return value;
    return std::nullopt;
}

std::string trim(std::string s)
{
    auto notSpace = [](unsigned char c) { return !std::isspace(c); };
    s.erase(s.begin(), std::find_if(s.begin(), s.end(), notSpace));
    s.erase(std::find_if(s.rbegin(), s.rend(), notSpace).base(), s.end());
    return s;
}

// "text/html; charset=UTF-8" -> ("text/html", "utf-8").
std::pair<std::string, std::string> splitContentType(const std::optional<std::string>& contentType)
{
    if (!contentType)
        return {};
    std::string value = *contentType;
    std::string mime = trim(value.substr(0, value.find(';')));
    std::transform(mime.begin(), mime.end(), mime.begin(), [](unsigned char c) { return std::tolower(c); });
    std::string charset;
    size_t at = 0;
    while ((at = value.find(';', at)) != std::string::npos) {
        at++;
        std::string param = trim(value.substr(at, value.find(';', at) - at));
        if (param.size() > 8 && strncasecmp(param.c_str(), "charset=", 8) == 0) {
            charset = param.substr(8);
            if (charset.size() >= 2 && charset.front() == '"' && charset.back() == '"')
                charset = charset.substr(1, charset.size() - 2);
            std::transform(charset.begin(), charset.end(), charset.begin(), [](unsigned char c) { return std::tolower(c); });
        }
    }
    return { mime, charset };
}

}

HTTPURLResponse::HTTPURLResponse(std::string url, int statusCode, std::map<std::string, std::string> headerFields, int64_t expectedContentLength)
    : URLResponse(std::move(url), splitContentType(findField(headerFields, "Content-Type")).first, expectedContentLength,
        splitContentType(findField(headerFields, "Content-Type")).second)
    , m_statusCode(statusCode)
    , m_headerFields(std::move(headerFields))
{
}

std::optional<std::string> HTTPURLResponse::valueForHTTPHeaderField(const std::string& field) const
{
    return findField(m_headerFields, field);
}

std::string HTTPURLResponse::localizedStringForStatusCode(int statusCode)
{
    switch (statusCode) {
    case 100: return "continue";
    case 101: return "switching protocols";
    case 200: return "no error";
    case 201: return "created";
    case 202: return "accepted";
    case 203: return "non-authoritative information";
    case 204: return "no content";
    case 205: return "reset content";
    case 206: return "partial content";
    case 300: return "multiple choices";
    case 301: return "moved permanently";
    case 302: return "found";
    case 303: return "see other";
    case 304: return "not modified";
    case 305: return "needs proxy";
    case 307: return "temporarily redirected";
    case 308: return "permanent redirect";
    case 400: return "bad request";
    case 401: return "unauthorized";
    case 402: return "payment required";
    case 403: return "forbidden";
    case 404: return "not found";
    case 405: return "method not allowed";
    case 406: return "unacceptable";
    case 407: return "proxy authentication required";
    case 408: return "request timed out";
    case 409: return "conflict";
    case 410: return "no longer exists";
    case 411: return "length required";
    case 412: return "precondition failed";
    case 413: return "request too large";
    case 414: return "requested URL too long";
    case 415: return "unsupported media type";
    case 416: return "requested range not satisfiable";
    case 417: return "expectation failed";
    case 429: return "too many requests";
    case 500: return "internal server error";
    case 501: return "unimplemented";
    case 502: return "bad gateway";
    case 503: return "service unavailable";
    case 504: return "gateway timed out";
    case 505: return "unsupported version";
    }
    if (statusCode >= 100 && statusCode < 200)
        return "informational";
    if (statusCode >= 200 && statusCode < 300)
        return "success";
    if (statusCode >= 300 && statusCode < 400)
        return "redirected";
    if (statusCode >= 400 && statusCode < 500)
        return "client error";
    if (statusCode >= 500 && statusCode < 600)
        return "server error";
    return "unknown";
}

std::string HTTPURLResponse::description() const
{
    return core::format("<HTTPURLResponse: %p> { URL: %s } { status code: %d, MIME type: %s, length: %lld }",
        static_cast<const void*>(this), URL().c_str(), m_statusCode, MIMEType().c_str(),
        static_cast<long long>(expectedContentLength()));
}

}
