#pragma once
#include "platform/core/Timer.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace score {
class ScoreRow;
}

namespace player {

// The player's time: a one-shot beat timer armed anew for every beat with that beat's own length,
// and the quarter-beat timer of slow beats beside it. Every arming first disarms the timer it
// replaces, so at most one of each is pending.
class BeatClock {
public:
    // How the beat timer re-arms when it drives the step itself: against the due time of the
    // beat it ended, so latency never adds up, or from the moment the step runs (kept for
    // measuring the difference).
    enum class Mode { Deadline, FromStep };

    BeatClock();

    // A beat lasts 60 / tempo seconds of its own row ("tempo (40)" read as a number).
    static float beatLength(const score::ScoreRow& beat);
    // Lengths no timer can be armed for: a tempo of 0 gives infinity, a negative one a negative
    // length.
    static bool isPlayable(float seconds);

    // Arms the beat timer for duration / timerFactor, logging the duration as given. False, with
    // the timer disarmed and nothing logged, when that is no playable length.
    bool armBeat(float duration, std::shared_ptr<void> target, core::Timer::Action action);
    // The same for the quarter-beat timer.
    bool armQuarter(float duration, std::shared_ptr<void> target, core::Timer::Action action);
    // The same, counting the beat from `start` (a moment that may have passed): it ends at start
    // plus its length, on deadlines from there.
    bool armBeatFrom(double start, float duration, std::shared_ptr<void> target, core::Timer::Action action);
    void stopBeat();
    void stopQuarter();
    // Playing, but stopped on a beat until something lets it go on (wait mode): no timer is
    // pending, yet the clock counts as running. Any arming or stopBeat() ends the hold.
    void hold();
    bool isHeld() const { return m_held; }
    bool isRunning() const;

    // A step the beat timer drove (its sender is the timer) counts the next beat from the ended
    // beat's due time; any other step from now. endStep() closes the step.
    void beginStep(const core::Object* sender);
    void endStep() { m_beatDue.reset(); }
    // Within a step the beat timer drove: when the beat it enters was due.
    std::optional<double> stepDue() const { return m_beatDue; }

    // Playing at `percent` of the written tempi: every length armed from now on is divided by
    // percent / 100.
    void setSpeed(int32_t percent) { m_timerFactor = float(percent) / 100.0f; }

    void setMode(Mode mode) { m_mode = mode; }
    Mode mode() const { return m_mode; }
    float timerFactor() const { return m_timerFactor; }
    const std::shared_ptr<core::Timer>& timer() const { return m_timer; }
    const std::shared_ptr<core::Timer>& circletimer() const { return m_circletimer; }

private:
    float m_timerFactor = 1.0f;
    std::shared_ptr<core::Timer> m_timer;
    std::shared_ptr<core::Timer> m_circletimer;
    Mode m_mode = Mode::Deadline;
    bool m_held = false;
    // While the beat timer drives a step: the time its beat was due, the base of the next one.
    std::optional<double> m_beatDue;
};

}
