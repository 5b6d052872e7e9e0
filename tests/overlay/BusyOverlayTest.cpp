#include "overlay/BusyOverlay.h"

#include "platform/core/Clock.h"
#include "platform/core/RunLoop.h"
#include "platform/render/Renderer.h"
#include "platform/render/Surface.h"
#include "platform/ui/ActivityIndicator.h"
#include "platform/ui/Label.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <thread>

using overlay::BusyOverlay;
using ui::Animated;

namespace {

class CountingDelegate : public overlay::BusyOverlayDelegate {
public:
    void overlayWasHidden(BusyOverlay* overlay) override
    {
        calls++;
        last = overlay;
    }
    int calls = 0;
    BusyOverlay* last = nullptr;
};

class BusyOverlayTest : public testing::Test {
protected:
    void SetUp() override
    {
        render::Renderer::installTextMetrics();
        clock = core::ManualClock::create(100);
        core::RunLoop::main().setClock(clock);
        host = ui::View::create(ui::RectMake(0, 0, 1024, 768));
        host->setBackgroundColor(ui::Color::white());
    }
    void TearDown() override { core::RunLoop::resetMain(); }

    // Runs the main loop's timers and tasks up to `seconds` from now on the manual clock.
    void advance(double seconds) { core::RunLoop::main().runUntil(clock->now() + seconds); }

    std::shared_ptr<render::Surface> renderHost()
    {
        host->layoutIfNeeded();
        for (auto& child : host->subviews())
            child->layoutIfNeeded();
        auto surface = render::Surface::create(1024, 768);
        render::Renderer::renderView(*host, *surface);
        return surface;
    }

    // Lets the look be checked by eye: BEATSTRIP_SCREENSHOT_DIR=/some/dir overlay_tests
    void keepScreenshot(const render::Surface& surface, const std::string& name)
    {
        if (const char* dir = getenv("BEATSTRIP_SCREENSHOT_DIR")) {
            EXPECT_TRUE(surface.writeToPNG(std::string(dir) + "/" + name));
        }
    }

    std::shared_ptr<core::ManualClock> clock;
    std::shared_ptr<ui::View> host;
};

void expectColorNear(ui::Color actual, ui::Color expected, const char* where)
{
    constexpr double tolerance = 2.0 / 255;
    EXPECT_NEAR(actual.r, expected.r, tolerance) << where;
    EXPECT_NEAR(actual.g, expected.g, tolerance) << where;
    EXPECT_NEAR(actual.b, expected.b, tolerance) << where;
    EXPECT_NEAR(actual.a, expected.a, tolerance) << where;
}

}

TEST_F(BusyOverlayTest, StartsWithTheDocumentedDefaults)
{
    auto overlay = BusyOverlay::create(host);
    EXPECT_EQ(overlay->animationType(), 0);
    EXPECT_EQ(overlay->mode(), BusyOverlay::Indeterminate);
    EXPECT_EQ(overlay->labelText(), "");
    EXPECT_EQ(overlay->detailsLabelText(), "");
    EXPECT_FLOAT_EQ(overlay->opacity(), 0.8f);
    EXPECT_FALSE(overlay->color());
    EXPECT_EQ(overlay->labelFont(), ui::Font::boldSystemFont(16));
    EXPECT_EQ(overlay->labelColor(), ui::Color::white());
    EXPECT_EQ(overlay->detailsLabelFont(), ui::Font::boldSystemFont(12));
    EXPECT_EQ(overlay->detailsLabelColor(), ui::Color::white());
    EXPECT_EQ(overlay->activityIndicatorColor(), ui::Color::white());
    EXPECT_EQ(overlay->xOffset(), 0);
    EXPECT_EQ(overlay->yOffset(), 0);
    EXPECT_FALSE(overlay->dimBackground());
    EXPECT_EQ(overlay->margin(), 20);
    EXPECT_EQ(overlay->cornerRadius(), 10);
    EXPECT_EQ(overlay->graceTime(), 0);
    EXPECT_EQ(overlay->minShowTime(), 0);
    EXPECT_FALSE(overlay->removeFromSuperViewOnHide());
    EXPECT_EQ(overlay->minSize(), ui::Size {});
    EXPECT_FALSE(overlay->isSquare());
    EXPECT_FALSE(overlay->completionBlock());
    EXPECT_FALSE(overlay->delegate());

    // Framed to the host but not on it, invisible, clear, and busy-looking once shown.
    EXPECT_EQ(overlay->frame(), host->bounds());
    EXPECT_FALSE(overlay->superview());
    EXPECT_EQ(overlay->alpha(), 0);
    EXPECT_EQ(overlay->backgroundColor(), ui::Color::clear());
    EXPECT_EQ(overlay->accessibilityIdentifier(), "busyOverlay");
    EXPECT_FALSE(overlay->taskInProgress());
    EXPECT_FALSE(overlay->showStarted());
    auto spinner = std::dynamic_pointer_cast<ui::ActivityIndicator>(overlay->indicator());
    ASSERT_TRUE(spinner);
    EXPECT_EQ(spinner->style(), ui::ActivityIndicatorStyle::WhiteLarge);
    EXPECT_TRUE(spinner->isAnimating());
    EXPECT_EQ(spinner->color(), ui::Color::white());
    EXPECT_EQ(overlay->label()->textAlignment(), ui::TextAlignment::Center);
}

