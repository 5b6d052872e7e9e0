#include "score/ScoreSheet.h"

#include "platform/core/Log.h"
#include "platform/core/RunLoop.h"
#include "platform/core/UserDefaults.h"
#include "score/Columns.h"
#include "score/SavedBeatList.h"
#include "TempFolder.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace score;

namespace {

const char* header = "channel,Bar No(40),Beats per Bar(40),tempo (40),ipad_col(107),length(109),flip_view\r";

std::string beat(const std::string& channel, int bar, int beatNumber, const std::string& tempo, int beatsPerBar = 2)
{
    return channel + "," + std::to_string(bar) + "," + std::to_string(beatNumber) + "," + tempo + ",0,100," + std::to_string(beatsPerBar) + "\r";
}

std::string bar(int number, int beats, int length)
{
    return "42," + std::to_string(number) + "," + std::to_string(beats) + ",0,0," + std::to_string(length) + ",0\r";
}

// A home of its own for each test, so saved beat lists never leak between tests.
class ScoreSheetTest : public testing::Test {
protected:
    void SetUp() override
    {
        core::paths::setHomeOverride(home.path());
        core::UserDefaults::resetStandardUserDefaults();
        previousSink = core::setLogSink([this](const std::string& line) { logLines.push_back(line); });
    }
    void TearDown() override
    {
        core::setLogSink(previousSink);
        core::UserDefaults::resetStandardUserDefaults();
        core::paths::setHomeOverride("");
    }

    void writeSong(const std::string& name, const std::string& bytes)
    {
        std::string folder = core::paths::documentsDirectory() + "/data/data";
        ASSERT_TRUE(core::files::createDirectoryAtPath(folder, true).ok());
        ASSERT_TRUE(core::files::writeContentsAtPath(folder + "/" + name + ".csv", bytes).ok());
    }

    std::vector<std::string> tempi(const std::vector<ScoreRow>& rows)
    {
        std::vector<std::string> result;
        for (const auto& row : rows)
            result.emplace_back(row.text("tempo (40)"));
        return result;
    }

    TempFolder home;
    core::LogSink previousSink;
    std::vector<std::string> logLines;
};

}

TEST_F(ScoreSheetTest, ListsTakeExactChannelTextsSortedStablyByBar)
{
    // Bars out of order in the file; beats of bar 1 before those of bar 0; decoys "+41" and "042".
    writeSong("song", std::string(header) + bar(1, 2, 2048) + bar(0, 2, 2049) + beat("41", 1, 1, "a") + beat("41", 1, 2, "b")
        + beat("+41", 0, 1, "decoy") + beat("41", 0, 1, "c") + beat("41", 0, 2, "d") + "042,5,2,0,0,77,0\r");
    auto sheet = ScoreSheet::open("song");
    EXPECT_TRUE(sheet.readable());
    EXPECT_FALSE(sheet.hasSavedBeatList());
    EXPECT_EQ(sheet.rows().size(), 8u);
    EXPECT_EQ(tempi(sheet.shadowArray()), (std::vector<std::string> { "c", "d", "a", "b" }));
    ASSERT_EQ(sheet.displayArray().size(), 2u);
    EXPECT_EQ(sheet.displayArray()[0].intValue("length(109)"), 2049);
    EXPECT_EQ(sheet.displayArray()[1].intValue("length(109)"), 2048);
    EXPECT_EQ(sheet.contentWidth(), 4097);
}

TEST_F(ScoreSheetTest, SortKeepsFileOrderWithinABarAndReadsBarsAsWholeNumbers)
{
    auto rows = ScoreRow::fromMaps({ { { "Bar No(40)", "2.9" }, { "n", "0" } }, { { "Bar No(40)", "10" }, { "n", "1" } },
        { { "Bar No(40)", "2" }, { "n", "2" } }, { { "Bar No(40)", "x" }, { "n", "3" } }, { { "Bar No(40)", "-1" }, { "n", "4" } },
        { { "Bar No(40)", "02" }, { "n", "5" } } });
    std::vector<std::string> order;
    for (const auto& row : ScoreSheet::sortedByBar(rows))
        order.emplace_back(row.text("n"));
    EXPECT_EQ(order, (std::vector<std::string> { "4", "3", "0", "2", "5", "1" }));
}

