#include "app/GalleryViewController.h"
#include "app/Script.h"
#include "app/ScriptDriver.h"
#include "net/URLConnectionOperation.h"
#include "platform/core/Clock.h"
#include "platform/core/Dispatch.h"
#include "platform/core/TemporaryFolder.h"
#include "platform/http/URLRequest.h"
#include "platform/core/RunLoop.h"
#include "platform/render/Renderer.h"
#include "platform/render/Surface.h"
#include "platform/ui/Image.h"
#include "platform/ui/Label.h"
#include "platform/ui/Slider.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <cstdlib>
#include <thread>

namespace {

class ScriptDriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        core::RunLoop::main().setClock(clock);
        ui::Image::setResourceDirectory(BEATSTRIP_SOURCE_DIR "/assets");
        window = ui::Window::create();
        gallery = app::GalleryViewController::create();
        window->setRootViewController(gallery);
        auto folder = core::TemporaryFolder::create("driver");
        ASSERT_TRUE(folder.ok());
        outFolder = *folder;
        out = outFolder->path();
        driver = std::make_unique<app::ScriptDriver>(*window, clock, out);
        driver->settle();
    }
    void TearDown() override
    {
        driver.reset();
        window.reset();
        core::RunLoop::resetMain();
        ui::Storyboard::reset();
        outFolder.reset();
    }
    std::string run(const std::string& text)
    {
        app::Script script;
        std::string error = script.parse(text);
        if (!error.empty())
            return error;
        return driver->run(script);
    }
    std::string status()
    {
        auto label = std::dynamic_pointer_cast<ui::Label>(window->viewWithAccessibilityIdentifier("galleryStatus"));
        return label ? label->text() : "(no status label)";
    }

    std::shared_ptr<core::ManualClock> clock = core::ManualClock::create(0);
    std::shared_ptr<ui::Window> window;
    std::shared_ptr<app::GalleryViewController> gallery;
    std::unique_ptr<app::ScriptDriver> driver;
    std::string out;
    std::shared_ptr<core::TemporaryFolder> outFolder;
};

bool near(ui::Color c, double r, double g, double b)
{
    constexpr double tolerance = 0.04;
    return std::abs(c.r - r) < tolerance && std::abs(c.g - g) < tolerance && std::abs(c.b - b) < tolerance;
}

}

TEST_F(ScriptDriverTest, GalleryMaskClipsTheChildStandingOutsideAndDashesHaveGaps)
{
    auto surface = render::Renderer::renderToSurface(*window);
    // The masked view is (40, 584, 160, 120), its mask 220 x 160 with the top-left and
    // bottom-right corners rounded by 40; its blue child reaches (290, 764).
    EXPECT_TRUE(near(surface->pixel(100, 650), 1, 0.6, 0.2)) << "the masked view itself";
    EXPECT_TRUE(near(surface->pixel(230, 690), 0.25, 0.4, 0.9)) << "the child outside the view's bounds but inside the mask";
    EXPECT_TRUE(near(surface->pixel(270, 690), 0.94, 0.94, 0.94)) << "the child beyond the mask is clipped";
    EXPECT_TRUE(near(surface->pixel(255, 739), 0.94, 0.94, 0.94)) << "the mask's rounded corner clips too";
    EXPECT_TRUE(near(surface->pixel(42, 586), 0.94, 0.94, 0.94)) << "the rounded top-left corner of the mask";
    // The dashed line: 12 on, 6 off, from x = 300 along y = 604.
    EXPECT_TRUE(near(surface->pixel(306, 604), 0, 0, 0)) << "a dash";
    EXPECT_TRUE(near(surface->pixel(315, 604), 1, 1, 1)) << "the gap after it";
    EXPECT_TRUE(near(surface->pixel(324, 604), 0, 0, 0)) << "the next dash";
}

TEST_F(ScriptDriverTest, ControlsAnswerAsAUsersTouchesWould)
{
    ASSERT_EQ(run("slide id:gallerySlider 5\n"), "");
    auto slider = std::dynamic_pointer_cast<ui::Slider>(window->viewWithAccessibilityIdentifier("gallerySlider"));
    ASSERT_TRUE(slider);
    EXPECT_FLOAT_EQ(slider->value(), 1.0f) << "a drag past the end stops at the maximum";
    EXPECT_EQ(status(), "Slider 1.00");

    ASSERT_EQ(run("select id:gallerySegments 0\n"), "");
    EXPECT_EQ(status(), "Slider 1.00") << "choosing the segment already chosen sends nothing";
    ASSERT_EQ(run("select id:gallerySegments 1\n"), "");
    EXPECT_EQ(status(), "Segment 1");

    // A point target goes through hit-testing like any touch: the centre of "Tap me".
    ASSERT_EQ(run("tap 75 104\n"), "");
    EXPECT_EQ(status(), "Button tapped 1");
    ASSERT_EQ(run("tap tag:1000\n"), "") << "the first block of the strip has tag 1000";

    // A point names the view a finger there would touch.
    ASSERT_EQ(run("select 30 156 2\n"), "");
    EXPECT_EQ(status(), "Segment 2");
    EXPECT_EQ(run("select 600 20 1\n"), "line 1: point 600 20 is not a segmented control");
}

