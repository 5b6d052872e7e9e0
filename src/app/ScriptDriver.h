#pragma once
#include "app/Script.h"

#include <memory>
#include <string>

namespace core {
class ManualClock;
}

namespace ui {
class View;
class Window;
struct Point;
}

namespace app {

// Plays a script against a window on the manual clock: touches go through the window's event
// entry points exactly as the desktop front end sends them, time moves only with `wait` and
// `press`, and posted work (timers that are due, tasks from other threads) runs after every
// command.
class ScriptDriver {
public:
    ScriptDriver(ui::Window& window, std::shared_ptr<core::ManualClock> clock, std::string outDirectory);
    ~ScriptDriver();

    // Empty on success, else "line N: message" for the first command that could not run.
    std::string run(const Script& script);
    // Runs what is due at the current time: posted tasks, due timers, pending layout.
    void settle();

private:
    std::string execute(const ScriptCommand& command);
    std::string resolve(const ScriptTarget& target, ui::Point& point, std::shared_ptr<ui::View>* view);
    void tapAt(ui::Point point);
    std::string idle(double seconds);
    std::string outputPath(const std::string& file) const;

    ui::Window& m_window;
    std::shared_ptr<core::ManualClock> m_clock;
    std::string m_outDirectory;
    struct Wake;
    std::shared_ptr<Wake> m_wake;
};

}
