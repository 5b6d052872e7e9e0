// Tempo editing on the player screen: touches reveal a beat's controls (a long press its whole
// bar), "+" and "-" step one beat, the toolbar steps the whole song, labels are arranged per bar,
// and saving keeps the beat list in the settings store for the next visit.
#include "PlayerFixture.h"

#include "platform/core/Timer.h"
#include "platform/ui/Button.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/Window.h"
#include "player/Tempo.h"
#include "score/Columns.h"
#include "score/SavedBeatList.h"

namespace player::test {
namespace {

namespace column = score::column;

class TempoEditingTest : public PlayerFixture {
protected:
    // A shown player screen, so touches reach its controls.
    std::shared_ptr<ViewController> show(const std::string& name)
    {
        m_window = ui::Window::create();
        auto player = ViewController::create();
        player->setMode(3, name);
        m_window->setRootViewController(player);
        m_window->layoutIfNeeded();
        return player;
    }

    std::shared_ptr<ui::View> control(ViewController& player, int tag)
    {
        auto view = player.view()->viewWithTag(tag);
        EXPECT_TRUE(view) << "no view with tag " << tag;
        return view;
    }
    // A step button not shown yet has no view: its action is then sent by a stand-in carrying
    // the same tag, as a script calling the handler directly would.
    std::shared_ptr<ui::View> stepButton(ViewController& player, int tag)
    {
        if (auto view = player.view()->viewWithTag(tag))
            return view;
        auto standIn = ui::Button::create(ui::ButtonType::System, ui::RectMake(0, 0, 25, 25));
        standIn->setTag(tag);
        return standIn;
    }
    std::shared_ptr<ui::View> beatButton(ViewController& p, int key) { return control(p, p.tagScheme().beatButtonTag(key)); }
    std::shared_ptr<ui::View> plus(ViewController& p, int key) { return stepButton(p, p.tagScheme().plusTag(key)); }
    std::shared_ptr<ui::View> minus(ViewController& p, int key) { return stepButton(p, p.tagScheme().minusTag(key)); }
    std::shared_ptr<ui::View> label(ViewController& p, int key) { return control(p, p.tagScheme().labelTag(key)); }

    void tap(const std::shared_ptr<ui::View>& view)
    {
        ASSERT_TRUE(view);
        ui::Point centre = view->windowFrame().center();
        ASSERT_EQ(m_window->hitTest(centre), view.get()) << "something covers the control";
        m_window->touchDown(centre);
        m_window->touchUp(centre);
    }

    // Runs the work posted to the main queue, as the next turn of the run loop would.
    void runPosted() { core::RunLoop::main().runOnce(); }

    // Whether a view with the tag is there to be seen: a control never shown has no view at all.
    static bool visible(ViewController& player, int tag)
    {
        auto view = player.view()->viewWithTag(tag);
        return view && !view->isHidden();
    }

    // Keys whose label, "+" and "-" are all shown; fails when only some of the three are, or
    // when what the tempo editor says differs from what is on screen.
    std::vector<int> revealedKeys(ViewController& player)
    {
        std::vector<int> keys;
        const auto& tempi = player.tempoEditor();
        const auto& tags = player.tagScheme();
        for (int key = 1; key <= int(tempi.beatCount()); ++key) {
            size_t p = size_t(key) - 1;
            bool shown = tempi.plusShown(p);
            EXPECT_EQ(tempi.minusShown(p), shown) << key;
            EXPECT_EQ(visible(player, tags.plusTag(key)), shown) << key;
            EXPECT_EQ(visible(player, tags.minusTag(key)), shown) << key;
            if (shown) {
                EXPECT_TRUE(tempi.labelShown(p)) << key;
                EXPECT_TRUE(visible(player, tags.labelTag(key))) << key;
                keys.push_back(key);
            }
        }
        return keys;
    }

    // The tempo of every beat's label; a label on screen shows the same text.
    static std::vector<std::string> labelTexts(const ViewController& player)
    {
        std::vector<std::string> out;
        const auto& tempi = player.tempoEditor();
        for (size_t p = 0; p < tempi.beatCount(); ++p) {
            if (auto view = tempi.labelView(p)) {
                EXPECT_EQ(view->text(), tempi.tempoText(p)) << p;
            }
            out.push_back(tempi.tempoText(p));
        }
        return out;
    }

