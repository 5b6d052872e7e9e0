// Playback on the player screen: the beat clock against its deadlines, the cursor frames, the
// page turn, stepping and jumps, the quarter-beat circles, the transport and the repeat control.
#include "PlayerFixture.h"

#include "platform/core/Timer.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"

#include <algorithm>

namespace player::test {
namespace {

struct TimedLine {
    double time;
    std::string text;
};

class PlaybackTest : public PlayerFixture {
protected:
    void SetUp() override
    {
        PlayerFixture::SetUp();
        // The fixture's TearDown puts the original sink back.
        core::setLogSink([this](const std::string& line) {
            m_log.push_back(line);
            m_timed.push_back({ m_clock->now(), line });
        });
    }

    core::RunLoop& loop() { return core::RunLoop::main(); }

    // Lines starting with `prefix`, with their clock times.
    std::vector<TimedLine> linesStarting(const std::string& prefix) const
    {
        std::vector<TimedLine> out;
        for (const auto& line : m_timed)
            if (line.text.rfind(prefix, 0) == 0)
                out.push_back(line);
        return out;
    }

    // The cursor leaves the beat from `left` to `left + width` (screen points) undimmed.
    static void expectCursor(const ViewController& player, double left, double width)
    {
        EXPECT_EQ(player.leftShader()->frame(), ui::RectMake(left - 1024, 0, 1024, 784));
        EXPECT_EQ(player.rightShader()->frame(), ui::RectMake(left + width, 0, 1024, 784));
        EXPECT_EQ(player.upShader()->frame(), ui::RectMake(left, 125, width, 40));
        EXPECT_EQ(player.finalshader()->frame(), ui::RectMake(left, 165, width, 40));
        EXPECT_EQ(player.downShader()->frame(), ui::RectMake(left, 200, width, 40));
    }

    static std::vector<bool> circlesShown(const ViewController& player)
    {
        std::vector<bool> shown;
        for (const auto& circle : player.circlesArray())
            shown.push_back(!circle->isHidden());
        return shown;
    }

    std::vector<TimedLine> m_timed;
};

// Beat lengths per tempo are BeatClockTest's; here the screen arms the timer with its beat's length.
TEST_F(PlaybackTest, PlayArmsTheBeatTimerForTheCurrentBeatsLength)
{
    writeSong("tempi", { barLine(0, 4, 800), beatLine(0, 1, 4, "120", 0, 200), beatLine(0, 2, 4, "60", 200, 200) });
    auto player = open("tempi");
    EXPECT_FLOAT_EQ(player->calculateDuration(), 0.5f);
    player->play(nullptr);
    ASSERT_TRUE(player->timer()->isValid());
    EXPECT_DOUBLE_EQ(player->timer()->fireDate(), 100.5);
    auto started = linesStarting("Shader Timer started");
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].text, "Shader Timer started , Next: 0.500000");
    // At most one beat timer: arming again replaces it.
    player->startTimer(1.0f);
    EXPECT_EQ(loop().pendingTimerCount(), 2u); // the new beat timer and the quarter-beat timer
    EXPECT_DOUBLE_EQ(player->timer()->fireDate(), 101.0);
}

// The frame rules are CursorTest's; here the screen places the cursor on its current beat, minus
// the strip's offset, and re-arms a full beat each time.
TEST_F(PlaybackTest, MoveShaderPlacesTheCursorOnTheCurrentBeatAndRestartsTheBeat)
{
    writeSong("frames", { barLine(0, 3, 3000), beatLine(0, 1, 3, "100", 2000, 200), beatLine(0, 2, 3, "100", 2001, 200),
                            beatLine(0, 3, 3, "100", 301, 301) });
    auto player = open("frames");
    player->scrollView()->setContentOffset({ 600, 0 });
    player->moveShader();
    // bx 1000, bw 100, offset 600: left panel ends at 400, right panel starts at 500.
    expectCursor(*player, 400, 100);
    EXPECT_DOUBLE_EQ(player->timer()->fireDate(), 100 + double(0.6f));

    // Placing the same beat again a little later keeps the frames and restarts a full beat.
    m_clock->advance(0.25);
    player->moveShader();
    expectCursor(*player, 400, 100);
    EXPECT_DOUBLE_EQ(player->timer()->fireDate(), 100.25 + double(0.6f));
    EXPECT_EQ(linesStarting("Shader Timer started").size(), 2u);

    // The next beat: an odd column loses its half point.
    player->next(nullptr);
    EXPECT_EQ(player->index(), 1);
    expectCursor(*player, 400, 100);

    // 301 and 301 halve to 150 each: the right panel starts at 300, not 301.
    player->scrollView()->setContentOffset({ 0, 0 });
    player->next(nullptr);
    EXPECT_EQ(player->index(), 2);
    expectCursor(*player, 150, 150);
}

