#include <gtest/gtest.h>

#include "audio/EventQueue.h"

#include <thread>
#include <vector>

using namespace audio;

TEST(EventQueueTest, RefusesWhenFullAndKeepsOrder)
{
    EventQueue queue;
    AudioEvent e;
    for (size_t i = 0; i < EventQueue::kCapacity; ++i) {
        e.sequence = uint32_t(i);
        ASSERT_TRUE(queue.push(e));
    }
    EXPECT_FALSE(queue.push(e));
    AudioEvent out;
    ASSERT_TRUE(queue.pop(out));
    EXPECT_EQ(out.sequence, 0u);
    EXPECT_TRUE(queue.push(e)); // one slot free again
    for (size_t i = 1; i < EventQueue::kCapacity; ++i) {
        ASSERT_TRUE(queue.pop(out));
        EXPECT_EQ(out.sequence, uint32_t(i));
    }
    ASSERT_TRUE(queue.pop(out));
    EXPECT_FALSE(queue.pop(out));
    EXPECT_TRUE(queue.empty());
}

TEST(EventQueueTest, OneProducerOneConsumerSeeEveryEventOnceInOrder)
{
    EventQueue queue;
    constexpr uint32_t kCount = 200000;
    std::vector<uint32_t> received;
    received.reserve(kCount);
    std::thread consumer([&] {
        AudioEvent e;
        while (received.size() < kCount) {
            if (queue.pop(e))
                received.push_back(e.sequence);
            else
                std::this_thread::yield();
        }
    });
    AudioEvent e;
    for (uint32_t i = 0; i < kCount;) {
        e.sequence = i;
        e.time = i * 0.5;
        if (queue.push(e))
            ++i;
        else
            std::this_thread::yield();
    }
    consumer.join();
    ASSERT_EQ(received.size(), size_t(kCount));
    for (uint32_t i = 0; i < kCount; ++i)
        ASSERT_EQ(received[i], i);
}
