#pragma once
#include "platform/core/Error.h"

#include <optional>
#include <string_view>

namespace http {
class OutputStream;
}

namespace net {

// Writes a received chunk to an output stream, all of it or not at all.
class ChunkWriter {
public:
    // A write that takes no bytes is tried again this many times before the stream counts as failed.
    static constexpr int kMaxEmptyWrites = 3;

    // The stream's error (or one made from the errno that fits) when the chunk could not be
    // written whole; the caller then ends the transfer, since dropping the rest silently would
    // let a truncated body pass for a complete one.
    static std::optional<core::Error> write(http::OutputStream& stream, std::string_view data);
};

}
