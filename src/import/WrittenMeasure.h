#pragma once
#include <string>
#include <utility>
#include <vector>

namespace import {

// A measure of a MusicXML part as written, before repeats are unrolled: what the MusicXML
// reader's parts gather and its playing order walks. Times are in quarter notes from the
// measure's start.
struct WrittenNote {
    double start = 0;
    double length = 0;
    int part = 0;
    int midiPitch = 60;
    char step = 'C';
    int alter = 0;
    int octave = 4;
    bool tieStart = false;
    bool tieStop = false;
    std::string accidental;
    std::string fingering;
};

struct Timed {
    double at = 0;
    std::string text;
};

// One measure as written, merged over the parts.
struct WrittenMeasure {
    std::string number;
    double length = 0;
    int beats = 4;
    int beatType = 4;
    bool dottedMark = false;
    bool forwardRepeat = false;
    bool backwardRepeat = false;
    int times = 2;
    std::vector<int> endings;
    bool dacapo = false;
    bool fine = false;
    std::string segno, dalsegno, coda, tocoda;
    double tempoAtStart = 0; // 0: none given yet
    std::vector<std::pair<double, double>> tempi;
    std::vector<WrittenNote> notes;
    std::vector<Timed> lyrics, chords, rehearsals;
    bool sawContent = false;
};

}
