#include "audio/OfflineOutput.h"

#include "audio/Mixer.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace audio {

std::shared_ptr<OfflineOutput> OfflineOutput::create(double startTime)
{
    return std::shared_ptr<OfflineOutput>(new OfflineOutput(startTime));
}

void OfflineOutput::start(std::shared_ptr<Mixer> mixer)
{
    m_mixer = std::move(mixer);
    m_block.assign(kBlockFrames * 2, 0.0f);
}

void OfflineOutput::stop()
{
    m_mixer.reset();
}

AudioOutput::State OfflineOutput::state() const
{
    return m_mixer ? State::Running : State::Stopped;
}

int64_t OfflineOutput::frameForTime(double time) const
{
    return std::llround((time - m_startTime) * kSampleRate);
}

void OfflineOutput::renderUntil(double time)
{
    if (!m_mixer)
        return;
    const int64_t target = frameForTime(time);
    const Anchor anchor { 0, m_startTime };
    while (m_frames < target) {
        const int n = static_cast<int>(std::min<int64_t>(kBlockFrames, target - m_frames));
        m_mixer->mix(m_block.data(), n, anchor);
        for (int i = 0; i < n * 2; ++i)
            m_samples.push_back(static_cast<int16_t>(std::lround(std::clamp(m_block[i], -1.0f, 1.0f) * 32767.0f)));
        m_frames += n;
    }
}

void OfflineOutput::discardSamples()
{
    m_samples.clear();
    m_firstKept = m_frames;
}

namespace {

void put16(std::string& out, uint16_t v)
{
    out.push_back(char(v & 0xff));
    out.push_back(char(v >> 8));
}

void put32(std::string& out, uint32_t v)
{
    put16(out, uint16_t(v & 0xffff));
    put16(out, uint16_t(v >> 16));
}

}

core::Result<void> OfflineOutput::writeWav(const std::string& path) const
{
    const uint32_t dataBytes = static_cast<uint32_t>(m_samples.size() * sizeof(int16_t));
    std::string header;
    header += "RIFF";
    put32(header, 36 + dataBytes);
    header += "WAVEfmt ";
    put32(header, 16);
    put16(header, 1); // PCM
    put16(header, 2);
    put32(header, kSampleRate);
    put32(header, kSampleRate * 2 * 2);
    put16(header, 4);
    put16(header, 16);
    header += "data";
    put32(header, dataBytes);

    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return core::Error::make("audio", errno, "Could not write " + path + ": " + std::strerror(errno));
    // Samples are written little-endian, as the format wants, on the little-endian machines we build for.
    bool ok = std::fwrite(header.data(), 1, header.size(), file) == header.size()
        && std::fwrite(m_samples.data(), sizeof(int16_t), m_samples.size(), file) == m_samples.size();
    ok = (std::fclose(file) == 0) && ok;
    if (!ok)
        return core::Error::make("audio", EIO, "Could not write " + path + ".");
    return {};
}

}
