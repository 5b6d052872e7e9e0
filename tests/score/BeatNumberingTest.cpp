#include "score/BeatNumbering.h"

#include <gtest/gtest.h>

using score::BeatNumbering;
using score::ScoreRow;

namespace {

ScoreRow beat(int bar, int beat, int flipView)
{
    return ScoreRow::fromMap({ { "channel", "41" }, { "Bar No(40)", std::to_string(bar) }, { "Beats per Bar(40)", std::to_string(beat) },
        { "flip_view", std::to_string(flipView) } });
}

ScoreRow bar(int bar, int beats)
{
    return ScoreRow::fromMap({ { "channel", "42" }, { "Bar No(40)", std::to_string(bar) }, { "Beats per Bar(40)", std::to_string(beats) } });
}

}

TEST(BeatNumbering, SongsThatMeetTheKeyRuleKeepIt)
{
    std::vector<ScoreRow> rows = { bar(0, 2), beat(0, 1, 2), beat(0, 2, 2), bar(1, 2), beat(1, 1, 2), beat(1, 2, 2) };
    auto numbering = BeatNumbering::of(rows);
    EXPECT_FALSE(numbering.byPlace());
    EXPECT_EQ(numbering.highestKey(), 4);
    EXPECT_EQ(numbering.keyOf(rows[4]), 3);
    EXPECT_EQ(numbering.barOf(4, 2), (std::pair<int64_t, int64_t> { 3, 4 }));
    EXPECT_EQ(numbering.barOf(3, 0), (std::pair<int64_t, int64_t> { 0, -1 }));
}

TEST(BeatNumbering, BarsOfDifferentSizesAreNumberedByPlace)
{
    // A one-beat pickup, then a bar of three: keys by the rule would be 1, 4, 5, 6.
    std::vector<ScoreRow> rows = { bar(0, 1), beat(0, 1, 1), bar(1, 3), beat(1, 1, 3), beat(1, 2, 3), beat(1, 3, 3) };
    auto numbering = BeatNumbering::of(rows);
    EXPECT_TRUE(numbering.byPlace());
    EXPECT_EQ(numbering.highestKey(), 4);
    EXPECT_EQ(numbering.keyOf(rows[1]), 1);
    EXPECT_EQ(numbering.keyOf(rows[3]), 2);
    EXPECT_EQ(numbering.keyOf(rows[5]), 4);
    EXPECT_EQ(numbering.barOf(1, 1), (std::pair<int64_t, int64_t> { 1, 1 }));
    EXPECT_EQ(numbering.barOf(3, 3), (std::pair<int64_t, int64_t> { 2, 4 }));
    EXPECT_EQ(numbering.barOf(9, 3), (std::pair<int64_t, int64_t> { 0, -1 }));
}
