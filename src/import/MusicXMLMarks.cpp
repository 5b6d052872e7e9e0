#include "import/MusicXMLMarks.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>

namespace import {

std::string MusicXMLMarks::trimmed(const char* text)
{
    std::string s(text);
    size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos)
        return {};
    size_t b = s.find_last_not_of(" \t\r\n");
    return s.substr(a, b - a + 1);
}

std::vector<int> MusicXMLMarks::endingNumbers(const char* text)
{
    std::vector<int> numbers;
    const char* p = text;
    while (*p) {
        if (*p >= '0' && *p <= '9') {
            char* end = nullptr;
            long n = std::strtol(p, &end, 10);
            if (!numbers.empty() && p > text && *(p - 1) == '-') {
                for (long k = numbers.back() + 1; k <= n && k < numbers.back() + 100; ++k)
                    numbers.push_back(int(k));
            } else if (n > 0 && n < 1000) {
                numbers.push_back(int(n));
            }
            p = end;
        } else {
            ++p;
        }
    }
    return numbers;
}

std::string MusicXMLMarks::chordSymbol(const pugi::xml_node& harmony)
{
    pugi::xml_node root = harmony.child("root");
    const char* step = root.child_value("root-step");
    if (!*step)
        return {};
    std::string symbol(1, step[0]);
    int alter = int(std::lround(root.child("root-alter").text().as_double()));
    for (int i = 0; i < alter; ++i)
        symbol += '#';
    for (int i = 0; i > alter; --i)
        symbol += 'b';
    pugi::xml_node kind = harmony.child("kind");
    if (pugi::xml_attribute text = kind.attribute("text")) {
        symbol += text.value();
    } else {
        static const std::map<std::string, std::string> suffixes = {
            { "major", "" }, { "minor", "m" }, { "augmented", "aug" }, { "diminished", "dim" },
            { "dominant", "7" }, { "major-seventh", "maj7" }, { "minor-seventh", "m7" },
            { "diminished-seventh", "dim7" }, { "augmented-seventh", "aug7" }, { "half-diminished", "m7b5" },
            { "major-minor", "m(maj7)" }, { "major-sixth", "6" }, { "minor-sixth", "m6" }, { "dominant-ninth", "9" },
            { "major-ninth", "maj9" }, { "minor-ninth", "m9" }, { "dominant-11th", "11" }, { "dominant-13th", "13" },
            { "suspended-second", "sus2" }, { "suspended-fourth", "sus4" }, { "power", "5" }, { "none", "" },
        };
        auto found = suffixes.find(trimmed(kind.child_value()));
        if (found != suffixes.end())
            symbol += found->second;
    }
    if (pugi::xml_node bass = harmony.child("bass")) {
        const char* bassStep = bass.child_value("bass-step");
        if (*bassStep) {
            symbol += '/';
            symbol += bassStep[0];
            int bassAlter = int(std::lround(bass.child("bass-alter").text().as_double()));
            if (bassAlter > 0)
                symbol += '#';
            if (bassAlter < 0)
                symbol += 'b';
        }
    }
    return symbol;
}

// Tempo in quarter notes a minute from a metronome mark, 0 when it gives none.
double MusicXMLMarks::metronomeTempo(const pugi::xml_node& metronome, bool* dotted)
{
    const char* unit = metronome.child_value("beat-unit");
    double perMinute = metronome.child("per-minute").text().as_double();
    if (perMinute <= 0)
        return 0;
    static const std::map<std::string, double> quarters = { { "whole", 4 }, { "half", 2 }, { "quarter", 1 },
        { "eighth", 0.5 }, { "16th", 0.25 }, { "32nd", 0.125 } };
    auto found = quarters.find(trimmed(unit));
    double value = found == quarters.end() ? 1 : found->second;
    bool hasDot = bool(metronome.child("beat-unit-dot"));
    if (hasDot)
        value *= 1.5;
    *dotted = hasDot && found != quarters.end() && found->second == 1;
    return perMinute * value;
}

