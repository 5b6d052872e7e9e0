#pragma once
#include "audio/AudioEvent.h"
#include "audio/ClickSynth.h"
#include "audio/EventQueue.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace audio {

class NoteSynth;

// Where the beat clock meets the sample stream: frame `frame` is heard at beat-clock `time`.
struct Anchor {
    int64_t frame = 0;
    double time = 0;
};

// The callback's side of the engine. Each call mixes one block: it takes the new events from the
// queue, maps their beat-clock times to frames through the block's anchor, and starts clicks and
// notes on their exact frame. Nothing in mix() allocates or locks.
class Mixer {
public:
    // Frames over which "all notes off" fades what sounds.
    static constexpr int kFadeFrames = 256;
    static constexpr size_t kMaxPending = 4096;

    // One event as it was played: the frame its time maps to and the frame it took effect on.
    struct Onset {
        AudioEvent::Kind kind;
        double time;
        int64_t deadlineFrame;
        int64_t frame;
    };

    // The synthesizer may be null: clicks still sound, notes are ignored.
    Mixer(int sampleRate, std::shared_ptr<NoteSynth> synth);
    ~Mixer();

    int sampleRate() const { return m_sampleRate; }
    EventQueue& queue() { return m_queue; }
    bool hasNotes() const { return m_synth != nullptr; }

    // Any thread; read once per block.
    void setVolume(float volume) { m_volume.store(volume, std::memory_order_relaxed); }
    void setOffset(double seconds) { m_offset.store(seconds, std::memory_order_relaxed); }

    // Audio thread: mixes `frames` interleaved stereo frames.
    void mix(float* interleaved, int frames, const Anchor& anchor);
    // Frames mixed so far.
    int64_t position() const { return m_position.load(std::memory_order_acquire); }

    // A record of every onset, for measurements; set up before mixing starts and read only while
    // no block is being mixed. Entries beyond the capacity are dropped.
    void recordOnsets(size_t capacity);
    std::vector<Onset> onsets() const;

private:
    struct Pending {
        AudioEvent event;
        int64_t frame;
    };

    void drainQueue();
    void insertPending(const AudioEvent& event);
    void cancelBefore(const AudioEvent& stop);
    void removePending(size_t index);
    void startDueClicks(int64_t position);
    int64_t nextClickFrame() const;
    void synthBoundary(int64_t position);
    void record(const Pending& pending, int64_t frame);

    const int m_sampleRate;
    std::shared_ptr<NoteSynth> m_synth;
    EventQueue m_queue;
    ClickSynth m_clicks;
    std::atomic<float> m_volume { 0.8f };
    std::atomic<double> m_offset { 0 };
    std::atomic<int64_t> m_position { 0 };

    std::unique_ptr<Pending[]> m_pending;
    size_t m_pendingCount = 0;

    std::array<float, 64> m_synthLeft {};
    std::array<float, 64> m_synthRight {};
    std::array<float, 64> m_clickBuffer {};
    int m_synthIndex = 64;

    std::vector<Onset> m_onsets;
    size_t m_onsetCount = 0;
};

}
