#pragma once
#include "score/ScoreRow.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace score {

// A song's edited beat list, kept in the standard settings store under the song name as a list
// of maps of texts.
class SavedBeatList {
public:
    // The saved list, unsorted, when the store holds one that fits a song whose highest beat key
    // is `highestBeatKey`: one entry at least for every key, each a map of texts. A list that does
    // not fit is left in the store but not used, with a log line, so the player never looks past
    // its end.
    static std::optional<std::vector<ScoreRow>> load(const std::string& songName, int32_t highestBeatKey);
    // Stores the list and writes it to storage at once; false when the store cannot be written.
    static bool save(const std::string& songName, const std::vector<ScoreRow>& beatList);
    // Forgets the song's list (a deleted song leaves nothing behind); false when the store
    // cannot be written.
    static bool remove(const std::string& songName);
};

}
