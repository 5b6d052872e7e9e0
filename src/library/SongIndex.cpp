#include "library/SongIndex.h"

#include "platform/core/FileManager.h"
#include "platform/core/Json.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"

namespace library {

std::string SongIndex::packageFolder()
{
    return core::paths::stringByAppendingPathComponent(core::paths::documentsDirectory(), "data");
}

std::string SongIndex::contentFolder()
{
    return core::paths::stringByAppendingPathComponent(packageFolder(), "data");
}

std::string SongIndex::indexPath()
{
    return core::paths::stringByAppendingPathComponent(contentFolder(), "info.json");
}

std::optional<std::vector<SongEntry>> SongIndex::parse(std::string_view bytes)
{
    auto json = core::JSONObject(bytes);
    if (!json || !json->is_object())
        return std::nullopt;
    auto fileInfo = json->find("FileInfo");
    if (fileInfo == json->end() || !fileInfo->is_array())
        return std::nullopt;

    std::vector<SongEntry> entries;
    entries.reserve(fileInfo->size());
    size_t position = 0;
    for (const auto& element : *fileInfo) {
        position++;
        auto path = element.is_object() ? element.find("path") : element.end();
        if (!element.is_object() || path == element.end() || !path->is_string()) {
            core::log("Song index entry %zu has no \"path\" text and is not listed", position);
            continue;
        }
        SongEntry entry;
        entry.path = path->get<std::string>();
        if (!isPlainFileName(entry.path)) {
            core::log("Song index entry %zu has a \"path\" that is not a plain file name and is not listed", position);
            continue;
        }
        auto title = element.find("fileName");
        entry.fileName = title != element.end() && title->is_string() ? title->get<std::string>() : songName(entry.path);
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool SongIndex::isPlainFileName(std::string_view path)
{
    return !path.empty() && path != "." && path != ".." && path.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

std::optional<std::vector<SongEntry>> SongIndex::read(const std::string& path)
{
    auto bytes = core::files::contentsAtPath(path);
    if (!bytes)
        return std::nullopt;
    return parse(*bytes);
}

std::string SongIndex::songName(const std::string& path)
{
    static constexpr std::string_view extension = ".csv";
    std::string name;
    name.reserve(path.size());
    size_t from = 0;
    // Removing occurrences left to right in one pass, as a replace-all does: "a.cs.csvv" keeps its
    // ".csv" formed from the joined remainder.
    while (true) {
        size_t at = path.find(extension, from);
        if (at == std::string::npos)
            break;
        name.append(path, from, at - from);
        from = at + extension.size();
    }
    name.append(path, from, std::string::npos);
    return name;
}

}
