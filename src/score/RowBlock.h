#pragma once
#include "score/ScoreHeader.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace score {

// Storage shared by many rows of one header: every field text of every row back to back in one
// buffer, and the end offset of each field. Rows refer to a block and their number in it, so a
// song costs a few bytes per field beyond its text, not a string object per field. A block is
// filled once and then only read, from any thread.
class RowBlock {
public:
    // Blocks stop taking rows once their text passes this size, which keeps the cost of growing
    // a block small and the offsets within 32 bits.
    static constexpr size_t targetTextBytes = size_t(1) << 20;

    explicit RowBlock(std::shared_ptr<const ScoreHeader> header);

    const std::shared_ptr<const ScoreHeader>& header() const { return m_header; }
    uint32_t rowCount() const { return m_rows; }
    bool full() const { return m_text.size() >= targetTextBytes; }

    std::string_view field(uint32_t row, uint32_t field) const
    {
        size_t i = size_t(row) * m_header->fieldCount() + field;
        uint32_t start = i == 0 ? 0 : m_ends[i - 1];
        return std::string_view(m_text.data() + start, m_ends[i] - start);
    }

    // Whether a row of at most this many bytes of text still fits the 32-bit offsets.
    bool canTake(size_t rowTextBytes) const { return rowTextBytes <= UINT32_MAX - m_text.size(); }
    // Appending: fields of the row being added (each row within canTake), then endRow().
    void appendField(std::string_view text)
    {
        m_text.append(text);
        m_ends.push_back(uint32_t(m_text.size()));
    }
    uint32_t endRow() { return m_rows++; }
    // A whole row at once, for the CSV reader: room for `maxBytes` of text and for the header's
    // fields is made first, so that the reader copies each field in with no check and keeps its
    // place in locals; commitRow() takes the text actually written (every field written once).
    struct Room {
        char* text;
        uint32_t* ends;
        uint32_t offset;
    };
    Room reserveRow(size_t maxBytes)
    {
        size_t start = m_text.size();
        size_t firstEnd = m_ends.size();
        m_text.resize(start + maxBytes);
        m_ends.resize(firstEnd + m_header->fieldCount());
        return { m_text.data() + start, m_ends.data() + firstEnd, uint32_t(start) };
    }
    uint32_t commitRow(const Room& room, size_t textBytes)
    {
        m_text.resize(room.offset + textBytes);
        return m_rows++;
    }
    // The bytes of a row's texts, and a row of another block of the same header appended in one
    // copy (within canTake).
    size_t rowTextBytes(uint32_t row) const
    {
        size_t first = size_t(row) * m_header->fieldCount();
        size_t count = m_header->fieldCount();
        if (count == 0)
            return 0;
        return m_ends[first + count - 1] - (first == 0 ? 0 : m_ends[first - 1]);
    }
    void appendRowFrom(const RowBlock& other, uint32_t row)
    {
        size_t count = m_header->fieldCount();
        size_t first = size_t(row) * count;
        uint32_t start = first == 0 ? 0 : other.m_ends[first - 1];
        uint32_t base = uint32_t(m_text.size());
        if (count > 0)
            m_text.append(other.m_text.data() + start, other.m_ends[first + count - 1] - start);
        for (size_t f = 0; f < count; ++f)
            m_ends.push_back(base + (other.m_ends[first + f] - start));
        ++m_rows;
    }
    void reserve(size_t textBytes, size_t rows);

private:
    std::shared_ptr<const ScoreHeader> m_header;
    std::string m_text;
    std::vector<uint32_t> m_ends;
    uint32_t m_rows = 0;
};

}
