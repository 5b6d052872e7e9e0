#pragma once

namespace app {

// Fills the storyboard: the song library (the first screen), the player, and the kit gallery,
// which comes first instead when asked for.
void registerScreens(bool galleryFirst);

}
