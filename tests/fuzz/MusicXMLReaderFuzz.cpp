// libFuzzer target for the MusicXML reader (over pugixml) and the strip writer behind it: any
// text must give a score or an error, never a crash or undefined behaviour. Built like
// MidiReaderFuzz.cpp: build-fuzz/tests/musicxml_reader_fuzz CORPUS_DIR ../shared/peers/musicxml
#include "import/MusicXMLReader.h"
#include "import/StripWriter.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto score = import::MusicXMLReader::readText(std::string(reinterpret_cast<const char*>(data), size));
    // Huge but lawful songs only slow the search down.
    if (score.ok() && score->bars.size() <= 2000 && import::StripWriter::beatCount(*score) <= 100000) {
        auto song = import::StripWriter::write(*score);
        if (song.bars != score->bars.size())
            __builtin_trap();
    }
    return 0;
}
