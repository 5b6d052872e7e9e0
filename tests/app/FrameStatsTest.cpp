#include "app/FrameStats.h"
#include "platform/core/Json.h"

#include <gtest/gtest.h>

using app::FrameStats;

TEST(FrameStatsTest, PercentilesAreNearestRank)
{
    std::vector<double> values;
    for (int i = 100; i >= 1; i--)
        values.push_back(i);
    EXPECT_EQ(FrameStats::percentile(values, 50), 50);
    EXPECT_EQ(FrameStats::percentile(values, 99), 99);
    EXPECT_EQ(FrameStats::percentile(values, 100), 100);
    EXPECT_EQ(FrameStats::percentile({ 7 }, 50), 7);
    EXPECT_EQ(FrameStats::percentile({ 1, 9 }, 50), 1);
    EXPECT_EQ(FrameStats::percentile({}, 50), 0);
}

TEST(FrameStatsTest, WritesOneObjectWithEverySummary)
{
    FrameStats stats;
    stats.addFrame(2, 0.5, 1, 1.0);
    stats.addFrame(1, 0.25, 1, 0.05);
    stats.addFrame(3, 0.75, 4, 0.1);
    stats.addLateness(0.2);
    stats.addLateness(-0.1);
    auto json = core::JSONObject(stats.json());
    ASSERT_TRUE(json && json->is_object());
    EXPECT_EQ((*json)["frames"], 3);
    for (const char* key : { "renderMs", "uploadMs", "presentMs", "beatLatenessMs" }) {
        ASSERT_TRUE(json->contains(key)) << key;
        for (const char* field : { "p50", "p99", "max" })
            EXPECT_TRUE((*json)[key].contains(field)) << key << "." << field;
    }
    EXPECT_EQ((*json)["renderMs"]["p50"], 2);
    EXPECT_EQ((*json)["renderMs"]["max"], 3);
    EXPECT_EQ((*json)["presentMs"]["p99"], 4);
    EXPECT_EQ((*json)["damagedFraction"]["p50"], 0.1);
    EXPECT_EQ((*json)["damagedFraction"]["max"], 1.0);
    EXPECT_FALSE((*json)["damagedFraction"].contains("p99"));
    EXPECT_EQ((*json)["beatLatenessMs"]["p50"], -0.1);
    EXPECT_EQ((*json)["beatLatenessMs"]["max"], 0.2);
}
