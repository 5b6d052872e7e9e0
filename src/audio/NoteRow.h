#pragma once
#include "audio/AudioEvent.h"

#include <optional>
#include <string_view>

namespace audio {

// A song's `pitch` field as a MIDI note number: a number 0 to 127, or a note name with its octave
// (C4 = 60, `F#4`, `Bb3`, `C-1`). None for anything else, such as a chord root without octave.
std::optional<int> parsePitch(std::string_view text);

// The note a song row asks for: its `pitch` field, and its `velocity` and `program` fields as read
// as whole numbers (an empty field reads 0). Velocity 0 means the default, 90; both are clamped to
// 0-127 (velocity from 1). None when the pitch field holds no note.
std::optional<Note> noteForRow(std::string_view pitch, int velocity, int program);

}
