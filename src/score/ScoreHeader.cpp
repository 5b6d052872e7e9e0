#include "score/ScoreHeader.h"

#include "score/Columns.h"



namespace score {


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
    for (size_t k = 0; k < column::names::kCount; ++k) {
        auto it = m_index.find(column::names::nth(k));
        m_known[k] = it == m_index.end() ? npos : it->second;
    }
}

uint32_t ScoreHeader::indexOfName(std::string_view name) const
{
    auto it = m_index.find(name);
    return it == m_index.end() ? npos : it->second;
}

}
