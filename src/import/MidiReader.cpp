#include "import/MidiReader.h"

#include "import/ImportError.h"
#include "platform/core/FileManager.h"
#include "platform/core/Log.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <map>
#include <set>

namespace import {

namespace {

struct Event {
    uint64_t tick = 0;
    uint8_t status = 0;   // 0xFF meta, 0xF0/0xF7 system exclusive, else channel status
    uint8_t metaType = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;
    std::string_view payload; // meta and system-exclusive data
};

// Walks the events of one track chunk. Every read is bounds-checked: a track that ends inside an
// event stops there and says so.
class TrackDecoder {
public:
    explicit TrackDecoder(std::string_view data) : m_data(data) { }

    // False at the end of the track (the end-of-track event, the chunk's end or a fault).
    bool next(Event& event)
    {
        if (m_done || m_position >= m_data.size())
            return false;
        uint32_t delta = 0;
        if (!readVariable(delta))
            return fail("ends in the middle of an event");
        m_tick += delta;
        if (m_position >= m_data.size())
            return fail("ends in the middle of an event");
        uint8_t byte = uint8_t(m_data[m_position]);
        uint8_t status;
        if (byte & 0x80) {
            status = byte;
            ++m_position;
        } else if (m_running) {
            status = m_running;
        } else {
            return fail("has a data byte where an event should start");
        }
        event = Event();
        event.tick = m_tick;
        event.status = status;
        if (status == 0xFF) {
            if (m_position >= m_data.size())
                return fail("ends in the middle of an event");
            event.metaType = uint8_t(m_data[m_position++]);
            if (!readPayload(event.payload))
                return fail("ends in the middle of an event");
            // Running status survives meta events: writers rely on it.
            if (event.metaType == 0x2F)
                m_done = true;
            return true;
        }
        if (status == 0xF0 || status == 0xF7) {
            if (!readPayload(event.payload))
                return fail("ends in the middle of an event");
            return true;
        }
        if (status >= 0xF1) {
            // System common and real-time messages do not belong in files; skip their data bytes.
            size_t length = status == 0xF2 ? 2 : (status == 0xF1 || status == 0xF3) ? 1 : 0;
            if (m_data.size() - m_position < length)
                return fail("ends in the middle of an event");
            m_position += length;
            return true;
        }
        m_running = status;
        size_t length = ((status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0) ? 1 : 2;
        if (m_data.size() - m_position < length)
            return fail("ends in the middle of an event");
        event.data1 = uint8_t(m_data[m_position]) & 0x7F;
        if (length == 2)
            event.data2 = uint8_t(m_data[m_position + 1]) & 0x7F;
        m_position += length;
        return true;
    }

    uint64_t tick() const { return m_tick; }
    const char* fault() const { return m_fault; }

private:
    bool fail(const char* why)
    {
        m_fault = why;
        m_done = true;
        return false;
    }

    bool readVariable(uint32_t& value)
    {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            if (m_position >= m_data.size())
                return false;
            uint8_t byte = uint8_t(m_data[m_position++]);
            value = (value << 7) | (byte & 0x7F);
            if (!(byte & 0x80))
                return true;
        }
        return false;
    }

    bool readPayload(std::string_view& payload)
    {
        uint32_t length = 0;
        if (!readVariable(length) || m_data.size() - m_position < length)
            return false;
        payload = m_data.substr(m_position, length);
        m_position += length;
        return true;
    }

