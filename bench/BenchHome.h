#pragma once
// A fresh home folder for a benchmark that opens songs: logging quiet, settings and the song
// folder inside it. Returns the song folder, or "" when it cannot be made.
#include "platform/core/FileManager.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"

#include <cstdio>
#include <cstdlib>
#include <string>

inline std::string makeBenchHome(const std::string& name)
{
    // Lines stay off stderr only while a sink takes them.
    core::setLogSink([](const std::string&) {});
    core::setLogToStderr(false);
    std::string pattern = "/tmp/beatstrip-bench-" + name + "-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return {};
    }
    core::paths::setHomeOverride(pattern);
    core::UserDefaults::resetStandardUserDefaults();
    std::string folder = core::paths::documentsDirectory() + "/data/data";
    if (!core::files::createDirectoryAtPath(folder, true).ok())
        return {};
    return folder;
}
