// The practice tools of the player screen: speed, trainer, overview jumps, the position readout,
// the loop band, practice state kept per song, the keys, the help and leaving with unsaved tempi.
#include "PlayerFixture.h"

#include "platform/core/Timer.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Slider.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"
#include "player/Overview.h"
#include "player/PracticeSettings.h"
#include "score/Columns.h"

namespace player::test {
namespace {

namespace column = score::column;

class PracticeTest : public PlayerFixture {
protected:
    // The player presented over a stand-in library in a window, so touches, keys, alerts and
    // leaving work as in the app.
    std::shared_ptr<ViewController> present(const std::string& name)
    {
        m_window = ui::Window::create();
        m_library = ui::ViewController::create();
        m_window->setRootViewController(m_library);
        auto player = ViewController::create();
        player->setMode(3, name);
        m_library->presentViewController(player, ui::Animated::No);
        m_window->layoutIfNeeded();
        return player;
    }

    core::RunLoop& loop() { return core::RunLoop::main(); }

    std::shared_ptr<ui::View> find(ViewController& player, const std::string& identifier)
    {
        auto view = player.view()->viewWithAccessibilityIdentifier(identifier);
        EXPECT_TRUE(view) << "no view " << identifier;
        return view;
    }

    std::string text(ViewController& player, const std::string& identifier)
    {
        auto label = std::dynamic_pointer_cast<ui::Label>(find(player, identifier));
        return label ? label->text() : std::string("<no label>");
    }

    void tapAt(ui::Point point)
    {
        m_window->touchDown(point);
        m_window->touchUp(point);
    }

    void tap(const std::shared_ptr<ui::View>& view)
    {
        ASSERT_TRUE(view);
        ui::Point centre = view->windowFrame().center();
        ASSERT_EQ(m_window->hitTest(centre), view.get()) << "something covers " << view->accessibilityIdentifier();
        tapAt(centre);
    }

    // The window point over the middle of bar `bar` on the overview.
    ui::Point overviewPoint(ViewController& player, int32_t bar)
    {
        const auto& overview = *player.practicePanel().overview();
        double width = overview.bounds().width() - 2 * Overview::kInset;
        double x = Overview::kInset + width * (double(bar) - 0.5) / double(overview.bars());
        return overview.convertPoint({ x, overview.bounds().height() / 2 }, nullptr);
    }

    static void setRange(ViewController& player, int32_t start, int32_t end)
    {
        player.start_TF()->setText(std::to_string(start));
        player.end_TF()->setText(std::to_string(end));
        player.repeat_SC()->setSelectedSegmentIndex(1);
        player.repeatControlChanged(player.repeat_SC().get());
    }

