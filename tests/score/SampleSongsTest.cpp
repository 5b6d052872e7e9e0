#include "platform/core/FileManager.h"
#include "platform/core/Json.h"
#include "score/CSVParser.h"
#include "score/Columns.h"
#include "score/RowKind.h"
#include "score/ScoreSheet.h"
#include "TempFolder.h"

#include <algorithm>

#include <gtest/gtest.h>
#include <set>

using namespace score;

// The sample content package: every song it lists must meet the rules the player relies on.
namespace {

const std::string contentFolder = std::string(BEATSTRIP_SOURCE_DIR) + "/examples/content/data";

struct SampleSong {
    std::string title;
    std::string path;
    std::vector<ScoreRow> rows;
};

std::vector<SampleSong> sampleSongs()
{
    std::vector<SampleSong> songs;
    auto bytes = core::files::contentsAtPath(contentFolder + "/info.json");
    EXPECT_TRUE(bytes) << "info.json missing";
    if (!bytes)
        return songs;
    auto index = core::JSONObject(*bytes);
    EXPECT_TRUE(index && index->is_object() && (*index)["FileInfo"].is_array());
    if (!index || !index->is_object() || !(*index)["FileInfo"].is_array())
        return songs;
    for (const auto& entry : (*index)["FileInfo"]) {
        EXPECT_TRUE(entry["fileName"].is_string() && entry["path"].is_string()) << entry.dump();
        SampleSong song { entry.value("fileName", ""), entry.value("path", ""), {} };
        EXPECT_FALSE(song.title.empty());
        EXPECT_TRUE(song.path.ends_with(".csv")) << song.path;
        auto rows = CSVParser::parseCSVIntoArrayOfDictionariesFromFile(contentFolder + "/" + song.path, ",", "\"");
        EXPECT_TRUE(rows) << song.path << " unreadable";
        if (rows)
            song.rows = std::move(*rows);
        songs.push_back(std::move(song));
    }
    return songs;
}

bool isNoteBlock(const ScoreRow& row)
{
    return rowKind(row) == RowKind::NoteBlock;
}

}

TEST(SampleSongsTest, IndexListsAtLeastFiveSongs)
{
    EXPECT_GE(sampleSongs().size(), 5u);
}

TEST(SampleSongsTest, LinesEndWithCarriageReturnsAndHoldEveryColumn)
{
    for (const auto& song : sampleSongs()) {
        SCOPED_TRACE(song.path);
        auto bytes = core::files::contentsAtPath(contentFolder + "/" + song.path);
        ASSERT_TRUE(bytes);
        EXPECT_TRUE(bytes->ends_with("\r"));
        EXPECT_EQ(bytes->find('\n'), std::string::npos);
        EXPECT_EQ(bytes->find('\t'), std::string::npos);
        auto lines = *CSVParser::parseCSVIntoArrayOfArraysFromFile(contentFolder + "/" + song.path, ",", "\"");
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(lines.back(), std::vector<std::string> { "" });
        for (size_t i = 1; i + 1 < lines.size(); ++i)
            EXPECT_EQ(lines[i].size(), lines[0].size()) << "line " << i;
        EXPECT_EQ(song.rows.size(), lines.size() - 2);
    }
}

namespace {

// The rules on beats and bars that stepping, jumps and tempo editing rely on, and the geometry
// that keeps each beat inside its bar.
void checkBeatsAndBars(const std::vector<ScoreRow>& songRows)
{
    int32_t nextKey = 1;
    int32_t nextBar = 0;
    int32_t beatBar = -1;
    int32_t beatInBar = 0;
    int64_t beatRows = 0;
    int64_t beatsOfBars = 0;
    int64_t barEnd = 0;
    std::vector<ScoreRow> bars;
    for (const auto& row : songRows) {
        int32_t channel = row.intValue(column::channel);
        if (channel == 41 || channel == 42) {
            EXPECT_EQ(row.text(column::channel), channel == 41 ? "41" : "42");
        }
        if (isBarListRow(row)) {
            // Bars numbered 0, 1, 2, ... and laid end to end.
            EXPECT_EQ(row.intValue(column::barNo), nextBar++);
            EXPECT_EQ(row.intValue(column::ipadCol), barEnd);
            barEnd += row.intValue(column::length);
            beatsOfBars += row.intValue(column::beatsPerBar);
            bars.push_back(row);
        }
        if (isBeatListRow(row)) {
            ++beatRows;
            EXPECT_EQ(beatKey(row), nextKey++);
            int32_t bar = row.intValue(column::barNo);
            if (bar != beatBar) {
                EXPECT_EQ(bar, beatBar + 1) << "bars' beats out of order";
                beatBar = bar;
                beatInBar = 0;
            }
            EXPECT_EQ(row.intValue(column::beatsPerBar), ++beatInBar);
            EXPECT_GT(row.floatValue(column::tempo), 0.0f);
            // The beat lies inside its bar, which is already listed, and its bar has
            // exactly flip_view beats.
            ASSERT_LT(size_t(bar), bars.size());
            const auto& barRow = bars[size_t(bar)];
            EXPECT_EQ(row.intValue(column::flipView), barRow.intValue(column::beatsPerBar));
            int32_t width = row.intValue(column::length);
            EXPECT_EQ(row.intValue(column::ipadCol), barRow.intValue(column::ipadCol) + (beatInBar - 1) * width);
            EXPECT_EQ(width * barRow.intValue(column::beatsPerBar), barRow.intValue(column::length));
        }
    }
    EXPECT_EQ(beatsOfBars, beatRows);
    EXPECT_GT(beatRows, 0);

    auto sheet = ScoreSheet::fromRows(songRows, std::nullopt);
    EXPECT_EQ(sheet.shadowArray().size(), size_t(beatRows));
    EXPECT_EQ(sheet.displayArray().size(), bars.size());
    EXPECT_EQ(ScoreSheet::highestBeatKey(songRows), beatRows);
    EXPECT_EQ(sheet.contentWidth(), barEnd);
}

}

