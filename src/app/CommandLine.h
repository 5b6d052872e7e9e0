#pragma once
#include <optional>
#include <string>

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
    // Headless: where the run's sound goes as a WAV file; empty: no sound.
    std::string audioOut;
    // Empty: the default General MIDI SoundFont.
    std::string soundFont;
    // Window front end only: write a PNG of the window after this many seconds, then quit.
    std::optional<double> screenshotAfter;
    std::string screenshotPath;

    // Empty string on success, else a message naming the offending argument.
    std::string parse(int argc, const char* const* argv);

    static std::string usage();
};

}
