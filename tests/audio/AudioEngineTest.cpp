#include <gtest/gtest.h>

#include "audio/AudioAnalysis.h"
#include "audio/AudioEngine.h"
#include "audio/BeatTiming.h"
#include "audio/ClickSynth.h"
#include "audio/DeviceOutput.h"
#include "audio/Mixer.h"
#include "audio/NoteSynth.h"
#include "audio/OfflineOutput.h"
#include "platform/core/Clock.h"
#include "platform/core/FileManager.h"
#include "platform/core/Log.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

using namespace audio;
using namespace audiotest;

namespace {

struct Offline {
    std::shared_ptr<OfflineOutput> out;
    std::shared_ptr<AudioEngine> engine;

    explicit Offline(double start = 0, AudioEngine::Notes notes = AudioEngine::Notes::Skip)
    {
        out = OfflineOutput::create(start);
        AudioEngine::Options options;
        options.notes = notes;
        engine = AudioEngine::create(out, options);
    }
};

struct Beat {
    double time;
    Accent accent;
};

// The beat clock's deadlines for a run of beats: each beat lasts 60 / (tempo x speed) after the one before.
std::vector<Beat> deadlines(double start, const std::vector<double>& tempi, int beatsPerBar, double speed = 1)
{
    std::vector<Beat> beats;
    double t = start;
    for (size_t i = 0; i < tempi.size(); ++i) {
        beats.push_back({ t, i % beatsPerBar == 0 ? Accent::Yes : Accent::No });
        t += beatDuration(tempi[i], speed);
    }
    return beats;
}

class TempDir {
public:
    TempDir()
    {
        char pattern[] = "/tmp/beatstrip-audio-XXXXXX";
        m_path = mkdtemp(pattern);
    }
    ~TempDir() { core::files::removeItemAtPath(m_path); }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

}

TEST(ClickTest, OnsetsLandOnTheDeadlinesFramesThroughChangingTempi)
{
    const double start = 12.25; // the manual clock rarely starts at 0 in a run
    Offline run(start);
    const std::vector<double> tempi { 120, 120, 72.5, 72.5, 96, 140, 60, 72.5, 72.5, 180, 133.3, 72.5 };
    const auto beats = deadlines(start + 0.1, tempi, 4);
    for (const auto& b : beats)
        run.engine->click(b.time, b.accent);
    run.out->renderUntil(beats.back().time + 1);

    const auto found = onsets(leftChannel(*run.out));
    ASSERT_EQ(found.size(), beats.size());
    for (size_t i = 0; i < beats.size(); ++i)
        EXPECT_EQ(found[i], std::llround((beats[i].time - start) * 48000)) << "beat " << i;
}

TEST(ClickTest, AudioOffsetShiftsEveryClickByItsFrames)
{
    Offline plain, later, earlier;
    later.engine->setOffsetMs(100);
    earlier.engine->setOffsetMs(-37.5);
    for (Offline* run : { &plain, &later, &earlier }) {
        for (int i = 0; i < 4; ++i)
            run->engine->click(0.5 + i * 60 / 72.5, Accent::No);
        run->out->renderUntil(4);
    }
    const auto a = onsets(leftChannel(*plain.out));
    const auto b = onsets(leftChannel(*later.out));
    const auto c = onsets(leftChannel(*earlier.out));
    ASSERT_EQ(a.size(), 4u);
    ASSERT_EQ(b.size(), 4u);
    ASSERT_EQ(c.size(), 4u);
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(b[i] - a[i], 4800);
        EXPECT_EQ(a[i] - c[i], 1800);
    }
}

TEST(ClickTest, AccentedClickIsLouderAndHigher)
{
    Offline run;
    run.engine->click(0.1, Accent::Yes);
    run.engine->click(0.6, Accent::No);
    run.out->renderUntil(1.2);
    const auto x = leftChannel(*run.out);
    const auto found = onsets(x);
    ASSERT_EQ(found.size(), 2u);
    const int64_t window = 960; // 20 ms
    const int64_t accent = found[0], plain = found[1];
    EXPECT_GT(peak(x, accent, accent + window), 1.5 * peak(x, plain, plain + window));
    EXPECT_GT(goertzel(x, accent, accent + window, ClickSynth::kAccentFrequency),
        20 * goertzel(x, accent, accent + window, ClickSynth::kPlainFrequency));
    EXPECT_GT(goertzel(x, plain, plain + window, ClickSynth::kPlainFrequency),
        20 * goertzel(x, plain, plain + window, ClickSynth::kAccentFrequency));
}

