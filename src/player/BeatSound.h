#pragma once
#include "audio/AudioEvent.h"
#include "audio/BeatTiming.h"
#include "audio/SoundSettings.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace audio {
class AudioEngine;
}

namespace player {

// What the player screen hears: the click of every beat the cursor enters, a bar of count-in and
// the song's notes, sent to the app's sound engine on the beat clock's deadlines. The screen tells
// it which beat starts when; it sends that beat's events, and those of the beat expected next, so
// the engine always holds a little of the future and edits still take effect soon. Deadlines are
// kept in double seconds, apart from the float lengths the cursor's timer is armed with.
class BeatSound {
public:
    // A note block of the strip: it sounds while the cursor passes from left to right.
    struct NoteBlock {
        double left = 0;
        double right = 0;
        audio::Note note;
    };

    // The app's engine, shared by every player screen. None (headless without a WAV file) keeps
    // the player silent.
    static void setEngine(std::shared_ptr<audio::AudioEngine> engine);
    static const std::shared_ptr<audio::AudioEngine>& engine();
    // Told the time before events are sent for it or later: an offline output mixes up to it, so
    // those events land on their own samples.
    static void setBeforeSend(std::function<void(double now)> hook);

    bool active() const { return engine() != nullptr; }
    // Whether a sound device plays what is sent.
    bool deviceAvailable() const;

    const audio::SoundSettings& settings() const { return m_settings; }
    // Applies volume and offset to the engine; the toggles apply from the next beat sent.
    void setSettings(const audio::SoundSettings& settings);

    // The song's pitched blocks; any order.
    void setNotes(std::vector<NoteBlock> notes);
    size_t noteCount() const { return m_notes.size(); }

    // Which of a beat's sounds to send (each only when switched on).
    enum class Parts { Click, All };
    // Sends one beat that starts at `time`: its click and the notes whose left edge lies in it.
    // `beats` walks from that beat on (the first is the beat itself).
    void sendBeat(double time, audio::Accent accent, double speed, std::span<const audio::BeatSpan> beats, Parts parts = Parts::All);
    // One bar of count-in clicks from `start`; returns when the bar ends.
    double sendCountIn(double start, int beatsInBar, double tempo, double speed);
    // Fades out what sounds at `time` and withdraws what was sent for later.
    void silence(double time);

    // The beat expected next and its deadline, as sent ahead.
    void expect(size_t index, double time, double speed);
    void forget() { m_expected.reset(); }
    // The deadline of beat `index` when it was sent ahead at this speed.
    std::optional<double> expected(size_t index, double speed) const;
    // The deadline of beat `index` as sent ahead, whatever the speed.
    std::optional<double> expectedAnySpeed(size_t index) const;

private:
    void prepare(double now) const;

    struct Expected {
        size_t index;
        double time;
        double speed;
    };
    audio::SoundSettings m_settings;
    std::vector<NoteBlock> m_notes;
    std::optional<Expected> m_expected;
};

}
