#include "import/MidiReader.h"

#include "import/ImportError.h"
#include "import/MidiTrackDecoder.h"
#include "platform/core/FileManager.h"
#include "platform/core/Log.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <set>

namespace import {

namespace {

// Letter spellings of the twelve pitch classes, with sharps and with flats.
struct Spelling {
    char step;
    int alter;
};
constexpr Spelling kSharps[12] = { { 'C', 0 }, { 'C', 1 }, { 'D', 0 }, { 'D', 1 }, { 'E', 0 }, { 'F', 0 }, { 'F', 1 },
    { 'G', 0 }, { 'G', 1 }, { 'A', 0 }, { 'A', 1 }, { 'B', 0 } };
constexpr Spelling kFlats[12] = { { 'C', 0 }, { 'D', -1 }, { 'D', 0 }, { 'E', -1 }, { 'E', 0 }, { 'F', 0 }, { 'G', -1 },
    { 'G', 0 }, { 'A', -1 }, { 'A', 0 }, { 'B', -1 }, { 'B', 0 } };

std::string printable(std::string_view text)
{
    // Texts in MIDI files are often Latin-1; keep ASCII and drop control bytes.
    std::string out;
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F)
            out += c;
        else if (u >= 0xA0)
            out += char(0xC0 | (u >> 6)), out += char(0x80 | (u & 0x3F));
    }
    size_t a = out.find_first_not_of(' ');
    if (a == std::string::npos)
        return {};
    return out.substr(a, out.find_last_not_of(' ') - a + 1);
}

struct TimedValue {
    uint64_t tick;
    uint32_t value;
    uint32_t extra = 0;
    uint32_t extra2 = 0;
};

}

size_t MidiReader::countEvents(std::string_view bytes)
{
    auto chunks = MidiChunks::split(bytes);
    if (!chunks)
        return 0;
    // Into an event list, as the least a reader does with them: events only counted could be
    // decoded with no store at all, and would make too low a floor.
    std::vector<MidiEvent> events;
    MidiEvent event;
    for (std::string_view track : chunks->tracks) {
        MidiTrackDecoder decoder(track);
        while (decoder.next(event))
            events.push_back(event);
    }
    return events.size();
}

core::Result<Score> MidiReader::readFile(const std::string& path)
{
    auto bytes = core::files::contentsAtPath(path);
    if (!bytes)
        return importError(ImportErrorCode::CannotRead, "the file cannot be read");
    return readBytes(*bytes);
}

