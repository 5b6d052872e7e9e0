#include "import/MidiTrackDecoder.h"

#include "import/ImportError.h"
#include "platform/core/Log.h"

#include <algorithm>

namespace import {

uint32_t MidiChunks::bigEndian(std::string_view bytes, size_t at, size_t count)
{
    uint32_t value = 0;
    for (size_t i = 0; i < count; ++i)
        value = (value << 8) | uint8_t(bytes[at + i]);
    return value;
}

core::Result<MidiChunks> MidiChunks::split(std::string_view bytes)
{
    if (bytes.size() < 14 || bytes.substr(0, 4) != "MThd")
        return importError(ImportErrorCode::NotAScore, "it is not a Standard MIDI File (no MThd header)");
    MidiChunks chunks;
    uint32_t headerLength = bigEndian(bytes, 4, 4);
    if (headerLength < 6)
        return importError(ImportErrorCode::Malformed, "its MIDI header is too short");
    chunks.format = int(bigEndian(bytes, 8, 2));
    chunks.declaredTracks = int(bigEndian(bytes, 10, 2));
    uint32_t division = bigEndian(bytes, 12, 2);
    if (division & 0x8000) {
        // Frames per second and ticks per frame: count a quarter note as half a second.
        int framesPerSecond = -int(int8_t(division >> 8));
        int ticksPerFrame = int(division & 0xFF);
        if (framesPerSecond == 29)
            framesPerSecond = 30;
        chunks.division = std::max(1, framesPerSecond * ticksPerFrame / 2);
        chunks.smpte = true;
        chunks.report.push_back("time is given in SMPTE frames; read as 120 quarter notes a minute");
    } else {
        chunks.division = int(division);
    }
    if (chunks.division <= 0)
        return importError(ImportErrorCode::Malformed, "its MIDI header gives zero ticks per quarter note");
    if (chunks.format > 2)
        return importError(ImportErrorCode::Unsupported, core::format("it is a MIDI file of unknown format %d", chunks.format));

    size_t position = size_t(8) + std::min<uint32_t>(headerLength, uint32_t(bytes.size()));
    while (bytes.size() - std::min(position, bytes.size()) >= 8) {
        std::string_view id = bytes.substr(position, 4);
        uint32_t length = bigEndian(bytes, position + 4, 4);
        position += 8;
        size_t available = bytes.size() - position;
        if (length > available) {
            chunks.report.push_back(core::format("track %zu is shorter than its header says (the file is truncated); read what is there",
                chunks.tracks.size() + 1));
            length = uint32_t(available);
        }
        if (id == "MTrk")
            chunks.tracks.push_back(bytes.substr(position, length));
        position += length;
    }
    if (chunks.tracks.empty())
        return importError(ImportErrorCode::Malformed, "the MIDI file holds no tracks");
    if (int(chunks.tracks.size()) != chunks.declaredTracks)
        chunks.report.push_back(core::format("the header announces %d track%s but the file holds %zu; read all of them",
            chunks.declaredTracks, chunks.declaredTracks == 1 ? "" : "s", chunks.tracks.size()));
    if (chunks.format == 0 && chunks.tracks.size() > 1)
        chunks.report.push_back(core::format("a format 0 file with %zu tracks; read them all as one song", chunks.tracks.size()));
    return chunks;
}

}
