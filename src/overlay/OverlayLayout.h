#pragma once
#include "platform/ui/BezierPath.h"
#include "platform/ui/Geometry.h"

#include <optional>

namespace overlay {

// Where a busy overlay's box and its contents go: the indicator, the label and the details label
// stacked in the middle of the overlay with a padding between them, inside a box that leaves the
// margin around them. Arithmetic only, so the numbers can be checked without a view.
class OverlayLayout {
public:
    struct Input {
        // The overlay's own size.
        ui::Size area;
        double margin = 0;
        double padding = 0;
        // Natural sizes (the details label's wrapped to the width the box may take, the area's
        // less four margins); none where a part is absent or has no text.
        std::optional<ui::Size> indicator;
        std::optional<ui::Size> label;
        std::optional<ui::Size> details;
        bool square = false;
        ui::Size minSize;
        // Moves the box and its contents from the centre.
        ui::Point offset;
    };
    struct Frames {
        ui::Size box;
        ui::Rect indicator;
        ui::Rect label;
        ui::Rect details;
    };

    static Frames layout(const Input& input);
    // The box of `box`'s size placed in `area`, as drawn.
    static ui::Rect boxRect(ui::Size area, ui::Size box, ui::Point offset);
    // The box's outline: four quarter arcs, clockwise from the top edge.
    static ui::BezierPath outline(ui::Rect box, double radius);
};

}
