#include "app/CommandLine.h"
#include "app/Demo.h"
#include "app/Headless.h"
#include "app/Resources.h"
#include "app/Screens.h"
#include "app/WindowSdl.h"
#include "import/SongImporter.h"
#include "library/ContentDownload.h"
#include "library/ModeSelectionViewController.h"
#include "platform/core/FileManager.h"
#include "platform/core/Paths.h"
#include "platform/render/Renderer.h"
#include "platform/ui/Application.h"
#include "platform/ui/Image.h"
#include "platform/ui/Window.h"

#include <cstdio>
#include <cstdlib>
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

    if (!options.home.empty())
        core::paths::setHomeOverride(core::paths::standardize(options.home));
    if (options.importSongs)
        return runImport(options);
    library::ContentDownload::setBaseURL(app::resources::contentURL(options.contentURL));
    ui::Image::setResourceDirectory(app::resources::assetsDirectory());
    render::Renderer::installTextMetrics();
    app::registerScreens(options.gallery);
    app::Demo demo = options.gallery ? app::Demo::Gallery : app::Demo::Library;

    if (options.headless) {
        if (options.scriptPath.empty())
            return runDemo(options.outDirectory, demo);
        auto text = core::files::contentsAtPath(options.scriptPath);
        if (!text) {
            fprintf(stderr, "beatstrip: cannot read the script %s\n", options.scriptPath.c_str());
            return 2;
        }
        std::string out = options.outDirectory.empty() ? std::string(".") : options.outDirectory;
        return app::runHeadless(*text, options.scriptPath, out);
    }

    auto window = app::WindowSdl::open();
    if (!window) {
        fprintf(stderr, "beatstrip: %s\n", window.error().localizedDescription.c_str());
        return runDemo(options.outDirectory, demo);
    }
    ui::Application& application = ui::Application::shared();
    application.launch();
    app::WindowSdl::Options windowOptions;
    windowOptions.screenshotAfter = options.screenshotAfter;
    windowOptions.screenshotPath = options.screenshotPath;
    // Score files dropped on the window become songs of the library, the first one selected.
    windowOptions.onDropFiles = [&application](const std::vector<std::string>& paths) {
        auto library = std::dynamic_pointer_cast<library::ModeSelectionViewController>(application.window().rootViewController());
        if (library)
            library->importFiles(paths);
    };
    return (*window)->run(application.window(), windowOptions);
}
