// The settings store under faults: only a damaged file is moved aside, and never over another;
// a read-only or full disk keeps the saved values readable and says why changes cannot be saved.
#include "platform/core/FileManager.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"
#include "platform/core/TemporaryFolder.h"
#include "platform/core/UserDefaults.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace core;

namespace {

class UserDefaultsFaultTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto made = TemporaryFolder::create("settings");
        ASSERT_TRUE(made.ok());
        m_folder = *made;
        path = m_folder->path() + "/settings.sqlite";
        m_oldSink = setLogSink([this](const std::string& line) { lines.push_back(line); });
    }
    void TearDown() override { setLogSink(m_oldSink); }

    std::vector<std::string> asideNames() const
    {
        std::vector<std::string> found;
        auto names = files::contentsOfDirectoryAtPath(m_folder->path());
        for (auto& name : *names) {
            if (name.find(".corrupt-") != std::string::npos)
                found.push_back(name);
        }
        std::sort(found.begin(), found.end());
        return found;
    }
    int logged(const std::string& fragment) const
    {
        return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](auto& l) { return l.find(fragment) != std::string::npos; }));
    }
    void saveTempo(const std::string& value)
    {
        auto store = UserDefaults::open(path);
        store->setObject(value, "Song 1");
        ASSERT_TRUE(store->synchronize());
    }

    std::shared_ptr<TemporaryFolder> m_folder;
    std::string path;
    std::vector<std::string> lines;
    LogSink m_oldSink;
};

// What a store opened by another user reports back through a pipe.
struct ChildReport {
    std::string value, problem, saveFailure;
    bool saved = true;
};

// Opens the store as the unprivileged user "nobody" (uid/gid 65534) in a child process: root
// ignores permission bits, so only another user sees a read-only folder as read-only.
std::optional<ChildReport> openAsNobody(const std::string& path)
{
    int out[2];
    if (pipe(out) != 0)
        return std::nullopt;
    pid_t pid = fork();
    if (pid == 0) {
        close(out[0]);
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
            _exit(3);
        setLogToStderr(false);
        auto store = UserDefaults::open(path);
        auto value = store->valueForKey("Song 1");
        store->setObject("changed", "Song 1");
        bool saved = store->synchronize();
        std::string text = (value ? value->get<std::string>() : "") + '\n' + store->problem() + '\n' + store->lastSaveFailure() + '\n'
            + (saved ? "saved" : "not saved") + '\n';
        (void)!write(out[1], text.data(), text.size());
        _exit(0);
    }
    close(out[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    ChildReport report;
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        parts.push_back(text.substr(start, end - start));
    if (parts.size() != 4)
        return std::nullopt;
    report.value = parts[0];
    report.problem = parts[1];
    report.saveFailure = parts[2];
    report.saved = parts[3] == "saved";
    return report;
}

}

TEST_F(UserDefaultsFaultTest, TwoDamagedStoresInOneSecondAreBothKeptWithTheirJournals)
{
    for (const char* bytes : { "first damaged store", "second damaged store" }) {
        ASSERT_TRUE(files::writeContentsAtPath(path, std::string(bytes) + std::string(8192, 'x')).ok());
        ASSERT_TRUE(files::writeContentsAtPath(path + "-wal", std::string("journal of ") + bytes).ok());
        ASSERT_TRUE(files::writeContentsAtPath(path + "-shm", std::string("index of ") + bytes).ok());
        auto store = UserDefaults::open(path);
        store->setObject(1, "k");
        EXPECT_TRUE(store->synchronize());
        EXPECT_EQ(store->problem(), "");
    }
    auto names = asideNames();
    ASSERT_EQ(names.size(), 6u) << "two stores, each with its -wal and -shm";
    std::vector<std::string> stores;
    for (auto& name : names) {
        if (name.find("-wal") == std::string::npos && name.find("-shm") == std::string::npos)
            stores.push_back(m_folder->path() + "/" + name);
    }
    ASSERT_EQ(stores.size(), 2u);
    // Which is which: by their bytes, as the names may sort either way.
    if (files::contentsAtPath(stores[0])->rfind("second", 0) == 0)
        std::swap(stores[0], stores[1]);
    std::string first = stores[0];
    std::string second = stores[1];
    EXPECT_EQ(files::contentsAtPath(first)->substr(0, 19), "first damaged store");
    EXPECT_EQ(files::contentsAtPath(first + "-wal"), "journal of first damaged store");
    EXPECT_TRUE(files::fileExistsAtPath(first + "-shm")) << "its index moves too (SQLite rewrites its bytes)";
    EXPECT_EQ(files::contentsAtPath(second)->substr(0, 20), "second damaged store");
    EXPECT_EQ(files::contentsAtPath(second + "-wal"), "journal of second damaged store");
    EXPECT_EQ(logged("moved aside"), 2);
}

TEST_F(UserDefaultsFaultTest, AHandMadeTableWithoutTheKeyConstraintKeepsTheNewestValuePerKey)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                  "CREATE TABLE defaults (key TEXT, value TEXT);"
                  "INSERT INTO defaults VALUES ('Song 1', '\"old\"'), ('Song 2', '\"only\"'), ('Song 1', '\"newest\"');",
                  nullptr, nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(db);

    {
        auto store = UserDefaults::open(path);
        EXPECT_EQ(store->valueForKey("Song 1")->get<std::string>(), "newest");
        EXPECT_EQ(store->valueForKey("Song 2")->get<std::string>(), "only");
        store->setObject("saved", "Song 1");
        ASSERT_TRUE(store->synchronize());
    }
    EXPECT_EQ(UserDefaults::open(path)->valueForKey("Song 1")->get<std::string>(), "saved");
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    sqlite3_stmt* count = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT count(*) FROM defaults WHERE key = 'Song 1'", -1, &count, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(count), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(count, 0), 1);
    sqlite3_finalize(count);
    sqlite3_close(db);
    EXPECT_TRUE(asideNames().empty());
}

