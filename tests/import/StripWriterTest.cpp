#include "ImportSupport.h"

#include "import/StripWriter.h"
#include "score/CSVParser.h"
#include "score/ScoreSheet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

using namespace importtest;
using import::Score;
using import::StripWriter;

namespace {

Score::Bar bar(double start, double length, int beats, int beatType, bool dotted = false)
{
    Score::Bar b;
    b.start = start;
    b.length = length;
    b.beats = beats;
    b.beatType = beatType;
    b.dottedQuarterBeats = dotted;
    return b;
}

Score::Note note(double start, double length, char step, int alter, int octave, int midi)
{
    Score::Note n;
    n.start = start;
    n.length = length;
    n.step = step;
    n.alter = alter;
    n.octave = octave;
    n.midiPitch = midi;
    return n;
}

Score oneVoice(std::vector<Score::Bar> bars)
{
    Score score;
    score.title = "Test";
    score.parts.push_back({ "Voice", false });
    score.bars = std::move(bars);
    return score;
}

// The song as the player reads it.
score::ScoreSheet sheetOf(const std::string& text)
{
    TempFolder folder;
    std::string path = folder.write("song.csv", text);
    auto rows = score::CSVParser::parseCSVIntoArrayOfDictionariesFromFile(path, ",", "\"");
    EXPECT_TRUE(rows.has_value());
    return score::ScoreSheet::fromRows(rows ? *rows : std::vector<score::ScoreRow>(), std::nullopt);
}

std::vector<int> beatsPerBar(const score::ScoreSheet& sheet)
{
    std::vector<int> counts;
    for (const auto& row : sheet.displayArray())
        counts.push_back(row.intValue("Beats per Bar(40)"));
    return counts;
}

double playingSeconds(const score::ScoreSheet& sheet)
{
    double seconds = 0;
    for (const auto& row : sheet.shadowArray())
        seconds += 60.0 / row.floatValue("tempo (40)");
    return seconds;
}

std::vector<score::ScoreRow> rowsOfChannel(const score::ScoreSheet& sheet, const std::string& channel)
{
    std::vector<score::ScoreRow> rows;
    for (const auto& row : sheet.rows())
        if (row.text("channel") == channel)
            rows.push_back(row);
    return rows;
}

}

TEST(StripWriter, RegularBarsMeetTheBeatKeyRuleAtTheDefaultTempo)
{
    Score score = oneVoice({ bar(0, 4, 4, 4), bar(4, 4, 4, 4), bar(8, 4, 4, 4) });
    score.notes.push_back(note(0, 12, 'C', 0, 4, 60));
    auto result = StripWriter::write(score);
    EXPECT_TRUE(result.regular);
    auto sheet = sheetOf(result.text);
    ASSERT_EQ(sheet.shadowArray().size(), 12u);
    int expected = 1;
    for (const auto& beat : sheet.shadowArray()) {
        EXPECT_EQ(beat.intValue("Bar No(40)") * beat.intValue("flip_view") + beat.intValue("Beats per Bar(40)"), expected++);
        EXPECT_EQ(beat.text("tempo (40)"), "120");
    }
    EXPECT_EQ(beatsPerBar(sheet), (std::vector<int> { 4, 4, 4 }));
    EXPECT_DOUBLE_EQ(playingSeconds(sheet), 6);
    // The scroll width is the bars' widths, the beats' widths add up to it.
    EXPECT_EQ(sheet.contentWidth(), int64_t(12 * StripWriter::pointsPerQuarter * 2));
}

TEST(StripWriter, PickupsAndMeterChangesKeepTheirBeats)
{
    Score score = oneVoice({ bar(0, 1, 3, 4), bar(1, 3, 3, 4), bar(4, 2, 2, 4), bar(6, 0.5, 4, 4) });
    auto result = StripWriter::write(score);
    EXPECT_FALSE(result.regular);
    auto sheet = sheetOf(result.text);
    EXPECT_EQ(beatsPerBar(sheet), (std::vector<int> { 1, 3, 2, 1 }));
    EXPECT_EQ(sheet.shadowArray().size(), 7u);
    // Each beat lasts as long as it does in the score: the half-beat bar's beat at 240 a minute.
    EXPECT_EQ(sheet.shadowArray().back().text("tempo (40)"), "240");
    EXPECT_DOUBLE_EQ(playingSeconds(sheet), 6.5 * 0.5);
}

