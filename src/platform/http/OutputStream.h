#pragma once
#include "platform/core/Error.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace core {
class RunLoop;
}

namespace http {

// A synchronous byte sink: a file (created or truncated, or appended to, when opened) or memory
// (unbounded, or a fixed capacity that accepts no more bytes once full). Writes happen on the
// caller's thread; scheduling on a run loop is accepted for the callers that do it and changes
// nothing.
class OutputStream {
public:
    enum class Status { NotOpen, Open, Closed, Error };

    static std::shared_ptr<OutputStream> outputStreamToFileAtPath(std::string path, bool append);
    static std::shared_ptr<OutputStream> outputStreamToMemory();
    static std::shared_ptr<OutputStream> outputStreamToBuffer(size_t capacity);
    ~OutputStream();
    OutputStream(const OutputStream&) = delete;
    OutputStream& operator=(const OutputStream&) = delete;

    void scheduleInRunLoop(core::RunLoop& loop, const std::string& mode);
    void removeFromRunLoop(core::RunLoop& loop, const std::string& mode);

    // A file stream that cannot open its file goes to Status::Error with the reason in streamError().
    void open();
    void close();
    Status streamStatus() const { return m_status; }
    bool hasSpaceAvailable() const;
    // The count of bytes taken (0 when a full buffer takes none), or -1 on error.
    long write(const uint8_t* buffer, size_t length);
    const std::optional<core::Error>& streamError() const { return m_error; }

    // What a memory stream holds (none for a file stream).
    std::optional<std::string> dataWrittenToMemory() const;
    bool isMemoryStream() const { return m_kind != Kind::File; }

private:
    enum class Kind { File, Memory, Buffer };
    OutputStream(Kind kind, std::string path, bool append, size_t capacity);

    Kind m_kind;
    std::string m_path;
    bool m_append = false;
    size_t m_capacity = 0;
    int m_fd = -1;
    std::string m_memory;
    Status m_status = Status::NotOpen;
    std::optional<core::Error> m_error;
};

}
