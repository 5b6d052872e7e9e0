#include "platform/core/Clock.h"
#include "platform/core/RunLoop.h"
#include "platform/ui/Button.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Slider.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>

using namespace ui;

namespace {

// A screen as the app writes them: actions are members that take their sender.
class Screen : public ViewController, public TextFieldDelegate {
public:
    static std::shared_ptr<Screen> create() { return std::shared_ptr<Screen>(new Screen()); }
    void play(Object* sender) { plays.push_back(sender); }
    void changed(Object* sender) { changes.push_back(static_cast<SegmentedControl*>(sender)->selectedSegmentIndex()); }
    void slid(Object* sender) { values.push_back(static_cast<Slider*>(sender)->value()); }
    bool textFieldShouldReturn(TextField* field) override
    {
        returned.push_back(field->text());
        field->resignFirstResponder();
        return allowReturn;
    }
    std::vector<Object*> plays;
    std::vector<int> changes;
    std::vector<float> values;
    std::vector<std::string> returned;
    bool allowReturn = true;
};

class ControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        core::RunLoop::main().setClock(clock);
        window = Window::create();
        screen = Screen::create();
        window->setRootViewController(screen);
    }
    void TearDown() override { core::RunLoop::resetMain(); }
    void tap(Point p)
    {
        window->touchDown(p);
        window->touchUp(p);
    }
    template<typename T>
    std::shared_ptr<T> add(std::shared_ptr<T> view)
    {
        screen->view()->addSubview(view);
        return view;
    }

    std::shared_ptr<core::ManualClock> clock = core::ManualClock::create(10);
    std::shared_ptr<Window> window;
    std::shared_ptr<Screen> screen;
};

}

TEST_F(ControlTest, ButtonSendsTouchDownAndTouchUpInsideToItsTarget)
{
    auto button = add(Button::create(ButtonType::System, RectMake(100, 100, 80, 40)));
    std::vector<std::string> events;
    button->addTarget(screen, &Screen::play, ControlEvent::TouchUpInside);
    button->addTarget(std::weak_ptr<void>(), [&](Object*) { events.push_back("down"); }, ControlEvent::TouchDown);

    window->touchDown({ 120, 120 });
    EXPECT_EQ(events, std::vector<std::string> { "down" });
    EXPECT_TRUE(button->isHighlighted());
    EXPECT_TRUE(screen->plays.empty());
    window->touchUp({ 125, 118 });
    ASSERT_EQ(screen->plays.size(), 1u);
    EXPECT_EQ(screen->plays[0], button.get());
    EXPECT_FALSE(button->isHighlighted());

    // Lifted far away: no touch-up-inside.
    window->touchDown({ 120, 120 });
    window->touchUp({ 600, 600 });
    EXPECT_EQ(screen->plays.size(), 1u);

    // Disabled: nothing at all, and the touch does not fall through.
    button->setEnabled(false);
    tap({ 120, 120 });
    EXPECT_EQ(screen->plays.size(), 1u);
    EXPECT_EQ(events.size(), 2u);
}

TEST_F(ControlTest, ActionsOfAGoneTargetAreSkipped)
{
    auto button = Button::create(ButtonType::System, RectMake(0, 0, 10, 10));
    int calls = 0;
    {
        auto target = Screen::create();
        button->addTarget(target, &Screen::play, ControlEvent::TouchUpInside);
        button->addTarget(target, [&](Object*) { calls++; }, ControlEvent::TouchUpInside);
        button->sendActionsForControlEvents(ControlEvent::TouchUpInside);
        EXPECT_EQ(target->plays.size(), 1u);
        EXPECT_EQ(calls, 1);
    }
    button->sendActionsForControlEvents(ControlEvent::TouchUpInside);
    EXPECT_EQ(calls, 1);
}

TEST_F(ControlTest, SegmentedControlSetFromCodeSendsNothingButATapDoes)
{
    auto segments = add(SegmentedControl::create({ "Off", "On" }, RectMake(100, 100, 200, 30)));
    segments->addTarget(screen, &Screen::changed, ControlEvent::ValueChanged);
    segments->setSelectedSegmentIndex(1);
    segments->setSelectedSegmentIndex(0);
    EXPECT_TRUE(screen->changes.empty());
    EXPECT_EQ(segments->selectedSegmentIndex(), 0);

    Rect second = segments->convertRect(segments->rectForSegment(1), nullptr);
    tap(second.center());
    EXPECT_EQ(screen->changes, std::vector<int> { 1 });
    // Tapping the selected segment again changes nothing.
    tap(second.center());
    EXPECT_EQ(screen->changes, std::vector<int> { 1 });
    tap({ 110, 115 });
    EXPECT_EQ(screen->changes, (std::vector<int> { 1, 0 }));

    segments->setEnabled(false);
    tap(second.center());
    EXPECT_EQ(segments->selectedSegmentIndex(), 0);
    segments->setSelectedSegmentIndex(5);
    EXPECT_EQ(segments->selectedSegmentIndex(), SegmentedControl::kNoSegment);
}

