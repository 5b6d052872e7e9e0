#include "player/Roundify.h"

#include "platform/ui/BezierPath.h"
#include "platform/ui/ShapeLayer.h"
#include "platform/ui/View.h"

namespace player {

std::shared_ptr<ui::ShapeLayer> maskForRoundedCorners(const ui::View& view, unsigned corners, ui::Size radii)
{
    auto mask = ui::ShapeLayer::create();
    mask->setFrame(view.bounds());
    auto path = ui::BezierPath::bezierPathWithRoundedRect(mask->bounds(), corners, radii);
    mask->setFillColor(ui::Color::white());
    mask->setBackgroundColor(ui::Color::clear());
    mask->setPath(path);
    return mask;
}

void addRoundedCorners(ui::View& view, unsigned corners, ui::Size radii)
{
    view.layer().setMask(maskForRoundedCorners(view, corners, radii));
}

}
