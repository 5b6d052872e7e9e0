#include "midi/MidiInput.h"

#include "platform/core/Clock.h"
#include "platform/core/Dispatch.h"
#include "platform/core/Log.h"

#include <RtMidi.h>

#include <dlfcn.h>
#include <iostream>
#include <mutex>
#include <optional>
#include <sstream>

namespace midi {

namespace {

// Stamps further behind the clock than this are taken as a stall of the driver's time base.
constexpr double kMaxLag = 0.5;
constexpr const char* kClientName = "BeatStrip";

// ALSA's library prints its complaints (no sequencer device) straight to stderr, and RtMidi
// prints its errors to std::cerr before it throws them; a desktop app keeps both off the terminal
// and says why in its log instead.
extern "C" void dropSequencerMessage(const char*, int, const char*, int, const char*, ...) {}

void silenceAlsaLibrary()
{
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    void* library = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
    if (!library)
        return;
    if (auto set = reinterpret_cast<SetHandler>(dlsym(library, "snd_lib_error_set_handler")))
        set(dropSequencerMessage);
}

// libjack prints "cannot connect to server" and the like to stderr when no server runs.
void dropJackMessage(const char*) {}

void silenceJackLibrary()
{
    using SetFunction = void (*)(void (*)(const char*));
    void* library = dlopen("libjack.so.0", RTLD_NOW | RTLD_GLOBAL);
    if (!library)
        return;
    for (const char* name : { "jack_set_error_function", "jack_set_info_function" }) {
        if (auto set = reinterpret_cast<SetFunction>(dlsym(library, name)))
            set(dropJackMessage);
    }
}

class QuietErrors {
public:
    QuietErrors()
        : m_old(std::cerr.rdbuf(m_sink.rdbuf()))
    {
    }
    ~QuietErrors() { std::cerr.rdbuf(m_old); }
    QuietErrors(const QuietErrors&) = delete;
    QuietErrors& operator=(const QuietErrors&) = delete;

private:
    std::ostringstream m_sink;
    std::streambuf* m_old;
};

}

// What RtMidi's thread shares with the main thread; it outlives the input while a post is queued.
struct MidiInput::Shared {
    std::mutex mutex;
    std::shared_ptr<core::Clock> clock;
    Deliver deliver;
    std::optional<double> lastStamp;
    bool open = true;
    std::weak_ptr<Shared> self;
};

struct MidiInput::Impl {
    std::unique_ptr<RtMidiIn> in;
};

namespace {

// On RtMidi's thread: stamp, decode and post one message.
void received(double deltaTime, std::vector<unsigned char>* message, void* userData)
{
    auto* shared = static_cast<MidiInput::Shared*>(userData);
    if (!shared || !message)
        return;
    double stamp = 0;
    {
        std::lock_guard lock(shared->mutex);
        if (!shared->open)
            return;
        const double now = shared->clock->now();
        // The driver's spacing from the last event, held to the clock.
        stamp = shared->lastStamp ? *shared->lastStamp + deltaTime : now;
        if (stamp > now || now - stamp > kMaxLag)
            stamp = now;
        shared->lastStamp = stamp;
    }
    NoteEvent event;
    if (!MidiInput::decode(*message, stamp, event))
        return;
    dispatch::mainQueue().async([event, weak = shared->self] {
        auto self = weak.lock();
        if (!self)
            return;
        {
            std::lock_guard lock(self->mutex);
            if (!self->open)
                return;
        }
        if (self->deliver)
            self->deliver(event);
    });
}

}

namespace {

// RtMidi reports a JACK server it cannot reach as a warning, not an error: caught here.
void noteWarning(RtMidiError::Type type, const std::string& message, void* userData)
{
    if (type != RtMidiError::WARNING && type != RtMidiError::DEBUG_WARNING)
        core::log("MIDI input: %s", message.c_str());
    auto* warnings = static_cast<std::string*>(userData);
    if (warnings && warnings->empty())
        *warnings = message;
}

}

std::shared_ptr<MidiInput> MidiInput::open(std::shared_ptr<core::Clock> clock, Deliver deliver)
{
    std::shared_ptr<MidiInput> input(new MidiInput());
    input->m_impl = std::make_unique<Impl>();
    input->m_shared = std::make_shared<Shared>();
    input->m_shared->clock = std::move(clock);
    input->m_shared->deliver = std::move(deliver);
    input->m_shared->self = input->m_shared;
    silenceAlsaLibrary();
    QuietErrors quiet;
    // The ALSA sequencer first, as desktops have it; a JACK server where only that runs.
    std::string problem;
    try {
        input->m_impl->in = std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, kClientName, 256);
        input->m_backend = "ALSA";
    } catch (const RtMidiError& error) {
        problem = "no ALSA sequencer (" + error.getMessage() + ")";
    }
    if (!input->m_impl->in) {
        silenceJackLibrary();
        try {
            auto jack = std::make_unique<RtMidiIn>(RtMidi::UNIX_JACK, kClientName, 256);
            std::string warning;
            jack->setErrorCallback(noteWarning, &warning);
            jack->getPortCount();
            // Errors throw again from here on, as everywhere else.
            jack->setErrorCallback(nullptr, nullptr);
            if (warning.empty()) {
                input->m_impl->in = std::move(jack);
                input->m_backend = "JACK";
            } else {
                problem += ", no JACK server";
            }
        } catch (const RtMidiError& error) {
            problem += ", no JACK (" + error.getMessage() + ")";
        }
    }
    if (!input->m_impl->in) {
        input->m_problem = problem;
        core::log("No MIDI input: %s", problem.c_str());
        return input;
    }
    input->m_impl->in->ignoreTypes(true, true, true);
    return input;
}

