#pragma once
#include "score/RowBlock.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace score {

// One line of a song file: in behaviour a map from column name to trimmed text. Rows are values
// that never change; an edit (withValue) gives a changed copy and leaves the original, and every
// other copy of it, untouched. Rows of one file share their header and their text storage, so a
// copy costs a reference, not the texts. Safe to read from any thread.
class ScoreRow {
public:
    // A row with no columns: every text reads empty, every number 0.
    ScoreRow() = default;

    static ScoreRow fromMap(const std::map<std::string, std::string>& values);
    // Many maps at once: maps with the same keys share one header and one block of storage.
    static std::vector<ScoreRow> fromMaps(const std::vector<std::map<std::string, std::string>>& maps);
    std::map<std::string, std::string> toMap() const;

    bool hasKey(std::string_view key) const;
    // The text of a column; empty when the row has no such column. The view stays valid as long
    // as this row, or any copy of it, lives.
    std::string_view text(std::string_view key) const
    {
        if (!m_block)
            return {};
        uint32_t index = m_block->header()->indexOf(key);
        return index == ScoreHeader::npos ? std::string_view() : field(index);
    }
    // The column's text read as a whole number or a number (see Readings.h); 0 when missing.
    int32_t intValue(std::string_view key) const;
    float floatValue(std::string_view key) const;

    // A copy with the column set to the text (the column is added when the row lacks it).
    ScoreRow withValue(std::string_view key, std::string_view text) const;
    // A copy with the column set to the number as "%d" text.
    ScoreRow withIntValue(std::string_view key, int32_t value) const;

    // Number of columns and their names (header order, each once).
    size_t count() const;
    std::vector<std::string> keys() const;
    const std::shared_ptr<const ScoreHeader>& header() const { return m_block ? m_block->header() : emptyHeader(); }

    // Equal as maps of texts, wherever the rows are stored.
    bool operator==(const ScoreRow& other) const;

    // Building rows in bulk (the CSV reader): row `row` of a block. The block only grows while its
    // builder fills it and is read-only once the rows are handed out.
    ScoreRow(std::shared_ptr<const RowBlock> block, uint32_t row)
        : m_block(std::move(block))
        , m_row(row)
    {
    }
    // The text of a field by its index in the header, for readers that look a column up once.
    std::string_view field(uint32_t index) const { return m_block->field(m_row, index); }
    // All of the row's field texts, back to back, as stored; and the row appended whole to a
    // block of the same header.
    size_t textBytes() const { return m_block ? m_block->rowTextBytes(m_row) : 0; }
    void appendTo(RowBlock& block) const
    {
        if (m_block)
            block.appendRowFrom(*m_block, m_row);
    }

private:
    static const std::shared_ptr<const ScoreHeader>& emptyHeader();

    std::shared_ptr<const RowBlock> m_block;
    uint32_t m_row = 0;
};

}
