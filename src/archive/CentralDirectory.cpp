#include "archive/CentralDirectory.h"

#include "archive/ZipArchive.h"

#include "platform/core/FileManager.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <vector>

namespace archive {

namespace {

constexpr uint64_t kMaxDeclaredTotal = uint64_t(4) << 30;

struct Range {
    uint64_t start;
    uint64_t length;
};

// The entries' data ranges and declared sizes, as the central directory gives them.
struct Survey {
    std::vector<Range> ranges;
    uint64_t declared = 0;
    bool overflow = false;
    bool dataOutside = false;
};

Survey survey(unzFile file, uint64_t archiveSize)
{
    Survey out;
    int rc = unzGoToFirstFile(file);
    while (rc == UNZ_OK) {
        unz_file_info64 info {};
        if (unzGetCurrentFileInfo64(file, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
            break;
        if (out.declared + info.uncompressed_size < out.declared)
            out.overflow = true;
        out.declared += info.uncompressed_size;
        int method = 0, level = 0;
        if (unzOpenCurrentFile2(file, &method, &level, 1) == UNZ_OK) {
            const uint64_t start = unzGetCurrentFileZStreamPos64(file);
            unzCloseCurrentFile(file);
            if (start + info.compressed_size < start || start + info.compressed_size > archiveSize) {
                out.dataOutside = true;
                break;
            }
            if (info.compressed_size > 0)
                out.ranges.push_back({ start, info.compressed_size });
        }
        rc = unzGoToNextFile(file);
    }
    unzGoToFirstFile(file);
    return out;
}

bool overlap(std::vector<Range>& ranges)
{
    std::sort(ranges.begin(), ranges.end(), [](const Range& a, const Range& b) { return a.start < b.start; });
    for (size_t i = 1; i < ranges.size(); ++i) {
        if (ranges[i - 1].start + ranges[i - 1].length > ranges[i].start)
            return true;
    }
    return false;
}

std::optional<uint64_t> freeBytesAt(const std::string& path)
{
    struct statvfs vfs {};
    if (statvfs(path.c_str(), &vfs) != 0)
        return std::nullopt;
    return uint64_t(vfs.f_bavail) * uint64_t(vfs.f_frsize);
}

// The free space of the disk that will hold `destination`, found through its nearest existing
// ancestor since the destination itself may not exist yet.
std::optional<uint64_t> freeSpaceFor(const std::string& destination)
{
    std::string probe = destination.empty() ? std::string(".") : destination;
    for (;;) {
        if (auto free = freeBytesAt(probe))
            return free;
        std::string parent = core::paths::stringByDeletingLastPathComponent(probe);
        if (parent != probe && !parent.empty()) {
            probe = std::move(parent);
            continue;
        }
        // A relative path runs out of parents; its last ancestor is the working folder.
        if (probe != "." && probe[0] != '/')
            return freeBytesAt(".");
        return std::nullopt;
    }
}

core::Error refusal(long code, const char* description)
{
    return core::Error::make(ZipArchive::errorDomain, code, description);
}

}

bool CentralDirectory::isArchiveWithoutEntries(const std::string& path)
{
    // Only a file of the end record's size can be one: a large file is never read whole to tell.
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || st.st_size < 22 || st.st_size > 22 + 0xFFFF)
        return false;
    auto bytes = core::files::contentsAtPath(path);
    if (!bytes || bytes->size() < 22 || bytes->size() > 22 + 0xFFFF || bytes->compare(0, 4, "PK\x05\x06") != 0)
        return false;
    auto field = [&](size_t at, size_t width) {
        uint32_t v = 0;
        for (size_t i = 0; i < width; ++i)
            v |= uint32_t(static_cast<unsigned char>((*bytes)[at + i])) << (8 * i);
        return v;
    };
    return field(8, 2) == 0 && field(10, 2) == 0 && field(12, 4) == 0 && bytes->size() == 22 + field(20, 2);
}

core::Result<void> CentralDirectory::admit(unzFile file, const std::string& path, const std::string& destination)
{
    struct stat st {};
    const uint64_t archiveSize = stat(path.c_str(), &st) == 0 ? uint64_t(st.st_size) : UINT64_MAX;
    Survey found = survey(file, archiveSize);
    if (found.dataOutside) {
        core::log("[ZipArchive] Refusing archive \"%s\": entry data lies outside the archive", path.c_str());
        return refusal(ZipArchive::errorCodeCorruptEntry, "entry data lies outside the archive");
    }
    if (overlap(found.ranges)) {
        core::log("[ZipArchive] Refusing archive \"%s\": entries overlap one another", path.c_str());
        return refusal(ZipArchive::errorCodeEntriesOverlap, "entries overlap one another");
    }
    const auto declared = static_cast<unsigned long long>(found.declared);
    if (found.overflow || found.declared > kMaxDeclaredTotal) {
        core::log("[ZipArchive] Refusing archive \"%s\": entries declare %llu bytes, more than 4 GiB", path.c_str(), declared);
        return refusal(ZipArchive::errorCodeTooLarge, "its entries declare more than 4 GiB");
    }
    auto freeSpace = freeSpaceFor(destination);
    if (freeSpace && found.declared > *freeSpace) {
        core::log("[ZipArchive] Refusing archive \"%s\": entries declare %llu bytes, more than the %llu bytes free at \"%s\"",
            path.c_str(), declared, static_cast<unsigned long long>(*freeSpace), destination.c_str());
        return refusal(ZipArchive::errorCodeNoSpace, "its entries declare more bytes than the disk has free");
    }
    return {};
}

}
