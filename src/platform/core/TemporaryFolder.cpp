#include "platform/core/TemporaryFolder.h"

#include "platform/core/FileManager.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace core {

TemporaryFolder::TemporaryFolder(std::string path, std::string canonical)
    : m_path(std::move(path))
    , m_canonical(std::move(canonical))
{
}

Result<std::shared_ptr<TemporaryFolder>> TemporaryFolder::create(const std::string& prefix, Home home)
{
    std::string parent = "/tmp";
    if (const char* tmp = getenv("TMPDIR"); tmp && *tmp)
        parent = paths::standardize(tmp);
    std::string pattern = paths::stringByAppendingPathComponent(parent, "beatstrip-" + prefix + "-XXXXXX");
    if (!mkdtemp(pattern.data()))
        return files::errorFromErrno(errno, "Cannot create a temporary folder", pattern);
    char resolved[PATH_MAX];
    if (!realpath(pattern.c_str(), resolved))
        return files::errorFromErrno(errno, "Cannot resolve", pattern);
    auto folder = std::shared_ptr<TemporaryFolder>(new TemporaryFolder(pattern, resolved));
    files::registerTemporaryFolder(folder->m_canonical);
    if (home == Home::Use) {
        folder->m_usedAsHome = true;
        folder->m_previousHome = paths::homeOverride();
        paths::setHomeOverride(folder->m_path);
        UserDefaults::resetStandardUserDefaults();
    }
    return folder;
}

TemporaryFolder::~TemporaryFolder()
{
    if (m_usedAsHome) {
        // Close the store before its folder goes; the next use opens the restored home's.
        UserDefaults::resetStandardUserDefaults();
        paths::setHomeOverride(m_previousHome);
    }
    if (!m_keep) {
        if (auto removed = files::removeItemAtPath(m_path); !removed)
            log("Cannot remove the temporary folder %s: %s", m_path.c_str(), removed.error().localizedDescription.c_str());
    }
    files::forgetTemporaryFolder(m_canonical);
}

}
