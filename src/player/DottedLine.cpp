#include "player/DottedLine.h"

#include "platform/ui/BezierPath.h"
#include "platform/ui/ShapeLayer.h"

namespace player {

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
    ui::BezierPath path;
    path.moveToPoint({ 0, 0 });
    path.addLineToPoint({ 0, bounds.height() });
    m_dashLayer->setPath(path);
}

}
