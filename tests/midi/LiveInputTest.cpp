// The live path end to end where the machine has a sequencer (ALSA's, or a JACK server): another
// program's virtual port plays two notes; the input lists the port, connects to it and hands the
// notes to the main queue, stamped on the clock in the order played. Without a sequencer the test
// starts a JACK server of its own; skipped, saying why, only where neither can be had.
#include <gtest/gtest.h>

#include "support/JackServer.h"

#include "midi/MidiInput.h"
#include "platform/core/Clock.h"
#include "platform/core/RunLoop.h"

#include <RtMidi.h>

#include <algorithm>
#include <memory>

namespace midi {
namespace {

TEST(LiveInputTest, NotesFromAVirtualPortArriveStampedOnTheMainQueue)
{
    core::RunLoop::resetMain();
    auto clock = core::RunLoop::main().clock();
    std::vector<NoteEvent> delivered;
    auto deliver = [&](const NoteEvent& event) { delivered.push_back(event); };
    auto input = MidiInput::open(clock, deliver);
    std::unique_ptr<miditest::JackServer> jack;
    if (!input->available()) {
        jack = std::make_unique<miditest::JackServer>();
        if (!jack->running())
            GTEST_SKIP() << "no MIDI sequencer here (" << input->problem() << ") and no JACK server: " << jack->problem();
        input = MidiInput::open(clock, deliver);
        ASSERT_TRUE(input->available()) << input->problem();
    }

    std::unique_ptr<RtMidiOut> out;
    try {
        out = std::make_unique<RtMidiOut>(input->backend() == "JACK" ? RtMidi::UNIX_JACK : RtMidi::LINUX_ALSA, "Test keyboard");
        out->openVirtualPort("Test keys");
    } catch (const RtMidiError& error) {
        GTEST_SKIP() << "no virtual port: " << error.getMessage();
    }
    std::string port;
    for (const auto& name : input->ports())
        if (name.find("Test keys") != std::string::npos)
            port = name;
    ASSERT_FALSE(port.empty()) << "the virtual port is listed";
    EXPECT_TRUE(MidiInput::isHardware(port));
    ASSERT_TRUE(input->connect(port));
    EXPECT_EQ(input->connected(), port);

    const double sent = clock->now();
    std::vector<unsigned char> on { 0x90, 60, 100 }, off { 0x80, 60, 0 };
    // A new connection carries notes only from the sequencer's next turn, so the key is played
    // again until the first one arrives. A bounded pump: the notes cross RtMidi's thread and the
    // main queue.
    const double deadline = clock->now() + 5;
    while (delivered.size() < 2 && clock->now() < deadline) {
        if (delivered.empty()) {
            out->sendMessage(&on);
            out->sendMessage(&off);
        }
        core::RunLoop::main().runOnce(0.1);
    }
    ASSERT_GE(delivered.size(), 2u);
    EXPECT_TRUE(delivered[0].on);
    EXPECT_EQ(delivered[0].pitch, 60);
    EXPECT_EQ(delivered[0].velocity, 100);
    EXPECT_FALSE(delivered[1].on);
    EXPECT_GE(delivered[0].time, sent - 0.5);
    EXPECT_LE(delivered[0].time, delivered[1].time);
    EXPECT_LE(delivered[1].time, clock->now());

    // Disconnected, nothing more arrives, even what is already on its way.
    core::RunLoop::main().runOnce(0.2);
    const size_t before = delivered.size();
    input->disconnect();
    out->sendMessage(&on);
    core::RunLoop::main().runOnce(0.2);
    EXPECT_EQ(delivered.size(), before);
    out.reset();
    input.reset();
    core::RunLoop::resetMain();
}

}
}
