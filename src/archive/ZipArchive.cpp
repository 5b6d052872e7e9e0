#include "archive/ZipArchive.h"

#include "archive/ArchiveFile.h"
#include "archive/CentralDirectory.h"
#include "archive/Extraction.h"

#include <minizip/unzip.h>

#include <ctime>

namespace archive {

namespace {

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
    if (!zip && CentralDirectory::isArchiveWithoutEntries(path)) {
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

    if (auto admitted = CentralDirectory::admit(zip.get(), path, destination); !admitted)
        return failed(admitted.error());
    Extraction extraction(zip.get(), path, destination, overwrite, password, delegate);
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
