#pragma once
#include "platform/core/Error.h"

#include <minizip/unzip.h>

#include <string>

namespace archive {

// What the archive says about itself before any entry is read: its end record and its central
// directory, judged as a whole so that a hostile archive is refused before anything is written.
class CentralDirectory {
public:
    // minizip looks for the end record everywhere but at the very start of the file, which is
    // where an archive without entries has it. Such a file is a zip archive, only one with no
    // first entry.
    static bool isArchiveWithoutEntries(const std::string& path);

    // Walks the central directory once: entries whose data overlap (the overlapping-entry bombs),
    // data that runs past the end of the archive, and declared sizes that add up to more than
    // 4 GiB or more than the free disk space at `destination` refuse the whole archive, with the
    // reason in ZipArchive's error domain. Leaves the archive on its first entry.
    static core::Result<void> admit(unzFile file, const std::string& path, const std::string& destination);
};

}
