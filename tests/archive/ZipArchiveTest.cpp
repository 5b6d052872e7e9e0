#include "ZipTestSupport.h"

#include <cstdlib>

using archive::ZipArchive;
using namespace ziptest;

namespace {

using ZipArchiveTest = ArchiveTest;

TEST_F(ZipArchiveTest, ExtractsFilesAndFoldersIntoAMissingDestination)
{
    destination = parent + "/dest/deeper/still";
    writeZip(archivePath, {
        { "data/", "" },
        { "data/info.json", R"({"songs":[]})" },
        { "data/songs/a.csv", std::string(10000, 'a') },
        { "top.txt", "stored", 0 },
    });

    EXPECT_TRUE(ZipArchive::unzipFileAtPath(archivePath, destination));

    EXPECT_EQ(tree(destination), (std::vector<std::string> { "data/", "data/info.json", "data/songs/", "data/songs/a.csv", "top.txt" }));
    EXPECT_EQ(contents(destination + "/data/info.json"), R"({"songs":[]})");
    EXPECT_EQ(contents(destination + "/data/songs/a.csv"), std::string(10000, 'a'));
    EXPECT_EQ(contents(destination + "/top.txt"), "stored");
    EXPECT_TRUE(logLines.empty());
}

// Entries larger than every internal buffer and read window, stored and deflated, come out byte
// for byte, and so do the small entries after them.
TEST_F(ZipArchiveTest, LargeEntriesComeOutByteForByte)
{
    std::string noise(1 << 20, '\0');
    uint32_t x = 2463534242u;
    for (char& c : noise) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = char(x);
    }
    std::string text;
    for (int i = 0; text.size() < (3u << 20); ++i)
        text += std::to_string(i) + ",41," + std::to_string(i * 7919 % 1000) + "\n";
    writeZip(archivePath, { { "noise.bin", noise, 0 }, { "text.csv", text }, { "noise2.bin", noise }, { "tail.txt", "tail" } });

    EXPECT_TRUE(ZipArchive::unzipFileAtPath(archivePath, destination));

    EXPECT_TRUE(contents(destination + "/noise.bin") == noise);
    EXPECT_TRUE(contents(destination + "/text.csv") == text);
    EXPECT_TRUE(contents(destination + "/noise2.bin") == noise);
    EXPECT_EQ(contents(destination + "/tail.txt"), "tail");
}

TEST_F(ZipArchiveTest, OverwriteOnReplacesFilesAndKeepsExistingFolders)
{
    ASSERT_TRUE(core::files::createDirectoryAtPath(destination + "/data/extra", true).ok());
    ASSERT_TRUE(core::files::writeContentsAtPath(destination + "/data/info.json", "old and longer than the new one").ok());
    ASSERT_TRUE(core::files::writeContentsAtPath(destination + "/data/extra/keep.txt", "kept").ok());
    writeZip(archivePath, { { "data/", "" }, { "data/info.json", "new" } });

    EXPECT_TRUE(ZipArchive::unzipFileAtPath(archivePath, destination));

    EXPECT_EQ(contents(destination + "/data/info.json"), "new");
    EXPECT_EQ(contents(destination + "/data/extra/keep.txt"), "kept");
}

TEST_F(ZipArchiveTest, OverwriteOffSkipsExistingFilesWithoutUsingAnIndex)
{
    ASSERT_TRUE(core::files::createDirectoryAtPath(destination + "/sub", true).ok());
    ASSERT_TRUE(core::files::writeContentsAtPath(destination + "/sub/a.txt", "mine").ok());
    const uint32_t skippedDate = dosDateTime(2001, 2, 3, 4, 5, 6);
    Item skipped { "sub/a.txt", "theirs" };
    skipped.dosDate = skippedDate;
    writeZip(archivePath, { skipped, { "b.txt", "bb" }, { "c.txt", "ccc" } });
    auto delegate = std::make_shared<RecordingDelegate>();
    core::Error error = core::Error::make("untouched", 7, "");

    EXPECT_TRUE(ZipArchive::unzipFileAtPath(archivePath, destination, false, std::nullopt, &error, delegate));

    EXPECT_EQ(contents(destination + "/sub/a.txt"), "mine");
    EXPECT_EQ(contents(destination + "/b.txt"), "bb");
    EXPECT_EQ(contents(destination + "/c.txt"), "ccc");
    EXPECT_EQ(delegate->calls, (std::vector<std::string> {
                                   "willArchive " + archivePath + " 3",
                                   "willFile 0/3",
                                   "willFile 0/3",
                                   "didFile 0/3 2",
                                   "willFile 1/3",
                                   "didFile 1/3 3",
                                   "didArchive " + destination,
                               }));
    // The skipped entry still takes part in the date pass.
    EXPECT_EQ(mtimeOf(destination + "/sub/a.txt"), localDate(2001, 2, 3, 4, 5, 6));
    EXPECT_EQ(error.domain, "untouched");
}

