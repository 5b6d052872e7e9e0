#include "library/ContentDownload.h"

#include "library/DownloadFailure.h"
#include "library/PackageInstaller.h"
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

bool isHTTP(const std::string& url)
{
    auto lower = url.substr(0, 8);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    return lower.starts_with("http://") || lower.starts_with("https://");
}

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
    return DownloadFailure::causeOf(failure);
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
        finish(DownloadFailure::make(InstallFailed, made.error().localizedDescription, made.error()));
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
            self->finish(DownloadFailure::make(TransferFailed, "the transfer ended without its operation"));
    });
    operation->start();
}

void ContentDownload::transferFinished(const std::shared_ptr<net::HTTPRequestOperation>& operation)
{
    if (auto error = operation->error()) {
        auto why = DownloadFailure::make(TransferFailed, core::format("the transfer failed: %s", error->localizedDescription.c_str()), *error);
        if (error->domain == http::URLErrorDomain && error->code == http::URLErrorDataLengthExceedsMaximum)
            why.localizedDescription = core::format("the package is larger than the limit of %lld bytes", static_cast<long long>(maximumPackageSize()));
        finish(why);
        return;
    }
    if (isHTTP(operation->request().URL())) {
        auto response = std::dynamic_pointer_cast<const http::HTTPURLResponse>(operation->response());
        if (!response) {
            finish(DownloadFailure::make(BadStatus, "the server sent no HTTP response"));
            return;
        }
        if (response->statusCode() < 200 || response->statusCode() > 299) {
            auto why = DownloadFailure::make(BadStatus, core::format("the server answered %d (%s)", response->statusCode(),
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
        auto outcome = PackageInstaller::install(package, staging);
        dispatch::mainQueue().async([self, outcome] { self->finish(outcome); });
    });
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
    PackageInstaller::recoverInterruptedInstall(SongIndex::packageFolder(), stagingFolder());
}

}
