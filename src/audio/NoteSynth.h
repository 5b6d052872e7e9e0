#pragma once
#include "platform/core/Error.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace audio {

// The General MIDI synthesizer for the song's notes: FluidSynth with one SoundFont.
//
// FluidSynth starts voices only at the start of its 64-frame blocks. To start a note on any frame
// we give each of the 64 possible offsets within a block its own MIDI channel and output group,
// and delay that group's output by the offset: a note due `phase` frames into the next block is
// started on the channel of that phase and heard exactly `phase` frames after the block starts.
// The song's channel only chooses melodic or percussion channels; programs are set per note.
//
// After creation it is used from the audio thread only, so FluidSynth's own locking is off, and
// nothing here allocates once created.
class NoteSynth {
public:
    static constexpr int kBlock = 64;
    // Blocks over which fadeOutAll() takes the sounding voices down to silence.
    static constexpr int kFadeBlocks = 4;

    // The SoundFont to use when the caller names none: FluidR3_GM when installed, else TimGM6mb.
    static std::string defaultSoundFontPath();
    static core::Result<std::shared_ptr<NoteSynth>> create(const std::string& soundFontPath, int sampleRate);

    ~NoteSynth();
    NoteSynth(const NoteSynth&) = delete;
    NoteSynth& operator=(const NoteSynth&) = delete;

    // Starts a note `phase` frames (0-63) into the next rendered block.
    void noteOn(int channel, int pitch, int velocity, int program, int phase);
    void noteOff(int channel, int pitch);
    // Fades every voice sounding now to silence over kFadeBlocks blocks and ends it; notes started
    // afterwards are not touched.
    void fadeOutAll();
    // Renders the next kBlock frames into the two channels.
    void render(float* left, float* right);
    // Voices still producing sound, releases included.
    int activeVoices() const;
    const std::string& soundFontPath() const { return m_path; }

private:
    NoteSynth() = default;
    void stepFades();

    static constexpr int kChannels = 2 * kBlock; // melodic channels, then percussion ones
    static constexpr int kPolyphony = 256;

    struct Fluid;
    struct Fading {
        void* voice;
        unsigned id;
        float attenuation;
        int step;
    };

    std::unique_ptr<Fluid> m_fluid;
    std::string m_path;
    std::array<int, kChannels> m_programs {};
    // For each song channel and pitch, the synthesizer channel its sounding note is on (or -1).
    std::array<std::array<int8_t, 128>, 16> m_noteChannel {};
    std::vector<Fading> m_fading;
    std::vector<void*> m_voiceList;
    // Two blocks of every group's output: the one before and the one just rendered.
    std::vector<float> m_previous;
    std::vector<float> m_current;
    std::vector<float*> m_outputs;
    std::array<bool, kBlock> m_previousLive {};
    std::array<bool, kBlock> m_currentLive {};
};

}
