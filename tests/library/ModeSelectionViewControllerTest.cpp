#include "library/AppDelegate.h"
#include "LibraryScreenFixture.h"
#include "library/ModeSelectionViewController.h"
#include "library/Screens.h"

#include "TempHome.h"
#include "platform/core/Clock.h"
#include "platform/core/RunLoop.h"
#include "platform/render/Renderer.h"
#include "platform/render/Surface.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/Window.h"
#include "player/ViewController.h"

#include <gtest/gtest.h>

#include <cstdlib>

using library::ModeSelectionViewController;

namespace {

const char* kThreeSongs = R"({"FileInfo": [
    {"fileName": "Ode to Joy", "path": "song1.csv"},
    {"fileName": "Canon in D", "path": "canon.csv"},
    {"fileName": "Twice", "path": "a.csv.b.csv"}]})";

class ModeSelectionViewControllerTest : public LibraryScreenFixture {
protected:
    void tapSegment(const ModeSelectionViewController& screen, int segment)
    {
        auto rect = screen.modeControl->convertRect(screen.modeControl->rectForSegment(segment), nullptr);
        tap({ rect.midX(), rect.midY() });
    }

    void keepScreenshot(const std::string& name)
    {
        if (const char* dir = getenv("BEATSTRIP_SCREENSHOT_DIR")) {
            EXPECT_TRUE(render::Renderer::renderToPNG(window(), std::string(dir) + "/" + name));
        }
    }

};

}

TEST_F(ModeSelectionViewControllerTest, FirstStartShowsAnEmptyListAndSaysWhatToDo)
{
    ASSERT_FALSE(core::files::fileExistsAtPath(home.documents() + "/data"));
    auto screen = launch();
    ASSERT_TRUE(screen);
    EXPECT_EQ(screen->mode, 3);
    EXPECT_FALSE(screen->fileList);
    EXPECT_EQ(screen->tableview->numberOfSections(), 1);
    EXPECT_EQ(screen->tableview->numberOfRowsInSection(0), 0);
    EXPECT_FALSE(window().currentAlert()) << "nothing is reported";
    EXPECT_FALSE(screen->emptyHint->isHidden());

    auto delegate = std::dynamic_pointer_cast<library::AppDelegate>(ui::Application::shared().delegate());
    ASSERT_TRUE(delegate);
    EXPECT_EQ(delegate->window.get(), &window());

    // The fixed views a script reaches by identifier.
    auto modeControl = std::dynamic_pointer_cast<ui::SegmentedControl>(window().viewWithAccessibilityIdentifier("modeControl"));
    ASSERT_TRUE(modeControl);
    EXPECT_EQ(modeControl->numberOfSegments(), 3);
    EXPECT_EQ(modeControl->selectedSegmentIndex(), 2) << "shows mode 3";
    EXPECT_EQ(window().viewWithAccessibilityIdentifier("songList"), screen->tableview);
    EXPECT_EQ(window().viewWithAccessibilityIdentifier("download"), screen->downloadButton);

    // Every segment title fits its segment, so none is cut with "…".
    for (int i = 0; i < 3; i++) {
        auto title = modeControl->titleForSegmentAtIndex(i);
        EXPECT_LE(ui::Font::systemFont(13).sizeOfText(title).width, modeControl->rectForSegment(i).width() - 8) << title;
    }

    keepScreenshot("library_first_start.png");
    // The hint's dark heading shows in the middle of the empty white list.
    auto surface = render::Renderer::renderToSurface(window());
    auto hint = screen->emptyHint->windowFrame();
    int dark = 0;
    for (int y = int(hint.y()); y < int(hint.y()) + 36; y++)
        for (int x = int(hint.x()); x < int(hint.maxX()); x++)
            dark += surface->pixel(x, y).r < 0.5;
    EXPECT_GT(dark, 50);
}

TEST_F(ModeSelectionViewControllerTest, ListsTheIndexInOrderWithDisclosureCells)
{
    home.writeIndex(kThreeSongs);
    auto screen = launch();
    ASSERT_TRUE(screen);
    ASSERT_TRUE(screen->fileList);
    EXPECT_EQ(screen->tableview->numberOfRowsInSection(0), 3);
    EXPECT_EQ(visibleTitles(*screen), (std::vector<std::string> { "Ode to Joy", "Canon in D", "Twice" }));
    auto cell = screen->tableview->cellForRowAtIndexPath({ 0, 1 });
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->reuseIdentifier(), "MyIdentifier");
    EXPECT_EQ(cell->accessoryType(), ui::TableViewCellAccessoryType::DisclosureIndicator);
    EXPECT_TRUE(screen->emptyHint->isHidden());
    keepScreenshot("library_three_songs.png");
}

