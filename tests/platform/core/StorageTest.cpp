#include <gtest/gtest.h>

#include "platform/core/FileManager.h"
#include "platform/core/TemporaryFolder.h"
#include "platform/core/Json.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"

#include <cstdlib>
#include <sqlite3.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace core;

namespace {

class TempDir {
public:
    TempDir()
        : m_folder(*TemporaryFolder::create("core"))
        , m_path(m_folder->path())
    {
    }
    std::string operator/(const std::string& name) const { return paths::stringByAppendingPathComponent(m_path, name); }
    const std::string& path() const { return m_path; }

private:
    std::shared_ptr<TemporaryFolder> m_folder;
    std::string m_path;
};

TEST(PathsTest, JoiningAndDeletingComponents)
{
    using namespace paths;
    EXPECT_EQ(stringByAppendingPathComponent("/a/b", "c"), "/a/b/c");
    EXPECT_EQ(stringByAppendingPathComponent("/a/b/", "c"), "/a/b/c");
    EXPECT_EQ(stringByAppendingPathComponent("/a//b", "/c/"), "/a/b/c");
    EXPECT_EQ(stringByAppendingPathComponent("", "c"), "c");
    EXPECT_EQ(stringByAppendingPathComponent("/", "c"), "/c");
    EXPECT_EQ(stringByAppendingPathComponent("a", ""), "a");
    EXPECT_EQ(stringByDeletingLastPathComponent("/a/b/c"), "/a/b");
    EXPECT_EQ(stringByDeletingLastPathComponent("/a/b/"), "/a");
    EXPECT_EQ(stringByDeletingLastPathComponent("/a"), "/");
    EXPECT_EQ(stringByDeletingLastPathComponent("/"), "/");
    EXPECT_EQ(stringByDeletingLastPathComponent("a"), "");
    EXPECT_EQ(lastPathComponent("/a/b.csv/"), "b.csv");
}

TEST(PathsTest, HomeComesFromTheOverrideThenTheEnvironment)
{
    setenv("BEATSTRIP_HOME", "/tmp/bs-env-home", 1);
    paths::setHomeOverride("");
    EXPECT_EQ(paths::homeDirectory(), "/tmp/bs-env-home");
    EXPECT_EQ(paths::documentsDirectory(), "/tmp/bs-env-home/Documents");
    unsetenv("BEATSTRIP_HOME");
    setenv("XDG_DATA_HOME", "/tmp/xdg", 1);
    EXPECT_EQ(paths::homeDirectory(), "/tmp/xdg/beatstrip");
    paths::setHomeOverride("/tmp/flag-home");
    EXPECT_EQ(paths::homeDirectory(), "/tmp/flag-home");
    paths::setHomeOverride("");
    unsetenv("XDG_DATA_HOME");
}

TEST(FilesTest, FoldersFilesAndFailuresAsValues)
{
    TempDir dir;
    EXPECT_FALSE(files::createDirectoryAtPath(dir / "x/y/z", false).ok());
    ASSERT_TRUE(files::createDirectoryAtPath(dir / "x/y/z", true).ok());
    EXPECT_TRUE(files::createDirectoryAtPath(dir / "x/y/z", true).ok());
    auto again = files::createDirectoryAtPath(dir / "x/y/z", false);
    ASSERT_FALSE(again.ok());
    EXPECT_EQ(again.error().code, EEXIST);
    EXPECT_NE(again.error().localizedDescription.find("x/y/z"), std::string::npos);

    ASSERT_TRUE(files::writeContentsAtPath(dir / "x/y/z/f.txt", std::string("a\0b", 3)).ok());
    EXPECT_EQ(files::contentsAtPath(dir / "x/y/z/f.txt"), std::string("a\0b", 3));
    EXPECT_FALSE(files::contentsAtPath(dir / "missing").has_value());
    EXPECT_FALSE(files::contentsAtPath(dir / "x").has_value());

    ASSERT_TRUE(files::setModificationDate(dir / "x/y/z/f.txt", 1000000.5).ok());
    EXPECT_NEAR(*files::modificationDate(dir / "x/y/z/f.txt"), 1000000.5, 1e-6);

    symlink("/etc", (dir / "x/link").c_str());
    EXPECT_TRUE(files::isSymbolicLink(dir / "x/link"));
    auto names = files::contentsOfDirectoryAtPath(dir / "x");
    ASSERT_TRUE(names.ok());
    EXPECT_EQ(names->size(), 2u);

    // Removing a folder removes the link, never what it points to.
    ASSERT_TRUE(files::removeItemAtPath(dir / "x").ok());
    EXPECT_FALSE(files::fileExistsAtPath(dir / "x"));
    EXPECT_TRUE(files::fileExistsAtPath("/etc/hostname") || files::fileExistsAtPath("/etc/passwd"));
    EXPECT_FALSE(files::removeItemAtPath(dir / "x").ok());
    EXPECT_FALSE(files::contentsOfDirectoryAtPath(dir / "x").ok());
}

TEST(JsonTest, AnyTopLevelValueOrNone)
{
    EXPECT_EQ(JSONObject("[1,2]")->size(), 2u);
    EXPECT_EQ(JSONObject("\"text\"")->get<std::string>(), "text");
    EXPECT_EQ(JSONObject(" 42 ")->get<int>(), 42);
    EXPECT_FALSE(JSONObject("").has_value());
    EXPECT_FALSE(JSONObject("{\"a\":").has_value());
    EXPECT_FALSE(JSONObject("<html>").has_value());
}

TEST(UserDefaultsTest, SavedValuesSurviveReopeningAndAreSeenAcrossConnections)
{
    TempDir dir;
    std::string path = dir / "settings.sqlite";
    {
        auto a = UserDefaults::open(path);
        auto b = UserDefaults::open(path);
        a->setObject(Json::array({ { { "Tempo", "120" } } }), "Song 1");
        EXPECT_EQ((*a->valueForKey("Song 1"))[0]["Tempo"], "120");
        EXPECT_FALSE(b->valueForKey("Song 1").has_value()) << "not saved until synchronize";
        ASSERT_TRUE(a->synchronize());
        EXPECT_EQ((*b->valueForKey("Song 1"))[0]["Tempo"], "120");
        b->setObject("second", "Song 1");
        ASSERT_TRUE(b->synchronize());
        EXPECT_EQ(a->valueForKey("Song 1")->get<std::string>(), "second");
        a->removeObjectForKey("gone");
        EXPECT_TRUE(a->synchronize());
    }
    auto reopened = UserDefaults::open(path);
    EXPECT_EQ(reopened->valueForKey("Song 1")->get<std::string>(), "second");
    EXPECT_FALSE(reopened->valueForKey("other").has_value());
}

TEST(UserDefaultsTest, RemovingByPrefixTakesStoredAndPendingKeysThatStartWithItOnly)
{
    TempDir dir;
    std::string path = dir / "settings.sqlite";
    auto store = UserDefaults::open(path);
    // '%' and '_' would be wildcards to LIKE: "a%_b/" must not take "aXYb/".
    for (const char* key : { "p/a%_b/loop", "p/a%_b/best/80", "p/aXYb/loop", "p/a%_b", "q/p/a%_b/loop" })
        store->setObject(1, key);
    ASSERT_TRUE(store->synchronize());
    store->setObject(2, "p/a%_b/shade");
    store->removeObjectsWithPrefix("p/a%_b/");
    for (const char* key : { "p/a%_b/loop", "p/a%_b/best/80", "p/a%_b/shade" })
        EXPECT_FALSE(store->valueForKey(key).has_value()) << key;
    ASSERT_TRUE(store->synchronize());
    auto reopened = UserDefaults::open(path);
    for (const char* key : { "p/a%_b/loop", "p/a%_b/best/80", "p/a%_b/shade" })
        EXPECT_FALSE(reopened->valueForKey(key).has_value()) << key;
    for (const char* key : { "p/aXYb/loop", "p/a%_b", "q/p/a%_b/loop" })
        EXPECT_TRUE(reopened->valueForKey(key).has_value()) << key;
}

TEST(UserDefaultsTest, AGarbageStoreIsMovedAsideAndAFreshOneUsed)
{
    TempDir dir;
    std::string path = dir / "settings.sqlite";
    ASSERT_TRUE(files::writeContentsAtPath(path, std::string(8192, 'x')).ok());
    std::vector<std::string> lines;
    auto old = setLogSink([&](const std::string& m) { lines.push_back(m); });
    auto store = UserDefaults::open(path);
    setLogSink(old);
    store->setObject(5, "k");
    ASSERT_TRUE(store->synchronize());
    EXPECT_EQ(UserDefaults::open(path)->valueForKey("k")->get<int>(), 5);
    bool told = false;
    for (auto& l : lines)
        told |= l.find("moved aside") != std::string::npos;
    EXPECT_TRUE(told);
    auto names = files::contentsOfDirectoryAtPath(dir.path());
    bool kept = false;
    for (auto& n : *names)
        kept |= n.find(".corrupt-") != std::string::npos;
    EXPECT_TRUE(kept) << "the unreadable bytes are kept beside the new store";
}

TEST(UserDefaultsTest, AStoreLockedByAnotherWriterIsKeptNotMovedAside)
{
    TempDir dir;
    std::string path = dir / "settings.sqlite";
    // Another program's connection, still in rollback-journal mode, holding a write transaction.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other,
                  "CREATE TABLE defaults (key TEXT PRIMARY KEY, value TEXT NOT NULL);"
                  "INSERT INTO defaults VALUES ('Song 1', '\"kept\"');"
                  "BEGIN EXCLUSIVE",
                  nullptr, nullptr, nullptr),
        SQLITE_OK);
    std::vector<std::string> lines;
    auto old = setLogSink([&](const std::string& m) { lines.push_back(m); });
    auto store = UserDefaults::open(path);
    setLogSink(old);
    ASSERT_EQ(sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(other);

    auto names = files::contentsOfDirectoryAtPath(dir.path());
    ASSERT_TRUE(names.ok());
    for (auto& n : *names)
        EXPECT_EQ(n.find(".corrupt-"), std::string::npos) << "a busy store is not a broken one";
    ASSERT_TRUE(store->valueForKey("Song 1").has_value());
    EXPECT_EQ(store->valueForKey("Song 1")->get<std::string>(), "kept");
    store->setObject("new", "Song 2");
    EXPECT_TRUE(store->synchronize());
    EXPECT_EQ(UserDefaults::open(path)->valueForKey("Song 2")->get<std::string>(), "new");
}

TEST(UserDefaultsTest, StandardStoreLivesInTheHomeFolder)
{
    TempDir dir;
    paths::setHomeOverride(dir.path());
    UserDefaults::resetStandardUserDefaults();
    auto store = UserDefaults::standardUserDefaults();
    EXPECT_EQ(store->path(), dir / "settings.sqlite");
    EXPECT_EQ(store.get(), UserDefaults::standardUserDefaults().get());
    UserDefaults::resetStandardUserDefaults();
    paths::setHomeOverride("");
}

TEST(LogTest, LinesAreFormattedAndStampedWithTheManualClock)
{
    std::vector<std::string> lines;
    auto old = setLogSink([&](const std::string& m) { lines.push_back(m); });
    log("Shader Timer started , Next: %f", 0.5);
    log("%s  :  %d", "SKIPED", 3);
    setLogSink(old);
    EXPECT_EQ(lines, (std::vector<std::string> { "Shader Timer started , Next: 0.500000", "SKIPED  :  3" }));
    EXPECT_EQ(format("%05.1f|%s", 2.25, std::string(600, 'a').c_str()).size(), 5u + 1 + 600);
}

}