    std::shared_ptr<ui::Window> m_window;
    std::shared_ptr<ui::ViewController> m_library;
};

TEST_F(PracticeTest, HalfSpeedMakesA120BeatLastOneSecondAndKeepsTheWrittenTempi)
{
    writeSong("half", regularSong(2, 2, "120"));
    auto player = present("half");
    EXPECT_EQ(player->speed(), 100);
    EXPECT_EQ(text(*player, "speedLabel"), "100 %");
    for (int i = 0; i < 10; ++i)
        player->keyPressed(ui::Key::BracketLeft);
    EXPECT_EQ(player->speed(), 50);
    EXPECT_EQ(text(*player, "speedLabel"), "50 %");
    EXPECT_FLOAT_EQ(player->practicePanel().speedSlider()->value(), 50.0f);

    player->play(nullptr);
    EXPECT_DOUBLE_EQ(player->timer()->fireDate(), 101.0);
    loop().runUntil(101.0);
    EXPECT_EQ(player->shaderIndex(), 2);
    // The next beat's deadline counts from the first one's, a whole second on.
    EXPECT_DOUBLE_EQ(player->timer()->fireDate(), 102.0);
    player->pause(nullptr);

    // What the labels show, what the beat list holds and what Save stores stay at 120.
    EXPECT_EQ(player->tempoEditor().tempoText(0), "120");
    EXPECT_EQ(player->shadowArray()[0].text(column::tempo), "120");
    EXPECT_FALSE(player->hasUnsavedTempi());
    player->saveChanges(nullptr);
    score::SavedBeatList::waitForPendingSaves();
    auto saved = score::SavedBeatList::load("half", 4);
    ASSERT_TRUE(saved);
    for (const auto& beat : *saved)
        EXPECT_EQ(beat.text(column::tempo), "120");
}

TEST_F(PracticeTest, SpeedStaysWithin25And200PercentAndFollowsTheSlider)
{
    writeSong("range", regularSong(1, 2, "120"));
    auto player = present("range");
    for (int i = 0; i < 30; ++i)
        player->keyPressed(ui::Key::BracketRight);
    EXPECT_EQ(player->speed(), 200);
    for (int i = 0; i < 60; ++i)
        player->keyPressed(ui::Key::BracketLeft);
    EXPECT_EQ(player->speed(), 25);

    auto slider = player->practicePanel().speedSlider();
    slider->setValue(70.4f);
    slider->sendActionsForControlEvents(ui::ControlEvent::ValueChanged);
    EXPECT_EQ(player->speed(), 70);
    EXPECT_EQ(text(*player, "speedLabel"), "70 %");
    player->play(nullptr);
    EXPECT_NEAR(player->timer()->fireDate() - 100.0, 0.5 / 0.7, 1e-5);
}

TEST_F(PracticeTest, TrainerRaisesTheSpeedAfterEachCompletedPassAndStopsAtTheTarget)
{
    writeSong("trainer", regularSong(6, 2, "120"));
    auto player = present("trainer");
    setRange(*player, 3, 4);
    auto field = [&](const char* id) { return std::dynamic_pointer_cast<ui::TextField>(find(*player, id)); };
    EXPECT_EQ(field("trainerStart")->text(), "70");
    EXPECT_EQ(field("trainerStep")->text(), "5");
    EXPECT_EQ(field("trainerTarget")->text(), "100");
    field("trainerTarget")->setText("82");
    player->togglePractice(nullptr);
    tap(find(*player, "trainer"));
    EXPECT_TRUE(player->practicePanel().trainerOn());
    EXPECT_EQ(player->speed(), 70);

    // One pass is 4 beats of bars 3 and 4; the speed rises as the pass wraps to bar 3.
    player->play(nullptr);
    std::vector<int32_t> speeds;
    std::vector<std::string> labels;
    for (int pass = 0; pass < 4; ++pass) {
        for (int beat = 0; beat < 4; ++beat)
            player->next(player->timer().get());
        EXPECT_EQ(player->page(), 3);
        speeds.push_back(player->speed());
        labels.push_back(text(*player, "speedLabel"));
    }
    EXPECT_EQ(speeds, (std::vector<int32_t> { 75, 80, 82, 82 }));
    EXPECT_EQ(labels, (std::vector<std::string> { "75 %", "80 %", "82 %", "82 %" }));
    EXPECT_FLOAT_EQ(player->practicePanel().speedSlider()->value(), 82.0f);
    player->pause(nullptr);
}

TEST_F(PracticeTest, TrainerWaitsForARepeatedRange)
{
    writeSong("whole", regularSong(2, 2, "120"));
    auto player = present("whole");
    player->practicePanel().setTrainerOn(true);
    EXPECT_EQ(player->speed(), 70);
    player->play(nullptr);
    // Twice through the whole song: no bars repeat, so no pass counts.
    for (int beat = 0; beat < 8; ++beat)
        player->next(player->timer().get());
    EXPECT_EQ(player->speed(), 70);
    player->pause(nullptr);
}

TEST_F(PracticeTest, OverviewTapWhilePlayingContinuesFromThatBarOnTheBeatDeadlines)
{
    writeSong("jump", regularSong(8, 4, "120"));
    auto player = present("jump");
    player->keyPressed(ui::Key::P);
    ASSERT_TRUE(player->practicePanel().isOpen());
    player->play(nullptr);
    loop().runUntil(100.6);
    EXPECT_EQ(text(*player, "position"), "Bar 1 / 8 \xC2\xB7 Beat 2");
    EXPECT_DOUBLE_EQ(player->timer()->fireDate(), 101.0);

    loop().runUntil(100.7);
    tapAt(overviewPoint(*player, 5));
    EXPECT_EQ(player->page(), 5);
    EXPECT_EQ(player->index(), 16);
    EXPECT_EQ(text(*player, "position"), "Bar 5 / 8 \xC2\xB7 Beat 1");
    EXPECT_EQ(player->practicePanel().overview()->cursor(), 5);
    // The bar jumped to is at the left edge, the cursor on its first beat.
    EXPECT_DOUBLE_EQ(player->scrollView()->contentOffset().x, 1600.0);
    EXPECT_EQ(player->leftShader()->frame().maxX(), 80.0);
    // The beat already due stays due.
    EXPECT_DOUBLE_EQ(player->timer()->fireDate(), 101.0);

    loop().runUntil(101.0);
    EXPECT_EQ(text(*player, "position"), "Bar 5 / 8 \xC2\xB7 Beat 2");
    EXPECT_DOUBLE_EQ(player->timer()->fireDate(), 101.5);
    loop().runUntil(102.0);
    EXPECT_EQ(text(*player, "position"), "Bar 5 / 8 \xC2\xB7 Beat 4");
    player->pause(nullptr);
}

TEST_F(PracticeTest, OverviewTapWhilePausedMovesTheCursorOnly)
{
    writeSong("still", regularSong(8, 4, "120"));
    auto player = present("still");
    player->togglePractice(nullptr);
    tapAt(overviewPoint(*player, 7));
    EXPECT_EQ(player->page(), 7);
    EXPECT_EQ(text(*player, "position"), "Bar 7 / 8 \xC2\xB7 Beat 1");
    EXPECT_FALSE(player->timer()->isValid());
}

TEST_F(PracticeTest, PositionFollowsStepsAPageTurnAndALoopJump)
{
    // Bars of 4 beats 200 points wide each: the page turns as bar 5 would reach past 940.
    writeSong("pos", regularSong(10, 4));
    auto player = present("pos");
    EXPECT_EQ(text(*player, "position"), "Bar 1 / 10 \xC2\xB7 Beat 1");
    double offsetBefore = player->scrollView()->contentOffset().x;
    std::vector<std::string> seen;
    for (int beat = 0; beat < 20; ++beat) {
        player->next(nullptr);
        seen.push_back(text(*player, "position"));
    }
    EXPECT_EQ(seen[2], "Bar 1 / 10 \xC2\xB7 Beat 4");
    EXPECT_EQ(seen[3], "Bar 2 / 10 \xC2\xB7 Beat 1");
    EXPECT_EQ(seen[19], "Bar 6 / 10 \xC2\xB7 Beat 1");
    EXPECT_GT(player->scrollView()->contentOffset().x, offsetBefore) << "the page has turned";

    setRange(*player, 2, 3);
    EXPECT_EQ(text(*player, "position"), "Bar 2 / 10 \xC2\xB7 Beat 1");
    for (int beat = 0; beat < 7; ++beat)
        player->next(nullptr);
    EXPECT_EQ(text(*player, "position"), "Bar 3 / 10 \xC2\xB7 Beat 4");
    player->next(nullptr);
    EXPECT_EQ(text(*player, "position"), "Bar 2 / 10 \xC2\xB7 Beat 1");
    player->keyPressed(ui::Key::Left);
    EXPECT_EQ(text(*player, "position"), "Bar 1 / 10 \xC2\xB7 Beat 1");
}

TEST_F(PracticeTest, HomeAndPageKeysJumpToFirstBeats)
{
    writeSong("keys", regularSong(5, 3));
    auto player = present("keys");
    player->keyPressed(ui::Key::PageDown);
    player->keyPressed(ui::Key::PageDown);
    EXPECT_EQ(player->page(), 3);
    EXPECT_EQ(player->index(), 6);
    player->next(nullptr);
    player->keyPressed(ui::Key::PageUp);
    EXPECT_EQ(player->page(), 2);
    EXPECT_EQ(player->shaderIndex(), 1);
    EXPECT_EQ(player->index(), 3);
    player->keyPressed(ui::Key::PageDown);
    player->keyPressed(ui::Key::PageDown);
    player->keyPressed(ui::Key::PageDown);
    player->keyPressed(ui::Key::PageDown);
    EXPECT_EQ(player->page(), 5) << "no bar after the last";
    player->keyPressed(ui::Key::Home);
    EXPECT_EQ(player->page(), 1);
    EXPECT_EQ(player->index(), 0);
    player->keyPressed(ui::Key::PageUp);
    EXPECT_EQ(player->page(), 1);
    EXPECT_EQ(text(*player, "position"), "Bar 1 / 5 \xC2\xB7 Beat 1");
}

TEST_F(PracticeTest, ToolbarShowsWhichOfPlayAndPauseIsActive)
{
    writeSong("transport", regularSong(2, 2));
    auto player = present("transport");
    auto play = std::dynamic_pointer_cast<ui::Button>(find(*player, "play"));
    auto pause = std::dynamic_pointer_cast<ui::Button>(find(*player, "pause"));
    EXPECT_FALSE(play->isSelected());
    EXPECT_TRUE(pause->isSelected());
    player->keyPressed(ui::Key::Space);
    EXPECT_TRUE(play->isSelected());
    EXPECT_FALSE(pause->isSelected());
    EXPECT_NE(play->backgroundColor(), pause->backgroundColor());
    player->keyPressed(ui::Key::Space);
    EXPECT_FALSE(play->isSelected());
    EXPECT_TRUE(pause->isSelected());
}

TEST_F(PracticeTest, PanelIsClosedUntilAskedForAndTogglesWithItsButtonAndP)
{
    writeSong("panel", regularSong(2, 2));
    auto player = present("panel");
    auto panel = find(*player, "practicePanel");
    EXPECT_TRUE(panel->isHidden());
    tap(find(*player, "practice"));
    EXPECT_FALSE(panel->isHidden());
    for (const char* id : { "position", "overview", "speed", "speedLabel", "trainer", "soundControls" })
        EXPECT_TRUE(find(*player, id)->isDescendantOfView(panel.get())) << id;
    // The panel sits on the toolbar.
    EXPECT_EQ(panel->frame().maxY(), ui::Window::kHeight - ViewController::kToolbarHeight);
    player->keyPressed(ui::Key::P);
    EXPECT_TRUE(panel->isHidden());
}

TEST_F(PracticeTest, LoopBandCoversTheRepeatedBarsBehindTheNotes)
{
    writeSong("band", regularSong(6, 2));
    auto player = present("band");
    EXPECT_FALSE(player->loopBand());
    setRange(*player, 3, 5);
    auto band = player->loopBand();
    ASSERT_TRUE(band);
    EXPECT_FALSE(band->isHidden());
    EXPECT_EQ(band->accessibilityIdentifier(), "loopBand");
    // Bars are 400 units, 200 points wide: bars 3 to 5 span 400 to 1000.
    EXPECT_EQ(band->frame(), ui::RectMake(400, 0, 600, ViewController::kContentHeight));
    EXPECT_EQ(player->scrollView()->subviews().front(), band) << "behind every note";
    EXPECT_LT(band->backgroundColor()->a, 0.5);
    EXPECT_EQ(player->practicePanel().overview()->loopStart(), 3);
    EXPECT_EQ(player->practicePanel().overview()->loopEnd(), 5);

    // A refused range leaves the band as it was, with the alert as ever.
    player->start_TF()->setText("4");
    player->end_TF()->setText("4");
    player->repeat_SC()->setSelectedSegmentIndex(1);
    player->repeatControlChanged(player->repeat_SC().get());
    auto alert = m_window->currentAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->message(), "Starting bar cannot be same as ending bar");
    alert->dismissWithClickedButtonIndex(0);
    EXPECT_FALSE(band->isHidden());

