// Opening a song in the player: read the file, lay out every row, build the beat and bar lists,
// place the cursor. Each figure is the first open in a fresh process (the cold heap a user meets),
// for generated songs of 1,000, 10,000 and 100,000 rows, against the floor of reading and parsing
// the same file alone, also first in a fresh process. Opens and parses alternate, three of each
// per size, and the median counts. Memory is the growth of the resident set and of the heap in use
// while the opened player is alive, above the process's own base before the open.
//
//   cmake --build <build> --target bench_open && <build>/bench/bench_open
#include "BenchHome.h"
#include "platform/core/FileManager.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "platform/ui/Image.h"
#include "player/ViewController.h"
#include "score/CSVParser.h"

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

double nowMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

size_t heapInUse()
{
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

size_t residentBytes()
{
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm)
        return 0;
    unsigned long size = 0;
    unsigned long resident = 0;
    if (std::fscanf(statm, "%lu %lu", &size, &resident) != 2)
        resident = 0;
    std::fclose(statm);
    return size_t(resident) * size_t(sysconf(_SC_PAGESIZE));
}

// Ten rows a bar, like the sample songs: the bar, four beats, a bar line and four notes, two of
// them with marks, plus a lyric label every other bar.
std::string generateSong(int rows)
{
    std::string text = "channel,Bar No(40),Beats per Bar(40),tempo (40),ipad_col(107),ipad_rows,length(109),height(110),"
                       "flip_view,rise_fall,sharp_flat,fingering/chord,lyrics,ipad_color(105),Z-level,Content\r";
    char line[256];
    int written = 0;
    for (int bar = 0; written < rows; ++bar) {
        int x = bar * 480;
        auto add = [&](const char* fmt, auto... args) {
            if (written >= rows)
                return;
            std::snprintf(line, sizeof line, fmt, args...);
            text += line;
            text += '\r';
            ++written;
        };
        add("42,%d,4,160,%d,44,480,8,1,,,0,0,0,1,", bar, x);
        for (int beat = 1; beat <= 4; ++beat)
            add("41,%d,%d,%d,%d,8,120,30,4,36,96,0,0,0,10,", bar, beat, 90 + bar % 7, x + (beat - 1) * 120);
        add("14,0,0,0,%d,200,4,444,0,,,0,0,0,2,", x + 2);
        add("0,%d,%d,%d,%d,%d,110,28,0,U,#,200,40,40,3,", 30 + bar % 200, 90, 200, x + 4, 240 + (bar % 8) * 40);
        add("105,%d,%d,%d,%d,%d,110,28,1,,b,0,0,0,3,", 200, 120, 30, x + 124, 240 + (bar % 5) * 40);
        add("20,0,0,0,%d,%d,110,28,0,D,,0,0,0,3,", x + 244, 240 + (bar % 6) * 40);
        if (bar % 2)
            add("33,250,220,190,%d,152,60,0,2.75,,,0,0,0,4,Am", x + 4);
        else
            add("0,%d,%d,%d,%d,%d,110,28,2,,,0,0,0,3,", 60, 60, 220, x + 364, 240 + (bar % 4) * 40);
    }
    return text;
}

struct Sample {
    double ms = 0;
    double heapBytes = 0;
    double residentBytes = 0;
};

// The child: one parse or one open in this fresh process, printed as "ms heap resident".
int child(const char* what, const char* home, const char* name)
{
    core::setLogToStderr(false);
    core::paths::setHomeOverride(home);
    core::UserDefaults::resetStandardUserDefaults();
    ui::Image::setResourceDirectory(std::string(BEATSTRIP_SOURCE_DIR) + "/assets");
    std::string path = core::paths::documentsDirectory() + "/data/data/" + name + ".csv";
    size_t heapBefore = heapInUse();
    size_t residentBefore = residentBytes();
    double start = nowMs();
    bool ok = false;
    std::shared_ptr<player::ViewController> player;
    std::optional<std::vector<score::ScoreRow>> parsed;
    if (std::strcmp(what, "parse") == 0) {
        parsed = score::CSVParser::parseCSVIntoArrayOfDictionariesFromFile(path, ",", std::string_view("\""));
        ok = parsed && !parsed->empty();
    } else {
        player = player::ViewController::create();
        player->setMode(3, name);
        player->view();
        ok = !player->displayArray().empty() && !player->shadowArray().empty();
    }
    double took = nowMs() - start;
    size_t heapAfter = heapInUse();
    size_t residentAfter = residentBytes();
    if (!ok)
        return 1;
    std::printf("%.3f %zu %zu\n", took, heapAfter > heapBefore ? heapAfter - heapBefore : 0,
        residentAfter > residentBefore ? residentAfter - residentBefore : 0);
    std::fflush(stdout);
    // The process ends here: no teardown to measure.
    _exit(0);
}

