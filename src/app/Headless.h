#pragma once
#include <string>

namespace app {

// Runs the app without a window on a manual clock (which also stamps the log lines), playing
// `scriptText` against it; screenshots and dumps go to `outDirectory`. Returns the exit status:
// 0, or 1 after printing "<scriptName>: line N: message" when a command fails.
int runHeadless(const std::string& scriptText, const std::string& scriptName, const std::string& outDirectory);

}
