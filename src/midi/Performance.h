#pragma once
#include "midi/NoteEvent.h"
#include "platform/core/Error.h"

#include <string>
#include <vector>

namespace midi {

// A performance read from a Standard MIDI File: every note as a key going down and up, in seconds
// from the file's start through its tempo map, in time order (at one time, keys go up before
// others go down, as a player's hands do).
class Performance {
public:
    static core::Result<Performance> readFile(const std::string& path);

    const std::vector<NoteEvent>& events() const { return m_events; }
    size_t noteCount() const;

private:
    std::vector<NoteEvent> m_events;
};

}
