// The player's sound, rendered offline on the manual clock: clicks on the beat deadlines, the
// accent, the count-in, notes over their blocks, silence after pause, jump and loop, the speed,
// and the sound settings kept across runs.
#include "PlayerFixture.h"

#include "audio/AudioAnalysis.h"
#include "audio/AudioEngine.h"
#include "audio/Mixer.h"
#include "audio/NoteSynth.h"
#include "audio/OfflineOutput.h"
#include "audio/SoundSettings.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Slider.h"
#include "platform/ui/Window.h"
#include "player/BeatSound.h"

#include <cmath>

namespace player::test {
namespace {

constexpr int kRate = 48000;

std::vector<std::string> columnsWithPitch()
{
    auto columns = songColumns();
    columns.push_back("pitch");
    return columns;
}

// A note block from x to x + length sounding `pitch`.
Line noteLine(int bar, int col, int length, int pitch)
{
    return { { "channel", "1" }, { "Bar No(40)", std::to_string(bar) }, { "ipad_col(107)", std::to_string(col) }, { "ipad_rows", "30" },
        { "length(109)", std::to_string(length) }, { "height(110)", "10" }, { "ipad_color(105)", "3" }, { "pitch", std::to_string(pitch) } };
}

// Bars of four beats, 200 units each; the beats' tempi in order.
std::vector<Line> songWithTempi(const std::vector<std::string>& tempi)
{
    std::vector<Line> lines;
    const int bars = int(tempi.size()) / 4;
    for (int bar = 0; bar < bars; ++bar) {
        lines.push_back(barLine(bar, 4, 800));
        for (int beat = 1; beat <= 4; ++beat)
            lines.push_back(beatLine(bar, beat, 4, tempi[size_t(bar * 4 + beat - 1)], 200 * (bar * 4 + beat - 1) + 160, 200));
    }
    return lines;
}

double frequencyOf(int pitch)
{
    return 440 * std::pow(2.0, (pitch - 69) / 12.0);
}

class SoundTest : public PlayerFixture {
protected:
    void SetUp() override
    {
        PlayerFixture::SetUp();
        m_out = audio::OfflineOutput::create(m_clock->now());
        m_engine = audio::AudioEngine::create(m_out, audio::AudioEngine::Options {});
        m_engine->mixer().recordOnsets(4096);
        BeatSound::setEngine(m_engine);
        BeatSound::setBeforeSend([out = m_out](double now) { out->renderUntil(now); });
    }

    void TearDown() override
    {
        BeatSound::setBeforeSend(nullptr);
        BeatSound::setEngine(nullptr);
        m_player.reset();
        m_window.reset();
        PlayerFixture::TearDown();
    }

    void storeSettings(const audio::SoundSettings& settings)
    {
        ASSERT_TRUE(settings.save(*core::UserDefaults::standardUserDefaults()));
    }

    std::shared_ptr<ViewController> present(const std::string& name)
    {
        m_window = ui::Window::create();
        auto library = ui::ViewController::create();
        m_window->setRootViewController(library);
        m_player = ViewController::create();
        m_player->setMode(3, name);
        library->presentViewController(m_player, ui::Animated::No);
        m_window->layoutIfNeeded();
        return m_player;
    }

    double now() const { return m_clock->now(); }
    void runTo(double time)
    {
        core::RunLoop::main().runUntil(time);
        m_out->renderUntil(time);
    }
    int64_t frameAt(double time) const { return std::llround((time - m_out->startTime()) * kRate); }

    std::vector<audio::Mixer::Onset> onsets(audio::AudioEvent::Kind kind) const
    {
        std::vector<audio::Mixer::Onset> found;
        for (const auto& onset : m_engine->mixer().onsets()) {
            if (onset.kind == kind)
                found.push_back(onset);
        }
        return found;
    }

