#include "app/Headless.h"

#include "app/Script.h"
#include "app/ScriptDriver.h"
#include "audio/AudioEngine.h"
#include "audio/OfflineOutput.h"
#include "platform/core/Clock.h"
#include "platform/core/FileManager.h"
#include "platform/core/Log.h"
#include "platform/core/RunLoop.h"
#include "platform/ui/Application.h"
#include "player/BeatSound.h"

#include <cstdio>

namespace app {

int runHeadless(const std::string& scriptText, const std::string& scriptName, const std::string& outDirectory,
    const std::string& audioOut, const std::string& soundFont)
{
    // The whole script is checked before the app starts, so a typo costs nothing.
    Script script;
    if (std::string error = script.parse(scriptText); !error.empty()) {
        fprintf(stderr, "beatstrip: %s: %s\n", scriptName.c_str(), error.c_str());
        return 1;
    }
    if (auto made = core::files::createDirectoryAtPath(outDirectory, true); !made) {
        fprintf(stderr, "beatstrip: cannot use the output folder: %s\n", made.error().localizedDescription.c_str());
        return 1;
    }

    auto clock = core::ManualClock::create(0);
    core::RunLoop::main().setClock(clock);
    core::setLogClock(clock);

    // The mix is rendered lazily: up to the present before every event sent, so each lands on
    // its own sample, and up to the end of the run when it ends.
    std::shared_ptr<audio::OfflineOutput> offline;
    if (!audioOut.empty()) {
        offline = audio::OfflineOutput::create(clock->now());
        audio::AudioEngine::Options options;
        options.soundFontPath = soundFont;
        player::BeatSound::setEngine(audio::AudioEngine::create(offline, options));
        player::BeatSound::setBeforeSend([offline](double now) { offline->renderUntil(now); });
    }

    ui::Application& application = ui::Application::shared();
    application.launch();
    int status = 0;
    {
        ScriptDriver driver(application.window(), clock, outDirectory);
        if (std::string error = driver.run(script); !error.empty()) {
            fprintf(stderr, "beatstrip: %s: %s\n", scriptName.c_str(), error.c_str());
            status = 1;
        }
    }
    if (offline) {
        offline->renderUntil(clock->now());
        if (auto written = offline->writeWav(audioOut); !written) {
            fprintf(stderr, "beatstrip: cannot write the sound to %s: %s\n", audioOut.c_str(), written.error().localizedDescription.c_str());
            status = status ? status : 1;
        }
        player::BeatSound::setBeforeSend(nullptr);
        player::BeatSound::setEngine(nullptr);
    }
    core::setLogClock(nullptr);
    return status;
}

}
