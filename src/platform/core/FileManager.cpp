#include "platform/core/FileManager.h"

#include "platform/core/Log.h"
#include "platform/core/Paths.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <set>
#include <cmath>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace core::files {

Error errorFromErrno(int err, const std::string& operation, const std::string& path)
{
    Error e = Error::make("NSCocoaErrorDomain", err, operation + " \"" + path + "\": " + strerror(err));
    e.userInfo["NSFilePath"] = path;
    e.underlying = std::make_shared<Error>(Error::make("NSPOSIXErrorDomain", err, strerror(err)));
    return e;
}

bool fileExistsAtPath(const std::string& path, bool* isDirectory)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return false;
    if (isDirectory)
        *isDirectory = S_ISDIR(st.st_mode);
    return true;
}

bool isSymbolicLink(const std::string& path)
{
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

Result<std::vector<std::string>> contentsOfDirectoryAtPath(const std::string& path)
{
    DIR* dir = opendir(path.c_str());
    if (!dir)
        return errorFromErrno(errno, "Cannot list", path);
    std::vector<std::string> names;
    while (dirent* ent = readdir(dir)) {
        std::string name = ent->d_name;
        if (name == "." || name == "..")
            continue;
        names.push_back(std::move(name));
    }
    closedir(dir);
    return names;
}

namespace {

std::mutex g_temporaryMutex;
std::set<std::string> g_temporaryFolders;

// The absolute path with its folder's links resolved and the last component kept as written (a
// link is removed, not followed); none for "/", "." or ".." endings or an unresolvable folder.
std::optional<std::string> resolvedForRemoval(const std::string& path)
{
    std::string p = paths::standardize(path);
    if (p.empty())
        return std::nullopt;
    if (p.front() != '/') {
        char cwd[PATH_MAX];
        if (!getcwd(cwd, sizeof cwd))
            return std::nullopt;
        p = paths::stringByAppendingPathComponent(cwd, p);
    }
    std::string name = paths::lastPathComponent(p);
    if (p == "/" || name == "." || name == "..")
        return std::nullopt;
    char parent[PATH_MAX];
    if (!realpath(paths::stringByDeletingLastPathComponent(p).c_str(), parent))
        return std::nullopt;
    return paths::stringByAppendingPathComponent(parent, name);
}

bool isStrictlyInside(const std::string& path, const std::string& folder)
{
    if (folder.empty() || path.size() <= folder.size() || path.compare(0, folder.size(), folder) != 0)
        return false;
    return folder == "/" || path[folder.size()] == '/';
}

Result<void> removeTree(const std::string& path)
{
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0)
        return errorFromErrno(errno, "Cannot remove", path);
    if (S_ISDIR(st.st_mode)) {
        auto children = contentsOfDirectoryAtPath(path);
        if (!children)
            return children.error();
        for (auto& child : *children) {
            auto r = removeTree(paths::stringByAppendingPathComponent(path, child));
            if (!r)
                return r;
        }
        if (rmdir(path.c_str()) != 0)
            return errorFromErrno(errno, "Cannot remove", path);
        return {};
    }
    if (unlink(path.c_str()) != 0)
        return errorFromErrno(errno, "Cannot remove", path);
    return {};
}

}

void registerTemporaryFolder(const std::string& canonicalPath)
{
    std::lock_guard lock(g_temporaryMutex);
    g_temporaryFolders.insert(canonicalPath);
}

void forgetTemporaryFolder(const std::string& canonicalPath)
{
    std::lock_guard lock(g_temporaryMutex);
    g_temporaryFolders.erase(canonicalPath);
}

bool isRemovable(const std::string& path)
{
    auto resolved = resolvedForRemoval(path);
    if (!resolved)
        return false;
    {
        std::lock_guard lock(g_temporaryMutex);
        for (const auto& folder : g_temporaryFolders) {
            if (*resolved == folder || isStrictlyInside(*resolved, folder))
                return true;
        }
    }
    char home[PATH_MAX];
    return realpath(paths::homeDirectory().c_str(), home) && isStrictlyInside(*resolved, home);
}

Result<void> removeItemAtPath(const std::string& path)
{
    if (!isRemovable(path)) {
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0)
            return errorFromErrno(errno, "Cannot remove", path);
        log("Refused to remove %s: it is outside the app's folders", path.c_str());
        return errorFromErrno(EPERM, "Refused to remove (outside the app's folders)", path);
    }
    return removeTree(path);
}

Result<void> createDirectoryAtPath(const std::string& path, bool withIntermediateDirectories)
{
    if (path.empty())
        return errorFromErrno(ENOENT, "Cannot create folder", path);
    if (withIntermediateDirectories) {
        bool isDir = false;
        if (fileExistsAtPath(path, &isDir)) {
            if (isDir)
                return {};
            return errorFromErrno(EEXIST, "Cannot create folder", path);
        }
        std::string parent = paths::stringByDeletingLastPathComponent(path);
        if (!parent.empty() && parent != path) {
            auto r = createDirectoryAtPath(parent, true);
            if (!r)
                return r;
        }
    }
    if (mkdir(path.c_str(), 0755) != 0) {
        int err = errno;
        bool isDir = false;
        if (err == EEXIST && withIntermediateDirectories && fileExistsAtPath(path, &isDir) && isDir)
            return {};
        return errorFromErrno(err, "Cannot create folder", path);
    }
    return {};
}

Result<void> moveItemAtPath(const std::string& from, const std::string& to)
{
    if (rename(from.c_str(), to.c_str()) != 0)
        return errorFromErrno(errno, "Cannot move \"" + from + "\" to", to);
    return {};
}

std::optional<std::string> contentsAtPath(const std::string& path)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        close(fd);
        return std::nullopt;
    }
    std::string out;
    if (st.st_size > 0)
        out.reserve(static_cast<size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        out.append(buf, static_cast<size_t>(n));
    }
    close(fd);
    return out;
}

Result<void> writeContentsAtPath(const std::string& path, const std::string& bytes)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return errorFromErrno(errno, "Cannot write", path);
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            int err = errno;
            close(fd);
            return errorFromErrno(err, "Cannot write", path);
        }
        done += static_cast<size_t>(n);
    }
    if (close(fd) != 0)
        return errorFromErrno(errno, "Cannot write", path);
    return {};
}

Result<void> setModificationDate(const std::string& path, double secondsSince1970)
{
    timespec times[2];
    double whole = std::floor(secondsSince1970);
    times[0].tv_sec = static_cast<time_t>(whole);
    times[0].tv_nsec = static_cast<long>((secondsSince1970 - whole) * 1e9);
    times[1] = times[0];
    if (utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        return errorFromErrno(errno, "Cannot set the date of", path);
    return {};
}

std::optional<double> modificationDate(const std::string& path)
{
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0)
        return std::nullopt;
    return static_cast<double>(st.st_mtim.tv_sec) + static_cast<double>(st.st_mtim.tv_nsec) / 1e9;
}

}