    std::shared_ptr<audio::OfflineOutput> m_out;
    std::shared_ptr<audio::AudioEngine> m_engine;
    std::shared_ptr<ui::Window> m_window;
    std::shared_ptr<ViewController> m_player;
};

TEST_F(SoundTest, ClicksLandOnTheBeatDeadlinesWithTheFirstBeatAccented)
{
    const std::vector<std::string> tempi = { "100", "72.5", "120", "90", "72.5", "60", "140", "100", "72.5", "72.5", "200", "45" };
    writeSong("tempi", songWithTempi(tempi));
    audio::SoundSettings settings;
    settings.click = true;
    storeSettings(settings);
    auto player = present("tempi");
    const double start = now() + 0.25;
    runTo(start);
    player->play(nullptr);

    // Every deadline in double from the moment play was pressed.
    std::vector<double> deadlines { start };
    for (size_t i = 0; i + 1 < tempi.size(); ++i)
        deadlines.push_back(deadlines.back() + 60.0 / std::stod(tempi[i]));
    runTo(deadlines.back() + 0.5);

    auto clicks = onsets(audio::AudioEvent::Kind::Click);
    ASSERT_GE(clicks.size(), deadlines.size());
    for (size_t i = 0; i < deadlines.size(); ++i) {
        EXPECT_EQ(clicks[i].frame, frameAt(deadlines[i])) << "beat " << i + 1;
        EXPECT_EQ(clicks[i].frame, clicks[i].deadlineFrame) << "beat " << i + 1;
    }
    // The first beat of each bar is louder than the others.
    const auto x = audiotest::leftChannel(*m_out);
    auto level = [&](size_t beat) { return audiotest::peak(x, frameAt(deadlines[beat]), frameAt(deadlines[beat]) + 2400); };
    for (size_t beat : { 0u, 4u, 8u }) {
        EXPECT_GT(level(beat), 1.3 * level(beat + 1)) << "beat " << beat + 1;
        EXPECT_GT(level(beat), 1.3 * level(beat + 2)) << "beat " << beat + 1;
    }
}

TEST_F(SoundTest, HalfSpeedDoublesTheGapsAndStepsClickToo)
{
    writeSong("steady", regularSong(2, 4, "120"));
    audio::SoundSettings settings;
    settings.click = true;
    storeSettings(settings);
    auto player = present("steady");
    player->setSpeed(50);
    const double start = now();
    player->play(nullptr);
    runTo(start + 3.5);
    auto clicks = onsets(audio::AudioEvent::Kind::Click);
    ASSERT_EQ(clicks.size(), 4u);
    for (size_t i = 0; i < clicks.size(); ++i)
        EXPECT_EQ(clicks[i].frame, frameAt(start + 1.0 * double(i))) << "a beat of 0.5 s lasts 1 s at 50 %";

    // A step by hand clicks at once; a jump clicks the beat it lands on.
    player->pause(nullptr);
    const double stepped = now() + 0.1;
    runTo(stepped);
    player->next(nullptr);
    runTo(stepped + 0.05);
    player->goToBar(2);
    runTo(stepped + 0.1);
    clicks = onsets(audio::AudioEvent::Kind::Click);
    ASSERT_EQ(clicks.size(), 6u);
    EXPECT_EQ(clicks[4].frame, frameAt(stepped));
    EXPECT_EQ(clicks[5].frame, frameAt(stepped + 0.05));
}

TEST_F(SoundTest, CountInSoundsABarAndTheCursorStartsExactlyOneBarLater)
{
    writeSong("steady", regularSong(2, 4, "120"));
    audio::SoundSettings settings;
    settings.click = true;
    settings.countIn = true;
    storeSettings(settings);
    auto player = present("steady");
    const double start = now();
    player->play(nullptr);
    EXPECT_TRUE(player->isCountingIn());
    // The bar of 4 beats at 120 bpm lasts 2 s; the cursor's first beat then lasts 0.5 s.
    runTo(start + 2.5 - 1e-6);
    EXPECT_EQ(player->index(), 0);
    EXPECT_FALSE(player->isCountingIn());
    runTo(start + 2.5 + 1e-6);
    EXPECT_EQ(player->index(), 1);
    runTo(start + 3.2);
    auto clicks = onsets(audio::AudioEvent::Kind::Click);
    ASSERT_EQ(clicks.size(), 7u) << "four of count-in, then beats 1 to 3";
    for (size_t i = 0; i < clicks.size(); ++i)
        EXPECT_EQ(clicks[i].frame, frameAt(start + 0.5 * double(i)));
    const auto x = audiotest::leftChannel(*m_out);
    EXPECT_GT(audiotest::peak(x, frameAt(start), frameAt(start) + 2400), 1.3 * audiotest::peak(x, frameAt(start + 0.5), frameAt(start + 0.5) + 2400));

    // Pause during a count-in withdraws the rest of it.
    player->pause(nullptr);
    const double again = now() + 0.1;
    runTo(again);
    player->play(nullptr);
    runTo(again + 0.7);
    player->pause(nullptr);
    runTo(again + 3);
    EXPECT_EQ(onsets(audio::AudioEvent::Kind::Click).size(), 9u);
    EXPECT_EQ(player->index(), 2);
}

class NotesTest : public SoundTest {
protected:
    void SetUp() override
    {
        SoundTest::SetUp();
        if (!m_engine->notesAvailable())
            GTEST_SKIP() << "no SoundFont: " << m_engine->notesError();
        audio::SoundSettings settings;
        settings.notes = true;
        storeSettings(settings);
    }
};

TEST_F(NotesTest, ANoteSoundsOnlyOverItsBlock)
{
    // 120 bpm: bar 1 is 0 to 2 s from play. A4 over beat 2 (0.5 s to 1 s), E5 over beat 4.
    auto lines = regularSong(2, 4, "120");
    lines.push_back(noteLine(0, 360, 200, 69));
    lines.push_back(noteLine(0, 760, 200, 76));
    writeSong("melody", lines, columnsWithPitch());
    auto player = present("melody");
    EXPECT_EQ(player->sound().noteCount(), 2u);
    const double start = now();
    player->play(nullptr);
    runTo(start + 2.5);
    const auto x = audiotest::leftChannel(*m_out);
    auto power = [&](double from, double to, double f) { return audiotest::goertzel(x, frameAt(start + from), frameAt(start + to), f); };
    const double a4 = power(0.55, 0.95, 440);
    EXPECT_GT(a4, 1e-5);
    EXPECT_LT(power(0.0, 0.49, 440), a4 * 1e-3) << "silent before its block";
    EXPECT_GT(power(1.55, 1.95, frequencyOf(76)), 1e-5);
    auto starts = onsets(audio::AudioEvent::Kind::NoteOn);
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[0].frame, frameAt(start + 0.5));
    EXPECT_EQ(starts[1].frame, frameAt(start + 1.5));
    EXPECT_LT(power(1.2, 1.45, 440), a4 * 1e-2) << "gone after its block (the release is short)";
}

TEST_F(NotesTest, ANoteStartsWhereTheBeatsTempiAndTheSpeedPutItsLeftEdge)
{
    // Beat 1 at 60 bpm, beat 2 at 120; the block covers the second half of beat 2. At 50 % beat 1
    // lasts 2 s and beat 2 1 s: the note sounds from 2.5 s to 3 s.
    auto lines = songWithTempi({ "60", "120", "120", "120", "120", "120", "120", "120" });
    lines.push_back(noteLine(0, 460, 100, 69));
    writeSong("halves", lines, columnsWithPitch());
    auto player = present("halves");
    player->setSpeed(50);
    const double start = now();
    player->play(nullptr);
    runTo(start + 4);
    auto starts = onsets(audio::AudioEvent::Kind::NoteOn);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].frame, frameAt(start + 2.5));
    const auto x = audiotest::leftChannel(*m_out);
    const double a4 = audiotest::goertzel(x, frameAt(start + 2.55), frameAt(start + 2.95), 440);
    EXPECT_GT(a4, 1e-5);
    EXPECT_LT(audiotest::goertzel(x, frameAt(start + 3.2), frameAt(start + 3.6), 440), a4 * 1e-2);
}

