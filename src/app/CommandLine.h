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
    // The log on stderr: the window writes it only to its file unless --verbose; --quiet: never.
    bool verbose = false;
    bool quiet = false;
    std::string home;
    std::string contentURL;
    std::string scriptPath;
    std::string outDirectory;
    // Headless: where the run's sound goes as a WAV file; empty: no sound.
    std::string audioOut;
    // Empty: the default General MIDI SoundFont.
    std::string soundFont;
    // A Standard MIDI File replayed as if played live on a keyboard, from the moment play starts.
    std::string midiIn;
    // Window front end only: write a PNG of the window after this many seconds, then quit.
    std::optional<double> screenshotAfter;
    std::string screenshotPath;
    // Data safety: the largest content package accepted, and keeping a headless run's temporary home.
    std::optional<long long> maxPackageSize;
    bool keepHome = false;
    // Window front end only: write the frames' costs as JSON to this file on exit.
    std::string frameStatsPath;
    // `beatstrip import FILE... [--title TEXT]`: import the files as songs and exit.
    bool importSongs = false;
    std::vector<std::string> importFiles;
    // Window: score files to import and select once the library shows (a desktop's "Open with").
    std::vector<std::string> openFiles;
    std::string importTitle;

    // Empty string on success, else a message naming the offending argument.
    std::string parse(int argc, const char* const* argv);

    static std::string usage();
};

}
