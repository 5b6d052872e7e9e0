// The strip makes a row's views only as the row comes near sight, yet everything outside sees it
// as if every row had been made up front: the same children in the same order, tag lookups that
// find rows out of sight, and the same pixels on screen.
#include "PlayerFixture.h"

#include "platform/render/Renderer.h"
#include "platform/render/Surface.h"
#include "platform/ui/Window.h"
#include "platform/ui/Button.h"
#include "player/Strip.h"
#include "player/Tempo.h"

#include <algorithm>
#include <map>
#include <random>

namespace player::test {
namespace {

// Rows 100 points apart; row i has tag 1000 + i, and every fifth row a view behind it (slot 1,
// tag 100000 + i). Rows with i % 7 == 3 are sent to the back (they have no view behind them, as
// the bands of a song have none).
bool sentToBack(int i)
{
    return i % 7 == 3;
}

bool hasViewBehind(int i)
{
    return i % 5 == 0 && !sentToBack(i);
}

ui::Rect frameOfRow(int i)
{
    return ui::RectMake(100.0 * i, 10 * (i % 9), 60, 20);
}

std::shared_ptr<ui::View> viewWithTag(int tag, ui::Rect frame)
{
    auto view = ui::View::create(frame);
    view->setTag(tag);
    return view;
}

std::vector<int> tagsOf(const ui::View& parent)
{
    std::vector<int> out;
    for (const auto& child : parent.subviews())
        out.push_back(child->tag());
    return out;
}

class StripOfRows {
public:
    explicit StripOfRows(int rows)
        : strip(Strip::create(ui::RectMake(0, 0, 1024, 700)))
    {
        strip->setContentSize({ 100.0 * rows + 1024, 700 });
        for (int i = 0; i < rows; ++i)
            strip->defer(frameOfRow(i), sentToBack(i));
        strip->setMaker([this](uint32_t item, auto& out) {
            ++made;
            out.emplace_back(0, viewWithTag(1000 + int(item), frameOfRow(int(item))));
            if (hasViewBehind(int(item)))
                out.emplace_back(1, viewWithTag(100000 + int(item), frameOfRow(int(item))));
            for (int tag : controls[item])
                out.emplace_back(2, viewWithTag(tag, frameOfRow(int(item))));
        });
        strip->setTagFinder([rows](int tag) -> std::optional<uint32_t> {
            if (tag >= 1000 && tag < 1000 + rows)
                return uint32_t(tag - 1000);
            return std::nullopt;
        });
    }

    static ui::Rect frameOf(int i) { return frameOfRow(i); }

    // A control behind a made row, kept here so that the row makes it again after being let go.
    void addControl(uint32_t row, int tag)
    {
        controls[row].push_back(tag);
        strip->insertBehind(row, 2, viewWithTag(tag, frameOfRow(int(row))));
    }

    std::shared_ptr<Strip> strip;
    std::map<uint32_t, std::vector<int>> controls;
    int made = 0;
};

// The same rows made the plain way, every one up front: added in order, a band moved to the
// front of the list, a view behind a row inserted right after the row and its earlier views.
class PlainStrip {
public:
    explicit PlainStrip(int rows)
        : strip(ui::ScrollView::create(ui::RectMake(0, 0, 1024, 700)))
    {
        for (int i = 0; i < rows; ++i) {
            auto row = viewWithTag(1000 + i, frameOfRow(i));
            strip->addSubview(row);
            if (hasViewBehind(i))
                strip->addSubview(viewWithTag(100000 + i, frameOfRow(i)));
            if (sentToBack(i))
                strip->sendSubviewToBack(row.get());
        }
    }

    void insertBehind(int row, std::shared_ptr<ui::View> view)
    {
        const auto& children = strip->subviews();
        size_t at = 0;
        while (children[at]->tag() != 1000 + row)
            ++at;
        ++at;
        if (at < children.size() && children[at]->tag() == 100000 + row)
            ++at;
        strip->insertSubview(std::move(view), at);
    }