TEST_F(NotesTest, PauseLeavesSilenceOnceTheFadeIsOver)
{
    auto lines = regularSong(2, 4, "120");
    lines.push_back(noteLine(0, 160, 800, 69));
    writeSong("held", lines, columnsWithPitch());
    auto player = present("held");
    const double start = now();
    player->play(nullptr);
    runTo(start + 0.7);
    player->pause(nullptr);
    runTo(start + 1.5);
    const auto x = audiotest::leftChannel(*m_out);
    EXPECT_GT(audiotest::peak(x, frameAt(start + 0.3), frameAt(start + 0.7)), 0.01);
    const int64_t quiet = frameAt(start + 0.7) + audio::Mixer::kFadeFrames + audio::NoteSynth::kBlock;
    EXPECT_EQ(audiotest::peak(x, quiet, frameAt(start + 1.5)), 0);
}

TEST_F(NotesTest, SwitchingNotesOffStopsThemAndTheClickPlaysOn)
{
    auto lines = regularSong(2, 4, "120");
    lines.push_back(noteLine(0, 160, 800, 69));
    writeSong("held", lines, columnsWithPitch());
    auto player = present("held");
    player->keyPressed(ui::Key::M);
    const double start = now();
    player->play(nullptr);
    runTo(start + 0.7);
    player->keyPressed(ui::Key::N);
    runTo(start + 1.6);
    EXPECT_FALSE(player->sound().settings().notes);
    auto clicks = onsets(audio::AudioEvent::Kind::Click);
    ASSERT_EQ(clicks.size(), 4u) << "the beat sent ahead still clicks";
    EXPECT_EQ(clicks[2].frame, frameAt(start + 1.0));
    EXPECT_EQ(clicks[3].frame, frameAt(start + 1.5));
    const auto x = audiotest::leftChannel(*m_out);
    const double a4 = audiotest::goertzel(x, frameAt(start + 0.2), frameAt(start + 0.45), 440);
    EXPECT_GT(a4, 1e-5);
    EXPECT_LT(audiotest::goertzel(x, frameAt(start + 0.72), frameAt(start + 0.98), 440), a4 * 1e-3);
}