TEST_F(PlaybackTest, ThreeBarsOfFourBeatsLoopInTwelveStepsOnTheirDeadlines)
{
    // Bars 400 points wide, beats 100 points at x = 100 k + 80, tempo 100: 0.6 s beats.
    writeSong("loop", regularSong(3, 4));
    auto player = open("loop");
    player->play(nullptr);
    const double beat = double(0.6f);

    struct Step {
        int32_t index, page, shaderIndex;
        double offset, cursor;
    };
    std::vector<Step> steps;
    for (int k = 1; k <= 12; ++k) {
        loop().runUntil(100 + k * beat + 1e-9);
        steps.push_back({ player->index(), player->page(), player->shaderIndex(), player->scrollView()->contentOffset().x,
            player->upShader()->frame().x() });
        EXPECT_NEAR(player->timer()->fireDate(), 100 + (k + 1) * beat, 1e-9) << "step " << k;
    }
    for (int k = 1; k <= 11; ++k) {
        EXPECT_EQ(steps[k - 1].index, k);
        EXPECT_EQ(steps[k - 1].page, 1 + k / 4) << "step " << k;
        EXPECT_EQ(steps[k - 1].shaderIndex, 1 + k % 4);
    }
    // Bar 2 still fits beside bar 1; entering bar 3 turns the page by both bars.
    EXPECT_EQ(steps[3].offset, 0);
    EXPECT_EQ(steps[3].cursor, 480);
    EXPECT_EQ(steps[7].offset, 800);
    EXPECT_EQ(steps[7].cursor, 80);
    EXPECT_EQ(steps[10].cursor, 380);
    // The twelfth step jumps back to the start.
    EXPECT_EQ(steps[11].index, 0);
    EXPECT_EQ(steps[11].page, 1);
    EXPECT_EQ(steps[11].shaderIndex, 1);
    EXPECT_EQ(steps[11].offset, 0);
    EXPECT_EQ(steps[11].cursor, 80);
    auto skips = linesStarting("SKIPED");
    ASSERT_EQ(skips.size(), 1u);
    EXPECT_EQ(skips[0].text, "SKIPED : 0");
    EXPECT_NEAR(skips[0].time, 100 + 12 * beat, 1e-9);

    // Two beat timer lines per beat (the step's own and the new beat's) and one quarter-beat line.
    auto shader = linesStarting("Shader Timer started , Next: ");
    ASSERT_EQ(shader.size(), 1u + 2 * 12);
    for (int k = 1; k <= 12; ++k) {
        EXPECT_NEAR(shader[size_t(2 * k)].time, 100 + k * beat, 1e-9);
        EXPECT_EQ(shader[size_t(2 * k)].text, "Shader Timer started , Next: 0.600000");
    }
    EXPECT_EQ(linesStarting("Circle Timer started , Next: 0.150000").size(), 13u);
}

TEST_F(PlaybackTest, ClockKeepsToTheDeadlinesWhenTimersFireLateButTouchesRestartTheBeat)
{
    writeSong("late", regularSong(2, 4, "120"));
    auto player = open("late");
    player->play(nullptr);
    // Every firing comes 30 ms late; the next beat is still due half a second after the last one
    // was due, not half a second after the late firing.
    for (int k = 1; k <= 4; ++k) {
        m_clock->set(100 + 0.5 * k + 0.03);
        loop().runOnce();
        EXPECT_EQ(player->index(), k);
        EXPECT_DOUBLE_EQ(player->timer()->fireDate(), 100 + 0.5 * (k + 1));
    }
    // A touch on "next" steps at once and counts the new beat from the touch.
    m_clock->set(102.2);
    player->next(nullptr);
    EXPECT_EQ(player->index(), 5);
    EXPECT_DOUBLE_EQ(player->timer()->fireDate(), 102.7);
    // The logged length stays the beat's length.
    EXPECT_EQ(linesStarting("Shader Timer started").back().text, "Shader Timer started , Next: 0.500000");

    // The re-arm-from-the-step clock lets each late firing push the beats back.
    player->setBeatClock(ViewController::BeatClock::FromStep);
    m_clock->set(102.73);
    loop().runOnce();
    EXPECT_EQ(player->index(), 6);
    EXPECT_DOUBLE_EQ(player->timer()->fireDate(), 103.23);

    // After a stall longer than a beat the deadline clock starts afresh instead of firing a burst.
    player->setBeatClock(ViewController::BeatClock::Deadline);
    m_clock->set(106);
    loop().runOnce();
    EXPECT_EQ(player->index(), 7);
    EXPECT_DOUBLE_EQ(player->timer()->fireDate(), 106.5);
}

