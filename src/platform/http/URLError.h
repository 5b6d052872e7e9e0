#pragma once
#include "platform/core/Error.h"

#include <string>

namespace http {

// Error domains and information keys of the URL loading kit.
inline constexpr const char* URLErrorDomain = "NSURLErrorDomain";
inline constexpr const char* POSIXErrorDomain = "NSPOSIXErrorDomain";
inline constexpr const char* CurlErrorDomain = "curl";
inline constexpr const char* URLErrorFailingURLErrorKey = "NSErrorFailingURLKey";
inline constexpr const char* LocalizedDescriptionKey = "NSLocalizedDescription";

// Codes in URLErrorDomain.
enum URLErrorCode : long {
    URLErrorUnknown = -1,
    URLErrorCancelled = -999,
    URLErrorBadURL = -1000,
    URLErrorTimedOut = -1001,
    URLErrorUnsupportedURL = -1002,
    URLErrorCannotFindHost = -1003,
    URLErrorCannotConnectToHost = -1004,
    URLErrorNetworkConnectionLost = -1005,
    URLErrorHTTPTooManyRedirects = -1007,
    URLErrorBadServerResponse = -1011,
    URLErrorCannotDecodeContentData = -1016,
    URLErrorDataLengthExceedsMaximum = -1103,
    URLErrorFileDoesNotExist = -1100,
    URLErrorNoPermissionsToReadFile = -1102,
    URLErrorSecureConnectionFailed = -1200,
    URLErrorServerCertificateUntrusted = -1202,
};

// An error in URLErrorDomain with the usual text for its code and the failing URL, if any.
core::Error makeURLError(long code, const std::string& failingURL = {});
// An error in POSIXErrorDomain for an errno value.
core::Error makePOSIXError(int errnoValue);

}
