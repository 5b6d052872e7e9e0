// A performance read from a MIDI file written here, and the live input's decoding and behaviour
// without a sequencer (or with one, where the machine has it).
#include <gtest/gtest.h>

#include "midi/MidiInput.h"
#include "midi/Performance.h"
#include "platform/core/Clock.h"
#include "platform/core/TemporaryFolder.h"
#include "support/MidiFileWriter.h"

#include <sys/stat.h>

namespace midi {
namespace {

TEST(PerformanceTest, AFileBecomesKeysDownAndUpInSecondsThroughItsTempo)
{
    auto folder = core::TemporaryFolder::create("performance");
    ASSERT_TRUE(folder.ok());
    const std::string path = (*folder)->path() + "/played.mid";
    // At 90 bpm a tick is 1/1440 s: every time below falls on a tick (the tempo itself is rounded
    // to whole microseconds a quarter).
    ASSERT_TRUE(miditest::writeMidiFile(path, { { 0.5, 0.25, 60 }, { 0.5, 0.5, 64 }, { 1.25, 0.25, 60 } }, 90));
    auto performance = Performance::readFile(path);
    ASSERT_TRUE(performance.ok()) << performance.error().localizedDescription;
    EXPECT_EQ(performance->noteCount(), 3u);
    const auto& events = performance->events();
    ASSERT_EQ(events.size(), 6u);
    EXPECT_NEAR(events[0].time, 0.5, 1e-5);
    EXPECT_TRUE(events[0].on);
    EXPECT_NEAR(events[2].time, 0.75, 1e-5);
    EXPECT_FALSE(events[2].on);
    EXPECT_EQ(events[2].pitch, 60);
    // 64 goes up at 1.0; 60 goes down again at 1.25.
    EXPECT_NEAR(events[3].time, 1.0, 1e-5);
    EXPECT_EQ(events[4].pitch, 60);
    EXPECT_TRUE(events[4].on);
    EXPECT_NEAR(events[4].time, 1.25, 1e-5);

    EXPECT_FALSE(Performance::readFile((*folder)->path() + "/missing.mid").ok());
}

TEST(MidiInputTest, DecodesNotesAndIgnoresEverythingElse)
{
    NoteEvent event;
    ASSERT_TRUE(MidiInput::decode({ 0x93, 61, 100 }, 2.5, event));
    EXPECT_TRUE(event.on);
    EXPECT_EQ(event.pitch, 61);
    EXPECT_DOUBLE_EQ(event.time, 2.5);
    ASSERT_TRUE(MidiInput::decode({ 0x90, 61, 0 }, 3, event));
    EXPECT_FALSE(event.on) << "a note-on of velocity 0 is a key going up";
    ASSERT_TRUE(MidiInput::decode({ 0x80, 61, 40 }, 3, event));
    EXPECT_FALSE(event.on);
    EXPECT_FALSE(MidiInput::decode({ 0xB0, 64, 127 }, 3, event)) << "the sustain pedal";
    EXPECT_FALSE(MidiInput::decode({ 0x90, 61 }, 3, event));
    EXPECT_TRUE(MidiInput::isHardware("USB Keys:USB Keys MIDI 1 24:0"));
    EXPECT_FALSE(MidiInput::isHardware("Midi Through:Midi Through Port-0 14:0"));
}

// Containers and many build machines have no ALSA sequencer and no JACK server: the input must
// say so and do nothing else. Where there is one, it names it and refuses a port that does not
// exist.
TEST(MidiInputTest, WithoutASequencerThereIsNoInputAndNothingFails)
{
    int delivered = 0;
    auto input = MidiInput::open(core::ManualClock::create(0), [&](const NoteEvent&) { ++delivered; });
    ASSERT_TRUE(input);
    struct stat st {};
    const bool alsa = stat("/dev/snd/seq", &st) == 0;
    if (!input->available()) {
        EXPECT_FALSE(alsa);
        EXPECT_NE(input->problem().find("no ALSA sequencer"), std::string::npos) << input->problem();
        EXPECT_TRUE(input->backend().empty());
        EXPECT_TRUE(input->ports().empty());
    } else {
        EXPECT_EQ(input->backend(), alsa ? "ALSA" : "JACK");
        EXPECT_TRUE(input->problem().empty());
    }
    EXPECT_FALSE(input->connect("No such port 99:0"));
    EXPECT_TRUE(input->connected().empty());
    input->disconnect();
    input.reset();
    EXPECT_EQ(delivered, 0);
}

}
}
