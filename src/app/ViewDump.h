#pragma once
#include <nlohmann/json_fwd.hpp>

#include <string>

namespace ui {
class View;
class Window;
}

namespace app {

// The window as JSON for scripts to check:
// {"time", "screen", "alert": {title, message, buttons} or null, "root": VIEW}, where VIEW holds
// the common keys of every view, the keys its class adds, and its children in child-list order.
// "root" is the front screen's view, the one that gets touches.
class ViewDump {
public:
    static nlohmann::json window(ui::Window& window, double time);
    // Children a view defers are made first, so the dump shows the whole tree.
    static nlohmann::json view(ui::View& view);
};

}
