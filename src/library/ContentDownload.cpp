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

std::string join(const std::string& folder, const std::string& name)
{
    return core::paths::stringByAppendingPathComponent(folder, name);
}

core::Error failure(long code, std::string description)
{
    return core::Error::make(ContentDownload::errorDomain, code, std::move(description));
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
    std::atomic<long> started = 0;
    std::atomic<long> finished = 0;
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
    return core::format("%sdata.zip", baseURL().c_str());
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
        finish(failure(InstallFailed, made.error().localizedDescription));
        return;
    }

    auto operation = net::HTTPRequestOperation::create(http::URLRequest::requestWithURL(packageURL()));
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
        finish(failure(TransferFailed, core::format("the transfer failed: %s", error->localizedDescription.c_str())));
        return;
    }
    if (isHTTP(operation->request().URL())) {
        auto response = std::dynamic_pointer_cast<const http::HTTPURLResponse>(operation->response());
        if (!response) {
            finish(failure(BadStatus, "the server sent no HTTP response"));
            return;
        }
        if (response->statusCode() < 200 || response->statusCode() > 299) {
            finish(failure(BadStatus, core::format("the server answered %d (%s)", response->statusCode(),
                http::HTTPURLResponse::localizedStringForStatusCode(response->statusCode()).c_str())));
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

std::optional<core::Error> ContentDownload::install(const std::string& package, const std::string& staging)
{
    const std::string archivePath = join(staging, "data.zip");
    const std::string unpacked = join(staging, "unpacked");
    const std::string aside = join(staging, "old");
    auto cleanUp = [&] { core::files::removeItemAtPath(staging); };

    auto counter = std::make_shared<EntryCounter>();
    core::Error zipError;
    if (!archive::ZipArchive::unzipFileAtPath(archivePath, unpacked, true, std::nullopt, &zipError, counter)) {
        cleanUp();
        auto reason = zipError.localizedDescription.empty() ? std::string("an entry is corrupt") : zipError.localizedDescription;
        return failure(BadArchive, "the package cannot be extracted: " + reason);
    }
    if (counter->finished != counter->started) {
        cleanUp();
        return failure(BadArchive, core::format("the package holds %ld unsafe entries", counter->started - counter->finished));
    }
    auto index = core::files::contentsAtPath(join(unpacked, "data/info.json"));
    if (!index) {
        cleanUp();
        return failure(NoIndex, "the package has no data/info.json");
    }
    if (!SongIndex::parse(*index)) {
        cleanUp();
        return failure(NoIndex, "data/info.json in the package lists no songs under \"FileInfo\"");
    }

    // Swap: old items aside, new ones in by renames, then the old ones removed.
    if (auto made = core::files::createDirectoryAtPath(aside, false); !made) {
        cleanUp();
        return failure(InstallFailed, made.error().localizedDescription);
    }
    std::vector<std::string> movedAside;
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
                cleanUp();
                return failure(InstallFailed, "the old content folder cannot be replaced");
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
                cleanUp();
                return failure(InstallFailed, "the new content folder cannot be put in place");
            }
            continue;
        }
        movedIn.push_back(name);
    }
    if (auto moved = core::files::moveItemAtPath(archivePath, join(package, "data.zip")); !moved)
        core::log("%s", moved.error().localizedDescription.c_str());
    for (auto& name : movedAside) {
        if (auto removed = core::files::removeItemAtPath(join(aside, name)); !removed) {
            core::log("%s", removed.error().localizedDescription.c_str());
            // What cannot be removed stays in the package folder; left in the staging folder it
            // would block every later download.
            if (!core::files::fileExistsAtPath(join(package, name)))
                core::files::moveItemAtPath(join(aside, name), join(package, name));
        }
    }
    cleanUp();
    return std::nullopt;
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
