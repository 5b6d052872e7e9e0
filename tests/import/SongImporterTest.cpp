#include "ImportSupport.h"

#include "import/SongImporter.h"
#include "import/StripWriter.h"
#include "score/CSVParser.h"
#include "score/ScoreSheet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <dirent.h>

using namespace importtest;
using import::SongImporter;

namespace {

std::vector<std::string> listing(const std::string& folder)
{
    auto names = core::files::contentsOfDirectoryAtPath(folder);
    std::vector<std::string> sorted = names ? *names : std::vector<std::string>();
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

score::ScoreSheet sheetAt(const std::string& path)
{
    auto rows = score::CSVParser::parseCSVIntoArrayOfDictionariesFromFile(path, ",", "\"");
    EXPECT_TRUE(rows.has_value()) << path;
    return score::ScoreSheet::fromRows(rows ? *rows : std::vector<score::ScoreRow>(), std::nullopt);
}

double playingSeconds(const score::ScoreSheet& sheet)
{
    double seconds = 0;
    for (const auto& row : sheet.shadowArray())
        seconds += 60.0 / row.floatValue("tempo (40)");
    return seconds;
}

std::string simpleScore(const std::string& title)
{
    return importtest::score(measure(1, attributes(1, 3, 4) + note("C", 4, 3)) + measure(2, note("D", 4, 3)),
        title.empty() ? "" : "<work><work-title>" + title + "</work-title></work>");
}

}

TEST(SongImporter, ImportWritesTheSongAndItsIndexEntry)
{
    TempFolder sources;
    TempFolder target;
    std::string songs = target.path() + "/imported";
    std::string path = sources.write("waltz.musicxml", simpleScore("Little Waltz"));
    auto report = SongImporter::importFile(path, {}, songs);
    ASSERT_TRUE(report.ok()) << report.error().localizedDescription;
    EXPECT_EQ(report->title, "Little Waltz");
    EXPECT_EQ(report->songPath, "little_waltz.csv");
    EXPECT_EQ(report->bars, 2u);
    EXPECT_EQ(report->beats, 6u);
    EXPECT_EQ(report->parts, 1u);
    EXPECT_EQ(report->notes, 2u);
    EXPECT_NE(SongImporter::describe(*report).find("\"Little Waltz\" (little_waltz.csv): 2 bars, 6 beats, 1 part, 2 notes"),
        std::string::npos);

    // The same title again gets a name of its own; a title given by the user wins.
    auto again = SongImporter::importFile(path, {}, songs);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again->songPath, "little_waltz_2.csv");
    auto renamed = SongImporter::importFile(path, { "My, Own" }, songs);
    ASSERT_TRUE(renamed.ok());
    EXPECT_EQ(renamed->title, "My  Own");

    auto entries = SongImporter::entries(songs);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].fileName, "Little Waltz");
    EXPECT_EQ(entries[1].path, "little_waltz_2.csv");
    EXPECT_EQ(listing(songs), (std::vector<std::string> { ".lock", "info.json", "little_waltz.csv", "little_waltz_2.csv", "my_own.csv" }));

    // A file without a title is named after the file.
    std::string untitled = sources.write("evening_song.xml", simpleScore(""));
    auto named = SongImporter::importFile(untitled, {}, songs);
    ASSERT_TRUE(named.ok());
    EXPECT_EQ(named->title, "evening song");

    ASSERT_TRUE(SongImporter::removeSong(songs, "little_waltz.csv").ok());
    EXPECT_EQ(SongImporter::entries(songs).size(), 3u);
    EXPECT_FALSE(core::files::fileExistsAtPath(songs + "/little_waltz.csv"));
    EXPECT_FALSE(SongImporter::removeSong(songs, "../info.json").ok());
}

TEST(SongImporter, ADamagedIndexIsKeptAsideAndRebuiltFromTheSongFiles)
{
    TempFolder sources;
    TempFolder target;
    std::string songs = target.path() + "/imported";
    std::string path = sources.write("waltz.musicxml", simpleScore("Little Waltz"));
    ASSERT_TRUE(SongImporter::importFile(path, {}, songs).ok());
    ASSERT_TRUE(core::files::writeContentsAtPath(songs + "/info.json", "{\"FileInfo\": [").ok());
    ASSERT_TRUE(SongImporter::importFile(path, { "Second" }, songs).ok());
    auto entries = SongImporter::entries(songs);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].path, "little_waltz.csv");
    EXPECT_EQ(entries[1].fileName, "Second");
    EXPECT_EQ(*core::files::contentsAtPath(songs + "/info.json.damaged"), "{\"FileInfo\": [");
}

