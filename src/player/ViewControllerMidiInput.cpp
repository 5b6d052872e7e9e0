// The MIDI input as the player screen shows it: the keyboard connected by itself, a port
// plugged in later found, and the panel's button stepping through the ports.
#include "player/ViewController.h"

#include "midi/Keyboard.h"
#include "midi/MidiInput.h"
#include "platform/core/Log.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Timer.h"
#include "platform/ui/Button.h"

namespace player {

namespace {

// How often the ports are looked at for a keyboard plugged in later.
constexpr double kRescanSeconds = 2;

}

// The one keyboard of the app plays to this screen; a keyboard plugged in later is found by
// looking at the ports now and then, while the screen is up and nothing is connected.
void ViewController::listenToKeys()
{
    std::weak_ptr<ViewController> weak = std::static_pointer_cast<ViewController>(shared_from_this());
    auto& keyboard = midi::Keyboard::shared();
    keyboard.setListener([weak](const midi::NoteEvent& event) {
        if (auto self = weak.lock())
            self->notePlayed(event);
    });
    rescanMidi();
}

void ViewController::rescanMidi()
{
    auto& keyboard = midi::Keyboard::shared();
    auto live = keyboard.live();
    if (live && live->available() && !keyboard.hasReplay()) {
        auto ports = live->ports();
        if (!live->connected().empty() && std::find(ports.begin(), ports.end(), live->connected()) == ports.end()) {
            core::log("The MIDI input %s is gone", live->connected().c_str());
            live->disconnect();
        }
        if (live->connected().empty() && keyboard.autoConnect()) {
            for (const auto& port : ports) {
                if (midi::MidiInput::isHardware(port) && live->connect(port))
                    break;
            }
        }
        // The timer holds a token, not the screen, so it never keeps a closed screen alive.
        std::weak_ptr<ViewController> weak = std::static_pointer_cast<ViewController>(shared_from_this());
        if (m_rescanTimer)
            m_rescanTimer->invalidate();
        m_rescanTimer = core::Timer::scheduledTimerWithTimeInterval(kRescanSeconds, std::make_shared<int>(0), [weak](core::Timer&) {
            if (auto self = weak.lock(); self && self->isViewLoaded() && self->m_midiButton)
                self->rescanMidi();
        });
    }
    showMidiInput();
}

void ViewController::showMidiInput()
{
    if (!m_midiButton)
        return;
    auto& keyboard = midi::Keyboard::shared();
    std::string title = "No MIDI input";
    if (keyboard.hasReplay())
        title = "MIDI: " + keyboard.replayName();
    else if (auto& live = keyboard.live(); live && !live->connected().empty())
        title = "MIDI: " + live->connected();
    if (m_midiButton->title() != title)
        m_midiButton->setTitle(title);
}

// Each tap moves to the next port; after the last, to none (which stays until a port is chosen).
void ViewController::cycleMidiInput(ui::Object*)
{
    auto& keyboard = midi::Keyboard::shared();
    auto live = keyboard.live();
    if (!live || !live->available() || keyboard.hasReplay())
        return showMidiInput();
    auto ports = live->ports();
    auto current = std::find(ports.begin(), ports.end(), live->connected());
    size_t next = current == ports.end() ? 0 : size_t(current - ports.begin()) + 1;
    if (!live->connected().empty() && current == ports.end())
        next = 0;
    live->disconnect();
    keyboard.setAutoConnect(false);
    if (next < ports.size())
        live->connect(ports[next]);
    showMidiInput();
}

}
