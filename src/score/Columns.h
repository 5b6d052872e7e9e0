#pragma once
#include <array>
#include <cstddef>
#include <string_view>

// The column names of a song file that the player reads, exactly as the header line spells them.
namespace score::column {

namespace names {

// Every name in one array, so that a name's place in it tells which it is without comparing
// texts: rows are read a dozen names at a time, a hundred thousand rows a song.
inline constexpr char kAll[] = "channel\0Bar No(40)\0Beats per Bar(40)\0tempo (40)\0ipad_col(107)\0ipad_rows\0length(109)\0"
                               "height(110)\0flip_view\0rise_fall\0sharp_flat\0fingering/chord\0lyrics\0ipad_color(105)\0"
                               "Z-level\0Content\0pitch\0velocity\0program";
inline constexpr size_t kCount = 19;

constexpr std::string_view nth(size_t n)
{
    const char* at = kAll;
    for (size_t i = 0; i < n; ++i) {
        while (*at)
            ++at;
        ++at;
    }
    size_t length = 0;
    while (at[length])
        ++length;
    return { at, length };
}

// For each offset into kAll, the number of the name starting there, or kCount.
inline constexpr auto kNumberAt = [] {
    std::array<unsigned char, sizeof kAll> numbers {};
    numbers.fill(kCount);
    for (size_t n = 0; n < kCount; ++n)
        numbers[size_t(nth(n).data() - kAll)] = static_cast<unsigned char>(n);
    return numbers;
}();

// The length of each name.
inline constexpr auto kLengths = [] {
    std::array<unsigned char, kCount> lengths {};
    for (size_t n = 0; n < kCount; ++n)
        lengths[n] = static_cast<unsigned char>(nth(n).size());
    return lengths;
}();

}

inline constexpr std::string_view channel = names::nth(0);
inline constexpr std::string_view barNo = names::nth(1);
inline constexpr std::string_view beatsPerBar = names::nth(2);
inline constexpr std::string_view tempo = names::nth(3);
inline constexpr std::string_view ipadCol = names::nth(4);
inline constexpr std::string_view ipadRows = names::nth(5);
inline constexpr std::string_view length = names::nth(6);
inline constexpr std::string_view height = names::nth(7);
inline constexpr std::string_view flipView = names::nth(8);
inline constexpr std::string_view riseFall = names::nth(9);
inline constexpr std::string_view sharpFlat = names::nth(10);
inline constexpr std::string_view fingeringChord = names::nth(11);
inline constexpr std::string_view lyrics = names::nth(12);
inline constexpr std::string_view ipadColor = names::nth(13);
inline constexpr std::string_view zLevel = names::nth(14);
inline constexpr std::string_view content = names::nth(15);
// Written by the importer: the sounding pitch of a note block, and how it is played.
inline constexpr std::string_view pitch = names::nth(16);
inline constexpr std::string_view velocity = names::nth(17);
inline constexpr std::string_view program = names::nth(18);

}
