// Extraction speed of ZipArchive against Info-ZIP's unzip on the same archives, in one run:
// 2,000 small files, and a single 200 MB file. Each extracts into a fresh folder; the best of
// five rounds counts. Ratio = unzip time / ZipArchive time (1.0 or more: as fast or faster).

#include "BenchHome.h"
#include "archive/ZipArchive.h"
#include "platform/core/FileManager.h"
#include "platform/core/Log.h"

#include <minizip/zip.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int kRounds = 5;

// CSV-like text that compresses about as well as song files do.
class TextSource {
public:
    void fill(std::string& out, size_t bytes)
    {
        out.clear();
        while (out.size() < bytes) {
            m_state = m_state * 6364136223846793005ull + 1442695040888963407ull;
            const unsigned v = unsigned(m_state >> 33);
            out += std::to_string(m_row++) + ",41," + std::to_string(v % 9000) + "," + std::to_string((v >> 8) % 240) + ",beat\n";
        }
        out.resize(bytes);
    }

private:
    uint64_t m_state = 0x2545F4914F6CDD1Dull;
    uint64_t m_row = 0;
};

bool addEntry(zipFile zip, const std::string& name, const std::function<void(zipFile)>& write)
{
    zip_fileinfo info {};
    info.dosDate = (uint32_t(2024 - 1980) << 25) | (3u << 21) | (14u << 16) | (15u << 11) | (9u << 5) | 13u;
    if (zipOpenNewFileInZip64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 6, 1) != ZIP_OK)
        return false;
    write(zip);
    return zipCloseFileInZip(zip) == ZIP_OK;
}

bool makeSmallFilesArchive(const std::string& path)
{
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (!zip)
        return false;
    TextSource text;
    std::string body;
    bool ok = true;
    for (int i = 0; i < 2000 && ok; ++i) {
        if (i % 100 == 0)
            ok = addEntry(zip, "data/part" + std::to_string(i / 100) + "/", [](zipFile) { });
        text.fill(body, 500 + size_t(i * 37 % 7500));
        ok = ok && addEntry(zip, "data/part" + std::to_string(i / 100) + "/song" + std::to_string(i) + ".csv",
                      [&](zipFile z) { zipWriteInFileInZip(z, body.data(), unsigned(body.size())); });
    }
    return zipClose(zip, nullptr) == ZIP_OK && ok;
}

bool makeLargeFileArchive(const std::string& path, size_t bytes)
{
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (!zip)
        return false;
    TextSource text;
    std::string chunk;
    bool ok = addEntry(zip, "large.csv", [&](zipFile z) {
        for (size_t done = 0; done < bytes; done += chunk.size()) {
            text.fill(chunk, std::min<size_t>(1 << 20, bytes - done));
            zipWriteInFileInZip(z, chunk.data(), unsigned(chunk.size()));
        }
    });
    return zipClose(zip, nullptr) == ZIP_OK && ok;
}

double seconds(const std::function<bool()>& work, bool& ok)
{
    const auto start = std::chrono::steady_clock::now();
    ok = work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool runUnzip(const std::string& archive, const std::string& destination)
{
    std::vector<std::string> args { "unzip", "-o", "-q", archive, "-d", destination };
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "unzip", nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

uint64_t treeBytes(const std::string& root, int& files)
{
    uint64_t total = 0;
    auto names = core::files::contentsOfDirectoryAtPath(root);
    if (!names)
        return 0;
    for (auto& name : *names) {
        const std::string path = root + "/" + name;
        struct stat st {};
        lstat(path.c_str(), &st);
        if (S_ISDIR(st.st_mode)) {
            total += treeBytes(path, files);
        } else {
            total += uint64_t(st.st_size);
            ++files;
        }
    }
    return total;
}

bool compare(const std::string& label, const std::string& archive, const std::string& work, double& ratio)
{
    double best[2] = { 1e9, 1e9 };
    int counter = 0;
    for (int round = 0; round < kRounds; ++round) {
        // Alternate who goes first, and start each run with no dirty pages left by the last one.
        for (int turn = 0; turn < 2; ++turn) {
            const int tool = (turn + round) % 2;
            sync();
            const std::string into = work + "/out" + std::to_string(counter++);
            bool ok = false;
            const double t = tool == 0
                ? seconds([&] { return archive::ZipArchive::unzipFileAtPath(archive, into); }, ok)
                : seconds([&] { return runUnzip(archive, into); }, ok);
            if (!ok) {
                std::printf("%s: %s failed\n", label.c_str(), tool == 0 ? "ZipArchive" : "unzip");
                return false;
            }
            if (round == 0) {
                int files = 0;
                const uint64_t bytes = treeBytes(into, files);
                std::printf("%s: %s wrote %d files, %llu bytes\n", label.c_str(), tool == 0 ? "ZipArchive" : "unzip", files,
                    static_cast<unsigned long long>(bytes));
            }
            best[tool] = std::min(best[tool], t);
            core::files::removeItemAtPath(into);
        }
    }
    ratio = best[1] / best[0];
    std::printf("%s: ZipArchive %.3f s, unzip -o -q %.3f s, ratio %.2f (best of %d)\n", label.c_str(), best[0], best[1], ratio, kRounds);
    return true;
}

}

int main(int argc, char** argv)
{
    core::setLogToStderr(true);
    auto folder = makeBenchFolder("archive");
    if (!folder)
        return 1;
    const std::string work = folder->path();
    const std::string small = work + "/small.zip";
    const std::string large = work + "/large.zip";
    if (setupOnly(argc, argv))
        return makeSmallFilesArchive(small) ? 0 : 1;
    bool ok = makeSmallFilesArchive(small) && makeLargeFileArchive(large, size_t(200) << 20);
    if (!ok)
        std::printf("could not build the archives\n");
    double smallRatio = 0;
    double largeRatio = 0;
    ok = ok && compare("2,000 small files", small, work, smallRatio);
    ok = ok && compare("one 200 MB file", large, work, largeRatio);
    if (ok)
        std::printf("goal: as fast as unzip or faster on both (ratio at least 1.0): %.2f and %.2f, %s\n", smallRatio, largeRatio,
            smallRatio >= 1.0 && largeRatio >= 1.0 ? "met" : "NOT met");
    return ok ? 0 : 1;
}