TEST_F(PlaybackTest, EnteringABarAddsHalfTheFinishedBarAndTurnsBeforeTheCursorMoves)
{
    // Bars of one beat and 1001 layout units (500.5 points); beat k at column 1002 k.
    std::vector<Line> lines;
    for (int bar = 0; bar < 3; ++bar) {
        lines.push_back(barLine(bar, 1, 1001));
        lines.push_back(beatLine(bar, 1, 1, "100", 1002 * bar, 200));
    }
    writeSong("odd", lines);
    auto player = open("odd");

    // Bar 2 still fits beside the first beat (0 + 500.5): no turn; the half point is kept.
    player->next(nullptr);
    EXPECT_EQ(player->page(), 2);
    EXPECT_EQ(player->index(), 1);
    EXPECT_EQ(player->shaderIndex(), 1);
    EXPECT_FLOAT_EQ(player->movedLength(), 500.5f);
    EXPECT_EQ(player->scrollView()->contentOffset().x, 0);
    expectCursor(*player, 501, 100);

    // Entering bar 3 is measured from the beat just left (501 + 500.5 > 940), before the cursor
    // moves on: the score scrolls by both finished bars, 1001 points, not 1000.
    player->next(nullptr);
    EXPECT_EQ(player->page(), 3);
    EXPECT_EQ(player->index(), 2);
    EXPECT_FLOAT_EQ(player->movedLength(), 0);
    EXPECT_EQ(player->scrollView()->contentOffset().x, 1001);
    expectCursor(*player, 1002 - 1001, 100);
}

TEST_F(PlaybackTest, JumpsAddWholeLengthsAndHalveTheSum)
{
    std::vector<Line> lines = { barLine(0, 4, 801), barLine(1, 4, 800), barLine(2, 4, 800) };
    for (int k = 0; k < 12; ++k)
        lines.push_back(beatLine(k / 4, k % 4 + 1, 4, "100", 200 * k, 200));
    writeSong("jump", lines);
    auto player = open("jump");
    // Into bar 2, beat 2: bar 1 is left behind, then stopped.
    for (int step = 0; step < 5; ++step)
        player->next(nullptr);
    player->pause(nullptr);
    ASSERT_EQ(player->shaderIndex(), 2);
    ASSERT_FLOAT_EQ(player->movedLength(), 400.5f);

    player->skipToPage(3);
    EXPECT_EQ(player->scrollView()->contentOffset().x, 800);
    EXPECT_EQ(player->index(), 8);
    EXPECT_EQ(player->page(), 3);
    EXPECT_EQ(player->shaderIndex(), 1);
    EXPECT_FLOAT_EQ(player->movedLength(), 0);
    EXPECT_EQ(linesStarting("SKIPED").back().text, "SKIPED : 1601");
    // The jump leaves the cursor and the clock alone.
    EXPECT_FALSE(player->timer()->isValid());

    player->skipToPage(1);
    EXPECT_EQ(player->scrollView()->contentOffset().x, 0);
    EXPECT_EQ(player->index(), 0);
    EXPECT_EQ(linesStarting("SKIPED").back().text, "SKIPED : 0");

    // A bar the song does not have changes nothing.
    player->skipToPage(2);
    size_t skips = linesStarting("SKIPED").size();
    player->skipToPage(7);
    player->skipToPage(0);
    EXPECT_EQ(linesStarting("SKIPED").size(), skips);
    EXPECT_EQ(player->page(), 2);
    EXPECT_EQ(player->index(), 4);
    EXPECT_EQ(player->scrollView()->contentOffset().x, 400);
    EXPECT_TRUE(logged("No bar 7 to jump to"));
}

