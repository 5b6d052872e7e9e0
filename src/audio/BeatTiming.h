#pragma once
#include "audio/AudioEvent.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

namespace audio {

class AudioEngine;

// One beat of the strip as the beat clock walks it: it covers x to x + length (half points) and
// lasts 60 / (tempo x speed) seconds.
struct BeatSpan {
    double x = 0;
    double length = 0;
    double tempo = 0;
};

struct TimeSpan {
    double start = 0;
    double end = 0;
};

// Seconds one beat lasts at a tempo and a speed factor (0.5 plays at half speed); 0 for a tempo
// or speed that is not positive.
double beatDuration(double tempo, double speed);

// The beat-clock time at which the cursor reaches strip position x, walking the beats in order
// from beats[first], which starts at firstTime. Within a beat, time grows evenly with x. None when
// x lies in none of the walked beats.
std::optional<double> timeForX(std::span<const BeatSpan> beats, size_t first, double firstTime, double speed, double x);
// The times a block from `left` to `right` starts and stops sounding (None unless both map).
std::optional<TimeSpan> timeSpanForX(std::span<const BeatSpan> beats, size_t first, double firstTime, double speed,
    double left, double right);

// Schedules one bar of count-in clicks from `start` (beatsInBar clicks at the beat's tempo and the
// speed, the first accented) and returns when the cursor must start: exactly one bar later.
double scheduleCountIn(AudioEngine& engine, double start, int beatsInBar, double tempo, double speed);

// A song's `pitch` field as a MIDI note number: a number 0 to 127, or a note name with its octave
// (C4 = 60, `F#4`, `Bb3`, `C-1`). None for anything else, such as a chord root without octave.
std::optional<int> parsePitch(std::string_view text);

// The note a song row asks for: its `pitch` field, and its `velocity` and `program` fields as read
// as whole numbers (an empty field reads 0). Velocity 0 means the default, 90; both are clamped to
// 0-127 (velocity from 1). None when the pitch field holds no note.
std::optional<Note> noteForRow(std::string_view pitch, int velocity, int program);

}