    std::shared_ptr<ui::ScrollView> strip;
};

TEST(StripTest, RowsAreMadeWhenTheyComeNearSight)
{
    StripOfRows rows(400);
    rows.strip->finishDeferring();
    // A screen's width either side of the 1024 points in sight.
    for (uint32_t i = 0; i < 400; ++i)
        EXPECT_EQ(rows.strip->isMade(i), 100.0 * i + 60 >= -1024 && 100.0 * i <= 2048) << "row " << i;
    int first = rows.made;
    EXPECT_EQ(first, 21);

    rows.strip->setContentOffset({ 20000, 0 });
    EXPECT_TRUE(rows.strip->isMade(200));
    EXPECT_TRUE(rows.strip->isMade(190));
    EXPECT_FALSE(rows.strip->isMade(189));
    EXPECT_TRUE(rows.strip->isMade(220));
    EXPECT_FALSE(rows.strip->isMade(221));
    EXPECT_FALSE(rows.strip->isMade(320));
    EXPECT_TRUE(rows.strip->isMade(5)) << "rows once made stay";
    // Scrolling back makes nothing twice.
    int afterScroll = rows.made;
    rows.strip->setContentOffset({ 0, 0 });
    EXPECT_EQ(rows.made, afterScroll);
}

// The same steps on a strip that makes rows as it scrolls and on a plain one that made every row
// up front, with views added by others in between: at the end both list the same children.
TEST(StripTest, ChildrenStandWhereTheyWouldHadEveryRowBeenMadeUpFront)
{
    for (unsigned seed : { 1u, 2u, 3u, 4u, 5u, 6u }) {
        StripOfRows lazy(300);
        PlainStrip plain(300);
        // Half the seeds let rows go again as they scroll away.
        if (seed % 2)
            lazy.strip->setMostMade(30);
        lazy.strip->finishDeferring();
        std::mt19937 random(seed);
        for (int step = 0; step < 12; ++step) {
            double x = double(random() % 30000);
            lazy.strip->setContentOffset({ x, 0 });
            ui::Rect spot = ui::RectMake(x, 0, 5, 5);
            switch (random() % 4) {
            case 0:
                // A mark on top of everything.
                lazy.strip->addSubview(viewWithTag(600000 + step, spot));
                plain.strip->addSubview(viewWithTag(600000 + step, spot));
                break;
            case 1:
                // A band behind everything.
                lazy.strip->insertSubview(viewWithTag(500000 + step, spot), 0);
                plain.strip->insertSubview(viewWithTag(500000 + step, spot), 0);
                break;
            case 2: {
                // A control behind a row in sight, after the view its maker put there.
                int row = int(x / 100) % 300;
                if (!lazy.strip->isMade(uint32_t(row)))
                    break;
                lazy.addControl(uint32_t(row), 700000 + step);
                plain.insertBehind(row, viewWithTag(700000 + step, spot));
                break;
            }
            default:
                // A mark removed leaves the others where they were.
                for (ui::View* parent : { static_cast<ui::View*>(lazy.strip.get()), static_cast<ui::View*>(plain.strip.get()) }) {
                    const auto& children = parent->subviews();
                    auto it = std::find_if(children.begin(), children.end(), [](const auto& c) { return c->tag() >= 600000 && c->tag() < 700000; });
                    if (it != children.end())
                        (*it)->removeFromSuperview();
                }
            }
        }
        EXPECT_LT(lazy.strip->subviews().size(), plain.strip->subviews().size());
        lazy.strip->makeDeferredSubviews();
        EXPECT_EQ(tagsOf(*lazy.strip), tagsOf(*plain.strip)) << "seed " << seed;
    }
}

TEST(StripTest, RowsFarOutOfSightAreLetGoOnceManyAreMade)
{
    StripOfRows rows(2000);
    rows.strip->setMostMade(100);
    std::vector<uint32_t> released;
    rows.strip->setReleaser([&](uint32_t item) { released.push_back(item); });
    rows.strip->finishDeferring();
    // Someone holds row 5's view: it stays.
    auto held = rows.strip->viewWithTag(1005);
    ASSERT_TRUE(held);
    for (double x = 0; x <= 150000; x += 700) {
        rows.strip->setContentOffset({ x, 0 });
        EXPECT_LE(rows.strip->madeCount(), 100u + 60u) << "at " << x;
        EXPECT_TRUE(rows.strip->isMade(uint32_t(x / 100) + 5)) << "in sight at " << x;
    }
    EXPECT_FALSE(rows.strip->isMade(0));
    EXPECT_TRUE(rows.strip->isMade(5));
    EXPECT_EQ(held->superview(), rows.strip);
    EXPECT_TRUE(std::find(released.begin(), released.end(), 0u) != released.end()) << "the releaser hears of each row let go";
    // Back at the start the rows are made again, once each.
    rows.strip->setContentOffset({ 0, 0 });
    EXPECT_TRUE(rows.strip->isMade(0));
    auto& children = rows.strip->subviews();
    EXPECT_EQ(std::count_if(children.begin(), children.end(), [](const auto& c) { return c->tag() == 1000; }), 1);
}

// A row reaching far across the strip, and a row described after the index was built, are made
// when they come into sight, and again after being let go.
TEST(StripTest, WideRowsAndLateRowsComeBackIntoSight)
{
    StripOfRows rows(500);
    rows.strip->setMostMade(20);
    rows.strip->finishDeferring();
    uint32_t wide = rows.strip->defer(ui::RectMake(-500, 0, 9000, 10), false);
    uint32_t late = rows.strip->defer(ui::RectMake(30000, 0, 10, 10), false);
    rows.strip->finishDeferring();
    EXPECT_TRUE(rows.strip->isMade(wide));
    EXPECT_FALSE(rows.strip->isMade(late));
    rows.strip->setContentOffset({ 29500, 0 });
    EXPECT_TRUE(rows.strip->isMade(late));
    EXPECT_FALSE(rows.strip->isMade(wide)) << "let go far out of sight";
    rows.strip->setContentOffset({ 0, 0 });
    EXPECT_TRUE(rows.strip->isMade(wide));
    rows.strip->setContentOffset({ 7000, 0 });
    EXPECT_TRUE(rows.strip->isMade(wide)) << "still reaching into sight";
}

TEST(StripTest, ATagLookupMakesTheRowHoldingIt)
{
    StripOfRows rows(400);
    auto root = ui::View::create(ui::RectMake(0, 0, 1024, 768));
    root->addSubview(rows.strip);
    rows.strip->finishDeferring();
    ASSERT_FALSE(rows.strip->isMade(350));
    auto found = root->viewWithTag(1350);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->frame(), StripOfRows::frameOf(350));
    EXPECT_TRUE(rows.strip->isMade(350));
    EXPECT_FALSE(rows.strip->isMade(349)) << "only the row asked for";
    EXPECT_FALSE(root->viewWithTag(1400)) << "no row holds it";
    // Found again, it is the same view.
    EXPECT_EQ(root->viewWithTag(1350), found);
}

// A long song on screen: far fewer views than rows, and what shows is what a strip of every row
// would show, at the start and after page turns.
class LongSongStripTest : public PlayerFixture {
protected:
    void SetUp() override
    {
        PlayerFixture::SetUp();
        render::Renderer::installTextMetrics();
        auto lines = regularSong(120, 4);
        for (int bar = 0; bar < 120; ++bar) {
            int x = 200 * 4 * bar + 160;
            // A lyric longer than its frame, a sharp rising note, a bar line and a small number.
            lines.push_back({ { "channel", "31" }, { "ipad_col(107)", std::to_string(x) }, { "ipad_rows", "500" }, { "length(109)", "20" },
                { "height(110)", "20" }, { "flip_view", "3" }, { "Z-level", "4" }, { "Content", "a long lyric line " + std::to_string(bar) } });
            lines.push_back({ { "channel", "0" }, { "Bar No(40)", "200" }, { "Beats per Bar(40)", "40" }, { "tempo (40)", "40" },
                { "ipad_col(107)", std::to_string(x + 40) }, { "ipad_rows", "300" }, { "length(109)", "220" }, { "height(110)", "28" },
                { "rise_fall", "U" }, { "sharp_flat", "#" }, { "Z-level", "3" } });
            lines.push_back({ { "channel", "14" }, { "ipad_col(107)", std::to_string(x) }, { "ipad_rows", "200" }, { "length(109)", "4" },
                { "height(110)", "444" }, { "Z-level", "2" } });
            lines.push_back({ { "channel", "36" }, { "ipad_col(107)", std::to_string(x + 10) }, { "ipad_rows", "280" },
                { "flip_view", "2.75" }, { "Z-level", "4" }, { "Content", "12345" } });
        }
        writeSong("long", lines);
        player = open("long");
        window = ui::Window::create();
        window->setRootViewController(player);
    }