TEST_F(PlaybackTest, PreviousGoesToBeatOneOfTheBarBeforeAndDoesNothingInBarOne)
{
    writeSong("back", regularSong(5, 4));
    auto player = open("back");
    ui::Rect cursorAtStart = player->upShader()->frame();
    player->pause(nullptr);

    // Bar 1, paused: the clock starts on the same beat and the panels show; nothing else moves.
    m_clock->set(110);
    player->previous(nullptr);
    EXPECT_EQ(player->index(), 0);
    EXPECT_EQ(player->page(), 1);
    EXPECT_EQ(player->upShader()->frame(), cursorAtStart);
    EXPECT_TRUE(player->timer()->isValid());
    EXPECT_DOUBLE_EQ(player->timer()->fireDate(), 110 + double(0.6f));
    EXPECT_FALSE(player->leftShader()->isHidden());
    EXPECT_FALSE(player->rightShader()->isHidden());
    EXPECT_TRUE(linesStarting("SKIPED").empty());

    // Play into bar 4, beat 3 (index 14); the page turned on entering bar 3.
    for (int k = 0; k < 14; ++k)
        player->next(nullptr);
    ASSERT_EQ(player->index(), 14);
    ASSERT_EQ(player->page(), 4);
    ASSERT_EQ(player->scrollView()->contentOffset().x, 800);

    m_clock->set(111);
    player->previous(nullptr);
    EXPECT_EQ(player->page(), 3);
    EXPECT_EQ(player->index(), 8);
    EXPECT_EQ(player->shaderIndex(), 1);
    EXPECT_FLOAT_EQ(player->movedLength(), 0);
    EXPECT_EQ(player->scrollView()->contentOffset().x, 800);
    expectCursor(*player, 80, 100);
    EXPECT_DOUBLE_EQ(player->timer()->fireDate(), 111 + double(0.6f));

    // From bar 3, the bar before is the play range's first: the jump scrolls to it, no page turn
    // undoes that, and the cursor is on screen.
    player->previous(nullptr);
    player->previous(nullptr);
    EXPECT_EQ(player->page(), 1);
    EXPECT_EQ(player->index(), 0);
    EXPECT_EQ(player->scrollView()->contentOffset().x, 0);
    expectCursor(*player, 80, 100);
    // Stepping forward again stays consistent with the bars.
    for (int k = 0; k < 4; ++k)
        player->next(nullptr);
    EXPECT_EQ(player->page(), 2);
    EXPECT_EQ(player->index(), 4);
}

TEST_F(PlaybackTest, SlowBeatLightsItsFourCirclesOnePerQuarter)
{
    // Beat 1: tempo 40, 100 points wide (1.5 s, quarters of 0.375 s); beat 2: tempo 120.
    writeSong("slow", { barLine(0, 2, 400), beatLine(0, 1, 2, "40", 0, 200), beatLine(0, 2, 2, "120", 200, 200) });
    auto player = open("slow");
    const double xs[] = { 6.5, 31.5, 56.5, 81.5 };
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(player->circlesArray()[i]->frame(), ui::RectMake(xs[i], 182, 12, 12));
    EXPECT_EQ(circlesShown(*player), (std::vector<bool> { true, false, false, false }));

    player->play(nullptr);
    EXPECT_EQ(linesStarting("Circle Timer started").back().text, "Circle Timer started , Next: 0.375000");
    loop().runUntil(100.375);
    EXPECT_EQ(circlesShown(*player), (std::vector<bool> { false, true, false, false }));
    loop().runUntil(101.125);
    EXPECT_EQ(circlesShown(*player), (std::vector<bool> { false, false, false, true }));
    auto ticks = linesStarting("circleLife");
    ASSERT_EQ(ticks.size(), 3u);
    EXPECT_EQ(ticks[0].text, "circleLife  :  1");
    EXPECT_EQ(ticks[2].text, "circleLife  :  3");
    EXPECT_DOUBLE_EQ(ticks[1].time, 100.75);

    // The fast beat: reset to the first circle, then hidden by the layout; the quarter timer was
    // armed for a quarter of the slow beat just left and stops when it finds a fast beat.
    loop().runUntil(101.5);
    EXPECT_EQ(player->index(), 1);
    EXPECT_EQ(player->circleIndex(), 0);
    EXPECT_EQ(circlesShown(*player), (std::vector<bool>(4, false)));
    EXPECT_DOUBLE_EQ(player->circletimer()->fireDate(), 101.875);
    loop().runUntil(101.9);
    EXPECT_FALSE(player->circletimer()->isValid());
    EXPECT_EQ(linesStarting("circleLife").size(), 3u);

    // Back on the slow beat, the first quarter is a quarter of the fast beat, the next ones of
    // the slow beat again.
    loop().runUntil(102.0);
    EXPECT_EQ(player->index(), 0);
    EXPECT_DOUBLE_EQ(player->circletimer()->fireDate(), 102.125);
    loop().runUntil(102.125);
    EXPECT_EQ(player->circleIndex(), 1);
    EXPECT_DOUBLE_EQ(player->circletimer()->fireDate(), 102.5);
}

