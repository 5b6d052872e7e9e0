#include "archive/ZipArchive.h"

#include "archive/EntryName.h"

#include "platform/core/FileManager.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"

#include <minizip/ioapi.h>
#include <minizip/unzip.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <ctime>
#include <memory>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <unordered_set>
#include <utility>
#include <vector>

namespace archive {

namespace {

// Entry data streams through one buffer of this size, allocated and zeroed once per extraction.
// Deflated entries use its first half for compressed input and its second half for output.
constexpr size_t kBufferSize = 256 * 1024;
constexpr uint64_t kMaxDeclaredTotal = uint64_t(4) << 30;
constexpr uint64_t kMaxLinkTarget = PATH_MAX - 1;

// Closes the archive on every path out of the extraction.
class ArchiveHandle {
public:
    explicit ArchiveHandle(unzFile file) : m_file(file) { }
    ~ArchiveHandle() { close(); }
    ArchiveHandle(const ArchiveHandle&) = delete;
    ArchiveHandle& operator=(const ArchiveHandle&) = delete;
    unzFile get() const { return m_file; }
    explicit operator bool() const { return m_file != nullptr; }
    void close()
    {
        if (m_file)
            unzClose(m_file);
        m_file = nullptr;
    }

private:
    unzFile m_file;
};

// The archive as minizip reads it: positioned reads through two cached windows, one that stays on
// the central directory while the other follows the entry data. minizip seeks for nearly every
// header field; over stdio each of those seeks was a system call.
class ArchiveFile {
public:
    static zlib_filefunc64_def functions()
    {
        zlib_filefunc64_def def {};
        def.zopen64_file = &ArchiveFile::open;
        def.zread_file = &ArchiveFile::read;
        def.zwrite_file = [](voidpf, voidpf, const void*, uLong) -> uLong { return 0; };
        def.ztell64_file = [](voidpf, voidpf stream) -> ZPOS64_T { return self(stream).m_position; };
        def.zseek64_file = &ArchiveFile::seek;
        def.zclose_file = &ArchiveFile::close;
        def.zerror_file = [](voidpf, voidpf stream) -> int { return self(stream).m_error; };
        return def;
    }

private:
    static constexpr size_t kWindow = 64 * 1024;

    struct Window {
        uint64_t start = 0;
        size_t length = 0;
        uint64_t lastUse = 0;
        std::unique_ptr<unsigned char[]> bytes;
    };

    static ArchiveFile& self(voidpf stream) { return *static_cast<ArchiveFile*>(stream); }

