#include "audio/DeviceOutput.h"

#include "audio/Mixer.h"
#include "platform/core/Clock.h"
#include "platform/core/Log.h"

#include <SDL.h>
#include <algorithm>
#include <dlfcn.h>

namespace audio {

namespace {

// ALSA's library prints its own complaints (no card, no config) straight to stderr, which a
// desktop app must keep quiet. SDL loads the library at run time, so we load the same instance
// first and give it a handler that drops them; SDL's own error still reaches our log.
extern "C" void dropAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

void silenceAlsaLibrary()
{
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    void* library = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
    if (!library)
        return;
    if (auto set = reinterpret_cast<SetHandler>(dlsym(library, "snd_lib_error_set_handler")))
        set(dropAlsaMessage);
    // The library stays loaded for SDL, which opens it by the same name.
}

}

std::shared_ptr<DeviceOutput> DeviceOutput::open(std::shared_ptr<core::Clock> clock, int blockFrames)
{
    std::shared_ptr<DeviceOutput> output(new DeviceOutput(std::move(clock)));
    silenceAlsaLibrary();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        core::log("No sound device: %s. Playing on without sound.", SDL_GetError());
        return output;
    }
    output->m_subsystem = true;
    SDL_AudioSpec want {};
    want.freq = kSampleRate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    // SDL wants a power of two here; some of its drivers write past other sizes.
    int frames = 64;
    while (frames < blockFrames && frames < 8192)
        frames *= 2;
    want.samples = static_cast<Uint16>(frames);
    want.callback = &DeviceOutput::callback;
    want.userdata = output.get();
    SDL_AudioSpec have {};
    // SDL converts from our format and rate when the device wants others; the block size may differ.
    output->m_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
    if (output->m_device == 0) {
        core::log("No sound device: %s. Playing on without sound.", SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        output->m_subsystem = false;
        return output;
    }
    output->m_blockFrames = have.samples;
    output->m_latency = double(have.samples) / kSampleRate;
    output->m_state = State::Stopped;
    return output;
}

DeviceOutput::~DeviceOutput()
{
    if (m_device)
        SDL_CloseAudioDevice(m_device);
    if (m_subsystem)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void DeviceOutput::start(std::shared_ptr<Mixer> mixer)
{
    if (m_state == State::Unavailable)
        return;
    SDL_LockAudioDevice(m_device);
    m_mixer = std::move(mixer);
    m_follower = AnchorFollower(m_sampleRate);
    SDL_UnlockAudioDevice(m_device);
    SDL_PauseAudioDevice(m_device, 0);
    m_state = State::Running;
}

void DeviceOutput::stop()
{
    if (m_state == State::Unavailable)
        return;
    SDL_PauseAudioDevice(m_device, 1);
    // Waits for a callback in progress, so the mixer can go once this returns.
    SDL_LockAudioDevice(m_device);
    m_mixer.reset();
    SDL_UnlockAudioDevice(m_device);
    m_state = State::Stopped;
}

AudioOutput::State DeviceOutput::state() const
{
    return m_state;
}

void DeviceOutput::recordTimings(size_t capacity)
{
    m_timings.assign(capacity, BlockTiming {});
    m_timingCount = 0;
}

std::vector<DeviceOutput::BlockTiming> DeviceOutput::timings() const
{
    return std::vector<BlockTiming>(m_timings.begin(), m_timings.begin() + std::min(m_timingCount, m_timings.size()));
}

void DeviceOutput::callback(void* self, uint8_t* stream, int length)
{
    static_cast<DeviceOutput*>(self)->fill(reinterpret_cast<float*>(stream), length / int(2 * sizeof(float)));
}

void DeviceOutput::fill(float* out, int frames)
{
    if (!m_mixer) {
        std::fill_n(out, frames * 2, 0.0f);
        return;
    }
    const int64_t frame = m_mixer->position();
    const double now = m_clock->now();
    const Anchor anchor = m_follower.update(frame, now + m_latency);
    if (m_timingCount < m_timings.size())
        m_timings[m_timingCount++] = BlockTiming { frame, now, anchor.time };
    // The mixer maps times at the nominal rate; within one block the difference is far below a frame.
    m_mixer->mix(out, frames, anchor);
}

}
