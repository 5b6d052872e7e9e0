#include <gtest/gtest.h>

#include "audio/BeatTiming.h"

#include <vector>

using namespace audio;

namespace {

// Three beats of 120 half points from x = 100: 120 bpm, 60 bpm, then 72.5 bpm.
const std::vector<BeatSpan> kBeats { { 100, 120, 120 }, { 220, 120, 60 }, { 340, 120, 72.5 } };

}

TEST(BeatTimingTest, StripPositionsMapToTimesThroughEachBeatsTempo)
{
    EXPECT_DOUBLE_EQ(*timeForX(kBeats, 0, 10, 1, 100), 10);
    EXPECT_DOUBLE_EQ(*timeForX(kBeats, 0, 10, 1, 160), 10.25);           // half of a 0.5 s beat
    EXPECT_DOUBLE_EQ(*timeForX(kBeats, 0, 10, 1, 220), 10.5);            // the next beat's start
    EXPECT_DOUBLE_EQ(*timeForX(kBeats, 0, 10, 1, 250), 10.5 + 0.25);     // a quarter of a 1 s beat
    EXPECT_DOUBLE_EQ(*timeForX(kBeats, 0, 10, 1, 400), 11.5 + 0.5 * 60 / 72.5);
    EXPECT_DOUBLE_EQ(*timeForX(kBeats, 0, 10, 1, 460), 11.5 + 60 / 72.5); // the last beat's right edge
    EXPECT_FALSE(timeForX(kBeats, 0, 10, 1, 99).has_value());
    EXPECT_FALSE(timeForX(kBeats, 0, 10, 1, 461).has_value());
    // Walking from the second beat (after a jump), x in the first beat is not reached.
    EXPECT_FALSE(timeForX(kBeats, 1, 3, 1, 160).has_value());
    EXPECT_DOUBLE_EQ(*timeForX(kBeats, 1, 3, 1, 250), 3.25);
}

TEST(BeatTimingTest, SpeedStretchesEveryTimeAndBlocksMapToSpans)
{
    // Half speed: every beat lasts twice as long.
    EXPECT_DOUBLE_EQ(*timeForX(kBeats, 0, 0, 0.5, 250), 2 * 0.75);
    EXPECT_DOUBLE_EQ(beatDuration(72.5, 0.5), 2 * 60 / 72.5);
    EXPECT_DOUBLE_EQ(beatDuration(0, 1), 0);
    EXPECT_DOUBLE_EQ(beatDuration(120, 0), 0);

    // A note block across the first bar line: from the middle of beat 1 to the middle of beat 2.
    auto span = timeSpanForX(kBeats, 0, 0, 1, 160, 280);
    ASSERT_TRUE(span.has_value());
    EXPECT_DOUBLE_EQ(span->start, 0.25);
    EXPECT_DOUBLE_EQ(span->end, 1.0);
    auto slow = timeSpanForX(kBeats, 0, 0, 0.5, 160, 280);
    ASSERT_TRUE(slow.has_value());
    EXPECT_DOUBLE_EQ(slow->end - slow->start, 2 * (span->end - span->start));
    EXPECT_FALSE(timeSpanForX(kBeats, 0, 0, 1, 50, 280).has_value());
    EXPECT_FALSE(timeSpanForX(kBeats, 0, 0, 1, 280, 160).has_value());
}
