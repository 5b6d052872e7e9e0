#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace net {

// A transfer's byte count as the main thread sees it, and the watcher told chunk by chunk.
// Chunks are counted on the network thread and reach the main queue later, so the count may lag
// behind the transfer.
class TransferProgress {
public:
    using Block = std::function<void(uint64_t bytesRead, int64_t totalBytesRead, int64_t totalBytesExpectedToRead)>;

    void setBlock(Block block);
    int64_t totalBytesRead() const;

    // Network thread: `length` more bytes were written. `owner` (which holds this object) is kept
    // alive until the main queue has taken the bytes in; `expectedLength` is asked there, for the
    // watcher, when there is one.
    void addBytes(uint64_t length, std::shared_ptr<const void> owner, std::function<int64_t()> expectedLength);

private:
    mutable std::mutex m_lock;
    int64_t m_totalBytesRead = 0;
    std::atomic<uint64_t> m_unreportedBytes { 0 };
    Block m_block;
};

}
