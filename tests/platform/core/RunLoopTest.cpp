#include <gtest/gtest.h>

#include "platform/core/Clock.h"
#include "platform/core/Dispatch.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Thread.h"
#include "platform/core/Timer.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

using namespace core;

namespace {

class RunLoopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        clock = ManualClock::create(100);
        RunLoop::main().setClock(clock);
    }
    void TearDown() override { RunLoop::resetMain(); }

    std::shared_ptr<ManualClock> clock;
};

struct Target {
    Target(std::vector<std::string>* r, std::string n) : record(r), name(std::move(n)) { }
    std::vector<std::string>* record;
    std::string name;
    ~Target() { record->push_back("dead " + name); }
};

TEST_F(RunLoopTest, TimersFireInTimeOrderAndTiesInArmingOrder)
{
    std::vector<std::pair<std::string, double>> fired;
    auto arm = [&](const char* name, double interval) {
        Timer::scheduledTimerWithTimeInterval(interval, nullptr, [&, name](Timer&) { fired.emplace_back(name, clock->now()); });
    };
    arm("c", 3);
    arm("a", 1);
    arm("b1", 2);
    arm("b2", 2);
    arm("b3", 2);
    RunLoop::main().runUntil(102.5);
    ASSERT_EQ(fired.size(), 4u);
    EXPECT_EQ(fired[0], std::make_pair(std::string("a"), 101.0));
    EXPECT_EQ(fired[1].first, "b1");
    EXPECT_EQ(fired[2].first, "b2");
    EXPECT_EQ(fired[3].first, "b3");
    EXPECT_DOUBLE_EQ(fired[3].second, 102.0);
    EXPECT_DOUBLE_EQ(clock->now(), 102.5);
    RunLoop::main().runUntil(110);
    ASSERT_EQ(fired.size(), 5u);
    EXPECT_EQ(fired[4], std::make_pair(std::string("c"), 103.0));
}

TEST_F(RunLoopTest, InvalidateFromAnotherCallbackOfTheSameTurnStopsTheTimer)
{
    std::vector<std::string> fired;
    std::shared_ptr<Timer> second;
    Timer::scheduledTimerWithTimeInterval(1, nullptr, [&](Timer&) {
        fired.push_back("first");
        second->invalidate();
    });
    second = Timer::scheduledTimerWithTimeInterval(1, nullptr, [&](Timer&) { fired.push_back("second"); });
    RunLoop::main().runUntil(105);
    EXPECT_EQ(fired, std::vector<std::string> { "first" });
    EXPECT_FALSE(second->isValid());
    // Harmless on a fired timer and on one never scheduled.
    second->invalidate();
    auto loose = Timer::create(0, nullptr, [](Timer&) { });
    loose->invalidate();
    EXPECT_FALSE(loose->isValid());
}

TEST_F(RunLoopTest, ATimerThatReArmsItselfKeepsExactDeadlines)
{
    std::vector<double> times;
    std::function<void(Timer&)> tick = [&](Timer& t) {
        times.push_back(clock->now());
        if (times.size() < 5)
            Timer::scheduledTimerWithFireDate(t.fireDate() + 0.25, nullptr, tick);
    };
    Timer::scheduledTimerWithTimeInterval(0.25, nullptr, tick);
    RunLoop::main().runUntil(200);
    ASSERT_EQ(times.size(), 5u);
    for (size_t i = 0; i < times.size(); i++)
        EXPECT_DOUBLE_EQ(times[i], 100.25 + 0.25 * static_cast<double>(i));
    EXPECT_EQ(RunLoop::main().pendingTimerCount(), 0u);
}

TEST_F(RunLoopTest, ATimerKeepsItsTargetAliveUntilFiredOrInvalidated)
{
    std::vector<std::string> record;
    std::weak_ptr<Target> weakFired, weakStopped;
    std::shared_ptr<Timer> stopped;
    {
        auto a = std::make_shared<Target>(&record, "a");
        auto b = std::make_shared<Target>(&record, "b");
        weakFired = a;
        weakStopped = b;
        Timer::scheduledTimerWithTimeInterval(1, a, [&](Timer&) { record.push_back("fire a"); });
        stopped = Timer::scheduledTimerWithTimeInterval(1, b, [&](Timer&) { record.push_back("fire b"); });
    }
    EXPECT_FALSE(weakFired.expired());
    EXPECT_FALSE(weakStopped.expired());
    stopped->invalidate();
    EXPECT_TRUE(weakStopped.expired());
    RunLoop::main().runUntil(101);
    EXPECT_TRUE(weakFired.expired());
    EXPECT_EQ(record, (std::vector<std::string> { "dead b", "fire a", "dead a" }));
}

struct Screen : Object {
    int ticks = 0;
    void tick(Object* sender)
    {
        ticks++;
        EXPECT_NE(dynamic_cast<Timer*>(sender), nullptr);
    }
};

TEST_F(RunLoopTest, MemberFunctionTimersReceiveTheTimerAsSender)
{
    auto screen = std::make_shared<Screen>();
    auto timer = Timer::scheduledTimerWithTimeInterval(0.5, screen, &Screen::tick);
    EXPECT_DOUBLE_EQ(timer->fireDate(), 100.5);
    RunLoop::main().runUntil(100.4);
    EXPECT_EQ(screen->ticks, 0);
    RunLoop::main().runUntil(100.5);
    EXPECT_EQ(screen->ticks, 1);
    EXPECT_FALSE(timer->isValid());
}

