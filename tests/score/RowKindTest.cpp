#include "score/RowKind.h"

#include "score/ScoreRow.h"

#include <gtest/gtest.h>

using namespace score;

namespace {

ScoreRow row(std::map<std::string, std::string> values)
{
    return ScoreRow::fromMap(values);
}

ScoreRow channel(const std::string& text)
{
    return row({ { "channel", text } });
}

}

TEST(RowKindTest, KindsByWholeNumberChannelInTheLayoutOrder)
{
    EXPECT_EQ(rowKind(channel("41")), RowKind::Beat);
    EXPECT_EQ(rowKind(channel("+41")), RowKind::Beat);
    EXPECT_EQ(rowKind(channel("41.0")), RowKind::Beat);
    EXPECT_EQ(rowKind(channel("30")), RowKind::KeyLabel);
    EXPECT_EQ(rowKind(channel("36")), RowKind::SmallItalicLabel);
    for (auto text : { "31", "32", "33", "34", "35", "37", "50" })
        EXPECT_EQ(rowKind(channel(text)), RowKind::TextLabel) << text;
    EXPECT_EQ(rowKind(channel("14")), RowKind::DottedLine);
    for (auto text : { "0", "", "6", "7", "20", "38", "42", "51", "52", "71", "105", "106", "110", "x" })
        EXPECT_EQ(rowKind(channel(text)), RowKind::NoteBlock) << text;
}

TEST(RowKindTest, WorkingListsTestTheExactText)
{
    EXPECT_TRUE(isBeatListRow(channel("41")));
    for (auto text : { "+41", "041", "41.0", " 41" })
        EXPECT_FALSE(isBeatListRow(channel(text))) << text;
    EXPECT_TRUE(isBarListRow(channel("42")));
    EXPECT_FALSE(isBarListRow(channel("042")));
}

TEST(RowKindTest, BeatKeyIsBarTimesBeatsPerBarPlusBeat)
{
    for (int beat = 1; beat <= 4; ++beat)
        EXPECT_EQ(beatKey(row({ { "Bar No(40)", "1" }, { "flip_view", "4" }, { "Beats per Bar(40)", std::to_string(beat) } })), 4 + beat);
    EXPECT_EQ(beatKey(row({ { "Bar No(40)", "2" }, { "flip_view", "4" }, { "Beats per Bar(40)", "3" } })), 11);
    EXPECT_EQ(beatKey(row({ { "Bar No(40)", "2.9" }, { "flip_view", "3.5" }, { "Beats per Bar(40)", "1" } })), 7);
    EXPECT_EQ(beatKey(row({ { "Bar No(40)", "2000000000" }, { "flip_view", "4" }, { "Beats per Bar(40)", "1" } })), INT32_MAX);
}

TEST(RowKindTest, LayoutUnitsAreHalfPoints)
{
    auto block = row({ { "ipad_col(107)", "200" }, { "ipad_rows", "100" }, { "length(109)", "60" }, { "height(110)", "21" } });
    EXPECT_EQ(frameOf(block), (Frame { 100, 50, 30, 10.5f }));
    EXPECT_EQ(halfWhole(block, "height(110)"), 10);
    EXPECT_EQ(halfWhole(row({ { "x", "-7" } }), "x"), -3);
    EXPECT_EQ(fontSize(row({ { "flip_view", "2.7" } })), 2.7f * 4.0f);
}

