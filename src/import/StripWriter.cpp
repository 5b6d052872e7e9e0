#include "import/StripWriter.h"

#include "import/StripColours.h"
#include "import/StripNotes.h"
#include "import/StripRows.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <charconv>
#include <cmath>
#include <string_view>

namespace import {

namespace {

// The strip's layout in points, as in the sample songs.
constexpr double kTempoY = 4, kButtonY = 18, kMinusY = 84, kBarY = 22, kBarNumberY = 30, kTitleY = 46,
                 kSectionY = 62, kChordY = 76;
// The strip is 736 points high, but the player's toolbar covers its last 24.
constexpr double kStripHeight = 712;
constexpr int kLyricLines = 3;
constexpr double kLyricLineSpacing = 14;

int diatonic(const Score::Note& note) { return note.octave * 7 + letterIndex(note.step); }

// Seconds at a time in quarter notes, through the tempo map and the cumulative seconds at each
// change.
class TempoMap {
public:
    explicit TempoMap(const std::vector<Score::TempoChange>& changes)
    {
        m_at.push_back(0);
        m_rate.push_back(StripWriter::defaultQuartersPerMinute);
        m_seconds.push_back(0);
        for (const Score::TempoChange& change : changes) {
            if (!(change.quartersPerMinute > 0) || !std::isfinite(change.quartersPerMinute))
                continue;
            if (change.at <= m_at.back() + 1e-12) {
                m_rate.back() = change.quartersPerMinute;
                continue;
            }
            m_seconds.push_back(m_seconds.back() + (change.at - m_at.back()) * 60.0 / m_rate.back());
            m_at.push_back(change.at);
            m_rate.push_back(change.quartersPerMinute);
        }
    }

