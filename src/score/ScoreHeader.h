#pragma once
#include "score/Columns.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace score {

// The column names of one song file, shared by all of its rows. A row stores one text per field
// of the header line; a name that stands twice in that line names its later field.
class ScoreHeader {
public:
    static constexpr uint32_t npos = UINT32_MAX;

    static std::shared_ptr<const ScoreHeader> create(std::vector<std::string> fieldNames);

    // The field a column name reads from, or npos when the file has no such column. The player's
    // own names (score/Columns.h) are told by their place in memory; the same text elsewhere (a
    // copy of a name) takes the general way, with the same answer.
    uint32_t indexOf(std::string_view name) const
    {
        size_t offset = reinterpret_cast<uintptr_t>(name.data()) - reinterpret_cast<uintptr_t>(column::names::kAll);
        if (offset < sizeof column::names::kAll) {
            size_t k = column::names::kNumberAt[offset];
            if (k < column::names::kCount && name.size() == column::names::kLengths[k])
                return m_known[k];
        }
        return indexOfName(name);
    }
    // Fields per row (duplicated names included).
    uint32_t fieldCount() const { return uint32_t(m_fieldNames.size()); }
    const std::vector<std::string>& fieldNames() const { return m_fieldNames; }
    // Distinct column names in the order they first appear.
    const std::vector<std::string>& keys() const { return m_keys; }

private:
    explicit ScoreHeader(std::vector<std::string> fieldNames);
    uint32_t indexOfName(std::string_view name) const;

    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
    };
    std::vector<std::string> m_fieldNames;
    std::vector<std::string> m_keys;
    std::unordered_map<std::string, uint32_t, Hash, std::equal_to<>> m_index;
    // The fields of the player's own column names (score/Columns.h), in their order there: laying
    // out a song reads a dozen of them per row, and comparing their addresses costs less than
    // hashing the names.
    std::array<uint32_t, column::names::kCount> m_known {};
};

}
