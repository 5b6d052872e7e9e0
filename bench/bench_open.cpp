// Opening a song in the player: read the file, lay out every row, build the beat and bar lists,
// place the cursor. Measured for generated songs of 1,000, 10,000 and 100,000 rows against the
// floor of reading and parsing the same file alone, with the heap in use after opening.
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

#include <chrono>
#include <cstdio>
#include <cstdlib>
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

}

int main()
{
    std::string folder = makeBenchHome("open");
    if (folder.empty())
        return 1;
    ui::Image::setResourceDirectory(std::string(BEATSTRIP_SOURCE_DIR) + "/assets");

    std::printf("%10s %12s %12s %10s %14s %14s %14s\n", "rows", "open ms", "parse ms", "ratio", "ms/1000 rows", "heap MB", "heap B/row");
    double perThousandSmall = 0;
    double perThousandLarge = 0;
    for (int rows : { 1000, 10000, 100000 }) {
        std::string name = "generated" + std::to_string(rows);
        (void)core::files::writeContentsAtPath(folder + "/" + name + ".csv", generateSong(rows));

        // The floor: reading and parsing alone. Best of three for both.
        double parseMs = 1e18;
        for (int run = 0; run < 3; ++run) {
            double start = nowMs();
            auto parsed = score::CSVParser::parseCSVIntoArrayOfDictionariesFromFile(folder + "/" + name + ".csv", ",", std::string_view("\""));
            double took = nowMs() - start;
            if (!parsed || parsed->size() != size_t(rows)) {
                std::fprintf(stderr, "parse failed for %d rows\n", rows);
                return 1;
            }
            parseMs = std::min(parseMs, took);
        }

        double openMs = 1e18;
        size_t heap = 0;
        for (int run = 0; run < 3; ++run) {
            size_t before = heapInUse();
            double start = nowMs();
            auto player = player::ViewController::create();
            player->setMode(3, name);
            player->view();
            double took = nowMs() - start;
            size_t after = heapInUse();
            if (player->displayArray.empty() || player->shadowArray.empty()) {
                std::fprintf(stderr, "open failed for %d rows\n", rows);
                return 1;
            }
            openMs = std::min(openMs, took);
            heap = after > before ? after - before : 0;
        }
        double perThousand = openMs / (rows / 1000.0);
        if (rows == 1000)
            perThousandSmall = perThousand;
        perThousandLarge = perThousand;
        std::printf("%10d %12.2f %12.2f %9.1fx %14.3f %14.1f %14.0f\n", rows, openMs, parseMs, openMs / parseMs, perThousand,
            static_cast<double>(heap) / 1048576.0, double(heap) / static_cast<double>(rows));
    }
    std::printf("growth: per row, the 100,000-row song costs %.2fx what the 1,000-row song does (1.00 is linear)\n",
        perThousandSmall > 0 ? perThousandLarge / perThousandSmall : 0.0);
    (void)core::files::removeItemAtPath(core::paths::homeDirectory());
    return 0;
}
