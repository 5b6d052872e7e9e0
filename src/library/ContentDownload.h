#pragma once
#include "platform/core/Error.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace net {
class HTTPRequestOperation;
}

namespace library {

// Fetches the content package and installs it without ever leaving the library worse off.
//
// The package is downloaded into a staging folder inside the package folder, extracted there (off
// the main thread) and checked: a whole body, a 2xx answer for http(s), an archive that extracts
// cleanly with no entry passed over, and "data/info.json" whose "FileInfo" is an array. Only then
// are the old items of the package folder moved aside (each name logged), the new content folder
// and "data.zip" renamed into place, and the old items removed (removal errors logged). Any
// failure leaves the package folder as it was. An install cut short by the process ending is
// mended by recoverInterruptedInstall() at the next start: the content folder is always the
// old one or the new one.
class ContentDownload : public std::enable_shared_from_this<ContentDownload> {
public:
    // Main thread, once: no error when the new package is installed.
    using Completion = std::function<void(const std::optional<core::Error>& failure)>;

    static constexpr const char* errorDomain = "BeatStripContentErrorDomain";
    enum ErrorCode : long { TransferFailed = 1, BadStatus = 2, BadArchive = 3, NoIndex = 4, InstallFailed = 5 };
    // userInfo keys of a failure: the HTTP status, the underlying error's domain and code, and
    // the system's errno where a file operation failed.
    static constexpr const char* kStatusKey = "status";
    static constexpr const char* kCauseDomainKey = "causeDomain";
    static constexpr const char* kCauseCodeKey = "causeCode";
    // The staging folder's name inside the package folder.
    static constexpr const char* kStagingName = ".incoming";

    // The content server's base URL: the one set here, else $BEATSTRIP_CONTENT_URL, else a
    // local server's path. The base names a folder: the package is "data.zip" in it, joined
    // with a "/" where the base does not end with one.
    static void setBaseURL(std::string url);
    static std::string baseURL();
    static std::string packageURL();
    static std::string stagingFolder();

    // The largest package accepted, in bytes: the one set here, else $BEATSTRIP_MAX_PACKAGE_SIZE,
    // else 1 GiB. A larger one fails the download and leaves nothing behind.
    static constexpr int64_t kDefaultMaximumPackageSize = int64_t(1) << 30;
    static void setMaximumPackageSize(int64_t bytes);
    static int64_t maximumPackageSize();
    // A transfer slower than 1 KB/s over this many seconds fails (60; tests shorten it).
    static void setSlowTransferWindow(long seconds);

    // The one sentence the failure alert adds to say why a download failed.
    static std::string causeOf(const core::Error& failure);

    // Starts the transfer; returns at once. The download keeps itself alive until `completion` ran.
    static std::shared_ptr<ContentDownload> start(Completion completion);

    // Removes what an interrupted download or install left behind, first putting back any old
    // item that the swap had moved aside and not yet replaced. Main thread, at start-up.
    static void recoverInterruptedInstall();

private:
    explicit ContentDownload(Completion completion);
    void begin();
    void transferFinished(const std::shared_ptr<net::HTTPRequestOperation>& operation);
    void finish(std::optional<core::Error> failure);

    Completion m_completion;
    std::shared_ptr<ContentDownload> m_keepAlive;
    // Set when this download made the package folder, so a failure leaves none behind.
    bool m_madePackageFolder = false;
};

}
