#include "app/CommandLine.h"
#include "app/Demo.h"
#include "app/Headless.h"
#include "app/Resources.h"
#include "app/Screens.h"
#include "app/WindowSdl.h"
#include "audio/AudioEngine.h"
#include "audio/DeviceOutput.h"
#include "import/SongImporter.h"
#include "library/ContentDownload.h"
#include "library/ModeSelectionViewController.h"
#include "midi/Keyboard.h"
#include "midi/MidiInput.h"
#include "midi/Performance.h"
#include "platform/core/Dispatch.h"
#include "platform/core/FileManager.h"
#include "platform/core/Log.h"
#include "platform/core/LogFile.h"
#include "platform/core/Paths.h"
#include "platform/core/TemporaryFolder.h"
#include "platform/core/RunLoop.h"
#include "platform/render/Renderer.h"
#include "platform/ui/Application.h"
#include "platform/ui/Image.h"
#include "player/BeatSound.h"
#include "platform/ui/Window.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <string>
#include <unistd.h>

namespace {

std::string makeDemoFolder()
{
    std::string pattern = "/tmp/beatstrip-demo-XXXXXX";
    if (const char* tmp = getenv("TMPDIR"); tmp && *tmp)
        pattern = std::string(tmp) + "/beatstrip-demo-XXXXXX";
    if (!mkdtemp(pattern.data()))
        return "beatstrip-demo";
    return pattern;
}

// A script is read whole, so a huge one (or /dev/zero) is refused before it fills memory.
constexpr size_t kMaxScriptBytes = size_t(16) << 20;

// The script's text, or an error message for the user.
bool readScript(const std::string& path, std::string& text, std::string& error)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot read the script " + path + ": " + strerror(errno);
        return false;
    }
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && size_t(st.st_size) > kMaxScriptBytes) {
        close(fd);
        error = "the script " + path + " is larger than 16 MiB";
        return false;
    }
    char buffer[65536];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) != 0;) {
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = "cannot read the script " + path + ": " + strerror(errno);
            close(fd);
            return false;
        }
        text.append(buffer, size_t(n));
        if (text.size() > kMaxScriptBytes) {
            close(fd);
            error = "the script " + path + " is larger than 16 MiB";
            return false;
        }
    }
    close(fd);
    return true;
}

// --home must be a folder we can use: made when missing, never a file.
bool prepareHome(const std::string& home, std::string& error)
{
    bool isFolder = false;
    // A folder that exists is used even when read-only: the saved tempi are still read then.
    if (core::files::fileExistsAtPath(home, &isFolder)) {
        if (!isFolder)
            error = "--home " + home + " is a file, not a folder";
        return isFolder;
    }
    if (auto made = core::files::createDirectoryAtPath(home, true); !made) {
        error = "--home " + home + " cannot be created: " + made.error().localizedDescription;
        return false;
    }
    return true;
}

// Headless and demo runs never touch the user's real data: without --home or $BEATSTRIP_HOME
// they get a fresh home that goes at exit, or stays (and is named) with --keep-home.
std::shared_ptr<core::TemporaryFolder> useTemporaryHome(const app::CommandLine& options)
{
    const char* env = getenv("BEATSTRIP_HOME");
    if (!options.home.empty() || (env && *env))
        return nullptr;
    auto home = core::TemporaryFolder::create("home", core::TemporaryFolder::Home::Use);
    if (!home) {
        fprintf(stderr, "beatstrip: %s\n", home.error().localizedDescription.c_str());
        return nullptr;
    }
    if (options.keepHome) {
        (*home)->keep();
        fprintf(stderr, "beatstrip: this run's home is %s and is kept\n", (*home)->path().c_str());
    }
    return *home;
}

int runDemo(const std::string& outDirectory, app::Demo demo)
{
    std::string folder = outDirectory.empty() ? makeDemoFolder() : outDirectory;
    printf("Running the built-in demo without a window; its screenshots go to %s\n", folder.c_str());
    fflush(stdout);
    int status = app::runHeadless(app::demoScript(demo), "built-in demo", folder);
    if (status == 0)
        printf("Done. The demo's screenshots are in %s\n", folder.c_str());
    return status;
}

// The window keeps its terminal quiet: its log goes to HOME/beatstrip.log, and to stderr too
// only with --verbose (or when the file cannot be written, so nothing is lost silently).
void useWindowLog(const app::CommandLine& options)
{
    auto path = core::paths::stringByAppendingPathComponent(core::paths::homeDirectory(), "beatstrip.log");
    auto file = core::LogFile::open(path);
    if (!file) {
        if (!options.quiet)
            fprintf(stderr, "beatstrip: %s; the log stays on stderr\n", file.error().localizedDescription.c_str());
        return;
    }
    core::setLogFile(*file);
    core::setLogToStderr(options.verbose);
    // Runs append to one file: mark where each starts.
    core::log("BeatStrip %s started", BEATSTRIP_VERSION);
}

}

