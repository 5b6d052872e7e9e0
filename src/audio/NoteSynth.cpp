#include "audio/NoteSynth.h"

#include <algorithm>
#include <cmath>
#include <fluidsynth.h>
#include <sys/stat.h>

namespace audio {

struct NoteSynth::Fluid {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;

    ~Fluid()
    {
        if (synth)
            delete_fluid_synth(synth);
        if (settings)
            delete_fluid_settings(settings);
    }
};

namespace {

bool isFile(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void quietFluid()
{
    // FluidSynth prints its own warnings to stderr; our failures are reported as errors instead.
    static bool done = false;
    if (done)
        return;
    done = true;
    for (int level : { FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG })
        fluid_set_log_function(level, nullptr, nullptr);
}

// Centibels of attenuation that scale a voice's amplitude by `factor`; FluidSynth stops at 144 dB.
float attenuationFor(double factor)
{
    return factor <= 0 ? 1440.0f : float(-200.0 * std::log10(factor));
}

}

std::string NoteSynth::defaultSoundFontPath()
{
    for (const char* path : { "/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2" }) {
        if (isFile(path))
            return path;
    }
    return "/usr/share/sounds/sf2/TimGM6mb.sf2";
}

core::Result<std::shared_ptr<NoteSynth>> NoteSynth::create(const std::string& soundFontPath, int sampleRate)
{
    const std::string path = soundFontPath.empty() ? defaultSoundFontPath() : soundFontPath;
    if (!isFile(path))
        return core::Error::make("audio", 1, "The SoundFont " + path + " does not exist.");
    quietFluid();
    auto fluid = std::make_unique<Fluid>();
    fluid->settings = new_fluid_settings();
    if (!fluid->settings)
        return core::Error::make("audio", 2, "The synthesizer could not be set up.");
    fluid_settings_setnum(fluid->settings, "synth.sample-rate", sampleRate);
    fluid_settings_setint(fluid->settings, "synth.threadsafe-api", 0);
    fluid_settings_setint(fluid->settings, "synth.cpu-cores", 1);
    fluid_settings_setint(fluid->settings, "synth.midi-channels", kChannels);
    fluid_settings_setint(fluid->settings, "synth.audio-groups", kBlock);
    fluid_settings_setint(fluid->settings, "synth.audio-channels", kBlock);
    // Dry output: the same notes give the same samples, and tails end when the voices end.
    fluid_settings_setint(fluid->settings, "synth.reverb.active", 0);
    fluid_settings_setint(fluid->settings, "synth.chorus.active", 0);
    fluid_settings_setint(fluid->settings, "synth.polyphony", kPolyphony);
    fluid_settings_setnum(fluid->settings, "synth.gain", 1.2);
    fluid->synth = new_fluid_synth(fluid->settings);
    if (!fluid->synth)
        return core::Error::make("audio", 2, "The synthesizer could not be set up.");
    if (fluid_synth_sfload(fluid->synth, path.c_str(), 1) == FLUID_FAILED)
        return core::Error::make("audio", 3, "The SoundFont " + path + " could not be read.");
    for (int channel = 0; channel < kChannels; ++channel) {
        const bool drums = channel >= kBlock;
        fluid_synth_set_channel_type(fluid->synth, channel, drums ? CHANNEL_TYPE_DRUM : CHANNEL_TYPE_MELODIC);
        fluid_synth_bank_select(fluid->synth, channel, drums ? 128 : 0);
        fluid_synth_program_change(fluid->synth, channel, 0);
    }

    std::shared_ptr<NoteSynth> synth(new NoteSynth);
    synth->m_fluid = std::move(fluid);
    synth->m_path = path;
    synth->m_programs.fill(0);
    for (auto& channel : synth->m_noteChannel)
        channel.fill(-1);
    synth->m_fading.reserve(kPolyphony * 2);
    synth->m_voiceList.assign(kPolyphony + 1, nullptr);
    synth->m_previous.assign(kBlock * 2 * kBlock, 0.0f);
    synth->m_current.assign(kBlock * 2 * kBlock, 0.0f);
    synth->m_outputs.assign(kBlock * 2, nullptr);
    return synth;
}

NoteSynth::~NoteSynth() = default;

void NoteSynth::noteOn(int channel, int pitch, int velocity, int program, int phase)
{
    const int target = (channel == 9 ? kBlock : 0) + std::clamp(phase, 0, kBlock - 1);
    // The same key sounding again: end the earlier note, which may sit on another channel.
    noteOff(channel, pitch);
    if (m_programs[target] != program) {
        fluid_synth_program_change(m_fluid->synth, target, program);
        m_programs[target] = program;
    }
    fluid_synth_noteon(m_fluid->synth, target, pitch, velocity);
    m_noteChannel[channel][pitch] = static_cast<int8_t>(target);
}

void NoteSynth::noteOff(int channel, int pitch)
{
    int8_t& target = m_noteChannel[channel][pitch];
    if (target < 0)
        return;
    fluid_synth_noteoff(m_fluid->synth, target, pitch);
    target = -1;
}

void NoteSynth::fadeOutAll()
{
    for (auto& channel : m_noteChannel)
        channel.fill(-1);
    fluid_synth_get_voicelist(m_fluid->synth, reinterpret_cast<fluid_voice_t**>(m_voiceList.data()), kPolyphony + 1, -1);
    for (void* entry : m_voiceList) {
        if (!entry)
            break;
        auto* voice = static_cast<fluid_voice_t*>(entry);
        const unsigned id = fluid_voice_get_id(voice);
        const bool already = std::any_of(m_fading.begin(), m_fading.end(),
            [&](const Fading& f) { return f.voice == entry && f.id == id; });
        if (!already && m_fading.size() < m_fading.capacity())
            m_fading.push_back(Fading { entry, id, fluid_voice_gen_get(voice, GEN_ATTENUATION), 0 });
    }
}

// Each block lowers the fading voices' level one step; FluidSynth ramps the level across the
// block, so the fade is a line without steps. At the end the voice is silent and let go at once.
void NoteSynth::stepFades()
{
    size_t kept = 0;
    for (size_t i = 0; i < m_fading.size(); ++i) {
        Fading f = m_fading[i];
        auto* voice = static_cast<fluid_voice_t*>(f.voice);
        // A finished voice may already carry a new note: leave it alone.
        if (!fluid_voice_is_playing(voice) || fluid_voice_get_id(voice) != f.id)
            continue;
        if (f.step > kFadeBlocks) {
            fluid_voice_gen_set(voice, GEN_VOLENVRELEASE, -12000);
            fluid_voice_update_param(voice, GEN_VOLENVRELEASE);
            fluid_synth_stop(m_fluid->synth, f.id);
            continue;
        }
        ++f.step;
        const double factor = std::max(0.0, 1.0 - double(f.step) / kFadeBlocks);
        fluid_voice_gen_set(voice, GEN_ATTENUATION, f.attenuation + attenuationFor(factor));
        fluid_voice_update_param(voice, GEN_ATTENUATION);
        m_fading[kept++] = f;
    }
    m_fading.resize(kept);
    // Changes to single voices wait until the next call into the synthesizer's own interface
    // hands them over; make that call now so they apply to the block about to be rendered.
    fluid_synth_get_active_voice_count(m_fluid->synth);
}

void NoteSynth::render(float* left, float* right)
{
    stepFades();
    std::swap(m_previous, m_current);
    std::swap(m_previousLive, m_currentLive);
    std::fill(m_current.begin(), m_current.end(), 0.0f);
    for (int i = 0; i < kBlock * 2; ++i)
        m_outputs[i] = m_current.data() + i * kBlock;
    fluid_synth_process(m_fluid->synth, kBlock, 0, nullptr, kBlock * 2, m_outputs.data());

    std::fill_n(left, kBlock, 0.0f);
    std::fill_n(right, kBlock, 0.0f);
    for (int group = 0; group < kBlock; ++group) {
        const float* curL = m_current.data() + (2 * group) * kBlock;
        const float* curR = curL + kBlock;
        m_currentLive[group] = std::any_of(curL, curL + 2 * kBlock, [](float v) { return v != 0.0f; });
        if (!m_currentLive[group] && !m_previousLive[group])
            continue;
        // Group g is heard g frames late: the first g frames come from the block before.
        const float* prevL = m_previous.data() + (2 * group) * kBlock;
        const float* prevR = prevL + kBlock;
        for (int j = 0; j < group; ++j) {
            left[j] += prevL[kBlock + j - group];
            right[j] += prevR[kBlock + j - group];
        }
        for (int j = group; j < kBlock; ++j) {
            left[j] += curL[j - group];
            right[j] += curR[j - group];
        }
    }
}

int NoteSynth::activeVoices() const
{
    return fluid_synth_get_active_voice_count(m_fluid->synth);
}

}
