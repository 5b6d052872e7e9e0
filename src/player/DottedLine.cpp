#include "player/DottedLine.h"

#include "platform/ui/BezierPath.h"
#include "platform/ui/ShapeLayer.h"

#include <cmath>
#include <map>

namespace player {

namespace {

// A strip draws thousands of lines of a few heights: lines of one height share one path, never
// changed once made. Bounded, as a long session of songs could bring ever new heights.
std::shared_ptr<const ui::BezierPath> verticalPath(double height)
{
    static std::map<double, std::shared_ptr<const ui::BezierPath>> paths;
    constexpr size_t kMostPaths = 1024;
    auto make = [height] {
        auto path = std::make_shared<ui::BezierPath>();
        path->moveToPoint({ 0, 0 });
        path->addLineToPoint({ 0, height });
        return path;
    };
    // A height that is not a number cannot be a key.
    if (std::isnan(height))
        return make();
    if (auto found = paths.find(height); found != paths.end())
        return found->second;
    if (paths.size() >= kMostPaths)
        paths.clear();
    auto path = make();
    paths.emplace(height, path);
    return path;
}

}

std::shared_ptr<DottedLine> DottedLine::create(ui::Rect frame)
{
    auto line = std::shared_ptr<DottedLine>(new DottedLine(frame));
    line->placeDashLayer();
    line->setBackgroundColor(ui::Color::clear());
    return line;
}

DottedLine::DottedLine(ui::Rect frame)
    : ui::View(frame)
{
}

void DottedLine::layoutSubviews()
{
    placeDashLayer();
}

void DottedLine::placeDashLayer()
{
    if (!m_dashLayer) {
        m_dashLayer = ui::ShapeLayer::create();
        m_dashLayer->setFillColor(ui::Color::clear());
        m_dashLayer->setStrokeColor(ui::Color::black());
        m_dashLayer->setLineWidth(0.5);
        m_dashLayer->setLineJoin(ui::LineJoin::Round);
        m_dashLayer->setLineDashPattern({ 10, 5 });
        layer().addSublayer(m_dashLayer);
    }
    ui::Rect bounds = this->bounds();
    m_dashLayer->setBounds(bounds);
    // The centre is read in the parent's coordinates, which is what the frame is in.
    m_dashLayer->setPosition({ 0, center().y - 100 });
    m_dashLayer->setSharedPath(verticalPath(bounds.height()));
}

}