MidiInput::~MidiInput()
{
    disconnect();
    m_impl.reset();
}

bool MidiInput::available() const
{
    return m_impl && m_impl->in != nullptr;
}

std::vector<std::string> MidiInput::ports()
{
    std::vector<std::string> names;
    if (!available())
        return names;
    QuietErrors quiet;
    try {
        const unsigned count = m_impl->in->getPortCount();
        for (unsigned i = 0; i < count; ++i) {
            std::string name = m_impl->in->getPortName(i);
            if (!name.empty() && name.find(kClientName) != 0)
                names.push_back(std::move(name));
        }
    } catch (const RtMidiError& error) {
        core::log("The MIDI ports could not be listed: %s", error.getMessage().c_str());
    }
    return names;
}

bool MidiInput::isHardware(const std::string& port)
{
    return port.find("Midi Through") == std::string::npos && port.find("RtMidi") == std::string::npos;
}

bool MidiInput::decode(const std::vector<unsigned char>& message, double time, NoteEvent& event)
{
    if (message.size() < 3)
        return false;
    const int kind = message[0] & 0xF0;
    if (kind != 0x80 && kind != 0x90)
        return false;
    if (message[1] > 127 || message[2] > 127)
        return false;
    event.time = time;
    event.pitch = message[1];
    event.velocity = message[2];
    event.on = kind == 0x90 && message[2] > 0;
    return true;
}

bool MidiInput::connect(const std::string& port)
{
    if (!available())
        return false;
    disconnect();
    QuietErrors quiet;
    try {
        const unsigned count = m_impl->in->getPortCount();
        for (unsigned i = 0; i < count; ++i) {
            if (m_impl->in->getPortName(i) != port)
                continue;
            {
                std::lock_guard lock(m_shared->mutex);
                m_shared->open = true;
                m_shared->lastStamp.reset();
            }
            m_impl->in->setCallback(received, m_shared.get());
            m_impl->in->openPort(i, "BeatStrip keys");
            m_connected = port;
            core::log("MIDI input: %s", port.c_str());
            return true;
        }
    } catch (const RtMidiError& error) {
        core::log("The MIDI port %s could not be opened: %s", port.c_str(), error.getMessage().c_str());
        m_impl->in->cancelCallback();
    }
    return false;
}

void MidiInput::disconnect()
{
    if (!available() || m_connected.empty())
        return;
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->open = false;
    }
    try {
        m_impl->in->closePort();
        m_impl->in->cancelCallback();
    } catch (const RtMidiError&) {
    }
    m_connected.clear();
}

}
