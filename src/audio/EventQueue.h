#pragma once
#include "audio/AudioEvent.h"

#include <atomic>
#include <cstddef>
#include <memory>

namespace audio {

// A bounded single-producer single-consumer ring: the main thread pushes, the audio callback
// pops. Neither side locks or allocates; a full queue refuses the event.
class EventQueue {
public:
    static constexpr size_t kCapacity = 8192;

    EventQueue();
    bool push(const AudioEvent& event);
    bool pop(AudioEvent& event);
    // Whether the consumer would find something; exact only on the consumer's thread.
    bool empty() const;

private:
    std::unique_ptr<AudioEvent[]> m_slots;
    alignas(64) std::atomic<size_t> m_head { 0 }; // next slot to read, written by the consumer
    alignas(64) std::atomic<size_t> m_tail { 0 }; // next slot to write, written by the producer
};

}