TEST(StripWriter, CompoundMetersCountDottedQuartersOnlyWhenTheMarkSaysSo)
{
    auto dotted = sheetOf(StripWriter::write(oneVoice({ bar(0, 3, 6, 8, true), bar(3, 4.5, 9, 8, true) })).text);
    EXPECT_EQ(beatsPerBar(dotted), (std::vector<int> { 2, 3 }));
    EXPECT_EQ(dotted.shadowArray()[0].text("tempo (40)"), "80"); // a dotted quarter at 120 quarters a minute
    auto eighths = sheetOf(StripWriter::write(oneVoice({ bar(0, 3, 6, 8), bar(3, 6, 12, 8) })).text);
    EXPECT_EQ(beatsPerBar(eighths), (std::vector<int> { 6, 12 }));
    EXPECT_EQ(eighths.shadowArray()[0].text("tempo (40)"), "240");
    auto halves = sheetOf(StripWriter::write(oneVoice({ bar(0, 4, 2, 2) })).text);
    EXPECT_EQ(beatsPerBar(halves), (std::vector<int> { 2 }));
}

TEST(StripWriter, TempoChangesInsideABeatAreAveragedOverIt)
{
    Score score = oneVoice({ bar(0, 2, 2, 4) });
    score.tempi = { { 0, 60 }, { 0.5, 120 } };
    auto sheet = sheetOf(StripWriter::write(score).text);
    ASSERT_EQ(sheet.shadowArray().size(), 2u);
    // Half a quarter at 60 (0.5 s) and half at 120 (0.25 s): the beat lasts 0.75 s, 80 a minute.
    EXPECT_EQ(sheet.shadowArray()[0].text("tempo (40)"), "80");
    EXPECT_EQ(sheet.shadowArray()[1].text("tempo (40)"), "120");
    EXPECT_NEAR(playingSeconds(sheet), score.secondsAt(2), 1e-6);
}

TEST(StripWriter, NotesMarksAndLabelsFollowTheSampleLook)
{
    Score score = oneVoice({ bar(0, 4, 4, 4), bar(4, 4, 4, 4) });
    score.title = "A, \"quoted\" title";
    score.notes = { note(0, 1, 'F', 1, 4, 66), note(1, 1, 'B', -1, 4, 70), note(2, 6, 'C', 0, 6, 84) };
    score.notes[0].fingering = score.addText("3");
    score.lyrics = { { 0, "Hal-" }, { 1, "le" } };
    score.chords = { { 0, "Dm" }, { 4, "G7" } };
    score.rehearsals = { { 4, "B" } };
    auto result = StripWriter::write(score);
    EXPECT_EQ(result.notes, 3u);
    auto sheet = sheetOf(result.text);

    auto sharp = rowsOfChannel(sheet, "1");
    ASSERT_EQ(sharp.size(), 2u);
    EXPECT_EQ(sharp[0].text("pitch"), "F#4");
    EXPECT_EQ(sharp[0].text("sharp_flat"), "#");
    EXPECT_EQ(sharp[0].text("flip_view"), "1"); // on the bar's first beat
    EXPECT_EQ(sharp[1].text("sharp_flat"), "b");
    auto last = rowsOfChannel(sheet, "20");
    ASSERT_EQ(last.size(), 1u);
    EXPECT_EQ(last[0].text("pitch"), "C6");
    EXPECT_EQ(last[0].text("rise_fall"), "U"); // a leap of more than a fifth
    // Sharp sits on F's row, flat on B's: F#4 and Bb4 are four rows apart, C6 above both.
    EXPECT_GT(sharp[0].intValue("ipad_rows"), sharp[1].intValue("ipad_rows"));
    EXPECT_GT(sharp[1].intValue("ipad_rows"), last[0].intValue("ipad_rows"));

    EXPECT_EQ(rowsOfChannel(sheet, "36").at(0).text("Content"), "3");
    EXPECT_EQ(rowsOfChannel(sheet, "35").at(1).text("Content"), "le");
    EXPECT_EQ(rowsOfChannel(sheet, "34").at(0).text("Content"), "Dm");
    EXPECT_EQ(rowsOfChannel(sheet, "33").at(0).text("Content"), "G7");
    // The bass block under G7 is drawn but silent: "G7" in its pitch column would sound a high G.
    ASSERT_EQ(rowsOfChannel(sheet, "71").size(), 2u);
    EXPECT_EQ(rowsOfChannel(sheet, "71").at(1).text("pitch"), "");
    EXPECT_EQ(rowsOfChannel(sheet, "32").at(0).text("Content"), "B");
    EXPECT_EQ(rowsOfChannel(sheet, "50").at(0).text("Content"), "A  \"quoted\" title");
    EXPECT_EQ(rowsOfChannel(sheet, "14").size(), 2u);
    bool namesRows = false;
    for (const auto& key : rowsOfChannel(sheet, "30"))
        namesRows = namesRows || key.text("Content") == "F4";
    EXPECT_TRUE(namesRows);
    // Every line has a field for every column.
    for (const auto& row : sheet.rows())
        EXPECT_EQ(row.count(), 17u);
}