    static voidpf ZCALLBACK open(voidpf, const void* filename, int mode)
    {
        if (!filename || (mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ)
            return nullptr;
        const int fd = ::open(static_cast<const char*>(filename), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return nullptr;
        struct stat st {};
        if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return nullptr;
        }
        auto file = std::make_unique<ArchiveFile>();
        file->m_fd = fd;
        file->m_size = uint64_t(st.st_size);
        // minizip owns the handle from here until it calls close.
        return file.release();
    }

    static int ZCALLBACK close(voidpf, voidpf stream)
    {
        std::unique_ptr<ArchiveFile> file(static_cast<ArchiveFile*>(stream));
        return ::close(file->m_fd);
    }

    static long ZCALLBACK seek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
    {
        ArchiveFile& file = self(stream);
        switch (origin) {
        case ZLIB_FILEFUNC_SEEK_SET:
            file.m_position = offset;
            return 0;
        case ZLIB_FILEFUNC_SEEK_CUR:
            file.m_position += offset;
            return 0;
        case ZLIB_FILEFUNC_SEEK_END:
            file.m_position = file.m_size + offset;
            return 0;
        default:
            return -1;
        }
    }

    static uLong ZCALLBACK read(voidpf, voidpf stream, void* buffer, uLong size)
    {
        ArchiveFile& file = self(stream);
        auto* out = static_cast<unsigned char*>(buffer);
        uLong done = 0;
        while (done < size && file.m_position < file.m_size) {
            Window* window = file.windowAt(file.m_position);
            if (!window)
                break;
            const size_t offset = size_t(file.m_position - window->start);
            const size_t count = std::min<uint64_t>(window->length - offset, size - done);
            memcpy(out + done, window->bytes.get() + offset, count);
            done += count;
            file.m_position += count;
        }
        return done;
    }

    Window* windowAt(uint64_t position)
    {
        ++m_tick;
        for (auto& window : m_windows) {
            if (window.bytes && position >= window.start && position < window.start + window.length) {
                window.lastUse = m_tick;
                return &window;
            }
        }
        Window& window = m_windows[0].lastUse <= m_windows[1].lastUse ? m_windows[0] : m_windows[1];
        if (!window.bytes)
            window.bytes = std::make_unique<unsigned char[]>(kWindow);
        ssize_t n;
        do
            n = pread(m_fd, window.bytes.get(), kWindow, off_t(position));
        while (n < 0 && errno == EINTR);
        if (n <= 0) {
            if (n < 0)
                m_error = errno;
            window.length = 0;
            return nullptr;
        }
        window.start = position;
        window.length = size_t(n);
        window.lastUse = m_tick;
        return &window;
    }

    int m_fd = -1;
    uint64_t m_size = 0;
    uint64_t m_position = 0;
    uint64_t m_tick = 0;
    int m_error = 0;
    Window m_windows[2];
};

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

bool pathExists(const std::string& path, struct stat* st = nullptr)
{
    struct stat local {};
    return lstat(path.c_str(), st ? st : &local) == 0;
}

// The free space of the disk that will hold `destination`, found through its nearest existing
// ancestor since the destination itself may not exist yet.
std::optional<uint64_t> freeSpaceFor(const std::string& destination)
{
    std::string probe = destination.empty() ? std::string(".") : destination;
    for (;;) {
        struct statvfs vfs {};
        if (statvfs(probe.c_str(), &vfs) == 0)
            return uint64_t(vfs.f_bavail) * uint64_t(vfs.f_frsize);
        std::string parent = core::paths::stringByDeletingLastPathComponent(probe);
        if (parent == probe || parent.empty()) {
            if (probe != "." && probe[0] != '/') {
                probe = ".";
                continue;
            }
            return std::nullopt;
        }
        probe = parent;
    }
}

// minizip looks for the end record everywhere but at the very start of the file, which is where an
// archive without entries has it. Such a file is a zip archive, only one with no first entry.
bool isArchiveWithoutEntries(const std::string& path)
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

enum class StreamOutcome { Complete, Corrupt, SinkFailed };

class Extraction {
public:
    Extraction(unzFile file, std::string path, std::string destination, bool overwrite,
        const std::optional<std::string>& password, std::shared_ptr<ZipArchiveDelegate> delegate)
        : m_file(file)
        , m_path(std::move(path))
        , m_destination(std::move(destination))
        , m_overwrite(overwrite)
        , m_password(password.value_or(std::string()))
        , m_delegate(std::move(delegate))
    {
    }

    bool admitArchive();
    bool run(const ZipGlobalInfo& globalInfo);
    void applyDates();
    // Why admitArchive() or run() failed.
    const core::Error& failure() const { return m_failure; }

private:
    enum class EntryResult { Extracted, PassedOver, Fail };

    EntryResult extractCurrentEntry(long index, long total, ZipFileInfo& info);
    bool checkNoLinkOnPath(const std::vector<std::string>& parts, const std::string& rawName);
    void createFolders(const std::vector<std::string>& parts, size_t count, double date);
    EntryResult writeFile(const std::string& fullPath, const ZipFileInfo& info, const std::string& rawName, double date);
    EntryResult writeLink(const std::string& fullPath, size_t folderDepth, const ZipFileInfo& info, const std::string& rawName);

    template<typename Sink>
    StreamOutcome stream(const ZipFileInfo& info, Sink&& sink, std::string& why);

    void refuse(const std::string& rawName, const std::string& reason)
    {
        core::log("[ZipArchive] Skipping entry \"%s\": %s", EntryName::printable(rawName).c_str(), reason.c_str());
    }

    unzFile m_file;
    std::string m_path;
    std::string m_destination;
    bool m_overwrite;
    std::string m_password;
    std::shared_ptr<ZipArchiveDelegate> m_delegate;
    std::vector<unsigned char> m_buffer;
    std::set<std::pair<std::string, double>> m_dates;
    std::unordered_set<std::string> m_realFolders;
    bool m_destinationReady = false;
    core::Error m_failure = core::Error::make(ZipArchive::errorDomain, ZipArchive::errorCodeCorruptEntry, "an entry is corrupt");

