#pragma once
#include "score/ScoreRow.h"

#include <cstdint>
#include <functional>
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
    // The same write on the saving thread, so the screen never waits for the disk: the list is
    // taken as it is now, saves land in the order they were asked for, and `done` (if any) gets
    // the result on the main queue. Saves still pending when the program ends are finished before
    // it exits, and a later load() waits for them.
    static void saveInBackground(const std::string& songName, std::vector<ScoreRow> beatList, std::function<void(bool)> done);
    // Returns once every save begun so far is durable (or has failed).
    static void waitForPendingSaves();
    // The list as the store keeps it: a JSON array of objects, keys in order, exactly as the JSON
    // library would write it.
    static std::string serialized(const std::vector<ScoreRow>& beatList);
    // Forgets the song's list (a deleted song leaves nothing behind); false when the store
    // cannot be written.
    static bool remove(const std::string& songName);
};

}