TEST(StripWriter, PercussionStaysOffThePitchRows)
{
    Score score = oneVoice({ bar(0, 4, 4, 4) });
    score.parts.push_back({ "Drums", true });
    score.notes = { note(0, 1, 'C', 0, 4, 60), note(0, 1, 'C', 0, 2, 36) };
    score.notes[1].part = 1;
    auto result = StripWriter::write(score);
    EXPECT_EQ(result.notes, 1u);
}

TEST(StripWriter, LeapMarksOnlyInALineOfSingleNotes)
{
    Score score = oneVoice({ bar(0, 4, 4, 4) });
    // A low note held under a high one: no leap; then a leap down from the high note.
    score.notes = { note(0, 2, 'C', 0, 3, 48), note(0.5, 0.5, 'G', 0, 4, 67), note(2, 1, 'C', 0, 4, 60), note(3, 1, 'C', 0, 4, 60) };
    auto sheet = sheetOf(StripWriter::write(score).text);
    std::vector<std::string> marks;
    for (const auto& row : sheet.rows())
        if (!row.text("pitch").empty())
            marks.emplace_back(row.text("rise_fall"));
    EXPECT_EQ(marks, (std::vector<std::string> { "", "", "D", "" }));
}

TEST(StripWriter, LyricLabelsOfCloseSyllablesDoNotOverlap)
{
    // Syllables on eighth notes (24 points apart) and sixteenths (12 apart) under one long word:
    // wider than their notes, so they must take turns on lines below one another.
    Score score = oneVoice({ bar(0, 4, 4, 4), bar(4, 4, 4, 4) });
    score.notes = { note(0, 4, 'C', 0, 4, 60), note(4, 4, 'D', 0, 4, 62) };
    const char* words[] = { "Hal-", "le-", "lu-", "jah,", "glo-", "ri-", "ous-", "ly", "Wonderfully-", "sung" };
    for (int i = 0; i < 8; ++i)
        score.lyrics.push_back({ 0.5 * i, words[i] });
    score.lyrics.push_back({ 4, words[8] });
    score.lyrics.push_back({ 4.25, words[9] });
    score.lyrics.push_back({ 6, "end" });
    auto sheet = sheetOf(StripWriter::write(score).text);
    auto labels = rowsOfChannel(sheet, "35");
    ASSERT_EQ(labels.size(), score.lyrics.size());
    // Text at 11 points takes at least 5.5 points a character.
    auto right = [](const score::ScoreRow& label) {
        return label.floatValue("ipad_col(107)") / 2 + std::max(label.floatValue("length(109)") / 2, 5.5f * float(label.text("Content").size()));
    };
    std::set<float> lines;
    for (size_t i = 0; i < labels.size(); ++i) {
        lines.insert(labels[i].floatValue("ipad_rows"));
        for (size_t j = i + 1; j < labels.size(); ++j) {
            if (labels[i].floatValue("ipad_rows") != labels[j].floatValue("ipad_rows"))
                continue;
            EXPECT_LE(right(labels[i]), labels[j].floatValue("ipad_col(107)") / 2)
                << labels[i].text("Content") << " runs into " << labels[j].text("Content");
        }
    }
    EXPECT_GE(lines.size(), 2u);
    EXPECT_EQ(labels.back().floatValue("ipad_rows"), labels.front().floatValue("ipad_rows")) << "a free first line is used again";
    // Every line stays on the strip above the toolbar (712 points), and the bar lines reach it.
    float lowest = *lines.rbegin() / 2 + 12;
    EXPECT_LE(lowest, 712);
    auto barLine = rowsOfChannel(sheet, "14").at(0);
    EXPECT_GE((barLine.floatValue("ipad_rows") + barLine.floatValue("height(110)")) / 2, lowest - 2);
}

