#pragma once
#include "midi/NoteEvent.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace core {
class Clock;
}

namespace midi {

// Live keys through RtMidi on the ALSA sequencer, or on a JACK server where there is no ALSA
// sequencer. Without either (no /dev/snd/seq and no JACK, as in containers) or without any port it
// stays usable and says so: the rest of the app never notices.
// RtMidi calls back on its own thread; each note is stamped there, on the beat clock, from the
// sequencer's own time stamps (the time between events as the driver saw them), then posted to the
// main queue. The stamps follow the driver's spacing and are pulled back to the clock whenever they
// would run ahead of it or fall far behind it.
class MidiInput {
public:
    using Deliver = std::function<void(const NoteEvent&)>;

    // `deliver` runs on the main queue. Never fails: see available().
    static std::shared_ptr<MidiInput> open(std::shared_ptr<core::Clock> clock, Deliver deliver);
    ~MidiInput();
    MidiInput(const MidiInput&) = delete;
    MidiInput& operator=(const MidiInput&) = delete;

    // Whether there is a sequencer (ALSA's, or a JACK server) to list ports from.
    bool available() const;
    // "ALSA" or "JACK"; empty without either.
    const std::string& backend() const { return m_backend; }
    // The input ports now, asked afresh from the sequencer; our own ports are left out.
    std::vector<std::string> ports();
    // Connects to the named port, closing any other; false when it is gone or cannot be opened.
    bool connect(const std::string& port);
    void disconnect();
    // The port listened to; empty for none.
    const std::string& connected() const { return m_connected; }
    // A port that looks like a keyboard someone plays (not the sequencer's "Midi Through").
    static bool isHardware(const std::string& port);
    // Why there is no input, when there is none; empty otherwise.
    const std::string& problem() const { return m_problem; }

    // Turns one raw message into a note event, if it is one (a note-on of velocity 0 is a key up).
    static bool decode(const std::vector<unsigned char>& message, double time, NoteEvent& event);

    // What RtMidi's thread shares with the main thread.
    struct Shared;

private:
    MidiInput() = default;
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    std::shared_ptr<Shared> m_shared;
    std::string m_connected;
    std::string m_problem;
    std::string m_backend;
};

}
