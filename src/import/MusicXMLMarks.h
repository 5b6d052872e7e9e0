#pragma once
#include "import/WrittenMeasure.h"

#include <string>
#include <vector>

namespace pugi {
class xml_node;
}

namespace import {

// The MusicXML elements around the notes: directions (rehearsal marks, metronome marks and the
// playback `sound` element with its tempo and jumps), chord symbols, bar lines with repeats and
// endings, and a note's notations (ties, fingering) and lyric. Each reads into the measure as
// written; times are in quarter notes from the measure's start.
class MusicXMLMarks {
public:
    static void readNotations(const pugi::xml_node& note, WrittenNote& written, WrittenMeasure& measure, double start);
    // `dottedMark` is set when a metronome mark counts in dotted quarters.
    static void readDirection(const pugi::xml_node& direction, WrittenMeasure& measure, double cursor, double divisions,
        bool firstPart, bool& dottedMark);
    static void readSound(const pugi::xml_node& sound, WrittenMeasure& measure, double at);
    static void readHarmony(const pugi::xml_node& harmony, WrittenMeasure& measure, double cursor, double divisions);
    // `endings` and `inEnding` carry an ending bracket across the measures it spans.
    static void readBarline(const pugi::xml_node& barline, WrittenMeasure& measure, std::vector<int>& endings, bool& inEnding);

    static std::string trimmed(const char* text);
    // "1, 2" or "1-3": the passes an ending is played on.
    static std::vector<int> endingNumbers(const char* text);
    static std::string chordSymbol(const pugi::xml_node& harmony);
    // Tempo in quarter notes a minute from a metronome mark, 0 when it gives none.
    static double metronomeTempo(const pugi::xml_node& metronome, bool* dotted);
};

}
