#include "library/SongIndex.h"

#include "TempHome.h"
#include "platform/core/Log.h"

#include <gtest/gtest.h>

using library::SongEntry;
using library::SongIndex;

namespace {

std::vector<std::string> titles(const std::vector<SongEntry>& entries)
{
    std::vector<std::string> out;
    for (auto& e : entries)
        out.push_back(e.fileName);
    return out;
}

}

TEST(SongIndexTest, FoldersHangBelowTheDocumentsFolder)
{
    TempHome home;
    EXPECT_EQ(SongIndex::packageFolder(), home.documents() + "/data");
    EXPECT_EQ(SongIndex::contentFolder(), home.documents() + "/data/data");
    EXPECT_EQ(SongIndex::indexPath(), home.documents() + "/data/data/info.json");
}

TEST(SongIndexTest, ListsEntriesInFileOrderIgnoringOtherKeys)
{
    TempHome home;
    home.writeIndex(R"({"version": 3, "FileInfo": [
        {"fileName": "Zebra", "path": "zebra.csv", "size": 10},
        {"fileName": "Alpha", "path": "alpha.csv"},
        {"fileName": "Mid", "path": "mid.csv"}]})");
    auto entries = SongIndex::read(SongIndex::indexPath());
    ASSERT_TRUE(entries);
    EXPECT_EQ(titles(*entries), (std::vector<std::string> { "Zebra", "Alpha", "Mid" }));
    EXPECT_EQ((*entries)[2].path, "mid.csv");
}

// A content package names songs in its own folder only: anything that could reach elsewhere is
// not listed, so the player never gets to open it.
TEST(SongIndexTest, PathsThatAreNotPlainFileNamesAreLeftOut)
{
    std::vector<std::string> lines;
    auto old = core::setLogSink([&](const std::string& line) { lines.push_back(line); });
    auto entries = SongIndex::parse(std::string(R"({"FileInfo": [
        {"fileName": "Climb", "path": "../../home/user/x.csv"},
        {"fileName": "Absolute", "path": "/etc/passwd.csv"},
        {"fileName": "Sub", "path": "sub/mid.csv"},
        {"fileName": "Back", "path": "..\\x.csv"},
        {"fileName": "Empty", "path": ""},
        {"fileName": "Dot", "path": "."},
        {"fileName": "Dots", "path": ".."},
        {"fileName": "Nul", "path": "a\u0000b.csv"},
        {"fileName": "Dotted", "path": "..odd.csv"},
        {"fileName": "Good", "path": "good.csv"}]})"));
    core::setLogSink(old);
    ASSERT_TRUE(entries);
    EXPECT_EQ(titles(*entries), (std::vector<std::string> { "Dotted", "Good" }));
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_NE(lines[0].find("entry 1 has a \"path\" that is not a plain file name"), std::string::npos) << lines[0];
    EXPECT_NE(lines[7].find("entry 8 "), std::string::npos) << lines[7];
}

TEST(SongIndexTest, UnusableIndexesGiveNoList)
{
    EXPECT_FALSE(SongIndex::read("/nonexistent/beatstrip/info.json"));
    EXPECT_FALSE(SongIndex::parse(""));
    EXPECT_FALSE(SongIndex::parse("{\"FileInfo\": [")) << "truncated JSON";
    EXPECT_FALSE(SongIndex::parse(R"({"Files": []})")) << "no FileInfo";
    EXPECT_FALSE(SongIndex::parse(R"([{"fileName": "A", "path": "a.csv"}])")) << "top level an array";
    EXPECT_FALSE(SongIndex::parse(R"("FileInfo")")) << "top level a string";
    EXPECT_FALSE(SongIndex::parse(R"({"FileInfo": {"fileName": "A", "path": "a.csv"}})")) << "FileInfo an object";
    EXPECT_FALSE(SongIndex::parse(R"({"FileInfo": null})"));

    auto empty = SongIndex::parse(R"({"FileInfo": []})");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());
}

TEST(SongIndexTest, EntriesMissingKeys)
{
    std::vector<std::string> lines;
    auto old = core::setLogSink([&](const std::string& line) { lines.push_back(line); });
    auto entries = SongIndex::parse(R"({"FileInfo": [
        {"fileName": "No path"},
        "just a string",
        {"path": "untitled.csv"},
        {"fileName": 7, "path": "numbered.csv"},
        {"fileName": "Number path", "path": 12},
        {"fileName": "Good", "path": "good.csv"}]})");
    core::setLogSink(old);

    ASSERT_TRUE(entries);
    // Rows that could never be opened are left out; a missing title falls back to the song name.
    EXPECT_EQ(titles(*entries), (std::vector<std::string> { "untitled", "numbered", "Good" }));
    EXPECT_EQ((*entries)[0].path, "untitled.csv");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find("entry 1 "), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("entry 2 "), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find("entry 5 "), std::string::npos) << lines[2];
}

TEST(SongIndexTest, SongNameRemovesEveryCsv)
{
    EXPECT_EQ(SongIndex::songName("song1.csv"), "song1");
    EXPECT_EQ(SongIndex::songName("song1"), "song1") << "a path without .csv is kept";
    EXPECT_EQ(SongIndex::songName("a.csv.b.csv"), "a.b");
    EXPECT_EQ(SongIndex::songName(".csvintro.csv"), "intro");
    EXPECT_EQ(SongIndex::songName("folder.csv/song.csv"), "folder/song");
    EXPECT_EQ(SongIndex::songName("x.csv.csv"), "x");
    EXPECT_EQ(SongIndex::songName("song.CSV"), "song.CSV") << "the match is case-sensitive";
    // One pass, left to right: a ".csv" formed by the removal itself stays.
    EXPECT_EQ(SongIndex::songName("a.cs.csvv"), "a.csv");
    EXPECT_EQ(SongIndex::songName(""), "");
}
