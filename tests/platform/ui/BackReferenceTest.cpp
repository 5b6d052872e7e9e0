// Back-references (a view's parent, an alert's window, a layer's owner, a recogniser's view, a
// screen's window) must read as gone once what they name is gone, whatever order things are
// dropped in. Under AddressSanitizer a dangling one fails these tests with a use after free.
#include "platform/core/RunLoop.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/LongPressGestureRecognizer.h"
#include "platform/ui/ShapeLayer.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>

using namespace ui;

namespace {

class BackReferenceTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        core::RunLoop::resetMain();
        Application::resetShared();
        Storyboard::reset();
    }
};

}

TEST_F(BackReferenceTest, AnAlertThatOutlivesItsWindowStillDismisses)
{
    auto window = Window::create();
    std::vector<int> dismissed;
    auto alert = AlertView::create("Error", "The tempi were not saved", { "Cancel", "OK" }, [&](int index) { dismissed.push_back(index); });
    alert->show();
    ASSERT_EQ(window->currentAlert(), alert);

    window.reset();
    EXPECT_EQ(Window::keyWindow(), nullptr);
    EXPECT_EQ(alert->window(), nullptr);
    EXPECT_EQ(alert->superview(), nullptr);

    alert->dismissWithClickedButtonIndex(1);
    EXPECT_FALSE(alert->isVisible());
    EXPECT_EQ(dismissed, std::vector<int> { 1 });

    // It can show again in a new window.
    auto next = Window::create();
    alert->show();
    EXPECT_EQ(next->currentAlert(), alert);
    EXPECT_EQ(alert->window(), next.get());
}

TEST_F(BackReferenceTest, AWindowLetsGoOfAScreenViewItNoLongerHosts)
{
    // One screen shown as the root of two windows in turn, then given a new view: the first
    // window still listed the old view among the ones it hosts.
    auto first = Window::create();
    auto second = Window::create();
    auto screen = ViewController::create();
    first->setRootViewController(screen);
    second->setRootViewController(screen);
    EXPECT_EQ(screen->window(), second.get());

    screen->setView(View::create());
    first.reset();
    second.reset();
    EXPECT_EQ(screen->window(), nullptr);
    EXPECT_EQ(screen->view()->window(), nullptr);
}

TEST_F(BackReferenceTest, ChildrenSublayersAndRecognizersOutliveWhatTheyWereAttachedTo)
{
    auto window = Window::create();
    auto screen = ViewController::create();
    window->setRootViewController(screen);

    auto parent = View::create();
    auto child = View::create();
    auto grandchild = View::create();
    parent->addSubview(child);
    child->addSubview(grandchild);
    screen->view()->addSubview(parent);
    auto recognizer = LongPressGestureRecognizer::create();
    child->addGestureRecognizer(recognizer);
    auto sublayer = ShapeLayer::create();
    auto inner = ShapeLayer::create();
    sublayer->addSublayer(inner);
    child->layer().addSublayer(sublayer);
    auto mask = ShapeLayer::create();
    child->layer().setMask(mask);
    ASSERT_EQ(grandchild->window(), window.get());
    ASSERT_EQ(inner->owningView(), child.get());
    ASSERT_EQ(mask->owningView(), child.get());
    ASSERT_EQ(recognizer->view(), child.get());

    // The parent goes while its child is held elsewhere.
    parent->removeFromSuperview();
    parent.reset();
    EXPECT_EQ(child->superview(), nullptr);
    EXPECT_EQ(child->superviewPointer(), nullptr);
    EXPECT_EQ(grandchild->window(), nullptr);
    EXPECT_EQ(grandchild->superview(), child);

    // The child goes: its layers and recogniser are left without a view.
    child.reset();
    EXPECT_EQ(grandchild->superview(), nullptr);
    EXPECT_EQ(recognizer->view(), nullptr);
    EXPECT_EQ(sublayer->superlayer(), nullptr);
    EXPECT_EQ(sublayer->owningView(), nullptr);
    EXPECT_EQ(inner->owningView(), nullptr);
    EXPECT_EQ(mask->superlayer(), nullptr);
    EXPECT_EQ(mask->owningView(), nullptr);
    // Changing them afterwards marks nothing.
    inner->setHidden(true);
    mask->setFrame(RectMake(0, 0, 10, 10));
    recognizer->setEnabled(false);

    // A layer whose superlayer went still works as a free-standing one.
    sublayer.reset();
    EXPECT_EQ(inner->superlayer(), nullptr);
    grandchild->layer().addSublayer(inner);
    EXPECT_EQ(inner->owningView(), grandchild.get());
}

TEST_F(BackReferenceTest, ScreensOutliveTheirWindowAndPresenter)
{
    auto window = Window::create();
    auto root = ViewController::create();
    auto presented = ViewController::create();
    window->setRootViewController(root);
    root->presentViewController(presented, Animated::No);
    ASSERT_EQ(presented->window(), window.get());
    ASSERT_EQ(presented->view()->window(), window.get());

    window.reset();
    EXPECT_EQ(root->window(), nullptr);
    EXPECT_EQ(presented->window(), nullptr);
    EXPECT_EQ(presented->view()->window(), nullptr);

    root.reset();
    EXPECT_EQ(presented->presentingViewController(), nullptr);
    EXPECT_EQ(presented->window(), nullptr);
    // Dismissing with nothing left to dismiss from does nothing.
    presented->dismissViewControllerAnimated(Animated::No);
}
