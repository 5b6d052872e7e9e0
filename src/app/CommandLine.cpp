#include "app/CommandLine.h"

#include "platform/ui/Event.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace app {

namespace {

bool parseSeconds(const std::string& text, double& out)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    double value = strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(value) || value < 0)
        return false;
    out = value;
    return true;
}

}

namespace {

// The key names, wrapped under the description column of the help text.
std::string wrappedKeyNames()
{
    std::string names = ui::keyNames();
    std::string out;
    size_t column = 38;
    size_t start = 0;
    while (start < names.size()) {
        size_t end = names.find(", ", start);
        std::string word = names.substr(start, end == std::string::npos ? std::string::npos : end + 1 - start);
        if (column + word.size() > 92) {
            out += "\n" + std::string(26, ' ');
            column = 26;
        } else if (!out.empty()) {
            out += " ";
            column += 1;
        }
        out += word;
        column += word.size();
        start = end == std::string::npos ? names.size() : end + 2;
    }
    return out;
}

}

std::string CommandLine::usage()
{
    return "Usage: beatstrip [options] [FILE...]\n"
           "       beatstrip import FILE... [--title TEXT] [--home DIR]\n"
           "\n"
           "Plays music scores as a scrolling strip of note blocks.\n"
           "\n"
           "Options:\n"
           "  --help                  show this text and exit\n"
           "  --version               show the version and exit\n"
           "  --home DIR              keep settings and downloaded songs in DIR\n"
           "                          (default: $BEATSTRIP_HOME, else $XDG_DATA_HOME/beatstrip)\n"
           "  --content-url URL       base URL of the content server\n"
           "                          (default: $BEATSTRIP_CONTENT_URL, else the bundled sample)\n"
           "  --headless              run without a window, on a manual clock\n"
           "  --script FILE           headless: run the commands in FILE (see below)\n"
           "  --out DIR               headless: where screenshots and dumps go\n"
           "  --verbose               window: also write the log to stderr\n"
           "  --quiet                 write no log lines to stderr\n"
           "  --audio-out FILE        headless: render the run's sound (click, count-in,\n"
           "                          notes) to FILE, a 48 kHz 16-bit stereo WAV; without\n"
           "                          it a headless run makes no sound\n"
           "  --soundfont FILE        the General MIDI SoundFont the notes play with\n"
           "                          (default: FluidR3_GM when installed, else TimGM6mb)\n"
           "  --midi-in FILE          play along from a Standard MIDI File instead of a keyboard:\n"
           "                          its notes are played as if live, its time 0 when play\n"
           "                          starts (after any count-in), on the manual clock headless\n"
           "  --screenshot-after SECONDS FILE\n"
           "                          window: save a PNG of the window after SECONDS, then quit\n"
           "  --max-package-size BYTES  refuse a content package larger than BYTES\n"
           "                          (default: $BEATSTRIP_MAX_PACKAGE_SIZE, else 1 GiB)\n"
           "  --keep-home             headless and demo runs without --home or $BEATSTRIP_HOME use\n"
           "                          a fresh temporary home removed at exit: keep it, and say where\n"
           "  --frame-stats FILE      window: on exit, write what the frames cost to FILE as one\n"
           "                          JSON object: frames; renderMs, uploadMs, presentMs and\n"
           "                          beatLatenessMs (beat timers' fire time minus due time), each\n"
           "                          {p50, p99, max}; damagedFraction (share of the window drawn\n"
           "                          per frame) {p50, max}\n"
           "  F11 in the window toggles full screen; its size and place are kept for next time.\n"
           "\n"
           "Import: MusicXML (.musicxml, .xml, .mxl) and MIDI (.mid, .midi, .kar) files become\n"
           "songs of the library under \"My songs\"; each file's title, bars, beats, parts, notes\n"
           "and what was left out are printed. --title names the song(s). Exit status 1 when a\n"
           "file could not be imported.\n"
           "\n"
           "Script commands, one a line ('#' starts a comment):\n"
           "  tap TARGET              touch down and up at the target's centre\n"
           "  press TARGET SECONDS    touch down, hold for SECONDS of clock time, release\n"
           "  select TARGET N         tap segment N of a segmented control\n"
           "  slide TARGET VALUE      drag a slider to VALUE\n"
           "  type TARGET TEXT        focus a text field and replace its text with TEXT\n"
           "  key NAME                press a key: "
        + wrappedKeyNames()
        + "\n"
           "  wait SECONDS            advance the clock, firing timers and animations\n"
           "  idle SECONDS            in real time, run posted work until none is pending\n"
           "  screenshot FILE         PNG of the window at 1024 x 768\n"
           "  dump FILE               the view tree as JSON\n"
           "TARGET is id:NAME, tag:N, row:N or X Y (window points).\n"
           "\n"
           "Without a display, beatstrip runs its built-in demo headless and says where its\n"
           "screenshots are.\n"
           "\n"
           "Developer options:\n"
           "  --gallery               start with the kit gallery instead of the song library\n";
}

