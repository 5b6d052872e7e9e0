// Playing along with the player screen: performances written as MIDI files and replayed on the
// manual clock against a small song (on time, late, a wrong key), wait mode holding the cursor
// and the sound until a chord is complete, the passes' accuracy kept and the trainer's demand,
// held keys in the key, marks on the strip, and the panel without any MIDI input.
#include "PlayerFixture.h"

#include "audio/AudioEngine.h"
#include "audio/Mixer.h"
#include "audio/OfflineOutput.h"
#include "audio/SoundSettings.h"
#include "midi/Keyboard.h"
#include "midi/MidiInput.h"
#include "midi/Performance.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Slider.h"
#include "platform/ui/TextField.h"
#include "player/BeatSound.h"
#include "player/PracticeSettings.h"
#include "support/VirtualKeyboard.h"
#include "support/MidiFileWriter.h"

#include <chrono>
#include <set>
#include <thread>
#include <algorithm>
#include <cmath>

namespace player::test {
namespace {

constexpr double kBeat = 0.5; // 120 bpm

// A note block of `pitch` at the left edge of beat `beat` (from 0) of the regular song, on a row
// of its own.
Line noteAt(int beat, int pitch)
{
    return { { "channel", "1" }, { "Bar No(40)", std::to_string(beat / 4) }, { "ipad_col(107)", std::to_string(200 * beat + 160) },
        { "ipad_rows", std::to_string(600 - 8 * pitch) }, { "length(109)", "120" }, { "height(110)", "12" }, { "ipad_color(105)", "3" },
        { "pitch", std::to_string(pitch) } };
}

// Two bars of four beats at 120 bpm: a C major chord, then single notes, 67 twice in a row.
const std::vector<std::pair<int, int>> kNotes = { { 0, 60 }, { 0, 64 }, { 0, 67 }, { 1, 62 }, { 2, 64 }, { 3, 65 }, { 4, 67 },
    { 5, 67 }, { 6, 65 }, { 7, 64 } };

std::vector<std::string> columnsWithPitch()
{
    auto columns = songColumns();
    columns.push_back("pitch");
    return columns;
}

// Every song note played `shift` seconds after its beat, at `speed` (1 = as written).
std::vector<miditest::Played> performance(double shift, double speed = 1)
{
    std::vector<miditest::Played> played;
    for (auto [beat, pitch] : kNotes)
        played.push_back({ beat * kBeat / speed + shift, 0.2, pitch });
    return played;
}

class PlayAlongTest : public PlayerFixture {
protected:
    void SetUp() override
    {
        PlayerFixture::SetUp();
        midi::Keyboard::resetShared();
        auto lines = regularSong(2, 4, "120");
        for (auto [beat, pitch] : kNotes)
            lines.push_back(noteAt(beat, pitch));
        writeSong("scale", lines, columnsWithPitch());
    }

    void TearDown() override
    {
        BeatSound::setBeforeSend(nullptr);
        BeatSound::setEngine(nullptr);
        m_player.reset();
        midi::Keyboard::resetShared();
        PlayerFixture::TearDown();
    }

    // The performance goes through a real file, as --midi-in reads it.
    void replay(const std::vector<miditest::Played>& notes, double bpm = 120)
    {
        const std::string path = m_home + "/played.mid";
        ASSERT_TRUE(miditest::writeMidiFile(path, notes, bpm));
        auto read = midi::Performance::readFile(path);
        ASSERT_TRUE(read.ok()) << read.error().localizedDescription;
        midi::Keyboard::shared().setReplay(read->events(), "played.mid");
    }

    void withSound()
    {
        m_out = audio::OfflineOutput::create(m_clock->now());
        m_engine = audio::AudioEngine::create(m_out, audio::AudioEngine::Options {});
        m_engine->mixer().recordOnsets(4096);
        BeatSound::setEngine(m_engine);
        BeatSound::setBeforeSend([out = m_out](double now) { out->renderUntil(now); });
    }

