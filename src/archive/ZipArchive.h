#pragma once
#include "archive/ZipArchiveDelegate.h"
#include "platform/core/Error.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace archive {

// Extracts a zip archive into a folder, synchronously, over minizip and zlib.
//
// Archives come from the network, so extraction holds against hostile input: nothing is created,
// written or linked outside the destination. Entries with unsafe names, entries that would be
// written through a symbolic link, and links whose targets leave the destination are passed over
// with a log line; corrupt entries (bad data, CRC mismatch, more data than declared) end the
// extraction with failure; overlapping entries and archives that declare more than 4 GiB or more
// than the free disk space are refused before anything is written.
class ZipArchive {
public:
    static constexpr const char* errorDomain = "ZipArchiveErrorDomain";
    static constexpr long errorCodeCannotOpen = -1;
    static constexpr long errorCodeNoFirstEntry = -2;
    // Reasons an extraction failed, told to the delegate (the error argument stays as it was).
    static constexpr long errorCodeEntriesOverlap = -3;
    static constexpr long errorCodeTooLarge = -4;
    static constexpr long errorCodeNoSpace = -5;
    static constexpr long errorCodeCorruptEntry = -6;
    static constexpr long errorCodeWriteFailed = -7;

    // Overwrite on, no password, no error report, no delegate.
    static bool unzipFileAtPath(const std::string& path, const std::string& destination);
    // Overwrite on, no password, no error report.
    static bool unzipFileAtPath(const std::string& path, const std::string& destination,
        std::shared_ptr<ZipArchiveDelegate> delegate);
    // No delegate. `error` may be null; it is filled only when the archive itself cannot be used.
    static bool unzipFileAtPath(const std::string& path, const std::string& destination, bool overwrite,
        const std::optional<std::string>& password, core::Error* error);
    // The delegate is held for the whole call, so it may let go of itself from a callback. A
    // password applies to encrypted entries only.
    static bool unzipFileAtPath(const std::string& path, const std::string& destination, bool overwrite,
        const std::optional<std::string>& password, core::Error* error,
        std::shared_ptr<ZipArchiveDelegate> delegate);

    // A DOS date-time as seconds since 1970, read in the local time zone. Out-of-range fields
    // roll over the way a calendar does: 0 is 30 November 1979, 00:00:00 local time.
    static double dateWithMSDOSFormat(uint32_t msdosDateTime);
};

}
