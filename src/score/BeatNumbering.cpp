#include "score/BeatNumbering.h"

#include "score/Columns.h"
#include "score/Readings.h"
#include "score/RowKind.h"
#include "score/ScoreSheet.h"

#include <algorithm>

namespace score {

// The rule is checked first; only a song that breaks it pays for the tables of places.
BeatNumbering BeatNumbering::of(const std::vector<ScoreRow>& rows)
{
    BeatNumbering numbering;
    int32_t expected = 1;
    bool meetsRule = true;
    int32_t highest = 0;
    std::vector<ScoreRow> otherBeats; // drawn as beats ("+41") but not played
    for (const auto& row : rows) {
        // The channel is read once a row: a song has a million rows at most.
        auto channel = row.text(column::channel);
        if (channel == "42")
            continue;
        bool listed = channel == "41";
        if (!listed && intValue(channel) != 41)
            continue;
        int32_t key = beatKey(row);
        highest = std::max(highest, key);
        if (!listed) {
            otherBeats.push_back(row);
            continue;
        }
        if (key != expected)
            meetsRule = false;
        ++expected;
    }
    numbering.m_byPlace = !meetsRule;
    if (meetsRule) {
        // As ScoreSheet::highestBeatKey(rows), from the keys just read.
        numbering.m_highestKey = highest;
        return numbering;
    }
    int32_t place = 0;
    for (const auto& row : rows) {
        if (isBarListRow(row)) {
            numbering.m_beatsOfBar.emplace(row.intValue(column::barNo), row.intValue(column::beatsPerBar));
            continue;
        }
        if (!isBeatListRow(row))
            continue;
        ++place;
        int32_t bar = row.intValue(column::barNo);
        numbering.m_placeOfBeat.emplace(std::make_pair(bar, row.intValue(column::beatsPerBar)), place);
        numbering.m_barOfPlace.push_back(bar);
        numbering.m_firstPlaceOfBar.emplace(bar, place);
    }
    // Rows drawn as beats outside the list keep their rule keys, so the tags must reach them too.
    numbering.m_highestKey = std::max(place, ScoreSheet::highestBeatKey(otherBeats));
    return numbering;
}

int32_t BeatNumbering::keyOf(const ScoreRow& row) const
{
    if (!m_byPlace || !isBeatListRow(row))
        return beatKey(row);
    auto found = m_placeOfBeat.find({ row.intValue(column::barNo), row.intValue(column::beatsPerBar) });
    return found == m_placeOfBeat.end() ? beatKey(row) : found->second;
}

std::pair<int64_t, int64_t> BeatNumbering::barOf(int32_t key, int32_t beatsInGroup) const
{
    if (!m_byPlace) {
        if (beatsInGroup < 1)
            return { 0, -1 };
        int32_t place = key - (key / beatsInGroup) * beatsInGroup;
        if (place == 0)
            place = beatsInGroup;
        return { int64_t(key) + 1 - place, int64_t(key) - place + beatsInGroup };
    }
    if (key < 1 || size_t(key) > m_barOfPlace.size())
        return { 0, -1 };
    int32_t bar = m_barOfPlace[size_t(key) - 1];
    int32_t first = m_firstPlaceOfBar.at(bar);
    auto beats = m_beatsOfBar.find(bar);
    int32_t count = beats != m_beatsOfBar.end() && beats->second >= 1 ? beats->second : 0;
    if (count == 0)
        for (int32_t bar2 : m_barOfPlace)
            count += bar2 == bar;
    return { first, int64_t(first) + count - 1 };
}

}