    // Beats ask in order, so the search starts from the change the last question fell in.
    double seconds(double quarters)
    {
        size_t i = quarters == quarters ? m_last : m_at.size() - 1; // past every change when NaN, as a binary search finds
        while (i + 1 < m_at.size() && m_at[i + 1] <= quarters)
            ++i;
        while (i > 0 && m_at[i] > quarters)
            --i;
        m_last = i;
        return m_seconds[i] + (quarters - m_at[i]) * 60.0 / m_rate[i];
    }

private:
    std::vector<double> m_at, m_rate, m_seconds;
    size_t m_last = 0;
};

// Lyric labels at their font (11 points): the width a syllable takes, generously, so labels on
// one line never touch.
double lyricWidth(size_t characters) { return 6.5 * double(characters) + 3; }

size_t characterCount(std::string_view text)
{
    size_t characters = 0;
    for (char c : text)
        characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80; // UTF-8 continuation bytes share a character
    return characters;
}

double lyricWidth(std::string_view text) { return lyricWidth(characterCount(text)); }

struct LyricLabel {
    double x, width;
    int line;
    std::string text;
};

// Cuts a lyric label short so that it ends within `room` points, its last letters replaced by an
// ellipsis; false when not even one letter and the ellipsis fit.
bool cutShort(LyricLabel& label, double room)
{
    constexpr std::string_view kEllipsis = "\u2026";
    size_t letters = 0, characters = characterCount(label.text);
    while (letters < characters && lyricWidth(letters + 2) <= room)
        ++letters;
    if (letters == 0)
        return false;
    size_t end = 0;
    for (size_t kept = 0; end < label.text.size() && kept < letters; ++kept)
        do
            ++end;
        while (end < label.text.size() && (static_cast<unsigned char>(label.text[end]) & 0xC0) == 0x80);
    if (end >= label.text.size())
        return true; // it ends in time already
    while (end > 0 && label.text[end - 1] == ' ')
        --end;
    label.text.resize(end);
    label.text += kEllipsis;
    label.width = lyricWidth(label.text);
    return true;
}

bool minorChord(const std::string& symbol)
{
    size_t at = 1;
    while (at < symbol.size() && (symbol[at] == '#' || symbol[at] == 'b'))
        ++at;
    return symbol.compare(at, 1, "m") == 0 && symbol.compare(at, 3, "maj") != 0;
}


}

std::string StripWriter::fieldText(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        out += (c == ',' || c == '\r' || c == '\n' || c == '\t') ? ' ' : c;
    size_t a = out.find_first_not_of(" \"");
    if (a == std::string::npos)
        return {};
    return out.substr(a, out.find_last_not_of(" \"") - a + 1);
}

char* StripWriter::tempoLabel(double bpm, char (&out)[24], double* shown)
{
    // Whole numbers from 100 up, one decimal from 10, two below: at most four characters.
    int decimals = bpm >= 99.95 ? 0 : bpm >= 9.995 ? 1 : 2;
    double scale = decimals == 0 ? 1 : decimals == 1 ? 10 : 100;
    double value = std::max(std::round(bpm * scale) / scale, 1 / scale);
    if (!std::isfinite(value) || value > 1e6)
        value = defaultQuartersPerMinute, decimals = 0;
    // The value is a whole number of hundredths, tenths or units: its digits are those of that
    // number, with the point put in and the zeros after it left out ("74.0" reads as "74").
    char* end;
    if (decimals == 0) {
        end = StripRows::writeSmall(out, uint32_t(value));
    } else {
        auto units = uint32_t(std::lround(value * scale));
        uint32_t perUnit = decimals == 1 ? 10 : 100;
        end = StripRows::writeSmall(out, units / perUnit);
        uint32_t fraction = units % perUnit;
        if (fraction) {
            *end++ = '.';
            if (decimals == 2) {
                *end++ = char('0' + fraction / 10);
                fraction %= 10;
            }
            if (fraction)
                *end++ = char('0' + fraction);
        }
    }
    *shown = value;
    return end;
}

double StripWriter::beatLength(const Score::Bar& bar)
{
    bool compound = bar.beatType == 8 && bar.beats % 3 == 0 && bar.beats > 3;
    if (compound && bar.dottedQuarterBeats)
        return 1.5;
    return 4.0 / std::max(1, bar.beatType);
}

size_t StripWriter::beatsInBar(const Score::Bar& bar)
{
    double count = std::ceil(bar.length / beatLength(bar) - 1e-6);
    if (!(count >= 1))
        return 1;
    return count > double(maximumBeats) ? maximumBeats + 1 : size_t(count);
}

size_t StripWriter::beatCount(const Score& score)
{
    size_t total = 0;
    for (const Score::Bar& bar : score.bars)
        total += beatsInBar(bar);
    return total;
}

StripWriter::Result StripWriter::write(const Score& score)
{
    Result result;
    std::string& out = result.text;
    // Rows are some 50 characters long: beats, three a bar, notes, marks, labels of the pitch rows.
    out.reserve(64 * (std::min(beatCount(score), maximumBeats) + 3 * score.bars.size() + score.notes.size() + score.lyrics.size()
                       + 2 * score.chords.size() + 2 * score.rehearsals.size() + 256));
    out += "channel,Bar No(40),Beats per Bar(40),tempo (40),ipad_col(107),ipad_rows,length(109),height(110),flip_view,"
           "rise_fall,sharp_flat,fingering/chord,lyrics,ipad_color(105),Z-level,Content,pitch\r";
    StripRows rows(out);

    const double ppq = pointsPerQuarter;
    const double totalWidth = score.totalLength() * ppq;

    // Pitch rows: one per letter and octave over the pitched parts' range, with a row to spare
    // on each side, squeezed to fit the strip when the range is wide.
    int low = 4 * 7, high = 5 * 7;
    bool anyPitched = false;
    for (const Score::Note& note : score.notes) {
        if (score.parts[size_t(note.part)].percussion)
            continue;
        int position = diatonic(note);
        if (!anyPitched)
            low = high = position, anyPitched = true;
        low = std::min(low, position);
        high = std::max(high, position);
    }
    low -= 1;
    high += 1;
    const int rowCount = high - low + 1;
    const bool hasChords = !score.chords.empty();
    const bool hasLyrics = !score.lyrics.empty();
    // Lyrics on up to three lines: a syllable goes on the first line where the one before it has
    // ended, so syllables close together alternate instead of covering each other. When a long
    // text (a karaoke line, a word held over several notes) still covers every line, the label
    // before it that keeps the most of its text gives way and is cut short with an ellipsis.
    std::vector<LyricLabel> lyricLabels;
    lyricLabels.reserve(score.lyrics.size());
    int lyricLines = 1;
    {
        double lineFree[kLyricLines];
        std::fill(std::begin(lineFree), std::end(lineFree), -1e300);
        size_t lastOnLine[kLyricLines] = {};
        for (const Score::Mark& lyric : score.lyrics) {
            std::string text = fieldText(lyric.text);
            if (text.empty())
                continue;
            double x = lyric.at * ppq + 1;
            double width = lyricWidth(text);
            int line = 0;
            while (line < kLyricLines && lineFree[line] > x + 1e-9)
                ++line;
            if (line == kLyricLines) {
                int roomiest = 0;
                for (int l = 1; l < kLyricLines; ++l)
                    if (lyricLabels[lastOnLine[l]].x < lyricLabels[lastOnLine[roomiest]].x)
                        roomiest = l;
                LyricLabel& before = lyricLabels[lastOnLine[roomiest]];
                if (cutShort(before, x - before.x))
                    line = roomiest;
                else // not a letter fits before this one: the line free soonest
                    line = int(std::min_element(std::begin(lineFree), std::end(lineFree)) - std::begin(lineFree));
            }
            lineFree[line] = x + width;
            lastOnLine[line] = lyricLabels.size();
            lyricLines = std::max(lyricLines, line + 1);
            lyricLabels.push_back({ x, width, line, std::move(text) });
        }
    }
    const double lyricExtra = kLyricLineSpacing * (lyricLines - 1);
    const double below = 6 + (hasChords ? 24 : 0) + (hasLyrics ? 24 + lyricExtra : 0) + 10;
    const double rowHeight = std::clamp((kStripHeight - PitchRows::kTop - below) / rowCount, 5.0, 20.0);
    const double noteHeight = rowHeight * 0.8;
    auto rowY = [&](int position) { return PitchRows::kTop + (high - position) * rowHeight; };
    const double bassY = PitchRows::kTop + rowCount * rowHeight + 6;
    const double lyricsY = bassY + (hasChords ? 24 : 0);
    const double lineHeight = (hasLyrics ? lyricsY + 16 + lyricExtra : bassY + 16) - PitchRows::kTop;
    const int tonic = letterIndex("FCGDAEB"[((score.keyFifths + 1) % 7 + 7) % 7]);

    // Key view: row names, every row when they fit, else the C rows.
    for (int position = high; position >= low; --position) {
        if (rowHeight < 12 && position % 7 != 0)
            continue;
        std::string name = std::string(1, kLetters[((position % 7) + 7) % 7]) + std::to_string(position / 7);
        rows.label("30", 6, rowY(position) + (rowHeight - 12) / 2 + 4, 75, name, "2.7");
    }
    if (hasChords)
        rows.label("30", 6, bassY + 1, 75, "Bass", "2.7"), rows.label("30", 6, kChordY, 75, "Chords", "2.7");
    if (hasLyrics)
        rows.label("30", 6, lyricsY, 75, "Words", "2.7");

    // Bands behind the rows: tonic rows (7) and every other row (6).
    for (int position = low; position <= high; ++position) {
        if (((position % 7) + 7) % 7 == tonic)
            rows.block("7", { 255, 244, 214 }, 0, rowY(position), totalWidth, rowHeight, "0", "", "", { 0, 0, 0 }, 0, "", "");
        else if ((position - low) % 2 == 0)
            rows.block("6", { 236, 240, 248 }, 0, rowY(position), totalWidth, rowHeight, "0", "", "", { 0, 0, 0 }, 0, "", "");
    }
    std::string title = fieldText(score.title);
    if (!title.empty())
        rows.label("50", 4, kTitleY, 240, title, "3");

    // Sections from the rehearsal marks, with alternating bands.
    for (size_t i = 0; i < score.rehearsals.size(); ++i) {
        const Score::Mark& mark = score.rehearsals[i];
        double end = i + 1 < score.rehearsals.size() ? score.rehearsals[i + 1].at : score.totalLength();
        rows.block(i % 2 ? "52" : "51", i % 2 ? Rgb { 230, 150, 90 } : Rgb { 120, 190, 120 }, mark.at * ppq, kSectionY,
            std::max(0.0, end - mark.at) * ppq, 6, "0", "", "", { 0, 0, 0 }, 1, "", "");
        std::string text = fieldText(mark.text);
        if (!text.empty() && (mark.at > 1e-9 || title.empty()))
            rows.label("32", mark.at * ppq + 4, kTitleY, 120, text, "2.75");
    }

    TempoMap tempo(score.tempi);
    double playedSeconds = 0;
    int firstBarBeats = -1;
    size_t barIndex = 0;
    using Row = StripRows;
    // What every bar row and beat row shares, from the layout's constants.
    const auto barLine = Row::piece(4 * Row::numberRoom, [&](char* at) {
        at = Row::half(at, (PitchRows::kTop + 100) / 2.0), at = Row::half(at, 2), at = Row::half(at, lineHeight);
        return Row::end(Row::text(at, "0,,,0,0,0,2,,"));
    });
    const auto barNumber = Row::piece(4 * Row::numberRoom, [&](char* at) {
        at = Row::half(at, kBarNumberY), at = Row::half(at, 40), at = Row::half(at, 0);
        return Row::text(at, "2.5,,,0,0,0,4");
    });
    const auto beatTop = Row::piece(Row::numberRoom, [&](char* at) { return Row::half(at, kTempoY); });
    const auto beatButtons = Row::piece(2 * Row::numberRoom, [&](char* at) {
        at = Row::half(at, kButtonY), at = Row::half(at, kMinusY);
        return Row::end(Row::text(at, "0,0,0,10,,"));
    });
    for (const Score::Bar& bar : score.bars) {
        const double x0 = bar.start * ppq;
        const double beatLen = beatLength(bar);
        int count = int(beatsInBar(bar));
        if (firstBarBeats < 0)
            firstBarBeats = count;
        if (count != firstBarBeats)
            result.regular = false;
        char* at = rows.open(16 * Row::numberRoom + barLine.size() + barNumber.size());
        at = Row::text(at, "42"), at = Row::integer(at, long(barIndex)), at = Row::integer(at, count), at = Row::text(at, "160");
        at = Row::half(at, x0), at = Row::half(at, kBarY), at = Row::half(at, bar.length * ppq), at = Row::half(at, 4);
        at = Row::end(Row::text(at, "1,,,0,0,0,1,,"));
        at = Row::text(at, "14,0,0,0"), at = Row::half(at, x0 + 1), at = barLine.put(at);
        at = Row::text(at, "31,0,0,0"), at = Row::half(at, x0 + 3), at = barNumber.put(at);
        at = Row::integer(at, bar.number > 0 ? bar.number : long(barIndex) + 1);
        rows.close(Row::end(Row::text(at, "")));
        for (int beat = 1; beat <= count; ++beat) {
            double from = bar.start + (beat - 1) * beatLen;
            double to = beat == count ? bar.start + bar.length : from + beatLen;
            // Each beat makes up for the rounding of the ones before, so every beat starts within
            // half a rounding step of its time in the score.
            double secondsTo = tempo.seconds(to);
            double exact = secondsTo - tempo.seconds(from);
            double seconds = std::clamp(secondsTo - playedSeconds, exact / 2, exact * 2);
            double bpm = seconds > 1e-9 ? 60.0 / seconds : defaultQuartersPerMinute;
            char tempoText[24];
            double shown = 0;
            auto tempoEnd = StripWriter::tempoLabel(bpm, tempoText, &shown);
            playedSeconds += 60.0 / shown;
            at = rows.open(6 * Row::numberRoom + sizeof tempoText + beatTop.size() + beatButtons.size());
            at = Row::text(at, "41"), at = Row::integer(at, long(barIndex)), at = Row::integer(at, beat);
            at = Row::text(at, std::string_view(tempoText, size_t(tempoEnd - tempoText)));
            at = Row::half(at, from * ppq), at = beatTop.put(at), at = Row::half(at, (to - from) * ppq);
            at = Row::text(at, "30"), at = Row::integer(at, count), at = beatButtons.put(at);
            rows.close(at);
            ++result.beats;
        }
        ++barIndex;
    }
    result.bars = score.bars.size();

    // Chords, each with a block in the bass lane until the next chord or its bar's end.
    for (size_t i = 0; i < score.chords.size(); ++i) {
        const Score::Mark& chord = score.chords[i];
        std::string symbol = fieldText(chord.text);
        if (symbol.empty())
            continue;
        auto barOf = std::upper_bound(score.bars.begin(), score.bars.end(), chord.at,
            [](double at, const Score::Bar& bar) { return at < bar.start; });
        double barEnd = barOf == score.bars.begin() ? score.totalLength() : (barOf - 1)->start + (barOf - 1)->length;
        double end = i + 1 < score.chords.size() ? std::min(barEnd, score.chords[i + 1].at) : barEnd;
        if (end <= chord.at)
            end = chord.at + 1;
        char root = symbol[0];
        rows.label(minorChord(symbol) ? "34" : "33", chord.at * ppq + 2, kChordY, 30, symbol, "2.75", 4, StripColours::chord(root));
        // The bass block stays silent: a chord symbol in the pitch column would be read as a note,
        // "D7" as the D four octaves above middle C.
        rows.block("71", StripColours::letter(root), chord.at * ppq + 1, bassY, std::max(2.0, (end - chord.at) * ppq - 2), 14, "0", "", "",
            { 0, 0, 0 }, 3, "", "");
    }

    result.notes = writeNotes(rows, score, { low, high, rowHeight, noteHeight });

    for (const LyricLabel& lyric : lyricLabels)
        rows.label("35", lyric.x, lyricsY + kLyricLineSpacing * lyric.line, lyric.width, lyric.text, "2.75");
    rows.finish();
    return result;
}

}