TEST_F(ScoreSheetTest, ASongFileLinkedFromOutsideTheContentFolderIsNotRead)
{
    TempFolder outside;
    std::string secret = outside.write("secret.csv", "channel,Bar No(40),Beats per Bar(40)\r42,1,4\r");
    writeSong("inside", "channel,Bar No(40),Beats per Bar(40)\r42,1,4\r");
    std::string folder = core::paths::documentsDirectory() + "/data/data";
    ASSERT_EQ(symlink(secret.c_str(), (folder + "/linked.csv").c_str()), 0);
    ASSERT_EQ(symlink(outside.path().c_str(), (folder + "/away").c_str()), 0);

    EXPECT_TRUE(ScoreSheet::open("inside").readable());
    for (const char* name : { "linked", "away/secret", "../../../../" }) {
        auto sheet = ScoreSheet::open(name);
        EXPECT_FALSE(sheet.readable()) << name;
        EXPECT_TRUE(sheet.rows().empty()) << name;
    }
    EXPECT_TRUE(std::any_of(logLines.begin(), logLines.end(),
        [](auto& l) { return l.find("lies outside the content folder and is not opened") != std::string::npos; }));
    // A link that stays inside the folder is an ordinary song.
    ASSERT_EQ(symlink("inside.csv", (folder + "/alias.csv").c_str()), 0);
    EXPECT_TRUE(ScoreSheet::open("alias").readable());
}

TEST_F(ScoreSheetTest, UnreadableSongGivesAnEmptySheet)
{
    auto sheet = ScoreSheet::open("absent");
    EXPECT_FALSE(sheet.readable());
    EXPECT_TRUE(sheet.rows().empty());
    EXPECT_TRUE(sheet.shadowArray().empty());
    EXPECT_EQ(sheet.contentWidth(), 0);
}

TEST_F(ScoreSheetTest, HighestBeatKeyCountsRowsDrawnAsBeats)
{
    auto rows = ScoreRow::fromMaps({ { { "channel", "41" }, { "Bar No(40)", "1" }, { "flip_view", "4" }, { "Beats per Bar(40)", "4" } },
        { { "channel", "+41" }, { "Bar No(40)", "2" }, { "flip_view", "4" }, { "Beats per Bar(40)", "1" } },
        { { "channel", "42" }, { "Bar No(40)", "9" }, { "flip_view", "4" }, { "Beats per Bar(40)", "1" } } });
    EXPECT_EQ(ScoreSheet::highestBeatKey(rows), 9);
    EXPECT_EQ(ScoreSheet::highestBeatKey({}), 0);
}

TEST_F(ScoreSheetTest, SavedBeatListReplacesTheFileBeatsAndSurvivesANewerFile)
{
    writeSong("song", std::string(header) + bar(0, 2, 200) + beat("41", 0, 1, "100") + beat("41", 0, 2, "100"));
    auto first = ScoreSheet::open("song");
    std::vector<ScoreRow> edited { first.shadowArray()[0].withIntValue("tempo (40)", 72), first.shadowArray()[1] };
    ASSERT_TRUE(SavedBeatList::save("song", edited));

    // Saved durably: a fresh store on the same file still has it.
    core::UserDefaults::resetStandardUserDefaults();
    writeSong("song", std::string(header) + bar(0, 2, 200) + beat("41", 0, 1, "140") + beat("41", 0, 2, "140"));
    auto again = ScoreSheet::open("song");
    EXPECT_TRUE(again.hasSavedBeatList());
    EXPECT_EQ(tempi(again.shadowArray()), (std::vector<std::string> { "72", "100" }));
    EXPECT_EQ(again.shadowArray()[0].toMap(), edited[0].toMap());
    EXPECT_EQ(again.rows()[1].text("tempo (40)"), "140");
    EXPECT_TRUE(logLines.empty());
}

TEST_F(ScoreSheetTest, SavedBeatListIsSortedByBarWhenRestored)
{
    writeSong("song", std::string(header) + bar(0, 1, 100) + bar(1, 1, 100) + beat("41", 0, 1, "1", 1) + beat("41", 1, 1, "2", 1));
    auto rows = ScoreRow::fromMaps({ { { "Bar No(40)", "1" }, { "tempo (40)", "60" } }, { { "Bar No(40)", "0" }, { "tempo (40)", "50" } } });
    ASSERT_TRUE(SavedBeatList::save("song", rows));
    auto sheet = ScoreSheet::open("song");
    EXPECT_EQ(tempi(sheet.shadowArray()), (std::vector<std::string> { "50", "60" }));
}

