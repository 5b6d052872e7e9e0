// The player screen's set-up: lists, strip size, cursor, circles, fixed views, empty songs.
#include "PlayerFixture.h"

#include "platform/core/Timer.h"
#include "platform/ui/Button.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Slider.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"
#include "player/Tempo.h"
#include "score/Columns.h"

namespace player::test {
namespace {

namespace column = score::column;

std::vector<std::string> texts(const std::vector<score::ScoreRow>& rows, std::string_view key)
{
    std::vector<std::string> out;
    for (const auto& row : rows)
        out.emplace_back(row.text(key));
    return out;
}

class ViewControllerTest : public PlayerFixture { };

TEST_F(ViewControllerTest, BeatListTakesExactly41RowsSortedByBarKeepingFileOrderWithinABar)
{
    // Beats tagged by tempo so the order is visible; bar 1's beats come first in the file.
    auto beat = [](int bar, int number, const char* tempo) { return beatLine(bar, number, 2, tempo, 100 * number, 100); };
    Line plus41 = beat(0, 1, "901");
    plus41["channel"] = "+41";
    Line zero41 = beat(0, 1, "902");
    zero41["channel"] = "041";
    Line float41 = beat(0, 1, "903");
    float41["channel"] = "41.0";
    writeSong("order", { beat(1, 1, "11"), beat(0, 2, "2"), beat(1, 2, "12"), plus41, beat(0, 1, "1"), zero41, float41 });

    auto player = open("order");
    // Sorted by bar, stable: bar 0 holds "2" then "1" in file order, bar 1 "11" then "12".
    std::vector<std::string> expected = { "2", "1", "11", "12" };
    EXPECT_EQ(texts(player->shadowArray(), column::tempo), expected);
}

TEST_F(ViewControllerTest, BarListIsSortedStablyAndSizesTheStrip)
{
    Line first = barLine(1, 4, 2048);
    first["Content"] = "b";
    Line second = barLine(0, 4, 2049);
    second["Content"] = "a";
    Line third = barLine(1, 4, 0);
    third["Content"] = "c";
    Line notABar = barLine(0, 4, 5000);
    notABar["channel"] = "042";
    writeSong("bars", { first, second, third, notABar });

    auto player = open("bars");
    EXPECT_EQ(texts(player->displayArray(), column::content), (std::vector<std::string> { "a", "b", "c" }));
    // The whole lengths added up, not halved.
    EXPECT_EQ(player->scrollView()->contentSize(), (ui::Size { 4097, 736 }));
    EXPECT_EQ(player->maxPage(), 3);
    EXPECT_EQ(player->page(), 1);
    EXPECT_EQ(player->startPage(), 1);
}

TEST_F(ViewControllerTest, StartsAtTheFirstBeatWithTheClockStopped)
{
    writeSong("start", regularSong(3, 4));
    auto player = open("start");
    EXPECT_EQ(player->index(), 0);
    EXPECT_EQ(player->page(), 1);
    EXPECT_EQ(player->startPage(), 1);
    EXPECT_EQ(player->shaderIndex(), 1);
    EXPECT_EQ(player->maxPage(), 3);
    EXPECT_EQ(player->global_factor(), 0);
    EXPECT_EQ(player->circleIndex(), 0);
    EXPECT_FLOAT_EQ(player->timerFactor(), 1.0f);
    EXPECT_FLOAT_EQ(player->movedLength(), 0.0f);
    ASSERT_TRUE(player->timer());
    EXPECT_FALSE(player->timer()->isValid());
    player->timer()->invalidate();
    EXPECT_FALSE(player->circletimer());
    EXPECT_EQ(core::RunLoop::main().pendingTimerCount(), 0u);
    EXPECT_EQ(player->shadowArray().size(), 12u);
    EXPECT_EQ(player->displayArray().size(), 3u);
    EXPECT_TRUE(player->canPlay());
}

TEST_F(ViewControllerTest, SavedBeatListReplacesTheFilesBeats)
{
    writeSong("saved", regularSong(2, 2, "100"));
    std::vector<Line> saved;
    // Stored out of bar order: set-up sorts it.
    for (int bar : { 1, 0 })
        for (int beat = 1; beat <= 2; ++beat)
            saved.push_back(beatLine(bar, beat, 2, std::to_string(50 + bar * 10 + beat), 1000 + beat, 300));
    saveBeatList("saved", saved);

    auto player = open("saved");
    EXPECT_EQ(texts(player->shadowArray(), column::tempo), (std::vector<std::string> { "51", "52", "61", "62" }));
    // The cursor follows the saved list's geometry: col 1001 -> 500, length 300 -> 150.
    EXPECT_EQ(player->rightShader()->frame().x(), 650);
    // Labels take the saved list's tempo by key position, read before the sort.
    auto label = std::dynamic_pointer_cast<Tempo>(player->view()->viewWithTag(player->tagScheme().labelTag(1)));
    ASSERT_TRUE(label);
    EXPECT_EQ(label->text(), "61");
    label = std::dynamic_pointer_cast<Tempo>(player->view()->viewWithTag(player->tagScheme().labelTag(4)));
    ASSERT_TRUE(label);
    EXPECT_EQ(label->text(), "52");
}

TEST_F(ViewControllerTest, SavedBeatListThatDoesNotFitFallsBackToTheFile)
{
    writeSong("short", regularSong(2, 2, "100"));
    saveBeatList("short", { beatLine(0, 1, 2, "40", 0, 100) });

    auto player = open("short");
    ASSERT_EQ(player->shadowArray().size(), 4u);
    EXPECT_EQ(texts(player->shadowArray(), column::tempo), (std::vector<std::string>(4, "100")));
    for (size_t p = 0; p < player->tempoEditor().beatCount(); ++p)
        EXPECT_EQ(player->tempoEditor().tempoText(p), "100");
    EXPECT_TRUE(logged("Saved beat list of short"));
}

TEST_F(ViewControllerTest, CursorSitsOnTheFirstBeat)
{
    Line first = beatLine(0, 1, 1, "100", 301, 99);
    writeSong("cursor", { barLine(0, 1, 99), first });
    auto player = open("cursor");

    EXPECT_EQ(player->rightShader()->frame(), ui::RectMake(199, 0, 1024, 784));
    EXPECT_EQ(player->leftShader()->frame(), ui::RectMake(-874, 0, 1024, 784));
    EXPECT_EQ(player->upShader()->frame(), ui::RectMake(150, 125, 49, 40));
    EXPECT_EQ(player->finalshader()->frame(), ui::RectMake(150, 165, 49, 40));
    EXPECT_EQ(player->downShader()->frame(), ui::RectMake(150, 200, 49, 40));
    for (const auto& shader : { player->leftShader(), player->rightShader(), player->upShader(), player->downShader(), player->finalshader() }) {
        EXPECT_FALSE(shader->isHidden());
        EXPECT_EQ(shader->superview(), player->view());
    }
}

// Before play no circle stands at an arbitrary place: they lie over the first beat, and a fast
// first beat (tempo 60 or more) shows none of them, as every later fast beat does.
TEST_F(ViewControllerTest, CirclesAreCreatedInOrderOverTheFirstBeatHiddenWhenItIsFast)
{
    writeSong("fast", regularSong(1, 4, "60"));
    auto player = open("fast");
    ASSERT_EQ(player->circlesArray().size(), 4u);
    const ui::Color colours[] = { ui::Color::red(), ui::Color::blue(), ui::Color::green(), ui::Color::blue() };
    // The first beat: col 160 and length 200 give x 80 and quarters of 25 points.
    EXPECT_EQ(player->upShader()->frame().x(), 80);
    for (size_t i = 0; i < 4; ++i) {
        const auto& circle = player->circlesArray()[i];
        EXPECT_EQ(circle->backgroundColor(), colours[i]) << i;
        EXPECT_EQ(circle->frame(), ui::RectMake(80 + 6.5 + 25.0 * double(i), 182, 12, 12)) << i;
        EXPECT_EQ(circle->layer().cornerRadius(), 6.0);
        EXPECT_EQ(circle->alpha(), 1.0);
        EXPECT_EQ(circle->superview(), player->view());
        EXPECT_FALSE(circle->isUserInteractionEnabled());
        EXPECT_TRUE(circle->isHidden()) << i;
        EXPECT_EQ(circle->accessibilityIdentifier(), "circle" + std::to_string(i));
    }
}

TEST_F(ViewControllerTest, SlowFirstBeatLaysTheCirclesAcrossIt)
{
    // Tempo 40, length 200: quarters of 25 points centred in the beat.
    Line first = beatLine(0, 1, 1, "40", 400, 200);
    writeSong("slow", { barLine(0, 1, 200), first });
    auto player = open("slow");
    double left = player->upShader()->frame().x();
    EXPECT_EQ(left, 200);
    const double offsets[] = { 6.5, 31.5, 56.5, 81.5 };
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(player->circlesArray()[i]->frame(), ui::RectMake(left + offsets[i], 182, 12, 12)) << i;
    EXPECT_FALSE(player->circlesArray()[0]->isHidden());
    EXPECT_TRUE(player->circlesArray()[1]->isHidden());

    // 59.9 reads as 59: still slow.
    Line almost = beatLine(0, 1, 1, "59.9", 400, 200);
    writeSong("almost", { barLine(0, 1, 200), almost });
    EXPECT_EQ(open("almost")->circlesArray()[3]->frame().y(), 182);
}

TEST_F(ViewControllerTest, FixedViewsCarryTheirIdentifiers)
{
    writeSong("ids", regularSong(1, 2));
    auto player = open("ids");
    auto root = player->view();
    for (const char* id : { "back", "play", "pause", "next", "previous", "repeat_SC", "start_TF", "end_TF", "opacity", "save",
             "increase", "decrease", "scrollView", "keyView", "leftShader", "rightShader", "upShader", "downShader",
             "finalshader", "circle0", "circle1", "circle2", "circle3" })
        EXPECT_TRUE(root->viewWithAccessibilityIdentifier(id)) << id;
    EXPECT_EQ(root->viewWithAccessibilityIdentifier("scrollView"), player->scrollView());
    EXPECT_EQ(root->viewWithAccessibilityIdentifier("repeat_SC"), player->repeat_SC());
    EXPECT_EQ(root->viewWithAccessibilityIdentifier("start_TF"), player->start_TF());
    EXPECT_EQ(player->scrollView()->frame().origin, (ui::Point { 0, 0 }));
    EXPECT_EQ(player->repeat_SC()->selectedSegmentIndex(), 0);
}

// Everything the user touches must be reachable: the toolbar above the dimming panels, and a
// beat under a panel through it.
TEST_F(ViewControllerTest, TouchesPassThroughTheCursorToBeatsAndReachTheToolbar)
{
    writeSong("touch", regularSong(2, 4));
    auto window = ui::Window::create();
    auto player = ViewController::create();
    player->setMode(3, "touch");
    window->setRootViewController(player);
    window->layoutIfNeeded();

    // Beat 3 (key 3): col 560 -> x 280, rise_fall 60 -> y 30, 30 high; under the right panel.
    auto beat = player->view()->viewWithTag(player->tagScheme().beatButtonTag(3));
    ASSERT_TRUE(beat);
    ui::Point onBeat = beat->windowFrame().center();
    ASSERT_TRUE(player->rightShader()->windowFrame().contains(onBeat));
    EXPECT_EQ(window->hitTest(onBeat), beat.get());

    // The circle shown at set-up does not catch touches either.
    ui::Point onCircle = player->circlesArray()[0]->windowFrame().center();
    EXPECT_NE(window->hitTest(onCircle), player->circlesArray()[0].get());

}

TEST_F(ViewControllerTest, ToolbarStaysAboveTheDimmingPanels)
{
    // The only beat is at x 1000: the left panel covers the whole toolbar.
    writeSong("far", { barLine(0, 1, 20), beatLine(0, 1, 1, "100", 2000, 20) });
    auto window = ui::Window::create();
    auto player = ViewController::create();
    player->setMode(3, "far");
    window->setRootViewController(player);
    window->layoutIfNeeded();
    for (const char* id : { "back", "previous", "play", "pause", "next", "repeat_SC", "start_TF", "end_TF", "opacity", "decrease",
             "increase", "save" }) {
        auto control = player->view()->viewWithAccessibilityIdentifier(id);
        ASSERT_TRUE(control) << id;
        ui::Point centre = control->windowFrame().center();
        ASSERT_TRUE(player->leftShader()->windowFrame().contains(centre)) << id;
        EXPECT_EQ(window->hitTest(centre), control.get()) << id;
    }
}

TEST_F(ViewControllerTest, StripScrollsOnlySideways)
{
    writeSong("wide", regularSong(6, 4));
    auto window = ui::Window::create();
    auto player = ViewController::create();
    player->setMode(3, "wide");
    window->setRootViewController(player);
    window->layoutIfNeeded();
    ASSERT_GT(player->scrollView()->contentSize().width, ui::Window::kWidth);
    // A plain wheel turn over the strip moves it along the song, never up or down.
    window->wheel({ 500, 600 }, 0, 120);
    EXPECT_EQ(player->scrollView()->contentOffset().y, 0);
    EXPECT_GT(player->scrollView()->contentOffset().x, 0);
    EXPECT_EQ(player->scrollView()->maximumContentOffset().y, 0);
}

TEST_F(ViewControllerTest, OpacitySliderDimsOnlyThePanels)
{
    writeSong("shade", regularSong(1, 2));
    auto window = ui::Window::create();
    auto player = ViewController::create();
    player->setMode(3, "shade");
    window->setRootViewController(player);
    window->layoutIfNeeded();
    double bandAlpha = player->upShader()->alpha();
    EXPECT_DOUBLE_EQ(player->leftShader()->alpha(), ViewController::kInitialOpacity);

    auto slider = player->view()->viewWithAccessibilityIdentifier("opacity");
    ui::Rect frame = slider->windowFrame();
    window->touchDown({ frame.minX() + 2, frame.midY() });
    window->touchUp({ frame.minX() + 2, frame.midY() });
    EXPECT_LT(player->leftShader()->alpha(), 0.1);
    EXPECT_DOUBLE_EQ(player->rightShader()->alpha(), player->leftShader()->alpha());
    EXPECT_EQ(player->upShader()->alpha(), bandAlpha);

    // A value of 0 makes both panels fully transparent.
    auto* control = dynamic_cast<ui::Slider*>(slider.get());
    ASSERT_TRUE(control);
    control->setValue(0);
    player->changeOpacity(control);
    EXPECT_EQ(player->leftShader()->alpha(), 0.0);
    EXPECT_EQ(player->rightShader()->alpha(), 0.0);
    EXPECT_EQ(player->upShader()->alpha(), bandAlpha);
}

TEST_F(ViewControllerTest, BackDismissesThePlayer)
{
    writeSong("back", regularSong(1, 2));
    auto window = ui::Window::create();
    auto library = ui::ViewController::create();
    window->setRootViewController(library);
    auto player = ViewController::create();
    player->setMode(1, "back");
    library->presentViewController(player, ui::Animated::No);
    ASSERT_EQ(window->frontViewController(), player);

    auto back = player->view()->viewWithAccessibilityIdentifier("back");
    ASSERT_TRUE(back);
    ui::Point centre = back->windowFrame().center();
    window->touchDown(centre);
    window->touchUp(centre);
    core::RunLoop::main().runFor(1.0);
    EXPECT_EQ(window->frontViewController(), library);
    EXPECT_FALSE(library->presentedViewController());
    EXPECT_EQ(core::RunLoop::main().pendingTimerCount(), 0u);
}

TEST_F(ViewControllerTest, UnreadableSongOpensEmptyAndCanStillGoBack)
{
    auto window = ui::Window::create();
    auto library = ui::ViewController::create();
    window->setRootViewController(library);
    auto player = ViewController::create();
    player->setMode(2, "missing");
    library->presentViewController(player, ui::Animated::No);

    EXPECT_TRUE(player->shadowArray().empty());
    EXPECT_TRUE(player->displayArray().empty());
    EXPECT_EQ(player->scrollView()->contentSize(), (ui::Size { 0, 736 }));
    EXPECT_EQ(player->maxPage(), 0);
    EXPECT_EQ(player->page(), 1);
    EXPECT_FALSE(player->canPlay());
    EXPECT_TRUE(player->leftShader()->isHidden());
    EXPECT_TRUE(player->finalshader()->isHidden());
    for (const auto& circle : player->circlesArray())
        EXPECT_TRUE(circle->isHidden());
    EXPECT_EQ(m_log.size(), 1u);
    EXPECT_TRUE(logged("Cannot read the song file"));

    player->keyPressed(ui::Key::Escape);
    core::RunLoop::main().runFor(1.0);
    EXPECT_EQ(window->frontViewController(), library);
}

TEST_F(ViewControllerTest, UnreadableSongKeepsItsSavedBeatsButShowsNoCursor)
{
    // The saved list of a song whose file has gone: it is still the beat list, but there is no
    // score to put a cursor on and nothing to play.
    saveBeatList("gone", { beatLine(0, 1, 1, "40", 300, 100) });
    auto player = open("gone");
    ASSERT_EQ(player->shadowArray().size(), 1u);
    EXPECT_FALSE(player->canPlay());
    for (const auto& shader : { player->leftShader(), player->rightShader(), player->upShader(), player->downShader(), player->finalshader() })
        EXPECT_TRUE(shader->isHidden());
    for (const auto& circle : player->circlesArray())
        EXPECT_TRUE(circle->isHidden());
    EXPECT_TRUE(logged("Cannot read the song file"));
}

TEST_F(ViewControllerTest, SongWithoutBeatsShowsItsRowsWithoutACursor)
{
    Line block = { { "channel", "0" }, { "ipad_col(107)", "200" }, { "ipad_rows", "100" }, { "length(109)", "60" }, { "height(110)", "20" } };
    writeSong("nobeats", { barLine(0, 4, 800), block });
    auto player = open("nobeats");
    EXPECT_TRUE(player->shadowArray().empty());
    EXPECT_EQ(player->displayArray().size(), 1u);
    EXPECT_FALSE(player->canPlay());
    EXPECT_EQ(player->scrollView()->subviews().size(), 2u);
    EXPECT_TRUE(player->rightShader()->isHidden());
    EXPECT_EQ(m_log.size(), 1u);
    EXPECT_TRUE(logged("has no beats"));
}

TEST_F(ViewControllerTest, StoryboardMakesThePlayerAsMain)
{
    ui::Storyboard::reset();
    registerPlayerScreen();
    auto screen = ui::Storyboard::instantiateViewControllerWithIdentifier("Main");
    auto player = std::dynamic_pointer_cast<ViewController>(screen);
    ASSERT_TRUE(player);
    EXPECT_NE(ui::Storyboard::instantiateViewControllerWithIdentifier("Main"), screen) << "a fresh screen each time";
    ui::Storyboard::reset();
}

TEST_F(ViewControllerTest, ReturnKeyEndsBarFieldEditing)
{
    writeSong("fields", regularSong(1, 2));
    auto window = ui::Window::create();
    auto player = ViewController::create();
    player->setMode(3, "fields");
    window->setRootViewController(player);
    ASSERT_TRUE(player->start_TF()->becomeFirstResponder());
    window->textInput("2");
    window->keyDown(ui::Key::Return);
    EXPECT_EQ(player->start_TF()->text(), "2");
    EXPECT_FALSE(player->start_TF()->isFirstResponder());
}

}
}
