#include "import/MusicXMLReader.h"

#include "archive/ZipArchive.h"
#include "import/ImportError.h"
#include "platform/core/FileManager.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <unistd.h>

namespace import {

namespace {

constexpr double kEpsilon = 1e-9;
constexpr double kLongestQuarters = 4096;

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

bool named(const pugi::xml_node& node, const char* name) { return std::strcmp(node.name(), name) == 0; }

int stepSemitone(char step)
{
    switch (step) {
    case 'C': return 0;
    case 'D': return 2;
    case 'E': return 4;
    case 'F': return 5;
    case 'G': return 7;
    case 'A': return 9;
    case 'B': return 11;
    }
    return -1;
}

std::string trimmed(const char* text)
{
    std::string s(text);
    size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos)
        return {};
    size_t b = s.find_last_not_of(" \t\r\n");
    return s.substr(a, b - a + 1);
}

std::vector<int> endingNumbers(const char* text)
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

std::string chordSymbol(const pugi::xml_node& harmony)
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
double metronomeTempo(const pugi::xml_node& metronome, bool* dotted)
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

class Reader {
public:
    core::Result<Score> read(const pugi::xml_document& document);

private:
    void readPart(const pugi::xml_node& part, int partIndex);
    void readSound(const pugi::xml_node& sound, WrittenMeasure& measure, double at);
    core::Result<std::vector<size_t>> playingOrder() const;

