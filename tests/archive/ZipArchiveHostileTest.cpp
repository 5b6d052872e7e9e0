#include "ZipTestSupport.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using archive::ZipArchive;
using namespace ziptest;

namespace {

using ZipArchiveHostileTest = ArchiveTest;

TEST_F(ZipArchiveHostileTest, UnsafeNamesAreSkippedAndTheRestExtracted)
{
    RawZip zip;
    zip.add({ "../x", "up one" });
    zip.add({ "data/../../x2", "up two" });
    zip.add({ "..\\x3", "backslash climb" });
    zip.add({ parent + "/abs.txt", "absolute" });
    zip.add({ "\\" + parent.substr(1) + "/abs2.txt", "backslash absolute" });
    zip.add({ "C:\\x", "drive" });
    zip.add({ "c:x", "drive relative" });
    zip.add({ std::string("bad\xff\xfe.txt"), "not utf-8" });
    zip.add({ std::string("over\xc0\xaf.txt"), "overlong slash" });
    zip.add({ "", "no name" });
    zip.add({ "ok/fine.txt", "fine" });
    zip.writeTo(archivePath);
    auto delegate = std::make_shared<RecordingDelegate>();

    EXPECT_TRUE(ZipArchive::unzipFileAtPath(archivePath, destination, delegate));

    EXPECT_EQ(tree(destination), (std::vector<std::string> { "ok/", "ok/fine.txt" }));
    EXPECT_EQ(outside(), std::vector<std::string> {});
    EXPECT_TRUE(logged("[ZipArchive] Skipping entry \"../x\""));
    EXPECT_TRUE(logged("[ZipArchive] Skipping entry \"data/../../x2\""));
    EXPECT_TRUE(logged("[ZipArchive] Skipping entry \"C:\\x\""));
    EXPECT_TRUE(logged("[ZipArchive] Skipping entry \"bad\\xFF\\xFE.txt\": the name is not valid UTF-8"));
    EXPECT_TRUE(logged("[ZipArchive] Skipping entry \"\": the name is empty"));
    // Skipped entries are announced but never reported done, and use up no index.
    EXPECT_EQ(delegate->calls.size(), 1u + 11u + 1u + 1u);
    EXPECT_EQ(delegate->calls[delegate->calls.size() - 2], "didFile 0/11 4");
}

TEST_F(ZipArchiveHostileTest, EtcPasswdThroughALinkGoesNowhere)
{
    writeZip(archivePath, {
        symlinkItem("link", "/etc"),
        { "link/passwd", "root::0:0::/:/bin/sh" },
    });

    EXPECT_TRUE(ZipArchive::unzipFileAtPath(archivePath, destination));

    // The link is refused, so "link" becomes an ordinary folder inside the destination.
    EXPECT_EQ(tree(destination), (std::vector<std::string> { "link/", "link/passwd" }));
    EXPECT_TRUE(logged("[ZipArchive] Skipping entry \"link\": its link target \"/etc\" is outside the destination"));
    EXPECT_NE(contents("/etc/passwd"), "root::0:0::/:/bin/sh");
}

TEST_F(ZipArchiveHostileTest, NothingIsWrittenThroughALinkAlreadyThere)
{
    ASSERT_TRUE(core::files::createDirectoryAtPath(parent + "/outside", true).ok());
    ASSERT_TRUE(core::files::writeContentsAtPath(parent + "/outside.txt", "precious").ok());
    ASSERT_TRUE(core::files::createDirectoryAtPath(destination, true).ok());
    ASSERT_EQ(symlink((parent + "/outside").c_str(), (destination + "/dir").c_str()), 0);
    ASSERT_EQ(symlink((parent + "/outside.txt").c_str(), (destination + "/file.txt").c_str()), 0);
    writeZip(archivePath, {
        { "dir/passwd", "evil" },
        { "dir/deeper/passwd", "evil" },
        { "file.txt", "evil" },
        { "good.txt", "good" },
    });

    EXPECT_TRUE(ZipArchive::unzipFileAtPath(archivePath, destination));

    EXPECT_EQ(tree(parent + "/outside"), std::vector<std::string> {});
    EXPECT_EQ(contents(parent + "/outside.txt"), "precious");
    EXPECT_EQ(contents(destination + "/good.txt"), "good");
    EXPECT_TRUE(logged("[ZipArchive] Skipping entry \"dir/passwd\": it would be written through the symbolic link \"dir\""));
    EXPECT_TRUE(logged("[ZipArchive] Skipping entry \"file.txt\": it would be written through the symbolic link \"file.txt\""));
}

TEST_F(ZipArchiveHostileTest, NothingIsWrittenThroughALinkFromAnEarlierEntry)
{
    writeZip(archivePath, {
        { "real/", "" },
        symlinkItem("alias", "real"),
        { "alias/through.txt", "through the link" },
        { "real/direct.txt", "direct" },
    });

    EXPECT_TRUE(ZipArchive::unzipFileAtPath(archivePath, destination));

    EXPECT_EQ(tree(destination), (std::vector<std::string> { "alias -> real", "real/", "real/direct.txt" }));
    EXPECT_TRUE(logged("[ZipArchive] Skipping entry \"alias/through.txt\""));
}

TEST_F(ZipArchiveHostileTest, LinksMayNotPointOutOfTheDestination)
{
    writeZip(archivePath, {
        symlinkItem("up", "../../outside"),
        symlinkItem("one/up", "../.."),
        symlinkItem("one/sneaky", "two/../../../x"),
        symlinkItem("abs", parent + "/outside.txt"),
        symlinkItem(std::string("badtarget"), std::string("t\xff")),
        { "kept.txt", "kept" },
    });

    EXPECT_TRUE(ZipArchive::unzipFileAtPath(archivePath, destination));

    EXPECT_EQ(tree(destination), (std::vector<std::string> { "kept.txt", "one/" }));
    EXPECT_EQ(outside(), std::vector<std::string> {});
    EXPECT_TRUE(logged("[ZipArchive] Skipping entry \"up\": its link target \"../../outside\" is outside the destination"));
    EXPECT_TRUE(logged("[ZipArchive] Skipping entry \"one/up\""));
    EXPECT_TRUE(logged("[ZipArchive] Skipping entry \"one/sneaky\""));
    EXPECT_TRUE(logged("[ZipArchive] Skipping entry \"abs\""));
    EXPECT_TRUE(logged("[ZipArchive] Skipping entry \"badtarget\""));
}

TEST_F(ZipArchiveHostileTest, RelativeLinksInsideStayRelative)
{
    writeZip(archivePath, {
        { "data/info.json", "{\"songs\":1}" },
        symlinkItem("data/index.json", "info.json"),
        symlinkItem("data/sub/back", "../info.json"),
        symlinkItem("top", "data/./info.json"),
    });
    auto delegate = std::make_shared<RecordingDelegate>();

    EXPECT_TRUE(ZipArchive::unzipFileAtPath(archivePath, destination, delegate));

    EXPECT_EQ(tree(destination), (std::vector<std::string> {
                                     "data/", "data/index.json -> info.json", "data/info.json", "data/sub/",
                                     "data/sub/back -> ../info.json", "top -> data/./info.json" }));
    EXPECT_EQ(contents(destination + "/data/sub/back"), "{\"songs\":1}");
    EXPECT_EQ(contents(destination + "/top"), "{\"songs\":1}");
    EXPECT_EQ(delegate->calls[delegate->calls.size() - 2], "didFile 3/4 16");
}

TEST_F(ZipArchiveHostileTest, LinksMadeByTheZipToolAreRecognised)
{
    if (system("command -v zip >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "Info-ZIP zip is not installed";
    const std::string source = parent + "/src";
    ASSERT_TRUE(core::files::createDirectoryAtPath(source + "/data", true).ok());
    ASSERT_TRUE(core::files::writeContentsAtPath(source + "/data/a.csv", "a").ok());
    ASSERT_EQ(symlink("a.csv", (source + "/data/alias.csv").c_str()), 0);
    ASSERT_EQ(symlink("/etc", (source + "/etc").c_str()), 0);
    ASSERT_EQ(system(("cd '" + source + "' && zip -q -y -r '" + archivePath + "' data etc").c_str()), 0);

    EXPECT_TRUE(ZipArchive::unzipFileAtPath(archivePath, destination));

    EXPECT_EQ(tree(destination), (std::vector<std::string> { "data/", "data/a.csv", "data/alias.csv -> a.csv" }));
}

TEST_F(ZipArchiveHostileTest, ALinkOntoAnExistingFileIsLoggedAndExtractionGoesOn)
{
    writeZip(archivePath, { { "x.txt", "file" }, symlinkItem("x.txt", "y.txt"), { "z.txt", "z" } });

    EXPECT_TRUE(ZipArchive::unzipFileAtPath(archivePath, destination));

    EXPECT_EQ(tree(destination), (std::vector<std::string> { "x.txt", "z.txt" }));
    const std::string url = "file://" + destination;
    EXPECT_TRUE(logged("Failed to create symbolic link at \"" + url + "/x.txt\" to \"" + url + "/y.txt\". Error: "));
}

TEST_F(ZipArchiveHostileTest, ACorruptEntryFailsAndLeavesNoPartialFile)
{
    std::string body = "row,value\n";
    for (uint32_t i = 0, x = 12345; i < 5000; ++i, x = x * 1103515245u + 12345u)
        body += std::to_string(i) + "," + std::to_string(x % 977) + "\n";
    for (int variant = 0; variant < 2; ++variant) {
        SCOPED_TRACE(variant);
        RawZip zip;
        zip.add({ "before.txt", "before" });
        RawEntry bad { "bad.csv", body };
        if (variant == 0) {
            std::string payload = deflateRaw(body);
            payload[payload.size() / 2] = char(payload[payload.size() / 2] ^ 0x55);
            bad.payload = payload;
        } else {
            bad.crc = crcOf(body) ^ 1;
        }
        zip.add(bad);
        zip.add({ "after.txt", "after" });
        zip.writeTo(archivePath);
        const std::string into = destination + std::to_string(variant);
        auto delegate = std::make_shared<RecordingDelegate>();

        EXPECT_FALSE(ZipArchive::unzipFileAtPath(archivePath, into, delegate));

        EXPECT_EQ(tree(into), std::vector<std::string> { "before.txt" });
        EXPECT_TRUE(logged("[ZipArchive] Entry \"bad.csv\" is corrupt"));
        EXPECT_EQ(delegate->calls.back(), "willFile 1/3");
    }
}

TEST_F(ZipArchiveHostileTest, MoreDataThanDeclaredIsCorrupt)
{
    const std::string body(200000, 'A');
    const std::string payload = deflateRaw(body);
    // The CRC of all the data, of the declared part only, and a stored entry longer than declared.
    std::vector<RawEntry> cases;
    RawEntry wholeCrc { "bomb.bin", body };
    wholeCrc.uncompressedSize = 1000;
    cases.push_back(wholeCrc);
    RawEntry prefixCrc { "bomb.bin", body };
    prefixCrc.uncompressedSize = 1000;
    prefixCrc.crc = crcOf(body.substr(0, 1000));
    cases.push_back(prefixCrc);
    RawEntry stored { "bomb.bin", body.substr(0, 5000), false };
    stored.uncompressedSize = 1000;
    stored.crc = crcOf(body.substr(0, 1000));
    cases.push_back(stored);

    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        RawZip zip;
        zip.add(cases[i]);
        zip.writeTo(archivePath);
        const std::string into = destination + std::to_string(i);

        EXPECT_FALSE(ZipArchive::unzipFileAtPath(archivePath, into));

        EXPECT_EQ(tree(into), std::vector<std::string> {});
        EXPECT_TRUE(logged("[ZipArchive] Entry \"bomb.bin\" is corrupt: it holds more data than it declares"));
    }
}

TEST_F(ZipArchiveHostileTest, LessDataThanDeclaredIsCorrupt)
{
    RawZip zip;
    RawEntry entry { "short.txt", "short" };
    entry.uncompressedSize = 10;
    zip.add(entry);
    zip.writeTo(archivePath);

    EXPECT_FALSE(ZipArchive::unzipFileAtPath(archivePath, destination));

    EXPECT_EQ(tree(destination), std::vector<std::string> {});
}

TEST_F(ZipArchiveHostileTest, OverlappingEntriesAreRefusedBeforeAnythingIsWritten)
{
    // Many central records sharing one highly compressed entry.
    const std::string zeros(1 << 20, '\0');
    RawZip shared;
    shared.add({ "first.txt", "harmless" });
    const uint32_t offset = uint32_t(shared.size());
    shared.add({ "z0", zeros });
    for (int i = 1; i < 50; ++i)
        shared.addCentral({ "z" + std::to_string(i), zeros }, offset);
    shared.writeTo(archivePath);
    auto delegate = std::make_shared<RecordingDelegate>();

    EXPECT_FALSE(ZipArchive::unzipFileAtPath(archivePath, destination, delegate));

    EXPECT_FALSE(core::files::fileExistsAtPath(destination));
    EXPECT_TRUE(delegate->calls.empty());
    EXPECT_TRUE(logged("[ZipArchive] Refusing archive \"" + archivePath + "\": entries overlap one another"));

    // One entry's stored data quoting the next entry's header and data.
    RawEntry inner { "inner.bin", zeros };
    const std::string innerRecord = RawZip::localRecord(inner);
    RawZip quoted;
    quoted.add({ "outer.bin", innerRecord, false });
    quoted.addCentral(inner, uint32_t(30 + std::string("outer.bin").size()));
    quoted.writeTo(archivePath);

    EXPECT_FALSE(ZipArchive::unzipFileAtPath(archivePath, destination));

    EXPECT_FALSE(core::files::fileExistsAtPath(destination));
}

TEST_F(ZipArchiveHostileTest, DeclaredSizesOverFourGibibytesAreRefused)
{
    RawZip zip;
    zip.add({ "small.txt", "small" });
    for (int i = 0; i < 2; ++i) {
        RawEntry big { "big" + std::to_string(i), "x" };
        big.uncompressedSize = 0xF0000000u;
        zip.add(big);
    }
    zip.writeTo(archivePath);

    EXPECT_FALSE(ZipArchive::unzipFileAtPath(archivePath, destination));

    EXPECT_FALSE(core::files::fileExistsAtPath(destination));
    EXPECT_TRUE(logged("more than 4 GiB"));
}

TEST_F(ZipArchiveHostileTest, DeclaredSizesOverTheFreeSpaceAreRefused)
{
    // A small disk of our own: a 1 MiB tmpfs over the destination's parent folder.
    std::string disk = parent + "/disk";
    ASSERT_TRUE(core::files::createDirectoryAtPath(disk, false).ok());
    if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << strerror(errno);
    std::string smallDestination = disk + "/dest";
    // Two megabytes of zeros deflate to a few kilobytes; the declared size is what counts.
    writeZip(archivePath, { { "first.txt", "fits" }, { "zeros.bin", std::string(2 << 20, '\0') } });

    bool ok = ZipArchive::unzipFileAtPath(archivePath, smallDestination);
    bool written = core::files::fileExistsAtPath(smallDestination);
    umount(disk.c_str());

    EXPECT_FALSE(ok);
    EXPECT_FALSE(written) << "refused before anything is written";
    EXPECT_TRUE(logged("bytes free at"));
}

TEST_F(ZipArchiveHostileTest, EntryDataPastTheEndOfTheArchiveIsRefused)
{
    RawZip zip;
    zip.add({ "a.txt", "aaaa" });
    RawEntry ghost { "ghost.txt", "g" };
    ghost.compressedSize = 1 << 20;
    zip.add(ghost);
    zip.writeTo(archivePath);

    EXPECT_FALSE(ZipArchive::unzipFileAtPath(archivePath, destination));

    EXPECT_FALSE(core::files::fileExistsAtPath(destination));
}

TEST_F(ZipArchiveHostileTest, ATruncatedArchiveExtractsNothing)
{
    writeZip(archivePath, { { "a.txt", std::string(100000, 'a') }, { "b.txt", std::string(100000, 'b') } });
    auto whole = core::files::contentsAtPath(archivePath);
    ASSERT_TRUE(whole);
    for (size_t keep : { whole->size() / 2, whole->size() - 22 }) {
        SCOPED_TRACE(keep);
        ASSERT_TRUE(core::files::writeContentsAtPath(archivePath, whole->substr(0, keep)).ok());
        core::Error error;

        EXPECT_FALSE(ZipArchive::unzipFileAtPath(archivePath, destination, true, std::nullopt, &error));

        EXPECT_EQ(error.code, -1);
        EXPECT_FALSE(core::files::fileExistsAtPath(destination));
    }
}

}

namespace {

// Keeps the reason an extraction failed, as the content download reads it.
struct ReasonDelegate : archive::ZipArchiveDelegate {
    void zipArchiveDidFailToUnzipArchiveAtPath(const std::string&, const core::Error& why) override
    {
        reasons.push_back(why);
    }
    std::vector<core::Error> reasons;
};

}

// Each refusal says what it is, not "an entry is corrupt" for all of them.
TEST_F(ZipArchiveHostileTest, EachRefusalNamesItsCause)
{
    auto refusal = [&](const std::string& into) -> std::optional<core::Error> {
        auto delegate = std::make_shared<ReasonDelegate>();
        EXPECT_FALSE(ZipArchive::unzipFileAtPath(archivePath, into, delegate));
        EXPECT_LE(delegate->reasons.size(), 1u) << "told once";
        if (delegate->reasons.empty())
            return std::nullopt;
        EXPECT_EQ(delegate->reasons[0].domain, ZipArchive::errorDomain);
        return delegate->reasons[0];
    };

    const std::string zeros(1 << 16, '\0');
    RawZip shared;
    shared.add({ "z0", zeros });
    shared.addCentral({ "z1", zeros }, 0);
    shared.writeTo(archivePath);
    auto overlap = refusal(destination + "1");
    ASSERT_TRUE(overlap);
    EXPECT_EQ(overlap->code, ZipArchive::errorCodeEntriesOverlap);
    EXPECT_EQ(overlap->localizedDescription, "entries overlap one another");

    RawZip big;
    for (int i = 0; i < 2; ++i) {
        RawEntry entry { "big" + std::to_string(i), "x" };
        entry.uncompressedSize = 0xF0000000u;
        big.add(entry);
    }
    big.writeTo(archivePath);
    auto tooLarge = refusal(destination + "2");
    ASSERT_TRUE(tooLarge);
    EXPECT_EQ(tooLarge->code, ZipArchive::errorCodeTooLarge);

    RawZip corrupt;
    RawEntry bad { "bad.csv", "row,value\n1,2\n" };
    bad.crc = crcOf(bad.data) ^ 1;
    corrupt.add(bad);
    corrupt.writeTo(archivePath);
    auto damaged = refusal(destination + "3");
    ASSERT_TRUE(damaged);
    EXPECT_EQ(damaged->code, ZipArchive::errorCodeCorruptEntry);
    EXPECT_NE(damaged->localizedDescription.find("bad.csv"), std::string::npos) << damaged->localizedDescription;

    ASSERT_TRUE(core::files::writeContentsAtPath(archivePath, "not an archive").ok());
    auto unopenable = refusal(destination + "4");
    ASSERT_TRUE(unopenable);
    EXPECT_EQ(unopenable->code, ZipArchive::errorCodeCannotOpen);

    std::string disk = parent + "/disk";
    ASSERT_TRUE(core::files::createDirectoryAtPath(disk, false).ok());
    if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << strerror(errno);
    writeZip(archivePath, { { "zeros.bin", std::string(2 << 20, '\0') } });
    auto noSpace = refusal(disk + "/dest");
    umount(disk.c_str());
    ASSERT_TRUE(noSpace);
    EXPECT_EQ(noSpace->code, ZipArchive::errorCodeNoSpace);
}

// Telling an archive without entries from any other file must not read a large file whole: with
// the process's memory capped below the file's size, a 200 MB file that is no archive is refused
// like a small one, and the process lives.
TEST_F(ZipArchiveHostileTest, ALargeFileThatIsNoArchiveIsNotReadIntoMemory)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a capped address space and a sanitizer's shadow memory do not mix";
#else
    // Sparse: 200 MB long, hardly any of it on disk.
    int fd = ::open(archivePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, off_t(200) << 20), 0);
    close(fd);
    pid_t pid = fork();
    if (pid == 0) {
        // Room for what the process has mapped now and 64 MB more, not for the file.
        size_t mapped = 0;
        if (FILE* maps = fopen("/proc/self/statm", "r")) {
            unsigned long pages = 0;
            if (fscanf(maps, "%lu", &pages) == 1)
                mapped = pages * size_t(sysconf(_SC_PAGESIZE));
            fclose(maps);
        }
        rlimit cap { mapped + (size_t(64) << 20), mapped + (size_t(64) << 20) };
        setrlimit(RLIMIT_AS, &cap);
        core::setLogToStderr(false);
        core::Error error;
        bool ok = ZipArchive::unzipFileAtPath(archivePath, destination, true, std::nullopt, &error);
        _exit(!ok && error.code == ZipArchive::errorCodeCannotOpen ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
#endif
}