TEST_F(ModeSelectionViewControllerTest, UnusableIndexesGiveAnEmptyList)
{
    const std::vector<std::pair<const char*, const char*>> variants = {
        { "no FileInfo", R"({"Songs": [{"fileName": "A", "path": "a.csv"}]})" },
        { "not an object", R"([{"fileName": "A", "path": "a.csv"}])" },
        { "FileInfo not an array", R"({"FileInfo": "a.csv"})" },
        { "empty array", R"({"FileInfo": []})" },
        { "entries without path", R"({"FileInfo": [{"fileName": "A"}, 3, null]})" },
        { "not JSON", "FileInfo: a.csv" },
        { "empty file", "" },
    };
    for (auto& [what, bytes] : variants) {
        SCOPED_TRACE(what);
        ui::Application::resetShared();
        ui::Storyboard::reset();
        home.writeIndex(bytes);
        auto screen = launch();
        ASSERT_TRUE(screen);
        EXPECT_EQ(screen->tableview->numberOfRowsInSection(0), 0);
        EXPECT_FALSE(screen->emptyHint->isHidden());
        EXPECT_FALSE(window().currentAlert());
    }

    // A package folder without an index: read, and empty.
    core::files::removeItemAtPath(home.contentFolder());
    ui::Application::resetShared();
    ui::Storyboard::reset();
    auto screen = launch();
    EXPECT_EQ(screen->tableview->numberOfRowsInSection(0), 0);
}

TEST_F(ModeSelectionViewControllerTest, ReloadingReplacesTheList)
{
    home.writeIndex(kThreeSongs);
    auto screen = launch();
    home.writeIndex(R"({"FileInfo": [{"fileName": "Only", "path": "only.csv"}]})");
    screen->loadSongIndex(false);
    window().layoutIfNeeded();
    EXPECT_EQ(visibleTitles(*screen), (std::vector<std::string> { "Only" }));

    home.writeIndex("{broken");
    screen->loadSongIndex(false);
    EXPECT_FALSE(screen->fileList) << "a bad index empties the list rather than keeping the old one";
    EXPECT_EQ(screen->tableview->numberOfRowsInSection(0), 0);
    EXPECT_FALSE(screen->emptyHint->isHidden());

    // At start-up the folder check comes first: without a package folder the list stays.
    home.writeIndex(kThreeSongs);
    screen->loadSongIndex(false);
    core::files::removeItemAtPath(home.documents() + "/data");
    screen->loadSongIndex(true);
    EXPECT_EQ(screen->tableview->numberOfRowsInSection(0), 3);
}

TEST_F(ModeSelectionViewControllerTest, ModeSegmentsMapToModes)
{
    auto screen = launch();
    tapSegment(*screen, 0);
    EXPECT_EQ(screen->mode, 1);
    tapSegment(*screen, 1);
    EXPECT_EQ(screen->mode, 2);
    tapSegment(*screen, 2);
    EXPECT_EQ(screen->mode, 3);

    // No segment, or a sender that is no segmented control, leaves the mode alone.
    screen->modeControl->setSelectedSegmentIndex(ui::SegmentedControl::kNoSegment);
    screen->modeSelected(screen->modeControl.get());
    EXPECT_EQ(screen->mode, 3);
    auto other = ui::SegmentedControl::create({ "a", "b", "c", "d" });
    other->setSelectedSegmentIndex(3);
    screen->modeSelected(other.get());
    EXPECT_EQ(screen->mode, 3);
    screen->modeSelected(nullptr);
    EXPECT_EQ(screen->mode, 3);
}

TEST_F(ModeSelectionViewControllerTest, TappingASongOpensThePlayerWithModeAndSongName)
{
    home.writeIndex(kThreeSongs);
    auto screen = launch();
    tapSegment(*screen, 0);
    tapRow(*screen, 0);
    auto player = presentedPlayer();
    ASSERT_TRUE(player) << "the screen registered as \"Main\" is presented";
    EXPECT_EQ(player->mode(), 1);
    EXPECT_EQ(player->fileName(), "song1");
    EXPECT_EQ(screen->presentedViewController(), player);
    EXPECT_EQ(screen->tableview->indexPathForSelectedRow(), (ui::IndexPath { 0, 0 })) << "the row stays selected";
    keepScreenshot("library_player_opened.png");
}

TEST_F(ModeSelectionViewControllerTest, APathWithoutCsvIsHandedOverUnchanged)
{
    home.writeIndex(R"({"FileInfo": [{"fileName": "Plain", "path": "plain"}]})");
    // One bar of one beat; the player reads it from "plain" + ".csv".
    const std::string song = "channel,Bar No(40),Beats per Bar(40),tempo (40),ipad_col(107),ipad_rows,length(109),height(110),"
                             "flip_view,rise_fall,sharp_flat,fingering/chord,lyrics,ipad_color(105),Z-level,Content\r"
                             "42,0,1,,0,40,200,8,,,,,,,,\r"
                             "41,0,1,100,160,20,200,10,1,60,200,,,,,\r";
    ASSERT_TRUE(core::files::writeContentsAtPath(home.contentFolder() + "/plain.csv", song).ok());
    auto screen = launch();
    tapSegment(*screen, 1);
    tapRow(*screen, 0);
    auto player = presentedPlayer();
    ASSERT_TRUE(player);
    EXPECT_EQ(player->fileName(), "plain");
    EXPECT_EQ(player->mode(), 2);
    EXPECT_TRUE(player->canPlay()) << "the player found plain.csv";
}

