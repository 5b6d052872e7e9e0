#pragma once
#include <string>

namespace app {

// The script the program plays when it has no display and no script: a short tour that leaves
// screenshots behind.
std::string demoScript(bool libraryScreens);

}
