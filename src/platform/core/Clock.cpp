#include "platform/core/Clock.h"

#include <chrono>

namespace core {

namespace {
class RealClock final : public Clock {
public:
    double now() const override
    {
        using namespace std::chrono;
        return duration<double>(steady_clock::now().time_since_epoch()).count();
    }
};
}

std::shared_ptr<Clock> Clock::real()
{
    static auto clock = std::make_shared<RealClock>();
    return clock;
}

double ManualClock::now() const
{
    std::lock_guard lock(m_mutex);
    return m_now;
}

void ManualClock::set(double time)
{
    std::lock_guard lock(m_mutex);
    if (time > m_now)
        m_now = time;
}

void ManualClock::advance(double seconds)
{
    std::lock_guard lock(m_mutex);
    if (seconds > 0)
        m_now += seconds;
}

}
