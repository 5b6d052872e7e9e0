// Tempo editing on long songs: a whole-song step (increase) edits every beat on one fresh copy of
// the beat list; the peer replaces the whole list once per beat, as a literal reading of "replace
// the list for every edited row" would, on the same rows. Also one save of the beat list with its
// durable synchronize.
//
//   cmake --build <build> --target bench_tempo && <build>/bench/bench_tempo
#include "BenchHome.h"
#include "platform/core/FileManager.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "player/Tempo.h"
#include "player/ViewController.h"
#include "score/Columns.h"
#include "score/Readings.h"

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

std::string generateSong(int beats)
{
    std::string text = "channel,Bar No(40),Beats per Bar(40),tempo (40),ipad_col(107),ipad_rows,length(109),height(110),"
                       "flip_view,rise_fall,sharp_flat,fingering/chord,lyrics,ipad_color(105),Z-level,Content\r";
    char line[256];
    for (int bar = 0; bar * 4 < beats; ++bar) {
        std::snprintf(line, sizeof line, "42,%d,4,160,%d,44,480,8,1,,,0,0,0,1,\r", bar, bar * 480);
        text += line;
        for (int beat = 1; beat <= 4 && bar * 4 + beat <= beats; ++beat) {
            std::snprintf(line, sizeof line, "41,%d,%d,100,%d,8,120,30,4,36,96,0,0,0,10,\r", bar, beat, bar * 480 + (beat - 1) * 120);
            text += line;
        }
    }
    return text;
}

// The peer: every beat's edit copies the whole list and replaces it.
void stepEveryBeatReplacingTheListEachTime(player::ViewController& player, int32_t by)
{
    for (size_t j = 0; j < player.tempoArray.size(); ++j) {
        auto& label = player.tempoArray[j];
        int32_t value = score::intValue(label->text()) + by;
        if (value < 1)
            continue;
        label->setText(std::to_string(value));
        std::vector<score::ScoreRow> list = player.shadowArray;
        list[j] = list[j].withIntValue(score::column::tempo, value);
        player.shadowArray = std::vector<score::ScoreRow>(list);
    }
}

}

int main(int argc, char** argv)
{
    std::string folder;
    auto home = makeBenchHome("tempo", folder);
    if (!home)
        return 1;
    const bool quick = setupOnly(argc, argv);

    std::printf("%8s %14s %14s %8s %12s\n", "beats", "increase ms", "peer ms", "ratio", "save ms");
    for (int beats : { 1000, 4000, 16000 }) {
        std::string name = "bench" + std::to_string(beats);
        if (!core::files::writeContentsAtPath(folder + "/" + name + ".csv", generateSong(beats)).ok())
            return 1;
        auto player = player::ViewController::create();
        player->setMode(3, name);
        player->view();

        int rounds = quick ? 1 : beats >= 16000 ? 2 : 10;
        double start = nowMs();
        for (int i = 0; i < rounds; ++i)
            player->increase(nullptr);
        double ours = (nowMs() - start) / rounds;

        start = nowMs();
        for (int i = 0; i < rounds; ++i)
            stepEveryBeatReplacingTheListEachTime(*player, 1);
        double peer = (nowMs() - start) / rounds;

        start = nowMs();
        player->saveChanges(nullptr);
        double save = nowMs() - start;

        std::printf("%8d %14.3f %14.3f %8.1f %12.3f\n", beats, ours, peer, peer / ours, save);
        if (quick)
            break;
    }
    return 0;
}
