#include "net/TransferProgress.h"

#include "platform/core/Dispatch.h"

namespace net {

void TransferProgress::setBlock(Block block)
{
    std::lock_guard lock(m_lock);
    m_block = std::move(block);
}

int64_t TransferProgress::totalBytesRead() const
{
    std::lock_guard lock(m_lock);
    return m_totalBytesRead;
}

void TransferProgress::addBytes(uint64_t length, std::shared_ptr<const void> owner, std::function<int64_t()> expectedLength)
{
    bool hasBlock;
    {
        std::lock_guard lock(m_lock);
        hasBlock = static_cast<bool>(m_block);
    }
    if (!hasBlock) {
        // Nobody watches chunk by chunk: fold the counts into one pending update, so a fast
        // transfer does not wake the main thread for every chunk.
        if (m_unreportedBytes.fetch_add(length) == 0) {
            dispatch::mainQueue().async([this, owner = std::move(owner)] {
                uint64_t pending = m_unreportedBytes.exchange(0);
                std::lock_guard lock(m_lock);
                m_totalBytesRead += static_cast<int64_t>(pending);
            });
        }
        return;
    }
    dispatch::mainQueue().async([this, owner = std::move(owner), length, expectedLength = std::move(expectedLength)] {
        int64_t total;
        Block block;
        {
            std::lock_guard lock(m_lock);
            m_totalBytesRead += static_cast<int64_t>(length);
            total = m_totalBytesRead;
            block = m_block;
        }
        if (block)
            block(length, total, expectedLength());
    });
}

}
