#pragma once
#include "score/ScoreRow.h"

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace score {

// How a song's beats are numbered. A song whose beat keys by the key rule ("Bar No(40)" x
// "flip_view" + "Beats per Bar(40)") run 1, 2, 3 ... in file order is numbered by that rule, as it
// always was. Songs whose bars differ in beats (meter changes, pickups) cannot meet the rule; they
// number each beat by its place among the beat rows (channel exactly "41") in file order, and a
// bar's beats come from its own bar row.
class BeatNumbering {
public:
    static BeatNumbering of(const std::vector<ScoreRow>& rows);

    bool byPlace() const { return m_byPlace; }
    // The key of a row drawn as a beat; rows outside the beat list keep their rule key.
    int32_t keyOf(const ScoreRow& row) const;
    int32_t highestKey() const { return m_highestKey; }
    // The first and last key of the bar that holds `key`, by the key rule's groups ("flip_view"
    // beats a group) or by the bar row; {0, -1} when the key is unknown.
    std::pair<int64_t, int64_t> barOf(int32_t key, int32_t beatsInGroup) const;

private:
    bool m_byPlace = false;
    int32_t m_highestKey = 0;
    std::map<std::pair<int32_t, int32_t>, int32_t> m_placeOfBeat; // (bar, beat) -> place
    std::vector<int32_t> m_barOfPlace;                             // place - 1 -> bar
    std::map<int32_t, int32_t> m_firstPlaceOfBar;
    std::map<int32_t, int32_t> m_beatsOfBar; // from the bar rows
};

}
