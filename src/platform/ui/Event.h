#pragma once
#include "platform/ui/Geometry.h"

#include <optional>
#include <string>
#include <string_view>

namespace ui {

class View;

enum class ControlEvent { TouchDown, TouchUpInside, TouchUpOutside, ValueChanged, EditingChanged, EditingDidEndOnExit };

enum class Animated { No, Yes };

enum class Key {
    Return,
    Space,
    Left,
    Right,
    Escape,
    Backspace,
    Tab,
    Delete,
    Up,
    Down,
    Home,
    PageUp,
    PageDown,
    BracketLeft,
    BracketRight,
    Question,
    F1,
    P,
    M,
    C,
    N,
    W,
    Other
};

// The names scripts, the gallery and the help text use for the keys ("pageup", "bracketleft").
const char* keyName(Key key);
std::optional<Key> keyNamed(std::string_view name);
// Every key's name but Other's, separated by ", ".
std::string keyNames();

enum class TouchPhase { Began, Moved, Ended, Cancelled };

// The one finger (or mouse button) the window tracks.
struct Touch {
    Point windowPoint;
    Point startWindowPoint;
    double timestamp = 0;
    TouchPhase phase = TouchPhase::Began;

    // The touch in `view`'s own (bounds) coordinates; nullptr gives window coordinates.
    Point locationInView(const View* view) const;
};

}
