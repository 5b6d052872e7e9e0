#include "library/ContentDownload.h"

#include "archive/ZipArchive.h"
#include "library/SongIndex.h"
#include "net/HTTPRequestOperation.h"
#include "platform/core/Dispatch.h"
#include "platform/core/FileManager.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"
#include "platform/http/HTTPURLResponse.h"
#include "platform/http/OutputStream.h"
#include "platform/http/URLError.h"
#include "platform/http/URLRequest.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <mutex>

namespace library {

namespace {

std::mutex g_baseURLMutex;
std::string g_baseURL;
std::atomic<int64_t> g_maximumPackageSize = 0;
std::atomic<long> g_slowTransferWindow = 60;

std::string join(const std::string& folder, const std::string& name)
{
    return core::paths::stringByAppendingPathComponent(folder, name);
}

core::Error failure(long code, std::string description)
{
    return core::Error::make(ContentDownload::errorDomain, code, std::move(description));
}

// A failure that keeps what caused it: another layer's error, or a file operation's errno.
core::Error failure(long code, std::string description, const core::Error& cause)
{
    auto error = failure(code, std::move(description));
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

bool isHTTP(const std::string& url)
{
    auto lower = url.substr(0, 8);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    return lower.starts_with("http://") || lower.starts_with("https://");
}

std::vector<std::string> childrenOf(const std::string& folder)
{
    auto listed = core::files::contentsOfDirectoryAtPath(folder);
    return listed ? *listed : std::vector<std::string> {};
}

// Counts the entries the extraction passed over (unsafe names, links leaving the folder).
class EntryCounter : public archive::ZipArchiveDelegate {
public:
    void zipArchiveWillUnzipFileAtIndex(long, long, const std::string&, archive::ZipFileInfo) override { started++; }
    void zipArchiveDidUnzipFileAtIndex(long, long, const std::string&, archive::ZipFileInfo) override { finished++; }
    void zipArchiveDidFailToUnzipArchiveAtPath(const std::string&, const core::Error& why) override { reason = why; }
    std::atomic<long> started = 0;
    std::atomic<long> finished = 0;
    std::optional<core::Error> reason;
};

}

void ContentDownload::setBaseURL(std::string url)
{
    std::lock_guard lock(g_baseURLMutex);
    g_baseURL = std::move(url);
}

std::string ContentDownload::baseURL()
{
    {
        std::lock_guard lock(g_baseURLMutex);
        if (!g_baseURL.empty())
            return g_baseURL;
    }
    if (const char* env = getenv("BEATSTRIP_CONTENT_URL"); env && *env)
        return env;
    return "http://localhost/Ostrel/cms/data/";
}

std::string ContentDownload::packageURL()
{
    // The base names a folder, with or without its closing "/".
    std::string base = baseURL();
    return base.ends_with('/') ? base + "data.zip" : base + "/data.zip";
}

void ContentDownload::setMaximumPackageSize(int64_t bytes)
{
    g_maximumPackageSize = bytes;
}

int64_t ContentDownload::maximumPackageSize()
{
    if (int64_t set = g_maximumPackageSize; set > 0)
        return set;
    if (const char* env = getenv("BEATSTRIP_MAX_PACKAGE_SIZE"); env && *env) {
        char* end = nullptr;
        long long bytes = strtoll(env, &end, 10);
        if (end && *end == '\0' && bytes > 0)
            return bytes;
    }
    return kDefaultMaximumPackageSize;
}

void ContentDownload::setSlowTransferWindow(long seconds)
{
    g_slowTransferWindow = seconds > 0 ? seconds : 60;
}

std::string ContentDownload::causeOf(const core::Error& failure)
{
    const auto info = [&](const char* key) {
        auto it = failure.userInfo.find(key);
        return it == failure.userInfo.end() ? std::string() : it->second;
    };
    const std::string domain = info(kCauseDomainKey);
    const long code = std::atol(info(kCauseCodeKey).c_str());
    const bool posix = domain == "NSPOSIXErrorDomain";
    if (posix && (code == ENOSPC || code == EDQUOT))
        return "There is not enough disk space.";
    switch (failure.domain == errorDomain ? failure.code : 0) {
    case BadStatus:
        if (int status = std::atoi(info(kStatusKey).c_str()); status > 0)
            return core::format("The server answered %d (%s).", status,
                titleCase(http::HTTPURLResponse::localizedStringForStatusCode(status)).c_str());
        return "The server could not be reached.";
    case TransferFailed:
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
    case BadArchive:
        if (domain == archive::ZipArchive::errorDomain && code == archive::ZipArchive::errorCodeNoSpace)
            return "There is not enough disk space.";
        if (domain == archive::ZipArchive::errorDomain && code == archive::ZipArchive::errorCodeTooLarge)
            return "The package is too large.";
        if (posix)
            return "The songs folder cannot be written.";
        return "The package is damaged.";
    case NoIndex:
        return "The package is damaged.";
    default:
        return "The songs folder cannot be written.";
    }
}

std::string ContentDownload::stagingFolder()
{
    return join(SongIndex::packageFolder(), kStagingName);
}

ContentDownload::ContentDownload(Completion completion)
    : m_completion(std::move(completion))
{
}

std::shared_ptr<ContentDownload> ContentDownload::start(Completion completion)
{
    auto download = std::shared_ptr<ContentDownload>(new ContentDownload(std::move(completion)));
    download->m_keepAlive = download;
    download->begin();
    return download;
}

void ContentDownload::begin()
{
    const std::string documents = core::paths::documentsDirectory();
    const std::string package = SongIndex::packageFolder();
    const std::string staging = stagingFolder();
    if (!core::files::fileExistsAtPath(documents))
        core::files::createDirectoryAtPath(documents, true);
    if (!core::files::fileExistsAtPath(package))
        m_madePackageFolder = core::files::createDirectoryAtPath(package, false).ok();
    // A fresh staging folder: whatever an earlier attempt left there is stale.
    if (core::files::fileExistsAtPath(staging))
        core::files::removeItemAtPath(staging);
    if (auto made = core::files::createDirectoryAtPath(staging, false); !made) {
        finish(failure(InstallFailed, made.error().localizedDescription, made.error()));
        return;
    }

    auto request = http::URLRequest::requestWithURL(packageURL());
    // Neither a server that never stops nor one that hardly sends can fill the disk or hang us.
    request.setMaximumContentLength(maximumPackageSize());
    request.setLowSpeedLimit(1024, g_slowTransferWindow);
    auto operation = net::HTTPRequestOperation::create(request);
    operation->setOutputStream(http::OutputStream::outputStreamToFileAtPath(join(staging, "data.zip"), false));
    std::weak_ptr<net::HTTPRequestOperation> weakOperation = operation;
    auto self = shared_from_this();
    operation->setCompletionBlock([self, weakOperation] {
        if (auto finished = weakOperation.lock())
            self->transferFinished(finished);
        else
            self->finish(failure(TransferFailed, "the transfer ended without its operation"));
    });
    operation->start();
}

void ContentDownload::transferFinished(const std::shared_ptr<net::HTTPRequestOperation>& operation)
{
    if (auto error = operation->error()) {
        auto why = failure(TransferFailed, core::format("the transfer failed: %s", error->localizedDescription.c_str()), *error);
        if (error->domain == http::URLErrorDomain && error->code == http::URLErrorDataLengthExceedsMaximum)
            why.localizedDescription = core::format("the package is larger than the limit of %lld bytes", static_cast<long long>(maximumPackageSize()));
        finish(why);
        return;
    }
    if (isHTTP(operation->request().URL())) {
        auto response = std::dynamic_pointer_cast<const http::HTTPURLResponse>(operation->response());
        if (!response) {
            finish(failure(BadStatus, "the server sent no HTTP response"));
            return;
        }
        if (response->statusCode() < 200 || response->statusCode() > 299) {
            auto why = failure(BadStatus, core::format("the server answered %d (%s)", response->statusCode(),
                http::HTTPURLResponse::localizedStringForStatusCode(response->statusCode()).c_str()));
            why.userInfo[kStatusKey] = std::to_string(response->statusCode());
            finish(why);
            return;
        }
    }
    // Extraction and the swap touch only files, so they run off the main thread and the
    // spinner keeps turning; the outcome comes back to the main queue.
    auto self = shared_from_this();
    const std::string package = SongIndex::packageFolder();
    const std::string staging = stagingFolder();
    dispatch::globalQueue().async([self, package, staging] {
        auto outcome = install(package, staging);
        dispatch::mainQueue().async([self, outcome] { self->finish(outcome); });
    });
}

// Extracts the package into `unpacked` and checks it holds a usable song index.
std::optional<core::Error> ContentDownload::extractAndCheck(const std::string& archivePath, const std::string& unpacked)
{
    auto counter = std::make_shared<EntryCounter>();
    core::Error zipError;
    if (!archive::ZipArchive::unzipFileAtPath(archivePath, unpacked, true, std::nullopt, &zipError, counter)) {
        auto reason = counter->reason.value_or(zipError);
        return failure(BadArchive, "the package cannot be extracted: " + reason.localizedDescription, reason);
    }
    if (counter->finished != counter->started)
        return failure(BadArchive, core::format("the package holds %ld unsafe entries", counter->started - counter->finished));
    auto index = core::files::contentsAtPath(join(unpacked, "data/info.json"));
    if (!index)
        return failure(NoIndex, "the package has no data/info.json");
    if (!SongIndex::parse(*index))
        return failure(NoIndex, "data/info.json in the package lists no songs under \"FileInfo\"");
    return std::nullopt;
}

// Old items aside, new ones in by renames. On failure everything moved is put back; on success
// `movedAside` names the old items waiting in `aside`.
std::optional<core::Error> ContentDownload::swapIntoPlace(const std::string& package, const std::string& unpacked,
    const std::string& aside, std::vector<std::string>& movedAside)
{
    if (auto made = core::files::createDirectoryAtPath(aside, false); !made)
        return failure(InstallFailed, made.error().localizedDescription, made.error());
    auto putBack = [&] {
        for (auto& name : movedAside)
            core::files::moveItemAtPath(join(aside, name), join(package, name));
    };
    for (auto& name : childrenOf(package)) {
        if (name == kStagingName)
            continue;
        core::log("%s", name.c_str());
        if (auto moved = core::files::moveItemAtPath(join(package, name), join(aside, name)); !moved) {
            core::log("%s", moved.error().localizedDescription.c_str());
            if (name == "data") {
                putBack();
                return failure(InstallFailed, "the old content folder cannot be replaced", moved.error());
            }
            continue;
        }
        movedAside.push_back(name);
    }
    std::vector<std::string> movedIn;
    for (auto& name : childrenOf(unpacked)) {
        if (name == kStagingName) {
            core::log("The package entry \"%s\" is not installed: the name is reserved", name.c_str());
            continue;
        }
        if (auto moved = core::files::moveItemAtPath(join(unpacked, name), join(package, name)); !moved) {
            core::log("%s", moved.error().localizedDescription.c_str());
            if (name == "data") {
                for (auto& done : movedIn)
                    core::files::removeItemAtPath(join(package, done));
                putBack();
                return failure(InstallFailed, "the new content folder cannot be put in place", moved.error());
            }
            continue;
        }
        movedIn.push_back(name);
    }
    return std::nullopt;
}

// The old items go; what cannot be removed stays in the package folder, since left in the
// staging folder it would block every later download.
void ContentDownload::removeOldItems(const std::string& package, const std::string& aside, const std::vector<std::string>& movedAside)
{
    for (auto& name : movedAside) {
        if (auto removed = core::files::removeItemAtPath(join(aside, name)); !removed) {
            core::log("%s", removed.error().localizedDescription.c_str());
            if (!core::files::fileExistsAtPath(join(package, name)))
                core::files::moveItemAtPath(join(aside, name), join(package, name));
        }
    }
}

std::optional<core::Error> ContentDownload::install(const std::string& package, const std::string& staging)
{
    const std::string archivePath = join(staging, "data.zip");
    const std::string unpacked = join(staging, "unpacked");
    const std::string aside = join(staging, "old");
    auto outcome = extractAndCheck(archivePath, unpacked);
    std::vector<std::string> movedAside;
    if (!outcome)
        outcome = swapIntoPlace(package, unpacked, aside, movedAside);
    if (!outcome) {
        if (auto moved = core::files::moveItemAtPath(archivePath, join(package, "data.zip")); !moved)
            core::log("%s", moved.error().localizedDescription.c_str());
        removeOldItems(package, aside, movedAside);
    }
    core::files::removeItemAtPath(staging);
    return outcome;
}

void ContentDownload::finish(std::optional<core::Error> failure)
{
    auto self = std::move(m_keepAlive);
    if (failure && core::files::fileExistsAtPath(stagingFolder()))
        core::files::removeItemAtPath(stagingFolder());
    if (failure && m_madePackageFolder) {
        auto children = core::files::contentsOfDirectoryAtPath(SongIndex::packageFolder());
        if (children && children->empty())
            core::files::removeItemAtPath(SongIndex::packageFolder());
    }
    if (failure)
        core::log("Download of %s failed: %s", packageURL().c_str(), failure->localizedDescription.c_str());
    if (auto completion = std::move(m_completion))
        completion(failure);
}

void ContentDownload::recoverInterruptedInstall()
{
    const std::string package = SongIndex::packageFolder();
    const std::string staging = stagingFolder();
    if (!core::files::fileExistsAtPath(staging))
        return;
    // An old item still aside with nothing in its place was cut off mid-swap: it goes back.
    const std::string aside = join(staging, "old");
    for (auto& name : childrenOf(aside)) {
        if (!core::files::fileExistsAtPath(join(package, name)))
            core::files::moveItemAtPath(join(aside, name), join(package, name));
    }
    if (auto removed = core::files::removeItemAtPath(staging); !removed)
        core::log("%s", removed.error().localizedDescription.c_str());
    else
        core::log("Removed what an interrupted download left in %s", staging.c_str());
}

}
