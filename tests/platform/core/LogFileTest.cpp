#include <gtest/gtest.h>

#include "platform/core/FileManager.h"
#include "platform/core/Log.h"
#include "platform/core/LogFile.h"
#include "platform/core/Paths.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace core;

namespace {

class LogFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/beatstrip-logfile-XXXXXX";
        m_dir = mkdtemp(tmpl);
    }
    void TearDown() override { files::removeItemAtPath(m_dir); }
    std::string path(const std::string& name) const { return paths::stringByAppendingPathComponent(m_dir, name); }
    std::string read(const std::string& name) const
    {
        auto text = files::contentsAtPath(path(name));
        return text ? *text : std::string("<missing>");
    }
    bool exists(const std::string& name) const
    {
        struct stat info {};
        return stat(path(name).c_str(), &info) == 0;
    }

    std::string m_dir;
};

// A line of exactly 10 bytes, numbered so each file's contents say which lines it kept.
std::string line(int n)
{
    return format("line %04d\n", n);
}

TEST_F(LogFileTest, RotatesAtTheLimitKeepingThreeOldFiles)
{
    auto file = LogFile::open(path("logs/beatstrip.log"), 30, 3);
    ASSERT_TRUE(file) << file.error().localizedDescription;
    // Three lines fill the 30-byte file; each further three start a new one.
    for (int n = 1; n <= 15; n++)
        (*file)->write(line(n));
    EXPECT_EQ(read("logs/beatstrip.log"), line(13) + line(14) + line(15));
    EXPECT_EQ(read("logs/beatstrip.log.1"), line(10) + line(11) + line(12));
    EXPECT_EQ(read("logs/beatstrip.log.2"), line(7) + line(8) + line(9));
    EXPECT_EQ(read("logs/beatstrip.log.3"), line(4) + line(5) + line(6));
    // The oldest lines went, and no fourth old file was kept.
    EXPECT_FALSE(exists("logs/beatstrip.log.4"));
}

TEST_F(LogFileTest, AppendsToTheLastRunsFileAndRotatesItWhenFull)
{
    {
        auto first = LogFile::open(path("beatstrip.log"), 30, 3);
        ASSERT_TRUE(first);
        (*first)->write(line(1));
    }
    {
        auto second = LogFile::open(path("beatstrip.log"), 30, 3);
        ASSERT_TRUE(second);
        (*second)->write(line(2));
        (*second)->write(line(3));
    }
    EXPECT_EQ(read("beatstrip.log"), line(1) + line(2) + line(3));
    EXPECT_FALSE(exists("beatstrip.log.1"));
    // Full when opened: the new run starts a fresh file.
    auto third = LogFile::open(path("beatstrip.log"), 30, 3);
    ASSERT_TRUE(third);
    (*third)->write(line(4));
    EXPECT_EQ(read("beatstrip.log"), line(4));
    EXPECT_EQ(read("beatstrip.log.1"), line(1) + line(2) + line(3));
}

TEST_F(LogFileTest, ALineLongerThanTheLimitIsKeptWhole)
{
    auto file = LogFile::open(path("beatstrip.log"), 30, 3);
    ASSERT_TRUE(file);
    std::string longLine(45, 'x');
    longLine += "\n";
    (*file)->write(line(1));
    (*file)->write(longLine);
    (*file)->write(line(2));
    EXPECT_EQ(read("beatstrip.log.2"), line(1));
    EXPECT_EQ(read("beatstrip.log.1"), longLine);
    EXPECT_EQ(read("beatstrip.log"), line(2));
}

TEST_F(LogFileTest, AnUnwritableFolderIsAnErrorThatSaysWhere)
{
    ASSERT_TRUE(files::writeContentsAtPath(path("plain"), "not a folder"));
    auto file = LogFile::open(path("plain/beatstrip.log"));
    ASSERT_FALSE(file);
    EXPECT_NE(file.error().localizedDescription.find(path("plain/beatstrip.log")), std::string::npos);
}

TEST_F(LogFileTest, LogLinesReachTheFileWholeAndStampedWhileStderrIsOff)
{
    auto file = LogFile::open(path("beatstrip.log"));
    ASSERT_TRUE(file);
    setLogFile(*file);
    log("Opened %s", "Song One");
    setLogFile(nullptr);
    log("not in the file");
    std::string text = read("beatstrip.log");
    // "<date> <time> beatstrip[<pid>] Opened Song One"
    EXPECT_NE(text.find(format(" beatstrip[%d] Opened Song One\n", int(getpid()))), std::string::npos) << text;
    EXPECT_EQ(text.find("not in the file"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
}

}
