#pragma once
// The library screen started as main() starts it, on the manual clock and in a temporary home,
// with the touches and look-ups its tests share.
#include "TempHome.h"
#include "library/ModeSelectionViewController.h"
#include "library/Screens.h"
#include "platform/core/Clock.h"
#include "platform/core/RunLoop.h"
#include "platform/core/UserDefaults.h"
#include "platform/render/Renderer.h"
#include "platform/ui/Application.h"
#include "platform/ui/Label.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/Window.h"
#include "player/ViewController.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class LibraryScreenFixture : public testing::Test {
protected:
    using ModeSelectionViewController = library::ModeSelectionViewController;

    void SetUp() override
    {
        render::Renderer::installTextMetrics();
        clock = core::ManualClock::create(0);
        core::RunLoop::main().setClock(clock);
        core::UserDefaults::resetStandardUserDefaults();
        ui::Storyboard::reset();
        ui::Application::resetShared();
    }
    void TearDown() override
    {
        ui::Application::resetShared();
        ui::Storyboard::reset();
        core::RunLoop::resetMain();
        core::UserDefaults::resetStandardUserDefaults();
    }

    // Starts the app as main() does and returns its first screen.
    std::shared_ptr<ModeSelectionViewController> launch()
    {
        library::registerScreens();
        EXPECT_TRUE(ui::Application::shared().launch());
        window().layoutIfNeeded();
        auto screen = std::dynamic_pointer_cast<ModeSelectionViewController>(window().rootViewController());
        EXPECT_TRUE(screen) << "the library is the first screen";
        return screen;
    }

    ui::Window& window() { return ui::Application::shared().window(); }
    void advance(double seconds) { core::RunLoop::main().runUntil(clock->now() + seconds); }

    void tap(ui::Point point)
    {
        window().touchDown(point);
        window().touchUp(point);
        window().layoutIfNeeded();
    }
    void tapRow(const ModeSelectionViewController& screen, int row)
    {
        auto rect = screen.tableview->convertRect(screen.tableview->rectForRowAtIndexPath({ 0, row }), nullptr);
        tap({ rect.midX(), rect.midY() });
    }

    // The player on top after a tap on a row, once its presentation has run.
    std::shared_ptr<player::ViewController> presentedPlayer()
    {
        advance(1);
        return std::dynamic_pointer_cast<player::ViewController>(window().frontViewController());
    }

    std::vector<std::string> visibleTitles(const ModeSelectionViewController& screen)
    {
        std::vector<std::string> titles;
        int rows = screen.tableview->numberOfRowsInSection(0);
        for (int row = 0; row < rows; row++) {
            auto cell = screen.tableview->cellForRowAtIndexPath({ 0, row });
            titles.push_back(cell ? cell->textLabel()->text() : "<not shown>");
        }
        return titles;
    }

    TempHome home;
    std::shared_ptr<core::ManualClock> clock;
};
