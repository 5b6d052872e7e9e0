#include "score/ScoreRow.h"

#include "score/Readings.h"
#include "score/RowBlock.h"

#include <algorithm>

namespace score {

const std::shared_ptr<const ScoreHeader>& ScoreRow::emptyHeader()
{
    static const std::shared_ptr<const ScoreHeader> header = ScoreHeader::create({});
    return header;
}

ScoreRow ScoreRow::fromMap(const std::map<std::string, std::string>& values)
{
    return fromMaps({ values }).front();
}

std::vector<ScoreRow> ScoreRow::fromMaps(const std::vector<std::map<std::string, std::string>>& maps)
{
    std::vector<ScoreRow> rows;
    rows.reserve(maps.size());
    std::shared_ptr<RowBlock> block;
    const std::map<std::string, std::string>* blockKeys = nullptr;
    for (const auto& map : maps) {
        bool sameKeys = blockKeys && blockKeys->size() == map.size()
            && std::equal(map.begin(), map.end(), blockKeys->begin(),
                [](const auto& a, const auto& b) { return a.first == b.first; });
        if (!sameKeys || block->full()) {
            std::vector<std::string> names;
            names.reserve(map.size());
            for (const auto& [key, value] : map)
                names.push_back(key);
            auto header = sameKeys ? block->header() : ScoreHeader::create(std::move(names));
            block = std::make_shared<RowBlock>(header);
            blockKeys = &map;
        }
        for (const auto& [key, value] : map)
            block->appendField(value);
        rows.emplace_back(block, block->endRow());
    }
    return rows;
}

std::map<std::string, std::string> ScoreRow::toMap() const
{
    std::map<std::string, std::string> map;
    if (!m_block)
        return map;
    const auto& header = *m_block->header();
    for (const auto& key : header.keys())
        map.emplace(key, std::string(field(header.indexOf(key))));
    return map;
}

bool ScoreRow::hasKey(std::string_view key) const
{
    return m_block && m_block->header()->indexOf(key) != ScoreHeader::npos;
}

int32_t ScoreRow::intValue(std::string_view key) const
{
    return score::intValue(text(key));
}

float ScoreRow::floatValue(std::string_view key) const
{
    return score::floatValue(text(key));
}

ScoreRow ScoreRow::withValue(std::string_view key, std::string_view newText) const
{
    const auto& oldHeader = m_block ? m_block->header() : emptyHeader();
    uint32_t target = oldHeader->indexOf(key);
    auto header = oldHeader;
    if (target == ScoreHeader::npos) {
        auto names = oldHeader->fieldNames();
        names.emplace_back(key);
        target = uint32_t(names.size() - 1);
        header = ScoreHeader::create(std::move(names));
    }
    auto block = std::make_shared<RowBlock>(header);
    for (uint32_t i = 0; i < header->fieldCount(); ++i)
        block->appendField(i == target ? newText : (i < oldHeader->fieldCount() ? field(i) : std::string_view()));
    uint32_t row = block->endRow();
    return ScoreRow(std::move(block), row);
}

ScoreRow ScoreRow::withIntValue(std::string_view key, int32_t value) const
{
    return withValue(key, textFromInt(value));
}

size_t ScoreRow::count() const
{
    return m_block ? m_block->header()->keys().size() : 0;
}

std::vector<std::string> ScoreRow::keys() const
{
    return m_block ? m_block->header()->keys() : std::vector<std::string>();
}

bool ScoreRow::operator==(const ScoreRow& other) const
{
    if (m_block == other.m_block && m_row == other.m_row)
        return true;
    if (count() != other.count())
        return false;
    for (const auto& key : keys()) {
        if (!other.hasKey(key) || other.text(key) != text(key))
            return false;
    }
    return true;
}

}
