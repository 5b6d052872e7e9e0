#pragma once
#include "midi/NoteEvent.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace core {
class Timer;
}

namespace midi {

class MidiInput;

// The app's keys: what a live MIDI input or a replayed performance plays reaches the one screen
// that listens, on the main thread, with each note's own time stamp. One per app, reached through
// shared() like the sound engine; tests start afresh with resetShared().
class Keyboard {
public:
    using Listener = std::function<void(const NoteEvent&)>;

    static Keyboard& shared();
    static void resetShared();
    ~Keyboard();

    // The screen playing along; none drops the notes.
    void setListener(Listener listener);
    void deliver(const NoteEvent& event);

    // A performance to replay as if played live (--midi-in). It starts, once, when startReplay()
    // is first called: its time 0 at `zero` on the run loop's clock, each note delivered by a
    // timer at its own time.
    void setReplay(std::vector<NoteEvent> events, std::string name);
    bool hasReplay() const { return !m_replayName.empty(); }
    const std::string& replayName() const { return m_replayName; }
    void startReplay(double zero);
    bool replayStarted() const { return m_replayStarted; }

    // The live input, when the app opened one.
    void setLive(std::shared_ptr<MidiInput> input);
    const std::shared_ptr<MidiInput>& live() const { return m_live; }
    // Whether a hardware keyboard is connected by itself when one appears; off once the user
    // chose a port (or none) by hand.
    bool autoConnect() const { return m_autoConnect; }
    void setAutoConnect(bool on) { m_autoConnect = on; }

private:
    struct Replay;
    void armReplay();

    Listener m_listener;
    std::shared_ptr<Replay> m_replay;
    std::string m_replayName;
    bool m_replayStarted = false;
    std::shared_ptr<MidiInput> m_live;
    bool m_autoConnect = true;
};

}