std::string CommandLine::parse(int argc, const char* const* argv)
{
    if (argc > 1 && std::string_view(argv[1]) == "import") {
        importSongs = true;
        for (int i = 2; i < argc; i++) {
            std::string_view arg = argv[i];
            if (arg == "--title") {
                if (i + 1 >= argc || !*argv[i + 1])
                    return "--title needs a text";
                importTitle = argv[++i];
            } else if (arg == "--home") {
                if (i + 1 >= argc || !*argv[i + 1])
                    return "--home needs a folder";
                home = argv[++i];
            } else if (arg == "--") {
                for (++i; i < argc; i++)
                    importFiles.push_back(argv[i]);
            } else if (arg.size() > 1 && arg[0] == '-') {
                return "import: unknown option '" + std::string(arg) + "'";
            } else {
                importFiles.push_back(std::string(arg));
            }
        }
        if (importFiles.empty())
            return "import needs at least one file";
        return {};
    }
    for (int i = 1; i < argc; i++) {
        std::string_view arg = argv[i];
        auto value = [&](std::string& into) -> bool {
            if (i + 1 >= argc)
                return false;
            into = argv[++i];
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            help = true;
        } else if (arg == "--version") {
            version = true;
        } else if (arg == "--headless") {
            headless = true;
        } else if (arg == "--gallery") {
            gallery = true;
        } else if (arg == "--verbose" || arg == "--quiet") {
            (arg == "--verbose" ? verbose : quiet) = true;
        } else if (arg == "--home") {
            if (!value(home) || home.empty())
                return "--home needs a folder";
        } else if (arg == "--content-url") {
            if (!value(contentURL) || contentURL.empty())
                return "--content-url needs a URL";
        } else if (arg == "--script") {
            if (!value(scriptPath) || scriptPath.empty())
                return "--script needs a file";
        } else if (arg == "--out") {
            if (!value(outDirectory) || outDirectory.empty())
                return "--out needs a folder";
        } else if (arg == "--audio-out") {
            if (!value(audioOut) || audioOut.empty())
                return "--audio-out needs a file";
        } else if (arg == "--midi-in") {
            if (!value(midiIn) || midiIn.empty())
                return "--midi-in needs a MIDI file";
        } else if (arg == "--soundfont") {
            if (!value(soundFont) || soundFont.empty())
                return "--soundfont needs a file";
        } else if (arg == "--screenshot-after") {
            std::string seconds;
            double parsed = 0;
            if (!value(seconds) || !parseSeconds(seconds, parsed))
                return "--screenshot-after needs a number of seconds and a file";
            if (!value(screenshotPath) || screenshotPath.empty())
                return "--screenshot-after needs a number of seconds and a file";
            screenshotAfter = parsed;
        } else if (arg == "--max-package-size") {
            std::string bytes;
            char* end = nullptr;
            long long parsed = value(bytes) && !bytes.empty() ? strtoll(bytes.c_str(), &end, 10) : 0;
            if (!end || *end != '\0' || parsed <= 0)
                return "--max-package-size needs a number of bytes";
            maxPackageSize = parsed;
        } else if (arg == "--keep-home") {
            keepHome = true;
        } else if (arg == "--frame-stats") {
            if (!value(frameStatsPath) || frameStatsPath.empty())
                return "--frame-stats needs a file";
        } else if (!arg.empty() && arg[0] != '-') {
            // Score files named on the command line (a desktop's "Open with") are imported by
            // the window, as if dropped on it.
            openFiles.push_back(std::string(arg));
        } else {
            return "unknown option '" + std::string(arg) + "'";
        }
    }
    if (verbose && quiet)
        return "--verbose and --quiet exclude each other";
    if (!scriptPath.empty() && !headless)
        return "--script needs --headless";
    if (!audioOut.empty() && !headless)
        return "--audio-out needs --headless; the window plays on the sound device";
    if (screenshotAfter && headless)
        return "--screenshot-after is for the window; headless scripts use 'screenshot FILE'";
    if (!frameStatsPath.empty() && headless)
        return "--frame-stats is for the window";
    if (!openFiles.empty() && headless)
        return "score files to open are for the window; headless runs take --script";
    return {};
}

}