TEST_F(PlaybackTest, CircleThresholdIsTheWholeTempoFiftyNine)
{
    writeSong("edge", { barLine(0, 3, 600), beatLine(0, 1, 3, "59.9", 0, 200), beatLine(0, 2, 3, "60", 200, 200),
                          beatLine(0, 3, 3, "59", 400, 90) });
    auto player = open("edge");
    player->play(nullptr);
    loop().runUntil(100 + double(60.0f / 59.9f) * 0.25 + 1e-9);
    EXPECT_EQ(player->circleIndex(), 1);
    // Tempo 60: the step hides them all.
    player->next(nullptr);
    EXPECT_EQ(circlesShown(*player), (std::vector<bool>(4, false)));
    // Tempo 59 on a beat 45 points wide: quarters under 12 points overlap, the first one starts
    // left of the beat.
    player->next(nullptr);
    EXPECT_EQ(player->index(), 2);
    double left = player->upShader()->frame().x();
    EXPECT_DOUBLE_EQ(player->circlesArray()[0]->frame().x(), left + (11.25 - 12) * 0.5);
    EXPECT_DOUBLE_EQ(player->circlesArray()[1]->frame().x(), left + 11.25 + (11.25 - 12) * 0.5);
}

class RepeatControlTest : public PlaybackTest {
protected:
    void SetUp() override
    {
        PlaybackTest::SetUp();
        writeSong("ten", regularSong(10, 4));
        window = ui::Window::create();
        library = ui::ViewController::create();
        window->setRootViewController(library);
        player = ViewController::create();
        player->setMode(3, "ten");
        library->presentViewController(player, ui::Animated::No);
    }

    // Types the range and turns the repeat on, as the user does.
    void setRange(const std::string& start, const std::string& end)
    {
        player->start_TF()->setText(start);
        player->end_TF()->setText(end);
        player->repeat_SC()->setSelectedSegmentIndex(1);
        player->repeatControlChanged(player->repeat_SC().get());
    }

    // The alert showing now as "title|message|buttons", dismissed; empty when none.
    std::string takeAlert()
    {
        auto alert = window->currentAlert();
        if (!alert)
            return "";
        std::string out = alert->title() + "|" + alert->message();
        for (const auto& title : alert->buttonTitles())
            out += "|" + title;
        alert->dismissWithClickedButtonIndex(0);
        return out;
    }

    std::shared_ptr<ui::Window> window;
    std::shared_ptr<ui::ViewController> library;
    std::shared_ptr<ViewController> player;
};

