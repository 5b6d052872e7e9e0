#include "player/BeatClock.h"

#include "platform/core/Log.h"
#include "platform/core/RunLoop.h"
#include "score/Columns.h"
#include "score/ScoreRow.h"

#include <cmath>

namespace player {

namespace {

// A beat timer that was never armed and reports not valid, so stopping the clock before the
// first play is harmless.
std::shared_ptr<core::Timer> unscheduledTimer()
{
    auto timer = core::Timer::create(0, nullptr, [](core::Timer&) { });
    timer->invalidate();
    return timer;
}

}

BeatClock::BeatClock()
    : m_timer(unscheduledTimer())
{
}

float BeatClock::beatLength(const score::ScoreRow& beat)
{
    return 60.0f / beat.floatValue(score::column::tempo);
}

bool BeatClock::isPlayable(float seconds)
{
    return std::isfinite(seconds) && seconds > 0.0f;
}

bool BeatClock::armBeat(float duration, std::shared_ptr<void> target, core::Timer::Action action)
{
    stopBeat();
    m_held = false;
    float interval = duration / m_timerFactor;
    if (!isPlayable(duration) || !isPlayable(interval))
        return false;
    core::log("Shader Timer started , Next: %f", double(duration));
    // After a stall longer than a whole beat (a suspended machine, a debugger) the schedule starts
    // afresh at now rather than firing a burst of beats to catch up.
    if (m_beatDue && *m_beatDue + double(interval) >= core::RunLoop::main().now())
        m_timer = core::Timer::scheduledTimerWithFireDate(*m_beatDue + double(interval), std::move(target), std::move(action));
    else
        m_timer = core::Timer::scheduledTimerWithTimeInterval(double(interval), std::move(target), std::move(action));
    return true;
}

bool BeatClock::armBeatFrom(double start, float duration, std::shared_ptr<void> target, core::Timer::Action action)
{
    auto due = m_beatDue;
    m_beatDue = start;
    bool armed = armBeat(duration, std::move(target), std::move(action));
    m_beatDue = due;
    return armed;
}

bool BeatClock::armQuarter(float duration, std::shared_ptr<void> target, core::Timer::Action action)
{
    stopQuarter();
    float interval = duration / m_timerFactor;
    if (!isPlayable(duration) || !isPlayable(interval))
        return false;
    core::log("Circle Timer started , Next: %f", double(duration));
    m_circletimer = core::Timer::scheduledTimerWithTimeInterval(double(interval), std::move(target), std::move(action));
    return true;
}

void BeatClock::stopBeat()
{
    m_held = false;
    if (m_timer && m_timer->isValid())
        m_timer->invalidate();
}

void BeatClock::stopQuarter()
{
    if (m_circletimer && m_circletimer->isValid())
        m_circletimer->invalidate();
}

void BeatClock::hold()
{
    stopBeat();
    m_held = true;
}

bool BeatClock::isRunning() const
{
    return m_held || (m_timer && m_timer->isValid());
}

void BeatClock::beginStep(const core::Object* sender)
{
    if (m_mode == Mode::Deadline && m_timer && sender == static_cast<const core::Object*>(m_timer.get()))
        m_beatDue = m_timer->fireDate();
}

}