TEST_F(ZipArchiveTest, DelegateSeesEachEntrysRecord)
{
    const std::string body(5000, 'x');
    Item entry { "data/song.csv", body };
    entry.dosDate = dosDateTime(2019, 12, 31, 23, 59, 58);
    writeZip(archivePath, { { "data/", "", 0 }, entry });
    auto delegate = std::make_shared<RecordingDelegate>();

    EXPECT_TRUE(ZipArchive::unzipFileAtPath(archivePath, destination, delegate));

    EXPECT_EQ(delegate->calls, (std::vector<std::string> {
                                   "willArchive " + archivePath + " 2",
                                   "willFile 0/2",
                                   "didFile 0/2 0",
                                   "willFile 1/2",
                                   "didFile 1/2 5000",
                                   "didArchive " + destination,
                               }));
    ASSERT_EQ(delegate->infos.size(), 2u);
    const archive::ZipFileInfo& info = delegate->infos[1];
    EXPECT_EQ(info.compression_method, 8u);
    EXPECT_EQ(info.dosDate, entry.dosDate);
    EXPECT_EQ(info.crc, crcOf(body));
    EXPECT_EQ(info.uncompressed_size, 5000u);
    EXPECT_LT(info.compressed_size, 5000u);
    EXPECT_EQ(info.size_filename, 13u);
    EXPECT_EQ(info.tmu_date.tm_year, 2019u);
    EXPECT_EQ(info.tmu_date.tm_mon, 11u);
    EXPECT_EQ(info.tmu_date.tm_mday, 31u);
    EXPECT_EQ(info.tmu_date.tm_sec, 58u);
}

TEST_F(ZipArchiveTest, EveryExtractedItemCarriesItsEntrysDate)
{
    Item folder { "data/", "" };
    folder.dosDate = dosDateTime(2010, 1, 2, 3, 4, 6);
    Item nested { "data/deep/", "" };
    nested.dosDate = dosDateTime(2011, 5, 6, 7, 8, 10);
    Item file { "data/deep/x.csv", "1,2,3" };
    file.dosDate = dosDateTime(2012, 9, 10, 11, 12, 14);
    Item later { "data/y.csv", "4" };
    later.dosDate = dosDateTime(2013, 10, 11, 12, 13, 16);
    writeZip(archivePath, { folder, nested, file, later });

    EXPECT_TRUE(ZipArchive::unzipFileAtPath(archivePath, destination));

    // Folders were written into after their own entries; the date pass put their dates back.
    EXPECT_EQ(mtimeOf(destination + "/data"), localDate(2010, 1, 2, 3, 4, 6));
    EXPECT_EQ(mtimeOf(destination + "/data/deep"), localDate(2011, 5, 6, 7, 8, 10));
    EXPECT_EQ(mtimeOf(destination + "/data/deep/x.csv"), localDate(2012, 9, 10, 11, 12, 14));
    EXPECT_EQ(mtimeOf(destination + "/data/y.csv"), localDate(2013, 10, 11, 12, 13, 16));
}

TEST_F(ZipArchiveTest, BackslashNamesLandWhereSlashNamesWould)
{
    RawZip zip;
    zip.add({ "data\\info.json", "{}" });
    zip.add({ "data\\songs\\", "", false });
    zip.writeTo(archivePath);

    EXPECT_TRUE(ZipArchive::unzipFileAtPath(archivePath, destination));

    EXPECT_EQ(tree(destination), (std::vector<std::string> { "data/", "data/info.json", "data/songs/" }));
    EXPECT_EQ(contents(destination + "/data/info.json"), "{}");
}

