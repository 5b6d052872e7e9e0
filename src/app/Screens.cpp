#include "app/Screens.h"

#include "app/GalleryViewController.h"
#include "platform/ui/Storyboard.h"

// The song library and the player register themselves (screens, first screen, app delegate)
// through library::registerScreens(). Until src/library/Screens.h exists the gallery stands in.
#if __has_include("library/Screens.h")
#include "library/Screens.h"
#define BEATSTRIP_HAS_LIBRARY_SCREENS 1
#endif

namespace app {

bool registerScreens(bool galleryFirst)
{
    GalleryViewController::registerScreen();
    bool library = false;
#ifdef BEATSTRIP_HAS_LIBRARY_SCREENS
    library::registerScreens();
    library = true;
#endif
    if (galleryFirst || !library)
        ui::Storyboard::setInitialScreen(GalleryViewController::kScreenIdentifier);
    return library;
}

}