TEST(ClickTest, HalfSpeedDoublesTheGaps)
{
    const std::vector<double> tempi { 72.5, 72.5, 120, 96, 72.5 };
    std::vector<std::vector<int64_t>> gaps;
    for (double speed : { 1.0, 0.5 }) {
        Offline run;
        const auto beats = deadlines(0.2, tempi, 4, speed);
        for (const auto& b : beats)
            run.engine->click(b.time, b.accent);
        run.out->renderUntil(beats.back().time + 0.5);
        const auto found = onsets(leftChannel(*run.out));
        ASSERT_EQ(found.size(), beats.size());
        gaps.emplace_back();
        for (size_t i = 1; i < found.size(); ++i)
            gaps.back().push_back(found[i] - found[i - 1]);
    }
    for (size_t i = 0; i < gaps[0].size(); ++i) {
        // Each gap is the difference of two rounded frames, so doubling may differ by one frame.
        EXPECT_NEAR(double(gaps[1][i]), 2.0 * double(gaps[0][i]), 1.0) << "gap " << i;
    }
    EXPECT_EQ(gaps[1][2], 2 * gaps[0][2]); // 120 bpm: 24000 and 48000 frames
}

TEST(CountInTest, OneBarOfClicksAndTheCursorStartsExactlyOneBarLater)
{
    Offline run;
    const double pressed = 0.25;
    const double cursor = scheduleCountIn(*run.engine, pressed, 3, 90, 1);
    EXPECT_DOUBLE_EQ(cursor, pressed + 3 * (60.0 / 90));
    // The cursor's own first beat clicks at the returned time, as if play had been pressed then.
    run.engine->click(cursor, Accent::Yes);
    run.out->renderUntil(cursor + 0.5);

    const auto x = leftChannel(*run.out);
    const auto found = onsets(x);
    ASSERT_EQ(found.size(), 4u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(found[i], std::llround((pressed + i * (60.0 / 90)) * 48000));
    EXPECT_EQ(found[3], std::llround(cursor * 48000));
    EXPECT_GT(peak(x, found[0], found[0] + 960), 1.5 * peak(x, found[1], found[1] + 960));

    EXPECT_DOUBLE_EQ(scheduleCountIn(*run.engine, 10, 4, 72.5, 0.5), 10 + 4 * 60 / (72.5 * 0.5));
}

TEST(OfflineOutputTest, SameEventsGiveTheSameWavFile)
{
    TempDir dir;
    std::vector<std::string> bytes;
    for (int take = 0; take < 2; ++take) {
        Offline run(0, AudioEngine::Notes::Load);
        ASSERT_TRUE(run.engine->notesAvailable()) << run.engine->notesError();
        run.engine->click(0.1, Accent::Yes);
        run.engine->noteOn(0.1, Note { 69, 100, 0, 0 });
        run.engine->click(0.6, Accent::No);
        run.engine->noteOff(0.6, Note { 69, 100, 0, 0 });
        run.out->renderUntil(0.5);
        run.out->renderUntil(0.5); // nothing more: that time is already mixed
        run.out->renderUntil(1.000001);
        EXPECT_EQ(run.out->framesRendered(), 48000);
        const std::string path = dir / ("take" + std::to_string(take) + ".wav");
        ASSERT_TRUE(run.out->writeWav(path).ok());
        bytes.push_back(core::files::contentsAtPath(path).value_or(""));
    }
    ASSERT_EQ(bytes[0].size(), 44u + 48000 * 4);
    EXPECT_EQ(bytes[0], bytes[1]);
    const std::string& wav = bytes[0];
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
    auto u16 = [&](size_t at) { return unsigned(uint8_t(wav[at])) | unsigned(uint8_t(wav[at + 1])) << 8; };
    auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
    EXPECT_EQ(u16(20), 1u);
    EXPECT_EQ(u16(22), 2u);
    EXPECT_EQ(u32(24), 48000u);
    EXPECT_EQ(u16(34), 16u);
    EXPECT_EQ(wav.substr(36, 4), "data");
    EXPECT_EQ(u32(40), 48000u * 4);
    EXPECT_FALSE(OfflineOutput::create(0)->writeWav(dir / "missing/x.wav").ok());
}

TEST(NotesTest, ToneOfTheNoteSoundsOnlyDuringItsBlock)
{
    Offline run(0, AudioEngine::Notes::Load);
    ASSERT_TRUE(run.engine->notesAvailable()) << run.engine->notesError();
    const Note a4 { 69, 100, 19, 0 }; // a church organ holds its tone evenly
    run.engine->noteOn(0.5, a4);
    run.engine->noteOff(1.5, a4);
    run.out->renderUntil(3);
    const auto x = leftChannel(*run.out);
    auto at = [](double t) { return std::llround(t * 48000); };

    const double during = goertzel(x, at(0.7), at(1.3), 440);
    EXPECT_GT(during, 1e-5);
    EXPECT_GT(during, 1000 * goertzel(x, at(0.7), at(1.3), 466.16)); // A#4: it is A4 that sounds
    EXPECT_EQ(peak(x, 0, at(0.5) - 64), 0);                         // nothing before the block
    EXPECT_LT(goertzel(x, at(2.0), at(3.0), 440), during * 1e-5);    // nothing once it has ended
}

TEST(NotesTest, NoteStartsOnItsExactFrameWhereverItFallsInABlock)
{
    // The same note due on a block boundary and 1, 17 and 63 frames later: the whole output moves by
    // exactly that many frames and is otherwise the same.
    std::vector<std::vector<int16_t>> takes;
    const double due = 6400.0 / 48000;
    for (int shift : { 0, 1, 17, 63 }) {
        Offline run(0, AudioEngine::Notes::Load);
        ASSERT_TRUE(run.engine->notesAvailable());
        run.engine->mixer().recordOnsets(4);
        const double on = due + shift / 48000.0;
        run.engine->noteOn(on, Note { 69, 100, 0, 0 });
        run.engine->noteOff(on + 0.3, Note { 69, 100, 0, 0 });
        run.out->renderUntil(0.6);
        const auto played = run.engine->mixer().onsets();
        ASSERT_EQ(played.size(), 1u);
        EXPECT_EQ(played[0].frame, 6400 + shift);
        EXPECT_EQ(played[0].deadlineFrame, 6400 + shift);
        takes.push_back(run.out->samples());
    }
    const std::vector<int16_t>& reference = takes[0];
    EXPECT_GT(*std::max_element(reference.begin(), reference.end()), 1000);
    const size_t compared = 2 * 14400; // the note and its release, well before the note-off's block moves
    for (size_t t = 1; t < takes.size(); ++t) {
        const size_t shift = 2 * std::vector<size_t> { 0, 1, 17, 63 }[t];
        for (size_t i = 0; i < shift; ++i)
            ASSERT_EQ(takes[t][i], 0) << "take " << t << " sounds early";
        for (size_t i = 0; i < compared; ++i)
            ASSERT_EQ(takes[t][i + shift], reference[i]) << "take " << t << " differs at sample " << i;
    }
}

TEST(NotesTest, AllNotesOffFadesToSilenceWithoutAStep)
{
    // The same chord held on, and paused at 1 s (frame 48000, a synthesizer block boundary).
    std::vector<std::vector<double>> takes;
    for (bool pause : { false, true }) {
        Offline run(0, AudioEngine::Notes::Load);
        ASSERT_TRUE(run.engine->notesAvailable());
        for (int pitch : { 60, 64, 67 })
            run.engine->noteOn(0.2, Note { pitch, 110, 19, 0 });
        if (pause)
            run.engine->allNotesOff(1.0);
        run.out->renderUntil(2);
        takes.push_back(leftChannel(*run.out));
    }
    const auto& held = takes[0];
    const auto& paused = takes[1];
    const int64_t pause = 48000;
    EXPECT_GT(peak(held, pause, pause + 4800), 0.05);

    // A fade, not a cut: never louder than the held chord, and in each of the four blocks after
    // the pause still at least the level the fade has reached by the block's end.
    for (int64_t i = pause; i < pause + Mixer::kFadeFrames; ++i)
        ASSERT_LE(std::fabs(paused[i]), std::fabs(held[i]) + 2.0 / 32767) << "frame " << i;
    for (int block = 0; block < NoteSynth::kFadeBlocks - 1; ++block) {
        const int64_t from = pause + block * NoteSynth::kBlock, to = from + NoteSynth::kBlock;
        const double reached = 1.0 - double(block + 1) / NoteSynth::kFadeBlocks;
        EXPECT_GE(peak(paused, from, to), (reached - 0.1) * peak(held, from, to)) << "block " << block;
    }
    // Silent once the fade is over.
    EXPECT_EQ(peak(paused, pause + Mixer::kFadeFrames + NoteSynth::kBlock, paused.size()), 0);
}

TEST(NotesTest, JumpEndsSoundingNotesAndWithdrawsScheduledOnes)
{
    Offline run(0, AudioEngine::Notes::Load);
    ASSERT_TRUE(run.engine->notesAvailable());
    const Note a4 { 69, 100, 19, 0 }, c5 { 72, 100, 19, 0 }, e5 { 76, 100, 19, 0 };
    run.engine->mixer().recordOnsets(16);
    // Scheduled a beat ahead, as the player does.
    run.engine->noteOn(0.2, a4);
    run.engine->noteOff(1.4, a4);
    run.engine->noteOn(1.0, e5);
    run.engine->noteOff(1.4, e5);
    run.engine->click(1.0, Accent::No);
    run.out->renderUntil(0.8);
    // The jump at 0.8 lands on a beat with C5 until 1.6 and clicks it.
    run.engine->allNotesOff(0.8);
    run.engine->click(0.8, Accent::Yes);
    run.engine->noteOn(0.8, c5);
    run.engine->noteOff(1.6, c5);
    run.out->renderUntil(2.5);

    const auto x = leftChannel(*run.out);
    auto at = [](double t) { return std::llround(t * 48000); };
    const double before = goertzel(x, at(0.4), at(0.75), 440);
    EXPECT_GT(before, 1e-5);
    EXPECT_LT(goertzel(x, at(0.9), at(1.5), 440), before * 1e-4);    // A4 is gone
    EXPECT_GT(goertzel(x, at(0.9), at(1.5), 523.25), before * 0.1);  // C5 sounds
    EXPECT_LT(goertzel(x, at(1.0), at(1.5), 659.26), before * 1e-4); // E5 never starts
    EXPECT_LT(peak(x, at(2.5) - 4800, x.size()), 2.0 / 32767); // nothing hangs: at most the last bit of a release
    // The jump's click and note play on their frame; the click and the note withdrawn with the
    // jump never play.
    const auto played = run.engine->mixer().onsets();
    std::vector<std::pair<AudioEvent::Kind, int64_t>> heard;
    for (const auto& onset : played)
        heard.emplace_back(onset.kind, onset.frame);
    using K = AudioEvent::Kind;
    EXPECT_EQ(heard, (std::vector<std::pair<K, int64_t>> { { K::NoteOn, at(0.2) }, { K::NoteOn, at(0.8) }, { K::Click, at(0.8) } }));
}

TEST(DeviceOutputTest, NoDeviceRunsOnSilentlyWithOneLogLine)
{
    std::vector<std::string> lines;
    auto previous = core::setLogSink([&](const std::string& line) { lines.push_back(line); });
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    auto output = DeviceOutput::open(core::Clock::real());
    unsetenv("SDL_AUDIODRIVER");
    EXPECT_EQ(output->state(), AudioOutput::State::Unavailable);
    AudioEngine::Options options;
    options.notes = AudioEngine::Notes::Skip;
    auto engine = AudioEngine::create(output, options);
    EXPECT_FALSE(engine->isAvailable());
    for (int i = 0; i < 20000; ++i) // more than the queue holds: dropped quietly, nothing blocks
        engine->click(i * 0.01, Accent::No);
    engine.reset();
    core::setLogSink(previous);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("No sound device"), std::string::npos);
}

