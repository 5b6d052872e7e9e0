#include "platform/ui/View.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/Window.h"

#include <algorithm>

namespace ui {

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

}
