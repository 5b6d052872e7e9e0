#include "net/HTTPResponseSerializer.h"

#include "platform/core/Log.h"
#include "platform/http/HTTPURLResponse.h"
#include "platform/http/URLError.h"

namespace net {

namespace {

core::Error makeValidationError(long code, std::string message, const http::HTTPURLResponse& response,
    const std::shared_ptr<const http::URLResponse>& owner, const std::optional<std::string>& data)
{
    auto error = core::Error::make(URLResponseSerializationErrorDomain, code, message);
    error.userInfo[http::LocalizedDescriptionKey] = std::move(message);
    error.userInfo[http::URLErrorFailingURLErrorKey] = response.URL();
    error.userInfo[OperationFailingURLResponseErrorKey] = owner->description();
    if (data)
        error.userInfo[OperationFailingURLResponseDataErrorKey] = *data;
    return error;
}

}

HTTPResponseSerializer::HTTPResponseSerializer()
{
    std::set<int> codes;
    for (int code = 200; code < 300; code++)
        codes.insert(code);
    m_acceptableStatusCodes = std::move(codes);
}

std::shared_ptr<HTTPResponseSerializer> HTTPResponseSerializer::serializer()
{
    return std::shared_ptr<HTTPResponseSerializer>(new HTTPResponseSerializer());
}

bool HTTPResponseSerializer::validateResponse(const std::shared_ptr<const http::URLResponse>& response,
    const std::optional<std::string>& data, std::optional<core::Error>* error) const
{
    auto* httpResponse = dynamic_cast<const http::HTTPURLResponse*>(response.get());
    if (!httpResponse)
        return true;
    bool valid = true;
    std::optional<core::Error> made;
    bool hasBody = data && !data->empty();

    if (m_acceptableContentTypes && !m_acceptableContentTypes->contains(httpResponse->MIMEType())) {
        if (hasBody) {
            made = makeValidationError(http::URLErrorCannotDecodeContentData,
                core::format("Request failed: unacceptable content-type: %s", httpResponse->MIMEType().c_str()),
                *httpResponse, response, data);
        }
        valid = false;
    }

    int status = httpResponse->statusCode();
    if (m_acceptableStatusCodes && !m_acceptableStatusCodes->contains(status)) {
        auto statusError = makeValidationError(http::URLErrorBadServerResponse,
            core::format("Request failed: %s (%ld)", http::HTTPURLResponse::localizedStringForStatusCode(status).c_str(),
                static_cast<long>(status)),
            *httpResponse, response, data);
        if (made)
            statusError.underlying = std::make_shared<const core::Error>(std::move(*made));
        made = std::move(statusError);
        valid = false;
    }

    if (!valid && error)
        *error = std::move(made);
    return valid;
}

std::optional<std::string> HTTPResponseSerializer::responseObjectForResponse(const std::shared_ptr<const http::URLResponse>& response,
    const std::optional<std::string>& data, std::optional<core::Error>* error) const
{
    validateResponse(response, data, error);
    return data;
}

}