TEST_F(NotesTest, AJumpEndsTheSoundingNote)
{
    // A4 held over all of bar 1, C5 over all of bar 2.
    auto lines = regularSong(3, 4, "120");
    lines.push_back(noteLine(0, 160, 800, 69));
    lines.push_back(noteLine(1, 960, 800, 72));
    writeSong("held", lines, columnsWithPitch());
    auto player = present("held");
    const double start = now();
    player->play(nullptr);
    runTo(start + 0.6);
    player->goToBar(3);
    // The clock keeps its deadline (1 s); A4 stops at the jump, nothing of bar 2 starts and bar 3
    // has no notes.
    runTo(start + 1.4);
    const auto x = audiotest::leftChannel(*m_out);
    EXPECT_GT(audiotest::goertzel(x, frameAt(start + 0.2), frameAt(start + 0.55), 440), 1e-5);
    const int64_t faded = frameAt(start + 0.6) + audio::Mixer::kFadeFrames + audio::NoteSynth::kBlock;
    EXPECT_EQ(audiotest::peak(x, faded, frameAt(start + 1.4)), 0);
    EXPECT_EQ(player->page(), 3);
}

TEST_F(NotesTest, TheEndOfARepeatEndsTheSoundingNote)
{
    // C5 over all of bar 2 and on into bar 3; bars 1 and 2 repeat.
    auto lines = regularSong(3, 4, "120");
    lines.push_back(noteLine(1, 960, 1200, 72));
    writeSong("held", lines, columnsWithPitch());
    auto player = present("held");
    player->start_TF()->setText("1");
    player->end_TF()->setText("2");
    player->repeat_SC()->setSelectedSegmentIndex(1);
    player->repeatControlChanged(player->repeat_SC().get());
    const double start = now();
    player->play(nullptr);
    runTo(start + 5);
    EXPECT_EQ(player->page(), 1) << "wrapped back to bar 1";
    const auto x = audiotest::leftChannel(*m_out);
    EXPECT_GT(audiotest::goertzel(x, frameAt(start + 2.05), frameAt(start + 2.5), frequencyOf(72)), 1e-5);
    EXPECT_GT(audiotest::peak(x, frameAt(start + 3.9), frameAt(start + 4.0)), 0.001) << "still held before the wrap";
    const int64_t faded = frameAt(start + 4.0) + audio::Mixer::kFadeFrames + audio::NoteSynth::kBlock;
    EXPECT_EQ(audiotest::peak(x, faded, frameAt(start + 5)), 0) << "silent from the wrap: bar 1 has no notes";
}

