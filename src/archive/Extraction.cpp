#include "archive/Extraction.h"

#include "archive/EntryName.h"
#include "archive/ZipArchive.h"

#include "platform/core/FileManager.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace archive {

namespace {

constexpr uint64_t kMaxLinkTarget = PATH_MAX - 1;

ZipFileInfo toFileInfo(const unz_file_info64& in)
{
    ZipFileInfo out;
    out.version = uint32_t(in.version);
    out.version_needed = uint32_t(in.version_needed);
    out.flag = uint32_t(in.flag);
    out.compression_method = uint32_t(in.compression_method);
    out.dosDate = uint32_t(in.dosDate);
    out.crc = uint32_t(in.crc);
    out.compressed_size = in.compressed_size;
    out.uncompressed_size = in.uncompressed_size;
    out.size_filename = uint32_t(in.size_filename);
    out.size_file_extra = uint32_t(in.size_file_extra);
    out.size_file_comment = uint32_t(in.size_file_comment);
    out.disk_num_start = uint32_t(in.disk_num_start);
    out.internal_fa = uint32_t(in.internal_fa);
    out.external_fa = uint32_t(in.external_fa);
    out.tmu_date.tm_sec = in.tmu_date.tm_sec;
    out.tmu_date.tm_min = in.tmu_date.tm_min;
    out.tmu_date.tm_hour = in.tmu_date.tm_hour;
    out.tmu_date.tm_mday = in.tmu_date.tm_mday;
    out.tmu_date.tm_mon = in.tmu_date.tm_mon;
    out.tmu_date.tm_year = in.tmu_date.tm_year;
    return out;
}

// What a file URL's absoluteString shows for a path.
std::string fileURLString(const std::string& path)
{
    static const char* kept = "-._~!$&'()*+,;=:@/";
    std::string out = "file://";
    for (unsigned char c : path) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || (c && strchr(kept, c)))
            out += static_cast<char>(c);
        else
            out += core::format("%%%02X", c);
    }
    return out;
}

timespec toTimespec(double secondsSince1970)
{
    timespec ts {};
    double whole = 0;
    double frac = std::modf(secondsSince1970, &whole);
    ts.tv_sec = static_cast<time_t>(whole);
    ts.tv_nsec = static_cast<long>(frac * 1e9);
    if (ts.tv_nsec < 0) {
        ts.tv_sec -= 1;
        ts.tv_nsec += 1000000000L;
    }
    return ts;
}

