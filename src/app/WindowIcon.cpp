#include "app/WindowIcon.h"

#include "platform/core/Paths.h"
#include "platform/render/Surface.h"

#include <algorithm>

namespace app {

namespace {

constexpr const char* kAppId = "org.beatstrip.BeatStrip";

// Cairo keeps colour multiplied by alpha; window systems want it straight.
uint32_t straightened(uint32_t premultiplied)
{
    const uint32_t alpha = premultiplied >> 24;
    if (alpha == 0)
        return 0;
    auto channel = [&](int shift) {
        const uint32_t value = (premultiplied >> shift) & 0xFF;
        return std::min<uint32_t>(255, (value * 255 + alpha / 2) / alpha) << shift;
    };
    return (alpha << 24) | channel(16) | channel(8) | channel(0);
}

}

std::string WindowIcon::pathFor(const std::string& dataDirectory)
{
    const std::string size = std::to_string(kSize) + "x" + std::to_string(kSize);
    const std::string relative = "hicolor/" + size + "/apps/" + kAppId + ".png";
    if (dataDirectory.empty())
        return std::string(BEATSTRIP_SOURCE_DIR) + "/desktop/icons/" + relative;
    const std::string share = core::paths::stringByDeletingLastPathComponent(dataDirectory);
    return core::paths::stringByAppendingPathComponent(share, "icons/" + relative);
}

core::Result<WindowIcon> WindowIcon::load(const std::string& path)
{
    auto surface = render::Surface::createFromPNG(path);
    if (!surface)
        return surface.error();
    const render::Surface& picture = **surface;
    WindowIcon icon;
    icon.width = picture.width();
    icon.height = picture.height();
    icon.pixels.reserve(size_t(icon.width) * size_t(icon.height));
    const uint8_t* data = picture.data();
    for (int y = 0; y < icon.height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(data + size_t(y) * size_t(picture.stride()));
        for (int x = 0; x < icon.width; ++x)
            icon.pixels.push_back(straightened(row[x]));
    }
    return icon;
}

}
