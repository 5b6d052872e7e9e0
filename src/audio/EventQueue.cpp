#include "audio/EventQueue.h"

namespace audio {

static_assert((EventQueue::kCapacity & (EventQueue::kCapacity - 1)) == 0, "capacity must be a power of two");

EventQueue::EventQueue()
    : m_slots(new AudioEvent[kCapacity])
{
}

bool EventQueue::push(const AudioEvent& event)
{
    size_t tail = m_tail.load(std::memory_order_relaxed);
    if (tail - m_head.load(std::memory_order_acquire) == kCapacity)
        return false;
    m_slots[tail & (kCapacity - 1)] = event;
    m_tail.store(tail + 1, std::memory_order_release);
    return true;
}

bool EventQueue::pop(AudioEvent& event)
{
    size_t head = m_head.load(std::memory_order_relaxed);
    if (head == m_tail.load(std::memory_order_acquire))
        return false;
    event = m_slots[head & (kCapacity - 1)];
    m_head.store(head + 1, std::memory_order_release);
    return true;
}

bool EventQueue::empty() const
{
    return m_head.load(std::memory_order_acquire) == m_tail.load(std::memory_order_acquire);
}

}
