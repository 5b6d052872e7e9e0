#include "platform/core/FileManager.h"
#include "platform/core/Paths.h"
#include "platform/core/TemporaryFolder.h"
#include "platform/core/UserDefaults.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace core;

namespace {

// A folder this test makes by hand, so the removal rules see it as someone else's.
struct Foreign {
    Foreign()
    {
        char pattern[] = "/tmp/beatstrip-foreign-XXXXXX";
        path = mkdtemp(pattern);
        files::writeContentsAtPath(path + "/keep.txt", "mine");
    }
    ~Foreign()
    {
        unlink((path + "/keep.txt").c_str());
        rmdir(path.c_str());
    }
    bool intact() const { return files::contentsAtPath(path + "/keep.txt") == std::optional<std::string>("mine"); }
    std::string path;
};

}

TEST(TemporaryFolderTest, MakesAFreshFolderInTmpdirAndRemovesExactlyIt)
{
    auto parent = TemporaryFolder::create("parent");
    ASSERT_TRUE(parent.ok());
    const char* oldTmp = getenv("TMPDIR");
    std::string saved = oldTmp ? oldTmp : "";
    setenv("TMPDIR", (*parent)->path().c_str(), 1);
    std::string made;
    {
        auto folder = TemporaryFolder::create("child");
        ASSERT_TRUE(folder.ok());
        made = (*folder)->path();
        EXPECT_EQ(paths::stringByDeletingLastPathComponent(made), (*parent)->path());
        EXPECT_EQ(paths::lastPathComponent(made).rfind("beatstrip-child-", 0), 0u);
        ASSERT_TRUE(files::createDirectoryAtPath(made + "/a/b", true).ok());
        ASSERT_TRUE(files::writeContentsAtPath(made + "/a/b/c.txt", "x").ok());
        ASSERT_TRUE(files::writeContentsAtPath((*parent)->path() + "/sibling.txt", "y").ok());
    }
    EXPECT_FALSE(files::fileExistsAtPath(made));
    EXPECT_TRUE(files::fileExistsAtPath((*parent)->path() + "/sibling.txt"));
    {
        auto kept = TemporaryFolder::create("kept");
        ASSERT_TRUE(kept.ok());
        (*kept)->keep();
        made = (*kept)->path();
    }
    EXPECT_TRUE(files::fileExistsAtPath(made));
    if (oldTmp)
        setenv("TMPDIR", saved.c_str(), 1);
    else
        unsetenv("TMPDIR");
}

TEST(TemporaryFolderTest, AsHomeItPointsTheAppThereAndRestoresThePreviousHome)
{
    paths::setHomeOverride("/tmp/beatstrip-previous-home");
    std::string made;
    {
        auto home = TemporaryFolder::create("home", TemporaryFolder::Home::Use);
        ASSERT_TRUE(home.ok());
        made = (*home)->path();
        EXPECT_EQ(paths::homeDirectory(), made);
        EXPECT_EQ(UserDefaults::standardUserDefaults()->path(), made + "/settings.sqlite");
        UserDefaults::standardUserDefaults()->setObject("kept", "Song");
        EXPECT_TRUE(UserDefaults::standardUserDefaults()->synchronize());
    }
    EXPECT_EQ(paths::homeDirectory(), "/tmp/beatstrip-previous-home");
    EXPECT_FALSE(files::fileExistsAtPath(made));
    paths::setHomeOverride("");
}

// Removal reaches nothing but the app's own folders and the folders a TemporaryFolder made.
TEST(TemporaryFolderTest, RemovalRefusesEverythingOutsideTheAppsFolders)
{
    Foreign foreign;
    auto home = TemporaryFolder::create("guard", TemporaryFolder::Home::Use);
    ASSERT_TRUE(home.ok());
    const std::string root = (*home)->path();
    ASSERT_TRUE(files::createDirectoryAtPath(root + "/Documents/data", true).ok());
    ASSERT_TRUE(symlink(foreign.path.c_str(), (root + "/Documents/link").c_str()) == 0);

    EXPECT_FALSE(files::removeItemAtPath(foreign.path).ok()) << "a folder nobody of ours made";
    EXPECT_FALSE(files::removeItemAtPath(foreign.path + "/keep.txt").ok());
    EXPECT_FALSE(files::removeItemAtPath(root + "/Documents/../../" + paths::lastPathComponent(foreign.path)).ok()) << "climbing out";
    EXPECT_FALSE(files::removeItemAtPath(root + "/Documents/link/keep.txt").ok()) << "through a link";
    EXPECT_FALSE(files::removeItemAtPath("/").ok());
    EXPECT_FALSE(files::removeItemAtPath(root + "/Documents/..").ok());
    EXPECT_TRUE(foreign.intact());

    // The home itself is not the app's to remove once the temporary folder is not its maker.
    EXPECT_FALSE(files::isRemovable(foreign.path));
    EXPECT_TRUE(files::removeItemAtPath(root + "/Documents/link").ok()) << "the link itself is ours";
    EXPECT_TRUE(foreign.intact());
    EXPECT_TRUE(files::removeItemAtPath(root + "/Documents").ok());
    EXPECT_TRUE(files::isRemovable(root));

    // A real home (not made by us) may be emptied by the app but never removed whole.
    paths::setHomeOverride(foreign.path);
    EXPECT_FALSE(files::removeItemAtPath(foreign.path).ok());
    EXPECT_TRUE(files::isRemovable(foreign.path + "/keep.txt"));
    EXPECT_TRUE(foreign.intact());
    paths::setHomeOverride(root);
}
