#pragma once
// Builders for the archives the extraction tests feed in: well-formed ones through minizip's own
// zip writer, hostile ones byte by byte, plus a temp folder, a tree listing and a log capture.

#include "archive/ZipArchive.h"
#include "platform/core/FileManager.h"
#include "platform/core/TemporaryFolder.h"
#include "platform/core/Log.h"

#include <gtest/gtest.h>
#include <minizip/zip.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <utility>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ziptest {

inline uint32_t dosDateTime(int year, int month, int day, int hour, int minute, int second)
{
    const uint32_t date = uint32_t(((year - 1980) << 9) | (month << 5) | day);
    const uint32_t time = uint32_t((hour << 11) | (minute << 5) | (second / 2));
    return (date << 16) | time;
}

// The date the extraction must give an entry: the DOS fields read as local time.
inline double localDate(int year, int month, int day, int hour, int minute, int second)
{
    struct tm t {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return double(mktime(&t));
}

constexpr uint32_t kUnixLinkMode = 0120777u << 16;

// --- well-formed archives through minizip's writer -------------------------------------------

struct Item {
    Item(std::string itemName, std::string itemData, int itemMethod = Z_DEFLATED)
        : name(std::move(itemName)), data(std::move(itemData)), method(itemMethod)
    {
    }
    std::string name;
    std::string data;
    int method;
    uint32_t dosDate = dosDateTime(2021, 3, 4, 5, 6, 8);
    uint32_t externalFa = 0;
};

inline Item symlinkItem(std::string name, std::string target)
{
    Item item { std::move(name), std::move(target) };
    item.method = 0;
    item.externalFa = kUnixLinkMode;
    return item;
}

inline void writeZip(const std::string& path, const std::vector<Item>& items)
{
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(zip, nullptr);
    for (auto& item : items) {
        zip_fileinfo info {};
        info.dosDate = item.dosDate;
        info.external_fa = item.externalFa;
        ASSERT_EQ(zipOpenNewFileInZip(zip, item.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, item.method,
                      item.method ? Z_DEFAULT_COMPRESSION : 0),
            ZIP_OK);
        if (!item.data.empty()) {
            ASSERT_EQ(zipWriteInFileInZip(zip, item.data.data(), unsigned(item.data.size())), ZIP_OK);
        }
        ASSERT_EQ(zipCloseFileInZip(zip), ZIP_OK);
    }
    ASSERT_EQ(zipClose(zip, nullptr), ZIP_OK);
}

// --- hand-made archives: every header field under the test's control --------------------------

inline std::string deflateRaw(const std::string& data)
{
    z_stream zs {};
    deflateInit2(&zs, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&zs, uLong(data.size())), '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    zs.avail_in = uInt(data.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = uInt(out.size());
    deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

inline uint32_t crcOf(const std::string& data)
{
    return uint32_t(crc32(0, reinterpret_cast<const Bytef*>(data.data()), uInt(data.size())));
}

struct RawEntry {
    RawEntry(std::string entryName, std::string entryData, bool isDeflated = true)
        : name(std::move(entryName)), data(std::move(entryData)), deflated(isDeflated)
    {
    }
    std::string name;
    std::string data;
    bool deflated;
    uint32_t dosDate = dosDateTime(2022, 7, 8, 9, 10, 12);
    uint32_t externalFa = 0;
    uint16_t method = 0xFFFF; // 0xFFFF: 8 when deflated, else 0
    std::optional<uint32_t> crc;
    std::optional<uint32_t> uncompressedSize;
    std::optional<uint32_t> compressedSize;
    std::optional<std::string> payload; // the bytes stored for the entry, instead of its data
};

class RawZip {
public:
    // Appends the entry's local header and data; its central record points at them.
    void add(const RawEntry& entry)
    {
        Central c = centralFor(entry);
        c.offset = uint32_t(m_bytes.size());
        m_bytes += localRecord(entry);
        m_central.push_back(c);
    }
    // A central record only, pointing wherever the test says.
    void addCentral(const RawEntry& entry, uint32_t offset)
    {
        Central c = centralFor(entry);
        c.offset = offset;
        m_central.push_back(c);
    }
    size_t size() const { return m_bytes.size(); }

    static std::string localRecord(const RawEntry& entry)
    {
        Central c = centralFor(entry);
        std::string out;
        put32(out, 0x04034b50);
        put16(out, 20);
        put16(out, 0);
        put16(out, c.method);
        put32(out, c.dosDate);
        put32(out, c.crc);
        put32(out, c.csize);
        put32(out, c.usize);
        put16(out, uint16_t(c.name.size()));
        put16(out, 0);
        out += c.name;
        out += c.payload;
        return out;
    }

    std::string finish() const
    {
        std::string out = m_bytes;
        const uint32_t start = uint32_t(out.size());
        for (auto& c : m_central) {
            put32(out, 0x02014b50);
            put16(out, 0x031E);
            put16(out, 20);
            put16(out, 0);
            put16(out, c.method);
            put32(out, c.dosDate);
            put32(out, c.crc);
            put32(out, c.csize);
            put32(out, c.usize);
            put16(out, uint16_t(c.name.size()));
            put16(out, 0);
            put16(out, 0);
            put16(out, 0);
            put16(out, 0);
            put32(out, c.externalFa);
            put32(out, c.offset);
            out += c.name;
        }
        const uint32_t length = uint32_t(out.size()) - start;
        put32(out, 0x06054b50);
        put16(out, 0);
        put16(out, 0);
        put16(out, uint16_t(m_central.size()));
        put16(out, uint16_t(m_central.size()));
        put32(out, length);
        put32(out, start);
        put16(out, 0);
        return out;
    }

    void writeTo(const std::string& path) const { ASSERT_TRUE(core::files::writeContentsAtPath(path, finish()).ok()); }

private:
    struct Central {
        std::string name;
        std::string payload;
        uint16_t method = 0;
        uint32_t dosDate = 0;
        uint32_t crc = 0;
        uint32_t usize = 0;
        uint32_t csize = 0;
        uint32_t externalFa = 0;
        uint32_t offset = 0;
    };

    static Central centralFor(const RawEntry& entry)
    {
        Central c;
        c.name = entry.name;
        c.payload = entry.payload ? *entry.payload : (entry.deflated ? deflateRaw(entry.data) : entry.data);
        c.method = entry.method != 0xFFFF ? entry.method : (entry.deflated ? 8 : 0);
        c.dosDate = entry.dosDate;
        c.crc = entry.crc ? *entry.crc : crcOf(entry.data);
        c.usize = entry.uncompressedSize ? *entry.uncompressedSize : uint32_t(entry.data.size());
        c.csize = entry.compressedSize ? *entry.compressedSize : uint32_t(c.payload.size());
        c.externalFa = entry.externalFa;
        return c;
    }
    static void put16(std::string& out, uint16_t v)
    {
        out += char(v & 0xFF);
        out += char(v >> 8);
    }
    static void put32(std::string& out, uint32_t v)
    {
        put16(out, uint16_t(v & 0xFFFF));
        put16(out, uint16_t(v >> 16));
    }

    std::string m_bytes;
    std::vector<Central> m_central;
};

// --- what exists afterwards ------------------------------------------------------------------

// Everything under `root`, relative and sorted: folders end in "/", links show "name -> target".
inline std::vector<std::string> tree(const std::string& root)
{
    std::vector<std::string> out;
    std::vector<std::string> pending { "" };
    while (!pending.empty()) {
        std::string rel = pending.back();
        pending.pop_back();
        auto names = core::files::contentsOfDirectoryAtPath(rel.empty() ? root : root + "/" + rel);
        if (!names)
            continue;
        for (auto& name : *names) {
            const std::string child = rel.empty() ? name : rel + "/" + name;
            const std::string full = root + "/" + child;
            struct stat st {};
            lstat(full.c_str(), &st);
            if (S_ISLNK(st.st_mode)) {
                char target[4096] = {};
                ssize_t n = readlink(full.c_str(), target, sizeof target - 1);
                out.push_back(child + " -> " + std::string(target, n > 0 ? size_t(n) : 0));
            } else if (S_ISDIR(st.st_mode)) {
                out.push_back(child + "/");
                pending.push_back(child);
            } else {
                out.push_back(child);
            }
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

inline std::string contents(const std::string& path)
{
    return core::files::contentsAtPath(path).value_or("<missing>");
}

inline double mtimeOf(const std::string& path)
{
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0)
        return -1;
    return double(st.st_mtim.tv_sec);
}

// A parent folder with the destination inside it, so that "outside the destination" can be
// looked at. Removed with everything in it afterwards.
class ArchiveTest : public testing::Test {
protected:
    void SetUp() override
    {
        auto folder = core::TemporaryFolder::create("archive");
        ASSERT_TRUE(folder.ok());
        m_folder = *folder;
        parent = m_folder->path();
        destination = parent + "/dest";
        archivePath = parent + "/archive.zip";
        m_oldSink = core::setLogSink([this](const std::string& line) { logLines.push_back(line); });
    }
    void TearDown() override
    {
        core::setLogSink(m_oldSink);
        m_folder.reset();
    }
    std::shared_ptr<core::TemporaryFolder> m_folder;

    bool logged(const std::string& fragment) const
    {
        return std::any_of(logLines.begin(), logLines.end(),
            [&](const std::string& line) { return line.find(fragment) != std::string::npos; });
    }
    // Names in the parent folder other than the destination and the archive.
    std::vector<std::string> outside() const
    {
        std::vector<std::string> out;
        for (auto& entry : tree(parent)) {
            if (entry.rfind("dest", 0) == 0 || entry == "archive.zip")
                continue;
            out.push_back(entry);
        }
        return out;
    }

    std::string parent;
    std::string destination;
    std::string archivePath;
    std::vector<std::string> logLines;

private:
    core::LogSink m_oldSink;
};

// Records the delegate's calls in order, one line each.
class RecordingDelegate : public archive::ZipArchiveDelegate {
public:
    void zipArchiveWillUnzipArchiveAtPath(const std::string& path, const archive::ZipGlobalInfo& info) override
    {
        calls.push_back("willArchive " + path + " " + std::to_string(info.number_entry));
    }
    void zipArchiveWillUnzipFileAtIndex(long index, long total, const std::string&, archive::ZipFileInfo info) override
    {
        calls.push_back("willFile " + std::to_string(index) + "/" + std::to_string(total));
        infos.push_back(info);
    }
    void zipArchiveDidUnzipFileAtIndex(long index, long total, const std::string&, archive::ZipFileInfo info) override
    {
        calls.push_back("didFile " + std::to_string(index) + "/" + std::to_string(total) + " " + std::to_string(info.uncompressed_size));
    }
    void zipArchiveDidUnzipArchiveAtPath(const std::string&, const archive::ZipGlobalInfo&, const std::string& unzippedPath) override
    {
        calls.push_back("didArchive " + unzippedPath);
    }

    std::vector<std::string> calls;
    std::vector<archive::ZipFileInfo> infos;
};

}
