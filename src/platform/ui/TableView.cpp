#include "platform/ui/TableView.h"
#include "platform/core/Json.h"

#include <algorithm>

namespace ui {

double TableViewDelegate::heightForRowAtIndexPath(TableView* tableView, IndexPath)
{
    return tableView->rowHeight();
}

std::shared_ptr<TableView> TableView::create(Rect frame)
{
    return std::shared_ptr<TableView>(new TableView(frame));
}

TableView::TableView(Rect frame)
    : ScrollView(frame)
{
    setBackgroundColor(Color::white());
}

void TableView::setDataSource(std::weak_ptr<TableViewDataSource> dataSource)
{
    m_dataSource = std::move(dataSource);
    m_geometryValid = false;
    setNeedsLayout();
}

void TableView::setDelegate(std::weak_ptr<TableViewDelegate> delegate)
{
    m_delegate = std::move(delegate);
    m_geometryValid = false;
    setNeedsLayout();
}

void TableView::setRowHeight(double height)
{
    if (m_rowHeight == height)
        return;
    m_rowHeight = height;
    m_geometryValid = false;
    setNeedsLayout();
}

void TableView::computeRowGeometry() const
{
    m_rowTops.clear();
    m_rowHeights.clear();
    auto source = m_dataSource.lock();
    auto delegate = m_delegate.lock();
    auto* self = const_cast<TableView*>(this);
    double y = 0;
    int sections = source ? std::max(0, source->numberOfSectionsInTableView(self)) : 0;
    for (int s = 0; s < sections; s++) {
        int rows = std::max(0, source->numberOfRowsInSection(self, s));
        std::vector<double> tops, heights;
        for (int r = 0; r < rows; r++) {
            double h = delegate ? delegate->heightForRowAtIndexPath(self, { s, r }) : m_rowHeight;
            tops.push_back(y);
            heights.push_back(h);
            y += h;
        }
        m_rowTops.push_back(std::move(tops));
        m_rowHeights.push_back(std::move(heights));
    }
    m_geometryValid = true;
    self->setContentSize({ bounds().width(), y });
}

int TableView::numberOfSections() const
{
    if (!m_geometryValid)
        computeRowGeometry();
    return static_cast<int>(m_rowTops.size());
}

int TableView::numberOfRowsInSection(int section) const
{
    if (section < 0 || section >= numberOfSections())
        return 0;
    return static_cast<int>(m_rowTops[static_cast<size_t>(section)].size());
}

Rect TableView::rectForRowAtIndexPath(IndexPath ip) const
{
    if (ip.row < 0 || ip.row >= numberOfRowsInSection(ip.section))
        return {};
    auto s = static_cast<size_t>(ip.section), r = static_cast<size_t>(ip.row);
    return RectMake(0, m_rowTops[s][r], bounds().width(), m_rowHeights[s][r]);
}

std::optional<IndexPath> TableView::indexPathForRowAtPoint(Point p) const
{
    for (int s = 0; s < numberOfSections(); s++) {
        for (int r = 0; r < numberOfRowsInSection(s); r++) {
            Rect rect = rectForRowAtIndexPath({ s, r });
            if (p.y >= rect.minY() && p.y < rect.maxY())
                return IndexPath { s, r };
        }
    }
    return std::nullopt;
}

std::shared_ptr<TableViewCell> TableView::cellForRowAtIndexPath(IndexPath ip) const
{
    auto it = m_visible.find(ip);
    return it == m_visible.end() ? nullptr : it->second;
}

std::vector<std::shared_ptr<TableViewCell>> TableView::visibleCells() const
{
    std::vector<std::shared_ptr<TableViewCell>> cells;
    for (auto& [ip, cell] : m_visible)
        cells.push_back(cell);
    return cells;
}

std::shared_ptr<TableViewCell> TableView::dequeueReusableCellWithIdentifier(const std::string& identifier)
{
    auto it = m_reusePool.find(identifier);
    if (it == m_reusePool.end())
        return nullptr;
    auto cell = it->second;
    m_reusePool.erase(it);
    cell->prepareForReuse();
    return cell;
}

void TableView::reloadData()
{
    for (auto& [ip, cell] : m_visible) {
        cell->removeFromSuperview();
        m_reusePool.emplace(cell->reuseIdentifier(), cell);
    }
    m_visible.clear();
    m_geometryValid = false;
    if (m_selected && (m_selected->row >= numberOfRowsInSection(m_selected->section)))
        m_selected.reset();
    layoutVisibleCells();
}

void TableView::layoutSubviews()
{
    if (!m_geometryValid)
        computeRowGeometry();
    layoutVisibleCells();
}

void TableView::didScroll()
{
    layoutVisibleCells();
}

void TableView::layoutVisibleCells()
{
    if (!m_geometryValid)
        computeRowGeometry();
    Rect visible = bounds();
    std::vector<IndexPath> rows;
    for (int s = 0; s < numberOfSections(); s++) {
        for (int r = 0; r < numberOfRowsInSection(s); r++) {
            Rect rect = rectForRowAtIndexPath({ s, r });
            if (rect.maxY() > visible.minY() && rect.minY() < visible.maxY())
                rows.push_back({ s, r });
        }
    }
    // Cells that scrolled away go back to the pool first, so the new rows can reuse them.
    for (auto it = m_visible.begin(); it != m_visible.end();) {
        if (std::find(rows.begin(), rows.end(), it->first) == rows.end()) {
            it->second->removeFromSuperview();
            m_reusePool.emplace(it->second->reuseIdentifier(), it->second);
            it = m_visible.erase(it);
        } else {
            ++it;
        }
    }
    auto source = m_dataSource.lock();
    for (IndexPath ip : rows) {
        std::shared_ptr<TableViewCell> cell = cellForRowAtIndexPath(ip);
        if (!cell && source) {
            cell = source->cellForRowAtIndexPath(this, ip);
            if (!cell)
                continue;
            m_visible[ip] = cell;
        }
        if (!cell)
            continue;
        cell->setFrame(rectForRowAtIndexPath(ip));
        cell->setSelected(m_selected == ip || m_pressed == ip);
        if (cell->superviewPointer() != this)
            addSubview(cell);
    }
}

void TableView::scrollToRowAtIndexPath(IndexPath ip, Animated animated)
{
    Rect rect = rectForRowAtIndexPath(ip);
    Point offset = contentOffset();
    if (rect.minY() < offset.y)
        offset.y = rect.minY();
    else if (rect.maxY() > offset.y + bounds().height())
        offset.y = rect.maxY() - bounds().height();
    setContentOffset(clampedOffset(offset), animated);
}

void TableView::selectRowAtIndexPath(std::optional<IndexPath> ip, Animated)
{
    if (m_selected)
        if (auto cell = cellForRowAtIndexPath(*m_selected))
            cell->setSelected(false);
    m_selected = ip;
    if (m_selected)
        if (auto cell = cellForRowAtIndexPath(*m_selected))
            cell->setSelected(true);
}

void TableView::deselectRowAtIndexPath(IndexPath ip, Animated animated)
{
    if (m_selected == ip)
        selectRowAtIndexPath(std::nullopt, animated);
}

void TableView::touchesBegan(const Touch& touch)
{
    m_pressed = indexPathForRowAtPoint(touch.locationInView(this));
    if (m_pressed)
        if (auto cell = cellForRowAtIndexPath(*m_pressed))
            cell->setSelected(true);
}

void TableView::touchesEnded(const Touch& touch)
{
    auto pressed = m_pressed;
    m_pressed.reset();
    if (!pressed)
        return;
    if (indexPathForRowAtPoint(touch.locationInView(this)) != pressed) {
        if (auto cell = cellForRowAtIndexPath(*pressed); cell && m_selected != pressed)
            cell->setSelected(false);
        return;
    }
    auto keep = shared_from_this();
    selectRowAtIndexPath(pressed, Animated::No);
    if (auto delegate = m_delegate.lock())
        delegate->didSelectRowAtIndexPath(this, *pressed);
}

void TableView::touchesCancelled(const Touch&)
{
    if (m_pressed && m_selected != m_pressed)
        if (auto cell = cellForRowAtIndexPath(*m_pressed))
            cell->setSelected(false);
    m_pressed.reset();
}

void TableView::describe(nlohmann::json& out) const
{
    ScrollView::describe(out);
    int rows = 0;
    for (int s = 0; s < numberOfSections(); s++)
        rows += numberOfRowsInSection(s);
    out["rows"] = rows;
    out["selectedRow"] = m_selected ? nlohmann::json(m_selected->row) : nlohmann::json(nullptr);
}

}
