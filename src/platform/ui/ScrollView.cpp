#include "platform/ui/ScrollView.h"
#include "platform/core/Json.h"
#include "platform/ui/Animation.h"

#include <algorithm>

namespace ui {

std::shared_ptr<ScrollView> ScrollView::create(Rect frame)
{
    return std::shared_ptr<ScrollView>(new ScrollView(frame));
}

ScrollView::ScrollView(Rect frame)
    : View(frame)
{
}

void ScrollView::setContentSize(Size size)
{
    if (m_contentSize == size)
        return;
    m_contentSize = size;
    invalidateDisplay();
}

// From code any offset is allowed, as on the platform; only dragging and the wheel stay inside.
void ScrollView::setContentOffset(Point offset)
{
    setBounds({ offset, bounds().size });
}

void ScrollView::setContentOffset(Point offset, Animated animated)
{
    if (animated == Animated::No) {
        setContentOffset(offset);
        return;
    }
    Point from = contentOffset();
    Animation::Track track { shared_from_this(), AnimatedProperty::BoundsOrigin, { from.x, from.y }, { offset.x, offset.y }, true };
    Animation::start(0.3, 0, { track }, {});
}

void ScrollView::setScrollEnabled(bool enabled)
{
    m_scrollEnabled = enabled;
}

void ScrollView::applyAnimatedBoundsOrigin(Point origin)
{
    if (origin == contentOffset())
        return;
    View::applyAnimatedBoundsOrigin(origin);
    didScroll();
}

Point ScrollView::maximumContentOffset() const
{
    return { std::max(0.0, m_contentSize.width - bounds().width()), std::max(0.0, m_contentSize.height - bounds().height()) };
}

Point ScrollView::clampedOffset(Point offset) const
{
    Point max = maximumContentOffset();
    return { std::clamp(offset.x, 0.0, max.x), std::clamp(offset.y, 0.0, max.y) };
}

bool ScrollView::scrollBy(double dx, double dy)
{
    if (!m_scrollEnabled)
        return false;
    Point max = maximumContentOffset();
    if (max.y <= 0 && dx == 0) {
        dx = dy;
        dy = 0;
    }
    Point current = contentOffset();
    Point target = clampedOffset({ current.x + dx, current.y + dy });
    if (target == current)
        return false;
    setContentOffset(target);
    return true;
}

void ScrollView::beginDrag(Point windowPoint)
{
    m_dragStartPoint = windowPoint;
    m_dragStartOffset = contentOffset();
}

void ScrollView::dragTo(Point windowPoint)
{
    if (!m_scrollEnabled)
        return;
    Point max = maximumContentOffset();
    Point offset = m_dragStartOffset;
    if (max.x > 0)
        offset.x -= windowPoint.x - m_dragStartPoint.x;
    if (max.y > 0)
        offset.y -= windowPoint.y - m_dragStartPoint.y;
    setContentOffset(clampedOffset(offset));
}

void ScrollView::endDrag()
{
}

void ScrollView::describe(nlohmann::json& out) const
{
    Point offset = contentOffset();
    out["contentOffset"] = { offset.x, offset.y };
    out["contentSize"] = { m_contentSize.width, m_contentSize.height };
}

}
