#pragma once
#include "platform/ui/Geometry.h"

namespace ui {

class View;

enum class ControlEvent { TouchDown, TouchUpInside, TouchUpOutside, ValueChanged, EditingChanged, EditingDidEndOnExit };

enum class Animated { No, Yes };

enum class Key { Return, Space, Left, Right, Escape, Backspace, Tab, Delete, Other };

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