core::Result<Score> MidiReader::readBytes(std::string_view bytes)
{
    auto chunks = MidiChunks::split(bytes);
    if (!chunks)
        return chunks.error();
    Score score;
    score.report = chunks->report;
    const double division = chunks->division;

    struct RawNote {
        uint64_t start;
        uint64_t end;
        int key;
        int partKey;       // track * 16 + channel
        uint32_t next = 0; // the next note of the same key waiting to end, plus one
    };
    std::vector<RawNote> notes;
    std::vector<size_t> runs; // where each track's notes begin
    std::vector<uint64_t> trackEnds;
    constexpr uint64_t kOpen = UINT64_MAX;
    std::vector<TimedValue> tempi, meters;
    std::vector<std::pair<uint64_t, std::string>> lyrics, texts, markers;
    std::vector<std::string> trackNames(chunks->tracks.size());
    std::string karaokeTitle;
    int keyFifths = 0;
    bool keySeen = false;
    size_t percussionNotes = 0;
    uint64_t percussionEnd = 0;

    // Notes are added when they start, so each track's notes come in start order. The notes still
    // waiting to end form a queue per channel and key: its first and last note, plus one.
    std::vector<uint32_t> firstOpen(16 * 128), lastOpen(16 * 128);
    // A note takes at least six bytes of a track.
    notes.reserve(std::min(bytes.size() / 6, Score::maximumNotes));
    for (size_t t = 0; t < chunks->tracks.size(); ++t) {
        MidiTrackDecoder decoder(chunks->tracks[t]);
        runs.push_back(notes.size());
        std::fill(firstOpen.begin(), firstOpen.end(), 0);
        std::fill(lastOpen.begin(), lastOpen.end(), 0);
        MidiEvent event;
        while (decoder.next(event)) {
            if (event.status == 0xFF) {
                std::string_view data = event.payload;
                switch (event.metaType) {
                case 0x51:
                    if (data.size() >= 3 && !chunks->smpte) {
                        uint32_t perQuarter = MidiChunks::bigEndian(data, 0, 3);
                        if (perQuarter > 0)
                            tempi.push_back({ event.tick, perQuarter });
                    }
                    break;
                case 0x58:
                    if (data.size() >= 2)
                        meters.push_back({ event.tick, uint8_t(data[0]), uint8_t(data[1]), data.size() >= 3 ? uint8_t(data[2]) : 24u });
                    break;
                case 0x59:
                    if (data.size() >= 1 && !keySeen) {
                        keyFifths = std::clamp(int(int8_t(data[0])), -7, 7);
                        keySeen = true;
                    }
                    break;
                case 0x03:
                    if (trackNames[t].empty())
                        trackNames[t] = printable(data);
                    break;
                case 0x05:
                    lyrics.push_back({ event.tick, std::string(data) });
                    break;
                case 0x01:
                    if (!data.empty() && data[0] == '@') {
                        if (data.size() > 2 && data[1] == 'T' && karaokeTitle.empty())
                            karaokeTitle = printable(data.substr(2));
                    } else {
                        texts.push_back({ event.tick, std::string(data) });
                    }
                    break;
                case 0x06:
                    markers.push_back({ event.tick, printable(data) });
                    break;
                }
            } else if (event.status < 0xF0) {
                int kind = event.status & 0xF0;
                int channel = event.status & 0x0F;
                int slot = channel * 128 + event.data1;
                if (kind == 0x90 && event.data2 > 0) {
                    if (notes.size() >= Score::maximumNotes + 1)
                        return importError(ImportErrorCode::TooLarge, core::format("it has more than %zu notes", Score::maximumNotes));
                    uint32_t added = uint32_t(notes.size()) + 1;
                    notes.push_back({ event.tick, kOpen, event.data1, int(t) * 16 + channel });
                    if (lastOpen[size_t(slot)])
                        notes[lastOpen[size_t(slot)] - 1].next = added;
                    else
                        firstOpen[size_t(slot)] = added;
                    lastOpen[size_t(slot)] = added;
                } else if (kind == 0x80 || kind == 0x90) {
                    if (uint32_t first = firstOpen[size_t(slot)]) {
                        RawNote& ending = notes[first - 1];
                        ending.end = event.tick;
                        firstOpen[size_t(slot)] = ending.next;
                        if (!ending.next)
                            lastOpen[size_t(slot)] = 0;
                    }
                }
            }
        }
        if (decoder.fault())
            score.report.push_back(core::format("track %zu %s; read what came before", t + 1, decoder.fault()));
        trackEnds.push_back(decoder.tick());
    }
    // In one pass over the notes: notes never released end with their track; percussion is
    // counted and set aside; notes without length are dropped; the parts and the song's end are
    // found. Each track's run of notes stays in start order, and the runs are merged.
    runs.push_back(notes.size());
    std::vector<size_t> kept(runs.size(), 0);
    std::vector<int> partOfKey(chunks->tracks.size() * 16, -1);
    std::vector<int> channelsInTrack(chunks->tracks.size(), 0);
    bool firstTrackHasNotes = false;
    uint64_t endTick = 0;
    size_t count = 0;
    for (size_t r = 0; r + 1 < runs.size(); ++r) {
        kept[r] = count;
        for (size_t n = runs[r]; n < runs[r + 1]; ++n) {
            RawNote note = notes[n];
            if (note.end == kOpen)
                note.end = trackEnds[r];
            if (note.partKey % 16 == 9) {
                ++percussionNotes;
                percussionEnd = std::max(percussionEnd, note.end);
            } else if (note.end > note.start) {
                notes[count++] = note;
                if (partOfKey[size_t(note.partKey)] < 0) {
                    partOfKey[size_t(note.partKey)] = 0;
                    ++channelsInTrack[size_t(note.partKey / 16)];
                }
                firstTrackHasNotes = firstTrackHasNotes || note.partKey / 16 == 0;
                endTick = std::max(endTick, note.end);
            }
        }
    }
    kept.back() = count;
    notes.resize(count);
    auto byStart = [](const RawNote& a, const RawNote& b) { return a.start < b.start; };
    // Few runs merge in linear time each; many are sorted at once.
    if (kept.size() > 10)
        std::stable_sort(notes.begin(), notes.end(), byStart);
    else
        for (size_t r = 1; r + 1 < kept.size(); ++r)
            std::inplace_merge(notes.begin(), notes.begin() + long(kept[r]), notes.begin() + long(kept[r + 1]), byStart);
    if (notes.empty() && !percussionNotes)
        return importError(ImportErrorCode::Empty, "it holds no notes");

    // Title: a karaoke title, else the name of a track without notes (the conductor track of a
    // format 1 file, or the only track of a format 0 file).
    score.title = karaokeTitle;
    if (score.title.empty() && !trackNames.empty() && (!firstTrackHasNotes || chunks->tracks.size() == 1))
        score.title = trackNames[0];

    // Parts: one per track and channel, named after the track.
    for (size_t key = 0; key < partOfKey.size(); ++key) {
        int& index = partOfKey[key];
        if (index < 0)
            continue;
        int track = int(key / 16);
        std::string name = trackNames[size_t(track)].empty() ? core::format("Track %d", track + 1) : trackNames[size_t(track)];
        if (channelsInTrack[size_t(track)] > 1)
            name += core::format(" (channel %d)", int(key % 16) + 1);
        index = int(score.parts.size());
        score.parts.push_back({ name, false });
    }
    if (percussionNotes)
        score.report.push_back(core::format("percussion (channel 10) left out of the pitch rows (%zu note%s)", percussionNotes,
            percussionNotes == 1 ? "" : "s"));

    std::stable_sort(tempi.begin(), tempi.end(), [](const auto& a, const auto& b) { return a.tick < b.tick; });
    std::stable_sort(meters.begin(), meters.end(), [](const auto& a, const auto& b) { return a.tick < b.tick; });
    for (const TimedValue& tempo : tempi) {
        double qpm = 60e6 / tempo.value;
        double at = double(tempo.tick) / division;
        if (!score.tempi.empty() && std::fabs(score.tempi.back().at - at) < 1e-9)
            score.tempi.back().quartersPerMinute = qpm;
        else if (score.tempi.empty() || score.tempi.back().quartersPerMinute != qpm)
            score.tempi.push_back({ at, qpm });
    }

    endTick = std::max(endTick, percussionEnd);
    double end = double(endTick) / division;
    // Bars from the time signatures; a signature that falls inside a bar cuts that bar short.
    int beats = 4, beatType = 4;
    bool dotted = false;
    size_t nextMeter = 0;
    double position = 0;
    int number = 1;
    while (position < end - 1e-9) {
        while (nextMeter < meters.size() && double(meters[nextMeter].tick) / division <= position + 1e-9) {
            const TimedValue& m = meters[nextMeter++];
            if (m.value > 0 && m.extra <= 7) {
                beats = int(m.value);
                beatType = 1 << m.extra;
                // 36 MIDI clocks a click is a dotted quarter.
                dotted = m.extra2 == 36;
            }
        }
        double length = 4.0 * beats / beatType;
        if (nextMeter < meters.size()) {
            double change = double(meters[nextMeter].tick) / division;
            if (change > position + 1e-9 && change < position + length - 1e-9)
                length = change - position;
        }
        if (score.bars.size() >= Score::maximumBars || (position == 0 && end / length > 2.0 * Score::maximumBars))
            return importError(ImportErrorCode::TooLarge, core::format("it has more than %zu bars", Score::maximumBars));
        Score::Bar bar;
        bar.start = position;
        bar.length = length;
        bar.beats = beats;
        bar.beatType = beatType;
        bar.dottedQuarterBeats = dotted;
        bar.number = number++;
        score.bars.push_back(bar);
        position += length;
    }

    score.keyFifths = keyFifths;
    const Spelling* spelling = keyFifths < 0 ? kFlats : kSharps;
    score.notes.reserve(notes.size());
    for (const RawNote& raw : notes) {
        Score::Note& note = score.notes.emplace_back();
        note.start = double(raw.start) / division;
        note.length = double(raw.end - raw.start) / division;
        note.part = partOfKey[size_t(raw.partKey)];
        note.midiPitch = raw.key;
        note.step = spelling[raw.key % 12].step;
        note.alter = spelling[raw.key % 12].alter;
        note.octave = raw.key / 12 - 1;
    }

    // Karaoke files carry their words as text events, with "/" and "\" starting new lines.
    if (lyrics.empty() && texts.size() >= 8)
        lyrics = texts;
    std::stable_sort(lyrics.begin(), lyrics.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [tick, text] : lyrics) {
        std::string_view view(text);
        while (!view.empty() && (view.front() == '/' || view.front() == '\\'))
            view.remove_prefix(1);
        std::string clean = printable(view);
        if (!clean.empty())
            score.lyrics.push_back({ double(tick) / division, clean });
    }
    for (auto& [tick, text] : markers)
        if (!text.empty())
            score.rehearsals.push_back({ double(tick) / division, text });
    return score;
}

}