    player->repeat_SC()->setSelectedSegmentIndex(0);
    player->repeatControlChanged(player->repeat_SC().get());
    EXPECT_TRUE(band->isHidden());
    EXPECT_EQ(player->practicePanel().overview()->loopStart(), 0);
}

TEST_F(PracticeTest, LoopShadeAndSpeedComeBackWhenTheSongOpensAgain)
{
    writeSong("kept", regularSong(6, 2));
    {
        auto player = present("kept");
        setRange(*player, 3, 5);
        auto shade = std::dynamic_pointer_cast<ui::Slider>(find(*player, "opacity"));
        shade->setValue(0.8f);
        shade->sendActionsForControlEvents(ui::ControlEvent::ValueChanged);
        player->practicePanel().setSpeed(70);
        player->keyPressed(ui::Key::Escape);
        loop().runFor(1.0);
        EXPECT_FALSE(m_library->presentedViewController());
    }
    // A new store on the same file, as the next start of the program reads it.
    core::UserDefaults::resetStandardUserDefaults();
    auto player = present("kept");
    EXPECT_EQ(player->repeat_SC()->selectedSegmentIndex(), 1);
    EXPECT_EQ(player->start_TF()->text(), "3");
    EXPECT_EQ(player->end_TF()->text(), "5");
    EXPECT_EQ(player->startPage(), 3);
    EXPECT_EQ(player->maxPage(), 5);
    EXPECT_EQ(player->page(), 3);
    EXPECT_EQ(text(*player, "position"), "Bar 3 / 6 \xC2\xB7 Beat 1");
    ASSERT_TRUE(player->loopBand());
    EXPECT_FALSE(player->loopBand()->isHidden());
    EXPECT_FLOAT_EQ(std::dynamic_pointer_cast<ui::Slider>(find(*player, "opacity"))->value(), 0.8f);
    EXPECT_NEAR(player->leftShader()->alpha(), 0.8, 1e-6);
    EXPECT_EQ(player->speed(), 70);
    EXPECT_EQ(text(*player, "speedLabel"), "70 %");
    double now = m_clock->now();
    player->play(nullptr);
    EXPECT_NEAR(player->timer()->fireDate() - now, 0.6 / 0.7, 1e-5);
    player->pause(nullptr);

    // Turned off, the range is remembered in its fields but does not repeat next time.
    player->repeat_SC()->setSelectedSegmentIndex(0);
    player->repeatControlChanged(player->repeat_SC().get());
    PracticeSettings::commit();
    core::UserDefaults::resetStandardUserDefaults();
    auto again = present("kept");
    EXPECT_EQ(again->repeat_SC()->selectedSegmentIndex(), 0);
    EXPECT_EQ(again->start_TF()->text(), "3");
    EXPECT_EQ(again->end_TF()->text(), "5");
    EXPECT_EQ(again->maxPage(), 6);
    EXPECT_TRUE(!again->loopBand() || again->loopBand()->isHidden());
}

TEST_F(PracticeTest, ChangesReachStorageOnTheNextTurnWithoutLeaving)
{
    writeSong("turn", regularSong(4, 2));
    auto player = present("turn");
    std::string path = core::UserDefaults::standardUserDefaults()->path();
    auto stored = [&](const char* what) { return core::UserDefaults::open(path)->valueForKey(PracticeSettings::key("turn", what)); };
    player->keyPressed(ui::Key::BracketRight);
    setRange(*player, 2, 3);
    EXPECT_FALSE(stored("speed")) << "not before the turn ends";
    loop().runOnce();
    auto speed = stored("speed");
    ASSERT_TRUE(speed);
    EXPECT_EQ(*speed, 105);
    auto range = stored("loop");
    ASSERT_TRUE(range);
    EXPECT_EQ(*range, (core::Json { { "start", 2 }, { "end", 3 }, { "on", true } }));
    EXPECT_EQ(m_window->frontViewController(), player);
}

TEST_F(PracticeTest, PracticeStateNeverTakesASongsKeyAndIgnoresWhatNoLongerFits)
{
    writeSong("tune", regularSong(4, 2));
    saveBeatList("tune", { beatLine(0, 1, 2, "77", 160, 200), beatLine(0, 2, 2, "77", 360, 200), beatLine(1, 1, 2, "77", 560, 200),
        beatLine(1, 2, 2, "77", 760, 200), beatLine(2, 1, 2, "77", 960, 200), beatLine(2, 2, 2, "77", 1160, 200),
        beatLine(3, 1, 2, "77", 1360, 200), beatLine(3, 2, 2, "77", 1560, 200) });
    PracticeSettings::setLoop("tune", { 2, 9, true });
    PracticeSettings::setSpeed("tune", 60);
    ASSERT_TRUE(PracticeSettings::commit());
    EXPECT_EQ(PracticeSettings::key("tune", "loop"), "practice/tune/loop");

    auto player = present("tune");
    // The saved beat list under the song's own name is untouched.
    EXPECT_EQ(player->shadowArray()[0].text(column::tempo), "77");
    // Bars 2 to 9 of a song of 4: the whole song plays, with a log line, and no alert.
    EXPECT_EQ(player->repeat_SC()->selectedSegmentIndex(), 0);
    EXPECT_EQ(player->maxPage(), 4);
    EXPECT_FALSE(m_window->currentAlert());
    EXPECT_TRUE(logged("no longer fit"));
    EXPECT_EQ(player->speed(), 60);
}

TEST_F(PracticeTest, LeavingWithUnsavedTempiAsksAndEachAnswerDoesWhatItSays)
{
    writeSong("ask", regularSong(2, 2, "100"));
    auto player = present("ask");
    player->increase(nullptr);
    EXPECT_TRUE(player->hasUnsavedTempi());

    // Cancel: still in the player, the edit kept.
    player->keyPressed(ui::Key::Escape);
    auto alert = m_window->currentAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "Unsaved tempi");
    EXPECT_EQ(alert->buttonTitles(), (std::vector<std::string> { "Save", "Discard", "Cancel" }));
    alert->dismissWithClickedButtonIndex(2);
    loop().runFor(1.0);
    EXPECT_EQ(m_window->frontViewController(), player);
    EXPECT_EQ(player->tempoEditor().tempoText(0), "101");
    EXPECT_TRUE(player->hasUnsavedTempi());

