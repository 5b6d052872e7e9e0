// The beat clock: beat lengths, one timer of each kind, and the deadline rule.
#include "PlayerFixture.h"

#include "platform/core/Timer.h"
#include "player/BeatClock.h"

#include <cmath>
#include <limits>

namespace player::test {
namespace {

class BeatClockTest : public PlayerFixture {
protected:
    static score::ScoreRow beatWithTempo(const std::string& tempo) { return score::ScoreRow::fromMap(beatLine(0, 1, 1, tempo, 0, 100)); }

    // A target kept alive by the timer, and a count of what fired.
    std::shared_ptr<int> m_fired = std::make_shared<int>(0);
    core::Timer::Action count()
    {
        auto fired = m_fired;
        return [fired](core::Timer&) { ++*fired; };
    }
};

TEST_F(BeatClockTest, ABeatLastsSixtyOverItsOwnTempo)
{
    EXPECT_FLOAT_EQ(BeatClock::beatLength(beatWithTempo("60")), 1.0f);
    EXPECT_FLOAT_EQ(BeatClock::beatLength(beatWithTempo("120")), 0.5f);
    EXPECT_EQ(BeatClock::beatLength(beatWithTempo("45")), 60.0f / 45.0f);
    EXPECT_EQ(BeatClock::beatLength(beatWithTempo("59.9")), 60.0f / 59.9f);
    EXPECT_TRUE(std::isinf(BeatClock::beatLength(beatWithTempo("fast"))));
    EXPECT_FALSE(BeatClock::isPlayable(BeatClock::beatLength(beatWithTempo("0"))));
    EXPECT_FALSE(BeatClock::isPlayable(BeatClock::beatLength(beatWithTempo("-60"))));
    EXPECT_TRUE(BeatClock::isPlayable(0.5f));
}

TEST_F(BeatClockTest, ArmingReplacesThePendingTimerOfItsKind)
{
    BeatClock clock;
    ASSERT_TRUE(clock.timer());
    EXPECT_FALSE(clock.isRunning()) << "a fresh clock holds a timer that was never armed";
    EXPECT_FALSE(clock.circletimer());

    EXPECT_TRUE(clock.armBeat(0.5f, m_fired, count()));
    EXPECT_TRUE(clock.armBeat(1.0f, m_fired, count()));
    EXPECT_TRUE(clock.armQuarter(0.25f, m_fired, count()));
    EXPECT_TRUE(clock.armQuarter(0.125f, m_fired, count()));
    EXPECT_EQ(core::RunLoop::main().pendingTimerCount(), 2u);
    EXPECT_DOUBLE_EQ(clock.timer()->fireDate(), 101.0);
    EXPECT_DOUBLE_EQ(clock.circletimer()->fireDate(), 100.125);
    EXPECT_TRUE(logged("Shader Timer started , Next: 1.000000"));
    EXPECT_TRUE(logged("Circle Timer started , Next: 0.125000"));

    core::RunLoop::main().runUntil(101.0);
    EXPECT_EQ(*m_fired, 2);
    EXPECT_FALSE(clock.isRunning());
}

TEST_F(BeatClockTest, AnUnplayableLengthLeavesTheTimerDisarmed)
{
    BeatClock clock;
    ASSERT_TRUE(clock.armBeat(0.5f, m_fired, count()));
    m_log.clear();
    EXPECT_FALSE(clock.armBeat(std::numeric_limits<float>::infinity(), m_fired, count()));
    EXPECT_FALSE(clock.isRunning());
    EXPECT_FALSE(clock.armQuarter(-1.0f, m_fired, count()));
    EXPECT_TRUE(m_log.empty());
    EXPECT_EQ(core::RunLoop::main().pendingTimerCount(), 0u);
}

// A step the beat timer drives counts the next beat from the due time of the beat it ended, so a
// late timer does not push the beats after it; any other step counts from now.
TEST_F(BeatClockTest, DeadlineRuleCountsFromTheEndedBeatsDueTime)
{
    BeatClock clock;
    std::shared_ptr<core::Timer> fired;
    auto keep = std::make_shared<int>(0);
    ASSERT_TRUE(clock.armBeat(0.5f, keep, [&](core::Timer& timer) { fired = timer.shared_from_this(); }));
    m_clock->advance(0.53); // the timer fires 30 ms late
    core::RunLoop::main().runOnce();
    ASSERT_TRUE(fired);

    clock.beginStep(fired.get());
    ASSERT_TRUE(clock.armBeat(0.5f, keep, count()));
    clock.endStep();
    EXPECT_DOUBLE_EQ(clock.timer()->fireDate(), 101.0) << "due 100.5 + 0.5, not now + 0.5";

    // A touch (any other sender) restarts the beat from now.
    clock.beginStep(nullptr);
    ASSERT_TRUE(clock.armBeat(0.5f, keep, count()));
    clock.endStep();
    EXPECT_NEAR(clock.timer()->fireDate(), 101.03, 1e-9);

    // Measured from the step instead, when asked.
    ASSERT_TRUE(clock.armBeat(0.5f, keep, [&](core::Timer& timer) { fired = timer.shared_from_this(); }));
    clock.setMode(BeatClock::Mode::FromStep);
    m_clock->advance(0.6);
    core::RunLoop::main().runOnce();
    clock.beginStep(fired.get());
    ASSERT_TRUE(clock.armBeat(0.5f, keep, count()));
    clock.endStep();
    EXPECT_NEAR(clock.timer()->fireDate(), 101.63, 1e-9);
}

// After a stall longer than a whole beat the schedule starts afresh instead of catching up.
TEST_F(BeatClockTest, AStallLongerThanABeatRestartsTheScheduleAtNow)
{
    BeatClock clock;
    std::shared_ptr<core::Timer> fired;
    auto keep = std::make_shared<int>(0);
    ASSERT_TRUE(clock.armBeat(0.5f, keep, [&](core::Timer& timer) { fired = timer.shared_from_this(); }));
    m_clock->advance(2.0);
    core::RunLoop::main().runOnce();
    ASSERT_TRUE(fired);
    clock.beginStep(fired.get());
    ASSERT_TRUE(clock.armBeat(0.5f, keep, count()));
    clock.endStep();
    EXPECT_DOUBLE_EQ(clock.timer()->fireDate(), 102.5);
}

}
}
