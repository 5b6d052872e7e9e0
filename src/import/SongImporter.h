#pragma once
#include "import/Score.h"
#include "platform/core/Error.h"

#include <cstddef>
#include <string>
#include <vector>

namespace import {

// Turns MusicXML and MIDI files into songs in the imported-songs folder (documents folder +
// "imported"), which holds its own index "info.json" in the song-index format. A song appears
// only when whole: its file is written under a temporary name and renamed, then the index is
// replaced by rename; a failure leaves the folder as it was.
class SongImporter {
public:
    struct Options {
        std::string title; // empty: the title the file gives, else its name
    };

    struct Report {
        std::string sourcePath;
        std::string title;
        std::string songPath; // the song file's name in the folder, "NAME.csv"
        size_t bars = 0;
        size_t beats = 0;
        size_t parts = 0;
        size_t notes = 0;
        std::vector<std::string> leftOut;
    };

    struct Entry {
        std::string fileName;
        std::string path;
    };

    static std::string importedFolder();

    // Reads a score, choosing the reader by the file's first bytes and then its name.
    static core::Result<Score> readScore(const std::string& path);

    // Errors name the file and the problem.
    static core::Result<Report> importFile(const std::string& path, const Options& options);
    static core::Result<Report> importFile(const std::string& path, const Options& options, const std::string& folder);

    // The index of a folder of imported songs; empty when it is missing or unreadable.
    static std::vector<Entry> entries(const std::string& folder);
    // Removes the song file and its index entry.
    static core::Result<void> removeSong(const std::string& folder, const std::string& songPath);

    // The lines `beatstrip import` prints for a song.
    static std::string describe(const Report& report);
};

}