TEST_F(ZipArchiveTest, DateZeroIsTheLastDayOfNovember1979)
{
    RawZip zip;
    RawEntry entry { "old.txt", "dated zero" };
    entry.dosDate = 0;
    zip.add(entry);
    zip.writeTo(archivePath);

    EXPECT_TRUE(ZipArchive::unzipFileAtPath(archivePath, destination));

    EXPECT_EQ(contents(destination + "/old.txt"), "dated zero");
    EXPECT_EQ(mtimeOf(destination + "/old.txt"), localDate(1979, 11, 30, 0, 0, 0));
}

TEST_F(ZipArchiveTest, UnreadableArchivesFailWithCodeMinusOne)
{
    const std::string empty = parent + "/empty.zip";
    const std::string text = parent + "/text.zip";
    ASSERT_TRUE(core::files::writeContentsAtPath(empty, "").ok());
    ASSERT_TRUE(core::files::writeContentsAtPath(text, std::string(3000, 'z')).ok());
    writeZip(archivePath, { { "a.txt", std::string(20000, 'a') }, { "b.txt", "b" } });
    auto whole = core::files::contentsAtPath(archivePath);
    ASSERT_TRUE(whole);
    const std::string truncated = parent + "/truncated.zip";
    ASSERT_TRUE(core::files::writeContentsAtPath(truncated, whole->substr(0, whole->size() - 30)).ok());

    for (const std::string& path : { empty, text, truncated, parent + "/missing.zip", parent }) {
        SCOPED_TRACE(path);
        core::Error error;
        auto delegate = std::make_shared<RecordingDelegate>();
        EXPECT_FALSE(ZipArchive::unzipFileAtPath(path, destination, true, std::nullopt, &error, delegate));
        EXPECT_EQ(error.domain, "ZipArchiveErrorDomain");
        EXPECT_EQ(error.code, -1);
        EXPECT_EQ(error.localizedDescription, "failed to open zip file");
        EXPECT_TRUE(delegate->calls.empty());
        EXPECT_FALSE(core::files::fileExistsAtPath(destination));
    }
    EXPECT_FALSE(ZipArchive::unzipFileAtPath(empty, destination, true, std::nullopt, nullptr));
}

TEST_F(ZipArchiveTest, ArchiveWithoutEntriesFailsWithCodeMinusTwo)
{
    writeZip(archivePath, {});
    auto bare = core::files::contentsAtPath(archivePath);
    ASSERT_TRUE(bare);
    const std::string prefixed = parent + "/prefixed.zip";
    ASSERT_TRUE(core::files::writeContentsAtPath(prefixed, "#!stub\n" + *bare).ok());

    for (const std::string& path : { archivePath, prefixed }) {
        SCOPED_TRACE(path);
        core::Error error;
        EXPECT_FALSE(ZipArchive::unzipFileAtPath(path, destination, true, std::nullopt, &error));
        EXPECT_EQ(error.domain, "ZipArchiveErrorDomain");
        EXPECT_EQ(error.code, -2);
        EXPECT_EQ(error.localizedDescription, "failed to open first file in zip file");
        EXPECT_FALSE(core::files::fileExistsAtPath(destination));
    }
}

TEST_F(ZipArchiveTest, AnEntryThatCannotBeOpenedEndsTheExtraction)
{
    RawZip zip;
    RawEntry first { "first.txt", "one" };
    first.dosDate = dosDateTime(2005, 6, 7, 8, 9, 10);
    zip.add(first);
    RawEntry odd { "odd.bin", "two", false };
    odd.method = 99; // not a method minizip reads
    zip.add(odd);
    zip.add({ "third.txt", "three" });
    zip.writeTo(archivePath);
    auto delegate = std::make_shared<RecordingDelegate>();
    core::Error error = core::Error::make("untouched", 1, "");

    EXPECT_FALSE(ZipArchive::unzipFileAtPath(archivePath, destination, true, std::nullopt, &error, delegate));

    EXPECT_EQ(tree(destination), std::vector<std::string> { "first.txt" });
    EXPECT_EQ(mtimeOf(destination + "/first.txt"), localDate(2005, 6, 7, 8, 9, 10));
    EXPECT_EQ(error.domain, "untouched");
    EXPECT_EQ(delegate->calls.back(), "didFile 0/3 3");
}

