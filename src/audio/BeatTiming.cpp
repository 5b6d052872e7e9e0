#include "audio/BeatTiming.h"

#include "audio/AudioEngine.h"

#include <algorithm>

namespace audio {

double beatDuration(double tempo, double speed)
{
    if (!(tempo > 0) || !(speed > 0))
        return 0;
    return 60.0 / (tempo * speed);
}

std::optional<double> timeForX(std::span<const BeatSpan> beats, size_t first, double firstTime, double speed, double x)
{
    double time = firstTime;
    for (size_t i = first; i < beats.size(); ++i) {
        const BeatSpan& beat = beats[i];
        const double duration = beatDuration(beat.tempo, speed);
        if (beat.length > 0 && x >= beat.x && x <= beat.x + beat.length) {
            // The right edge of a beat is the start of the next one when they touch.
            const bool atNextStart = x == beat.x + beat.length && i + 1 < beats.size() && beats[i + 1].x == x;
            if (!atNextStart)
                return time + (x - beat.x) / beat.length * duration;
        }
        time += duration;
    }
    return std::nullopt;
}

std::optional<TimeSpan> timeSpanForX(std::span<const BeatSpan> beats, size_t first, double firstTime, double speed,
    double left, double right)
{
    auto start = timeForX(beats, first, firstTime, speed, left);
    auto end = timeForX(beats, first, firstTime, speed, right);
    if (!start || !end || *end < *start)
        return std::nullopt;
    return TimeSpan { *start, *end };
}

double scheduleCountIn(AudioEngine& engine, double start, int beatsInBar, double tempo, double speed)
{
    const double duration = beatDuration(tempo, speed);
    const int count = std::max(beatsInBar, 1);
    for (int i = 0; i < count; ++i)
        engine.click(start + i * duration, i == 0 ? Accent::Yes : Accent::No);
    return start + count * duration;
}

}
