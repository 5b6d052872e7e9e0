#include "platform/ui/View.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"

#include <algorithm>

namespace ui {

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

}
