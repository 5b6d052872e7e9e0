#pragma once
#include <memory>
#include <string>

namespace ui {
class View;
}

namespace player {

// A short confirmation over the bottom of a screen that fades by itself ("Tempi saved").
class Toast {
public:
    // Shows `text` in `host` (id "toast"), then fades it out and removes it.
    static void show(ui::View& host, const std::string& text);

    static constexpr double kShownSeconds = 1.2;
    static constexpr double kFadeSeconds = 0.6;
};

}
