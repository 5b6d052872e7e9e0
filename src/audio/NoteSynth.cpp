#include "audio/NoteSynth.h"

#include "platform/core/Log.h"

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
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
    fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
    fluid_set_log_function(FLUID_ERR, nullptr, nullptr);
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
    // Dry output: the same notes give the same samples, and tails end when the voices end.
    fluid_settings_setint(fluid->settings, "synth.reverb.active", 0);
    fluid_settings_setint(fluid->settings, "synth.chorus.active", 0);
    fluid_settings_setint(fluid->settings, "synth.polyphony", 256);
    fluid_settings_setnum(fluid->settings, "synth.gain", 1.2);
    fluid->synth = new_fluid_synth(fluid->settings);
    if (!fluid->synth)
        return core::Error::make("audio", 2, "The synthesizer could not be set up.");
    if (fluid_synth_sfload(fluid->synth, path.c_str(), 1) == FLUID_FAILED)
        return core::Error::make("audio", 3, "The SoundFont " + path + " could not be read.");
    std::shared_ptr<NoteSynth> synth(new NoteSynth);
    synth->m_fluid = std::move(fluid);
    synth->m_path = path;
    return synth;
}

NoteSynth::~NoteSynth() = default;

void NoteSynth::noteOn(int channel, int pitch, int velocity, int program)
{
    if (m_programs[channel] != program) {
        fluid_synth_program_change(m_fluid->synth, channel, program);
        m_programs[channel] = program;
    }
    fluid_synth_noteon(m_fluid->synth, channel, pitch, velocity);
}

void NoteSynth::noteOff(int channel, int pitch)
{
    fluid_synth_noteoff(m_fluid->synth, channel, pitch);
}

void NoteSynth::silenceAll()
{
    fluid_synth_all_sounds_off(m_fluid->synth, -1);
}

void NoteSynth::render(float* left, float* right)
{
    fluid_synth_write_float(m_fluid->synth, kBlock, left, 0, 1, right, 0, 1);
}

int NoteSynth::activeVoices() const
{
    return fluid_synth_get_active_voice_count(m_fluid->synth);
}

}
