#pragma once
// The benchmarks' temporary folders, made and removed by the same helper the tests use: a
// benchmark never resolves, writes or removes the user's real home.
#include "platform/core/FileManager.h"
#include "platform/core/Log.h"
#include "platform/core/TemporaryFolder.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

// A fresh folder, made the app's home when asked; removed with everything in it when the last
// reference goes. Null (with a message) when it cannot be made.
inline std::shared_ptr<core::TemporaryFolder> makeBenchFolder(const std::string& name,
    core::TemporaryFolder::Home home = core::TemporaryFolder::Home::Keep)
{
    auto folder = core::TemporaryFolder::create("bench-" + name, home);
    if (!folder) {
        std::fprintf(stderr, "%s\n", folder.error().localizedDescription.c_str());
        return nullptr;
    }
    return *folder;
}

// A fresh home for a benchmark that opens songs: logging quiet, the settings store and the song
// folder inside it. songFolder receives the song folder.
inline std::shared_ptr<core::TemporaryFolder> makeBenchHome(const std::string& name, std::string& songFolder)
{
    // Lines stay off stderr only while a sink takes them.
    core::setLogSink([](const std::string&) {});
    core::setLogToStderr(false);
    auto home = makeBenchFolder(name, core::TemporaryFolder::Home::Use);
    if (!home)
        return nullptr;
    songFolder = home->path() + "/Documents/data/data";
    if (!core::files::createDirectoryAtPath(songFolder, true).ok())
        return nullptr;
    return home;
}

// `bench_x --setup-only` runs the benchmark's set-up and tear-down (and at most its smallest
// case once) without measuring: the canary test runs every benchmark this way.
inline bool setupOnly(int argc, char** argv)
{
    return argc > 1 && std::strcmp(argv[1], "--setup-only") == 0;
}