    // Discard: leaves, nothing stored.
    tap(find(*player, "back"));
    alert = m_window->currentAlert();
    ASSERT_TRUE(alert);
    alert->dismissWithClickedButtonIndex(1);
    loop().runFor(1.0);
    EXPECT_EQ(m_window->frontViewController(), m_library);
    score::SavedBeatList::waitForPendingSaves();
    EXPECT_FALSE(score::SavedBeatList::load("ask", 4));

    // Save: stores the edits, leaves and confirms over the library, which fades by itself.
    player = present("ask");
    player->decrease(nullptr);
    player->keyPressed(ui::Key::Escape);
    alert = m_window->currentAlert();
    ASSERT_TRUE(alert);
    alert->dismissWithClickedButtonIndex(0);
    score::SavedBeatList::waitForPendingSaves();
    loop().runFor(0.5);
    EXPECT_EQ(m_window->frontViewController(), m_library);
    auto saved = score::SavedBeatList::load("ask", 4);
    ASSERT_TRUE(saved);
    EXPECT_EQ((*saved)[0].text(column::tempo), "99");
    auto toast = std::dynamic_pointer_cast<ui::Label>(m_library->view()->viewWithAccessibilityIdentifier("toast"));
    ASSERT_TRUE(toast);
    EXPECT_EQ(toast->text(), "Tempi saved");
    loop().runFor(3.0);
    EXPECT_FALSE(m_library->view()->viewWithAccessibilityIdentifier("toast"));
}

