#pragma once
#include <string>

namespace app {

enum class Demo { Library, Gallery };

// The script the program plays when it has no display and no script: a short tour that leaves
// screenshots behind. The library tour fetches the songs, opens one and plays it.
std::string demoScript(Demo demo);

}
