#include "audio/Mixer.h"

#include "audio/NoteSynth.h"

#include <algorithm>
#include <cmath>

namespace audio {

static_assert(NoteSynth::kBlock == 64, "the mixer's synthesizer buffers hold one block");
static_assert(Mixer::kFadeFrames == NoteSynth::kFadeBlocks * NoteSynth::kBlock, "clicks and notes fade alike");

namespace {

bool before(const AudioEvent& a, const AudioEvent& b)
{
    return a.time < b.time || (a.time == b.time && a.sequence < b.sequence);
}

}

Mixer::Mixer(int sampleRate, std::shared_ptr<NoteSynth> synth)
    : m_sampleRate(sampleRate)
    , m_synth(std::move(synth))
    , m_clicks(sampleRate)
    , m_pending(new Pending[kMaxPending])
{
}

Mixer::~Mixer() = default;

void Mixer::recordOnsets(size_t capacity)
{
    m_onsets.assign(capacity, Onset {});
    m_onsetCount = 0;
}

std::vector<Mixer::Onset> Mixer::onsets() const
{
    return std::vector<Onset>(m_onsets.begin(), m_onsets.begin() + std::min(m_onsetCount, m_onsets.size()));
}

void Mixer::record(const Pending& pending, int64_t frame)
{
    if (m_onsetCount < m_onsets.size())
        m_onsets[m_onsetCount++] = Onset { pending.event.kind, pending.event.time, pending.frame, frame };
}

void Mixer::removePending(size_t index)
{
    std::move(&m_pending[index + 1], &m_pending[m_pendingCount], &m_pending[index]);
    --m_pendingCount;
}

void Mixer::insertPending(const AudioEvent& event)
{
    size_t at = m_pendingCount;
    while (at > 0 && before(event, m_pending[at - 1].event))
        --at;
    std::move_backward(&m_pending[at], &m_pending[m_pendingCount], &m_pending[m_pendingCount + 1]);
    m_pending[at] = Pending { event, 0 };
    ++m_pendingCount;
}

// "All notes off" also withdraws what was sent before it for its time or later: a pause must not
// be followed by the click that had already been scheduled for the next beat.
void Mixer::cancelBefore(const AudioEvent& stop)
{
    size_t kept = 0;
    for (size_t i = 0; i < m_pendingCount; ++i) {
        const AudioEvent& e = m_pending[i].event;
        if (e.sequence < stop.sequence && e.time >= stop.time && e.kind != AudioEvent::Kind::AllNotesOff)
            continue;
        m_pending[kept++] = m_pending[i];
    }
    m_pendingCount = kept;
}

void Mixer::drainQueue()
{
    AudioEvent event;
    while (m_pendingCount < kMaxPending && m_queue.pop(event)) {
        if (event.kind == AudioEvent::Kind::AllNotesOff)
            cancelBefore(event);
        insertPending(event);
    }
}

void Mixer::startDueClicks(int64_t position)
{
    for (size_t i = 0; i < m_pendingCount;) {
        const Pending& p = m_pending[i];
        if (p.event.kind != AudioEvent::Kind::Click) {
            ++i;
            continue;
        }
        if (p.frame > position)
            return;
        m_clicks.start(p.event.accent, position);
        record(p, position);
        removePending(i);
    }
}

int64_t Mixer::nextClickFrame() const
{
    for (size_t i = 0; i < m_pendingCount; ++i) {
        if (m_pending[i].event.kind == AudioEvent::Kind::Click)
            return m_pending[i].frame;
    }
    return INT64_MAX;
}

// Hands the synthesizer every note event due in the block starting at `position` (or late), each
// with its frame's offset in the block, then renders that block.
void Mixer::synthBoundary(int64_t position)
{
    for (size_t i = 0; i < m_pendingCount;) {
        const Pending& p = m_pending[i];
        if (p.event.kind == AudioEvent::Kind::Click) {
            ++i;
            continue;
        }
        if (p.frame >= position + NoteSynth::kBlock)
            break;
        const AudioEvent& e = p.event;
        if (e.kind == AudioEvent::Kind::NoteOn) {
            const int phase = static_cast<int>(std::max<int64_t>(p.frame - position, 0));
            if (m_synth)
                m_synth->noteOn(e.channel, e.pitch, e.velocity, e.program, phase);
            record(p, position + phase);
        } else if (e.kind == AudioEvent::Kind::NoteOff) {
            if (m_synth)
                m_synth->noteOff(e.channel, e.pitch);
        } else {
            if (m_synth)
                m_synth->fadeOutAll();
            m_clicks.fadeOut(kFadeFrames, p.frame);
        }
        removePending(i);
    }
    if (m_synth) {
        m_synth->render(m_synthLeft.data(), m_synthRight.data());
    } else {
        m_synthLeft.fill(0);
        m_synthRight.fill(0);
    }
    m_synthIndex = 0;
}

void Mixer::mix(float* out, int frames, const Anchor& anchor)
{
    const float volume = m_volume.load(std::memory_order_relaxed);
    const double offset = m_offset.load(std::memory_order_relaxed);
    drainQueue();
    for (size_t i = 0; i < m_pendingCount; ++i) {
        Pending& p = m_pending[i];
        p.frame = anchor.frame + std::llround((p.event.time + offset - anchor.time) * m_sampleRate);
    }

    int64_t position = m_position.load(std::memory_order_relaxed);
    const int64_t end = position + frames;
    float* o = out;
    while (position < end) {
        if (m_synthIndex == NoteSynth::kBlock)
            synthBoundary(position);
        startDueClicks(position);
        int64_t segmentEnd = std::min(end, position + (NoteSynth::kBlock - m_synthIndex));
        segmentEnd = std::min(segmentEnd, std::max(nextClickFrame(), position + 1));
        const int n = static_cast<int>(segmentEnd - position);

        std::fill_n(m_clickBuffer.data(), n, 0.0f);
        m_clicks.mix(m_clickBuffer.data(), n);
        const float* left = m_synthLeft.data() + m_synthIndex;
        const float* right = m_synthRight.data() + m_synthIndex;
        for (int i = 0; i < n; ++i) {
            const float click = m_clickBuffer[i];
            *o++ = std::clamp((left[i] + click) * volume, -1.0f, 1.0f);
            *o++ = std::clamp((right[i] + click) * volume, -1.0f, 1.0f);
        }
        m_synthIndex += n;
        position = segmentEnd;
    }
    m_position.store(end, std::memory_order_release);
}

}
