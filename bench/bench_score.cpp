// Opening a large song: read and parse the file, then build the beat and bar lists, against the
// floor of reading the same file and finding its separators and line ends with memchr.
// Prints MB/s of both, their ratio, and the peak memory per row against the row's bytes.

#include "BenchHome.h"
#include "platform/core/FileManager.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "score/CSVParser.h"
#include "score/ScoreSheet.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t targetBytes = 50u * 1000 * 1000;
constexpr int runs = 5;

// A song laid out like the sample songs: per 3/4 bar its bar row, bar line, bar number, three
// beats, a chord with its bass block, four or five notes and their lyrics.
std::string generateSong()
{
    std::string song = "channel,Bar No(40),Beats per Bar(40),tempo (40),ipad_col(107),ipad_rows,length(109),height(110),"
                       "flip_view,rise_fall,sharp_flat,fingering/chord,lyrics,ipad_color(105),Z-level,Content,pitch\r";
    song.reserve(targetBytes + 4096);
    const char* pitches[] = { "C5", "D5", "E5", "F#5", "G4", "A4", "B4" };
    const char* words[] = { "Freu-", "de", "schö-", "ner", "Göt-", "ter-", "fun-", "ken" };
    char line[256];
    for (int bar = 0; song.size() < targetBytes; ++bar) {
        int x = bar * 300;
        song += std::string(line, size_t(snprintf(line, sizeof line, "42,%d,3,160,%d,44,300,8,1,,,0,0,0,1,,\r", bar, x)));
        song += std::string(line, size_t(snprintf(line, sizeof line, "14,0,0,0,%d,200,4,444,0,,,0,0,0,2,,\r", x + 2)));
        song += std::string(line, size_t(snprintf(line, sizeof line, "31,0,0,0,%d,60,80,0,2.5,,,0,0,0,4,%d,\r", x + 6, bar + 1)));
        for (int beat = 1; beat <= 3; ++beat)
            song += std::string(line, size_t(snprintf(line, sizeof line, "41,%d,%d,%s,%d,8,100,30,3,36,96,0,0,0,10,,\r", bar, beat,
                                                 beat == 3 && bar % 8 == 7 ? "76.5" : "112", x + (beat - 1) * 100)));
        song += std::string(line, size_t(snprintf(line, sizeof line, "33,196,226,246,%d,152,60,0,2.75,,,0,0,0,4,G,\r", x + 4)));
        song += std::string(line, size_t(snprintf(line, sizeof line, "71,36,150,204,%d,612,296,28,0,,,0,0,0,3,,G\r", x + 2)));
        for (int note = 0; note < 4 + bar % 2; ++note) {
            int nx = x + note * 300 / (4 + bar % 2);
            const char* pitch = pitches[(bar + note) % 7];
            song += std::string(line, size_t(snprintf(line, sizeof line, "1,%d,%d,%d,%d,%d,56,32,%d,%s,%s,255,255,255,3,,%s\r",
                                                 40 + note * 50, 150, 204, nx + 2, 244 + ((bar * 3 + note) % 12) * 40,
                                                 note == 0 ? 1 : 0, note == 2 && bar % 5 == 0 ? "U" : "",
                                                 pitch[1] == '#' ? "#" : "", pitch)));
            song += std::string(line, size_t(snprintf(line, sizeof line, "35,0,0,0,%d,660,88,0,2.75,,,0,0,0,4,%s,\r", nx + 2,
                                                 words[(bar * 5 + note) % 8])));
        }
    }
    return song;
}

double seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string readWholeFile(const std::string& path)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    std::string bytes;
    bytes.resize(size_t(lseek(fd, 0, SEEK_END)));
    lseek(fd, 0, SEEK_SET);
    size_t got = 0;
    while (got < bytes.size()) {
        ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
        if (n <= 0)
            break;
        got += size_t(n);
    }
    close(fd);
    bytes.resize(got);
    return bytes;
}

size_t count(const std::string& bytes, char c)
{
    size_t found = 0;
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    while ((p = static_cast<const char*>(memchr(p, c, size_t(end - p))))) {
        ++found;
        ++p;
    }
    return found;
}

// The floor: read the whole file, then find every separator and every line end with memchr.
size_t floorPass(const std::string& path)
{
    auto bytes = readWholeFile(path);
    return count(bytes, ',') + count(bytes, '\r');
}

// A lower floor still: only the line ends.
size_t lineEndsPass(const std::string& path)
{
    return count(readWholeFile(path), '\r');
}

long statusKilobytes(const char* field)
{
    FILE* status = fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    long value = -1;
    size_t length = strlen(field);
    while (fgets(line, sizeof line, status)) {
        if (strncmp(line, field, length) == 0) {
            value = atol(line + length);
            break;
        }
    }
    fclose(status);
    return value;
}