    std::vector<WrittenMeasure> m_measures;
    std::vector<bool> m_tempoSetInMeasure;
    Score m_score;
    size_t m_graceNotes = 0;
    size_t m_cueNotes = 0;
    size_t m_noteCount = 0;
    std::map<int, size_t> m_percussionNotes;
};

void Reader::readSound(const pugi::xml_node& sound, WrittenMeasure& measure, double at)
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

void Reader::readPart(const pugi::xml_node& part, int partIndex)
{
    double divisions = 1;
    int beats = 4;
    int beatType = 4;
    bool dottedMark = false;
    bool inEnding = false;
    std::vector<int> endings;
    size_t index = 0;
    for (pugi::xml_node measureNode : part.children("measure")) {
        if (index >= m_measures.size())
            m_measures.emplace_back();
        WrittenMeasure& measure = m_measures[index];
        if (measure.number.empty())
            measure.number = measureNode.attribute("number").value();
        double cursor = 0;
        double furthest = 0;
        double lastStart = 0;
        if (inEnding && measure.endings.empty())
            measure.endings = endings;
        for (pugi::xml_node child : measureNode.children()) {
            const char* name = child.name();
            if (!std::strcmp(name, "note")) {
                bool grace = bool(child.child("grace"));
                double duration = child.child("duration").text().as_double() / divisions;
                if (!std::isfinite(duration) || duration < 0)
                    duration = 0;
                // Nothing real lasts longer; absurd durations would make absurd bars.
                duration = std::min(duration, kLongestQuarters);
                bool chord = bool(child.child("chord"));
                double start = chord ? lastStart : cursor;
                if (grace) {
                    ++m_graceNotes;
                    continue;
                }
                if (!chord) {
                    lastStart = cursor;
                    cursor += duration;
                    furthest = std::max(furthest, cursor);
                }
                measure.sawContent = true;
                if (child.child("cue")) {
                    ++m_cueNotes;
                    continue;
                }
                if (child.child("rest"))
                    continue;
                if (child.child("unpitched")) {
                    ++m_percussionNotes[partIndex];
                    m_score.parts[partIndex].percussion = true;
                    continue;
                }
                pugi::xml_node pitch = child.child("pitch");
                if (!pitch)
                    continue;
                WrittenNote note;
                note.start = start;
                note.length = duration;
                note.part = partIndex;
                const char* step = pitch.child_value("step");
                note.step = step[0] ? char(std::toupper(step[0])) : 'C';
                if (stepSemitone(note.step) < 0)
                    continue;
                note.alter = int(std::lround(pitch.child("alter").text().as_double()));
                note.octave = std::clamp(pitch.child("octave").text().as_int(4), -1, 9);
                note.alter = std::clamp(note.alter, -2, 2);
                note.midiPitch = std::clamp((note.octave + 1) * 12 + stepSemitone(note.step) + note.alter, 0, 127);
                note.accidental = child.child_value("accidental");
                for (pugi::xml_node tie : child.children("tie")) {
                    if (!std::strcmp(tie.attribute("type").value(), "start"))
                        note.tieStart = true;
                    else if (!std::strcmp(tie.attribute("type").value(), "stop"))
                        note.tieStop = true;
                }
                for (pugi::xml_node notations : child.children("notations")) {
                    for (pugi::xml_node tied : notations.children("tied")) {
                        if (!std::strcmp(tied.attribute("type").value(), "start"))
                            note.tieStart = true;
                        else if (!std::strcmp(tied.attribute("type").value(), "stop"))
                            note.tieStop = true;
                    }
                    if (pugi::xml_node fingering = notations.child("technical").child("fingering"))
                        note.fingering = trimmed(fingering.child_value());
                }
                if (pugi::xml_node lyric = child.child("lyric")) {
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
                measure.notes.push_back(std::move(note));
                ++m_noteCount;
            } else if (!std::strcmp(name, "backup")) {
                cursor = std::max(0.0, cursor - child.child("duration").text().as_double() / divisions);
            } else if (!std::strcmp(name, "forward")) {
                double duration = child.child("duration").text().as_double() / divisions;
                if (std::isfinite(duration) && duration > 0)
                    cursor += std::min(duration, kLongestQuarters);
                furthest = std::max(furthest, cursor);
            } else if (!std::strcmp(name, "attributes")) {
                if (pugi::xml_node d = child.child("divisions")) {
                    double value = d.text().as_double();
                    if (value > 0 && std::isfinite(value))
                        divisions = value;
                }
                if (pugi::xml_node time = child.child("time")) {
                    // Additive meters such as 3+2/8 add up their parts.
                    int total = 0;
                    for (const char* p = time.child_value("beats"); *p;) {
                        char* end = nullptr;
                        long n = std::strtol(p, &end, 10);
                        if (end == p) {
                            ++p;
                            continue;
                        }
                        total += int(std::clamp(n, 0L, 1000L));
                        p = end;
                    }
                    int type = time.child("beat-type").text().as_int(0);
                    if (total > 0 && type > 0 && type <= 128) {
                        beats = total;
                        beatType = type;
                    }
                }
                if (partIndex == 0 || index == 0) {
                    if (pugi::xml_node key = child.child("key"); key && index == 0)
                        m_score.keyFifths = std::clamp(key.child("fifths").text().as_int(0), -7, 7);
                }
                if (pugi::xml_node clef = child.child("clef"); clef && !std::strcmp(clef.child_value("sign"), "percussion"))
                    m_score.parts[partIndex].percussion = true;
            } else if (!std::strcmp(name, "direction")) {
                double at = cursor + child.child("offset").text().as_double() / divisions;
                for (pugi::xml_node type : child.children("direction-type")) {
                    for (pugi::xml_node mark : type.children()) {
                        if (named(mark, "rehearsal")) {
                            std::string text = trimmed(mark.child_value());
                            if (!text.empty() && partIndex == 0)
                                measure.rehearsals.push_back({ at, text });
                        } else if (named(mark, "metronome")) {
                            bool dotted = false;
                            double tempo = metronomeTempo(mark, &dotted);
                            dottedMark = dotted;
                            if (tempo > 0 && !child.child("sound").attribute("tempo"))
                                measure.tempi.push_back({ at, tempo });
                        }
                    }
                }
                if (pugi::xml_node sound = child.child("sound"))
                    readSound(sound, measure, at);
            } else if (!std::strcmp(name, "sound")) {
                readSound(child, measure, cursor);
            } else if (!std::strcmp(name, "harmony")) {
                double at = cursor + child.child("offset").text().as_double() / divisions;
                std::string symbol = chordSymbol(child);
                if (!symbol.empty())
                    measure.chords.push_back({ at, symbol });
            } else if (!std::strcmp(name, "barline")) {
                if (pugi::xml_node repeat = child.child("repeat")) {
                    if (!std::strcmp(repeat.attribute("direction").value(), "forward"))
                        measure.forwardRepeat = true;
                    else if (!std::strcmp(repeat.attribute("direction").value(), "backward")) {
                        measure.backwardRepeat = true;
                        if (pugi::xml_attribute times = repeat.attribute("times"))
                            measure.times = std::clamp(times.as_int(2), 1, 1000);
                    }
                }
                if (pugi::xml_node ending = child.child("ending")) {
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
        measure.length = std::max(measure.length, furthest);
        if (partIndex == 0 || !measure.sawContent) {
            measure.beats = beats;
            measure.beatType = beatType;
        }
        measure.dottedMark = measure.dottedMark || dottedMark;
        ++index;
    }
}

// Measure indices in the order they are played.
core::Result<std::vector<size_t>> Reader::playingOrder() const
{
    std::vector<size_t> order;
    const size_t count = m_measures.size();
    // After a jump repeats are not taken again, and each group of endings plays its last one.
    std::vector<int> groupLast(count, 0);
    for (size_t first = 0; first < count;) {
        if (m_measures[first].endings.empty()) {
            ++first;
            continue;
        }
        size_t last = first;
        int highest = 0;
        while (last < count && !m_measures[last].endings.empty())
            highest = std::max(highest, *std::max_element(m_measures[last].endings.begin(), m_measures[last].endings.end())), ++last;
        std::fill(groupLast.begin() + long(first), groupLast.begin() + long(last), highest);
        first = last;
    }
    std::vector<int> passes(count, 0);
    std::vector<bool> jumped(count, false);
    size_t repeatStart = 0;
    int pass = 1;
    bool afterJump = false;
    size_t i = 0;
    while (i < count) {
        const WrittenMeasure& m = m_measures[i];
        if (m.forwardRepeat && repeatStart != i) {
            repeatStart = i;
            pass = 1;
        }
        if (!m.endings.empty()) {
            int wanted = afterJump ? groupLast[i] : pass;
            if (std::find(m.endings.begin(), m.endings.end(), wanted) == m.endings.end()) {
                ++i;
                continue;
            }
        }
        order.push_back(i);
        if (order.size() > Score::maximumBars)
            return importError(ImportErrorCode::TooLarge, core::format("it plays more than %zu bars", Score::maximumBars));
        if (afterJump && m.fine)
            break;
        if (afterJump && !m.tocoda.empty()) {
            size_t target = count;
            for (size_t k = i + 1; k < count; ++k)
                if (!m_measures[k].coda.empty()) {
                    target = k;
                    break;
                }
            if (target < count) {
                i = target;
                continue;
            }
        }
        if (m.backwardRepeat && !afterJump) {
            if (passes[i] + 1 < m.times) {
                ++passes[i];
                ++pass;
                i = repeatStart;
                continue;
            }
            passes[i] = 0;
            pass = 1;
            repeatStart = i + 1;
        }
        if ((m.dacapo || !m.dalsegno.empty()) && !jumped[i]) {
            jumped[i] = true;
            size_t target = 0;
            if (!m.dalsegno.empty()) {
                target = count;
                for (size_t k = 0; k < count; ++k)
                    if (!m_measures[k].segno.empty()) {
                        if (target == count || m_measures[k].segno == m.dalsegno)
                            target = k;
                        if (m_measures[k].segno == m.dalsegno)
                            break;
                    }
            }
            if (target < count) {
                afterJump = true;
                pass = 1;
                i = target;
                continue;
            }
        }
        ++i;
    }
    return order;
}

core::Result<Score> Reader::read(const pugi::xml_document& document)
{
    pugi::xml_node root = document.document_element();
    if (named(root, "score-timewise"))
        return importError(ImportErrorCode::Unsupported, "it is a timewise MusicXML score; only partwise scores can be imported");
    if (!named(root, "score-partwise"))
        return importError(ImportErrorCode::NotAScore, core::format("it is not a MusicXML score (its root element is <%s>)", root.name()));

    std::string title = trimmed(root.child("work").child_value("work-title"));
    if (title.empty())
        title = trimmed(root.child_value("movement-title"));
    if (title.empty()) {
        for (pugi::xml_node credit : root.children("credit")) {
            if (!std::strcmp(credit.child_value("credit-type"), "title")) {
                title = trimmed(credit.child_value("credit-words"));
                break;
            }
        }
    }
    m_score.title = title;

    std::map<std::string, size_t> partIds;
    for (pugi::xml_node scorePart : root.child("part-list").children("score-part")) {
        Score::Part part;
        part.name = trimmed(scorePart.child_value("part-name"));
        for (pugi::xml_node instrument : scorePart.children("midi-instrument"))
            if (instrument.child("midi-channel").text().as_int() == 10 || instrument.child("midi-unpitched"))
                part.percussion = true;
        partIds[scorePart.attribute("id").value()] = m_score.parts.size();
        m_score.parts.push_back(part);
    }
    std::vector<pugi::xml_node> parts;
    for (pugi::xml_node part : root.children("part"))
        parts.push_back(part);
    if (parts.empty())
        return importError(ImportErrorCode::Empty, "the score has no parts");
    // Parts missing from the part list still count, under a plain name.
    std::vector<int> partIndex;
    for (const pugi::xml_node& part : parts) {
        auto found = partIds.find(part.attribute("id").value());
        if (found != partIds.end()) {
            partIndex.push_back(int(found->second));
        } else {
            partIndex.push_back(int(m_score.parts.size()));
            m_score.parts.push_back({ core::format("Part %zu", m_score.parts.size() + 1), false });
        }
    }
    for (size_t p = 0; p < parts.size(); ++p) {
        readPart(parts[p], partIndex[p]);
        if (m_measures.size() > Score::maximumBars)
            return importError(ImportErrorCode::TooLarge, core::format("it has more than %zu bars", Score::maximumBars));
        if (m_noteCount > Score::maximumNotes)
            return importError(ImportErrorCode::TooLarge, core::format("it has more than %zu notes", Score::maximumNotes));
    }
    if (m_measures.empty())
        return importError(ImportErrorCode::Empty, "the score has no bars");

    // Tempo in force at each measure's start, in written order.
    double tempo = 0;
    for (WrittenMeasure& m : m_measures) {
        m.tempoAtStart = tempo;
        std::stable_sort(m.tempi.begin(), m.tempi.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        if (!m.tempi.empty())
            tempo = m.tempi.back().second;
        if (m.length <= kEpsilon)
            m.length = 4.0 * m.beats / m.beatType;
    }

    auto order = playingOrder();
    if (!order)
        return order.error();

    Score& score = m_score;
    double start = 0;
    double currentTempo = 0;
    size_t noteTotal = 0;
    for (size_t index : *order)
        noteTotal += m_measures[index].notes.size();
    if (noteTotal > Score::maximumNotes)
        return importError(ImportErrorCode::TooLarge, core::format("it plays more than %zu notes", Score::maximumNotes));
    score.bars.reserve(order->size());
    score.notes.reserve(noteTotal);
    // Open ties by part and pitch: the note a later tied note lengthens.
    std::map<std::pair<int, int>, size_t> openTies;
    for (size_t index : *order) {
        const WrittenMeasure& m = m_measures[index];
        Score::Bar bar;
        bar.start = start;
        bar.length = m.length;
        bar.beats = m.beats;
        bar.beatType = m.beatType;
        bar.dottedQuarterBeats = m.dottedMark;
        bar.number = std::atoi(m.number.c_str());
        score.bars.push_back(bar);
        double entryTempo = m.tempoAtStart > 0 ? m.tempoAtStart : 120;
        if (entryTempo != currentTempo && (m.tempi.empty() || m.tempi.front().first > kEpsilon)) {
            score.tempi.push_back({ start, entryTempo });
            currentTempo = entryTempo;
        }
        for (const auto& [at, value] : m.tempi) {
            if (value == currentTempo)
                continue;
            score.tempi.push_back({ start + std::min(at, m.length), value });
            currentTempo = value;
        }
        for (const WrittenNote& written : m.notes) {
            double noteStart = start + written.start;
            auto key = std::make_pair(written.part, written.midiPitch);
            if (written.tieStop) {
                auto open = openTies.find(key);
                if (open != openTies.end()) {
                    Score::Note& earlier = score.notes[open->second];
                    if (std::fabs(earlier.start + earlier.length - noteStart) < 1e-6) {
                        earlier.length += written.length;
                        if (!written.tieStart)
                            openTies.erase(open);
                        continue;
                    }
                    openTies.erase(open);
                }
            }
            Score::Note note;
            note.start = noteStart;
            note.length = written.length;
            note.part = written.part;
            note.midiPitch = written.midiPitch;
            note.step = written.step;
            note.alter = written.alter;
            note.octave = written.octave;
            note.accidental = score.addText(written.accidental);
            note.fingering = score.addText(written.fingering);
            if (note.length <= kEpsilon)
                continue;
            if (written.tieStart)
                openTies[key] = score.notes.size();
            score.notes.push_back(std::move(note));
        }
        for (const Timed& t : m.lyrics)
            score.lyrics.push_back({ start + t.at, t.text });
        for (const Timed& t : m.chords)
            score.chords.push_back({ start + t.at, t.text });
        for (const Timed& t : m.rehearsals)
            score.rehearsals.push_back({ start + t.at, t.text });
        start += m.length;
    }
    std::stable_sort(score.notes.begin(), score.notes.end(), [](const auto& a, const auto& b) { return a.start < b.start; });
    std::stable_sort(score.lyrics.begin(), score.lyrics.end(), [](const auto& a, const auto& b) { return a.at < b.at; });
    std::stable_sort(score.chords.begin(), score.chords.end(), [](const auto& a, const auto& b) { return a.at < b.at; });
    std::stable_sort(score.tempi.begin(), score.tempi.end(), [](const auto& a, const auto& b) { return a.at < b.at; });

    if (m_graceNotes)
        score.report.push_back(core::format("%zu grace note%s left out", m_graceNotes, m_graceNotes == 1 ? "" : "s"));
    if (m_cueNotes)
        score.report.push_back(core::format("%zu cue note%s left out", m_cueNotes, m_cueNotes == 1 ? "" : "s"));
    for (size_t p = 0; p < score.parts.size(); ++p) {
        if (!score.parts[p].percussion)
            continue;
        size_t n = m_percussionNotes.count(int(p)) ? m_percussionNotes[int(p)] : 0;
        score.report.push_back(core::format("percussion part \"%s\" left out of the pitch rows (%zu note%s)",
            score.parts[p].name.c_str(), n, n == 1 ? "" : "s"));
    }
    return std::move(m_score);
}

std::string readFileToString(const std::string& path, bool* ok)
{
    auto bytes = core::files::contentsAtPath(path);
    *ok = bool(bytes);
    return bytes ? std::move(*bytes) : std::string();
}

}

core::Result<Score> MusicXMLReader::readText(const std::string& text)
{
    pugi::xml_document document;
    pugi::xml_parse_result parsed = document.load_buffer(text.data(), text.size(), pugi::parse_default);
    if (!parsed) {
        // The line of the fault helps a person who opens the file.
        long line = 1 + long(std::count(text.begin(), text.begin() + std::min<size_t>(size_t(std::max<ptrdiff_t>(parsed.offset, 0)), text.size()), '\n'));
        return importError(ImportErrorCode::Malformed,
            core::format("the XML is malformed (%s, line %ld)", parsed.description(), line));
    }
    Reader reader;
    return reader.read(document);
}

core::Result<std::string> MusicXMLReader::rootFileOfContainer(const std::string& path)
{
    char pattern[] = "/tmp/beatstrip-mxl-XXXXXX";
    std::string folder;
    if (const char* tmp = getenv("TMPDIR"); tmp && *tmp) {
        std::string withTmp = std::string(tmp) + "/beatstrip-mxl-XXXXXX";
        if (mkdtemp(withTmp.data()))
            folder = withTmp;
    }
    if (folder.empty() && mkdtemp(pattern))
        folder = pattern;
    if (folder.empty())
        return importError(ImportErrorCode::CannotRead, "no temporary folder to unpack it in");
    struct Cleanup {
        std::string folder;
        ~Cleanup() { (void)core::files::removeItemAtPath(folder); }
    } cleanup { folder };

    core::Error error;
    if (!archive::ZipArchive::unzipFileAtPath(path, folder, true, std::nullopt, &error))
        return importError(ImportErrorCode::Malformed, "it is a damaged zip archive");
    bool ok = false;
    std::string container = readFileToString(folder + "/META-INF/container.xml", &ok);
    if (!ok)
        return importError(ImportErrorCode::NotAScore, "it is a zip archive but not a MusicXML container (no META-INF/container.xml)");
    pugi::xml_document document;
    if (!document.load_buffer(container.data(), container.size()))
        return importError(ImportErrorCode::Malformed, "its META-INF/container.xml is malformed");
    std::string rootPath;
    for (pugi::xml_node rootfile : document.child("container").child("rootfiles").children("rootfile")) {
        const char* type = rootfile.attribute("media-type").value();
        if (!*type || std::strstr(type, "musicxml")) {
            rootPath = rootfile.attribute("full-path").value();
            break;
        }
    }
    if (rootPath.empty())
        return importError(ImportErrorCode::NotAScore, "its META-INF/container.xml names no MusicXML root file");
    // The archive layer leaves out unsafe names, so a root file that climbs out is simply absent.
    std::string text = readFileToString(folder + "/" + rootPath, &ok);
    if (!ok || rootPath.find("..") != std::string::npos)
        return importError(ImportErrorCode::NotAScore, core::format("the root file %s named by its container is missing", rootPath.c_str()));
    return text;
}

core::Result<Score> MusicXMLReader::readFile(const std::string& path)
{
    bool ok = false;
    std::string bytes = readFileToString(path, &ok);
    if (!ok)
        return importError(ImportErrorCode::CannotRead, "the file cannot be read");
    if (bytes.size() >= 4 && bytes.compare(0, 4, "PK\x03\x04") == 0) {
        auto text = rootFileOfContainer(path);
        if (!text)
            return text.error();
        return readText(*text);
    }
    return readText(bytes);
}

}
