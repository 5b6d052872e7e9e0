#pragma once
#include <string>

namespace core {
class UserDefaults;
}

namespace audio {

// The user's sound choices, remembered across runs. Stored under keys with a `/`, which no song
// name can contain, so they never collide with a song's saved beats.
struct SoundSettings {
    static constexpr const char* kClickKey = "sound/click";
    static constexpr const char* kCountInKey = "sound/countIn";
    static constexpr const char* kNotesKey = "sound/notes";
    static constexpr const char* kVolumeKey = "sound/volume";
    static constexpr const char* kOffsetKey = "sound/offsetMs";
    static constexpr double kMinOffsetMs = -200;
    static constexpr double kMaxOffsetMs = 200;

    bool click = false;
    bool countIn = false;
    bool notes = false;
    double volume = 0.8;
    double offsetMs = 0;

    // Missing or unreadable values keep their defaults; numbers are clamped to their range.
    static SoundSettings load(core::UserDefaults& store);
    // Writes every value and commits them; false when the store cannot be written.
    bool save(core::UserDefaults& store) const;

    bool operator==(const SoundSettings&) const = default;
};

}