TEST_F(PracticeTest, SavedTempiLeaveWithoutAskingAndSaveConfirms)
{
    writeSong("done", regularSong(2, 2, "100"));
    auto player = present("done");
    player->increase(nullptr);
    tap(find(*player, "save"));
    score::SavedBeatList::waitForPendingSaves();
    loop().runFor(0.1);
    EXPECT_FALSE(player->hasUnsavedTempi());
    auto toast = std::dynamic_pointer_cast<ui::Label>(find(*player, "toast"));
    ASSERT_TRUE(toast);
    EXPECT_EQ(toast->text(), "Tempi saved");
    player->keyPressed(ui::Key::Escape);
    EXPECT_FALSE(m_window->currentAlert());
    loop().runFor(1.0);
    EXPECT_EQ(m_window->frontViewController(), m_library);
}

TEST_F(PracticeTest, HelpOpensWithItsKeysAndButtonAndAnyKeyOrTapClosesIt)
{
    writeSong("help", regularSong(3, 2));
    auto player = present("help");
    for (auto key : { ui::Key::Question, ui::Key::F1 }) {
        player->keyPressed(key);
        ASSERT_TRUE(player->isHelpShown());
        EXPECT_TRUE(player->view()->viewWithAccessibilityIdentifier("helpOverlay"));
        // The closing key does nothing else: Space does not start playback.
        player->keyPressed(ui::Key::Space);
        EXPECT_FALSE(player->isHelpShown());
        EXPECT_FALSE(player->timer()->isValid());
    }
    tap(find(*player, "help"));
    ASSERT_TRUE(player->isHelpShown());
    tapAt({ 500, 700 });
    EXPECT_FALSE(player->isHelpShown());
    EXPECT_FALSE(player->view()->viewWithAccessibilityIdentifier("helpOverlay"));
}

}
}
