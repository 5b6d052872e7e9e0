#include "platform/ui/Layer.h"
#include "platform/ui/ShapeLayer.h"
#include "platform/ui/View.h"

#include <algorithm>

namespace ui {

std::shared_ptr<Layer> Layer::create()
{
    return std::make_shared<Layer>();
}

Layer::~Layer()
{
    m_anchor.clear();
}

View* Layer::owningView() const
{
    const Layer* layer = this;
    while (layer && !layer->m_view)
        layer = layer->m_superlayer.get();
    return layer ? layer->m_view.get() : nullptr;
}

void Layer::changed(bool geometry)
{
    View* view = owningView();
    if (!view)
        return;
    if (geometry) {
        view->invalidateExtent();
        // A mask or the view's own clip changes what the parent sees of it.
        if (auto* parent = view->superviewPointer())
            parent->invalidateExtent();
    }
    view->invalidateDisplay();
}

// Before a change that moves or shrinks what the view draws: the area it leaves is drawn again.
void Layer::changedBefore()
{
    if (View* view = owningView())
        view->invalidateDisplay();
}

void Layer::setZPosition(double z)
{
    if (m_zPosition == z)
        return;
    m_zPosition = z;
    if (m_view && m_view->superviewPointer())
        m_view->superviewPointer()->invalidateOrder();
    changed();
}

void Layer::setBorderColor(Color c)
{
    if (m_borderColor == c)
        return;
    m_borderColor = c;
    changed();
}

void Layer::setBorderWidth(double w)
{
    if (m_borderWidth == w)
        return;
    m_borderWidth = w;
    changed();
}

void Layer::setCornerRadius(double r)
{
    if (m_cornerRadius == r)
        return;
    m_cornerRadius = r;
    changed();
}

void Layer::setMasksToBounds(bool masks)
{
    if (m_masksToBounds == masks)
        return;
    changedBefore();
    m_masksToBounds = masks;
    changed(true);
}

void Layer::setMask(std::shared_ptr<ShapeLayer> mask)
{
    if (m_mask == mask)
        return;
    changedBefore();
    if (m_mask)
        m_mask->m_superlayer = nullptr;
    if (mask) {
        mask->removeFromSuperlayer();
        mask->m_superlayer = m_anchor.reference();
    }
    m_mask = std::move(mask);
    changed(true);
}

void Layer::setBounds(Rect b)
{
    if (m_bounds == b)
        return;
    changedBefore();
    m_bounds = b;
    changed(true);
}

void Layer::setPosition(Point p)
{
    if (m_position == p)
        return;
    changedBefore();
    m_position = p;
    changed(true);
}

Rect Layer::frame() const
{
    return { { m_position.x - m_bounds.width() / 2, m_position.y - m_bounds.height() / 2 }, m_bounds.size };
}

void Layer::setFrame(Rect f)
{
    changedBefore();
    m_bounds.size = f.size;
    m_position = f.center();
    changed(true);
}

void Layer::setBackgroundColor(std::optional<Color> c)
{
    if (m_backgroundColor == c)
        return;
    m_backgroundColor = c;
    changed();
}

void Layer::setHidden(bool h)
{
    if (m_hidden == h)
        return;
    m_hidden = h;
    changed();
}

void Layer::setOpacity(double o)
{
    if (m_opacity == o)
        return;
    m_opacity = o;
    changed();
}

void Layer::addSublayer(std::shared_ptr<Layer> layer)
{
    if (!layer || layer.get() == this)
        return;
    layer->removeFromSuperlayer();
    layer->m_superlayer = m_anchor.reference();
    m_sublayers.push_back(std::move(layer));
    changed(true);
}

void Layer::removeFromSuperlayer()
{
    Layer* parent = m_superlayer.get();
    if (!parent)
        return;
    if (parent->m_mask.get() == this) {
        parent->setMask(nullptr);
        return;
    }
    auto it = std::find_if(parent->m_sublayers.begin(), parent->m_sublayers.end(), [this](auto& l) { return l.get() == this; });
    if (it == parent->m_sublayers.end())
        return;
    auto keep = *it;
    changedBefore();
    parent->m_sublayers.erase(it);
    m_superlayer = nullptr;
    parent->changed(true);
}

Rect Layer::drawingExtent() const
{
    Rect extent = frame();
    Point shift { extent.x() - m_bounds.x(), extent.y() - m_bounds.y() };
    for (auto& sublayer : m_sublayers)
        extent = extent.unionWith(sublayer->drawingExtent().offsetBy(shift.x, shift.y));
    return extent;
}

}
