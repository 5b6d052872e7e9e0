#pragma once
#include "audio/AudioEvent.h"

#include <cstdint>
#include <memory>
#include <string>

namespace audio {

class AudioOutput;
class Mixer;

// The sound of a run: metronome clicks and the song's notes, sent from the main thread as events
// timed on the beat clock and mixed by the output's thread. The player's beat clock calls click(),
// noteOn()/noteOff() with the deadlines it already keeps, and allNotesOff() on pause, step, jump
// and loop. When the output has no device the engine takes the events and stays silent.
// Events are sent from one thread, the run loop's; the output's thread only mixes.
//
// The beat clock's part, per beat it enters at deadline t: click(t, accent on the bar's first
// beat); for each note block whose left edge falls in the beat, noteOn/noteOff at the times
// timeSpanForX() gives its edges. On pause, step, jump and loop: allNotesOff(now), then the events
// of the beat the cursor lands on. Count-in: scheduleCountIn() and start the cursor at its result.
class AudioEngine {
public:
    enum class Notes { Load, Skip };
    struct Options {
        // Empty: the default General MIDI SoundFont.
        std::string soundFontPath;
        Notes notes = Notes::Load;
        float volume = 0.8f;
        double offsetMs = 0;
    };

    static std::shared_ptr<AudioEngine> create(std::shared_ptr<AudioOutput> output, const Options& options);
    ~AudioEngine();
    AudioEngine(const AudioEngine&) = delete;
    AudioEngine& operator=(const AudioEngine&) = delete;

    // False when there is no sound device: the controls should say so.
    bool isAvailable() const;
    // False when the SoundFont could not be loaded (clicks still sound); the reason is in notesError().
    bool notesAvailable() const;
    const std::string& notesError() const { return m_notesError; }

    void click(double time, Accent accent);
    void noteOn(double time, const Note& note);
    void noteOff(double time, const Note& note);
    // Fades out whatever sounds at `time` (clicks and notes, a few milliseconds) and withdraws the
    // events sent before this call for `time` or later. Events sent after it play as usual.
    void allNotesOff(double time);

    void setVolume(double volume);
    // Positive values make the sound later than the picture, negative earlier: -200 to +200.
    void setOffsetMs(double milliseconds);

    AudioOutput& output() { return *m_output; }
    Mixer& mixer() { return *m_mixer; }

private:
    AudioEngine() = default;
    void send(AudioEvent event);

    std::shared_ptr<AudioOutput> m_output;
    std::shared_ptr<Mixer> m_mixer;
    std::string m_notesError;
    uint32_t m_sequence = 0;
    bool m_reportedFull = false;
};

}
