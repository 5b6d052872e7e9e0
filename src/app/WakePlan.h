#pragma once
#include <optional>

namespace app {

// How the window waits between turns of the run loop. SDL's event wait counts whole
// milliseconds and, measured under Xvfb on a busy machine, returns up to 4 ms after its timeout
// about one time in three, so a wait up to a timer's fire date wakes late. Instead the window
// waits for events until a few milliseconds before the next timer, then sleeps on the run loop's
// own clock to the fire date itself (a condition variable with an absolute deadline, as precise
// as the system's sleep); posted work still wakes that sleep, and input waits at most the short
// final stretch.
struct WakePlan {
    enum class Kind {
        // Something is ready now: look at the events without waiting.
        Poll,
        // Wait for an event, at most eventTimeoutMs (-1: no timer, no limit).
        WaitForEvents,
        // The next timer is close: sleep to its fire date.
        SleepToDeadline,
    };
    Kind kind = Kind::Poll;
    int eventTimeoutMs = 0;
    double sleepSeconds = 0;

    // How long before a timer the event wait ends at the latest.
    static constexpr double kLead = 0.005;

    static WakePlan next(double now, std::optional<double> nextFireDate, bool tasksPending);
};

}
