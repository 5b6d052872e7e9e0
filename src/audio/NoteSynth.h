#pragma once
#include "platform/core/Error.h"

#include <array>
#include <memory>
#include <string>

namespace audio {

// The General MIDI synthesizer for the song's notes: FluidSynth with one SoundFont. It renders in
// fixed blocks of kBlock frames; note events take effect at the start of the next block. After
// creation it is used from the audio thread only, so FluidSynth's own locking is switched off.
class NoteSynth {
public:
    static constexpr int kBlock = 64;

    // The SoundFont to use when the caller names none: FluidR3_GM when installed, else TimGM6mb.
    static std::string defaultSoundFontPath();
    static core::Result<std::shared_ptr<NoteSynth>> create(const std::string& soundFontPath, int sampleRate);

    ~NoteSynth();
    NoteSynth(const NoteSynth&) = delete;
    NoteSynth& operator=(const NoteSynth&) = delete;

    void noteOn(int channel, int pitch, int velocity, int program);
    void noteOff(int channel, int pitch);
    // Cuts every voice at once (no release); callers fade the output first.
    void silenceAll();
    // Renders exactly kBlock frames into the two channels.
    void render(float* left, float* right);
    // Voices still producing sound, releases included.
    int activeVoices() const;
    const std::string& soundFontPath() const { return m_path; }

private:
    NoteSynth() = default;

    struct Fluid;
    std::unique_ptr<Fluid> m_fluid;
    std::string m_path;
    std::array<int, 16> m_programs {};
};

}
