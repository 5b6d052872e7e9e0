#pragma once
#include "audio/AnchorFollower.h"
#include "audio/AudioOutput.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace core {
class Clock;
}

namespace audio {

// The sound device through SDL2's audio callback. Once per block the callback reads the beat
// clock and anchors the block's first frame at that time plus the device's latency (smoothed by
// an AnchorFollower). When no device can be opened the output reports Unavailable.
class DeviceOutput final : public AudioOutput {
public:
    static constexpr int kSampleRate = 48000;

    // A timing record per block, for measurements: the frame the block starts at, the beat-clock
    // time the callback ran and the anchor time it used.
    struct BlockTiming {
        int64_t frame;
        double callbackTime;
        double anchorTime;
    };

    // Asks for blocks of at least blockFrames frames (a power of two, as SDL wants).
    static std::shared_ptr<DeviceOutput> open(std::shared_ptr<core::Clock> clock, int blockFrames = 512);
    ~DeviceOutput() override;

    void start(std::shared_ptr<Mixer> mixer) override;
    void stop() override;
    State state() const override;
    int sampleRate() const override { return m_sampleRate; }
    double latency() const override { return m_latency; }
    int blockFrames() const { return m_blockFrames; }

    void recordTimings(size_t capacity);
    std::vector<BlockTiming> timings() const;

private:
    explicit DeviceOutput(std::shared_ptr<core::Clock> clock) : m_clock(std::move(clock)) { }
    static void callback(void* self, uint8_t* stream, int length);
    void fill(float* out, int frames);

    std::shared_ptr<core::Clock> m_clock;
    std::shared_ptr<Mixer> m_mixer;
    uint32_t m_device = 0;
    bool m_subsystem = false;
    std::atomic<State> m_state { State::Unavailable };
    int m_sampleRate = kSampleRate;
    int m_blockFrames = 0;
    double m_latency = 0;

    // Callback thread only.
    AnchorFollower m_follower { kSampleRate };
    std::vector<BlockTiming> m_timings;
    size_t m_timingCount = 0;
};

}
