#include "score/SavedBeatList.h"

#include "platform/core/Log.h"
#include "platform/core/UserDefaults.h"

namespace score {

std::optional<std::vector<ScoreRow>> SavedBeatList::load(const std::string& songName, int32_t highestBeatKey)
{
    auto value = core::UserDefaults::standardUserDefaults()->valueForKey(songName);
    if (!value)
        return std::nullopt;
    bool wellFormed = value->is_array();
    std::vector<std::map<std::string, std::string>> maps;
    if (wellFormed) {
        maps.reserve(value->size());
        for (const auto& entry : *value) {
            if (!entry.is_object()) {
                wellFormed = false;
                break;
            }
            auto& map = maps.emplace_back();
            for (const auto& [key, text] : entry.items()) {
                if (!text.is_string()) {
                    wellFormed = false;
                    break;
                }
                map.emplace(key, text.get<std::string>());
            }
            if (!wellFormed)
                break;
        }
    }
    if (!wellFormed) {
        core::log("Saved beat list of %s is not a list of rows; using the song file's beats", songName.c_str());
        return std::nullopt;
    }
    if (highestBeatKey > 0 && maps.size() < size_t(highestBeatKey)) {
        core::log("Saved beat list of %s has %zu beats but the song has %d; using the song file's beats",
            songName.c_str(), maps.size(), highestBeatKey);
        return std::nullopt;
    }
    return ScoreRow::fromMaps(maps);
}

bool SavedBeatList::save(const std::string& songName, const std::vector<ScoreRow>& beatList)
{
    core::Json list = core::Json::array();
    for (const auto& row : beatList) {
        core::Json map = core::Json::object();
        for (auto& [key, text] : row.toMap())
            map[key] = std::move(text);
        list.push_back(std::move(map));
    }
    auto defaults = core::UserDefaults::standardUserDefaults();
    defaults->setObject(list, songName);
    return defaults->synchronize();
}

bool SavedBeatList::remove(const std::string& songName)
{
    auto defaults = core::UserDefaults::standardUserDefaults();
    defaults->removeObjectForKey(songName);
    return defaults->synchronize();
}

}