TEST_F(ModeSelectionViewControllerTest, ModeIsKeptAcrossSongs)
{
    home.writeIndex(kThreeSongs);
    auto screen = launch();
    tapSegment(*screen, 1);
    tapRow(*screen, 1);
    auto first = presentedPlayer();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->mode(), 2);
    EXPECT_EQ(first->fileName(), "canon");

    // Back in the library the list is not read again.
    home.writeIndex(R"({"FileInfo": []})");
    screen->dismissViewControllerAnimated(ui::Animated::Yes);
    advance(1);
    ASSERT_EQ(window().frontViewController(), screen);
    EXPECT_EQ(screen->tableview->numberOfRowsInSection(0), 3);

    tapRow(*screen, 2);
    auto second = presentedPlayer();
    ASSERT_TRUE(second);
    EXPECT_NE(second, first) << "each song gets a fresh player";
    EXPECT_EQ(second->mode(), 2);
    EXPECT_EQ(second->fileName(), "a.b") << "every .csv is removed, not only the last";
}

TEST_F(ModeSelectionViewControllerTest, WithoutAPlayerScreenATapDoesNothing)
{
    home.writeIndex(kThreeSongs);
    ui::Storyboard::registerScreen(library::kLibraryScreenIdentifier, [] { return ModeSelectionViewController::create(); });
    ui::Storyboard::setInitialScreen(library::kLibraryScreenIdentifier);
    ASSERT_TRUE(ui::Application::shared().launch());
    auto screen = std::dynamic_pointer_cast<ModeSelectionViewController>(window().rootViewController());
    ASSERT_TRUE(screen);
    window().layoutIfNeeded();
    tapRow(*screen, 0);
    advance(1);
    EXPECT_EQ(window().frontViewController(), screen);
}

TEST_F(ModeSelectionViewControllerTest, ASettingsStoreThatCannotBeWrittenIsToldOnceAtStart)
{
    // A folder where the store's file belongs: nothing damaged, nothing can be saved either.
    ASSERT_TRUE(core::files::createDirectoryAtPath(home.home() + "/settings.sqlite", false).ok());
    auto screen = launch();
    auto alert = window().currentAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "Error");
    EXPECT_EQ(alert->buttonTitles(), std::vector<std::string> { "OK" });
    EXPECT_EQ(alert->message().rfind("Changes cannot be saved because ", 0), 0u) << alert->message();
    alert->dismissWithClickedButtonIndex(0);
    EXPECT_FALSE(window().currentAlert());
    screen->viewDidAppear(false);
    EXPECT_FALSE(window().currentAlert()) << "told once, not on every return to the library";
    EXPECT_TRUE(core::files::fileExistsAtPath(home.home() + "/settings.sqlite")) << "kept as it is";
}

TEST_F(ModeSelectionViewControllerTest, ArrowsMoveTheSelectionReturnOpensAndTheLastSongStaysSelected)
{
    home.writeIndex(kThreeSongs);
    auto screen = launch();
    EXPECT_FALSE(screen->tableview->indexPathForSelectedRow());
    window().keyDown(ui::Key::Down);
    EXPECT_EQ(screen->tableview->indexPathForSelectedRow(), (ui::IndexPath { 0, 0 }));
    window().keyDown(ui::Key::Down);
    window().keyDown(ui::Key::Down);
    window().keyDown(ui::Key::Down);
    EXPECT_EQ(screen->tableview->indexPathForSelectedRow(), (ui::IndexPath { 0, 2 })) << "no row after the last";
    window().keyDown(ui::Key::Up);
    EXPECT_EQ(screen->tableview->indexPathForSelectedRow(), (ui::IndexPath { 0, 1 }));
    window().keyDown(ui::Key::Return);
    auto player = presentedPlayer();
    ASSERT_TRUE(player);
    EXPECT_EQ(player->fileName(), "canon");

    // The list read again while the player was open still selects the song played.
    home.writeIndex(R"({"FileInfo": [
        {"fileName": "New", "path": "new.csv"},
        {"fileName": "Ode to Joy", "path": "song1.csv"},
        {"fileName": "Canon in D", "path": "canon.csv"}]})");
    screen->loadSongIndex(false);
    player->keyPressed(ui::Key::Escape);
    advance(1);
    ASSERT_EQ(window().frontViewController(), screen);
    EXPECT_EQ(screen->tableview->indexPathForSelectedRow(), (ui::IndexPath { 0, 2 }));
    window().keyDown(ui::Key::Up);
    window().keyDown(ui::Key::Up);
    window().keyDown(ui::Key::Up);
    EXPECT_EQ(screen->tableview->indexPathForSelectedRow(), (ui::IndexPath { 0, 0 })) << "no row before the first";
}
