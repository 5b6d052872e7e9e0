// libFuzzer target for the MIDI reader and the strip writer behind it: any bytes must give a
// score or an error, never a crash, a leak or undefined behaviour. Build it with clang:
//   cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DBEATSTRIP_FUZZ=ON
//   cmake --build build-fuzz --target midi_reader_fuzz
//   build-fuzz/tests/midi_reader_fuzz -max_total_time=300 CORPUS_DIR ../shared/peers/midi
#include "import/MidiReader.h"
#include "import/StripWriter.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    (void)import::MidiReader::countEvents(bytes);
    auto score = import::MidiReader::readBytes(bytes);
    // Huge but lawful songs (long silences give up to 100,000 bars) only slow the search down.
    if (score.ok() && score->bars.size() <= 2000) {
        auto song = import::StripWriter::write(*score);
        if (song.bars != score->bars.size())
            __builtin_trap();
    }
    return 0;
}
