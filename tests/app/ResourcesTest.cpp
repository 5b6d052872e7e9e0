#include <gtest/gtest.h>

#include "app/Resources.h"

#include <climits>
#include <cstdlib>
#include <string>

using namespace app;

namespace {

// The data folder sits at BINDIR/../share/beatstrip wherever the installed tree was put.
TEST(ResourcesTest, AnInstalledProgramFindsItsDataBesideItself)
{
    EXPECT_EQ(resources::dataDirectoryFor("/usr/bin/beatstrip"), "/usr/share/beatstrip");
    EXPECT_EQ(resources::dataDirectoryFor("/opt/moved here/bin/beatstrip"), "/opt/moved here/share/beatstrip");
    EXPECT_EQ(resources::dataDirectoryFor(""), "");
}

TEST(ResourcesTest, OnlyTheBuildFoldersProgramUsesTheSourceTree)
{
    char resolved[PATH_MAX];
    ASSERT_NE(realpath(BEATSTRIP_BUILD_DIR, resolved), nullptr);
    EXPECT_EQ(resources::dataDirectoryFor(std::string(resolved) + "/beatstrip"), "");
    // A copy of the build's program elsewhere is an installed one.
    EXPECT_EQ(resources::dataDirectoryFor(std::string(resolved) + "/bin/beatstrip"), std::string(resolved) + "/share/beatstrip");
}

TEST(ResourcesTest, FolderURLsAreEscapedAndEndInASlash)
{
    EXPECT_EQ(resources::fileURLForDirectory("/usr/share/beatstrip/content"), "file:///usr/share/beatstrip/content/");
    EXPECT_EQ(resources::fileURLForDirectory("/tmp/a b/#1%/\xc3\xbc/"), "file:///tmp/a%20b/%231%25/%C3%BC/");
}

TEST(ResourcesTest, TheEnvironmentAndCommandLineComeFirst)
{
    setenv("BEATSTRIP_CONTENT_URL", "http://env.example/", 1);
    EXPECT_EQ(resources::contentURL("http://flag.example/"), "http://flag.example/");
    EXPECT_EQ(resources::contentURL(""), "http://env.example/");
    unsetenv("BEATSTRIP_CONTENT_URL");
    // The test program is not the build's beatstrip, so it counts as installed beside its folder.
    EXPECT_EQ(resources::contentURL("").rfind("file://", 0), 0u);
    setenv("BEATSTRIP_ASSETS", "/tmp/other-assets", 1);
    EXPECT_EQ(resources::assetsDirectory(), "/tmp/other-assets");
    unsetenv("BEATSTRIP_ASSETS");
}

}