TEST_F(RepeatControlTest, RangeJumpsToItsFirstBarAndLoopsUntilCleared)
{
    ui::Rect cursor = player->upShader()->frame();
    setRange("2", "5");
    EXPECT_EQ(takeAlert(), "");
    EXPECT_EQ(player->startPage(), 2);
    EXPECT_EQ(player->maxPage(), 5);
    EXPECT_EQ(player->page(), 2);
    EXPECT_EQ(player->index(), 4);
    EXPECT_EQ(player->scrollView()->contentOffset().x, 400);
    // The cursor waits for the next step.
    EXPECT_EQ(player->upShader()->frame(), cursor);

    player->play(nullptr);
    EXPECT_FALSE(player->repeat_SC()->isEnabled());
    std::vector<int32_t> pages;
    for (int k = 0; k < 32; ++k) {
        ASSERT_TRUE(player->timer()->isValid());
        loop().runUntil(player->timer()->fireDate());
        pages.push_back(player->page());
    }
    // Beats 5 to 20 (bars 2 to 5), then round again: bar 6 is never entered.
    EXPECT_EQ(*std::max_element(pages.begin(), pages.end()), 5);
    EXPECT_EQ(*std::min_element(pages.begin(), pages.end()), 2);
    EXPECT_EQ(player->index(), 4 + 32 % 16);
    EXPECT_EQ(player->scrollView()->contentOffset().x, 400);
    EXPECT_EQ(player->upShader()->frame().x(), 80);

    player->pause(nullptr);
    EXPECT_TRUE(player->repeat_SC()->isEnabled());
    player->repeat_SC()->setSelectedSegmentIndex(0);
    player->repeatControlChanged(player->repeat_SC().get());
    EXPECT_EQ(player->startPage(), 1);
    EXPECT_EQ(player->maxPage(), 10);
    EXPECT_EQ(player->page(), 1);
    EXPECT_EQ(player->index(), 0);
    EXPECT_EQ(player->scrollView()->contentOffset().x, 0);
}

TEST_F(RepeatControlTest, BadRangesAreRefusedWithTheirAlertsAndChangeNothing)
{
    setRange("3", "7");
    ASSERT_EQ(player->maxPage(), 7);
    // While a range is set, its last bar bounds the next one.
    struct Case {
        const char* start;
        const char* end;
        const char* message;
    };
    const Case cases[] = { { "0", "5", "Invalid input value" }, { "2", "8", "Invalid input value" }, { "6", "5", "Invalid input value" },
        { "5", "5", "Starting bar cannot be same as ending bar" }, { "8", "8", "Invalid input value" }, { "", "4", "Invalid input value" },
        { "abc", "4", "Invalid input value" } };
    for (const auto& c : cases) {
        setRange(c.start, c.end);
        EXPECT_EQ(takeAlert(), std::string("Error|") + c.message + "|OK") << c.start << "-" << c.end;
        EXPECT_EQ(player->repeat_SC()->selectedSegmentIndex(), 0);
        EXPECT_EQ(player->startPage(), 3);
        EXPECT_EQ(player->maxPage(), 7);
        EXPECT_EQ(player->page(), 3);
    }

    // Cleared, the whole song bounds it again; "3x" reads as 3.
    player->repeat_SC()->setSelectedSegmentIndex(0);
    player->repeatControlChanged(player->repeat_SC().get());
    setRange("11", "11");
    EXPECT_EQ(takeAlert(), "Error|Invalid input value|OK");
    setRange("3x", " 10");
    EXPECT_EQ(takeAlert(), "");
    EXPECT_EQ(player->startPage(), 3);
    EXPECT_EQ(player->maxPage(), 10);
    EXPECT_EQ(player->repeat_SC()->selectedSegmentIndex(), 1);
}

TEST_F(RepeatControlTest, PauseThenPlayResumesTheSameBeatWithAFullLength)
{
    player->play(nullptr);
    loop().runUntil(100 + double(0.6f) + 0.3);
    ASSERT_EQ(player->index(), 1);
    player->pause(nullptr);
    EXPECT_FALSE(player->timer()->isValid());
    EXPECT_FALSE(player->circletimer()->isValid());
    EXPECT_TRUE(player->leftShader()->isHidden());
    EXPECT_TRUE(player->rightShader()->isHidden());
    EXPECT_FALSE(player->upShader()->isHidden());
    EXPECT_EQ(loop().pendingTimerCount(), 0u);

    loop().runUntil(130);
    EXPECT_EQ(player->index(), 1);
    player->play(nullptr);
    EXPECT_EQ(player->index(), 1);
    EXPECT_DOUBLE_EQ(player->timer()->fireDate(), 130 + double(0.6f));
    EXPECT_DOUBLE_EQ(player->circletimer()->fireDate(), 130 + double(0.6f * 0.25f));
    EXPECT_FALSE(player->leftShader()->isHidden());

    // The keys: space pauses and plays, the arrows step, escape leaves.
    window->keyDown(ui::Key::Space);
    EXPECT_FALSE(player->timer()->isValid());
    window->keyDown(ui::Key::Right);
    EXPECT_EQ(player->index(), 2);
    EXPECT_TRUE(player->timer()->isValid());
    window->keyDown(ui::Key::Space);
    EXPECT_FALSE(player->timer()->isValid());
    window->keyDown(ui::Key::Space);
    EXPECT_TRUE(player->timer()->isValid());
    EXPECT_EQ(player->index(), 2);
}

