#pragma once
#include "platform/ui/ScrollView.h"
#include "platform/ui/TableViewCell.h"

#include <map>
#include <vector>

namespace ui {

struct IndexPath {
    int section = 0;
    int row = 0;
    static IndexPath indexPathForRow(int row, int section) { return { section, row }; }
    bool operator==(const IndexPath&) const = default;
    auto operator<=>(const IndexPath&) const = default;
};

class TableView;

class TableViewDataSource {
public:
    virtual ~TableViewDataSource() = default;
    virtual int numberOfSectionsInTableView(TableView* tableView) { (void)tableView; return 1; }
    virtual int numberOfRowsInSection(TableView* tableView, int section) = 0;
    virtual std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView* tableView, IndexPath indexPath) = 0;
};

class TableViewDelegate {
public:
    virtual ~TableViewDelegate() = default;
    virtual void didSelectRowAtIndexPath(TableView* tableView, IndexPath indexPath) { (void)tableView; (void)indexPath; }
    virtual double heightForRowAtIndexPath(TableView* tableView, IndexPath indexPath);
};

// A vertical list of rows in sections, asking its data source for cells only for the rows that
// show; cells that scroll away wait in a reuse pool by identifier. A tap on a row selects it and
// tells the delegate.
class TableView : public ScrollView {
public:
    static std::shared_ptr<TableView> create(Rect frame = {});

    std::shared_ptr<TableViewDataSource> dataSource() const { return m_dataSource.lock(); }
    void setDataSource(std::weak_ptr<TableViewDataSource> dataSource);
    template<typename U>
    void setDataSource(const std::shared_ptr<U>& dataSource) { setDataSource(std::weak_ptr<TableViewDataSource>(std::dynamic_pointer_cast<TableViewDataSource>(dataSource))); }
    std::shared_ptr<TableViewDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<TableViewDelegate> delegate);
    template<typename U>
    void setDelegate(const std::shared_ptr<U>& delegate) { setDelegate(std::weak_ptr<TableViewDelegate>(std::dynamic_pointer_cast<TableViewDelegate>(delegate))); }

    double rowHeight() const { return m_rowHeight; }
    void setRowHeight(double height);

    // Asks the data source again for everything.
    void reloadData();
    std::shared_ptr<TableViewCell> dequeueReusableCellWithIdentifier(const std::string& identifier);

    int numberOfSections() const;
    int numberOfRowsInSection(int section) const;
    // Row geometry in content coordinates.
    Rect rectForRowAtIndexPath(IndexPath indexPath) const;
    std::optional<IndexPath> indexPathForRowAtPoint(Point contentPoint) const;
    // The cell showing that row, if it is on screen.
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(IndexPath indexPath) const;
    std::vector<std::shared_ptr<TableViewCell>> visibleCells() const;
    void scrollToRowAtIndexPath(IndexPath indexPath, Animated animated);

    std::optional<IndexPath> indexPathForSelectedRow() const { return m_selected; }
    // Selection from code tells nobody.
    void selectRowAtIndexPath(std::optional<IndexPath> indexPath, Animated animated);
    void deselectRowAtIndexPath(IndexPath indexPath, Animated animated);

    void layoutSubviews() override;
    void touchesBegan(const Touch& touch) override;
    void touchesEnded(const Touch& touch) override;
    void touchesCancelled(const Touch& touch) override;
    std::string className() const override { return "TableView"; }
    void describe(nlohmann::json& out) const override;

protected:
    explicit TableView(Rect frame);
    void didScroll() override;

private:
    void computeRowGeometry() const;
    void layoutVisibleCells();

    std::weak_ptr<TableViewDataSource> m_dataSource;
    std::weak_ptr<TableViewDelegate> m_delegate;
    double m_rowHeight = 44;
    // Row tops per section, built on reload.
    mutable std::vector<std::vector<double>> m_rowTops;
    mutable std::vector<std::vector<double>> m_rowHeights;
    mutable bool m_geometryValid = false;
    std::map<IndexPath, std::shared_ptr<TableViewCell>> m_visible;
    std::multimap<std::string, std::shared_ptr<TableViewCell>> m_reusePool;
    std::optional<IndexPath> m_selected;
    std::optional<IndexPath> m_pressed;
};

}
