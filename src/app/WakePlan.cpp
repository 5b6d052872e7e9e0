#include "app/WakePlan.h"

#include <climits>
#include <cmath>

namespace app {

WakePlan WakePlan::next(double now, std::optional<double> nextFireDate, bool tasksPending)
{
    WakePlan plan;
    if (tasksPending)
        return plan;
    if (!nextFireDate) {
        plan.kind = Kind::WaitForEvents;
        plan.eventTimeoutMs = -1;
        return plan;
    }
    double remaining = *nextFireDate - now;
    if (remaining <= 0)
        return plan;
    // Whole milliseconds that end at least kLead before the timer.
    double ms = std::floor((remaining - kLead) * 1000);
    if (ms >= 1) {
        plan.kind = Kind::WaitForEvents;
        plan.eventTimeoutMs = ms >= double(INT_MAX) ? INT_MAX : int(ms);
        return plan;
    }
    plan.kind = Kind::SleepToDeadline;
    plan.sleepSeconds = remaining;
    return plan;
}

}
