#pragma once
#include <memory>

namespace audio {

class Mixer;

// Where mixed frames go: the sound device, or a buffer rendered on demand for a WAV file.
class AudioOutput {
public:
    enum class State { Stopped, Running, Unavailable };

    virtual ~AudioOutput() = default;
    // Starts pulling blocks from the mixer; the mixer must outlive stop().
    virtual void start(std::shared_ptr<Mixer> mixer) = 0;
    virtual void stop() = 0;
    virtual State state() const = 0;
    virtual int sampleRate() const = 0;
    // How long after a block is handed over its first frame is heard, as the device states it.
    virtual double latency() const = 0;
};

}
