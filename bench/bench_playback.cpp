// The player's beat clock on the real clock: 1,000 beats at 240 bpm (0.25 s each) played by the
// real player screen, each beat's onset (the moment the step runs) against the ideal schedule
// start + k x 0.25 s. The deadline clock re-arms against the ended beat's due time; its peer
// re-arms from the moment the cursor is placed. A bare chain of deadline timers on the same run
// loop gives the loop's own timer floor. The three take turns in rounds (floor, deadline, peer),
// so load on the machine falls on all of them alike.
#include "BenchHome.h"
#include "platform/core/Clock.h"
#include "platform/core/FileManager.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Timer.h"
#include "platform/core/UserDefaults.h"
#include "platform/ui/Image.h"
#include "player/ViewController.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kRounds = 4;
constexpr int kBeats = 100; // a round
constexpr int kBeatsPerBar = 4;
constexpr double kBeat = 60.0 / 240.0;
constexpr int kFloorCount = 250; // a round
constexpr double kFloorInterval = 0.010;

struct Figures {
    double mean = 0, max = 0, drift = 0;
    std::vector<double> errors;

    // Adds a round; the worst round's drift is kept.
    void add(const std::vector<double>& more)
    {
        errors.insert(errors.end(), more.begin(), more.end());
        mean = 0;
        for (double e : errors) {
            mean += e;
            max = std::max(max, e);
        }
        mean /= double(errors.size());
        // The round's drift: the median error of its last ten onsets, so one beat caught by a
        // busy machine is not taken for a schedule that slipped.
        std::vector<double> tail(more.end() - std::min<std::ptrdiff_t>(10, std::ptrdiff_t(more.size())), more.end());
        std::nth_element(tail.begin(), tail.begin() + std::ptrdiff_t(tail.size() / 2), tail.end());
        double roundTail = tail[tail.size() / 2];
        if (std::abs(roundTail) > std::abs(drift))
            drift = roundTail;
    }
};

void writeSong(const std::string& name)
{
    std::string text = "channel,Bar No(40),Beats per Bar(40),tempo (40),ipad_col(107),ipad_rows,length(109),height(110)\r";
    int bars = kBeats / kBeatsPerBar + 1;
    for (int bar = 0; bar < bars; ++bar) {
        text += core::format("42,%d,%d,,0,40,%d,8\r", bar, kBeatsPerBar, 200 * kBeatsPerBar);
        for (int beat = 1; beat <= kBeatsPerBar; ++beat)
            text += core::format("41,%d,%d,240,%d,20,200,10\r", bar, beat, 200 * (bar * kBeatsPerBar + beat - 1));
    }
    std::string folder = core::paths::documentsDirectory() + "/data/data";
    (void)core::files::createDirectoryAtPath(folder, true);
    (void)core::files::writeContentsAtPath(folder + "/" + name + ".csv", text);
}

// Plays the song from its first beat; onset k is when the k-th step logs its first line.
void play(player::ViewController::BeatClock mode, Figures& into)
{
    auto clock = core::Clock::real();
    core::RunLoop& loop = core::RunLoop::main();
    auto player = player::ViewController::create();
    player->setMode(3, "bench");
    player->view();
    player->setBeatClock(mode);

    std::vector<double> onsets;
    onsets.reserve(kBeats + 1);
    bool inStep = false;
    auto old = core::setLogSink([&](const std::string& line) {
        if (line.rfind("Shader Timer started", 0) != 0)
            return;
        // Each step logs two lines: the first marks the onset.
        if (!inStep) {
            onsets.push_back(clock->now());
            if (int(onsets.size()) == kBeats + 1)
                loop.stop();
        }
        inStep = !inStep;
    });
    player->play(nullptr);
    // play logs one line, steps two: count the play line as a step of its own.
    inStep = false;
    loop.run();
    player->pause(nullptr);
    core::setLogSink(old);

    std::vector<double> errors;
    for (int k = 1; k <= kBeats; ++k)
        errors.push_back(onsets[size_t(k)] - (onsets[0] + k * kBeat));
    into.add(errors);
}

void timerFloor(Figures& into)
{
    auto clock = core::Clock::real();
    core::RunLoop& loop = core::RunLoop::main();
    std::vector<double> late;
    int fired = 0;
    std::function<void(core::Timer&)> tick = [&](core::Timer& t) {
        late.push_back(clock->now() - t.fireDate());
        if (++fired == kFloorCount) {
            loop.stop();
            return;
        }
        core::Timer::scheduledTimerWithFireDate(t.fireDate() + kFloorInterval, nullptr, tick);
    };
    core::Timer::scheduledTimerWithFireDate(clock->now() + kFloorInterval, nullptr, tick);
    loop.run();
    into.add(late);
}

void print(const char* name, const Figures& f, const Figures& floor)
{
    printf("%-30s mean error %9.1f us  max %9.1f us  drift (late end) %9.3f ms  mean/floor %6.2fx\n", name, f.mean * 1e6, f.max * 1e6,
        f.drift * 1e3, f.mean / floor.mean);
}

}

int main(int argc, char** argv)
{
    auto home = makeBenchFolder("playback", core::TemporaryFolder::Home::Use);
    if (!home)
        return 1;
    ui::Image::setResourceDirectory(std::string(BEATSTRIP_SOURCE_DIR) + "/assets");
    core::setLogToStderr(false);
    writeSong("bench");
    if (setupOnly(argc, argv))
        return 0;

    printf("%d beats at 240 bpm (%.0f s per clock) in %d alternating rounds, onset error against start + k x %.2f s\n",
        kBeats * kRounds, kBeats * kRounds * kBeat, kRounds, kBeat);
    Figures floor, deadline, fromStep;
    for (int round = 0; round < kRounds; round++) {
        timerFloor(floor);
        play(player::ViewController::BeatClock::Deadline, deadline);
        play(player::ViewController::BeatClock::FromStep, fromStep);
    }
    print("run loop floor (bare timers)", floor, floor);
    print("deadline clock", deadline, floor);
    print("re-armed at moveShader", fromStep, floor);
    printf("drift ratio (re-armed / deadline): %.0fx\n", std::abs(fromStep.drift) / std::max(std::abs(deadline.drift), 1e-9));
    printf("goal: drift under 1 ms beyond the floor's in every round (%s), mean error within 2x of the floor (%s)\n",
        std::abs(deadline.drift) < std::abs(floor.drift) + 0.001 ? "met" : "NOT met",
        deadline.mean <= 2 * floor.mean ? "met" : "NOT met");
    return 0;
}
