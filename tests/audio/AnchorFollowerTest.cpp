#include <gtest/gtest.h>

#include "audio/AnchorFollower.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

using namespace audio;

namespace {

// A device that plays `rate` frames a second from clock time 5, asking for 512 frames a block;
// each callback is read with up to `jitter` seconds of delay (a fixed pseudo-random sequence).
struct Device {
    double rate;
    double jitter;
    uint32_t seed = 12345;

    double heard(int64_t frame) const { return 5.0 + double(frame) / rate; }
    double reading(int64_t frame)
    {
        seed = seed * 1664525u + 1013904223u;
        return heard(frame) + jitter * (seed >> 8) / double(1u << 24);
    }
};

}

TEST(AnchorFollowerTest, JitteryCallbacksAndAnOffRateDeviceStillMapWithinAMillisecond)
{
    for (double rate : { 48000.0, 49800.0, 47500.0 }) {
        Device device { rate, 0.004 };
        AnchorFollower follower(48000);
        double worst = 0;
        for (int block = 0; block < 3000; ++block) {
            const int64_t frame = int64_t(block) * 512;
            const Anchor anchor = follower.update(frame, device.reading(frame));
            EXPECT_EQ(anchor.frame, frame);
            // The readings are late by 0 to 4 ms; the anchor settles on their middle.
            if (block >= 1000) // 10 s in
                worst = std::max(worst, std::fabs(anchor.time - (device.heard(frame) + device.jitter / 2)));
        }
        EXPECT_LT(worst, 0.001) << "rate " << rate;
        EXPECT_NEAR(follower.secondsPerFrame(), 1 / rate, 0.002 / rate) << "rate " << rate;
    }
}

TEST(AnchorFollowerTest, StallStartsAfresh)
{
    Device device { 48000, 0 };
    AnchorFollower follower(48000);
    for (int block = 0; block < 100; ++block)
        follower.update(int64_t(block) * 512, device.heard(int64_t(block) * 512));
    // The device stalled for 200 ms: the next reading is taken as it is.
    const int64_t frame = 100 * 512;
    const Anchor anchor = follower.update(frame, device.heard(frame) + 0.2);
    EXPECT_DOUBLE_EQ(anchor.time, device.heard(frame) + 0.2);
    EXPECT_DOUBLE_EQ(follower.secondsPerFrame(), 1 / 48000.0);
}
