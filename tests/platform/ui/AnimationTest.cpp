#include "platform/core/Clock.h"
#include "platform/core/RunLoop.h"
#include "platform/ui/ActivityIndicator.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/View.h"

#include <gtest/gtest.h>

using namespace ui;

class AnimationTest : public ::testing::Test {
protected:
    void SetUp() override { core::RunLoop::main().setClock(clock); }
    void TearDown() override { core::RunLoop::resetMain(); }
    void advance(double seconds) { core::RunLoop::main().runUntil(clock->now() + seconds); }

    std::shared_ptr<core::ManualClock> clock = core::ManualClock::create(0);
};

TEST_F(AnimationTest, FadesAlphaAndMovesFrameThenCompletesOnce)
{
    auto view = View::create(RectMake(0, 0, 10, 10));
    view->setAlpha(0);
    std::vector<bool> completions;
    View::animateWithDuration(0.3, [&] {
        view->setAlpha(1);
        view->setFrame(RectMake(100, 0, 10, 10));
    }, [&](bool finished) { completions.push_back(finished); });

    EXPECT_EQ(view->alpha(), 0);
    EXPECT_EQ(view->frame().x(), 0);
    advance(0.15);
    EXPECT_GT(view->alpha(), 0.2);
    EXPECT_LT(view->alpha(), 0.8);
    EXPECT_GT(view->frame().x(), 20);
    EXPECT_LT(view->frame().x(), 80);
    EXPECT_TRUE(completions.empty());
    advance(0.2);
    EXPECT_EQ(view->alpha(), 1);
    EXPECT_EQ(view->frame().x(), 100);
    EXPECT_EQ(completions, std::vector<bool> { true });
    advance(5);
    EXPECT_EQ(completions.size(), 1u);
}

TEST_F(AnimationTest, ANewAnimationTakesOverFromWhereTheOldOneStands)
{
    auto view = View::create();
    view->setAlpha(0);
    std::vector<std::string> calls;
    View::animateWithDuration(0.3, [&] { view->setAlpha(1); }, [&](bool finished) { calls.push_back(finished ? "in finished" : "in cut"); });
    advance(0.15);
    double mid = view->alpha();
    View::animateWithDuration(0.3, [&] { view->setAlpha(0.02); }, [&](bool finished) { calls.push_back(finished ? "out finished" : "out cut"); });
    EXPECT_EQ(calls, std::vector<std::string> { "in cut" });
    EXPECT_DOUBLE_EQ(view->alpha(), mid);
    advance(0.05);
    EXPECT_LT(view->alpha(), mid);
    advance(0.3);
    EXPECT_DOUBLE_EQ(view->alpha(), 0.02);
    EXPECT_EQ(calls, (std::vector<std::string> { "in cut", "out finished" }));
}

TEST_F(AnimationTest, SettingThePropertyDirectlyEndsTheAnimationUnfinished)
{
    auto view = View::create();
    int calls = 0;
    bool result = true;
    View::animateWithDuration(1, [&] { view->setAlpha(0); }, [&](bool finished) { calls++; result = finished; });
    advance(0.5);
    view->setAlpha(0.7);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(result);
    advance(1);
    EXPECT_DOUBLE_EQ(view->alpha(), 0.7);
    EXPECT_EQ(calls, 1);
}

TEST_F(AnimationTest, NothingToAnimateStillCompletesAfterTheDuration)
{
    int calls = 0;
    View::animateWithDuration(0.3, [] {}, [&](bool finished) { calls += finished; });
    EXPECT_EQ(calls, 0);
    advance(0.31);
    EXPECT_EQ(calls, 1);
}

TEST_F(AnimationTest, AnimatedContentOffsetEndsExactly)
{
    auto scroll = ScrollView::create(RectMake(0, 0, 100, 100));
    scroll->setContentSize({ 1000, 100 });
    scroll->setContentOffset({ 500, 0 }, Animated::Yes);
    EXPECT_EQ(scroll->contentOffset().x, 0);
    advance(0.1);
    EXPECT_GT(scroll->contentOffset().x, 0);
    advance(0.3);
    EXPECT_EQ(scroll->contentOffset().x, 500);
}

TEST_F(AnimationTest, SpinnerTurnsWithTheClockAndHidesWhenStopped)
{
    auto spinner = ActivityIndicator::create(ActivityIndicatorStyle::WhiteLarge);
    EXPECT_TRUE(spinner->isHidden());
    EXPECT_EQ(spinner->frame().size, (Size { 37, 37 }));
    spinner->startAnimating();
    EXPECT_FALSE(spinner->isHidden());
    int phase = spinner->phase();
    advance(0.26);
    EXPECT_EQ(spinner->phase(), (phase + 3) % 12);

    // Out of sight it barely ticks.
    auto host = View::create();
    host->addSubview(spinner);
    host->setAlpha(0);
    phase = spinner->phase();
    advance(1.01);
    EXPECT_LE((spinner->phase() - phase + 12) % 12, 3);

    spinner->stopAnimating();
    EXPECT_TRUE(spinner->isHidden());
    phase = spinner->phase();
    advance(1);
    EXPECT_EQ(spinner->phase(), phase);
    EXPECT_EQ(core::RunLoop::main().pendingTimerCount(), 0u);
}
