#include "platform/core/Clock.h"
#include "platform/core/RunLoop.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/LongPressGestureRecognizer.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>

using namespace ui;

namespace {

class Screen : public ViewController {
public:
    static std::shared_ptr<Screen> create() { return std::shared_ptr<Screen>(new Screen()); }
    void viewDidLoad() override { loads++; }
    void viewDidAppear(bool) override { appears++; }
    void pressed(Object* sender)
    {
        auto* recognizer = static_cast<LongPressGestureRecognizer*>(sender);
        states.push_back(recognizer->state());
        times.push_back(core::RunLoop::main().now());
        views.push_back(recognizer->view());
    }
    void tapped(Object*) { taps++; }
    void touchedDown(Object*) { downs++; }
    int loads = 0, appears = 0, taps = 0, downs = 0;
    std::vector<GestureRecognizerState> states;
    std::vector<double> times;
    std::vector<View*> views;
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        core::RunLoop::main().setClock(clock);
        window = Window::create();
        screen = Screen::create();
        window->setRootViewController(screen);
        button = Button::create(ButtonType::System, RectMake(100, 100, 100, 40));
        button->addTarget(screen, &Screen::tapped, ControlEvent::TouchUpInside);
        button->addTarget(screen, &Screen::touchedDown, ControlEvent::TouchDown);
        screen->view()->addSubview(button);
    }
    void TearDown() override
    {
        core::RunLoop::resetMain();
        Application::resetShared();
        Storyboard::reset();
    }
    void advance(double seconds) { core::RunLoop::main().runUntil(clock->now() + seconds); }
    void tap(Point p)
    {
        window->touchDown(p);
        window->touchUp(p);
    }

    std::shared_ptr<core::ManualClock> clock = core::ManualClock::create(50);
    std::shared_ptr<Window> window;
    std::shared_ptr<Screen> screen;
    std::shared_ptr<Button> button;
};

}

TEST_F(WindowTest, AlertIsModalAndReportsItsButton)
{
    std::vector<int> dismissed;
    auto alert = AlertView::create("Error", "Start bar is after the end bar", { "OK" }, [&](int index) { dismissed.push_back(index); });
    alert->show();
    EXPECT_EQ(window->currentAlert(), alert);
    window->layoutIfNeeded();

    // The button under the alert gets nothing, not even a touch down.
    tap({ 150, 120 });
    EXPECT_EQ(screen->taps, 0);
    EXPECT_EQ(screen->downs, 0);
    EXPECT_EQ(window->hitTest({ 5, 5 }), alert.get());
    window->keyDown(Key::Space);
    EXPECT_TRUE(dismissed.empty());

    auto ok = window->viewWithAccessibilityIdentifier("alertButton0");
    ASSERT_NE(ok, nullptr);
    tap(ok->windowFrame().center());
    EXPECT_EQ(dismissed, std::vector<int> { 0 });
    EXPECT_EQ(window->currentAlert(), nullptr);
    EXPECT_FALSE(alert->isVisible());

    tap({ 150, 120 });
    EXPECT_EQ(screen->taps, 1);
}

TEST_F(WindowTest, AlertsShowOneAtATime)
{
    std::vector<std::string> order;
    auto first = AlertView::create("First", "", { "OK" }, [&](int) { order.push_back("first"); });
    auto second = AlertView::create("Second", "", { "Cancel", "OK" }, [&](int i) { order.push_back("second" + std::to_string(i)); });
    first->show();
    second->show();
    EXPECT_EQ(window->currentAlert(), first);
    window->keyDown(Key::Return);
    EXPECT_EQ(window->currentAlert(), second);
    window->layoutIfNeeded();
    auto okButton = window->viewWithAccessibilityIdentifier("alertButton1");
    ASSERT_NE(okButton, nullptr);
    tap(okButton->windowFrame().center());
    EXPECT_EQ(order, (std::vector<std::string> { "first", "second1" }));
    EXPECT_EQ(window->currentAlert(), nullptr);
}

