#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace import {

// A piece of music as both readers deliver it and the strip writer lays it out: already in
// playing order (repeats, endings and jumps unrolled), times in quarter notes from the start.
struct Score {
    struct Part {
        std::string name;
        bool percussion = false;
    };

    struct Bar {
        double start = 0;
        double length = 4; // quarter notes actually filled, which is less than the meter in a pickup
        int beats = 4;     // the time signature in force
        int beatType = 4;
        // Compound meters count in dotted quarters when the tempo mark names one.
        bool dottedQuarterBeats = false;
        int number = 0; // the bar's number as the source wrote it, for the bar labels
    };

    struct TempoChange {
        double at = 0;
        double quartersPerMinute = 120;
    };

    struct Note {
        double start = 0;
        double length = 0;
        int part = 0;
        int midiPitch = 60;
        // Spelling as written: letter C..B, alteration in semitones and octave (C4 is middle C).
        int alter = 0;
        int octave = 4;
        // The printed accidental sign ("sharp", "flat", ...) and the fingering, as indices into
        // `texts` (0: none), so that a note stays small: files of many notes read fast.
        uint32_t accidental = 0;
        uint32_t fingering = 0;
        char step = 'C';
    };

    // Lyrics, chord symbols and rehearsal marks: a text at a time.
    struct Mark {
        double at = 0;
        std::string text;
    };

    std::string title;
    std::vector<Part> parts;
    std::vector<Bar> bars;
    std::vector<TempoChange> tempi; // sorted by time; empty means 120 quarters a minute
    std::vector<Note> notes;        // sorted by start
    std::vector<Mark> lyrics;
    std::vector<Mark> chords;
    std::vector<Mark> rehearsals;
    int keyFifths = 0;
    std::vector<std::string> texts { std::string() };
    // What the reader passed over or read leniently, one line each, for the import report.
    std::vector<std::string> report;

    static constexpr size_t maximumBars = 100000;
    static constexpr size_t maximumNotes = 1000000;

    double totalLength() const { return bars.empty() ? 0 : bars.back().start + bars.back().length; }
    // Adds a text for a note to refer to; 0 for an empty one.
    uint32_t addText(std::string text);
    const std::string& text(uint32_t index) const;
    // Seconds from the start to `quarters`, through the tempo map.
    double secondsAt(double quarters) const;
};

}
