#include "score/RowBlock.h"

namespace score {

RowBlock::RowBlock(std::shared_ptr<const ScoreHeader> header)
    : m_header(std::move(header))
{
}

void RowBlock::reserve(size_t textBytes, size_t rows)
{
    m_text.reserve(textBytes);
    m_ends.reserve(rows * m_header->fieldCount());
}

}
