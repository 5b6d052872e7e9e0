#include "player/Roundify.h"

#include "platform/ui/BezierPath.h"
#include "platform/ui/ShapeLayer.h"
#include "platform/ui/View.h"

#include <cmath>
#include <map>
#include <tuple>

namespace player {

namespace {

// A strip rounds thousands of blocks of a few sizes: blocks of one size and corners share one
// path. The paths are never changed once made; the cache is bounded so that a long session of
// songs with ever new sizes cannot grow it without end.
std::shared_ptr<const ui::BezierPath> roundedPath(ui::Rect bounds, unsigned corners, ui::Size radii)
{
    using Key = std::tuple<double, double, double, double, unsigned, double, double>;
    static std::map<Key, std::shared_ptr<const ui::BezierPath>> paths;
    constexpr size_t kMostPaths = 4096;
    Key key { bounds.x(), bounds.y(), bounds.width(), bounds.height(), corners, radii.width, radii.height };
    // Numbers that are not numbers cannot be keys.
    for (double value : { bounds.x(), bounds.y(), bounds.width(), bounds.height(), radii.width, radii.height }) {
        if (std::isnan(value))
            return ui::BezierPath::bezierPathWithRoundedRect(bounds, corners, radii);
    }
    if (auto found = paths.find(key); found != paths.end())
        return found->second;
    if (paths.size() >= kMostPaths)
        paths.clear();
    std::shared_ptr<const ui::BezierPath> path = ui::BezierPath::bezierPathWithRoundedRect(bounds, corners, radii);
    paths.emplace(key, path);
    return path;
}

}

std::shared_ptr<ui::ShapeLayer> maskForRoundedCorners(const ui::View& view, unsigned corners, ui::Size radii)
{
    auto mask = ui::ShapeLayer::create();
    mask->setFrame(view.bounds());
    mask->setFillColor(ui::Color::white());
    mask->setBackgroundColor(ui::Color::clear());
    mask->setSharedPath(roundedPath(mask->bounds(), corners, radii));
    return mask;
}

void addRoundedCorners(ui::View& view, unsigned corners, ui::Size radii)
{
    view.layer().setMask(maskForRoundedCorners(view, corners, radii));
}

}
