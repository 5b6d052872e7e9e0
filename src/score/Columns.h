#pragma once
#include <string_view>

// The column names of a song file that the player reads, exactly as the header line spells them.
namespace score::column {

inline constexpr std::string_view channel = "channel";
inline constexpr std::string_view barNo = "Bar No(40)";
inline constexpr std::string_view beatsPerBar = "Beats per Bar(40)";
inline constexpr std::string_view tempo = "tempo (40)";
inline constexpr std::string_view ipadCol = "ipad_col(107)";
inline constexpr std::string_view ipadRows = "ipad_rows";
inline constexpr std::string_view length = "length(109)";
inline constexpr std::string_view height = "height(110)";
inline constexpr std::string_view flipView = "flip_view";
inline constexpr std::string_view riseFall = "rise_fall";
inline constexpr std::string_view sharpFlat = "sharp_flat";
inline constexpr std::string_view fingeringChord = "fingering/chord";
inline constexpr std::string_view lyrics = "lyrics";
inline constexpr std::string_view ipadColor = "ipad_color(105)";
inline constexpr std::string_view zLevel = "Z-level";
inline constexpr std::string_view content = "Content";

}
