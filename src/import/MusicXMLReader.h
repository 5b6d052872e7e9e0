#pragma once
#include "import/Score.h"
#include "platform/core/Error.h"

#include <string>

namespace import {

// Reads partwise MusicXML (plain, or compressed .mxl) into a score in playing order: repeats and
// endings unrolled, and D.C., D.S., Fine and Coda followed where the file gives their playback
// marks (the `sound` element's attributes). Grace and cue notes are passed over.
class MusicXMLReader {
public:
    // A compressed file is recognised by its zip signature, whatever its name ends in.
    static core::Result<Score> readFile(const std::string& path);
    static core::Result<Score> readText(const std::string& text);
    // The root file of a compressed MusicXML container, as named by META-INF/container.xml.
    static core::Result<std::string> rootFileOfContainer(const std::string& path);
};

}
