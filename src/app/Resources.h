#pragma once
#include <string>

namespace app {

// Where the program finds what it ships with.
namespace resources {

// The images folder: $BEATSTRIP_ASSETS, else the source tree's assets/.
std::string assetsDirectory();
// The content server's base URL: the command line's, else $BEATSTRIP_CONTENT_URL, else the sample
// package the build packs (a file:// URL), so Download works out of the box.
std::string contentURL(const std::string& fromCommandLine);

}

}
