#include "platform/core/Operation.h"

#include "platform/core/RunLoop.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace {

class Counting : public core::Operation {
public:
    static std::shared_ptr<Counting> create() { return std::shared_ptr<Counting>(new Counting()); }
    void main() override { mains++; }
    int mains = 0;
};

// Waits for a flag a completion block raises on the global queue.
struct Signal {
    std::mutex mutex;
    std::condition_variable cv;
    int count = 0;
    std::thread::id thread;
    void raise()
    {
        std::lock_guard lock(mutex);
        count++;
        thread = std::this_thread::get_id();
        cv.notify_all();
    }
    bool waitFor(int n)
    {
        std::unique_lock lock(mutex);
        return cv.wait_for(lock, std::chrono::seconds(10), [&] { return count >= n; });
    }
};

TEST(OperationTest, StartRunsMainThenFinishesAndRunsTheCompletionOnceOffTheCallersThread)
{
    auto op = Counting::create();
    auto signal = std::make_shared<Signal>();
    std::vector<std::string> keys;
    op->setKeyObserver([&keys](const std::string& key) { keys.push_back(key); });
    op->setCompletionBlock([signal] { signal->raise(); });
    EXPECT_TRUE(op->isReady());
    op->start();
    EXPECT_EQ(op->mains, 1);
    EXPECT_TRUE(op->isFinished());
    EXPECT_FALSE(op->isExecuting());
    ASSERT_TRUE(signal->waitFor(1));
    EXPECT_NE(signal->thread, std::this_thread::get_id());
    EXPECT_EQ(keys, (std::vector<std::string> { "isExecuting", "isExecuting", "isFinished" }));

    // Finishing is announced once: a second start neither runs main nor the block.
    op->start();
    op->didChangeValueForKey("isFinished");
    EXPECT_EQ(op->mains, 1);
    auto probe = Counting::create();
    auto probeSignal = std::make_shared<Signal>();
    probe->setCompletionBlock([probeSignal] { probeSignal->raise(); });
    probe->start();
    ASSERT_TRUE(probeSignal->waitFor(1));
    std::lock_guard lock(signal->mutex);
    EXPECT_EQ(signal->count, 1);
}

TEST(OperationTest, CancelledOperationSkipsMainButStillCompletes)
{
    auto op = Counting::create();
    auto signal = std::make_shared<Signal>();
    op->setCompletionBlock([signal] { signal->raise(); });
    op->cancel();
    op->cancel();
    EXPECT_TRUE(op->isCancelled());
    op->start();
    EXPECT_EQ(op->mains, 0);
    EXPECT_TRUE(op->isFinished());
    ASSERT_TRUE(signal->waitFor(1));
}

TEST(OperationTest, OperationStaysAliveWhileItsCompletionRuns)
{
    auto op = Counting::create();
    std::weak_ptr<Counting> weak = op;
    std::atomic<bool> aliveInBlock { false };
    auto signal = std::make_shared<Signal>();
    op->setCompletionBlock([weak, signal, &aliveInBlock] {
        aliveInBlock = !weak.expired();
        signal->raise();
    });
    op->start();
    op.reset();
    ASSERT_TRUE(signal->waitFor(1));
    EXPECT_TRUE(aliveInBlock);
}

TEST(OperationTest, ClearedSlotRunsNothing)
{
    auto op = Counting::create();
    auto held = std::make_shared<int>(1);
    std::weak_ptr<int> weakHeld = held;
    op->setCompletionBlock([held] { });
    held.reset();
    EXPECT_FALSE(weakHeld.expired());
    op->setCompletionBlock(nullptr);
    EXPECT_TRUE(weakHeld.expired());
    EXPECT_FALSE(op->completionBlock());
    op->start();
    EXPECT_TRUE(op->isFinished());
}

}