struct MemoryFigures {
    long baselineKB = 0;
    long peakKB = 0;
    long retainedKB = 0;
    size_t rows = 0;
};

// Measured in a fresh process of this program, so the peak is that of opening the song alone
// and no memory freed by the timed runs is reused unseen.
MemoryFigures ownMemory(const std::string& path)
{
    MemoryFigures own;
    own.baselineKB = statusKilobytes("VmRSS:");
    auto sheet = score::ScoreSheet::openFile(path, "bench song");
    own.peakKB = statusKilobytes("VmHWM:");
    own.retainedKB = statusKilobytes("VmRSS:");
    own.rows = sheet.rows().size();
    return own;
}

MemoryFigures measureMemory(const std::string& path)
{
    MemoryFigures figures;
    std::string command = "/proc/" + std::to_string(getpid()) + "/exe --memory '" + path + "'";
    FILE* child = popen(command.c_str(), "r");
    if (!child)
        return figures;
    if (fscanf(child, "%ld %ld %ld %zu", &figures.baselineKB, &figures.peakKB, &figures.retainedKB, &figures.rows) != 4)
        figures = {};
    pclose(child);
    return figures;
}

}

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--memory") {
        auto own = ownMemory(argv[2]);
        printf("%ld %ld %ld %zu\n", own.baselineKB, own.peakKB, own.retainedKB, own.rows);
        return 0;
    }
    auto home = makeBenchFolder("score", core::TemporaryFolder::Home::Use);
    if (!home)
        return 1;
    std::string folder = home->path();
    std::string path = folder + "/big.csv";
    size_t fileBytes;
    {
        std::string song = generateSong();
        fileBytes = song.size();
        if (!core::files::writeContentsAtPath(path, song).ok()) {
            fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    double megabytes = double(fileBytes) / 1e6;
    if (setupOnly(argc, argv))
        return 0;

    // Best of several runs for both, interleaved so both see the same cache and machine state.
    double bestFloor = 1e9, bestLineEnds = 1e9, bestParse = 1e9, bestOpen = 1e9;
    size_t found = 0, rows = 0, beats = 0, bars = 0;
    for (int run = 0; run < runs; ++run) {
        auto start = Clock::now();
        found = floorPass(path);
        bestFloor = std::min(bestFloor, seconds(start));

        start = Clock::now();
        lineEndsPass(path);
        bestLineEnds = std::min(bestLineEnds, seconds(start));

        start = Clock::now();
        {
            auto parsed = score::CSVParser::parseCSVIntoArrayOfDictionariesFromFile(path, ",", "\"");
            bestParse = std::min(bestParse, seconds(start));
        }

        start = Clock::now();
        {
            auto sheet = score::ScoreSheet::openFile(path, "bench song");
            rows = sheet.rows().size();
            beats = sheet.shadowArray().size();
            bars = sheet.displayArray().size();
            bestOpen = std::min(bestOpen, seconds(start));
        }
    }
    MemoryFigures memory = measureMemory(path);

    double floorRate = megabytes / bestFloor;
    double openRate = megabytes / bestOpen;
    double bytesPerRow = double(fileBytes) / double(rows ? rows : 1);
    double peakPerRow = double(memory.peakKB - memory.baselineKB) * 1024.0 / double(memory.rows ? memory.rows : 1);
    double retainedPerRow = double(memory.retainedKB - memory.baselineKB) * 1024.0 / double(memory.rows ? memory.rows : 1);

    printf("song: %.1f MB, %zu rows (%.1f bytes a row), %zu beats, %zu bars; floor found %zu separators and line ends\n",
        megabytes, rows, bytesPerRow, beats, bars, found);
    printf("floor (read + memchr):          %8.1f MB/s  (%.3f s)\n", floorRate, bestFloor);
    printf("read + memchr line ends only:   %8.1f MB/s  (%.3f s)\n", megabytes / bestLineEnds, bestLineEnds);
    printf("parse only:                     %8.1f MB/s  (%.3f s)\n", megabytes / bestParse, bestParse);
    printf("open song (parse + both lists): %8.1f MB/s  (%.3f s)\n", openRate, bestOpen);
    double ratio = openRate / floorRate;
    printf("ratio open / floor:             %8.3f  (goal >= 0.333: %s)\n", ratio, ratio >= 0.333 ? "met" : "NOT met");
    printf("peak memory per row:            %8.1f bytes = %.2f x the row's bytes (goal < 4: %s)\n", peakPerRow, peakPerRow / bytesPerRow,
        peakPerRow / bytesPerRow < 4 ? "met" : "NOT met");
    printf("retained memory per row:        %8.1f bytes = %.2f x the row's bytes\n", retainedPerRow, retainedPerRow / bytesPerRow);
    return 0;
}
