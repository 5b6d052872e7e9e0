#include "app/Headless.h"

#include "app/Script.h"
#include "app/ScriptDriver.h"
#include "platform/core/Clock.h"
#include "platform/core/FileManager.h"
#include "platform/core/Log.h"
#include "platform/core/RunLoop.h"
#include "platform/ui/Application.h"

#include <cstdio>

namespace app {

int runHeadless(const std::string& scriptText, const std::string& scriptName, const std::string& outDirectory)
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
    core::setLogClock(nullptr);
    return status;
}

}