TEST_F(UserDefaultsFaultTest, AStoreThatCannotBeOpenedIsKeptAndTheReasonGiven)
{
    // A folder where the file should be: no database, but nothing damaged either.
    ASSERT_TRUE(files::createDirectoryAtPath(path, false).ok());
    auto store = UserDefaults::open(path);
    EXPECT_TRUE(asideNames().empty());
    EXPECT_EQ(logged("moved aside"), 0);
    EXPECT_NE(store->problem().find("Changes cannot be saved because"), std::string::npos) << store->problem();
    EXPECT_EQ(store->takeProblemToReport(), store->problem());
    EXPECT_EQ(store->takeProblemToReport(), "") << "the user is told once";
    store->setObject("x", "Song 1");
    EXPECT_FALSE(store->synchronize());
    EXPECT_EQ(store->lastSaveFailure(), store->problem());
}

TEST_F(UserDefaultsFaultTest, AReadOnlyFolderKeepsTheSavedTempiAndSaysWhy)
{
    saveTempo("saved before");
    // Readable by everyone, writable by nobody but root.
    ASSERT_EQ(chmod(m_folder->path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(path.c_str(), 0644), 0);
    auto report = openAsNobody(path);
    chmod(m_folder->path().c_str(), 0700);
    if (!report)
        GTEST_SKIP() << "cannot open the store as another user here";
    EXPECT_EQ(report->value, "saved before");
    EXPECT_NE(report->problem.find("read-only"), std::string::npos) << report->problem;
    EXPECT_NE(report->problem.find("Your saved tempi are still used."), std::string::npos);
    EXPECT_FALSE(report->saved);
    EXPECT_NE(report->saveFailure.find("read-only"), std::string::npos) << report->saveFailure;
    EXPECT_TRUE(asideNames().empty());
    EXPECT_EQ(UserDefaults::open(path)->valueForKey("Song 1")->get<std::string>(), "saved before") << "the store is untouched";
}

TEST_F(UserDefaultsFaultTest, AFullDiskKeepsTheSavedTempiAndSaysWhy)
{
    // A small disk of our own, filled to the last byte.
    const std::string disk = m_folder->path() + "/disk";
    ASSERT_TRUE(files::createDirectoryAtPath(disk, false).ok());
    if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << strerror(errno);
    struct Unmount {
        std::string path;
        ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
    } unmount { disk };
    path = disk + "/settings.sqlite";
    saveTempo("saved before");
    int fd = ::open((disk + "/filler").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    std::string block(4096, 'f');
    while (write(fd, block.data(), block.size()) > 0) { }
    while (write(fd, block.data(), 1) > 0) { }
    close(fd);

    auto store = UserDefaults::open(path);
    EXPECT_EQ(store->valueForKey("Song 1")->get<std::string>(), "saved before");
    store->setObject(std::string(64 * 1024, 'n'), "Song 1");
    EXPECT_FALSE(store->synchronize());
    std::string why = store->problem().empty() ? store->lastSaveFailure() : store->problem();
    EXPECT_NE(why.find("the disk is full"), std::string::npos) << why;
    EXPECT_EQ(store->valueForKey("Song 1")->get<std::string>().size(), 64u * 1024) << "the edit stays pending for a retry";
    store.reset();
    EXPECT_TRUE(asideNames().empty());
    auto names = *files::contentsOfDirectoryAtPath(disk);
    EXPECT_EQ(std::count_if(names.begin(), names.end(), [](auto& n) { return n.find("corrupt") != std::string::npos; }), 0);
    unlink((disk + "/filler").c_str());
    EXPECT_EQ(UserDefaults::open(path)->valueForKey("Song 1")->get<std::string>(), "saved before");
}

TEST_F(UserDefaultsFaultTest, ADamagedStoreThatCannotBeMovedIsKeptAndSaysSo)
{
    const std::string bytes = "damaged" + std::string(8192, 'x');
    ASSERT_TRUE(files::writeContentsAtPath(path, bytes).ok());
    ASSERT_EQ(chmod(m_folder->path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(path.c_str(), 0666), 0);
    auto report = openAsNobody(path);
    chmod(m_folder->path().c_str(), 0700);
    if (!report)
        GTEST_SKIP() << "cannot open the store as another user here";
    EXPECT_NE(report->problem.find("cannot be moved aside"), std::string::npos) << report->problem;
    EXPECT_FALSE(report->saved);
    EXPECT_EQ(files::contentsAtPath(path), bytes) << "kept as it was";
    EXPECT_TRUE(asideNames().empty());
}
