#pragma once

namespace library {

// The storyboard identifier of the song library, the app's first screen.
inline constexpr const char* kLibraryScreenIdentifier = "ModeSelection";

// Registers the song library as the storyboard's first screen and the player as "Main", and
// makes AppDelegate the application's delegate. Call once before Application::launch().
void registerScreens();

}
