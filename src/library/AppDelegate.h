#pragma once
#include "platform/ui/Application.h"

#include <memory>

namespace library {

// The application delegate. Launching needs nothing from it: the storyboard brings up the song
// library by itself.
class AppDelegate : public ui::ApplicationDelegate {
public:
    static std::shared_ptr<AppDelegate> create() { return std::make_shared<AppDelegate>(); }

    // Keeps the application's window and answers yes.
    bool didFinishLaunchingWithOptions(ui::Application& application) override;

    // The app keeps no state that the life-cycle changes would have to save or restore.
    void applicationWillResignActive(ui::Application&) { }
    void applicationDidEnterBackground(ui::Application&) { }
    void applicationWillEnterForeground(ui::Application&) { }
    void applicationDidBecomeActive(ui::Application&) { }
    void applicationWillTerminate(ui::Application&) { }

    std::shared_ptr<ui::Window> window;
};

}
