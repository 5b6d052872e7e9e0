#include "score/ScoreHeader.h"

#include "score/Columns.h"

namespace score {

namespace {

constexpr std::array<const std::string_view*, 16> kKnownColumns = { &column::channel, &column::barNo, &column::beatsPerBar,
    &column::tempo, &column::ipadCol, &column::ipadRows, &column::length, &column::height, &column::flipView, &column::riseFall,
    &column::sharpFlat, &column::fingeringChord, &column::lyrics, &column::ipadColor, &column::zLevel, &column::content };

}

std::shared_ptr<const ScoreHeader> ScoreHeader::create(std::vector<std::string> fieldNames)
{
    return std::shared_ptr<const ScoreHeader>(new ScoreHeader(std::move(fieldNames)));
}

ScoreHeader::ScoreHeader(std::vector<std::string> fieldNames)
    : m_fieldNames(std::move(fieldNames))
{
    for (uint32_t i = 0; i < m_fieldNames.size(); ++i) {
        auto [it, inserted] = m_index.try_emplace(m_fieldNames[i], i);
        if (inserted)
            m_keys.push_back(m_fieldNames[i]);
        else
            it->second = i;
    }
    for (size_t k = 0; k < kKnownColumns.size(); ++k) {
        auto it = m_index.find(*kKnownColumns[k]);
        m_known[k] = it == m_index.end() ? npos : it->second;
    }
}

uint32_t ScoreHeader::indexOf(std::string_view name) const
{
    // The same text elsewhere (a copy of a name) takes the general way, with the same answer.
    for (size_t k = 0; k < kKnownColumns.size(); ++k) {
        if (name.data() == kKnownColumns[k]->data() && name.size() == kKnownColumns[k]->size())
            return m_known[k];
    }
    auto it = m_index.find(name);
    return it == m_index.end() ? npos : it->second;
}

}
