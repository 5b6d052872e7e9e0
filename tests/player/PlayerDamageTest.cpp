// The playing screen redraws only what a beat changes: the cursor's old and new places and the
// quarter-beat circles; a page turn redraws the strip. Drawing just that over the previous frame
// gives the pixels of a full redraw.
#include "PlayerFixture.h"

#include "platform/render/Renderer.h"
#include "platform/render/Surface.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Window.h"

namespace player::test {

namespace {

class PlayerDamageTest : public PlayerFixture {
protected:
    void SetUp() override
    {
        PlayerFixture::SetUp();
        render::Renderer::installTextMetrics();
        // Slow beats (40 bpm), so the quarter-beat circles show too.
        writeSong("song", regularSong(12, 4, "40"));
        player = open("song");
        window = ui::Window::create();
        window->setRootViewController(player);
        player->play(nullptr);
        picture = render::Renderer::renderToSurface(*window);
        window->clearNeedsDisplay();
    }

    ui::Rect windowFrameOf(const char* identifier)
    {
        return player->view()->viewWithAccessibilityIdentifier(identifier)->windowFrame();
    }

    int differingPixelsAfterPartialRedraw()
    {
        window->layoutIfNeeded();
        render::Renderer::renderDamage(*window, *picture, 1.0, window->damage());
        window->clearNeedsDisplay();
        auto reference = render::Renderer::renderToSurface(*window);
        int differing = 0;
        for (int y = 0; y < picture->height(); y++)
            for (int x = 0; x < picture->width(); x++)
                differing += picture->rawPixel(x, y) != reference->rawPixel(x, y);
        return differing;
    }

    std::shared_ptr<ViewController> player;
    std::shared_ptr<ui::Window> window;
    std::shared_ptr<render::Surface> picture;
};

}

TEST_F(PlayerDamageTest, ABeatStepDamagesOnlyTheCursorsOldAndNewPlaces)
{
    for (int beat = 0; beat < 3; beat++) {
        double oldStart = windowFrameOf("leftShader").maxX();
        auto offset = std::static_pointer_cast<ui::ScrollView>(player->view()->viewWithAccessibilityIdentifier("scrollView"))->contentOffset();
        player->next(nullptr);
        double newEnd = windowFrameOf("rightShader").minX();
        ASSERT_EQ(std::static_pointer_cast<ui::ScrollView>(player->view()->viewWithAccessibilityIdentifier("scrollView"))->contentOffset(), offset)
            << "no page turn in the first beats";
        ASSERT_TRUE(window->needsDisplay());
        ui::Rect damaged = window->damage().bounds();
        EXPECT_GE(damaged.minX(), oldStart - 1) << "beat " << beat;
        EXPECT_LE(damaged.maxX(), newEnd + 1) << "beat " << beat;
        EXPECT_LT(window->damage().area(), 0.25 * 1024 * 768) << "beat " << beat;
        EXPECT_EQ(differingPixelsAfterPartialRedraw(), 0) << "beat " << beat;
    }
}

TEST_F(PlayerDamageTest, APageTurnRedrawsTheStripAndMatchesAFullRedraw)
{
    auto scroll = std::static_pointer_cast<ui::ScrollView>(player->view()->viewWithAccessibilityIdentifier("scrollView"));
    bool turned = false;
    for (int beat = 0; beat < 40 && !turned; beat++) {
        double before = scroll->contentOffset().x;
        player->next(nullptr);
        if (scroll->contentOffset().x != before) {
            turned = true;
            ui::Rect strip = scroll->windowFrame().intersection(window->bounds());
            ui::Rect damaged = window->damage().bounds();
            EXPECT_LE(damaged.minX(), strip.minX());
            EXPECT_GE(damaged.maxX(), strip.maxX());
            EXPECT_LE(damaged.minY(), strip.minY());
            EXPECT_GE(damaged.maxY(), strip.maxY());
        }
        ASSERT_EQ(differingPixelsAfterPartialRedraw(), 0) << "beat " << beat;
    }
    EXPECT_TRUE(turned);
}

}
