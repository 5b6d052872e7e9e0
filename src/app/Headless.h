#pragma once
#include <string>

namespace app {

// Runs the app without a window on a manual clock (which also stamps the log lines), playing
// `scriptText` against it; screenshots and dumps go to `outDirectory`. Returns the exit status:
// 0, or 1 after printing "<scriptName>: line N: message" when a command fails.
// With `audioOut`, the run's sound is mixed on the manual clock and written there as a WAV file
// when the script ends, as long as the run was; without it the run is silent.
int runHeadless(const std::string& scriptText, const std::string& scriptName, const std::string& outDirectory,
    const std::string& audioOut = {}, const std::string& soundFont = {});

}