    std::string_view m_data;
    size_t m_position = 0;
    uint64_t m_tick = 0;
    uint8_t m_running = 0;
    bool m_done = false;
    const char* m_fault = nullptr;
};

uint32_t bigEndian(std::string_view bytes, size_t at, size_t count)
{
    uint32_t value = 0;
    for (size_t i = 0; i < count; ++i)
        value = (value << 8) | uint8_t(bytes[at + i]);
    return value;
}

struct Chunks {
    int format = 0;
    int declaredTracks = 0;
    int division = 96;
    bool smpte = false;
    std::vector<std::string_view> tracks;
    std::vector<std::string> report;
};

core::Result<Chunks> splitChunks(std::string_view bytes)
{
    if (bytes.size() < 14 || bytes.substr(0, 4) != "MThd")
        return importError(ImportErrorCode::NotAScore, "it is not a Standard MIDI File (no MThd header)");
    Chunks chunks;
    uint32_t headerLength = bigEndian(bytes, 4, 4);
    if (headerLength < 6)
        return importError(ImportErrorCode::Malformed, "its MIDI header is too short");
    chunks.format = int(bigEndian(bytes, 8, 2));
    chunks.declaredTracks = int(bigEndian(bytes, 10, 2));
    uint32_t division = bigEndian(bytes, 12, 2);
    if (division & 0x8000) {
        // Frames per second and ticks per frame: count a quarter note as half a second.
        int framesPerSecond = -int(int8_t(division >> 8));
        int ticksPerFrame = int(division & 0xFF);
        if (framesPerSecond == 29)
            framesPerSecond = 30;
        chunks.division = std::max(1, framesPerSecond * ticksPerFrame / 2);
        chunks.smpte = true;
        chunks.report.push_back("time is given in SMPTE frames; read as 120 quarter notes a minute");
    } else {
        chunks.division = int(division);
    }
    if (chunks.division <= 0)
        return importError(ImportErrorCode::Malformed, "its MIDI header gives zero ticks per quarter note");
    if (chunks.format > 2)
        return importError(ImportErrorCode::Unsupported, core::format("it is a MIDI file of unknown format %d", chunks.format));

    size_t position = size_t(8) + std::min<uint32_t>(headerLength, uint32_t(bytes.size()));
    while (bytes.size() - std::min(position, bytes.size()) >= 8) {
        std::string_view id = bytes.substr(position, 4);
        uint32_t length = bigEndian(bytes, position + 4, 4);
        position += 8;
        size_t available = bytes.size() - position;
        if (length > available) {
            chunks.report.push_back(core::format("track %zu is shorter than its header says (the file is truncated); read what is there",
                chunks.tracks.size() + 1));
            length = uint32_t(available);
        }
        if (id == "MTrk")
            chunks.tracks.push_back(bytes.substr(position, length));
        position += length;
    }
    if (chunks.tracks.empty())
        return importError(ImportErrorCode::Malformed, "the MIDI file holds no tracks");
    if (int(chunks.tracks.size()) != chunks.declaredTracks)
        chunks.report.push_back(core::format("the header announces %d track%s but the file holds %zu; read all of them",
            chunks.declaredTracks, chunks.declaredTracks == 1 ? "" : "s", chunks.tracks.size()));
    if (chunks.format == 0 && chunks.tracks.size() > 1)
        chunks.report.push_back(core::format("a format 0 file with %zu tracks; read them all as one song", chunks.tracks.size()));
    return chunks;
}

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
    auto chunks = splitChunks(bytes);
    if (!chunks)
        return 0;
    size_t count = 0;
    for (std::string_view track : chunks->tracks) {
        TrackDecoder decoder(track);
        Event event;
        while (decoder.next(event))
            ++count;
    }
    return count;
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
    auto chunks = splitChunks(bytes);
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
        TrackDecoder decoder(chunks->tracks[t]);
        runs.push_back(notes.size());
        std::fill(firstOpen.begin(), firstOpen.end(), 0);
        std::fill(lastOpen.begin(), lastOpen.end(), 0);
        Event event;
        while (decoder.next(event)) {
            if (event.status == 0xFF) {
                std::string_view data = event.payload;
                switch (event.metaType) {
                case 0x51:
                    if (data.size() >= 3 && !chunks->smpte) {
                        uint32_t perQuarter = bigEndian(data, 0, 3);
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
        // Notes never released end with their track.
        for (size_t n = runs.back(); n < notes.size(); ++n)
            if (notes[n].end == kOpen)
                notes[n].end = decoder.tick();
    }
    // Percussion is counted and set aside; notes without length are dropped. Each track's run of
    // notes stays in start order, and the runs are merged.
    runs.push_back(notes.size());
    std::vector<size_t> kept(runs.size(), 0);
    size_t count = 0;
    for (size_t r = 0; r + 1 < runs.size(); ++r) {
        kept[r] = count;
        for (size_t n = runs[r]; n < runs[r + 1]; ++n) {
            const RawNote& note = notes[n];
            if (note.partKey % 16 == 9) {
                ++percussionNotes;
                percussionEnd = std::max(percussionEnd, note.end);
            } else if (note.end > note.start) {
                notes[count++] = note;
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
    bool firstTrackHasNotes = std::any_of(notes.begin(), notes.end(), [](const RawNote& n) { return n.partKey / 16 == 0; });
    score.title = karaokeTitle;
    if (score.title.empty() && !trackNames.empty() && (!firstTrackHasNotes || chunks->tracks.size() == 1))
        score.title = trackNames[0];

    // Parts: one per track and channel, named after the track.
    std::vector<int> partOfKey(chunks->tracks.size() * 16, -1);
    std::map<int, int> channelsInTrack;
    for (const RawNote& n : notes)
        if (partOfKey[size_t(n.partKey)] < 0) {
            partOfKey[size_t(n.partKey)] = 0;
            ++channelsInTrack[n.partKey / 16];
        }
    for (size_t key = 0; key < partOfKey.size(); ++key) {
        int& index = partOfKey[key];
        if (index < 0)
            continue;
        int track = int(key / 16);
        std::string name = trackNames[size_t(track)].empty() ? core::format("Track %d", track + 1) : trackNames[size_t(track)];
        if (channelsInTrack[track] > 1)
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

    uint64_t endTick = percussionEnd;
    for (const RawNote& n : notes)
        endTick = std::max(endTick, n.end);
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
