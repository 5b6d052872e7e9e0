#include "player/Strip.h"

#include <algorithm>
#include <cmath>

namespace player {

namespace {

// A row reaching across more cells than this is looked at on every search rather than indexed.
constexpr size_t kMaxCellsPerItem = 8;

}

std::shared_ptr<Strip> Strip::create(ui::Rect frame)
{
    return std::shared_ptr<Strip>(new Strip(frame));
}

Strip::Strip(ui::Rect frame)
    : ScrollView(frame)
{
}

uint32_t Strip::defer(ui::Rect extent, bool sentToBack)
{
    m_items.push_back({ float(extent.minX()), float(extent.maxX()), sentToBack });
    m_made.push_back(false);
    uint32_t item = uint32_t(m_items.size() - 1);
    // A row added after the index was built goes straight into it.
    if (m_indexed)
        indexItem(item);
    return item;
}

void Strip::finishDeferring()
{
    if (!m_indexed && !m_items.empty()) {
        float lo = m_items.front().minX;
        for (const Item& item : m_items)
            lo = std::min(lo, item.minX);
        m_origin = lo;
        for (uint32_t i = 0; i < m_items.size(); ++i)
            indexItem(i);
    }
    m_indexed = true;
    makeItemsInSight();
}

// Every row, made or not, stays in the index, so a row let go is found again when it comes back
// into sight. Rows left of the first one at indexing share the first cell.
void Strip::indexItem(uint32_t item)
{
    auto cellOf = [this](double x) { return size_t(std::clamp((x - m_origin) / m_cellWidth, 0.0, double(1 << 22))); };
    size_t first = cellOf(m_items[item].minX);
    size_t last = cellOf(m_items[item].maxX);
    if (last - first >= kMaxCellsPerItem) {
        m_wide.push_back(item);
        return;
    }
    if (m_cells.size() <= last)
        m_cells.resize(last + 1);
    for (size_t c = first; c <= last; ++c)
        m_cells[c].push_back(item);
}

double Strip::keyOfItem(uint32_t item) const
{
    double base = 4.0 * (double(item) + 1);
    return m_items[item].sentToBack ? -base : base;
}

double Strip::keyOf(const ui::View* view) const
{
    auto it = m_keys.find(view);
    return it == m_keys.end() ? m_backKey : it->second;
}

// New children go where their keys say; one merge however many.
void Strip::makeItems(std::vector<uint32_t> items)
{
    if (items.empty() || !m_maker)
        return;
    std::vector<std::pair<double, std::shared_ptr<ui::View>>> made;
    std::vector<std::pair<int, std::shared_ptr<ui::View>>> views;
    for (uint32_t item : items) {
        if (m_made[item])
            continue;
        m_made[item] = true;
        ++m_madeCount;
        views.clear();
        m_maker(item, views);
        for (auto& [slot, view] : views)
            made.emplace_back(keyOfItem(item) + slot, std::move(view));
    }
    std::stable_sort(made.begin(), made.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    const auto& children = subviews();
    std::vector<std::pair<size_t, std::shared_ptr<ui::View>>> placed;
    placed.reserve(made.size());
    size_t at = 0;
    for (auto& [key, view] : made) {
        while (at < children.size() && keyOf(children[at].get()) < key)
            ++at;
        m_keys[view.get()] = key;
        placed.emplace_back(at, std::move(view));
    }
    // Keys set above are the ones didAddSubview keeps.
    m_pendingKey = 0;
    insertSubviews(std::move(placed));
    m_pendingKey.reset();
}

void Strip::makeItemsBetween(double minX, double maxX)
{
    if (!m_indexed)
        return;
    auto reaches = [&](uint32_t item) { return !m_made[item] && m_items[item].maxX >= minX && m_items[item].minX <= maxX; };
    std::vector<uint32_t> items;
    for (uint32_t item : m_wide) {
        if (reaches(item))
            items.push_back(item);
    }
    if (!m_cells.empty() && maxX >= minX) {
        size_t first = size_t(std::clamp((minX - m_origin) / m_cellWidth, 0.0, double(m_cells.size() - 1)));
        size_t last = size_t(std::clamp((maxX - m_origin) / m_cellWidth, 0.0, double(m_cells.size() - 1)));
        for (size_t c = first; c <= last; ++c) {
            for (uint32_t item : m_cells[c]) {
                if (reaches(item))
                    items.push_back(item);
            }
        }
    }
    std::sort(items.begin(), items.end());
    items.erase(std::unique(items.begin(), items.end()), items.end());
    makeItems(std::move(items));
}

// A screen's width either side of the visible part: text may reach past its label's frame, and
// a short scroll finds its rows made.
void Strip::makeItemsInSight()
{
    ui::Rect visible = bounds();
    makeItemsBetween(visible.minX() - visible.width(), visible.maxX() + visible.width());
    if (m_madeCount > std::max(m_mostMade, m_keptAtLastRelease * 2)) {
        releaseItemsOutside(visible.minX() - 3 * visible.width(), visible.maxX() + 3 * visible.width());
        // Rows that could not go (in sight, or held) are not looked at again on every scroll.
        m_keptAtLastRelease = m_madeCount;
    }
}

void Strip::releaseItemsOutside(double minX, double maxX)
{
    for (uint32_t i = 0; i < m_items.size(); ++i) {
        if (m_made[i] && (m_items[i].maxX < minX || m_items[i].minX > maxX))
            releaseItem(i);
    }
}

// The row's own view and those behind it, when only the strip holds them (and, behind it, the
// one part that keeps them, told by the releaser).
bool Strip::releaseItem(uint32_t item)
{
    const auto& children = subviews();
    double key = keyOfItem(item);
    auto first = std::partition_point(children.begin(), children.end(), [&](const auto& child) { return keyOf(child.get()) < key; });
    auto last = first;
    while (last != children.end() && keyOf(last->get()) < key + 4)
        ++last;
    if (first == last || keyOf(first->get()) != key)
        return false;
    for (auto it = first; it != last; ++it) {
        if (it->use_count() > (it == first ? 1 : 2))
            return false;
    }
    std::vector<std::shared_ptr<ui::View>> views(first, last);
    if (m_releaser)
        m_releaser(item);
    for (auto& view : views)
        view->removeFromSuperview();
    m_made[item] = false;
    --m_madeCount;
    return true;
}

void Strip::insertBehind(uint32_t item, int slot, std::shared_ptr<ui::View> view)
{
    if (item >= m_items.size() || !m_made[item] || !view)
        return;
    double key = keyOfItem(item) + slot;
    const auto& children = subviews();
    auto at = std::partition_point(children.begin(), children.end(), [&](const auto& child) { return keyOf(child.get()) <= key; });
    m_keys[view.get()] = key;
    m_pendingKey = key;
    insertSubview(std::move(view), size_t(at - children.begin()));
    m_pendingKey.reset();
}

void Strip::makeDeferredSubviews()
{
    std::vector<uint32_t> items;
    for (uint32_t i = 0; i < m_items.size(); ++i) {
        if (!m_made[i])
            items.push_back(i);
    }
    makeItems(std::move(items));
}

bool Strip::makeDeferredSubviewWithTag(int tag)
{
    if (!m_tagFinder)
        return false;
    auto item = m_tagFinder(tag);
    if (!item || *item >= m_items.size() || m_made[*item])
        return false;
    makeItems({ *item });
    return true;
}

void Strip::layoutSubviews()
{
    ScrollView::layoutSubviews();
    makeItemsInSight();
}

void Strip::didScroll()
{
    ScrollView::didScroll();
    makeItemsInSight();
}

// Views added by others: at the end after everything, at the front before everything, and
// between two children between their keys.
void Strip::didAddSubview(ui::View* view)
{
    ScrollView::didAddSubview(view);
    if (m_pendingKey)
        return;
    const auto& children = subviews();
    auto it = std::find_if(children.rbegin(), children.rend(), [view](const auto& child) { return child.get() == view; });
    size_t index = size_t(children.rend() - it) - 1;
    if (index + 1 == children.size())
        m_keys[view] = ++m_backKey;
    else if (index == 0)
        m_keys[view] = --m_frontKey;
    else
        m_keys[view] = (keyOf(children[index - 1].get()) + keyOf(children[index + 1].get())) / 2;
    // Keys of views gone are dropped now and then, so a long visit does not grow the table.
    if (m_keys.size() > 2 * children.size() + 1024) {
        std::unordered_map<const ui::View*, double> kept;
        for (const auto& child : children)
            kept.emplace(child.get(), keyOf(child.get()));
        m_keys = std::move(kept);
    }
}

}
