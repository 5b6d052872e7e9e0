#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace player {

// What a song's practice left behind: the repeated bars, the shade, the speed and the best
// accuracy played along at each speed. Kept in the
// settings store under "practice/<song>/..." keys, which no song name can take (song names hold
// no '/'), so a song called like a setting never clashes with it.
class PracticeSettings {
public:
    struct Loop {
        int32_t start = 0;
        int32_t end = 0;
        bool on = false;
    };

    static std::string key(const std::string& song, const char* what);

    static std::optional<Loop> loop(const std::string& song);
    static std::optional<float> shade(const std::string& song);
    static std::optional<int32_t> speed(const std::string& song);
    // The best accuracy (0 to 1) played along at a speed, under "practice/<song>/best/<speed>".
    static std::optional<double> best(const std::string& song, int32_t speed);

    // Each change is kept at once and committed to storage on the next turn of the main queue,
    // so a slider drag writes once per turn rather than once per step.
    static void setLoop(const std::string& song, const Loop& loop);
    static void setShade(const std::string& song, float shade);
    static void setSpeed(const std::string& song, int32_t percent);
    // Keeps `accuracy` when it beats the best so far at that speed; true when it did.
    static bool offerBest(const std::string& song, int32_t speed, double accuracy);
    // Forgets everything a song's practice left behind (the song is gone), committed at once;
    // false when the store cannot be written.
    static bool removeAll(const std::string& song);
    // Commits what is pending now (leaving the screen); false when the store cannot be written.
    static bool commit();
};

}
