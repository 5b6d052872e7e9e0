#include "app/Resources.h"

#include <cstdlib>

namespace app::resources {

std::string assetsDirectory()
{
    if (const char* env = getenv("BEATSTRIP_ASSETS"); env && *env)
        return env;
    return BEATSTRIP_SOURCE_DIR "/assets";
}

std::string contentURL(const std::string& fromCommandLine)
{
    if (!fromCommandLine.empty())
        return fromCommandLine;
    if (const char* env = getenv("BEATSTRIP_CONTENT_URL"); env && *env)
        return env;
    return "file://" BEATSTRIP_BUILD_DIR "/content/";
}

}
