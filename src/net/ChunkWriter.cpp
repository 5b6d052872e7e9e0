#include "net/ChunkWriter.h"

#include "platform/http/OutputStream.h"
#include "platform/http/URLError.h"

#include <cerrno>
#include <cstdint>

namespace net {

namespace {

core::Error streamError(const http::OutputStream& stream, int fallback)
{
    return stream.streamError() ? *stream.streamError() : http::makePOSIXError(fallback);
}

}

std::optional<core::Error> ChunkWriter::write(http::OutputStream& stream, std::string_view data)
{
    // The kit's streams are synchronous: no space now means none later, so waiting cannot help.
    if (!stream.hasSpaceAvailable())
        return streamError(stream, EBADF);
    auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
    size_t written = 0;
    int emptyWrites = 0;
    while (written < data.size()) {
        long n = stream.write(bytes + written, data.size() - written);
        if (n < 0)
            return streamError(stream, EIO);
        if (n == 0) {
            if (++emptyWrites > kMaxEmptyWrites)
                return streamError(stream, ENOSPC);
            continue;
        }
        emptyWrites = 0;
        written += static_cast<size_t>(n);
    }
    return std::nullopt;
}

}