TEST_F(ScoreSheetTest, SavedBeatListThatDoesNotFitIsDiscardedWithALogLine)
{
    writeSong("song", std::string(header) + bar(0, 2, 200) + bar(1, 2, 200) + beat("41", 0, 1, "90") + beat("41", 0, 2, "90")
        + beat("41", 1, 1, "90") + beat("41", 1, 2, "90"));
    auto sheet = ScoreSheet::open("song");
    // Saved when the song had three beats; it now has four.
    ASSERT_TRUE(SavedBeatList::save("song", { sheet.shadowArray()[0], sheet.shadowArray()[1], sheet.shadowArray()[2] }));
    auto reopened = ScoreSheet::open("song");
    EXPECT_FALSE(reopened.hasSavedBeatList());
    EXPECT_EQ(reopened.shadowArray().size(), 4u);
    ASSERT_EQ(logLines.size(), 1u);
    EXPECT_NE(logLines[0].find("song"), std::string::npos);
    // Left in the store: nothing removes an entry.
    EXPECT_TRUE(core::UserDefaults::standardUserDefaults()->valueForKey("song").has_value());
}

TEST_F(ScoreSheetTest, SavedValueThatIsNotAListOfMapsOfTextsIsDiscarded)
{
    writeSong("song", std::string(header) + bar(0, 1, 100) + beat("41", 0, 1, "90", 1));
    auto defaults = core::UserDefaults::standardUserDefaults();
    for (auto value : { core::Json("text"), core::Json::array({ 1 }), core::Json::array({ core::Json { { "tempo (40)", 90 } } }),
             core::Json::object() }) {
        logLines.clear();
        defaults->setObject(value, "song");
        auto sheet = ScoreSheet::open("song");
        EXPECT_FALSE(sheet.hasSavedBeatList()) << value.dump();
        EXPECT_EQ(tempi(sheet.shadowArray()), (std::vector<std::string> { "90" })) << value.dump();
        EXPECT_EQ(logLines.size(), 1u) << value.dump();
    }
    // A song without beats accepts any list of maps of texts, even an empty one.
    writeSong("quiet", std::string(header) + bar(0, 0, 100));
    defaults->setObject(core::Json::array(), "quiet");
    EXPECT_TRUE(ScoreSheet::open("quiet").hasSavedBeatList());
}

TEST_F(ScoreSheetTest, SaveWritesEveryColumnAsText)
{
    auto row = ScoreRow::fromMap({ { "channel", "41" }, { "tempo (40)", "72" }, { "Content", "" } });
    ASSERT_TRUE(SavedBeatList::save("a song", { row, row.withIntValue("tempo (40)", 73) }));
    core::UserDefaults::resetStandardUserDefaults();
    auto stored = core::UserDefaults::standardUserDefaults()->valueForKey("a song");
    ASSERT_TRUE(stored);
    EXPECT_EQ(*stored, core::Json::parse(R"json([{"channel":"41","tempo (40)":"72","Content":""},{"channel":"41","tempo (40)":"73","Content":""}])json"));
}

// The list is written as text by hand: byte for byte what the JSON library writes for the same
// values, whatever the texts hold (quotes, backslashes, control characters, other scripts, bytes
// that are not UTF-8), and rows of different headers in one list.
TEST_F(ScoreSheetTest, TheStoredTextIsTheJsonLibrarysOwn)
{
    std::vector<ScoreRow> rows = ScoreRow::fromMaps({ { { "channel", "41" }, { "tempo (40)", "72" }, { "Content", "" }, { "b", "x" } },
        { { "channel", "41" }, { "tempo (40)", "73.5" }, { "Content", "say \"hi\"" }, { "b", "a\\b" } } });
    rows.push_back(ScoreRow::fromMap({ { "lyrics", "Göt-ter\tfun\nken\x01\x7f" }, { "Z-level", "\xff\xfe bad" }, { "", "empty key" },
        { "\"quoted\" key", "日本" } }));
    rows.push_back(ScoreRow());
    core::Json expected = core::Json::array();
    for (const auto& row : rows) {
        core::Json object = core::Json::object();
        for (const auto& key : row.keys())
            object[key] = std::string(row.text(key));
        expected.push_back(object);
    }
    EXPECT_EQ(SavedBeatList::serialized(rows), expected.dump(-1, ' ', false, core::Json::error_handler_t::replace));
    EXPECT_EQ(SavedBeatList::serialized({}), "[]");

    ASSERT_TRUE(SavedBeatList::save("a song", rows));
    core::UserDefaults::resetStandardUserDefaults();
    auto stored = core::UserDefaults::standardUserDefaults()->valueForKey("a song");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->dump(-1, ' ', false, core::Json::error_handler_t::replace), expected.dump(-1, ' ', false, core::Json::error_handler_t::replace));
}