TEST(SampleSongsTest, BeatsAndBarsFollowTheRulesThePlayerRelyOn)
{
    for (const auto& song : sampleSongs()) {
        SCOPED_TRACE(song.path);
        checkBeatsAndBars(song.rows);
    }
}

TEST(SampleSongsTest, WorkedExampleOfTheFormatNoteMeetsTheRules)
{
    auto doc = core::files::contentsAtPath(std::string(BEATSTRIP_SOURCE_DIR) + "/docs/song-format.md");
    ASSERT_TRUE(doc);
    auto start = doc->find("```\nchannel,");
    ASSERT_NE(start, std::string::npos);
    start += 4;
    auto end = doc->find("```", start);
    ASSERT_NE(end, std::string::npos);
    std::string song = doc->substr(start, end - start);
    std::replace(song.begin(), song.end(), '\n', '\r');
    TempFolder folder;
    auto rows = CSVParser::parseCSVIntoArrayOfDictionariesFromFile(folder.write("example.csv", song), ",", "\"");
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->size(), 12u);
    checkBeatsAndBars(*rows);
}

TEST(SampleSongsTest, NotesSitOnPitchRowsNamedInTheKeyView)
{
    for (const auto& song : sampleSongs()) {
        SCOPED_TRACE(song.path);
        std::map<int32_t, std::string> keyLabels; // y -> text
        int64_t width = 0;
        for (const auto& row : song.rows) {
            if (rowKind(row) == RowKind::KeyLabel)
                keyLabels[row.intValue(column::ipadRows)] = std::string(row.text(column::content));
            if (isBarListRow(row))
                width += row.intValue(column::length);
        }
        int notes = 0;
        for (const auto& row : song.rows) {
            if (!isNoteBlock(row))
                continue;
            EXPECT_LE(row.intValue(column::ipadCol) + row.intValue(column::length), width);
            auto pitch = std::string(row.text("pitch"));
            int32_t channel = row.intValue(column::channel);
            if (pitch.empty() || channel == 71)
                continue;
            ++notes;
            // The row's label stands 2 points (4 units) below the block's top edge.
            auto label = keyLabels.find(row.intValue(column::ipadRows) + 4);
            ASSERT_NE(label, keyLabels.end()) << pitch;
            std::string letterAndOctave = pitch.substr(0, 1) + pitch.substr(pitch.size() - 1);
            EXPECT_EQ(label->second, letterAndOctave);
            std::string accidental = pitch.size() == 3 ? pitch.substr(1, 1) : "";
            EXPECT_EQ(row.text(column::sharpFlat), accidental) << pitch;
        }
        EXPECT_GT(notes, 20);
    }
}

TEST(SampleSongsTest, TogetherTheSongsUseEveryRowKind)
{
    std::set<std::string> channels;
    std::set<std::string> marks;
    bool border = false, slowBeat = false, normalBeat = false, tempoChangesInsideABar = false, fractionalTempo = false;
    bool longPiece = false;
    for (const auto& song : sampleSongs()) {
        std::map<int32_t, std::set<std::string>> tempiByBar;
        for (const auto& row : song.rows) {
            channels.emplace(row.text(column::channel));
            if (isNoteBlock(row) && !isBarListRow(row)) {
                if (!row.text(column::sharpFlat).empty())
                    marks.emplace(row.text(column::sharpFlat));
                if (!row.text(column::riseFall).empty())
                    marks.emplace(row.text(column::riseFall));
                border = border || borderWidth(row).has_value();
            }
            if (isBeatListRow(row)) {
                float tempo = row.floatValue(column::tempo);
                (tempo < 60 ? slowBeat : normalBeat) = true;
                fractionalTempo = fractionalTempo || tempo != float(row.intValue(column::tempo));
                tempiByBar[row.intValue(column::barNo)].emplace(row.text(column::tempo));
            }
        }
        for (const auto& [bar, tempi] : tempiByBar)
            tempoChangesInsideABar = tempoChangesInsideABar || tempi.size() > 1;
        longPiece = longPiece || (tempiByBar.size() >= 80 && ScoreSheet::beatRows(song.rows).size() > 200);
    }
    for (auto channel : { "1", "6", "7", "14", "20", "30", "31", "32", "33", "34", "35", "36", "37", "41", "42", "50", "51", "52",
             "71", "105", "106", "110" })
        EXPECT_TRUE(channels.count(channel)) << "no row of channel " << channel;
    for (auto mark : { "#", "b", "U", "D" })
        EXPECT_TRUE(marks.count(mark)) << "no " << mark << " mark";
    EXPECT_TRUE(border);
    EXPECT_TRUE(slowBeat);
    EXPECT_TRUE(normalBeat);
    EXPECT_TRUE(tempoChangesInsideABar);
    EXPECT_TRUE(fractionalTempo);
    EXPECT_TRUE(longPiece);
}