TEST_F(BusyOverlayTest, DownloadingBoxIsCentredWithMarginAndSpacing)
{
    auto overlay = BusyOverlay::showAddedTo(host, Animated::Yes);
    overlay->setMode(0);
    overlay->setLabelText("Downloading");
    ASSERT_EQ(host->subviews().back(), overlay) << "added as the host's last child";
    advance(0.5);
    EXPECT_EQ(overlay->alpha(), 1.0);
    overlay->layoutIfNeeded();

    const ui::Size spinner = overlay->indicator()->bounds().size;
    const ui::Size text = ui::Font::boldSystemFont(16).sizeOfText("Downloading");
    ASSERT_GT(spinner.width, 0);
    ASSERT_GT(text.width, spinner.width) << "the label is the widest content";

    // 20 points of margin all round; 4 points between spinner and label.
    const ui::Size box = overlay->size();
    EXPECT_DOUBLE_EQ(box.width, text.width + 40);
    EXPECT_DOUBLE_EQ(box.height, spinner.height + 4 + text.height + 40);
    const ui::Rect boxRect = overlay->boxRect();
    EXPECT_EQ(boxRect.x(), std::round((1024 - box.width) / 2));
    EXPECT_EQ(boxRect.y(), std::round((768 - box.height) / 2));

    const ui::Rect spinnerFrame = overlay->indicator()->frame();
    EXPECT_EQ(spinnerFrame.x(), std::round((1024 - spinner.width) / 2));
    EXPECT_EQ(spinnerFrame.y(), boxRect.y() + 20);
    const ui::Rect labelFrame = overlay->label()->frame();
    EXPECT_EQ(labelFrame.x(), std::round((1024 - text.width) / 2));
    EXPECT_DOUBLE_EQ(labelFrame.y(), spinnerFrame.maxY() + 4);
    EXPECT_DOUBLE_EQ(labelFrame.maxY() + 20, boxRect.maxY());
    EXPECT_EQ(overlay->label()->text(), "Downloading");
    EXPECT_EQ(overlay->label()->font(), ui::Font::boldSystemFont(16));
    EXPECT_EQ(overlay->label()->textColor(), ui::Color::white());

    // The box is black at 80 % over the white host, with 10-point round corners.
    auto surface = renderHost();
    keepScreenshot(*surface, "overlay_downloading.png");
    const ui::Color dark = ui::Color::white(0.2, 1);
    expectColorNear(surface->pixel(int(boxRect.x()) + 3, int(boxRect.midY())), dark, "left edge of the box");
    expectColorNear(surface->pixel(int(boxRect.midX()), int(boxRect.maxY()) - 3), dark, "bottom edge of the box");
    expectColorNear(surface->pixel(int(boxRect.x()) + 1, int(boxRect.y()) + 1), ui::Color::white(), "rounded-off corner");
    expectColorNear(surface->pixel(int(boxRect.maxX()) - 2, int(boxRect.maxY()) - 2), ui::Color::white(), "rounded-off corner");
    expectColorNear(surface->pixel(int(boxRect.x()) + 4, int(boxRect.y()) + 4), dark, "inside the corner arc");
    expectColorNear(surface->pixel(int(boxRect.x()) - 2, int(boxRect.midY())), ui::Color::white(), "outside the box");
    expectColorNear(surface->pixel(10, 10), ui::Color::white(), "the rest of the host");

    // The label's white text shows on the box.
    int bright = 0;
    for (int y = int(labelFrame.y()); y < int(labelFrame.maxY()); y++)
        for (int x = int(labelFrame.x()); x < int(labelFrame.maxX()); x++)
            bright += surface->pixel(x, y).r > 0.9;
    EXPECT_GT(bright, 30);
}

