// Moving a damaged settings store aside, with its journal, under a name that did not exist, so
// nothing of the user's is ever overwritten and a fresh store can start.
#include "platform/core/UserDefaults.h"

#include "platform/core/Log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>

namespace core {

namespace {

bool exists(const std::string& path)
{
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

// rename() that never replaces an existing file; errno EEXIST when `to` exists.
bool renameWithoutReplacing(const std::string& from, const std::string& to)
{
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the flag: check, then rename (nobody else names stores like this).
    if (exists(to)) {
        errno = EEXIST;
        return false;
    }
    return rename(from.c_str(), to.c_str()) == 0;
}

}

bool UserDefaults::moveAside()
{
    const std::string base = m_path + ".corrupt-" + std::to_string(time(nullptr));
    for (int n = 1; n < 1000; ++n) {
        const std::string aside = n == 1 ? base : base + "-" + std::to_string(n);
        if (exists(aside) || exists(aside + "-wal") || exists(aside + "-shm"))
            continue;
        if (!renameWithoutReplacing(m_path, aside)) {
            if (errno == EEXIST)
                continue;
            std::string why = strerror(errno);
            log("Settings store %s is unreadable and left in place: renaming it to %s failed (%s)", m_path.c_str(), aside.c_str(),
                why.c_str());
            m_problem = "Changes cannot be saved because the damaged settings file cannot be moved aside (" + why + ").";
            return false;
        }
        bool all = true;
        for (const char* suffix : { "-wal", "-shm" }) {
            if (exists(m_path + suffix) && !renameWithoutReplacing(m_path + suffix, aside + suffix)) {
                log("Settings store %s: could not move %s%s aside (%s)", m_path.c_str(), m_path.c_str(), suffix, strerror(errno));
                all = false;
            }
        }
        log("Settings store %s is unreadable; moved aside to %s", m_path.c_str(), aside.c_str());
        if (!all) {
            // A fresh store would take the old journal's pages for its own: do not start one.
            m_problem = "Changes cannot be saved because the damaged settings file could not be moved aside completely.";
            return false;
        }
        return true;
    }
    log("Settings store %s is unreadable and no free name was found to move it aside; it is kept as it is", m_path.c_str());
    m_problem = "Changes cannot be saved because the settings file is damaged.";
    return false;
}

}
