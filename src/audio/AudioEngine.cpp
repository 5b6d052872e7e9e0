#include "audio/AudioEngine.h"

#include "audio/AudioOutput.h"
#include "audio/Mixer.h"
#include "audio/NoteSynth.h"
#include "platform/core/Log.h"

#include <algorithm>

namespace audio {

namespace {

uint8_t midi(int value, int low = 0, int high = 127)
{
    return static_cast<uint8_t>(std::clamp(value, low, high));
}

}

std::shared_ptr<AudioEngine> AudioEngine::create(std::shared_ptr<AudioOutput> output, const Options& options)
{
    std::shared_ptr<AudioEngine> engine(new AudioEngine);
    std::shared_ptr<NoteSynth> synth;
    if (options.notes == Notes::Load) {
        auto made = NoteSynth::create(options.soundFontPath, output->sampleRate());
        if (made) {
            synth = *made;
        } else {
            engine->m_notesError = made.error().localizedDescription;
            core::log("Notes will not sound: %s", engine->m_notesError.c_str());
        }
    } else {
        engine->m_notesError = "Notes are off.";
    }
    engine->m_mixer = std::make_shared<Mixer>(output->sampleRate(), std::move(synth));
    engine->m_output = std::move(output);
    engine->setVolume(options.volume);
    engine->setOffsetMs(options.offsetMs);
    engine->m_output->start(engine->m_mixer);
    return engine;
}

AudioEngine::~AudioEngine()
{
    m_output->stop();
}

bool AudioEngine::isAvailable() const
{
    return m_output->state() != AudioOutput::State::Unavailable;
}

bool AudioEngine::notesAvailable() const
{
    return m_mixer->hasNotes();
}

void AudioEngine::send(AudioEvent event)
{
    // Without a device nothing drains the queue: drop the work instead of filling it.
    if (!isAvailable())
        return;
    event.sequence = m_sequence++;
    if (!m_mixer->queue().push(event) && !m_reportedFull) {
        m_reportedFull = true;
        core::log("Sound events are arriving faster than they play; some are dropped.");
    }
}

void AudioEngine::click(double time, Accent accent)
{
    AudioEvent e;
    e.time = time;
    e.kind = AudioEvent::Kind::Click;
    e.accent = accent;
    send(e);
}

void AudioEngine::noteOn(double time, const Note& note)
{
    AudioEvent e;
    e.time = time;
    e.kind = AudioEvent::Kind::NoteOn;
    e.pitch = midi(note.pitch);
    e.velocity = midi(note.velocity, 1);
    e.program = midi(note.program);
    e.channel = midi(note.channel, 0, 15);
    send(e);
}

void AudioEngine::noteOff(double time, const Note& note)
{
    AudioEvent e;
    e.time = time;
    e.kind = AudioEvent::Kind::NoteOff;
    e.pitch = midi(note.pitch);
    e.channel = midi(note.channel, 0, 15);
    send(e);
}

void AudioEngine::allNotesOff(double time)
{
    AudioEvent e;
    e.time = time;
    e.kind = AudioEvent::Kind::AllNotesOff;
    send(e);
}

void AudioEngine::setVolume(double volume)
{
    m_mixer->setVolume(static_cast<float>(std::clamp(volume, 0.0, 1.0)));
}

void AudioEngine::setOffsetMs(double milliseconds)
{
    m_mixer->setOffset(std::clamp(milliseconds, -200.0, 200.0) / 1000.0);
}

}
