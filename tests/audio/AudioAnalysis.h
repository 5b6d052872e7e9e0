#pragma once
// Reading an offline mix back: onsets, levels and the strength of one frequency.
#include "audio/OfflineOutput.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace audiotest {

// The left channel of the kept mix, frame by frame, in -1..1.
inline std::vector<double> leftChannel(const audio::OfflineOutput& out)
{
    const auto& s = out.samples();
    std::vector<double> left(s.size() / 2);
    for (size_t i = 0; i < left.size(); ++i)
        left[i] = s[2 * i] / 32767.0;
    return left;
}

// Frames where sound starts after at least `quiet` frames of exact silence.
inline std::vector<int64_t> onsets(const std::vector<double>& x, int quiet = 100)
{
    std::vector<int64_t> found;
    int silent = quiet;
    for (size_t i = 0; i < x.size(); ++i) {
        if (x[i] == 0) {
            ++silent;
            continue;
        }
        if (silent >= quiet)
            found.push_back(int64_t(i));
        silent = 0;
    }
    return found;
}

inline double peak(const std::vector<double>& x, int64_t from, int64_t to)
{
    double p = 0;
    for (int64_t i = from; i < to && i < int64_t(x.size()); ++i)
        p = std::max(p, std::fabs(x[i]));
    return p;
}

// Mean power of one frequency over frames [from, to) (Goertzel), per frame, so windows of
// different lengths compare.
inline double goertzel(const std::vector<double>& x, int64_t from, int64_t to, double frequency, int rate = 48000)
{
    const double coefficient = 2 * std::cos(2 * M_PI * frequency / rate);
    double s1 = 0, s2 = 0;
    for (int64_t i = from; i < to; ++i) {
        const double s = x[i] + coefficient * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    const double n = double(to - from);
    return power / (n * n);
}

}