TEST(SongImporter, BadFilesNameTheFileAndWriteNothing)
{
    TempFolder sources;
    TempFolder target;
    std::string songs = target.path() + "/imported";
    struct Case {
        std::string name;
        std::string bytes;
        std::string problem;
    };
    std::vector<Case> cases = {
        { "broken.musicxml", "<score-partwise><part>", "malformed" },
        { "timewise.xml", "<score-timewise/>", "timewise" },
        { "empty.musicxml", "<score-partwise/>", "no parts" },
        { "lying.mid", "MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\x40\x90", "no notes" },
        { "notes.txt", "just some words", "neither a MusicXML nor a MIDI file" },
        { "fake.mxl", std::string("PK\x03\x04", 4) + "not really a zip", "zip" },
    };
    std::string endless;
    for (int i = 0; i < 600; ++i)
        endless += note("C", 4, 1000000000);
    cases.push_back({ "endless.musicxml", importtest::score(measure(1, attributes(1, 4, 4) + endless)), "more than 2000000 beats" });
    for (auto& c : cases) {
        // String literals with zero bytes need their real length.
        if (c.name == "lying.mid")
            c.bytes = std::string("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\x40\x90", 23);
        std::string path = sources.write(c.name, c.bytes);
        auto result = SongImporter::importFile(path, {}, songs);
        ASSERT_FALSE(result.ok()) << c.name;
        const std::string& message = result.error().localizedDescription;
        EXPECT_EQ(message.rfind(c.name + ": ", 0), 0u) << message;
        EXPECT_NE(message.find(c.problem), std::string::npos) << message;
    }
    auto missing = SongImporter::importFile(sources.path() + "/absent.mid", {}, songs);
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error().localizedDescription.find("absent.mid: no such file"), std::string::npos);
    EXPECT_FALSE(core::files::fileExistsAtPath(songs));

    // A folder that cannot be written: nothing half-made is left behind.
    std::string good = sources.write("good.musicxml", simpleScore("Good"));
    ASSERT_TRUE(SongImporter::importFile(good, {}, songs).ok());
    auto before = listing(songs);
    std::string index = *core::files::contentsAtPath(songs + "/info.json");
    if (geteuid() != 0) {
        ASSERT_EQ(chmod(songs.c_str(), 0500), 0);
        auto refused = SongImporter::importFile(good, {}, songs);
        EXPECT_FALSE(refused.ok());
        chmod(songs.c_str(), 0700);
        EXPECT_EQ(listing(songs), before);
        EXPECT_EQ(*core::files::contentsAtPath(songs + "/info.json"), index);
    }
}

// Real files from other programs: every one imports, and the song the player reads has the bars
// and the playing time of the score.
TEST(SongImporter, PeerFilesImportAndAgreeWithTheirSource)
{
    std::string peers = peersFolder();
    if (!core::files::fileExistsAtPath(peers)) {
        GTEST_SKIP() << "no peer files at " << peers << " (they sit beside the project's clone)";
    }
    TempFolder target;
    std::string songs = target.path() + "/imported";
    size_t imported = 0;
    for (const char* kind : { "musicxml", "midi" }) {
        std::string folder = peers + "/" + kind;
        for (const std::string& name : listing(folder)) {
            if (name == "SOURCE.md")
                continue;
            std::string path = folder + "/" + name;
            auto score = SongImporter::readScore(path);
            ASSERT_TRUE(score.ok()) << name << ": " << score.error().localizedDescription;
            auto report = SongImporter::importFile(path, {}, songs);
            ASSERT_TRUE(report.ok()) << report.error().localizedDescription;
            ++imported;
            auto sheet = sheetAt(songs + "/" + report->songPath);
            EXPECT_EQ(sheet.displayArray().size(), score->bars.size()) << name;
            EXPECT_EQ(report->bars, score->bars.size()) << name;
            // Rule 6 of the song format: bar rows' beats add up to the beat rows.
            size_t beats = 0;
            for (const auto& bar : sheet.displayArray())
                beats += size_t(bar.intValue("Beats per Bar(40)"));
            EXPECT_EQ(beats, sheet.shadowArray().size()) << name;
            double seconds = score->secondsAt(score->totalLength());
            EXPECT_NEAR(playingSeconds(sheet), seconds, 0.01 + seconds * 1e-4) << name;

            if (std::string(kind) == "musicxml") {
                // Without repeats, one bar per measure of the source.
                std::string text = *core::files::contentsAtPath(path);
                if (text.find("<repeat") == std::string::npos) {
                    size_t firstPart = text.find("<part id");
                    size_t secondPart = text.find("<part id", firstPart + 1);
                    std::string part = text.substr(firstPart, secondPart == std::string::npos ? std::string::npos : secondPart - firstPart);
                    size_t measures = 0;
                    for (size_t at = part.find("<measure"); at != std::string::npos; at = part.find("<measure", at + 1))
                        measures += part.compare(at, 9, "<measure ") == 0 || part.compare(at, 9, "<measure>") == 0;
                    EXPECT_EQ(score->bars.size(), measures) << name;
                }
            } else {
                // The song ends within a bar after the last note does.
                double lastEnd = 0;
                for (const auto& note : score->notes)
                    lastEnd = std::max(lastEnd, note.start + note.length);
                EXPECT_GE(score->totalLength() + 1e-9, lastEnd) << name;
                EXPECT_LT(score->totalLength() - score->bars.back().length, lastEnd) << name;
            }
        }
    }
    EXPECT_GE(imported, 10u);
}