TEST(RowKindTest, NoteBlockColourByMode)
{
    auto pureRed = row({ { "channel", "1" }, { "Bar No(40)", "255" }, { "Beats per Bar(40)", "0" }, { "tempo (40)", "0" } });
    EXPECT_EQ(noteBlockColour(pureRed, 3), Colour::redColor());
    EXPECT_EQ(noteBlockColour(pureRed, 1), Colour::blackColor());

    auto coloured = [&](const std::string& ch) {
        return row({ { "channel", ch }, { "Bar No(40)", "51" }, { "Beats per Bar(40)", "102" }, { "tempo (40)", "204" } });
    };
    Colour rgb { 0.2, 0.4, 0.8, 1.0 };
    for (auto ch : { "51", "52", "6", "7" }) {
        for (int mode = 1; mode <= 3; ++mode)
            EXPECT_EQ(noteBlockColour(coloured(ch), mode), rgb) << ch << " mode " << mode;
    }
    for (int mode = 1; mode <= 3; ++mode)
        EXPECT_EQ(noteBlockColour(coloured("20"), mode), Colour::redColor());
    EXPECT_EQ(noteBlockColour(coloured("71"), 1), Colour::grayColor());
    EXPECT_EQ(noteBlockColour(coloured("71"), 2), rgb);
    // "+71" is channel 71 as a number but not as text: black, not gray.
    EXPECT_EQ(noteBlockColour(coloured("+71"), 1), Colour::blackColor());
    EXPECT_EQ(noteBlockColour(coloured("105"), 1), Colour::blackColor());
    EXPECT_EQ(noteBlockColour(coloured("105"), 2), rgb);
}

TEST(RowKindTest, NoteBlockDecorations)
{
    EXPECT_EQ(roundedCorners(channel("105")), uint32_t(CornerTopRight));
    EXPECT_EQ(roundedCorners(channel("110")), uint32_t(CornerTopRight));
    EXPECT_EQ(roundedCorners(channel("106")), 10u);
    EXPECT_EQ(roundedCorners(channel("+105")), 0u);
    EXPECT_TRUE(sentToBack(channel("6")));
    EXPECT_TRUE(sentToBack(channel("7")));
    EXPECT_FALSE(sentToBack(channel("51")));

    EXPECT_FALSE(borderWidth(row({ { "flip_view", "0.5" } })));
    EXPECT_EQ(borderWidth(row({ { "flip_view", "2" } })), 2.0f);
    EXPECT_EQ(borderWidth(row({ { "flip_view", "1.5" } })), 1.5f);

    EXPECT_EQ(riseFall(row({ { "rise_fall", "U" } })), RiseFall::Rising);
    EXPECT_EQ(riseFall(row({ { "rise_fall", "D" } })), RiseFall::Falling);
    EXPECT_EQ(riseFall(row({ { "rise_fall", "u" } })), RiseFall::None);
}

TEST(RowKindTest, AccidentalMarksByMode)
{
    auto sharp = row({ { "sharp_flat", "#" }, { "fingering/chord", "0" }, { "lyrics", "255" }, { "ipad_color(105)", "0" } });
    EXPECT_EQ(accidentalMark(sharp, 1)->colour, Colour::yellowColor());
    EXPECT_EQ(accidentalMark(sharp, 3)->colour, (Colour { 0, 1, 0, 1 }));
    EXPECT_EQ(accidentalMark(sharp, 3)->frame, (Frame { 5, 2, 15, 15 }));
    EXPECT_FALSE(accidentalMark(sharp, 2));
    auto flat = row({ { "sharp_flat", "b" } });
    EXPECT_EQ(accidentalMark(flat, 1)->text, "b");
    EXPECT_EQ(accidentalMark(flat, 3)->colour, Colour::yellowColor());
    EXPECT_EQ(accidentalMark(flat, 3)->frame, (Frame { 2, 2, 16, 12 }));
    EXPECT_FALSE(accidentalMark(flat, 2));
    EXPECT_FALSE(accidentalMark(row({ { "sharp_flat", "B" } }), 1));
}

TEST(RowKindTest, LabelBackgroundOnlyFor33And34)
{
    auto label = [](const std::string& ch) {
        return row({ { "channel", ch }, { "Bar No(40)", "255" }, { "Beats per Bar(40)", "255" }, { "tempo (40)", "0" } });
    };
    EXPECT_EQ(labelBackground(label("33")), (Colour { 1, 1, 0, 1 }));
    EXPECT_EQ(labelBackground(label("34")), (Colour { 1, 1, 0, 1 }));
    EXPECT_EQ(labelBackground(label("35")), Colour::clearColor());
    EXPECT_EQ(labelBackground(label("50")), Colour::clearColor());
}