TEST(StripWriter, TempoLabelsAreShortAndTheBeatsStillKeepTheScoresTime)
{
    // 74.523 and 105.555 quarters a minute, as MIDI files give them, then a slow 7.777.
    Score score = oneVoice({});
    for (int i = 0; i < 30; ++i)
        score.bars.push_back(bar(4.0 * i, 4, 4, 4));
    score.tempi = { { 0, 74.523 }, { 40, 105.555 }, { 100, 7.777 } };
    auto sheet = sheetOf(StripWriter::write(score).text);
    const auto& beats = sheet.shadowArray();
    ASSERT_EQ(beats.size(), 120u);
    double played = 0;
    for (size_t i = 0; i < beats.size(); ++i) {
        SCOPED_TRACE(i);
        std::string label(beats[i].text("tempo (40)"));
        EXPECT_LE(label.size(), 4u) << label << " does not fit the tempo label";
        double quarters = double(i);
        double exact = std::min(quarters, 40.0) * 60 / 74.523 + std::clamp(quarters - 40, 0.0, 60.0) * 60 / 105.555
            + std::max(quarters - 100, 0.0) * 60 / 7.777;
        // Off by at most what rounding one beat's tempo moves it: 60 / t * (half a step / t), the
        // most for the slowest, 60 / 7.777 * (0.005 / 7.777) = 4.96 ms.
        EXPECT_NEAR(played, exact, 0.005);
        played += 60.0 / std::stod(label);
    }
    EXPECT_EQ(beats[0].text("tempo (40)"), "74.5");
    EXPECT_EQ(beats[60].text("tempo (40)").size(), 3u) << "whole numbers from 100 up";
}

TEST(StripWriter, EveryNoteOfALongSongKeepsItsOwnRow)
{
    // Many more notes than the writer makes room for at once, of every letter, alteration and
    // several lengths, some fingered (a label between note rows), one of a letter no reader gives.
    Score score = oneVoice({});
    for (int b = 0; b < 300; ++b)
        score.bars.push_back(bar(4.0 * b, 4, 4, 4));
    const char* letters = "CDEFGAB";
    std::vector<std::string> pitches;
    for (int i = 0; i < 1500; ++i) {
        double start = 0.8 * i;
        char step = letters[i % 7];
        int alter = (i % 5) - 2 + (i % 11 == 0 ? 3 : 0);
        int octave = 2 + (i / 7) % 5;
        Score::Note n = note(start, i % 3 == 0 ? 2.0 : 0.75, step, alter, octave, 60);
        if (i % 13 == 0)
            n.fingering = score.addText(std::to_string(1 + i % 5));
        score.notes.push_back(n);
        std::string name(1, step);
        for (int a = 0; a < alter && a < 2; ++a)
            name += '#';
        for (int a = 0; a > alter && a > -2; --a)
            name += 'b';
        pitches.push_back(name + std::to_string(octave));
    }
    score.notes[700].step = 'H';
    pitches[700][0] = 'H';
    auto result = StripWriter::write(score);
    EXPECT_EQ(result.notes, 1500u);
    auto sheet = sheetOf(result.text);
    std::vector<std::string> written;
    std::vector<score::ScoreRow> noteRows;
    size_t fingerings = 0;
    for (const auto& row : sheet.rows()) {
        ASSERT_EQ(row.count(), 17u);
        fingerings += row.text("channel") == "36";
        if (!row.text("pitch").empty()) {
            written.emplace_back(row.text("pitch"));
            noteRows.push_back(row);
        }
    }
    ASSERT_EQ(written.size(), pitches.size());
    for (size_t i = 0; i < pitches.size(); ++i)
        EXPECT_EQ(written[i], pitches[i]) << "note " << i;
    EXPECT_EQ(fingerings, (1500u + 12) / 13);
    ASSERT_EQ(noteRows.size(), 1500u);
    for (size_t i = 0; i < noteRows.size(); ++i) {
        SCOPED_TRACE(i);
        const Score::Note& n = score.notes[i];
        EXPECT_FLOAT_EQ(noteRows[i].floatValue("ipad_col(107)"), float((n.start * 48 + 1) * 2));
        EXPECT_FLOAT_EQ(noteRows[i].floatValue("length(109)"), float((n.length * 48 - 2) * 2));
        EXPECT_EQ(noteRows[i].text("sharp_flat"), n.alter > 0 ? "#" : n.alter < 0 ? "b" : "");
        EXPECT_EQ(noteRows[i].text("channel"), i == 1499 ? "20" : n.length >= 2 ? "106" : "1");
    }
    // An unknown letter takes B's colour, as every unknown letter does.
    EXPECT_EQ(noteRows[700].intValue("ipad_color(105)"), noteRows[6].intValue("ipad_color(105)"));
}