// --midi-in: the performance to replay, or a message for the user.
bool loadPerformance(const std::string& path, std::string& error)
{
    auto performance = midi::Performance::readFile(path);
    if (!performance) {
        error = "cannot read the MIDI file " + path + ": " + performance.error().localizedDescription;
        return false;
    }
    if (performance->noteCount() == 0) {
        error = "the MIDI file " + path + " has no notes to play";
        return false;
    }
    midi::Keyboard::shared().setReplay(performance->events(), core::paths::lastPathComponent(path));
    return true;
}

int runImport(const app::CommandLine& options)
{
    int status = 0;
    auto importOptions = import::SongImporter::Options();
    importOptions.title = options.importTitle;
    for (const std::string& file : options.importFiles) {
        auto report = import::SongImporter::importFile(file, importOptions);
        if (!report) {
            fprintf(stderr, "beatstrip: cannot import %s\n", report.error().localizedDescription.c_str());
            status = 1;
            continue;
        }
        fputs(import::SongImporter::describe(*report).c_str(), stdout);
    }
    return status;
}

int main(int argc, char** argv)
{
    app::CommandLine options;
    if (std::string error = options.parse(argc, argv); !error.empty()) {
        fprintf(stderr, "beatstrip: %s\nTry 'beatstrip --help'.\n", error.c_str());
        return 2;
    }
    if (options.help) {
        fputs(app::CommandLine::usage().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        printf("beatstrip %s\n", BEATSTRIP_VERSION);
        return 0;
    }

    if (options.quiet)
        core::setLogToStderr(false);
    if (!options.home.empty()) {
        std::string home = core::paths::standardize(options.home);
        if (std::string error; !prepareHome(home, error)) {
            fprintf(stderr, "beatstrip: %s\n", error.c_str());
            return 2;
        }
        core::paths::setHomeOverride(home);
    }
    if (options.maxPackageSize)
        library::ContentDownload::setMaximumPackageSize(*options.maxPackageSize);
    if (options.importSongs)
        return runImport(options);
    library::ContentDownload::setBaseURL(app::resources::contentURL(options.contentURL));
    ui::Image::setResourceDirectory(app::resources::assetsDirectory());
    render::Renderer::installTextMetrics();
    app::registerScreens(options.gallery);
    app::Demo demo = options.gallery ? app::Demo::Gallery : app::Demo::Library;
    if (std::string error; !options.midiIn.empty() && !loadPerformance(options.midiIn, error)) {
        fprintf(stderr, "beatstrip: %s\n", error.c_str());
        return 2;
    }

    if (options.headless) {
        std::string text;
        if (std::string error; !options.scriptPath.empty() && !readScript(options.scriptPath, text, error)) {
            fprintf(stderr, "beatstrip: %s\n", error.c_str());
            return 2;
        }
        auto temporaryHome = useTemporaryHome(options);
        if (options.scriptPath.empty())
            return runDemo(options.outDirectory, demo);
        std::string out = options.outDirectory.empty() ? std::string(".") : options.outDirectory;
        return app::runHeadless(text, options.scriptPath, out, options.audioOut, options.soundFont);
    }

    auto window = app::WindowSdl::open();
    if (!window) {
        fprintf(stderr, "beatstrip: %s\n", window.error().localizedDescription.c_str());
        auto temporaryHome = useTemporaryHome(options);
        return runDemo(options.outDirectory, demo);
    }
    useWindowLog(options);
    ui::Application& application = ui::Application::shared();
    application.launch();
    app::WindowSdl::Options windowOptions;
    windowOptions.screenshotAfter = options.screenshotAfter;
    windowOptions.screenshotPath = options.screenshotPath;
    windowOptions.frameStatsPath = options.frameStatsPath;
    // Without a device the output says so once and the engine takes the events silently.
    audio::AudioEngine::Options soundOptions;
    soundOptions.soundFontPath = options.soundFont;
    player::BeatSound::setEngine(audio::AudioEngine::create(audio::DeviceOutput::open(core::RunLoop::main().clock()), soundOptions));
    // A MIDI keyboard plays along unless a file does; without a sequencer the panel says so.
    if (options.midiIn.empty())
        midi::Keyboard::shared().setLive(midi::MidiInput::open(core::RunLoop::main().clock(), [](const midi::NoteEvent& event) {
            midi::Keyboard::shared().deliver(event);
        }));
    // Score files dropped on the window become songs of the library, the first one selected.
    windowOptions.onDropFiles = [&application](const std::vector<std::string>& paths) {
        auto library = std::dynamic_pointer_cast<library::ModeSelectionViewController>(application.window().rootViewController());
        if (library)
            library->importFiles(paths);
    };
    if (!options.openFiles.empty()) {
        dispatch::mainQueue().async([&application, files = options.openFiles] {
            auto library = std::dynamic_pointer_cast<library::ModeSelectionViewController>(application.window().rootViewController());
            if (library)
                library->importFiles(files);
        });
    }
    int status = (*window)->run(application.window(), windowOptions);
    midi::Keyboard::resetShared();
    player::BeatSound::setEngine(nullptr);
    return status;
}
