#pragma once
#include "platform/ui/Geometry.h"

#include <memory>

namespace ui {
class ShapeLayer;
class View;
}

// Rounded corners for any view, as a mask: only the corners named in `corners` (ui::RectCorner
// bits: top-left 1, top-right 2, bottom-left 4, bottom-right 8) are rounded. The mask is taken
// from the view's bounds when called and clips the view's children too, even those standing
// outside its bounds.
namespace player {

std::shared_ptr<ui::ShapeLayer> maskForRoundedCorners(const ui::View& view, unsigned corners, ui::Size radii);
void addRoundedCorners(ui::View& view, unsigned corners, ui::Size radii);

}