TEST_F(RunLoopTest, TasksFromSeveralThreadsArriveAllAndInOrderPerThread)
{
    constexpr int threads = 4, perThread = 500;
    std::vector<std::pair<int, int>> seen;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; t++)
        workers.emplace_back([&, t] {
            for (int i = 0; i < perThread; i++)
                dispatch::mainQueue().async([&seen, t, i] { seen.emplace_back(t, i); });
        });
    for (auto& w : workers)
        w.join();
    RunLoop::main().runOnce();
    ASSERT_EQ(seen.size(), size_t(threads * perThread));
    std::map<int, int> next;
    for (auto [t, i] : seen) {
        EXPECT_EQ(i, next[t]) << "thread " << t;
        next[t] = i + 1;
    }
}

TEST_F(RunLoopTest, ATaskPostedByATaskRunsOnTheNextTurn)
{
    std::vector<int> order;
    RunLoop::main().perform([&] {
        order.push_back(1);
        RunLoop::main().perform([&] { order.push_back(3); });
    });
    RunLoop::main().perform([&] { order.push_back(2); });
    RunLoop::main().runOnce();
    EXPECT_EQ(order, (std::vector<int> { 1, 2 }));
    RunLoop::main().runOnce();
    EXPECT_EQ(order, (std::vector<int> { 1, 2, 3 }));
}

TEST(ThreadTest, PerformRunsOnTheThreadsOwnLoopAndWakesTheMainLoop)
{
    auto thread = Thread::create("Worker");
    std::atomic<bool> onThread { false };
    std::string name;
    thread->perform([&] {
        onThread = thread->isCurrent();
        name = Thread::currentName();
        dispatch::mainQueue().async([] { });
    });
    // The main loop is woken by the post; a bounded wait keeps a broken wake-up from hanging.
    bool ran = false;
    for (int i = 0; i < 50 && !ran; i++)
        ran = RunLoop::main().runOnce(0.1);
    EXPECT_TRUE(ran);
    EXPECT_TRUE(onThread);
    EXPECT_EQ(name, "Worker");
}

TEST(ThreadTest, TimersRunOnAWorkerThreadsLoop)
{
    auto thread = Thread::create("Timers");
    std::atomic<int> fired { 0 };
    thread->perform([&] { Timer::scheduledTimerWithTimeInterval(0.001, nullptr, [&](Timer&) { fired++; }); });
    auto group = dispatch::Group::create();
    group->enter();
    thread->perform([&] { Timer::scheduledTimerWithTimeInterval(0.002, nullptr, [group](Timer&) { group->leave(); }); });
    EXPECT_TRUE(group->wait(5));
    EXPECT_EQ(fired, 1);
}

TEST(ThreadTest, PostingToAThreadWhoseLoopStoppedIsHarmless)
{
    auto thread = Thread::create("Stops");
    std::atomic<pid_t> tid { 0 };
    thread->perform([&] {
        tid = gettid();
        RunLoop::current().stop();
    });
    // Wait until the thread has really ended (its thread-local loop went with it), bounded so a
    // thread that does not stop fails the test instead of hanging it.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    bool ended = false;
    while (!ended && std::chrono::steady_clock::now() < deadline) {
        pid_t id = tid;
        ended = id != 0 && !std::filesystem::exists("/proc/self/task/" + std::to_string(id));
        if (!ended)
            std::this_thread::yield();
    }
    ASSERT_TRUE(ended);

    std::atomic<bool> ran { false };
    thread->perform([&] { ran = true; });
    thread->runLoop().stop();
    thread.reset();
    EXPECT_FALSE(ran);
}

TEST(DispatchTest, GroupNotifiesOnceAllWorkIsDone)
{
    RunLoop::resetMain();
    auto group = dispatch::Group::create();
    std::atomic<int> done { 0 };
    for (int i = 0; i < 8; i++)
        group->async(dispatch::globalQueue(), [&] { done++; });
    bool notified = false;
    group->notify(dispatch::mainQueue(), [&] { notified = true; });
    ASSERT_TRUE(group->wait(5));
    for (int i = 0; i < 50 && !notified; i++)
        RunLoop::main().runOnce(0.1);
    EXPECT_TRUE(notified);
    EXPECT_EQ(done, 8);

    std::once_flag flag;
    int calls = 0;
    for (int i = 0; i < 3; i++)
        dispatch::once(flag, [&] { calls++; });
    EXPECT_EQ(calls, 1);
}

TEST(NotificationCenterTest, ObserversByNameReceiveTheObject)
{
    auto& center = NotificationCenter::defaultCenter();
    std::vector<std::string> got;
    auto object = std::make_shared<int>(7);
    auto a = center.addObserver("Start", [&](const Notification& n) { got.push_back("a" + std::to_string(*static_cast<int*>(n.object.get()))); });
    auto b = center.addObserver("Finish", [&](const Notification&) { got.push_back("b"); });
    center.postNotificationName("Start", object);
    center.removeObserver(a);
    center.postNotificationName("Start", object);
    center.postNotificationName("Finish");
    center.removeObserver(b);
    EXPECT_EQ(got, (std::vector<std::string> { "a7", "b" }));
}

}
