#pragma once
#include <string>

namespace app {

// Where the program finds what it ships with. An installed program finds it relative to its own
// executable (BINDIR/../share/beatstrip), so the installed tree can be moved anywhere; only the
// executable the build made uses the source and build folders.
namespace resources {

// The images folder: $BEATSTRIP_ASSETS, else the installed data folder's assets/, else (when
// running from the build folder) the source tree's assets/.
std::string assetsDirectory();
// The content server's base URL: the command line's, else $BEATSTRIP_CONTENT_URL, else the sample
// package installed beside the program or packed by the build (a file:// URL), so Download works
// out of the box.
std::string contentURL(const std::string& fromCommandLine);

// The window icon's PNG: the hicolor icon installed beside the data folder, else the source tree's.
std::string iconPath();

// The installed data folder for an executable at `executable`, or "" when that executable is the
// one in the build folder. Exposed so it can be checked without installing.
std::string dataDirectoryFor(const std::string& executable);
// A file:// URL for a local folder, percent-encoding what a URL cannot hold as is.
std::string fileURLForDirectory(const std::string& directory);

}

}
