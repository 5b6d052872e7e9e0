// The live path end to end where the machine has a sequencer (ALSA's, or a JACK server): another
// program's virtual port plays two notes; the input lists the port, connects to it and hands the
// notes to the main queue, stamped on the clock in the order played. Without a sequencer the test
// starts a JACK server of its own; skipped, saying why, only where neither can be had.
#include <gtest/gtest.h>

#include "support/VirtualKeyboard.h"

#include "midi/MidiInput.h"
#include "platform/core/Clock.h"
#include "platform/core/RunLoop.h"


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
    miditest::VirtualKeyboard keyboard(clock, deliver);
    if (!keyboard.skip().empty())
        GTEST_SKIP() << keyboard.skip();
    auto& input = keyboard.input;
    auto& out = keyboard.out;
    const std::string port = keyboard.port;
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
    core::RunLoop::resetMain();
}

}
}
