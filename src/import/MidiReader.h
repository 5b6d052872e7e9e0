#pragma once
#include "import/Score.h"
#include "platform/core/Error.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace import {

// Reads Standard MIDI Files, formats 0 and 1 (format 2 is read as if its tracks were one song):
// running status, kept across meta and system-exclusive events as many writers expect; the tempo
// map; time and key signatures; track names as part names; lyric and karaoke text events as
// lyrics; markers as section names; channel 10 as percussion. Lengths that lie are read
// leniently, with a line in the report.
//
// The reader takes bytes from anywhere, so it is fuzzed: tests/fuzz/MidiReaderFuzz.cpp
// (libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer).
class MidiReader {
public:
    static core::Result<Score> readFile(const std::string& path);
    static core::Result<Score> readBytes(std::string_view bytes);

    // Decodes every event of every track into a list of events, without building a score, and
    // returns how many there are: the peer the benchmark measures the reader against.
    static size_t countEvents(std::string_view bytes);
};

}