TEST_F(SoundTest, SettingsComeBackInTheNextRunAndTheControlsShowThem)
{
    writeSong("steady", regularSong(2, 4, "120"));
    {
        auto player = present("steady");
        EXPECT_EQ(player->sound().settings(), audio::SoundSettings {}) << "defaults: all off, volume 0.8, offset 0";
        player->keyPressed(ui::Key::M);
        player->keyPressed(ui::Key::C);
        player->keyPressed(ui::Key::N);
        auto volume = std::dynamic_pointer_cast<ui::Slider>(player->view()->viewWithAccessibilityIdentifier("volume"));
        auto offset = std::dynamic_pointer_cast<ui::Slider>(player->view()->viewWithAccessibilityIdentifier("audioOffset"));
        ASSERT_TRUE(volume && offset);
        volume->setValue(0.5f);
        volume->sendActionsForControlEvents(ui::ControlEvent::ValueChanged);
        offset->setValue(-35.4f);
        offset->sendActionsForControlEvents(ui::ControlEvent::ValueChanged);
        player->keyPressed(ui::Key::N);
    }
    m_player.reset();
    m_window.reset();
    core::UserDefaults::resetStandardUserDefaults();

    auto player = present("steady");
    audio::SoundSettings expected;
    expected.click = true;
    expected.countIn = true;
    expected.notes = false;
    expected.volume = 0.5;
    expected.offsetMs = -35;
    EXPECT_EQ(player->sound().settings(), expected);
    auto button = [&](const char* id) { return std::dynamic_pointer_cast<ui::Button>(player->view()->viewWithAccessibilityIdentifier(id)); };
    EXPECT_TRUE(button("click")->isSelected());
    EXPECT_TRUE(button("countIn")->isSelected());
    EXPECT_FALSE(button("notes")->isSelected());
    auto label = std::dynamic_pointer_cast<ui::Label>(player->view()->viewWithAccessibilityIdentifier("audioOffsetLabel"));
    EXPECT_EQ(label->text(), "-35 ms");
}

TEST_F(SoundTest, WithoutADeviceTheTogglesSayNoneIsThere)
{
    BeatSound::setEngine(nullptr);
    writeSong("steady", regularSong(2, 4, "120"));
    auto player = present("steady");
    auto status = std::dynamic_pointer_cast<ui::Label>(player->view()->viewWithAccessibilityIdentifier("soundStatus"));
    ASSERT_TRUE(status);
    EXPECT_EQ(status->text(), "No sound device");
    auto click = std::dynamic_pointer_cast<ui::Button>(player->view()->viewWithAccessibilityIdentifier("click"));
    EXPECT_FALSE(click->isEnabled());
    // Playing stays silent and the cursor moves as before.
    player->play(nullptr);
    runTo(now() + 1.2);
    EXPECT_EQ(player->index(), 2);
    EXPECT_TRUE(m_engine->mixer().onsets().empty());
}

}
}
