#pragma once
#include "net/URLConnectionOperation.h"

namespace net {

class HTTPResponseSerializer;

// An operation whose response is judged by a serializer, and only when responseObject() is
// asked for: until then an error status is no failure.
class HTTPRequestOperation : public URLConnectionOperation {
public:
    static std::shared_ptr<HTTPRequestOperation> create(http::URLRequest request);

    std::shared_ptr<HTTPResponseSerializer> responseSerializer() const;
    // Forgets the response object and the serialization error made with the previous one.
    void setResponseSerializer(std::shared_ptr<HTTPResponseSerializer> serializer);

    // The body as the serializer gives it (none for a file output stream), once finished
    // without error; a validation failure is kept as responseSerializationError().
    std::optional<std::string> responseObject();
    std::optional<core::Error> responseSerializationError() const;
    // The serialization error when one was found, else the connection's.
    std::optional<core::Error> error() const override;

private:
    explicit HTTPRequestOperation(http::URLRequest request);

    std::shared_ptr<HTTPResponseSerializer> m_responseSerializer;
    std::optional<std::string> m_responseObject;
    std::optional<core::Error> m_responseSerializationError;
};

}
