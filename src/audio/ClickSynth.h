#pragma once
#include "audio/AudioEvent.h"

#include <array>
#include <cstdint>
#include <vector>

namespace audio {

// The metronome's voice: a short decaying tone burst computed once, so the callback only copies.
// The accented click (first beat of a bar) is higher and louder than the others.
class ClickSynth {
public:
    static constexpr double kPlainFrequency = 1000;
    static constexpr double kAccentFrequency = 1600;
    static constexpr float kPlainLevel = 0.45f;
    static constexpr float kAccentLevel = 0.8f;

    explicit ClickSynth(int sampleRate);

    // Starts a click on the next mixed frame, which is frame `frame` of the stream.
    void start(Accent accent, int64_t frame);
    // Fades the clicks that started before `frame` to silence over `frames` frames.
    void fadeOut(int frames, int64_t frame);
    // Adds the sounding clicks into a mono buffer.
    void mix(float* mono, int frames);
    bool sounding() const;
    int length() const { return static_cast<int>(m_plain.size()); }

private:
    struct Voice {
        const std::vector<float>* table = nullptr;
        int64_t startFrame = 0;
        int position = 0;
        int fadeLeft = 0;
        int fadeLength = 0;
    };

    std::vector<float> m_plain;
    std::vector<float> m_accent;
    std::array<Voice, 8> m_voices;
};

}
