#include "import/MusicXMLReader.h"

#include "import/ImportError.h"
#include "import/MusicXMLContainer.h"
#include "import/MusicXMLMarks.h"
#include "import/PlayingOrder.h"
#include "import/WrittenMeasure.h"
#include "platform/core/FileManager.h"
#include "platform/core/Log.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>

namespace import {

namespace {

constexpr double kEpsilon = 1e-9;
constexpr double kLongestQuarters = 4096;

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

std::string trimmed(const char* text) { return MusicXMLMarks::trimmed(text); }

class Reader {
public:
    core::Result<Score> read(const pugi::xml_document& document);

private:
    void readPart(const pugi::xml_node& part, int partIndex);

    std::vector<WrittenMeasure> m_measures;
    Score m_score;
    size_t m_graceNotes = 0;
    size_t m_cueNotes = 0;
    size_t m_noteCount = 0;
    std::map<int, size_t> m_percussionNotes;
};

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
                MusicXMLMarks::readNotations(child, note, measure, start);
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
                MusicXMLMarks::readDirection(child, measure, cursor, divisions, partIndex == 0, dottedMark);
            } else if (!std::strcmp(name, "sound")) {
                MusicXMLMarks::readSound(child, measure, cursor);
            } else if (!std::strcmp(name, "harmony")) {
                MusicXMLMarks::readHarmony(child, measure, cursor, divisions);
            } else if (!std::strcmp(name, "barline")) {
                MusicXMLMarks::readBarline(child, measure, endings, inEnding);
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

    auto order = PlayingOrder::of(m_measures);
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
    return MusicXMLContainer::rootFileText(path);
}

core::Result<Score> MusicXMLReader::readFile(const std::string& path)
{
    auto read = core::files::contentsAtPath(path);
    if (!read)
        return importError(ImportErrorCode::CannotRead, "the file cannot be read");
    const std::string& bytes = *read;
    if (bytes.size() >= 4 && bytes.compare(0, 4, "PK\x03\x04") == 0) {
        auto text = rootFileOfContainer(path);
        if (!text)
            return text.error();
        return readText(*text);
    }
    return readText(bytes);
}

}
