// The sound engine against its deadlines and its budget:
// 1. offline, 1,000 beats with tempo changes and a looped range: every click onset and note start,
//    found in the rendered audio, against the frame its deadline maps to;
// 2. the callback's cost for a 10 ms block with 64 sounding notes, against real time and against
//    plain FluidSynth rendering the same notes without exact onsets;
// 3. real time through SDL's dummy driver: deadline to the frame that plays each click, against
//    the device's stated latency.
#include "audio/AudioEngine.h"
#include "audio/BeatTiming.h"
#include "audio/DeviceOutput.h"
#include "audio/Mixer.h"
#include "audio/NoteSynth.h"
#include "audio/OfflineOutput.h"
#include "platform/core/Clock.h"
#include "platform/core/Log.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fluidsynth.h>
#include <string>
#include <thread>
#include <vector>

using namespace audio;

namespace {

// CPU time of this thread: the machine the benchmark runs on may be busy with other work, and
// time spent waiting for a core is not time the mix costs.
double threadSeconds()
{
    timespec ts {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

struct PlayedBeat {
    double time;
    double duration;
    Accent accent;
    bool afterJump;
};

// 250 bars of 4/4 with the tempo changing every few beats (72.5 bpm among them); bars 40-49 are
// looped: played four times before the song goes on, to 1,000 beats in all.
std::vector<PlayedBeat> playedBeats(double start)
{
    std::vector<double> tempo;
    const double pattern[] = { 120, 72.5, 96, 140, 60, 72.5, 180, 133.3, 88, 72.5, 104.25 };
    for (int i = 0; i < 1000; ++i)
        tempo.push_back(pattern[(i / 3) % 11]);
    std::vector<int> order;
    for (int b = 0; b < 200; ++b)
        order.push_back(b);
    for (int pass = 0; pass < 3; ++pass)
        for (int b = 160; b < 200; ++b)
            order.push_back(b);
    for (int b = 200; order.size() < 1000; ++b)
        order.push_back(b);
    std::vector<PlayedBeat> played;
    double t = start;
    for (size_t i = 0; i < order.size(); ++i) {
        const int beat = order[i];
        const double d = beatDuration(tempo[beat], 1.0);
        const bool jump = i > 0 && order[i] != order[i - 1] + 1;
        played.push_back({ t, d, beat % 4 == 0 ? Accent::Yes : Accent::No, jump });
        t += d;
    }
    return played;
}

// Finds onsets (sound after at least `quiet` silent frames) in the left channel, chunk by chunk.
struct OnsetFinder {
    int quiet = 240;
    int silent = 1 << 30;
    std::vector<int64_t> onsets;

    void scan(const OfflineOutput& out)
    {
        const auto& s = out.samples();
        const int64_t first = out.firstKeptFrame();
        for (size_t i = 0; i < s.size() / 2; ++i) {
            if (s[2 * i] == 0) {
                ++silent;
                continue;
            }
            if (silent >= quiet)
                onsets.push_back(first + int64_t(i));
            silent = 0;
        }
    }
};

struct Exactness {
    size_t expected = 0, found = 0, exact = 0;
    int64_t worst = 0;
};

Exactness compare(const std::vector<int64_t>& found, const std::vector<int64_t>& expected, int64_t constant)
{
    Exactness e;
    e.expected = expected.size();
    e.found = found.size();
    for (size_t i = 0; i < std::min(found.size(), expected.size()); ++i) {
        const int64_t error = found[i] - constant - expected[i];
        e.exact += error == 0;
        e.worst = std::max(e.worst, std::abs(error));
    }
    return e;
}

// Renders the played beats with either clicks or notes (A4 piano for half of each beat, then all
// notes off, so each note starts from silence) and finds the onsets in the audio.
std::vector<int64_t> renderOnsets(const std::vector<PlayedBeat>& beats, double start, bool notes, std::vector<Mixer::Onset>* log)
{
    auto out = OfflineOutput::create(start);
    AudioEngine::Options options;
    options.notes = notes ? AudioEngine::Notes::Load : AudioEngine::Notes::Skip;
    auto engine = AudioEngine::create(out, options);
    engine->mixer().recordOnsets(beats.size() + 16);
    OnsetFinder finder;
    const Note a4 { 69, 100, 0, 0 };
    for (const auto& b : beats) {
        if (b.afterJump)
            engine->allNotesOff(b.time);
        if (notes) {
            engine->noteOn(b.time, a4);
            engine->noteOff(b.time + 0.5 * b.duration, a4);
            engine->allNotesOff(b.time + 0.6 * b.duration);
        } else {
            engine->click(b.time, b.accent);
        }
        out->renderUntil(b.time + 0.9 * b.duration);
        finder.scan(*out);
        out->discardSamples();
    }
    if (log)
        *log = engine->mixer().onsets();
    return finder.onsets;
}

void offlineExactness()
{
    const double start = 3.5;
    const auto beats = playedBeats(start + 0.25);
    std::vector<int64_t> expected;
    for (const auto& b : beats)
        expected.push_back(std::llround((b.time - start) * OfflineOutput::kSampleRate));

    // Where the first audible frame of this note sits after its start, from a note due on frame 0.
    const std::vector<PlayedBeat> single { { start, 0.5, Accent::No, false } };
    const int64_t noteLead = renderOnsets(single, start, true, nullptr).at(0);

    std::vector<Mixer::Onset> clickLog, noteLog;
    const auto clicks = renderOnsets(beats, start, false, &clickLog);
    const auto notes = renderOnsets(beats, start, true, &noteLog);
    const Exactness c = compare(clicks, expected, 0);
    const Exactness n = compare(notes, expected, noteLead);
    size_t loggedExact = 0;
    for (const auto* log : { &clickLog, &noteLog })
        for (const auto& o : *log)
            loggedExact += o.frame == o.deadlineFrame;

    printf("offline: %zu beats (tempi 60-180 bpm with 72.5, bars 40-49 looped 3 more times), %.1f s of audio\n",
        beats.size(), beats.back().time + beats.back().duration - beats.front().time);
    printf("  clicks in the audio: %zu of %zu found, %zu on their deadline's frame, worst error %lld frames\n",
        c.found, c.expected, c.exact, static_cast<long long>(c.worst));
    printf("  notes in the audio:  %zu of %zu found, %zu on their deadline's frame, worst error %lld frames"
           " (first audible frame %lld after the start, as for a note due on a block boundary)\n",
        n.found, n.expected, n.exact, static_cast<long long>(n.worst), static_cast<long long>(noteLead));
    printf("  mixer's own record:  %zu of %zu onsets on their deadline's frame\n", loggedExact, clickLog.size() + noteLog.size());
    const bool met = c.exact == c.expected && c.found == c.expected && n.exact == n.expected && n.found == n.expected;
    printf("  goal: 0 frames error for every click and note (%s)\n", met ? "met" : "NOT met");
}

// Cost of the engine's mix for 10 ms blocks with 64 notes sounding, against real time and
// against FluidSynth's own single-group rendering of the same notes.
void callbackCost()
{
    constexpr int kNotes = 64;
    constexpr int kBlock = 480;
    constexpr int kBlocks = 1000; // 10 s of audio
    auto synth = NoteSynth::create("", 48000);
    if (!synth) {
        printf("callback: no SoundFont (%s)\n", synth.error().localizedDescription.c_str());
        return;
    }
    auto mixer = std::make_shared<Mixer>(48000, *synth);
    auto out = OfflineOutput::create(0);
    std::vector<float> buffer(kBlock * 2);
    // Sustained organ notes over five octaves, each starting on its own frame.
    AudioEvent e;
    for (int i = 0; i < kNotes; ++i) {
        e.kind = AudioEvent::Kind::NoteOn;
        e.time = i * 0.0003;
        e.pitch = uint8_t(36 + i);
        e.velocity = 90;
        e.program = 19;
        e.sequence = uint32_t(i);
        mixer->queue().push(e);
    }
    const Anchor anchor { 0, 0 };
    for (int b = 0; b < 10; ++b)
        mixer->mix(buffer.data(), kBlock, anchor);
    const int voices = (*synth)->activeVoices();
    auto t0 = std::chrono::steady_clock::now();
    double c0 = threadSeconds();
    for (int b = 0; b < kBlocks; ++b)
        mixer->mix(buffer.data(), kBlock, anchor);
    const double ours = threadSeconds() - c0;
    const double oursWall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();

    fluid_settings_t* settings = new_fluid_settings();
    fluid_settings_setnum(settings, "synth.sample-rate", 48000);
    fluid_settings_setint(settings, "synth.reverb.active", 0);
    fluid_settings_setint(settings, "synth.chorus.active", 0);
    fluid_settings_setint(settings, "synth.threadsafe-api", 0);
    fluid_settings_setint(settings, "synth.polyphony", 256);
    fluid_synth_t* plain = new_fluid_synth(settings);
    fluid_synth_sfload(plain, NoteSynth::defaultSoundFontPath().c_str(), 1);
    fluid_synth_program_change(plain, 0, 19);
    for (int i = 0; i < kNotes; ++i)
        fluid_synth_noteon(plain, 0, 36 + i, 90);
    std::vector<float> left(kBlock), right(kBlock);
    for (int b = 0; b < 10; ++b)
        fluid_synth_write_float(plain, kBlock, left.data(), 0, 1, right.data(), 0, 1);
    const int plainVoices = fluid_synth_get_active_voice_count(plain);
    c0 = threadSeconds();
    for (int b = 0; b < kBlocks; ++b)
        fluid_synth_write_float(plain, kBlock, left.data(), 0, 1, right.data(), 0, 1);
    const double peer = threadSeconds() - c0;
    delete_fluid_synth(plain);
    delete_fluid_settings(settings);

    const double audio = kBlocks * double(kBlock) / 48000;
    printf("callback: %d notes (%d voices), %d blocks of 10 ms: %.3f ms CPU per block = %.2f %% of real time"
           " (plain FluidSynth, %d voices: %.3f ms = %.2f %%; ours/plain %.2fx)\n",
        kNotes, voices, kBlocks, ours / kBlocks * 1e3, 100 * ours / audio, plainVoices, peer / kBlocks * 1e3,
        100 * peer / audio, ours / peer);
    printf("  wall time on this machine now: %.2f %% of real time (load average counts other work)\n", 100 * oursWall / audio);
    printf("  goal: under 10 %% of real time (%s)\n", ours / audio < 0.10 ? "met" : "NOT met");
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

// Clicks sent 100 ms ahead of their deadlines, as the player would, through SDL's dummy driver.
void realTime()
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    auto clock = core::Clock::real();
    auto output = DeviceOutput::open(clock, 512);
    if (output->state() == AudioOutput::State::Unavailable) {
        printf("real time: no dummy audio driver\n");
        return;
    }
    output->recordTimings(4096);
    AudioEngine::Options options;
    options.notes = AudioEngine::Notes::Skip;
    auto engine = AudioEngine::create(output, options);
    engine->mixer().recordOnsets(1024);
    constexpr int kClicks = 100;
    constexpr double kGap = 0.06;
    // The dummy driver runs a few per cent off its nominal rate; let the anchor learn it first.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const double first = clock->now() + 0.1;
    for (int i = 0; i < kClicks; ++i) {
        const double due = first + i * kGap;
        while (clock->now() < due - 0.1)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        engine->click(due, i % 4 == 0 ? Accent::Yes : Accent::No);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    output->stop();
    const auto timings = output->timings();
    const auto onsets = engine->mixer().onsets();
    engine.reset();
    unsetenv("SDL_AUDIODRIVER");

    // When a frame is heard: its block was handed over at the callback's time and is heard the
    // device's latency later, frame by frame.
    std::vector<double> offsets, anchorError;
    for (const auto& o : onsets) {
        auto block = std::upper_bound(timings.begin(), timings.end(), o.frame,
            [](int64_t f, const DeviceOutput::BlockTiming& t) { return f < t.frame; });
        if (block == timings.begin())
            continue;
        --block;
        const double heard = block->callbackTime + output->latency() + double(o.frame - block->frame) / 48000;
        offsets.push_back(std::fabs(heard - o.time) * 1e3);
        anchorError.push_back(std::fabs(double(o.frame - o.deadlineFrame)) / 48);
    }
    if (offsets.empty()) {
        printf("real time: no clicks played\n");
        return;
    }
    printf("real time (SDL dummy driver, %d-frame blocks, stated latency %.2f ms): %zu clicks\n",
        output->blockFrames(), output->latency() * 1e3, offsets.size());
    printf("  |deadline - frame heard|: p50 %.3f ms  p99 %.3f ms  max %.3f ms  (max/latency %.2fx)\n",
        percentile(offsets, 0.5), percentile(offsets, 0.99), percentile(offsets, 1.0),
        percentile(offsets, 1.0) / (output->latency() * 1e3));
    printf("  clicks started late against the anchor: max %.3f ms\n", percentile(anchorError, 1.0));
    if (timings.size() > 2) {
        const auto& a = timings[1];
        const auto& b = timings.back();
        printf("  the driver took %.1f frames a second (nominal 48000)\n", double(b.frame - a.frame) / (b.callbackTime - a.callbackTime));
    }
}

}

int main(int argc, char** argv)
{
    core::setLogToStderr(false);
    // One part by name (offline, callback, realtime), or all of them.
    const std::string only = argc > 1 ? argv[1] : "";
    if (only.empty() || only == "offline")
        offlineExactness();
    if (only.empty() || only == "callback")
        callbackCost();
    if (only.empty() || only == "realtime")
        realTime();
    return 0;
}
