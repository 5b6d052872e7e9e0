#include "midi/Keyboard.h"

#include "midi/MidiInput.h"
#include "platform/core/Timer.h"

namespace midi {

namespace {

std::unique_ptr<Keyboard>& sharedKeyboard()
{
    static std::unique_ptr<Keyboard> keyboard;
    return keyboard;
}

}

// The replay's own state, the target its timer keeps alive; `owner` is cleared when the keyboard goes.
struct Keyboard::Replay {
    Keyboard* owner = nullptr;
    std::vector<NoteEvent> events;
    size_t next = 0;
    double zero = 0;
    std::shared_ptr<core::Timer> timer;
};

Keyboard& Keyboard::shared()
{
    auto& keyboard = sharedKeyboard();
    if (!keyboard)
        keyboard = std::make_unique<Keyboard>();
    return *keyboard;
}

void Keyboard::resetShared()
{
    sharedKeyboard().reset();
}

Keyboard::~Keyboard()
{
    if (m_replay) {
        m_replay->owner = nullptr;
        if (m_replay->timer)
            m_replay->timer->invalidate();
    }
}

void Keyboard::setListener(Listener listener)
{
    m_listener = std::move(listener);
}

void Keyboard::deliver(const NoteEvent& event)
{
    // The listener may replace itself (the screen closes): call a copy.
    if (auto listener = m_listener)
        listener(event);
}

void Keyboard::setReplay(std::vector<NoteEvent> events, std::string name)
{
    if (m_replay && m_replay->timer)
        m_replay->timer->invalidate();
    m_replay = std::make_shared<Replay>();
    m_replay->owner = this;
    m_replay->events = std::move(events);
    m_replayName = name.empty() ? std::string("replay") : std::move(name);
    m_replayStarted = false;
}

void Keyboard::startReplay(double zero)
{
    if (!m_replay || m_replayStarted)
        return;
    m_replayStarted = true;
    m_replay->zero = zero;
    armReplay();
}

void Keyboard::armReplay()
{
    auto replay = m_replay;
    if (!replay || replay->next >= replay->events.size())
        return;
    const double due = replay->zero + replay->events[replay->next].time;
    replay->timer = core::Timer::scheduledTimerWithFireDate(due, replay, [raw = replay.get()](core::Timer&) {
        // Everything due by this time goes out in order, each with its own time stamp.
        auto& events = raw->events;
        const double fired = raw->zero + events[raw->next].time;
        while (raw->owner && raw->next < events.size() && raw->zero + events[raw->next].time <= fired) {
            NoteEvent event = events[raw->next++];
            event.time += raw->zero;
            raw->owner->deliver(event);
        }
        if (raw->owner)
            raw->owner->armReplay();
    });
}

void Keyboard::setLive(std::shared_ptr<MidiInput> input)
{
    m_live = std::move(input);
}

}