TEST_F(WindowTest, LongPressReportsBeganChangedAndEndedOnTheRunLoopClock)
{
    auto recognizer = LongPressGestureRecognizer::create(screen, &Screen::pressed);
    button->addGestureRecognizer(recognizer);
    double start = clock->now();

    window->touchDown({ 150, 120 });
    EXPECT_EQ(screen->downs, 1);
    advance(0.49);
    EXPECT_TRUE(screen->states.empty());
    advance(0.02);
    ASSERT_EQ(screen->states.size(), 1u);
    EXPECT_EQ(screen->states[0], GestureRecognizerState::Began);
    EXPECT_DOUBLE_EQ(screen->times[0], start + 0.5);
    EXPECT_EQ(screen->views[0], button.get());

    window->touchMoved({ 152, 121 });
    window->touchUp({ 152, 121 });
    EXPECT_EQ(screen->states, (std::vector<GestureRecognizerState> { GestureRecognizerState::Began, GestureRecognizerState::Changed, GestureRecognizerState::Ended }));
    // The press took the touch: the button saw no touch-up-inside.
    EXPECT_EQ(screen->taps, 0);
    EXPECT_EQ(recognizer->state(), GestureRecognizerState::Possible);
}

TEST_F(WindowTest, ShortOrMovingPressesAreNotLongPresses)
{
    button->addGestureRecognizer(LongPressGestureRecognizer::create(screen, &Screen::pressed));
    window->touchDown({ 150, 120 });
    advance(0.3);
    window->touchUp({ 150, 120 });
    advance(1);
    EXPECT_TRUE(screen->states.empty());
    EXPECT_EQ(screen->taps, 1);

    window->touchDown({ 150, 120 });
    window->touchMoved({ 170, 120 });
    advance(1);
    window->touchUp({ 170, 120 });
    EXPECT_TRUE(screen->states.empty());
}

TEST_F(WindowTest, LongPressOnABeatInsideTheStripOrADisabledRecognizer)
{
    auto scroll = ScrollView::create(RectMake(0, 200, 1024, 300));
    scroll->setContentSize({ 5000, 300 });
    screen->view()->addSubview(scroll);
    auto beat = Button::create(ButtonType::System, RectMake(400, 50, 100, 100));
    beat->addTarget(screen, &Screen::touchedDown, ControlEvent::TouchDown);
    auto recognizer = LongPressGestureRecognizer::create(screen, &Screen::pressed);
    beat->addGestureRecognizer(recognizer);
    scroll->addSubview(beat);
    scroll->setContentOffset({ 300, 0 });

    // The beat button is at x 100 in the window now; touch down reaches it at once.
    window->touchDown({ 150, 300 });
    EXPECT_EQ(screen->downs, 1);
    advance(0.6);
    ASSERT_EQ(screen->states.size(), 1u);
    window->touchUp({ 150, 300 });
    EXPECT_EQ(screen->states.back(), GestureRecognizerState::Ended);

    // A drag scrolls instead.
    window->touchDown({ 150, 300 });
    window->touchMoved({ 100, 300 });
    advance(0.6);
    window->touchUp({ 100, 300 });
    EXPECT_EQ(screen->states.size(), 2u);
    EXPECT_EQ(scroll->contentOffset().x, 350);

    recognizer->setEnabled(false);
    window->touchDown({ 100, 300 });
    advance(1);
    window->touchUp({ 100, 300 });
    EXPECT_EQ(screen->states.size(), 2u);
}

TEST_F(WindowTest, DragInAScrollViewScrollsAndCancelsTheTouchedControl)
{
    auto scroll = ScrollView::create(RectMake(0, 200, 1024, 300));
    scroll->setContentSize({ 5000, 300 });
    screen->view()->addSubview(scroll);
    auto inner = Button::create(ButtonType::System, RectMake(400, 50, 100, 100));
    inner->addTarget(screen, &Screen::tapped, ControlEvent::TouchUpInside);
    scroll->addSubview(inner);

    window->touchDown({ 450, 300 });
    window->touchMoved({ 445, 300 });
    EXPECT_EQ(scroll->contentOffset().x, 0);
    window->touchMoved({ 250, 300 });
    window->touchUp({ 250, 300 });
    EXPECT_EQ(scroll->contentOffset().x, 200);
    EXPECT_EQ(screen->taps, 0);

    // Dragging stops at the ends of the content.
    window->touchDown({ 100, 300 });
    window->touchMoved({ 900, 300 });
    window->touchUp({ 900, 300 });
    EXPECT_EQ(scroll->contentOffset().x, 0);

    window->wheel({ 500, 300 }, 0, 120);
    EXPECT_EQ(scroll->contentOffset().x, 120);
    window->wheel({ 500, 300 }, 100000, 0);
    EXPECT_EQ(scroll->contentOffset().x, 5000 - 1024);
    // Outside the scroll view the wheel does nothing.
    window->wheel({ 500, 50 }, -500, 0);
    EXPECT_EQ(scroll->contentOffset().x, 5000 - 1024);
}

