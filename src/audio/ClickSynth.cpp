#include "audio/ClickSynth.h"

#include <algorithm>
#include <cmath>

namespace audio {

namespace {

// A cosine burst starts at full level on its first frame, which is what makes it a click and
// lets an onset be found on its exact frame; the exponential decay and a short tail ramp end
// it without a step.
std::vector<float> makeClick(int sampleRate, double frequency, float level)
{
    const int length = sampleRate * 40 / 1000;
    const int tail = sampleRate * 3 / 1000;
    const double decay = 0.008 * sampleRate;
    std::vector<float> table(length);
    for (int i = 0; i < length; ++i) {
        double envelope = std::exp(-i / decay);
        if (i >= length - tail)
            envelope *= double(length - i) / tail;
        table[i] = float(level * envelope * std::cos(2 * M_PI * frequency * i / sampleRate));
    }
    return table;
}

}

ClickSynth::ClickSynth(int sampleRate)
    : m_plain(makeClick(sampleRate, kPlainFrequency, kPlainLevel))
    , m_accent(makeClick(sampleRate, kAccentFrequency, kAccentLevel))
{
}

void ClickSynth::start(Accent accent, int64_t frame)
{
    // A free voice, or else the oldest one.
    Voice* chosen = &m_voices[0];
    for (auto& voice : m_voices) {
        if (!voice.table) {
            chosen = &voice;
            break;
        }
        if (voice.position > chosen->position)
            chosen = &voice;
    }
    *chosen = Voice { accent == Accent::Yes ? &m_accent : &m_plain, frame, 0, 0, 0 };
}

void ClickSynth::fadeOut(int frames, int64_t frame)
{
    for (auto& voice : m_voices) {
        if (voice.table && voice.fadeLength == 0 && voice.startFrame < frame) {
            voice.fadeLength = std::max(frames, 1);
            voice.fadeLeft = voice.fadeLength;
        }
    }
}

void ClickSynth::mix(float* mono, int frames)
{
    for (auto& voice : m_voices) {
        if (!voice.table)
            continue;
        const float* table = voice.table->data();
        const int length = static_cast<int>(voice.table->size());
        int n = std::min(frames, length - voice.position);
        if (voice.fadeLength) {
            n = std::min(n, voice.fadeLeft);
            for (int i = 0; i < n; ++i)
                mono[i] += table[voice.position + i] * float(voice.fadeLeft - i) / float(voice.fadeLength);
            voice.fadeLeft -= n;
        } else {
            for (int i = 0; i < n; ++i)
                mono[i] += table[voice.position + i];
        }
        voice.position += n;
        if (voice.position >= length || (voice.fadeLength && voice.fadeLeft <= 0))
            voice = Voice {};
    }
}

bool ClickSynth::sounding() const
{
    return std::any_of(m_voices.begin(), m_voices.end(), [](const Voice& v) { return v.table != nullptr; });
}

}
