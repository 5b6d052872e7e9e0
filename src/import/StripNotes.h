#pragma once
#include "import/Score.h"

#include <cstddef>

namespace import {

class StripRows;

inline constexpr const char* kLetters = "CDEFGAB";
// The place of a note letter in kLetters; 0 for any other.
int letterIndex(char step);

// The pitch rows of a song: the lowest and highest letter row and their height.
struct PitchRows {
    int low, high;
    double rowHeight, noteHeight;

    // Where the pitch rows begin, below the strip's labels, in points.
    static constexpr double kTop = 100;

    double y(int position) const { return kTop + (high - position) * rowHeight; }
    int count() const { return high - low + 1; }
};

// Notes: coloured by letter, the last one red, long ones with rounded corners, a border on a
// bar's first beat, a rise or fall mark on a leap of a fifth or more within the part. Returns how
// many were written. Notes are most of a song's rows, so the loop keeps to itself.
size_t writeNotes(StripRows& rows, const Score& score, const PitchRows& pitch);

}
