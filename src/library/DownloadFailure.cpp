#include "library/DownloadFailure.h"

#include "archive/ZipArchive.h"
#include "library/ContentDownload.h"
#include "platform/core/Log.h"
#include "platform/http/HTTPURLResponse.h"
#include "platform/http/URLError.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace library {

namespace {

std::string titleCase(std::string text)
{
    bool start = true;
    for (char& c : text) {
        if (start)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        start = c == ' ' || c == '-';
    }
    return text;
}

}

core::Error DownloadFailure::make(long code, std::string description)
{
    return core::Error::make(ContentDownload::errorDomain, code, std::move(description));
}

core::Error DownloadFailure::make(long code, std::string description, const core::Error& cause)
{
    auto error = make(code, std::move(description));
    const core::Error& root = cause.underlying && cause.domain == "NSCocoaErrorDomain" ? *cause.underlying : cause;
    error.userInfo[ContentDownload::kCauseDomainKey] = root.domain;
    error.userInfo[ContentDownload::kCauseCodeKey] = std::to_string(root.code);
    if (cause.underlying && root.domain != "NSPOSIXErrorDomain" && cause.underlying->domain == "NSPOSIXErrorDomain") {
        error.userInfo[ContentDownload::kCauseDomainKey] = "NSPOSIXErrorDomain";
        error.userInfo[ContentDownload::kCauseCodeKey] = std::to_string(cause.underlying->code);
        error.userInfo["archiveCode"] = std::to_string(cause.code);
    }
    return error;
}

std::string DownloadFailure::causeOf(const core::Error& failure)
{
    const auto info = [&](const char* key) {
        auto it = failure.userInfo.find(key);
        return it == failure.userInfo.end() ? std::string() : it->second;
    };
    const std::string domain = info(ContentDownload::kCauseDomainKey);
    const long code = std::atol(info(ContentDownload::kCauseCodeKey).c_str());
    const bool posix = domain == "NSPOSIXErrorDomain";
    if (posix && (code == ENOSPC || code == EDQUOT))
        return "There is not enough disk space.";
    switch (failure.domain == ContentDownload::errorDomain ? failure.code : 0) {
    case ContentDownload::BadStatus:
        if (int status = std::atoi(info(ContentDownload::kStatusKey).c_str()); status > 0)
            return core::format("The server answered %d (%s).", status,
                titleCase(http::HTTPURLResponse::localizedStringForStatusCode(status)).c_str());
        return "The server could not be reached.";
    case ContentDownload::TransferFailed:
        if (posix)
            return "The songs folder cannot be written.";
        if (domain == http::URLErrorDomain) {
            if (code == http::URLErrorDataLengthExceedsMaximum)
                return "The package is too large.";
            if (code == http::URLErrorTimedOut)
                return "The connection was too slow.";
            if (code == http::URLErrorNetworkConnectionLost)
                return "The connection was interrupted.";
        }
        return "The server could not be reached.";
    case ContentDownload::BadArchive:
        if (domain == archive::ZipArchive::errorDomain && code == archive::ZipArchive::errorCodeNoSpace)
            return "There is not enough disk space.";
        if (domain == archive::ZipArchive::errorDomain && code == archive::ZipArchive::errorCodeTooLarge)
            return "The package is too large.";
        if (posix)
            return "The songs folder cannot be written.";
        return "The package is damaged.";
    case ContentDownload::NoIndex:
        return "The package is damaged.";
    default:
        return "The songs folder cannot be written.";
    }
}

}