TEST_F(ScriptDriverTest, PressHoldsTheClockAndAShortPressIsNoLongPress)
{
    ASSERT_EQ(run("press id:galleryPressArea 0.3\n"), "");
    EXPECT_EQ(status(), "Ready");
    EXPECT_DOUBLE_EQ(clock->now(), 0.3);
    ASSERT_EQ(run("press id:galleryPressArea 0.6\n"), "");
    EXPECT_EQ(status(), "Long press ended");
    EXPECT_DOUBLE_EQ(clock->now(), 0.9);
}

TEST_F(ScriptDriverTest, RuntimeErrorsCarryTheLineNumber)
{
    EXPECT_EQ(run("wait 1\ntap id:nowhere\n"), "line 2: no view with identifier 'nowhere'");
    EXPECT_EQ(run("type id:gallerySlider hi\n"), "line 1: id:gallerySlider is not a text field");
    EXPECT_EQ(run("\ntap row:40\n"), "line 2: no row 40 in the table");
    // A hidden field cannot take the keyboard, as for a user.
    window->viewWithAccessibilityIdentifier("galleryField")->setHidden(true);
    EXPECT_EQ(run("type id:galleryField hi\n"), "line 1: id:galleryField did not take the keyboard focus (covered, hidden or disabled)");
}

TEST_F(ScriptDriverTest, ATargetOutOfSightIsAnErrorNotASilentMiss)
{
    // Block 15's centre is inside the window but past the strip's right edge, which clips it.
    EXPECT_EQ(run("tap tag:1015\n"), "line 1: tag:1015 is out of sight (its centre 1016 496.5 is outside the window or scrolled away)");
    auto button = window->viewWithAccessibilityIdentifier("galleryButton");
    button->setFrame(ui::RectMake(1100, 84, 110, 40));
    EXPECT_EQ(run("tap id:galleryButton\n"), "line 1: id:galleryButton is out of sight (its centre 1155 104 is outside the window or scrolled away)");
    EXPECT_EQ(status(), "Ready");
    button->setFrame(ui::RectMake(20, 84, 110, 40));
    EXPECT_EQ(run("tap id:galleryButton\n"), "");
    EXPECT_EQ(status(), "Button tapped 1");
}

TEST_F(ScriptDriverTest, IdleRunsWorkHoppingBetweenThreadsThenReturns)
{
    std::atomic<int> hops { 0 };
    std::thread worker([&] {
        dispatch::mainQueue().async([&] {
            hops++;
            dispatch::globalQueue().async([&] {
                dispatch::mainQueue().async([&] { hops++; });
            });
        });
    });
    auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(run("idle 20\n"), "");
    worker.join();
    EXPECT_EQ(hops.load(), 2);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20)) << "idle returned once settled";
    EXPECT_DOUBLE_EQ(clock->now(), 0) << "idle does not move the manual clock";
}

TEST_F(ScriptDriverTest, IdleWaitsForATransferAndItsCompletion)
{
    // A loopback server that holds the response until the test lets it go.
    std::mutex mutex;
    std::condition_variable condition;
    bool released = false;
    auto release = [&] {
        std::lock_guard lock(mutex);
        released = true;
        condition.notify_all();
    };
    httplib::Server server;
    server.Get("/data.zip", [&](const httplib::Request&, httplib::Response& response) {
        std::unique_lock lock(mutex);
        condition.wait_for(lock, std::chrono::seconds(30), [&] { return released; });
        response.set_content(std::string(64 * 1024, 'z'), "application/zip");
    });
    server.set_keep_alive_max_count(1);
    int port = server.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port, 0);
    std::thread serving([&] { server.listen_after_bind(); });
    struct Stop {
        std::function<void()> run;
        ~Stop() { run(); }
    } stop { [&] {
        release();
        server.stop();
        serving.join();
    } };

    auto completions = std::make_shared<int>(0);
    auto operation = net::URLConnectionOperation::create(http::URLRequest("http://127.0.0.1:" + std::to_string(port) + "/data.zip"));
    operation->setCompletionBlock([completions] { (*completions)++; });
    operation->start();

    auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(run("idle 0.5\n"), "");
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500))
        << "a transfer in flight keeps idle waiting until its limit";
    EXPECT_EQ(*completions, 0);

    release();
    started = std::chrono::steady_clock::now();
    ASSERT_EQ(run("idle 20\n"), "");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20)) << "idle returned once settled";
    EXPECT_EQ(*completions, 1) << "idle returns only after the completion ran";
    EXPECT_EQ(net::URLConnectionOperation::pendingOperationCount(), 0);
}
