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

namespace {
// Child lists at least this long are culled through a spatial index instead of a scan.
constexpr size_t kIndexThreshold = 48;
// An item spanning more cells than this is kept in a short list that every query checks.
constexpr size_t kMaxCellsPerItem = 16;
}

// Children bucketed along one axis (the longer one of their spread) into equal cells; each cell
// lists positions in drawing order, so a query merges a few short lists and keeps that order.
struct View::SpatialIndex {
    bool horizontal = true;
    double origin = 0;
    double cellSize = 1;
    std::vector<std::vector<uint32_t>> cells;
    std::vector<uint32_t> large;
    std::vector<Rect> extents; // by drawing-order position
    mutable std::vector<uint32_t> scratch;
};

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

View::Rare::Rare() = default;
View::Rare::~Rare() = default;

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

// --- Hierarchy ---

std::shared_ptr<View> View::superview() const
{
    View* parent = m_superview.get();
    return parent ? parent->shared_from_this() : nullptr;
}

void View::detachFromSuperview()
{
    View* parent = m_superview.get();
    if (!parent)
        return;
    invalidateDisplay();
    auto& siblings = parent->m_subviews;
    // Search from the end: the view just added is the usual one to move.
    for (size_t i = siblings.size(); i-- > 0;) {
        if (siblings[i].get() == this) {
            siblings.erase(siblings.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    }
    m_superview = nullptr;
    parent->invalidateTagIndex();
    parent->invalidateOrder();
    parent->invalidateExtent();
}

void View::addSubview(std::shared_ptr<View> view)
{
    insertSubview(std::move(view), m_subviews.size() + 1);
}

void View::insertSubview(std::shared_ptr<View> view, size_t index)
{
    if (!view || view.get() == this || isDescendantOfView(view.get()))
        return;
    view->detachFromSuperview();
    index = std::min(index, m_subviews.size());
    m_subviews.insert(m_subviews.begin() + static_cast<std::ptrdiff_t>(index), view);
    view->m_superview = m_anchor.reference();
    invalidateTagIndex();
    invalidateOrder();
    invalidateExtent();
    if (view->m_needsLayout || view->m_subtreeNeedsLayout)
        markSubtreeNeedsLayout();
    view->didMoveToSuperview();
    didAddSubview(view.get());
    // Only where the new child draws: a strip of thousands of rows is built without measuring
    // the whole strip for every row.
    view->invalidateDisplay();
}

void View::insertSubviews(std::vector<std::pair<size_t, std::shared_ptr<View>>> placed)
{
    std::erase_if(placed, [this](const auto& entry) { return !entry.second || entry.second.get() == this || isDescendantOfView(entry.second.get()); });
    if (placed.empty())
        return;
    for (auto& entry : placed)
        entry.second->detachFromSuperview();
    std::vector<std::shared_ptr<View>> merged;
    merged.reserve(m_subviews.size() + placed.size());
    size_t next = 0;
    for (size_t i = 0; i <= m_subviews.size(); ++i) {
        while (next < placed.size() && placed[next].first <= i)
            merged.push_back(placed[next++].second);
        if (i < m_subviews.size())
            merged.push_back(std::move(m_subviews[i]));
    }
    while (next < placed.size())
        merged.push_back(placed[next++].second);
    m_subviews = std::move(merged);
    invalidateTagIndex();
    invalidateOrder();
    invalidateExtent();
    for (auto& [index, view] : placed) {
        view->m_superview = m_anchor.reference();
        if (view->m_needsLayout || view->m_subtreeNeedsLayout)
            markSubtreeNeedsLayout();
        view->didMoveToSuperview();
        didAddSubview(view.get());
        view->invalidateDisplay();
    }
}

void View::removeFromSuperview()
{
    if (!m_superview)
        return;
    auto keep = shared_from_this();
    if (Window* window = this->window()) {
        if (auto field = window->firstResponder(); field && field->isDescendantOfView(this))
            window->resignFirstResponder(field.get());
    }
    detachFromSuperview();
    didMoveToSuperview();
}

void View::sendSubviewToBack(View* view)
{
    auto it = std::find_if(m_subviews.rbegin(), m_subviews.rend(), [view](auto& v) { return v.get() == view; });
    if (it == m_subviews.rend())
        return;
    std::rotate(m_subviews.begin(), std::prev(it.base()), it.base());
    invalidateTagIndex();
    invalidateOrder();
    invalidateDisplay();
}

void View::bringSubviewToFront(View* view)
{
    auto it = std::find_if(m_subviews.begin(), m_subviews.end(), [view](auto& v) { return v.get() == view; });
    if (it == m_subviews.end())
        return;
    std::rotate(it, std::next(it), m_subviews.end());
    invalidateTagIndex();
    invalidateOrder();
    invalidateDisplay();
}

bool View::isDescendantOfView(const View* view) const
{
    for (const View* v = this; v; v = v->m_superview.get()) {
        if (v == view)
            return true;
    }
    return false;
}

// Only the view a search starts from counts its lookups, so a search through a long strip
// leaves the views it passes as they were.
std::shared_ptr<View> View::viewWithTag(int tag)
{
    if (m_tag == tag)
        return shared_from_this();
    if (m_subviews.empty())
        return nullptr;
    Rare& extra = rare();
    if (!extra.tagIndex && ++extra.tagLookups > 4) {
        // Depth first in child-list order; the first view with a tag keeps it.
        auto index = std::make_unique<std::unordered_map<int, View*>>();
        std::vector<View*> stack { this };
        while (!stack.empty()) {
            View* v = stack.back();
            stack.pop_back();
            index->emplace(v->m_tag, v);
            for (auto it = v->m_subviews.rbegin(); it != v->m_subviews.rend(); ++it)
                stack.push_back(it->get());
        }
        extra.tagIndex = std::move(index);
    }
    View* found = findWithTag(tag);
    if (!found && makeDeferredWithTag(tag))
        found = findWithTag(tag);
    return found ? found->shared_from_this() : nullptr;
}

bool View::makeDeferredWithTag(int tag)
{
    if (makeDeferredSubviewWithTag(tag))
        return true;
    for (size_t i = 0; i < m_subviews.size(); ++i) {
        if (m_subviews[i]->makeDeferredWithTag(tag))
            return true;
    }
    return false;
}

View* View::findWithTag(int tag)
{
    if (m_tag == tag)
        return this;
    if (m_rare && m_rare->tagIndex) {
        auto it = m_rare->tagIndex->find(tag);
        return it == m_rare->tagIndex->end() ? nullptr : it->second;
    }
    for (auto& child : m_subviews) {
        if (View* found = child->findWithTag(tag))
            return found;
    }
    return nullptr;
}

std::shared_ptr<View> View::viewWithAccessibilityIdentifier(const std::string& identifier)
{
    if (accessibilityIdentifier() == identifier)
        return shared_from_this();
    for (auto& child : m_subviews) {
        if (auto found = child->viewWithAccessibilityIdentifier(identifier))
            return found;
    }
    return nullptr;
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

// --- Touches ---

bool View::pointInside(Point point) const
{
    return bounds().contains(point);
}

View* View::hitTest(Point point)
{
    if (m_hidden || m_alpha < 0.01 || !m_userInteractionEnabled || !pointInside(point))
        return nullptr;
    auto tryChildren = [&](const std::vector<View*>& order) -> View* {
        for (size_t i = order.size(); i-- > 0;) {
            View* child = order[i];
            Point origin = child->boundsOrigin();
            Point local { point.x - child->m_frame.x() + origin.x, point.y - child->m_frame.y() + origin.y };
            if (View* hit = child->hitTest(local))
                return hit;
        }
        return nullptr;
    };
    View* hit = nullptr;
    if (m_subviews.size() >= kIndexThreshold) {
        // A long strip: only the children whose extent holds the point can take it.
        std::vector<View*> candidates;
        subviewsIntersecting({ point, { 0, 0 } }, candidates);
        hit = tryChildren(candidates);
    } else {
        hit = tryChildren(subviewsInDrawingOrder());
    }
    return hit ? hit : this;
}

// A view that does not handle touches passes them to its parent, as the platform's responder
// chain does: a tap on a table cell reaches the table.
void View::touchesBegan(const Touch& touch)
{
    if (m_superview)
        m_superview->touchesBegan(touch);
}

void View::touchesMoved(const Touch& touch)
{
    if (m_superview)
        m_superview->touchesMoved(touch);
}

void View::touchesEnded(const Touch& touch)
{
    if (m_superview)
        m_superview->touchesEnded(touch);
}

void View::touchesCancelled(const Touch& touch)
{
    if (m_superview)
        m_superview->touchesCancelled(touch);
}

void View::addGestureRecognizer(std::shared_ptr<GestureRecognizer> recognizer)
{
    if (!recognizer)
        return;
    View* previous = recognizer->m_view.get();
    if (previous && previous != this)
        previous->removeGestureRecognizer(recognizer.get());
    recognizer->m_view = m_anchor.reference();
    m_gestureRecognizers.push_back(std::move(recognizer));
}

void View::removeGestureRecognizer(GestureRecognizer* recognizer)
{
    auto& recognizers = m_gestureRecognizers;
    auto it = std::find_if(recognizers.begin(), recognizers.end(), [recognizer](auto& r) { return r.get() == recognizer; });
    if (it == recognizers.end())
        return;
    (*it)->m_view = nullptr;
    recognizers.erase(it);
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

// --- Drawing order and culling ---

void View::invalidateOrder()
{
    m_drawingOrderValid = false;
    if (m_rare)
        m_rare->index.reset();
}

void View::invalidateExtent()
{
    // All the way up: a clipping ancestor never computes its children's extents, so a stale
    // flag part way up says nothing about the indexes above it.
    for (View* v = this; v; v = v->m_superview.get()) {
        v->m_extentValid = false;
        if (v->m_rare)
            v->m_rare->index.reset();
    }
}

const std::vector<View*>& View::subviewsInDrawingOrder() const
{
    static const std::vector<View*> none;
    if (m_subviews.empty() && !m_rare)
        return none;
    auto& order = rare().drawingOrder;
    if (!m_drawingOrderValid) {
        order.clear();
        order.reserve(m_subviews.size());
        bool sorted = true;
        for (auto& child : m_subviews) {
            if (!order.empty() && order.back()->m_layer.zPosition() > child->m_layer.zPosition())
                sorted = false;
            order.push_back(child.get());
        }
        if (!sorted) {
            std::stable_sort(order.begin(), order.end(), [](View* a, View* b) { return a->m_layer.zPosition() < b->m_layer.zPosition(); });
        }
        m_drawingOrderValid = true;
    }
    return order;
}

Rect View::computeSubtreeExtent() const
{
    Rect extent = contentExtent();
    for (auto& sublayer : m_layer.sublayers())
        extent = extent.unionWith(sublayer->drawingExtent());
    for (auto& child : m_subviews)
        extent = extent.unionWith(child->drawingExtentInSuperview());
    return extent;
}

Rect View::drawingExtentInSuperview() const
{
    Rect extent;
    if (clipsToBounds()) {
        // Nothing shows outside the bounds, whatever the children (and the offset) are.
        extent = bounds();
    } else {
        if (!m_extentValid) {
            m_subtreeExtent = computeSubtreeExtent();
            m_extentValid = true;
        }
        extent = m_subtreeExtent;
    }
    if (auto& mask = m_layer.mask())
        extent = extent.intersection(mask->drawingExtent());
    Point origin = boundsOrigin();
    return extent.offsetBy(m_frame.x() - origin.x, m_frame.y() - origin.y);
}

void View::buildSpatialIndex() const
{
    auto& order = subviewsInDrawingOrder();
    auto index = std::make_unique<SpatialIndex>();
    index->extents.reserve(order.size());
    double minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;
    for (View* child : order) {
        Rect e = child->drawingExtentInSuperview();
        index->extents.push_back(e);
        minX = std::min(minX, e.minX());
        maxX = std::max(maxX, e.maxX());
        minY = std::min(minY, e.minY());
        maxY = std::max(maxY, e.maxY());
    }
    index->horizontal = (maxX - minX) >= (maxY - minY);
    double lo = index->horizontal ? minX : minY;
    double hi = index->horizontal ? maxX : maxY;
    size_t cellCount = std::clamp<size_t>(order.size() / 4, 1, 1 << 20);
    index->origin = lo;
    index->cellSize = std::max((hi - lo) / static_cast<double>(cellCount), 1.0);
    cellCount = static_cast<size_t>((hi - lo) / index->cellSize) + 1;
    index->cells.resize(cellCount);
    for (uint32_t i = 0; i < index->extents.size(); i++) {
        const Rect& e = index->extents[i];
        double a = index->horizontal ? e.minX() : e.minY();
        double b = index->horizontal ? e.maxX() : e.maxY();
        size_t first = static_cast<size_t>(std::max(0.0, (a - lo) / index->cellSize));
        size_t last = std::min(cellCount - 1, static_cast<size_t>(std::max(0.0, (b - lo) / index->cellSize)));
        if (last - first >= kMaxCellsPerItem) {
            index->large.push_back(i);
            continue;
        }
        for (size_t c = first; c <= last; c++)
            index->cells[c].push_back(i);
    }
    rare().index = std::move(index);
}

void View::subviewsIntersecting(Rect rect, std::vector<View*>& out) const
{
    auto& order = subviewsInDrawingOrder();
    if (order.size() < kIndexThreshold) {
        for (View* child : order) {
            if (child->drawingExtentInSuperview().intersects(rect))
                out.push_back(child);
        }
        return;
    }
    if (!m_rare || !m_rare->index)
        buildSpatialIndex();
    const SpatialIndex& index = *m_rare->index;
    auto& found = index.scratch;
    found.clear();
    found.insert(found.end(), index.large.begin(), index.large.end());
    double a = index.horizontal ? rect.minX() : rect.minY();
    double b = index.horizontal ? rect.maxX() : rect.maxY();
    double firstCell = std::floor((a - index.origin) / index.cellSize);
    double lastCell = std::floor((b - index.origin) / index.cellSize);
    if (lastCell >= 0 && firstCell < static_cast<double>(index.cells.size())) {
        size_t first = static_cast<size_t>(std::max(0.0, firstCell));
        size_t last = std::min(index.cells.size() - 1, static_cast<size_t>(lastCell));
        for (size_t c = first; c <= last; c++)
            found.insert(found.end(), index.cells[c].begin(), index.cells[c].end());
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    for (uint32_t i : found) {
        if (index.extents[i].intersects(rect))
            out.push_back(order[i]);
    }
}

}