TEST_F(WindowTest, PresentedScreenSlidesInTakesTouchesAndIsDismissed)
{
    auto presented = Screen::create();
    bool done = false;
    screen->presentViewController(presented, Animated::Yes, [&] { done = true; });
    EXPECT_EQ(presented->loads, 1);
    EXPECT_EQ(window->frontViewController(), presented);
    EXPECT_EQ(window->viewsToDraw().size(), 2u);
    EXPECT_FALSE(done);
    advance(0.15);
    double y = presented->view()->frame().y();
    EXPECT_GT(y, 0);
    EXPECT_LT(y, 768);
    advance(0.2);
    EXPECT_TRUE(done);
    EXPECT_EQ(presented->appears, 1);
    EXPECT_EQ(presented->view()->frame().y(), 0);
    ASSERT_EQ(window->viewsToDraw().size(), 1u);
    EXPECT_EQ(window->viewsToDraw()[0], presented->view().get());
    EXPECT_EQ(presented->presentingViewController(), screen);

    // Touches go to the front screen only.
    tap({ 150, 120 });
    EXPECT_EQ(screen->taps, 0);

    bool dismissed = false;
    presented->dismissViewControllerAnimated(Animated::Yes, [&] { dismissed = true; });
    advance(0.5);
    EXPECT_TRUE(dismissed);
    EXPECT_EQ(window->frontViewController(), screen);
    EXPECT_EQ(presented->presentingViewController(), nullptr);
    tap({ 150, 120 });
    EXPECT_EQ(screen->taps, 1);
}

TEST_F(WindowTest, DismissingWhileStillSlidingInEndsWithThePresenterInFront)
{
    auto presented = Screen::create();
    int presentedDone = 0, dismissedDone = 0;
    screen->presentViewController(presented, Animated::Yes, [&] { presentedDone++; });
    advance(0.1);
    presented->dismissViewControllerAnimated(Animated::Yes, [&] { dismissedDone++; });
    // Both screens stay drawn while the presented one slides away.
    EXPECT_EQ(window->viewsToDraw().size(), 2u);
    advance(1);
    EXPECT_EQ(presentedDone, 1);
    EXPECT_EQ(dismissedDone, 1);
    EXPECT_EQ(window->frontViewController(), screen);
    ASSERT_EQ(window->viewsToDraw().size(), 1u);
    EXPECT_EQ(window->viewsToDraw()[0], screen->view().get());
}

TEST_F(WindowTest, ChangesToShownViewsMarkTheWindowForDisplay)
{
    window->layoutIfNeeded();
    window->clearNeedsDisplay();
    auto detached = Label::create();
    detached->setText("not shown");
    EXPECT_FALSE(window->needsDisplay());
    button->setTitle("Play");
    EXPECT_TRUE(window->needsDisplay());
    window->clearNeedsDisplay();
    button->layer().setBorderWidth(2);
    EXPECT_TRUE(window->needsDisplay());
    window->clearNeedsDisplay();
    button->setTitle("Play");
    EXPECT_FALSE(window->needsDisplay());
}

TEST_F(WindowTest, ApplicationLaunchShowsTheStoryboardsFirstScreen)
{
    struct Delegate : ApplicationDelegate {
        int launches = 0;
        bool didFinishLaunchingWithOptions(Application&) override { return ++launches > 0; }
    };
    auto delegate = std::make_shared<Delegate>();
    std::shared_ptr<Screen> first;
    Storyboard::registerScreen("Library", [&] { return first = Screen::create(); });
    Storyboard::registerScreen("Main", [] { return Screen::create(); });
    Storyboard::setInitialScreen("Library");
    EXPECT_EQ(Storyboard::instantiateViewControllerWithIdentifier("Nope"), nullptr);

    Application::shared().setDelegate(delegate);
    EXPECT_TRUE(Application::shared().launch());
    EXPECT_EQ(delegate->launches, 1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(Application::shared().window().rootViewController(), first);
    EXPECT_EQ(first->loads, 1);
    EXPECT_EQ(first->view()->frame(), RectMake(0, 0, 1024, 768));
    EXPECT_TRUE(first->shouldAutorotateToInterfaceOrientation(InterfaceOrientation::LandscapeLeft));
    EXPECT_FALSE(first->shouldAutorotateToInterfaceOrientation(InterfaceOrientation::Portrait));
    EXPECT_EQ(Window::keyWindow(), &Application::shared().window());
}
