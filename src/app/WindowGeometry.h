#pragma once
#include <optional>
#include <vector>

namespace core {
class UserDefaults;
}

namespace app {

// Where the desktop window stands and how large it is, kept in the settings store between runs.
// Positions and sizes are in the desktop's window units.
struct WindowGeometry {
    int x = 0, y = 0, width = 0, height = 0;
    bool fullScreen = false;

    struct Area {
        int x = 0, y = 0, width = 0, height = 0;
    };

    // A key no song name can be (song names key the saved beat lists and never hold a '/').
    static constexpr const char* kKey = "window/geometry";
    // Least window area that must lie on a display for a saved position to be used: enough to
    // grab the window and move it.
    static constexpr int kMinimumVisible = 64;

    static std::optional<WindowGeometry> load(core::UserDefaults& store);
    void save(core::UserDefaults& store) const;

    // Where to open the window: the saved geometry, its size kept within the display it is on
    // and at least `minimum`; without one, or when too little of it would show on any display
    // (a monitor that was unplugged), `fallback`'s size centred on the first display.
    static WindowGeometry place(const std::optional<WindowGeometry>& saved, const std::vector<Area>& displays, Area minimum, Area fallback);
};

}