// Saves in the background land in the order asked for; a song opened meanwhile sees the last one,
// and each result comes back on the main queue.
TEST_F(ScoreSheetTest, BackgroundSavesLandInOrderAndAnOpenWaitsForThem)
{
    writeSong("song", std::string(header) + bar(0, 2, 200) + beat("41", 0, 1, "100") + beat("41", 0, 2, "100"));
    auto sheet = ScoreSheet::open("song");
    std::vector<int> results;
    for (int tempo : { 71, 72, 73 }) {
        std::vector<ScoreRow> edited { sheet.shadowArray()[0].withIntValue("tempo (40)", tempo), sheet.shadowArray()[1] };
        SavedBeatList::saveInBackground("song", edited, [&results, tempo](bool saved) { results.push_back(saved ? tempo : -tempo); });
    }
    auto reopened = ScoreSheet::open("song");
    ASSERT_TRUE(reopened.hasSavedBeatList());
    EXPECT_EQ(tempi(reopened.shadowArray()), (std::vector<std::string> { "73", "100" }));
    EXPECT_TRUE(results.empty()) << "results wait for the main queue";
    core::RunLoop::main().runOnce();
    EXPECT_EQ(results, (std::vector<int> { 71, 72, 73 }));
}

TEST_F(ScoreSheetTest, ABackgroundSaveThatCannotBeWrittenReportsFailure)
{
    // The store would have to live under a regular file: it cannot be created.
    ASSERT_TRUE(core::files::writeContentsAtPath(home.path() + "/plain", "x").ok());
    core::paths::setHomeOverride(home.path() + "/plain/home");
    core::UserDefaults::resetStandardUserDefaults();
    std::vector<bool> results;
    SavedBeatList::saveInBackground("song", ScoreRow::fromMaps({ { { "tempo (40)", "60" } } }), [&](bool saved) { results.push_back(saved); });
    SavedBeatList::waitForPendingSaves();
    core::RunLoop::main().runOnce();
    EXPECT_EQ(results, std::vector<bool> { false });
}

// Tempo edits replace the beat list; layout reads a saved list in the order it was stored.
TEST_F(ScoreSheetTest, EditsReplaceTheBeatListAndTheSavedOrderIsKeptForLayout)
{
    writeSong("song", std::string(header) + bar(0, 1, 100) + bar(1, 1, 100) + beat("41", 0, 1, "1", 1) + beat("41", 1, 1, "2", 1));
    auto rows = ScoreRow::fromMaps({ { { "Bar No(40)", "1" }, { "tempo (40)", "60" } }, { { "Bar No(40)", "0" }, { "tempo (40)", "50" } } });
    ASSERT_TRUE(SavedBeatList::save("song", rows));
    auto sheet = ScoreSheet::open("song");
    EXPECT_EQ(tempi(sheet.savedBeatList()), (std::vector<std::string> { "60", "50" }));
    EXPECT_EQ(tempi(sheet.shadowArray()), (std::vector<std::string> { "50", "60" }));
    EXPECT_EQ(sheet.highestBeatKey(), 2);

    auto held = sheet.shadowArray();
    sheet.setBeatTempo(1, 61);
    sheet.setBeatTempo(5, 99);
    EXPECT_EQ(tempi(sheet.shadowArray()), (std::vector<std::string> { "50", "61" }));
    EXPECT_EQ(tempi(held), (std::vector<std::string> { "50", "60" })) << "a copy taken earlier keeps what it saw";

    auto beats = sheet.shadowArray();
    auto bars = sheet.displayArray();
    sheet.releaseRows();
    EXPECT_TRUE(sheet.rows().empty());
    EXPECT_TRUE(sheet.savedBeatList().empty());
    // Both lists stay as they were, in storage of their own, and copies taken before keep theirs.
    EXPECT_EQ(sheet.shadowArray(), beats);
    EXPECT_EQ(sheet.displayArray(), bars);
    ASSERT_EQ(sheet.shadowArray().size(), 2u);
    EXPECT_NE(sheet.shadowArray()[0].text(score::column::tempo).data(), beats[0].text(score::column::tempo).data());
    EXPECT_EQ(tempi(sheet.shadowArray()), (std::vector<std::string> { "50", "61" }));
    EXPECT_EQ(tempi(held), (std::vector<std::string> { "50", "60" }));
    sheet.setBeatTempo(0, 77);
    EXPECT_EQ(tempi(sheet.shadowArray()), (std::vector<std::string> { "77", "61" }));
}
