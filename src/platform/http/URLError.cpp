#include "platform/http/URLError.h"

#include <cstring>

namespace http {

namespace {

const char* textForCode(long code)
{
    switch (code) {
    case URLErrorCancelled: return "cancelled";
    case URLErrorBadURL: return "bad URL";
    case URLErrorTimedOut: return "The request timed out.";
    case URLErrorUnsupportedURL: return "unsupported URL";
    case URLErrorCannotFindHost: return "A server with the specified hostname could not be found.";
    case URLErrorCannotConnectToHost: return "Could not connect to the server.";
    case URLErrorNetworkConnectionLost: return "The network connection was lost.";
    case URLErrorHTTPTooManyRedirects: return "too many HTTP redirects";
    case URLErrorBadServerResponse: return "The server returned a bad response.";
    case URLErrorDataLengthExceedsMaximum: return "The resource exceeds the maximum size.";
    case URLErrorFileDoesNotExist: return "The requested URL was not found on this server.";
    case URLErrorNoPermissionsToReadFile: return "The file could not be read.";
    case URLErrorSecureConnectionFailed: return "An SSL error has occurred and a secure connection to the server cannot be made.";
    case URLErrorServerCertificateUntrusted: return "The certificate for this server is invalid.";
    }
    return "An unknown error occurred.";
}

}

core::Error makeURLError(long code, const std::string& failingURL)
{
    auto error = core::Error::make(URLErrorDomain, code, textForCode(code));
    error.userInfo[LocalizedDescriptionKey] = error.localizedDescription;
    if (!failingURL.empty())
        error.userInfo[URLErrorFailingURLErrorKey] = failingURL;
    return error;
}

core::Error makePOSIXError(int errnoValue)
{
    auto error = core::Error::make(POSIXErrorDomain, errnoValue, std::strerror(errnoValue));
    error.userInfo[LocalizedDescriptionKey] = error.localizedDescription;
    return error;
}

}