TEST_F(BusyOverlayTest, EmptyLabelBoxesTheSpinnerAlone)
{
    auto overlay = BusyOverlay::showAddedTo(host, Animated::No);
    overlay->layoutIfNeeded();
    const ui::Size spinner = overlay->indicator()->bounds().size;
    EXPECT_DOUBLE_EQ(overlay->size().width, spinner.width + 40);
    EXPECT_DOUBLE_EQ(overlay->size().height, spinner.height + 40) << "no spacing below the spinner";
    EXPECT_EQ(overlay->label()->frame().size, ui::Size {});
    EXPECT_EQ(overlay->indicator()->frame().y(), overlay->boxRect().y() + 20);

    keepScreenshot(*renderHost(), "overlay_spinner_only.png");
}

TEST_F(BusyOverlayTest, TextModeAndOptionsShapeTheBox)
{
    auto overlay = BusyOverlay::showAddedTo(host, Animated::No);
    overlay->setLabelText("Hi");
    overlay->setMode(BusyOverlay::Text);
    EXPECT_FALSE(overlay->indicator());
    overlay->setMargin(10);
    overlay->setMinSize({ 200, 0 });
    overlay->setYOffset(-100);
    overlay->layoutIfNeeded();
    const ui::Size text = ui::Font::boldSystemFont(16).sizeOfText("Hi");
    EXPECT_DOUBLE_EQ(overlay->size().width, 200);
    EXPECT_DOUBLE_EQ(overlay->size().height, text.height + 20);
    EXPECT_EQ(overlay->boxRect().y(), std::round((768 - (text.height + 20)) / 2) - 100);
    EXPECT_DOUBLE_EQ(overlay->label()->frame().y(), overlay->boxRect().y() + 10);

    // Square comes before the minimum size.
    overlay->setSquare(true);
    overlay->layoutIfNeeded();
    EXPECT_DOUBLE_EQ(overlay->size().width, 200);
    EXPECT_DOUBLE_EQ(overlay->size().height, std::max(text.width, text.height) + 20);
    overlay->setMinSize({});
    overlay->layoutIfNeeded();
    EXPECT_DOUBLE_EQ(overlay->size().width, overlay->size().height);

    overlay->setMode(BusyOverlay::Indeterminate);
    EXPECT_TRUE(std::dynamic_pointer_cast<ui::ActivityIndicator>(overlay->indicator()));
}

TEST_F(BusyOverlayTest, FollowsTheHostsBounds)
{
    auto overlay = BusyOverlay::showAddedTo(host, Animated::No);
    host->setFrame(ui::RectMake(0, 0, 600, 400));
    overlay->setNeedsLayout();
    overlay->layoutIfNeeded();
    EXPECT_EQ(overlay->frame(), ui::RectMake(0, 0, 600, 400));
    EXPECT_EQ(overlay->boxRect().x(), std::round((600 - overlay->size().width) / 2));
}

