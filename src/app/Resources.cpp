#include "app/Resources.h"

#include "app/WindowIcon.h"
#include "platform/core/Paths.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#ifndef BEATSTRIP_DATA_FROM_BIN
#define BEATSTRIP_DATA_FROM_BIN "../share/beatstrip"
#endif

namespace app::resources {

namespace {

std::string realPath(const std::string& path)
{
    char resolved[PATH_MAX];
    if (!realpath(path.c_str(), resolved))
        return path;
    return resolved;
}

std::string executablePath()
{
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return {};
    return std::string(buffer, static_cast<size_t>(n));
}

// "" for the build folder's executable; computed once, the executable does not move under us.
const std::string& dataDirectory()
{
    static const std::string directory = dataDirectoryFor(executablePath());
    return directory;
}

bool fromBuildFolder()
{
    return dataDirectory().empty();
}

}

std::string dataDirectoryFor(const std::string& executable)
{
    if (executable.empty())
        return {};
    std::string folder = core::paths::stringByDeletingLastPathComponent(realPath(executable));
    if (folder == realPath(BEATSTRIP_BUILD_DIR))
        return {};
    // Walk the relative path by name: the data folder need not exist for the answer to be right.
    std::string relative = BEATSTRIP_DATA_FROM_BIN;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t slash = relative.find('/', start);
        std::string part = relative.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (part == "..")
            folder = core::paths::stringByDeletingLastPathComponent(folder);
        else if (!part.empty() && part != ".")
            folder = core::paths::stringByAppendingPathComponent(folder, part);
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    return folder;
}

std::string fileURLForDirectory(const std::string& directory)
{
    std::string url = "file://";
    for (unsigned char c : directory) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
            || c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
        if (plain) {
            url += static_cast<char>(c);
        } else {
            char escaped[4];
            snprintf(escaped, sizeof escaped, "%%%02X", c);
            url += escaped;
        }
    }
    if (url.back() != '/')
        url += '/';
    return url;
}

std::string assetsDirectory()
{
    if (const char* env = getenv("BEATSTRIP_ASSETS"); env && *env)
        return env;
    if (fromBuildFolder())
        return BEATSTRIP_SOURCE_DIR "/assets";
    return core::paths::stringByAppendingPathComponent(dataDirectory(), "assets");
}

std::string iconPath()
{
    return WindowIcon::pathFor(dataDirectory());
}

std::string contentURL(const std::string& fromCommandLine)
{
    if (!fromCommandLine.empty())
        return fromCommandLine;
    if (const char* env = getenv("BEATSTRIP_CONTENT_URL"); env && *env)
        return env;
    if (fromBuildFolder())
        return fileURLForDirectory(BEATSTRIP_BUILD_DIR "/content");
    return fileURLForDirectory(core::paths::stringByAppendingPathComponent(dataDirectory(), "content"));
}

}
