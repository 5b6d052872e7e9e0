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
// field, the wheel scrolls, F11 toggles full screen. Between events it sleeps until input
// arrives, the main run loop's next timer is due (to the fire date itself, see WakePlan) or
// another thread posts work, and it draws and uploads only what the kit's window says changed,
// so an idle window costs no CPU and a beat step costs a sliver of the window. Its size, place
// and full screen state are kept in the settings store for the next run.
class WindowSdl {
public:
    struct Options {
        // Save a PNG of what the window shows (read back from the screen) after this many
        // seconds, then quit.
        std::optional<double> screenshotAfter;
        std::string screenshotPath;
        // Write what the frames cost (FrameStats) to this file when the window closes.
        std::string frameStatsPath;
        // Files dropped on the window, all of one drop at once, in the order they came.
        std::function<void(const std::vector<std::string>& paths)> onDropFiles;
    };

    // Fails, saying why, when there is no display to open a window on. Opens where the settings
    // store says the window stood last time (call after the home folder is set).
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
