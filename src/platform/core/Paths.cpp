#include "platform/core/Paths.h"

#include <cstdlib>
#include <mutex>
#include <pwd.h>
#include <unistd.h>

namespace core::paths {

namespace {
std::mutex g_mutex;
std::string g_home;
}

std::string standardize(const std::string& path)
{
    std::string out;
    out.reserve(path.size());
    for (char c : path) {
        if (c == '/' && !out.empty() && out.back() == '/')
            continue;
        out.push_back(c);
    }
    if (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return out;
}

std::string stringByAppendingPathComponent(const std::string& path, const std::string& component)
{
    if (path.empty())
        return standardize(component);
    if (component.empty())
        return standardize(path);
    return standardize(path + "/" + component);
}

std::string stringByDeletingLastPathComponent(const std::string& path)
{
    std::string p = standardize(path);
    if (p == "/" || p.empty())
        return p;
    auto slash = p.rfind('/');
    if (slash == std::string::npos)
        return "";
    if (slash == 0)
        return "/";
    return p.substr(0, slash);
}

std::string lastPathComponent(const std::string& path)
{
    std::string p = standardize(path);
    if (p == "/")
        return p;
    auto slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

void setHomeOverride(const std::string& home)
{
    std::lock_guard lock(g_mutex);
    g_home = home;
}

std::string homeOverride()
{
    std::lock_guard lock(g_mutex);
    return g_home;
}

std::string homeDirectory()
{
    {
        std::lock_guard lock(g_mutex);
        if (!g_home.empty())
            return g_home;
    }
    if (const char* env = getenv("BEATSTRIP_HOME"); env && *env)
        return standardize(env);
    if (const char* xdg = getenv("XDG_DATA_HOME"); xdg && *xdg)
        return stringByAppendingPathComponent(xdg, "beatstrip");
    std::string user;
    if (const char* h = getenv("HOME"); h && *h)
        user = h;
    else if (const passwd* pw = getpwuid(getuid()))
        user = pw->pw_dir;
    else
        user = "/tmp";
    return stringByAppendingPathComponent(user, ".local/share/beatstrip");
}

std::string documentsDirectory()
{
    return stringByAppendingPathComponent(homeDirectory(), "Documents");
}

}
