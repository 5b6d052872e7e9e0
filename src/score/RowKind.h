#pragma once
#include "score/Colour.h"

#include <cstdint>
#include <optional>
#include <string>

namespace score {

class ScoreRow;

// What a score row becomes on screen, chosen by the whole number of its "channel".
enum class RowKind {
    Beat,             // 41: the beat's tempo controls
    KeyLabel,         // 30: a label in the key view beside the strip
    SmallItalicLabel, // 36
    TextLabel,        // 31 to 35, 37 and 50; 33 and 34 on the row colour
    DottedLine,       // 14
    NoteBlock,        // everything else, bar rows (42) included
};

// Corner bits of a rounded note block.
enum CornerMask : uint32_t {
    CornerTopLeft = 1,
    CornerTopRight = 2,
    CornerBottomLeft = 4,
    CornerBottomRight = 8,
};

enum class RiseFall { None, Rising, Falling };

// A "#" or "b" label inside a note block.
struct AccidentalMark {
    std::string text;
    Frame frame;
    Colour colour;
};

RowKind rowKind(const ScoreRow& row);

// The working lists take only rows whose "channel" text is exactly "41" or "42": "+41" or "041"
// draws as a beat but is not one of the song's beats.
bool isBeatListRow(const ScoreRow& row);
bool isBarListRow(const ScoreRow& row);

// k = "Bar No(40)" x "flip_view" + "Beats per Bar(40)" as whole numbers; the beat is entry k - 1
// of the beat list, and k is the base of its controls' tags. Clamped to the 32-bit range.
int32_t beatKey(const ScoreRow& row);

// Layout units are half points.
float points(const ScoreRow& row, std::string_view column);
// The whole number halved, rounding toward zero, where the player reads whole numbers.
int32_t halfWhole(const ScoreRow& row, std::string_view column);
// ("ipad_col(107)", "ipad_rows", "length(109)", "height(110)") in points.
Frame frameOf(const ScoreRow& row);
// Labels: "flip_view" x 4.
float fontSize(const ScoreRow& row);
int32_t zLevel(const ScoreRow& row);

// Red, green, blue from "Bar No(40)", "Beats per Bar(40)", "tempo (40)", each / 255.
Colour rowColour(const ScoreRow& row);
// Red, green, blue from "fingering/chord", "lyrics", "ipad_color(105)", each / 255.
Colour markColour(const ScoreRow& row);

// Note blocks. Modes: 1 draws most blocks black, 2 draws no accidental marks, 3 shows the colours.
Colour noteBlockColour(const ScoreRow& row, int32_t mode);
// Border width in points when "flip_view" reads 1 or more as a whole number.
std::optional<float> borderWidth(const ScoreRow& row);
std::optional<AccidentalMark> accidentalMark(const ScoreRow& row, int32_t mode);
RiseFall riseFall(const ScoreRow& row);
// CornerMask bits rounded with radius 15: "105" and "110" top right, "106" both right corners.
uint32_t roundedCorners(const ScoreRow& row);
// Channels 6 and 7 are background bands: sent behind everything drawn before them.
bool sentToBack(const ScoreRow& row);
// Text labels of channels 33 and 34 have the row colour behind their text; the others are clear.
Colour labelBackground(const ScoreRow& row);

}
