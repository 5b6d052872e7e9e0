#pragma once
#include <algorithm>
#include <cstdint>
#include <limits>

namespace player {

// The view tags of a beat's four tempo controls, derived from its beat key k. With keys up to 200
// the tags are k, k + 200, k + 500 and k + 800. Longer songs widen the spacing to the smallest
// multiple of 200 at or above the highest key (U): k, k + U, k + 5U/2 and k + 4U, so no two
// controls of the song share a tag and every tag still gives back its key. Layout and tempo
// editing both go through this one rule.
class TagScheme {
public:
    TagScheme() = default;
    // The scheme for a song whose highest beat key is `highestKey`.
    static TagScheme forHighestKey(int32_t highestKey);

    int32_t unit() const { return m_unit; }

    int32_t beatButtonTag(int32_t key) const { return key; }
    int32_t plusTag(int32_t key) const { return offset(key, m_unit); }
    int32_t minusTag(int32_t key) const { return offset(key, int64_t(m_unit) * 5 / 2); }
    int32_t labelTag(int32_t key) const { return offset(key, int64_t(m_unit) * 4); }

    int32_t keyFromBeatButtonTag(int32_t tag) const { return tag; }
    int32_t keyFromPlusTag(int32_t tag) const { return offset(tag, -int64_t(m_unit)); }
    int32_t keyFromMinusTag(int32_t tag) const { return offset(tag, -int64_t(m_unit) * 5 / 2); }
    int32_t keyFromLabelTag(int32_t tag) const { return offset(tag, -int64_t(m_unit) * 4); }

private:
    explicit TagScheme(int32_t unit) : m_unit(unit) { }
    // Keys out of any sensible range (a hostile file's) saturate instead of overflowing.
    static int32_t offset(int32_t value, int64_t by)
    {
        int64_t sum = int64_t(value) + by;
        return int32_t(std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    }
    int32_t m_unit = 200;
};

}
