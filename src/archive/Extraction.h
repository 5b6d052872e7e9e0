#pragma once
#include "archive/EntryInflater.h"
#include "archive/ZipArchiveDelegate.h"
#include "platform/core/Error.h"

#include <minizip/unzip.h>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace archive {

// Writes an admitted archive's entries into the destination, one after the other, with the
// safety checks that keep everything inside it: unsafe names and entries that would be written
// through a symbolic link are passed over, folders are made without following links, files are
// opened with O_NOFOLLOW, link targets must stay inside, and a corrupt entry ends the extraction
// with its partial file removed.
class Extraction {
public:
    Extraction(unzFile file, std::string path, std::string destination, bool overwrite,
        const std::optional<std::string>& password, std::shared_ptr<ZipArchiveDelegate> delegate);

    // Every entry from the current one on; false when one failed.
    bool run(const ZipGlobalInfo& globalInfo);
    // After the archive is closed: every extracted item but links gets its entry's date.
    void applyDates();
    // Why run() failed.
    const core::Error& failure() const { return m_failure; }

private:
    enum class EntryResult { Extracted, PassedOver, Fail };

    EntryResult extractCurrentEntry(long index, long total, ZipFileInfo& info);
    bool openCurrentEntry(ZipFileInfo& info);
    EntryResult placeEntry(const std::string& rawName, const ZipFileInfo& info);
    bool checkNoLinkOnPath(const std::vector<std::string>& parts, const std::string& rawName);
    void createFolders(const std::vector<std::string>& parts, size_t count, double date);
    EntryResult writeFile(const std::string& fullPath, const ZipFileInfo& info, const std::string& rawName, double date);
    EntryResult writeLink(const std::string& fullPath, size_t folderDepth, const ZipFileInfo& info, const std::string& rawName);
    void refuse(const std::string& rawName, const std::string& reason);
    void failWith(long code, std::string description, int systemError = 0);

    unzFile m_file;
    std::string m_path;
    std::string m_destination;
    bool m_overwrite;
    std::string m_password;
    std::shared_ptr<ZipArchiveDelegate> m_delegate;
    EntryInflater m_inflater;
    std::set<std::pair<std::string, double>> m_dates;
    std::unordered_set<std::string> m_realFolders;
    bool m_destinationReady = false;
    core::Error m_failure;
};

}
