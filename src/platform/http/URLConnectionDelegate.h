#pragma once
#include "platform/http/URLRequest.h"

#include <memory>
#include <optional>
#include <string_view>

namespace core {
struct Error;
}

namespace http {

class URLConnection;
class URLResponse;

// What a URL connection tells its delegate, on the thread of the run loop it is scheduled in.
// After didFailWithError or connectionDidFinishLoading, or once the connection is cancelled,
// nothing more arrives.
class URLConnectionDelegate {
public:
    virtual ~URLConnectionDelegate() = default;

    // A redirect is about to be followed: the request to send instead (by default the proposed
    // one); none stops following it, and the redirect answer becomes the final response.
    virtual std::optional<URLRequest> willSendRequest(URLConnection&, const URLRequest& request, const std::shared_ptr<const URLResponse>& redirectResponse)
    {
        (void)redirectResponse;
        return request;
    }
    virtual void didReceiveResponse(URLConnection&, const std::shared_ptr<const URLResponse>&) { }
    // A chunk of the body, valid only during the call.
    virtual void didReceiveData(URLConnection&, std::string_view) { }
    virtual void connectionDidFinishLoading(URLConnection&) { }
    virtual void didFailWithError(URLConnection&, const core::Error&) { }
};

}
