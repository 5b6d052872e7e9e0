#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace library {

// One song of the index: the title the list shows and the song file's name in the content folder.
struct SongEntry {
    std::string fileName;
    std::string path;
};

// The song index "info.json" and the folders the content lives in.
class SongIndex {
public:
    // Documents folder + "data": receives the downloaded package.
    static std::string packageFolder();
    // Package folder + "data": the index and the song files.
    static std::string contentFolder();
    static std::string indexPath();

    // The entries of "FileInfo", in file order; none when the bytes are not JSON, the top level is
    // not an object or "FileInfo" is missing or not an array. Elements that are not objects, or
    // have no text "path" or one that is not a plain file name, cannot be opened and are left out
    // (logged); an entry without a text
    // "fileName" is titled by its song name.
    static std::optional<std::vector<SongEntry>> parse(std::string_view bytes);
    // parse() of the file's bytes; none when the file cannot be read.
    static std::optional<std::vector<SongEntry>> read(const std::string& path);

    // A song's "path" must name a file in the content folder itself: not empty, "." or "..", and
    // without "/", "\" or NUL. Entries whose path breaks this are left out of the list (logged).
    static bool isPlainFileName(std::string_view path);

    // The song name: the path with every ".csv" removed, wherever it stands.
    static std::string songName(const std::string& path);
};

}
