#include "player/BeatSound.h"

#include "audio/AudioEngine.h"
#include "platform/core/RunLoop.h"

#include <algorithm>

namespace player {

namespace {

std::shared_ptr<audio::AudioEngine>& sharedEngine()
{
    static std::shared_ptr<audio::AudioEngine> engine;
    return engine;
}

std::function<void(double)>& beforeSend()
{
    static std::function<void(double)> hook;
    return hook;
}

}

void BeatSound::setEngine(std::shared_ptr<audio::AudioEngine> engine)
{
    sharedEngine() = std::move(engine);
}

const std::shared_ptr<audio::AudioEngine>& BeatSound::engine()
{
    return sharedEngine();
}

void BeatSound::setBeforeSend(std::function<void(double now)> hook)
{
    beforeSend() = std::move(hook);
}

bool BeatSound::deviceAvailable() const
{
    return engine() && engine()->isAvailable();
}

void BeatSound::setSettings(const audio::SoundSettings& settings)
{
    m_settings = settings;
    if (auto& e = engine()) {
        e->setVolume(settings.volume);
        e->setOffsetMs(settings.offsetMs);
    }
}

void BeatSound::setNotes(std::vector<NoteBlock> notes)
{
    m_notes = std::move(notes);
    std::stable_sort(m_notes.begin(), m_notes.end(), [](const NoteBlock& a, const NoteBlock& b) { return a.left < b.left; });
}

void BeatSound::prepare(double now) const
{
    if (auto& hook = beforeSend())
        hook(now);
}

void BeatSound::sendBeat(double time, audio::Accent accent, double speed, std::span<const audio::BeatSpan> beats, Parts parts)
{
    auto& e = engine();
    if (!e || beats.empty())
        return;
    prepare(core::RunLoop::main().now());
    if (m_settings.click)
        e->click(time, accent);
    if (!m_settings.notes || parts != Parts::All)
        return;
    const auto& beat = beats.front();
    const double beatEnd = time + audio::beatDuration(beat.tempo, speed);
    auto first = std::lower_bound(m_notes.begin(), m_notes.end(), beat.x, [](const NoteBlock& n, double x) { return n.left < x; });
    for (auto it = first; it != m_notes.end() && it->left < beat.x + beat.length; ++it) {
        auto start = audio::timeForX(beats, 0, time, speed, it->left);
        if (!start)
            continue;
        // A block reaching past the beats walked here (the end of the song or of a repeat) stops
        // where the walked beats end.
        double end = beatEnd;
        if (auto span = audio::timeSpanForX(beats, 0, time, speed, it->left, it->right))
            end = span->end;
        else {
            double walked = time;
            for (const auto& b : beats)
                walked += audio::beatDuration(b.tempo, speed);
            end = walked;
        }
        if (end <= *start)
            continue;
        e->noteOn(*start, it->note);
        e->noteOff(end, it->note);
    }
}

double BeatSound::sendCountIn(double start, int beatsInBar, double tempo, double speed)
{
    auto& e = engine();
    if (!e)
        return start + std::max(beatsInBar, 1) * audio::beatDuration(tempo, speed);
    prepare(core::RunLoop::main().now());
    return audio::scheduleCountIn(*e, start, beatsInBar, tempo, speed);
}

void BeatSound::silence(double time)
{
    auto& e = engine();
    if (!e)
        return;
    prepare(core::RunLoop::main().now());
    e->allNotesOff(time);
}

void BeatSound::expect(size_t index, double time, double speed)
{
    m_expected = Expected { index, time, speed };
}

std::optional<double> BeatSound::expected(size_t index, double speed) const
{
    if (m_expected && m_expected->index == index && m_expected->speed == speed)
        return m_expected->time;
    return std::nullopt;
}

std::optional<double> BeatSound::expectedAnySpeed(size_t index) const
{
    if (m_expected && m_expected->index == index)
        return m_expected->time;
    return std::nullopt;
}

}
