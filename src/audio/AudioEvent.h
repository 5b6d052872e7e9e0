#pragma once
#include <cstdint>

namespace audio {

enum class Accent : uint8_t { No, Yes };

// One piece of timed work for the mixer. The time is on the beat clock (core::Clock seconds);
// the mixer turns it into a sample position when the block that holds it is mixed.
struct AudioEvent {
    enum class Kind : uint8_t { Click, NoteOn, NoteOff, AllNotesOff };

    double time = 0;
    Kind kind = Kind::Click;
    Accent accent = Accent::No;
    uint8_t pitch = 0;
    uint8_t velocity = 0;
    uint8_t program = 0;
    uint8_t channel = 0;
    // Order of submission: events at the same time happen in the order they were sent.
    uint32_t sequence = 0;
};

// A note as the song describes it: MIDI pitch 0-127, velocity 1-127, GM program 0-127, channel 0-15.
struct Note {
    int pitch = 60;
    int velocity = 90;
    int program = 0;
    int channel = 0;
};

}