    void failWith(long code, std::string description, int systemError = 0)
    {
        m_failure = core::Error::make(ZipArchive::errorDomain, code, std::move(description));
        if (systemError)
            m_failure.underlying = std::make_shared<core::Error>(core::Error::make("NSPOSIXErrorDomain", systemError, strerror(systemError)));
    }
};

// Walks the central directory once before anything is written: entries whose data overlap
// (the overlapping-entry bombs), data that runs past the end of the archive, and declared sizes
// that add up to more than 4 GiB or more than the free disk space refuse the whole archive.
bool Extraction::admitArchive()
{
    struct Range {
        uint64_t start;
        uint64_t length;
    };
    std::vector<Range> ranges;
    uint64_t declared = 0;
    bool overflow = false;

    struct stat st {};
    const uint64_t archiveSize = stat(m_path.c_str(), &st) == 0 ? uint64_t(st.st_size) : UINT64_MAX;

    int rc = unzGoToFirstFile(m_file);
    while (rc == UNZ_OK) {
        unz_file_info64 info {};
        if (unzGetCurrentFileInfo64(m_file, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
            break;
        if (declared + info.uncompressed_size < declared)
            overflow = true;
        declared += info.uncompressed_size;
        int method = 0, level = 0;
        if (unzOpenCurrentFile2(m_file, &method, &level, 1) == UNZ_OK) {
            const uint64_t start = unzGetCurrentFileZStreamPos64(m_file);
            unzCloseCurrentFile(m_file);
            if (start + info.compressed_size < start || start + info.compressed_size > archiveSize) {
                core::log("[ZipArchive] Refusing archive \"%s\": entry data lies outside the archive", m_path.c_str());
                failWith(ZipArchive::errorCodeCorruptEntry, "entry data lies outside the archive");
                return false;
            }
            if (info.compressed_size > 0)
                ranges.push_back({ start, info.compressed_size });
        }
        rc = unzGoToNextFile(m_file);
    }
    unzGoToFirstFile(m_file);

    std::sort(ranges.begin(), ranges.end(), [](const Range& a, const Range& b) { return a.start < b.start; });
    for (size_t i = 1; i < ranges.size(); ++i) {
        if (ranges[i - 1].start + ranges[i - 1].length > ranges[i].start) {
            core::log("[ZipArchive] Refusing archive \"%s\": entries overlap one another", m_path.c_str());
            failWith(ZipArchive::errorCodeEntriesOverlap, "entries overlap one another");
            return false;
        }
    }
    if (overflow || declared > kMaxDeclaredTotal) {
        core::log("[ZipArchive] Refusing archive \"%s\": entries declare %llu bytes, more than 4 GiB",
            m_path.c_str(), static_cast<unsigned long long>(declared));
        failWith(ZipArchive::errorCodeTooLarge, "its entries declare more than 4 GiB");
        return false;
    }
    auto freeSpace = freeSpaceFor(m_destination);
    if (freeSpace && declared > *freeSpace) {
        core::log("[ZipArchive] Refusing archive \"%s\": entries declare %llu bytes, more than the %llu bytes free at \"%s\"",
            m_path.c_str(), static_cast<unsigned long long>(declared), static_cast<unsigned long long>(*freeSpace),
            m_destination.c_str());
        failWith(ZipArchive::errorCodeNoSpace, "its entries declare more bytes than the disk has free");
        return false;
    }
    return true;
}

bool Extraction::run(const ZipGlobalInfo& globalInfo)
{
    m_buffer.assign(kBufferSize, 0);

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
    // The record comes first: whether the password applies depends on the entry's encryption flag.
    unz_file_info64 record {};
    if (unzGetCurrentFileInfo64(m_file, &record, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
        failWith(ZipArchive::errorCodeCorruptEntry, "an entry's record cannot be read");
        return EntryResult::Fail;
    }
    info = toFileInfo(record);

    // Entries are read raw and inflated here, so that the output can be held to the declared size
    // and checked against the CRC; minizip still decrypts and bounds the compressed data.
    const bool encrypted = (info.flag & 1) != 0;
    // Without a password an encrypted entry cannot be opened, rather than read as garbage.
    if (encrypted && m_password.empty()) {
        failWith(ZipArchive::errorCodeCorruptEntry, "an entry is encrypted");
        return EntryResult::Fail;
    }
    const char* password = encrypted ? m_password.c_str() : nullptr;
    int method = 0;
    int level = 0;
    if (unzOpenCurrentFile3(m_file, &method, &level, 1, password) != UNZ_OK) {
        failWith(ZipArchive::errorCodeCorruptEntry, "an entry cannot be opened");
        return EntryResult::Fail;
    }
    if (method != 0 && method != Z_DEFLATED) {
        unzCloseCurrentFile(m_file);
        failWith(ZipArchive::errorCodeCorruptEntry, "an entry uses an unsupported compression method");
        return EntryResult::Fail;
    }

    if (m_delegate)
        m_delegate->zipArchiveWillUnzipFileAtIndex(index, total, m_path, info);

    std::vector<char> nameBuffer(size_t(info.size_filename) + 1, '\0');
    unzGetCurrentFileInfo64(m_file, nullptr, nameBuffer.data(), uLong(nameBuffer.size()), nullptr, 0, nullptr, 0);
    const std::string rawName(nameBuffer.data(), info.size_filename);

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
        unzCloseCurrentFile(m_file);
        return EntryResult::PassedOver;
    }
    std::string fullPath = m_destination;
    for (auto& part : parts)
        fullPath = join(fullPath, part);
    const double date = ZipArchive::dateWithMSDOSFormat(info.dosDate);

    if (!checkNoLinkOnPath(parts, rawName)) {
        unzCloseCurrentFile(m_file);
        return EntryResult::PassedOver;
    }
    createFolders(parts, isDirectory ? parts.size() : parts.size() - 1, date);

    if (!isLink)
        m_dates.insert({ fullPath, date });

    if (!isDirectory && !m_overwrite && pathExists(fullPath)) {
        unzCloseCurrentFile(m_file);
        return EntryResult::PassedOver;
    }

    EntryResult result = EntryResult::Extracted;
    if (isLink)
        result = writeLink(fullPath, parts.size() - 1, info, rawName);
    else if (!isDirectory)
        result = writeFile(fullPath, info, rawName, date);
    // A directory entry's folder exists now; it has no data to write.
    unzCloseCurrentFile(m_file);
    return result;
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
    StreamOutcome outcome = stream(info, [&](const unsigned char* data, size_t length) {
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

    if (outcome == StreamOutcome::Complete && info.dosDate != 0) {
        timespec times[2] = { { 0, UTIME_OMIT }, toTimespec(date) };
        if (futimens(fd, times) != 0)
            core::log("[ZipArchive] Failed to set attributes");
    }
    if (::close(fd) != 0 && outcome == StreamOutcome::Complete) {
        writeError = errno;
        outcome = StreamOutcome::SinkFailed;
    }
    if (outcome == StreamOutcome::Complete)
        return EntryResult::Extracted;

    // A partial file would pass for a good one; it goes, and the extraction fails.
    unlink(fullPath.c_str());
    m_dates.erase({ fullPath, date });
    if (outcome == StreamOutcome::Corrupt) {
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
    StreamOutcome outcome = stream(info, [&](const unsigned char* data, size_t length) {
        target.append(reinterpret_cast<const char*>(data), length);
        return true;
    }, why);
    if (outcome != StreamOutcome::Complete) {
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

template<typename Sink>
StreamOutcome Extraction::stream(const ZipFileInfo& info, Sink&& sink, std::string& why)
{
    const uint64_t declared = info.uncompressed_size;
    uint64_t total = 0;
    uLong crc = crc32(0, nullptr, 0);
    auto deliver = [&](const unsigned char* data, size_t length) {
        if (total + length > declared) {
            why = "it holds more data than it declares";
            return StreamOutcome::Corrupt;
        }
        crc = crc32(crc, data, uInt(length));
        total += length;
        return sink(data, length) ? StreamOutcome::Complete : StreamOutcome::SinkFailed;
    };

    if (info.compression_method == 0) {
        for (;;) {
            const int n = unzReadCurrentFile(m_file, m_buffer.data(), unsigned(m_buffer.size()));
            if (n < 0) {
                why = "its data cannot be read";
                return StreamOutcome::Corrupt;
            }
            if (n == 0)
                break;
            StreamOutcome step = deliver(m_buffer.data(), size_t(n));
            if (step != StreamOutcome::Complete)
                return step;
        }
    } else {
        const size_t half = m_buffer.size() / 2;
        unsigned char* in = m_buffer.data();
        unsigned char* out = m_buffer.data() + half;
        z_stream zs {};
        if (inflateInit2(&zs, -MAX_WBITS) != Z_OK) {
            why = "it cannot be inflated";
            return StreamOutcome::Corrupt;
        }
        bool inputDone = false;
        StreamOutcome outcome = StreamOutcome::Complete;
        for (;;) {
            if (zs.avail_in == 0 && !inputDone) {
                const int n = unzReadCurrentFile(m_file, in, unsigned(half));
                if (n < 0) {
                    why = "its data cannot be read";
                    outcome = StreamOutcome::Corrupt;
                    break;
                }
                inputDone = n == 0;
                zs.next_in = in;
                zs.avail_in = unsigned(n);
            }
            zs.next_out = out;
            zs.avail_out = unsigned(half);
            const int rc = inflate(&zs, Z_NO_FLUSH);
            if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) {
                why = "its data does not inflate";
                outcome = StreamOutcome::Corrupt;
                break;
            }
            const size_t produced = half - zs.avail_out;
            if (produced > 0) {
                outcome = deliver(out, produced);
                if (outcome != StreamOutcome::Complete)
                    break;
            }
            if (rc == Z_STREAM_END)
                break;
            if (rc == Z_BUF_ERROR && inputDone) {
                why = "its data ends early";
                outcome = StreamOutcome::Corrupt;
                break;
            }
        }
        inflateEnd(&zs);
        if (outcome != StreamOutcome::Complete)
            return outcome;
    }
    if (total != declared) {
        why = "it holds less data than it declares";
        return StreamOutcome::Corrupt;
    }
    if (uint32_t(crc) != info.crc) {
        why = "its CRC does not match";
        return StreamOutcome::Corrupt;
    }
    return StreamOutcome::Complete;
}

// Runs after the archive is closed: every extracted item but links gets its entry's date, last,
// so that writing into a folder no longer moves the folder's date.
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

bool ZipArchive::unzipFileAtPath(const std::string& path, const std::string& destination)
{
    return unzipFileAtPath(path, destination, nullptr);
}

bool ZipArchive::unzipFileAtPath(const std::string& path, const std::string& destination, std::shared_ptr<ZipArchiveDelegate> delegate)
{
    return unzipFileAtPath(path, destination, true, std::nullopt, nullptr, std::move(delegate));
}

bool ZipArchive::unzipFileAtPath(const std::string& path, const std::string& destination, bool overwrite,
    const std::optional<std::string>& password, core::Error* error)
{
    return unzipFileAtPath(path, destination, overwrite, password, error, nullptr);
}

bool ZipArchive::unzipFileAtPath(const std::string& path, const std::string& destination, bool overwrite,
    const std::optional<std::string>& password, core::Error* error, std::shared_ptr<ZipArchiveDelegate> delegate)
{
    auto failed = [&](const core::Error& reason) {
        if (delegate)
            delegate->zipArchiveDidFailToUnzipArchiveAtPath(path, reason);
        return false;
    };
    zlib_filefunc64_def io = ArchiveFile::functions();
    ArchiveHandle zip(unzOpen2_64(path.c_str(), &io));
    if (!zip && isArchiveWithoutEntries(path)) {
        auto reason = core::Error::make(errorDomain, errorCodeNoFirstEntry, "failed to open first file in zip file");
        if (error)
            *error = reason;
        return failed(reason);
    }
    if (!zip) {
        auto reason = core::Error::make(errorDomain, errorCodeCannotOpen, "failed to open zip file");
        if (error)
            *error = reason;
        return failed(reason);
    }
    unz_global_info64 global {};
    unzGetGlobalInfo64(zip.get(), &global);
    ZipGlobalInfo globalInfo;
    globalInfo.number_entry = global.number_entry;
    globalInfo.size_comment = global.size_comment;

    if (unzGoToFirstFile(zip.get()) != UNZ_OK) {
        auto reason = core::Error::make(errorDomain, errorCodeNoFirstEntry, "failed to open first file in zip file");
        if (error)
            *error = reason;
        return failed(reason);
    }

    Extraction extraction(zip.get(), path, destination, overwrite, password, delegate);
    if (!extraction.admitArchive())
        return failed(extraction.failure());
    const bool success = extraction.run(globalInfo);
    zip.close();
    extraction.applyDates();
    if (!success)
        return failed(extraction.failure());
    if (success && delegate)
        delegate->zipArchiveDidUnzipArchiveAtPath(path, globalInfo, destination);
    return success;
}

double ZipArchive::dateWithMSDOSFormat(uint32_t msdosDateTime)
{
    // Fields go in unchecked; mktime rolls them over like a calendar (month 0 is the previous
    // December, day 0 the previous month's last day) and reads them in the local time zone.
    struct tm fields {};
    fields.tm_year = int((msdosDateTime >> 25) & 0x7F) + 1980 - 1900;
    fields.tm_mon = int((msdosDateTime >> 21) & 0x0F) - 1;
    fields.tm_mday = int((msdosDateTime >> 16) & 0x1F);
    fields.tm_hour = int((msdosDateTime >> 11) & 0x1F);
    fields.tm_min = int((msdosDateTime >> 5) & 0x3F);
    fields.tm_sec = int(msdosDateTime & 0x1F) * 2;
    fields.tm_isdst = -1;
    return double(mktime(&fields));
}

}