TEST_F(ControlTest, SliderDragSendsValueChangedAndClamps)
{
    auto slider = add(Slider::create(RectMake(100, 100, 228, 30)));
    slider->setMinimumValue(0);
    slider->setMaximumValue(1);
    slider->setValue(0.25f);
    slider->addTarget(screen, &Screen::slid, ControlEvent::ValueChanged);
    EXPECT_TRUE(screen->values.empty());

    Point start = slider->convertPoint(slider->pointForValue(0.25f), nullptr);
    Point end = slider->convertPoint(slider->pointForValue(0.75f), nullptr);
    window->touchDown(start);
    window->touchMoved({ (start.x + end.x) / 2, start.y });
    window->touchMoved(end);
    window->touchUp(end);
    ASSERT_FALSE(screen->values.empty());
    EXPECT_FLOAT_EQ(slider->value(), 0.75f);
    EXPECT_FLOAT_EQ(screen->values.back(), 0.75f);

    window->touchDown(end);
    window->touchMoved({ 2000, end.y });
    window->touchUp({ 2000, end.y });
    EXPECT_FLOAT_EQ(slider->value(), 1.0f);
    slider->setValue(7);
    EXPECT_FLOAT_EQ(slider->value(), 1.0f);
}

TEST_F(ControlTest, TextFieldTakesFocusTypedTextAndAsksItsDelegateOnReturn)
{
    auto field = add(TextField::create(RectMake(100, 100, 80, 30)));
    auto other = add(TextField::create(RectMake(300, 100, 80, 30)));
    field->setDelegate(screen);
    std::vector<std::string> keys;
    screen->plays.clear();

    window->textInput("9");
    EXPECT_EQ(field->text(), "");

    tap({ 120, 110 });
    EXPECT_TRUE(field->isFirstResponder());
    window->textInput("1");
    window->textInput("27");
    window->keyDown(Key::Backspace);
    window->textInput("5");
    EXPECT_EQ(field->text(), "125");
    // Space and arrows stay with the field, not the screen.
    window->keyDown(Key::Space);

    tap({ 320, 110 });
    EXPECT_TRUE(other->isFirstResponder());
    EXPECT_FALSE(field->isFirstResponder());
    tap({ 120, 110 });

    window->keyDown(Key::Return);
    EXPECT_EQ(screen->returned, std::vector<std::string> { "125" });
    EXPECT_FALSE(field->isFirstResponder());
    window->textInput("0");
    EXPECT_EQ(field->text(), "125");
}

TEST_F(ControlTest, ReturnSendsEditingDidEndOnExitUnlessTheDelegateRefuses)
{
    auto field = add(TextField::create(RectMake(100, 100, 80, 30)));
    int ended = 0;
    field->addTarget(std::weak_ptr<void>(), [&](Object*) { ended++; }, ControlEvent::EditingDidEndOnExit);
    ASSERT_TRUE(field->becomeFirstResponder());
    window->keyDown(Key::Return);
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(field->isFirstResponder());

    struct Refuser : TextFieldDelegate {
        bool textFieldShouldReturn(TextField*) override { return false; }
    };
    auto refuser = std::make_shared<Refuser>();
    field->setDelegate(refuser);
    ASSERT_TRUE(field->becomeFirstResponder());
    window->keyDown(Key::Return);
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(field->isFirstResponder());

    // A field not in a window cannot take focus.
    EXPECT_FALSE(TextField::create()->becomeFirstResponder());
}

TEST_F(ControlTest, KeysWithoutAFocusedFieldGoToTheFrontScreen)
{
    struct KeyScreen : ViewController {
        std::vector<Key> keys;
        void keyPressed(Key key) override { keys.push_back(key); }
    };
    auto keyScreen = std::make_shared<KeyScreen>();
    screen->presentViewController(keyScreen, Animated::No);
    window->keyDown(Key::Space);
    window->keyDown(Key::Left);
    EXPECT_EQ(keyScreen->keys, (std::vector<Key> { Key::Space, Key::Left }));
}
