#pragma once
// Writes small Standard MIDI Files for tests: one track, a tempo, notes at times in seconds
// (rounded to the nearest tick of 960 per quarter).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace miditest {

struct Played {
    double start = 0;
    double length = 0.2;
    int pitch = 60;
};

inline void putVariable(std::string& out, uint32_t value)
{
    char bytes[5];
    int n = 0;
    bytes[n++] = char(value & 0x7F);
    while ((value >>= 7) != 0)
        bytes[n++] = char(0x80 | (value & 0x7F));
    while (n > 0)
        out += bytes[--n];
}

inline void putBig(std::string& out, uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out += char((value >> (8 * i)) & 0xFF);
}

// The file's bytes: format 0, 960 ticks a quarter, `bpm` quarters a minute.
inline std::string midiBytes(const std::vector<Played>& notes, double bpm = 120)
{
    constexpr int kDivision = 960;
    const double ticksPerSecond = kDivision * bpm / 60;
    struct Event {
        uint32_t tick;
        bool on;
        int pitch;
    };
    std::vector<Event> events;
    for (const auto& note : notes) {
        auto on = uint32_t(std::lround(note.start * ticksPerSecond));
        auto off = uint32_t(std::lround((note.start + note.length) * ticksPerSecond));
        events.push_back({ on, true, note.pitch });
        events.push_back({ std::max(off, on + 1), false, note.pitch });
    }
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return a.tick != b.tick ? a.tick < b.tick : (!a.on && b.on);
    });
    std::string track;
    putVariable(track, 0);
    track += "\xFF\x51\x03";
    putBig(track, uint32_t(std::lround(60000000.0 / bpm)), 3);
    uint32_t last = 0;
    for (const auto& event : events) {
        putVariable(track, event.tick - last);
        last = event.tick;
        track += char(event.on ? 0x90 : 0x80);
        track += char(event.pitch);
        track += char(event.on ? 90 : 0);
    }
    putVariable(track, 0);
    track += std::string("\xFF\x2F\x00", 3);
    std::string file = "MThd";
    putBig(file, 6, 4);
    putBig(file, 0, 2);
    putBig(file, 1, 2);
    putBig(file, kDivision, 2);
    file += "MTrk";
    putBig(file, uint32_t(track.size()), 4);
    return file + track;
}

inline bool writeMidiFile(const std::string& path, const std::vector<Played>& notes, double bpm = 120)
{
    std::ofstream out(path, std::ios::binary);
    out << midiBytes(notes, bpm);
    return bool(out);
}

}
