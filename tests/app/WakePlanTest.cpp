#include "app/WakePlan.h"

#include <gtest/gtest.h>

using app::WakePlan;

TEST(WakePlanTest, WaitsForEventsUntilShortlyBeforeTheNextTimerThenSleepsToIt)
{
    // 10.5 ms ahead: the event wait ends at 5 ms, 5.5 ms before the fire date.
    WakePlan far = WakePlan::next(100.0, 100.0105, false);
    EXPECT_EQ(far.kind, WakePlan::Kind::WaitForEvents);
    EXPECT_EQ(far.eventTimeoutMs, 5);
    EXPECT_LE(far.eventTimeoutMs / 1000.0, 0.0105 - WakePlan::kLead);

    // 5.5 ms ahead: too close for a whole millisecond of event wait; sleep to the fire date.
    WakePlan near = WakePlan::next(100.0, 100.0055, false);
    EXPECT_EQ(near.kind, WakePlan::Kind::SleepToDeadline);
    EXPECT_NEAR(near.sleepSeconds, 0.0055, 1e-9);

    // A timer long away never makes the event wait overshoot it.
    WakePlan later = WakePlan::next(5.0, 6.25, false);
    EXPECT_EQ(later.kind, WakePlan::Kind::WaitForEvents);
    EXPECT_EQ(later.eventTimeoutMs, 1245);
}

TEST(WakePlanTest, PollsWhenWorkIsReadyAndWaitsWithoutLimitWithoutTimers)
{
    EXPECT_EQ(WakePlan::next(1.0, 1.5, true).kind, WakePlan::Kind::Poll);
    EXPECT_EQ(WakePlan::next(1.0, 0.9, false).kind, WakePlan::Kind::Poll);
    EXPECT_EQ(WakePlan::next(1.0, 1.0, false).kind, WakePlan::Kind::Poll);
    WakePlan idle = WakePlan::next(1.0, std::nullopt, false);
    EXPECT_EQ(idle.kind, WakePlan::Kind::WaitForEvents);
    EXPECT_EQ(idle.eventTimeoutMs, -1);
}