TEST_F(BusyOverlayTest, HideRightAfterShowFadesFromWhereTheFadeInStands)
{
    auto overlay = BusyOverlay::showAddedTo(host, Animated::Yes);
    auto delegate = std::make_shared<CountingDelegate>();
    overlay->setDelegate(delegate);
    int completions = 0;
    overlay->setCompletionBlock([&] { completions++; });

    EXPECT_EQ(overlay->showStarted(), 100);
    advance(0.1);
    const double reached = overlay->alpha();
    ASSERT_GT(reached, 0);
    ASSERT_LT(reached, 1);

    overlay->hide(Animated::Yes);
    EXPECT_FALSE(overlay->showStarted());
    advance(0.02);
    EXPECT_LE(overlay->alpha(), reached) << "no jump back to full before fading";
    EXPECT_GT(overlay->alpha(), 0.02);
    advance(0.25);
    EXPECT_EQ(completions, 0) << "told only after the 0.3 s fade";
    EXPECT_EQ(delegate->calls, 0);

    advance(0.05);
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(delegate->calls, 1);
    EXPECT_EQ(delegate->last, overlay.get());
    EXPECT_EQ(overlay->alpha(), 0);
    EXPECT_TRUE(overlay->isFinished());
    EXPECT_EQ(overlay->superview(), host) << "stays on its host, invisible";
    EXPECT_FALSE(overlay->completionBlock());
    EXPECT_FALSE(std::dynamic_pointer_cast<ui::ActivityIndicator>(overlay->indicator())->isAnimating());

    // A hidden overlay takes no touches.
    EXPECT_NE(host->hitTest({ 512, 384 }), overlay.get());

    overlay->hide(Animated::Yes);
    overlay->hide(Animated::No);
    advance(1);
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(delegate->calls, 1);
}

TEST_F(BusyOverlayTest, HideWithoutAnimationFinishesAtOnce)
{
    auto overlay = BusyOverlay::showAddedTo(host, Animated::No);
    EXPECT_EQ(overlay->alpha(), 1);
    EXPECT_EQ(host->hitTest({ 5, 5 }), overlay.get()) << "a shown overlay covers the host";
    int completions = 0;
    overlay->setCompletionBlock([&] { completions++; });
    overlay->setRemoveFromSuperViewOnHide(true);
    std::weak_ptr<BusyOverlay> weak = overlay;
    overlay->hide(Animated::No);
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(overlay->alpha(), 0);
    EXPECT_FALSE(overlay->superview());
    EXPECT_TRUE(host->subviews().empty());
    overlay.reset();
    EXPECT_TRUE(weak.expired()) << "nothing keeps a finished overlay alive";
}

TEST_F(BusyOverlayTest, ShowDuringTheFadeOutKeepsItShown)
{
    auto overlay = BusyOverlay::showAddedTo(host, Animated::Yes);
    int completions = 0;
    overlay->setCompletionBlock([&] { completions++; });
    advance(0.5);
    overlay->hide(Animated::Yes);
    advance(0.1);
    overlay->show(Animated::Yes);
    advance(1);
    EXPECT_EQ(completions, 0);
    EXPECT_EQ(overlay->alpha(), 1);
    EXPECT_FALSE(overlay->isFinished());
    overlay->hide(Animated::Yes);
    advance(1);
    EXPECT_EQ(completions, 1);
}

TEST_F(BusyOverlayTest, GraceTimeDelaysTheShowAndAnEarlyHideSkipsIt)
{
    auto overlay = BusyOverlay::create(host);
    host->addSubview(overlay);
    overlay->setGraceTime(0.5f);
    overlay->show(Animated::No);
    EXPECT_TRUE(overlay->taskInProgress());
    advance(0.49);
    EXPECT_EQ(overlay->alpha(), 0);
    advance(0.02);
    EXPECT_EQ(overlay->alpha(), 1);
    EXPECT_NEAR(*overlay->showStarted(), 100.5, 1e-9);

    auto quick = BusyOverlay::create(host);
    host->addSubview(quick);
    quick->setGraceTime(0.5f);
    int completions = 0;
    quick->setCompletionBlock([&] { completions++; });
    quick->show(Animated::Yes);
    advance(0.2);
    quick->hide(Animated::Yes);
    EXPECT_EQ(completions, 1) << "never shown, so nothing to fade";
    advance(2);
    EXPECT_EQ(quick->alpha(), 0) << "the task ended before the grace time";
    EXPECT_EQ(completions, 1);
}

