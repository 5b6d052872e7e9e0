#pragma once

namespace app {

// Fills the storyboard: the kit gallery always, the song library and the player once the library
// provides them. The first screen is the library, or the gallery when asked for or when the
// library is not there. Returns whether the library's screens are registered.
bool registerScreens(bool galleryFirst);

}
