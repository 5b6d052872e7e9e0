#include "platform/core/RunLoop.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>

using namespace ui;

namespace {

class SongList : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    static std::shared_ptr<SongList> create() { return std::shared_ptr<SongList>(new SongList()); }
    int numberOfRowsInSection(TableView*, int) override { return static_cast<int>(songs.size()); }
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView* tableView, IndexPath ip) override
    {
        auto cell = tableView->dequeueReusableCellWithIdentifier("Cell");
        if (!cell) {
            cell = TableViewCell::create(TableViewCellStyle::Default, "Cell");
            created++;
        }
        cell->textLabel()->setText(songs[static_cast<size_t>(ip.row)]);
        cell->setAccessoryType(TableViewCellAccessoryType::DisclosureIndicator);
        return cell;
    }
    void didSelectRowAtIndexPath(TableView*, IndexPath ip) override { selected.push_back(ip.row); }

    std::vector<std::string> songs;
    std::vector<int> selected;
    int created = 0;
};

}

class TableViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = Window::create();
        list = SongList::create();
        window->setRootViewController(list);
        table = TableView::create(RectMake(0, 100, 400, 440));
        list->view()->addSubview(table);
        for (int i = 0; i < 50; i++)
            list->songs.push_back("Song " + std::to_string(i));
        table->setDataSource(list);
        // As a screen passes itself: through its base class.
        table->setDelegate(std::static_pointer_cast<ViewController>(list));
        table->reloadData();
    }
    void TearDown() override { core::RunLoop::resetMain(); }

    std::shared_ptr<Window> window;
    std::shared_ptr<SongList> list;
    std::shared_ptr<TableView> table;
};

TEST_F(TableViewTest, AsksOnlyForVisibleRowsAndReusesCells)
{
    EXPECT_EQ(table->contentSize().height, 50 * 44);
    EXPECT_EQ(table->visibleCells().size(), 10u);
    EXPECT_EQ(list->created, 10);
    ASSERT_NE(table->cellForRowAtIndexPath({ 0, 3 }), nullptr);
    EXPECT_EQ(table->cellForRowAtIndexPath({ 0, 3 })->textLabel()->text(), "Song 3");
    EXPECT_EQ(table->cellForRowAtIndexPath({ 0, 30 }), nullptr);

    table->setContentOffset({ 0, 44 * 30 });
    ASSERT_NE(table->cellForRowAtIndexPath({ 0, 30 }), nullptr);
    EXPECT_EQ(table->cellForRowAtIndexPath({ 0, 30 })->textLabel()->text(), "Song 30");
    EXPECT_EQ(table->visibleCells().size(), 10u);
    // Scrolled-away cells came back from the pool.
    EXPECT_LE(list->created, 11);
}

TEST_F(TableViewTest, TapSelectsARowAndTellsTheDelegate)
{
    window->layoutIfNeeded();
    Rect row = table->convertRect(table->rectForRowAtIndexPath({ 0, 2 }), nullptr);
    window->touchDown(row.center());
    window->touchUp(row.center());
    EXPECT_EQ(list->selected, std::vector<int> { 2 });
    EXPECT_EQ(table->indexPathForSelectedRow(), (IndexPath { 0, 2 }));
    EXPECT_TRUE(table->cellForRowAtIndexPath({ 0, 2 })->isSelected());

    // A drag is a scroll, not a selection.
    window->touchDown(row.center());
    window->touchMoved({ row.midX(), row.midY() - 100 });
    window->touchUp({ row.midX(), row.midY() - 100 });
    EXPECT_EQ(list->selected.size(), 1u);
    EXPECT_EQ(table->contentOffset().y, 100);

    list->songs.resize(1);
    table->reloadData();
    EXPECT_EQ(table->numberOfRowsInSection(0), 1);
    EXPECT_FALSE(table->indexPathForSelectedRow().has_value());
}