TEST_F(BusyOverlayTest, MinimumShowTimeHoldsTheOverlay)
{
    auto overlay = BusyOverlay::showAddedTo(host, Animated::No);
    overlay->setMinShowTime(1.0f);
    int completions = 0;
    overlay->setCompletionBlock([&] { completions++; });
    advance(0.25);
    overlay->hide(Animated::Yes);
    advance(0.7);
    EXPECT_EQ(overlay->alpha(), 1);
    EXPECT_EQ(completions, 0);
    advance(0.1); // 1.05 s shown: the fade has begun
    EXPECT_LT(overlay->alpha(), 1);
    advance(0.3);
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(overlay->alpha(), 0);
}

TEST_F(BusyOverlayTest, ChangesFromAnotherThreadApplyOnTheMainThread)
{
    auto overlay = BusyOverlay::showAddedTo(host, Animated::No);
    std::thread worker([&] {
        overlay->setLabelText("Unpacking");
        overlay->setActivityIndicatorColor(ui::Color::red());
    });
    worker.join();
    EXPECT_EQ(overlay->label()->text(), "") << "not touched off the main thread";
    core::RunLoop::main().runOnce();
    EXPECT_EQ(overlay->labelText(), "Unpacking");
    EXPECT_EQ(overlay->label()->text(), "Unpacking");
    EXPECT_EQ(std::dynamic_pointer_cast<ui::ActivityIndicator>(overlay->indicator())->color(), ui::Color::red());
}

TEST_F(BusyOverlayTest, CustomColourReplacesTheTranslucentBlack)
{
    auto overlay = BusyOverlay::showAddedTo(host, Animated::No);
    overlay->setColor(ui::Color::rgba(0, 0, 1, 1));
    auto surface = renderHost();
    const ui::Rect box = overlay->boxRect();
    expectColorNear(surface->pixel(int(box.x()) + 3, int(box.midY())), ui::Color::blue(), "box");
}

// The details label takes as many lines as its text needs in the width the box may take, and
// the box grows to hold them; a short text keeps its one line.
TEST_F(BusyOverlayTest, LongDetailsWrapInsideTheBox)
{
    host->setFrame(ui::RectMake(0, 0, 300, 600));
    auto overlay = BusyOverlay::showAddedTo(host, Animated::No);
    overlay->setLabelText("Downloading");
    overlay->setDetailsLabelText("Short");
    overlay->layoutIfNeeded();
    const ui::Font font = overlay->detailsLabelFont();
    EXPECT_DOUBLE_EQ(overlay->detailsLabel()->frame().height(), font.sizeOfText("Short").height);
    const double oneLineBox = overlay->size().height;

    const std::string details = "The package is fetched from the content server, checked, and only then put in place of the old songs.";
    overlay->setDetailsLabelText(details);
    overlay->layoutIfNeeded();
    const double maxWidth = 300 - 4 * overlay->margin();
    const auto lines = ui::Label::wrappedLines(details, font, maxWidth, 0);
    ASSERT_GT(lines.size(), 1u);
    const ui::Rect frame = overlay->detailsLabel()->frame();
    EXPECT_LE(frame.width(), maxWidth);
    EXPECT_DOUBLE_EQ(frame.height(), static_cast<double>(lines.size()) * font.lineHeight());
    EXPECT_DOUBLE_EQ(overlay->size().height, oneLineBox + frame.height() - font.sizeOfText("Short").height);
    // Inside the box, below the label.
    EXPECT_GE(frame.y(), overlay->label()->frame().maxY());
    EXPECT_LE(frame.maxY(), overlay->boxRect().maxY() - overlay->margin());
}
