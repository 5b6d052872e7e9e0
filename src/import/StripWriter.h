#pragma once
#include "import/Score.h"

#include <cstddef>
#include <string>

namespace import {

// Lays a score out as a song file in the look of the sample songs: a bar row and beat rows per
// bar, each beat's tempo set so that it lasts as long as it does in the score, notes as blocks
// on letter rows (sharps and flats marked), chords with a bass lane, lyrics, fingering, section
// labels and bands, bar lines and the key view's row names.
class StripWriter {
public:
    struct Result {
        std::string text; // the song file, lines ending in carriage returns
        size_t bars = 0;
        size_t beats = 0;
        size_t notes = 0;
        // Whether every bar has the same number of beats, so the beat keys run 1, 2, 3 ...
        bool regular = true;
    };

    static constexpr double pointsPerQuarter = 48;
    static constexpr double defaultQuartersPerMinute = 120;

    static Result write(const Score& score);

    // The beat of a bar: its length in quarter notes, from the meter.
    static double beatLength(const Score::Bar& bar);
    // The beats a bar is laid out in, and those of the whole song.
    static size_t beatsInBar(const Score::Bar& bar);
    static size_t beatCount(const Score& score);
    // Songs of more beats are refused: their files would be too large to play.
    static constexpr size_t maximumBeats = 2000000;
    // The tempo label of a beat: short enough for the player's tempo label (four characters
    // at most, so 74.5 but 106), and the tempo it stands for in `shown`. Returns the text's end.
    static char* tempoLabel(double bpm, char (&out)[24], double* shown);
    // A text made safe for a field without quoting: no separators or line ends, no quotes or
    // spaces at the ends.
    static std::string fieldText(const std::string& text);
};

}
