#pragma once
#include <cstddef>
#include <optional>
#include <span>

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

}
