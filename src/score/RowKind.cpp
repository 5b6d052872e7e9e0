#include "score/RowKind.h"

#include "score/Columns.h"
#include "score/ScoreRow.h"

#include <limits>

namespace score {

RowKind rowKind(const ScoreRow& row)
{
    int32_t channel = row.intValue(column::channel);
    if (channel == 41)
        return RowKind::Beat;
    if (channel == 30)
        return RowKind::KeyLabel;
    if (channel == 36)
        return RowKind::SmallItalicLabel;
    if ((channel >= 31 && channel <= 37) || channel == 50)
        return RowKind::TextLabel;
    if (channel == 14)
        return RowKind::DottedLine;
    return RowKind::NoteBlock;
}

bool isBeatListRow(const ScoreRow& row)
{
    return row.text(column::channel) == "41";
}

bool isBarListRow(const ScoreRow& row)
{
    return row.text(column::channel) == "42";
}

int32_t beatKey(const ScoreRow& row)
{
    int64_t key = int64_t(row.intValue(column::barNo)) * row.intValue(column::flipView) + row.intValue(column::beatsPerBar);
    if (key > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (key < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return int32_t(key);
}

float points(const ScoreRow& row, std::string_view columnName)
{
    return row.floatValue(columnName) * 0.5f;
}

int32_t halfWhole(const ScoreRow& row, std::string_view columnName)
{
    return row.intValue(columnName) / 2;
}

Frame frameOf(const ScoreRow& row)
{
    return { points(row, column::ipadCol), points(row, column::ipadRows), points(row, column::length), points(row, column::height) };
}

float fontSize(const ScoreRow& row)
{
    return row.floatValue(column::flipView) * 4.0f;
}

int32_t zLevel(const ScoreRow& row)
{
    return row.intValue(column::zLevel);
}

Colour rowColour(const ScoreRow& row)
{
    return { double(row.floatValue(column::barNo)) / 255.0, double(row.floatValue(column::beatsPerBar)) / 255.0,
        double(row.floatValue(column::tempo)) / 255.0, 1.0 };
}

Colour markColour(const ScoreRow& row)
{
    return { double(row.floatValue(column::fingeringChord)) / 255.0, double(row.floatValue(column::lyrics)) / 255.0,
        double(row.floatValue(column::ipadColor)) / 255.0, 1.0 };
}

Colour noteBlockColour(const ScoreRow& row, int32_t mode)
{
    int32_t channel = row.intValue(column::channel);
    Colour colour = rowColour(row);
    if (mode == 1 && channel != 51 && channel != 52 && channel != 6 && channel != 7)
        colour = Colour::blackColor();
    if (channel == 20)
        colour = Colour::redColor();
    if (row.text(column::channel) == "71" && mode == 1)
        colour = Colour::grayColor();
    return colour;
}

std::optional<float> borderWidth(const ScoreRow& row)
{
    if (row.intValue(column::flipView) >= 1)
        return row.floatValue(column::flipView);
    return std::nullopt;
}

std::optional<AccidentalMark> accidentalMark(const ScoreRow& row, int32_t mode)
{
    if (mode == 2)
        return std::nullopt;
    auto mark = row.text(column::sharpFlat);
    if (mark == "#")
        return AccidentalMark { "#", { 5, 2, 15, 15 }, mode == 1 ? Colour::yellowColor() : mode == 3 ? markColour(row) : Colour::blackColor() };
    if (mark == "b")
        return AccidentalMark { "b", { 2, 2, 16, 12 }, Colour::yellowColor() };
    return std::nullopt;
}

RiseFall riseFall(const ScoreRow& row)
{
    auto mark = row.text(column::riseFall);
    if (mark == "U")
        return RiseFall::Rising;
    if (mark == "D")
        return RiseFall::Falling;
    return RiseFall::None;
}

uint32_t roundedCorners(const ScoreRow& row)
{
    auto channel = row.text(column::channel);
    if (channel == "105" || channel == "110")
        return CornerTopRight;
    if (channel == "106")
        return CornerTopRight | CornerBottomRight;
    return 0;
}

bool sentToBack(const ScoreRow& row)
{
    int32_t channel = row.intValue(column::channel);
    return channel == 6 || channel == 7;
}

Colour labelBackground(const ScoreRow& row)
{
    int32_t channel = row.intValue(column::channel);
    return channel == 33 || channel == 34 ? rowColour(row) : Colour::clearColor();
}

}
