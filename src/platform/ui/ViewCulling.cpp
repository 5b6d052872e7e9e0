#include "platform/ui/View.h"
#include "platform/ui/ShapeLayer.h"

#include <algorithm>
#include <cmath>

namespace ui {

namespace {
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

View::Rare::Rare() = default;
View::Rare::~Rare() = default;

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