// Sets only the modification date, of the item itself even when it is a link.
core::Result<void> setModificationDate(const std::string& path, double date)
{
    timespec times[2] = { { 0, UTIME_OMIT }, toTimespec(date) };
    if (utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        return core::files::errorFromErrno(errno, "Cannot set the modification date of", path);
    return {};
}

std::string join(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    if (folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

bool pathExists(const std::string& path)
{
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

}

Extraction::Extraction(unzFile file, std::string path, std::string destination, bool overwrite,
    const std::optional<std::string>& password, std::shared_ptr<ZipArchiveDelegate> delegate)
    : m_file(file)
    , m_path(std::move(path))
    , m_destination(std::move(destination))
    , m_overwrite(overwrite)
    , m_password(password.value_or(std::string()))
    , m_delegate(std::move(delegate))
    , m_inflater(file)
    , m_failure(core::Error::make(ZipArchive::errorDomain, ZipArchive::errorCodeCorruptEntry, "an entry is corrupt"))
{
}

void Extraction::refuse(const std::string& rawName, const std::string& reason)
{
    core::log("[ZipArchive] Skipping entry \"%s\": %s", EntryName::printable(rawName).c_str(), reason.c_str());
}

void Extraction::failWith(long code, std::string description, int systemError)
{
    m_failure = core::Error::make(ZipArchive::errorDomain, code, std::move(description));
    if (systemError)
        m_failure.underlying = std::make_shared<core::Error>(core::Error::make("NSPOSIXErrorDomain", systemError, strerror(systemError)));
}

bool Extraction::run(const ZipGlobalInfo& globalInfo)
{
    if (m_delegate)
        m_delegate->zipArchiveWillUnzipArchiveAtPath(m_path, globalInfo);

    const long total = static_cast<long>(globalInfo.number_entry);
    long index = 0;
    for (;;) {
        ZipFileInfo info;
        EntryResult result = extractCurrentEntry(index, total, info);
        if (result == EntryResult::Fail)
            return false;
        // Moving on fails at the end of the list and on an error alike; both end the loop as a success.
        const int next = unzGoToNextFile(m_file);
        // A passed-over entry is not reported as done and does not use up an index.
        if (result == EntryResult::Extracted) {
            if (m_delegate)
                m_delegate->zipArchiveDidUnzipFileAtIndex(index, total, m_path, info);
            ++index;
        }
        if (next != UNZ_OK)
            return true;
    }
}

Extraction::EntryResult Extraction::extractCurrentEntry(long index, long total, ZipFileInfo& info)
{
    if (!openCurrentEntry(info))
        return EntryResult::Fail;
    if (m_delegate)
        m_delegate->zipArchiveWillUnzipFileAtIndex(index, total, m_path, info);

    std::vector<char> nameBuffer(size_t(info.size_filename) + 1, '\0');
    unzGetCurrentFileInfo64(m_file, nullptr, nameBuffer.data(), uLong(nameBuffer.size()), nullptr, 0, nullptr, 0);
    const std::string rawName(nameBuffer.data(), info.size_filename);
    EntryResult result = placeEntry(rawName, info);
    unzCloseCurrentFile(m_file);
    return result;
}

// Opens the current entry for raw reading; false (with the failure set) when it cannot be read.
bool Extraction::openCurrentEntry(ZipFileInfo& info)
{
    // The record comes first: whether the password applies depends on the entry's encryption flag.
    unz_file_info64 record {};
    if (unzGetCurrentFileInfo64(m_file, &record, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
        failWith(ZipArchive::errorCodeCorruptEntry, "an entry's record cannot be read");
        return false;
    }
    info = toFileInfo(record);

    const bool encrypted = (info.flag & 1) != 0;
    // Without a password an encrypted entry cannot be opened, rather than read as garbage.
    if (encrypted && m_password.empty()) {
        failWith(ZipArchive::errorCodeCorruptEntry, "an entry is encrypted");
        return false;
    }
    const char* password = encrypted ? m_password.c_str() : nullptr;
    int method = 0;
    int level = 0;
    if (unzOpenCurrentFile3(m_file, &method, &level, 1, password) != UNZ_OK) {
        failWith(ZipArchive::errorCodeCorruptEntry, "an entry cannot be opened");
        return false;
    }
    if (method != 0 && method != Z_DEFLATED) {
        unzCloseCurrentFile(m_file);
        failWith(ZipArchive::errorCodeCorruptEntry, "an entry uses an unsupported compression method");
        return false;
    }
    return true;
}

// Puts the open entry in its place under the destination: a folder, a file or a link.
Extraction::EntryResult Extraction::placeEntry(const std::string& rawName, const ZipFileInfo& info)
{
    // Links are stored entries whose mode says so: the Unix file type in the high half of the
    // external attributes, as zip tools write it, or the type bits in the low half.
    const bool unixLink = ((info.external_fa >> 16) & 0xF000) == 0xA000;
    const bool lowHalfLink = (info.external_fa & 0xF000) == 0x4000;
    const bool isLink = info.compression_method == 0 && (unixLink || lowHalfLink) && info.compressed_size != 0;
    const bool isDirectory = !rawName.empty() && (rawName.back() == '/' || rawName.back() == '\\');

    std::string name = rawName;
    std::replace(name.begin(), name.end(), '\\', '/');
    std::vector<std::string> parts;
    if (auto reason = EntryName::unsafeReason(rawName, name, parts)) {
        refuse(rawName, *reason);
        return EntryResult::PassedOver;
    }
    std::string fullPath = m_destination;
    for (auto& part : parts)
        fullPath = join(fullPath, part);
    const double date = ZipArchive::dateWithMSDOSFormat(info.dosDate);

    if (!checkNoLinkOnPath(parts, rawName))
        return EntryResult::PassedOver;
    createFolders(parts, isDirectory ? parts.size() : parts.size() - 1, date);

    if (!isLink)
        m_dates.insert({ fullPath, date });

    if (!isDirectory && !m_overwrite && pathExists(fullPath))
        return EntryResult::PassedOver;

    if (isLink)
        return writeLink(fullPath, parts.size() - 1, info, rawName);
    if (!isDirectory)
        return writeFile(fullPath, info, rawName, date);
    // A directory entry's folder exists now; it has no data to write.
    return EntryResult::Extracted;
}

bool Extraction::checkNoLinkOnPath(const std::vector<std::string>& parts, const std::string& rawName)
{
    std::string path = m_destination;
    std::string relative;
    for (size_t i = 0; i < parts.size(); ++i) {
        path = join(path, parts[i]);
        relative = join(relative, parts[i]);
        if (m_realFolders.count(path))
            continue;
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0)
            return true;
        if (S_ISLNK(st.st_mode)) {
            refuse(rawName, "it would be written through the symbolic link \"" + EntryName::printable(relative) + "\"");
            return false;
        }
        if (S_ISDIR(st.st_mode))
            m_realFolders.insert(path);
    }
    return true;
}

// Folders are made one level at a time without following links, so none is made elsewhere;
// each new one carries the entry's date.
void Extraction::createFolders(const std::vector<std::string>& parts, size_t count, double date)
{
    if (!m_destinationReady) {
        if (!pathExists(m_destination)) {
            auto made = core::files::createDirectoryAtPath(m_destination, true);
            if (!made) {
                core::log("[ZipArchive] Error: %s", made.error().localizedDescription.c_str());
                return;
            }
            setModificationDate(m_destination, date);
        }
        m_destinationReady = true;
    }
    std::string path = m_destination;
    for (size_t i = 0; i < count; ++i) {
        path = join(path, parts[i]);
        if (m_realFolders.count(path))
            continue;
        if (mkdir(path.c_str(), 0755) == 0) {
            setModificationDate(path, date);
            m_realFolders.insert(path);
            continue;
        }
        const int err = errno;
        struct stat st {};
        if (err == EEXIST && lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            m_realFolders.insert(path);
            continue;
        }
        core::log("[ZipArchive] Error: %s", core::files::errorFromErrno(err, "Cannot create folder", path).localizedDescription.c_str());
        return;
    }
}

Extraction::EntryResult Extraction::writeFile(const std::string& fullPath, const ZipFileInfo& info, const std::string& rawName, double date)
{
    // O_NOFOLLOW: a link that appeared since the path was checked is still never written through.
    const int fd = open(fullPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return EntryResult::Extracted;

    int writeError = 0;
    std::string why;
    auto outcome = m_inflater.stream(info, [&](const unsigned char* data, size_t length) {
        while (length > 0) {
            ssize_t n = write(fd, data, length);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                writeError = errno;
                return false;
            }
            data += n;
            length -= size_t(n);
        }
        return true;
    }, why);

    if (outcome == EntryInflater::Outcome::Complete && info.dosDate != 0) {
        timespec times[2] = { { 0, UTIME_OMIT }, toTimespec(date) };
        if (futimens(fd, times) != 0)
            core::log("[ZipArchive] Failed to set attributes");
    }
    if (::close(fd) != 0 && outcome == EntryInflater::Outcome::Complete) {
        writeError = errno;
        outcome = EntryInflater::Outcome::SinkFailed;
    }
    if (outcome == EntryInflater::Outcome::Complete)
        return EntryResult::Extracted;

    // A partial file would pass for a good one; it goes, and the extraction fails.
    unlink(fullPath.c_str());
    m_dates.erase({ fullPath, date });
    if (outcome == EntryInflater::Outcome::Corrupt) {
        core::log("[ZipArchive] Entry \"%s\" is corrupt: %s", EntryName::printable(rawName).c_str(), why.c_str());
        failWith(ZipArchive::errorCodeCorruptEntry, "the entry \"" + EntryName::printable(rawName) + "\" is corrupt: " + why);
    } else {
        auto error = core::files::errorFromErrno(writeError, "Cannot write", fullPath);
        core::log("[ZipArchive] Error: %s", error.localizedDescription.c_str());
        failWith(ZipArchive::errorCodeWriteFailed, error.localizedDescription, writeError);
    }
    return EntryResult::Fail;
}

Extraction::EntryResult Extraction::writeLink(const std::string& fullPath, size_t folderDepth, const ZipFileInfo& info, const std::string& rawName)
{
    if (info.uncompressed_size > kMaxLinkTarget) {
        refuse(rawName, "its link target is too long");
        return EntryResult::PassedOver;
    }
    std::string target;
    std::string why;
    auto outcome = m_inflater.stream(info, [&](const unsigned char* data, size_t length) {
        target.append(reinterpret_cast<const char*>(data), length);
        return true;
    }, why);
    if (outcome != EntryInflater::Outcome::Complete) {
        core::log("[ZipArchive] Entry \"%s\" is corrupt: %s", EntryName::printable(rawName).c_str(), why.c_str());
        failWith(ZipArchive::errorCodeCorruptEntry, "the entry \"" + EntryName::printable(rawName) + "\" is corrupt: " + why);
        return EntryResult::Fail;
    }
    if (!EntryName::linkTargetStaysInside(target, folderDepth)) {
        refuse(rawName, "its link target \"" + EntryName::printable(target) + "\" is outside the destination");
        return EntryResult::PassedOver;
    }
    if (symlink(target.c_str(), fullPath.c_str()) != 0) {
        const int err = errno;
        const std::string resolved = join(core::paths::stringByDeletingLastPathComponent(fullPath), target);
        core::log("Failed to create symbolic link at \"%s\" to \"%s\". Error: %s", fileURLString(fullPath).c_str(),
            fileURLString(resolved).c_str(), core::files::errorFromErrno(err, "Cannot create link", fullPath).localizedDescription.c_str());
    }
    return EntryResult::Extracted;
}

// Runs after the archive is closed, last, so that writing into a folder no longer moves the
// folder's date.
void Extraction::applyDates()
{
    for (auto& [path, date] : m_dates) {
        auto set = setModificationDate(path, date);
        if (!set) {
            core::log("[ZipArchive] Set attributes failed for directory: %s.", path.c_str());
            core::log("[ZipArchive] Error setting directory file modification date attribute: %s", set.error().localizedDescription.c_str());
        }
    }
}

}