    // The window drawn as it is, then with every row made: the same pixels.
    int pixelsThatDifferFromAStripOfEveryRow()
    {
        auto now = render::Renderer::renderToSurface(*window);
        player->strip()->makeDeferredSubviews();
        auto full = render::Renderer::renderToSurface(*window);
        int differing = 0;
        for (int y = 0; y < now->height(); y++)
            for (int x = 0; x < now->width(); x++)
                differing += now->rawPixel(x, y) != full->rawPixel(x, y);
        return differing;
    }

    std::shared_ptr<ViewController> player;
    std::shared_ptr<ui::Window> window;
};

TEST_F(LongSongStripTest, OnlyTheRowsNearSightHaveViews)
{
    // (The bar rows of this song all stand at x = 0, so all 120 of them are in sight.)
    size_t rows = 120 * 9;
    EXPECT_LT(player->strip()->subviews().size(), rows / 4);
    EXPECT_EQ(pixelsThatDifferFromAStripOfEveryRow(), 0);
    EXPECT_GT(player->strip()->subviews().size(), rows);
}

TEST_F(LongSongStripTest, PageTurnsShowTheRowsOfTheNextPage)
{
    double before = player->strip()->contentOffset().x;
    int turns = 0;
    for (int beat = 0; beat < 120 && turns < 3; ++beat) {
        player->next(nullptr);
        double offset = player->strip()->contentOffset().x;
        if (offset != before) {
            ++turns;
            before = offset;
        }
    }
    ASSERT_EQ(turns, 3);
    // Let the page turn's animation run to its end.
    core::RunLoop::main().runFor(1.0);
    EXPECT_LT(player->strip()->subviews().size(), size_t(120 * 9 / 4));
    EXPECT_EQ(pixelsThatDifferFromAStripOfEveryRow(), 0);
}

// A beat let go far out of sight and made again comes back with its edited label and the step
// buttons it showed, tapped the way a finger does.
TEST_F(LongSongStripTest, ABeatLetGoAndMadeAgainKeepsItsEditedControls)
{
    player->strip()->setMostMade(60);
    auto tapTag = [&](int tag) {
        auto view = player->view()->viewWithTag(tag);
        ASSERT_TRUE(view) << tag;
        ui::Point centre = view->windowFrame().center();
        ASSERT_EQ(window->hitTest(centre), view.get()) << tag;
        window->touchDown(centre);
        window->touchUp(centre);
        core::RunLoop::main().runFor(0.01);
    };
    const auto& tags = player->tagScheme();
    tapTag(tags.beatButtonTag(3));
    tapTag(tags.plusTag(3));
    ASSERT_EQ(player->tempoEditor().tempoText(2), "101");

    player->strip()->setContentOffset({ 30000, 0 });
    EXPECT_FALSE(player->tempoEditor().labelView(2)) << "let go with its beat";
    player->strip()->setContentOffset({ 0, 0 });
    auto label = player->tempoEditor().labelView(2);
    ASSERT_TRUE(label);
    EXPECT_EQ(label->text(), "101");
    EXPECT_FALSE(label->isHidden());
    ASSERT_TRUE(player->tempoEditor().plusView(2));
    EXPECT_FALSE(player->tempoEditor().plusView(2)->isHidden());
    EXPECT_EQ(pixelsThatDifferFromAStripOfEveryRow(), 0);
}

}
}
