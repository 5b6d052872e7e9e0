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
    return layer ? layer->m_view : nullptr;
}

Layer::Style& Layer::style()
{
    if (!m_style)
        m_style = std::make_unique<Style>();
    return *m_style;
}

Layer::Own& Layer::own()
{
    if (!m_own)
        m_own = std::make_unique<Own>();
    return *m_own;
}

const std::shared_ptr<ShapeLayer>& Layer::mask() const
{
    static const std::shared_ptr<ShapeLayer> none;
    return m_style ? m_style->mask : none;
}

const std::vector<std::shared_ptr<Layer>>& Layer::sublayers() const
{
    static const std::vector<std::shared_ptr<Layer>> none;
    return m_style ? m_style->sublayers : none;
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
    if (borderColor() == c)
        return;
    style().borderColor = c;
    changed();
}

void Layer::setBorderWidth(double w)
{
    if (borderWidth() == w)
        return;
    style().borderWidth = w;
    changed();
}

void Layer::setCornerRadius(double r)
{
    if (cornerRadius() == r)
        return;
    style().cornerRadius = r;
    changed();
}

void Layer::setMasksToBounds(bool masks)
{
    if (masksToBounds() == masks)
        return;
    changedBefore();
    style().masksToBounds = masks;
    changed(true);
}

void Layer::setMask(std::shared_ptr<ShapeLayer> mask)
{
    if (this->mask() == mask)
        return;
    changedBefore();
    auto& current = style().mask;
    if (current)
        current->m_superlayer = nullptr;
    if (mask) {
        mask->removeFromSuperlayer();
        mask->m_superlayer = m_anchor.reference();
    }
    current = std::move(mask);
    changed(true);
}

void Layer::setBounds(Rect b)
{
    if (bounds() == b)
        return;
    changedBefore();
    own().bounds = b;
    changed(true);
}

void Layer::setPosition(Point p)
{
    if (position() == p)
        return;
    changedBefore();
    own().position = p;
    changed(true);
}

Rect Layer::frame() const
{
    Rect b = bounds();
    Point p = position();
    return { { p.x - b.width() / 2, p.y - b.height() / 2 }, b.size };
}

void Layer::setFrame(Rect f)
{
    changedBefore();
    own().bounds.size = f.size;
    own().position = f.center();
    changed(true);
}

void Layer::setBackgroundColor(std::optional<Color> c)
{
    if (backgroundColor() == c)
        return;
    own().backgroundColor = c;
    changed();
}

void Layer::setHidden(bool h)
{
    if (isHidden() == h)
        return;
    own().hidden = h;
    changed();
}

void Layer::setOpacity(double o)
{
    if (opacity() == o)
        return;
    own().opacity = o;
    changed();
}

void Layer::addSublayer(std::shared_ptr<Layer> layer)
{
    if (!layer || layer.get() == this)
        return;
    layer->removeFromSuperlayer();
    layer->m_superlayer = m_anchor.reference();
    style().sublayers.push_back(std::move(layer));
    changed(true);
}

void Layer::removeFromSuperlayer()
{
    Layer* parent = m_superlayer.get();
    if (!parent)
        return;
    if (parent->mask().get() == this) {
        parent->setMask(nullptr);
        return;
    }
    if (!parent->m_style)
        return;
    auto& siblings = parent->m_style->sublayers;
    auto it = std::find_if(siblings.begin(), siblings.end(), [this](auto& l) { return l.get() == this; });
    if (it == siblings.end())
        return;
    auto keep = *it;
    changedBefore();
    siblings.erase(it);
    m_superlayer = nullptr;
    parent->changed(true);
}

Rect Layer::drawingExtent() const
{
    Rect extent = frame();
    Point shift { extent.x() - bounds().x(), extent.y() - bounds().y() };
    for (auto& sublayer : sublayers())
        extent = extent.unionWith(sublayer->drawingExtent().offsetBy(shift.x, shift.y));
    return extent;
}

}
