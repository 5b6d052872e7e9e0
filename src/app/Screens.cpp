#include "app/Screens.h"

#include "app/GalleryViewController.h"
#include "library/Screens.h"
#include "platform/ui/Storyboard.h"

namespace app {

void registerScreens(bool galleryFirst)
{
    GalleryViewController::registerScreen();
    // The song library (the first screen), the player and the app delegate.
    library::registerScreens();
    if (galleryFirst)
        ui::Storyboard::setInitialScreen(GalleryViewController::kScreenIdentifier);
}

}