TEST(DeviceOutputTest, DummyDriverOpensAtTheMixRate)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    auto output = DeviceOutput::open(core::Clock::real(), 480);
    EXPECT_EQ(output->blockFrames(), 512);
    unsetenv("SDL_AUDIODRIVER");
    ASSERT_EQ(output->state(), AudioOutput::State::Stopped);
    EXPECT_EQ(output->sampleRate(), 48000);
    EXPECT_GT(output->latency(), 0);
    AudioEngine::Options options;
    options.notes = AudioEngine::Notes::Skip;
    auto engine = AudioEngine::create(output, options);
    EXPECT_TRUE(engine->isAvailable());
    EXPECT_EQ(output->state(), AudioOutput::State::Running);
    engine.reset();
    EXPECT_EQ(output->state(), AudioOutput::State::Stopped);
}

TEST(NotesTest, MissingOrBrokenSoundFontLeavesClicksWorking)
{
    TempDir dir;
    ASSERT_TRUE(core::files::writeContentsAtPath(dir / "broken.sf2", "RIFF, but not a SoundFont").ok());
    for (const std::string& path : { dir / "missing.sf2", dir / "broken.sf2" }) {
        std::vector<std::string> lines;
        auto previous = core::setLogSink([&](const std::string& line) { lines.push_back(line); });
        auto out = OfflineOutput::create(0);
        AudioEngine::Options options;
        options.soundFontPath = path;
        auto engine = AudioEngine::create(out, options);
        core::setLogSink(previous);
        EXPECT_FALSE(engine->notesAvailable());
        EXPECT_NE(engine->notesError().find(path), std::string::npos) << engine->notesError();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_NE(lines[0].find(path), std::string::npos);

        engine->noteOn(0.1, Note { 69, 100, 0, 0 });
        engine->click(0.2, Accent::No);
        out->renderUntil(0.5);
        const auto found = onsets(leftChannel(*out));
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0], 9600);
    }
}

TEST(ClickTest, VolumeScalesTheMix)
{
    std::vector<double> peaks;
    for (double volume : { 0.8, 0.4, 0.0 }) {
        Offline run;
        run.engine->setVolume(volume);
        run.engine->click(0.1, Accent::Yes);
        run.out->renderUntil(0.3);
        peaks.push_back(peak(leftChannel(*run.out), 0, 14400));
    }
    EXPECT_GT(peaks[0], 0.5);
    EXPECT_NEAR(peaks[1], peaks[0] / 2, 1.0 / 32767);
    EXPECT_EQ(peaks[2], 0);
}
