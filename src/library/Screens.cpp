#include "library/Screens.h"

#include "library/AppDelegate.h"
#include "library/ModeSelectionViewController.h"
#include "platform/ui/Application.h"
#include "platform/ui/Storyboard.h"
#include "player/ViewController.h"

namespace library {

void registerScreens()
{
    ui::Storyboard::registerScreen(kLibraryScreenIdentifier, [] { return ModeSelectionViewController::create(); });
    ui::Storyboard::setInitialScreen(kLibraryScreenIdentifier);
    player::registerPlayerScreen();
    ui::Application::shared().setDelegate(AppDelegate::create());
}

}
