#pragma once
#include <optional>
#include <string>
#include <vector>

namespace app {

// What the user asked for on the command line. Parsing never exits the process: main() decides
// what to print and with which status.
struct CommandLine {
    bool help = false;
    bool version = false;
    bool headless = false;
    bool gallery = false;
    std::string home;
    std::string contentURL;
    std::string scriptPath;
    std::string outDirectory;
    // Window front end only: write a PNG of the window after this many seconds, then quit.
    std::optional<double> screenshotAfter;
    std::string screenshotPath;
    // `beatstrip import FILE... [--title TEXT]`: import the files as songs and exit.
    bool importSongs = false;
    std::vector<std::string> importFiles;
    std::string importTitle;

    // Empty string on success, else a message naming the offending argument.
    std::string parse(int argc, const char* const* argv);

    static std::string usage();
};

}