bool runChild(const std::string& self, const char* what, const std::string& home, const std::string& name, Sample& out)
{
    std::string command = "'" + self + "' --child " + what + " '" + home + "' '" + name + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return false;
    size_t heap = 0;
    size_t resident = 0;
    int fields = std::fscanf(pipe, "%lf %zu %zu", &out.ms, &heap, &resident);
    int status = pclose(pipe);
    out.heapBytes = double(heap);
    out.residentBytes = double(resident);
    return fields == 3 && status == 0;
}

Sample median(std::vector<Sample> samples)
{
    auto middle = [&](auto member) {
        std::vector<double> values;
        for (const auto& s : samples)
            values.push_back(s.*member);
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    return { middle(&Sample::ms), middle(&Sample::heapBytes), middle(&Sample::residentBytes) };
}

const char* verdict(bool met)
{
    return met ? "met" : "NOT met";
}

}

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--child") == 0)
        return child(argv[2], argv[3], argv[4]);

    std::string folder;
    auto temporaryHome = makeBenchHome("open", folder);
    if (!temporaryHome)
        return 1;
    const bool quick = setupOnly(argc, argv);
    std::string home = temporaryHome->path();
    std::string self = "/proc/" + std::to_string(getpid()) + "/exe";

    std::printf("first open in a fresh process, median of 3, against a first parse of the same file in a fresh process\n");
    std::printf("%8s %10s %10s %9s %10s %11s %10s %10s %10s\n", "rows", "file MB", "open ms", "parse ms", "ratio", "ms/1k rows", "RSS MB",
        "RSS/file", "heap MB");
    double perRow10k = 0;
    double perRow100k = 0;
    double ratio100k = 0;
    double memory100k = 0;
    for (int rows : { 1000, 10000, 100000 }) {
        std::string name = "generated" + std::to_string(rows);
        std::string text = generateSong(rows);
        if (!core::files::writeContentsAtPath(folder + "/" + name + ".csv", text).ok())
            return 1;
        std::vector<Sample> opens;
        std::vector<Sample> parses;
        for (int run = 0; run < 3; ++run) {
            Sample parse;
            Sample open;
            if (!runChild(self, "parse", home, name, parse) || !runChild(self, "open", home, name, open)) {
                std::fprintf(stderr, "a child failed for %d rows\n", rows);
                return 1;
            }
            parses.push_back(parse);
            opens.push_back(open);
            if (quick)
                return 0;
        }
        Sample open = median(opens);
        Sample parse = median(parses);
        double fileBytes = double(text.size());
        double perThousand = open.ms / (rows / 1000.0);
        if (rows == 10000)
            perRow10k = perThousand;
        if (rows == 100000) {
            perRow100k = perThousand;
            ratio100k = open.ms / parse.ms;
            memory100k = open.residentBytes / fileBytes;
        }
        std::printf("%8d %10.2f %10.2f %9.2f %9.1fx %11.3f %10.1f %9.1fx %10.1f\n", rows, fileBytes / 1048576.0, open.ms, parse.ms,
            open.ms / parse.ms, perThousand, open.residentBytes / 1048576.0, open.residentBytes / fileBytes, open.heapBytes / 1048576.0);
    }
    double growth = perRow10k > 0 ? perRow100k / perRow10k : 0.0;
    std::printf("goal: 100,000 rows open within 3x the parse: %.1fx, %s\n", ratio100k, verdict(ratio100k <= 3.0));
    std::printf("goal: 100,000 rows memory above base within 10x the file: %.1fx, %s\n", memory100k, verdict(memory100k <= 10.0));
    std::printf("goal: growth 10k -> 100k rows linear (per-row cost within 1.5x): %.2fx, %s\n", growth, verdict(growth <= 1.5));
    return 0;
}
