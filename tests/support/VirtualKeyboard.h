#pragma once
// A live MIDI input and a virtual keyboard port that plays to it: on the machine's sequencer, or
// where there is none on a JACK server of the test's own. When neither can be had, skip() says
// why and the test skips.
#include "support/JackServer.h"

#include "midi/MidiInput.h"

#include <RtMidi.h>

#include <memory>
#include <string>

namespace miditest {

class VirtualKeyboard {
public:
    VirtualKeyboard(std::shared_ptr<core::Clock> clock, const midi::MidiInput::Deliver& deliver)
    {
        input = midi::MidiInput::open(clock, deliver);
        if (!input->available()) {
            m_jack = std::make_unique<JackServer>();
            if (!m_jack->running()) {
                m_skip = "no MIDI sequencer here (" + input->problem() + ") and no JACK server: " + m_jack->problem();
                return;
            }
            input = midi::MidiInput::open(clock, deliver);
            if (!input->available()) {
                m_skip = "the JACK server took no client: " + input->problem();
                return;
            }
        }
        try {
            out = std::make_unique<RtMidiOut>(input->backend() == "JACK" ? RtMidi::UNIX_JACK : RtMidi::LINUX_ALSA, "Test keyboard");
            out->openVirtualPort("Test keys");
        } catch (const RtMidiError& error) {
            m_skip = "no virtual port: " + error.getMessage();
            return;
        }
        for (const auto& name : input->ports())
            if (name.find("Test keys") != std::string::npos)
                port = name;
    }
    ~VirtualKeyboard()
    {
        out.reset();
        input.reset();
    }
    VirtualKeyboard(const VirtualKeyboard&) = delete;
    VirtualKeyboard& operator=(const VirtualKeyboard&) = delete;

    // Why the test cannot run here; empty when it can.
    const std::string& skip() const { return m_skip; }

    std::shared_ptr<midi::MidiInput> input;
    std::unique_ptr<RtMidiOut> out;
    // The input's name for the keyboard's port; empty when the input does not list it.
    std::string port;

private:
    std::unique_ptr<JackServer> m_jack;
    std::string m_skip;
};

}