    static std::vector<std::string> rowTempi(const ViewController& player)
    {
        std::vector<std::string> out;
        for (const auto& row : player.shadowArray())
            out.emplace_back(row.text(column::tempo));
        return out;
    }

    static std::vector<bool> labelsHidden(ViewController& player)
    {
        std::vector<bool> out;
        const auto& tempi = player.tempoEditor();
        for (size_t p = 0; p < tempi.beatCount(); ++p) {
            EXPECT_EQ(visible(player, player.tagScheme().labelTag(int(p) + 1)), tempi.labelShown(p)) << p;
            out.push_back(!tempi.labelShown(p));
        }
        return out;
    }

    // One bar per entry of `bars`, each a list of tempo texts; beats 100 units wide.
    void writeTempi(const std::string& name, const std::vector<std::vector<std::string>>& bars)
    {
        std::vector<Line> lines;
        int position = 0;
        for (size_t bar = 0; bar < bars.size(); ++bar) {
            int beats = int(bars[bar].size());
            lines.push_back(barLine(int(bar), beats, 200 * beats));
            for (int beat = 1; beat <= beats; ++beat)
                lines.push_back(beatLine(int(bar), beat, beats, bars[bar][size_t(beat) - 1], 200 * position++ + 160, 200));
        }
        writeSong(name, lines);
    }

