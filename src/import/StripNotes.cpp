#include "import/StripNotes.h"

#include "import/StripColours.h"
#include "import/StripRows.h"
#include "import/StripWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <vector>

namespace import {

namespace {

// "F#4", "Bbb-1": written into `buffer`, which holds the longest.
std::string_view pitchName(const Score::Note& note, char (&buffer)[16])
{
    char* at = buffer;
    *at++ = note.step;
    for (int i = 0; i < note.alter && i < 2; ++i)
        *at++ = '#';
    for (int i = 0; i > note.alter && i > -2; --i)
        *at++ = 'b';
    at = std::to_chars(at, buffer + sizeof buffer, note.octave).ptr;
    return { buffer, size_t(at - buffer) };
}

}

int letterIndex(char step)
{
    switch (step) {
    case 'D': return 1;
    case 'E': return 2;
    case 'F': return 3;
    case 'G': return 4;
    case 'A': return 5;
    case 'B': return 6;
    default: return 0;
    }
}

size_t writeNotes(StripRows& rows, const Score& score, const PitchRows& pitch)
{
    using Row = StripRows;
    const double ppq = StripWriter::pointsPerQuarter;
    std::vector<char> percussion(score.parts.size());
    for (size_t part = 0; part < score.parts.size(); ++part)
        percussion[part] = score.parts[part].percussion;
    size_t lastPitched = score.notes.size();
    for (size_t i = score.notes.size(); i-- > 0;)
        if (!percussion[size_t(score.notes[i].part)]) {
            lastPitched = i;
            break;
        }
    // A note's row is made of pieces written once: its channel and colour, the top of its pitch
    // row, its height with the beat-one and leap marks, and its accidental with its pitch name.
    constexpr size_t kPieceRoom = 64;
    constexpr std::string_view kNoteChannels[] = { "1", "106", "20" };
    Row::Piece heads[3][7];
    for (int channel = 0; channel < 3; ++channel)
        for (int letter = 0; letter < 7; ++letter)
            heads[channel][letter] = Row::piece(kPieceRoom, [&](char* at) {
                return Row::text(Row::text(at, kNoteChannels[channel]), StripColours::letterText(kLetters[letter]));
            });
    std::vector<Row::Piece> tops;
    tops.reserve(size_t(pitch.count()));
    for (int position = pitch.low; position <= pitch.high; ++position)
        tops.push_back(Row::piece(Row::numberRoom, [&](char* at) { return Row::half(at, pitch.y(position) + (pitch.rowHeight - pitch.noteHeight) / 2); }));
    Row::Piece marks[2][3];
    constexpr std::string_view kLeaps[] = { "", "U", "D" };
    for (int flip = 0; flip < 2; ++flip)
        for (int leap = 0; leap < 3; ++leap)
            marks[flip][leap] = Row::piece(kPieceRoom, [&](char* at) {
                return Row::text(Row::text(Row::half(at, pitch.noteHeight), flip ? "1" : "0"), kLeaps[leap]);
            });
    auto tailOf = [](const Score::Note& note) {
        char name[16];
        return Row::piece(kPieceRoom, [&](char* at) {
            at = Row::text(at, note.alter > 0 ? "#" : note.alter < 0 ? "b" : "");
            return Row::end(Row::text(Row::text(at, "255,255,255,3,"), pitchName(note, name)));
        });
    };
    // Accidentals and pitch names per pitch row and alteration (beyond two, only the sign shows).
    std::vector<Row::Piece> tails(size_t(pitch.count()) * 5);
    // Room is made for many rows at once.
    constexpr size_t kRowRoom = 4 * kPieceRoom + 2 * Row::numberRoom;
    constexpr size_t kBatchRoom = 64 * kRowRoom;
    char* at = rows.open(kBatchRoom);
    char* limit = at + kBatchRoom;

    std::vector<std::pair<int, double>> previous(score.parts.size(), { -1, 0.0 });
    auto bar = score.bars.begin();
    double beatLen = bar != score.bars.end() ? StripWriter::beatLength(*bar) : 1.0;
    size_t written = 0;
    for (size_t i = 0; i < score.notes.size(); ++i) {
        const Score::Note& note = score.notes[i];
        if (percussion[size_t(note.part)])
            continue;
        if (bar != score.bars.end() && bar + 1 != score.bars.end() && (bar + 1)->start <= note.start + 1e-9) {
            do
                ++bar;
            while (bar + 1 != score.bars.end() && (bar + 1)->start <= note.start + 1e-9);
            beatLen = StripWriter::beatLength(*bar);
        }
        int letter = letterIndex(note.step);
        bool knownLetter = kLetters[letter] == note.step;
        int position = note.octave * 7 + letter;
        int channel = i == lastPitched ? 2 : note.length >= 2 * beatLen - 1e-9 ? 1 : 0;
        // A leap counts only in a line of single notes, from the note before: against a note still
        // sounding (a chord, a second voice) it would mark every change of hand.
        auto& [before, soundingUntil] = previous[size_t(note.part)];
        int leap = before >= 0 && soundingUntil <= note.start + 1e-9 ? position - before : 0;
        before = position;
        soundingUntil = std::max(soundingUntil, note.start + note.length);
        bool onBeatOne = bar != score.bars.end() && std::fabs(note.start - bar->start) < 1e-9;
        double x = note.start * ppq;
        size_t row = size_t(position - pitch.low);
        const Row::Piece* tail;
        Row::Piece unusual;
        if (knownLetter) [[likely]] {
            Row::Piece& cached = tails[row * 5 + size_t(std::clamp(note.alter, -2, 2) + 2)];
            if (cached.empty())
                cached = tailOf(note);
            tail = &cached;
        } else {
            unusual = tailOf(note);
            tail = &unusual;
        }
        if (size_t(limit - at) < kRowRoom) {
            rows.close(at);
            at = rows.open(kBatchRoom);
            limit = at + kBatchRoom;
        }
        at = heads[channel][knownLetter ? letter : 6].put(at); // any other letter takes B's colour, as StripColours does
        at = Row::half(at, x + 1), at = tops[row].put(at), at = Row::half(at, std::max(2.0, note.length * ppq - 2));
        at = marks[onBeatOne][leap >= 4 ? 1 : leap <= -4 ? 2 : 0].put(at);
        at = tail->put(at);
        ++written;
        if (!note.fingering)
            continue;
        std::string fingering = StripWriter::fieldText(score.text(note.fingering));
        if (!fingering.empty()) {
            rows.close(at);
            rows.label("36", x + 3, pitch.y(position) + (pitch.rowHeight + pitch.noteHeight) / 2 + 1, 7, fingering, "2", 5);
            at = rows.open(kBatchRoom);
            limit = at + kBatchRoom;
        }
    }
    rows.close(at);
    return written;
}

}