TEST_F(ZipArchiveTest, AFileInTheWayOfAFolderIsLoggedAndExtractionGoesOn)
{
    ASSERT_TRUE(core::files::createDirectoryAtPath(destination, true).ok());
    ASSERT_TRUE(core::files::writeContentsAtPath(destination + "/data", "a file, not a folder").ok());
    writeZip(archivePath, { { "data/info.json", "{}" }, { "other.txt", "o" } });

    EXPECT_TRUE(ZipArchive::unzipFileAtPath(archivePath, destination));

    EXPECT_TRUE(logged("[ZipArchive] Error: "));
    // The entry's record is still in the date pass, which cannot find the file.
    EXPECT_TRUE(logged("[ZipArchive] Set attributes failed for directory: " + destination + "/data/info.json."));
    EXPECT_TRUE(logged("[ZipArchive] Error setting directory file modification date attribute: "));
    EXPECT_EQ(contents(destination + "/data"), "a file, not a folder");
    EXPECT_EQ(contents(destination + "/other.txt"), "o");
}

// Debian's minizip is built without decryption, so an encrypted entry can never be read; a
// password must still leave plain entries readable.
TEST_F(ZipArchiveTest, APasswordLeavesPlainEntriesReadableAndEncryptedOnesFail)
{
    if (system("command -v zip >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "Info-ZIP zip is not installed";
    const std::string source = parent + "/src";
    ASSERT_TRUE(core::files::createDirectoryAtPath(source, true).ok());
    ASSERT_TRUE(core::files::writeContentsAtPath(source + "/plain.txt", "plain").ok());
    ASSERT_TRUE(core::files::writeContentsAtPath(source + "/secret.txt", std::string(300, 's')).ok());
    ASSERT_EQ(system(("cd '" + source + "' && zip -q '" + archivePath + "' plain.txt && zip -q -P hunter2 '" + archivePath + "' secret.txt").c_str()), 0);

    for (const char* password : { "hunter2", "" }) {
        SCOPED_TRACE(password);
        const std::string into = destination + "/" + (*password ? "with" : "without");
        EXPECT_FALSE(ZipArchive::unzipFileAtPath(archivePath, into, true, std::string(password), nullptr));
        EXPECT_EQ(tree(into), std::vector<std::string> { "plain.txt" });
        EXPECT_EQ(contents(into + "/plain.txt"), "plain");
    }
}

// Time zones are pinned with POSIX TZ strings, which need no zone database.
class DosDateTest : public testing::Test {
protected:
    void SetUp() override
    {
        const char* tz = getenv("TZ");
        m_oldTz = tz ? std::optional<std::string>(tz) : std::nullopt;
    }
    void TearDown() override
    {
        if (m_oldTz)
            setenv("TZ", m_oldTz->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    static void useZone(const char* tz)
    {
        setenv("TZ", tz, 1);
        tzset();
    }

private:
    std::optional<std::string> m_oldTz;
};

TEST_F(DosDateTest, ReadsTheFieldsInTheLocalZone)
{
    useZone("UTC0");
    EXPECT_EQ(ZipArchive::dateWithMSDOSFormat(dosDateTime(2020, 6, 15, 13, 45, 30)), 1592228730.0);
    useZone("EST5EDT,M3.2.0,M11.1.0");
    // Summer time: four hours behind UTC.
    EXPECT_EQ(ZipArchive::dateWithMSDOSFormat(dosDateTime(2020, 6, 15, 13, 45, 30)), 1592228730.0 + 4 * 3600);
}

TEST_F(DosDateTest, RollsOutOfRangeFieldsOver)
{
    useZone("EST5EDT,M3.2.0,M11.1.0");
    // Zero: month 0 of 1980 is December 1979, day 0 the last day of November.
    EXPECT_EQ(ZipArchive::dateWithMSDOSFormat(0), 312786000.0);
    useZone("UTC0");
    EXPECT_EQ(ZipArchive::dateWithMSDOSFormat(0), 312768000.0);
    // Day 0 of March 2024 is 29 February; second field 31 is 62 seconds.
    EXPECT_EQ(ZipArchive::dateWithMSDOSFormat(dosDateTime(2024, 3, 0, 0, 0, 0)), 1709164800.0);
    EXPECT_EQ(ZipArchive::dateWithMSDOSFormat(dosDateTime(2024, 3, 1, 0, 0, 0) | 31), 1709251200.0 + 62);
    // Hour 24 and month 13 roll into the next day and the next year.
    EXPECT_EQ(ZipArchive::dateWithMSDOSFormat(dosDateTime(2023, 13, 1, 24, 0, 0)), 1704153600.0);
}

}
