#pragma once
#include "audio/AudioOutput.h"
#include "platform/core/Error.h"

#include <cstdint>
#include <string>
#include <vector>

namespace audio {

// Renders on demand: frame 0 is heard at the start time, and renderUntil(t) mixes exactly the
// frames up to round((t - start) * rate), so a run on the manual clock gives the same samples
// every time. Keeps the mix as 16-bit stereo for a WAV file.
class OfflineOutput final : public AudioOutput {
public:
    static constexpr int kSampleRate = 48000;
    // The size of the blocks it mixes, as a device would ask for them (10 ms).
    static constexpr int kBlockFrames = 480;

    static std::shared_ptr<OfflineOutput> create(double startTime);

    void start(std::shared_ptr<Mixer> mixer) override;
    void stop() override;
    State state() const override;
    int sampleRate() const override { return kSampleRate; }
    double latency() const override { return 0; }

    double startTime() const { return m_startTime; }
    // The frame a beat-clock time falls on.
    int64_t frameForTime(double time) const;
    // Mixes every frame up to the one `time` falls on (nothing when that is already mixed).
    void renderUntil(double time);
    int64_t framesRendered() const { return m_frames; }

    // The kept mix, interleaved left/right, from the first frame kept.
    const std::vector<int16_t>& samples() const { return m_samples; }
    int64_t firstKeptFrame() const { return m_firstKept; }
    // Forgets the kept samples (long renders that only measure); frames keep counting.
    void discardSamples();
    // 48 kHz, 16-bit, stereo PCM.
    core::Result<void> writeWav(const std::string& path) const;

private:
    explicit OfflineOutput(double startTime) : m_startTime(startTime) { }

    double m_startTime;
    std::shared_ptr<Mixer> m_mixer;
    int64_t m_frames = 0;
    int64_t m_firstKept = 0;
    std::vector<int16_t> m_samples;
    std::vector<float> m_block;
};

}
