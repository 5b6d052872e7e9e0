#pragma once
#include "platform/core/Error.h"

#include <cstdint>
#include <string>
#include <vector>

namespace app {

// The desktop window's icon: the hicolor PNG that the desktop files install, as the straight
// (not premultiplied) ARGB words a window system takes.
class WindowIcon {
public:
    // The size of the hicolor icon the window uses.
    static constexpr int kSize = 128;

    int width = 0;
    int height = 0;
    // Row after row, 0xAARRGGBB, colour not multiplied by alpha.
    std::vector<uint32_t> pixels;

    // The icon for a program whose installed data folder is `dataDirectory` (share/beatstrip,
    // beside share/icons), or the source tree's when that is "" (the build folder's program).
    static std::string pathFor(const std::string& dataDirectory);
    static core::Result<WindowIcon> load(const std::string& path);
};

}
