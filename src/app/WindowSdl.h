#pragma once
#include "platform/core/Error.h"

#include <memory>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ui {
class Window;
}

namespace app {

// The desktop front end: an SDL window showing the kit's window at any size, letterboxed and
// drawn at the screen's pixel density. The mouse is a finger, the keyboard types into the focused
// field, the wheel scrolls. Between events it sleeps in SDL's event wait until input arrives,
// the main run loop's next timer is due or another thread posts work, and it draws only when the
// kit's window says something changed, so an idle window costs no CPU.
class WindowSdl {
public:
    struct Options {
        // Save a PNG of what the window shows (read back from the screen) after this many
        // seconds, then quit.
        std::optional<double> screenshotAfter;
        std::string screenshotPath;
        // Files dropped on the window, all of one drop at once, in the order they came.
        std::function<void(const std::vector<std::string>& paths)> onDropFiles;
    };

    // Fails, saying why, when there is no display to open a window on.
    static core::Result<std::shared_ptr<WindowSdl>> open();
    ~WindowSdl();
    WindowSdl(const WindowSdl&) = delete;
    WindowSdl& operator=(const WindowSdl&) = delete;

    // Shows `window` until the user closes the window; returns the process exit status.
    int run(ui::Window& window, const Options& options);

private:
    struct Impl;
    explicit WindowSdl(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

}
