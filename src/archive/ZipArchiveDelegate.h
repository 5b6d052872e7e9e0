#pragma once
#include "platform/core/Error.h"

#include <cstdint>
#include <string>

namespace archive {

// Number of entries and length of the archive comment, as minizip reports them.
struct ZipGlobalInfo {
    uint64_t number_entry = 0;
    uint64_t size_comment = 0;
};

// The broken-down entry date minizip derives from the DOS date-time (month 0 to 11, full year).
struct ZipDate {
    uint32_t tm_sec = 0;
    uint32_t tm_min = 0;
    uint32_t tm_hour = 0;
    uint32_t tm_mday = 0;
    uint32_t tm_mon = 0;
    uint32_t tm_year = 0;
};

// minizip's per-entry record, field for field and in its order.
struct ZipFileInfo {
    uint32_t version = 0;
    uint32_t version_needed = 0;
    uint32_t flag = 0;
    uint32_t compression_method = 0;
    uint32_t dosDate = 0;
    uint32_t crc = 0;
    uint64_t compressed_size = 0;
    uint64_t uncompressed_size = 0;
    uint32_t size_filename = 0;
    uint32_t size_file_extra = 0;
    uint32_t size_file_comment = 0;
    uint32_t disk_num_start = 0;
    uint32_t internal_fa = 0;
    uint32_t external_fa = 0;
    ZipDate tmu_date;
};

// Optional observer of an extraction. Every callback has an empty default, so a delegate
// implements only the ones it cares about; not implementing one is the same as not being asked.
// Order: willUnzipArchive once, then per entry willUnzipFile and (unless the entry was passed
// over) didUnzipFile, then didUnzipArchive once, only when the extraction succeeded.
class ZipArchiveDelegate {
public:
    virtual ~ZipArchiveDelegate() = default;

    virtual void zipArchiveWillUnzipArchiveAtPath(const std::string& path, const ZipGlobalInfo& zipInfo);
    virtual void zipArchiveWillUnzipFileAtIndex(long fileIndex, long totalFiles, const std::string& archivePath, ZipFileInfo fileInfo);
    virtual void zipArchiveDidUnzipFileAtIndex(long fileIndex, long totalFiles, const std::string& archivePath, ZipFileInfo fileInfo);
    virtual void zipArchiveDidUnzipArchiveAtPath(const std::string& path, const ZipGlobalInfo& zipInfo, const std::string& unzippedPath);
    // Ours: why an extraction failed (a ZipArchive error code, with the system's error beneath a
    // failed write), once, in place of didUnzipArchive.
    virtual void zipArchiveDidFailToUnzipArchiveAtPath(const std::string& path, const core::Error& reason);
};

}