    std::shared_ptr<ui::Window> m_window;
};

TEST_F(TempoEditingTest, TouchOnABeatRevealsOnlyItsControls)
{
    writeSong("reveal", regularSong(2, 4, "120"));
    auto player = show("reveal");
    EXPECT_EQ(revealedKeys(*player), std::vector<int> {});
    tap(beatButton(*player, 3));
    EXPECT_EQ(revealedKeys(*player), std::vector<int> { 3 });
    // The controls stay until a save: a second beat adds its own.
    tap(beatButton(*player, 6));
    EXPECT_EQ(revealedKeys(*player), (std::vector<int> { 3, 6 }));
}

TEST_F(TempoEditingTest, PlusRaisesTheBeatAfterTheTouchHasBeenHandled)
{
    writeTempi("plus", { { "100", "120", "100", "100" } });
    auto player = show("plus");
    tap(beatButton(*player, 2));
    m_log.clear();
    tap(plus(*player, 2));
    // Deferred through the main queue: nothing has changed while the touch is being handled.
    EXPECT_EQ(player->tempoEditor().tempoText(1), "120");
    EXPECT_EQ(player->shadowArray()[1].text(column::tempo), "120");
    runPosted();
    EXPECT_EQ(labelTexts(*player), (std::vector<std::string> { "100", "121", "100", "100" }));
    EXPECT_EQ(rowTempi(*player), (std::vector<std::string> { "100", "121", "100", "100" }));
    EXPECT_EQ(m_log, std::vector<std::string> { "1" });
}

TEST_F(TempoEditingTest, PlusOnAScreenThatIsGoneIsDropped)
{
    writeTempi("gone", { { "120" } });
    auto player = ViewController::create();
    player->setMode(3, "gone");
    player->view();
    std::weak_ptr<ViewController> weak = player;
    auto button = plus(*player, 1);
    player->addTempo(button.get());
    player.reset();
    EXPECT_TRUE(weak.expired()) << "the queued step must not keep the screen alive";
    m_log.clear();
    runPosted();
    EXPECT_EQ(m_log, std::vector<std::string> {});
}

TEST_F(TempoEditingTest, MinusLowersTheBeatAndLogsWhereItsLabelIs)
{
    writeTempi("minus", { { "100", "120", "1", "100" } });
    auto player = show("minus");
    tap(beatButton(*player, 2));
    m_log.clear();
    tap(minus(*player, 2));
    // At once, not deferred.
    EXPECT_EQ(labelTexts(*player), (std::vector<std::string> { "100", "119", "1", "100" }));
    EXPECT_EQ(rowTempi(*player), (std::vector<std::string> { "100", "119", "1", "100" }));
    // Beat 2: col 360, ipad_rows 20 -> label at (180, 10) in the strip, which is not scrolled.
    EXPECT_EQ(m_log, (std::vector<std::string> { "{180, 10}", "1" }));

    // A scrolled strip moves the label in the screen's coordinates; half points print as such.
    player->scrollView()->setContentOffset({ 20.5, 0 });
    m_log.clear();
    player->subtractTempo(minus(*player, 2).get());
    EXPECT_EQ(m_log, (std::vector<std::string> { "{159.5, 10}", "1" }));
    // Every digit of the point shows, as in the platform's point text: no rounding to six.
    player->scrollView()->setContentOffset({ 0.0625, 0 });
    m_log.clear();
    player->subtractTempo(minus(*player, 2).get());
    EXPECT_EQ(m_log, (std::vector<std::string> { "{179.9375, 10}", "1" }));

    // A beat at 1 stays at 1: no change and no log line.
    tap(beatButton(*player, 3));
    m_log.clear();
    tap(minus(*player, 3));
    EXPECT_EQ(player->tempoEditor().tempoText(2), "1");
    EXPECT_EQ(player->shadowArray()[2].text(column::tempo), "1");
    EXPECT_EQ(m_log, std::vector<std::string> {});
}

TEST_F(TempoEditingTest, StepsStartFromTheWholeNumberOfTheLabel)
{
    // 72.5 steps from 72; a text without a number counts as 0: "+" makes 1 and "-" leaves it.
    writeTempi("texts", { { "72.5", "fast", "fast" } });
    auto player = show("texts");
    player->subtractTempo(minus(*player, 1).get());
    player->addTempo(plus(*player, 2).get());
    player->subtractTempo(minus(*player, 3).get());
    runPosted();
    EXPECT_EQ(labelTexts(*player), (std::vector<std::string> { "71", "1", "fast" }));
    EXPECT_EQ(rowTempi(*player), (std::vector<std::string> { "71", "1", "fast" }));
}

TEST_F(TempoEditingTest, WholeSongStepsStopAtOne)
{
    writeTempi("song", { { "1", "60" } });
    auto player = show("song");
    tap(player->view()->viewWithAccessibilityIdentifier("decrease"));
    EXPECT_EQ(player->global_factor(), -1);
    EXPECT_EQ(labelTexts(*player), (std::vector<std::string> { "1", "59" }));
    EXPECT_EQ(rowTempi(*player), (std::vector<std::string> { "1", "59" }));
    for (int i = 0; i < 70; ++i)
        player->decrease(nullptr);
    EXPECT_EQ(labelTexts(*player), (std::vector<std::string> { "1", "1" }));
    EXPECT_EQ(rowTempi(*player), (std::vector<std::string> { "1", "1" }));

    writeTempi("up", { { "60", "fast" } });
    auto other = show("up");
    tap(other->view()->viewWithAccessibilityIdentifier("increase"));
    EXPECT_EQ(other->global_factor(), 1);
    tap(other->view()->viewWithAccessibilityIdentifier("increase"));
    EXPECT_EQ(labelTexts(*other), (std::vector<std::string> { "62", "2" }));
    EXPECT_EQ(rowTempi(*other), (std::vector<std::string> { "62", "2" }));
}

TEST_F(TempoEditingTest, EditsReplaceRowsAndTheListInsteadOfChangingThem)
{
    writeTempi("copies", { { "120", "120" } });
    auto player = show("copies");
    score::ScoreRow heldRow = player->shadowArray()[0];
    std::vector<score::ScoreRow> heldList = player->shadowArray();

    player->addTempo(plus(*player, 1).get());
    runPosted();
    player->subtractTempo(minus(*player, 2).get());
    player->increase(nullptr);

    EXPECT_EQ(rowTempi(*player), (std::vector<std::string> { "122", "120" }));
    EXPECT_EQ(heldRow.text(column::tempo), "120");
    EXPECT_EQ(heldList[0].text(column::tempo), "120");
    EXPECT_EQ(heldList[1].text(column::tempo), "120");
    // Only the tempo changes: every other column of the edited row is carried over.
    auto edited = player->shadowArray()[0].toMap();
    auto original = heldRow.toMap();
    edited.erase("tempo (40)");
    original.erase("tempo (40)");
    EXPECT_EQ(edited, original);
}

TEST_F(TempoEditingTest, LongPressRevealsTheWholeBarOnEveryReportOfTheGesture)
{
    writeSong("press", regularSong(2, 4, "120"));
    struct Case {
        int key;
        std::vector<int> revealed;
    };
    for (const Case& c : { Case { 7, { 5, 6, 7, 8 } }, Case { 8, { 5, 6, 7, 8 } }, Case { 4, { 1, 2, 3, 4 } } }) {
        SCOPED_TRACE(c.key);
        auto player = show("press");
        ui::Point centre = beatButton(*player, c.key)->windowFrame().center();
        m_window->touchDown(centre);
        auto& loop = core::RunLoop::main();
        loop.runUntil(loop.now() + 0.6);
        EXPECT_EQ(revealedKeys(*player), c.revealed);

        // Moving and lifting report again, and each report reveals the bar again.
        auto someLabel = player->tempoEditor().labelView(size_t(c.revealed.back()) - 1);
        ASSERT_TRUE(someLabel);
        someLabel->setHidden(true);
        m_window->touchMoved({ centre.x + 1, centre.y });
        EXPECT_FALSE(someLabel->isHidden()) << "changed";
        someLabel->setHidden(true);
        m_window->touchUp({ centre.x + 1, centre.y });
        EXPECT_FALSE(someLabel->isHidden()) << "ended";
        EXPECT_EQ(revealedKeys(*player), c.revealed);
    }
}

TEST_F(TempoEditingTest, LongPressWithoutABarSizeRevealsNothing)
{
    Line zero = beatLine(0, 1, 0, "120", 160, 200);
    writeSong("flat", { barLine(0, 1, 200), zero });
    auto player = show("flat");
    auto button = beatButton(*player, 1);
    ASSERT_FALSE(button->gestureRecognizers().empty());
    player->userLongPressed(button->gestureRecognizers().front().get());
    EXPECT_EQ(revealedKeys(*player), std::vector<int> {});
}

TEST_F(TempoEditingTest, ArrangingShowsOneLabelPerEvenBarAndEveryLabelOfAChangedOne)
{
    writeTempi("arrange", { { "120", "120", "120" }, { "120", "121", "120" } });
    auto player = show("arrange");
    // Set-up arranged already, the last bar included.
    EXPECT_EQ(labelsHidden(*player), (std::vector<bool> { false, true, true, false, false, false }));

    // Hand-revealed labels and buttons: arranging hides labels again but never touches buttons.
    tap(beatButton(*player, 2));
    ASSERT_FALSE(label(*player, 2)->isHidden());
    player->rearrangeTempoControls();
    EXPECT_EQ(labelsHidden(*player), (std::vector<bool> { false, true, true, false, false, false }));
    EXPECT_FALSE(plus(*player, 2)->isHidden());
    EXPECT_FALSE(minus(*player, 2)->isHidden());

    // Evening out the second bar folds it to one label.
    player->subtractTempo(minus(*player, 5).get());
    player->rearrangeTempoControls();
    EXPECT_EQ(labelsHidden(*player), (std::vector<bool> { false, true, true, false, true, true }));
}

TEST_F(TempoEditingTest, SaveHidesEveryStepButtonStoresTheListAndArranges)
{
    writeSong("save", regularSong(2, 4, "120"));
    auto player = show("save");
    tap(beatButton(*player, 2));
    tap(beatButton(*player, 7));
    player->userLongPressed(beatButton(*player, 4)->gestureRecognizers().front().get());
    tap(plus(*player, 2));
    runPosted();
    ASSERT_EQ(revealedKeys(*player), (std::vector<int> { 1, 2, 3, 4, 7 }));

    std::vector<bool> results;
    player->setSaveCompletion([&](bool saved) { results.push_back(saved); });
    tap(player->view()->viewWithAccessibilityIdentifier("save"));
    EXPECT_EQ(revealedKeys(*player), std::vector<int> {});
    for (size_t p = 0; p < player->tempoEditor().beatCount(); ++p) {
        EXPECT_FALSE(player->tempoEditor().plusShown(p));
        EXPECT_FALSE(player->tempoEditor().minusShown(p));
        if (auto plusView = player->tempoEditor().plusView(p)) {
            EXPECT_TRUE(plusView->isHidden());
        }
    }
    // Bar 1 now differs inside, so it shows every label; bar 2 shows one again.
    EXPECT_EQ(labelsHidden(*player), (std::vector<bool> { false, false, false, false, false, true, true, true }));

    // The write runs on the saving thread; the result comes back on the main queue.
    score::SavedBeatList::waitForPendingSaves();
    runPosted();
    EXPECT_EQ(results, std::vector<bool> { true });
    auto stored = core::UserDefaults::standardUserDefaults()->valueForKey("save");
    ASSERT_TRUE(stored);
    ASSERT_TRUE(stored->is_array());
    ASSERT_EQ(stored->size(), 8u);
    for (size_t i = 0; i < 8; ++i)
        EXPECT_EQ(score::ScoreRow::fromMap((*stored)[i].get<std::map<std::string, std::string>>()), player->shadowArray()[i]) << i;
    EXPECT_EQ((*stored)[1]["tempo (40)"], "121");
}

TEST_F(TempoEditingTest, SavedTempiComeBackInAFreshScreenWithAFreshStore)
{
    writeSong("trip", regularSong(2, 4, "120"));
    {
        auto player = show("trip");
        tap(beatButton(*player, 2));
        tap(plus(*player, 2));
        runPosted();
        tap(beatButton(*player, 6));
        tap(minus(*player, 6));
        tap(minus(*player, 6));
        tap(player->view()->viewWithAccessibilityIdentifier("increase"));
        tap(player->view()->viewWithAccessibilityIdentifier("save"));
        // An edit after the save is lost with the visit.
        player->increase(nullptr);
        tap(player->view()->viewWithAccessibilityIdentifier("back"));
        m_window.reset();
    }
    // As after a restart: the store is read back from its file.
    core::UserDefaults::resetStandardUserDefaults();

    auto reopened = show("trip");
    std::vector<std::string> expected = { "121", "122", "121", "121", "121", "119", "121", "121" };
    EXPECT_EQ(labelTexts(*reopened), expected);
    EXPECT_EQ(rowTempi(*reopened), expected);
    // Both bars differ inside, so every label shows.
    EXPECT_EQ(labelsHidden(*reopened), (std::vector<bool> { false, false, false, false, false, false, false, false }));
    // And the clock plays the saved tempi.
    EXPECT_EQ(reopened->calculateDuration(), 60.0f / 121.0f);
    EXPECT_EQ(BeatClock::beatLength(reopened->shadowArray()[5]), 60.0f / 119.0f);
}

TEST_F(TempoEditingTest, UnsavedEditsAreLostWithTheVisit)
{
    writeSong("lost", regularSong(1, 4, "120"));
    {
        auto player = show("lost");
        player->increase(nullptr);
        m_window.reset();
    }
    core::UserDefaults::resetStandardUserDefaults();
    auto reopened = show("lost");
    EXPECT_EQ(rowTempi(*reopened), (std::vector<std::string>(4, "120")));
    EXPECT_FALSE(core::UserDefaults::standardUserDefaults()->valueForKey("lost"));
}

TEST_F(TempoEditingTest, AnEditReachesTheNextBeatsLength)
{
    writeTempi("next", { { "120", "120", "120", "120" } });
    auto player = show("next");
    player->addTempo(plus(*player, 2).get());
    runPosted();
    EXPECT_FLOAT_EQ(BeatClock::beatLength(player->shadowArray()[1]), 60.0f / 121.0f);

    // Through the beat clock: the edited beat lasts 60 / 121 s, and an edit while playing
    // reaches the beat after the current one.
    auto& loop = core::RunLoop::main();
    double start = loop.now();
    player->play(nullptr);
    ASSERT_TRUE(player->timer() && player->timer()->isValid());
    EXPECT_NEAR(player->timer()->fireDate() - start, 0.5, 1e-6);
    loop.runUntil(start + 0.5);
    ASSERT_EQ(player->index(), 1);
    EXPECT_NEAR(player->timer()->fireDate() - (start + 0.5), 60.0 / 121.0, 1e-5);

    player->subtractTempo(minus(*player, 3).get());
    double due = player->timer()->fireDate();
    loop.runUntil(due);
    ASSERT_EQ(player->index(), 2);
    EXPECT_NEAR(player->timer()->fireDate() - due, 60.0 / 119.0, 1e-5);
    player->pause(nullptr);
}

TEST_F(TempoEditingTest, ALongSongEditsExactlyTheBeatTouched)
{
    // 75 bars of 4: 300 beats, so the tags are spaced wider than 200.
    writeSong("long", regularSong(75, 4, "120"));
    auto player = open("long");
    ASSERT_EQ(player->tempoEditor().beatCount(), 300u);
    ASSERT_GT(player->tagScheme().unit(), 200);

    auto button = std::dynamic_pointer_cast<ui::Button>(beatButton(*player, 250));
    ASSERT_TRUE(button);
    button->sendActionsForControlEvents(ui::ControlEvent::TouchDown);
    EXPECT_EQ(revealedKeys(*player), std::vector<int> { 250 });

    std::dynamic_pointer_cast<ui::Button>(plus(*player, 250))->sendActionsForControlEvents(ui::ControlEvent::TouchDown);
    runPosted();
    std::dynamic_pointer_cast<ui::Button>(plus(*player, 250))->sendActionsForControlEvents(ui::ControlEvent::TouchDown);
    runPosted();
    std::dynamic_pointer_cast<ui::Button>(minus(*player, 250))->sendActionsForControlEvents(ui::ControlEvent::TouchDown);
    player->userLongPressed(beatButton(*player, 250)->gestureRecognizers().front().get());
    EXPECT_EQ(revealedKeys(*player), (std::vector<int> { 249, 250, 251, 252 }));

    auto labels = labelTexts(*player);
    auto rows = rowTempi(*player);
    for (size_t i = 0; i < 300; ++i) {
        std::string expected = i == 249 ? "121" : "120";
        EXPECT_EQ(labels[i], expected) << "label of key " << i + 1;
        EXPECT_EQ(rows[i], expected) << "row of key " << i + 1;
    }
    EXPECT_EQ(label(*player, 250)->tag(), player->tagScheme().labelTag(250));
    EXPECT_EQ(player->tempoEditor().labelView(249), label(*player, 250));
    // Only the step buttons shown so far were ever made.
    EXPECT_FALSE(player->view()->viewWithTag(player->tagScheme().plusTag(1)));

    // Saved and opened again, as after a restart: the edit is there and its bar shows every label.
    player->saveChanges(nullptr);
    EXPECT_EQ(revealedKeys(*player), std::vector<int> {});
    score::SavedBeatList::waitForPendingSaves();
    core::UserDefaults::resetStandardUserDefaults();
    auto reopened = show("long");
    EXPECT_EQ(labelTexts(*reopened), labels);
    EXPECT_EQ(rowTempi(*reopened), rows);
    auto hidden = labelsHidden(*reopened);
    for (size_t i = 244; i < 256; ++i)
        EXPECT_EQ(hidden[i], !(i % 4 == 0 || (i >= 248 && i < 252))) << "label of key " << i + 1;
}

TEST_F(TempoEditingTest, ControlsThatMatchNoBeatAreIgnored)
{
    writeTempi("stray", { { "120", "120" } });
    auto player = show("stray");
    auto stray = ui::Button::create(ui::ButtonType::System, ui::RectMake(0, 0, 10, 10));
    for (int tag : { 0, -5, 3, 203, 503, 99999 }) {
        stray->setTag(tag);
        player->showControl(stray.get());
        player->addTempo(stray.get());
        player->subtractTempo(stray.get());
    }
    player->showControl(nullptr);
    player->addTempo(nullptr);
    player->subtractTempo(nullptr);
    player->userLongPressed(nullptr);
    runPosted();
    EXPECT_EQ(rowTempi(*player), (std::vector<std::string> { "120", "120" }));
    EXPECT_EQ(labelTexts(*player), (std::vector<std::string> { "120", "120" }));
    EXPECT_EQ(revealedKeys(*player), std::vector<int> {});
}

}
}
