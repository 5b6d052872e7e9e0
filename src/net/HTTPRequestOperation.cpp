#include "net/HTTPRequestOperation.h"

#include "net/HTTPResponseSerializer.h"

namespace net {

HTTPRequestOperation::HTTPRequestOperation(http::URLRequest request)
    : URLConnectionOperation(std::move(request))
    , m_responseSerializer(HTTPResponseSerializer::serializer())
{
}

std::shared_ptr<HTTPRequestOperation> HTTPRequestOperation::create(http::URLRequest request)
{
    return std::shared_ptr<HTTPRequestOperation>(new HTTPRequestOperation(std::move(request)));
}

std::shared_ptr<HTTPResponseSerializer> HTTPRequestOperation::responseSerializer() const
{
    std::lock_guard lock(m_lock);
    return m_responseSerializer;
}

void HTTPRequestOperation::setResponseSerializer(std::shared_ptr<HTTPResponseSerializer> serializer)
{
    std::lock_guard lock(m_lock);
    m_responseSerializer = std::move(serializer);
    m_responseObject.reset();
    m_responseSerializationError.reset();
}

std::optional<std::string> HTTPRequestOperation::responseObject()
{
    std::lock_guard lock(m_lock);
    if (!m_responseObject && isFinished() && !error() && m_responseSerializer) {
        std::optional<core::Error> error;
        m_responseObject = m_responseSerializer->responseObjectForResponse(response(), responseData(), &error);
        if (error)
            m_responseSerializationError = std::move(error);
    }
    return m_responseObject;
}

std::optional<core::Error> HTTPRequestOperation::responseSerializationError() const
{
    std::lock_guard lock(m_lock);
    return m_responseSerializationError;
}

std::optional<core::Error> HTTPRequestOperation::error() const
{
    std::lock_guard lock(m_lock);
    if (m_responseSerializationError)
        return m_responseSerializationError;
    return URLConnectionOperation::error();
}

}
