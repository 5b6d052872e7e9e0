#pragma once
#include "platform/core/Error.h"

#include <optional>
#include <string>
#include <vector>

namespace library {

// Puts a downloaded content package in place of the old one, on a worker thread, without ever
// leaving the package folder worse off. The staging folder (inside the package folder) holds
// "data.zip"; it is extracted there and checked (an archive that extracts cleanly with no entry
// passed over, and "data/info.json" whose "FileInfo" is an array). Only then are the old items
// moved aside (each name logged), the new ones renamed into place and the old ones removed
// (removal errors logged). Any failure puts everything back as it was.
class PackageInstaller {
public:
    // Extracts, checks and swaps; the staging folder is gone afterwards. No error when the new
    // package is in place.
    static std::optional<core::Error> install(const std::string& packageFolder, const std::string& staging);

    // Mends an install cut short by the process ending: an old item still aside with nothing in
    // its place goes back, and the staging folder goes.
    static void recoverInterruptedInstall(const std::string& packageFolder, const std::string& staging);

private:
    static std::optional<core::Error> extractAndCheck(const std::string& archivePath, const std::string& unpacked);
    static std::optional<core::Error> swapIntoPlace(const std::string& package, const std::string& unpacked,
        const std::string& aside, std::vector<std::string>& movedAside);
    static void removeOldItems(const std::string& package, const std::string& aside, const std::vector<std::string>& movedAside);
};

}