TEST(StripWriter, LongLyricTextsAreCutShortRatherThanCovered)
{
    // Karaoke lines, each far longer than the notes under it, keep all three lines taken: the
    // label that started longest ago gives way to the next text and is cut short before it.
    Score score = oneVoice({ bar(0, 4, 4, 4), bar(4, 4, 4, 4) });
    score.notes = { note(0, 4, 'C', 0, 4, 60), note(4, 4, 'D', 0, 4, 62) };
    score.lyrics = { { 0, "Somewhere over the rainbow way up high" }, { 0.5, "there's a land that I heard of once" },
        { 1, "in a lullaby" }, { 1.5, "Somewhere over the rainbow" }, { 2, "skies are blue" }, { 6, "end" } };
    auto sheet = sheetOf(StripWriter::write(score).text);
    auto labels = rowsOfChannel(sheet, "35");
    ASSERT_EQ(labels.size(), score.lyrics.size());
    auto characters = [](std::string_view text) {
        size_t count = 0;
        for (char c : text)
            count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        return count;
    };
    // Text at 11 points takes at least 5.5 points a character; the label's width says as much.
    auto right = [&](const score::ScoreRow& label) {
        float width = label.floatValue("length(109)") / 2;
        EXPECT_GE(width, 5.5f * float(characters(label.text("Content")))) << label.text("Content");
        return label.floatValue("ipad_col(107)") / 2 + width;
    };
    for (size_t i = 0; i < labels.size(); ++i) {
        for (size_t j = i + 1; j < labels.size(); ++j) {
            if (labels[i].floatValue("ipad_rows") != labels[j].floatValue("ipad_rows"))
                continue;
            EXPECT_LE(right(labels[i]), labels[j].floatValue("ipad_col(107)") / 2)
                << labels[i].text("Content") << " runs into " << labels[j].text("Content");
        }
    }
    // Each label shows the start of its text, and a cut one says so.
    size_t cut = 0;
    for (size_t i = 0; i < labels.size(); ++i) {
        std::string shown(labels[i].text("Content"));
        const std::string& whole = score.lyrics[i].text;
        if (shown == whole)
            continue;
        ++cut;
        const std::string ellipsis = "\u2026";
        ASSERT_GT(shown.size(), ellipsis.size());
        EXPECT_EQ(shown.substr(shown.size() - ellipsis.size()), ellipsis);
        std::string kept = shown.substr(0, shown.size() - ellipsis.size());
        EXPECT_EQ(whole.compare(0, kept.size(), kept), 0) << shown << " is not the start of " << whole;
        EXPECT_GE(characters(kept), 5u) << "a cut label keeps what fits: " << shown;
    }
    EXPECT_EQ(cut, 2u);
    EXPECT_EQ(labels[5].text("Content"), "end");
}
