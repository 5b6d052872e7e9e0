// Timer accuracy of the run loop with the real clock: a chain of one-shot timers, each armed from
// the previous one's callback, re-armed from "now" and from the previous deadline, against the
// floor of clock_nanosleep with absolute deadlines measured in the same run.
#include "platform/core/Clock.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Timer.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

using core::Clock;
using core::RunLoop;
using core::Timer;

namespace {

constexpr int kCount = 2000;
constexpr double kInterval = 0.010;

struct Figures {
    double meanLate = 0, maxLate = 0, drift = 0;
};

Figures summarize(const std::vector<double>& late, double drift)
{
    Figures f;
    for (double l : late) {
        f.meanLate += l;
        f.maxLate = std::max(f.maxLate, l);
    }
    f.meanLate /= static_cast<double>(late.size());
    f.drift = drift;
    return f;
}

Figures runChain(bool fromDeadline)
{
    auto clock = Clock::real();
    RunLoop& loop = RunLoop::main();
    std::vector<double> late;
    late.reserve(kCount);
    double start = clock->now();
    int fired = 0;
    std::function<void(Timer&)> tick = [&](Timer& t) {
        double now = clock->now();
        late.push_back(now - t.fireDate());
        if (++fired == kCount) {
            loop.stop();
            return;
        }
        if (fromDeadline)
            Timer::scheduledTimerWithFireDate(t.fireDate() + kInterval, nullptr, tick);
        else
            Timer::scheduledTimerWithTimeInterval(kInterval, nullptr, tick);
    };
    Timer::scheduledTimerWithFireDate(start + kInterval, nullptr, tick);
    loop.run();
    double ideal = start + kCount * kInterval;
    return summarize(late, clock->now() - ideal);
}

Figures runFloor()
{
    std::vector<double> late;
    late.reserve(kCount);
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    auto toSeconds = [](const timespec& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9; };
    double start = toSeconds(ts);
    double deadline = start;
    for (int i = 0; i < kCount; i++) {
        deadline += kInterval;
        timespec d {};
        d.tv_sec = static_cast<time_t>(deadline);
        d.tv_nsec = static_cast<long>((deadline - static_cast<double>(d.tv_sec)) * 1e9);
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &d, nullptr) != 0) { }
        timespec now {};
        clock_gettime(CLOCK_MONOTONIC, &now);
        late.push_back(toSeconds(now) - deadline);
    }
    timespec end {};
    clock_gettime(CLOCK_MONOTONIC, &end);
    return summarize(late, toSeconds(end) - (start + kCount * kInterval));
}

void print(const char* name, const Figures& f, const Figures& floor)
{
    printf("%-28s mean late %8.1f us  max late %8.1f us  drift at end %9.3f ms  mean/floor %.2fx\n", name,
        f.meanLate * 1e6, f.maxLate * 1e6, f.drift * 1e3, f.meanLate / floor.meanLate);
}

}

int main()
{
    printf("Chain of %d one-shot timers of %.0f ms (%.0f s per mode)\n", kCount, kInterval * 1e3, kCount * kInterval);
    Figures floor = runFloor();
    Figures deadline = runChain(true);
    Figures fromNow = runChain(false);
    print("floor (clock_nanosleep abs)", floor, floor);
    print("run loop, deadline re-arm", deadline, floor);
    print("run loop, re-arm from now", fromNow, floor);
    printf("goal: deadline mode within 2x of the floor (%s), drift under 1 ms (%s)\n",
        deadline.meanLate <= 2 * floor.meanLate ? "met" : "NOT met",
        std::abs(deadline.drift) < 0.001 ? "met" : "NOT met");
    return 0;
}