    void runTo(double time)
    {
        core::RunLoop::main().runUntil(time);
        if (m_out)
            m_out->renderUntil(time);
    }

    std::shared_ptr<ui::View> find(const char* identifier) const
    {
        return m_player->view()->viewWithAccessibilityIdentifier(identifier);
    }

    std::string text(const char* identifier) const
    {
        auto label = std::dynamic_pointer_cast<ui::Label>(find(identifier));
        return label ? label->text() : "<none>";
    }

    size_t marks(const char* identifier) const
    {
        size_t count = 0;
        for (const auto& view : m_player->scrollView()->subviews())
            if (view->accessibilityIdentifier() == identifier && !view->isHidden())
                ++count;
        return count;
    }

    std::shared_ptr<ViewController> m_player;
    std::shared_ptr<audio::OfflineOutput> m_out;
    std::shared_ptr<audio::AudioEngine> m_engine;
};

TEST_F(PlayAlongTest, EveryNoteOnTimeIsAHitAndThePassIsKept)
{
    replay(performance(0.01));
    m_player = open("scale");
    const double start = m_clock->now() + 0.3;
    runTo(start);
    m_player->play(nullptr);
    runTo(start + 7 * kBeat + 0.3);
    EXPECT_EQ(m_player->score(), (midi::Judge::Tally { 10, 10, 0 }));
    EXPECT_EQ(text("score"), "Hits 10 / 10 \xC2\xB7 0 wrong");
    EXPECT_EQ(marks("markOnTime"), 10u);
    EXPECT_EQ(marks("markWrong") + marks("markLate") + marks("markEarly"), 0u);

    // The end of the song ends the pass: kept in the history, and as the best at 100 %.
    runTo(start + 8 * kBeat + 0.01);
    ASSERT_EQ(m_player->playAlong().history().size(), 1u);
    EXPECT_DOUBLE_EQ(m_player->playAlong().history()[0].tally.accuracy(), 1.0);
    EXPECT_EQ(m_player->playAlong().history()[0].speed, 100);
    EXPECT_EQ(PracticeSettings::best("scale", 100), std::optional<double>(1.0));
    EXPECT_EQ(core::UserDefaults::standardUserDefaults()->valueForKey("practice/scale/best/100"), core::Json(1.0));
    EXPECT_EQ(text("best"), "Best at 100 %: 100 %");
    EXPECT_EQ(text("history"), "Last: 100%@100");
    EXPECT_EQ(m_player->score(), (midi::Judge::Tally { 0, 3, 0 })) << "the next pass has begun: its first chord is due";
}

TEST_F(PlayAlongTest, PlayedLaterThanTheToleranceEveryNoteIsMissedAndMarkedLate)
{
    replay(performance(0.15));
    m_player = open("scale");
    ASSERT_EQ(m_player->playAlong().toleranceMs(), 100);
    const double start = m_clock->now();
    m_player->play(nullptr);
    runTo(start + 7 * kBeat + 0.4);
    EXPECT_EQ(m_player->score(), (midi::Judge::Tally { 0, 10, 0 }));
    EXPECT_EQ(marks("markLate"), 10u);
    // Each mark lies where the cursor was when the key went down: 0.15 s into a beat of 100 points
    // that starts at 80 + 100 k (points are half layout units).
    std::vector<double> xs;
    for (const auto& view : m_player->scrollView()->subviews()) {
        if (view->accessibilityIdentifier() == "markLate")
            xs.push_back(view->frame().center().x);
    }
    std::sort(xs.begin(), xs.end());
    std::vector<double> expected;
    for (auto [beat, pitch] : kNotes)
        expected.push_back(80 + 100 * beat + 0.15 / kBeat * 100);
    ASSERT_EQ(xs.size(), expected.size());
    for (size_t i = 0; i < xs.size(); ++i)
        EXPECT_NEAR(xs[i], expected[i], 0.6) << "mark " << i;

    // A tolerance of 200 ms takes the same playing as hits.
    midi::Keyboard::resetShared();
    replay(performance(0.15));
    m_player = open("scale");
    m_player->setToleranceMs(200);
    EXPECT_EQ(text("toleranceLabel"), "200 ms");
    const double again = m_clock->now();
    m_player->play(nullptr);
    runTo(again + 7 * kBeat + 0.4);
    EXPECT_EQ(m_player->score(), (midi::Judge::Tally { 10, 10, 0 }));
}

TEST_F(PlayAlongTest, AWrongKeyCountsAsWrongAndItsNoteAsMissed)
{
    auto played = performance(0);
    played[3].pitch = 61; // 62 on the second beat
    replay(played);
    m_player = open("scale");
    const double start = m_clock->now();
    m_player->play(nullptr);
    runTo(start + 7 * kBeat + 0.3);
    EXPECT_EQ(m_player->score(), (midi::Judge::Tally { 9, 10, 1 }));
    EXPECT_EQ(text("score"), "Hits 9 / 10 \xC2\xB7 1 wrong");
    ASSERT_EQ(marks("markWrong"), 1u);
    // 61 has no row: its mark lies halfway between the rows of 60 and 62, where it was played.
    for (const auto& view : m_player->scrollView()->subviews()) {
        if (view->accessibilityIdentifier() == "markWrong") {
            EXPECT_NEAR(view->frame().center().y, (600 - 8 * 61) / 2.0 + 3, 1e-9);
            EXPECT_NEAR(view->frame().center().x, 80 + 100, 0.6);
        }
    }
}

TEST_F(PlayAlongTest, APitchWithoutARowLiesAmongTheRowsNearIt)
{
    PlayAlong along;
    EXPECT_FALSE(along.rowNear(60));
    along.setRow(60, { 100, 6 });
    EXPECT_DOUBLE_EQ(along.rowNear(62)->y, 94) << "one row: half a row higher a semitone";
    EXPECT_DOUBLE_EQ(along.rowNear(59)->y, 103);
    along.setRow(64, { 80, 6 });
    EXPECT_DOUBLE_EQ(along.rowNear(60)->y, 100);
    EXPECT_DOUBLE_EQ(along.rowNear(61)->y, 95);
    EXPECT_DOUBLE_EQ(along.rowNear(66)->y, 70);
    EXPECT_DOUBLE_EQ(along.rowNear(58)->y, 110);
}

TEST_F(PlayAlongTest, TheAudioOffsetMovesWhenNotesAreDue)
{
    audio::SoundSettings settings;
    settings.offsetMs = 120;
    ASSERT_TRUE(settings.save(*core::UserDefaults::standardUserDefaults()));
    withSound();
    // Played with the sound, which comes 120 ms after the picture.
    replay(performance(0.12));
    m_player = open("scale");
    const double start = m_clock->now();
    m_player->play(nullptr);
    runTo(start + 7 * kBeat + 0.4);
    EXPECT_EQ(m_player->score(), (midi::Judge::Tally { 10, 10, 0 }));
}

TEST_F(PlayAlongTest, TheReplayStartsWithTheCursorAfterTheCountIn)
{
    audio::SoundSettings settings;
    settings.countIn = true;
    settings.click = true;
    ASSERT_TRUE(settings.save(*core::UserDefaults::standardUserDefaults()));
    withSound();
    replay(performance(0));
    m_player = open("scale");
    const double start = m_clock->now();
    m_player->play(nullptr);
    ASSERT_TRUE(m_player->isCountingIn());
    // A bar of four beats is counted in; the performance's time 0 is the cursor's start.
    runTo(start + 4 * kBeat - 0.01);
    EXPECT_FALSE(midi::Keyboard::shared().replayStarted());
    runTo(start + 4 * kBeat + 7 * kBeat + 0.3);
    EXPECT_EQ(m_player->score(), (midi::Judge::Tally { 10, 10, 0 }));
}

TEST_F(PlayAlongTest, WaitModeHoldsTheCursorAndTheSoundUntilTheChordIsComplete)
{
    audio::SoundSettings settings;
    settings.click = true;
    ASSERT_TRUE(settings.save(*core::UserDefaults::standardUserDefaults()));
    withSound();
    // The chord arrives note by note until 0.8; 62 comes 0.2 s after its beat is reached; 67 is
    // held from bar 2's first beat into its second and struck again at 2.5.
    replay({ { 0.3, 0.1, 60 }, { 0.5, 1.0, 64 }, { 0.8, 0.3, 67 }, { 1.5, 0.2, 62 }, { 2.0, 0.2, 64 }, { 2.5, 0.2, 65 }, { 3.0, 1.0, 67 },
        { 4.25, 0.2, 67 }, { 4.75, 0.2, 65 }, { 5.25, 0.2, 64 } });
    m_player = open("scale");
    m_player->keyPressed(ui::Key::W);
    ASSERT_TRUE(m_player->playAlong().waitMode());
    EXPECT_EQ(text("score"), "Wait mode");
    const double start = m_clock->now();
    m_player->play(nullptr);
    EXPECT_TRUE(m_player->isWaiting());
    EXPECT_TRUE(m_player->clock().isRunning()) << "waiting is still playing";

    auto indexAt = [&](double t) {
        runTo(start + t);
        return m_player->index();
    };
    EXPECT_EQ(indexAt(0.79), 0) << "two notes of the chord are not enough";
    // From the chord's last note the beat runs its full length.
    EXPECT_EQ(indexAt(1.29), 0);
    EXPECT_EQ(indexAt(1.31), 1);
    EXPECT_TRUE(m_player->isWaiting());
    EXPECT_EQ(indexAt(1.99), 1);
    // 62 at 1.5: on deadlines from there, beats 3 and 4 have no wait (their notes come in time).
    EXPECT_EQ(indexAt(2.01), 2);
    EXPECT_EQ(indexAt(2.51), 3);
    EXPECT_EQ(indexAt(3.01), 4);
    // 67 is still held from 3.0 when beat 6 (67 again) is reached at 3.5: it waits for 67 anew.
    EXPECT_EQ(indexAt(3.51), 5);
    EXPECT_TRUE(m_player->isWaiting());
    EXPECT_EQ(indexAt(4.74), 5);
    EXPECT_EQ(indexAt(4.76), 6);

    // The click waited too: none while the cursor stood, each beat's click when it went on.
    std::vector<double> expected = { 0.8, 1.5, 2.0, 2.5, 3.0, 4.25, 4.75 };
    std::vector<int64_t> frames;
    for (const auto& onset : m_engine->mixer().onsets())
        if (onset.kind == audio::AudioEvent::Kind::Click)
            frames.push_back(onset.frame);
    ASSERT_GE(frames.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(double(frames[i]) / 48000, start + expected[i] - m_out->startTime(), 1e-3) << "click " << i;
}

TEST_F(PlayAlongTest, APauseWhileWaitingStopsAndWaitModeOffGoesOn)
{
    m_player = open("scale");
    m_player->keyPressed(ui::Key::W);
    const double start = m_clock->now();
    m_player->play(nullptr);
    runTo(start + 1);
    EXPECT_TRUE(m_player->isWaiting());
    m_player->pause(nullptr);
    EXPECT_FALSE(m_player->isWaiting());
    EXPECT_FALSE(m_player->clock().isRunning());
    m_player->play(nullptr);
    runTo(start + 2);
    EXPECT_EQ(m_player->index(), 0);
    // Wait mode off: the beat goes on from the moment it was switched off.
    m_player->toggleWaitMode(nullptr);
    EXPECT_FALSE(m_player->isWaiting());
    runTo(start + 2 + kBeat - 0.01);
    EXPECT_EQ(m_player->index(), 0);
    runTo(start + 2 + kBeat + 0.01);
    EXPECT_EQ(m_player->index(), 1);
}

TEST_F(PlayAlongTest, ALoopPassKeepsItsAccuracyAndTheTrainerAsksForEnough)
{
    m_player = open("scale");
    m_player->start_TF()->setText("1");
    m_player->end_TF()->setText("2");
    m_player->repeat_SC()->setSelectedSegmentIndex(1);
    m_player->repeatControlChanged(m_player->repeat_SC().get());
    auto accuracyField = std::dynamic_pointer_cast<ui::TextField>(find("trainerAccuracy"));
    ASSERT_TRUE(accuracyField);
    accuracyField->setText("90");
    m_player->practicePanel().setTrainerOn(true);
    ASSERT_EQ(m_player->speed(), 70);
    const double pass = 8 * kBeat / 0.7;

    // First pass: 8 of 10 (two notes left out); second: all of them. Written at 120 bpm, so a
    // file second is a second.
    auto first = performance(0, 0.7);
    first.erase(first.begin() + 3, first.begin() + 5);
    auto second = performance(pass, 0.7);
    first.insert(first.end(), second.begin(), second.end());
    replay(first);
    // The replay was set after the screen opened: it still starts with play.
    const double start = m_clock->now();
    m_player->play(nullptr);
    runTo(start + pass + 0.01);
    ASSERT_EQ(m_player->playAlong().history().size(), 1u);
    EXPECT_EQ(m_player->playAlong().history()[0].tally, (midi::Judge::Tally { 8, 10, 0 }));
    EXPECT_EQ(m_player->speed(), 70) << "80 % is less than the 90 % asked for";
    EXPECT_TRUE(logged("Trainer: 80 % of the notes hit, 90 % asked"));
    EXPECT_EQ(PracticeSettings::best("scale", 70), std::optional<double>(0.8));

    runTo(start + 2 * pass + 0.01);
    ASSERT_EQ(m_player->playAlong().history().size(), 2u);
    EXPECT_EQ(m_player->playAlong().history()[1].tally, (midi::Judge::Tally { 10, 10, 0 }));
    EXPECT_EQ(m_player->speed(), 75);
    EXPECT_EQ(PracticeSettings::best("scale", 70), std::optional<double>(1.0));
    EXPECT_EQ(text("history"), "Last: 100%@70 80%@70");
    // A worse pass never lowers the best.
    EXPECT_FALSE(PracticeSettings::offerBest("scale", 70, 0.5));
    EXPECT_EQ(PracticeSettings::best("scale", 70), std::optional<double>(1.0));
}

TEST_F(PlayAlongTest, TheHistoryKeepsTheLastTenPasses)
{
    PlayAlong along;
    for (int i = 0; i < 12; ++i)
        along.addPass({ { i, 12, 0 }, 50 + i });
    ASSERT_EQ(along.history().size(), PlayAlong::kHistoryLength);
    EXPECT_EQ(along.history().front().speed, 52);
    EXPECT_EQ(along.history().back().speed, 61);
    EXPECT_EQ(PlayAlong::historyText(along.history(), 2), "Last: 92%@61 83%@60");
}

TEST_F(PlayAlongTest, HeldKeysLightTheirRowsInTheKey)
{
    m_player = open("scale");
    m_player->notePlayed({ m_clock->now(), 64, 90, true });
    m_player->notePlayed({ m_clock->now(), 67, 90, true });
    auto held = find("heldKey64");
    ASSERT_TRUE(held);
    EXPECT_FALSE(held->isHidden());
    EXPECT_EQ(held->superview(), m_player->keyView());
    EXPECT_DOUBLE_EQ(held->frame().y(), (600 - 8 * 64) / 2.0);
    EXPECT_DOUBLE_EQ(held->frame().size.height, 6.0);
    m_player->notePlayed({ m_clock->now(), 64, 0, false });
    EXPECT_TRUE(held->isHidden());
    EXPECT_FALSE(find("heldKey67")->isHidden());
    // A key without a row in this song lights nothing; keys played while stopped are not judged.
    m_player->notePlayed({ m_clock->now(), 30, 90, true });
    EXPECT_FALSE(find("heldKey30"));
    runTo(m_clock->now() + 1);
    EXPECT_EQ(m_player->score(), (midi::Judge::Tally {}));
    EXPECT_EQ(marks("markWrong"), 0u);
}

TEST_F(PlayAlongTest, WithoutAnyMidiInputThePanelSaysSoAndTheSongPlays)
{
    auto input = midi::MidiInput::open(m_clock, [](const midi::NoteEvent&) { });
    midi::Keyboard::shared().setLive(input);
    m_player = open("scale");
    auto button = std::dynamic_pointer_cast<ui::Button>(find("midiInput"));
    ASSERT_TRUE(button);
    if (!input->available()) {
        EXPECT_EQ(button->title(), "No MIDI input");
    }
    m_player->cycleMidiInput(nullptr);
    const double start = m_clock->now();
    m_player->play(nullptr);
    runTo(start + 3 * kBeat + 0.01);
    EXPECT_EQ(m_player->index(), 3);
    EXPECT_EQ(m_player->score(), (midi::Judge::Tally { 0, 6, 0 }));

    // A replayed file names itself instead.
    midi::Keyboard::resetShared();
    replay(performance(0));
    m_player = open("scale");
    EXPECT_EQ(std::dynamic_pointer_cast<ui::Button>(find("midiInput"))->title(), "MIDI: played.mid");
}

// A live keyboard, for real where the machine has a sequencer, else on a JACK server of the test's
// own: the screen connects to it by itself, the panel's button steps through the ports and none,
// and what the chosen keyboard plays lights its keys.
TEST_F(PlayAlongTest, TheLiveKeyboardIsChosenInThePanelAndLightsTheKeys)
{
    auto deliver = [](const midi::NoteEvent& event) { midi::Keyboard::shared().deliver(event); };
    miditest::VirtualKeyboard keyboard(m_clock, deliver);
    if (!keyboard.skip().empty())
        GTEST_SKIP() << keyboard.skip();
    auto input = keyboard.input;
    auto& out = keyboard.out;
    const std::string port = keyboard.port;
    ASSERT_FALSE(port.empty());
    midi::Keyboard::shared().setLive(input);

    m_player = open("scale");
    auto button = std::dynamic_pointer_cast<ui::Button>(find("midiInput"));
    ASSERT_TRUE(button);
    const auto ports = input->ports();
    // The first keyboard is taken by itself; each tap then steps on, past the last to none.
    ASSERT_FALSE(input->connected().empty()) << "connected by itself";
    for (size_t tap = 0; tap <= ports.size() && input->connected() != port; ++tap)
        m_player->cycleMidiInput(nullptr);
    ASSERT_EQ(input->connected(), port);
    EXPECT_EQ(button->title(), "MIDI: " + port);
    std::set<std::string> seen;
    for (size_t tap = 0; tap < ports.size() + 1; ++tap) {
        m_player->cycleMidiInput(nullptr);
        seen.insert(button->title());
    }
    EXPECT_EQ(input->connected(), port) << "a full round comes back to the same port";
    EXPECT_TRUE(seen.count("No MIDI input")) << "none is one of the choices";
    EXPECT_EQ(seen.size(), ports.size() + 1);

    std::vector<unsigned char> on { 0x90, 64, 100 };
    // The note crosses RtMidi's thread and the main queue: a bounded wait in real time, the key
    // played again now and then, as a new connection carries notes only from the sequencer's next turn.
    for (int i = 0; i < 200 && !find("heldKey64"); ++i) {
        if (i % 10 == 0)
            out->sendMessage(&on);
        core::RunLoop::main().runOnce();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    auto held = find("heldKey64");
    ASSERT_TRUE(held) << "the played key lights";
    EXPECT_FALSE(held->isHidden());
    m_player.reset();
    midi::Keyboard::resetShared();
}

}
}