TEST_F(RepeatControlTest, LeavingStopsBothTimersAndReleasesTheScreen)
{
    player->play(nullptr);
    loop().runUntil(102);
    std::weak_ptr<ViewController> weak = player;
    auto beatTimer = player->timer();
    auto quarterTimer = player->circletimer();
    window->keyDown(ui::Key::Escape);
    player.reset();
    loop().runFor(1.0);
    EXPECT_EQ(window->frontViewController(), library);
    EXPECT_FALSE(beatTimer->isValid());
    EXPECT_FALSE(quarterTimer->isValid());
    EXPECT_EQ(loop().pendingTimerCount(), 0u);
    beatTimer.reset();
    quarterTimer.reset();
    EXPECT_TRUE(weak.expired());
    size_t lines = m_timed.size();
    loop().runFor(10.0);
    EXPECT_EQ(m_timed.size(), lines);
}

TEST_F(PlaybackTest, BeatWithoutAPlayableTempoLeavesTheClockStoppedUntilSteppedPast)
{
    writeSong("zero", { barLine(0, 3, 600), beatLine(0, 1, 3, "0", 0, 200), beatLine(0, 2, 3, "fast", 200, 200),
                          beatLine(0, 3, 3, "-20", 400, 200) });
    auto player = open("zero");
    player->play(nullptr);
    EXPECT_FALSE(player->timer()->isValid());
    EXPECT_FALSE(player->circletimer() && player->circletimer()->isValid());
    EXPECT_TRUE(logged("Beat 1 has no playable tempo (\"0\")"));
    EXPECT_TRUE(linesStarting("Shader Timer started").empty());
    player->next(nullptr);
    player->next(nullptr);
    EXPECT_EQ(player->index(), 2);
    EXPECT_FALSE(player->timer()->isValid());
    EXPECT_TRUE(logged("Beat 2 has no playable tempo (\"fast\")"));
    EXPECT_TRUE(logged("Beat 3 has no playable tempo (\"-20\")"));
    EXPECT_EQ(loop().pendingTimerCount(), 0u);
}

TEST_F(PlaybackTest, SongWithFewerBeatsThanItsBarsStopsOnItsLastBeat)
{
    // Two bars of 3 promised, 4 beats present.
    writeSong("short", { barLine(0, 3, 600), beatLine(0, 1, 3, "120", 0, 200), beatLine(0, 2, 3, "120", 200, 200),
                           beatLine(0, 3, 3, "120", 400, 200), barLine(1, 3, 600), beatLine(1, 1, 3, "120", 600, 200) });
    auto player = open("short");
    player->play(nullptr);
    loop().runUntil(110);
    EXPECT_EQ(player->index(), 3);
    EXPECT_EQ(player->page(), 2);
    EXPECT_FALSE(player->timer()->isValid());
    EXPECT_EQ(loop().pendingTimerCount(), 0u);
    EXPECT_TRUE(logged("playback stops at beat 4"));
    EXPECT_TRUE(player->repeat_SC()->isEnabled());

    // A jump to a bar whose first beat the song lacks is refused too.
    writeSong("shorter", { barLine(0, 3, 600), beatLine(0, 1, 3, "120", 0, 200), barLine(1, 3, 600) });
    auto shorter = open("shorter");
    shorter->skipToPage(2);
    EXPECT_EQ(shorter->page(), 1);
    EXPECT_EQ(shorter->index(), 0);
}

TEST_F(PlaybackTest, TransportDoesNothingWithoutBeats)
{
    writeSong("empty", { barLine(0, 4, 800) });
    auto player = open("empty");
    ASSERT_FALSE(player->canPlay());
    player->play(nullptr);
    player->next(nullptr);
    player->previous(nullptr);
    player->repeat_SC()->setSelectedSegmentIndex(1);
    player->repeatControlChanged(player->repeat_SC().get());
    player->pause(nullptr);
    EXPECT_EQ(loop().pendingTimerCount(), 0u);
    EXPECT_EQ(player->index(), 0);
    EXPECT_EQ(player->page(), 1);
}

}
}
