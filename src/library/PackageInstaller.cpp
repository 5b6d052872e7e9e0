#include "library/PackageInstaller.h"

#include "archive/ZipArchive.h"
#include "library/ContentDownload.h"
#include "library/DownloadFailure.h"
#include "library/SongIndex.h"
#include "platform/core/FileManager.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"

#include <atomic>
#include <memory>

namespace library {

namespace {

std::string join(const std::string& folder, const std::string& name)
{
    return core::paths::stringByAppendingPathComponent(folder, name);
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

// Extracts the package into `unpacked` and checks it holds a usable song index.
std::optional<core::Error> PackageInstaller::extractAndCheck(const std::string& archivePath, const std::string& unpacked)
{
    auto counter = std::make_shared<EntryCounter>();
    core::Error zipError;
    if (!archive::ZipArchive::unzipFileAtPath(archivePath, unpacked, true, std::nullopt, &zipError, counter)) {
        auto reason = counter->reason.value_or(zipError);
        return DownloadFailure::make(ContentDownload::BadArchive, "the package cannot be extracted: " + reason.localizedDescription, reason);
    }
    if (counter->finished != counter->started)
        return DownloadFailure::make(ContentDownload::BadArchive, core::format("the package holds %ld unsafe entries", counter->started - counter->finished));
    auto index = core::files::contentsAtPath(join(unpacked, "data/info.json"));
    if (!index)
        return DownloadFailure::make(ContentDownload::NoIndex, "the package has no data/info.json");
    if (!SongIndex::parse(*index))
        return DownloadFailure::make(ContentDownload::NoIndex, "data/info.json in the package lists no songs under \"FileInfo\"");
    return std::nullopt;
}

// Old items aside, new ones in by renames. On failure everything moved is put back; on success
// `movedAside` names the old items waiting in `aside`.
std::optional<core::Error> PackageInstaller::swapIntoPlace(const std::string& package, const std::string& unpacked,
    const std::string& aside, std::vector<std::string>& movedAside)
{
    if (auto made = core::files::createDirectoryAtPath(aside, false); !made)
        return DownloadFailure::make(ContentDownload::InstallFailed, made.error().localizedDescription, made.error());
    auto putBack = [&] {
        for (auto& name : movedAside)
            core::files::moveItemAtPath(join(aside, name), join(package, name));
    };
    for (auto& name : childrenOf(package)) {
        if (name == ContentDownload::kStagingName)
            continue;
        core::log("%s", name.c_str());
        if (auto moved = core::files::moveItemAtPath(join(package, name), join(aside, name)); !moved) {
            core::log("%s", moved.error().localizedDescription.c_str());
            if (name == "data") {
                putBack();
                return DownloadFailure::make(ContentDownload::InstallFailed, "the old content folder cannot be replaced", moved.error());
            }
            continue;
        }
        movedAside.push_back(name);
    }
    std::vector<std::string> movedIn;
    for (auto& name : childrenOf(unpacked)) {
        if (name == ContentDownload::kStagingName) {
            core::log("The package entry \"%s\" is not installed: the name is reserved", name.c_str());
            continue;
        }
        if (auto moved = core::files::moveItemAtPath(join(unpacked, name), join(package, name)); !moved) {
            core::log("%s", moved.error().localizedDescription.c_str());
            if (name == "data") {
                for (auto& done : movedIn)
                    core::files::removeItemAtPath(join(package, done));
                putBack();
                return DownloadFailure::make(ContentDownload::InstallFailed, "the new content folder cannot be put in place", moved.error());
            }
            continue;
        }
        movedIn.push_back(name);
    }
    return std::nullopt;
}

// The old items go; what cannot be removed stays in the package folder, since left in the
// staging folder it would block every later download.
void PackageInstaller::removeOldItems(const std::string& package, const std::string& aside, const std::vector<std::string>& movedAside)
{
    for (auto& name : movedAside) {
        if (auto removed = core::files::removeItemAtPath(join(aside, name)); !removed) {
            core::log("%s", removed.error().localizedDescription.c_str());
            if (!core::files::fileExistsAtPath(join(package, name)))
                core::files::moveItemAtPath(join(aside, name), join(package, name));
        }
    }
}

std::optional<core::Error> PackageInstaller::install(const std::string& package, const std::string& staging)
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

void PackageInstaller::recoverInterruptedInstall(const std::string& package, const std::string& staging)
{
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
