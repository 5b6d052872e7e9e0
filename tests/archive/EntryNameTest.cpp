// The entry-name rules on their own: what may be extracted, where links may point, and how a
// hostile name is shown in the log.
#include "archive/EntryName.h"

#include <algorithm>
#include <gtest/gtest.h>

using archive::EntryName;

namespace {

std::optional<std::string> reason(const std::string& raw, std::vector<std::string>* partsOut = nullptr)
{
    std::string name = raw;
    std::replace(name.begin(), name.end(), '\\', '/');
    std::vector<std::string> parts;
    auto why = EntryName::unsafeReason(raw, name, parts);
    if (partsOut)
        *partsOut = parts;
    return why;
}

}

TEST(EntryNameTest, UnsafeNamesSayWhy)
{
    EXPECT_EQ(reason(""), "the name is empty");
    EXPECT_EQ(reason("/etc/passwd"), "the name is absolute");
    EXPECT_EQ(reason("\\windows\\x"), "the name is absolute");
    EXPECT_EQ(reason("C:evil"), "the name starts with a drive letter");
    EXPECT_EQ(reason("data/../../x"), "the name leaves the destination");
    EXPECT_EQ(reason("..\\x"), "the name leaves the destination");
    EXPECT_EQ(reason("./."), "the name names no file");
    EXPECT_EQ(reason(std::string("a\0b", 3)), "the name is not valid UTF-8");
    EXPECT_EQ(reason("bad\xC0\xAF"), "the name is not valid UTF-8") << "an overlong '/'";
}

TEST(EntryNameTest, SafeNamesKeepTheirRealComponents)
{
    std::vector<std::string> parts;
    EXPECT_FALSE(reason("data//./songs/a.csv", &parts));
    EXPECT_EQ(parts, (std::vector<std::string> { "data", "songs", "a.csv" }));
    EXPECT_FALSE(reason("data\\b.csv", &parts));
    EXPECT_EQ(parts, (std::vector<std::string> { "data", "b.csv" }));
    EXPECT_FALSE(reason("..odd/Ünïcode.csv", &parts)) << "dots inside a name are a name";
}

TEST(EntryNameTest, LinksClimbNoHigherThanTheirFolderAndThenOnlyDescend)
{
    EXPECT_TRUE(EntryName::linkTargetStaysInside("b.csv", 0));
    EXPECT_TRUE(EntryName::linkTargetStaysInside("../b.csv", 1));
    EXPECT_TRUE(EntryName::linkTargetStaysInside("./../x/y", 1));
    EXPECT_FALSE(EntryName::linkTargetStaysInside("../b.csv", 0));
    EXPECT_FALSE(EntryName::linkTargetStaysInside("x/../../b", 2)) << "climbing after descending";
    EXPECT_FALSE(EntryName::linkTargetStaysInside("/etc/passwd", 5));
    EXPECT_FALSE(EntryName::linkTargetStaysInside("", 1));
    EXPECT_FALSE(EntryName::linkTargetStaysInside("a\xFF", 1));
}

TEST(EntryNameTest, LogLinesShowControlAndForeignBytesEscaped)
{
    EXPECT_EQ(EntryName::printable("plain.csv"), "plain.csv");
    EXPECT_EQ(EntryName::printable("new\nline"), "new\\x0Aline");
    EXPECT_EQ(EntryName::printable("caf\xC3\xA9"), "caf\xC3\xA9") << "UTF-8 stays readable";
    EXPECT_EQ(EntryName::printable("caf\xE9"), "caf\\xE9");
    EXPECT_EQ(EntryName::components("a//b/"), (std::vector<std::string> { "a", "", "b", "" }));
}