void MusicXMLMarks::readSound(const pugi::xml_node& sound, WrittenMeasure& measure, double at)
{
    if (pugi::xml_attribute tempo = sound.attribute("tempo")) {
        double value = tempo.as_double();
        if (value > 0 && std::isfinite(value))
            measure.tempi.push_back({ at, value });
    }
    if (sound.attribute("dacapo"))
        measure.dacapo = std::strcmp(sound.attribute("dacapo").value(), "no") != 0;
    if (sound.attribute("fine"))
        measure.fine = true;
    if (pugi::xml_attribute a = sound.attribute("segno"))
        measure.segno = a.value();
    if (pugi::xml_attribute a = sound.attribute("dalsegno"))
        measure.dalsegno = a.value();
    if (pugi::xml_attribute a = sound.attribute("coda"))
        measure.coda = a.value();
    if (pugi::xml_attribute a = sound.attribute("tocoda"))
        measure.tocoda = a.value();
}

void MusicXMLMarks::readNotations(const pugi::xml_node& noteNode, WrittenNote& note, WrittenMeasure& measure, double start)
{
    for (pugi::xml_node tie : noteNode.children("tie")) {
        if (!std::strcmp(tie.attribute("type").value(), "start"))
            note.tieStart = true;
        else if (!std::strcmp(tie.attribute("type").value(), "stop"))
            note.tieStop = true;
    }
    for (pugi::xml_node notations : noteNode.children("notations")) {
        for (pugi::xml_node tied : notations.children("tied")) {
            if (!std::strcmp(tied.attribute("type").value(), "start"))
                note.tieStart = true;
            else if (!std::strcmp(tied.attribute("type").value(), "stop"))
                note.tieStop = true;
        }
        if (pugi::xml_node fingering = notations.child("technical").child("fingering"))
            note.fingering = trimmed(fingering.child_value());
    }
    if (pugi::xml_node lyric = noteNode.child("lyric")) {
        std::string text;
        for (pugi::xml_node syllable : lyric.children("text")) {
            if (!text.empty())
                text += ' ';
            text += trimmed(syllable.child_value());
        }
        std::string syllabic = trimmed(lyric.child_value("syllabic"));
        if (!text.empty() && (syllabic == "begin" || syllabic == "middle"))
            text += '-';
        if (!text.empty())
            measure.lyrics.push_back({ start, text });
    }
}

void MusicXMLMarks::readDirection(const pugi::xml_node& direction, WrittenMeasure& measure, double cursor, double divisions,
    bool firstPart, bool& dottedMark)
{
    double at = cursor + direction.child("offset").text().as_double() / divisions;
    for (pugi::xml_node type : direction.children("direction-type")) {
        for (pugi::xml_node mark : type.children()) {
            if (!std::strcmp(mark.name(), "rehearsal")) {
                std::string text = trimmed(mark.child_value());
                if (!text.empty() && firstPart)
                    measure.rehearsals.push_back({ at, text });
            } else if (!std::strcmp(mark.name(), "metronome")) {
                bool dotted = false;
                double tempo = metronomeTempo(mark, &dotted);
                dottedMark = dotted;
                if (tempo > 0 && !direction.child("sound").attribute("tempo"))
                    measure.tempi.push_back({ at, tempo });
            }
        }
    }
    if (pugi::xml_node sound = direction.child("sound"))
        readSound(sound, measure, at);
}

void MusicXMLMarks::readHarmony(const pugi::xml_node& harmony, WrittenMeasure& measure, double cursor, double divisions)
{
    double at = cursor + harmony.child("offset").text().as_double() / divisions;
    std::string symbol = chordSymbol(harmony);
    if (!symbol.empty())
        measure.chords.push_back({ at, symbol });
}

void MusicXMLMarks::readBarline(const pugi::xml_node& barline, WrittenMeasure& measure, std::vector<int>& endings, bool& inEnding)
{
    if (pugi::xml_node repeat = barline.child("repeat")) {
        if (!std::strcmp(repeat.attribute("direction").value(), "forward"))
            measure.forwardRepeat = true;
        else if (!std::strcmp(repeat.attribute("direction").value(), "backward")) {
            measure.backwardRepeat = true;
            if (pugi::xml_attribute times = repeat.attribute("times"))
                measure.times = std::clamp(times.as_int(2), 1, 1000);
        }
    }
    if (pugi::xml_node ending = barline.child("ending")) {
        const char* type = ending.attribute("type").value();
        if (!std::strcmp(type, "start")) {
            endings = endingNumbers(ending.attribute("number").value());
            inEnding = !endings.empty();
            if (inEnding && measure.endings.empty())
                measure.endings = endings;
        } else {
            inEnding = false;
        }
    }
}
}
