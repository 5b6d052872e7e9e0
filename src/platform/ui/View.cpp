#include "platform/ui/View.h"
#include "platform/core/Json.h"
#include "platform/ui/Animation.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/Painter.h"
#include "platform/ui/ShapeLayer.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"

#include <algorithm>
#include <cmath>

namespace ui {

std::shared_ptr<View> View::create(Rect frame)
{
    // One allocation for the view and its count: a strip holds many thousands of plain views.
    struct Made : View {
        explicit Made(Rect frame)
            : View(frame)
        {
        }
    };
    return std::make_shared<Made>(frame);
}

View::View(Rect frame)
    : m_frame(frame)
{
    m_layer.m_view = this;
}

View::Rare& View::rare() const
{
    if (!m_rare)
        m_rare = std::make_unique<Rare>();
    return *m_rare;
}

const std::string& View::accessibilityIdentifier() const
{
    static const std::string none;
    return m_rare ? m_rare->accessibilityIdentifier : none;
}

View::~View()
{
    // Children, layers, recognisers and the window see this view gone from here on.
    m_anchor.clear();
}

// --- Geometry ---

void View::setFrame(Rect frame)
{
    if (Animation::isRecording()) {
        double from[4] = { m_frame.x(), m_frame.y(), m_frame.width(), m_frame.height() };
        double to[4] = { frame.x(), frame.y(), frame.width(), frame.height() };
        Animation::record(*this, AnimatedProperty::Frame, from, to);
        setFrameInternal(frame);
        return;
    }
    if (auto running = m_rare ? m_rare->frameAnimation.lock() : nullptr)
        running->removeTrack(this, AnimatedProperty::Frame);
    setFrameInternal(frame);
}

void View::applyAnimatedFrame(Rect frame)
{
    setFrameInternal(frame);
}

void View::setFrameInternal(Rect frame)
{
    if (m_frame == frame)
        return;
    bool shown = isShownInWindow();
    Rect before = shown ? drawingExtentInSuperview() : Rect {};
    bool plain = shown && paintsPlainFill();
    bool resized = m_frame.size != frame.size;
    m_frame = frame;
    if (resized) {
        invalidateExtent();
        setNeedsLayout();
    } else if (m_superview) {
        m_superview->invalidateExtent();
    }
    if (!shown)
        return;
    Rect after = drawingExtentInSuperview();
    if (plain && paintsPlainFill()) {
        // A cursor panel sliding by a beat changes only the strips between its old and new edges.
        for (Rect r : DamageRegion::subtract(before, after))
            damageArea(r);
        for (Rect r : DamageRegion::subtract(after, before))
            damageArea(r);
        return;
    }
    damageArea(before);
    damageArea(after);
}

void View::setBounds(Rect bounds)
{
    if (bounds.size != m_frame.size) {
        Point c = center();
        setFrame({ { c.x - bounds.width() / 2, c.y - bounds.height() / 2 }, bounds.size });
    }
    if (bounds.origin != boundsOrigin()) {
        if (auto running = m_rare ? m_rare->boundsAnimation.lock() : nullptr)
            running->removeTrack(this, AnimatedProperty::BoundsOrigin);
        applyAnimatedBoundsOrigin(bounds.origin);
    }
}

void View::applyAnimatedBoundsOrigin(Point origin)
{
    if (boundsOrigin() == origin)
        return;
    invalidateDisplay();
    rare().boundsOrigin = origin;
    if (m_superview && !clipsToBounds())
        m_superview->invalidateExtent();
    invalidateDisplay();
}

void View::setCenter(Point center)
{
    setFrame({ { center.x - m_frame.width() / 2, center.y - m_frame.height() / 2 }, m_frame.size });
}

// --- Appearance ---

void View::setHidden(bool hidden)
{
    if (m_hidden == hidden)
        return;
    invalidateDisplay();
    m_hidden = hidden;
    invalidateDisplay();
}

void View::setAlpha(double alpha)
{
    alpha = std::clamp(alpha, 0.0, 1.0);
    if (Animation::isRecording()) {
        double from[4] = { m_alpha }, to[4] = { alpha };
        Animation::record(*this, AnimatedProperty::Alpha, from, to);
        m_alpha = alpha;
        return;
    }
    if (auto running = m_rare ? m_rare->alphaAnimation.lock() : nullptr)
        running->removeTrack(this, AnimatedProperty::Alpha);
    applyAnimatedAlpha(alpha);
}

void View::applyAnimatedAlpha(double alpha)
{
    if (m_alpha == alpha)
        return;
    // Fading out to nothing: the area it showed in needs drawing after it stops showing.
    if (alpha <= 0)
        invalidateDisplay();
    m_alpha = alpha;
    invalidateDisplay();
}

void View::setBackgroundColor(std::optional<Color> color)
{
    if (m_backgroundColor == color)
        return;
    m_backgroundColor = color;
    invalidateDisplay();
}

void View::setTag(int tag)
{
    if (m_tag == tag)
        return;
    m_tag = tag;
    invalidateTagIndex();
}

void View::invalidateTagIndex()
{
    for (View* v = this; v; v = v->m_superview.get()) {
        if (v->m_rare) {
            v->m_rare->tagIndex.reset();
            v->m_rare->tagLookups = 0;
        }
    }
}

void View::setAccessibilityIdentifier(std::string identifier)
{
    if (identifier.empty() && !m_rare)
        return;
    rare().accessibilityIdentifier = std::move(identifier);
}

void View::setUserInteractionEnabled(bool enabled)
{
    m_userInteractionEnabled = enabled;
}

// --- Coordinates ---

namespace {

Point toWindow(const View* view, Point p)
{
    for (const View* v = view; v; v = v->superviewPointer()) {
        p.x += v->frame().x() - v->bounds().x();
        p.y += v->frame().y() - v->bounds().y();
    }
    return p;
}

Point fromWindow(const View* view, Point p)
{
    Point q = toWindow(view, { 0, 0 });
    return { p.x - q.x, p.y - q.y };
}

}

Point View::convertPoint(Point point, const View* toView) const
{
    Point inWindow = toWindow(this, point);
    return toView ? fromWindow(toView, inWindow) : inWindow;
}

Point View::convertPointFromView(Point point, const View* fromView) const
{
    Point inWindow = fromView ? toWindow(fromView, point) : point;
    return fromWindow(this, inWindow);
}

Rect View::convertRect(Rect rect, const View* toView) const
{
    return { convertPoint(rect.origin, toView), rect.size };
}

Rect View::windowFrame() const
{
    return convertRect(bounds(), nullptr);
}

Window* View::window() const
{
    const View* v = this;
    while (View* parent = v->m_superview.get())
        v = parent;
    return v->hostWindow();
}

// --- Layout and display ---

void View::markSubtreeNeedsLayout()
{
    for (View* v = this; v; v = v->m_superview.get())
        v->m_subtreeNeedsLayout = true;
}

void View::setNeedsLayout()
{
    m_needsLayout = true;
    markSubtreeNeedsLayout();
    // Layout changes children through their setters, which damage what they change; the view's
    // own drawing may depend on its layout, so its own area is drawn again.
    if (isShownInWindow())
        damageArea(contentExtent().offsetBy(m_frame.x() - boundsOrigin().x, m_frame.y() - boundsOrigin().y));
}

void View::layoutIfNeeded()
{
    if (!m_needsLayout && !m_subtreeNeedsLayout)
        return;
    auto keep = shared_from_this();
    m_subtreeNeedsLayout = false;
    if (m_needsLayout) {
        m_needsLayout = false;
        layoutSubviews();
    }
    if (m_needsDrawRect) {
        m_needsDrawRect = false;
        drawRect(bounds());
    }
    // By index: layout may add or remove children.
    for (size_t i = 0; i < m_subviews.size(); i++) {
        View* child = m_subviews[i].get();
        if (child->m_needsLayout || child->m_subtreeNeedsLayout)
            child->layoutIfNeeded();
    }
}

Size View::sizeThatFits(Size) const
{
    return m_frame.size;
}

void View::sizeToFit()
{
    Size size = sizeThatFits(m_frame.size);
    setFrame({ m_frame.origin, size });
}

void View::invalidateDisplay()
{
    if (isShownInWindow())
        damageArea(drawingExtentInSuperview());
}

bool View::isShownInWindow() const
{
    const View* v = this;
    for (; v; v = v->m_superview.get()) {
        if (v->m_hidden || v->m_alpha <= 0)
            return false;
        if (!v->m_superview)
            break;
    }
    return v && v->hostWindow();
}

void View::damageArea(Rect extent) const
{
    const View* top = this;
    for (const View* parent = m_superview.get(); parent; top = parent, parent = parent->m_superview.get()) {
        if (parent->clipsToBounds())
            extent = extent.intersection(parent->bounds());
        if (auto& mask = parent->m_layer.mask())
            extent = extent.intersection(mask->drawingExtent());
        if (extent.isEmpty())
            return;
        Point origin = parent->boundsOrigin();
        extent = extent.offsetBy(parent->m_frame.x() - origin.x, parent->m_frame.y() - origin.y);
    }
    if (Window* window = top->hostWindow())
        window->damage(extent);
}

bool View::paintsPlainFill() const
{
    return m_subviews.empty() && m_layer.sublayers().empty() && !m_layer.mask() && m_layer.borderWidth() <= 0
        && m_layer.cornerRadius() <= 0 && !hasCustomDrawing();
}

void View::setNeedsDisplay()
{
    m_needsDrawRect = true;
    // The layout pass is what visits views before a frame.
    markSubtreeNeedsLayout();
    invalidateDisplay();
}

void View::draw(Painter&, Rect)
{
}

// --- Animation ---

void View::animateWithDuration(double seconds, std::function<void()> changes, std::function<void(bool)> completion)
{
    Animation::animate(seconds, 0, changes, std::move(completion));
}

void View::animateWithDuration(double seconds, double delay, std::function<void()> changes, std::function<void(bool)> completion)
{
    Animation::animate(seconds, delay, changes, std::move(completion));
}

// --- Dump ---

void View::describe(nlohmann::json&) const
{
}

}
