#include <gtest/gtest.h>

#include "audio/NoteRow.h"

using namespace audio;

TEST(NoteRowTest, PitchFieldsReadAsMidiNumbersOrNoteNames)
{
    EXPECT_EQ(parsePitch("69"), 69);
    EXPECT_EQ(parsePitch("0"), 0);
    EXPECT_EQ(parsePitch("127"), 127);
    EXPECT_EQ(parsePitch("A4"), 69);
    EXPECT_EQ(parsePitch("C4"), 60);
    EXPECT_EQ(parsePitch("F#4"), 66);
    EXPECT_EQ(parsePitch("Bb3"), 58);
    EXPECT_EQ(parsePitch("C-1"), 0);
    EXPECT_EQ(parsePitch("G9"), 127);
    EXPECT_EQ(parsePitch("B#3"), 60);
    for (const char* bad : { "", "128", "0128", "-3", "D", "H4", "A#", "C10", "G#9", "Cb-1", "60.5", "A 4" })
        EXPECT_FALSE(parsePitch(bad).has_value()) << bad;
}

TEST(NoteRowTest, RowsWithoutAPlayablePitchMakeNoNote)
{
    auto plain = noteForRow("A4", 0, 0);
    ASSERT_TRUE(plain.has_value());
    EXPECT_EQ(plain->pitch, 69);
    EXPECT_EQ(plain->velocity, 90);
    EXPECT_EQ(plain->program, 0);
    auto loud = noteForRow("60", 300, 200);
    ASSERT_TRUE(loud.has_value());
    EXPECT_EQ(loud->velocity, 127);
    EXPECT_EQ(loud->program, 127);
    EXPECT_EQ(noteForRow("64", 40, -5)->program, 0);
    EXPECT_EQ(noteForRow("64", 40, 73)->velocity, 40);
    // Chord symbols in the band rows of the sample songs carry no octave: they do not sound.
    EXPECT_FALSE(noteForRow("Am", 90, 0).has_value());
    EXPECT_FALSE(noteForRow("D", 90, 0).has_value());
    EXPECT_FALSE(noteForRow("", 90, 0).has_value());
}
