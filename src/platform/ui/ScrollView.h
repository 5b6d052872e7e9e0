#pragma once
#include "platform/ui/View.h"

namespace ui {

// Shows a window onto a larger content area; the content offset is the bounds origin. Clips to
// its bounds. A drag that moves more than a few points takes the touch from the child it began
// in and scrolls; the wheel scrolls too. Offsets stay within the content.
class ScrollView : public View {
public:
    static std::shared_ptr<ScrollView> create(Rect frame = {});

    Size contentSize() const { return m_contentSize; }
    void setContentSize(Size size);
    Point contentOffset() const { return bounds().origin; }
    void setContentOffset(Point offset);
    // Animated: over 0.3 s with the main run loop's clock.
    void setContentOffset(Point offset, Animated animated);
    bool isScrollEnabled() const { return m_scrollEnabled; }
    void setScrollEnabled(bool enabled);
    // The largest offset the content allows on each axis.
    Point maximumContentOffset() const;
    // Scroll by a wheel step (points to add to the offset), clamped. A vertical step scrolls
    // sideways when the content only moves sideways. Returns whether anything moved.
    bool scrollBy(double dx, double dy);

    bool clipsToBounds() const override { return true; }
    std::string className() const override { return "ScrollView"; }
    void describe(nlohmann::json& out) const override;

    // Dragging, driven by the window.
    void beginDrag(Point windowPoint);
    void dragTo(Point windowPoint);
    void endDrag();
    // Distance a touch must move before a drag starts.
    static constexpr double kDragThreshold = 10;

protected:
    explicit ScrollView(Rect frame);
    void applyAnimatedBoundsOrigin(Point origin) override;
    virtual void didScroll() { }
    Point clampedOffset(Point offset) const;

private:
    Size m_contentSize;
    bool m_scrollEnabled = true;
    Point m_dragStartPoint;
    Point m_dragStartOffset;
};

}
